// The install sequence against a recording window, fake resources and the in-memory disk.
#include <gtest/gtest.h>

#include <map>

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"
#include "install/ComServer.h"
#include "install/DatabaseDriver.h"
#include "install/Installer.h"
#include "install/ReportTemplates.h"
#include "tests/native/support/FakeClock.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/FakeLibraries.h"
#include "tests/native/support/FakeProcesses.h"
#include "tests/native/support/FakeRegistry.h"
#include "tests/native/support/FakeShell.h"
#include "tests/native/support/RecordingWindow.h"
#include "tests/native/zip/ZipTestKit.h"

namespace {

// The shared recording window, keeping its own log.
struct EventLog {
  std::vector<std::string> events;
};
class RecordingWindow : private EventLog, public support::RecordingWindow {
 public:
  using EventLog::events;
  RecordingWindow() : support::RecordingWindow(events) {}
};

class MapResources : public sys::Resources {
 public:
  std::map<std::string, std::string> blobs;  // "NAME/TYPE" upper-cased
  bool Load(const std::string& name, const std::string& type, const void*& data, uint32_t& size) override {
    auto it = blobs.find(base::UpperAscii(name) + "/" + base::UpperAscii(type));
    if (it == blobs.end()) return false;
    data = it->second.data();
    size = static_cast<uint32_t>(it->second.size());
    return true;
  }
};

const std::string kFolders =
    "S-1-5-21-7-7-7-1001\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kStartMenu = "c:\\users\\li\\Start Menu";
const std::string kDesktop = "c:\\users\\li\\Desktop";
const std::string kControl = "d:\\kestrum\\ttf16.ocx";

ziptest::ZipItem ReportTemplate(const std::string& name) {
  std::string data = "[Report]\r\nTitle=" + name + "\r\n";
  return ziptest::ZipItem(name, data).Packed(8, ziptest::StoredDeflate(data)).Host(0x0014);
}

// Two report templates with GBK names at the archive's root, deflated, host MS-DOS; the
// second one's stored CRC wrong when asked.
std::string ReportArchive(bool secondCorrupt = false) {
  ziptest::ZipItem second = ReportTemplate("利润表.pg");
  if (secondCorrupt) second.Crc(ziptest::Crc("another text"));
  return ziptest::BuildZip({ReportTemplate("资产负债表.pg"), second});
}

class InstallerTest : public ::testing::Test {
 protected:
  InstallerTest() {
    for (const auto& p : install::kPayloads)
      resources.blobs[base::UpperAscii(p.name) + "/" + base::UpperAscii(p.type)] = std::string("bytes of ") + p.file;
    resources.blobs["MYRPT/MYRPTFILE"] = ReportArchive();
    fs.AddDirectory("d:");
    registry.AddKey(".DEFAULT");
    registry.SetString(kFolders, "Start Menu", kStartMenu);
    registry.SetString(kFolders, "Desktop", kDesktop);
    registry.SetString(kFolders, "Programs", kStartMenu + "\\Programs");
    for (const std::string& dir :
         {std::string("c:\\users"), std::string("c:\\users\\li"), kStartMenu, kStartMenu + "\\Programs", kDesktop})
      fs.AddDirectory(dir);
    zip.SetOverwriteMode(zip::Always);
    zip.SetDoAll(true);
    shortcut.SetNameSubDirInStartMenu("Zorvik软件");
    ui.markOem = false;
    RegisteringControl(sys::kSOk);
  }
  void RegisteringControl(sys::HResult result) {
    libraries.files[kControl] = {{"DllRegisterServer", [result] { return result; }}};
  }
  // Presses install expecting an error of that class; the text the error display shows.
  template <typename E>
  std::string PressFails() {
    try {
      installer.BitBtn1Click(typed);
    } catch (const E& e) {
      return base::ErrorDisplayText(e.Message());
    }
    ADD_FAILURE() << "no error of the expected class";
    return "";
  }
  // After a stop the window is open with its controls enabled, nothing called complete, and
  // the files written so far are in place.
  void ExpectStoppedWithFilesKept() {
    EXPECT_EQ(window.events.back(), "enable");
    EXPECT_TRUE(Only("close").empty());
    EXPECT_TRUE(Only("message").empty());
    for (const char* file : {"kestrum.exe", "login.dat", "qtintf70.dll", "ttf16.ocx", "db.mdb"})
      EXPECT_EQ(fs.Contents(std::string("d:\\kestrum\\") + file), std::string("bytes of ") + file) << file;
  }
  // A new press runs every step from the start and completes.
  void ExpectNextPressInstalls() {
    window.events.clear();
    ASSERT_NO_THROW(installer.BitBtn1Click(typed));
    EXPECT_EQ(window.events.front(), "disable");
    EXPECT_EQ(Only("mark"), (std::vector<std::string>{"mark 1", "mark 2", "mark 3", "mark 4", "mark 5"}));
    EXPECT_EQ(Only("message"), std::vector<std::string>{"message 安装完成，请重新启动电脑！"});
    EXPECT_EQ(window.events.back(), "close");
    EXPECT_FALSE(fs.Exists("d:\\kestrum\\report.zip"));
    EXPECT_EQ(fs.Contents("d:\\kestrum\\report\\利润表.pg"), "[Report]\r\nTitle=利润表.pg\r\n");
    EXPECT_EQ(libraries.loaded, 0);
  }
  std::vector<std::string> Only(const std::string& prefix) const {
    std::vector<std::string> r;
    for (const auto& e : window.events)
      if (e.rfind(prefix, 0) == 0) r.push_back(e);
    return r;
  }
  std::string typed = "d:\\kestrum";  // the directory field's text at the press
  RecordingWindow window;
  MapResources resources;
  support::FakeFileSystem fs;
  support::ScriptedUi ui;
  zip::TZipExtractor zip{fs, ui};
  std::vector<std::string> osLog;
  support::FakeClock clock{sys::LocalTime{2026, 3, 5, 14, 7, 9, 0}};
  support::FakeProcesses processes{osLog};
  support::FakeLibraries libraries{osLog};
  support::Journal journal;
  support::FakeRegistry registry;
  support::FakeShellLinks links{journal};
  shell::TShortcut shortcut{registry, fs, links};
  install::Installer installer{window, {fs, resources, clock, processes, libraries, zip, shortcut}};
};

TEST_F(InstallerTest, FullRunWritesEveryPayloadInOrderWithMarksAndCloses) {
  installer.BitBtn1Click(typed);
  for (const auto& p : install::kPayloads) {
    std::string file = p.file;
    if (file == "report.zip" || file == "mdac_typ2.7.exe") continue;  // both gone by the end
    EXPECT_EQ(fs.Contents("d:\\kestrum\\" + file), "bytes of " + file) << file;
  }
  EXPECT_FALSE(fs.Exists("d:\\kestrum\\report.zip"));
  EXPECT_FALSE(fs.Exists("d:\\kestrum\\mdac_typ2.7.exe"));
  EXPECT_EQ(osLog, (std::vector<std::string>{"start d:\\kestrum\\MDAC_TYP2.7.EXE /q", "wait infinite", "close handles",
                                             "load d:\\kestrum\\ttf16.ocx", "find DllRegisterServer",
                                             "call DllRegisterServer", "free d:\\kestrum\\ttf16.ocx"}));
  EXPECT_EQ(fs.Contents("d:\\kestrum\\report\\利润表.pg"), "[Report]\r\nTitle=利润表.pg\r\n");
  EXPECT_TRUE(fs.Exists("d:\\kestrum\\report\\资产负债表.pg"));
  // The Start Menu has no "程序" folder here, so the group goes under "Programs".
  ASSERT_EQ(links.saved.size(), 2u);
  for (const auto& link : links.saved) {
    EXPECT_EQ(link.target.value_or(""), "d:\\kestrum\\kestrum.exe");
    EXPECT_EQ(link.workingDirectory.value_or(""), "d:\\kestrum");
  }
  EXPECT_TRUE(fs.Exists(kStartMenu + "\\Programs\\Zorvik软件"));
  std::vector<std::string> expected = {
      "disable",
      "status 正在复制文件:kestrum.exe....",
      "status 正在复制文件:login.dat....",
      "status 正在复制文件:qtintf70.dll....",
      "status 正在复制文件:report.zip....",
      "status 正在复制文件:ttf16.ocx....",
      "mark 1",
      "repaint",
      "status 正在复制文件:db.mdb....",
      "mark 2",
      "repaint",
      "status 正在复制文件:mdac_typ2.7.exe....",
      "status 正在安装数据库驱动程序....",
      "busy",
      "idle",
      "mark 3",
      "repaint",
      "status 正在安装报表文件....",
      "status 正在注册控件....",
      "status 正在建立快捷方式....",
      "mark 4",
      "mark 5",
      "repaint",
      "message 安装完成，请重新启动电脑！",
      "close",
  };
  EXPECT_EQ(window.events, expected);
}

TEST_F(InstallerTest, DirectoryIsCreatedWithParentsOutermostFirst) {
  typed = "d:\\a\\b\\c";
  EXPECT_TRUE(installer.EnsureInstallDir(typed));
  std::vector<std::string> mk;
  for (const auto& l : fs.log)
    if (l.rfind("mkdir", 0) == 0) mk.push_back(l);
  EXPECT_EQ(mk, (std::vector<std::string>{"mkdir d:\\a", "mkdir d:\\a\\b", "mkdir d:\\a\\b\\c"}));
  fs.log.clear();
  EXPECT_TRUE(installer.EnsureInstallDir(typed));
  EXPECT_TRUE(fs.log.empty()) << "an existing directory is not created again";
  EXPECT_TRUE(Only("dirbox").empty());
}

TEST_F(InstallerTest, DirectoryThatCannotBeMadeShowsTheMessageAndWritesNothing) {
  for (std::string text : {std::string(""), std::string("q:\\kestrum")}) {
    window.events.clear();
    typed = text;
    installer.BitBtn1Click(typed);
    EXPECT_EQ(window.events, (std::vector<std::string>{"dirbox 创建目录失败!|信息"})) << text;
  }
  EXPECT_FALSE(fs.Exists("q:\\kestrum"));
}

TEST_F(InstallerTest, BlanksAfterTheDirectoryAreTrimmedForEveryPathButTheCreation) {
  typed = "d:\\kestrum   ";
  installer.BitBtn1Click(typed);
  EXPECT_EQ(fs.log.front(), "mkdir d:\\kestrum");  // given the text with its blanks
  EXPECT_EQ(fs.Contents("d:\\kestrum\\login.dat"), "bytes of login.dat");
  EXPECT_EQ(Only("close").size(), 1u);
}

TEST_F(InstallerTest, DirectoryTooLongForItsFilesStopsBeforeAnythingIsWritten) {
  fs.maxPath = 260;
  // "d:\" + 236 bytes + "\" + "00000000000000db.mdb" is 260 bytes: the backup's name alone
  // does not fit, every payload name would.
  std::string dir = "d:\\" + std::string(236, 'a');
  typed = dir;
  try {
    installer.BitBtn1Click(typed);
    ADD_FAILURE() << "no error";
  } catch (const base::Exception& e) {
    EXPECT_EQ(e.Message(), "安装目录 \"" + dir + "\" 太长: 其中的文件路径超出系统的限制");
  }
  EXPECT_TRUE(fs.log.empty()) << "nothing created or written";
  EXPECT_TRUE(window.events.empty());

  typed = "d:\\" + std::string(235, 'a');  // one byte shorter: everything fits
  EXPECT_NO_THROW(installer.CheckPathsFit(typed));
}

TEST_F(InstallerTest, MissingResourceNamesItAsPassed) {
  resources.blobs.erase("MYINI/MYINIFILE");
  fs.AddDirectory("d:\\kestrum");
  try {
    installer.BitBtn1Click(typed);
    FAIL() << "no error";
  } catch (const base::EResNotFound& e) {
    EXPECT_EQ(e.Message(), "资源 myini 没找到");
  }
  EXPECT_TRUE(fs.Exists("d:\\kestrum\\kestrum.exe"));
  EXPECT_EQ(window.events.back(), "enable");
}

TEST_F(InstallerTest, ReadOnlyFileStopsWithTheFileErrorAfterEarlierFiles) {
  fs.AddDirectory("d:\\kestrum");
  fs.AddFile("d:\\kestrum\\login.dat", "old", sys::kAttrReadOnly);
  try {
    installer.BitBtn1Click(typed);
    FAIL() << "no error";
  } catch (const base::EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"d:\\kestrum\\login.dat\". Access is denied");
  }
  EXPECT_EQ(fs.Contents("d:\\kestrum\\kestrum.exe"), "bytes of kestrum.exe");
  EXPECT_EQ(fs.Contents("d:\\kestrum\\login.dat"), "old");
  EXPECT_TRUE(Only("mark").empty());
  EXPECT_EQ(window.events.back(), "enable");
}

