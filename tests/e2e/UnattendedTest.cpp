// End-to-end scenarios of setup.exe started as deployment tools start it: switches, the
// log, the exit codes, and one setup at a time.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "tests/common/Checks.h"
#include "Driver.h"
#include "Installed.h"

namespace e2e {
namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kTitle = "Zorvik电子帐本安装程序";

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The lines every install into a directory writes, whatever else the log holds.
const char8_t* const kStepLines[] = {
    u8"正在复制文件:kestrum.exe....",
    u8"正在复制文件:db.mdb....",
    u8"完成: 安装系统文件",
    u8"完成: 安装数据库文件",
    u8"正在安装数据库驱动程序....",
    u8"完成: 安装数据库驱动程序",
    u8"正在安装报表文件....",
    u8"正在注册控件....",
    u8"正在建立快捷方式....",
    u8"完成: 建立程序组",
    u8"完成: 建立快捷方式",
    u8"安装完成，请重新启动电脑！",
    u8"退出代码: 0",
};

void ExpectStepsLogged(const std::string& log) {
  ASSERT_EQ(log.substr(0, 3), kBom);
  for (const char8_t* line : kStepLines) EXPECT_TRUE(Contains(log, Utf8(line))) << log;
}

struct Outcome {
  bool ended = false;
  DWORD code = 99;
  bool windowShown = false;
};

// Runs setup.exe with these arguments to its end, watching all along for a window of it.
Outcome RunToEnd(const std::string& arguments, DWORD timeoutMs = 180000) {
  RunningSetup setup(setupPath, arguments, false);
  Outcome o;
  for (DWORD waited = 0; waited < timeoutMs && !o.ended; waited += 50) {
    o.windowShown = o.windowShown || setup.AnyWindowShown();
    o.ended = setup.WaitExit(50, &o.code);
  }
  return o;
}

// Starts setup.exe, expects one message box and answers it; the exit code.
DWORD AnswerTheBoxAndExit(const std::string& arguments, MessageBoxInfo& box) {
  RunningSetup setup(setupPath, arguments, false);
  box = setup.WaitMessageBox(30000);
  if (!box.hwnd) return 98;
  setup.Answer(box);
  DWORD code = 99;
  return setup.WaitExit(30000, &code) ? code : 97;
}

TEST(Unattended, VerySilentInstallsEverythingShowingNothingAndLogsEveryStep) {
  std::string dir = FreshDirectory("C:\\某 目录");
  const std::string log = "C:\\x.log";
  DeleteFileA(log.c_str());
  RemoveLinks();
  ForgetRegistrations();
  Outcome o = RunToEnd("/VERYSILENT /SUPPRESSMSGBOXES /DIR=\"" + dir + "\" /LOG=\"" + log + "\"");
  ASSERT_TRUE(o.ended);
  EXPECT_EQ(o.code, 0u);
  EXPECT_FALSE(o.windowShown);
  ExpectInstalled(dir);
  ExpectStepsLogged(ReadFile(log));
}

TEST(Unattended, SilentShowsTheWindowAndClosesItselfWithoutAMessage) {
  CreateDirectoryA("C:\\e2e", nullptr);  // for the log: a fresh prefix has no C:\e2e yet
  std::string dir = FreshDirectory("C:\\e2e\\silent");
  const std::string log = "C:\\e2e\\silent.log";
  DeleteFileA(log.c_str());
  RemoveLinks();
  ForgetRegistrations();
  // Switches in any case and order; the directory without quotes.
  RunningSetup setup(setupPath, "/log=\"" + log + "\" /DIR=" + dir + " /Silent", false);
  // The install starts at once and takes a second: the window is looked for from the start.
  EXPECT_TRUE(setup.WaitMain(30000)) << "no window";
  bool boxSeen = false;
  DWORD code = 99;
  // Each look for a box waits a little, so the loop runs up to three minutes.
  for (int i = 0; i < 3600 && !setup.WaitExit(0, &code); ++i) boxSeen = setup.WaitMessageBox(1).hwnd || boxSeen;
  EXPECT_EQ(code, 0u);
  EXPECT_FALSE(boxSeen);
  ExpectInstalled(dir);
  ExpectStepsLogged(ReadFile(log));
}

// A step that fails holds the window, its marks as far as they came, under the error's
// box; once the box is answered the window closes itself with the step's exit code.
TEST(Unattended, SilentErrorShowsOverTheMarksReachedThenEndsWithCodeFour) {
  CreateDirectoryA("C:\\e2e", nullptr);
  std::string dir = FreshDirectory("C:\\e2e\\silent-error");
  const std::string log = "C:\\e2e\\silent-error.log";
  CreateDirectoryA(dir.c_str(), nullptr);
  CreateDirectoryA((dir + "\\report").c_str(), nullptr);
  std::vector<ArchiveEntry> templates = ListArchive(SetupResource("MYRPT", "MYRPTFILE"));
  ASSERT_FALSE(templates.empty());
  // The system creates no file over a hidden one.
  std::string hidden = dir + "\\report\\" + templates[0].name;
  ASSERT_TRUE(WriteFile(hidden, "hidden"));
  ASSERT_TRUE(SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN));

