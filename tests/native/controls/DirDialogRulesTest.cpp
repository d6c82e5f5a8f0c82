// The select-directory dialog's lists and handlers on the fake drives.
#include <gtest/gtest.h>

#include "base/Exceptions.h"
#include "controls/DirDialogRules.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/FakeFolders.h"

namespace {

using controls::DriveImage;
using controls::FileImage;
using controls::FolderImage;

const std::string kTrail5C = "禱";  // GBK trail byte 0x5C

class DialogTest : public ::testing::Test {
 protected:
  DialogTest() {
    folders.AddFolders("c:\\Program Files\\Zorvik\\Sub2");
    folders.AddFolders("c:\\Program Files\\Zorvik\\sub1");
    folders.AddFolders("c:\\Program Files\\Zorvik\\Sub3");
    folders.AddFolders("c:\\work\\deep");
    folders.AddFolders("c:\\" + kTrail5C + "\\x\\y");
    fs.AddFile("c:\\Program Files\\Zorvik\\b.txt", "");
    fs.AddFile("c:\\Program Files\\Zorvik\\A.exe", "");
    fs.AddFile("c:\\Program Files\\Zorvik\\c.BAT", "");
    fs.AddFile("c:\\Program Files\\Zorvik\\readme", "");
    fs.AddFile("c:\\Program Files\\Zorvik\\h.txt", "", sys::kAttrHidden);
    fs.AddFile("c:\\Program Files\\Zorvik\\s.sys", "", sys::kAttrSystem);
    folders.AddDrive('d', sys::kDriveFixed, "Data");
    folders.AddFolders("d:\\data\\more");
  }

  std::vector<std::string> Texts(const std::vector<controls::FolderRow>& rows) {
    std::vector<std::string> r;
    for (const auto& row : rows) r.push_back(row.text);
    return r;
  }

