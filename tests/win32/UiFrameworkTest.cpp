// The window framework on a real (Wine) window system: notifications reach the wrappers'
// events through the parent's dispatch, the modal loop holds its owner disabled, and the
// controls' GDI canvas paints where and only where it is told.
#include <windows.h>

#include <gtest/gtest.h>

#include "controls/ShadowLabel.h"
#include "controls/win32/GdiCanvas.h"
#include "sys/win32/Handle.h"
#include "tests/common/Keyboard.h"
#include "ui/Application.h"
#include "ui/Control.h"
#include "ui/Gdi.h"
#include "ui/Modal.h"
#include "ui/WindowBase.h"

namespace {

class TestWindow final : public ui::WindowBase {
 public:
  explicit TestWindow(HWND owner = nullptr) {
    Create({"ZorvikTestWindow", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}, 0, "test", WS_OVERLAPPEDWINDOW,
           RECT{0, 0, 300, 200}, owner);
  }
  std::function<void()> onClose;

 private:
  bool OnClose() override {
    if (onClose) onClose();
    return false;
  }
};

// A window whose windowless label takes the Alt+key the application's loop offers it.
class LabelWindow final : public ui::WindowBase {
 public:
  LabelWindow()
      : host_(controls::clBtnFace,
              controls::TFont{"宋体", 12, false, false, controls::kGb2312Charset, controls::clWindowText}) {
    Create({"ZorvikLabelWindow", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}, 0, "label", WS_OVERLAPPEDWINDOW,
           RECT{0, 0, 300, 200}, nullptr);
    host_.SetWindow(Handle());
  }
  controls::win32::WindowlessHost host_;
  controls::TShadowLabel label{host_};

 private:
  LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp) override {
    if (msg == ui::kDialogChar) return label.DialogChar(static_cast<char>(wp)) ? 1 : 0;
    return DefaultProc(msg, wp, lp);
  }
};

class UiFramework : public testing::Test {
 protected:
  ui::Application application;
};

