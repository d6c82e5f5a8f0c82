// zorvik-unzip --threads: several workers leave the tree, the messages and the status that
// one thread leaves, stop together on an interrupt, and refuse a count that is no count.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <utime.h>

#include <atomic>
#include <filesystem>
#include <limits>
#include <map>
#include <sstream>

#include "tests/native/zip/ZipTestKit.h"
#include "tests/native/support/ForwardingFileSystem.h"
#include "cli/UnzipCommand.h"

using namespace ziptest;
namespace fs = std::filesystem;

namespace {

struct Outcome {
  int status;
  std::string out, err;
};

Outcome Unzip(std::vector<std::string> args, sys::FileSystem& files = sys::RealFileSystem()) {
  std::ostringstream out, err;
  int status = cli::RunUnzipCommand(args, out, err, false, files);
  return {status, out.str(), err.str()};
}

// Every file under root: its bytes, modification time and mode; folders by name only (their
// times are the run's own).
std::map<std::string, std::string> Tree(const std::string& root) {
  std::map<std::string, std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string name = fs::relative(e.path(), root).string();
    struct stat st {};
    EXPECT_EQ(lstat(e.path().c_str(), &st), 0) << name;
    if (S_ISDIR(st.st_mode)) {
      tree[name] = "folder";
      continue;
    }
    tree[name] = std::to_string(st.st_mtime) + " " + std::to_string(st.st_mode & 07777) + " " +
                 Sha256(ReadFile(e.path().string()).value_or("?")).substr(0, 16);
  }
  return tree;
}

// Many entries in nested folders, runs of neighbours longer than one worker takes, and the
// cases that must come out as with one thread: a damaged entry, a wrong password, a name
// given twice (the second must see the first), a file where another entry needs a folder,
// a read-only file and varied dates.
std::string Mixed() {
  std::vector<ZipItem> items;
  for (int i = 0; i < 400; ++i) {
    ZipItem item("d" + std::to_string(i % 7) + "/s" + std::to_string(i % 3) + "/f" + std::to_string(i) + ".txt",
                 std::string(50 + i * 37 % 3000, static_cast<char>('a' + i % 26)));
    item.Time(DosTime(2020 + i % 5, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 2 * (i % 30)));
    if (i % 50 == 7) item.External(0x21);  // read-only
    if (i == 123) item.Crc(0x12345678);    // damaged
    if (i == 250) item.Password("right");
    items.push_back(item);
    // Two workers reach these two at about the same time.
    if (i == 66) items.push_back(ZipItem("d5/s2/f131.txt", "the same name before"));
    if (i == 300) items.push_back(ZipItem("clash", "a file where a folder is wanted"));
    if (i == 301) items.push_back(ZipItem("clash/inside.txt", "cannot be made"));
  }
  return BuildZip(items);
}

}  // namespace