  support::FakeFileSystem fs;
  support::FakeFolders folders{fs};
};

// --- Folder list ---------------------------------------------------------------------------

class FolderListTest : public DialogTest {
 protected:
  FolderListTest() {
    list.OnChange = [this] { ++changes; };
  }
  void Open(const std::string& path) {
    ASSERT_TRUE(folders.ChangeDirectory(path));
    list.SetDirectory(path);
    changes = 0;
  }
  controls::DirectoryList list{fs, folders};
  int changes = 0;
};

TEST_F(FolderListTest, PathRowsThenSortedSubFolders) {
  Open("C:\\Program Files\\Zorvik");
  EXPECT_EQ(Texts(list.Rows()), (std::vector<std::string>{"C:\\", "Program Files", "Zorvik", "sub1", "Sub2", "Sub3"}));
  const FolderImage images[] = {FolderImage::open,   FolderImage::open,   FolderImage::current,
                                FolderImage::closed, FolderImage::closed, FolderImage::closed};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(list.Rows()[i].image, images[i]) << i;
  EXPECT_EQ(list.CurrentRow(), 2);
  EXPECT_EQ(list.ImageIndent(0), 2);
  EXPECT_EQ(list.ImageIndent(2), 10);
  EXPECT_EQ(list.ImageIndent(3), 14);  // two "\" in the path: (2 + 1) x 4 + 2
  EXPECT_EQ(controls::DirectoryList::TextLeft(list.ImageIndent(3), 16), 34);
  EXPECT_EQ(controls::DirectoryList::TextLeft(2, 0), 22);
}

TEST_F(FolderListTest, ADriveRootIsOneCurrentRow) {
  Open("c:\\");
  ASSERT_GE(list.Rows().size(), 2u);
  EXPECT_EQ(list.Rows()[0].text, "c:\\");
  EXPECT_EQ(list.Rows()[0].image, FolderImage::current);
  EXPECT_EQ(list.Rows()[1].image, FolderImage::closed);
  EXPECT_EQ(list.CurrentRow(), 0);
  EXPECT_EQ(list.ImageIndent(1), 10);
}

TEST_F(FolderListTest, GbkNamesAreOneRowAndOneLevel) {
  Open("c:\\" + kTrail5C + "\\x");
  EXPECT_EQ(Texts(list.Rows()), (std::vector<std::string>{"c:\\", kTrail5C, "x", "y"}));
  EXPECT_EQ(list.ImageIndent(3), 14);
  EXPECT_EQ(list.RowPath(1), "c:\\" + kTrail5C);
}

TEST_F(FolderListTest, NetworkFolderStartsWithItsShare) {
  folders.AddFolders("\\\\srv\\share\\docs\\old");
  Open("\\\\srv\\share\\docs");
  EXPECT_EQ(Texts(list.Rows()), (std::vector<std::string>{"\\\\srv\\share", "docs", "old"}));
  EXPECT_EQ(list.Rows()[0].image, FolderImage::open);
  EXPECT_EQ(list.Rows()[1].image, FolderImage::current);
  EXPECT_EQ(list.RowPath(0), "\\\\srv\\share");
  list.OpenRow(0);
  EXPECT_EQ(list.Directory(), "\\\\srv\\share");
  EXPECT_EQ(list.Rows()[0].image, FolderImage::current);
}

TEST_F(FolderListTest, OpeningRows) {
  Open("C:\\Program Files\\Zorvik");
  EXPECT_EQ(list.RowPath(0), "C:\\");
  EXPECT_EQ(list.RowPath(1), "C:\\Program Files");
  EXPECT_EQ(list.RowPath(2), "C:\\Program Files\\Zorvik");
  EXPECT_EQ(list.RowPath(4), "C:\\Program Files\\Zorvik\\Sub2");
  list.OpenRow(4);
  EXPECT_EQ(list.Directory(), "C:\\Program Files\\Zorvik\\Sub2");
  EXPECT_EQ(changes, 1);
  list.OpenRow(0);  // the first row goes to the drive root
  EXPECT_EQ(list.Directory(), "C:\\");
  EXPECT_EQ(folders.CurrentDirectory(), "C:\\");
  EXPECT_EQ(changes, 2);
}

TEST_F(FolderListTest, CaseOfTheVolume) {
  Open("C:\\Program Files\\Zorvik");
  EXPECT_EQ(list.DisplayText(1), "Program Files");
  list.SetDirectory("c:\\program files\\zorvik");  // the same folder on a case-keeping volume
  EXPECT_EQ(changes, 0);

  folders.drives['c'].flags = 0;
  list.BuildRows();
  EXPECT_EQ(list.DisplayText(1), "program files");
  folders.drives['c'].flags = sys::kFsCaseSensitive;
  list.BuildRows();
  EXPECT_TRUE(list.CaseSensitive());
  EXPECT_EQ(list.DisplayText(1), "Program Files");
  list.SetDirectory("c:\\program files\\zorvik");  // on a case-sensitive volume another name
  EXPECT_EQ(changes, 1);
}

TEST_F(FolderListTest, OtherDrivesAndRelativeFolders) {
  Open("c:\\work");
  list.SetDirectory("deep");
  EXPECT_EQ(list.Directory(), "c:\\work\\deep");
  list.SetDirectory("d:\\data\\more");
  EXPECT_EQ(list.Drive(), 'd');
  EXPECT_EQ(list.Directory(), "d:\\data\\more");
  list.SetDrive('C');
  EXPECT_EQ(list.Directory(), "c:\\work\\deep");  // drive c's own current folder
  list.SetDrive('D');
  EXPECT_EQ(list.Directory(), "d:\\data\\more");
  EXPECT_EQ(changes, 4);
}

TEST_F(FolderListTest, AFolderThatCannotBeEnteredChangesNothing) {
  Open("c:\\work");
  EXPECT_THROW(list.SetDirectory("c:\\nowhere"), base::EInOutError);
  EXPECT_EQ(list.Directory(), "c:\\work");
  EXPECT_EQ(folders.CurrentDirectory(), "c:\\work");
  EXPECT_EQ(changes, 0);
  list.SetDirectory("");
  EXPECT_EQ(changes, 0);
}

// --- Drive list ----------------------------------------------------------------------------

class DriveListTest : public DialogTest {
 protected:
  DriveListTest() {
    folders.AddDrive('a', sys::kDriveRemovable).ready = false;
    folders.AddDrive('e', sys::kDriveCdrom, "CD").ready = false;
    folders.AddDrive('n', sys::kDriveRemote, "Net").remoteName = "\\\\SRV\\Share";
    folders.AddDrive('o', sys::kDriveRemote, "Offline");
    folders.AddDrive('q', sys::kDriveUnknown, "Q");
    folders.AddDrive('r', sys::kDriveRamdisk, "Ram");
    drives.OnChange = [this] { ++changes; };
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> r;
    for (const auto& row : drives.Rows()) r.push_back(row.text);
    return r;
  }
  controls::DriveList drives{folders};
  int changes = 0;
};

TEST_F(DriveListTest, RowsByDriveType) {
  folders.errorMode = 0x4;
  drives.Build();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"a:", "c: [system]", "d: [data]", "e: []", "n: \\\\srv\\share",
                                               "o: [offline]", "r: [ram]"}));
  const DriveImage images[] = {DriveImage::floppy,  DriveImage::hard,    DriveImage::hard, DriveImage::cdrom,
                               DriveImage::network, DriveImage::network, DriveImage::ram};
  for (std::size_t i = 0; i < 7; ++i) EXPECT_EQ(drives.Rows()[i].image, images[i]) << i;
  EXPECT_EQ(drives.ItemIndex(), 1);  // the current drive
  EXPECT_EQ(changes, 0);
}

