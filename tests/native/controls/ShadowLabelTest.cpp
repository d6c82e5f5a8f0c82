// The shadowed caption label: its geometry, the order and places of what it draws, its
// disabled look, layouts, fitting, setters, mouse tracking and accelerator.
#include <gtest/gtest.h>

#include "tests/native/support/RecordingCanvas.h"
#include "controls/ShadowLabel.h"

namespace controls {
namespace {

using support::RecordingCanvas;

class FakeHost : public ControlHost {
 public:
  std::vector<Rect> invalidated;
  int measuringCanvases = 0;
  TFont font;
  bool newStyle = true;
  bool active = true;
  bool underCursor = false;

  void Invalidate(const Rect& bounds) override { invalidated.push_back(bounds); }
  TColor Color() override { return clBtnFace; }
  const TFont& Font() override { return font; }
  std::unique_ptr<Canvas> MeasuringCanvas() override {
    ++measuringCanvases;
    return std::make_unique<RecordingCanvas>();
  }
  bool NewStyleControls() override { return newStyle; }
  bool ApplicationActive() override { return active; }
  bool UnderCursor(const Rect&) override { return underCursor; }
};

class FakeFocus : public FocusTarget {
 public:
  bool canFocus = true, focused = false;
  int focusCalls = 0;
  bool CanFocus() const override { return canFocus; }
  bool Focused() const override { return focused; }
  void SetFocus() override { ++focusCalls; }
};

Rgb Resolved(TColor c) { return RecordingCanvas().ColorToRgb(c); }

TEST(ShadowGeometry, OffsetsFollowThePositionAndSizeZeroStaysInPlace) {
  EXPECT_EQ(ShadowOffset(spLeftTop, 1), (Point{-1, -1}));
  EXPECT_EQ(ShadowOffset(spLeftBottom, 3), (Point{-3, 3}));
  EXPECT_EQ(ShadowOffset(spRightBottom, 2), (Point{2, 2}));
  EXPECT_EQ(ShadowOffset(spRightTop, 255), (Point{255, -255}));
  EXPECT_EQ(ShadowOffset(spRightTop, 0), (Point{0, 0}));
}

TEST(ShadowGeometry, UnionIgnoresEmptyRectangles) {
  EXPECT_EQ(UnionRect({1, 0, 10, 10}, {3, 2, 12, 12}), (Rect{1, 0, 12, 12}));
  EXPECT_EQ(UnionRect({5, 5, 5, 9}, {3, 2, 12, 12}), (Rect{3, 2, 12, 12}));
  EXPECT_EQ(UnionRect({3, 2, 12, 12}, {0, 0, 0, 0}), (Rect{3, 2, 12, 12}));
  EXPECT_EQ(UnionRect({4, 4, 4, 4}, {7, 7, 7, 1}), (Rect{}));
}

TEST(ShadowGeometry, LayoutShiftMovesToTheBottomOrHalfwayRoundingTowardZero) {
  EXPECT_EQ(LayoutShift(tlTop, 49, 12), 0);
  EXPECT_EQ(LayoutShift(tlBottom, 49, 12), 37);
  EXPECT_EQ(LayoutShift(tlCenter, 49, 12), 18);
  // Text taller than the label: up, and the half of -3 is -1, not -2.
  EXPECT_EQ(LayoutShift(tlBottom, 10, 13), -3);
  EXPECT_EQ(LayoutShift(tlCenter, 10, 13), -1);
}

TEST(ShadowGeometry, FitKeepsTheTopAndTheLeftOrForRightAlignmentTheRightEdge) {
  Rect bounds{24, 24, 89, 41};
  EXPECT_EQ(FitBounds(bounds, {0, 0, 40, 12}, false), (Rect{24, 24, 64, 36}));
  EXPECT_EQ(FitBounds(bounds, {0, 0, 40, 12}, true), (Rect{49, 24, 89, 36}));
}

TEST(ShadowGeometry, AcceleratorIsTheCharacterAfterASingleAmpersand) {
  EXPECT_TRUE(IsAccel('f', "&File"));
  EXPECT_TRUE(IsAccel('F', "&file"));
  EXPECT_FALSE(IsAccel('i', "&File"));
  EXPECT_FALSE(IsAccel('x', "a&&x"));
  EXPECT_TRUE(IsAccel('c', "a&&b&c"));
  EXPECT_FALSE(IsAccel('&', "a&"));
  EXPECT_FALSE(IsAccel('a', "abc"));
}

TEST(PaintShadowedText, ShadowFirstInItsColourThenTheTextInTheFormerColourBothTransparent) {
  RecordingCanvas canvas;
  canvas.SetTextColor(clMaroon);
  canvas.log.clear();
  Rect rect{1, 0, 496, 49};
  int height = PaintShadowedText(canvas, "Zorvik", rect, kDtExpandTabs, 2, clWhite, spRightBottom);
  ASSERT_EQ(canvas.draws.size(), 2u);
  EXPECT_EQ(canvas.draws[0].rect, (Rect{3, 2, 498, 51}));
  EXPECT_EQ(canvas.draws[0].color, clWhite);
  EXPECT_EQ(canvas.draws[1].rect, (Rect{1, 0, 496, 49}));
  EXPECT_EQ(canvas.draws[1].color, clMaroon);
  for (const auto& d : canvas.draws) {
    EXPECT_TRUE(d.transparent);
    EXPECT_EQ(d.format, kDtExpandTabs);
  }
  EXPECT_EQ(height, RecordingCanvas::kLineHeight + 2);
  EXPECT_EQ(rect, (Rect{1, 0, 498, 51}));
}

TEST(PaintShadowedText, SizeZeroDrawsTwiceInOnePlaceAndAddsNothing) {
  RecordingCanvas canvas;
  Rect rect{0, 0, 100, 20};
  EXPECT_EQ(PaintShadowedText(canvas, "ab", rect, 0, 0, clWhite, spLeftTop), RecordingCanvas::kLineHeight);
  ASSERT_EQ(canvas.draws.size(), 2u);
  EXPECT_EQ(canvas.draws[0].rect, canvas.draws[1].rect);
  EXPECT_EQ(rect, (Rect{0, 0, 100, 20}));
}

TEST(PaintShadowedText, NothingDrawnReturnsZeroNotTheShadowSize) {
  RecordingCanvas canvas;
  Rect rect{0, 0, 100, 20};
  EXPECT_EQ(PaintShadowedText(canvas, "", rect, 0, 5, clWhite, spRightBottom), 0);
}

TEST(PaintShadowedText, MeasuringGivesTheExtentOfTextAndShadowTogether) {
  RecordingCanvas canvas;
  Rect rect{1, 0, 200, 40};
  int height = PaintShadowedText(canvas, "abc", rect, kDtCalcRect, 1, clWhite, spLeftTop);
  EXPECT_EQ(rect, (Rect{0, -1, 19, 10}));
  EXPECT_EQ(height, 11);
}

class ShadowLabelTest : public testing::Test {
 protected:
  FakeHost host;
  TShadowLabel label{host};

