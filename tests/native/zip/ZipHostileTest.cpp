// Archives that lie: entries the directory does not list, data shared between entries,
// counts that wrapped, results and sizes that do not hold, and disks nobody asked for.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "ZipTestKit.h"
#include "base/Ansi.h"
#include "zip/ZipExtractor.h"

using namespace zip;
using namespace ziptest;

namespace {

// An archive in a fresh folder, extracted into its "out" with every entry chosen.
struct Extract {
  TempDir dir;
  ScriptedUi ui;
  TZipExtractor zip{sys::RealFileSystem(), ui};
  std::vector<std::string> badCrc;
  std::vector<std::pair<TSkipReason, std::string>> skipped;
  explicit Extract(const std::string& archive) {
    ui.markOem = false;
    WriteFile(dir / "a.zip", archive);
    zip.SetZipName(dir / "a.zip");
    zip.SetDestDir(dir / "out");
    zip.SetDoAll(true);
    zip.SetOverwriteMode(Always);
    zip.OnBadCRC = [this](TZipExtractor& z, int, int, int i) { badCrc.push_back(z.Filename(i)); };
    zip.OnSkippingFile = [this](TZipExtractor&, TSkipReason reason, const std::string& name, int, bool&) {
      skipped.push_back({reason, name});
    };
  }
  std::vector<std::string> Out() {
    std::vector<std::string> names = ListDir(dir / "out");
    std::sort(names.begin(), names.end());
    return names;
  }
};

std::string Unix(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string Le32(uint32_t v) {
  std::string s;
  for (int i = 0; i < 4; ++i) s += static_cast<char>(v >> (8 * i));
  return s;
}

}  // namespace

TEST(ZipHostile, ALocalHeaderTheDirectoryDoesNotListIsNeverExtracted) {
  // Two records claim the first local header; a third local header, listed nowhere, holds a
  // name that would leave the destination by its drive.
  std::vector<ZipItem> items = {ZipItem("listed.txt", "listed"), ZipItem("again.txt", "again").Offset(0),
                                ZipItem("C:..\\hidden.txt", "hidden")};
  ZipLayout layout;
  layout.centralOrder = {0, 1};
  Extract run(BuildZip(items, layout));
  run.zip.SetRecreateDirs(true);
  EXPECT_EQ(run.zip.UnZip(), 1);
  EXPECT_EQ(run.Out(), std::vector<std::string>{"listed.txt"});
  EXPECT_EQ(ReadFile(run.dir / "out\\listed.txt"), std::optional<std::string>("listed"));
  std::vector<std::string> beside = ListDir(run.dir.Path());
  std::sort(beside.begin(), beside.end());
  EXPECT_EQ(beside, (std::vector<std::string>{"a.zip", "out"}));
}

TEST(ZipHostile, DataThatOverlapsAnotherEntryIsRefusedAndOddLayoutsStillWork) {
  // "shared" is a deflate stream whose first stored block quotes the local header of "inner",
  // and whose last block is inner's own data: one stored kernel, two files.
  const std::string innerData = "the kernel";
  ZipItem inner = ZipItem("inner.txt", innerData).Packed(8, StoredDeflate(innerData));
  const std::string innerArchive = BuildZip({inner});
  const std::string innerLocal = innerArchive.substr(0, 30 + 9);
  std::string quote = std::string(1, '\0') + static_cast<char>(innerLocal.size()) + '\0' +
                      static_cast<char>(~innerLocal.size()) + '\xFF';
  ZipItem shared = ZipItem("shared.txt", innerLocal + innerData).Packed(8, quote);
  shared.Csize(static_cast<int32_t>(quote.size() + innerLocal.size() + inner.packed.size()));
  Extract run(BuildZip({shared, inner}));
  EXPECT_EQ(run.zip.UnZip(), 1);
  EXPECT_EQ(run.Out(), std::vector<std::string>{"inner.txt"});
  ASSERT_EQ(run.skipped.size(), 1u);
  EXPECT_EQ(run.skipped[0].first, srFileOpenError);
  EXPECT_EQ(run.skipped[0].second, "shared.txt");

  // Data reaching into the central directory is refused the same way.
  Extract intoDirectory(BuildZip({ZipItem("first.txt", "first"), ZipItem("last.txt", "last").Csize(40)}));
  EXPECT_EQ(intoDirectory.zip.UnZip(), 1);
  EXPECT_EQ(intoDirectory.Out(), std::vector<std::string>{"first.txt"});

  // A stub before the archive, the directory in reverse order and an empty entry between
  // two others: nothing overlaps, everything arrives.
  ZipLayout odd = Prefix(std::string(300, 's'));
  odd.centralOrder = {2, 1, 0};
  Extract valid(BuildZip({ZipItem("a.txt", "aaa"), ZipItem("empty", ""), ZipItem("c.txt", "ccc")}, odd));
  EXPECT_EQ(valid.zip.UnZip(), 3);
  EXPECT_TRUE(valid.skipped.empty());
}

TEST(ZipHostile, MoreEntriesThanTheEndRecordCanCountAreAllRead) {
  // 70,000 entries: the end record's 16-bit count says 4,464.
  std::vector<ZipItem> items;
  items.reserve(70000);
  for (int i = 0; i < 70000; ++i) items.emplace_back(base::Format("f%05d", i), "");
  Extract run(BuildZip(items));
  run.zip.OpenZip();
  ASSERT_EQ(run.zip.Count(), 70000);
  EXPECT_EQ(run.zip.Filename(69999), "f69999");
  run.zip.SetDoAll(false);
  run.zip.SetFilesList({"f69999", "f00000"});
  EXPECT_EQ(run.zip.UnZip(), 2);
  EXPECT_EQ(run.Out(), (std::vector<std::string>{"f00000", "f69999"}));

  // A directory that ends early past the stated count is read as far as it goes.
  std::string archive = BuildZip({ZipItem("one.txt", "1"), ZipItem("two.txt", "2")});
  size_t end = archive.size() - 22;
  archive[end + 8] = archive[end + 10] = 1;
  std::string size = Le32(46 + 7 + 46 + 7 + 60);  // overstated
  archive.replace(end + 12, 4, size);
  Extract overstated(archive);
  overstated.zip.OpenZip();
  EXPECT_EQ(overstated.zip.Count(), 2);
}

TEST(ZipHostile, ADecoderErrorOrUnknownMethodFailsTheEntryWhateverItsCrcSays) {
  std::string type3 = "\x07";  // last block, type 3
  Extract run(BuildZip({ZipItem("broken.txt", "").Packed(8, type3).Crc(0),
                        ZipItem("method9.txt", "").Packed(9, "whatever").Crc(0),
                        ZipItem("method1.txt", "").Packed(1, std::string(7, '\xFF')).Crc(0)}));
  ::mkdir(Unix(run.dir / "out").c_str(), 0700);
  WriteFile(run.dir / "out\\broken.txt", "precious");
  WriteFile(run.dir / "out\\method9.txt", "precious");
  EXPECT_EQ(run.zip.UnZip(), 0);
  EXPECT_EQ(run.badCrc, (std::vector<std::string>{"broken.txt", "method9.txt", "method1.txt"}));
  EXPECT_EQ(ReadFile(run.dir / "out\\broken.txt"), std::optional<std::string>("precious"));
  EXPECT_EQ(ReadFile(run.dir / "out\\method9.txt"), std::optional<std::string>("precious"));
  EXPECT_FALSE(Exists(run.dir / "out\\method1.txt"));
  ASSERT_EQ(run.ui.boxes.size(), 1u);
  EXPECT_EQ(run.ui.boxes[0].text, "Unknown Compression Method");
}

TEST(ZipHostile, OutputMustEqualTheDeclaredSize) {
  std::string big(40000, 'b');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>('a' + i % 26);
  const std::string first = big.substr(0, 32768);
  Extract run(BuildZip({// Declared smaller, with the CRC of what fits: once cut at 32 KiB and passed.
                        ZipItem("cut.bin", first).Packed(8, StoredDeflate(big)),
                        // Declared larger than the stored bytes, with their CRC.
                        ZipItem("short.txt", "abc").Usize(5), ZipItem("right.txt", "right")}));
  EXPECT_EQ(run.zip.UnZip(), 1);
  EXPECT_EQ(run.badCrc, (std::vector<std::string>{"cut.bin", "short.txt"}));
  EXPECT_EQ(run.Out(), std::vector<std::string>{"right.txt"});
}

TEST(ZipHostile, AnEntryRunningPastTheEndFailsAloneAndTheRunGoesOn) {
  // The local name length of the middle entry reaches past the end of the file.
  std::string archive = BuildZip({ZipItem("a.txt", "a"), ZipItem("b.txt", "b"), ZipItem("c.txt", "c")});
  size_t second = 30 + 5 + 1;
  archive[second + 26] = '\xFF';
  archive[second + 27] = '\xFF';
  Extract run(archive);
  EXPECT_EQ(run.zip.UnZip(), 2);
  EXPECT_EQ(run.Out(), (std::vector<std::string>{"a.txt", "c.txt"}));

  // No end record: the scan finds both entries, the second cut short. Extracted by name, the
  // cut one comes first.
  std::string cut = BuildZip({ZipItem("z-whole.txt", "whole"), ZipItem("a-cut.bin", std::string(5000, 'c'))});
  cut.resize(cut.find("PK\x01\x02") - 1000);
  Extract scanned(cut);
  scanned.zip.SetIncompleteZipMode(izAssumeBad);
  scanned.zip.SetSortMode(ByName);
  EXPECT_EQ(scanned.zip.UnZip(), 1);
  EXPECT_EQ(scanned.badCrc, std::vector<std::string>{"a-cut.bin"});
  EXPECT_EQ(scanned.Out(), std::vector<std::string>{"z-whole.txt"});
}

TEST(ZipHostile, AnEndRecordNamingAnotherDiskOpensNoSiblingUnasked) {
  // a.zip holds an end record that names disk 1; beside it lies a.001, an archive of its own.
  std::string sibling = BuildZip({ZipItem("sibling.txt", "not asked for")});
  size_t end = sibling.size() - 22;
  std::string record = sibling.substr(end);
  record[4] = 1;
  Extract run(record);
  WriteFile(run.dir / "a.001", sibling.substr(0, end));
  try {
    run.zip.UnZip();
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled loading new disk.");
  }
  EXPECT_FALSE(Exists(run.dir / "out\\sibling.txt"));

  // A caller that accepts the set's files by their built-in names gets them.
  std::vector<int> asked;
  run.zip.SetZipName(run.dir / "a.zip");
  run.zip.OnGetNextDisk = [&](TZipExtractor& s, int disk, std::string& name) {
    asked.push_back(disk);
    s.DefaultGetNextDisk(s, disk, name);
  };
  run.zip.OpenZip();
  EXPECT_EQ(asked, std::vector<int>{1});
  EXPECT_EQ(run.zip.ZipName(), run.dir / "a.001");
  EXPECT_EQ(run.zip.Filename(0), "sibling.txt");
}
