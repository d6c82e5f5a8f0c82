// The database driver step: runs the database access components' installer hidden and
// quiet, waits for it, deletes it and marks its row.
#pragma once

#include <string>

#include "base/Exceptions.h"
#include "install/Window.h"
#include "sys/Files.h"
#include "sys/Process.h"

namespace install {

// dir\MDAC_TYP2.7.EXE /q, the program path in double quotes when dir holds a blank, so the
// system cannot take a shorter prefix of the path for the program. Never cut.
std::string DriverCommandLine(const std::string& dir);

// The driver installer could not be started at all: the install stops here.
ZORVIK_EXCEPTION(EDriverStartError, base::Exception);

// A driver installer that cannot be started is left in place, its row unmarked, and
// EDriverStartError names it with the system's reason. Once started, its exit code is not
// read: a driver already present may make it report a failure.
void InstallDatabaseDriver(Window& window, sys::FileSystem& files, sys::Processes& processes, const std::string& dir);

}  // namespace install