TEST_F(InstallerTest, RelativeTargetIsQuotedAsAFullPath) {
  fs.AddDirectory("c:\\work");
  fs.AddDirectory("c:\\work\\rel");
  fs.AddFile("c:\\work\\rel\\kestrum.exe", "", sys::kAttrReadOnly);
  typed = "c:\\work\\rel";
  EXPECT_TRUE(installer.EnsureInstallDir(typed));
  typed = "rel";
  try {
    installer.WriteAllPayloads(typed);
    FAIL() << "no error";
  } catch (const base::EFCreateError& e) {
    EXPECT_EQ(e.Message(), "Cannot create file \"c:\\work\\rel\\kestrum.exe\". Access is denied");
  }
}

TEST_F(InstallerTest, ShortWriteIsAWriteErrorAndLeavesTheIncompleteFile) {
  fs.AddDirectory("d:\\kestrum");
  fs.freeBytes = 30;  // room for kestrum.exe (20 bytes) and part of login.dat
  try {
    installer.BitBtn1Click(typed);
    FAIL() << "no error";
  } catch (const base::EWriteError& e) {
    EXPECT_EQ(e.Message(), "写流出错");
  }
  EXPECT_EQ(fs.Contents("d:\\kestrum\\login.dat"), "bytes of l");
}