  RunningSetup setup(setupPath, "/SILENT /DIR=\"" + dir + "\" /LOG=\"" + log + "\"");
  MessageBoxInfo box = setup.WaitMessageBox(180000);
  ASSERT_TRUE(box.hwnd);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text, "解压报表文件失败: " + templates[0].name + "(无法创建)");
  EXPECT_TRUE(box.hasIcon);
  for (int row = 1; row <= 3; ++row) EXPECT_TRUE(setup.MarkShown(row)) << row;
  for (int row = 4; row <= 5; ++row) EXPECT_FALSE(setup.MarkShown(row)) << row;
  setup.Answer(box);
  DWORD code = 99;
  ASSERT_TRUE(setup.WaitExit(30000, &code)) << "the window did not close itself";
  EXPECT_EQ(code, 4u);
  std::string text = ReadFile(log);
  EXPECT_TRUE(Contains(text, Utf8(u8"完成: 安装数据库驱动程序"))) << text;
  EXPECT_TRUE(Contains(text, Utf8(u8"错误: 解压报表文件失败: "))) << text;
  EXPECT_TRUE(Contains(text, Utf8(u8"退出代码: 4"))) << text;
  EXPECT_FALSE(Contains(text, Utf8(u8"完成: 建立快捷方式"))) << text;
  SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Files named like the default log in the temporary folder.
