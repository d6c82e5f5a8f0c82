// The Win32 user-interface services behind sys::UserInterface: the message loop's pending
// messages, MessageBoxA, the wait cursor, GetOpenFileNameA and the drive queries.
#include <windows.h>
#include <commdlg.h>
#include <shlobj.h>

#include <vector>

#include "sys/UserInterface.h"
#include "sys/win32/ScreenCursor.h"

namespace sys {
namespace {

Cursor screenCursor = Cursor::normal;

// Opens the folder browser at the directory passed as its data.
int CALLBACK StartAt(HWND hwnd, UINT msg, LPARAM, LPARAM data) {
  if (msg == BFFM_INITIALIZED) SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
  return 0;
}

class Win32UserInterface final : public UserInterface {
 public:
  void ProcessMessages() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the main loop
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }
  int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags) override {
    return MessageBoxA(GetActiveWindow(), text.c_str(), caption.c_str(), flags);
  }
  Cursor SetCursor(Cursor cursor) override {
    Cursor previous = screenCursor;
    screenCursor = cursor;
    ::SetCursor(LoadCursorA(nullptr, cursor == Cursor::wait ? IDC_WAIT : IDC_ARROW));
    return previous;
  }
  bool OpenFileDialog(const OpenFileRequest& request, std::string& fileName) override {
    // The dialog wants its filter as NUL-separated pairs ending in two NULs.
    std::string filter = request.filter;
    for (char& c : filter)
      if (c == '|') c = '\0';
    filter.append(2, '\0');
    std::vector<char> name(MAX_PATH, '\0');
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrInitialDir = request.initialDir.c_str();
    ofn.lpstrTitle = request.title.c_str();
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&ofn)) return false;
    fileName = name.data();
    return true;
  }
  bool SelectDirectory(std::string& dir) override {
    char display[MAX_PATH] = {};
    BROWSEINFOA bi{};
    bi.hwndOwner = GetActiveWindow();
    bi.pszDisplayName = display;
    // The edit box lets a new directory be typed; the new-style dialog makes it on confirmation.
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE | BIF_VALIDATE;
    bi.lpfn = StartAt;
    bi.lParam = reinterpret_cast<LPARAM>(dir.c_str());
    LPITEMIDLIST item = SHBrowseForFolderA(&bi);
    if (!item) return false;
    char path[MAX_PATH] = {};
    BOOL ok = SHGetPathFromIDListA(item, path);
    CoTaskMemFree(item);
    if (!ok) return false;
    dir = path;
    return true;
  }
  std::string OemToAnsi(const std::string& text) override {
    std::string out(text.size(), '\0');
    if (!text.empty()) OemToCharBuffA(text.data(), out.data(), static_cast<DWORD>(text.size()));
    return out;
  }
  uint32_t DriveType(const std::string& root) override { return GetDriveTypeA(root.c_str()); }
  bool VolumeLabel(const std::string& root, std::string& label) override {
    char buffer[MAX_PATH + 1] = {};
    // No "insert a disk" box from the system: an empty drive is simply unlabelled.
    UINT old = SetErrorMode(SEM_FAILCRITICALERRORS);
    BOOL ok = GetVolumeInformationA(root.c_str(), buffer, sizeof buffer, nullptr, nullptr, nullptr, nullptr, 0);
    SetErrorMode(old);
    label = ok ? buffer : "";
    return ok != FALSE;
  }
};

}  // namespace

Cursor ScreenCursor() { return screenCursor; }

UserInterface& RealUserInterface() {
  static Win32UserInterface ui;
  return ui;
}

}  // namespace sys
