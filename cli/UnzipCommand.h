// The zorvik-unzip command line over TZipExtractor, as a function so tests can run it.
#pragma once

#include <atomic>
#include <ostream>
#include <string>
#include <vector>

#include "sys/Files.h"
#include "sys/UserInterface.h"

namespace cli {

// Set (by a signal handler, or a test) to ask a run to stop: the entry being written is
// abandoned and its temporary removed, the run ends with status 80. Atomic (and lock-free,
// so a signal handler may set it): the handler may run on any thread and every worker reads it.
std::atomic<int>& InterruptRequested();

// args excludes the program name. Returns the exit status, with unzip's meanings (see the
// usage text): 0 success, 1 entries skipped, 2 damaged data, 3 out of memory, 9 no archive,
// 10 a wrong command line, 11 nothing matched, 50 a write failed (disk full), 80
// interrupted, 81 unsupported method, 82 wrong password for every entry. progress: draw a
// bar on err while extracting. defaultThreads: how many entries are extracted at once when
// --threads is not given (the program passes the number of cores); with more than one, fs
// and ui are called from several threads at once.
int RunUnzipCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress,
                    sys::FileSystem& fs = sys::RealFileSystem(), sys::UserInterface& ui = sys::RealUserInterface(),
                    int defaultThreads = 1);

}  // namespace cli
