// The shell folder browser: SHBrowseForFolderA with a callback that centres it, selects
// the start folder, keeps OK to existing folders and adds the help button.
#include "controls/win32/FolderBrowser.h"

#include <commctrl.h>
#include <shlobj.h>

#include <vector>

#include "controls/win32/ComboEdit.h"
#include "controls/win32/DirDialog.h"
#include "base/Ansi.h"
#include "sys/Files.h"

namespace controls::win32 {
namespace {

constexpr int kIdHelp = 0x3FFF;

// The shell's item identifiers are freed by its allocator, on every way out.
struct ItemId {
  LPITEMIDLIST id = nullptr;
  ~ItemId() {
    if (id) CoTaskMemFree(id);
  }
};

std::string PathOf(LPCITEMIDLIST item) {
  char path[MAX_PATH] = {};
  return item && SHGetPathFromIDListA(item, path) ? std::string(path) : std::string();
}

bool IsDriveRoot(const std::string& path) { return path.size() == 3 && path[1] == ':' && path[2] == '\\'; }

LRESULT CALLBACK HelpCommand(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  if (msg == WM_COMMAND && LOWORD(wp) == kIdHelp) {
    auto* dialog = reinterpret_cast<TBrowseFolderDlg*>(data);
    HELPINFO info{sizeof info, HELPINFO_WINDOW, 0, hwnd, static_cast<DWORD_PTR>(dialog->HelpContext), {}};
    SendMessageA(GetWindow(hwnd, GW_OWNER), WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
    return 0;
  }
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, HelpCommand, 1);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

// The thread's enabled top-level windows, disabled while the browser runs.
BOOL CALLBACK CollectEnabled(HWND hwnd, LPARAM lp) {
  if (IsWindowEnabled(hwnd) && IsWindowVisible(hwnd)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
  return TRUE;
}

}  // namespace

int CALLBACK TBrowseFolderDlg::Callback(HWND hwnd, UINT msg, LPARAM lp, LPARAM data) {
  auto* self = reinterpret_cast<TBrowseFolderDlg*>(data);
  if (msg == BFFM_INITIALIZED) self->Initialized(hwnd);
  if (msg == BFFM_SELCHANGED) self->SelChanged(hwnd, reinterpret_cast<LPCITEMIDLIST>(lp));
  return 0;
}

void TBrowseFolderDlg::Initialized(HWND hwnd) {
  if (Position == dpScreenCenter) {
    RECT r;
    GetWindowRect(hwnd, &r);
    int w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, GetSystemMetrics(SM_CXSCREEN) / 2 - w / 2, GetSystemMetrics(SM_CYSCREEN) / 2 - h / 2, 0,
                 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (!FolderName.empty() && sys::DirectoryExists(sys::RealFileSystem(), FolderName))
    SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(FolderName.c_str()));
  if (HelpContext != 0) AddHelpButton(hwnd);
  if (OnInitialized) OnInitialized(*this);
}

void TBrowseFolderDlg::AddHelpButton(HWND hwnd) {
  HWND first = FindWindowExA(hwnd, nullptr, "Button", nullptr);
  if (!first) return;
  RECT r;
  GetWindowRect(first, &r);
  MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
  HWND help =
      CreateWindowExA(0, "BUTTON", "帮助[&H]", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 12, r.top,
                      r.right - r.left, r.bottom - r.top, hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdHelp)),
                      GetModuleHandleA(nullptr), nullptr);
  SendMessageA(help, WM_SETFONT, SendMessageA(hwnd, WM_GETFONT, 0, 0), FALSE);
  SetWindowSubclass(hwnd, HelpCommand, 1, reinterpret_cast<DWORD_PTR>(this));
}

void TBrowseFolderDlg::SelChanged(HWND hwnd, LPCITEMIDLIST item) {
  selected_ = PathOf(item);
  SendMessageA(hwnd, BFFM_ENABLEOK, 0,
               !selected_.empty() && sys::DirectoryExists(sys::RealFileSystem(), selected_) ? TRUE : FALSE);
  if (OnSelChanged) OnSelChanged(*this);
}

bool TBrowseFolderDlg::Execute(HWND owner) {
  ItemId root;
  if (BrowseKind == bfComputers)
    SHGetSpecialFolderLocation(owner, CSIDL_NETWORK, &root.id);
  else if (!DesktopRoot)
    SHGetSpecialFolderLocation(owner, CSIDL_DRIVES, &root.id);

  char displayName[MAX_PATH] = {};
  BROWSEINFOA info{};
  info.hwndOwner = owner;
  info.pidlRoot = root.id;
  info.pszDisplayName = displayName;
  info.lpszTitle = DialogText.empty() ? nullptr : DialogText.c_str();
  info.ulFlags = BrowseKind == bfComputers ? BIF_BROWSEFORCOMPUTER : BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
  info.lpfn = Callback;
  info.lParam = reinterpret_cast<LPARAM>(this);

  HWND active = GetActiveWindow();
  std::vector<HWND> disabled;
  EnumThreadWindows(GetCurrentThreadId(), CollectEnabled, reinterpret_cast<LPARAM>(&disabled));
  for (HWND h : disabled) EnableWindow(h, FALSE);
  ItemId chosen;
  chosen.id = SHBrowseForFolderA(&info);
  for (HWND h : disabled)
    if (IsWindow(h)) EnableWindow(h, TRUE);
  if (active && IsWindow(active)) SetActiveWindow(active);

  if (!chosen.id) return false;
  std::string path = BrowseKind == bfComputers ? std::string(displayName) : PathOf(chosen.id);
  if (BrowseKind == bfFolders && !path.empty() && base::LastBackslash(path) == path.size() - 1 && !IsDriveRoot(path))
    path.pop_back();
  FolderName = path;
  return true;
}

bool RunBrowseFolderDialog(std::string& path, const std::string& dialogText, int helpContext) {
  if (!NewStyleControls()) return RunSelectDirDialog(path, 0, helpContext);
  TBrowseFolderDlg dialog;
  dialog.DialogText = dialogText;
  dialog.FolderName = path;
  dialog.HelpContext = helpContext;
  if (!dialog.Execute(GetActiveWindow())) return false;
  path = dialog.FolderName;
  return true;
}

}  // namespace controls::win32
