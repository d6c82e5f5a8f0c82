// The native build's drives and folders on real temporary folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "sys/Folders.h"

namespace {

class PosixFoldersTest : public ::testing::Test {
 protected:
  PosixFoldersTest() {
    char pattern[] = "/tmp/zorvik-folders-XXXXXX";
    root_ = mkdtemp(pattern);
    char here[PATH_MAX];
    saved_ = getcwd(here, sizeof here) ? here : "/";
    mkdir((root_ + "/sub").c_str(), 0777);
    std::ofstream(root_ + "/a.txt") << "a";
    std::ofstream(root_ + "/b.exe") << "b";
  }
  ~PosixFoldersTest() override {
    EXPECT_EQ(chdir(saved_.c_str()), 0);
    std::filesystem::remove_all(root_);
  }
  std::string Windows(std::string p) {
    std::replace(p.begin(), p.end(), '/', '\\');
    return p;
  }

  sys::Folders& folders = sys::RealFolders();
  std::string root_, saved_;
};

TEST_F(PosixFoldersTest, CurrentFolderRoundTripsWithBackslashes) {
  ASSERT_TRUE(folders.ChangeDirectory(Windows(root_) + "\\sub"));
  EXPECT_EQ(folders.CurrentDirectory(), Windows(root_) + "\\sub");
  EXPECT_EQ(folders.FullPath("x\\*.*"), Windows(root_) + "\\sub\\x\\*.*");
  ASSERT_TRUE(folders.ChangeDirectory(".."));
  EXPECT_EQ(folders.CurrentDirectory(), Windows(root_));
  EXPECT_FALSE(folders.ChangeDirectory(Windows(root_) + "\\missing"));
  EXPECT_EQ(folders.LastError(), 3u);
  EXPECT_EQ(folders.CurrentDirectory(), Windows(root_));
}

TEST_F(PosixFoldersTest, ListsEntriesWithTheirKinds) {
  std::vector<sys::FoundEntry> all = folders.FindFiles(Windows(root_) + "\\*.*");
  std::vector<std::string> names;
  for (const auto& e : all) {
    names.push_back(e.name);
    EXPECT_EQ((e.attributes & 0x10) != 0, e.name == "sub" || e.name == "." || e.name == "..") << e.name;
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.txt", "b.exe", "sub"}));
  std::vector<sys::FoundEntry> txt = folders.FindFiles(Windows(root_) + "\\*.txt");
  ASSERT_EQ(txt.size(), 1u);
  EXPECT_EQ(txt[0].name, "a.txt");
  EXPECT_TRUE(folders.FindFiles(Windows(root_) + "\\missing\\*.*").empty());
}

TEST_F(PosixFoldersTest, NoDrivesButAQuietErrorMode) {
  EXPECT_EQ(folders.LogicalDrives(), 0u);
  std::string remote;
  EXPECT_EQ(folders.RemoteName("x:", remote), sys::kWNetNotConnected);
  uint32_t before = folders.SetErrorMode(0x8001);
  EXPECT_EQ(folders.SetErrorMode(before), 0x8001u);
  EXPECT_EQ(folders.DriveType("\\"), sys::kDriveFixed);
}

}  // namespace
