// Making a folder with its missing parents, as the install and the extraction both rely on:
// roots are never made, GBK names are never cut at a trail byte, failures are told.
#include <gtest/gtest.h>

#include "sys/Files.h"
#include "tests/native/support/FakeFileSystem.h"

namespace {

// "\x95\x5C" is one GBK character whose trail byte is the code of "\".
const std::string kTrail5C = "\x95\x5C";

class ForceDirectories : public ::testing::Test {
 protected:
  std::vector<std::string> Made() {
    std::vector<std::string> mk;
    for (const std::string& line : fs.log)
      if (line.rfind("mkdir ", 0) == 0) mk.push_back(line.substr(6));
    fs.log.clear();
    return mk;
  }
  support::FakeFileSystem fs;  // holds c: only
};

using Paths = std::vector<std::string>;

TEST_F(ForceDirectories, DriveRootIsNeverMadeAndCountsOnlyWhenItExists) {
  for (const char* path : {"c:\\", "c:", "C:\\"}) {
    EXPECT_TRUE(sys::ForceDirectories(fs, path)) << path;
    EXPECT_TRUE(Made().empty()) << path;
  }
  for (const char* path : {"q:\\", "q:"}) {
    EXPECT_FALSE(sys::ForceDirectories(fs, path)) << path;
    EXPECT_TRUE(Made().empty()) << path;
  }
  EXPECT_FALSE(sys::ForceDirectories(fs, "q:\\kestrum\\bin"));
  EXPECT_EQ(Made(), (Paths{"q:\\kestrum"})) << "stops at the first folder that cannot be made";
  EXPECT_FALSE(sys::ForceDirectories(fs, ""));
  EXPECT_TRUE(Made().empty());
}

TEST_F(ForceDirectories, MissingParentsAreMadeOutermostFirstWithOrWithoutTrailingBackslash) {
  EXPECT_TRUE(sys::ForceDirectories(fs, "c:\\a\\b\\c\\"));
  EXPECT_EQ(Made(), (Paths{"c:\\a", "c:\\a\\b", "c:\\a\\b\\c"}));
  EXPECT_TRUE(sys::ForceDirectories(fs, "c:\\a\\b\\c"));
  EXPECT_TRUE(Made().empty()) << "an existing folder is not made again";
  fs.AddDirectory("c:\\work");
  EXPECT_TRUE(sys::ForceDirectories(fs, "rel\\sub"));
  EXPECT_EQ(Made(), (Paths{"c:\\work\\rel", "c:\\work\\rel\\sub"})) << "below the current folder";
}

TEST_F(ForceDirectories, ShareIsARootLikeADrive) {
  fs.AddDirectory("\\\\srv\\share");
  EXPECT_TRUE(sys::ForceDirectories(fs, "\\\\srv\\share\\a\\b\\"));
  EXPECT_EQ(Made(), (Paths{"\\\\srv\\share\\a", "\\\\srv\\share\\a\\b"}));
  EXPECT_TRUE(sys::ForceDirectories(fs, "\\\\srv\\share\\"));
  EXPECT_TRUE(Made().empty());
  EXPECT_FALSE(sys::ForceDirectories(fs, "\\\\srv\\gone\\a"));
  EXPECT_EQ(Made(), (Paths{"\\\\srv\\gone\\a"})) << "neither server nor share is made";
  EXPECT_FALSE(sys::ForceDirectories(fs, "\\\\srv\\gone"));
  EXPECT_TRUE(Made().empty());
}

TEST_F(ForceDirectories, TrailByte5CIsNoSeparator) {
  EXPECT_TRUE(sys::ForceDirectories(fs, "c:\\" + kTrail5C + "\\x" + kTrail5C));
  EXPECT_EQ(Made(), (Paths{"c:\\" + kTrail5C, "c:\\" + kTrail5C + "\\x" + kTrail5C}));
  EXPECT_TRUE(fs.Find("c:\\" + kTrail5C + "\\x" + kTrail5C)->directory);
}

TEST_F(ForceDirectories, FileInTheWayIsAFailure) {
  fs.AddFile("c:\\f", "data");
  EXPECT_FALSE(sys::ForceDirectories(fs, "c:\\f"));
  EXPECT_FALSE(sys::ForceDirectories(fs, "c:\\f\\sub\\deeper"));
  EXPECT_EQ(Made(), (Paths{"c:\\f", "c:\\f"}));
  EXPECT_FALSE(fs.Find("c:\\f")->directory);
  EXPECT_FALSE(fs.Exists("c:\\f\\sub"));
}

// A folder that another program makes between the test and the creation.
class RacingFileSystem : public support::FakeFileSystem {
 public:
  bool CreateDirectory(const std::string& path) override {
    FakeFileSystem::CreateDirectory(path);
    return false;
  }
};

TEST(ForceDirectoriesRace, FolderMadeMeanwhileCountsAsMade) {
  RacingFileSystem fs;
  EXPECT_TRUE(sys::ForceDirectories(fs, "c:\\a\\b"));
  EXPECT_TRUE(fs.Find("c:\\a\\b")->directory);
}

}  // namespace
