// The database backup made before the fresh database replaces an existing one: a copy
// beside it whose name carries the local time of the copy.
#pragma once

#include <string>

#include "base/Exceptions.h"
#include "install/Window.h"
#include "sys/Clock.h"
#include "sys/Files.h"

namespace install {

// The copy failed: the install stops here, before the user's database is replaced.
ZORVIK_EXCEPTION(EBackupError, base::Exception);

// "yyyymmddhhmmss": 14 digits with leading zeros, the minutes after the hour.
std::string BackupTimeStamp(const sys::LocalTime& time);

// Copies dir\db.mdb to dir\<stamp>db.mdb when a file of that name exists, and returns the
// copy's path (empty when there was no database). An earlier backup is never replaced: a
// taken name moves the stamp on to the next second. The copy takes its name only when
// whole, so nothing partial ever carries a backup's name. Throws EBackupError when the
// copy fails.
std::string BackupDatabase(sys::FileSystem& files, sys::Clock& clock, const std::string& dir);

// The same for dir\login.dat, the user's own connection settings, when it differs from the
// bytes about to replace it: kept as dir\<stamp>login.dat.
std::string BackupChangedLogin(sys::FileSystem& files, sys::Clock& clock, const std::string& dir,
                               const std::string& replacement);

}  // namespace install
