// The main window: builds itself from the layout table, paints its own surface (the
// shadowed title, captions, marks) and forwards the install button to the install sequence.
#include "app/Unit1.h"

#include "app/Components.h"
#include "app/Layout.h"
#include "sys/Files.h"
#include "sys/Registry.h"
#include "sys/ShellLink.h"
#include "sys/UserInterface.h"
#include "ui/Gdi.h"

namespace app {
namespace {

constexpr int kIdDirectoryEdit1 = 101;
constexpr int kIdBitBtn1 = 102;
constexpr int kIdBitBtn2 = 103;
constexpr int kIdStatusBar = 104;
// Posted once the window is up, so that /SILENT installs in a window already painted.
constexpr UINT kInstallAtOnce = WM_APP + 1;

// The window's own font, inherited by the controls painted on it.
controls::TFont FormFont(const ui::Scaler& scale) {
  return {layout::kFontName,        scale(layout::kFontHeight), false, false,
          controls::kGb2312Charset, controls::clWindowText};
}

// The Song face draws its small sizes from whole-pixel bitmaps, crisp black; asking for
// whole pixels keeps that look where another face stands in for it and would be smoothed
// into grey. (The large Kai title, drawn by its label, keeps the system's smoothing.)
HFONT MakeSongFont(int height) {
  return CreateFontA(-height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET, OUT_DEFAULT_PRECIS,
                     CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, layout::kFontName);
}

}  // namespace

TForm1::TForm1(ui::Application& application, StartOptions options)
    : app_(application),
      options_(std::move(options)),
      Shortcut1(sys::RealRegistry(), sys::RealFileSystem(), sys::RealShellLinks()),
      ZipExtractor1(sys::RealFileSystem(), options_.ui ? *options_.ui : sys::RealUserInterface()),
      installer_(*this, {sys::RealFileSystem(), sys::OwnResources(), sys::RealClock(), sys::RealProcesses(),
                         sys::RealLibraries(), ZipExtractor1, Shortcut1}),
      windowless_(controls::clBtnFace, FormFont(scale_)) {
  ApplyStoredSettings(Shortcut1, ZipExtractor1);

  HINSTANCE instance = GetModuleHandleA(nullptr);
  font_.Reset(MakeSongFont(scale_(layout::kFontHeight)));
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
    statusFont_.Reset(CreateFontIndirectA(&metrics.lfStatusFont));
  checkMark_.Reset(LoadBitmapA(instance, "CHECKMARK"));
  door_.Reset(LoadBitmapA(instance, "DOOR"));

  CreateShadowLabel1();

  const auto& w = layout::kWindow;
  Create({"TForm1", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1), LoadIconA(instance, "APPICON")}, 0,
         layout::kCaption, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, Bounds(w.left, w.top, w.width, w.height),
         app_.Handle());
  windowless_.SetWindow(Handle());
  CreateControls();
}

void TForm1::CreateShadowLabel1() {
  const auto& t = layout::kShadowLabel1;
  RECT r = Bounds(t.left, t.top, t.width, t.height);
  ShadowLabel1.SetAutoSize(false);
  ShadowLabel1.SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  ShadowLabel1.SetCaption(layout::kCaption);
  ShadowLabel1.SetFont({layout::kTitleFontName, scale_(layout::kTitleFontHeight), true, false, controls::kGb2312Charset,
                        controls::clMaroon});
  ShadowLabel1.SetShadowColor(controls::clWhite);
  ShadowLabel1.SetShadowSize(2);
  ShadowLabel1.SetShadowPos(controls::spRightBottom);
}

TForm1::~TForm1() { Destroy(); }

void TForm1::CreateControls() {
  auto bounds = [this](const layout::Rect& r) { return Bounds(r.left, r.top, r.width, r.height); };
  auto font = static_cast<HFONT>(font_.Get());
  // Creation order is the tab order: the field, then install, then abandon.
  DirectoryEdit1.Create(Handle(), kIdDirectoryEdit1, options_.directory.c_str(), bounds(layout::kDirectoryEdit1), font);
  int spacing = scale_(layout::kGlyphSpacing);
  BitBtn1.Create(Handle(), kIdBitBtn1, layout::kBitBtn1Caption, bounds(layout::kBitBtn1), font,
                 static_cast<HBITMAP>(checkMark_.Get()), spacing);
  BitBtn2.Create(Handle(), kIdBitBtn2, layout::kBitBtn2Caption, bounds(layout::kBitBtn2), font,
                 static_cast<HBITMAP>(door_.Get()), spacing);
  BitBtn1.OnClick = [this](ui::PictureButton&) { BitBtn1Click(); };
  BitBtn2.OnClick = [this](ui::PictureButton&) { BitBtn2Click(); };
  sb.Create(Handle(), kIdStatusBar, static_cast<HFONT>(statusFont_.Get()));
  sb.PlaceAtBottom(scale_(layout::kStatusBarHeight));
}

void TForm1::Show() {
  ShowWindow(Handle(), SW_SHOWNORMAL);
  UpdateWindow(Handle());
  SetFocus(DirectoryEdit1.Handle());
  if (options_.installAtOnce) PostMessageA(Handle(), kInstallAtOnce, 0, 0);
}

void TForm1::InstallAtOnce() {
  exitCode_ = options_.run->Run([this] { installer_.BitBtn1Click(DirectoryEdit1.Text()); });
  // A complete install has closed the window already; after an error no one is there to.
  Close();
}

bool TForm1::OnSysCommand(WPARAM command) {
  if ((command & 0xFFF0) != SC_MINIMIZE) return false;
  app_.Minimize();
  return true;
}

