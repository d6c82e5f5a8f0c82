// The native build's file system: POSIX calls behind the Win32-shaped interface. Paths
// use "\" as on Windows and are mapped to "/" here; errno values map to Win32 codes so the
// logic above sees the same outcomes on both builds. The read-only attribute is the lack
// of the owner's write permission; times are the file's modification time.
#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>

#include "base/Ansi.h"
#include "sys/Files.h"

namespace sys {
namespace {

thread_local uint32_t lastError = 0;

uint32_t Win32Error(int e) {
  switch (e) {
    case ENOENT: return kErrorFileNotFound;
    case ENOTDIR: return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kErrorAccessDenied;
    case EEXIST: return kErrorAlreadyExists;
    case ENOSPC: return kErrorDiskFull;
    case EBUSY:
    case ETXTBSY: return kErrorSharingViolation;
    default: return 0x20000000u | static_cast<uint32_t>(e);  // customer bit: our own code
  }
}

bool Fail() {
  lastError = Win32Error(errno);
  return false;
}

// Only a "\\" that is a character of its own separates: a GBK trail byte may be 0x5C too.
std::string Native(const std::string& path) {
  std::string p = path;
  for (size_t i = 0; i < p.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (base::IsLeadByte(c) && i + 1 < p.size())
      ++i;
    else if (c == '\\')
      p[i] = '/';
  }
  return p;
}

bool ToLocal(time_t t, LocalTime& out) {
  struct tm tm {};
  if (!localtime_r(&t, &tm)) return false;
  out = {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, 0};
  return true;
}

class PosixFile final : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { ::close(fd_); }

  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    while (done < count) {
      ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Fail();
      }
      if (n == 0) break;
      done += static_cast<uint32_t>(n);
    }
    return true;
  }
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    while (done < count) {
      ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
      if (n < 0) {
        if (errno == EINTR) continue;
        return Fail();
      }
      done += static_cast<uint32_t>(n);
    }
    return true;
  }
  bool Seek(int64_t offset, SeekOrigin origin, int64_t& position) override {
    int whence = origin == SeekOrigin::begin ? SEEK_SET : origin == SeekOrigin::current ? SEEK_CUR : SEEK_END;
    off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (r < 0) return Fail();
    position = r;
    return true;
  }
  bool Size(int64_t& size) override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail();
    size = st.st_size;
    return true;
  }
  bool Flush() override { return ::fsync(fd_) == 0 || Fail(); }
  bool GetLastWriteTime(LocalTime& time) override {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail();
    return ToLocal(st.st_mtime, time);
  }
  bool SetLastWriteTime(const LocalTime& t) override {
    struct tm tm {};
    tm.tm_year = t.year - 1900;
    tm.tm_mon = t.month - 1;
    tm.tm_mday = t.day;
    tm.tm_hour = t.hour;
    tm.tm_min = t.minute;
    tm.tm_sec = t.second;
    tm.tm_isdst = -1;
    // mktime takes the C library's time-zone state, which it may reload on each call;
    // files written from several threads at once take it in turn.
    static std::mutex zoneLock;
    time_t when;
    {
      std::lock_guard<std::mutex> hold(zoneLock);
      when = mktime(&tm);
    }
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = when;
    times[1].tv_nsec = 0;
    return ::futimens(fd_, times) == 0 || Fail();
  }

 private:
  int fd_;
};

