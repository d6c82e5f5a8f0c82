// The folder dialogs on a real (Wine) window system, driven from a second thread while the
// test's thread runs them modally: the select-directory dialog's folder edit with its
// create question, and the shell's folder browser.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "controls/win32/DirDialog.h"
#include "controls/win32/FolderBrowser.h"
#include "ui/Application.h"
#include "ui/Dpi.h"

namespace {

struct Found {
  const char* cls;
  const char* caption;  // null for any
  HWND hwnd = nullptr;
};

BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lp) {
  auto* f = reinterpret_cast<Found*>(lp);
  char cls[64] = {}, text[256] = {};
  GetClassNameA(hwnd, cls, sizeof cls);
  GetWindowTextA(hwnd, text, sizeof text);
  if (IsWindowVisible(hwnd) && std::string(cls) == f->cls && (!f->caption || std::string(text) == f->caption)) {
    f->hwnd = hwnd;
    return FALSE;
  }
  return TRUE;
}

// A visible top-level window of the thread, waited for up to five seconds.
HWND WaitWindow(DWORD thread, const char* cls, const char* caption) {
  for (int i = 0; i < 100; ++i) {
    Found f{cls, caption};
    EnumThreadWindows(thread, FindVisible, reinterpret_cast<LPARAM>(&f));
    if (f.hwnd) return f.hwnd;
    Sleep(50);
  }
  return nullptr;
}

bool WaitGone(HWND hwnd) {
  for (int i = 0; i < 100; ++i) {
    if (!IsWindow(hwnd) || !IsWindowVisible(hwnd)) return true;
    Sleep(50);
  }
  return false;
}

std::string TextOf(HWND hwnd) {
  char text[512] = {};
  auto n = SendMessageA(hwnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

HWND ChildButton(HWND parent, const char* caption) { return FindWindowExA(parent, nullptr, "Button", caption); }

void RemoveTree(const std::string& path) {
  RemoveDirectoryA((path + "\\new\\deeper").c_str());
  RemoveDirectoryA((path + "\\new").c_str());
  RemoveDirectoryA(path.c_str());
}

class FolderDialogs : public testing::Test {
 protected:
  FolderDialogs() { GetCurrentDirectoryA(sizeof start_, start_); }
  ~FolderDialogs() override { LeaveDialogFolder(); }
  // The dialog leaves the process in the folder it showed last, which then cannot go.
  void LeaveDialogFolder() { SetCurrentDirectoryA(start_); }

  ui::Application application;
  DWORD thread = GetCurrentThreadId();

 private:
  char start_[MAX_PATH] = {};
};

TEST_F(FolderDialogs, FolderEditAsksBeforeCreatingNoKeepsTheDialogOpenYesMakesEveryMissingParent) {
  const std::string base = "C:\\w32-dirdialog";
  RemoveTree(base);
  ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
  const std::string typed = base + "\\new\\deeper";
  std::string question, caption;
  bool stayedOpen = false, editShown = false, labelHidden = false;

  std::thread driver([&] {
    HWND dialog = WaitWindow(thread, "TSelectDirDlg", "选择目录");
    if (!dialog) return;
    HWND edit = FindWindowExA(dialog, nullptr, "Edit", nullptr);
    editShown = edit && IsWindowVisible(edit);
    HWND label = FindWindowExA(dialog, nullptr, "TPathLabel", nullptr);
    labelHidden = label && !IsWindowVisible(label);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()));
    PostMessageA(ChildButton(dialog, "确定"), BM_CLICK, 0, 0);
    if (HWND box = WaitWindow(thread, "#32770", nullptr)) {
      caption = TextOf(box);
      question = TextOf(GetDlgItem(box, 0xFFFF));  // the message box's text
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
      WaitGone(box);
    }
    Sleep(300);
    stayedOpen = IsWindowVisible(dialog) != FALSE;
    PostMessageA(ChildButton(dialog, "确定"), BM_CLICK, 0, 0);
    if (HWND box = WaitWindow(thread, "#32770", nullptr))
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
    if (!WaitGone(dialog)) PostMessageA(ChildButton(dialog, "取消"), BM_CLICK, 0, 0);
  });
  std::string path = base;
  bool accepted = controls::win32::RunSelectDirDialog(
      path, controls::sdAllowCreate | controls::sdPrompt | controls::sdPerformCreate, 0);
  driver.join();

  EXPECT_TRUE(editShown) << "allowing creation shows the folder edit";
  EXPECT_TRUE(labelHidden) << "and hides the path caption";
  EXPECT_EQ(question, "指定的目录不存在. 创建吗?");
  EXPECT_TRUE(stayedOpen) << "No keeps the dialog open";
  EXPECT_TRUE(accepted);
  EXPECT_EQ(path, typed);
  DWORD attributes = GetFileAttributesA(typed.c_str());
  EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
  LeaveDialogFolder();
  RemoveTree(base);
}

