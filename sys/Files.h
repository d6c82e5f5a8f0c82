// The file-system boundary: the calls the logic relies on, shaped after their Win32
// originals (a result plus a last-error code) so fakes can give every outcome.
#pragma once

#include <compare>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace sys {

constexpr uint32_t kInvalidAttributes = 0xFFFFFFFFu;
constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrSystem = 0x04;
constexpr uint32_t kAttrDirectory = 0x10;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
// A symbolic link or a junction: the name leads somewhere else.
constexpr uint32_t kAttrReparsePoint = 0x400;

// Win32 error codes the logic tests for by value.
constexpr uint32_t kErrorFileNotFound = 2;
constexpr uint32_t kErrorPathNotFound = 3;
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorLockViolation = 33;
constexpr uint32_t kErrorHandleDiskFull = 39;
constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorDiskFull = 112;
constexpr uint32_t kErrorAlreadyExists = 183;

enum class Access { read, write, readWrite };
// Which access other openers keep while the file is open.
enum class Share { none, read, readWrite };
enum class Disposition { createNew, createAlways, openExisting, openAlways };
enum class SeekOrigin { begin = 0, current = 1, end = 2 };

// Room on the drive that holds a folder: what may still be written, and the unit a file's
// size is rounded up to when it takes that room.
struct DiskSpace {
  uint64_t freeBytes = 0;
  uint32_t clusterBytes = 0;
};

// A calendar moment in local time, as the system clock and MS-DOS dates give it.
struct LocalTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
  // Field by field from the year down: the calendar order.
  friend auto operator<=>(const LocalTime&, const LocalTime&) = default;
};

class File {
 public:
  virtual ~File() = default;
  // Each returns false on failure with the reason in FileSystem::LastError().
  virtual bool Read(void* buffer, uint32_t count, uint32_t& done) = 0;
  virtual bool Write(const void* buffer, uint32_t count, uint32_t& done) = 0;
  virtual bool Seek(int64_t offset, SeekOrigin origin, int64_t& position) = 0;
  virtual bool Size(int64_t& size) = 0;
  virtual bool Flush() = 0;
  virtual bool GetLastWriteTime(LocalTime& time) = 0;
  virtual bool SetLastWriteTime(const LocalTime& time) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual uint32_t GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual bool CreateDirectory(const std::string& path) = 0;
  // Null on failure.
  virtual std::unique_ptr<File> Open(const std::string& path, Access access, Share share, Disposition disposition) = 0;
  virtual bool Copy(const std::string& from, const std::string& to, bool failIfExists) = 0;
  virtual bool Delete(const std::string& path) = 0;
  // Moves a file, replacing an existing target when asked.
  virtual bool Rename(const std::string& from, const std::string& to, bool replaceExisting) = 0;
  // Gives a complete file, written and flushed under a temporary name in the target's own
  // folder, its final name, and returns only once the move is on the disk: after a power
  // cut the name holds the old file or the new one. An existing target is replaced when
  // asked, unless it is read-only or in use.
  virtual bool CommitFile(const std::string& temporary, const std::string& target, bool replaceExisting) {
    return Rename(temporary, target, replaceExisting);
  }
  // False when the system cannot tell.
  virtual bool FreeSpace(const std::string& dir, DiskSpace& space) {
    (void)dir;
    (void)space;
    return false;
  }
  virtual uint32_t LastError() = 0;
  // The system's text for an error code, as the system gives it.
  virtual std::string ErrorText(uint32_t code) = 0;
  virtual std::string FullPath(const std::string& path) = 0;
  // False when the system cannot take the path whole, as a whole or in one of its parts
  // (directory: a folder is to be made there). Such a path is refused, never shortened.
  virtual bool PathFits(const std::string& path, bool directory) {
    (void)path;
    (void)directory;
    return true;
  }
  // Names of the files (not folders) in the folder dir, a path ending in "\" or empty for
  // the current folder, that match pattern ("*" and "?"); empty when it cannot be read.
  virtual std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) {
    (void)dir;
    (void)pattern;
    return {};
  }
};

// True when the path names an existing folder.
inline bool DirectoryExists(FileSystem& fs, const std::string& path) {
  uint32_t a = fs.GetAttributes(path);
  return a != kInvalidAttributes && (a & kAttrDirectory) != 0;
}
inline bool FileExists(FileSystem& fs, const std::string& path) {
  uint32_t a = fs.GetAttributes(path);
  return a != kInvalidAttributes && (a & kAttrDirectory) == 0;
}

// Creates the folder path names with every missing parent, outermost first, and tells
// whether it exists afterwards. A drive ("c:") or a share ("\\server\share") is a root
// that is never created; a folder made meanwhile by someone else counts as made. The path
// is taken as given, blanks included: the system decides what they mean.
bool ForceDirectories(FileSystem& fs, const std::string& path);

// The process's real file system.
FileSystem& RealFileSystem();

}  // namespace sys
