// The main window: builds itself from the layout table, paints its own surface (title,
// captions, marks), draws the two picture buttons and forwards the install button to the
// install sequence.
#include "app/Unit1.h"

#include <commctrl.h>

#include "app/Layout.h"
#include "sys/Files.h"
#include "sys/Registry.h"
#include "sys/ShellLink.h"
#include "sys/UserInterface.h"

namespace app {
namespace {

constexpr int kIdDirectoryEdit1 = 101;
constexpr int kIdBitBtn1 = 102;
constexpr int kIdBitBtn2 = 103;
constexpr int kIdStatusBar = 104;
constexpr char kClassName[] = "TForm1";

// Draws a bitmap whose bottom-left pixel's colour is transparent.
void DrawTransparent(HDC dc, HBITMAP bitmap, int x, int y) {
  BITMAP info{};
  GetObject(bitmap, sizeof info, &info);
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  COLORREF transparent = GetPixel(memory, 0, info.bmHeight - 1);
  // gdi32's own entry, not msimg32's: msimg32 is no known system library, so importing it
  // would load whatever file of that name lies beside setup.exe, before any code runs.
  GdiTransparentBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, info.bmWidth, info.bmHeight, transparent);
  SelectObject(memory, old);
  DeleteDC(memory);
}

// The Song face draws its small sizes from whole-pixel bitmaps, crisp black; asking for
// whole pixels keeps that look where another face stands in for it and would be smoothed
// into grey. The large Kai title keeps the system's smoothing.
HFONT MakeFont(const char* face, int height, bool wholePixels, bool italic) {
  return CreateFontA(-height, 0, 0, 0, FW_NORMAL, italic, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, wholePixels ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY,
                     DEFAULT_PITCH | FF_DONTCARE, face);
}

}  // namespace

TForm1::TForm1(ui::Application& application)
    : app_(application),
      Shortcut1(sys::RealRegistry(), sys::RealFileSystem(), sys::RealShellLinks()),
      ZipExtractor1(sys::RealFileSystem(), sys::RealUserInterface()),
      installer_(*this, {sys::RealFileSystem(), sys::OwnResources(), sys::RealClock(), sys::RealProcesses(),
                         sys::RealLibraries(), ZipExtractor1, Shortcut1}) {
  Shortcut1.SetNameSubDirInStartMenu("Zorvik软件");
  ZipExtractor1.SetOverwriteMode(zip::Always);
  ZipExtractor1.SetDoAll(true);

  HDC screen = GetDC(nullptr);
  dpi_ = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  HINSTANCE instance = GetModuleHandleA(nullptr);
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kClassName;
  RegisterClassExA(&wc);

  font_.Reset(MakeFont(layout::kFontName, Scale(layout::kFontHeight), true, false));
  titleFont_.Reset(MakeFont(layout::kTitleFontName, Scale(layout::kTitleFontHeight), false, true));
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    statusFont_.Reset(CreateFontIndirectA(&metrics.lfStatusFont));
  checkMark_.Reset(LoadBitmapA(instance, "CHECKMARK"));
  door_.Reset(LoadBitmapA(instance, "DOOR"));

  const auto& w = layout::kWindow;
  hwnd_ = CreateWindowExA(0, kClassName, layout::kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, Scale(w.left),
                          Scale(w.top), Scale(w.width), Scale(w.height), app_.Handle(), nullptr, instance, this);
  CreateControls();
}

TForm1::~TForm1() {
  if (hwnd_) DestroyWindow(hwnd_);
}

RECT TForm1::ScaledRect(int left, int top, int width, int height) const {
  return {Scale(left), Scale(top), Scale(left + width), Scale(top + height)};
}

