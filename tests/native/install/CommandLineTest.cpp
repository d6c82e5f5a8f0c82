// The command line of an install without a person: switches, values, the default log name.
#include <gtest/gtest.h>

#include "install/CommandLine.h"

namespace {

using install::Display;

struct Row {
  const char* arguments;
  Display display;
  bool suppress, help, dirGiven;
  const char* dir;
  bool log;
  const char* logFile;
  const char* wrong;
};

const Row kRows[] = {
    {"", Display::window, false, false, false, "", false, "", ""},
    {"/SILENT", Display::silent, false, false, false, "", false, "", ""},
    {"/silent /VerySilent", Display::verySilent, false, false, false, "", false, "", ""},
    {"/VERYSILENT /SILENT", Display::verySilent, false, false, false, "", false, "", ""},
    {"/suppressmsgboxes /VERYSILENT", Display::verySilent, true, false, false, "", false, "", ""},
    {"  /SILENT\t/LOG  ", Display::silent, false, false, false, "", true, "", ""},
    // A value in quotes, in part or whole, or in none; a blank inside quotes stays.
    {"/DIR=\"C:\\某 目录\"", Display::window, false, false, true, "C:\\某 目录", false, "", ""},
    {"\"/DIR=C:\\某 目录\" /LOG", Display::window, false, false, true, "C:\\某 目录", true, "", ""},
    {"/dir=d:\\kestrum2", Display::window, false, false, true, "d:\\kestrum2", false, "", ""},
    // A backslash before the closing quote is part of the folder, not an escape.
    {"/DIR=\"C:\\x\\\" /SILENT", Display::silent, false, false, true, "C:\\x\\", false, "", ""},
    // Blanks inside the quotes are left for the directory field's own trimming.
    {"/DIR=\" d:\\kestrum \"", Display::window, false, false, true, " d:\\kestrum ", false, "", ""},
    {"/DIR=\"C:\\a b", Display::window, false, false, true, "C:\\a b", false, "", ""},
    {"/DIR=a /DIR=b", Display::window, false, false, true, "b", false, "", ""},
    {"/LOG=\"C:\\日志 1.log\"", Display::window, false, false, false, "", true, "C:\\日志 1.log", ""},
    {"/Log=x.log /VERYSILENT", Display::verySilent, false, false, false, "", true, "x.log", ""},
    {"/?", Display::window, false, true, false, "", false, "", ""},
    {"/HELP", Display::window, false, true, false, "", false, "", ""},
    {"/help /SILENT", Display::silent, false, true, false, "", false, "", ""},
    // Not understood: the first such argument is named; the others still count.
    {"/FOO /SILENT", Display::silent, false, false, false, "", false, "", "/FOO"},
    {"/SILENT SILENT", Display::silent, false, false, false, "", false, "", "SILENT"},
    {"/", Display::window, false, false, false, "", false, "", "/"},
    {"/DIR", Display::window, false, false, false, "", false, "", "/DIR"},
    {"/DIR=", Display::window, false, false, false, "", false, "", "/DIR="},
    {"/DIR=\"  \"", Display::window, false, false, false, "", false, "", "/DIR=  "},
    {"/LOG=\"\"", Display::window, false, false, false, "", false, "", "/LOG="},
    {"/SILENT=yes /X", Display::window, false, false, false, "", false, "", "/SILENT=yes"},
    {"/VERYSILENTX", Display::window, false, false, false, "", false, "", "/VERYSILENTX"},
    {"-SILENT", Display::window, false, false, false, "", false, "", "-SILENT"},
};

TEST(CommandLine, SwitchesAndValuesInAnyOrderAndCase) {
  for (const Row& r : kRows) {
    SCOPED_TRACE(r.arguments);
    install::CommandLine cl = install::ParseCommandLine(r.arguments);
    EXPECT_EQ(cl.display, r.display);
    EXPECT_EQ(cl.suppressMsgBoxes, r.suppress);
    EXPECT_EQ(cl.help, r.help);
    EXPECT_EQ(cl.dirGiven, r.dirGiven);
    EXPECT_EQ(cl.dir, r.dir);
    EXPECT_EQ(cl.log, r.log);
    EXPECT_EQ(cl.logFile, r.logFile);
    EXPECT_EQ(cl.wrong, r.wrong);
  }
}

TEST(CommandLine, WrongArgumentIsNamedBeforeTheHelp) {
  std::string text = install::WrongArgumentText("/FOO", "安装.exe");
  EXPECT_EQ(text.rfind("无法识别的命令行参数: /FOO\n\n用法: 安装.exe ", 0), 0u) << text;
  EXPECT_EQ(text.substr(text.size() - install::UsageText("安装.exe").size()), install::UsageText("安装.exe"));
}

TEST(CommandLine, DefaultLogIsNamedAfterTheProgramAndTheMoment) {
  struct {
    const char* program;
    sys::LocalTime at;
    const char* name;
  } rows[] = {
      {"C:\\下载\\setup.exe", {2026, 12, 10, 3, 5, 7, 900}, "setup-20261210-030507.log"},
      {"D:\\a.b\\Zorvik安装.EXE", {2027, 1, 2, 23, 59, 59, 0}, "Zorvik安装-20270102-235959.log"},
      {"setup", {2026, 6, 30, 0, 0, 0, 0}, "setup-20260630-000000.log"},
      {"C:\\x\\.setup", {2026, 6, 30, 12, 0, 1, 0}, ".setup-20260630-120001.log"},
  };
  for (const auto& r : rows) EXPECT_EQ(install::DefaultLogName(r.program, r.at), r.name) << r.program;
}

}  // namespace
