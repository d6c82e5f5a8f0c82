// The database backup against the in-memory disk and a clock that moves only when told.
#include <gtest/gtest.h>

#include "base/ErrorDisplay.h"
#include "install/Backup.h"
#include "tests/native/support/FakeClock.h"
#include "tests/native/support/FakeFileSystem.h"

namespace {

// A disk whose error texts are those of a Chinese system, ending in a Chinese full stop.
class ChineseFileSystem : public support::FakeFileSystem {
 public:
  std::string ErrorText(uint32_t code) override {
    return code == sys::kErrorDiskFull ? "磁盘空间不足。\r\n" : FakeFileSystem::ErrorText(code);
  }
};

// A disk where another installer writes the backup between the name test and the copy.
class RacingFileSystem : public support::FakeFileSystem {
 public:
  uint32_t GetAttributes(const std::string& path) override {
    if (path.find("20260305140709") != std::string::npos) return sys::kInvalidAttributes;
    return FakeFileSystem::GetAttributes(path);
  }
};

template <typename Disk>
class BackupOn : public ::testing::Test {
 protected:
  BackupOn() {
    fs.AddDirectory("d:");
    fs.AddDirectory("d:\\kestrum");
  }
  void Run() { install::BackupDatabase(fs, clock, "d:\\kestrum"); }
  std::vector<std::string> Backups() const {
    std::vector<std::string> r;
    const std::string dir = "d:\\kestrum\\";
    for (const auto& p : fs.Paths()) {
      if (p.size() != dir.size() + 20 || p.compare(0, dir.size(), dir) != 0 || p.substr(p.size() - 6) != "db.mdb")
        continue;
      if (p.find_first_not_of("0123456789", dir.size()) == p.size() - 6) r.push_back(p);
    }
    return r;
  }

