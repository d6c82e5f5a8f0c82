// The fake drives' behaviour, modelled on the Win32 calls' outcomes.
#include "FakeFolders.h"

#include <algorithm>
#include <cctype>

#include "base/Ansi.h"

namespace support {
namespace {

constexpr uint32_t kErrorNotReady = 21;

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Splits at each "\" that is a character of its own.
std::vector<std::string> Components(const std::string& s) {
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (base::IsLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) {
      parts.back() += s.substr(i++, 2);
    } else if (s[i] == '\\') {
      parts.emplace_back();
    } else {
      parts.back() += s[i];
    }
  }
  return parts;
}

// "c:" or "\\server\share" of an absolute path, else empty.
std::string RootOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.size() < 2 || path[0] != '\\' || path[1] != '\\') return "";
  std::vector<std::string> parts = Components(path.substr(2));
  if (parts.size() < 2) return path;
  return "\\\\" + parts[0] + "\\" + parts[1];
}

bool MatchFrom(const std::string& m, std::size_t mi, const std::string& n, std::size_t ni) {
  if (mi == m.size()) return ni == n.size();
  if (m[mi] == '*') {
    for (std::size_t k = ni; k <= n.size(); ++k)
      if (MatchFrom(m, mi + 1, n, k)) return true;
    return false;
  }
  if (ni == n.size()) return false;
  if (m[mi] != '?' && Lower(m[mi]) != Lower(n[ni])) return false;
  return MatchFrom(m, mi + 1, n, ni + 1);
}

}  // namespace

bool WildcardMatch(const std::string& mask, const std::string& name) {
  return mask == "*.*" || MatchFrom(mask, 0, name, 0);
}

FakeFolders::FakeFolders(FakeFileSystem& files) : fs(files) {
  AddDrive('c', sys::kDriveFixed, "SYSTEM");
  AddFolders(fs.currentDir);
}

FakeFolders::Drive& FakeFolders::AddDrive(char letter, uint32_t type, const std::string& label) {
  Drive& d = drives[Lower(letter)];
  d.type = type;
  d.label = label;
  fs.AddDirectory(std::string(1, Lower(letter)) + ":");
  return d;
}

void FakeFolders::AddFolders(const std::string& path) {
  std::string root = RootOf(path);
  std::string at = root;
  if (!root.empty() && !fs.Exists(root)) fs.AddDirectory(root);
  for (const std::string& part : Components(path.substr(root.size()))) {
    if (part.empty()) continue;
    at += "\\" + part;
    if (!fs.Exists(at)) fs.AddDirectory(at);
  }
}

FakeFolders::Drive* FakeFolders::DriveOf(const std::string& path) {
  if (path.size() < 2 || path[1] != ':') return nullptr;
  auto it = drives.find(Lower(path[0]));
  return it == drives.end() ? nullptr : &it->second;
}

uint32_t FakeFolders::LogicalDrives() {
  uint32_t mask = 0;
  for (const auto& [letter, drive] : drives)
    if (letter >= 'a' && letter <= 'z') mask |= 1u << (letter - 'a');
  return mask;
}

uint32_t FakeFolders::DriveType(const std::string& root) {
  Drive* d = DriveOf(root);
  return d ? d->type : sys::kDriveNoRootDir;
}

bool FakeFolders::VolumeInformation(const std::string& root, std::string& label, uint32_t& flags) {
  errorModesAtVolumeReads.push_back(errorMode);
  if (root.size() >= 2 && root[0] == '\\' && root[1] == '\\') {
    if (!sys::DirectoryExists(fs, root)) return false;
    label.clear();
    flags = uncFlags;
    return true;
  }
  Drive* d = DriveOf(root);
  if (!d || !d->ready) return false;
  label = d->label;
  flags = d->flags;
  return true;
}

long FakeFolders::RemoteName(const std::string& localName, std::string& remoteName) {
  Drive* d = DriveOf(localName);
  if (!d || d->type != sys::kDriveRemote || d->remoteName.empty()) return sys::kWNetNotConnected;
  remoteName = d->remoteName;
  return sys::kWNetNoError;
}

bool FakeFolders::ChangeDirectory(const std::string& path) {
  changes.push_back(path);
  Drive* d = DriveOf(path.size() >= 2 && path[1] == ':' ? path : fs.currentDir);
  if (d && !d->ready) {
    lastError_ = kErrorNotReady;
    return false;
  }
  std::string full = FullPath(path);
  if (!sys::DirectoryExists(fs, full)) {
    lastError_ = sys::kErrorPathNotFound;
    return false;
  }
  full = base::ExcludeTrailingBackslash(full);
  if (full.size() == 2 && full[1] == ':') full += '\\';
  fs.currentDir = full;
  if (full[1] == ':') driveCurrent_[Lower(full[0])] = full;
  return true;
}

std::string FakeFolders::FullPath(const std::string& path) {
  std::string root = RootOf(path), rest;
  if (root.size() == 2 && (path.size() == 2 || path[2] != '\\')) {
    // "x:" or "x:name": against that drive's own current folder.
    auto it = driveCurrent_.find(Lower(root[0]));
    std::string current = base::LowerAscii(RootOf(fs.currentDir)) == base::LowerAscii(root) ? fs.currentDir
                          : it != driveCurrent_.end()                                       ? it->second
                                                                                            : root + "\\";
    root = current.substr(0, 2);  // the drive as the system keeps it
    rest = current.substr(2) + "\\" + path.substr(2);
  } else if (!root.empty()) {
    rest = path.substr(root.size());
  } else {
    root = RootOf(fs.currentDir);
    rest = !path.empty() && path[0] == '\\' ? path : fs.currentDir.substr(root.size()) + "\\" + path;
  }
  std::vector<std::string> kept;
  for (const std::string& part : Components(rest)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string full = root;
  for (const std::string& part : kept) full += "\\" + part;
  std::size_t last = base::LastBackslash(path);
  bool trailing = !path.empty() && last != std::string::npos && last + 1 == path.size();
  if (kept.empty() || trailing) full += "\\";
  return full;
}

std::vector<sys::FoundEntry> FakeFolders::FindFiles(const std::string& pattern) {
  ++listings;
  std::string full = FullPath(pattern);
  std::string folder = base::ExtractFilePath(full), mask = base::ExtractFileName(full);
  const FakeFileSystem::Node* dir = fs.Find(folder);
  if (!dir || !dir->directory) return {};
  std::string parentKey = base::LowerAscii(base::ExcludeTrailingBackslash(folder));
  std::vector<sys::FoundEntry> found;
  if (RootOf(full).size() + 1 < folder.size()) {
    if (WildcardMatch(mask, ".")) found.push_back({".", sys::kAttrDirectory});
    if (WildcardMatch(mask, "..")) found.push_back({"..", sys::kAttrDirectory});
  }
  std::vector<std::string> keys = fs.Paths();
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    if (base::ExcludeTrailingBackslash(base::ExtractFilePath(*it)) != parentKey) continue;
    const FakeFileSystem::Node* n = fs.Find(*it);
    if (n && WildcardMatch(mask, n->name)) found.push_back({n->name, n->attributes});
  }
  return found;
}

uint32_t FakeFolders::SetErrorMode(uint32_t mode) {
  uint32_t previous = errorMode;
  errorMode = mode;
  return previous;
}

}  // namespace support
