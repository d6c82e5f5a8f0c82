// The main window's documented layout, with its numbers written out here for each screen
// resolution the tests run at (96 dpi, and 144 dpi in a prefix of its own), never taken
// from the program's own scaler: a wrong constant or a wrong scale fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "tests/common/Keyboard.h"
#include "Driver.h"

namespace e2e {
namespace {

struct Box {
  int left, top, width, height;
};

struct Layout {
  int dpi;
  Box window;  // outer, on the screen
  Box field, install, abandon;  // in the client area
  int statusHeight;
  Box label, title;
  Box captions[5];
};

// At 144 dpi every edge is 1.5 times its 96-dpi value, halves rounded up.
const Layout kLayouts[] = {
    {96,
     {219, 168, 553, 414},
     {112, 115, 233, 21},
     {344, 336, 75, 25},
     {432, 336, 75, 25},
     19,
     {40, 120, 65, 13},
     {24, 24, 497, 49},
     {{80, 174, 185, 13}, {80, 198, 185, 13}, {80, 222, 185, 13}, {80, 246, 185, 13}, {80, 270, 185, 13}}},
    {144,
     {329, 252, 829, 621},
     {168, 173, 350, 31},
     {516, 504, 113, 38},
     {648, 504, 113, 38},
     29,
     {60, 180, 98, 20},
     {36, 36, 746, 74},
     {{120, 261, 278, 20}, {120, 297, 278, 20}, {120, 333, 278, 20}, {120, 369, 278, 20}, {120, 405, 278, 20}}},
};

Box ClientBox(HWND main, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, main, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void ExpectBox(const Box& actual, const Box& expected, const char* what) {
  EXPECT_EQ(actual.left, expected.left) << what;
  EXPECT_EQ(actual.top, expected.top) << what;
  EXPECT_EQ(actual.width, expected.width) << what;
  EXPECT_EQ(actual.height, expected.height) << what;
}

// Text painted on the window: ink of `color` inside the box, starting at its left and top
// edges (within the glyphs' own margins), and none in the bands just left of and above it.
void ExpectInk(RunningSetup& setup, const Box& box, COLORREF color, int margin, const char* what) {
  const int band = 6;
  RunningSetup::Pixels px =
      setup.ClientPixels({box.left - band, box.top - band, box.left + box.width, box.top + box.height});
  int inkLeft = px.width, inkTop = px.height, outside = 0;
  for (int y = 0; y < px.height; ++y) {
    for (int x = 0; x < px.width; ++x) {
      if (px.At(x, y) != color) continue;
      if (x < band || y < band) {
        ++outside;
        continue;
      }
      inkLeft = std::min(inkLeft, x - band);
      inkTop = std::min(inkTop, y - band);
    }
  }
  ASSERT_LT(inkLeft, px.width) << what << ": no ink";
  EXPECT_LE(inkLeft, margin) << what << ": text starts too far right";
  EXPECT_LE(inkTop, margin) << what << ": text starts too low";
  EXPECT_EQ(outside, 0) << what << ": ink left of or above its place";
}

TEST(Layout, MainWindowStandsWhereItsTableSays) {
  const int dpi = ScreenDpi();
  const Layout* layout = nullptr;
  for (const Layout& l : kLayouts)
    if (l.dpi == dpi) layout = &l;
  if (!layout) GTEST_SKIP() << "no layout written out for " << dpi << " dpi";
  SCOPED_TRACE(std::to_string(dpi) + " dpi");

  RunningSetup setup;
  HWND main = setup.Main();
  setup.Screenshot("layout-" + std::to_string(dpi));
  RECT w;
  GetWindowRect(main, &w);
  ExpectBox({w.left, w.top, w.right - w.left, w.bottom - w.top}, layout->window, "window");
  ExpectBox(ClientBox(main, setup.DirectoryField()), layout->field, "field");
  ExpectBox(ClientBox(main, setup.Button("安装")), layout->install, "安装");
  ExpectBox(ClientBox(main, setup.Button("放弃")), layout->abandon, "放弃");
  RECT client;
  GetClientRect(main, &client);
  HWND bar = ChildWindow(main, "msctls_statusbar32");
  ASSERT_TRUE(bar);
  ExpectBox(ClientBox(main, bar), {0, client.bottom - layout->statusHeight, client.right, layout->statusHeight},
            "status bar");

  ExpectInk(setup, layout->label, GetSysColor(COLOR_WINDOWTEXT), 2, "安装目录：");
  for (int row = 0; row < 5; ++row)
    ExpectInk(setup, layout->captions[row], GetSysColor(COLOR_WINDOWTEXT), 2,
              ("caption of row " + std::to_string(row + 1)).c_str());
  // The title's maroon keeps inside its box.
  // At 144 dpi the window runs off the test screen's right edge: only what shows is read.
  POINT origin{0, 0};
  ClientToScreen(main, &origin);
  int right = std::min<int>(layout->title.left + layout->title.width + 8, GetSystemMetrics(SM_CXSCREEN) - origin.x);
  bool clipped = right < layout->title.left + layout->title.width + 8;
  RunningSetup::Pixels title = setup.ClientPixels(
      {layout->title.left - 8, layout->title.top - 8, right, layout->title.top + layout->title.height + 8});
  int inside = 0, outside = 0;
  for (int y = 0; y < title.height; ++y)
    for (int x = 0; x < title.width; ++x) {
      // Maroon, or the smoothed edge of a large face, which mixes it with the background.
      COLORREF c = title.At(x, y);
      if (GetRValue(c) < 0x60 || GetGValue(c) > 0x40 || GetBValue(c) > 0x40) continue;
      bool in = x >= 8 && y >= 8 && (clipped || x < title.width - 8) && y < title.height - 8;
      (in ? inside : outside)++;
    }
  EXPECT_GT(inside, 200) << "title";
  EXPECT_EQ(outside, 0) << "title outside its box";

  // Tab order: the field, 安装, 放弃, and round.
  ASSERT_TRUE(BringToFront(main));
  HWND order[] = {setup.DirectoryField(), setup.Button("安装"), setup.Button("放弃"), setup.DirectoryField()};
  EXPECT_EQ(WaitFocus(main, order[0]), order[0]);
  for (int i = 1; i < 4; ++i) {
    PressKey(VK_TAB);
    EXPECT_EQ(WaitFocus(main, order[i]), order[i]) << "Tab " << i;
  }
}

}  // namespace
}  // namespace e2e