TEST_F(InstallerTest, BrokenReportArchiveStopsBeforeTheShortcutsAndKeepsTheArchive) {
  resources.blobs["MYRPT/MYRPTFILE"] = "not a zip archive at all";
  EXPECT_THROW(installer.BitBtn1Click(typed), base::Exception);
  EXPECT_TRUE(fs.Exists("d:\\kestrum\\report.zip"));
  EXPECT_TRUE(links.saved.empty());
  EXPECT_TRUE(Only("mark 4").empty());
  EXPECT_EQ(window.events.back(), "enable");
}

TEST_F(InstallerTest, ShortcutErrorLeavesRowsFourAndFiveUnmarked) {
  registry.SetRootOpenable(false);
  EXPECT_THROW(installer.BitBtn1Click(typed), base::Exception);
  EXPECT_EQ(Only("mark"), (std::vector<std::string>{"mark 1", "mark 2", "mark 3"}));
  EXPECT_TRUE(Only("message").empty());
  EXPECT_EQ(window.events.back(), "enable");
}

TEST_F(InstallerTest, EmptyPayloadLeavesAnEmptyFile) {
  resources.blobs["MYINI/MYINIFILE"].clear();
  fs.AddDirectory("d:\\kestrum");
  fs.AddFile("d:\\kestrum\\login.dat", "previous");
  installer.WriteAllPayloads(typed);
  ASSERT_TRUE(fs.Exists("d:\\kestrum\\login.dat"));
  EXPECT_EQ(fs.Contents("d:\\kestrum\\login.dat"), "");
}

