// The archive directory: end record search and its rejection rules, central headers into
// entry records, recovery by local-header scan, sort orders, comments and multi-disk sets.
#include <gtest/gtest.h>

#include <algorithm>

#include "ZipTestKit.h"
#include "base/Ansi.h"
#include "tests/native/support/FakeFileSystem.h"
#include "zip/ZipExtractor.h"

using namespace zip;
using namespace ziptest;

namespace {

std::string FullName(const TZipExtractor& z, int i) { return z.Entry(i).Directory() + z.Entry(i).FileName(); }

std::vector<std::string> Names(const TZipExtractor& z) {
  std::vector<std::string> out;
  for (int i = 0; i < z.Count(); ++i) out.push_back(FullName(z, i));
  return out;
}

struct Loaded {
  TempDir dir;
  ScriptedUi ui;
  std::string path;
  TZipExtractor zip{sys::RealFileSystem(), ui};
  explicit Loaded(const std::string& bytes, const std::string& name = "a.zip") {
    path = dir / name;
    WriteFile(path, bytes);
    zip.SetZipName(path);
  }
};

std::string Slashes(std::string s) {
  std::replace(s.begin(), s.end(), '/', '\\');
  return s;
}

}  // namespace

TEST(ZipDirectory, EveryTestArchiveListsItsManifestEntriesInPhysicalOrder) {
  std::map<std::string, std::vector<ManifestRow>> byArchive;
  for (const ManifestRow& r : Manifest()) byArchive[r.archive].push_back(r);
  for (const auto& [archive, rows] : byArchive) {
    if (archive.rfind("damaged-", 0) == 0) continue;
    SCOPED_TRACE(archive);
    TZipExtractor z(sys::RealFileSystem(), sys::RealUserInterface());
    z.SetZipName(TestData(archive));
    z.OpenZip();
    ASSERT_EQ(z.Count(), static_cast<int>(rows.size()));
    for (int i = 1; i < z.Count(); ++i) EXPECT_LT(z.Entry(i - 1).RelativeOffset, z.Entry(i).RelativeOffset);
    for (const ManifestRow& r : rows) {
      int i = 0;
      while (i < z.Count() && FullName(z, i) != Slashes(r.entry)) ++i;
      ASSERT_LT(i, z.Count()) << r.entry;
      const TZipEntryInfo& e = z.Entry(i);
      EXPECT_EQ(e.CompressionMethod, r.method);
      EXPECT_EQ(e.Flags, r.flags);
      EXPECT_EQ(e.CRC32, r.crc);
      EXPECT_EQ(e.UncompressedSize, r.usize);
      EXPECT_EQ(e.FileNameLength, r.entry.size());
    }
  }
}

TEST(ZipDirectory, LocalOrderWinsOverCentralOrderAndNamesSplitAtTheLastRealBackslash) {
  TZipExtractor z(sys::RealFileSystem(), sys::RealUserInterface());
  z.SetZipName(TestData("cd-order-reversed.zip"));
  z.OpenZip();
  EXPECT_EQ(Names(z), (std::vector<std::string>{"order-1st.txt", "order-2nd.txt", "order-3rd.txt"}));

  // The second character of this name is 0xBB 0x5C: no directory part.
  z.SetZipName(TestData("gbk-trailbyte-5c.zip"));
  z.OpenZip();
  ASSERT_EQ(z.Count(), 1);
  EXPECT_EQ(z.Entry(0).Directory(), "");
  EXPECT_EQ(z.Entry(0).FileName(), "\xd6\xf1\xbb\x5c\xc7\xe5\xb5\xa5.pg");

  Loaded l(BuildZip({ZipItem("a/b/c.txt", "x"), ZipItem("plain.txt", "y")}));
  l.zip.OpenZip();
  EXPECT_EQ(l.zip.Entry(0).Directory(), "a\\b\\");
  EXPECT_EQ(l.zip.Entry(0).FileName(), "c.txt");
  EXPECT_EQ(l.zip.Entry(1).Directory(), "");
  EXPECT_EQ(l.zip.Filename(1), "plain.txt");
}

