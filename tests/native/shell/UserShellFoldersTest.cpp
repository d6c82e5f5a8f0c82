// The user shell folder lookup against a fake registry: which hive is the user's, how a
// value is read, which values are refused, and that no key stays open on any way out.
#include <gtest/gtest.h>

#include "shell/UserShellFolders.h"
#include "tests/native/support/FakeRegistry.h"

namespace {

using shell::ERegistryException;
using support::FakeRegistry;

const std::string kUser = "S-1-5-21-1-2-3-1000";
const std::string kFolders = "\\Software\\MicroSoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class ShellFolders : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(registry.OpenHandles(), 0u) << "a key was left open";
    EXPECT_TRUE(registry.CallsWereWellFormed());
  }
  void AddUsers(std::initializer_list<std::string> names) {
    for (const std::string& n : names) registry.AddKey(n);
  }
  std::string Read(const std::string& value) { return shell::ReadUserShellFolder(registry, value); }

  FakeRegistry registry;
};

TEST_F(ShellFolders, UserHiveIsTheFirstLongNameWithoutClass) {
  AddUsers({".DEFAULT", "S-1-5-18", kUser + "_Classes", kUser});
  EXPECT_EQ(shell::FindUserKeyName(registry), kUser);

  FakeRegistry reversed;
  for (const std::string& n : {kUser, kUser + "_Classes", std::string("S-1-5-18")}) reversed.AddKey(n);
  EXPECT_EQ(shell::FindUserKeyName(reversed), kUser);

  FakeRegistry twoUsers;
  twoUsers.AddKey("S-1-5-21-9-9-9-1001");
  twoUsers.AddKey(kUser);
  EXPECT_EQ(shell::FindUserKeyName(twoUsers), "S-1-5-21-9-9-9-1001");
  EXPECT_EQ(reversed.OpenHandles() + twoUsers.OpenHandles(), 0u);
}

TEST_F(ShellFolders, NameRuleIsByteLengthAndCaseFreeClass) {
  AddUsers({"123456789012345",  // 15 bytes: too short
            "xxClassxxxxxxxxxxx", "CLASSxxxxxxxxxxxx", "xxxxxxxxxxxxxclass", "xxxxxxxxxxxcLaSsx",
            "CLAS-Sxxxxxxxxxxx",   // no five letters in a row
            "1234567890123456"});  // 16 bytes, nothing else needed
  EXPECT_EQ(shell::FindUserKeyName(registry), "CLAS-Sxxxxxxxxxxx");

  // Eight GBK characters are 16 bytes, and only ASCII letters change case.
  FakeRegistry gbk;
  gbk.AddKey("用户用户用户用");
  gbk.AddKey("用户用户用户用户");
  EXPECT_EQ(shell::FindUserKeyName(gbk), "用户用户用户用户");
}

TEST_F(ShellFolders, NoUserHiveFallsBackToTheKeyUnderHkeyUsersItself) {
  AddUsers({".DEFAULT", "S-1-5-18", "S-1-5-19", "S-1-5-20"});
  EXPECT_EQ(shell::FindUserKeyName(registry), "");
  EXPECT_EQ(Read("Desktop"), "");

  registry.SetString(kFolders.substr(1), "Desktop", "C:\\Shared\\Desktop");
  EXPECT_EQ(Read("Desktop"), "C:\\Shared\\Desktop");

  registry.SetRootOpenable(false);
  EXPECT_EQ(shell::FindUserKeyName(registry), "");
}

TEST_F(ShellFolders, ReadsTheValueOfTheUsersShellFoldersKey) {
  AddUsers({".DEFAULT", kUser});
  // Another hive's value must not be picked up.
  registry.SetString(".DEFAULT" + kFolders, "Start Menu", "C:\\Default\\Start Menu");
  registry.SetString(kUser + kFolders, "Start Menu", "C:\\用户\\「开始」菜单");
  registry.SetValue(kUser + kFolders, "Desktop", {sys::kRegExpandSz, "%USERPROFILE%\\Desktop\0"});
  registry.SetValue(kUser + kFolders, "Favorites", {sys::kRegSz, std::string("C:\\Fav\0junk\0", 12)});
  registry.SetValue(kUser + kFolders, "Programs", {sys::kRegSz, "C:\\Programs"});  // no zero
  registry.SetValue(kUser + kFolders, "Empty", {sys::kRegSz, ""});
  registry.SetValue(kUser + kFolders, "Zero", {sys::kRegSz, std::string(1, '\0')});

  EXPECT_EQ(Read("Start Menu"), "C:\\用户\\「开始」菜单");
  EXPECT_EQ(Read("Desktop"), "%USERPROFILE%\\Desktop");
  EXPECT_EQ(Read("Favorites"), "C:\\Fav");
  EXPECT_EQ(Read("Programs"), "C:\\Programs");
  EXPECT_EQ(Read("Empty"), "");
  EXPECT_EQ(Read("Zero"), "");
  EXPECT_EQ(Read("Missing"), "");
}

TEST_F(ShellFolders, KeyPathLosesOneLeadingBackslash) {
  registry.SetString("A\\B", "V", "v");
  EXPECT_EQ(shell::ReadRegistryString(registry, sys::kHkeyUsers, "\\A\\B", "V"), "v");
  EXPECT_EQ(shell::ReadRegistryString(registry, sys::kHkeyUsers, "A\\B", "V"), "v");
  EXPECT_EQ(shell::ReadRegistryString(registry, sys::kHkeyUsers, "\\\\A\\B", "V"), "");
  EXPECT_EQ(shell::ReadRegistryString(registry, sys::kHkeyUsers, "A\\C", "V"), "");
}

TEST_F(ShellFolders, ValueThatIsNoStringOrCannotBeReadRaises) {
  AddUsers({kUser});
  registry.SetValue(kUser + kFolders, "Start Menu", {sys::kRegDword, std::string(4, '\1')});
  registry.SetValue(kUser + kFolders, "Programs", {sys::kRegBinary, "C:\\x"});
  registry.SetValue(kUser + kFolders, "Desktop", {sys::kRegSz, "C:\\D", sys::kRegAccessDenied});
  registry.SetValue(kUser + kFolders, "Fonts", {sys::kRegDword, "C:\\F", sys::kRegMoreData});

  auto message = [&](const std::string& value) {
    try {
      Read(value);
    } catch (const ERegistryException& e) {
      return e.Message();
    }
    return std::string("no error");
  };
  EXPECT_EQ(message("Start Menu"), "'Start Menu' 的数据类型是无效的");
  EXPECT_EQ(message("Programs"), "'Programs' 的数据类型是无效的");
  EXPECT_EQ(message("Desktop"), "从 'Desktop' 获得数据失败");
  // The read comes first: a failing read is reported even for a value of the wrong type.
  EXPECT_EQ(message("Fonts"), "从 'Fonts' 获得数据失败");
}

}  // namespace