  // The main window's title, as the window sets it up.
  void MakeTitle() {
    label.SetBounds(24, 24, 497, 49);
    label.SetAutoSize(false);
    label.SetCaption("Zorvik电子帐本V4.4 安装程序");
    label.SetFont({"楷体_GB2312", 35, true, false, kGb2312Charset, clMaroon});
    label.SetShadowColor(clWhite);
    label.SetShadowSize(2);
    label.SetShadowPos(spRightBottom);
  }
};

TEST_F(ShadowLabelTest, StartsWithTheDocumentedDefaults) {
  EXPECT_EQ(label.Width(), 65);
  EXPECT_EQ(label.Height(), 17);
  EXPECT_EQ(label.ShadowColor(), clBtnHighlight);
  EXPECT_EQ(label.ShadowSize(), 1);
  EXPECT_EQ(label.ShadowPos(), spLeftTop);
  EXPECT_TRUE(label.AutoSize());
  EXPECT_TRUE(label.ShowAccelChar());
  EXPECT_FALSE(label.Transparent());
  EXPECT_FALSE(label.WordWrap());
  EXPECT_FALSE(label.ShowFocus());
  EXPECT_EQ(label.Alignment(), taLeftJustify);
  EXPECT_EQ(label.Layout(), tlTop);
  EXPECT_TRUE(label.ParentColor());
  EXPECT_TRUE(label.ParentFont());
}

TEST_F(ShadowLabelTest, TheTitleFillsItsBoundsThenDrawsTheWhiteCopyAtThreeTwoAndTheMaroonTextAtOneZero) {
  MakeTitle();
  EXPECT_EQ(label.BoundsRect(), (Rect{24, 24, 521, 73})) << "not sized to its text";
  RecordingCanvas canvas;
  label.Paint(canvas);
  std::string caption = "Zorvik电子帐本V4.4 安装程序";
  std::vector<std::string> expected = {
      "fill 0,0,497,49 " + std::string("1F1F1F"),
      "font 楷体_GB2312 35 italic",
      "color 000080",
      "transparent",
      "color FFFFFF",
      "draw " + caption + " @3,2,498,51",
      "color 000080",
      "draw " + caption + " @1,0,496,49",
  };
  EXPECT_EQ(canvas.log, expected);
  for (const auto& d : canvas.draws) EXPECT_EQ(d.format, kDtExpandTabs) << "left, expanded tabs, no single line";
}

TEST_F(ShadowLabelTest, LeftTopShadowOfOneLiesOnePixelUpAndLeft) {
  label.SetAutoSize(false);
  label.SetCaption("x");
  RecordingCanvas canvas;
  label.Paint(canvas);
  ASSERT_EQ(canvas.draws.size(), 2u);
  EXPECT_EQ(canvas.draws[0].rect, (Rect{0, -1, 63, 16}));
  EXPECT_EQ(canvas.draws[0].color, Resolved(clBtnHighlight));
  EXPECT_EQ(canvas.draws[1].rect, (Rect{1, 0, 64, 17}));
}

TEST_F(ShadowLabelTest, DisabledDrawsGreyTextOverAHighlightShadowWhateverTheShadowColour) {
  MakeTitle();
  label.SetEnabled(false);
  RecordingCanvas canvas;
  label.Paint(canvas);
  ASSERT_EQ(canvas.draws.size(), 2u);
  EXPECT_EQ(canvas.draws[0].color, Resolved(clBtnHighlight));
  EXPECT_EQ(canvas.draws[0].rect, (Rect{3, 2, 498, 51}));
  EXPECT_EQ(canvas.draws[1].color, Resolved(clGrayText));
}

TEST_F(ShadowLabelTest, DisabledWithoutShadowGetsOnePixelDownRightOnlyWithTheNewLook) {
  label.SetAutoSize(false);
  label.SetCaption("x");
  label.SetShadowSize(0);
  label.SetEnabled(false);
  RecordingCanvas canvas;
  label.Paint(canvas);
  ASSERT_EQ(canvas.draws.size(), 2u);
  EXPECT_EQ(canvas.draws[0].rect, (Rect{2, 1, 65, 18}));

  host.newStyle = false;
  RecordingCanvas old;
  label.Paint(old);
  ASSERT_EQ(old.draws.size(), 2u);
  EXPECT_EQ(old.draws[0].rect, old.draws[1].rect);
}

TEST_F(ShadowLabelTest, AmpersandUnderlinesUnlessAcceleratorsAreOff) {
  label.SetCaption("&Open");
  RecordingCanvas canvas;
  label.Paint(canvas);
  EXPECT_EQ(canvas.draws[1].format & kDtNoPrefix, 0u);
  EXPECT_EQ(RecordingCanvas::Shown(canvas.draws[1].text, canvas.draws[1].format), "Open");

  label.SetShowAccelChar(false);
  RecordingCanvas plain;
  label.Paint(plain);
  EXPECT_EQ(plain.draws[1].format & kDtNoPrefix, kDtNoPrefix);
  EXPECT_EQ(RecordingCanvas::Shown(plain.draws[1].text, plain.draws[1].format), "&Open");
}

TEST_F(ShadowLabelTest, TransparentFillsNothing) {
  label.SetCaption("x");
  label.SetTransparent(true);
  RecordingCanvas canvas;
  label.Paint(canvas);
  for (const auto& line : canvas.log) EXPECT_NE(line.rfind("fill", 0), 0u) << line;
  EXPECT_EQ(canvas.draws.size(), 2u);
}

TEST_F(ShadowLabelTest, BottomLayoutPutsTheLowerOfTextAndShadowOnTheBottomEdge) {
  label.SetAutoSize(false);
  label.SetBounds(0, 0, 100, 40);
  label.SetCaption("abc");
  label.SetShadowPos(spRightBottom);
  label.SetShadowSize(2);
  label.SetLayout(tlBottom);
  RecordingCanvas canvas;
  label.Paint(canvas);
  ASSERT_EQ(canvas.draws.size(), 4u);  // measured shadow and text, then drawn
  EXPECT_EQ(canvas.draws[2].rect.top + RecordingCanvas::kLineHeight, 40) << "the shadow ends on the bottom";
  EXPECT_EQ(canvas.draws[3].rect, (Rect{0, 28, 100, 68})) << "full width, moved down";

  label.SetShadowPos(spLeftTop);
  RecordingCanvas up;
  label.Paint(up);
  ASSERT_EQ(up.draws.size(), 4u);
  EXPECT_EQ(up.draws[3].rect.top + RecordingCanvas::kLineHeight, 40) << "the text ends on the bottom";
}

TEST_F(ShadowLabelTest, CentreLayoutMovesByHalfTheSpareHeight) {
  label.SetAutoSize(false);
  label.SetBounds(0, 0, 100, 40);
  label.SetCaption("abc");
  label.SetShadowPos(spRightBottom);
  label.SetLayout(tlCenter);
  RecordingCanvas canvas;
  label.Paint(canvas);
  ASSERT_EQ(canvas.draws.size(), 4u);
  EXPECT_EQ(canvas.draws[3].rect.top, (40 - 11) / 2);
}

TEST_F(ShadowLabelTest, AutoSizeGrowsByAShadowToTheRightOrDownOnly) {
  label.SetBounds(10, 10, 65, 17);
  label.SetCaption("Hello");
  // 5 characters and a shadow up-left: text width plus a pixel each side.
  EXPECT_EQ(label.BoundsRect(), (Rect{10, 10, 42, 20}));
  label.SetShadowPos(spRightBottom);
  label.SetShadowSize(3);
  EXPECT_EQ(label.BoundsRect(), (Rect{10, 10, 45, 23}));
}

TEST_F(ShadowLabelTest, AutoSizeOfAnEmptyOrAmpersandCaptionStillMeasuresOneLine) {
  label.SetCaption("&");
  EXPECT_EQ(label.Height(), RecordingCanvas::kLineHeight);
  label.SetCaption("");
  label.SetShadowSize(0);
  EXPECT_EQ(label.Height(), RecordingCanvas::kLineHeight);
  EXPECT_EQ(label.Width(), RecordingCanvas::kCharWidth + 2);
}

TEST_F(ShadowLabelTest, RightAlignedAutoSizeKeepsTheRightEdge) {
  label.SetBounds(100, 0, 65, 17);
  label.SetAlignment(taRightJustify);
  label.SetShadowSize(0);
  label.SetCaption("ab");
  EXPECT_EQ(label.BoundsRect(), (Rect{151, 0, 165, 10}));
}

TEST_F(ShadowLabelTest, ASetterGivenTheHeldValueDoesNothing) {
  MakeTitle();
  host.invalidated.clear();
  host.measuringCanvases = 0;
  label.SetShadowSize(2);
  label.SetShadowPos(spRightBottom);
  label.SetShadowColor(clWhite);
  label.SetCaption("Zorvik电子帐本V4.4 安装程序");
  label.SetAlignment(taLeftJustify);
  label.SetLayout(tlTop);
  label.SetTransparent(false);
  label.SetWordWrap(false);
  label.SetShowAccelChar(true);
  label.SetShowFocus(false);
  label.SetEnabled(true);
  EXPECT_TRUE(host.invalidated.empty());
  label.SetAutoSize(true);
  EXPECT_EQ(host.measuringCanvases, 1);
  label.SetAutoSize(true);
  label.SetWordWrap(false);
  EXPECT_EQ(host.measuringCanvases, 1);

  label.SetShowFocus(true);
  host.invalidated.clear();
  FakeFocus focus;
  label.SetFocusControl(&focus);
  label.SetFocusControl(&focus);
  EXPECT_EQ(host.invalidated.size(), 2u) << "the focus control's setter always acts";
}

TEST_F(ShadowLabelTest, ChangesRepaintTheLabelsBounds) {
  MakeTitle();
  host.invalidated.clear();
  label.SetShadowColor(clBlack);
  ASSERT_EQ(host.invalidated.size(), 1u);
  EXPECT_EQ(host.invalidated[0], (Rect{24, 24, 521, 73}));
}

TEST_F(ShadowLabelTest, FocusRectangleSurroundsTheTextWhenItsControlHasTheFocus) {
  FakeFocus focus;
  label.SetAutoSize(false);
  label.SetCaption("x");
  label.SetFocusControl(&focus);
  label.SetShowFocus(true);
  RecordingCanvas unfocused;
  label.Paint(unfocused);
  EXPECT_EQ(unfocused.log.back().rfind("focus", 0), std::string::npos);

  focus.focused = true;
  RecordingCanvas canvas;
  label.Paint(canvas);
  // Text rectangle 1..64 wide, union with the up-left shadow from 0, -1; then one more.
  EXPECT_EQ(canvas.log.back(), "focus -1,-2,65,18 1F1F1F");
}

TEST_F(ShadowLabelTest, FocusChangesRepaintOnlyWhenTheFocusIsShown) {
  FakeFocus focus, other;
  label.SetFocusControl(&focus);
  host.invalidated.clear();
  label.FocusChanged(&focus);
  EXPECT_TRUE(host.invalidated.empty());
  label.SetShowFocus(true);
  host.invalidated.clear();
  label.FocusChanged(&other);
  EXPECT_EQ(host.invalidated.size(), 1u);
  label.FocusChanged(&other);
  EXPECT_EQ(host.invalidated.size(), 1u);
}

TEST_F(ShadowLabelTest, AcceleratorFocusesTheFocusControlWhenItCan) {
  FakeFocus focus;
  label.SetCaption("&Directory");
  EXPECT_FALSE(label.DialogChar('d')) << "no focus control";
  label.SetFocusControl(&focus);
  EXPECT_FALSE(label.DialogChar('i'));
  EXPECT_TRUE(label.DialogChar('d'));
  EXPECT_EQ(focus.focusCalls, 1);
  focus.canFocus = false;
  EXPECT_TRUE(label.DialogChar('D')) << "handled even when the control cannot take the focus";
  EXPECT_EQ(focus.focusCalls, 1);
  label.SetShowAccelChar(false);
  EXPECT_FALSE(label.DialogChar('d'));
  label.SetShowAccelChar(true);
  label.SetEnabled(false);
  EXPECT_FALSE(label.DialogChar('d'));
  label.SetEnabled(true);
  label.FocusControlDestroyed(&focus);
  EXPECT_EQ(label.FocusControl(), nullptr);
}

TEST_F(ShadowLabelTest, MouseTrackingFiresEnterAndLeaveOnceAndNotWhileDragging) {
  std::vector<std::string> events;
  label.OnMouseEnter = [&](TCustomShadowLabel& sender) {
    EXPECT_EQ(&sender, &label);
    events.push_back("enter");
  };
  label.OnMouseLeave = [&](TCustomShadowLabel&) { events.push_back("leave"); };

  host.active = false;
  label.MouseEnter();
  EXPECT_TRUE(events.empty()) << "another program is active";
  host.active = true;
  label.MouseEnter();
  label.MouseEnter();
  EXPECT_EQ(events, std::vector<std::string>{"enter"});

  label.MouseDown(MouseButton::left);
  EXPECT_TRUE(label.Dragging());
  label.MouseLeave();
  EXPECT_EQ(events.size(), 1u) << "no leave during a drag";
  host.underCursor = false;
  label.MouseUp(MouseButton::left);
  EXPECT_FALSE(label.Dragging());
  EXPECT_EQ(events, (std::vector<std::string>{"enter", "leave"})) << "the button up recomputes";

  host.underCursor = true;
  label.SetEnabled(false);
  label.MouseEnter();
  EXPECT_EQ(events.size(), 2u) << "a disabled label tracks nothing";
  label.SetEnabled(true);
  EXPECT_EQ(events.back(), "enter") << "enabling under the cursor enters";
}

TEST_F(ShadowLabelTest, PaintingADisabledLabelEndsADrag) {
  label.MouseDown(MouseButton::left);
  label.SetEnabled(false);
  RecordingCanvas canvas;
  label.Paint(canvas);
  EXPECT_FALSE(label.Dragging());
}

}  // namespace
}  // namespace controls