bool TForm1::OnClose() { return !sequenceRunning_ || closingItself_; }

void TForm1::OnSize() {
  // Created after the window: the first sizes arrive before the bar exists.
  if (sb.Handle()) sb.PlaceAtBottom(scale_(layout::kStatusBarHeight));
}

bool TForm1::OnSetCursor() {
  if (!app_.Busy()) return false;
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
  return true;
}

void TForm1::OnDestroy() { PostQuitMessage(0); }

// The title is windowless: the window tells it when the mouse comes, goes and presses.
void TForm1::OnMouseMove(POINT client) {
  RECT r = controls::win32::ToRect(ShadowLabel1.BoundsRect());
  bool inside = PtInRect(&r, client) != 0;
  if (inside && !ShadowLabel1.MouseInside()) {
    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
    TrackMouseEvent(&track);
    ShadowLabel1.MouseEnter();
  } else if (!inside && ShadowLabel1.MouseInside()) {
    ShadowLabel1.MouseLeave();
  }
}

void TForm1::OnMouseLeave() { ShadowLabel1.MouseLeave(); }

LRESULT TForm1::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  using controls::MouseButton;
  POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
  RECT r = controls::win32::ToRect(ShadowLabel1.BoundsRect());
  switch (msg) {
    case kInstallAtOnce: InstallAtOnce(); return 0;
    case ui::kDialogChar: return ShadowLabel1.DialogChar(static_cast<char>(wp)) ? 1 : 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (PtInRect(&r, p)) ShadowLabel1.MouseDown(msg == WM_LBUTTONDOWN ? MouseButton::left : MouseButton::right);
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
      // The press may have begun on the label and ended anywhere.
      ShadowLabel1.MouseUp(msg == WM_LBUTTONUP ? MouseButton::left : MouseButton::right);
      break;
  }
  return Form::OnMessage(msg, wp, lp);
}

void TForm1::OnPaint(HDC dc, const RECT&) {
  {
    controls::win32::GdiCanvas canvas(dc, controls::win32::ToRect(ShadowLabel1.BoundsRect()));
    ShadowLabel1.Paint(canvas);
  }

  SetBkMode(dc, TRANSPARENT);
  ui::SelectedObject font(dc, font_.Get());
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  const auto& l = layout::kLabel1;
  RECT r = Bounds(l.left, l.top, l.width, l.height);
  DrawTextA(dc, layout::kLabel1Caption, -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP);
  for (int row = 1; row <= layout::kRows; ++row) {
    auto c = layout::RowCaptionRect(row);
    r = Bounds(c.left, c.top, c.width, c.height);
    DrawTextA(dc, layout::kRowCaptions[row - 1], -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    if (marks_[row - 1]) {
      auto m = layout::MarkRect(row);
      ui::DrawTransparentBitmap(dc, static_cast<HBITMAP>(checkMark_.Get()), scale_(m.left), scale_(m.top));
    }
  }
}

// The field is read once, at the press. No input reaches it before the sequence disables
// the controls (only the modal box of a directory that cannot be made, which ends the
// sequence), and disabled it cannot change: every step sees what was typed at the press.
void TForm1::BitBtn1Click() {
  try {
    installer_.BitBtn1Click(DirectoryEdit1.Text());
  } catch (const std::exception& e) {
    if (options_.run) options_.run->LogError(e.what());
    throw;
  }
}

void TForm1::BitBtn2Click() { Close(); }

void TForm1::SetStatus(const std::string& text) {
  sb.SetSimpleText(text);
  if (options_.run) options_.run->Status(text);
}

void TForm1::ShowMark(int row) {
  if (row < 1 || row > layout::kRows) return;
  if (options_.run) options_.run->Mark(row);
  marks_[row - 1] = true;
  auto m = layout::MarkRect(row);
  RECT r = Bounds(m.left, m.top, m.width, m.height);
  InvalidateRect(Handle(), &r, TRUE);
}

void TForm1::RepaintNow() { UpdateWindow(Handle()); }

void TForm1::SetBusyCursor(bool busy) { app_.SetBusyCursor(busy); }

void TForm1::EnableControls(bool enabled) {
  sequenceRunning_ = !enabled;
  for (ui::Control* control : std::initializer_list<ui::Control*>{&DirectoryEdit1, &BitBtn1, &BitBtn2})
    control->SetEnabled(enabled);
  // The close box, Alt+F4 and the system menu's Close look as unavailable as they are.
  EnableMenuItem(GetSystemMenu(Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  // Disabling took the focus from the button that was pressed; it gets it back now, and
  // again when an error box that follows has closed and the window is activated anew.
  if (enabled && GetActiveWindow() == Handle()) RestoreFocus();
}

void TForm1::DirectoryMessage(const std::string& text, const std::string& caption) {
  if (options_.run) {
    // The failed creation's reason, before reading the field replaces it.
    uint32_t error = options_.run->LastError();
    std::string dir = DirectoryEdit1.Text();
    if (options_.installAtOnce) return options_.run->DirectoryMessage(text, caption, dir, error);
    options_.run->LogDirectoryFailure(text, dir, error);
  }
  MessageBoxA(GetFocus(), text.c_str(), caption.c_str(), MB_OK);
}

void TForm1::ShowMessage(const std::string& text) {
  if (options_.installAtOnce) return options_.run->Completed(text);
  if (options_.run) options_.run->Log(text);
  app_.ShowMessage(text);
}

void TForm1::Close() {
  closingItself_ = true;
  if (Handle()) SendMessageA(Handle(), WM_CLOSE, 0, 0);
  closingItself_ = false;
}

}  // namespace app
