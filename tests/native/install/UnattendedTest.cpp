// An install without a person: the same sequence through the windowless window, its log,
// the boxes it still shows and its exit codes.
#include <gtest/gtest.h>

#include "install/Unattended.h"
#include "sys/CodePage.h"
#include "tests/native/install/InstallRig.h"

namespace {

const char* const kCaptions[5] = {"安装系统文件", "安装数据库文件", "安装数据库驱动程序", "建立程序组", "建立快捷方式"};
const std::string kLogFile = "c:\\temp\\setup.log";

// The install sequence's bench, installing into "C:\某 目录" with a log on drive C:.
class UnattendedTest : public ::testing::Test, public installtest::Rig {
 protected:
  UnattendedTest() {
    for (const char* dir : {"c:", "c:\\temp"}) fs.AddDirectory(dir);
    libraries.files["C:\\某 目录\\ttf16.ocx"] = {{"DllRegisterServer", [] { return sys::kSOk; }}};
    std::string reason;
    log = install::InstallLog::Create(fs, clock, kLogFile, reason);
  }
  // /VERYSILENT into `dir`: the exit code.
  int InstallWithoutWindow(const std::string& dir, bool suppress) {
    install::Unattended run(log.get(), kCaptions, ui, fs, "Zorvik电子帐本安装程序", suppress);
    install::LoggingWindow window(dir, run);
    install::Installer installer(window, {fs, resources, clock, processes, libraries, zip, shortcut});
    written = fs.log.size();
    return run.Run([&installer, &dir] { installer.BitBtn1Click(dir); });
  }
  // The log's lines without their time, as ANSI text is written into it.
  std::vector<std::string> LogLines() const {
    std::string text = fs.Contents(kLogFile);
    EXPECT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");
    std::vector<std::string> lines;
    for (size_t at = 3; at < text.size();) {
      size_t end = text.find("\r\n", at);
      lines.push_back(text.substr(at + 20, end - at - 20));  // "2026-03-05 14:07:09 "
      at = end + 2;
    }
    return lines;
  }
  static std::vector<std::string> Utf8(const std::vector<std::string>& ansi) {
    std::vector<std::string> r;
    for (const auto& line : ansi) r.push_back(sys::AnsiToUtf8(line));
    return r;
  }
  // Files and folders made since the run began, the log's own writes aside.
  std::vector<std::string> WrittenSinceStart() const {
    std::vector<std::string> r(fs.log.begin() + static_cast<long>(written), fs.log.end());
    return r;
  }