void TForm1::CreateControls() {
  HINSTANCE instance = GetModuleHandleA(nullptr);
  auto child = [&](DWORD exStyle, const char* cls, const char* text, DWORD style, const layout::Rect& r, int id) {
    HWND h = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, Scale(r.left), Scale(r.top),
                             Scale(r.width), Scale(r.height), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             instance, nullptr);
    SendMessageA(h, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
    return h;
  };
  // Creation order is the tab order: the field, then install, then abandon.
  directoryEdit1_ = child(WS_EX_CLIENTEDGE, "EDIT", layout::kDefaultDirectory, WS_TABSTOP | ES_AUTOHSCROLL,
                          layout::kDirectoryEdit1, kIdDirectoryEdit1);
  bitBtn1_ = child(0, "BUTTON", layout::kBitBtn1Caption, WS_TABSTOP | BS_OWNERDRAW, layout::kBitBtn1, kIdBitBtn1);
  bitBtn2_ = child(0, "BUTTON", layout::kBitBtn2Caption, WS_TABSTOP | BS_OWNERDRAW, layout::kBitBtn2, kIdBitBtn2);
  // The bar is placed by the window, not by itself: left alone it adds its borders to any
  // minimum height and comes out taller than the layout's 19 pixels.
  sb_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP | CCS_NORESIZE, 0, 0, 0, 0,
                        hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdStatusBar)), instance, nullptr);
  if (statusFont_) SendMessageA(sb_, WM_SETFONT, reinterpret_cast<WPARAM>(statusFont_.Get()), FALSE);
  SendMessageA(sb_, SB_SIMPLE, TRUE, 0);
  PlaceStatusBar();
}

void TForm1::PlaceStatusBar() {
  RECT client;
  GetClientRect(hwnd_, &client);
  int height = Scale(layout::kStatusBarHeight);
  MoveWindow(sb_, 0, client.bottom - height, client.right, height, TRUE);
}

void TForm1::Show() {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
  SetFocus(directoryEdit1_);
}

LRESULT CALLBACK TForm1::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<TForm1*>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<TForm1*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  return self ? self->OnMessage(msg, wp, lp) : DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT TForm1::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd_, &ps);
      OnPaint(dc);
      EndPaint(hwnd_, &ps);
      return 0;
    }
    case WM_DRAWITEM:
      OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
      return TRUE;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_SIZE:
      PlaceStatusBar();
      break;
    case WM_SYSCOMMAND:
      if ((wp & 0xFFF0) == SC_MINIMIZE) {
        app_.Minimize();
        return 0;
      }
      break;
    case WM_CLOSE:
      if (sequenceRunning_ && !closingItself_) return 0;
      break;
    case WM_SETCURSOR:
      if (app_.Busy()) {
        SetCursor(LoadCursor(nullptr, IDC_WAIT));
        return TRUE;
      }
      break;
    case WM_DESTROY:
      SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
      hwnd_ = nullptr;
      PostQuitMessage(0);
      return 0;
  }
  return DefWindowProcA(hwnd_, msg, wp, lp);
}