TEST(ZipCommandThreads, FourWorkersLeaveWhatOneLeaves) {
  TempDir dir;
  WriteFile(dir / "a.zip", Mixed());
  for (const std::vector<std::string>& options : std::vector<std::vector<std::string>>{
           {"-n", "-P", "wrong"}, {"-o", "-P", "wrong"}, {"-o", "-j"}, {"-u"}, {"-t", "-P", "wrong"}}) {
    const std::string how = options[0] + (options.size() > 1 ? " " + options[1] : "");
    SCOPED_TRACE(how);
    std::map<std::string, std::string> first;
    Outcome one{};
    for (const char* threads : {"1", "4", "4", "2"}) {
      SCOPED_TRACE(threads);
      TempDir out;
      // An existing file that -n keeps and -u replaces only when older.
      fs::create_directories(out.Path() + "/d3/s0");
      WriteFile(out / "d3/s0/f3.txt", "there before");
      utimbuf later{1893456000, 1893456000};  // 2030: newer than every entry
      ASSERT_EQ(utime((out.Path() + "/d3/s0/f3.txt").c_str(), &later), 0);
      std::vector<std::string> args = options;
      args.insert(args.end(), {"--threads", threads, "-d", out.Path(), dir / "a.zip"});
      Outcome run = Unzip(args);
      // The messages name each destination; the runs have theirs.
      for (size_t at; (at = run.err.find(out.Path())) != std::string::npos;)
        run.err.replace(at, out.Path().size(), "OUT");
      std::map<std::string, std::string> tree = Tree(out.Path());
      if (threads == std::string("1")) {
        one = run, first = tree;
        // The cases are there: damaged data outweighs the rest.
        EXPECT_EQ(run.status, 2) << run.err;
        EXPECT_NE(run.err.find("failed: d4/s0/f123.txt: CRC-32"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("skipped: d5/s1/f250.txt: wrong password"), std::string::npos) << run.err;
        continue;
      }
      EXPECT_EQ(run.status, one.status);
      EXPECT_EQ(run.err, one.err);
      EXPECT_EQ(run.out, one.out);
      EXPECT_EQ(tree, first);
    }
    if (options[0] == "-n") {
      EXPECT_EQ(first["d3/s0/f3.txt"], "1893456000 420 " + Sha256("there before").substr(0, 16));
      EXPECT_NE(one.err.find("skipped: OUT/d3/s0/f3.txt: exists, not overwritten"), std::string::npos) << one.err;
      EXPECT_NE(one.err.find("skipped: OUT/d5/s2/f131.txt: exists, not overwritten"), std::string::npos) << one.err;
      EXPECT_EQ(first["d5/s2/f131.txt"].substr(first["d5/s2/f131.txt"].size() - 16),
                Sha256("the same name before").substr(0, 16));
    }
    if (options[0] == "-o" && options[1] == "-P") {
      EXPECT_NE(first["d5/s2/f131.txt"].substr(first["d5/s2/f131.txt"].size() - 16),
                Sha256("the same name before").substr(0, 16));
      EXPECT_NE(one.err.find("skipped: OUT/clash/inside.txt: cannot create"), std::string::npos) << one.err;
    }
  }
}

// The real file system, shared by the workers, that asks for an interrupt when the n-th
// temporary is made, or runs out of space after so many bytes.
class TroubledFiles final : public support::ForwardingFileSystem {
 public:
  TroubledFiles(int interruptAt, int64_t space) : left_(interruptAt), space_(space) {}
  std::unique_ptr<sys::File> Open(const std::string& p, sys::Access a, sys::Share s, sys::Disposition d) override {
    if (d != sys::Disposition::createNew) return ForwardingFileSystem::Open(p, a, s, d);
    if (--left_ == 0) cli::InterruptRequested() = 1;
    auto file = ForwardingFileSystem::Open(p, a, s, d);
    return file ? std::make_unique<Filling>(std::move(file), space_) : nullptr;
  }
  uint32_t LastError() override { return full ? sys::kErrorDiskFull : ForwardingFileSystem::LastError(); }

 private:
  static thread_local bool full;
  class Filling final : public support::ForwardingFile {
   public:
    Filling(std::unique_ptr<sys::File> file, std::atomic<int64_t>& space)
        : ForwardingFile(std::move(file)), space_(space) {}
    bool Write(const void* b, uint32_t n, uint32_t& done) override {
      if ((space_ -= n) < 0) return done = 0, full = true, false;
      return ForwardingFile::Write(b, n, done);
    }

   private:
    std::atomic<int64_t>& space_;
  };
  std::atomic<int> left_;
  std::atomic<int64_t> space_;
};
thread_local bool TroubledFiles::full = false;

void ExpectNoTemporary(const std::string& root) {
  for (const auto& e : fs::recursive_directory_iterator(root))
    EXPECT_EQ(e.path().filename().string().find("~zv"), std::string::npos) << e.path();
}

// Ctrl+C in the middle of a threaded run: every worker stops, status 80, no temporary left.
// A full disk ends it with 50, also without a temporary.
TEST(ZipCommandThreads, AnInterruptOrAFullDiskStopsEveryWorker) {
  TempDir dir, out;
  WriteFile(dir / "a.zip", Mixed());
  TroubledFiles interrupting(60, std::numeric_limits<int64_t>::max());
  Outcome run = Unzip({"-o", "--threads", "3", "-d", out.Path(), dir / "a.zip"}, interrupting);
  cli::InterruptRequested() = 0;
  EXPECT_EQ(run.status, 80) << run.err;
  EXPECT_NE(run.err.find("zorvik-unzip: interrupted\n"), std::string::npos) << run.err;
  ExpectNoTemporary(out.Path());
  size_t files = 0;
  for (const auto& e : fs::recursive_directory_iterator(out.Path())) files += e.is_regular_file();
  EXPECT_GT(files, 0u);
  EXPECT_LT(files, 400u);

  TempDir full;
  TroubledFiles filling(-1, 100000);
  Outcome ended = Unzip({"-o", "--threads", "3", "-d", full.Path(), dir / "a.zip"}, filling);
  EXPECT_EQ(ended.status, 50) << ended.err;
  EXPECT_NE(ended.err.find("(the disk is full, or cannot be written)\n"), std::string::npos) << ended.err;
  ExpectNoTemporary(full.Path());
}

// The statuses that need no damaged tree: each as with one thread, with the same messages.
TEST(ZipCommandThreads, StatusesAsOnOneThread) {
  const std::vector<std::pair<int, std::vector<std::string>>> cases = {
      {81, {TestData("unsupported-methods.zip")}},
      {82, {"-P", "nope", TestData("infozip-zipcloak.zip")}},
      {11, {TestData("infozip-tree-comments.zip"), "nothing*"}},
      {2, {TestData("damaged-crc-mismatch.zip")}},
  };
  for (const auto& [status, args] : cases) {
    SCOPED_TRACE(args.back());
    Outcome one{}, four{};
    for (const char* threads : {"1", "4"}) {
      TempDir out;
      std::vector<std::string> full = {"--threads", threads, "-d", out.Path()};
      full.insert(full.end(), args.begin(), args.end());
      Outcome run = Unzip(full);
      for (size_t at; (at = run.err.find(out.Path())) != std::string::npos;)
        run.err.replace(at, out.Path().size(), "OUT");
      (threads == std::string("1") ? one : four) = run;
    }
    EXPECT_EQ(one.status, status) << one.err;
    EXPECT_EQ(four.status, status);
    EXPECT_EQ(four.err, one.err);
  }
}

TEST(ZipCommandThreads, ACountThatIsNoCountIsAWrongCommandLine) {
  TempDir dir;
  WriteFile(dir / "a.zip", BuildZip({ZipItem("x.txt", "x")}));
  for (const char* bad : {"0", "x", "-1", "65", "2x", ""}) {
    Outcome run = Unzip({"--threads", bad, "-t", dir / "a.zip"});
    EXPECT_EQ(run.status, 10) << bad;
    EXPECT_NE(run.err.find("--threads"), std::string::npos) << run.err;
  }
  EXPECT_EQ(Unzip({"-t", dir / "a.zip", "--threads"}).status, 10);  // without its value
  EXPECT_EQ(Unzip({"--threads", "64", "-t", dir / "a.zip"}).status, 0);
  // Standard output keeps the entries' order whatever the count.
  Outcome pipe = Unzip({"--threads", "4", "-p", dir / "a.zip"});
  EXPECT_EQ(pipe.status, 0);
  EXPECT_EQ(pipe.out, "x");
}
