// The zorvik-unzip command line over TZipExtractor, as a function so tests can run it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "sys/Files.h"
#include "sys/UserInterface.h"

namespace tools {

// args excludes the program name. Returns the exit status, with unzip's meanings (see the
// usage text): 0 success, 1 entries skipped, 2 damaged data, 3 unreadable archive, 9 no
// archive, 10 a wrong command line, 11 nothing matched, 81 unsupported method, 82 wrong
// password for every entry. progress: draw a bar on err while extracting.
int RunUnzipCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress,
                    sys::FileSystem& fs = sys::RealFileSystem(), sys::UserInterface& ui = sys::RealUserInterface());

}  // namespace tools
