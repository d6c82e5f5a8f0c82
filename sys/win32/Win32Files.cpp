// The real Win32 file system behind the sys::FileSystem interface (ANSI calls).
#include <windows.h>

#include "sys/Files.h"
#include "sys/win32/Handle.h"
#include "sys/win32/SystemText.h"

namespace sys {
namespace {

using win32::FileHandle;

FILETIME ToFileTime(const LocalTime& t, bool& ok) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(t.year);
  st.wMonth = static_cast<WORD>(t.month);
  st.wDay = static_cast<WORD>(t.day);
  st.wHour = static_cast<WORD>(t.hour);
  st.wMinute = static_cast<WORD>(t.minute);
  st.wSecond = static_cast<WORD>(t.second);
  st.wMilliseconds = static_cast<WORD>(t.milliseconds);
  FILETIME local{}, utc{};
  ok = SystemTimeToFileTime(&st, &local) && LocalFileTimeToFileTime(&local, &utc);
  return utc;
}

class Win32File final : public File {
 public:
  explicit Win32File(HANDLE h) : h_(h) {}

  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    DWORD n = 0;
    BOOL ok = ReadFile(h_.Get(), buffer, count, &n, nullptr);
    done = n;
    return ok != FALSE;
  }
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    DWORD n = 0;
    BOOL ok = WriteFile(h_.Get(), buffer, count, &n, nullptr);
    done = n;
    return ok != FALSE;
  }
  bool Seek(int64_t offset, SeekOrigin origin, int64_t& position) override {
    LARGE_INTEGER to, at;
    to.QuadPart = offset;
    if (!SetFilePointerEx(h_.Get(), to, &at, static_cast<DWORD>(origin))) return false;
    position = at.QuadPart;
    return true;
  }
  bool Size(int64_t& size) override {
    LARGE_INTEGER s;
    if (!GetFileSizeEx(h_.Get(), &s)) return false;
    size = s.QuadPart;
    return true;
  }
  bool Flush() override { return FlushFileBuffers(h_.Get()) != FALSE; }
  bool GetLastWriteTime(LocalTime& t) override {
    FILETIME utc, local;
    SYSTEMTIME st;
    if (!GetFileTime(h_.Get(), nullptr, nullptr, &utc) || !FileTimeToLocalFileTime(&utc, &local) ||
        !FileTimeToSystemTime(&local, &st))
      return false;
    t = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
    return true;
  }
  bool SetLastWriteTime(const LocalTime& t) override {
    bool ok = false;
    FILETIME ft = ToFileTime(t, ok);
    if (!ok) return false;
    return SetFileTime(h_.Get(), nullptr, nullptr, &ft) != FALSE;
  }

 private:
  FileHandle h_;
};

DWORD AccessFlags(Access a) {
  switch (a) {
    case Access::read: return GENERIC_READ;
    case Access::write: return GENERIC_WRITE;
    default: return GENERIC_READ | GENERIC_WRITE;
  }
}
DWORD ShareFlags(Share s) {
  switch (s) {
    case Share::none: return 0;
    case Share::read: return FILE_SHARE_READ;
    default: return FILE_SHARE_READ | FILE_SHARE_WRITE;
  }
}
DWORD DispositionFlags(Disposition d) {
  switch (d) {
    case Disposition::createNew: return CREATE_NEW;
    case Disposition::createAlways: return CREATE_ALWAYS;
    case Disposition::openExisting: return OPEN_EXISTING;
    default: return OPEN_ALWAYS;
  }
}

class Win32FileSystem final : public FileSystem {
 public:
  uint32_t GetAttributes(const std::string& path) override { return GetFileAttributesA(path.c_str()); }
  bool SetAttributes(const std::string& path, uint32_t attributes) override {
    return SetFileAttributesA(path.c_str(), attributes) != FALSE;
  }
  bool CreateDirectory(const std::string& path) override { return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE; }
  std::unique_ptr<File> Open(const std::string& path, Access access, Share share, Disposition disposition) override {
    HANDLE h = CreateFileA(path.c_str(), AccessFlags(access), ShareFlags(share), nullptr, DispositionFlags(disposition),
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32File>(h);
  }
  bool Copy(const std::string& from, const std::string& to, bool failIfExists) override {
    return CopyFileA(from.c_str(), to.c_str(), failIfExists) != FALSE;
  }
  bool Delete(const std::string& path) override { return DeleteFileA(path.c_str()) != FALSE; }
  bool Rename(const std::string& from, const std::string& to, bool replaceExisting) override {
    DWORD flags = MOVEFILE_COPY_ALLOWED | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExA(from.c_str(), to.c_str(), flags) != FALSE;
  }
  // Same folder, so the move is a change of name: no copy to fall back on. Windows refuses
  // to move over a read-only file; Wine does not, and is held to the same answer.
  bool CommitFile(const std::string& temporary, const std::string& target, bool replaceExisting) override {
    DWORD existing = GetFileAttributesA(target.c_str());
    if (replaceExisting && existing != INVALID_FILE_ATTRIBUTES && (existing & FILE_ATTRIBUTE_READONLY)) {
      SetLastError(ERROR_ACCESS_DENIED);
      return false;
    }
    DWORD flags = MOVEFILE_WRITE_THROUGH | (replaceExisting ? MOVEFILE_REPLACE_EXISTING : 0);
    return MoveFileExA(temporary.c_str(), target.c_str(), flags) != FALSE;
  }
  // What this user may still write (quotas count), and the cluster of the volume holding dir.
  bool FreeSpace(const std::string& dir, DiskSpace& space) override {
    ULARGE_INTEGER available, total, totalFree;
    if (!GetDiskFreeSpaceExA(dir.c_str(), &available, &total, &totalFree)) return false;
    space.freeBytes = available.QuadPart;
    space.clusterBytes = 0;
    char root[MAX_PATH * 2];
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (GetVolumePathNameA(dir.c_str(), root, sizeof root) &&
        GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
      space.clusterBytes = sectorsPerCluster * bytesPerSector;
    return true;
  }
  uint32_t LastError() override { return GetLastError(); }
  std::string ErrorText(uint32_t code) override { return win32::SystemMessageText(code); }
  // The ANSI calls take MAX_PATH characters with the terminating null, and CreateDirectoryA
  // leaves room for an 8.3 name; the count is in characters, a GBK pair being one.
  bool PathFits(const std::string& path, bool directory) override {
    DWORD need = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    if (need == 0) return false;
    std::string full(need, '\0');
    DWORD n = GetFullPathNameA(path.c_str(), need, full.data(), nullptr);
    if (n == 0 || n >= need) return false;
    int chars = MultiByteToWideChar(CP_ACP, 0, full.data(), static_cast<int>(n), nullptr, 0);
    return chars > 0 && chars < (directory ? MAX_PATH - 12 : MAX_PATH);
  }
  std::vector<std::string> FindFiles(const std::string& dir, const std::string& pattern) override {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    win32::FindHandle find(FindFirstFileA((dir + pattern).c_str(), &data));
    if (!find) return names;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
    } while (FindNextFileA(find.Get(), &data));
    return names;
  }
  std::string FullPath(const std::string& path) override {
    char buf[MAX_PATH * 4];
    char* part = nullptr;
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buf, buf, &part);
    if (n == 0 || n >= sizeof buf) return path;
    return std::string(buf, n);
  }
};

}  // namespace

FileSystem& RealFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace sys