TEST_F(UiFramework, ControlNotificationsReachTheirWrappersEvents) {
  TestWindow window;
  ASSERT_TRUE(window.Handle());
  ui::PictureButton button;
  button.Create(window.Handle(), 1, "ok", RECT{10, 10, 85, 35}, nullptr, nullptr, 4);
  int clicks = 0;
  button.OnClick = [&](ui::PictureButton& sender) {
    EXPECT_EQ(&sender, &button);
    ++clicks;
  };
  SendMessageA(button.Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
}

TEST_F(UiFramework, ModalLoopDisablesTheOwnerUntilTheDialogEnds) {
  TestWindow owner;
  TestWindow dialog(owner.Handle());
  bool ended = false, ownerEnabledDuring = true;
  dialog.onClose = [&] {
    ownerEnabledDuring = IsWindowEnabled(owner.Handle()) != 0;
    ended = true;
  };
  PostMessageA(dialog.Handle(), WM_CLOSE, 0, 0);
  ui::RunModal(dialog.Handle(), owner.Handle(), ended);
  EXPECT_TRUE(ended);
  EXPECT_FALSE(ownerEnabledDuring);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  EXPECT_FALSE(IsWindowVisible(dialog.Handle()));
}

TEST_F(UiFramework, ModalLoopLeavesAQuitForTheMainLoop) {
  TestWindow owner;
  TestWindow dialog(owner.Handle());
  bool ended = false;
  PostQuitMessage(3);
  ui::RunModal(dialog.Handle(), owner.Handle(), ended);
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

class NoHost final : public controls::ControlHost {
 public:
  controls::TFont font;
  void Invalidate(const controls::Rect&) override {}
  controls::TColor Color() override { return controls::clWhite; }
  const controls::TFont& Font() override { return font; }
  std::unique_ptr<controls::Canvas> MeasuringCanvas() override { return controls::win32::GdiCanvas::ForScreen(); }
  bool NewStyleControls() override { return true; }
  bool ApplicationActive() override { return true; }
  bool UnderCursor(const controls::Rect&) override { return false; }
};

TEST_F(UiFramework, GdiCanvasPaintsALabelInsideItsBoundsOnly) {
  ui::ScreenDc screen;
  ui::MemoryDc memory(screen.Dc());
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 100, -50, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  sys::win32::GdiObject dib(CreateDIBSection(screen.Dc(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(dib);
  ui::SelectedObject selected(memory.Dc(), dib.Get());
  PatBlt(memory.Dc(), 0, 0, 100, 50, BLACKNESS);

  NoHost host;
  controls::TShadowLabel label(host);
  label.SetAutoSize(false);
  label.SetBounds(10, 10, 50, 20);
  label.SetCaption("Wi");
  label.SetShadowSize(3);
  label.SetShadowPos(controls::spLeftTop);
  label.SetShadowColor(controls::clMaroon);
  {
    controls::win32::GdiCanvas canvas(memory.Dc(), controls::win32::ToRect(label.BoundsRect()));
    label.Paint(canvas);
  }
  GdiFlush();
  auto pixel = [&](int x, int y) { return static_cast<const DWORD*>(bits)[y * 100 + x] & 0xFFFFFF; };
  EXPECT_EQ(pixel(10, 10), 0xFFFFFFu) << "filled from the label's corner";
  EXPECT_EQ(pixel(59, 29), 0xFFFFFFu);
  EXPECT_EQ(pixel(9, 9), 0u) << "nothing outside the label";
  EXPECT_EQ(pixel(60, 30), 0u);
  EXPECT_EQ(pixel(9, 20), 0u) << "the shadow up and left is clipped at the label's edge";
  // The surface's own state (origin) is back as it was.
  POINT origin;
  GetViewportOrgEx(memory.Dc(), &origin);
  EXPECT_EQ(origin.x, 0);
  EXPECT_EQ(origin.y, 0);
}

// Real keys through the dialog manager, as the program's loop passes them: a focused
// picture button is pressed by Space and by Enter, once for each press; it is no default
// button, so Enter on another control presses nothing.
TEST_F(UiFramework, EnterAndSpacePressAFocusedPictureButton) {
  TestWindow window;
  ui::PictureButton button;
  // Not IDOK: the dialog manager gives Enter to the control of that number.
  button.Create(window.Handle(), 3, "ok", RECT{10, 10, 85, 35}, nullptr, nullptr, 4);
  ui::Control edit;
  edit.Create(window.Handle(), 4, 0, "EDIT", "", WS_TABSTOP, RECT{10, 40, 110, 60}, nullptr);
  int clicks = 0;
  button.OnClick = [&](ui::PictureButton&) { ++clicks; };
  ShowWindow(window.Handle(), SW_SHOW);
  ASSERT_TRUE(common::BringToFront(window.Handle()));
  SetFocus(button.Handle());
  common::PressKey(VK_RETURN);
  common::PumpMessages(300, window.Handle());
  EXPECT_EQ(clicks, 1) << "Enter";
  common::PressKey(VK_SPACE);
  common::PumpMessages(300, window.Handle());
  EXPECT_EQ(clicks, 2) << "Space";
  SetFocus(edit.Handle());
  common::PressKey(VK_RETURN);
  common::PumpMessages(300, window.Handle());
  EXPECT_EQ(clicks, 2) << "Enter elsewhere";
}

// A 20 x 20 picture: a green square on silver, silver being its transparent colour.
sys::win32::GdiObject GreenSquare() {
  ui::ScreenDc screen;
  sys::win32::GdiObject bitmap(CreateCompatibleBitmap(screen.Dc(), 20, 20));
  ui::MemoryDc memory(screen.Dc());
  ui::SelectedObject selected(memory.Dc(), bitmap.Get());
  RECT all{0, 0, 20, 20}, square{5, 5, 15, 15};
  sys::win32::GdiObject silver(CreateSolidBrush(RGB(0xC0, 0xC0, 0xC0))), green(CreateSolidBrush(RGB(0, 0x80, 0)));
  FillRect(memory.Dc(), &all, static_cast<HBRUSH>(silver.Get()));
  FillRect(memory.Dc(), &square, static_cast<HBRUSH>(green.Get()));
  return bitmap;
}

// Disabled, a picture button shows its picture greyed, as the field's button does: none
// of its colours, its shape in the shadow colour.
TEST_F(UiFramework, ADisabledPictureButtonDrawsItsPictureGreyed) {
  TestWindow window;
  sys::win32::GdiObject glyph = GreenSquare();
  ui::PictureButton button;
  button.Create(window.Handle(), 1, "ok", RECT{0, 0, 75, 25}, nullptr, static_cast<HBITMAP>(glyph.Get()), 4);
  ui::ScreenDc screen;
  ui::MemoryDc memory(screen.Dc());
  BITMAPINFO bi{};
  bi.bmiHeader = {sizeof(BITMAPINFOHEADER), 75, -25, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  sys::win32::GdiObject dib(CreateDIBSection(screen.Dc(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
  ASSERT_TRUE(dib);
  ui::SelectedObject selected(memory.Dc(), dib.Get());
  auto count = [&](UINT state, COLORREF color) {
    DRAWITEMSTRUCT item{};
    item.CtlType = ODT_BUTTON;
    item.hwndItem = button.Handle();
    item.hDC = memory.Dc();
    item.rcItem = RECT{0, 0, 75, 25};
    item.itemState = state;
    button.OnDrawItem(item);
    GdiFlush();
    DWORD wanted = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    int n = 0;
    for (int i = 0; i < 75 * 25; ++i) n += (static_cast<const DWORD*>(bits)[i] & 0xFFFFFF) == wanted;
    return n;
  };
  EXPECT_EQ(count(0, RGB(0, 0x80, 0)), 100) << "enabled, the picture in its colours";
  EXPECT_EQ(count(ODS_DISABLED, RGB(0, 0x80, 0)), 0) << "disabled, none of its colours";
  EXPECT_GE(count(ODS_DISABLED, GetSysColor(COLOR_BTNSHADOW)), 100) << "its shape in the shadow colour";
}

// Alt+N reaches the label through the application's loop and focuses its focus control; a
// key that is no label's accelerator goes on to the dialog manager and moves nothing.
TEST_F(UiFramework, ALabelsAcceleratorFocusesItsFocusControlThroughTheLoop) {
  LabelWindow window;
  ui::Control first, second;
  first.Create(window.Handle(), 1, 0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, RECT{10, 40, 110, 60}, nullptr);
  second.Create(window.Handle(), 2, 0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, RECT{10, 70, 110, 90}, nullptr);
  controls::win32::WindowFocus target(second.Handle());
  window.label.SetCaption("&Name");
  window.label.SetFocusControl(&target);
  application.SetMainWindow(window.Handle());
  ShowWindow(window.Handle(), SW_SHOW);
  SetFocus(first.Handle());
  ASSERT_EQ(GetFocus(), first.Handle());

  PostMessageA(first.Handle(), WM_SYSCHAR, 'x', 0);
  PostQuitMessage(0);
  application.Run();
  EXPECT_EQ(GetFocus(), first.Handle());

  PostMessageA(first.Handle(), WM_SYSCHAR, 'n', 0);
  PostQuitMessage(0);
  application.Run();
  EXPECT_EQ(GetFocus(), second.Handle());
  window.label.SetFocusControl(nullptr);
}

}  // namespace
