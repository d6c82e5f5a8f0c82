// End-to-end scenarios of the directory field's button and the select-directory dialog:
// opened by the button and by Alt+Down, driven like a person would, and its choice
// installed into.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/common/Checks.h"
#include "tests/common/Keyboard.h"
#include "Driver.h"
#include "ui/Dpi.h"

namespace e2e {
namespace {

const std::string kDialogCaption = "选择目录";

bool SamePath(const std::string& a, const std::string& b) { return _stricmp(a.c_str(), b.c_str()) == 0; }

// A folder with two sub-folders and a file, for the lists to show.
std::string MakeTree(const std::string& name) {
  CreateDirectoryA("C:\\e2e", nullptr);
  std::string root = FreshDirectory("C:\\e2e\\" + name);
  CreateDirectoryA(root.c_str(), nullptr);
  CreateDirectoryA((root + "\\sub1").c_str(), nullptr);
  CreateDirectoryA((root + "\\sub2").c_str(), nullptr);
  if (FILE* f = std::fopen((root + "\\readme.txt").c_str(), "wb")) {
    std::fputs("x", f);
    std::fclose(f);
  }
  return root;
}

// Rows are read in UTF-16, which is how Wine hands list texts across processes, and
// turned into the ANSI code page.
std::vector<std::string> ListRows(HWND list, UINT countMsg, UINT lengthMsg, UINT textMsg) {
  std::vector<std::string> rows;
  auto count = static_cast<int>(SendMessageW(list, countMsg, 0, 0));
  for (int i = 0; i < count; ++i) {
    std::wstring text(static_cast<size_t>(SendMessageW(list, lengthMsg, i, 0)) + 1, L'\0');
    auto n = SendMessageW(list, textMsg, i, reinterpret_cast<LPARAM>(text.data()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    char ansi[1024] = {};
    int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), ansi, sizeof ansi, nullptr,
                                     nullptr);
    rows.emplace_back(ansi, length > 0 ? length : 0);
  }
  return rows;
}

// The field's own text, asked of the field (not the title the system keeps for it).
std::string FieldText(RunningSetup& setup) {
  char text[1024] = {};
  auto n = SendMessageA(setup.DirectoryField(), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

// The select-directory dialog as the driver sees it.
struct Dialog {
  HWND hwnd = nullptr;
  HWND dirList = nullptr, fileList = nullptr, driveList = nullptr, dirLabel = nullptr;

  explicit Dialog(HWND h) : hwnd(h) {
    // The folder list comes first in the window order, the file list after it.
    dirList = ChildWindow(h, "ListBox");
    fileList = FindWindowExA(h, dirList, "ListBox", nullptr);
    driveList = ChildWindow(h, "ComboBox");
    dirLabel = ChildWindow(h, "TPathLabel");
  }
  std::string Folder() const { return WindowText(dirLabel); }
  std::vector<std::string> Folders() const { return ListRows(dirList, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }
  std::vector<std::string> Files() const { return ListRows(fileList, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT); }
  std::vector<std::string> Drives() const { return ListRows(driveList, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT); }
  std::string SelectedDrive() const {
    auto i = static_cast<int>(SendMessageA(driveList, CB_GETCURSEL, 0, 0));
    std::vector<std::string> rows = Drives();
    return i >= 0 && i < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(i)] : "";
  }
  // Waits until the path caption shows the folder.
  bool WaitFolder(const std::string& folder) const {
    for (int i = 0; i < 100; ++i) {
      if (SamePath(Folder(), folder)) return true;
      Sleep(50);
    }
    return false;
  }
  // A double click on a folder row, as the mouse gives it.
  void DoubleClickFolderRow(int row) const {
    RECT r{};
    SendMessageA(dirList, LB_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    LPARAM at = MAKELPARAM(r.left + 30, (r.top + r.bottom) / 2);
    PostMessageA(dirList, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(dirList, WM_LBUTTONUP, 0, at);
    PostMessageA(dirList, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(dirList, WM_LBUTTONUP, 0, at);
  }
  void Press(const std::string& caption) const {
    HWND b = ChildWindow(hwnd, "Button", caption);
    ASSERT_TRUE(b) << caption;
    PostMessageA(b, BM_CLICK, 0, 0);
  }
  // The client-area bounds of a child window.
  RECT Bounds(HWND child) const {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
    return r;
  }
};

HWND FieldButton(RunningSetup& setup) { return ChildWindow(setup.DirectoryField(), "TEditButton"); }

void ClickFieldButton(RunningSetup& setup) {
  HWND button = FieldButton(setup);
  ASSERT_TRUE(button);
  PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, 8));
  PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(8, 8));
}

// Alt+Down as the keyboard gives it: a system key with the Alt context bit.
void PressAltDown(RunningSetup& setup) {
  PostMessageA(setup.DirectoryField(), WM_SYSKEYDOWN, VK_DOWN, 1 | (1 << 29));
  PostMessageA(setup.DirectoryField(), WM_SYSKEYUP, VK_DOWN, 1 | (1 << 29) | (3u << 30));
}

TEST(DirectoryField, ButtonSitsInsideTheFieldAndShowsItsGlyph) {
  RunningSetup setup;
  HWND field = setup.DirectoryField();
  ASSERT_TRUE(field);
  HWND button = FieldButton(setup);
  ASSERT_TRUE(button);
  HWND holder = GetParent(button);
  EXPECT_EQ(GetParent(holder), field);
  RECT fieldWindow, holderBounds;
  GetWindowRect(field, &fieldWindow);
  GetWindowRect(holder, &holderBounds);
  MapWindowPoints(nullptr, field, reinterpret_cast<POINT*>(&holderBounds), 2);
  int fieldWidth = fieldWindow.right - fieldWindow.left, fieldHeight = fieldWindow.bottom - fieldWindow.top;
  // A 3D single border: the holder stands 4 pixels in from the right, as high as the field less 4.
  EXPECT_EQ(holderBounds.left, fieldWidth - 21 - 4);
  EXPECT_EQ(holderBounds.top, 0);
  EXPECT_EQ(holderBounds.right - holderBounds.left, 21);
  EXPECT_EQ(holderBounds.bottom - holderBounds.top, fieldHeight - 4);
  // The text stops 2 pixels short of the button (the edit may keep a pixel or two of its own).
  RECT text{};
  SendMessageA(field, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
  EXPECT_LE(text.right, holderBounds.left - 2);
  EXPECT_GE(text.right, holderBounds.left - 4);

  // The folder glyph's yellow and the button's white highlight ring are on the screen.
  RECT onMain;
  GetWindowRect(button, &onMain);
  MapWindowPoints(nullptr, setup.Main(), reinterpret_cast<POINT*>(&onMain), 2);
  // Also after the field's frame alone is painted again, as a theme change or an
  // uncovering does: a themed edit's frame painting reaches into its client area.
  for (const char* when : {"first shown", "after the frame's repaint"}) {
    RunningSetup::Pixels px = setup.ClientPixels(onMain);
    int yellow = 0;
    for (COLORREF c : px.colors) yellow += c == RGB(0xFF, 0xFF, 0);
    EXPECT_GT(yellow, 4) << "no folder glyph on the button, " << when;
    EXPECT_EQ(px.At(1, 0), GetSysColor(COLOR_BTNHIGHLIGHT)) << "top ring, " << when;
    EXPECT_EQ(px.At(px.width - 1, px.height - 1), GetSysColor(COLOR_WINDOWFRAME)) << "bottom-right ring, " << when;
    RedrawWindow(field, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
  }
  setup.Screenshot("field-button");

  // Squeezed to 10 pixels the field grows back to its least height, the button with it.
  SetWindowPos(field, nullptr, 0, 0, fieldWidth, 10, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  GetWindowRect(field, &fieldWindow);
  int raised = fieldWindow.bottom - fieldWindow.top;
  EXPECT_GT(raised, 10);
  EXPECT_LE(raised, fieldHeight);
  GetWindowRect(holder, &holderBounds);
  EXPECT_EQ(holderBounds.bottom - holderBounds.top, raised - 4);
}

TEST(DirectoryField, ButtonOpensTheDialogOnTheFieldsFolderAndOkWritesTheChoiceBackForTheInstall) {
  std::string root = MakeTree("pick");
  RunningSetup setup;
  setup.SetDirectory(root);
  ClickFieldButton(setup);
  HWND h = setup.WaitWindow(kDialogCaption);
  ASSERT_TRUE(h) << "the button opened no dialog";
  Dialog dialog(h);
  ASSERT_TRUE(dialog.dirList && dialog.fileList && dialog.driveList && dialog.dirLabel);
  EXPECT_TRUE(SamePath(dialog.Folder(), root)) << dialog.Folder();

  // The rows: the path one component a row, then the sorted sub-folders.
  std::vector<std::string> rows = dialog.Folders();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_TRUE(SamePath(rows[0], "C:\\"));
  EXPECT_TRUE(SamePath(rows[1], "e2e"));
  EXPECT_TRUE(SamePath(rows[2], "pick"));
  EXPECT_EQ(rows[3], "sub1");
  EXPECT_EQ(rows[4], "sub2");
  EXPECT_EQ(SendMessageA(dialog.dirList, LB_GETCURSEL, 0, 0), 2) << "the current folder's row is selected";
  EXPECT_EQ(dialog.Files(), std::vector<std::string>{"readme.txt"});
  EXPECT_EQ(dialog.SelectedDrive().substr(0, 2), "c:");

  // The dialog: client 424 x 255 scaled, centred; no help, network button or folder edit;
  // OK and Cancel moved right into their places.
  ui::Scaler scale;
  RECT client;
  GetClientRect(h, &client);
  EXPECT_EQ(client.right, scale(424));
  EXPECT_EQ(client.bottom, scale(255));
  RECT window;
  GetWindowRect(h, &window);
  EXPECT_EQ(window.left, GetSystemMetrics(SM_CXSCREEN) / 2 - (window.right - window.left) / 2);
  EXPECT_EQ(window.top, GetSystemMetrics(SM_CYSCREEN) / 2 - (window.bottom - window.top) / 2);
  HWND ok = ChildWindow(h, "Button", "确定"), cancel = ChildWindow(h, "Button", "取消");
  ASSERT_TRUE(ok && cancel);
  EXPECT_EQ(dialog.Bounds(ok).left, scale(256));
  EXPECT_EQ(dialog.Bounds(cancel).left, scale(340));
  EXPECT_EQ(dialog.Bounds(ok).top, scale(224));
  EXPECT_FALSE(IsWindowVisible(ChildWindow(h, "Button", "帮助[&H]")));
  EXPECT_FALSE(IsWindowVisible(ChildWindow(h, "Button", "网络[&t]...")));
  EXPECT_FALSE(IsWindowVisible(ChildWindow(h, "Edit")));
  EXPECT_EQ(dialog.Bounds(dialog.dirList).left, scale(8));
  EXPECT_EQ(dialog.Bounds(dialog.dirList).top, scale(72));
  EXPECT_EQ(dialog.Bounds(dialog.dirLabel).top, scale(24));
  EXPECT_TRUE(ChildWindow(h, "Static", "目录[&D]:"));
  EXPECT_TRUE(ChildWindow(h, "Static", "磁盘驱动器[D&]:"));
  setup.Screenshot("select-dir");

  dialog.DoubleClickFolderRow(4);
  ASSERT_TRUE(dialog.WaitFolder(root + "\\sub2")) << dialog.Folder();
  EXPECT_TRUE(dialog.Files().empty()) << "the file list follows the folder";
  dialog.Press("确定");
  EXPECT_TRUE(WaitGone(h));
  EXPECT_TRUE(SamePath(FieldText(setup), root + "\\sub2")) << FieldText(setup);

  // The accepted folder starts the next press on an emptied field.
  setup.SetDirectory("");
  ClickFieldButton(setup);
  h = setup.WaitWindow(kDialogCaption);
  ASSERT_TRUE(h);
  EXPECT_TRUE(Dialog(h).WaitFolder(root + "\\sub2")) << Dialog(h).Folder();
  Dialog(h).Press("确定");
  EXPECT_TRUE(WaitGone(h));
  std::string chosen = FieldText(setup);
  ASSERT_TRUE(SamePath(chosen, root + "\\sub2")) << chosen;

  // The install goes where the dialog pointed.
  setup.Press("安装");
  MessageBoxInfo box = setup.WaitMessageBox(180000);
  ASSERT_TRUE(box.hwnd);
  EXPECT_EQ(box.text, "安装完成，请重新启动电脑！");
  setup.Answer(box);
  EXPECT_TRUE(setup.WaitExit(30000));
  EXPECT_TRUE(ReadFile(chosen + "\\kestrum.exe") == SetupResource("MYDBAPP", "MYDBAPPFILE"));
  EXPECT_EQ(ReadFile(chosen + "\\login.dat"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=DB.mdb;Persist Security Info=False");
}

TEST(DirectoryField, AltDownOnAFolderThatIsNotThereOpensTheCurrentFolderAndCancelChangesNothing) {
  char current[MAX_PATH] = {};
  GetCurrentDirectoryA(sizeof current, current);  // setup.exe starts in the driver's folder
  RunningSetup setup;
  setup.SetDirectory("q:\\nowhere");
  PressAltDown(setup);
  HWND h = setup.WaitWindow(kDialogCaption);
  ASSERT_TRUE(h) << "Alt+Down opened no dialog";
  Dialog dialog(h);
  EXPECT_TRUE(dialog.WaitFolder(current)) << dialog.Folder() << " instead of " << current;
  dialog.DoubleClickFolderRow(0);
  EXPECT_TRUE(dialog.WaitFolder(std::string(current, 3)));
  dialog.Press("取消");
  EXPECT_TRUE(WaitGone(h));
  EXPECT_EQ(FieldText(setup), "q:\\nowhere");
  EXPECT_TRUE(setup.ControlsEnabled());
}

TEST(DirectoryField, FirstRowGoesToTheDriveRootAndTheDriveListMovesTheFolderList) {
  std::string root = MakeTree("drives");
  CreateDirectoryA("D:\\e2e-drive", nullptr);
  RunningSetup setup;
  setup.SetDirectory(root + "\\sub1");
  ClickFieldButton(setup);
  HWND h = setup.WaitWindow(kDialogCaption);
  ASSERT_TRUE(h);
  Dialog dialog(h);
  ASSERT_TRUE(dialog.WaitFolder(root + "\\sub1")) << dialog.Folder();
  dialog.DoubleClickFolderRow(0);
  ASSERT_TRUE(dialog.WaitFolder("C:\\")) << dialog.Folder();
  std::vector<std::string> rows = dialog.Folders();
  ASSERT_FALSE(rows.empty());
  EXPECT_TRUE(SamePath(rows[0], "C:\\"));
  EXPECT_NE(std::find(rows.begin(), rows.end(), "e2e"), rows.end()) << "C:\\'s sub-folders follow";

  // Choosing drive d: in the drive list.
  std::vector<std::string> drives = dialog.Drives();
  auto d = std::find_if(drives.begin(), drives.end(), [](const std::string& s) { return s.rfind("d:", 0) == 0; });
  ASSERT_NE(d, drives.end());
  SetForegroundWindow(h);
  SendMessageA(dialog.driveList, CB_SETCURSEL, d - drives.begin(), 0);
  PostMessageA(h, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(dialog.driveList), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(dialog.driveList));
  ASSERT_TRUE(dialog.WaitFolder("D:\\")) << dialog.Folder();
  rows = dialog.Folders();
  EXPECT_NE(std::find(rows.begin(), rows.end(), "e2e-drive"), rows.end());
  EXPECT_EQ(dialog.SelectedDrive().substr(0, 2), "d:");
  dialog.Press("取消");
  EXPECT_TRUE(WaitGone(h));
  EXPECT_TRUE(SamePath(FieldText(setup), root + "\\sub1"));
  RemoveDirectoryA("D:\\e2e-drive");
}

// An error inside the dialog (a folder gone since the list was read) shows in a box over
// the dialog: the box belongs to the dialog, which stays open behind it and has its focus
// back once the box is answered.
TEST(DirectoryField, AnErrorInsideTheDialogShowsOverTheDialogWhichStaysOpen) {
  std::string root = MakeTree("vanish");
  RunningSetup setup;
  setup.SetDirectory(root);
  ClickFieldButton(setup);
  HWND h = setup.WaitWindow(kDialogCaption);
  ASSERT_TRUE(h);
  Dialog dialog(h);
  ASSERT_TRUE(dialog.WaitFolder(root)) << dialog.Folder();
  ASSERT_TRUE(RemoveDirectoryA((root + "\\sub2").c_str()));
  dialog.DoubleClickFolderRow(4);
  MessageBoxInfo box = setup.WaitMessageBox(10000);
  ASSERT_TRUE(box.hwnd) << "no error shown";
  EXPECT_EQ(GetWindow(box.hwnd, GW_OWNER), h) << "the box belongs to the dialog";
  EXPECT_FALSE(IsWindowEnabled(h)) << "the dialog waits for the box";
  EXPECT_FALSE(IsWindowEnabled(setup.Main()));
  setup.Answer(box);
  EXPECT_TRUE(IsWindowVisible(h) && IsWindowEnabled(h)) << "the dialog stays open";
  EXPECT_TRUE(SamePath(dialog.Folder(), root)) << dialog.Folder();
  EXPECT_EQ(WaitFocus(setup.Main(), dialog.dirList), dialog.dirList) << "the focus is back in the dialog";
  dialog.Press("取消");
  EXPECT_TRUE(WaitGone(h));
}

TEST(DirectoryField, ReadOnlyKeepsTheDialogShutBothWaysIn) {
  RunningSetup setup;
  SendMessageA(setup.DirectoryField(), EM_SETREADONLY, TRUE, 0);
  ClickFieldButton(setup);
  PressAltDown(setup);
  EXPECT_FALSE(setup.WaitWindow(kDialogCaption, 1500)) << "a read-only field opened the dialog";
  EXPECT_EQ(FieldText(setup), "d:\\kestrum");

  SendMessageA(setup.DirectoryField(), EM_SETREADONLY, FALSE, 0);
  PressAltDown(setup);
  HWND h = setup.WaitWindow(kDialogCaption);
  ASSERT_TRUE(h) << "writable again, Alt+Down opens it";
  Dialog(h).Press("取消");
  EXPECT_TRUE(WaitGone(h));
}

TEST(DirectoryField, EnterKeepsTheFieldOnOneLine) {
  RunningSetup setup;
  HWND field = setup.DirectoryField();
  PostMessageA(field, WM_CHAR, VK_RETURN, 1);
  PostMessageA(field, WM_CHAR, '\n', 1);
  PostMessageA(field, WM_CHAR, 'x', 1);
  for (int i = 0; i < 40 && FieldText(setup).find('x') == std::string::npos; ++i) Sleep(50);
  std::string text = FieldText(setup);
  EXPECT_EQ(text.find_first_of("\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find('x'), std::string::npos);
  EXPECT_EQ(SendMessageA(field, EM_GETLINECOUNT, 0, 0), 1);
  EXPECT_TRUE(setup.Running());
}

}  // namespace
}  // namespace e2e
