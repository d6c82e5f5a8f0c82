// What a failed or killed install leaves: the check before the first write, writes that
// fail on a full disk, and a kill at every change of the disk, against the in-memory disk.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <map>

#include "install/InstallCheck.h"
#include "install/SafeFiles.h"
#include "tests/native/install/InstallRig.h"

namespace {

using namespace installtest;

const std::string kDir = "d:\\kestrum\\";

// Every file on the disk with its bytes: what a stopped install must not have changed.
std::map<std::string, std::string> Snapshot(const support::FakeFileSystem& fs) {
  std::map<std::string, std::string> files;
  for (const std::string& path : fs.Paths()) files[path] = fs.Contents(path);
  return files;
}

// Names in the install directory of the form <14 digits>name: the kept copies of `name`.
std::vector<std::string> CopiesOf(const support::FakeFileSystem& fs, const std::string& name) {
  std::vector<std::string> r;
  for (const std::string& p : fs.Paths())
    if (p.size() == kDir.size() + 14 + name.size() && p.compare(0, kDir.size(), kDir) == 0 &&
        p.compare(p.size() - name.size(), name.size(), name) == 0 &&
        p.find_first_not_of("0123456789", kDir.size()) == p.size() - name.size())
      r.push_back(p);
  return r;
}

std::vector<std::string> Temporaries(const support::FakeFileSystem& fs) {
  std::vector<std::string> r;
  for (const std::string& p : fs.Paths())
    if (base::ExtractFileName(p).find(".tmp") != std::string::npos) r.push_back(p);
  return r;
}

class InstallSafety : public ::testing::Test, public Rig {
 protected:
  // An earlier install's files, with the user's own database and connection settings.
  void EarlierInstall() {
    fs.AddDirectory("d:\\kestrum");
    for (const auto& p : install::kPayloads) fs.AddFile(kDir + p.file, std::string("old ") + p.file);
    fs.AddFile(kDir + "db.mdb", "user data");
    fs.AddFile(kDir + "login.dat", "my connection");
  }
  // Presses install expecting the check to stop it: its text, with nothing on the disk changed.
  std::string CheckStops() {
    auto before = Snapshot(fs);
    window.events.clear();
    std::string message = PressFails<base::EInstallCheck>();
    EXPECT_EQ(Snapshot(fs), before) << "the check must stop the install before anything changes";
    EXPECT_EQ(window.events, (std::vector<std::string>{"disable", "enable"}));
    return message;
  }
  uint64_t PayloadBytes() const {
    uint64_t n = 0;
    for (const auto& [key, blob] : resources.blobs) n += blob.size();
    return n;
  }
};

TEST_F(InstallSafety, EveryPathTheInstallMakesMustFitBeforeAnythingIsCreated) {
  fs.maxPath = 260;  // a path fits in 259 bytes, a folder in 247
  struct Case {
    size_t dirBytes;
    std::string longTemplate;  // a template of that name added to the archive
    bool fits;
  } cases[] = {
      // 238 bytes passed when only the payloads and the database's backup were counted,
      // then every template failed: their temporaries "\report\~zv00000000.tmp" do not fit.
      {238, "", false},
      // The longest fixed name is the connection settings' copy "\<14 digits>login.dat".
      {235, "", true},
      {236, "", false},
      {200, std::string(40, 't') + ".pg", true},
      {220, std::string(40, 't') + ".pg", false},
  };
  for (const Case& c : cases) {
    std::string dir = "d:\\" + std::string(c.dirBytes - 3, 'a');
    std::vector<ziptest::ZipItem> items = {TemplateItem("利润表.pg")};
    if (!c.longTemplate.empty()) items.push_back(TemplateItem(c.longTemplate));
    resources.blobs["MYRPT/MYRPTFILE"] = ziptest::BuildZip(items);
    fs.log.clear();
    window.events.clear();
    if (c.fits) {
      EXPECT_NO_THROW(installer.CheckPathsFit(dir)) << c.dirBytes;
      continue;
    }
    typed = dir;
    EXPECT_EQ(PressFails<base::EInstallCheck>(),
              "安装目录 \"" + dir + "\" 太长: 其中的文件路径超出系统的限制。请另选一个短一些的安装目录。")
        << c.dirBytes;
    EXPECT_TRUE(fs.log.empty()) << "nothing created or written";
    EXPECT_TRUE(window.events.empty());
  }
}

// The check counts the extractor's temporaries by their name's length; the extractor must
// name them so.
TEST_F(InstallSafety, TheExtractorsTemporaryNamesHaveTheLengthTheCheckCounts) {
  installer.BitBtn1Click(typed);
  int seen = 0;
  const std::string prefix = "create d:\\kestrum\\report\\";
  for (const std::string& line : fs.log) {
    if (line.compare(0, prefix.size(), prefix) != 0 || line.find(".pg") != std::string::npos) continue;
    ++seen;
    EXPECT_EQ(line.size() - prefix.size(), std::strlen(install::kExtractorTemporary)) << line;
    EXPECT_EQ(line.substr(prefix.size(), 3), std::string(install::kExtractorTemporary).substr(0, 3)) << line;
  }
  EXPECT_EQ(seen, 2) << "one temporary per template";
}

TEST_F(InstallSafety, FilesInTheWayStopTheInstallBeforeAnythingChangesNamingThemAndWhatToDo) {
  struct Case {
    std::function<void()> put;
    std::string shown;
    std::function<void()> clear;
  } cases[] = {
      {[&] { fs.Find(kDir + "kestrum.exe")->locked = fs.Find(kDir + "db.mdb")->locked = true; },
       "下列文件正被其他程序使用，无法替换: \"d:\\kestrum\\kestrum.exe\"、\"d:\\kestrum\\db.mdb\"。"
       "请先关闭 Zorvik电子帐本（以及其他打开这些文件的程序），再按“安装”。",
       [&] { fs.Find(kDir + "kestrum.exe")->locked = fs.Find(kDir + "db.mdb")->locked = false; }},
      {[&] { fs.SetAttributes(kDir + "db.mdb", sys::kAttrReadOnly); },
       "下列文件是只读的，无法替换: \"d:\\kestrum\\db.mdb\"。请在文件的属性中去掉“只读”，再按“安装”。",
       [&] { fs.SetAttributes(kDir + "db.mdb", sys::kAttrArchive); }},
      {[&] {
         fs.Delete(kDir + "ttf16.ocx");
         fs.AddDirectory(kDir + "ttf16.ocx");
       },
       "下列位置是文件夹，无法用文件替换: \"d:\\kestrum\\ttf16.ocx\"。请移走这些文件夹或改名，再按“安装”。",
       [&] { fs.AddFile(kDir + "ttf16.ocx", "old"); }},
      {[&] {
         fs.AddDirectory(kDir + "report");
         fs.AddFile(kDir + "report\\利润表.pg", "open in the report designer");
         fs.Find(kDir + "report\\利润表.pg")->locked = true;
       },
       "下列文件正被其他程序使用，无法替换: \"d:\\kestrum\\report\\利润表.pg\"。"
       "请先关闭 Zorvik电子帐本（以及其他打开这些文件的程序），再按“安装”。",
       [&] { fs.Find(kDir + "report\\利润表.pg")->locked = false; }},
  };
  EarlierInstall();
  for (Case& c : cases) {
    c.put();
    // Pressed again and again, it stops the same way: no backup piles up.
    for (int press = 0; press < 3; ++press) EXPECT_EQ(CheckStops(), c.shown);
    EXPECT_TRUE(CopiesOf(fs, "db.mdb").empty());
    c.clear();
  }
  window.events.clear();
  ASSERT_NO_THROW(installer.BitBtn1Click(typed));
  EXPECT_EQ(window.events.back(), "close");
  EXPECT_EQ(CopiesOf(fs, "db.mdb").size(), 1u);
}

TEST_F(InstallSafety, DriveWithoutRoomStopsTheInstallSayingHowMuchIsNeededAndFree) {
  // A fresh directory: every payload and both templates, nothing freed on the way.
  uint64_t need = PayloadBytes();
  for (const char* name : {"资产负债表.pg", "利润表.pg"})
    need += std::string("[Report]\r\nTitle=").size() + std::strlen(name) + 2;
  fs.AddDirectory("d:\\kestrum");
  fs.freeBytes = static_cast<long long>(need) - 1;
  EXPECT_EQ(CheckStops(),
            base::Format("磁盘空间不足: 安装到 \"d:\\kestrum\" 需要 %d 字节 的可用空间，现在只有 %d 字节。"
                         "请腾出磁盘空间或另选安装目录，再按“安装”。",
                         static_cast<int>(need), static_cast<int>(need) - 1));
  fs.freeBytes = static_cast<long long>(need);
  ASSERT_NO_THROW(installer.BitBtn1Click(typed));
  EXPECT_EQ(window.events.back(), "close");

  // Over that install the same room is plenty: each file replaced gives its room back.
  fs.freeBytes = static_cast<long long>(need) - 1;
  window.events.clear();
  ASSERT_NO_THROW(installer.BitBtn1Click(typed));
  EXPECT_EQ(window.events.back(), "close");

  // Sizes a person reads.
  fs.clusterBytes = 4096;
  fs.freeBytes = 3 * 1024 * 1024 + 512 * 1024;
  resources.blobs["MYDLL/MYDLLFILE"] = std::string(4 * 1024 * 1024, 'd');
  std::string shown = CheckStops();
  EXPECT_NE(shown.find("现在只有 3.5 MB。"), std::string::npos) << shown;
  EXPECT_NE(shown.find("需要 4.1 MB 的可用空间"), std::string::npos) << shown;
}

// A drive that cannot tell its room (the check lets the install through) fills up while a
// payload is written: the old file stays whole, the message names the file, the full disk
// and, for the database, where its backup is.
TEST_F(InstallSafety, WriteOntoAFullDiskLeavesTheOldFileWholeAndSaysWhy) {
  fs.freeSpaceKnown = false;
  fs.AddDirectory("d:\\kestrum");
  fs.AddFile(kDir + "db.mdb", "user data");
  resources.blobs["MYDBSRC/MYDBSRCFILE"] = std::string(1000, 'n');
  long long before = 0;
  for (const auto& p : install::kSystemFiles)
    before += static_cast<long long>(resources.blobs[base::UpperAscii(p.name) + "/" + base::UpperAscii(p.type)].size());
  fs.freeBytes = before + 9 /* the backup */ + 500;
  EXPECT_EQ(PressFails<base::EWriteError>(),
            "写流出错: 复制文件 \"d:\\kestrum\\db.mdb\" 时磁盘已满，文件没有写完。原来的文件没有改动; "
            "请腾出磁盘空间，再按“安装”。原数据库的备份在 \"d:\\kestrum\\20260305140709db.mdb\"。");
  EXPECT_EQ(fs.Contents(kDir + "db.mdb"), "user data");
  EXPECT_EQ(fs.Contents(kDir + "20260305140709db.mdb"), "user data");
  EXPECT_TRUE(Temporaries(fs).empty());
  EXPECT_EQ(Only("mark"), std::vector<std::string>{"mark 1"});

  // The next press backs up the same, whole database, not a broken one.
  fs.freeBytes = -1;
  clock.now.second += 5;
  ExpectNextPressInstalls();
  EXPECT_EQ(fs.Contents(kDir + "20260305140714db.mdb"), "user data");

  // In a fresh directory the first file that does not fit is not there at all.
  fs.Delete(kDir + "login.dat");
  fs.Delete(kDir + "kestrum.exe");
  fs.freeBytes = 25;  // kestrum.exe fits, login.dat does not
  window.events.clear();
  EXPECT_EQ(PressFails<base::EWriteError>(),
            "写流出错: 复制文件 \"d:\\kestrum\\login.dat\" 时磁盘已满，文件没有写完。原来的文件没有改动; "
            "请腾出磁盘空间，再按“安装”。");
  EXPECT_FALSE(fs.Exists(kDir + "login.dat"));
  EXPECT_TRUE(Temporaries(fs).empty());
}

// A kill between any two changes of the disk, a write or a copy cut in half: every file keeps
// its old bytes or has its new ones, every kept copy is whole, the user's database and
// settings survive in the file or a copy, and the next run sweeps up and completes.
TEST(InstallKilled, AtEveryChangeEachFileIsOldOrNewAndTheNextRunCompletes) {
  auto earlier = [](Rig& r) {
    r.fs.AddDirectory("d:\\kestrum");
    for (const auto& p : install::kPayloads) r.fs.AddFile(kDir + p.file, std::string("old ") + p.file);
    r.fs.AddFile(kDir + "db.mdb", "user data");
    r.fs.AddFile(kDir + "login.dat", "my connection");
    r.fs.AddDirectory(kDir + "report");
    r.fs.AddFile(kDir + "report\\利润表.pg", "old template");
  };
  int changes = 0;
  {
    Rig whole;
    earlier(whole);
    whole.installer.BitBtn1Click(whole.typed);
    changes = whole.fs.changes;
  }
  ASSERT_GT(changes, 20);
  for (int k = 1; k <= changes; ++k) {
    Rig r;
    earlier(r);
    r.fs.killAt = r.fs.changes + k;
    // Killed, or an error of the steps after it: the extractor takes a failed write inside
    // its decoder for bad data, and every change after the kill fails.
    try {
      r.installer.BitBtn1Click(r.typed);
    } catch (...) {
    }
    ASSERT_TRUE(r.fs.dead) << k;
    for (const auto& p : install::kPayloads) {
      if (!r.fs.Exists(kDir + p.file)) continue;  // the archive and the driver go by design
      std::string now = r.fs.Contents(kDir + p.file);
      std::string fresh = r.resources.blobs[base::UpperAscii(p.name) + "/" + base::UpperAscii(p.type)];
      if (std::string(p.file) == "db.mdb" || std::string(p.file) == "login.dat") {
        std::string users = std::string(p.file) == "db.mdb" ? "user data" : "my connection";
        EXPECT_TRUE(now == users || now == fresh) << k << " " << p.file << ": " << now;
        bool kept = false;
        for (const auto& copy : CopiesOf(r.fs, p.file)) {
          EXPECT_EQ(r.fs.Contents(copy), users) << k << " " << copy;
          kept = true;
        }
        EXPECT_TRUE(now == users || kept) << k << ": the user's " << p.file << " is lost";
      } else {
        EXPECT_TRUE(now == "old " + std::string(p.file) || now == fresh) << k << " " << p.file << ": " << now;
      }
    }
    std::string tpl = r.fs.Contents(kDir + "report\\利润表.pg");
    EXPECT_TRUE(tpl == "old template" || tpl == "[Report]\r\nTitle=利润表.pg\r\n") << k << ": " << tpl;

    r.fs.dead = false;
    r.window.events.clear();
    ASSERT_NO_THROW(r.installer.BitBtn1Click(r.typed)) << k;
    EXPECT_EQ(r.window.events.back(), "close") << k;
    EXPECT_EQ(r.fs.Contents(kDir + "db.mdb"), "bytes of db.mdb") << k;
    EXPECT_TRUE(Temporaries(r.fs).empty()) << k << ": " << Temporaries(r.fs).front();
  }
}

TEST_F(InstallSafety, ChangedConnectionSettingsAreKeptAsATimeStampedCopy) {
  EarlierInstall();
  installer.BitBtn1Click(typed);
  EXPECT_EQ(fs.Contents(kDir + "login.dat"), "bytes of login.dat");
  ASSERT_EQ(CopiesOf(fs, "login.dat"), std::vector<std::string>{kDir + "20260305140709login.dat"});
  EXPECT_EQ(fs.Contents(kDir + "20260305140709login.dat"), "my connection");

  // The settings the install itself wrote are not copied again.
  clock.now.minute += 1;
  window.events.clear();
  installer.BitBtn1Click(typed);
  EXPECT_EQ(CopiesOf(fs, "login.dat").size(), 1u);
  EXPECT_EQ(CopiesOf(fs, "db.mdb").size(), 2u);
}

TEST_F(InstallSafety, LinkThatCannotBeSavedIsNamedWithTheStep) {
  links.saveResult = static_cast<sys::HResult>(0x80070005u);
  links.errorText = "拒绝访问。\r\n";
  try {
    installer.BitBtn1Click(typed);
    ADD_FAILURE() << "no error";
  } catch (const shell::EOleSysError& e) {
    EXPECT_EQ(base::ErrorDisplayText(e.Message()),
              "建立快捷方式失败: 无法保存 \"" + kDesktop + "\\Zorvik电子帐本.lnk\": 拒绝访问。");
    EXPECT_EQ(e.ErrorCode(), links.saveResult);
  }
  EXPECT_EQ(Only("mark"), (std::vector<std::string>{"mark 1", "mark 2", "mark 3"}));
}

TEST_F(InstallSafety, MissingProgramsFolderIsMadeWithItsParents) {
  registry.SetString(kFolders, "Programs", "c:\\users\\li\\Start Menu\\新\\Programs");
  installer.BitBtn1Click(typed);
  EXPECT_EQ(window.events.back(), "close");
  EXPECT_TRUE(sys::DirectoryExists(fs, kStartMenu + "\\新\\Programs\\Zorvik软件"));
  ASSERT_EQ(links.saved.size(), 2u);
  EXPECT_EQ(links.saved[1].path, kStartMenu + "\\新\\Programs\\Zorvik软件/Zorvik电子帐本.lnk");
}

}  // namespace
