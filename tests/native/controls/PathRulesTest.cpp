// Path splitting, caption shortening and folder creation on the fake drives, with GBK
// names whose trail byte is the code of "\".
#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "controls/PathRules.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/FakeFolders.h"

namespace {

// Both characters' GBK trail byte is 0x5C, the code of "\".
const std::string kTrail5C = "禱";
const std::string kOther5C = "癨";

class PathRulesTest : public ::testing::Test {
 protected:
  PathRulesTest() {
    folders.AddFolders("c:\\work\\sub");
    folders.AddFolders("c:\\" + kTrail5C + "\\inner");
    fs.AddFile("c:\\work\\a.txt", "a");
    fs.AddFile("c:\\work\\" + kOther5C, "file with a 0x5C trail byte");
    folders.AddDrive('d', sys::kDriveFixed, "DATA");
    folders.AddFolders("d:\\data");
    folders.AddFolders("\\\\srv\\share\\docs");
  }

  controls::PathParts Split(const std::string& path) { return controls::SplitPath(fs, folders, path); }

  support::FakeFileSystem fs;
  support::FakeFolders folders{fs};
};

TEST_F(PathRulesTest, DriveOfAPath) {
  EXPECT_EQ(controls::ExtractFileDrive("c:\\a"), "c:");
  EXPECT_EQ(controls::ExtractFileDrive("c:"), "c:");
  EXPECT_EQ(controls::ExtractFileDrive("\\\\srv\\share\\x\\y"), "\\\\srv\\share");
  EXPECT_EQ(controls::ExtractFileDrive("\\\\srv\\share"), "\\\\srv\\share");
  EXPECT_EQ(controls::ExtractFileDrive("\\\\srv" + kTrail5C + "\\share\\x"), "\\\\srv" + kTrail5C + "\\share");
  EXPECT_EQ(controls::ExtractFileDrive("\\\\"), "");
  EXPECT_EQ(controls::ExtractFileDrive("\\a"), "");
  EXPECT_EQ(controls::ExtractFileDrive(""), "");
}

TEST_F(PathRulesTest, SplitsFoldersFilesAndMasks) {
  controls::PathParts p = Split("c:\\work\\sub");
  EXPECT_EQ(p.drive, 'c');
  EXPECT_EQ(p.directory, "\\work\\sub");
  EXPECT_EQ(p.fileName, "");

  p = Split("c:\\work\\a.txt");
  EXPECT_EQ(p.directory, "\\work");
  EXPECT_EQ(p.fileName, "a.txt");

  p = Split("c:\\work\\*.txt");
  EXPECT_EQ(p.directory, "\\work");
  EXPECT_EQ(p.fileName, "*.txt");

  EXPECT_EQ(Split("c:\\work\\sub\\").directory, "\\work\\sub");
  EXPECT_EQ(Split("c:\\").directory, "\\");
  EXPECT_EQ(Split("sub").directory, "\\work\\sub");  // against the current folder
  EXPECT_EQ(Split("[sub]").directory, "\\work\\sub");
  EXPECT_EQ(Split("[sub]").drive, 'c');
}

TEST_F(PathRulesTest, DriveAloneMeansThatDrivesCurrentFolder) {
  ASSERT_TRUE(folders.ChangeDirectory("d:\\data"));
  ASSERT_TRUE(folders.ChangeDirectory("c:\\work"));
  controls::PathParts p = Split("d:");
  EXPECT_EQ(p.drive, 'd');
  EXPECT_EQ(p.directory, "\\data");
}

TEST_F(PathRulesTest, SetsTheCurrentFolderBackInEveryCase) {
  Split("d:\\data");
  EXPECT_EQ(folders.CurrentDirectory(), "c:\\work");
  EXPECT_THROW(Split("c:\\work\\missing\\deeper"), base::EInOutError);
  EXPECT_EQ(folders.CurrentDirectory(), "c:\\work");
  // A name that is neither a file nor a folder cannot be entered.
  EXPECT_THROW(Split("c:\\work\\missing"), base::EInOutError);
  EXPECT_EQ(folders.CurrentDirectory(), "c:\\work");
}

TEST_F(PathRulesTest, NeverSplitsAtATrailByte) {
  controls::PathParts p = Split("c:\\" + kTrail5C + "\\inner");
  EXPECT_EQ(p.directory, "\\" + kTrail5C + "\\inner");
  EXPECT_EQ(p.fileName, "");
  p = Split("c:\\" + kTrail5C);
  EXPECT_EQ(p.directory, "\\" + kTrail5C);
  p = Split("c:\\work\\" + kOther5C);
  EXPECT_EQ(p.directory, "\\work");
  EXPECT_EQ(p.fileName, kOther5C);
}

TEST_F(PathRulesTest, NetworkPathsKeepTheirRootInTheFolder) {
  controls::PathParts p = Split("\\\\srv\\share\\docs");
  EXPECT_EQ(p.drive, 0);
  EXPECT_EQ(p.directory, "\\\\srv\\share\\docs");
  EXPECT_EQ(p.fileName, "");
  EXPECT_EQ(folders.CurrentDirectory(), "c:\\work");
}

// Every byte 7 pixels wide, so a limit is a byte count.
int Width(const std::string& s) { return static_cast<int>(s.size()) * 7; }
std::string Minimize(const std::string& path, std::size_t bytes) {
  return controls::MinimizePath(path, static_cast<int>(bytes) * 7, Width);
}

TEST(MinimizePath, DropsLeadingFoldersThenTheDriveUntilItFits) {
  const std::string path = "c:\\aaaa\\bbbb\\cccc\\file";
  EXPECT_EQ(Minimize(path, 100), path);
  EXPECT_EQ(Minimize(path, path.size()), path);
  const char* steps[] = {"c:\\...\\bbbb\\cccc\\file", "c:\\...\\cccc\\file", "c:\\...\\file", "...\\file", "file"};
  for (const char* step : steps) EXPECT_EQ(Minimize(path, std::string(step).size()), step);
  EXPECT_EQ(Minimize(path, 0), "file");  // the name is never cut
  EXPECT_EQ(Minimize("", 0), "");
  EXPECT_EQ(Minimize("c:\\", 1), "");
}

TEST(MinimizePath, CutsWholeGbkCharactersAndDotNames) {
  EXPECT_EQ(Minimize("c:\\" + kTrail5C + kOther5C + kTrail5C + "\\bb\\file", 15), "c:\\...\\bb\\file");
  // A folder whose own name starts with a dot is cut as one folder, not by four bytes,
  // which would split its GBK character and take the next folder with it.
  EXPECT_EQ(Minimize("c:\\.x汉\\next\\more\\file", 21), "c:\\...\\next\\more\\file");
  EXPECT_EQ(Minimize("c:\\.x" + kTrail5C + "\\next\\file", 16), "c:\\...\\next\\file");
}

TEST(MinimizePath, NetworkAndRelativePathsEnd) {
  EXPECT_EQ(Minimize("\\\\srv\\share\\d\\file", 12), "\\...\\d\\file");
  EXPECT_EQ(Minimize("\\\\srv\\share\\d\\file", 0), "file");
  EXPECT_EQ(Minimize("a\\b\\file", 0), "file");
}

// The dialog makes an accepted folder (sdPerformCreate) with the one folder maker.
TEST_F(PathRulesTest, CreatesMissingParentsInOrder) {
  fs.log.clear();
  EXPECT_TRUE(sys::ForceDirectories(fs, "c:\\work\\n1\\n2\\n3\\"));
  EXPECT_EQ(fs.log,
            (std::vector<std::string>{"mkdir c:\\work\\n1", "mkdir c:\\work\\n1\\n2", "mkdir c:\\work\\n1\\n2\\n3"}));
  fs.log.clear();
  EXPECT_TRUE(sys::ForceDirectories(fs, "c:\\work\\n1"));
  EXPECT_TRUE(fs.log.empty());
  EXPECT_TRUE(sys::ForceDirectories(fs, "c:\\" + kTrail5C + "\\new"));
  EXPECT_TRUE(sys::DirectoryExists(fs, "c:\\" + kTrail5C + "\\new"));
}

TEST_F(PathRulesTest, FolderCreationFailsWithoutADriveOrUnderAFile) {
  EXPECT_FALSE(sys::ForceDirectories(fs, "q:\\x"));
  EXPECT_FALSE(sys::ForceDirectories(fs, "c:\\work\\a.txt\\x"));
  EXPECT_FALSE(sys::ForceDirectories(fs, ""));
}

}  // namespace
