// The check before the first write: the common failures stop the install before anything
// has changed, with a text that names the files and says what to do. What still fails
// while writing is reported by the steps with their own errors.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sys/Files.h"
#include "sys/Resources.h"

namespace install {

// The name the zip extractor gives a template while writing it: "~zv", eight digits, ".tmp".
inline constexpr char kExtractorTemporary[] = "~zv00000000.tmp";

// One report template as the archive lists it.
struct ReportTemplate {
  std::string name;
  uint64_t size = 0;
};

// The templates in the report archive payload, read from the program's own bytes as the
// templates step will name them; empty when the payload is missing or unreadable (the
// payload and templates steps report that in their turn).
std::vector<ReportTemplate> ListReportTemplates(sys::Resources& resources);

// Every path the install may make in dir must fit the system whole: the payloads, the
// temporaries, the backups, the report folder, its templates and the extractor's
// temporaries. Throws EInstallCheck naming the directory.
void CheckPathsFit(sys::FileSystem& files, const std::string& dir, const std::vector<ReportTemplate>& templates);

// Each payload target and existing report template can be replaced: not a folder, not
// read-only (a read-only template is left as it is, so it counts), not held open by another
// program. Throws EInstallCheck listing the files of each kind and what to do.
void CheckReplaceable(sys::FileSystem& files, const std::string& dir, const std::vector<ReportTemplate>& templates);

// The drive has room for the payloads, the backups and the templates at the fullest moment
// of the install: each new file is whole beside the old one before it replaces it. Throws
// EInstallCheck with how much is needed and how much is free; silent when the system cannot
// tell.
void CheckRoom(sys::FileSystem& files, sys::Resources& resources, const std::string& dir,
               const std::vector<ReportTemplate>& templates);

}  // namespace install
