// The zorvik-unzip command: options, listing, exit statuses, and every test archive
// extracted to its recorded hashes.
#include <gtest/gtest.h>

#include <utime.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>

#include "tests/native/zip/ZipTestKit.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/support/ScriptedUi.h"
#include "cli/UnzipCommand.h"

using namespace ziptest;

namespace {

struct Result {
  int status;
  std::string out, err;
};

Result Command(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  int status = cli::RunUnzipCommand(args, out, err, false);
  return {status, out.str(), err.str()};
}

std::string Slashes(std::string s) {
  for (char& c : s)
    if (c == '/') c = '\\';
  return s;
}

}  // namespace

TEST(ZipCommand, HelpListAndBadCommandLines) {
  Result help = Command({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* text : {"-l", "-d DIR", "-r", "-o", "-n", "-u", "-P PASSWORD", "-q", "PATTERN", "Exit status"})
    EXPECT_NE(help.out.find(text), std::string::npos) << text;
  EXPECT_EQ(Command({}).status, 10);
  EXPECT_EQ(Command({"-z", "a.zip"}).status, 10);
  EXPECT_EQ(Command({"-d"}).status, 10);  // option without its value
  Result version = Command({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("zorvik-unzip ", 0), 0u) << version.out;

  Result list = Command({"-l", TestData("infozip-tree-comments.zip")});
  EXPECT_EQ(list.status, 0);
  EXPECT_NE(list.out.find("docs/guide/chapter1.txt"), std::string::npos);
  EXPECT_NE(list.out.find("ee138e3c"), std::string::npos);
  EXPECT_NE(list.out.find("2024-03-15"), std::string::npos);

  EXPECT_EQ(Command({TestData("zero-length.zip")}).status, 0);  // an empty archive, nothing to do
  TempDir dir;
  WriteFile(dir / "junk.zip", std::string(50, 'x'));
  Result missing = Command({dir / "junk.zip"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("Incomplete Zip File"), std::string::npos);
}

TEST(ZipCommand, ExtractsEveryTestArchiveToItsRecordedHashes) {
  std::map<std::string, std::vector<ManifestRow>> byArchive;
  for (const ManifestRow& r : Manifest()) byArchive[r.archive].push_back(r);
  for (const auto& [archive, rows] : byArchive) {
    if (archive.rfind("damaged-", 0) == 0) continue;
    SCOPED_TRACE(archive);
    TempDir out;
    std::vector<std::string> args = {"-r", "-o", "-d", out.Path(), TestData(archive)};
    if (!rows[0].password.empty()) args.insert(args.begin(), {"-P", rows[0].password});
    Result r = Command(args);
    EXPECT_EQ(r.status, archive == "unsupported-methods.zip" ? 81 : 0) << r.err;
    for (const ManifestRow& row : rows) {
      if (row.sha256.empty() || row.method == 9 || row.method == 12) continue;
      auto data = ReadFile(out / Slashes(row.entry));
      ASSERT_TRUE(data) << row.entry;
      EXPECT_EQ(Sha256(*data), row.sha256) << row.entry;
    }
  }
}

TEST(ZipCommand, SkippedAndFailedEntriesAreReported) {
  TempDir out;
  WriteFile(out / "good-before.txt", "mine");
  Result r = Command({"-d", out.Path(), TestData("damaged-crc-mismatch.zip")});
  EXPECT_EQ(r.status, 2);  // damaged data outweighs the skipped file
  EXPECT_NE(r.err.find("good-before.txt: exists, not overwritten"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("failed: corrupted.txt: CRC-32 849becca, expected 30df0e1b"), std::string::npos) << r.err;
  EXPECT_EQ(*ReadFile(out / "good-before.txt"), "mine");

  TempDir chosen;
  EXPECT_EQ(Command({"-j", "-d", chosen.Path(), TestData("infozip-tree-comments.zip"), "*.txt"}).status, 0);
  std::vector<std::string> names = ListDir(chosen.Path());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"chapter1.txt", "index.txt"}));

  TempDir wrong;
  Result w = Command({"-P", "nope", "-d", wrong.Path(), TestData("infozip-zipcloak.zip")});
  EXPECT_EQ(w.status, 82);  // every entry refused the password
  EXPECT_NE(w.err.find("wrong password"), std::string::npos);
}

TEST(ZipCommand, NothingWaitsForAClickAndMessagesGoToStandardError) {
  TempDir dir;
  WriteFile(dir / "a.zip", BuildZip({ZipItem("m9.bin", "nine").Packed(9, "zz"),
                                     ZipItem("m7.bin", "seven").Packed(7, "zz"), ZipItem("ok.txt", "ok")}));
  ScriptedUi ui;
  std::ostringstream out, err;
  int status = cli::RunUnzipCommand({"-q", "-d", dir.Path() + "/out", dir.Path() + "/a.zip"}, out, err, false,
                                    sys::RealFileSystem(), ui);
  EXPECT_EQ(status, 81);
  EXPECT_TRUE(ui.boxes.empty());
  EXPECT_NE(err.str().find("zorvik-unzip: m9.bin: Unknown Compression Method (Zip Error)\n"), std::string::npos)
      << err.str();
  EXPECT_NE(err.str().find("m7.bin: Unknown Compression Method"), std::string::npos);
  EXPECT_EQ(ListDir(dir.Path() + "/out"), std::vector<std::string>{"ok.txt"});
}

TEST(ZipCommand, AnUnsupportedMethodIsReportedOnceAndAsSuch) {
  TempDir dir;
  // Method 99 with the encryption flag and the 0x9901 field (AE-2, "AE", 256-bit, deflated
  // inside): AES, whose data has no traditional header to check.
  const std::string aes(40, '\x5a');
  const std::string aesField(
      "\x01\x99\x07\x00\x02\x00"
      "AE\x03\x08\x00",
      11);
  WriteFile(dir / "a.zip",
            BuildZip({ZipItem("m9.bin", "nine").Packed(9, "zz"),
                      ZipItem("aes.bin", "secret").Packed(99, aes).Flags(1).Extra(aesField), ZipItem("ok.txt", "ok")}));
  for (const std::vector<std::string>& password : {std::vector<std::string>{}, {"-P", "secret"}}) {
    TempDir out;
    std::vector<std::string> args = password;
    args.insert(args.end(), {"-d", out.Path(), dir / "a.zip"});
    Result r = Command(args);
    EXPECT_EQ(r.status, 81) << r.err;
    EXPECT_NE(r.err.find("m9.bin: Unknown Compression Method"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("CRC-32"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("wrong password"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("aes.bin: unsupported compression method 99"), std::string::npos) << r.err;
    EXPECT_EQ(ListDir(out.Path()), std::vector<std::string>{"ok.txt"});
  }
  WriteFile(dir / "aes.zip", BuildZip({ZipItem("aes.bin", "secret").Packed(99, aes).Flags(1).Extra(aesField)}));
  TempDir aesOut;
  EXPECT_EQ(Command({"-d", aesOut.Path(), dir / "aes.zip"}).status, 81);  // not 82: no password could help
  // A decodable method whose data fails still says how.
  WriteFile(dir / "b.zip", BuildZip({ZipItem("bad.txt", "data").Crc(0x12345678)}));
  TempDir out;
  EXPECT_NE(Command({"-d", out.Path(), dir / "b.zip"}).err.find("bad.txt: CRC-32"), std::string::npos);

  // Sizes are unsigned 32-bit fields.
  WriteFile(dir / "c.zip", BuildZip({ZipItem("big.bin", "x").Usize(-1).Csize(-2)}));
  Result list = Command({"-l", dir / "c.zip"});
  EXPECT_NE(list.out.find("4294967295  Stored  4294967294"), std::string::npos) << list.out;
  EXPECT_EQ(list.out.find(" -"), std::string::npos) << list.out;
}

TEST(ZipCommand, ControlBytesInNamesAreShownEscaped) {
  TempDir dir;
  // A title change, a screen clear and a GBK name whose trail byte is "\" (0x5C).
  const std::string gbk =
      "\xB1\x5C"
      "x.txt";
  std::string archive = BuildZip({ZipItem("a\x1b]0;pwned\x07.txt", "1"),
                                  ZipItem("dir/\x1b[2J\x80"
                                          "c.txt",
                                          "2"),
                                  ZipItem(gbk, "3"), ZipItem("overlaps.txt", "4").Csize(300)});
  WriteFile(dir / "a.zip", archive);
  Result list = Command({"-l", dir / "a.zip"});
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out.find('\x1b'), std::string::npos);
  EXPECT_EQ(list.out.find('\x07'), std::string::npos);
  EXPECT_NE(list.out.find("a\\x1b]0;pwned\\x07.txt\n"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find("dir/\\x1b[2J\\x80c.txt\n"), std::string::npos) << list.out;
  EXPECT_NE(list.out.find(gbk + "\n"), std::string::npos) << list.out;

  // Reports of skipped entries name them the same way, with the reason.
  Result run = Command({"-d", dir / "out", dir / "a.zip"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find('\x1b'), std::string::npos);
  EXPECT_NE(run.err.find("skipped: overlaps.txt: its data overlaps another entry or the directory"), std::string::npos)
      << run.err;
}

// The command line of unzip: paths kept unless -j, exclusions, freshening, testing and
// writing to standard output without touching the disk, and the statuses scripts test.
TEST(ZipCommand, BehavesAsUnzipsCommandLine) {
  const std::string tree = TestData("infozip-tree-comments.zip");
  TempDir kept;
  EXPECT_EQ(Command({"-q", tree, "-d", kept.Path()}).status, 0);  // options after the archive too
  EXPECT_TRUE(ReadFile(kept / "docs/guide/chapter1.txt"));
  TempDir junked;
  EXPECT_EQ(Command({"-q", "-j", "-d", junked.Path(), tree}).status, 0);
  EXPECT_TRUE(ReadFile(junked / "chapter1.txt"));
  EXPECT_FALSE(ReadFile(junked / "docs/guide/chapter1.txt"));

  TempDir excluded;
  EXPECT_EQ(Command({"-q", "-d", excluded.Path(), tree, "-x", "*chapter*", "*.dat"}).status, 0);
  EXPECT_TRUE(ReadFile(excluded / "docs/index.txt"));
  EXPECT_FALSE(ReadFile(excluded / "docs/guide/chapter1.txt"));
  EXPECT_EQ(Command({"-d", excluded.Path(), tree, "nothing*"}).status, 11);
  EXPECT_EQ(Command({"-d", excluded.Path(), tree, "-x", "*"}).status, 0);  // no pattern: nothing to miss

  // Freshen: only files already there, and only when the entry is newer.
  TempDir fresh;
  std::filesystem::create_directories(fresh.Path() + "/docs");
  WriteFile(fresh / "docs/index.txt", "old");
  utimbuf longAgo{631152000, 631152000};  // 1990
  ASSERT_EQ(utime((fresh.Path() + "/docs/index.txt").c_str(), &longAgo), 0);
  EXPECT_EQ(Command({"-q", "-f", "-d", fresh.Path(), tree}).status, 0);
  EXPECT_NE(*ReadFile(fresh / "docs/index.txt"), "old");
  EXPECT_FALSE(ReadFile(fresh / "docs/guide/chapter1.txt"));

  // Test and pipe write nothing, wherever -d points.
  TempDir untouched;
  Result t = Command({"-t", "-d", untouched.Path(), tree});
  EXPECT_EQ(t.status, 0) << t.err;
  EXPECT_NE(t.out.find("No errors detected"), std::string::npos);
  EXPECT_TRUE(ListDir(untouched.Path()).empty());
  EXPECT_EQ(Command({"-t", TestData("damaged-crc-mismatch.zip")}).status, 2);
  EXPECT_EQ(Command({"-t", TestData("unsupported-methods.zip")}).status, 81);
  Result p = Command({"-p", tree, "docs/index.txt"});
  EXPECT_EQ(p.status, 0) << p.err;
  EXPECT_EQ(p.out, *ReadFile(kept / "docs/index.txt"));
  EXPECT_TRUE(ListDir(untouched.Path()).empty());

  // "name" stands for "name.zip"; a missing archive is status 9.
  TempDir dir;
  WriteFile(dir / "a.zip", *ReadFile(tree));
  EXPECT_EQ(Command({"-t", dir / "a"}).status, 0);
  EXPECT_EQ(Command({"-t", dir / "missing"}).status, 9);

  // A typed "/" matches a stored one, also after a byte GBK reads as a lead byte.
  WriteFile(dir / "cp437.zip", BuildZip({ZipItem("\x84/a.txt", "a"), ZipItem("\x84/b.txt", "b")}));
  Result one = Command({"-p", dir / "cp437.zip", "\x84/a.txt"});
  EXPECT_EQ(one.out, "a") << one.err;
}

// A full disk and an interrupt end the run with their own statuses, and neither leaves the
// unfinished entry's temporary behind.
TEST(ZipCommand, AFullDiskAndAnInterruptEndTheRunCleanly) {
  const std::string big(40000, 'a');
  const std::string archive = BuildZip({ZipItem("one.txt", std::string(20000, 'a')), ZipItem("two.txt", "b")});
  support::ScriptedUi ui;
  // Whatever the method, as a write failure: not as damaged data, and not past that entry.
  for (const std::string& full :
       {archive, BuildZip({ZipItem("one.txt", big).Packed(8, StoredDeflate(big)), ZipItem("two.txt", "b")})}) {
    support::FakeFileSystem disk;
    disk.AddFile("c:\\a.zip", full);
    disk.AddDirectory("c:\\out");
    disk.freeBytes = 10000;
    std::ostringstream out, err;
    EXPECT_EQ(cli::RunUnzipCommand({"-q", "-d", "c:\\out", "c:\\a.zip"}, out, err, false, disk, ui), 50) << err.str();
    EXPECT_NE(err.str().find("disk is full"), std::string::npos) << err.str();
    EXPECT_EQ(err.str().find("CRC"), std::string::npos) << err.str();
    EXPECT_FALSE(disk.Exists("c:\\out\\two.txt"));
    for (const std::string& path : disk.Paths()) EXPECT_EQ(path.find("~zv"), std::string::npos) << path;
  }
  {
    // Standard output that takes nothing (a full device, a closed pipe).
    struct Refusing : std::streambuf {
      int_type overflow(int_type) override { return traits_type::eof(); }
      std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
    } refusing;
    std::ostream full(&refusing);
    support::FakeFileSystem disk;
    disk.AddFile("c:\\a.zip", archive);
    std::ostringstream err;
    EXPECT_EQ(cli::RunUnzipCommand({"-p", "c:\\a.zip"}, full, err, false, disk, ui), 50) << err.str();
    EXPECT_NE(err.str().find("disk is full"), std::string::npos) << err.str();
  }
  {
    support::FakeFileSystem disk;
    disk.AddFile("c:\\a.zip", archive);
    cli::InterruptRequested() = 1;
    std::ostringstream out, err;
    int status = cli::RunUnzipCommand({"-q", "-d", "c:\\out", "c:\\a.zip"}, out, err, false, disk, ui);
    cli::InterruptRequested() = 0;
    EXPECT_EQ(status, 80) << err.str();
    EXPECT_FALSE(disk.Exists("c:\\out\\one.txt"));
    for (const std::string& path : disk.Paths()) EXPECT_EQ(path.find("~zv"), std::string::npos) << path;
  }
}

// A directory whose offset is a few bytes off is recovered by the local headers; entries
// whose sizes only their data descriptor holds are delimited by it (with its signature or
// without) and confirmed by its CRC and sizes. One that nothing delimits fails, and the
// entries after it are still found.
TEST(ZipCommand, ScannedEntriesAreDelimitedByTheirDataDescriptors) {
  const std::string a(3000, 'a'), c = "third, without the descriptor's signature", d(5000, 'd');
  ZipLayout shifted;
  shifted.centralShift = 3;
  TempDir dir;
  WriteFile(dir / "dd.zip", BuildZip({ZipItem("first.txt", a).Descriptor(1), ZipItem("second.txt", "two"),
                                      ZipItem("third.txt", c).Descriptor(2),
                                      ZipItem("fourth.txt", d).Packed(8, StoredDeflate(d)).Descriptor(1)},
                                     shifted));
  Result tested = Command({"-t", dir / "dd.zip"});
  EXPECT_EQ(tested.status, 0) << tested.err;
  EXPECT_NE(tested.out.find("No errors detected"), std::string::npos);
  TempDir out;
  Result extracted = Command({"-q", "-d", out.Path(), dir / "dd.zip"});
  EXPECT_EQ(extracted.status, 0) << extracted.err;
  EXPECT_TRUE(ReadFile(out / "first.txt") == a);
  EXPECT_EQ(ReadFile(out / "second.txt"), "two");
  EXPECT_EQ(ReadFile(out / "third.txt"), c);
  EXPECT_TRUE(ReadFile(out / "fourth.txt") == d);

  // The descriptor's CRC does not confirm the data, and the directory's record of the entry
  // points elsewhere: nothing says where it ends.
  WriteFile(dir / "lost.zip", BuildZip({ZipItem("first.txt", a).Descriptor(1).Crc(0x12345678).Offset(77777),
                                        ZipItem("second.txt", "two")},
                                       shifted));
  TempDir out2;
  Result failed = Command({"-q", "-d", out2.Path(), dir / "lost.zip"});
  EXPECT_EQ(failed.status, 2) << failed.err;
  EXPECT_NE(failed.err.find("first.txt"), std::string::npos) << failed.err;
  EXPECT_FALSE(Exists(out2 / "first.txt"));
  EXPECT_EQ(ReadFile(out2 / "second.txt"), "two");
}

// An end record or an entry that cannot be right is damage, said as such: never an empty
// archive, or an entry passed over untested.
TEST(ZipCommand, ADirectoryThatDoesNotAddUpIsDamage) {
  ZipLayout one, all;  // no entries, but a directory of 1 byte, or of 4 GB
  one.centralSize = 1;
  all.centralSize = 0xFFFFFFFF;
  ZipItem nameless("", "");
  nameless.Csize(1000000);  // far past the end of the file
  TempDir dir;
  const struct {
    const char* name;
    std::string archive;
  } cases[] = {{"one.zip", BuildZip({}, one)},
               {"all.zip", BuildZip({}, all)},
               {"nameless.zip", BuildZip({ZipItem("a.txt", "a"), nameless})}};
  WriteFile(dir / "whole.zip", BuildZip({ZipItem("a.txt", "a"), ZipItem("", "")}));
  EXPECT_EQ(Command({"-t", dir / "whole.zip"}).status, 0);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir / c.name, c.archive);
    Result tested = Command({"-t", dir / c.name});
    EXPECT_EQ(tested.status, 2) << tested.out << tested.err;
    EXPECT_FALSE(tested.err.empty());
    EXPECT_EQ(tested.out.find("No errors detected"), std::string::npos);
  }
}

// The end record counts eight entries, the directory holds four and runs past the end of
// the file: not four files and success, but damage.
TEST(ZipCommand, FewerEntriesThanTheEndRecordCountsIsDamage) {
  const std::vector<ZipItem> four = {ZipItem("a.txt", "a"), ZipItem("b.txt", "b"), ZipItem("c.txt", "c"),
                                     ZipItem("d.txt", "d")};
  ZipLayout eight;
  eight.totalEntries = 8;
  eight.centralSize = 8 * (46 + 5);
  TempDir dir, out;
  WriteFile(dir / "eight.zip", BuildZip(four, eight));
  Result run = Command({"-q", "-d", out.Path(), dir / "eight.zip"});
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_NE(run.err.find("Not a valid zip file!"), std::string::npos) << run.err;
  EXPECT_TRUE(ListDir(out.Path()).empty());
}

// The end record says its comment is longer than what is left of the file: the entries are
// whole and extracted, but the archive is not, and the status says so, with one thread or
// several, extracting, testing or listing.
TEST(ZipCommand, ACommentCutShortByTheEndOfTheFileIsAWarning) {
  const std::vector<ZipItem> items = {ZipItem("a.txt", "aaa"), ZipItem("b.txt", "bbb")};
  std::string cut = BuildZip(items, Comment("the comment"));
  cut[cut.size() - 11 - 2] = 40;  // its length: 40 bytes, 11 in the file
  TempDir dir;
  WriteFile(dir / "whole.zip", BuildZip(items, Comment("the comment")));
  WriteFile(dir / "cut.zip", cut);
  for (const char* threads : {"1", "2"}) {
    SCOPED_TRACE(threads);
    TempDir out;
    Result run = Command({"--threads", threads, "-q", "-d", out.Path(), dir / "cut.zip"});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.err.find("comment runs past the end"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(out / "a.txt"), "aaa");
    EXPECT_EQ(ReadFile(out / "b.txt"), "bbb");
    Result tested = Command({"--threads", threads, "-t", dir / "cut.zip"});
    EXPECT_EQ(tested.status, 1) << tested.err;
    EXPECT_EQ(tested.out.find("No errors detected"), std::string::npos) << tested.out;
    Result whole = Command({"--threads", threads, "-t", dir / "whole.zip"});
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_TRUE(whole.err.empty()) << whole.err;
  }
  Result listed = Command({"-l", dir / "cut.zip"});
  EXPECT_EQ(listed.status, 1);
  EXPECT_NE(listed.out.find("b.txt"), std::string::npos);
  EXPECT_EQ(Command({"-l", dir / "whole.zip"}).status, 0);
}

// Two directory records under different names point at one local header: the data is
// extracted once, under the first name, and the second name is reported as failed, the
// archive as damaged; never a name that silently does not arrive.
TEST(ZipCommand, ASecondNameForOneLocalHeaderIsDamage) {
  TempDir dir;
  WriteFile(dir / "shared.zip", BuildZip({ZipItem("first.txt", "first"), ZipItem("third.txt", "third"),
                                          ZipItem("other/second.txt", "second").Offset(0)}));
  // The same record twice names nothing new.
  WriteFile(dir / "twice.zip", BuildZip({ZipItem("first.txt", "first"), ZipItem("first.txt", "first").Offset(0)}));
  for (const char* threads : {"1", "2"}) {
    SCOPED_TRACE(threads);
    TempDir out;
    Result run = Command({"--threads", threads, "-q", "-d", out.Path(), dir / "shared.zip"});
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find("other/second.txt"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("first.txt"), std::string::npos) << run.err;
    EXPECT_EQ(ReadFile(out / "first.txt"), "first");
    EXPECT_EQ(ReadFile(out / "third.txt"), "third");
    EXPECT_FALSE(Exists(out / "other"));
    Result tested = Command({"--threads", threads, "-t", dir / "shared.zip"});
    EXPECT_EQ(tested.status, 2) << tested.err;
    EXPECT_EQ(tested.out.find("No errors detected"), std::string::npos) << tested.out;
    Result twice = Command({"--threads", threads, "-t", dir / "twice.zip"});
    EXPECT_EQ(twice.status, 0) << twice.err;
  }
  // The listing cannot show the second name as an entry, and says so.
  Result listed = Command({"-l", dir / "shared.zip"});
  EXPECT_EQ(listed.status, 2);
  EXPECT_NE(listed.err.find("other/second.txt: its directory record names the data of first.txt; not listed"),
            std::string::npos)
      << listed.err;
  EXPECT_EQ(Command({"-l", dir / "twice.zip"}).status, 0);
  // Both findings are said, whichever decides the status.
  std::string cut = BuildZip({ZipItem("first.txt", "first"), ZipItem("second.txt", "x").Offset(0)}, Comment("c"));
  cut[cut.size() - 1 - 2] = 40;
  WriteFile(dir / "both.zip", cut);
  Result both = Command({"-l", dir / "both.zip"});
  EXPECT_EQ(both.status, 2);
  EXPECT_NE(both.err.find("comment runs past the end"), std::string::npos) << both.err;
  EXPECT_NE(both.err.find("second.txt: its directory record"), std::string::npos) << both.err;
}