  Disk fs;
  support::FakeClock clock{{2026, 3, 5, 14, 7, 9, 400}};
};

using BackupTest = BackupOn<support::FakeFileSystem>;

TEST(BackupTimeStamp, FourteenDigitsWithMinutesAfterTheHour) {
  EXPECT_EQ(install::BackupTimeStamp({2026, 3, 5, 14, 7, 9, 0}), "20260305140709");
  EXPECT_EQ(install::BackupTimeStamp({2025, 12, 31, 23, 59, 59, 999}), "20251231235959");
  EXPECT_EQ(install::BackupTimeStamp({2026, 1, 1, 0, 0, 0, 0}), "20260101000000");
  EXPECT_EQ(install::BackupTimeStamp({2024, 2, 29, 9, 30, 1, 0}), "20240229093001");
  EXPECT_EQ(install::BackupTimeStamp({2024, 10, 9, 10, 1, 12, 0}), "20241009100112");
}

TEST_F(BackupTest, FirstInstallMakesNoBackup) {
  Run();
  EXPECT_TRUE(fs.log.empty());
  EXPECT_TRUE(Backups().empty());
}

TEST_F(BackupTest, DirectoryNamedLikeTheDatabaseIsNoDatabase) {
  fs.AddDirectory("d:\\kestrum\\db.mdb");
  Run();
  EXPECT_TRUE(fs.log.empty());
}

TEST_F(BackupTest, CopiesTheDatabaseBesideItUnderTheLocalTimeStamp) {
  fs.AddFile("d:\\kestrum\\DB.MDB", "user data");
  Run();
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20260305140709db.mdb"), "user data");
  EXPECT_EQ(fs.Contents("d:\\kestrum\\db.mdb"), "user data");
  EXPECT_EQ(Backups().size(), 1u);
  EXPECT_TRUE(clock.pauses.empty());
}

TEST_F(BackupTest, StampCrossesDayMonthAndYearWhenTheSecondIsTaken) {
  clock.now = {2025, 12, 31, 23, 59, 59, 750};
  fs.AddFile("d:\\kestrum\\db.mdb", "new");
  fs.AddFile("d:\\kestrum\\20251231235959db.mdb", "older");
  Run();
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20251231235959db.mdb"), "older");
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20260101000000db.mdb"), "new");
}

TEST_F(BackupTest, SameSecondWaitsForTheNextStampAndKeepsTheEarlierBackup) {
  fs.AddFile("d:\\kestrum\\db.mdb", "first");
  Run();
  fs.Find("d:\\kestrum\\db.mdb")->data = "second";
  Run();  // the clock has not moved: a second install in the same second
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20260305140709db.mdb"), "first");
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20260305140710db.mdb"), "second");
  EXPECT_EQ(Backups().size(), 2u);
  // The stamp is a moment the clock has shown, not one made up ahead of it.
  EXPECT_GE(clock.PausedMilliseconds(), 600u);
  EXPECT_LT(clock.PausedMilliseconds(), 2000u);
}

TEST_F(BackupTest, NoPauseWhenTheClockHasAlreadyMovedOn) {
  clock.stepPerReading = 1500;
  fs.AddFile("d:\\kestrum\\db.mdb", "data");
  fs.AddFile("d:\\kestrum\\20260305140709db.mdb", "older");
  Run();
  EXPECT_TRUE(clock.pauses.empty());
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20260305140709db.mdb"), "older");
  EXPECT_EQ(Backups().size(), 2u);
}

TEST_F(BackupTest, ADirectoryHoldingTheBackupNameIsSkippedToo) {
  fs.AddFile("d:\\kestrum\\db.mdb", "data");
  fs.AddDirectory("d:\\kestrum\\20260305140709db.mdb");
  Run();
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20260305140710db.mdb"), "data");
}

TEST_F(BackupTest, FailedCopyStopsWithTheDatabaseAndTheReasonNamed) {
  fs.AddFile("d:\\kestrum\\db.mdb", "precious");
  fs.freeBytes = 3;
  try {
    Run();
    FAIL() << "a backup that cannot be written must stop the install";
  } catch (const install::EBackupError& e) {
    EXPECT_EQ(e.Message(),
              "备份数据库 \"d:\\kestrum\\db.mdb\" 失败: There is not enough space on the disk。"
              "安装已停止，原数据库未作改动!");
    // The error display adds nothing to a message ending in "!".
    EXPECT_EQ(base::ErrorDisplayText(e.Message()), e.Message());
  }
  EXPECT_EQ(fs.Contents("d:\\kestrum\\db.mdb"), "precious");
  EXPECT_TRUE(Backups().empty());
}

TEST_F(BackupTest, LockedDatabaseStopsTheInstallUntouched) {
  fs.AddFile("d:\\kestrum\\db.mdb", "precious");
  fs.Find("d:\\kestrum\\db.mdb")->locked = true;
  try {
    Run();
    FAIL() << "a database held open by another program cannot be backed up";
  } catch (const install::EBackupError& e) {
    EXPECT_NE(e.Message().find("d:\\kestrum\\db.mdb"), std::string::npos);
    EXPECT_NE(e.Message().find("being used by another process"), std::string::npos);
  }
  EXPECT_EQ(fs.Contents("d:\\kestrum\\db.mdb"), "precious");
  EXPECT_TRUE(Backups().empty());
}

using BackupChineseTest = BackupOn<ChineseFileSystem>;

TEST_F(BackupChineseTest, ReasonKeepsOneFullStop) {
  fs.AddFile("d:\\kestrum\\db.mdb", "precious");
  fs.freeBytes = 0;
  EXPECT_THROW(
      {
        try {
          Run();
        } catch (const install::EBackupError& e) {
          EXPECT_NE(e.Message().find(": 磁盘空间不足。安装已停止"), std::string::npos) << e.Message();
          throw;
        }
      },
      install::EBackupError);
}

using BackupRaceTest = BackupOn<RacingFileSystem>;

TEST_F(BackupRaceTest, BackupMadeBetweenTestAndCopyIsNotReplaced) {
  fs.AddFile("d:\\kestrum\\db.mdb", "mine");
  fs.AddFile("d:\\kestrum\\20260305140709db.mdb", "theirs");
  Run();
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20260305140709db.mdb"), "theirs");
  EXPECT_EQ(fs.Contents("d:\\kestrum\\20260305140710db.mdb"), "mine");
}

}  // namespace
