// What an archive may and may not do to the disk around its destination: every rewritten
// path stays inside DestDir, links found there are not followed, over-long paths are refused
// before anything is written, and a failed entry leaves its target as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <functional>

#include "ZipTestKit.h"
#include "tests/native/support/ForwardingFileSystem.h"
#include "zip/Extraction.h"
#include "zip/ZipExtractor.h"

using namespace zip;
using namespace ziptest;

namespace {

std::string Unix(std::string p) {
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

// Every file and folder under root, as "a/b" paths.
void Walk(const std::string& root, const std::string& rel, std::vector<std::string>& out) {
  for (const std::string& name : ListDir(root + (rel.empty() ? "" : "/" + rel))) {
    std::string child = rel.empty() ? name : rel + "/" + name;
    out.push_back(child);
    struct stat st {};
    if (::lstat((root + "/" + child).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) Walk(root, child, out);
  }
}
std::vector<std::string> Tree(const std::string& root) {
  std::vector<std::string> out;
  Walk(Unix(root), "", out);
  return out;
}

// A code page whose conversion turns one stored byte into "/", as some OEM tables turn bytes
// into ASCII punctuation: the conversion runs after the stored "/" became "\".
class SlashingUi : public ScriptedUi {
 public:
  std::string OemToAnsi(const std::string& text) override {
    std::string r = text;
    for (char& c : r)
      if (c == '\x9f') c = '/';
    return r;
  }
};

// The real file system, with the attribute calls written down.
class RecordingFs : public support::ForwardingFileSystem {
 public:
  std::vector<std::pair<std::string, uint32_t>> setAttributes;
  bool SetAttributes(const std::string& p, uint32_t a) override {
    setAttributes.emplace_back(p, a);
    return ForwardingFileSystem::SetAttributes(p, a);
  }
};

}  // namespace

TEST(ZipConfinement, EveryRewrittenFormOfAWayUpIsRefused) {
  struct Case {
    const char* name;
    bool recreate;
    const char* rootDir;
  } cases[] = {
      {"C:../x.txt", true, ""},
      {"c:..\\x.txt", true, ""},
      {"Z:../../x.txt", true, ""},
      {"\x95:../x.txt", true, ""},
      {"\xb0:..\\..\\x.txt", true, ""},
      {"C:.. /x.txt", true, ""},
      {"C:../", true, ""},
      {"r/C:../x.txt", true, "r"},
      {"R/c:../../x.txt", true, "r\\"},
      {"\x9f..\x9fx.txt", false, ""},
      {"\x9f..\x9fx.txt", true, ""},
      {"a\x9f..\x9f..\x9fx.txt", true, ""},
      {"d/\x9f..\x9f..\x9fx.txt", true, ""},
      {"C\x9f..\x9f/x.txt", true, ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SlashingUi ui;
    WriteFile(dir / "a.zip", BuildZip({ZipItem(c.name, "escaped").Host(0x0014), ZipItem("ok.txt", "fine")}));
    ::mkdir(Unix(dir / "box").c_str(), 0777);
    TZipExtractor z(sys::RealFileSystem(), ui);
    z.SetZipName(dir / "a.zip");
    z.SetDestDir(dir / "box\\out");
    z.SetDoAll(true);
    z.SetRecreateDirs(c.recreate);
    z.SetRootDir(c.rootDir);
    std::vector<TSkipReason> skipped;
    z.OnSkippingFile = [&](TZipExtractor&, TSkipReason r, const std::string&, int, bool&) { skipped.push_back(r); };
    EXPECT_EQ(z.UnZip(), 1) << c.name;
    EXPECT_EQ(skipped, std::vector<TSkipReason>{srCreateError}) << c.name;
    EXPECT_EQ(Tree(dir.Path()), (std::vector<std::string>{"a.zip", "box", "box/out", "box/out/ok.txt"})) << c.name;
  }
}

TEST(ZipConfinement, NamesThatStayInsideStillLand) {
  TempDir dir;
  SlashingUi ui;
  WriteFile(dir / "a.zip",
            BuildZip({ZipItem("C:/x/d.txt", "d"), ZipItem("a/./b.txt", "b"), ZipItem("//srv/share/u.txt", "u")}));
  TZipExtractor z(sys::RealFileSystem(), ui);
  z.SetZipName(dir / "a.zip");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  z.SetRecreateDirs(true);
  EXPECT_EQ(z.UnZip(), 3);
  EXPECT_EQ(*ReadFile(dir / "out\\x\\d.txt"), "d");
  EXPECT_EQ(*ReadFile(dir / "out\\a\\b.txt"), "b");
  EXPECT_EQ(*ReadFile(dir / "out\\srv\\share\\u.txt"), "u");
}

TEST(ZipConfinement, AnEmptyDestDirKeepsRootedAndNetworkPathsOnTheCurrentDrive) {
  TempDir dir;
  ScriptedUi ui;
  WriteFile(dir / "a.zip", BuildZip({ZipItem("//srv/share/u.txt", "u"), ZipItem("/abs/r.txt", "r"),
                                     ZipItem("C:/d/c.txt", "c"), ZipItem("C:e/f.txt", "f"), ZipItem("p/q.txt", "q")}));
  TZipExtractor z(sys::RealFileSystem(), ui);
  z.SetZipName(dir / "a.zip");
  z.SetDoAll(true);
  z.SetRecreateDirs(true);
  std::vector<std::string> proposed;
  z.OnStartUnZip = [&](TZipExtractor&, int, std::string& name, bool& skip) {
    proposed.push_back(name);
    skip = true;  // nothing goes to the real root
  };
  z.UnZip();
  EXPECT_EQ(proposed, (std::vector<std::string>{"\\srv\\share\\u.txt", "\\abs\\r.txt", "\\d\\c.txt", "\\e\\f.txt",
                                                "\\p\\q.txt"}));
}

TEST(ZipConfinement, AFailedEntryLeavesAReadOnlyTargetReadOnly) {
  TempDir dir;
  ScriptedUi ui;
  WriteFile(dir / "a.zip", BuildZip({ZipItem("f.txt", "new").Crc(99), ZipItem("g.txt", "new")}));
  ::mkdir(Unix(dir / "out").c_str(), 0777);
  for (const char* name : {"f.txt", "g.txt"}) {
    WriteFile(dir / ("out\\" + std::string(name)), "old");
    ::chmod(Unix(dir / ("out\\" + std::string(name))).c_str(), 0444);
  }
  TZipExtractor z(sys::RealFileSystem(), ui);
  z.SetZipName(dir / "a.zip");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  z.SetOverwriteMode(Always);
  z.SetReplaceReadOnly(true);
  z.SetRetainAttributes(false);
  EXPECT_EQ(z.UnZip(), 1);
  struct stat st {};
  ::stat(Unix(dir / "out\\f.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & S_IWUSR, 0u);
  EXPECT_EQ(*ReadFile(dir / "out\\f.txt"), "old");
  EXPECT_EQ(*ReadFile(dir / "out\\g.txt"), "new");
}

TEST(ZipConfinement, RetainedAttributesAreTheMsDosBitsOnly) {
  TempDir dir;
  ScriptedUi ui;
  RecordingFs fs;
  WriteFile(dir / "a.zip",
            BuildZip({ZipItem("unix.txt", "u").External(0x81A40021), ZipItem("plain.txt", "p").External(0x81A40000),
                      ZipItem("dos.txt", "d").External(0x37).Host(0x0014)}));
  TZipExtractor z(fs, ui);
  z.SetZipName(dir / "a.zip");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  EXPECT_EQ(z.UnZip(), 3);
  std::vector<uint32_t> given;
  for (const auto& [path, attributes] : fs.setAttributes) given.push_back(attributes);
  EXPECT_EQ(given, (std::vector<uint32_t>{0x21, sys::kAttrNormal, 0x27}));
}

TEST(ZipConfinement, AnEncryptionHeaderSplitAcrossDisksIsFollowedByItsData) {
  TempDir dir;
  std::string data(3000, 'e');
  for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>('a' + i % 23);
  std::string whole = BuildZip({ZipItem("s.bin", data).Password("pw")});
  const size_t cut = 30 + 5 + 5;  // five bytes of the 12-byte header on the first disk
  size_t cd = whole.find("PK\x01\x02");
  std::string second = whole.substr(cut);
  size_t end = second.size() - 22;
  second[end + 4] = 1;  // this disk 1
  second[end + 6] = 1;  // directory on disk 1
  uint32_t offset = static_cast<uint32_t>(cd - cut);
  for (int i = 0; i < 4; ++i) second[end + 16 + i] = static_cast<char>(offset >> (8 * i));
  WriteFile(dir / "a.001", whole.substr(0, cut));
  WriteFile(dir / "a.002", second);
  ScriptedUi ui;
  TZipExtractor z(sys::RealFileSystem(), ui);
  AcceptSplitSet(z);
  z.SetZipName(dir / "a.002");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  z.SetPassword("wrong");
  int asked = 0;
  z.OnBadPassword = [&](TZipExtractor&, int, std::string& p) {
    ++asked;
    p = "pw";
  };
  EXPECT_EQ(z.UnZip(), 1);
  EXPECT_EQ(asked, 1);  // the first try crossed the disks too, and the second started over
  EXPECT_EQ(ReadFile(dir / "out\\s.bin"), data);
}

TEST(ZipConfinement, LinksFoundInTheDestinationAreNotFollowed) {
  TempDir dir;
  ::mkdir(Unix(dir / "outside").c_str(), 0777);
  ::mkdir(Unix(dir / "out").c_str(), 0777);
  WriteFile(dir / "outside\\f.txt", "precious");
  ASSERT_EQ(::symlink(Unix(dir / "outside").c_str(), Unix(dir / "out\\pdir").c_str()), 0);
  ASSERT_EQ(::symlink(Unix(dir / "outside\\f.txt").c_str(), Unix(dir / "out\\f.txt").c_str()), 0);
  ScriptedUi ui;
  WriteFile(dir / "a.zip", BuildZip({ZipItem("pdir/x.txt", "x"), ZipItem("pdir/deeper/y.txt", "y"),
                                     ZipItem("f.txt", "f"), ZipItem("pdir/made/", ""), ZipItem("ok/z.txt", "z")}));
  // DestDir itself may be a link: the user chose it.
  ASSERT_EQ(::symlink(Unix(dir / "out").c_str(), Unix(dir / "alias").c_str()), 0);
  TZipExtractor z(sys::RealFileSystem(), ui);
  z.SetZipName(dir / "a.zip");
  z.SetDestDir(dir / "alias");
  z.SetDoAll(true);
  z.SetRecreateDirs(true);
  z.SetOverwriteMode(Always);
  std::vector<TSkipReason> skipped;
  z.OnSkippingFile = [&](TZipExtractor&, TSkipReason r, const std::string&, int, bool&) { skipped.push_back(r); };
  EXPECT_EQ(z.UnZip(), 1);
  EXPECT_EQ(skipped, std::vector<TSkipReason>(4, srCreateError));
  EXPECT_EQ(Tree(dir / "outside"), std::vector<std::string>{"f.txt"});
  EXPECT_EQ(*ReadFile(dir / "outside\\f.txt"), "precious");
  EXPECT_EQ(*ReadFile(dir / "out\\ok\\z.txt"), "z");
  struct stat st {};
  EXPECT_EQ(::lstat(Unix(dir / "out\\f.txt").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
}

namespace {

// The real file system with the limits of the ANSI Win32 calls: 259 characters a path, 247
// a folder.
class WindowsLimits : public RecordingFs {
 public:
  bool PathFits(const std::string& path, bool directory) override { return path.size() < (directory ? 248u : 260u); }
};

double Seconds() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec / 1e9;
}

}  // namespace

TEST(ZipConfinement, PathsTooLongForTheSystemAreRefusedBeforeAnythingIsWritten) {
  std::string deep;
  for (int i = 0; i < 32767; ++i) deep += "a/";
  deep += "x";
  ASSERT_EQ(deep.size(), 65535u);
  std::string wide;
  for (int i = 0; i < 410; ++i) wide += "abcdefghi/";
  TempDir dir;
  ScriptedUi ui;
  WriteFile(dir / "a.zip", BuildZip({ZipItem(deep, "deep"), ZipItem(wide + "z.txt", "wide"),
                                     ZipItem(std::string(300, 'n') + "/y.txt", "long part"), ZipItem(wide, ""),
                                     ZipItem("ok.txt", "ok")}));
  TZipExtractor z(sys::RealFileSystem(), ui);
  z.SetZipName(dir / "a.zip");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  z.SetRecreateDirs(true);
  std::vector<TSkipReason> skipped;
  z.OnSkippingFile = [&](TZipExtractor&, TSkipReason r, const std::string&, int, bool&) { skipped.push_back(r); };
  double start = Seconds();
  EXPECT_EQ(z.UnZip(), 1);
  EXPECT_LT(Seconds() - start, 5.0);                               // growing with the name's length, not its square
  EXPECT_EQ(skipped, std::vector<TSkipReason>(4, srCreateError));  // the folder entry too
  EXPECT_EQ(Tree(dir / "out"), std::vector<std::string>{"ok.txt"});

  // The platform's own limit decides, for the file and for its folder alike.
  TempDir small;
  WindowsLimits fs;
  ASSERT_EQ(small.Path().size(), 17u);  // the folder names below are sized for "/tmp/zvtestXXXXXX\\out\\"
  WriteFile(small / "a.zip", BuildZip({ZipItem(std::string(200, 'f') + "/" + std::string(40, 'g'), "file too long"),
                                       ZipItem(std::string(230, 'h') + "/h.txt", "folder too long"),
                                       ZipItem(std::string(200, 'k'), "fits")}));
  TZipExtractor w(fs, ui);
  w.SetZipName(small / "a.zip");
  w.SetDestDir(small / "out");
  w.SetDoAll(true);
  w.SetRecreateDirs(true);
  EXPECT_EQ(w.UnZip(), 1);
  EXPECT_EQ(Tree(small / "out"), std::vector<std::string>{std::string(200, 'k')});
}

TEST(ZipConfinement, TemporariesAKilledRunLeftAreRemovedAndNothingElse) {
  TempDir dir;
  ScriptedUi ui;
  ::mkdir(Unix(dir / "out").c_str(), 0777);
  ::mkdir(Unix(dir / "out\\sub").c_str(), 0777);
  const std::vector<std::string> stale = {"~zv00000001.tmp", "~zv0000abcd.tmp", "sub\\~zvffffffff.tmp"};
  const std::vector<std::string> foreign = {"~zvABCDEF01.tmp",  "~zv123.tmp", "~zv0000000g.tmp",
                                            "~zv000000001.tmp", "mine.tmp",   "sub\\~zv00000001.tmpx"};
  for (const std::string& name : stale) WriteFile(dir / ("out\\" + name), "left");
  for (const std::string& name : foreign) WriteFile(dir / ("out\\" + name), "keep");
  ::mkdir(Unix(dir / "out\\~zv00000002.tmp").c_str(), 0777);
  // One that a live run holds open is not taken from it.
  auto live = sys::RealFileSystem().Open(dir / "out\\~zv00000003.tmp", sys::Access::readWrite, sys::Share::none,
                                         sys::Disposition::createNew);
  ASSERT_TRUE(live);
  WriteFile(dir / "a.zip", BuildZip({ZipItem("a.txt", "a"), ZipItem("sub/b.txt", "b"), ZipItem("bad.txt", "x").Crc(1),
                                     ZipItem("m9.bin", "m").Packed(9, "zz")}));
  TZipExtractor z(sys::RealFileSystem(), ui);
  z.SetZipName(dir / "a.zip");
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  z.SetRecreateDirs(true);
  EXPECT_EQ(z.UnZip(), 2);
  std::vector<std::string> tree = Tree(dir / "out");
  std::sort(tree.begin(), tree.end());
  std::vector<std::string> expected = {"a.txt", "sub", "sub/b.txt", "~zv00000002.tmp", "~zv00000003.tmp"};
  for (const std::string& name : foreign) expected.push_back(Unix(name));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(tree, expected);
}

// The names a run gives its temporaries are the form the sweep takes: eight lowercase hex
// digits of a counter that goes on from where it was started.
TEST(ZipConfinement, TemporariesAreNamedInTheFormTheSweepTakes) {
  class NamingFs : public support::ForwardingFileSystem {
   public:
    std::vector<std::string> made;
    std::unique_ptr<sys::File> Open(const std::string& p, sys::Access a, sys::Share s, sys::Disposition d) override {
      if (d == sys::Disposition::createNew) made.push_back(p.substr(p.rfind('\\') + 1));
      return ForwardingFileSystem::Open(p, a, s, d);
    }
  } fs;
  TempDir dir;
  ScriptedUi ui;
  WriteFile(dir / "a.zip", BuildZip({ZipItem("a.txt", "a"), ZipItem("b.txt", "b"), ZipItem("c.txt", "c")}));
  TZipExtractor z(fs, ui);
  z.SetDestDir(dir / "out");
  z.SetDoAll(true);
  ArchiveDirectory directory(fs, ui);
  directory.SetName(dir / "a.zip");
  directory.Read({});
  EntryReader reader(directory);
  Extraction extraction(z, fs, ui, directory, reader, {0x9abcdefe, {}});
  ASSERT_EQ(extraction.Choose(), 3);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(extraction.Extract(i), Extraction::Outcome::extracted);
  EXPECT_EQ(fs.made, (std::vector<std::string>{"~zv9abcdeff.tmp", "~zv9abcdf00.tmp", "~zv9abcdf01.tmp"}));
}
