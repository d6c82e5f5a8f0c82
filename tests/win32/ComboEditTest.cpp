// The directory field on a real (Wine) window system: the button and its rules, typing
// and pasting under DirectInput, shell drops, and the dialog events around a run of the
// select-directory dialog driven from a second thread.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "controls/win32/ComboEdit.h"
#include "tests/common/Keyboard.h"
#include "ui/Application.h"
#include "ui/WindowBase.h"

namespace {

class Form final : public ui::WindowBase {
 public:
  Form() {
    Create({"ZorvikComboEditForm", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)}, 0, "form",
           WS_OVERLAPPEDWINDOW | WS_VISIBLE, RECT{0, 0, 400, 200}, nullptr);
  }
};

class DirectoryEdit : public testing::Test {
 protected:
  DirectoryEdit() {
    GetCurrentDirectoryA(sizeof start_, start_);
    field.Create(form.Handle(), 1, "C:\\windows", RECT{10, 10, 243, 31}, nullptr);
  }
  ~DirectoryEdit() override { SetCurrentDirectoryA(start_); }

  void ClickButton() {
    SendMessageA(field.ButtonHandle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(field.ButtonHandle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
  }

  ui::Application application;
  Form form;
  controls::win32::TDirectoryEdit field;

 private:
  char start_[MAX_PATH] = {};
};

void PutOnClipboard(HWND owner, const std::string& text) {
  ASSERT_TRUE(OpenClipboard(owner));
  EmptyClipboard();
  HGLOBAL data = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
  std::memcpy(GlobalLock(data), text.c_str(), text.size() + 1);
  GlobalUnlock(data);
  SetClipboardData(CF_TEXT, data);
  CloseClipboard();
}

// A drop of files as the shell hands it over: a DROPFILES header and a double-ended list.
HGLOBAL DropOf(const std::vector<std::string>& names) {
  std::string list;
  for (const std::string& n : names) list += n + '\0';
  list += '\0';
  HGLOBAL data = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
  auto* drop = static_cast<DROPFILES*>(GlobalLock(data));
  drop->pFiles = sizeof(DROPFILES);
  drop->fWide = FALSE;
  std::memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
  GlobalUnlock(data);
  return data;
}

TEST_F(DirectoryEdit, ButtonRunsTheActionUnlessReadOnlyAndABeforeDialogVetoKeepsEverything) {
  int clicks = 0, befores = 0;
  field.OnButtonClick = [&](controls::win32::TCustomComboEdit&) { ++clicks; };
  field.OnBeforeDialog = [&](controls::win32::TFileDirEdit&, std::string& name, bool& action) {
    ++befores;
    EXPECT_EQ(name, "C:\\windows");
    action = false;  // no dialog
  };
  ClickButton();
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(befores, 1);
  EXPECT_EQ(field.Text(), "C:\\windows");
  EXPECT_TRUE(field.InitialDir().empty());

  field.SetReadOnly(true);
  ClickButton();
  SendMessageA(field.Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 | (1 << 29));
  EXPECT_EQ(clicks, 1) << "a read-only field runs no action";
  field.SetReadOnly(false);
  SendMessageA(field.Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 | (1 << 29));
  EXPECT_EQ(clicks, 2) << "Alt+Down runs it";
  // The default glyph claims its width back; a custom one leaves the button at 0.
  field.SetGlyphKind(controls::gkCustom);
  field.SetButtonWidth(0);
  EXPECT_EQ(field.ButtonWidth(), 0);
  SendMessageA(field.Handle(), WM_SYSKEYDOWN, VK_DOWN, 1 | (1 << 29));
  EXPECT_EQ(clicks, 2) << "no click key without a button";
}

// Entered from the keyboard (Shift+Tab from a button after it), the field selects its text
// only with AutoSelect and DirectInput both on; otherwise the selection stays as it was.
TEST_F(DirectoryEdit, TabbingInSelectsTheTextOnlyWithAutoSelectAndDirectInput) {
  ui::PictureButton other;
  other.Create(form.Handle(), 2, "other", RECT{10, 40, 85, 65}, nullptr, nullptr, 4);
  ASSERT_TRUE(common::BringToFront(form.Handle()));
  const struct {
    bool autoSelect, directInput, selectsAll;
  } kRows[] = {{true, true, true}, {false, true, false}, {true, false, false}, {false, false, false}};
  for (const auto& row : kRows) {
    field.SetAutoSelect(row.autoSelect);
    field.SetDirectInput(row.directInput);
    SetFocus(other.Handle());
    SendMessageA(field.Handle(), EM_SETSEL, 3, 3);
    common::PressKey(VK_TAB, {VK_SHIFT});
    common::PumpMessages(300, form.Handle());
    ASSERT_EQ(GetFocus(), field.Handle()) << "Shift+Tab did not reach the field";
    DWORD start = 0, end = 0;
    SendMessageA(field.Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    DWORD all = static_cast<DWORD>(field.Text().size());
    EXPECT_EQ(start, row.selectsAll ? 0u : 3u) << row.autoSelect << row.directInput;
    EXPECT_EQ(end, row.selectsAll ? all : 3u) << row.autoSelect << row.directInput;
  }
}

TEST_F(DirectoryEdit, WithoutDirectInputTypingAndPastingChangeNothingButTheButtonStillWorks) {
  field.SetDirectInput(false);
  SendMessageA(field.Handle(), WM_CHAR, 'x', 1);
  PutOnClipboard(form.Handle(), "D:\\pasted");
  SendMessageA(field.Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(field.Text(), "C:\\windows");
  int befores = 0;
  field.OnBeforeDialog = [&](controls::win32::TFileDirEdit&, std::string&, bool& action) {
    ++befores;
    action = false;
  };
  ClickButton();
  EXPECT_EQ(befores, 1);

  // With DirectInput on a paste goes in, its first line only.
  field.SetDirectInput(true);
  SendMessageA(field.Handle(), EM_SETSEL, 0, -1);
  PutOnClipboard(form.Handle(), "D:\\pasted\r\nsecond line");
  SendMessageA(field.Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(field.Text(), "D:\\pasted");
}

TEST_F(DirectoryEdit, ADroppedFileStandsForItsFolderAndSeveralFoldersGoInFront) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, sizeof windows);
  const std::string folder = windows;
  const std::string file = folder + "\\win.ini";
  ASSERT_NE(GetFileAttributesA(file.c_str()), INVALID_FILE_ATTRIBUTES);
  int drops = 0;
  field.OnDropFiles = [&](controls::win32::TFileDirEdit&) { ++drops; };

  SendMessageA(field.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({file})), 0);
  EXPECT_EQ(drops, 0) << "drops are refused until AcceptFiles is on";
  EXPECT_EQ(field.Text(), "C:\\windows");

  field.SetAcceptFiles(true);
  SendMessageA(field.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({file, "C:\\second"})), 0);
  EXPECT_EQ(drops, 1);
  EXPECT_EQ(field.Text(), folder + "\\") << "only the first name without MultipleDirs";

  field.SetMultipleDirs(true);
  field.SetText("C:\\old");
  SendMessageA(field.Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(DropOf({"C:\\a", "C:\\b"})), 0);
  EXPECT_EQ(field.Text(), "C:\\b;C:\\a;C:\\old");
}

struct Found {
  HWND hwnd = nullptr;
};

BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lp) {
  char cls[64] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  if (IsWindowVisible(hwnd) && std::string(cls) == "TSelectDirDlg") {
    reinterpret_cast<Found*>(lp)->hwnd = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Presses a button of the dialog once it shows.
std::thread PressInDialog(DWORD thread, const char* caption) {
  return std::thread([thread, caption] {
    for (int i = 0; i < 100; ++i) {
      Found f;
      EnumThreadWindows(thread, FindDialog, reinterpret_cast<LPARAM>(&f));
      if (f.hwnd) {
        PostMessageA(FindWindowExA(f.hwnd, nullptr, "Button", caption), BM_CLICK, 0, 0);
        return;
      }
      Sleep(50);
    }
  });
}

TEST_F(DirectoryEdit, CancelStillReportsAfterTheDialogAndOkPutsTheFolderInFrontWithMultipleDirs) {
  char windows[MAX_PATH] = {};
  GetWindowsDirectoryA(windows, sizeof windows);
  field.SetText(windows);
  std::vector<bool> after;
  field.OnAfterDialog = [&](controls::win32::TFileDirEdit&, std::string&, bool& action) { after.push_back(action); };

  std::thread cancel = PressInDialog(GetCurrentThreadId(), "取消");
  ClickButton();
  cancel.join();
  ASSERT_EQ(after.size(), 1u);
  EXPECT_FALSE(after[0]);
  EXPECT_EQ(field.Text(), windows);
  EXPECT_TRUE(field.InitialDir().empty());

  field.SetMultipleDirs(true);
  std::thread ok = PressInDialog(GetCurrentThreadId(), "确定");
  ClickButton();
  ok.join();
  ASSERT_EQ(after.size(), 2u);
  EXPECT_TRUE(after[1]);
  EXPECT_EQ(_stricmp(field.Text().c_str(), (std::string(windows) + ";" + windows).c_str()), 0) << field.Text();
  EXPECT_EQ(_stricmp(field.InitialDir().c_str(), windows), 0) << "an accepted folder starts the next empty press";
}

}  // namespace
