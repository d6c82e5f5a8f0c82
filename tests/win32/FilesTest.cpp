// The Win32 file and resource layer on a real (Wine) system: the outcomes the install
// relies on, and the file error texts a user would read.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"
#include "install/Installer.h"
#include "sys/Files.h"
#include "sys/Registry.h"
#include "sys/Resources.h"
#include "sys/ShellLink.h"
#include "tests/common/Checks.h"

namespace {

const char kLogin[] = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=DB.mdb;Persist Security Info=False";

std::string Fresh(const std::string& name) {
  std::string dir = "C:\\win32-tests\\" + name;
  CreateDirectoryA("C:\\win32-tests", nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

void WriteFile(const std::string& path, const std::string& data) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n;
  ::WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
  CloseHandle(h);
}

TEST(Win32Resources, FindsAPayloadByNameAndTypeInAnyCase) {
  const void* data = nullptr;
  uint32_t size = 0;
  ASSERT_TRUE(sys::OwnResources().Load("myini", "myinifile", data, size));
  EXPECT_EQ(std::string(static_cast<const char*>(data), size), kLogin);
  EXPECT_TRUE(sys::OwnResources().Load("MYINI", "MyIniFile", data, size));
  EXPECT_FALSE(sys::OwnResources().Load("myini", "mydllfile", data, size));
  EXPECT_FALSE(sys::OwnResources().Load("nosuch", "myinifile", data, size));
}

// The reason a file cannot be created, as the error display will show it.
std::string CreateFailure(const std::string& path) {
  auto& fs = sys::RealFileSystem();
  auto file = fs.Open(path, sys::Access::readWrite, sys::Share::none, sys::Disposition::createAlways);
  EXPECT_EQ(file, nullptr) << path;
  return base::TrimSystemErrorText(fs.ErrorText(fs.LastError()));
}

TEST(Win32Files, CreateFailuresCarryTheSystemsReason) {
  std::string dir = Fresh("errors");
  auto& fs = sys::RealFileSystem();

  std::string missing = CreateFailure(dir + "\\no such dir\\file.txt");
  EXPECT_EQ(fs.LastError(), sys::kErrorPathNotFound);

  std::string readOnly = dir + "\\readonly.dat";
  WriteFile(readOnly, "old");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  std::string denied = CreateFailure(readOnly);
  EXPECT_EQ(fs.LastError(), sys::kErrorAccessDenied);

  std::string held = dir + "\\held.dat";
  WriteFile(held, "x");
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  std::string sharing = CreateFailure(held);
  EXPECT_EQ(fs.LastError(), sys::kErrorSharingViolation);
  CloseHandle(h);

  for (const std::string& text : {missing, denied, sharing}) {
    ASSERT_FALSE(text.empty());
    unsigned char last = static_cast<unsigned char>(text.back());
    EXPECT_TRUE(last > 32 && last != '.') << text;
  }
  EXPECT_NE(missing, denied);
  EXPECT_NE(denied, sharing);
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

class NoWindow : public install::Window {
 public:
  void SetStatus(const std::string&) override {}
  void ShowMark(int) override {}
  void RepaintNow() override {}
  void SetBusyCursor(bool) override {}
  void EnableControls(bool) override {}
  void DirectoryMessage(const std::string&, const std::string&) override {}
  void ShowMessage(const std::string&) override {}
  void Close() override {}
};

TEST(Win32Files, PayloadFileErrorNamesTheAbsolutePathAndTheReason) {
  std::string dir = Fresh("payload");
  std::string kestrum = dir + "\\kestrum.exe";
  WriteFile(kestrum, "running");
  HANDLE h = CreateFileA(kestrum.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  // A relative directory: the message must still give the full path.
  SetCurrentDirectoryA("C:\\win32-tests");
  NoWindow window;
  zip::TZipExtractor zipExtractor;
  shell::TShortcut shortcut(sys::RealRegistry(), sys::RealFileSystem(), sys::RealShellLinks());
  install::Installer installer(window, {sys::RealFileSystem(), sys::OwnResources(), sys::RealClock(),
                                        sys::RealProcesses(), sys::RealLibraries(), zipExtractor, shortcut});
  try {
    installer.WriteAllPayloads("payload");
    ADD_FAILURE() << "no error";
  } catch (const base::EFCreateError& e) {
    std::string expected = "Cannot create file \"" + kestrum + "\". ";
    EXPECT_EQ(e.Message().substr(0, expected.size()), expected);
    EXPECT_GT(e.Message().size(), expected.size());
    // One full stop on the screen: the system's own "。" or the display's ".".
    std::string shown = base::ErrorDisplayText(e.Message());
    const std::string chineseStop = "。", doubled = "。.";
    EXPECT_TRUE(shown.back() == '.' || shown.substr(shown.size() - chineseStop.size()) == chineseStop) << shown;
    EXPECT_NE(shown.substr(shown.size() - doubled.size()), doubled) << shown;
  }
  CloseHandle(h);
}

TEST(Win32Files, RenameCopyAndTimesBehaveAsTheLogicExpects) {
  std::string dir = Fresh("ops");
  auto& fs = sys::RealFileSystem();
  WriteFile(dir + "\\a.txt", "A");
  WriteFile(dir + "\\b.txt", "B");
  EXPECT_FALSE(fs.Rename(dir + "\\a.txt", dir + "\\b.txt", false));
  EXPECT_TRUE(fs.Rename(dir + "\\a.txt", dir + "\\b.txt", true));
  EXPECT_EQ(fs.GetAttributes(dir + "\\a.txt"), sys::kInvalidAttributes);
  EXPECT_TRUE(fs.Copy(dir + "\\b.txt", dir + "\\c.txt", false));
  EXPECT_FALSE(fs.Copy(dir + "\\b.txt", dir + "\\c.txt", true));
  EXPECT_TRUE(sys::DirectoryExists(fs, dir));
  EXPECT_FALSE(sys::DirectoryExists(fs, dir + "\\c.txt"));

  auto file = fs.Open(dir + "\\c.txt", sys::Access::readWrite, sys::Share::none, sys::Disposition::openExisting);
  ASSERT_TRUE(file);
  sys::LocalTime when{2006, 5, 18, 10, 30, 0, 0}, back{};
  ASSERT_TRUE(file->SetLastWriteTime(when));
  ASSERT_TRUE(file->GetLastWriteTime(back));
  EXPECT_EQ(std::tie(back.year, back.month, back.day, back.hour, back.minute, back.second),
            std::tie(when.year, when.month, when.day, when.hour, when.minute, when.second));
}

// What the install relies on when it moves a finished temporary over its target.
TEST(Win32Files, CommitReplacesAPlainTargetButNeitherAHeldNorAReadOnlyOne) {
  std::string dir = Fresh("commit");
  auto& fs = sys::RealFileSystem();
  auto attempt = [&](const std::string& target, bool replace) {
    WriteFile(dir + "\\~zs00000000.tmp", "new");
    bool moved = fs.CommitFile(dir + "\\~zs00000000.tmp", target, replace);
    uint32_t code = fs.LastError();
    DeleteFileA((dir + "\\~zs00000000.tmp").c_str());
    return moved ? 0u : code;
  };
  std::string plain = dir + "\\plain.dat";
  WriteFile(plain, "old");
  EXPECT_EQ(attempt(plain, true), 0u);
  EXPECT_EQ(common::ReadFile(plain), "new");
  EXPECT_EQ(attempt(plain, false), sys::kErrorAlreadyExists);

  std::string readOnly = dir + "\\readonly.dat";
  WriteFile(readOnly, "old");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(attempt(readOnly, true), sys::kErrorAccessDenied);
  EXPECT_EQ(common::ReadFile(readOnly), "old");
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);

  std::string held = dir + "\\held.dat";
  WriteFile(held, "old");
  HANDLE h = CreateFileA(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  uint32_t code = attempt(held, true);
  EXPECT_TRUE(code == sys::kErrorSharingViolation || code == sys::kErrorAccessDenied) << code;
  CloseHandle(h);
  EXPECT_EQ(common::ReadFile(held), "old");

  sys::DiskSpace space;
  ASSERT_TRUE(fs.FreeSpace(dir, space));
  EXPECT_GT(space.freeBytes, 0u);
  EXPECT_GE(space.clusterBytes, 512u);
  EXPECT_EQ(space.clusterBytes & (space.clusterBytes - 1), 0u);
}

}  // namespace