std::set<std::string> DefaultLogs() {
  char temp[MAX_PATH + 1];
  GetTempPathA(sizeof temp, temp);
  std::set<std::string> found;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((std::string(temp) + "setup-*.log").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return found;
  do found.insert(std::string(temp) + fd.cFileName);
  while (FindNextFileA(h, &fd));
  FindClose(h);
  return found;
}

TEST(Unattended, ImpossibleDirectoryEndsWithCodeFourAndItsReasonInTheDefaultLog) {
  CreateDirectoryA("C:\\e2e", nullptr);
  ASSERT_TRUE(WriteFile("C:\\e2e\\a file", "not a folder"));
  std::set<std::string> before = DefaultLogs();
  Outcome o = RunToEnd("/VERYSILENT /SUPPRESSMSGBOXES /LOG /DIR=\"C:\\e2e\\a file\\某 目录\"");
  ASSERT_TRUE(o.ended);
  EXPECT_EQ(o.code, 4u);
  EXPECT_FALSE(o.windowShown);
  EXPECT_EQ(ReadFile("C:\\e2e\\a file"), "not a folder");
  std::vector<std::string> made;
  for (const std::string& path : DefaultLogs())
    if (!before.count(path)) made.push_back(path);
  ASSERT_EQ(made.size(), 1u) << "one log in the temporary folder";
  std::string log = ReadFile(made[0]);
  EXPECT_TRUE(Contains(log, Utf8(u8"错误: 创建目录失败! \"C:\\e2e\\a file\\某 目录\": "))) << log;
  EXPECT_TRUE(Contains(log, Utf8(u8"退出代码: 4"))) << log;
  EXPECT_FALSE(Contains(log, Utf8(u8"正在复制文件"))) << log;

  // Without /SUPPRESSMSGBOXES the window's own message shows first.
  MessageBoxInfo box;
  EXPECT_EQ(AnswerTheBoxAndExit("/VERYSILENT /DIR=q:\\kestrum", box), 4u);
  EXPECT_EQ(box.caption, "信息");
  EXPECT_EQ(box.text, "创建目录失败!");
  EXPECT_FALSE(DirectoryExists("q:\\kestrum"));
}

TEST(Unattended, UnknownSwitchEndsWithCodeOneHavingWrittenNothing) {
  RemoveTree("C:\\e2e\\unknown");
  const std::string log = "C:\\e2e\\unknown.log";
  CreateDirectoryA("C:\\e2e", nullptr);
  Outcome o = RunToEnd("/VERYSILENT /SUPPRESSMSGBOXES /DIR=C:\\e2e\\unknown /LOG=" + log + " /NORESTART");
  ASSERT_TRUE(o.ended);
  EXPECT_EQ(o.code, 1u);
  EXPECT_FALSE(o.windowShown);
  EXPECT_FALSE(DirectoryExists("C:\\e2e\\unknown"));
  EXPECT_TRUE(Contains(ReadFile(log), Utf8(u8"无法识别的命令行参数: /NORESTART"))) << ReadFile(log);

  MessageBoxInfo box;
  EXPECT_EQ(AnswerTheBoxAndExit("/SILENT /DIR=C:\\e2e\\unknown /X", box), 1u);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_EQ(box.text.rfind("无法识别的命令行参数: /X", 0), 0u) << box.text;
  EXPECT_TRUE(box.hasIcon);
  EXPECT_FALSE(DirectoryExists("C:\\e2e\\unknown"));
}

TEST(Unattended, HelpListsTheSwitchesAndTheExitCodes) {
  for (const char* help : {"/?", "/help"}) {
    MessageBoxInfo box;
    EXPECT_EQ(AnswerTheBoxAndExit(help, box), 0u) << help;
    EXPECT_EQ(box.caption, kTitle);
    for (const char* part : {"/SILENT", "/VERYSILENT", "/SUPPRESSMSGBOXES", "/DIR=", "/LOG", "退出代码"})
      EXPECT_TRUE(Contains(box.text, part)) << part << " in " << box.text;
  }
}

TEST(Unattended, SecondSetupWhileOneRunsSaysSoAndWritesNothing) {
  CreateDirectoryA("C:\\e2e", nullptr);
  const std::string firstLog = "C:\\e2e\\first.log";
  RunningSetup first(setupPath, "/LOG=" + firstLog);
  RemoveTree("C:\\e2e\\second");
  const std::string log = "C:\\e2e\\second.log";
  Outcome o = RunToEnd("/VERYSILENT /SUPPRESSMSGBOXES /DIR=C:\\e2e\\second /LOG=" + log);
  ASSERT_TRUE(o.ended);
  EXPECT_EQ(o.code, 5u);
  EXPECT_FALSE(o.windowShown);
  EXPECT_FALSE(DirectoryExists("C:\\e2e\\second"));
  EXPECT_TRUE(Contains(ReadFile(log), Utf8(u8"安装程序已经在运行"))) << ReadFile(log);

  // Given the log the first one writes, it cannot open it, and so leaves it as it was.
  const std::string before = ReadFile(firstLog);
  ASSERT_TRUE(Contains(before, "/LOG=")) << before;
  o = RunToEnd("/VERYSILENT /SUPPRESSMSGBOXES /DIR=C:\\e2e\\second /LOG=" + firstLog);
  EXPECT_EQ(o.code, 5u);
  EXPECT_EQ(ReadFile(firstLog), before);
  EXPECT_FALSE(DirectoryExists("C:\\e2e\\second"));

  // Started by hand: a box says so, and no window of its own opens.
  MessageBoxInfo box;
  EXPECT_EQ(AnswerTheBoxAndExit("", box), 5u);
  EXPECT_EQ(box.caption, kTitle);
  EXPECT_TRUE(Contains(box.text, "安装程序已经在运行")) << box.text;
  EXPECT_TRUE(first.Running());
  first.Press("放弃");
  EXPECT_TRUE(first.WaitExit(15000));

  // Once the first has ended, setup starts again.
  RunningSetup third;
  EXPECT_TRUE(third.Main());
}

}  // namespace
}  // namespace e2e
