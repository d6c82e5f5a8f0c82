// Keyboard scenarios: setup.exe driven with real key input only, as a person without a
// mouse works it. Each key goes to whatever window is in front and has the focus.
#include <gtest/gtest.h>

#include <string>

#include "tests/common/Keyboard.h"
#include "Driver.h"

namespace e2e {
namespace {

const std::string kDialogCaption = "选择目录";

// The window with the keyboard focus in setup.exe, after the keys so far took effect.
HWND Focus(RunningSetup& setup, HWND expected) { return WaitFocus(setup.Main(), expected); }

// The field's selection, as (start, end).
std::pair<int, int> Selection(HWND field) {
  DWORD start = 0, end = 0;
  SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return {static_cast<int>(start), static_cast<int>(end)};
}

// A window of another program (the driver's), to switch to and back from. It stays until
// the scenario ends: a window destroyed in front hands the activation on at its own time.
struct OtherWindow {
  HWND hwnd = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                              nullptr, nullptr, nullptr);
  ~OtherWindow() { DestroyWindow(hwnd); }
};

// A message box of setup.exe answered with Enter, as a person answers it.
MessageBoxInfo AnswerWithEnter(RunningSetup& setup, DWORD timeoutMs = 30000) {
  MessageBoxInfo box = setup.WaitMessageBox(timeoutMs);
  if (!box.hwnd) return box;
  BringToFront(box.hwnd);
  PressKey(VK_RETURN);
  WaitGone(box.hwnd);
  return box;
}

TEST(Keyboard, EnterAndSpacePressTheFocusedButtonsAndTheFocusComesBackAfterEachBox) {
  RunningSetup setup;
  HWND field = setup.DirectoryField(), install = setup.Button("安装"), abandon = setup.Button("放弃");
  ASSERT_TRUE(BringToFront(setup.Main()));
  ASSERT_EQ(Focus(setup, field), field) << "the field has the focus at start";

  // Neither button is the default: Enter in the field starts nothing.
  PressKey(VK_RETURN);
  EXPECT_FALSE(setup.WaitMessageBox(1500).hwnd) << "Enter in the field pressed a button";

  // An empty field: Tab to 安装, Enter, the directory message; answered, the focus is on 安装.
  SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
  PressKey(VK_TAB);
  ASSERT_EQ(Focus(setup, install), install) << "Tab goes from the field to 安装";
  PressKey(VK_RETURN);
  MessageBoxInfo box = AnswerWithEnter(setup);
  ASSERT_TRUE(box.hwnd) << "Enter did not press 安装";
  EXPECT_EQ(box.text, "创建目录失败!");
  EXPECT_EQ(Focus(setup, install), install) << "after the box the focus is back on 安装";

  // Space presses it as well, and again the focus comes back.
  PressKey(VK_SPACE);
  box = AnswerWithEnter(setup);
  ASSERT_TRUE(box.hwnd) << "Space did not press 安装";
  EXPECT_EQ(Focus(setup, install), install);

  // Another program in front and back again: the focus returns to the same button.
  OtherWindow other;
  ASSERT_TRUE(BringToFront(other.hwnd));
  ASSERT_TRUE(BringToFront(setup.Main()));
  EXPECT_EQ(Focus(setup, install), install) << "activated again, the window gives the focus back";

  // Tab to 放弃, Enter: the program ends.
  PressKey(VK_TAB);
  ASSERT_EQ(Focus(setup, abandon), abandon);
  PressKey(VK_RETURN);
  DWORD code = 1;
  EXPECT_TRUE(setup.WaitExit(10000, &code)) << "Enter did not press 放弃";
  EXPECT_EQ(code, 0u);
}

TEST(Keyboard, AFailedInstallLeavesTheFocusOnInstallAfterTheErrorBox) {
  std::string dir = FreshDirectory("C:\\e2e\\keys-failed");
  CreateDirectoryA("C:\\e2e", nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  std::string login = dir + "\\login.dat";
  ASSERT_TRUE(WriteFile(login, "old"));
  SetFileAttributesA(login.c_str(), FILE_ATTRIBUTE_READONLY);

  RunningSetup setup;
  setup.SetDirectory(dir);
  HWND install = setup.Button("安装");
  ASSERT_TRUE(BringToFront(setup.Main()));
  PressKey(VK_TAB);
  ASSERT_EQ(Focus(setup, install), install);
  PressKey(VK_RETURN);
  MessageBoxInfo box = AnswerWithEnter(setup, 60000);
  ASSERT_TRUE(box.hwnd);
  EXPECT_TRUE(box.hasIcon) << "the error display";
  EXPECT_TRUE(setup.ControlsEnabled());
  EXPECT_EQ(Focus(setup, install), install) << "the focus is on 安装 after the error box";
  SetFileAttributesA(login.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(Keyboard, TabbingIntoTheFieldSelectsItsTextButComingBackToTheWindowDoesNot) {
  RunningSetup setup;
  HWND field = setup.DirectoryField(), abandon = setup.Button("放弃");
  ASSERT_TRUE(BringToFront(setup.Main()));
  ASSERT_EQ(Focus(setup, field), field);
  PressKey(VK_END);
  PressKey(VK_TAB, {VK_SHIFT});
  ASSERT_EQ(Focus(setup, abandon), abandon) << "Shift+Tab from the field goes to 放弃";
  PressKey(VK_TAB);
  ASSERT_EQ(Focus(setup, field), field);
  auto length = static_cast<int>(SendMessageA(field, WM_GETTEXTLENGTH, 0, 0));
  EXPECT_EQ(Selection(field), std::make_pair(0, length)) << "entered by Tab, the text is selected";

  // The caret at the end, then away to another program and back: the selection stays.
  PressKey(VK_END);
  OtherWindow other;
  ASSERT_TRUE(BringToFront(other.hwnd));
  ASSERT_TRUE(BringToFront(setup.Main()));
  ASSERT_EQ(Focus(setup, field), field);
  EXPECT_EQ(Selection(field), std::make_pair(length, length));
}

// The select-directory dialog by keys alone: Alt+Down opens it, the captions' accelerators
// move the focus to their own controls, Tab walks the controls in their order, and
// Escape closes it with the focus back in the field.
TEST(Keyboard, TheDialogsCaptionsAndTabOrderMoveTheFocusAndEscapeReturnsToTheField) {
  RunningSetup setup;
  HWND field = setup.DirectoryField();
  setup.SetDirectory("C:\\windows");
  ASSERT_TRUE(BringToFront(setup.Main()));
  ASSERT_EQ(Focus(setup, field), field);
  PressKey(VK_DOWN, {VK_MENU});
  HWND h = setup.WaitWindow(kDialogCaption);
  ASSERT_TRUE(h) << "Alt+Down opened no dialog";
  ASSERT_TRUE(BringToFront(h));
  HWND dirList = ChildWindow(h, "ListBox");
  HWND fileList = FindWindowExA(h, dirList, "ListBox", nullptr);
  HWND driveList = ChildWindow(h, "ComboBox");
  HWND ok = ChildWindow(h, "Button", "确定"), cancel = ChildWindow(h, "Button", "取消");
  ASSERT_TRUE(dirList && fileList && driveList && ok && cancel);
  EXPECT_EQ(Focus(setup, dirList), dirList) << "the folder list has the focus at first";

  PressKey('F', {VK_MENU});
  EXPECT_EQ(Focus(setup, fileList), fileList) << "Alt+F: the file list";
  PressKey(VK_OEM_6, {VK_MENU});  // "]", the drive caption's accelerator
  EXPECT_EQ(Focus(setup, driveList), driveList) << "Alt+]: the drive list";
  PressKey('D', {VK_MENU});
  EXPECT_EQ(Focus(setup, dirList), dirList) << "Alt+D: the folder list";
  PressKey('N', {VK_MENU});  // the folder edit's caption: its control is hidden
  Sleep(300);
  EXPECT_EQ(FocusOf(setup.Main()), dirList) << "the hidden folder edit's caption moved the focus";

  // Folder list, drive list, OK, Cancel, file list, and round: hidden controls are passed.
  for (HWND next : {driveList, ok, cancel, fileList, dirList}) {
    PressKey(VK_TAB);
    EXPECT_EQ(Focus(setup, next), next) << "Tab order";
  }
  PressKey(VK_ESCAPE);
  EXPECT_TRUE(WaitGone(h)) << "Escape closes the dialog";
  EXPECT_EQ(Focus(setup, field), field) << "after the dialog the field has the focus";
  char text[64] = {};
  SendMessageA(field, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "C:\\windows") << "Escape changes nothing";
}

}  // namespace
}  // namespace e2e
