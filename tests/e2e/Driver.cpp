// The installer driver's window and file helpers.
#include "Driver.h"

#include <cstdio>
#include <stdexcept>

#include "ui/Dpi.h"

namespace e2e {

std::string setupPath;
std::string screensDir;

namespace {
int screenDpi = 0;
}

void SetScreenDpi(int dpi) {
  DWORD value = static_cast<DWORD>(dpi);
  RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &value, sizeof value);
  screenDpi = dpi;
}

int ScreenDpi() { return screenDpi ? screenDpi : ui::ScreenDpi(); }

namespace {

constexpr char kMainCaption[] = "Zorvik电子帐本V4.4 安装程序";

struct Search {
  DWORD pid;
  const char* cls;
  const char* caption;
  HWND found;
};

BOOL CALLBACK FindTopLevel(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<Search*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  char cls[64], text[256];
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  if ((!s->cls || std::string(cls) == s->cls) && (!s->caption || std::string(text) == s->caption)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindWindowOf(DWORD pid, const char* cls, const char* caption) {
  Search s{pid, cls, caption, nullptr};
  EnumWindows(FindTopLevel, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

struct ChildSearch {
  std::string cls, text;
  HWND found = nullptr;
};

BOOL CALLBACK FindChild(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<ChildSearch*>(lp);
  char cls[64];
  GetClassNameA(hwnd, cls, sizeof cls);
  std::string text = WindowText(hwnd);
  bool textMatches = s->text.empty() ? (s->cls != "Static" || !text.empty()) : text == s->text;
  if (_stricmp(cls, s->cls.c_str()) == 0 && textMatches) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

HWND Child(HWND parent, const std::string& cls, const std::string& text) {
  ChildSearch s{cls, text};
  EnumChildWindows(parent, FindChild, reinterpret_cast<LPARAM>(&s));
  return s.found;
}

}  // namespace

std::string WindowText(HWND h) {
  char buf[1024];
  int n = GetWindowTextA(h, buf, sizeof buf);
  return std::string(buf, n > 0 ? n : 0);
}

RunningSetup::RunningSetup(const std::string& program, const std::string& arguments, bool waitForWindow) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string line = "\"" + program + "\"";
  if (!arguments.empty()) line += " " + arguments;
  if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_))
    throw std::runtime_error("cannot start " + program);
  if (!waitForWindow) return;
  WaitForInputIdle(pi_.hProcess, 30000);
  if (!WaitMain(30000)) throw std::runtime_error("setup.exe showed no main window");
  // Let the first paint finish before anything looks at the screen.
  Sleep(300);
}

RunningSetup::~RunningSetup() {
  if (Running()) {
    TerminateProcess(pi_.hProcess, 99);
    WaitForSingleObject(pi_.hProcess, 10000);
  }
  CloseHandle(pi_.hThread);
  CloseHandle(pi_.hProcess);
}

HWND RunningSetup::WaitMain(DWORD timeoutMs) {
  for (DWORD waited = 0; !main_ && waited < timeoutMs && Running(); waited += 10) {
    main_ = FindWindowOf(pi_.dwProcessId, nullptr, kMainCaption);
    if (!main_) Sleep(10);
  }
  return main_;
}

HWND ChildWindow(HWND parent, const std::string& cls, const std::string& text) { return Child(parent, cls, text); }

bool WaitGone(HWND hwnd, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (!IsWindow(hwnd) || !IsWindowVisible(hwnd)) return true;
    Sleep(50);
  }
  return false;
}

HWND RunningSetup::WaitWindow(const std::string& caption, DWORD timeoutMs) {
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    if (HWND found = FindWindowOf(pi_.dwProcessId, nullptr, caption.c_str())) {
      Sleep(200);  // let it paint
      return found;
    }
    if (!Running()) break;
    Sleep(50);
  }
  return nullptr;
}

HWND RunningSetup::Button(const std::string& caption) const { return Child(main_, "Button", caption); }

HWND RunningSetup::DirectoryField() const { return Child(main_, "Edit", ""); }

