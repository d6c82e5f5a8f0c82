// The shadowed caption label: its geometry, its painting over a canvas, its properties and
// the mouse, focus and accelerator notifications its parent passes on.
#include "controls/ShadowLabel.h"

#include <algorithm>

namespace controls {

Point ShadowOffset(TShadowPosition position, int size) {
  switch (position) {
    case spLeftTop: return {-size, -size};
    case spLeftBottom: return {-size, size};
    case spRightBottom: return {size, size};
    case spRightTop: return {size, -size};
  }
  return {};
}

Rect Offset(Rect r, Point by) { return {r.left + by.x, r.top + by.y, r.right + by.x, r.bottom + by.y}; }

Rect UnionRect(const Rect& a, const Rect& b) {
  if (a.Empty()) return b.Empty() ? Rect{} : b;
  if (b.Empty()) return a;
  return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}

int LayoutShift(TTextLayout layout, int height, int measuredBottom) {
  switch (layout) {
    case tlTop: return 0;
    case tlCenter: return (height - measuredBottom) / 2;
    case tlBottom: return height - measuredBottom;
  }
  return 0;
}

Rect FitBounds(const Rect& bounds, const Rect& measured, bool keepRight) {
  int left = keepRight ? bounds.right - measured.right : bounds.left;
  return {left, bounds.top, left + measured.right, bounds.top + measured.bottom};
}

bool IsAccel(char key, std::string_view caption) {
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  for (size_t i = 0; i < caption.size();) {
    if (caption[i] == '&') {
      if (i + 1 >= caption.size()) return false;
      if (caption[i + 1] != '&') return fold(caption[i + 1]) == fold(key);
      i += 2;  // "&&" is a plain "&"
    } else {
      ++i;
    }
  }
  return false;
}

int PaintShadowedText(Canvas& canvas, std::string_view text, Rect& rect, uint32_t format, uint8_t shadowSize,
                      Rgb shadowColor, TShadowPosition position) {
  Rect textRect = rect;
  Rect shadowRect = Offset(rect, ShadowOffset(position, shadowSize));
  canvas.SetTransparentText();
  Rgb textColor = canvas.SetTextColor(shadowColor);
  std::string line(text);
  int height = canvas.DrawFormattedText(line, shadowRect, format);
  if (height > 0) height += shadowSize;
  canvas.SetTextColor(textColor);
  canvas.DrawFormattedText(line, textRect, format);
  rect = UnionRect(textRect, shadowRect);
  return height;
}

TCustomShadowLabel::TCustomShadowLabel(ControlHost& host) : host_(host), bounds_{0, 0, 65, 17} {}

void TCustomShadowLabel::Repaint() {
  if (visible_) host_.Invalidate(bounds_);
}

void TCustomShadowLabel::SetBounds(int left, int top, int width, int height) {
  Rect bounds{left, top, left + width, top + height};
  if (bounds == bounds_) return;
  Repaint();
  bounds_ = bounds;
  Repaint();
}

void TCustomShadowLabel::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  FitToText();
  Repaint();
}

TColor TCustomShadowLabel::Color() const { return parentColor_ ? host_.Color() : color_; }

void TCustomShadowLabel::SetColor(TColor color) {
  if (!parentColor_ && color == color_) return;
  color_ = color;
  parentColor_ = false;
  Repaint();
}

void TCustomShadowLabel::SetParentColor(bool on) {
  if (on == parentColor_) return;
  parentColor_ = on;
  Repaint();
}

const TFont& TCustomShadowLabel::Font() const { return parentFont_ ? host_.Font() : font_; }

void TCustomShadowLabel::SetFont(const TFont& font) {
  if (!parentFont_ && font == font_) return;
  font_ = font;
  parentFont_ = false;
  FitToText();
  Repaint();
}

void TCustomShadowLabel::SetParentFont(bool on) {
  if (on == parentFont_) return;
  parentFont_ = on;
  FitToText();
  Repaint();
}

void TCustomShadowLabel::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Repaint();
  UpdateMouseTracking();
}

void TCustomShadowLabel::SetVisible(bool visible) {
  if (visible == visible_) return;
  if (!visible) Repaint();
  visible_ = visible;
  if (visible) {
    Repaint();
    UpdateMouseTracking();
  }
}

void TCustomShadowLabel::SetBiDiMode(TBiDiMode mode) {
  if (mode == biDiMode_) return;
  biDiMode_ = mode;
  Repaint();
}

void TCustomShadowLabel::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  Repaint();
}

void TCustomShadowLabel::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  FitToText();
}

void TCustomShadowLabel::SetFocusControl(FocusTarget* control) {
  focusControl_ = control;
  if (showFocus_) Repaint();
}

void TCustomShadowLabel::SetLayout(TTextLayout value) {
  if (value == layout_) return;
  layout_ = value;
  Repaint();
}

void TCustomShadowLabel::SetShadowColor(TColor value) {
  if (value == shadowColor_) return;
  shadowColor_ = value;
  Repaint();
}

void TCustomShadowLabel::SetShadowSize(uint8_t value) {
  if (value == shadowSize_) return;
  shadowSize_ = value;
  FitToText();
  Repaint();
}

void TCustomShadowLabel::SetShadowPos(TShadowPosition value) {
  if (value == shadowPos_) return;
  shadowPos_ = value;
  Repaint();
}

void TCustomShadowLabel::SetShowAccelChar(bool value) {
  if (value == showAccelChar_) return;
  showAccelChar_ = value;
  Repaint();
}

void TCustomShadowLabel::SetShowFocus(bool value) {
  if (value == showFocus_) return;
  showFocus_ = value;
  Repaint();
}

