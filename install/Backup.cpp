// The database backup: existence test, time-stamped name, copy; a copy that fails stops the
// install, since the next step overwrites the only copy of the user's data.
#include "install/Backup.h"

#include <algorithm>

#include "base/Ansi.h"
#include "base/ErrorDisplay.h"

namespace install {
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

}  // namespace

std::string BackupTimeStamp(const sys::LocalTime& t) {
  return base::Format("%04d%02d%02d%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute, t.second);
}

void BackupDatabase(sys::FileSystem& files, sys::Clock& clock, const std::string& dir) {
  const std::string source = InFolder(dir, "db.mdb");
  // A directory of that name is no database: the payload step reports it when it writes.
  if (!sys::FileExists(files, source)) return;
  sys::LocalTime now = clock.Now();
  for (;;) {
    std::string backup = InFolder(dir, BackupTimeStamp(now) + "db.mdb");
    // Two installs in one second: a later stamp keeps the earlier backup and the name's form.
    // The copy itself also refuses to replace, for a backup made between test and copy.
    if (!Taken(files, backup)) {
      if (files.Copy(source, backup, /*failIfExists=*/true)) return;
      uint32_t code = files.LastError();
      if (code != sys::kErrorFileExists && code != sys::kErrorAlreadyExists)
        throw EBackupError(base::Format("备份数据库 \"%s\" 失败: %s。安装已停止，原数据库未作改动!",
                                        files.FullPath(source).c_str(),
                                        base::SystemReason(files.ErrorText(code)).c_str()));
    }
    now = NextSecond(clock, now);
  }
}

}  // namespace install
