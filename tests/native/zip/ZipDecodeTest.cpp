// Decoding and verification of entries: every entry of the shared test set against its
// recorded hash, damaged data, sizes that lie, progress events, passwords and output errors.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>

#include "ZipTestKit.h"
#include "tests/native/support/FakeFileSystem.h"
#include "tests/native/codec/BitWriter.h"
#include "zip/EntryReader.h"
#include "zip/ZipExtractor.h"
#include "zip/codec/WorkArea.h"

using namespace zip;
using namespace ziptest;

namespace {

std::string Native(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

// Extracts a whole archive with paths; returns the count and records what failed.
struct Extraction {
  TempDir out;
  ScriptedUi ui;
  TZipExtractor zip{sys::RealFileSystem(), ui};
  std::vector<std::string> badCrc, skipped;
  int count = 0;
  explicit Extraction(const std::string& archive, const std::string& password = "") {
    ui.markOem = false;
    zip.SetZipName(archive);
    zip.SetDestDir(out.Path());
    zip.SetRecreateDirs(true);
    zip.SetDoAll(true);
    zip.SetOverwriteMode(Always);
    zip.SetPassword(password);
    zip.OnBadCRC = [this](TZipExtractor& z, int, int, int i) { badCrc.push_back(z.Filename(i)); };
    zip.OnSkippingFile = [this](TZipExtractor&, TSkipReason, const std::string& name, int, bool&) {
      skipped.push_back(name);
    };
  }
  int Go() { return count = zip.UnZip(); }
  std::optional<std::string> File(const std::string& entry) { return ReadFile(out / Native(entry)); }
};

// The archive c:\a.zip extracted into c:\out on an in-memory disk, overwriting always.
struct OnFakeDisk {
  support::FakeFileSystem fs;
  ScriptedUi ui;
  TZipExtractor zip{fs, ui};
  explicit OnFakeDisk(const std::string& archive) {
    fs.AddDirectory("c:\\out");
    fs.AddFile("c:\\a.zip", archive);
    zip.SetZipName("c:\\a.zip");
    zip.SetDestDir("c:\\out");
    zip.SetDoAll(true);
    zip.SetOverwriteMode(Always);
  }
};

}  // namespace

TEST(ZipDecode, EveryEntryOfTheTestSetDecodesToItsRecordedHash) {
  std::map<std::string, std::vector<ManifestRow>> byArchive;
  for (const ManifestRow& r : Manifest()) byArchive[r.archive].push_back(r);
  int checked = 0;
  for (const auto& [archive, rows] : byArchive) {
    if (archive.rfind("damaged-", 0) == 0 || archive == "unsupported-methods.zip") continue;
    SCOPED_TRACE(archive);
    Extraction run(TestData(archive), rows[0].password);
    EXPECT_EQ(run.Go(), static_cast<int>(rows.size()));
    EXPECT_TRUE(run.badCrc.empty());
    EXPECT_TRUE(run.skipped.empty());
    for (const ManifestRow& r : rows) {
      if (r.sha256.empty()) continue;
      auto data = run.File(r.entry);
      ASSERT_TRUE(data) << r.entry;
      EXPECT_EQ(Sha256(*data), r.sha256) << r.entry;
      EXPECT_EQ(Crc(*data), r.crc) << r.entry;
      ++checked;
    }
  }
  EXPECT_GT(checked, 60);
}

TEST(ZipDecode, EncryptedEntriesNeedTheRightPassword) {
  for (const char* archive : {"infozip-encrypted.zip", "infozip-zipcloak.zip", "hwzip-shrink-encrypted.zip",
                              "hwzip-implode8k3-encrypted.zip", "infozip-streamed-encrypted.zip"}) {
    SCOPED_TRACE(archive);
    Extraction wrong(TestData(archive), "Secret43");
    EXPECT_EQ(wrong.Go(), 0);
    EXPECT_FALSE(wrong.skipped.empty());
    EXPECT_TRUE(ListDir(wrong.out.Path()).empty());
  }
  // A handler is asked until it offers the same text again.
  Extraction asked(TestData("infozip-zipcloak.zip"), "nope");
  std::vector<std::string> offers = {"still-wrong", "Secret42"};
  size_t next = 0;
  asked.zip.OnBadPassword = [&](TZipExtractor&, int, std::string& p) {
    if (next < offers.size()) p = offers[next++];
  };
  EXPECT_EQ(asked.Go(), 2);
  EXPECT_EQ(next, 2u);
  EXPECT_EQ(asked.zip.Password(), "Secret42");
}

TEST(ZipDecode, DamagedArchivesFailOnlyTheirDamagedEntries) {
  Extraction crc(TestData("damaged-crc-mismatch.zip"));
  std::vector<std::pair<int, int>> crcs;
  crc.zip.OnBadCRC = [&](TZipExtractor&, int calc, int stored, int) { crcs.push_back({calc, stored}); };
  EXPECT_EQ(crc.Go(), 2);
  ASSERT_EQ(crcs.size(), 1u);
  EXPECT_EQ(static_cast<uint32_t>(crcs[0].first), 0x849beccau);
  EXPECT_EQ(static_cast<uint32_t>(crcs[0].second), 0x30df0e1bu);
  EXPECT_FALSE(crc.File("corrupted.txt"));
  EXPECT_TRUE(crc.File("good-after.txt"));

  // Sizes below the real ones: the excess is never written and the entries fail.
  Extraction sizes(TestData("damaged-size-understated.zip"));
  EXPECT_EQ(sizes.Go(), 1);
  EXPECT_EQ(sizes.badCrc, (std::vector<std::string>{"size-deflated-minus1.txt", "size-stored-minus100.bin"}));
  EXPECT_TRUE(ListDir(sizes.out.Path()) == std::vector<std::string>{"size-ok.txt"});

  // Cut inside the second entry: its deflate data ends early, a data error, not the run's end.
  Extraction cut(TestData("damaged-truncated.zip"));
  cut.zip.SetIncompleteZipMode(izAssumeBad);
  int extracted = cut.Go();
  EXPECT_GE(extracted, 1);
  EXPECT_EQ(cut.badCrc.size() + extracted, static_cast<size_t>(cut.zip.Count()));

  Extraction methods(TestData("unsupported-methods.zip"));
  EXPECT_EQ(methods.Go(), 1);
  ASSERT_EQ(methods.ui.boxes.size(), 2u);
  EXPECT_EQ(methods.ui.boxes[0].text, "Unknown Compression Method");
  EXPECT_EQ(methods.ui.boxes[0].caption, "Zip Error");
  EXPECT_EQ(methods.badCrc.size(), 2u);
}

TEST(ZipDecode, EmptyEntriesBlockSplittingAndProgressEvents) {
  TempDir dir;
  std::string big(32769, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  WriteFile(dir / "a.zip",
            BuildZip({ZipItem("empty-stored", ""), ZipItem("empty-deflated", "").Packed(8, std::string("\x03\x00", 2)),
                      ZipItem("big.bin", big), ZipItem("small.txt", std::string(100, 's'))}));
  Extraction run(dir / "a.zip");
  std::vector<int> file, total;
  run.zip.OnFilePercentDone = [&](TZipExtractor&, int p) { file.push_back(p); };
  run.zip.OnTotalPercentDone = [&](TZipExtractor&, int p) { total.push_back(p); };
  EXPECT_EQ(run.Go(), 4);
  EXPECT_EQ(*run.File("empty-stored"), "");
  EXPECT_EQ(*run.File("empty-deflated"), "");
  EXPECT_EQ(*run.File("big.bin"), big);
  // 32768 of 32769 is 99.997 %: both blocks report 100; the total rounds halves to even.
  EXPECT_EQ(file, (std::vector<int>{100, 100, 100}));
  EXPECT_EQ(total, (std::vector<int>{PercentOf(32768, 32869), PercentOf(32769, 32869), 100}));
  EXPECT_GT(run.ui.processed, 0);

  EXPECT_EQ(PercentOf(1, 8), 12);  // 12.5
  EXPECT_EQ(PercentOf(3, 8), 38);  // 37.5
  EXPECT_EQ(PercentOf(5, 0), 0);
  EXPECT_EQ(PercentOf(9, 4), 100);
}

TEST(ZipDecode, LyingSizesAndBrokenStreamsNeverWriteBeyondTheDeclaredSize) {
  TempDir dir;
  std::string data(40000, 'd');
  std::string type3 = "\x07\x00";  // last block, type 3
  WriteFile(dir / "a.zip", BuildZip({ZipItem("overlong.bin", data).Usize(1000),
                                     ZipItem("deflate-over.txt", data).Packed(8, StoredDeflate(data)).Usize(39999),
                                     ZipItem("type3.bin", "abc").Packed(8, type3),
                                     ZipItem("short-encrypted", "").Password("pw").Csize(5),
                                     ZipItem("nowhere.txt", "lost").Offset(1000000), ZipItem("ok.txt", "fine")}));
  Extraction run(dir / "a.zip", "pw");
  std::vector<int64_t> sizes;
  int64_t written = 0;
  run.zip.OnFilePercentDone = [&](TZipExtractor& z, int) { written = z.Entry(0).UncompressedSize; };
  EXPECT_EQ(run.Go(), 1);
  // Physical order; a central record whose local header is not where it says decodes nothing.
  EXPECT_EQ(run.badCrc, (std::vector<std::string>{"overlong.bin", "deflate-over.txt", "type3.bin", "nowhere.txt"}));
  EXPECT_EQ(run.skipped, (std::vector<std::string>{"short-encrypted"}));
  EXPECT_EQ(ListDir(run.out.Path()), std::vector<std::string>{"ok.txt"});
  EXPECT_EQ(written, 1000);
}

TEST(ZipDecode, TruncatedStoredDataFailsItsEntryAndDiskFullIsReported) {
  TempDir dir;
  std::string archive = BuildZip({ZipItem("cut.bin", std::string(5000, 'c'))});
  archive.resize(1000);  // no end record left
  WriteFile(dir / "a.zip", archive);
  Extraction run(dir / "a.zip");
  run.zip.SetIncompleteZipMode(izAssumeBad);
  int completed = -1;
  run.zip.OnUnZipComplete = [&](TZipExtractor&, int n) { completed = n; };
  EXPECT_EQ(run.Go(), 0);
  EXPECT_EQ(run.badCrc, std::vector<std::string>{"cut.bin"});
  EXPECT_EQ(completed, 0);
  EXPECT_TRUE(ListDir(run.out.Path()).empty());  // the temporary went too

  // A full disk raises whatever the method, and ends the run at the first entry it meets:
  // deflated data inside a block as much as stored data.
  std::string payload(50000, 'p');
  OnFakeDisk disk(
      BuildZip({ZipItem("inflated.txt", payload).Packed(8, StoredDeflate(payload)), ZipItem("stored.txt", payload)}));
  support::FakeFileSystem& fs = disk.fs;
  TZipExtractor& z = disk.zip;
  fs.AddFile("c:\\out\\stored.txt", "older");
  fs.freeBytes = 20000;  // the first 32 KB block already does not fit
  int badCrc = 0;
  z.OnBadCRC = [&](TZipExtractor&, int, int, int) { ++badCrc; };
  try {
    z.UnZip();
    FAIL();
  } catch (const ECantWriteUCF& e) {
    EXPECT_STREQ(e.what(), "Cant write uncompressed file");
  }
  EXPECT_EQ(badCrc, 0);
  EXPECT_EQ(fs.Contents("c:\\out\\stored.txt"), "older");
  EXPECT_FALSE(fs.Exists("c:\\out\\inflated.txt"));
  std::vector<std::string> paths = fs.Paths();
  EXPECT_EQ(std::count_if(paths.begin(), paths.end(),
                          [](const std::string& p) { return p.find(".tmp") != std::string::npos; }),
            0);
}

TEST(ZipDecode, OnDecryptReplacesTheBuiltInDecryptionOfCompressedData) {
  TempDir dir;
  std::string text(3000, 't');
  WriteFile(dir / "a.zip", BuildZip({ZipItem("e.txt", text).Packed(8, StoredDeflate(text)).Password("pw")}));
  Extraction run(dir / "a.zip", "pw");
  std::vector<int> lengths;
  run.zip.OnDecrypt = [&](TZipExtractor&, uint8_t*, int length, const std::string& password) {
    lengths.push_back(length);
    EXPECT_EQ(password, "pw");
  };
  EXPECT_EQ(run.Go(), 0);  // left encrypted: the data cannot decode
  EXPECT_EQ(lengths, (std::vector<int>{static_cast<int>(StoredDeflate(text).size())}));
}

namespace {

// A machine with too little memory left for any decoding table.
class ShortOfMemory : public TZipExtractor {
 public:
  using TZipExtractor::TZipExtractor;

 protected:
  std::unique_ptr<codec::WorkArea> MakeWorkArea() const override {
    auto area = std::make_unique<codec::WorkArea>();
    area->LimitTableEntries(16);
    return area;
  }
};

// "abc" in a final block of the fixed code (RFC 1951 3.2.6).
std::string FixedDeflate() {
  codec::test::BitWriter w;
  w.Bits(1, 1).Bits(1, 2);
  for (unsigned char c : std::string("abc")) w.Code(0x30 + c, 8);
  w.Code(0, 7);
  auto bytes = w.Done();
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(ZipDecode, InflateTablesWithoutMemoryShowTheBoxAndFailOnlyTheirEntry) {
  TempDir dir;
  WriteFile(dir / "a.zip",
            BuildZip({ZipItem("before.txt", "one"), ZipItem("fixed.txt", "abc").Packed(8, FixedDeflate()),
                      ZipItem("after.txt", "two")}));
  TempDir out;
  ScriptedUi ui;
  ShortOfMemory zip(sys::RealFileSystem(), ui);
  std::vector<std::string> badCrc;
  zip.OnBadCRC = [&](TZipExtractor& z, int, int, int i) { badCrc.push_back(z.Filename(i)); };
  zip.SetZipName(dir / "a.zip");
  zip.SetDestDir(out.Path());
  zip.SetDoAll(true);
  EXPECT_EQ(zip.UnZip(), 2);
  ASSERT_EQ(ui.boxes.size(), 1u);
  EXPECT_EQ(ui.boxes[0].text, "*** inflate out of memory ***");
  EXPECT_EQ(ui.boxes[0].caption, "Error");
  EXPECT_EQ(badCrc, std::vector<std::string>{"fixed.txt"});
  EXPECT_EQ(ListDir(out.Path()), (std::vector<std::string>{"after.txt", "before.txt"}));

  // The same archive with memory to spare: the entry itself was sound.
  Extraction control(dir / "a.zip");
  EXPECT_EQ(control.Go(), 3);
  EXPECT_EQ(*control.File("fixed.txt"), "abc");
  EXPECT_TRUE(control.ui.boxes.empty());
}

// Hidden and system targets cannot be created over on Windows, read-only or not; the
// extraction leaves them and says so, and still replaces an ordinary file beside them.
TEST(ZipDecode, HiddenAndSystemTargetsAreSkippedAndKept) {
  OnFakeDisk disk(BuildZip({ZipItem("hidden.txt", "new"), ZipItem("system.txt", "new"), ZipItem("both.txt", "new"),
                            ZipItem("plain.txt", "new")}));
  support::FakeFileSystem& fs = disk.fs;
  TZipExtractor& z = disk.zip;
  fs.AddFile("c:\\out\\hidden.txt", "old", sys::kAttrHidden);
  fs.AddFile("c:\\out\\system.txt", "old", sys::kAttrSystem);
  fs.AddFile("c:\\out\\both.txt", "old", sys::kAttrHidden | sys::kAttrReadOnly);
  fs.AddFile("c:\\out\\plain.txt", "old");
  z.SetReplaceReadOnly(true);
  std::vector<std::pair<TSkipReason, std::string>> skipped;
  z.OnSkippingFile = [&](TZipExtractor&, TSkipReason r, const std::string& name, int, bool&) {
    skipped.emplace_back(r, name);
  };
  EXPECT_EQ(z.UnZip(), 1);
  EXPECT_EQ(skipped, (std::vector<std::pair<TSkipReason, std::string>>{{srCreateError, "c:\\out\\hidden.txt"},
                                                                       {srCreateError, "c:\\out\\system.txt"},
                                                                       {srCreateError, "c:\\out\\both.txt"}}));
  for (const char* name : {"hidden.txt", "system.txt", "both.txt"})
    EXPECT_EQ(fs.Contents(std::string("c:\\out\\") + name), "old") << name;
  EXPECT_TRUE(fs.Find("c:\\out\\both.txt")->attributes & sys::kAttrReadOnly);  // not cleared for nothing
  EXPECT_EQ(fs.Contents("c:\\out\\plain.txt"), "new");
}

// The reader's own word on each way an entry can end, without the front: a full disk is a
// write failure whatever the method, never bad data.
TEST(ZipDecode, TheEntryReaderSaysHowEachEntryEnded) {
  const std::string text(40000, 'r');
  support::FakeFileSystem fs;
  ScriptedUi ui;
  fs.AddFile(
      "c:\\a.zip",
      BuildZip({ZipItem("ok.txt", "plain"), ZipItem("inflated.txt", text).Packed(8, StoredDeflate(text)),
                ZipItem("crc.txt", "plain").Crc(0x12345678),
                ZipItem("type3.bin", "abc").Packed(8, std::string(1, '\x07')),
                ZipItem("longer.txt", "more than declared").Usize(4), ZipItem("locked.txt", "secret").Password("right"),
                ZipItem("new.bin", "abc").Packed(99, "abc"), ZipItem("stored.txt", text)}));
  ArchiveDirectory directory(fs, ui);
  directory.SetName("c:\\a.zip");
  directory.Read({});
  ASSERT_EQ(directory.Count(), 8);
  EntryReader reader(directory);
  const struct {
    const char* name;
    ReadResult result;
    long long freeBytes;  // of the disk written to
  } rows[] = {
      {"ok.txt", ReadResult::ok, -1},
      {"inflated.txt", ReadResult::ok, -1},
      {"crc.txt", ReadResult::crc_mismatch, -1},
      {"type3.bin", ReadResult::bad_data, -1},
      {"longer.txt", ReadResult::bad_data, -1},
      {"locked.txt", ReadResult::ok, -1},
      {"new.bin", ReadResult::unsupported_method, -1},
      {"stored.txt", ReadResult::ok, -1},
      {"inflated.txt", ReadResult::write_failed, 20000},
      {"stored.txt", ReadResult::write_failed, 20000},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name + std::string(" ") + std::to_string(row.freeBytes));
    int index = 0;
    while (directory.Entry(index).FileName() != row.name) ++index;
    const TZipEntryInfo& entry = directory.Entry(index);
    ASSERT_TRUE(reader.Locate(entry));
    if (entry.Encrypted()) {
      EXPECT_EQ(reader.CheckPassword("wrong"), ReadResult::bad_password);
      EXPECT_EQ(reader.CheckPassword("right"), ReadResult::ok);
    }
    support::FakeFileSystem disk;
    disk.freeBytes = row.freeBytes;
    TBufferedFileStream out(disk, "c:\\out.bin", StreamMode::createNew);
    EXPECT_EQ(reader.Read(out, {}), row.result);
    if (row.result == ReadResult::ok) {
      EXPECT_EQ(reader.Crc(), entry.CRC32);
      EXPECT_TRUE(out.Close(false));
      EXPECT_EQ(disk.Contents("c:\\out.bin").size(), static_cast<size_t>(entry.UncompressedSize));
    }
  }
}
