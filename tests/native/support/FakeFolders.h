// Drives and the current folder for tests, over the in-memory file system: drives of any
// type with labels, unreadable (empty) drives, network connections, a current folder per
// drive as Windows keeps one, and listings that come back in the reverse of name order.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "FakeFileSystem.h"
#include "sys/Folders.h"

namespace support {

class FakeFolders : public sys::Folders {
 public:
  struct Drive {
    uint32_t type = sys::kDriveFixed;
    std::string label;
    uint32_t flags = sys::kFsCaseIsPreserved;
    bool ready = true;       // false: no disk in the drive
    std::string remoteName;  // a network drive's connection; empty when not connected
  };

  // Drive c: is there, fixed and labelled "SYSTEM"; the current folder is fs.currentDir.
  explicit FakeFolders(FakeFileSystem& fs);

  Drive& AddDrive(char letter, uint32_t type, const std::string& label = "");
  // Also adds the folders on the way.
  void AddFolders(const std::string& path);

  FakeFileSystem& fs;
  std::map<char, Drive> drives;                 // by lower-case letter
  uint32_t uncFlags = sys::kFsCaseIsPreserved;  // volume flags of every network share
  uint32_t errorMode = 0;
  std::vector<uint32_t> errorModesAtVolumeReads;  // the mode in force at each label read
  std::vector<std::string> changes;               // every ChangeDirectory asked for
  int listings = 0;

  uint32_t LogicalDrives() override;
  uint32_t DriveType(const std::string& root) override;
  bool VolumeInformation(const std::string& root, std::string& label, uint32_t& flags) override;
  long RemoteName(const std::string& localName, std::string& remoteName) override;
  std::string CurrentDirectory() override { return fs.currentDir; }
  bool ChangeDirectory(const std::string& path) override;
  std::string FullPath(const std::string& path) override;
  std::vector<sys::FoundEntry> FindFiles(const std::string& pattern) override;
  uint32_t SetErrorMode(uint32_t mode) override;
  uint32_t LastError() override { return lastError_; }

 private:
  Drive* DriveOf(const std::string& path);
  std::map<char, std::string> driveCurrent_;  // each drive's own current folder
  uint32_t lastError_ = 0;
};

// Windows' wildcard match of a name: "*" and "?", letters folded, "*.*" matching all.
bool WildcardMatch(const std::string& mask, const std::string& name);

}  // namespace support
