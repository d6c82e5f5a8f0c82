// GDI behind the controls' canvas: colours resolved from the system, fonts made on demand,
// text drawn by DrawTextA with the same format flags.
#include "controls/win32/GdiCanvas.h"

namespace controls::win32 {

static_assert(controls::kDtCenter == DT_CENTER && controls::kDtRight == DT_RIGHT);
static_assert(controls::kDtWordBreak == DT_WORDBREAK && controls::kDtExpandTabs == DT_EXPANDTABS);
static_assert(controls::kDtCalcRect == DT_CALCRECT && controls::kDtNoPrefix == DT_NOPREFIX);
static_assert(controls::kDtRtlReading == DT_RTLREADING);
static_assert(controls::kGb2312Charset == GB2312_CHARSET && controls::kDefaultCharset == DEFAULT_CHARSET);

GdiCanvas::GdiCanvas(HDC dc, const RECT& bounds) : dc_(dc), savedState_(SaveDC(dc)) {
  IntersectClipRect(dc_, bounds.left, bounds.top, bounds.right, bounds.bottom);
  POINT origin;
  GetViewportOrgEx(dc_, &origin);
  SetViewportOrgEx(dc_, origin.x + bounds.left, origin.y + bounds.top, nullptr);
}

GdiCanvas::GdiCanvas(HDC screen) : dc_(screen), ownsScreenDc_(true), savedState_(SaveDC(screen)) {}

GdiCanvas::~GdiCanvas() {
  // Puts the surface's own font back before ours is deleted.
  RestoreDC(dc_, savedState_);
  if (ownsScreenDc_) ReleaseDC(nullptr, dc_);
}

std::unique_ptr<GdiCanvas> GdiCanvas::ForScreen() {
  HDC screen = GetDC(nullptr);
  if (!screen) return nullptr;
  return std::unique_ptr<GdiCanvas>(new GdiCanvas(screen));
}

controls::Rgb GdiCanvas::ColorToRgb(controls::TColor color) {
  return controls::IsSystemColor(color) ? GetSysColor(controls::SystemColorIndex(color)) : color;
}

void GdiCanvas::UseFont(const controls::TFont& font) {
  if (!hfont_ || !(font == font_)) {
    HFONT made = CreateFontA(-font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic, FALSE, FALSE,
                             font.charset, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                             DEFAULT_PITCH | FF_DONTCARE, font.name.c_str());
    SelectObject(dc_, made);
    hfont_.Reset(made);
    font_ = font;
  }
  SelectObject(dc_, hfont_.Get());
}

controls::Rgb GdiCanvas::SetTextColor(controls::Rgb color) { return ::SetTextColor(dc_, color); }

void GdiCanvas::SetTransparentText() { SetBkMode(dc_, TRANSPARENT); }

int GdiCanvas::DrawFormattedText(const std::string& text, controls::Rect& rect, uint32_t format) {
  RECT r = ToRect(rect);
  int height = DrawTextA(dc_, text.c_str(), static_cast<int>(text.size()), &r, format);
  rect = {r.left, r.top, r.right, r.bottom};
  return height;
}

void GdiCanvas::FillRect(const controls::Rect& rect, controls::Rgb color) {
  sys::win32::GdiObject brush(CreateSolidBrush(color));
  RECT r = ToRect(rect);
  ::FillRect(dc_, &r, static_cast<HBRUSH>(brush.Get()));
}

void GdiCanvas::DrawFocusRect(const controls::Rect& rect, controls::Rgb brush) {
  // The dotted frame inverts what lies under it; the brush colour only sets its background.
  SetBkColor(dc_, brush);
  RECT r = ToRect(rect);
  ::DrawFocusRect(dc_, &r);
}

void WindowlessHost::Invalidate(const controls::Rect& bounds) {
  if (!hwnd_) return;
  RECT r = ToRect(bounds);
  InvalidateRect(hwnd_, &r, TRUE);
}

bool WindowlessHost::NewStyleControls() {
  // The newer shell look came with major version 4.
  return LOBYTE(LOWORD(GetVersion())) >= 4;
}

bool WindowlessHost::UnderCursor(const controls::Rect& bounds) {
  POINT p;
  if (!hwnd_ || !GetCursorPos(&p) || WindowFromPoint(p) != hwnd_) return false;
  ScreenToClient(hwnd_, &p);
  RECT r = ToRect(bounds);
  return PtInRect(&r, p);
}

}  // namespace controls::win32
