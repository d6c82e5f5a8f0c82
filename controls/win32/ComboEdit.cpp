// The directory field's window: the edit, subclassed for its keys, focus, size and
// clipboard rules, the holder and button inside it, and the button's drawing.
#define OEMRESOURCE
#include "controls/win32/ComboEdit.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>

#include "controls/win32/DirDialog.h"
#include "controls/win32/FolderBrowser.h"
#include "sys/Files.h"
#include "sys/Folders.h"
#include "ui/Application.h"
#include "ui/Form.h"
#include "ui/Gdi.h"

namespace controls::win32 {

bool NewStyleControls() { return LOBYTE(LOWORD(GetVersion())) >= 4; }

namespace {

// One default glyph for every field of the process, loaded on first use.
HBITMAP SharedDefaultGlyph() {
  static sys::win32::GdiObject glyph(LoadBitmapA(GetModuleHandleA(nullptr), "FEDITBMP"));
  return static_cast<HBITMAP>(glyph.Get());
}

void Line(HDC dc, int x0, int y0, int x1, int y1, int sysColor) {
  sys::win32::GdiObject pen(CreatePen(PS_SOLID, 1, GetSysColor(sysColor)));
  ui::SelectedObject selected(dc, pen.Get());
  MoveToEx(dc, x0, y0, nullptr);
  LineTo(dc, x1, y1);
}

// A rectangle's ring: `topLeft` along the top and left edges, `bottomRight` along the others.
void Ring(HDC dc, const RECT& r, int topLeft, int bottomRight) {
  Line(dc, r.left, r.bottom - 1, r.left, r.top, topLeft);
  Line(dc, r.left, r.top, r.right - 1, r.top, topLeft);
  Line(dc, r.right - 1, r.top, r.right - 1, r.bottom - 1, bottomRight);
  Line(dc, r.right - 1, r.bottom - 1, r.left - 1, r.bottom - 1, bottomRight);
}

// One image of a glyph strip, its bottom-left pixel's colour transparent; greyed draws it
// embossed.
void DrawGlyph(HDC dc, HBITMAP glyph, int index, int count, int x, int y, bool greyed) {
  (greyed ? ui::DrawGreyedBitmap : ui::DrawTransparentBitmap)(dc, glyph, x, y, index, count);
}

// Three 2 x 2 black dots in a row on white, for gkEllipsis.
HBITMAP MakeEllipsisGlyph(int buttonWidth) {
  Size size = EllipsisGlyphSize(buttonWidth);
  ui::ScreenDc screen;
  HBITMAP bitmap = CreateCompatibleBitmap(screen.Dc(), size.width, size.height);
  ui::MemoryDc memory(screen.Dc());
  ui::SelectedObject selected(memory.Dc(), bitmap);
  RECT all{0, 0, size.width, size.height};
  FillRect(memory.Dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  int left = std::max(0, (size.width - 10) / 2);
  for (int i = 0; i < 3; ++i) {
    RECT dot{left + i * 4, 1, left + i * 4 + 2, 3};
    FillRect(memory.Dc(), &dot, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  return bitmap;
}

}  // namespace

// --- Button and holder ---------------------------------------------------------------------

void TEditButton::Create(HWND holder, const RECT& bounds) {
  WindowBase::Create({"TEditButton", nullptr}, 0, "", WS_CHILD | WS_VISIBLE, bounds, holder);
}

void TEditButton::SetGlyph(HBITMAP glyph, int count) {
  glyph_ = glyph;
  count_ = std::max(count, 1);
  if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
}

void TEditButton::SetPressed(bool pressed) {
  if (pressed == pressed_) return;
  pressed_ = pressed;
  InvalidateRect(Handle(), nullptr, FALSE);
}

void TEditButton::OnPaint(HDC dc, const RECT&) {
  RECT r;
  GetClientRect(Handle(), &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
  const bool newStyle = NewStyleControls();
  int inset = 0;
  if (newStyle) {
    RECT inner = r;
    InflateRect(&inner, -1, -1);
    if (pressed_) {
      Ring(dc, r, COLOR_WINDOWFRAME, COLOR_BTNHIGHLIGHT);
      Ring(dc, inner, COLOR_BTNSHADOW, COLOR_BTNFACE);
    } else {
      Ring(dc, r, COLOR_BTNHIGHLIGHT, COLOR_WINDOWFRAME);
      Ring(dc, inner, COLOR_BTNFACE, COLOR_BTNSHADOW);
    }
    inset = 2;
  }
  if (glyph_) {
    SIZE size = ui::BitmapSize(glyph_);
    int w = size.cx / count_, h = size.cy;
    int areaW = r.right - 2 * inset, areaH = r.bottom - 2 * inset;
    int shift = pressed_ ? 1 : 0;
    bool disabled = !IsWindowEnabled(Handle());
    int index = disabled && count_ >= 2 ? 1 : pressed_ && count_ >= 3 ? 2 : 0;
    DrawGlyph(dc, glyph_, index, count_, inset + (areaW - w) / 2 + shift, inset + (areaH - h) / 2 + shift,
              disabled && count_ < 2);
  }
  if (!pressed_) {
    Line(dc, 0, 0, 0, r.bottom - 1, newStyle ? COLOR_BTNFACE : COLOR_BTNSHADOW);
    Line(dc, 1, 1, 1, r.bottom - 2, COLOR_BTNHIGHLIGHT);
  }
}

LRESULT TEditButton::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      HWND field = field_.Handle();
      bool tabStop = (GetWindowLongA(field, GWL_STYLE) & WS_TABSTOP) != 0;
      if (tabStop && IsWindowVisible(field) && IsWindowEnabled(field) && GetFocus() != field) field_.FocusFromInside();
      tracking_ = true;
      SetCapture(Handle());
      SetPressed(true);
      return 0;
    }
    case WM_MOUSEMOVE:
      if (tracking_) {
        RECT r;
        GetClientRect(Handle(), &r);
        POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        SetPressed(PtInRect(&r, p) != 0);
      }
      return 0;
    case WM_LBUTTONUP: {
      if (!tracking_) return 0;
      bool click = pressed_;
      tracking_ = false;
      ReleaseCapture();
      SetPressed(false);
      UpdateWindow(Handle());
      if (click) field_.ButtonClick();
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (tracking_ && reinterpret_cast<HWND>(lp) != Handle()) {
        tracking_ = false;
        SetPressed(false);
      }
      return 0;
    case WM_ENABLE: InvalidateRect(Handle(), nullptr, FALSE); return 0;
  }
  return DefaultProc(msg, wp, lp);
}

void TButtonHolder::Create(HWND field, const RECT& bounds) {
  WindowBase::Create({"TButtonHolder", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}, 0, "",
                     WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, bounds, field);
}

void TButtonHolder::OnSize() {
  RECT r;
  GetClientRect(Handle(), &r);
  if (child) MoveWindow(child, 0, 0, r.right, r.bottom, TRUE);
}

// --- TCustomComboEdit ----------------------------------------------------------------------

TCustomComboEdit::TCustomComboEdit() = default;

TCustomComboEdit::~TCustomComboEdit() {
  if (Handle() && IsWindow(Handle())) RemoveWindowSubclass(Handle(), SubclassProc, 1);
}

void TCustomComboEdit::Create(HWND parent, int id, const char* text, const RECT& bounds, HFONT font) {
  font_ = font;
  // Multi-line only for its text rectangle: the field keeps to one line (see HandleMessage).
  Control::Create(parent, id, WS_EX_CLIENTEDGE, "EDIT", text,
                  WS_TABSTOP | WS_CLIPCHILDREN | ES_MULTILINE | ES_AUTOHSCROLL | ES_LEFT, bounds, font);
  if (!Handle()) return;
  SetWindowSubclass(Handle(), SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
  holder_.Create(Handle(), RECT{0, 0, buttonWidth_, 17});
  button_.Create(holder_.Handle(), RECT{0, 0, buttonWidth_, 17});
  holder_.child = button_.Handle();
  ApplyGlyph();
  ApplyReadOnly();
  UpdateButtonBounds();
}

LRESULT CALLBACK TCustomComboEdit::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
  auto* self = reinterpret_cast<TCustomComboEdit*>(data);
  if (msg == WM_NCDESTROY) {
    RemoveWindowSubclass(hwnd, SubclassProc, 1);
    return DefSubclassProc(hwnd, msg, wp, lp);
  }
  if (self->bypass_ > 0) return DefSubclassProc(hwnd, msg, wp, lp);
  ++self->inCallback_;
  LRESULT result = self->HandleMessage(msg, wp, lp);
  --self->inCallback_;
  return result;
}

// The edit's own handling: from inside the field's procedure the next one in the chain;
// from elsewhere the message is sent past the field's rules.
LRESULT TCustomComboEdit::Original(UINT msg, WPARAM wp, LPARAM lp) {
  if (inCallback_ > 0) return DefSubclassProc(Handle(), msg, wp, lp);
  ++bypass_;
  LRESULT result = SendMessageA(Handle(), msg, wp, lp);
  --bypass_;
  return result;
}

LRESULT TCustomComboEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_GETDLGCODE:
      // A single-line edit's keys: Tab, Enter and Escape stay the window's. Whether
      // entering selects the text is the field's own rule, not the dialog manager's.
      return DLGC_WANTCHARS | DLGC_WANTARROWS;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (KeyDown(wp, lp, msg == WM_SYSKEYDOWN)) return 0;
      break;
    case WM_CHAR:
      if (wp == VK_RETURN || wp == '\n') {
        // The form's default button acts; the field takes no line break and gives no beep.
        if (wp == VK_RETURN) SendDialogKey(VK_RETURN);
        return 0;
      }
      if (wp == VK_ESCAPE) SendDialogKey(VK_ESCAPE);
      break;
    case WM_SETFOCUS: {
      // The focus given back when the window is activated again does not enter the field.
      bool entered = ui::NoteFocus(Handle()) != Handle();
      LRESULT r = Original(msg, wp, lp);
      focused_ = true;
      CreateCaret();
      POINT p;
      RECT w;
      GetCursorPos(&p);
      GetWindowRect(Handle(), &w);
      bool leftPressInside = focusFromInside_ || ((GetKeyState(VK_LBUTTON) & 0x8000) && PtInRect(&w, p));
      if (entered && SelectAllOnEnter(autoSelect_, directInput_, leftPressInside)) Original(EM_SETSEL, 0, -1);
      return r;
    }
    case WM_KILLFOCUS: focused_ = false; break;
    case WM_NCPAINT: return PaintFrame(wp);
    case WM_SIZE: {
      LRESULT r = Original(msg, wp, lp);
      if (resizing_) return r;
      RECT w;
      GetWindowRect(Handle(), &w);
      int height = w.bottom - w.top;
      int minimum = MinimumHeight(TextHeight(), GetSystemMetrics(SM_CYBORDER));
      int wanted = HeightAfterResize(height, minimum, false);
      if (wanted != height) {
        resizing_ = true;
        SetWindowPos(Handle(), nullptr, 0, 0, w.right - w.left, wanted, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        resizing_ = false;
        UpdateButtonBounds();
        return r;
      }
      UpdateButtonBounds();
      return r;
    }
    case WM_SETFONT: {
      font_ = reinterpret_cast<HFONT>(wp);
      LRESULT r = Original(msg, wp, lp);
      SetTextRect();
      return r;
    }
    case WM_ENABLE: {
      LRESULT r = Original(msg, wp, lp);
      EnableWindow(button_.Handle(), wp != 0);
      return r;
    }
    case WM_CUT:
      if (!CutPasteAllowed(directInput_, readOnly_)) return 0;
      break;
    case WM_PASTE:
      if (CutPasteAllowed(directInput_, readOnly_)) Paste();
      return 0;
    case EM_SETREADONLY:
      // Asked from outside, it is the field's ReadOnly: the button obeys it too.
      SetReadOnly(wp != 0);
      return TRUE;
  }
  return Original(msg, wp, lp);
}

bool TCustomComboEdit::KeyDown(WPARAM key, LPARAM lp, bool system) {
  bool alt = system ? (lp & (1 << 29)) != 0 : (GetKeyState(VK_MENU) & 0x8000) != 0;
  uint16_t code = ShortCutOf(static_cast<int>(key), (GetKeyState(VK_SHIFT) & 0x8000) != 0,
                             (GetKeyState(VK_CONTROL) & 0x8000) != 0, alt);
  if (ClickKeyRuns(code, clickKey_, buttonWidth_)) {
    ButtonClick();
    return true;
  }
  // Enter and Escape belong to the form, and a multi-line edit would act on them.
  return key == VK_RETURN || key == VK_ESCAPE;
}

void TCustomComboEdit::SendDialogKey(WPARAM key) {
  HWND form = GetAncestor(Handle(), GA_ROOT);
  if (!form) return;
  int id = IDCANCEL;
  if (key == VK_RETURN) {
    LRESULT def = SendMessageA(form, DM_GETDEFID, 0, 0);
    id = HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
  }
  HWND target = GetDlgItem(form, id);
  if (target && !IsWindowEnabled(target)) return;
  SendMessageA(form, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(target));
}

// The caret as high as the text, 1 pixel wide (2 in a bold font).
void TCustomComboEdit::CreateCaret() {
  LOGFONTA lf{};
  bool bold = font_ && GetObjectA(font_, sizeof lf, &lf) && lf.lfWeight >= FW_BOLD;
  ::CreateCaret(Handle(), nullptr, CaretWidth(bold), TextHeight());
  ShowCaret(Handle());
}

int TCustomComboEdit::TextHeight() {
  ui::ScreenDc screen;
  TEXTMETRICA system{}, field{};
  {
    ui::SelectedObject selected(screen.Dc(), GetStockObject(SYSTEM_FONT));
    GetTextMetricsA(screen.Dc(), &system);
  }
  {
    ui::SelectedObject selected(screen.Dc(), font_ ? static_cast<HGDIOBJ>(font_) : GetStockObject(SYSTEM_FONT));
    GetTextMetricsA(screen.Dc(), &field);
  }
  return FieldTextHeight(system.tmHeight, field.tmHeight);
}

// Pasted text keeps to the field's one line.
void TCustomComboEdit::Paste() {
  if (!IsClipboardFormatAvailable(CF_TEXT) || !OpenClipboard(Handle())) return;
  std::string text;
  if (HANDLE data = GetClipboardData(CF_TEXT)) {
    if (const char* p = static_cast<const char*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  text = text.substr(0, text.find_first_of("\r\n"));
  Original(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
}

void TCustomComboEdit::FocusFromInside() {
  focusFromInside_ = true;
  ::SetFocus(Handle());
  focusFromInside_ = false;
}

void TCustomComboEdit::SetText(const std::string& text) { SetWindowTextA(Handle(), text.c_str()); }

void TCustomComboEdit::SetReadOnly(bool on) {
  readOnly_ = on;
  ApplyReadOnly();
}

void TCustomComboEdit::SetDirectInput(bool on) {
  directInput_ = on;
  ApplyReadOnly();
}

void TCustomComboEdit::ApplyReadOnly() {
  if (Handle()) Original(EM_SETREADONLY, EditIsReadOnly(readOnly_, directInput_), 0);
}

void TCustomComboEdit::SetButtonWidth(int width) {
  if (width == buttonWidth_) return;
  ShowWindow(holder_.Handle(), ButtonHolderVisible(width) ? SW_SHOWNA : SW_HIDE);
  RECT client{};
  if (Handle()) GetClientRect(Handle(), &client);
  if (!ButtonWidthApplies(width, client.right, Handle() == nullptr)) return;
  buttonWidth_ = width;
  ApplyGlyph();
  UpdateButtonBounds();
}

void TCustomComboEdit::SetGlyphKind(TGlyphKind kind) {
  glyphKind_ = kind;
  ApplyGlyph();
}

void TCustomComboEdit::SetGlyph(HBITMAP glyph, int numGlyphs) {
  glyphKind_ = gkCustom;
  glyph_ = glyph;
  numGlyphs_ = EffectiveNumGlyphs(gkCustom, numGlyphs);
  ApplyGlyph();
}

void TCustomComboEdit::ApplyGlyph() {
  HBITMAP glyph = glyph_;
  int count = numGlyphs_;
  switch (glyphKind_) {
    case gkDefault:
      glyph = GetDefaultGlyph();
      count = EffectiveNumGlyphs(gkDefault, 1);
      if (glyph) buttonWidth_ = DefaultGlyphButtonWidth(ui::BitmapSize(glyph).cx, count, buttonWidth_);
      break;
    case gkDropDown:
      ownGlyph_.Reset(LoadBitmapA(nullptr, MAKEINTRESOURCEA(OBM_COMBO)));
      glyph = static_cast<HBITMAP>(ownGlyph_.Get());
      count = 1;
      buttonWidth_ = GetSystemMetrics(SM_CXVSCROLL);
      break;
    case gkEllipsis:
      ownGlyph_.Reset(MakeEllipsisGlyph(buttonWidth_));
      glyph = static_cast<HBITMAP>(ownGlyph_.Get());
      count = 1;
      break;
    case gkCustom: break;
  }
  button_.SetGlyph(glyph, count);
  if (Handle()) UpdateButtonBounds();
}

void TCustomComboEdit::UpdateButtonBounds() {
  if (!Handle() || !holder_.Handle()) return;
  RECT w;
  GetWindowRect(Handle(), &w);
  bool ctl3d = (GetWindowLongA(Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE) != 0;
  Bounds b = ButtonHolderBounds(w.right - w.left, w.bottom - w.top, buttonWidth_, NewStyleControls(), ctl3d,
                                ctl3d || (GetWindowLongA(Handle(), GWL_STYLE) & WS_BORDER) ? bsSingle : bsNone);
  MoveWindow(holder_.Handle(), b.left, b.top, b.width, b.height, TRUE);
  SetTextRect();
}

// The themed edit of common controls 6 paints its frame with a clip that takes in the client
// area, children and all, so every frame repaint would wipe out the button. The frame is
// painted with the holder cut out of the region it may touch.
LRESULT TCustomComboEdit::PaintFrame(WPARAM region) {
  HWND holder = holder_.Handle();
  if (!holder || !(GetWindowLongA(holder, GWL_STYLE) & WS_VISIBLE)) return Original(WM_NCPAINT, region, 0);
  RECT window, hole;
  GetWindowRect(Handle(), &window);
  GetWindowRect(holder, &hole);
  sys::win32::GdiObject clip(CreateRectRgnIndirect(&window));
  sys::win32::GdiObject cut(CreateRectRgnIndirect(&hole));
  auto rgn = [](const sys::win32::GdiObject& o) { return static_cast<HRGN>(o.Get()); };
  if (region > 1) CombineRgn(rgn(clip), rgn(clip), reinterpret_cast<HRGN>(region), RGN_AND);
  CombineRgn(rgn(clip), rgn(clip), rgn(cut), RGN_DIFF);
  return Original(WM_NCPAINT, reinterpret_cast<WPARAM>(clip.Get()), 0);
}

void TCustomComboEdit::SetTextRect() {
  if (!Handle()) return;
  RECT client, holder{};
  GetClientRect(Handle(), &client);
  // The holder's own flag: before the form shows, no child of it counts as visible.
  if (holder_.Handle() && (GetWindowLongA(holder_.Handle(), GWL_STYLE) & WS_VISIBLE))
    GetClientRect(holder_.Handle(), &holder);
  TextRect t = EditTextRect(client.right, client.bottom, holder.right);
  RECT r{t.left, t.top, t.right, t.bottom};
  Original(EM_SETRECT, 0, reinterpret_cast<LPARAM>(&r));
}

void TCustomComboEdit::ButtonClick() {
  if (readOnly_) return;
  ui::Guarded([this] { ButtonAction(); });
}

void TCustomComboEdit::ButtonAction() {
  if (OnButtonClick) OnButtonClick(*this);
}

// --- TFileDirEdit --------------------------------------------------------------------------

TFileDirEdit::TFileDirEdit() { SetGlyphKind(gkDefault); }

HBITMAP TFileDirEdit::GetDefaultGlyph() { return SharedDefaultGlyph(); }

void TFileDirEdit::SetAcceptFiles(bool on) {
  acceptFiles_ = on;
  if (Handle()) DragAcceptFiles(Handle(), on);
}

void TFileDirEdit::NotifyBeforeDialog(std::string& name, bool& action) {
  if (OnBeforeDialog) OnBeforeDialog(*this, name, action);
}

void TFileDirEdit::NotifyAfterDialog(std::string& name, bool& action) {
  if (OnAfterDialog) OnAfterDialog(*this, name, action);
}

LRESULT TFileDirEdit::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_DROPFILES && acceptFiles_) {
    DropFiles(reinterpret_cast<HDROP>(wp));
    return 0;
  }
  return TCustomComboEdit::HandleMessage(msg, wp, lp);
}

void TFileDirEdit::DropFiles(HDROP drop) {
  struct Release {
    HDROP drop;
    ~Release() { DragFinish(drop); }
  } release{drop};
  UINT count = DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0);
  if (count == 0) return;
  ui::Guarded([&] {
    for (UINT i = 0; i < count; ++i) {
      char name[256] = {};
      DragQueryFileA(drop, i, name, 255);
      AcceptDroppedPath(name);
      if (!MultipleDirs()) break;
    }
    if (OnDropFiles) OnDropFiles(*this);
  });
}

// --- TDirectoryEdit ------------------------------------------------------------------------

void TDirectoryEdit::ButtonAction() {
  DirectoryEditSettings settings;
  settings.readOnly = ReadOnly();
  settings.dialogKind = dialogKind_;
  settings.dialogText = dialogText_;
  settings.dialogOptions = dialogOptions_;
  settings.initialDir = initialDir_;
  settings.multipleDirs = MultipleDirs();
  settings.helpContext = HelpContext();
  settings.newStyleControls = NewStyleControls();
  struct Keep {
    TDirectoryEdit& field;
    DirectoryEditSettings& settings;
    // InitialDir and the saved mode are the field's, also when the dialog raised.
    ~Keep() {
      field.initialDir_ = settings.initialDir;
      field.savedErrorMode_ = settings.savedErrorMode;
    }
  } keep{*this, settings};
  DirectoryButtonAction(*this, settings, sys::RealFileSystem(), sys::RealFolders());
}

void TDirectoryEdit::FireButtonClick() {
  if (OnButtonClick) OnButtonClick(*this);
}

bool TDirectoryEdit::RunSelectDirDialog(std::string& name, TSelectDirOpts options, int helpContext) {
  return controls::win32::RunSelectDirDialog(name, options, helpContext, GetAncestor(Handle(), GA_ROOT));
}

bool TDirectoryEdit::RunBrowseFolderDialog(std::string& name, const std::string& dialogText, int helpContext) {
  return controls::win32::RunBrowseFolderDialog(name, dialogText, helpContext);
}

bool TDirectoryEdit::CanFocus() {
  HWND form = GetAncestor(Handle(), GA_ROOT);
  return IsWindowVisible(Handle()) && IsWindowEnabled(Handle()) && form && IsWindowEnabled(form);
}

// Back from the dialog the field is not entered anew: its selection stays for the choice.
void TDirectoryEdit::SetFocus() { FocusFromInside(); }

void TDirectoryEdit::ClearSelection() { Original(EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>("")); }

void TDirectoryEdit::AcceptDroppedPath(const std::string& path) {
  SetText(DroppedPathText(sys::RealFileSystem(), path, Text(), MultipleDirs()));
}

namespace {

std::string Converted(const std::string& path, DWORD(WINAPI* convert)(LPCSTR, LPSTR, DWORD)) {
  char buffer[MAX_PATH * 4] = {};
  DWORD n = convert(path.c_str(), buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : path;
}

}  // namespace

std::string TDirectoryEdit::LongPathText() {
  return ConvertPathText(Text(), MultipleDirs(), [](const std::string& p) { return Converted(p, GetLongPathNameA); });
}

std::string TDirectoryEdit::ShortPathText() {
  return ConvertPathText(Text(), MultipleDirs(), [](const std::string& p) { return Converted(p, GetShortPathNameA); });
}

}  // namespace controls::win32
