// The drive and folder layer on a real (Wine) system, and the folder picker's rules over it:
// drive letters, the current folder per drive, listings and GBK names whose trail byte is
// the code of "\".
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "controls/DirDialogRules.h"
#include "sys/Files.h"
#include "sys/Folders.h"

namespace {

const std::string kTrail5C = "禱";  // GBK trail byte 0x5C

class Win32FoldersTest : public ::testing::Test {
 protected:
  Win32FoldersTest() {
    saved_ = folders.CurrentDirectory();
    CreateDirectoryA("C:\\win32-tests", nullptr);
    CreateDirectoryA(root_.c_str(), nullptr);
    CreateDirectoryA((root_ + "\\" + kTrail5C).c_str(), nullptr);
    CreateDirectoryA((root_ + "\\" + kTrail5C + "\\inner").c_str(), nullptr);
    HANDLE h = CreateFileA((root_ + "\\tool.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(h);
  }
  ~Win32FoldersTest() override { folders.ChangeDirectory(saved_); }

  sys::Folders& folders = sys::RealFolders();
  const std::string root_ = "C:\\win32-tests\\folders";
  std::string saved_;
};

TEST_F(Win32FoldersTest, DriveCIsAFixedReadableDrive) {
  EXPECT_NE(folders.LogicalDrives() & (1u << 2), 0u);
  EXPECT_EQ(folders.DriveType("C:\\"), sys::kDriveFixed);
  std::string label;
  uint32_t flags = 0;
  EXPECT_TRUE(folders.VolumeInformation("C:\\", label, flags));
  EXPECT_NE(flags & sys::kFsCaseIsPreserved, 0u);
  uint32_t before = folders.SetErrorMode(0x8001);
  EXPECT_EQ(folders.SetErrorMode(before), 0x8001u);
}

TEST_F(Win32FoldersTest, CurrentFolderAndDriveRelativeNames) {
  ASSERT_TRUE(folders.ChangeDirectory(root_ + "\\" + kTrail5C));
  EXPECT_EQ(folders.CurrentDirectory(), root_ + "\\" + kTrail5C);
  ASSERT_TRUE(folders.ChangeDirectory("inner"));
  EXPECT_EQ(folders.CurrentDirectory(), root_ + "\\" + kTrail5C + "\\inner");
  EXPECT_EQ(folders.FullPath("\\*.*"), "C:\\*.*");
  ASSERT_TRUE(folders.ChangeDirectory("C:"));  // the drive's current folder: no move
  EXPECT_EQ(folders.CurrentDirectory(), root_ + "\\" + kTrail5C + "\\inner");
  EXPECT_FALSE(folders.ChangeDirectory(root_ + "\\missing"));
  EXPECT_NE(folders.LastError(), 0u);
}

TEST_F(Win32FoldersTest, ListingsCarryAttributes) {
  std::vector<sys::FoundEntry> entries = folders.FindFiles(root_ + "\\*.*");
  auto find = [&](const std::string& name) {
    return std::find_if(entries.begin(), entries.end(), [&](const sys::FoundEntry& e) { return e.name == name; });
  };
  ASSERT_NE(find(kTrail5C), entries.end());
  EXPECT_NE(find(kTrail5C)->attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  ASSERT_NE(find("tool.exe"), entries.end());
  EXPECT_EQ(find("tool.exe")->attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_NE(find(".."), entries.end());
  EXPECT_TRUE(folders.FindFiles(root_ + "\\missing\\*.*").empty());
}

TEST_F(Win32FoldersTest, TheDialogOpensOnAGbkFolder) {
  ASSERT_TRUE(folders.ChangeDirectory(root_));
  controls::SelectDirModel dialog(sys::RealFileSystem(), folders, [](sys::Cursor c) { return c; });
  dialog.FormCreate();
  dialog.SetStartFolder(root_ + "\\" + kTrail5C);
  EXPECT_EQ(dialog.DirLabelCaption(), root_ + "\\" + kTrail5C);
  ASSERT_EQ(dialog.dirList.Rows().size(), 5u);  // C:\, win32-tests, folders, the GBK folder, inner
  EXPECT_EQ(dialog.dirList.Rows()[3].text, kTrail5C);
  EXPECT_EQ(dialog.dirList.Rows()[4].text, "inner");
  dialog.dirList.OpenRow(0);
  EXPECT_EQ(dialog.DirLabelCaption(), "C:\\");
  EXPECT_EQ(dialog.driveList.Rows().at(dialog.driveList.ItemIndex()).text.substr(0, 2), "c:");
}

}  // namespace
