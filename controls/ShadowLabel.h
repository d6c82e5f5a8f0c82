// The shadowed caption label: a windowless control that paints its caption over a copy of
// itself moved a few pixels diagonally, in the shadow's own colour. Its parent window
// serves it through ControlHost (surface, colours, cursor, activation), so the whole
// control, painting included, runs on any canvas.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "controls/Graphics.h"
#include "controls/Host.h"

namespace controls {

enum TShadowPosition { spLeftTop, spLeftBottom, spRightBottom, spRightTop };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
enum class MouseButton { left, right, middle };

// --- Geometry ------------------------------------------------------------------------------
// Where the shadow lies relative to the text.
Point ShadowOffset(TShadowPosition position, int size);
Rect Offset(Rect r, Point by);
// The smallest rectangle holding both; an empty one adds nothing, two empty ones give an
// empty rectangle at 0, 0.
Rect UnionRect(const Rect& a, const Rect& b);
// How far a layout moves the text down in a label `height` high whose measured text ends at
// `measuredBottom`; the centre rounds toward zero.
int LayoutShift(TTextLayout layout, int height, int measuredBottom);
// The label's new bounds after fitting: the top stays, the size is the measured right and
// bottom; with `keepRight` the left edge moves so that the right edge stays.
Rect FitBounds(const Rect& bounds, const Rect& measured, bool keepRight);
// Whether `key` is the character after a single "&" of the caption (letters in either case).
bool IsAccel(char key, std::string_view caption);

// Draws the shadow, then the text over it, both transparent. `rect` becomes the union of the
// text's and the shadow's rectangles. Returns the shadow's drawn height plus the shadow size,
// or 0 when nothing was drawn.
int PaintShadowedText(Canvas& canvas, std::string_view text, Rect& rect, uint32_t format, uint8_t shadowSize,
                      Rgb shadowColor, TShadowPosition position);

class TCustomShadowLabel {
 public:
  using NotifyEvent = std::function<void(TCustomShadowLabel& sender)>;

  explicit TCustomShadowLabel(ControlHost& host);
  virtual ~TCustomShadowLabel() = default;
  TCustomShadowLabel(const TCustomShadowLabel&) = delete;
  TCustomShadowLabel& operator=(const TCustomShadowLabel&) = delete;

  // The control's usual properties.
  Rect BoundsRect() const { return bounds_; }
  void SetBounds(int left, int top, int width, int height);
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  TColor Color() const;
  void SetColor(TColor color);
  bool ParentColor() const { return parentColor_; }
  void SetParentColor(bool on);
  const TFont& Font() const;
  void SetFont(const TFont& font);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool on);
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  bool Visible() const { return visible_; }
  void SetVisible(bool visible);
  TBiDiMode BiDiMode() const { return biDiMode_; }
  void SetBiDiMode(TBiDiMode mode);

  // The label's own properties.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value);
  FocusTarget* FocusControl() const { return focusControl_; }
  void SetFocusControl(FocusTarget* control);
  TTextLayout Layout() const { return layout_; }
  void SetLayout(TTextLayout value);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor value);
  uint8_t ShadowSize() const { return shadowSize_; }
  void SetShadowSize(uint8_t value);
  TShadowPosition ShadowPos() const { return shadowPos_; }
  void SetShadowPos(TShadowPosition value);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool value);
  bool ShowFocus() const { return showFocus_; }
  void SetShowFocus(bool value);
  bool Transparent() const { return !opaque_; }
  void SetTransparent(bool value);
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool value);

  NotifyEvent OnClick;
  NotifyEvent OnMouseEnter;
  NotifyEvent OnMouseLeave;

  // Paints on a canvas whose origin is the label's top-left corner.
  void Paint(Canvas& canvas);
  // Draws (or measures) the caption with its shadow into `rect`.
  void DrawLabelText(Canvas& canvas, Rect& rect, uint32_t format);

  // Notifications from the parent window.
  bool DialogChar(char key);
  void FocusChanged(const FocusTarget* focused);
  void FocusControlDestroyed(const FocusTarget* control);
  void MouseEnter();
  void MouseLeave();
  void MouseDown(MouseButton button);
  void MouseUp(MouseButton button);
  void UpdateMouseTracking();
  bool MouseInside() const { return mouseInside_; }
  bool Dragging() const { return dragging_; }

 protected:
  virtual TColor LabelFontColor() const { return Font().color; }
  virtual std::string LabelText() const { return caption_; }
  virtual void NotifyMouseEnter();
  virtual void NotifyMouseLeave();

 private:
  void Repaint();
  void FitToText();
  bool RightToLeftReading() const { return biDiMode_ != bdLeftToRight; }
  bool RightToLeftAlignment() const { return biDiMode_ == bdRightToLeft; }

  ControlHost& host_;
  Rect bounds_;
  std::string caption_;
  TColor color_ = clBtnFace;
  bool parentColor_ = true;
  TFont font_;
  bool parentFont_ = true;
  bool enabled_ = true;
  bool visible_ = true;
  TBiDiMode biDiMode_ = bdLeftToRight;

  FocusTarget* focusControl_ = nullptr;
  TAlignment alignment_ = taLeftJustify;
  bool autoSize_ = true;
  TTextLayout layout_ = tlTop;
  TColor shadowColor_ = clBtnHighlight;
  uint8_t shadowSize_ = 1;
  TShadowPosition shadowPos_ = spLeftTop;
  bool wordWrap_ = false;
  bool showAccelChar_ = true;
  bool showFocus_ = false;
  bool focused_ = false;
  bool mouseInside_ = false;
  bool dragging_ = false;
  bool opaque_ = true;
};

// Publishes the properties; all behaviour is in TCustomShadowLabel.
class TShadowLabel final : public TCustomShadowLabel {
 public:
  using TCustomShadowLabel::TCustomShadowLabel;
};

}  // namespace controls
