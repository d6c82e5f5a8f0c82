// The backups of the user's own files: existence test, time-stamped name, copy through a
// temporary; a copy that fails stops the install, since the next step overwrites the only
// copy of the user's data.
#include "install/Backup.h"

#include <algorithm>
#include <optional>

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"
#include "install/SafeFiles.h"
#include "install/Texts.h"

namespace install {

std::string BackupTimeStamp(const sys::LocalTime& t) {
  return base::Format("%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

namespace {

bool Taken(sys::FileSystem& files, const std::string& path) {
  return files.GetAttributes(path) != sys::kInvalidAttributes;
}

// Pauses until the clock shows another second than `last` and returns that moment. Another,
// not a later one: a clock set back (summer time ending) must not hold the install for an
// hour, and the caller tests every name anyway.
sys::LocalTime NextSecond(sys::Clock& clock, const sys::LocalTime& last) {
  const std::string lastStamp = BackupTimeStamp(last);
  sys::LocalTime now = clock.Now();
  while (BackupTimeStamp(now) == lastStamp) {
    clock.Sleep(static_cast<uint32_t>(1000 - std::clamp(now.milliseconds, 0, 999)));
    now = clock.Now();
  }
  return now;
}

// dir\<stamp>name, a copy of dir\name, at the first free second from now; its path.
// `failure` formats the error from the source's full path and the system's reason.
std::string KeepCopy(sys::FileSystem& files, sys::Clock& clock, const std::string& dir, const std::string& name,
                     const char* failure) {
  const std::string source = InFolder(dir, name);
  sys::LocalTime now = clock.Now();
  for (;;) {
    std::string backup = InFolder(dir, BackupTimeStamp(now) + name);
    // Two installs in one second: a later stamp keeps the earlier backup and the name's form.
    // The move to the name also refuses to replace, for a backup made between test and move.
    if (!Taken(files, backup)) {
      Outcome copied = CopyWhole(files, source, backup);
      if (copied) return backup;
      if (copied.stage != Outcome::notCommitted ||
          (copied.error != sys::kErrorFileExists && copied.error != sys::kErrorAlreadyExists))
        throw EBackupError(base::Format(failure, files.FullPath(source).c_str(),
                                        base::SystemReason(files.ErrorText(copied.error)).c_str()));
    }
    now = NextSecond(clock, now);
  }
}

// The file's bytes, or nullopt when it cannot be read whole.
std::optional<std::string> Contents(sys::FileSystem& files, const std::string& path) {
  auto file = files.Open(path, sys::Access::read, sys::Share::read, sys::Disposition::openExisting);
  int64_t size = 0;
  if (!file || !file->Size(size) || size < 0 || size > (int64_t{1} << 30)) return std::nullopt;
  std::string data(static_cast<size_t>(size), '\0');
  uint32_t got = 0;
  if (size > 0 && (!file->Read(data.data(), static_cast<uint32_t>(size), got) || got != size)) return std::nullopt;
  return data;
}

}  // namespace

std::string BackupDatabase(sys::FileSystem& files, sys::Clock& clock, const std::string& dir) {
  // A directory of that name is no database: the payload step reports it when it writes.
  if (!sys::FileExists(files, InFolder(dir, "db.mdb"))) return {};
  return KeepCopy(files, clock, dir, "db.mdb", text::kDatabaseBackupFailed);
}

std::string BackupChangedLogin(sys::FileSystem& files, sys::Clock& clock, const std::string& dir,
                               const std::string& replacement) {
  const std::string login = InFolder(dir, "login.dat");
  if (!sys::FileExists(files, login)) return {};
  // One that cannot be read is kept too: what it holds is unknown.
  std::optional<std::string> now = Contents(files, login);
  if (now && *now == replacement) return {};
  return KeepCopy(files, clock, dir, "login.dat", text::kLoginBackupFailed);
}

}  // namespace install