TEST_F(InstallerTest, DriverThatCannotBeStartedStopsTheInstallAndASecondPressInstalls) {
  processes.failStart = true;
  EXPECT_EQ(PressFails<install::EDriverStartError>(),
            "启动数据库驱动程序 \"d:\\kestrum\\MDAC_TYP2.7.EXE\" 失败: The system cannot find the file specified.");
  ExpectStoppedWithFilesKept();
  EXPECT_EQ(Only("mark"), (std::vector<std::string>{"mark 1", "mark 2"}));
  EXPECT_EQ(Only("busy").size(), Only("idle").size()) << "the hourglass must not stay";
  EXPECT_EQ(fs.Contents("d:\\kestrum\\mdac_typ2.7.exe"), "bytes of mdac_typ2.7.exe");
  EXPECT_TRUE(fs.Exists("d:\\kestrum\\report.zip"));
  EXPECT_FALSE(fs.Exists("d:\\kestrum\\report")) << "no later step may run";

  processes.failStart = false;
  ExpectNextPressInstalls();
  EXPECT_FALSE(fs.Exists("d:\\kestrum\\mdac_typ2.7.exe"));
}

TEST_F(InstallerTest, ControlThatDoesNotRegisterStopsTheInstallNamingIt) {
  struct Case {
    std::map<std::string, sys::EntryPoint> exports;
    bool present;
    std::string shown;
  };
  const Case cases[] = {
      {{}, false, "加载控件 \"d:\\kestrum\\ttf16.ocx\" 失败: Error 126."},
      {{{"DllUnregisterServer", [] { return sys::kSOk; }}},
       true,
       "注册控件 \"d:\\kestrum\\ttf16.ocx\" 失败: 没有 DllRegisterServer 入口."},
      {{{"DllRegisterServer", [] { return sys::kEFail; }}},
       true,
       "注册控件 \"d:\\kestrum\\ttf16.ocx\" 失败: DllRegisterServer 返回 0x80004005."},
      {{{"DllRegisterServer", [] { return sys::kSFalse; }}},
       true,
       "注册控件 \"d:\\kestrum\\ttf16.ocx\" 失败: DllRegisterServer 返回 0x00000001."},
  };
  for (const Case& c : cases) {
    window.events.clear();
    libraries.files.erase(kControl);
    if (c.present) libraries.files[kControl] = c.exports;
    EXPECT_EQ(PressFails<install::ERegistrationError>(), c.shown);
    ExpectStoppedWithFilesKept();
    EXPECT_EQ(Only("mark"), (std::vector<std::string>{"mark 1", "mark 2", "mark 3"})) << c.shown;
    EXPECT_EQ(libraries.loaded, 0);
    EXPECT_TRUE(fs.Exists("d:\\kestrum\\report\\利润表.pg")) << "the templates stay";
    EXPECT_TRUE(fs.Exists("d:\\kestrum\\report.zip")) << "deleted only after the last step";
    EXPECT_TRUE(links.saved.empty());
  }
  RegisteringControl(sys::kSOk);
  ExpectNextPressInstalls();
}

