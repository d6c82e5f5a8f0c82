// The child control wrappers: binding, the picture button's drawing, the status line.
#include "ui/Control.h"

#include <commctrl.h>

#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Gdi.h"

namespace ui {
namespace {

LRESULT CALLBACK ReportFocus(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
  if (msg == WM_SETFOCUS) NoteFocus(hwnd);
  if (msg == WM_NCDESTROY) RemoveWindowSubclass(hwnd, ReportFocus, 0);
  return DefSubclassProc(hwnd, msg, wp, lp);
}

bool Pressed(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

// The system's control classes leave a window's user data to its creator: it names the wrapper.
Control::~Control() {
  if (hwnd_ && IsWindow(hwnd_)) SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
}

void Control::Create(HWND parent, int id, DWORD exStyle, const char* cls, const char* text, DWORD style,
                     const RECT& bounds, HFONT font) {
  hwnd_ = CreateWindowExA(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, bounds.left, bounds.top,
                          bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
  if (!hwnd_) return;
  SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  SetWindowSubclass(hwnd_, ReportFocus, 0, 0);
  if (font) SendMessageA(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

Control* Control::FromHandle(HWND hwnd) {
  return hwnd ? reinterpret_cast<Control*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA)) : nullptr;
}

std::string Control::Text() const {
  int length = GetWindowTextLengthA(hwnd_);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  length = GetWindowTextA(hwnd_, text.data(), length + 1);
  text.resize(static_cast<size_t>(length > 0 ? length : 0));
  return text;
}

void PictureButton::Create(HWND parent, int id, const char* caption, const RECT& bounds, HFONT font, HBITMAP glyph,
                           int spacing) {
  font_ = font;
  glyph_ = glyph;
  spacing_ = spacing;
  Control::Create(parent, id, 0, "BUTTON", caption, WS_TABSTOP | BS_OWNERDRAW, bounds, font);
  if (Handle()) SetWindowSubclass(Handle(), KeyProc, 0, reinterpret_cast<DWORD_PTR>(this));
}

// An owner-drawn button is pressed by Space only: the dialog manager turns Enter into a
// command for a default button, which this window has none of. So the button asks for
// Enter itself and is pressed when the key goes down, as a focused push button is.
LRESULT CALLBACK PictureButton::KeyProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<PictureButton*>(data);
  switch (msg) {
    case WM_GETDLGCODE: {
      LRESULT code = DefSubclassProc(hwnd, msg, wp, lp);
      const auto* key = reinterpret_cast<const MSG*>(lp);
      if (key && (key->message == WM_KEYDOWN || key->message == WM_CHAR) && key->wParam == VK_RETURN)
        code |= DLGC_WANTMESSAGE;
      return code;
    }
    case WM_KEYDOWN:
      if (wp != VK_RETURN) break;
      // A held key repeats: one press is one click. Shift, Ctrl and Alt make another key.
      if (!(lp & (1 << 30)) && !Pressed(VK_SHIFT) && !Pressed(VK_CONTROL) && !Pressed(VK_MENU)) self->Click();
      return 0;
    case WM_CHAR:
      if (wp == VK_RETURN) return 0;  // taken by the key down, no beep
      break;
    case WM_NCDESTROY: RemoveWindowSubclass(hwnd, KeyProc, 0); break;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

void PictureButton::Click() {
  if (OnClick) Guarded([this] { OnClick(*this); });
}

void PictureButton::OnNotify(int code) {
  if (code == BN_CLICKED) Click();
}

void PictureButton::OnDrawItem(const DRAWITEMSTRUCT& item) {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  bool pushed = (item.itemState & ODS_SELECTED) != 0;
  bool disabled = (item.itemState & ODS_DISABLED) != 0;
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

  SIZE glyph = BitmapSize(glyph_);
  std::string caption = Text();
  int length = static_cast<int>(caption.size());
  SelectedObject font(dc, font_);
  SIZE text{};
  GetTextExtentPoint32A(dc, caption.c_str(), length, &text);

  // Picture left of the caption, the pair centred; pressed, both move down and right.
  int total = glyph.cx + spacing_ + text.cx;
  int x = r.left + (r.right - r.left - total) / 2 + (pushed ? 1 : 0);
  int y = r.top + (pushed ? 1 : 0);
  int glyphTop = y + (r.bottom - r.top - glyph.cy) / 2;
  if (disabled)
    DrawGreyedBitmap(dc, glyph_, x, glyphTop);
  else
    DrawTransparentBitmap(dc, glyph_, x, glyphTop);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
  TextOutA(dc, x + glyph.cx + spacing_, y + (r.bottom - r.top - text.cy) / 2, caption.c_str(), length);
  if (item.itemState & ODS_FOCUS) {
    RECT f = r;
    InflateRect(&f, -4, -4);
    DrawFocusRect(dc, &f);
  }
}

void StatusBar::Create(HWND parent, int id, HFONT font) {
  // Placed by the parent, not by itself: left alone the bar adds its borders to any
  // minimum height and comes out taller than asked.
  Control::Create(parent, id, 0, STATUSCLASSNAMEA, "", SBARS_SIZEGRIP | CCS_NORESIZE, RECT{}, font);
  SendMessageA(Handle(), SB_SIMPLE, TRUE, 0);
}

void StatusBar::SetSimpleText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  SendMessageA(Handle(), SB_SETTEXTA, 255, reinterpret_cast<LPARAM>(text_.c_str()));
}

void StatusBar::PlaceAtBottom(int height) {
  RECT client;
  GetClientRect(GetParent(Handle()), &client);
  MoveWindow(Handle(), 0, client.bottom - height, client.right, height, TRUE);
}

}  // namespace ui