TEST_F(DriveListTest, LabelsAreReadQuietlyAndFloppiesNotAtAll) {
  folders.errorMode = 0x4;
  drives.Build();
  // c, d, e (empty), o and r: n has its network name, a is never touched.
  ASSERT_EQ(folders.errorModesAtVolumeReads.size(), 5u);
  for (uint32_t mode : folders.errorModesAtVolumeReads) EXPECT_EQ(mode, sys::kSemFailCriticalErrors);
  EXPECT_EQ(folders.errorMode, 0x4u);
}

TEST_F(DriveListTest, UpperCaseLetters) {
  drives.SetTextCase(controls::tcUpperCase);
  drives.Build();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"A:", "C: [SYSTEM]", "D: [DATA]", "E: []", "N: \\\\SRV\\SHARE",
                                               "O: [OFFLINE]", "R: [RAM]"}));
}

TEST_F(DriveListTest, SettingAndChoosingDrives) {
  drives.Build();
  drives.SetDrive('C');
  EXPECT_EQ(changes, 0);  // already there
  drives.SetDrive('D');
  EXPECT_EQ(drives.Drive(), 'd');
  EXPECT_EQ(drives.ItemIndex(), 2);
  EXPECT_EQ(changes, 1);
  drives.ChooseRow(4);
  EXPECT_EQ(drives.Drive(), 'n');
  EXPECT_EQ(changes, 2);
  drives.SetDrive(0);
  EXPECT_EQ(drives.ItemIndex(), -1);
  drives.SetDrive('z');  // no such drive: no row, still a change
  EXPECT_EQ(drives.ItemIndex(), -1);
  EXPECT_EQ(changes, 3);
}

// --- File list -----------------------------------------------------------------------------

