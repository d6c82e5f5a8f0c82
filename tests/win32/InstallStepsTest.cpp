// The backup, driver and registration steps on a real (Wine) system: the Win32 clock, process
// and library layers with the payload stand-ins built beside this program.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/ErrorDisplay.h"
#include "base/Exceptions.h"
#include "install/Backup.h"
#include "install/ComServer.h"
#include "install/DatabaseDriver.h"
#include "sys/Clock.h"
#include "sys/Files.h"
#include "sys/Library.h"
#include "sys/Process.h"
#include "tests/native/support/RecordingWindow.h"

namespace {

const char kControlClassKey[] = "CLSID\\{6B8E3C52-9A41-4F0D-8C7E-2D5A1B3F4E60}\\InprocServer32";
const char kDriverStubKey[] = "Software\\Zorvik\\DriverStub";

std::string Fresh(const std::string& name) {
  std::string dir = "C:\\win32-steps\\" + name;
  CreateDirectoryA("C:\\win32-steps", nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  return dir;
}

// The stand-ins are built into "payload" beside this test program.
std::string StandIn(const std::string& name) {
  char path[MAX_PATH];
  std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  return self.substr(0, self.rfind('\\')) + "\\payload\\" + name;
}

std::string ReadFileText(const std::string& path) {
  std::string data;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<missing>";
  char buffer[256];
  DWORD n = 0;
  while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) data.append(buffer, n);
  CloseHandle(h);
  return data;
}

void WriteFileText(const std::string& path, const std::string& data) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n;
  WriteFile(h, data.data(), static_cast<DWORD>(data.size()), &n, nullptr);
  CloseHandle(h);
}

// The default value or a named value of a key, or "<none>" when the key or value is absent.
std::string RegistryText(HKEY root, const char* key, const char* name = nullptr) {
  char value[1024];
  DWORD size = sizeof value;
  if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) return "<none>";
  return value;
}

DWORD DriverStubRuns() {
  DWORD runs = 0, size = sizeof runs;
  RegGetValueA(HKEY_LOCAL_MACHINE, kDriverStubKey, "Runs", RRF_RT_REG_DWORD, nullptr, &runs, &size);
  return runs;
}

std::vector<std::string> BackupsIn(const std::string& dir) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA found;
  HANDLE h = FindFirstFileA((dir + "\\*db.mdb").c_str(), &found);
  if (h == INVALID_HANDLE_VALUE) return names;
  do {
    std::string name = found.cFileName;
    if (name.size() == 20 && name.find_first_not_of("0123456789") == 14) names.push_back(name);
  } while (FindNextFileA(h, &found));
  FindClose(h);
  return names;
}

TEST(Win32ComServer, RegistersAndUnregistersTheControlStandInAndUnloadsIt) {
  std::string path = Fresh("control") + "\\ttf16.ocx";
  ASSERT_TRUE(CopyFileA(StandIn("ttf16.ocx").c_str(), path.c_str(), FALSE));
  ASSERT_TRUE(install::RegisterComServer(sys::RealLibraries(), path, true));
  EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
  EXPECT_EQ(CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE,
                           RegistryText(HKEY_CLASSES_ROOT, kControlClassKey).c_str(), -1, path.c_str(), -1),
            CSTR_EQUAL)
      << RegistryText(HKEY_CLASSES_ROOT, kControlClassKey);

  EXPECT_TRUE(install::RegisterComServer(sys::RealLibraries(), path, false));
  EXPECT_EQ(RegistryText(HKEY_CLASSES_ROOT, kControlClassKey), "<none>");
  EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr);
}

TEST(Win32ComServer, MissingFileAndLibraryWithoutEntryPointsGiveFalse) {
  std::string dir = Fresh("no-entry");
  EXPECT_FALSE(install::RegisterComServer(sys::RealLibraries(), dir + "\\nosuch.ocx", true));
  std::string plain = dir + "\\qtintf70.dll";
  ASSERT_TRUE(CopyFileA(StandIn("qtintf70.dll").c_str(), plain.c_str(), FALSE));
  EXPECT_FALSE(install::RegisterComServer(sys::RealLibraries(), plain, true));
  EXPECT_FALSE(install::RegisterComServer(sys::RealLibraries(), plain, false));
  EXPECT_EQ(GetModuleHandleA(plain.c_str()), nullptr);
}

