// Path splitting and caption shortening for the folder picker.
#include "controls/PathRules.h"

#include "base/Ansi.h"
#include "base/Exceptions.h"

namespace controls {
namespace {

bool HasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

// Sets the remembered folder back when the split ends, by any way out.
class CurrentFolderScope {
 public:
  CurrentFolderScope(sys::FileSystem& fs, sys::Folders& folders)
      : fs_(fs), folders_(folders), saved_(folders.CurrentDirectory()) {}
  CurrentFolderScope(const CurrentFolderScope&) = delete;
  CurrentFolderScope& operator=(const CurrentFolderScope&) = delete;
  ~CurrentFolderScope() {
    if (sys::DirectoryExists(fs_, saved_)) /* result not examined */
      folders_.ChangeDirectory(saved_);
  }
  const std::string& Saved() const { return saved_; }

 private:
  sys::FileSystem& fs_;
  sys::Folders& folders_;
  std::string saved_;
};

}  // namespace

void ChangeDirectoryOrRaise(sys::Folders& folders, const std::string& path) {
  if (!folders.ChangeDirectory(path))
    throw base::EInOutError(base::Format("I/O error %u", static_cast<unsigned>(folders.LastError())));
}

std::string ExtractFileDrive(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return std::string(path.substr(0, 2));
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    // "\\server\share": up to the separator after the share's name.
    std::size_t server = base::NextBackslash(path, 2);
    if (server == std::string_view::npos || server == 2) return std::string();
    std::size_t share = base::NextBackslash(path, server + 1);
    return std::string(path.substr(0, share == std::string_view::npos ? path.size() : share));
  }
  return std::string();
}

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string r(folder);
  std::size_t last = base::LastBackslash(r);
  if (r.empty() || last == std::string::npos || last + 1 != r.size()) r += '\\';
  r += name;
  return r;
}

int CountBackslashes(std::string_view path) {
  int n = 0;
  for (std::size_t i = base::NextBackslash(path, 0); i != std::string_view::npos; i = base::NextBackslash(path, i + 1)) ++n;
  return n;
}

bool SameFolderName(std::string_view a, std::string_view b, bool caseSensitive) {
  return caseSensitive ? a == b : base::AnsiLower(a) == base::AnsiLower(b);
}

PathParts SplitPath(sys::FileSystem& fs, sys::Folders& folders, const std::string& path) {
  CurrentFolderScope scope(fs, folders);
  const std::string& saved = scope.Saved();
  PathParts parts;
  parts.drive = saved.empty() ? 0 : saved[0];
  parts.directory = path;
  std::string drive;
  if (path.size() >= 2 && path.front() == '[' && path.back() == ']') {
    // A folder as the file list shows it.
    parts.directory = path.substr(1, path.size() - 2);
    drive = ExtractFileDrive(saved);
  } else {
    drive = ExtractFileDrive(path);
    if (!drive.empty())
      parts.directory.erase(0, drive.size());
    else
      drive = ExtractFileDrive(saved);
    parts.drive = drive.size() >= 2 && drive[1] == ':' ? drive[0] : 0;
  }
  if (!drive.empty() && sys::DirectoryExists(fs, drive)) ChangeDirectoryOrRaise(folders, drive);

  parts.fileName = base::ExtractFileName(parts.directory);
  if (parts.directory.size() == parts.fileName.size() + 1) {
    parts.directory = "\\";
  } else if (parts.directory.size() > parts.fileName.size()) {
    parts.directory.resize(parts.directory.size() - parts.fileName.size() - 1);
  } else {
    std::string current = folders.CurrentDirectory();
    parts.directory = current.substr(std::min(current.size(), ExtractFileDrive(current).size()));
    if (parts.directory.empty()) parts.directory = "\\";
  }

  if (!parts.directory.empty()) ChangeDirectoryOrRaise(folders, parts.directory);
  if (!parts.fileName.empty() && !HasWildcard(parts.fileName) && !sys::FileExists(fs, parts.fileName)) {
    ChangeDirectoryOrRaise(folders, parts.fileName);
    if (parts.directory != "\\") parts.directory += '\\';
    parts.directory += parts.fileName;
    parts.fileName.clear();
  }
  if (parts.drive == 0) parts.directory = drive + parts.directory;
  return parts;
}

std::string MinimizePath(const std::string& path, int maxWidth, const TextWidth& width) {
  std::string drive, rest = path;
  if (path.size() >= 2 && path[1] == ':') {
    drive = path.substr(0, 2);
    rest = path.substr(2);
  }
  std::string folder = base::ExtractFilePath(rest);
  const std::string name = base::ExtractFileName(rest);
  while ((!drive.empty() || !folder.empty()) && width(drive + folder + name) > maxWidth) {
    if (folder == "\\...\\") {
      drive.clear();
      folder = "...\\";
    } else if (folder.empty()) {
      drive.clear();
    } else if (folder == "\\") {
      folder.clear();
    } else {
      bool rooted = folder[0] == '\\';
      if (rooted) folder.erase(0, 1);
      // Only the mark of an earlier cut goes first: a folder whose own name starts with
      // "." keeps its bytes, so no GBK character is cut in two.
      if (folder.compare(0, 4, "...\\") == 0) folder.erase(0, 4);
      std::size_t cut = base::NextBackslash(folder, 0);
      folder = cut == std::string::npos ? std::string() : "...\\" + folder.substr(cut + 1);
      if (rooted) folder.insert(0, 1, '\\');
    }
  }
  return drive + folder + name;
}

}  // namespace controls
