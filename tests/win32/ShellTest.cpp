// The shell folder lookup and the shortcut maker on the real registry, file system and
// shell link object (run under Wine): what they find, and links that load back.
#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "base/Ansi.h"
#include "shell/Shortcut.h"
#include "shell/UserShellFolders.h"
#include "sys/Files.h"
#include "sys/Registry.h"
#include "sys/ShellLink.h"
#include "sys/win32/ComPtr.h"
#include "tests/common/Checks.h"
#include "tests/native/support/FakeRegistry.h"

namespace {

using sys::win32::ComPtr;

std::wstring Wide(const std::string& s) {
  int n = MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0);
  std::wstring w(n > 0 ? n : 1, L'\0');
  MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, w.data(), n);
  w.resize(w.size() - 1);
  return w;
}

struct LoadedLink {
  HRESULT loaded = E_FAIL;
  std::string target, workingDirectory, arguments;
};

LoadedLink LoadLink(const std::string& path) {
  LoadedLink r;
  ComPtr<IShellLinkA> link;
  ComPtr<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.PutVoid())))
    return r;
  r.loaded = file->Load(Wide(path).c_str(), STGM_READ);
  char text[MAX_PATH * 2] = "";
  if (SUCCEEDED(link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH))) r.target = text;
  text[0] = '\0';
  if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text))) r.workingDirectory = text;
  text[0] = '\1';
  if (SUCCEEDED(link->GetArguments(text, sizeof text))) r.arguments = text;
  return r;
}

class ShellWine : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(com_.Result())); }
  sys::win32::ComScope com_;
};

TEST_F(ShellWine, LookupFindsTheUsersHiveAndItsFolders) {
  sys::Registry& registry = sys::RealRegistry();
  std::string user = shell::FindUserKeyName(registry);
  EXPECT_GT(user.size(), 15u);
  EXPECT_EQ(base::UpperAscii(user).find("CLASS"), std::string::npos) << user;

  // The hive found is the current user's: the shell gives the same folders.
  struct {
    const char* value;
    int csidl;
  } folders[] = {{"Start Menu", CSIDL_STARTMENU}, {"Desktop", CSIDL_DESKTOPDIRECTORY}, {"Programs", CSIDL_PROGRAMS}};
  for (const auto& f : folders) {
    std::string folder = shell::ReadUserShellFolder(registry, f.value);
    char shellPath[MAX_PATH] = "";
    ASSERT_EQ(SHGetFolderPathA(nullptr, f.csidl, nullptr, SHGFP_TYPE_CURRENT, shellPath), S_OK);
    EXPECT_EQ(base::UpperAscii(folder), base::UpperAscii(shellPath)) << f.value;
    EXPECT_TRUE(sys::DirectoryExists(sys::RealFileSystem(), folder)) << f.value << ": " << folder;
  }
  // Wine, like Windows after XP, has no "程序" folder on disk: the reason for the fallback.
  std::string startMenu = shell::ReadUserShellFolder(registry, "Start Menu");
  EXPECT_FALSE(sys::DirectoryExists(sys::RealFileSystem(), startMenu + "\\程序"));
}

class ShortcutWine : public ShellWine {
 protected:
  void SetUp() override {
    ShellWine::SetUp();
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(MAX_PATH, temp), 0u);
    root_ = std::string(temp) + "快捷方式测试" + std::to_string(GetCurrentProcessId());
    common::RemoveTree(root_);
    for (const char* sub : {"", "\\桌面", "\\开始", "\\开始\\程序", "\\安装"})
      ASSERT_TRUE(CreateDirectoryA((root_ + sub).c_str(), nullptr)) << root_ + sub;
    exe_ = root_ + "\\安装\\kestrum.exe";
    HANDLE h = CreateFileA(exe_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);

    const std::string folders =
        "S-1-5-21-1-2-3-1000\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
    registry_.SetString(folders, "Start Menu", root_ + "\\开始");
    registry_.SetString(folders, "Desktop", root_ + "\\桌面");
    registry_.SetString(folders, "Programs", root_ + "\\没有");
    shortcut_.SetNameSubDirInStartMenu("Zorvik软件");
    shortcut_.Setexefile(exe_);
    shortcut_.Setexepath(root_ + "\\安装");
    shortcut_.Setexetitle("Zorvik电子帐本");
  }
  void TearDown() override { common::RemoveTree(root_); }

  std::string root_, exe_;
  // The folders come from a fake registry so the test writes only under its own folder.
  support::FakeRegistry registry_;
  shell::TShortcut shortcut_{registry_, sys::RealFileSystem(), sys::RealShellLinks()};
};

TEST_F(ShortcutWine, LinksSavedByMakeLoadBackWithTargetAndWorkingDirectory) {
  bool made = false;
  shortcut_.OnMake = [&](shell::TShortcut&) { made = true; };
  shortcut_.Make();
  EXPECT_TRUE(made);
  for (const std::string& link :
       {root_ + "\\桌面\\Zorvik电子帐本.lnk", root_ + "\\开始\\程序\\Zorvik软件\\Zorvik电子帐本.lnk"}) {
    LoadedLink loaded = LoadLink(link);
    ASSERT_TRUE(SUCCEEDED(loaded.loaded)) << link;
    EXPECT_EQ(loaded.target, exe_) << link;
    EXPECT_EQ(loaded.workingDirectory, root_ + "\\安装") << link;
    EXPECT_EQ(loaded.arguments, "") << link;
  }
  // A second Make replaces both links.
  shortcut_.Make();
}

TEST_F(ShortcutWine, MissingProgramsFolderIsMadeWithItsParents) {
  // No "程序" folder, and "Programs" names one that is not there, two levels deep.
  ASSERT_TRUE(RemoveDirectoryA((root_ + "\\开始\\程序").c_str()));
  registry_.SetString(
      "S-1-5-21-1-2-3-1000\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Programs",
      root_ + "\\没有\\程序");
  shortcut_.Make();
  EXPECT_TRUE(SUCCEEDED(LoadLink(root_ + "\\没有\\程序\\Zorvik软件\\Zorvik电子帐本.lnk").loaded));
}

TEST_F(ShortcutWine, LinkThatCannotBeSavedIsReportedByItsFile) {
  // A file where the group's folder belongs: the folder cannot be made, nor the link in it.
  HANDLE h = CreateFileA((root_ + "\\开始\\程序\\Zorvik软件").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  CloseHandle(h);
  bool made = false;
  shortcut_.OnMake = [&](shell::TShortcut&) { made = true; };
  try {
    shortcut_.Make();
    ADD_FAILURE() << "Make did not raise";
  } catch (const shell::ELinkNotSaved& e) {
    EXPECT_TRUE(FAILED(e.ErrorCode()));
    EXPECT_FALSE(e.Message().empty());
    EXPECT_EQ(e.LinkFile(), root_ + "\\开始\\程序\\Zorvik软件\\Zorvik电子帐本.lnk");
  }
  EXPECT_FALSE(made);
  EXPECT_TRUE(SUCCEEDED(LoadLink(root_ + "\\桌面\\Zorvik电子帐本.lnk").loaded));
}

TEST_F(ShortcutWine, WithoutComTheLinkObjectCannotBeCreated) {
  sys::HResult code = sys::kSOk;
  std::string message;
  // A fresh thread has not initialised COM.
  std::thread([&] {
    try {
      shortcut_.Make();
    } catch (const shell::EOleSysError& e) {
      code = e.ErrorCode();
      message = e.Message();
    }
  }).join();
  EXPECT_EQ(code, sys::kCoNotInitialized);
  EXPECT_FALSE(message.empty());
}

}  // namespace