  std::unique_ptr<install::InstallLog> log;
  size_t written = 0;
};

TEST_F(UnattendedTest, VerySilentInstallLogsEveryStepAndItsMarksAndShowsNothing) {
  EXPECT_EQ(InstallWithoutWindow("C:\\某 目录", true), install::kExitInstalled);
  EXPECT_EQ(fs.Contents("C:\\某 目录\\db.mdb"), "bytes of db.mdb");
  EXPECT_EQ(fs.Contents("C:\\某 目录\\report\\利润表.pg"), "[Report]\r\nTitle=利润表.pg\r\n");
  EXPECT_EQ(links.saved.size(), 2u);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(LogLines(), Utf8({
                            "正在复制文件:kestrum.exe....",
                            "正在复制文件:login.dat....",
                            "正在复制文件:qtintf70.dll....",
                            "正在复制文件:report.zip....",
                            "正在复制文件:ttf16.ocx....",
                            "完成: 安装系统文件",
                            "正在复制文件:db.mdb....",
                            "完成: 安装数据库文件",
                            "正在复制文件:mdac_typ2.7.exe....",
                            "正在安装数据库驱动程序....",
                            "完成: 安装数据库驱动程序",
                            "正在安装报表文件....",
                            "正在注册控件....",
                            "正在建立快捷方式....",
                            "完成: 建立程序组",
                            "完成: 建立快捷方式",
                            "安装完成，请重新启动电脑！",
                        }));
}

TEST_F(UnattendedTest, DirectoryThatCannotBeMadeEndsTheRunWithItsReasonAndWritesNothing) {
  for (bool suppress : {true, false}) {
    SCOPED_TRACE(suppress);
    ui.boxes.clear();
    EXPECT_EQ(InstallWithoutWindow("q:\\某 目录", suppress), install::kExitStepFailed);
    for (const std::string& call : WrittenSinceStart()) EXPECT_NE(call.rfind("create", 0), 0u) << call;
    EXPECT_FALSE(fs.Exists("q:\\某 目录"));
    // With the system's reason after the directory.
    std::string line = LogLines().back(), start = sys::AnsiToUtf8("错误: 创建目录失败! \"q:\\某 目录\": ");
    EXPECT_EQ(line.rfind(start, 0), 0u) << line;
    EXPECT_GT(line.size(), start.size() + 4) << line;
    // Shown as the window shows it, unless boxes are suppressed.
    ASSERT_EQ(ui.boxes.size(), suppress ? 0u : 1u);
    if (!suppress) {
      EXPECT_EQ(ui.boxes[0].text + "|" + ui.boxes[0].caption, "创建目录失败!|信息");
    }
  }
}

TEST_F(UnattendedTest, StepThatFailsEndsTheRunWithTheErrorAsTheDisplayWouldShowIt) {
  resources.blobs.erase("MYDBSRC/MYDBSRCFILE");
  for (bool suppress : {true, false}) {
    SCOPED_TRACE(suppress);
    ui.boxes.clear();
    EXPECT_EQ(InstallWithoutWindow("C:\\某 目录", suppress), install::kExitStepFailed);
    EXPECT_EQ(LogLines().back(), sys::AnsiToUtf8("错误: 资源 mydbsrc 没找到."));
    EXPECT_FALSE(fs.Exists("C:\\某 目录\\report"));
    ASSERT_EQ(ui.boxes.size(), suppress ? 0u : 1u);
    if (!suppress) {
      EXPECT_EQ(ui.boxes[0].text, "资源 mydbsrc 没找到.");
      EXPECT_EQ(ui.boxes[0].caption, "Zorvik电子帐本安装程序");
      EXPECT_EQ(ui.boxes[0].flags, sys::kMbOk | install::kMbIconStop);
    }
  }
}

TEST_F(UnattendedTest, EachWayARunEndsHasItsExitCode) {
  struct {
    const char* name;
    std::function<void(install::Unattended&)> sequence;
    int code;
    size_t boxes;
    const char* lastLine;
  } rows[] = {
      {"completed", [](install::Unattended& r) { r.Completed("安装完成，请重新启动电脑！"); }, install::kExitInstalled,
       0, "安装完成，请重新启动电脑！"},
      {"check", [](install::Unattended&) { throw base::EInstallCheck("文件 \"x\" 正被占用"); },
       install::kExitCheckFailed, 1, "错误: 文件 \"x\" 正被占用."},
      {"file", [](install::Unattended&) { throw base::EFCreateError("Cannot create file \"x\". 拒绝访问"); },
       install::kExitStepFailed, 1, "错误: Cannot create file \"x\". 拒绝访问."},
      {"abort", [](install::Unattended&) { throw base::EAbort("中止"); }, install::kExitStepFailed, 0,
       "安装已中止: 中止"},
      {"other", [](install::Unattended&) { throw 7; }, install::kExitStepFailed, 1, "错误: 未知错误."},
      {"returned without completing", [](install::Unattended&) {}, install::kExitStepFailed, 0, nullptr},
  };
  for (const auto& r : rows) {
    SCOPED_TRACE(r.name);
    ui.boxes.clear();
    size_t linesBefore = LogLines().size();
    install::Unattended run(log.get(), kCaptions, ui, fs, "Zorvik电子帐本安装程序", false);
    EXPECT_EQ(run.Run([&] { r.sequence(run); }), r.code);
    EXPECT_EQ(ui.boxes.size(), r.boxes);
    std::vector<std::string> lines = LogLines();
    if (r.lastLine) {
      EXPECT_EQ(lines.back(), sys::AnsiToUtf8(r.lastLine));
    } else {
      EXPECT_EQ(lines.size(), linesBefore);
    }
  }
}

TEST_F(UnattendedTest, StatusSetAgainIsLoggedOnceAndRunsWithoutALogWriteNone) {
  install::Unattended run(log.get(), kCaptions, ui, fs, "t", true);
  run.Status("正在安装报表文件....");
  run.Status("正在安装报表文件....");
  run.Mark(0);
  run.Mark(6);
  run.Mark(3);
  EXPECT_EQ(LogLines(), Utf8({"正在安装报表文件....", "完成: 安装数据库驱动程序"}));
  install::Unattended quiet(nullptr, kCaptions, ui, fs, "t", true);
  quiet.Status("正在注册控件....");
  quiet.Completed("安装完成，请重新启动电脑！");
  EXPECT_EQ(quiet.Run([] {}), install::kExitInstalled);
}

TEST_F(UnattendedTest, SuppressedBoxesAreLoggedAndAnsweredWithTheirFirstButton) {
  install::Unattended run(log.get(), kCaptions, ui, fs, "t", true);
  install::SuppressedBoxes quiet(ui, run);
  EXPECT_EQ(quiet.ShowMessageBox("未知的压缩方法", "错误", sys::kMbOk | install::kMbIconStop), sys::kIdOk);
  EXPECT_EQ(quiet.ShowMessageBox("替换 a.pg?", "", sys::kMbOkCancel), sys::kIdOk);
  EXPECT_EQ(quiet.ShowMessageBox("?", "", sys::kMbYesNo), sys::kIdYes);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_EQ(LogLines(), Utf8({"错误: 未知的压缩方法", "替换 a.pg?", "?"}));
  quiet.ProcessMessages();
  EXPECT_EQ(ui.processed, 1);
}

}  // namespace