TEST(Win32DriverStep, RunsTheStandInFromADirectoryWithABlankAndChineseName) {
  std::string dir = Fresh("驱动 程序");
  ASSERT_TRUE(CopyFileA(StandIn("mdac_typ2.7.exe").c_str(), (dir + "\\mdac_typ2.7.exe").c_str(), FALSE));
  RegDeleteTreeA(HKEY_LOCAL_MACHINE, kDriverStubKey);
  std::vector<std::string> log;
  support::RecordingWindow window{log};
  install::InstallDatabaseDriver(window, sys::RealFileSystem(), sys::RealProcesses(), dir);
  // The wait returned only after the stand-in had recorded its run.
  EXPECT_GE(DriverStubRuns(), 1u);
  EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kDriverStubKey, "CommandLine"), "\"" + dir + "\\MDAC_TYP2.7.EXE\" /q");
  EXPECT_EQ(GetFileAttributesA((dir + "\\mdac_typ2.7.exe").c_str()), INVALID_FILE_ATTRIBUTES);
  std::vector<std::string> tail(log.end() - 3, log.end());
  EXPECT_EQ(tail, (std::vector<std::string>{"idle", "mark 3", "repaint"}));
}

TEST(Win32DriverStep, ProgramThatCannotStartStopsNamingItAndLeavesTheRowUnmarked) {
  std::string dir = Fresh("no-driver");
  WriteFileText(dir + "\\mdac_typ2.7.exe", "not a program");
  std::vector<std::string> log;
  support::RecordingWindow window{log};
  try {
    install::InstallDatabaseDriver(window, sys::RealFileSystem(), sys::RealProcesses(), dir);
    FAIL() << "no error";
  } catch (const install::EDriverStartError& e) {
    std::string prefix = "启动数据库驱动程序 \"" + dir + "\\MDAC_TYP2.7.EXE\" 失败: ";
    EXPECT_EQ(e.Message().substr(0, prefix.size()), prefix);
    EXPECT_GT(e.Message().size(), prefix.size()) << "the system's reason is missing";
    // One full stop on the screen, whatever the system's own text ended in.
    std::string shown = base::ErrorDisplayText(e.Message());
    EXPECT_EQ(shown.back(), '.');
    const std::string doubled = "。.";
    EXPECT_NE(shown.compare(shown.size() - doubled.size(), doubled.size(), doubled), 0) << shown;
  }
  EXPECT_EQ(log.back(), "idle");
  EXPECT_EQ(ReadFileText(dir + "\\mdac_typ2.7.exe"), "not a program");
}

TEST(Win32Backup, BackupsInQuickSuccessionKeepEachOther) {
  std::string dir = Fresh("backup");
  for (const auto& name : BackupsIn(dir)) DeleteFileA((dir + "\\" + name).c_str());
  WriteFileText(dir + "\\db.mdb", "first");
  install::BackupDatabase(sys::RealFileSystem(), sys::RealClock(), dir);
  WriteFileText(dir + "\\db.mdb", "second");
  install::BackupDatabase(sys::RealFileSystem(), sys::RealClock(), dir);
  auto names = BackupsIn(dir);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(ReadFileText(dir + "\\" + names[0]) + ReadFileText(dir + "\\" + names[1]), "firstsecond");

  // The copy that refuses to replace reports the code the backup waits on.
  EXPECT_FALSE(sys::RealFileSystem().Copy(dir + "\\db.mdb", dir + "\\" + names[0], true));
  EXPECT_EQ(sys::RealFileSystem().LastError(), sys::kErrorFileExists);
}

TEST(Win32Backup, DatabaseHeldOpenStopsWithItsNameAndStaysAsItWas) {
  std::string dir = Fresh("held");
  std::string db = dir + "\\db.mdb";
  WriteFileText(db, "precious");
  HANDLE held = CreateFileA(db.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string message;
  try {
    install::BackupDatabase(sys::RealFileSystem(), sys::RealClock(), dir);
  } catch (const install::EBackupError& e) {
    message = e.Message();
  }
  CloseHandle(held);
  EXPECT_NE(message.find("\"" + db + "\""), std::string::npos) << message;
  EXPECT_EQ(ReadFileText(db), "precious");
  EXPECT_TRUE(BackupsIn(dir).empty());
}

TEST(Win32Clock, LocalTimeAgreesWithTheSystemAndSleepPauses) {
  SYSTEMTIME before, after;
  GetLocalTime(&before);
  sys::LocalTime now = sys::RealClock().Now();
  GetLocalTime(&after);
  // Midnight may fall between the readings: the day must be one of the two.
  auto sameDay = [&](const SYSTEMTIME& t) { return now.year == t.wYear && now.month == t.wMonth && now.day == t.wDay; };
  EXPECT_TRUE(sameDay(before) || sameDay(after));
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  sys::RealClock().Sleep(100);
  QueryPerformanceCounter(&end);
  EXPECT_GE((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart, 99);
}

}  // namespace
