// The native build's drives and folders: one drive-less tree, so no drive letters, no
// labels and no network connections; the current folder and listings are the host's,
// with "\" for "/" as everywhere in this build.
#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

#include "sys/Files.h"
#include "sys/Folders.h"

namespace sys {
namespace {

std::string Swap(std::string path, char from, char to) {
  for (std::size_t i = 0; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (c >= 0x81 && c <= 0xFE && i + 1 < path.size())
      ++i;
    else if (path[i] == from)
      path[i] = to;
  }
  return path;
}

class PosixFolders final : public Folders {
 public:
  uint32_t LogicalDrives() override { return 0; }
  uint32_t DriveType(const std::string& root) override {
    struct stat st {};
    return ::stat(Swap(root, '\\', '/').c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? kDriveFixed : kDriveNoRootDir;
  }
  bool VolumeInformation(const std::string& root, std::string& label, uint32_t& flags) override {
    struct stat st {};
    if (::stat(Swap(root, '\\', '/').c_str(), &st) != 0) return false;
    label.clear();
    flags = kFsCaseSensitive | kFsCaseIsPreserved;
    return true;
  }
  long RemoteName(const std::string&, std::string&) override { return kWNetNotConnected; }
  std::string CurrentDirectory() override {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) ? Swap(buffer, '/', '\\') : std::string();
  }
  bool ChangeDirectory(const std::string& path) override {
    if (::chdir(Swap(path, '\\', '/').c_str()) == 0) return true;
    lastError_ = errno == ENOENT ? kErrorPathNotFound : errno == EACCES ? kErrorAccessDenied : kErrorPathNotFound;
    return false;
  }
  std::string FullPath(const std::string& path) override {
    if (!path.empty() && path[0] == '\\') return path;
    std::string cwd = CurrentDirectory();
    if (!cwd.empty() && cwd.back() != '\\') cwd += '\\';
    return cwd + path;
  }
  std::vector<FoundEntry> FindFiles(const std::string& pattern) override {
    std::vector<FoundEntry> found;
    std::string native = Swap(pattern, '\\', '/');
    std::size_t slash = native.rfind('/');
    std::string folder = slash == std::string::npos ? "." : native.substr(0, slash + 1);
    std::string mask = slash == std::string::npos ? native : native.substr(slash + 1);
    // "*.*" matches every name on Windows, those without a dot too, and no wildcard
    // there treats a leading dot apart.
    if (mask == "*.*") mask = "*";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return found;
    while (dirent* e = ::readdir(dir)) {
      if (::fnmatch(mask.c_str(), e->d_name, 0) != 0) continue;
      struct stat st {};
      if (::stat((folder + "/" + e->d_name).c_str(), &st) != 0) continue;
      uint32_t a = S_ISDIR(st.st_mode) ? kAttrDirectory : kAttrArchive;
      if (!(st.st_mode & S_IWUSR)) a |= kAttrReadOnly;
      found.push_back({e->d_name, a});
    }
    ::closedir(dir);
    return found;
  }
  uint32_t SetErrorMode(uint32_t mode) override {
    uint32_t previous = errorMode_;
    errorMode_ = mode;
    return previous;
  }
  uint32_t LastError() override { return lastError_; }

 private:
  uint32_t errorMode_ = 0;
  uint32_t lastError_ = 0;
};

}  // namespace

Folders& RealFolders() {
  static PosixFolders folders;
  return folders;
}

}  // namespace sys
