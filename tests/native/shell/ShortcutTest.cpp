// The shortcut maker against fake registry, folders and shell links: what is made where,
// in which order, and how each failure stops it.
#include <gtest/gtest.h>

#include "base/ErrorDisplay.h"
#include "shell/Shortcut.h"
#include "shell/UserShellFolders.h"
#include "tests/native/support/FakeRegistry.h"
#include "tests/native/support/FakeShell.h"

namespace {

using shell::TShortcut;
using support::Journal;

const std::string kFolders =
    "S-1-5-21-1-2-3-1000\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kStartMenu = "C:\\用户\\「开始」菜单";
const std::string kDesktop = "C:\\用户\\桌面";
const std::string kGroup = kStartMenu + "\\程序\\Zorvik软件";
const std::string kDesktopLink = kDesktop + "/Zorvik电子帐本.lnk";
const std::string kGroupLink = kGroup + "/Zorvik电子帐本.lnk";

class Shortcut : public ::testing::Test {
 protected:
  Shortcut() {
    registry.AddKey(".DEFAULT");
    registry.SetString(kFolders, "Start Menu", kStartMenu);
    registry.SetString(kFolders, "Desktop", kDesktop);
    folders.AddFolder(kStartMenu + "\\程序");
    folders.AddFolder(kDesktop);
    shortcut.SetNameSubDirInStartMenu("Zorvik软件");
    shortcut.Setexefile("d:\\kestrum\\kestrum.exe");
    shortcut.Setexepath("d:\\kestrum");
    shortcut.Setexetitle("Zorvik电子帐本");
    shortcut.OnMake = [this](TShortcut& sender) {
      journal.push_back(&sender == &shortcut ? "OnMake" : "OnMake from a stranger");
    };
  }
  void TearDown() override {
    EXPECT_EQ(links.live, 0) << "a link object outlived Make";
    EXPECT_FALSE(links.misused);
    EXPECT_EQ(registry.OpenHandles(), 0u);
  }
  // The message of the error Make raises, which must be of class E.
  template <typename E>
  std::string MakeFails() {
    try {
      shortcut.Make();
    } catch (const E& e) {
      return e.Message();
    }
    ADD_FAILURE() << "Make did not raise";
    return std::string();
  }