class PosixFileSystem final : public FileSystem {
 public:
  uint32_t GetAttributes(const std::string& path) override {
    struct stat st {};
    std::string p = Native(path);
    if (path.empty() || ::lstat(p.c_str(), &st) != 0) {
      Fail();
      return kInvalidAttributes;
    }
    // A symbolic link answers as Windows answers for a link or a junction: its own reparse
    // bit, with the directory bit of what it leads to (none when that is missing).
    uint32_t link = 0;
    if (S_ISLNK(st.st_mode)) {
      link = kAttrReparsePoint;
      struct stat target {};
      if (::stat(p.c_str(), &target) == 0) st = target;
    }
    uint32_t a = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
    if (!(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
    return a | link;
  }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    struct stat st {};
    std::string p = Native(path);
    if (::stat(p.c_str(), &st) != 0) return Fail();
    mode_t old = st.st_mode & 07777;
    mode_t mode = (attributes & kAttrReadOnly) ? (old & ~(S_IWUSR | S_IWGRP | S_IWOTH)) : (old | S_IWUSR);
    // Most extracted files keep the mode they were made with: no call for them.
    return mode == old || ::chmod(p.c_str(), mode) == 0 || Fail();
  }
  bool CreateDirectory(const std::string& path) override { return ::mkdir(Native(path).c_str(), 0777) == 0 || Fail(); }
  std::unique_ptr<File> Open(const std::string& path, Access access, Share share, Disposition disposition) override {
    int flags = access == Access::read ? O_RDONLY : access == Access::write ? O_WRONLY : O_RDWR;
    switch (disposition) {
      case Disposition::createNew: flags |= O_CREAT | O_EXCL; break;
      case Disposition::createAlways: flags |= O_CREAT | O_TRUNC; break;
      case Disposition::openExisting: break;
      case Disposition::openAlways: flags |= O_CREAT; break;
    }
    std::string p = Native(path);
    if (p.empty()) {
      errno = ENOENT;
      Fail();
      return nullptr;
    }
    int fd = ::open(p.c_str(), flags | O_CLOEXEC, 0666);
    if (fd < 0) {
      Fail();
      return nullptr;
    }
    // A file opened without sharing is kept from others as Windows keeps it: the lock makes
    // a second unshared open, and a deletion (below), fail while it is held.
    if (share == Share::none && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      lastError = kErrorSharingViolation;
      return nullptr;
    }
    // Only a read-only open succeeds on a directory; Windows refuses it.
    struct stat st {};
    if (access == Access::read && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fd);
      lastError = kErrorAccessDenied;
      return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
  }
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override {
    auto in = Open(from, Access::read, Share::read, Disposition::openExisting);
    if (!in) return false;
    auto out = Open(to, Access::write, Share::none, failIfExists ? Disposition::createNew : Disposition::createAlways);
    if (!out) return false;
    char buf[65536];
    for (;;) {
      uint32_t got = 0, put = 0;
      if (!in->Read(buf, sizeof buf, got)) return false;
      if (got == 0) return true;
      if (!out->Write(buf, got, put)) return false;
    }
  }
  // A file another holder keeps locked, as Windows would keep it open without delete sharing:
  // the sharing violation is the error.
  bool HeldOpen(const std::string& native) {
    int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return false;
    bool inUse = ::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    ::close(fd);
    if (inUse) lastError = kErrorSharingViolation;
    return inUse;
  }
  bool Delete(const std::string& path) override {
    std::string p = Native(path);
    if (HeldOpen(p)) return false;
    return ::unlink(p.c_str()) == 0 || Fail();
  }
  bool Rename(const std::string& from, const std::string& to, bool replaceExisting) override {
    std::string f = Native(from), t = Native(to);
    if (!replaceExisting && ::access(t.c_str(), F_OK) == 0) {
      lastError = kErrorAlreadyExists;
      return false;
    }
    return ::rename(f.c_str(), t.c_str()) == 0 || Fail();
  }
  // Windows refuses to replace a read-only file or one held open; rename(2) would not.
  bool CommitFile(const std::string& temporary, const std::string& target, bool replaceExisting) override {
    std::string t = Native(target);
    struct stat st {};
    if (::lstat(t.c_str(), &st) == 0) {
      if (!replaceExisting) {
        lastError = kErrorAlreadyExists;
        return false;
      }
      if (S_ISDIR(st.st_mode) || !(st.st_mode & S_IWUSR)) {
        lastError = kErrorAccessDenied;
        return false;
      }
      if (HeldOpen(t)) return false;
    }
    if (::rename(Native(temporary).c_str(), t.c_str()) != 0) return Fail();
    // The new name is on the disk once the folder is.
    std::string folder = Native(base::ExtractFilePath(target));
    int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return Fail();
    bool synced = ::fsync(dir) == 0 || Fail();
    ::close(dir);
    return synced;
  }
  bool FreeSpace(const std::string& dir, DiskSpace& space) override {
    struct statvfs vfs {};
    if (::statvfs(Native(dir).c_str(), &vfs) != 0) return Fail();
    space.freeBytes = static_cast<uint64_t>(vfs.f_bavail) * vfs.f_frsize;
    space.clusterBytes = static_cast<uint32_t>(vfs.f_frsize);
    return true;
  }
  uint32_t LastError() override { return lastError; }
  std::string ErrorText(uint32_t code) override {
    switch (code) {
      case kErrorFileNotFound: return "The system cannot find the file specified.\r\n";
      case kErrorPathNotFound: return "The system cannot find the path specified.\r\n";
      case kErrorAccessDenied: return "Access is denied.\r\n";
      case kErrorSharingViolation:
        return "The process cannot access the file because it is being used by another process.\r\n";
      case kErrorDiskFull: return "There is not enough space on the disk.\r\n";
      case kErrorAlreadyExists: return "Cannot create a file when that file already exists.\r\n";
      default:
        if (code & 0x20000000u) return std::strerror(static_cast<int>(code & 0xFFFF));
        return "Unknown error.\r\n";
    }
  }
  // The kernel takes PATH_MAX bytes with the terminating null, and NAME_MAX in one part.
  bool PathFits(const std::string& path, bool) override {
    std::string p = Native(path);
    if (p.size() >= PATH_MAX) return false;
    size_t start = 0;
    for (;;) {
      size_t end = p.find('/', start);
      if ((end == std::string::npos ? p.size() : end) - start > NAME_MAX) return false;
      if (end == std::string::npos) return true;
      start = end + 1;
    }
  }
  std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.empty() ? "." : Native(dir).c_str());
    if (!d) return names;
    while (dirent* e = ::readdir(d)) {
      struct stat st {};
      if (::fnmatch(pattern.c_str(), e->d_name, FNM_PERIOD) == 0 &&
          ::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
        names.push_back(e->d_name);
    }
    ::closedir(d);
    return names;
  }
  std::string FullPath(const std::string& path) override {
    if (!path.empty() && (path[0] == '\\' || path[0] == '/')) return path;
    char cwd[PATH_MAX];
    if (!::getcwd(cwd, sizeof cwd)) return path;
    std::string r = cwd;
    for (char& c : r)
      if (c == '/') c = '\\';
    return r + "\\" + path;
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

}  // namespace sys
