// The report templates step: unpacks dir\report.zip into dir\report through the window's
// zip extractor, and stops the install when a template did not arrive.
#pragma once

#include <string>

#include "base/Exceptions.h"
#include "install/Window.h"
#include "sys/Files.h"
#include "zip/ZipExtractor.h"

namespace install {

// Templates were skipped or failed their check: the message names each (the first few).
ZORVIK_EXCEPTION(EReportTemplatesError, base::Exception);

// Every entry goes into dir\report with the extractor's stored settings. A template the user
// made read-only stays as it is and counts as done, since read-only files are not replaced;
// any other skipped entry, and any whose CRC does not match, raises EReportTemplatesError
// after the run. The extractor's own reporting events are put back as they were.
void UnpackReportTemplates(Window& window, sys::FileSystem& files, zip::TZipExtractor& zipExtractor,
                           const std::string& dir);

}  // namespace install
