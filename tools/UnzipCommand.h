// The zorvik-unzip command line over TZipExtractor, as a function so tests can run it.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "sys/Files.h"
#include "sys/UserInterface.h"

namespace tools {

// args excludes the program name. Returns the exit status: 0 every chosen entry extracted,
// 1 some skipped or failed, 2 the archive could not be read (or the command line was wrong).
// progress: draw a bar on err while extracting.
int RunUnzipCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, bool progress,
                    sys::FileSystem& fs = sys::RealFileSystem(), sys::UserInterface& ui = sys::RealUserInterface());

}  // namespace tools
