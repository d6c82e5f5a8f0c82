// The real drives and folders behind sys::Folders (ANSI Win32 calls).
#include <windows.h>
#include <winnetwk.h>

#include "sys/Folders.h"
#include "sys/win32/Handle.h"

namespace sys {
namespace {

class Win32Folders final : public Folders {
 public:
  uint32_t LogicalDrives() override { return GetLogicalDrives(); }
  uint32_t DriveType(const std::string& root) override { return GetDriveTypeA(root.c_str()); }
  bool VolumeInformation(const std::string& root, std::string& label, uint32_t& flags) override {
    char name[MAX_PATH + 1] = {};
    DWORD serial = 0, maxComponent = 0, fsFlags = 0;
    if (!GetVolumeInformationA(root.c_str(), name, sizeof name, &serial, &maxComponent, &fsFlags, nullptr, 0))
      return false;
    label = name;
    flags = fsFlags;
    return true;
  }
  long RemoteName(const std::string& localName, std::string& remoteName) override {
    char buffer[MAX_PATH * 2] = {};
    DWORD size = sizeof buffer;
    DWORD r = WNetGetConnectionA(localName.c_str(), buffer, &size);
    if (r == NO_ERROR) remoteName = buffer;
    return static_cast<long>(r);
  }
  std::string CurrentDirectory() override {
    char buffer[MAX_PATH * 4];
    DWORD n = GetCurrentDirectoryA(sizeof buffer, buffer);
    return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
  }
  bool ChangeDirectory(const std::string& path) override { return SetCurrentDirectoryA(path.c_str()) != FALSE; }
  std::string FullPath(const std::string& path) override {
    char buffer[MAX_PATH * 4];
    char* part = nullptr;
    DWORD n = GetFullPathNameA(path.c_str(), sizeof buffer, buffer, &part);
    if (n == 0 || n >= sizeof buffer) return path;
    return std::string(buffer, n);
  }
  std::vector<FoundEntry> FindFiles(const std::string& pattern) override {
    std::vector<FoundEntry> found;
    WIN32_FIND_DATAA data;
    win32::FindHandle find(FindFirstFileA(pattern.c_str(), &data));
    if (!find) return found;
    do {
      found.push_back({data.cFileName, data.dwFileAttributes});
    } while (FindNextFileA(find.Get(), &data));
    return found;
  }
  uint32_t SetErrorMode(uint32_t mode) override { return ::SetErrorMode(mode); }
  uint32_t LastError() override { return GetLastError(); }
};

}  // namespace

Folders& RealFolders() {
  static Win32Folders folders;
  return folders;
}

}  // namespace sys
