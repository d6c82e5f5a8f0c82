// The drive and folder facts a folder picker needs: which drives exist and what they are,
// their volume labels and network connections, the process's current folder, a folder's
// entries, and the error mode that keeps an empty drive from raising a system box. Shaped
// after the Win32 calls so a fake can give every outcome.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sys {

// GetDriveTypeA results.
constexpr uint32_t kDriveUnknown = 0;
constexpr uint32_t kDriveNoRootDir = 1;
constexpr uint32_t kDriveRemovable = 2;
constexpr uint32_t kDriveFixed = 3;
constexpr uint32_t kDriveRemote = 4;
constexpr uint32_t kDriveCdrom = 5;
constexpr uint32_t kDriveRamdisk = 6;

// GetVolumeInformationA file-system flags.
constexpr uint32_t kFsCaseSensitive = 0x1;
constexpr uint32_t kFsCaseIsPreserved = 0x2;

// SetErrorMode flags.
constexpr uint32_t kSemFailCriticalErrors = 0x0001;
constexpr uint32_t kSemNoOpenFileErrorBox = 0x8000;

// WNetGetConnectionA results the logic tells apart.
constexpr long kWNetNoError = 0;
constexpr long kWNetNotConnected = 2250;

// One entry of a folder as FindFirstFileA/FindNextFileA give it.
struct FoundEntry {
  std::string name;
  uint32_t attributes = 0;
};

class Folders {
 public:
  virtual ~Folders() = default;
  // GetLogicalDrives: bit 0 is drive A.
  virtual uint32_t LogicalDrives() = 0;
  // GetDriveTypeA of a root such as "c:\".
  virtual uint32_t DriveType(const std::string& root) = 0;
  // GetVolumeInformationA of a root: its label and file-system flags; false when the
  // volume cannot be read (an empty floppy or CD drive).
  virtual bool VolumeInformation(const std::string& root, std::string& label, uint32_t& flags) = 0;
  // WNetGetConnectionA of a local name such as "x:".
  virtual long RemoteName(const std::string& localName, std::string& remoteName) = 0;
  // GetCurrentDirectoryA: a full path, with "\" only at a drive root ("c:\", "c:\a").
  virtual std::string CurrentDirectory() = 0;
  // SetCurrentDirectoryA; a drive letter and colon alone go to that drive's current
  // folder. False on failure with the reason in LastError().
  virtual bool ChangeDirectory(const std::string& path) = 0;
  // GetFullPathNameA, against the current folder (of the named drive, for "x:name").
  virtual std::string FullPath(const std::string& path) = 0;
  // Every entry matching a pattern ("c:\a\*.*"), in the order the system gives them;
  // "." and ".." included where the system lists them. Empty when nothing matches.
  virtual std::vector<FoundEntry> FindFiles(const std::string& pattern) = 0;
  // SetErrorMode: sets the mode and returns the one it replaces.
  virtual uint32_t SetErrorMode(uint32_t mode) = 0;
  virtual uint32_t LastError() = 0;
};

// The process's own drives and folders.
Folders& RealFolders();

}  // namespace sys
