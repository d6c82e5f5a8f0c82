// The install sequence against a recording window, fake resources and the in-memory disk.
#include <gtest/gtest.h>

#include "install/ComServer.h"
#include "install/DatabaseDriver.h"
#include "install/ReportTemplates.h"
#include "tests/native/install/InstallRig.h"

namespace {

using namespace installtest;

class InstallerTest : public ::testing::Test, public Rig {};

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

  // A sound archive from now on: written again, it has a new time, which tells the
  // extractor to read the new directory.
  resources.blobs["MYRPT/MYRPTFILE"] = ReportArchive();
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
  for (int i = 1; i <= 12; ++i) items.push_back(TemplateItem(base::Format("表%02d.pg", i)).Crc(0));
  resources.blobs["MYRPT/MYRPTFILE"] = ziptest::BuildZip(items);
  std::string expected = "解压报表文件失败: ";
  for (int i = 1; i <= 10; ++i) expected += base::Format("%s表%02d.pg(校验出错)", i > 1 ? "、" : "", i);
  EXPECT_EQ(PressFails<install::EReportTemplatesError>(), expected + " 等 12 个.");
}

TEST_F(InstallerTest, DiskFullAmidTheTemplatesIsCalledSoAndLeavesTheArchiveClosedForTheNextPress) {
  fs.modelSharing = true;
  fs.roomClaimed = 1;  // the check is told of room that is gone when the templates come
  long long payloadBytes = 0;
  for (const auto& [key, blob] : resources.blobs) payloadBytes += static_cast<long long>(blob.size());
  fs.freeBytes = payloadBytes + 4;  // the first template's data does not fit
  EXPECT_EQ(PressFails<install::EReportTemplatesError>(),
            "解压报表文件失败: 磁盘已满，\"d:\\kestrum\\report\\资产负债表.pg\" 没有写完。请腾出磁盘空间，再按“安装”。");
  EXPECT_TRUE(Only("status 正在注册控件").empty()) << "the error must come from the templates";
  EXPECT_EQ(fs.OpenHandles("d:\\kestrum\\report.zip"), 0);
  ExpectStoppedWithFilesKept();

  fs.freeBytes = -1;
  ExpectNextPressInstalls();
}

}  // namespace