void TForm1::OnPaint(HDC dc) {
  SetBkMode(dc, TRANSPARENT);
  HGDIOBJ oldFont = SelectObject(dc, titleFont_.Get());
  SetTextColor(dc, RGB(0x80, 0x00, 0x00));
  const auto& t = layout::kShadowLabel1;
  RECT r = ScaledRect(t.left, t.top, t.width, t.height);
  DrawTextA(dc, layout::kCaption, -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);

  SelectObject(dc, font_.Get());
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  const auto& l = layout::kLabel1;
  r = ScaledRect(l.left, l.top, l.width, l.height);
  DrawTextA(dc, layout::kLabel1Caption, -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  for (int row = 1; row <= layout::kRows; ++row) {
    auto c = layout::RowCaptionRect(row);
    r = ScaledRect(c.left, c.top, c.width, c.height);
    DrawTextA(dc, layout::kRowCaptions[row - 1], -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    if (marks_[row - 1]) {
      auto m = layout::MarkRect(row);
      DrawTransparent(dc, static_cast<HBITMAP>(checkMark_.Get()), Scale(m.left), Scale(m.top));
    }
  }
  SelectObject(dc, oldFont);
}

void TForm1::OnDrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool pushed = (item.itemState & ODS_SELECTED) != 0;
  bool disabled = (item.itemState & ODS_DISABLED) != 0;
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  HBITMAP glyph = static_cast<HBITMAP>((item.hwndItem == bitBtn1_ ? checkMark_ : door_).Get());
  BITMAP info{};
  GetObject(glyph, sizeof info, &info);
  char caption[64];
  int length = GetWindowTextA(item.hwndItem, caption, sizeof caption);
  HGDIOBJ oldFont = SelectObject(dc, font_.Get());
  SIZE text{};
  GetTextExtentPoint32A(dc, caption, length, &text);

  // Picture left of the caption, the pair centred, as a picture button lays them out.
  int spacing = Scale(layout::kGlyphSpacing);
  int total = info.bmWidth + spacing + text.cx;
  int x = r.left + (r.right - r.left - total) / 2 + (pushed ? 1 : 0);
  int y = r.top + (pushed ? 1 : 0);
  DrawTransparent(dc, glyph, x, y + (r.bottom - r.top - info.bmHeight) / 2);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  TextOutA(dc, x + info.bmWidth + spacing, y + (r.bottom - r.top - text.cy) / 2, caption, length);
  SelectObject(dc, oldFont);
  if (item.itemState & ODS_FOCUS) {
    RECT f = r;
    InflateRect(&f, -4, -4);
    DrawFocusRect(dc, &f);
  }
}

void TForm1::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return;
  if (id == kIdBitBtn1) ui::Guarded([this] { BitBtn1Click(); });
  if (id == kIdBitBtn2) ui::Guarded([this] { BitBtn2Click(); });
}

void TForm1::BitBtn1Click() { installer_.BitBtn1Click(); }

void TForm1::BitBtn2Click() { Close(); }

std::string TForm1::DirectoryText() {
  int length = GetWindowTextLengthA(directoryEdit1_);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  length = GetWindowTextA(directoryEdit1_, text.data(), length + 1);
  text.resize(static_cast<size_t>(length));
  return text;
}

void TForm1::SetStatus(const std::string& text) {
  if (text == status_) return;
  status_ = text;
  SendMessageA(sb_, SB_SETTEXTA, 255, reinterpret_cast<LPARAM>(status_.c_str()));
}

void TForm1::ShowMark(int row) {
  if (row < 1 || row > layout::kRows) return;
  marks_[row - 1] = true;
  auto m = layout::MarkRect(row);
  RECT r = ScaledRect(m.left, m.top, m.width, m.height);
  InvalidateRect(hwnd_, &r, TRUE);
}

void TForm1::RepaintNow() { UpdateWindow(hwnd_); }

void TForm1::SetBusyCursor(bool busy) { app_.SetBusyCursor(busy); }

void TForm1::EnableControls(bool enabled) {
  if (!enabled) focusBeforeSequence_ = GetFocus();
  sequenceRunning_ = !enabled;
  for (HWND h : {directoryEdit1_, bitBtn1_, bitBtn2_}) EnableWindow(h, enabled);
  // The close box, Alt+F4 and the system menu's Close look as unavailable as they are.
  EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  // Disabling took the focus from the button that was pressed; it gets it back.
  if (enabled && focusBeforeSequence_ && IsWindowEnabled(focusBeforeSequence_) && GetActiveWindow() == hwnd_)
    SetFocus(focusBeforeSequence_);
}

void TForm1::DirectoryMessage(const std::string& text, const std::string& caption) {
  MessageBoxA(GetFocus(), text.c_str(), caption.c_str(), MB_OK);
}

void TForm1::ShowMessage(const std::string& text) { app_.ShowMessage(text); }

void TForm1::Close() {
  closingItself_ = true;
  if (hwnd_) SendMessageA(hwnd_, WM_CLOSE, 0, 0);
  closingItself_ = false;
}

}  // namespace app