class FileListTest : public DialogTest {
 protected:
  FileListTest() {
    EXPECT_TRUE(folders.ChangeDirectory("c:\\Program Files\\Zorvik"));
    cursor = [this](sys::Cursor c) {
      cursorCalls.push_back(c);
      sys::Cursor previous = shown;
      shown = c;
      return previous;
    };
  }
  std::vector<std::string> Texts() {
    std::vector<std::string> r;
    for (const auto& row : files.Rows()) r.push_back(row.text);
    return r;
  }
  controls::FileList files{fs, folders};
  controls::CursorSetter cursor;
  sys::Cursor shown = sys::Cursor::normal;
  std::vector<sys::Cursor> cursorCalls;
};

TEST_F(FileListTest, PlainFilesSortedWithTheirImages) {
  files.ReadFileNames(cursor);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"A.exe", "b.txt", "c.BAT", "readme"}));
  EXPECT_EQ(files.Rows()[0].image, FileImage::executable);
  EXPECT_EQ(files.Rows()[1].image, FileImage::unknown);
  EXPECT_EQ(files.Rows()[2].image, FileImage::executable);
  EXPECT_EQ(files.Directory(), "c:\\Program Files\\Zorvik");
}

TEST_F(FileListTest, FileTypesAndMasks) {
  files.SetFileType(controls::ftDirectory | controls::ftHidden);
  files.ReadFileNames(cursor);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"[..]", "[.]", "[sub1]", "[Sub2]", "[Sub3]", "h.txt"}));
  EXPECT_EQ(files.Rows()[2].image, FileImage::closedFolder);

  files.SetFileType(controls::ftNormal);
  files.SetMask("*.txt;;*.exe");
  files.ReadFileNames(cursor);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"A.exe", "b.txt"}));
}

TEST_F(FileListTest, HourglassOnlyPastTheHundredAndFirstEntry) {
  folders.AddFolders("c:\\many");
  for (int i = 0; i < 100; ++i) fs.AddFile("c:\\many\\f" + std::to_string(i), "");
  ASSERT_TRUE(folders.ChangeDirectory("c:\\many"));
  files.ReadFileNames(cursor);
  EXPECT_EQ(files.Rows().size(), 100u);
  EXPECT_TRUE(cursorCalls.empty());

  fs.AddFile("c:\\many\\f100", "");
  fs.AddFile("c:\\many\\f101", "");
  files.ReadFileNames(cursor);
  EXPECT_EQ(cursorCalls, (std::vector<sys::Cursor>{sys::Cursor::wait, sys::Cursor::normal}));
  EXPECT_EQ(shown, sys::Cursor::normal);
}

TEST_F(FileListTest, AFolderPathAMaskOrAFile) {
  ASSERT_TRUE(folders.ChangeDirectory("c:\\work"));
  files.ApplyFilePath("c:\\Program Files\\Zorvik", cursor);
  EXPECT_EQ(files.Directory(), "c:\\Program Files\\Zorvik");
  EXPECT_EQ(files.Rows().size(), 4u);
  files.ApplyFilePath("c:\\Program Files\\Zorvik\\*.txt", cursor);
  EXPECT_EQ(files.Mask(), "*.txt");
  EXPECT_EQ(Texts(), (std::vector<std::string>{"b.txt"}));
  files.ApplyFilePath("c:\\Program Files\\Zorvik\\B.TXT", cursor);
  EXPECT_EQ(files.ItemIndex(), 0);
  try {
    files.ApplyFilePath("c:\\Program Files\\Zorvik\\h.txt", cursor);  // exists, but hidden
    FAIL() << "no error";
  } catch (const base::Exception& e) {
    EXPECT_EQ(e.Message(), "无效的文件名 - c:\\Program Files\\Zorvik\\h.txt");
  }
}

// --- The dialog ----------------------------------------------------------------------------

class SelectDirTest : public DialogTest {
 protected:
  SelectDirTest() { EXPECT_TRUE(folders.ChangeDirectory("c:\\work\\deep")); }
  controls::SelectDirModel& Dialog() {
    if (!model) {
      model = std::make_unique<controls::SelectDirModel>(fs, folders, [](sys::Cursor c) { return c; });
      model->FormCreate();
    }
    return *model;
  }
  std::unique_ptr<controls::SelectDirModel> model;
};