void RunningSetup::SetDirectory(const std::string& text) {
  SendMessageA(DirectoryField(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RunningSetup::Press(const std::string& caption) {
  HWND b = Button(caption);
  if (!b) throw std::runtime_error("no button " + caption);
  // Posted, not sent: the handler runs modal loops of its own.
  PostMessageA(b, BM_CLICK, 0, 0);
}

void RunningSetup::CloseBox() { PostMessageA(main_, WM_SYSCOMMAND, SC_CLOSE, 0); }

MessageBoxInfo RunningSetup::WaitMessageBox(DWORD timeoutMs) {
  MessageBoxInfo info;
  for (DWORD waited = 0; waited < timeoutMs; waited += 50) {
    HWND box = FindWindowOf(pi_.dwProcessId, "#32770", nullptr);
    if (box) {
      Sleep(200);  // let it paint
      info.hwnd = box;
      info.caption = WindowText(box);
      info.text = WindowText(Child(box, "Static", ""));
      for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND b = GetDlgItem(box, id);
        if (b && IsWindowVisible(b)) info.buttons.push_back(WindowText(b));
      }
      HWND icon = GetDlgItem(box, 0x440);
      info.hasIcon = icon && IsWindowVisible(icon) && SendMessageA(icon, STM_GETICON, 0, 0) != 0;
      return info;
    }
    if (!Running()) break;
    Sleep(50);
  }
  return info;
}

void RunningSetup::Answer(const MessageBoxInfo& box) {
  PostMessageA(box.hwnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  for (int i = 0; i < 100 && IsWindow(box.hwnd); ++i) Sleep(50);
  Sleep(200);
}

bool RunningSetup::WaitExit(DWORD timeoutMs, DWORD* code) {
  if (WaitForSingleObject(pi_.hProcess, timeoutMs) != WAIT_OBJECT_0) return false;
  if (code) GetExitCodeProcess(pi_.hProcess, code);
  return true;
}

bool RunningSetup::Running() { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT; }

bool RunningSetup::AnyWindowShown() { return FindWindowOf(pi_.dwProcessId, nullptr, nullptr) != nullptr; }

bool RunningSetup::ControlsEnabled() const {
  return IsWindowEnabled(DirectoryField()) && IsWindowEnabled(Button("安装")) && IsWindowEnabled(Button("放弃"));
}

bool RunningSetup::MarkShown(int row) {
  // The check mark's green body, somewhere in its 20 x 20 square at 48, 168 + 24(k-1).
  ui::Scaler scale;
  POINT origin{scale(48), scale(168 + 24 * (row - 1))};
  ClientToScreen(main_, &origin);
  HDC screen = GetDC(nullptr);
  bool seen = false;
  for (int y = 0; y < 20 && !seen; ++y)
    for (int x = 0; x < 20 && !seen; ++x) seen = GetPixel(screen, origin.x + x, origin.y + y) == RGB(0, 0x80, 0);
  ReleaseDC(nullptr, screen);
  return seen;
}

void RunningSetup::Screenshot(const std::string& name) {
  if (screensDir.empty()) return;
  CreateDirectoryA(screensDir.c_str(), nullptr);
  HDC screen = GetDC(nullptr);
  int w = GetDeviceCaps(screen, HORZRES), h = GetDeviceCaps(screen, VERTRES);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  DWORD stride = ((w * 3 + 3) & ~3), size = stride * h;
  BITMAPFILEHEADER fh{0x4D42, static_cast<DWORD>(sizeof fh + sizeof bi.bmiHeader + size), 0, 0,
                      sizeof fh + sizeof bi.bmiHeader};
  std::string path = screensDir + "\\" + name + ".bmp";
  if (FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&fh, sizeof fh, 1, f);
    std::fwrite(&bi.bmiHeader, sizeof bi.bmiHeader, 1, f);
    std::fwrite(bits, size, 1, f);
    std::fclose(f);
  }
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

RunningSetup::Pixels RunningSetup::ClientPixels(const RECT& client) {
  Pixels p;
  p.width = client.right - client.left;
  p.height = client.bottom - client.top;
  POINT origin{client.left, client.top};
  ClientToScreen(main_, &origin);
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  // A top-down 32-bit section: rows in reading order, one DWORD per pixel.
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), p.width, -p.height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, dib);
  BitBlt(memory, 0, 0, p.width, p.height, screen, origin.x, origin.y, SRCCOPY);
  GdiFlush();
  const auto* px = static_cast<const DWORD*>(bits);
  for (int i = 0; i < p.width * p.height; ++i)
    p.colors.push_back(RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF));
  SelectObject(memory, old);
  DeleteObject(dib);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return p;
}

std::string FreshDirectory(const std::string& path) {
  RemoveTree(path);
  return path;
}

bool FileExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

std::string SetupResource(const char* name, const char* type) {
  HMODULE m = LoadLibraryExA(setupPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  if (!m) return {};
  std::string bytes;
  if (HRSRC r = FindResourceExA(m, type, name, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)))
    if (HGLOBAL g = LoadResource(m, r)) bytes.assign(static_cast<const char*>(LockResource(g)), SizeofResource(m, r));
  FreeLibrary(m);
  return bytes;
}

}  // namespace e2e
