// The install log: its encoding, its lines, its file, and what a second writer meets.
#include <gtest/gtest.h>

#include "base/ErrorDisplay.h"
#include "install/InstallLog.h"
#include "sys/CodePage.h"
#include "tests/native/support/FakeClock.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/ForwardingFileSystem.h"

namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

const std::string kBom = "\xEF\xBB\xBF";

TEST(CodePage, AnsiTextBecomesUtf8) {
  EXPECT_EQ(sys::AnsiToUtf8(""), "");
  EXPECT_EQ(sys::AnsiToUtf8("C:\\x.log"), "C:\\x.log");
  EXPECT_EQ(sys::AnsiToUtf8("正在复制文件:db.mdb...."), Utf8(u8"正在复制文件:db.mdb...."));
  EXPECT_EQ(sys::AnsiToUtf8("安装完成，请重新启动电脑！"), Utf8(u8"安装完成，请重新启动电脑！"));
  // A lead byte with nothing after it, and one the code page does not use.
  EXPECT_EQ(sys::AnsiToUtf8("a\xB1"), "a" + Utf8(u8"\uFFFD"));
  EXPECT_EQ(sys::AnsiToUtf8("\xFF"
                            "b"),
            Utf8(u8"\uFFFD") + "b");
}

// Writes and flushes of the files it opens, in order.
class WatchedFileSystem : public support::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::vector<std::string> calls;
  std::unique_ptr<sys::File> Open(const std::string& p, sys::Access a, sys::Share s, sys::Disposition d) override {
    auto inner = ForwardingFileSystem::Open(p, a, s, d);
    if (!inner) return nullptr;
    return std::make_unique<File>(std::move(inner), calls);
  }

 private:
  class File : public support::ForwardingFile {
   public:
    File(std::unique_ptr<sys::File> inner, std::vector<std::string>& calls)
        : ForwardingFile(std::move(inner)), calls_(calls) {}
    bool Write(const void* b, uint32_t n, uint32_t& done) override {
      calls_.push_back("write");
      return ForwardingFile::Write(b, n, done);
    }
    bool Flush() override {
      calls_.push_back("flush");
      return ForwardingFile::Flush();
    }

   private:
    std::vector<std::string>& calls_;
  };
};

class InstallLogTest : public ::testing::Test {
 protected:
  InstallLogTest() {
    fs.AddDirectory("c:\\temp");
    fs.modelSharing = true;
  }
  support::FakeFileSystem fs;
  WatchedFileSystem watched{fs};
  support::FakeClock clock{sys::LocalTime{2026, 3, 5, 14, 7, 9, 0}};
  std::string reason;
};

TEST_F(InstallLogTest, LinesAreStampedUtf8AfterAByteOrderMarkAndEachReachesTheDisk) {
  auto log = install::InstallLog::Create(watched, clock, "c:\\temp\\x.log", reason);
  ASSERT_TRUE(log);
  log->Line("正在复制文件:kestrum.exe....");
  EXPECT_EQ(fs.Contents("c:\\temp\\x.log"), kBom + Utf8(u8"2026-03-05 14:07:09 正在复制文件:kestrum.exe....\r\n"));
  clock.now.second = 10;
  // A text of several lines, as the system's reasons and the help come, gives several.
  log->Line("错误: Cannot create file \"c:\\a\".\r\n第二行");
  EXPECT_EQ(fs.Contents("c:\\temp\\x.log"), kBom + Utf8(u8"2026-03-05 14:07:09 正在复制文件:kestrum.exe....\r\n"
                                                        u8"2026-03-05 14:07:10 错误: Cannot create file \"c:\\a\".\r\n"
                                                        u8"2026-03-05 14:07:10 第二行\r\n"));
  // Nothing waits in a buffer: a killed run's log tells how far it came.
  ASSERT_FALSE(watched.calls.empty());
  for (size_t i = 0; i < watched.calls.size(); i += 2) {
    EXPECT_EQ(watched.calls[i], "write") << i;
    EXPECT_EQ(i + 1 < watched.calls.size() ? watched.calls[i + 1] : "", "flush") << i;
  }
}

TEST_F(InstallLogTest, AnEarlierFileIsReplaced) {
  fs.AddFile("c:\\temp\\x.log", "an earlier run's log, longer than this one's");
  auto log = install::InstallLog::Create(fs, clock, "c:\\temp\\x.log", reason);
  ASSERT_TRUE(log);
  EXPECT_EQ(fs.Contents("c:\\temp\\x.log"), kBom);
}

TEST_F(InstallLogTest, ASecondWriterOfTheSameLogIsRefusedAndSpoilsNothing) {
  auto first = install::InstallLog::Create(fs, clock, "c:\\temp\\x.log", reason);
  ASSERT_TRUE(first);
  first->Line("正在安装报表文件....");
  std::string before = fs.Contents("c:\\temp\\x.log");
  EXPECT_FALSE(install::InstallLog::Create(fs, clock, "C:\\TEMP\\X.LOG", reason));
  EXPECT_FALSE(reason.empty());
  EXPECT_EQ(fs.Contents("c:\\temp\\x.log"), before);
}

TEST_F(InstallLogTest, FolderThatDoesNotExistGivesTheReason) {
  EXPECT_FALSE(install::InstallLog::Create(fs, clock, "c:\\nowhere\\x.log", reason));
  EXPECT_EQ(reason, base::SystemReason(fs.ErrorText(sys::kErrorPathNotFound)));
}

TEST_F(InstallLogTest, DefaultLogTakesTheNextNumberForANameAlreadyTaken) {
  auto first = install::InstallLog::CreateDefault(fs, clock, "c:\\temp\\", "c:\\dl\\setup.exe", reason);
  ASSERT_TRUE(first);
  EXPECT_EQ(first->Path(), "c:\\temp\\setup-20260305-140709.log");
  auto second = install::InstallLog::CreateDefault(fs, clock, "c:\\temp", "c:\\dl\\setup.exe", reason);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->Path(), "c:\\temp\\setup-20260305-140709-2.log");
  first->Line("一");
  second->Line("二");
  EXPECT_EQ(fs.Contents(first->Path()), kBom + Utf8(u8"2026-03-05 14:07:09 一\r\n"));
  EXPECT_EQ(fs.Contents(second->Path()), kBom + Utf8(u8"2026-03-05 14:07:09 二\r\n"));
  EXPECT_FALSE(install::InstallLog::CreateDefault(fs, clock, "c:\\none", "setup.exe", reason));
}

}  // namespace