TEST_F(InstallerTest, TemplateThatFailsItsCrcIsNamedAndStopsTheInstall) {
  resources.blobs["MYRPT/MYRPTFILE"] = ReportArchive(/*secondCorrupt=*/true);
  EXPECT_EQ(PressFails<install::EReportTemplatesError>(), "解压报表文件失败: 利润表.pg(校验出错)");
  ExpectStoppedWithFilesKept();
  EXPECT_EQ(fs.Contents("d:\\kestrum\\report\\资产负债表.pg"), "[Report]\r\nTitle=资产负债表.pg\r\n");
  EXPECT_FALSE(fs.Exists("d:\\kestrum\\report\\利润表.pg"));
  EXPECT_TRUE(fs.Exists("d:\\kestrum\\report.zip"));
  EXPECT_TRUE(Only("status 正在注册控件").empty());
  EXPECT_EQ(libraries.loaded, 0);

  // A sound archive from now on. The in-memory disk keeps a file's time when it is written
  // again; a real one moves it on, which tells the extractor to read the new directory.
  resources.blobs["MYRPT/MYRPTFILE"] = ReportArchive();
  fs.Find("d:\\kestrum\\report.zip")->time.year += 1;
  ExpectNextPressInstalls();
}

TEST_F(InstallerTest, TemplateThatCannotBeWrittenIsNamedButOneMadeReadOnlyIsKept) {
  // Windows creates no file over a hidden one, so that template is skipped.
  fs.AddDirectory("d:\\kestrum");
  fs.AddDirectory("d:\\kestrum\\report");
  fs.AddFile("d:\\kestrum\\report\\利润表.pg", "hidden", sys::kAttrHidden);
  bool earlierHandlerCalled = false;
  zip.OnSkippingFile = [&](zip::TZipExtractor&, zip::TSkipReason, const std::string&, int, bool&) {
    earlierHandlerCalled = true;
  };
  EXPECT_EQ(PressFails<install::EReportTemplatesError>(), "解压报表文件失败: 利润表.pg(无法创建)");
  ExpectStoppedWithFilesKept();
  EXPECT_EQ(fs.Contents("d:\\kestrum\\report\\利润表.pg"), "hidden");
  EXPECT_FALSE(earlierHandlerCalled);
  EXPECT_TRUE(zip.OnSkippingFile) << "the component's own handler is put back";
  EXPECT_FALSE(zip.OnBadCRC);
  zip.OnSkippingFile = nullptr;

  // The user's own read-only template is spared on purpose: the install completes.
  fs.SetAttributes("d:\\kestrum\\report\\利润表.pg", sys::kAttrReadOnly);
  window.events.clear();
  ASSERT_NO_THROW(installer.BitBtn1Click(typed));
  EXPECT_EQ(window.events.back(), "close");
  EXPECT_EQ(fs.Contents("d:\\kestrum\\report\\利润表.pg"), "hidden");
}

