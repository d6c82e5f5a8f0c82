// An in-memory file system for tests: case-insensitive "\" paths like Windows, with
// switches for the outcomes a real disk rarely gives (full disk, locked or failing files).
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "sys/Files.h"

namespace support {

class FakeFileSystem : public sys::FileSystem {
 public:
  struct Node {
    bool directory = false;
    uint32_t attributes = sys::kAttrArchive;
    std::string data;
    sys::LocalTime time{2020, 1, 1, 0, 0, 0, 0};
    bool locked = false;  // held open without sharing by another program
    std::string name;     // the last component as it was first given, case kept
  };

  FakeFileSystem();

  // Test set-up and inspection.
  void AddDirectory(const std::string& path);
  void AddFile(const std::string& path, const std::string& data, uint32_t attributes = sys::kAttrArchive);
  bool Exists(const std::string& path) const;
  const Node* Find(const std::string& path) const;
  Node* Find(const std::string& path);
  std::string Contents(const std::string& path) const;
  std::vector<std::string> Paths() const;  // every path, in canonical (lower-case) form

  // Bytes that may still be written before the disk is full (default: unlimited); a file
  // deleted, emptied or replaced gives its bytes back. A copy that does not fit stops where
  // the disk is full and leaves what it wrote, as a real one.
  long long freeBytes = -1;
  // False: FreeSpace cannot tell, as on a drive that does not say.
  bool freeSpaceKnown = true;
  // The next this many answers of FreeSpace claim plenty: another program fills the drive
  // after it was asked.
  int roomClaimed = 0;
  // The unit FreeSpace reports, to which a file's size is rounded when room is reckoned.
  uint32_t clusterBytes = 1;
  // A kill of the process, modelled: the killAt-th change of the disk (counted in changes)
  // does part of its work (a write or a copy, half of it) or none, and throws Killed; from
  // then on the disk takes no change, every call that would make one failing. 0: never.
  struct Killed {};
  int killAt = 0;
  int changes = 0;
  bool dead = false;
  // Open files refuse openers their sharing mode excludes, and deletion and renaming while
  // open, as Windows does; off by default, so a test asks for it.
  bool modelSharing = false;
  int OpenHandles(const std::string& path) const;
  std::string currentDir = "c:\\work";
  // Full paths of this many bytes or more do not fit, as MAX_PATH on Windows; a folder
  // keeps room for a file name of 8.3 inside it (0: no limit).
  size_t maxPath = 0;
  std::vector<std::string> log;  // one line per mutating call

  // sys::FileSystem
  uint32_t GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  bool CreateDirectory(const std::string& path) override;
  std::unique_ptr<sys::File> Open(const std::string& path, sys::Access access, sys::Share share,
                                  sys::Disposition disposition) override;
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override;
  bool Delete(const std::string& path) override;
  bool Rename(const std::string& from, const std::string& to, bool replaceExisting) override;
  bool CommitFile(const std::string& temporary, const std::string& target, bool replaceExisting) override;
  bool FreeSpace(const std::string& dir, sys::DiskSpace& space) override;
  std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override;
  uint32_t LastError() override { return lastError_; }
  std::string ErrorText(uint32_t code) override;
  std::string FullPath(const std::string& path) override;
  bool PathFits(const std::string& path, bool directory) override {
    return maxPath == 0 || FullPath(path).size() < (directory ? maxPath - 12 : maxPath);
  }

 private:
  friend class FakeFile;
  std::string Key(const std::string& path) const;
  bool ParentExists(const std::string& key) const;
  bool Fail(uint32_t code) {
    lastError_ = code;
    return false;
  }
  // Before each change of the disk: false when the process is dead (the caller fails with
  // no effect); throws Killed at the change a test chose, after `partly` has run.
  bool Change(const std::function<void()>& partly = {});

  struct OpenHandle {
    int id;
    bool writes;
    sys::Share share;
  };
  bool SharingRefuses(const std::string& key, bool writes, sys::Share share) const;
  bool InUse(const std::string& key) const;

  std::map<std::string, Node> nodes_;
  std::map<std::string, std::vector<OpenHandle>> open_;
  sys::LocalTime Tick();
  void Release(const Node& node);
  sys::LocalTime madeAt_{2020, 1, 1, 0, 0, 0, 0};
  int nextHandle_ = 0;
  uint32_t lastError_ = 0;
};

}  // namespace support
