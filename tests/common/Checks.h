// What an install leaves behind, read back through the system: report templates with
// their stored names, sizes and dates, and shortcut files loaded through the shell; and
// the removal of a test's folders. Shared by the end-to-end driver and the Windows tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace common {

// Removes a folder with everything in it, read-only files included; a junction inside is
// removed as the link it is, never by emptying what it leads to.
void RemoveTree(const std::string& path);

// A file's whole contents (empty when it cannot be read).
std::string ReadFile(const std::string& path);
// Writes the bytes as the whole file; false when it cannot be written.
bool WriteFile(const std::string& path, const std::string& bytes);

// One entry of a plain archive built for a test: stored data, or bytes under a method the
// component may not decode (their CRC then means nothing).
struct ArchiveItem {
  std::string name;
  std::string data;
  uint16_t method = 0;
};
// Local headers, central directory (made by MS-DOS, archive bit) and end record; no data
// descriptors. dosDateTime: the MS-DOS date in the high half, the time in the low.
std::string MakeArchive(const std::vector<ArchiveItem>& items, uint32_t dosDateTime = 0x58AF5000);
// A Unix path, as CMake passes them, made into Wine's Z: form.
std::string WindowsPath(std::string path);

struct ArchiveEntry {
  std::string name;  // GBK bytes, as stored
  uint32_t size = 0;
  uint16_t dosDate = 0, dosTime = 0;
  uint32_t externalAttributes = 0;
};
// The central directory of a zip archive held in memory.
std::vector<ArchiveEntry> ListArchive(const std::string& zip);

// Compares the folder's files with the archive's entries (name, size, last-write time).
void ExpectTemplates(const std::string& reportDir, const std::vector<ArchiveEntry>& entries);

struct LinkInfo {
  bool loaded = false;
  std::string target, workingDirectory, arguments;
};
LinkInfo LoadLink(const std::string& path);

// The current user's folders, as the shell reports them.
std::string ProgramsFolder();
std::string DesktopFolder();
std::string StartMenuFolder();

}  // namespace common
