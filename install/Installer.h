// The install sequence behind the install button, step by step, over the window and the
// operating-system services it is given.
#pragma once

#include <string>

#include "install/Window.h"
#include "shell/Shortcut.h"
#include "sys/Clock.h"
#include "sys/Files.h"
#include "sys/Library.h"
#include "sys/Process.h"
#include "sys/Resources.h"
#include "zip/ZipExtractor.h"

namespace install {

// The operating-system services and the window's components the sequence works with.
struct Services {
  sys::FileSystem& files;
  sys::Resources& resources;
  sys::Clock& clock;
  sys::Processes& processes;
  sys::Libraries& libraries;
  zip::TZipExtractor& zipExtractor1;
  shell::TShortcut& shortcut1;
};

// One row of the payload table: what is looked up and the file it becomes.
struct Payload {
  const char* name;
  const char* type;
  const char* file;
};

// Written first; their row is marked when all five are there.
inline constexpr Payload kSystemFiles[] = {
    {"MYDBAPP", "mydbappfile", "kestrum.exe"}, {"myini", "myinifile", "login.dat"},
    {"mydll", "mydllfile", "qtintf70.dll"},    {"myrpt", "myrptfile", "report.zip"},
    {"myocx", "myocxfile", "ttf16.ocx"},
};
// Replaces the user's database, so it is written only after the backup.
inline constexpr Payload kDatabase = {"mydbsrc", "mydbsrcfile", "db.mdb"};
inline constexpr Payload kDriverInstaller = {"mydbjet", "mydbjetfile", "mdac_typ2.7.exe"};
// Every payload, in the order they are written.
inline constexpr Payload kPayloads[] = {kSystemFiles[0], kSystemFiles[1], kSystemFiles[2], kSystemFiles[3],
                                        kSystemFiles[4], kDatabase,       kDriverInstaller};

class Installer {
 public:
  Installer(Window& window, Services services) : window_(window), sys_(services) {}

  // The whole sequence for the directory field's text as typed, read once at the press:
  // the steps are given the install directory as a value. Errors of the steps propagate
  // to the caller's error display; the window's controls are enabled again whenever it
  // stops early.
  void BitBtn1Click(const std::string& typed);

  bool EnsureInstallDir(const std::string& typed);
  // Raises when a path the sequence writes itself would not fit the system whole: the
  // system would cut it short into another place, so nothing is written at all.
  void CheckPathsFit(const std::string& dir);
  // Raises EInstallCheck when a file the install replaces cannot be replaced or the drive
  // lacks room: the common failures stop the install before anything has changed.
  void CheckBeforeWriting(const std::string& dir);
  void WriteAllPayloads(const std::string& dir);
  void InstallDatabaseDriver(const std::string& dir);

 private:
  // `note` follows the text of a failed write (where the database's backup is).
  void WritePayload(const std::string& dir, const Payload& payload, const std::string& note = {});
  std::string PayloadBytes(const Payload& payload);
  void MakeShortcuts(const std::string& dir);
  void DeleteReportArchive(const std::string& dir);

  Window& window_;
  Services sys_;
};

}  // namespace install