TEST(ZipDirectory, EmptyTinyAndMissingEndRecords) {
  {
    Loaded l("");
    l.zip.OpenZip();
    EXPECT_EQ(l.zip.Count(), 0);
  }
  for (size_t n = 1; n <= 21; ++n) {
    Loaded l(std::string(n, 'P'));
    EXPECT_THROW(l.zip.OpenZip(), EIncompleteZip) << n;
  }
  Loaded notZip(std::string(100, 'x'));
  notZip.zip.SetIncompleteZipMode(izAssumeNotAZip);
  try {
    notZip.zip.OpenZip();
    FAIL();
  } catch (const ENotAZipFile& e) {
    EXPECT_STREQ(e.what(), "Not a valid zip file!");
  }
  notZip.zip.SetIncompleteZipMode(izAssumeBad);
  EXPECT_THROW(notZip.zip.OpenZip(), EBadZipFile);
  EXPECT_EQ(notZip.zip.ZipName(), "");  // cleared

  // A handler may pick the mode.
  Loaded asked(std::string(100, 'x'));
  int calls = 0;
  asked.zip.OnInCompleteZip = [&](TZipExtractor&, TIncompleteZipMode& mode) {
    ++calls;
    mode = izAssumeNotAZip;
  };
  EXPECT_THROW(asked.zip.OpenZip(), ENotAZipFile);
  EXPECT_EQ(calls, 1);
}

TEST(ZipDirectory, EndRecordSearchTakesTheLastSignatureAndRejectsImpossibleDisks) {
  std::vector<ZipItem> items = {ZipItem("one.txt", "1"), ZipItem("two.txt", "22")};
  std::string zip = BuildZip(items);
  // A comment that holds a consistent end record claiming no entries: the later one counts.
  std::string inner = BuildZip({}).substr(0, 22);
  Loaded l(BuildZip(items, Comment("note " + inner)));
  l.zip.OpenZip();
  EXPECT_EQ(l.zip.Count(), 0);

  Loaded real(ReadTestData("damaged-eocd-in-comment.zip"));
  real.zip.OpenZip();
  EXPECT_EQ(Names(real.zip), (std::vector<std::string>{"eocd-a.txt", "eocd-b.txt"}));

  ZipLayout bad[] = {Disks(1000, 0), Disks(1, 1000), Disks(1, 2)};
  for (const ZipLayout& layout : bad) {
    Loaded d(BuildZip(items, layout));
    EXPECT_THROW(d.zip.OpenZip(), EIncompleteZip) << layout.thisDisk << "/" << layout.startDisk;
  }
  // A negative directory offset.
  std::string negative = zip;
  negative[negative.size() - 22 + 19] = '\x80';
  Loaded n(negative);
  EXPECT_THROW(n.zip.OpenZip(), EIncompleteZip);
}

TEST(ZipDirectory, OemConversionOnlyForMsDosHostsWhileSwitchedOn) {
  std::vector<ZipItem> items = {ZipItem("dos.txt", "a").Host(0x0014), ZipItem("unix.txt", "b").Host(0x0314)};
  Loaded on(BuildZip(items));
  on.zip.OpenZip();
  EXPECT_EQ(Names(on.zip), (std::vector<std::string>{"oem:dos.txt", "unix.txt"}));
  Loaded off(BuildZip(items));
  off.zip.SetOEMConvert(false);
  off.zip.OpenZip();
  EXPECT_EQ(Names(off.zip), (std::vector<std::string>{"dos.txt", "unix.txt"}));
}

TEST(ZipDirectory, RecoversFromOverstatedExtraFieldAndDuplicateOffsets) {
  TZipExtractor z(sys::RealFileSystem(), sys::RealUserInterface());
  z.SetZipName(TestData("damaged-cd-extra-overstated.zip"));
  z.OpenZip();
  EXPECT_EQ(Names(z), (std::vector<std::string>{"extra-1st.txt", "extra-2nd.txt", "extra-3rd.txt"}));
  EXPECT_EQ(z.Entry(0).ExtraFieldLength, 0);

  // Both central records point at the first local header: the directory stays, and the data
  // there is listed once, under the first record; nothing the directory does not list (the
  // second local header) appears.
  std::vector<ZipItem> items = {ZipItem("first.txt", "first").Comment("c1"),
                                ZipItem("second.txt", "second!").External(0x21).Offset(0),
                                ZipItem("third.txt", "third")};
  Loaded l(BuildZip(items));
  l.zip.SetOEMConvert(false);
  l.zip.OpenZip();
  ASSERT_EQ(l.zip.Count(), 2);
  EXPECT_EQ(l.zip.Filename(0), "first.txt");
  EXPECT_EQ(l.zip.Entry(0).RelativeOffset, 0);
  EXPECT_EQ(l.zip.Entry(0).VersionMadeBy, 0x0314);  // the central record, not a scan
  EXPECT_EQ(l.zip.Entry(0).ExternalAttributes, 0x20u);
  EXPECT_EQ(l.zip.FileComment(0), "c1");
  EXPECT_EQ(l.zip.Filename(1), "third.txt");  // the record after the duplicate is read in place

  // Without a local header anywhere the directory still reads; each entry fails on its own.
  std::string broken = BuildZip(items);
  for (size_t at = broken.find("PK\x03\x04"); at != std::string::npos; at = broken.find("PK\x03\x04"))
    broken[at + 2] = 'x';
  Loaded b(broken);
  EXPECT_NO_THROW(b.zip.OpenZip());
  EXPECT_EQ(b.zip.Count(), 2);
}

