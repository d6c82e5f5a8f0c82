// The database driver step: runs the database access components' installer hidden and
// quiet, waits for it, deletes it and marks its row.
#pragma once

#include <string>

#include "install/Window.h"
#include "sys/Files.h"
#include "sys/Process.h"

namespace install {

// dir\MDAC_TYP2.7.EXE /q, the program path in double quotes when dir holds a blank, so the
// system cannot take a shorter prefix of the path for the program. Never cut.
std::string DriverCommandLine(const std::string& dir);

// A driver installer that cannot be started is left in place, its row unmarked, and the
// install goes on; its exit code is not read.
void InstallDatabaseDriver(Window& window, sys::FileSystem& files, sys::Processes& processes);

}  // namespace install