  Journal journal;
  support::FakeRegistry registry;
  support::FakeFolderDisk folders{journal};
  support::FakeShellLinks links{journal};
  TShortcut shortcut{registry, folders, links};
};

TEST_F(Shortcut, NewComponentHasItsDefaultsAndAFixedVersion) {
  TShortcut fresh(registry, folders, links);
  EXPECT_TRUE(fresh.MakeOnDesktop());
  EXPECT_TRUE(fresh.MakeOnStartMenu());
  EXPECT_EQ(fresh.NameSubDirInStartMenu(), "");
  EXPECT_EQ(fresh.exefile() + fresh.exepath() + fresh.exetitle(), "");
  EXPECT_FALSE(fresh.OnMake);
  std::string version = fresh.Version();
  EXPECT_FALSE(version.empty());
  fresh.SetVersion("2.0");
  fresh.SetVersion("");
  EXPECT_EQ(fresh.Version(), version);
}

TEST_F(Shortcut, MakesGroupFolderThenBothLinksThenRaisesOnMake) {
  shortcut.Make();
  EXPECT_EQ(journal, (Journal{"mkdir " + kGroup, "mkdir " + kDesktop, "save " + kDesktopLink, "save " + kGroupLink,
                              "release " + kDesktopLink, "release " + kGroupLink, "OnMake"}));
  ASSERT_EQ(links.saved.size(), 2u);
  for (const auto& link : links.saved) {
    EXPECT_EQ(link.target, "d:\\kestrum\\kestrum.exe");
    EXPECT_EQ(link.arguments, "");
    EXPECT_EQ(link.workingDirectory, "d:\\kestrum");
  }
  EXPECT_EQ(registry.ValueQueries(), (std::vector<std::string>{"Start Menu", "Desktop"}));

  // Again, over the links and the group folder of the first run, which is not made again.
  journal.clear();
  shortcut.Make();
  EXPECT_EQ(journal.size(), 6u);
  EXPECT_EQ(journal.front(), "mkdir " + kDesktop);
  EXPECT_EQ(links.saved.size(), 4u);
  EXPECT_TRUE(folders.Has(kGroup));
}

TEST_F(Shortcut, FlagsChooseTheLinksButNotTheLookupsOrTheDesktopFolder) {
  shortcut.SetMakeOnDesktop(false);
  shortcut.Make();
  EXPECT_EQ(journal,
            (Journal{"mkdir " + kGroup, "mkdir " + kDesktop, "save " + kGroupLink, "release " + kGroupLink, "OnMake"}));

  journal.clear();
  shortcut.SetMakeOnStartMenu(false);
  shortcut.Make();
  EXPECT_EQ(journal, (Journal{"mkdir " + kDesktop, "OnMake"}));
  EXPECT_EQ(registry.ValueQueries().size(), 4u);

  journal.clear();
  shortcut.SetMakeOnDesktop(true);
  shortcut.Setexetitle("");
  shortcut.Make();
  EXPECT_EQ(journal,
            (Journal{"mkdir " + kDesktop, "save " + kDesktop + "/.lnk", "release " + kDesktop + "/.lnk", "OnMake"}));
}

TEST_F(Shortcut, GroupGoesUnderProgramsWhenTheStartMenuHasNoChineseFolder) {
  support::FakeFolderDisk english(journal);
  english.AddFolder(kDesktop);
  english.AddFolder(kStartMenu + "\\Programs");
  registry.SetString(kFolders, "Programs", kStartMenu + "\\Programs");
  TShortcut maker(registry, english, links);
  maker.SetNameSubDirInStartMenu("Zorvik软件");
  maker.Setexetitle("Zorvik电子帐本");
  maker.Make();
  ASSERT_EQ(links.saved.size(), 2u);
  EXPECT_EQ(links.saved[1].path, kStartMenu + "\\Programs\\Zorvik软件/Zorvik电子帐本.lnk");
  EXPECT_TRUE(english.Has(kStartMenu + "\\Programs\\Zorvik软件"));

  // Where the Chinese folder exists it is used, whatever "Programs" says.
  journal.clear();
  shortcut.Make();
  EXPECT_EQ(links.saved.back().path, kGroupLink);
}

TEST_F(Shortcut, EmptyFolderStopsMakeBeforeAnythingIsMade) {
  registry.SetString(kFolders, "Start Menu", "");
  std::string message = MakeFails<shell::EShellFolderMissing>();
  // One full stop on the screen: the display adds it.
  EXPECT_EQ(base::ErrorDisplayText(message), "找不到当前用户的“开始”菜单“程序”文件夹（Programs），无法建立程序组.");
  EXPECT_TRUE(journal.empty());

  // Not needed, not missed.
  shortcut.SetMakeOnStartMenu(false);
  shortcut.Make();
  EXPECT_EQ(journal.back(), "OnMake");

  journal.clear();
  registry.SetString(kFolders, "Start Menu", kStartMenu);
  registry.SetString(kFolders, "Desktop", "");
  shortcut.SetMakeOnStartMenu(true);
  message = MakeFails<shell::EShellFolderMissing>();
  EXPECT_EQ(base::ErrorDisplayText(message), "找不到当前用户的桌面文件夹（Desktop），无法建立快捷方式.");
  EXPECT_TRUE(journal.empty());
}

TEST_F(Shortcut, UnsavedLinkIsReportedWithItsHresult) {
  links.saveResult = static_cast<sys::HResult>(0x80070003u);
  links.errorText = "系统找不到指定的路径。\r\n";
  try {
    shortcut.Make();
    ADD_FAILURE() << "Make did not raise";
  } catch (const shell::EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), links.saveResult);
    EXPECT_EQ(e.Message(), "系统找不到指定的路径。");
  }
  EXPECT_EQ(journal.back(), "release " + kDesktopLink);

  links.errorText.clear();
  EXPECT_EQ(MakeFails<shell::EOleSysError>(), "OLE 错误 80070003");
}

TEST_F(Shortcut, ComFailureStopsMakeAndKeepsWhatWasMade) {
  links.failCreationNumber = 2;
  links.creationResult = static_cast<sys::HResult>(0x800401F0u);
  links.errorText = "尚未调用 CoInitialize。";
  EXPECT_EQ(MakeFails<shell::EOleSysError>(), "尚未调用 CoInitialize。");
  EXPECT_EQ(journal,
            (Journal{"mkdir " + kGroup, "mkdir " + kDesktop, "save " + kDesktopLink, "release " + kDesktopLink}));
  EXPECT_EQ(links.saved.size(), 1u);

  journal.clear();
  links.failCreationNumber = 0;
  links.queryResult = sys::kENoInterface;
  EXPECT_EQ(MakeFails<shell::EIntfCastError>(), "接口不被支持");
  EXPECT_TRUE(links.saved.size() == 1u && journal.back() != "OnMake");
}

TEST_F(Shortcut, RegistryErrorPassesThroughBeforeAnythingIsMade) {
  registry.SetValue(kFolders, "Desktop", {sys::kRegDword, "\1\0\0\0"});
  EXPECT_EQ(MakeFails<shell::ERegistryException>(), "'Desktop' 的数据类型是无效的");
  EXPECT_TRUE(journal.empty());
}

}  // namespace