TEST(ZipDirectory, ScanFindsLocalHeadersAndSkipsTheStubOfSelfExtractors) {
  TZipExtractor z(sys::RealFileSystem(), sys::RealUserInterface());
  z.SetZipName(TestData("damaged-truncated.zip"));
  z.SetIncompleteZipMode(izAssumeBad);
  z.OpenZip();
  ASSERT_GE(z.Count(), 1);
  EXPECT_EQ(z.Entry(0).RelativeOffset, 0);
  EXPECT_EQ(z.Entry(0).VersionMadeBy, 0);

  // A stub with a header-like pattern of its own, then the archive at 14000, no end record.
  std::string fake = BuildZip({ZipItem("stub.txt", "stub")});
  fake = fake.substr(0, fake.find("PK\x01\x02"));
  std::string prefix = std::string(100, 'z') + fake;
  prefix.resize(14000, 'z');
  std::string archive = BuildZip({ZipItem("real.txt", "real")}, Prefix(prefix));
  archive.resize(archive.find("PK\x01\x02"));
  for (const char* name : {"setup.EXE", "setup.zip"}) {
    Loaded l(archive, name);
    l.zip.SetOEMConvert(false);
    l.zip.SetIncompleteZipMode(izAssumeBad);
    l.zip.OpenZip();
    ASSERT_GE(l.zip.Count(), 1) << name;
    EXPECT_EQ(l.zip.Filename(0), std::string(name) == "setup.EXE" ? "real.txt" : "stub.txt");
  }
}

