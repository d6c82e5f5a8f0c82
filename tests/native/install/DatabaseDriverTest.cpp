// The database driver step against a recording window, a process fake and the in-memory
// disk; window and process calls share one log, so their order shows.
#include <gtest/gtest.h>

#include "install/DatabaseDriver.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/FakeProcesses.h"
#include "tests/native/support/RecordingWindow.h"

namespace {

class DriverTest : public ::testing::Test {
 protected:
  void InstallInto(const std::string& dir) {
    fs.AddDirectory(dir);
    fs.AddFile(dir + "\\mdac_typ2.7.exe", "driver installer");
    install::InstallDatabaseDriver(window, fs, processes, dir);
  }

  std::vector<std::string> log;
  support::RecordingWindow window{log};
  support::FakeFileSystem fs;
  support::FakeProcesses processes{log};
};

TEST_F(DriverTest, RunsHiddenAndQuietWaitsClosesDeletesAndMarks) {
  fs.AddDirectory("d:");
  InstallInto("d:\\kestrum");
  std::vector<std::string> expected = {
      "status 正在安装数据库驱动程序....",
      "busy",
      "start d:\\kestrum\\MDAC_TYP2.7.EXE /q",
      "wait infinite",
      "close handles",
      "idle",
      "mark 3",
      "repaint",
  };
  EXPECT_EQ(log, expected);
  ASSERT_EQ(processes.starts.size(), 1u);
  const auto& started = processes.starts[0];
  EXPECT_TRUE(started.inheritHandles);
  EXPECT_EQ(started.startup.size, 68u);
  EXPECT_EQ(started.startup.flags, 0x101u);
  EXPECT_EQ(started.startup.showWindow, 0);
  EXPECT_EQ(started.creationFlags, 0u);
  EXPECT_FALSE(fs.Exists("d:\\kestrum\\mdac_typ2.7.exe"));
}

TEST_F(DriverTest, DirectoryWithABlankIsQuotedSoNoPrefixCanBeStarted) {
  fs.AddDirectory("c:\\my files");
  InstallInto("c:\\my files\\kestrum");
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].commandLine, "\"c:\\my files\\kestrum\\MDAC_TYP2.7.EXE\" /q");
  EXPECT_FALSE(fs.Exists("c:\\my files\\kestrum\\mdac_typ2.7.exe"));

  EXPECT_EQ(install::DriverCommandLine("c:\\新 目录"), "\"c:\\新 目录\\MDAC_TYP2.7.EXE\" /q");
  EXPECT_EQ(install::DriverCommandLine("c:\\新目录"), "c:\\新目录\\MDAC_TYP2.7.EXE /q");
}

TEST_F(DriverTest, LongDirectoryKeepsTheWholeCommandLine) {
  std::string dir = "c:\\" + std::string(147, 'k');
  ASSERT_EQ(dir.size(), 150u);
  InstallInto(dir);
  ASSERT_EQ(processes.starts.size(), 1u);
  EXPECT_EQ(processes.starts[0].commandLine, dir + "\\MDAC_TYP2.7.EXE /q");
  EXPECT_EQ(processes.starts[0].commandLine.size(), 169u);
  EXPECT_FALSE(fs.Exists(dir + "\\mdac_typ2.7.exe"));
}

TEST_F(DriverTest, StartFailureRestoresTheCursorLeavesTheFileUnmarkedAndRaisesNamingIt) {
  fs.AddDirectory("d:");
  processes.failStart = true;
  try {
    InstallInto("d:\\kestrum");
    FAIL() << "no error";
  } catch (const install::EDriverStartError& e) {
    EXPECT_EQ(e.Message(),
              "启动数据库驱动程序 \"d:\\kestrum\\MDAC_TYP2.7.EXE\" 失败: The system cannot find the file specified");
  }
  std::vector<std::string> expected = {
      "status 正在安装数据库驱动程序....",
      "busy",
      "start d:\\kestrum\\MDAC_TYP2.7.EXE /q",
      "idle",
  };
  EXPECT_EQ(log, expected);
  EXPECT_EQ(fs.Contents("d:\\kestrum\\mdac_typ2.7.exe"), "driver installer");
}

// A Chinese system's reason ends in its own full stop; the sentence shows only one, and a
// relative install directory is named as the full path that was started.
TEST_F(DriverTest, StartFailureQuotesTheReasonWithoutItsStopAndTheFullPath) {
  class ChineseFileSystem : public support::FakeFileSystem {
   public:
    std::string ErrorText(uint32_t) override { return "系统找不到指定的文件。\r\n"; }
  } chinese;
  chinese.AddDirectory("c:\\work\\rel");
  processes.failStart = true;
  try {
    install::InstallDatabaseDriver(window, chinese, processes, "rel");
    FAIL() << "no error";
  } catch (const install::EDriverStartError& e) {
    EXPECT_EQ(e.Message(), "启动数据库驱动程序 \"c:\\work\\rel\\MDAC_TYP2.7.EXE\" 失败: 系统找不到指定的文件");
  }
  EXPECT_EQ(processes.starts.back().commandLine, "rel\\MDAC_TYP2.7.EXE /q");
}

}  // namespace
