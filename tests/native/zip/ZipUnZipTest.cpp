// Extraction into a directory: entry choice, output paths (and the ones that would escape),
// the overwrite modes, read-only targets, passwords, events, and what a failed entry leaves.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>

#include "ZipTestKit.h"
#include "tests/native/support/ForwardingFileSystem.h"
#include "zip/ZipExtractor.h"
#include "zip/codec/Crypt.h"

using namespace zip;
using namespace ziptest;

namespace {

const uint32_t kEntryTime = DosTime(2024, 3, 15, 10, 30, 0);

std::string Unix(const std::string& p) {
  std::string s = p;
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

time_t LocalSeconds(int y, int mo, int d, int h, int mi, int s) {
  struct tm tm {};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return mktime(&tm);
}

void SetTime(const std::string& path, time_t t) {
  struct utimbuf b {
    t, t
  };
  ::utime(Unix(path).c_str(), &b);
}

time_t MTime(const std::string& path) {
  struct stat st {};
  ::stat(Unix(path).c_str(), &st);
  return st.st_mtime;
}

struct Fixture {
  TempDir dir;
  ScriptedUi ui;
  TZipExtractor zip{sys::RealFileSystem(), ui};
  std::string dest;
  std::vector<std::string> events;
  explicit Fixture(const std::vector<ZipItem>& items, const std::string& destName = "out") {
    WriteFile(dir / "a.zip", BuildZip(items));
    dest = dir / destName;
    zip.SetZipName(dir / "a.zip");
    zip.SetDestDir(dest);
    zip.SetDoAll(true);
    zip.OnSkippingFile = [this](TZipExtractor&, TSkipReason r, const std::string& n, int, bool&) {
      events.push_back("skip " + std::to_string(r) + " " + n.substr(n.rfind('\\') + 1));
    };
    zip.OnBadCRC = [this](TZipExtractor& z, int, int, int i) { events.push_back("badcrc " + z.Filename(i)); };
  }
  std::optional<std::string> Out(const std::string& name) { return ReadFile(dest + "\\" + name); }
};

}  // namespace

TEST(ZipUnZip, PropertiesAndTheirSetters) {
  ScriptedUi ui;
  TZipExtractor z(sys::RealFileSystem(), ui);
  EXPECT_EQ(z.ThisVersion(), 223);
  z.SetThisVersion(5);
  EXPECT_EQ(z.ThisVersion(), 223);
  EXPECT_EQ(z.OverwriteMode(), Prompt);
  EXPECT_TRUE(z.RetainAttributes());
  EXPECT_TRUE(z.DoProcessMessages());
  z.SetDestDir("c:\\x\\");
  EXPECT_EQ(z.DestDir(), "c:\\x");
  z.SetRootDir("a\\b");
  EXPECT_EQ(z.RootDir(), "a\\b\\");
  z.SetRootDir("");
  EXPECT_EQ(z.RootDir(), "");
  try {
    z.SetDestDir("?");
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled Set Desination Directory");
  }
  TZipExtractor copy(sys::RealFileSystem(), ui);
  z.SetFilesList({"*.txt"});
  z.SetFlushFilesOnClose(true);
  copy.Assign(z);
  EXPECT_EQ(copy.DestDir(), "c:\\x");
  EXPECT_EQ(copy.FilesList(), std::vector<std::string>{"*.txt"});
  EXPECT_FALSE(copy.FlushFilesOnClose());
}

TEST(ZipUnZip, WildcardMatching) {
  EXPECT_TRUE(IsMatch("*", ""));
  EXPECT_TRUE(IsMatch("*.PG", "dir\\Report.pg"));
  EXPECT_FALSE(IsMatch("*.pg", "report.pgx"));
  EXPECT_TRUE(IsMatch("r?p*t", "rEPort"));
  EXPECT_FALSE(IsMatch("r?p", "rp"));
  EXPECT_TRUE(IsMatch("<a-c>*", "b.txt"));
  EXPECT_FALSE(IsMatch("<a-c>*", "d.txt"));
  EXPECT_TRUE(IsMatch("<!a-c>*", "d.txt"));
  EXPECT_FALSE(IsMatch("<^a-c>x", "ax"));
  EXPECT_TRUE(IsMatch("<xyz>", "Y"));
  EXPECT_FALSE(IsMatch("<a-c*", "a"));                          // no closing ">": never
  EXPECT_TRUE(IsMatch("\xc4\xa3?.pg", "\xc4\xa3\xb0\xe5.pg"));  // one GBK character for "?"
  // Lower case leaves GBK characters whole: a trail byte 0x41 is not an "A" to fold.
  EXPECT_FALSE(IsMatch("\x81\x41.pg", "\x81\x61.pg"));
  EXPECT_TRUE(IsMatch("\x81\x41.PG", "\x81\x41.pg"));
}

TEST(ZipUnZip, PlainInstallerRunCreatesDestinationAndStampsFiles) {
  Fixture f({ZipItem("a.txt", "alpha"), ZipItem("sub/b.txt", "beta").External(0x21), ZipItem("dir/", "")},
            "deep\\er\\report");
  WriteFile(f.dir / "a.txt", "unrelated");
  f.zip.SetOverwriteMode(Always);
  EXPECT_EQ(f.zip.UnZip(), 3);  // the directory entry counts
  EXPECT_EQ(*f.Out("a.txt"), "alpha");
  EXPECT_EQ(*f.Out("b.txt"), "beta");
  EXPECT_EQ(MTime(f.dest + "\\a.txt"), LocalSeconds(2024, 3, 15, 10, 30, 0));
  struct stat st {};
  ::stat(Unix(f.dest + "/b.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & S_IWUSR, 0u);  // read-only attribute kept
  EXPECT_FALSE(Exists(f.dest + "\\dir"));
  EXPECT_EQ(ListDir(f.dest).size(), 2u);

  // Again over the files just written: replaced, except the read-only one.
  EXPECT_EQ(f.zip.UnZip(), 2);
  EXPECT_EQ(f.events, std::vector<std::string>{"skip 3 b.txt"});
  f.zip.SetReplaceReadOnly(true);
  EXPECT_EQ(f.zip.UnZip(), 3);
}

TEST(ZipUnZip, OutputPathsWithRecreateDirsAndRootDir) {
  std::vector<ZipItem> items = {ZipItem("a/b/c.txt", "c"), ZipItem("C:/x/d.txt", "d"), ZipItem("/abs/e.txt", "e"),
                                ZipItem("C:y/f.txt", "f"), ZipItem("e/", "")};
  Fixture flat(items);
  EXPECT_EQ(flat.zip.UnZip(), 5);
  EXPECT_TRUE(flat.Out("c.txt") && flat.Out("d.txt") && flat.Out("e.txt") && flat.Out("f.txt"));

  Fixture deep(items);
  deep.zip.SetRecreateDirs(true);
  EXPECT_EQ(deep.zip.UnZip(), 5);
  EXPECT_EQ(*deep.Out("a\\b\\c.txt"), "c");
  EXPECT_EQ(*deep.Out("x\\d.txt"), "d");
  EXPECT_EQ(*deep.Out("abs\\e.txt"), "e");
  EXPECT_EQ(*deep.Out("y\\f.txt"), "f");  // "C:y" is not "C:\": no sibling of the destination
  EXPECT_TRUE(Exists(deep.dest + "\\e"));
  EXPECT_EQ(ListDir(deep.dir.Path()).size(), 2u);  // a.zip and out

  Fixture rooted(items);
  rooted.zip.SetRecreateDirs(true);
  rooted.zip.SetRootDir("A");
  rooted.zip.UnZip();
  EXPECT_EQ(*rooted.Out("b\\c.txt"), "c");
}

TEST(ZipUnZip, AFolderMarkedOnlyByItsAttributeIsAFolder) {
  // Stored "docs" and "sub/deep" without their trailing "/"; "full" has the attribute but data.
  Fixture f({ZipItem("docs", "").External(0x10), ZipItem("docs/a.txt", "a"), ZipItem("sub/deep", "").External(0x30),
             ZipItem("sub/deep/b.txt", "b"), ZipItem("full", "data").External(0x10)});
  f.zip.SetRecreateDirs(true);
  EXPECT_EQ(f.zip.UnZip(), 5);
  EXPECT_EQ(f.zip.Entry(0).Directory(), "docs\\");
  EXPECT_EQ(f.zip.Entry(0).FileName(), "");
  EXPECT_EQ(*f.Out("docs\\a.txt"), "a");
  EXPECT_EQ(*f.Out("sub\\deep\\b.txt"), "b");
  EXPECT_EQ(*f.Out("full"), "data");
  EXPECT_TRUE(f.events.empty());
}

// Names from other code pages: "表だよ/一覧表.txt" as UTF-8 ends its folder in 0x88, and
// CP437's "ä" is 0x84; GBK reads both as lead bytes, and the "/" after them still separates.
TEST(ZipUnZip, AStoredSlashSeparatesWhateverByteComesBeforeIt) {
  const std::string file = "\xE4\xB8\x80\xE8\xA6\xA7\xE8\xA1\xA8.txt";
  Fixture f({ZipItem("\xE8\xA1\xA8\xE3\x81\xA0\xE3\x82\x88/" + file, "t"), ZipItem("\x84/", ""),
             ZipItem("\x84/a.txt", "a"), ZipItem("\x85", "").External(0x10), ZipItem("\x85/b.txt", "b")});
  f.zip.SetRecreateDirs(true);
  EXPECT_EQ(f.zip.UnZip(), 5);
  EXPECT_EQ(f.zip.Entry(0).FileName(), file);
  EXPECT_EQ(f.Out("\xE8\xA1\xA8\xE3\x81\xA0\xE3\x82_\\" + file).value_or("missing"), "t");
  EXPECT_EQ(f.zip.Entry(1).FileName(), "");
  EXPECT_EQ(f.Out("_\\a.txt").value_or("missing"), "a");
  EXPECT_EQ(f.zip.Entry(3).Directory(), "_\\");
  EXPECT_EQ(f.Out("_\\b.txt").value_or("missing"), "b");
  EXPECT_TRUE(f.events.empty());
}

TEST(ZipUnZip, ArchivesThatTryToLeaveTheDestinationAreStopped) {
  std::vector<ZipItem> items = {
      ZipItem("../up.txt", "1"),         ZipItem("a/../../up2.txt", "2"), ZipItem("a/..", "3"),
      ZipItem("x/.. /up3.txt", "4"),     ZipItem("..\\up4.txt", "5"),     ZipItem("ok/fine.txt", "6"),
      ZipItem("a/\xbb\\../up5.txt", "7")};
  Fixture f(items);
  f.zip.SetRecreateDirs(true);
  EXPECT_EQ(f.zip.UnZip(), 1);
  EXPECT_EQ(f.events.size(), 6u);
  for (const std::string& e : f.events) EXPECT_EQ(e.substr(0, 7), "skip 3 ");
  EXPECT_EQ(ListDir(f.dir.Path()).size(), 2u);  // nothing beside the destination
  EXPECT_EQ(ListDir(f.dest), std::vector<std::string>{"ok"});

  // A handler may still choose any place on purpose.
  Fixture chosen({ZipItem("../up.txt", "1")});
  chosen.zip.SetRecreateDirs(true);
  chosen.zip.OnStartUnZip = [&](TZipExtractor&, int, std::string& name, bool&) { name = chosen.dir / "picked.txt"; };
  EXPECT_EQ(chosen.zip.UnZip(), 1);
  EXPECT_EQ(*ReadFile(chosen.dir / "picked.txt"), "1");
}

TEST(ZipUnZip, OverwriteModesAgainstOlderEqualAndNewerFiles) {
  time_t entry = LocalSeconds(2024, 3, 15, 10, 30, 0);
  struct Case {
    TUZOverwriteMode mode;
    time_t existing;
    bool replaced;
  } cases[] = {{Never, entry - 100, false}, {Always, entry + 100, true},   {ifNewer, entry - 100, true},
               {ifNewer, entry, false},     {ifNewer, entry + 100, false}, {ifOlder, entry + 100, true},
               {ifOlder, entry, false},     {ifOlder, entry - 100, false}};
  for (const Case& c : cases) {
    Fixture f({ZipItem("f.txt", "new")});
    ::mkdir(Unix(f.dest).c_str(), 0777);
    WriteFile(f.dest + "\\f.txt", "old");
    SetTime(f.dest + "\\f.txt", c.existing);
    f.zip.SetOverwriteMode(c.mode);
    EXPECT_EQ(f.zip.UnZip(), c.replaced ? 1 : 0) << c.mode << " " << c.existing - entry;
    EXPECT_EQ(*f.Out("f.txt"), c.replaced ? "new" : "old");
    if (!c.replaced) {
      EXPECT_EQ(f.events, std::vector<std::string>{"skip 1 f.txt"});
    }
  }
}

TEST(ZipUnZip, PromptAsksTheHandlerOrTheUser) {
  Fixture f({ZipItem("f.txt", "new"), ZipItem("g.txt", "new")});
  ::mkdir(Unix(f.dest).c_str(), 0777);
  WriteFile(f.dest + "\\f.txt", "old");
  WriteFile(f.dest + "\\g.txt", "old");
  f.ui.answers = {sys::kIdNo, sys::kIdYes};
  EXPECT_EQ(f.zip.UnZip(), 1);
  ASSERT_EQ(f.ui.boxes.size(), 2u);
  EXPECT_EQ(f.ui.boxes[0].text, "Replace existing file f.txt?");
  EXPECT_EQ(f.ui.boxes[0].caption, "File Exists Alert");
  EXPECT_EQ(f.ui.boxes[0].flags, sys::kMbYesNo);
  EXPECT_EQ(*f.Out("f.txt"), "old");
  EXPECT_EQ(*f.Out("g.txt"), "new");

  f.zip.OnPromptForOverwrite = [&](TZipExtractor&, bool& overwrite, int i, std::string& name) {
    overwrite = i == 0;
    name = f.dest + "\\renamed.txt";
  };
  EXPECT_EQ(f.zip.UnZip(), 1);
  EXPECT_EQ(*f.Out("renamed.txt"), "new");
  EXPECT_EQ(f.ui.boxes.size(), 2u);
}

TEST(ZipUnZip, FailedEntriesLeaveEarlierFilesAndNoTemporaries) {
  std::string data(5000, 'n');
  Fixture f({ZipItem("crc.txt", data).Crc(1234), ZipItem("type3.txt", "xyz").Packed(8, "\x07\x00"),
             ZipItem("good.txt", "good")});
  ::mkdir(Unix(f.dest).c_str(), 0777);
  WriteFile(f.dest + "\\crc.txt", "older");
  WriteFile(f.dest + "\\type3.txt", "older");
  f.zip.SetOverwriteMode(Always);
  EXPECT_EQ(f.zip.UnZip(), 1);
  EXPECT_EQ(f.events, (std::vector<std::string>{"badcrc crc.txt", "badcrc type3.txt"}));
  EXPECT_EQ(*f.Out("crc.txt"), "older");
  EXPECT_EQ(*f.Out("type3.txt"), "older");
  EXPECT_EQ(ListDir(f.dest).size(), 3u);
}

TEST(ZipUnZip, EntryChoiceByFilesList) {
  std::vector<ZipItem> items = {ZipItem("a.PG", "1"), ZipItem("d/b.pg", "2"), ZipItem("c.txt", "3"),
                                ZipItem("z.txt", "4")};
  Fixture f(items);
  f.zip.SetDoAll(false);
  int numFiles = -1, completed = -1;
  double total = -1;
  f.zip.OnStartUnZipInfo = [&](TZipExtractor&, int n, double t, bool&) {
    numFiles = n;
    total = t;
  };
  f.zip.OnUnZipComplete = [&](TZipExtractor&, int n) { completed = n; };
  EXPECT_EQ(f.zip.UnZip(), 0);  // empty list, nothing chosen
  EXPECT_EQ(numFiles, 0);
  EXPECT_EQ(completed, 0);
  f.zip.SetFilesList({"*.pg", "<a-c>*"});
  EXPECT_EQ(f.zip.UnZip(), 3);
  EXPECT_EQ(numFiles, 3);
  EXPECT_EQ(total, 3.0);
  EXPECT_TRUE(f.zip.FilesList().empty());
  EXPECT_FALSE(f.Out("z.txt"));
  // StopNow ends the run before any entry.
  f.zip.SetDoAll(true);
  f.zip.OnStartUnZipInfo = [&](TZipExtractor&, int, double, bool& stop) { stop = true; };
  EXPECT_EQ(f.zip.UnZip(), 0);
}

TEST(ZipUnZip, PasswordsFromTheHandlerBeforeAndAfterADecodingFailure) {
  // Find a wrong password whose check byte still matches: it passes the check and fails the CRC.
  std::string data(2000, 'p');
  uint32_t crc = Crc(data);
  std::string archive = BuildZip({ZipItem("s.bin", data).Password("right")});
  const uint8_t* header = reinterpret_cast<const uint8_t*>(archive.data()) + 30 + 5;
  std::string lucky;
  for (int i = 0; lucky.empty(); ++i) {
    std::string p = "w" + std::to_string(i);
    auto keys = codec::CryptInit(reinterpret_cast<const uint8_t*>(p.data()), p.size());
    if (codec::CryptCheckHeader(keys, header) == static_cast<uint8_t>(crc >> 24)) lucky = p;
  }
  Fixture f({ZipItem("s.bin", data).Password("right")});
  f.zip.SetPassword(lucky);
  std::vector<std::string> asked;
  f.zip.OnBadPassword = [&](TZipExtractor&, int, std::string& p) {
    asked.push_back(p);
    p = "right";
  };
  EXPECT_EQ(f.zip.UnZip(), 1);
  EXPECT_EQ(asked, std::vector<std::string>{lucky});
  EXPECT_EQ(*f.Out("s.bin"), data);

  // A password refused by the check byte, then the right one from the handler: the header
  // counts once against the data, so all of it is decoded.
  std::string refused;
  for (int i = 0; refused.empty(); ++i) {
    std::string p = "x" + std::to_string(i);
    auto keys = codec::CryptInit(reinterpret_cast<const uint8_t*>(p.data()), p.size());
    if (codec::CryptCheckHeader(keys, header) != static_cast<uint8_t>(crc >> 24)) refused = p;
  }
  Fixture h({ZipItem("s.bin", data).Password("right")});
  h.zip.SetPassword(refused);
  h.zip.OnBadPassword = [&](TZipExtractor&, int, std::string& p) { p = "right"; };
  EXPECT_EQ(h.zip.UnZip(), 1);
  auto decoded = h.Out("s.bin");
  ASSERT_TRUE(decoded);
  EXPECT_EQ(*decoded, data);

  // Without a handler a wrong password skips the entry.
  Fixture g({ZipItem("s.bin", data).Password("right")});
  g.zip.SetPassword("wrong");
  EXPECT_EQ(g.zip.UnZip(), 0);
  EXPECT_EQ(g.events, std::vector<std::string>{"skip 0 s.bin"});
}

// The real file system, counting the seeks and reads made on the archive.
class CountingArchiveFs : public support::ForwardingFileSystem {
 public:
  int seeks = 0, reads = 0;
  std::unique_ptr<sys::File> Open(const std::string& p, sys::Access a, sys::Share s, sys::Disposition d) override {
    auto inner = ForwardingFileSystem::Open(p, a, s, d);
    if (!inner || p.size() < 5 || p.compare(p.size() - 5, 5, "a.zip") != 0) return inner;
    return std::make_unique<Counted>(std::move(inner), *this);
  }

 private:
  class Counted : public support::ForwardingFile {
   public:
    Counted(std::unique_ptr<sys::File> inner, CountingArchiveFs& fs) : ForwardingFile(std::move(inner)), fs_(fs) {}
    bool Read(void* b, uint32_t n, uint32_t& done) override { return ++fs_.reads, ForwardingFile::Read(b, n, done); }
    bool Seek(int64_t o, sys::SeekOrigin from, int64_t& p) override {
      return ++fs_.seeks, ForwardingFile::Seek(o, from, p);
    }

   private:
    CountingArchiveFs& fs_;
  };
};

TEST(ZipUnZip, SmallEntriesAreReadOnwardWithoutSeekingBackForEach) {
  // Names and sizes vary so that local headers, names and data meet the 8 KB buffer's end at
  // every kind of place; some entries are encrypted and step back over their header.
  std::vector<ZipItem> items;
  std::vector<std::string> names, contents;
  for (int i = 0; i < 240; ++i) {
    names.push_back(std::string(1 + i * 7 % 90, static_cast<char>('a' + i % 26)) + std::to_string(i) + ".txt");
    std::string data;
    for (int k = 0; k < i * 131 % 2900; ++k) data += static_cast<char>('0' + (k * i + k / 7) % 43);
    contents.push_back(data);
    ZipItem item(names.back(), data);
    if (i % 3 == 0) item.Packed(8, StoredDeflate(data));
    if (i % 17 == 5) item.Password("pw");
    items.push_back(item);
  }
  TempDir dir;
  WriteFile(dir / "a.zip", BuildZip(items));
  ScriptedUi ui;
  CountingArchiveFs fs;
  TZipExtractor z(fs, ui);
  z.SetZipName(dir / "a.zip");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  z.SetPassword("pw");
  EXPECT_EQ(z.UnZip(), 240);
  for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(ReadFile(dir / ("out\\" + names[i])), contents[i]) << names[i];
  // About 400 KB of archive: a read per buffer, a seek where a header crossed the buffer's
  // end, and two for each encrypted entry. A seek per entry would be 240.
  EXPECT_LT(fs.seeks, 80);
  EXPECT_LT(fs.reads, 150);
}

TEST(ZipUnZip, EventOrderOfAWholeRun) {
  Fixture f({ZipItem("one.txt", "1111"), ZipItem("skip.txt", "22"), ZipItem("bad.txt", "3").Crc(7),
             ZipItem("keep.txt", "4")});
  ::mkdir(Unix(f.dest).c_str(), 0777);
  WriteFile(f.dest + "\\keep.txt", "x");
  f.zip.SetOverwriteMode(Never);
  auto& ev = f.events;
  f.zip.OnStartUnZipInfo = [&](TZipExtractor&, int n, double t, bool&) {
    ev.push_back("info " + std::to_string(n) + " " + std::to_string(static_cast<int>(t)));
  };
  f.zip.OnStartUnZip = [&](TZipExtractor& z, int i, std::string&, bool& skip) {
    ev.push_back("start " + z.Filename(i));
    skip = z.Filename(i) == "skip.txt";
  };
  f.zip.OnFilePercentDone = [&](TZipExtractor&, int p) { ev.push_back("file " + std::to_string(p)); };
  f.zip.OnTotalPercentDone = [&](TZipExtractor&, int p) { ev.push_back("total " + std::to_string(p)); };
  f.zip.OnEndUnZip = [&](TZipExtractor& z, int i, const std::string&) { ev.push_back("end " + z.Filename(i)); };
  f.zip.OnUnZipComplete = [&](TZipExtractor&, int n) { ev.push_back("complete " + std::to_string(n)); };
  // 5 of 8 bytes is 62.5 %: halves go to the even neighbour.
  EXPECT_EQ(f.zip.UnZip(), 1);
  EXPECT_EQ(ev, (std::vector<std::string>{"info 4 8", "start one.txt", "file 100", "total 50", "end one.txt",
                                          "start skip.txt", "start bad.txt", "file 100", "total 62", "badcrc bad.txt",
                                          "start keep.txt", "skip 1 keep.txt", "complete 1"}));
}

TEST(ZipUnZip, LoadFailuresLeaveTheDestinationUncreated) {
  TempDir dir;
  ScriptedUi ui;
  TZipExtractor z(sys::RealFileSystem(), ui);
  z.SetZipName(dir / "missing.zip");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  EXPECT_THROW(z.UnZip(), base::EFOpenError);
  WriteFile(dir / "bad.zip", std::string(200, 'b'));
  z.SetZipName(dir / "bad.zip");
  z.SetDestDir(dir / "out");
  EXPECT_THROW(z.UnZip(), EIncompleteZip);
  EXPECT_FALSE(Exists(dir / "out"));
  EXPECT_EQ(ui.cursor, sys::Cursor::normal);
  EXPECT_FALSE(z.KeepZipOpen());
}

TEST(ZipUnZip, SplitSetIsExtractedDiskByDisk) {
  TempDir dir;
  std::string whole = BuildZip({ZipItem("one.txt", "one"), ZipItem("two.txt", "two")});
  size_t cd = whole.find("PK\x01\x02");
  std::string directory = whole.substr(cd);
  directory[directory.size() - 22 + 4] = 1;  // this disk 1
  directory[directory.size() - 22 + 6] = 1;  // directory on disk 1
  for (int i = 16; i < 20; ++i) directory[directory.size() - 22 + i] = 0;
  WriteFile(dir / "a.001", whole.substr(0, cd));
  WriteFile(dir / "a.002", directory);
  ScriptedUi ui;
  TZipExtractor z(sys::RealFileSystem(), ui);
  AcceptSplitSet(z);
  z.SetZipName(dir / "a.002");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  z.SetSortMode(ByName);
  EXPECT_EQ(z.UnZip(), 2);
  EXPECT_EQ(*ReadFile(dir / "out\\two.txt"), "two");
  EXPECT_EQ(z.SortMode(), ByName);
}