TEST_F(SelectDirTest, BackslashOpensTheCurrentFolderOfTheCurrentDrive) {
  Dialog().SetStartFolder("\\");
  EXPECT_EQ(Dialog().dirList.Directory(), "c:\\work\\deep");
  EXPECT_EQ(Dialog().DirLabelCaption(), "c:\\work\\deep");
  EXPECT_EQ(Dialog().driveList.Rows().at(Dialog().driveList.ItemIndex()).text, "c: [system]");
}

TEST_F(SelectDirTest, AnExistingFolderOpensWithItsDriveAndFiles) {
  Dialog().SetStartFolder("c:\\Program Files\\Zorvik\\");
  EXPECT_EQ(Dialog().dirList.Directory(), "c:\\Program Files\\Zorvik");
  EXPECT_EQ(Dialog().dirList.Rows().at(Dialog().dirList.CurrentRow()).text, "Zorvik");
  EXPECT_EQ(Dialog().fileList.Rows().size(), 4u);
  EXPECT_EQ(Dialog().FolderText(), "c:\\Program Files\\Zorvik");
  EXPECT_EQ(Dialog().dirEditText, "c:\\Program Files\\Zorvik");

  Dialog().SetStartFolder("d:\\data");
  EXPECT_EQ(Dialog().driveList.Drive(), 'd');
  EXPECT_EQ(Dialog().dirList.Directory(), "d:\\data");
  EXPECT_EQ(Dialog().fileList.Directory(), "d:\\data");
}

TEST_F(SelectDirTest, ADriveRootMeansThatDrivesCurrentFolder) {
  ASSERT_TRUE(folders.ChangeDirectory("d:\\data\\more"));
  ASSERT_TRUE(folders.ChangeDirectory("c:\\work\\deep"));
  Dialog().SetStartFolder("d:\\");
  EXPECT_EQ(Dialog().dirList.Directory(), "d:\\data\\more");
}

TEST_F(SelectDirTest, AStartThatCannotBeEnteredFallsBackToTheCurrentFolder) {
  Dialog().SetStartFolder("c:\\gone\\away");
  EXPECT_EQ(Dialog().dirList.Directory(), "c:\\work\\deep");
  folders.AddDrive('a', sys::kDriveRemovable).ready = false;
  Dialog().driveList.Build();
  Dialog().SetStartFolder("a:\\");
  EXPECT_EQ(Dialog().dirList.Directory(), "c:\\work\\deep");
  EXPECT_EQ(Dialog().driveList.Drive(), 'c');
}

TEST_F(SelectDirTest, ChoosingADriveMovesTheListsAndAnEmptyOneMovesNothing) {
  Dialog().SetStartFolder("\\");
  Dialog().driveList.ChooseRow(1);  // d: [data]
  EXPECT_EQ(Dialog().dirList.Directory(), "d:\\");
  EXPECT_EQ(Dialog().DirLabelCaption(), "d:\\");
  EXPECT_EQ(Dialog().fileList.Directory(), "d:\\");

  folders.AddDrive('a', sys::kDriveRemovable).ready = false;
  Dialog().driveList.Build();
  std::string shown;
  try {
    Dialog().driveList.ChooseRow(0);
  } catch (const base::EInOutError& e) {
    shown = e.Message();
  }
  EXPECT_EQ(shown, "驱动器 A: 没有准备好") << "the person is told which drive, in words";
  EXPECT_EQ(Dialog().dirList.Directory(), "d:\\");
  EXPECT_EQ(Dialog().driveList.Drive(), 'd');
  EXPECT_EQ(Dialog().driveList.ItemIndex(), 2);
}