void TCustomShadowLabel::SetTransparent(bool value) {
  if (value == Transparent()) return;
  opaque_ = !value;
  Repaint();
}

void TCustomShadowLabel::SetWordWrap(bool value) {
  if (value == wordWrap_) return;
  wordWrap_ = value;
  FitToText();
}

void TCustomShadowLabel::DrawLabelText(Canvas& canvas, Rect& rect, uint32_t format) {
  std::string text = LabelText();
  // An empty label still measures one line.
  if ((format & kDtCalcRect) && (text.empty() || (showAccelChar_ && text == "&"))) text += ' ';
  if (!showAccelChar_) format |= kDtNoPrefix;
  if (RightToLeftReading()) format |= kDtRtlReading;
  canvas.UseFont(Font());
  canvas.SetTextColor(canvas.ColorToRgb(LabelFontColor()));

  TShadowPosition position = shadowPos_;
  uint8_t size = shadowSize_;
  TColor shadow = shadowColor_;
  if (!enabled_) {
    // The newer look gives a disabled label a raised edge even where it has no shadow.
    if (size == 0 && host_.NewStyleControls()) {
      position = spRightBottom;
      size = 1;
    }
    canvas.SetTextColor(canvas.ColorToRgb(clGrayText));
    shadow = clBtnHighlight;
  }
  PaintShadowedText(canvas, text, rect, format, size, canvas.ColorToRgb(shadow), position);
}

void TCustomShadowLabel::Paint(Canvas& canvas) {
  if (!enabled_) dragging_ = false;
  Rect client{0, 0, Width(), Height()};
  if (opaque_) canvas.FillRect(client, canvas.ColorToRgb(Color()));

  TAlignment alignment = alignment_;
  if (RightToLeftAlignment() && alignment != taCenter)
    alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  uint32_t format = kDtExpandTabs | (wordWrap_ ? kDtWordBreak : 0) |
                    (alignment == taRightJustify ? kDtRight
                     : alignment == taCenter     ? kDtCenter
                                                 : kDtLeft);
  // No single-line flag: line breaks in the caption start new lines.
  Rect rect{1, 0, client.right - 1, client.bottom};
  if (layout_ != tlTop) {
    Rect measured = rect;
    DrawLabelText(canvas, measured, format | kDtCalcRect);
    int shift = LayoutShift(layout_, Height(), measured.bottom);
    rect = {0, rect.top + shift, client.right, rect.bottom + shift};
  }
  DrawLabelText(canvas, rect, format);
  if (showFocus_ && focusControl_ && focusControl_->Focused()) {
    Rect frame{rect.left - 1, rect.top - 1, rect.right + 1, rect.bottom + 1};
    canvas.DrawFocusRect(frame, canvas.ColorToRgb(Color()));
  }
}

void TCustomShadowLabel::FitToText() {
  if (!autoSize_) return;
  std::unique_ptr<Canvas> canvas = host_.MeasuringCanvas();
  if (!canvas) return;
  Rect rect{1, 0, Width() - 1, Height()};
  DrawLabelText(*canvas, rect, kDtExpandTabs | (wordWrap_ ? kDtWordBreak : 0) | kDtCalcRect);
  Rect measured{rect.left - 1, rect.top, rect.right + 1, rect.bottom};
  TAlignment alignment = alignment_;
  if (RightToLeftAlignment() && alignment != taCenter)
    alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
  Rect fitted = FitBounds(bounds_, measured, alignment == taRightJustify);
  SetBounds(fitted.left, fitted.top, fitted.Width(), fitted.Height());
}

bool TCustomShadowLabel::DialogChar(char key) {
  if (!focusControl_ || !enabled_ || !showAccelChar_ || !IsAccel(key, caption_)) return false;
  if (focusControl_->CanFocus()) focusControl_->SetFocus();
  return true;
}

void TCustomShadowLabel::FocusChanged(const FocusTarget* focused) {
  bool now = focusControl_ && focused == focusControl_;
  if (now == focused_) return;
  focused_ = now;
  if (showFocus_) Repaint();
}

void TCustomShadowLabel::FocusControlDestroyed(const FocusTarget* control) {
  if (control && control == focusControl_) SetFocusControl(nullptr);
}

void TCustomShadowLabel::MouseEnter() {
  if (mouseInside_ || !enabled_ || !host_.ApplicationActive()) return;
  mouseInside_ = true;
  NotifyMouseEnter();
}

void TCustomShadowLabel::MouseLeave() {
  if (!mouseInside_ || !enabled_ || dragging_) return;
  mouseInside_ = false;
  NotifyMouseLeave();
}

void TCustomShadowLabel::MouseDown(MouseButton button) {
  if (button == MouseButton::left && enabled_) dragging_ = true;
  if (button == MouseButton::right) UpdateMouseTracking();
}

void TCustomShadowLabel::MouseUp(MouseButton button) {
  if (button == MouseButton::left) dragging_ = false;
  UpdateMouseTracking();
}

void TCustomShadowLabel::UpdateMouseTracking() {
  bool inside = enabled_ && visible_ && host_.UnderCursor(bounds_) && host_.ApplicationActive();
  if (inside == mouseInside_) return;
  mouseInside_ = inside;
  if (inside)
    NotifyMouseEnter();
  else
    NotifyMouseLeave();
}

void TCustomShadowLabel::NotifyMouseEnter() {
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TCustomShadowLabel::NotifyMouseLeave() {
  if (OnMouseLeave) OnMouseLeave(*this);
}

}  // namespace controls