TEST(ZipDirectory, SortOrdersAndTheOutOfRangeIndex) {
  auto t = [](int day) { return DosTime(2020, 5, day, 12, 0, 0); };
  std::vector<ZipItem> items = {
      ZipItem("b/Zed.txt", std::string(300, 'a')).Time(t(2)),
      ZipItem("a/alpha.txt", "0123456789").Time(t(9)),
      ZipItem("C/mid.txt", std::string(50, 'q')).Time(t(2)),
      // 31 February cannot be a date: it sorts as 0, after every real one.
      ZipItem("a/Bad.txt", "xy").Time(DosTime(2020, 2, 31, 0, 0, 0)),
  };
  items[0].Packed(8, std::string(30, 'p'));  // 10 %
  items[2].Packed(8, std::string(40, 'p'));  // 80 %
  std::string bytes = BuildZip(items);
  auto order = [&](TZipSortMode mode) {
    Loaded l(bytes);
    l.zip.SetSortMode(mode);
    l.zip.OpenZip();
    return Names(l.zip);
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(order(ByNone), (V{"b\\Zed.txt", "a\\alpha.txt", "C\\mid.txt", "a\\Bad.txt"}));
  EXPECT_EQ(order(ByName), (V{"a\\alpha.txt", "a\\Bad.txt", "b\\Zed.txt", "C\\mid.txt"}));
  EXPECT_EQ(order(ByFileName), (V{"a\\alpha.txt", "a\\Bad.txt", "C\\mid.txt", "b\\Zed.txt"}));
  EXPECT_EQ(order(ByDirectoryName), (V{"a\\Bad.txt", "a\\alpha.txt", "b\\Zed.txt", "C\\mid.txt"}));
  EXPECT_EQ(order(ByDate), (V{"a\\alpha.txt", "b\\Zed.txt", "C\\mid.txt", "a\\Bad.txt"}));
  EXPECT_EQ(order(ByCompressedSize), (V{"C\\mid.txt", "b\\Zed.txt", "a\\alpha.txt", "a\\Bad.txt"}));
  EXPECT_EQ(order(ByUnCompressedSize), (V{"b\\Zed.txt", "C\\mid.txt", "a\\alpha.txt", "a\\Bad.txt"}));
  // Equal rates are equal: the later one is inserted before its equal.
  EXPECT_EQ(order(ByRate), (V{"a\\Bad.txt", "a\\alpha.txt", "C\\mid.txt", "b\\Zed.txt"}));
  // Rates round halves to even: 12.5 % is 12 and so below 13 %, not equal to it.
  std::string rated = BuildZip({ZipItem("thirteen", std::string(100, 't')).Packed(8, std::string(13, 'p')),
                                ZipItem("twelve.5", std::string(8, 't')).Packed(8, "p")});
  Loaded r(rated);
  r.zip.SetSortMode(ByRate);
  r.zip.OpenZip();
  EXPECT_EQ(Names(r.zip), (V{"thirteen", "twelve.5"}));

  Loaded l(bytes);
  l.zip.OpenZip();
  try {
    l.zip.Filename(4);
    FAIL();
  } catch (const base::EListError& e) {
    EXPECT_STREQ(e.what(), "Index 4 is out of range");
  }
  EXPECT_THROW(l.zip.Entry(-1), base::EListError);
}

TEST(ZipDirectory, CommentsAreLoadedOnDemand) {
  TZipExtractor z(sys::RealFileSystem(), sys::RealUserInterface());
  z.SetZipName(TestData("infozip-tree-comments.zip"));
  z.OpenZip();
  EXPECT_EQ(z.ZipComment().substr(0, 15), "Archive comment");
  for (int i = 0; i < z.Count(); ++i) {
    if (FullName(z, i) == "docs\\index.txt") {
      EXPECT_FALSE(z.Entry(i).CommentLoaded());
      EXPECT_EQ(z.FileComment(i), "File comment on docs/index.txt");
      EXPECT_TRUE(z.Entry(i).CommentLoaded());
    } else {
      EXPECT_EQ(z.FileComment(i), "");
    }
  }
}

TEST(ZipDirectory, ZipNameDialogReloadAndClear) {
  ScriptedUi ui;
  TZipExtractor z(sys::RealFileSystem(), ui);
  try {
    z.SetZipName("Q:\\missing\\x.zip?");
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled setting zip file name.");
  }
  ASSERT_EQ(ui.openRequests.size(), 1u);
  EXPECT_EQ(ui.openRequests[0].title, "Open a Zip File");
  EXPECT_EQ(ui.openRequests[0].initialDir, "C:\\");
  EXPECT_EQ(ui.openRequests[0].filter,
            "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*.*");

  TempDir dir;
  std::string path = dir / "pick.zip";
  WriteFile(path, BuildZip({ZipItem("a.txt", "a")}));
  ui.openFile = [&](const sys::OpenFileRequest& r, std::string& name) {
    EXPECT_EQ(r.initialDir, dir.Path() + "\\");
    name = path;
    return true;
  };
  z.SetZipName(dir / "x.zip?");
  EXPECT_EQ(z.ZipName(), path);
  z.OpenZip();
  EXPECT_EQ(z.Count(), 1);
  // Same name in other letters: nothing is dropped.
  z.SetZipName(base::UpperAscii(path));
  EXPECT_EQ(z.Count(), 1);
  z.ClearZip();
  EXPECT_EQ(z.Count(), 0);
  EXPECT_EQ(z.ZipName(), "");
}

TEST(ZipDirectory, SplitFilesAndConfigurationFile) {
  // Disk 1 (a.001) holds the data and the directory; the last disk (a.zip) the end record.
  TempDir dir;
  std::string whole = BuildZip({ZipItem("one.txt", "one"), ZipItem("two.txt", "two")});
  size_t end = whole.size() - 22;
  std::string record = whole.substr(end);
  record[4] = 1;  // this disk 1, directory on disk 0
  WriteFile(dir / "a.001", whole.substr(0, end));
  WriteFile(dir / "a.zip", record);
  ScriptedUi ui;
  TZipExtractor z(sys::RealFileSystem(), ui);
  AcceptSplitSet(z);
  z.SetZipName(dir / "a.zip");
  z.OpenZip();
  EXPECT_EQ(z.MultiMode(), mmSplitFiles);
  EXPECT_EQ(z.DiskCount(), 2);
  EXPECT_EQ(Names(z), (std::vector<std::string>{"one.txt", "two.txt"}));
  EXPECT_EQ(z.ZipName(), dir / "a.001");

  // A missing disk is not asked for forever.
  TZipExtractor missing(sys::RealFileSystem(), ui);
  AcceptSplitSet(missing);
  WriteFile(dir / "b.zip", record);
  missing.SetZipName(dir / "b.zip");
  EXPECT_THROW(missing.OpenZip(), EUserCanceled);

  // No end record in the archive, but a .zfc file with the directory at its start.
  std::string cd = whole.substr(whole.find("PK\x01\x02"));
  std::string zfcRecord = cd.substr(cd.size() - 22);
  for (int i = 16; i < 20; ++i) zfcRecord[i] = 0;
  WriteFile(dir / "c.zip", whole.substr(0, whole.find("PK\x01\x02")));
  WriteFile(dir / "c.zfc", cd.substr(0, cd.size() - 22) + zfcRecord);
  TZipExtractor z2(sys::RealFileSystem(), ui);
  z2.SetZipName(dir / "c.zip");
  z2.OpenZip();
  EXPECT_EQ(Names(z2), (std::vector<std::string>{"one.txt", "two.txt"}));
}

TEST(ZipDirectory, RemovableDisksAreAskedForAndCheckedByLabel) {
  support::FakeFileSystem fs;
  fs.AddDirectory("a:\\");
  std::string whole = BuildZip({ZipItem("one.txt", "one")});
  size_t end = whole.size() - 22;
  std::string record = whole.substr(end);
  record[4] = 1;
  fs.AddFile("a:\\set.zip", record);
  ScriptedUi ui;
  ui.driveType = sys::kDriveRemovable;
  ui.labels = {"BACKUP005", "BACKUP001"};
  TZipExtractor z(fs, ui);
  z.SetZipName("A:\\set.zip");
  // The user "inserts" the first disk after the prompt.
  z.OnGetNextDisk = [&](TZipExtractor& s, int disk, std::string& name) {
    s.DefaultGetNextDisk(s, disk, name);
    fs.AddFile("a:\\set.zip", whole.substr(0, end));
  };
  z.OpenZip();
  EXPECT_EQ(z.MultiMode(), mmRemovable);
  EXPECT_EQ(z.Count(), 1);
  ASSERT_EQ(ui.boxes.size(), 2u);  // the first label did not end in 001
  EXPECT_EQ(ui.boxes[0].text, "Please insert disk 1 of the multi-disk set.");
  EXPECT_EQ(ui.boxes[0].caption, "");
  EXPECT_EQ(ui.boxes[0].flags, sys::kMbOkCancel);

  fs.AddFile("a:\\set.zip", record);
  TZipExtractor cancel(fs, ui);
  ui.answers = {sys::kIdCancel};
  ui.boxes.clear();
  cancel.SetZipName("A:\\set.zip");
  try {
    cancel.OpenZip();
    FAIL();
  } catch (const EUserCanceled& e) {
    EXPECT_STREQ(e.what(), "User canceled loading new disk.");
  }
}

// An archive made on its own, then put behind a stub (a self-extractor, a script), keeps
// offsets that count from its own start: the directory is found where its end record says
// it ends, before the zip64 end records when there are some, and every offset moved by the
// stub's length. The central records are read, not a scan's guesses.
TEST(ZipDirectory, AStubBeforeAnArchiveItsOffsetsDoNotCountIsSteppedOver) {
  const std::string stub = "#!/bin/sh\nexec unzip \"$0\"\n";
  const std::vector<ZipItem> items = {ZipItem("a.txt", "aaa").Comment("first"), ZipItem("dir/b.txt", "bbbb")};
  ZipLayout zip64;
  zip64.zip64 = true;
  // As zip64 writers leave them: the local header's sizes stand in its zip64 extra field, the
  // central record's are the real ones. No scan can walk past such a header.
  std::string zip64Sizes = stub + BuildZip(items, zip64);
  zip64Sizes.replace(stub.size() + 18, 8, 8, '\xFF');
  ZipLayout counted = zip64;  // offsets that count the stub, as a self-extractor's maker leaves them
  counted.prefix = stub;
  const struct {
    const char* name;
    std::string bytes;
  } cases[] = {{"plain", stub + BuildZip(items)},
               {"zip64", stub + BuildZip(items, zip64)},
               {"zip64, local sizes elsewhere", zip64Sizes},
               {"zip64, counted", BuildZip(items, counted)},
               {"zip64, no stub", BuildZip(items, zip64)}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Loaded l(c.bytes);
    l.zip.SetOEMConvert(false);
    ASSERT_NO_THROW(l.zip.OpenZip());
    ASSERT_EQ(Names(l.zip), (std::vector<std::string>{"a.txt", "dir\\b.txt"}));
    const int32_t start = std::string(c.name) == "zip64, no stub" ? 0 : static_cast<int32_t>(stub.size());
    EXPECT_EQ(l.zip.Entry(0).RelativeOffset, start);
    EXPECT_EQ(l.zip.Entry(1).VersionMadeBy, 0x0314);  // from the central record
    EXPECT_EQ(l.zip.FileComment(0), "first");
    l.zip.SetDestDir(l.dir / "out");
    l.zip.SetRecreateDirs(true);
    l.zip.SetDoAll(true);
    EXPECT_EQ(l.zip.UnZip(), 2);
    EXPECT_EQ(ReadFile(l.dir / "out\\dir\\b.txt"), "bbbb");
  }
}
