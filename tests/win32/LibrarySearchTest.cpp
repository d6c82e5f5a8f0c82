// Where libraries come from on a real (Wine) system: names without a path only from the
// system folder once the program has said so (main does, as setup.exe does), and a control
// loaded by its full path finds its own library in its folder, not one planted beside the
// program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "install/ComServer.h"
#include "sys/Library.h"
#include "sys/win32/LibrarySearch.h"

namespace {

std::string ProgramFolder() {
  char path[MAX_PATH];
  std::string self(path, GetModuleFileNameA(nullptr, path, MAX_PATH));
  return self.substr(0, self.rfind('\\'));
}

std::string Probe(const std::string& name) { return ProgramFolder() + "\\probes\\" + name; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A copy of the planted library beside this program under `name`, gone again with the scope.
class PlantedBesideProgram {
 public:
  explicit PlantedBesideProgram(const std::string& name) : path_(ProgramFolder() + "\\" + name) {
    DeleteFileA((path_ + ".loaded").c_str());
    copied_ = CopyFileA(Probe("planted.dll").c_str(), path_.c_str(), FALSE) != FALSE;
  }
  ~PlantedBesideProgram() {
    DeleteFileA(path_.c_str());
    DeleteFileA((path_ + ".loaded").c_str());
  }
  bool Copied() const { return copied_; }
  bool Loaded() const { return Exists(path_ + ".loaded"); }

 private:
  std::string path_;
  bool copied_ = false;
};

TEST(Win32LibrarySearch, NameWithoutAPathIsNotTakenFromTheProgramsFolder) {
  EXPECT_TRUE(sys::win32::SearchSystemFolderOnly());
  PlantedBesideProgram planted("zorvik_planted.dll");
  ASSERT_TRUE(planted.Copied());
  HMODULE found = LoadLibraryA("zorvik_planted.dll");
  EXPECT_EQ(found, nullptr);
  if (found) FreeLibrary(found);
  EXPECT_FALSE(planted.Loaded());
  // The system's own libraries are still found by name.
  HMODULE version = LoadLibraryA("version.dll");
  EXPECT_NE(version, nullptr);
  if (version) FreeLibrary(version);
}

TEST(Win32LibrarySearch, ControlFindsItsOwnLibraryInItsFolderNotOnePlantedBesideTheProgram) {
  std::string dir = "C:\\win32-steps\\control-with-library";
  CreateDirectoryA("C:\\win32-steps", nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(Probe("probe_control.ocx").c_str(), (dir + "\\probe_control.ocx").c_str(), FALSE));
  ASSERT_TRUE(CopyFileA(Probe("probe_dep.dll").c_str(), (dir + "\\probe_dep.dll").c_str(), FALSE));
  PlantedBesideProgram planted("probe_dep.dll");
  ASSERT_TRUE(planted.Copied());

  install::Registration r = install::CallRegistrationEntry(sys::RealLibraries(), dir + "\\probe_control.ocx", true);
  EXPECT_EQ(r.outcome, install::Registration::done)
      << "result 0x" << std::hex << r.result << ", load error " << std::dec << r.loadError;
  EXPECT_FALSE(planted.Loaded());
  EXPECT_EQ(GetModuleHandleA((dir + "\\probe_control.ocx").c_str()), nullptr);
}

TEST(Win32LibrarySearch, ControlWhoseLibraryIsMissingReportsTheLoadersReason) {
  std::string dir = "C:\\win32-steps\\control-without-library";
  CreateDirectoryA("C:\\win32-steps", nullptr);
  CreateDirectoryA(dir.c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(Probe("probe_control.ocx").c_str(), (dir + "\\probe_control.ocx").c_str(), FALSE));
  DeleteFileA((dir + "\\probe_dep.dll").c_str());
  install::Registration r = install::CallRegistrationEntry(sys::RealLibraries(), dir + "\\probe_control.ocx", true);
  EXPECT_EQ(r.outcome, install::Registration::notLoaded);
  EXPECT_EQ(r.loadError, static_cast<uint32_t>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