TEST_F(FolderDialogs, WithoutOptionsTheFolderEditIsHiddenAndCancelKeepsThePath) {
  const std::string base = "C:\\w32-dirdialog-plain";
  RemoveDirectoryA(base.c_str());
  ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
  bool editHidden = false;
  std::thread driver([&] {
    HWND dialog = WaitWindow(thread, "TSelectDirDlg", "选择目录");
    if (!dialog) return;
    HWND edit = FindWindowExA(dialog, nullptr, "Edit", nullptr);
    editHidden = edit && !IsWindowVisible(edit);
    PostMessageA(ChildButton(dialog, "取消"), BM_CLICK, 0, 0);
  });
  std::string path = base;
  EXPECT_FALSE(controls::win32::RunSelectDirDialog(path, 0, 0));
  driver.join();
  EXPECT_TRUE(editHidden);
  EXPECT_EQ(path, base);
  LeaveDialogFolder();
  RemoveDirectoryA(base.c_str());
}

RECT ClientBounds(HWND dialog, HWND child) {
  RECT r;
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

TEST_F(FolderDialogs, WithAHelpContextHelpShowsBesideOkAndCancelAndTheKeysWorkTheLists) {
  const std::string base = "C:\\w32-dirdialog-keys";
  RemoveDirectoryA((base + "\\inner").c_str());
  RemoveDirectoryA(base.c_str());
  ASSERT_TRUE(CreateDirectoryA(base.c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryA((base + "\\inner").c_str(), nullptr));
  ui::Scaler scale;
  RECT ok{}, cancel{}, help{};
  bool helpShown = false;
  std::string afterEnter;

  // Escape cancels.
  std::thread escape([&] {
    HWND dialog = WaitWindow(thread, "TSelectDirDlg", "选择目录");
    if (!dialog) return;
    HWND helpButton = ChildButton(dialog, "帮助[&H]");
    helpShown = helpButton && IsWindowVisible(helpButton);
    ok = ClientBounds(dialog, ChildButton(dialog, "确定"));
    cancel = ClientBounds(dialog, ChildButton(dialog, "取消"));
    if (helpButton) help = ClientBounds(dialog, helpButton);
    PostMessageA(FindWindowExA(dialog, nullptr, "ListBox", nullptr), WM_KEYDOWN, VK_ESCAPE, 1);
    if (!WaitGone(dialog)) PostMessageA(ChildButton(dialog, "取消"), BM_CLICK, 0, 0);
  });
  std::string path = base;
  EXPECT_FALSE(controls::win32::RunSelectDirDialog(path, 0, 7));
  escape.join();
  EXPECT_TRUE(helpShown);
  EXPECT_EQ(ok.left, scale(172));
  EXPECT_EQ(cancel.left, scale(256));
  EXPECT_EQ(help.left, scale(340));
  EXPECT_EQ(path, base);

  // Enter opens the selected sub-folder's row, then, on the current folder's row, is OK.
  std::thread enter([&] {
    HWND dialog = WaitWindow(thread, "TSelectDirDlg", "选择目录");
    if (!dialog) return;
    HWND list = FindWindowExA(dialog, nullptr, "ListBox", nullptr);
    HWND label = FindWindowExA(dialog, nullptr, "TPathLabel", nullptr);
    auto rows = SendMessageA(list, LB_GETCOUNT, 0, 0);
    SendMessageA(list, LB_SETCURSEL, rows - 1, 0);  // "inner", the only sub-folder
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
    for (int i = 0; i < 40 && TextOf(label).find("inner") == std::string::npos; ++i) Sleep(50);
    afterEnter = TextOf(label);
    PostMessageA(list, WM_KEYDOWN, VK_RETURN, 1);
    if (!WaitGone(dialog)) PostMessageA(ChildButton(dialog, "取消"), BM_CLICK, 0, 0);
  });
  path = base;
  bool accepted = controls::win32::RunSelectDirDialog(path, 0, 7);
  enter.join();
  EXPECT_EQ(_stricmp(afterEnter.c_str(), (base + "\\inner").c_str()), 0) << afterEnter;
  EXPECT_TRUE(accepted);
  EXPECT_EQ(_stricmp(path.c_str(), (base + "\\inner").c_str()), 0) << path;
  LeaveDialogFolder();
  RemoveDirectoryA((base + "\\inner").c_str());
  RemoveDirectoryA(base.c_str());
}

TEST_F(FolderDialogs, ShellBrowserStartsOnTheFieldsFolderAndReturnsItWithoutATrailingSeparator) {
  const std::string folder = "C:\\w32-browse";
  RemoveDirectoryA(folder.c_str());
  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  bool okEnabled = false, centred = false;
  std::thread driver([&] {
    HWND browser = WaitWindow(thread, "#32770", nullptr);
    if (!browser) return;
    Sleep(500);  // the browser selects the start folder after it shows
    okEnabled = IsWindowEnabled(GetDlgItem(browser, IDOK)) != FALSE;
    RECT r;
    GetWindowRect(browser, &r);
    centred = r.left == GetSystemMetrics(SM_CXSCREEN) / 2 - (r.right - r.left) / 2;
    PostMessageA(browser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!WaitGone(browser)) PostMessageA(browser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
  });
  std::string path = folder;
  bool accepted = controls::win32::RunBrowseFolderDialog(path, "选择安装目录", 0);
  driver.join();
  EXPECT_TRUE(okEnabled) << "an existing folder may be chosen";
  EXPECT_TRUE(centred);
  EXPECT_TRUE(accepted);
  EXPECT_EQ(_stricmp(path.c_str(), folder.c_str()), 0) << path;
  RemoveDirectoryA(folder.c_str());
}

}  // namespace