TEST_F(InstallerTest, ManyFailedTemplatesNameTheFirstTenAndCountAll) {
  std::vector<ziptest::ZipItem> items;
  for (int i = 1; i <= 12; ++i) items.push_back(ReportTemplate(base::Format("表%02d.pg", i)).Crc(0));
  resources.blobs["MYRPT/MYRPTFILE"] = ziptest::BuildZip(items);
  std::string expected = "解压报表文件失败: ";
  for (int i = 1; i <= 10; ++i) expected += base::Format("%s表%02d.pg(校验出错)", i > 1 ? "、" : "", i);
  EXPECT_EQ(PressFails<install::EReportTemplatesError>(), expected + " 等 12 个.");
}

TEST_F(InstallerTest, DiskFullAmidTheTemplatesLeavesTheArchiveClosedForTheNextPress) {
  fs.modelSharing = true;
  long long payloadBytes = 0;
  for (const auto& [key, blob] : resources.blobs) payloadBytes += static_cast<long long>(blob.size());
  fs.freeBytes = payloadBytes + 4;  // the first template's data does not fit
  EXPECT_THROW(installer.BitBtn1Click(typed), base::Exception);
  EXPECT_TRUE(Only("status 正在注册控件").empty()) << "the error must come from the templates";
  EXPECT_EQ(fs.OpenHandles("d:\\kestrum\\report.zip"), 0);
  ExpectStoppedWithFilesKept();

  fs.freeBytes = -1;
  ExpectNextPressInstalls();
}

}  // namespace