TEST(DriveErrorText, NamesTheDriveAndSaysWhy) {
  const struct {
    char letter;
    uint32_t code;
    const char* systemText;
    const char* shown;
  } kRows[] = {
      {'a', 21, "设备未就绪。\r\n", "驱动器 A: 没有准备好"},
      {'E', 21, "", "驱动器 E: 没有准备好"},
      {'f', 5, "拒绝访问。\r\n", "驱动器 F: 无法打开: 拒绝访问"},
      {'g', 3, "", "驱动器 G: 无法打开"},
  };
  for (const auto& row : kRows)
    EXPECT_EQ(controls::DriveErrorText(row.letter, row.code, row.systemText), row.shown) << row.letter;
}

TEST_F(SelectDirTest, OkAsksBeforeAMissingFolderOnlyWithAllowCreateAndPrompt) {
  std::vector<std::string> asked;
  int answer = sys::kIdNo;
  auto ask = [&](const std::string& q) {
    asked.push_back(q);
    return answer;
  };
  Dialog().dirEditText = "c:\\new\\folder";
  EXPECT_TRUE(Dialog().OKClick(ask));  // the caption names the list's folder
  Dialog().SetAllowCreate(true);
  EXPECT_TRUE(Dialog().OKClick(ask));  // no prompt asked for
  Dialog().SetPrompt(true);
  EXPECT_FALSE(Dialog().OKClick(ask));
  answer = sys::kIdYes;
  EXPECT_TRUE(Dialog().OKClick(ask));
  EXPECT_EQ(asked, (std::vector<std::string>(2, "指定的目录不存在. 创建吗?")));
  Dialog().dirEditText = "c:\\work";
  EXPECT_TRUE(Dialog().OKClick(ask));
  EXPECT_EQ(asked.size(), 2u);
}

TEST_F(SelectDirTest, AcceptedFolderIsMadeWithItsParentsOnlyWhenAsked) {
  Dialog().SetAllowCreate(true);
  Dialog().dirEditText = "c:\\new\\a\\b";
  EXPECT_EQ(Dialog().AcceptedFolder(0), "c:\\new\\a\\b");
  EXPECT_FALSE(fs.Exists("c:\\new"));
  EXPECT_EQ(Dialog().AcceptedFolder(controls::sdPerformCreate), "c:\\new\\a\\b");
  EXPECT_TRUE(sys::DirectoryExists(fs, "c:\\new\\a\\b"));
  Dialog().dirEditText = "q:\\nowhere";
  EXPECT_THROW(Dialog().AcceptedFolder(controls::sdPerformCreate), base::EInOutError);
  Dialog().SetAllowCreate(false);
  EXPECT_EQ(Dialog().AcceptedFolder(controls::sdPerformCreate), "c:\\work\\deep");
}

TEST(SelectDirLayout, HelpButtonAndScaling) {
  controls::SelectDirLayout plain = controls::SelectDirDialogLayout(0);
  EXPECT_FALSE(plain.helpVisible);
  EXPECT_EQ(plain.okButton.left, 256);
  EXPECT_EQ(plain.cancelButton.left, 340);
  controls::SelectDirLayout help = controls::SelectDirDialogLayout(7);
  EXPECT_TRUE(help.helpVisible);
  EXPECT_EQ(help.okButton.left, 172);
  EXPECT_EQ(help.cancelButton.left, 256);
  EXPECT_EQ(help.helpButton.left, 340);

  EXPECT_EQ(controls::ScaleToScreen(424, 120), 530);
  EXPECT_EQ(controls::ScaleToScreen(255, 120), 319);  // 318.75 rounds up
  EXPECT_EQ(controls::ScaleToScreen(controls::Bounds{8, 72, 213, 138}, 144), (controls::Bounds{12, 108, 320, 207}));
  EXPECT_EQ(controls::CentredOrigin(1024, 425), 300);
  EXPECT_EQ(controls::CentredOrigin(1023, 424), 299);
}

}  // namespace
