// The in-memory file system's behaviour, modelled on the Win32 calls' outcomes.
#include "FakeFileSystem.h"

#include <algorithm>
#include <cstring>

#include "FakeFolders.h"
#include "base/Ansi.h"

namespace support {

class FakeFile : public sys::File {
 public:
  FakeFile(FakeFileSystem& fs, std::string key, bool canWrite, sys::Share share)
      : fs_(fs), key_(std::move(key)), canWrite_(canWrite), id_(++fs_.nextHandle_) {
    fs_.open_[key_].push_back({id_, canWrite, share});
  }
  ~FakeFile() override {
    auto& handles = fs_.open_[key_];
    handles.erase(std::remove_if(handles.begin(), handles.end(), [&](const auto& h) { return h.id == id_; }),
                  handles.end());
    if (handles.empty()) fs_.open_.erase(key_);
  }

  bool Read(void* buffer, uint32_t count, uint32_t& done) override {
    const std::string& d = Data();
    done = pos_ >= d.size() ? 0 : static_cast<uint32_t>(std::min<size_t>(count, d.size() - pos_));
    std::memcpy(buffer, d.data() + pos_, done);
    pos_ += done;
    return true;
  }
  bool Write(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (!canWrite_) return fs_.Fail(sys::kErrorAccessDenied);
    if (!fs_.Change([&] { WriteSome(buffer, count / 2); })) return fs_.Fail(sys::kErrorAccessDenied);
    return WriteSome(buffer, count, &done);
  }
  bool WriteSome(const void* buffer, uint32_t count, uint32_t* written = nullptr) {
    uint32_t n = count;
    if (fs_.freeBytes >= 0 && n > fs_.freeBytes) n = static_cast<uint32_t>(fs_.freeBytes);
    std::string& d = fs_.nodes_[key_].data;
    if (d.size() < pos_ + n) d.resize(pos_ + n);
    std::memcpy(d.data() + pos_, buffer, n);
    pos_ += n;
    if (written) *written = n;
    if (fs_.freeBytes >= 0) fs_.freeBytes -= n;
    return n == count || fs_.Fail(sys::kErrorDiskFull);
  }
  bool Seek(int64_t offset, sys::SeekOrigin origin, int64_t& position) override {
    int64_t base = origin == sys::SeekOrigin::begin     ? 0
                   : origin == sys::SeekOrigin::current ? static_cast<int64_t>(pos_)
                                                        : static_cast<int64_t>(Data().size());
    if (base + offset < 0) return fs_.Fail(131);  // ERROR_NEGATIVE_SEEK
    pos_ = static_cast<size_t>(base + offset);
    position = base + offset;
    return true;
  }
  bool Size(int64_t& size) override {
    size = static_cast<int64_t>(Data().size());
    return true;
  }
  bool Flush() override { return true; }
  bool GetLastWriteTime(sys::LocalTime& time) override {
    time = fs_.nodes_[key_].time;
    return true;
  }
  bool SetLastWriteTime(const sys::LocalTime& time) override {
    fs_.nodes_[key_].time = time;
    return true;
  }

 private:
  const std::string& Data() { return fs_.nodes_[key_].data; }
  FakeFileSystem& fs_;
  std::string key_;
  bool canWrite_;
  int id_;
  size_t pos_ = 0;
};

FakeFileSystem::FakeFileSystem() { AddDirectory("c:"); }

// A second later than the last file made: a file written again gets a new time, as on a
// real disk, and readers that cache by time see the change.
sys::LocalTime FakeFileSystem::Tick() {
  sys::LocalTime& t = madeAt_;
  if (++t.second == 60) {
    t.second = 0;
    if (++t.minute == 60) t.minute = 0, t.hour = (t.hour + 1) % 24;
  }
  return t;
}

void FakeFileSystem::Release(const Node& node) {
  if (freeBytes >= 0) freeBytes += static_cast<long long>(node.data.size());
}

bool FakeFileSystem::Change(const std::function<void()>& partly) {
  if (dead) return false;
  if (++changes != killAt) return true;
  if (partly) partly();
  dead = true;
  throw Killed{};
}

namespace {

// "c:" or "\\server\share" at the start of an absolute path.
std::string DriveOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  std::size_t slashes = 0, i = 0;
  for (; i < path.size() && slashes < 4; ++i)
    if (path[i] == '\\') ++slashes;
  return slashes == 4 ? path.substr(0, i - 1) : path;
}

}  // namespace

std::string FakeFileSystem::Key(const std::string& path) const {
  bool absolute = path.size() >= 2 && (path[1] == ':' || (path[0] == '\\' && path[1] == '\\'));
  std::string full = path;
  if (!absolute && !path.empty() && path[0] == '\\')
    full = DriveOf(currentDir) + path;  // rooted on the current drive
  else if (!absolute)
    full = currentDir + "\\" + path;
  std::string p = base::LowerAscii(full);
  if (path.empty()) p.clear();
  for (char& c : p)
    if (c == '/') c = '\\';
  // Windows ignores trailing blanks and dots of a name, and a trailing "\" (a GBK trail byte is no "\").
  while (!p.empty() && (p.back() == ' ' || (p.back() == '\\' && base::IsCharStart(p, p.size() - 1)))) p.pop_back();
  return p;
}

bool FakeFileSystem::ParentExists(const std::string& key) const {
  std::string parent = base::ExcludeTrailingBackslash(base::ExtractFilePath(key));
  if (parent.empty()) return false;
  auto it = nodes_.find(parent);
  return it != nodes_.end() && it->second.directory;
}

void FakeFileSystem::AddDirectory(const std::string& path) {
  Node n;
  n.name = base::ExtractFileName(base::ExcludeTrailingBackslash(path));
  n.directory = true;
  n.attributes = sys::kAttrDirectory;
  nodes_[Key(path)] = n;
}

void FakeFileSystem::AddFile(const std::string& path, const std::string& data, uint32_t attributes) {
  Node n;
  n.name = base::ExtractFileName(path);
  n.data = data;
  n.attributes = attributes;
  nodes_[Key(path)] = n;
}

bool FakeFileSystem::Exists(const std::string& path) const { return nodes_.count(Key(path)) != 0; }

int FakeFileSystem::OpenHandles(const std::string& path) const {
  auto it = open_.find(Key(path));
  return it == open_.end() ? 0 : static_cast<int>(it->second.size());
}

// Each side's sharing mode must allow the other's access: reading needs read sharing,
// writing needs write sharing.
bool FakeFileSystem::SharingRefuses(const std::string& key, bool writes, sys::Share share) const {
  auto it = open_.find(key);
  if (!modelSharing || it == open_.end()) return false;
  for (const OpenHandle& h : it->second) {
    if (h.share == sys::Share::none || (writes && h.share != sys::Share::readWrite)) return true;
    if (share == sys::Share::none || (h.writes && share != sys::Share::readWrite)) return true;
  }
  return false;
}

bool FakeFileSystem::InUse(const std::string& key) const { return modelSharing && open_.count(key) != 0; }

const FakeFileSystem::Node* FakeFileSystem::Find(const std::string& path) const {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

FakeFileSystem::Node* FakeFileSystem::Find(const std::string& path) {
  auto it = nodes_.find(Key(path));
  return it == nodes_.end() ? nullptr : &it->second;
}

std::string FakeFileSystem::Contents(const std::string& path) const {
  const Node* n = Find(path);
  return n ? n->data : std::string();
}

std::vector<std::string> FakeFileSystem::Paths() const {
  std::vector<std::string> r;
  for (const auto& [k, v] : nodes_) r.push_back(k);
  return r;
}

uint32_t FakeFileSystem::GetAttributes(const std::string& path) {
  const Node* n = Find(path);
  if (!n || path.empty()) {
    Fail(sys::kErrorFileNotFound);
    return sys::kInvalidAttributes;
  }
  return n->attributes;
}

bool FakeFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  log.push_back("attributes " + Key(path));
  if (!Change()) return Fail(sys::kErrorAccessDenied);
  Node* n = Find(path);
  if (!n) return Fail(sys::kErrorFileNotFound);
  n->attributes = attributes | (n->directory ? sys::kAttrDirectory : 0);
  return true;
}

bool FakeFileSystem::CreateDirectory(const std::string& path) {
  std::string k = Key(path);
  log.push_back("mkdir " + k);
  if (!Change()) return Fail(sys::kErrorAccessDenied);
  if (k.empty()) return Fail(sys::kErrorPathNotFound);
  if (nodes_.count(k)) return Fail(sys::kErrorAlreadyExists);
  if (!ParentExists(k)) return Fail(sys::kErrorPathNotFound);
  AddDirectory(k);
  nodes_[k].name = base::ExtractFileName(base::ExcludeTrailingBackslash(path));
  return true;
}

std::unique_ptr<sys::File> FakeFileSystem::Open(const std::string& path, sys::Access access, sys::Share share,
                                                sys::Disposition disposition) {
  std::string k = Key(path);
  auto it = nodes_.find(k);
  bool exists = it != nodes_.end();
  bool writing = access != sys::Access::read;
  if (exists && it->second.directory) return Fail(sys::kErrorAccessDenied), nullptr;
  if (exists && it->second.locked) return Fail(sys::kErrorSharingViolation), nullptr;
  if (exists && SharingRefuses(k, writing, share)) return Fail(sys::kErrorSharingViolation), nullptr;
  if (exists && writing && (it->second.attributes & sys::kAttrReadOnly)) return Fail(sys::kErrorAccessDenied), nullptr;
  switch (disposition) {
    case sys::Disposition::openExisting:
      if (!exists) return Fail(sys::kErrorFileNotFound), nullptr;
      break;
    case sys::Disposition::createNew:
      if (exists) return Fail(sys::kErrorFileExists), nullptr;
      [[fallthrough]];
    case sys::Disposition::createAlways:
    case sys::Disposition::openAlways:
      if (!exists && !ParentExists(k)) return Fail(sys::kErrorPathNotFound), nullptr;
      if ((!exists || disposition == sys::Disposition::createAlways) && !Change())
        return Fail(sys::kErrorAccessDenied), nullptr;
      if (!exists) nodes_[k] = Node{}, nodes_[k].name = base::ExtractFileName(path);
      if (disposition == sys::Disposition::createAlways) Release(nodes_[k]), nodes_[k].data.clear();
      if (!exists || disposition == sys::Disposition::createAlways) nodes_[k].time = Tick();
      log.push_back("create " + k);
      break;
  }
  return std::make_unique<FakeFile>(*this, k, writing, share);
}

bool FakeFileSystem::Copy(const std::string& from, const std::string& to, bool failIfExists) {
  log.push_back("copy " + Key(from) + " " + Key(to));
  const Node* src = Find(from);
  if (!src || src->directory) return Fail(sys::kErrorFileNotFound);
  if (src->locked) return Fail(sys::kErrorSharingViolation);
  if (failIfExists && Exists(to)) return Fail(sys::kErrorFileExists);
  if (!ParentExists(Key(to))) return Fail(sys::kErrorPathNotFound);
  Node copy = *src;
  auto put = [&](size_t bytes) {
    if (freeBytes >= 0 && static_cast<long long>(bytes) > freeBytes) bytes = static_cast<size_t>(freeBytes);
    Node& n = nodes_[Key(to)] = copy;
    n.name = base::ExtractFileName(to);
    n.data.resize(bytes);
    if (freeBytes >= 0) freeBytes -= static_cast<long long>(bytes);
    return bytes == copy.data.size();
  };
  if (!Change([&] { put(copy.data.size() / 2); })) return Fail(sys::kErrorAccessDenied);
  return put(copy.data.size()) || Fail(sys::kErrorDiskFull);
}

bool FakeFileSystem::Delete(const std::string& path) {
  log.push_back("delete " + Key(path));
  if (!Change()) return Fail(sys::kErrorAccessDenied);
  auto it = nodes_.find(Key(path));
  if (it == nodes_.end()) return Fail(sys::kErrorFileNotFound);
  if (it->second.directory || it->second.locked || (it->second.attributes & sys::kAttrReadOnly))
    return Fail(sys::kErrorAccessDenied);
  if (InUse(it->first)) return Fail(sys::kErrorSharingViolation);
  Release(it->second);
  nodes_.erase(it);
  return true;
}

bool FakeFileSystem::Rename(const std::string& from, const std::string& to, bool replaceExisting) {
  log.push_back("rename " + Key(from) + " " + Key(to));
  if (!Change()) return Fail(sys::kErrorAccessDenied);
  auto it = nodes_.find(Key(from));
  if (it == nodes_.end()) return Fail(sys::kErrorFileNotFound);
  if (InUse(it->first) || InUse(Key(to))) return Fail(sys::kErrorSharingViolation);
  auto target = nodes_.find(Key(to));
  if (target != nodes_.end()) {
    if (!replaceExisting) return Fail(sys::kErrorAlreadyExists);
    if (target->second.directory || target->second.locked || (target->second.attributes & sys::kAttrReadOnly))
      return Fail(sys::kErrorAccessDenied);
  }
  if (target != nodes_.end()) Release(target->second);
  Node moved = it->second;
  moved.name = base::ExtractFileName(to);
  nodes_.erase(it);
  nodes_[Key(to)] = moved;
  return true;
}

bool FakeFileSystem::CommitFile(const std::string& temporary, const std::string& target, bool replaceExisting) {
  return Rename(temporary, target, replaceExisting);
}

std::vector<std::string> FakeFileSystem::FindFiles(const std::string& dir, const std::string& pattern) {
  std::vector<std::string> names;
  const std::string parent = Key(dir.empty() ? currentDir : dir);
  for (const auto& [key, node] : nodes_)
    if (!node.directory && base::ExcludeTrailingBackslash(base::ExtractFilePath(key)) == parent &&
        WildcardMatch(pattern, node.name))
      names.push_back(node.name);
  return names;
}

bool FakeFileSystem::FreeSpace(const std::string&, sys::DiskSpace& space) {
  if (!freeSpaceKnown) return false;
  const bool plenty = freeBytes < 0 || (roomClaimed > 0 && roomClaimed--);
  space.freeBytes = plenty ? uint64_t{1} << 40 : static_cast<uint64_t>(freeBytes);
  space.clusterBytes = clusterBytes;
  return true;
}

std::string FakeFileSystem::ErrorText(uint32_t code) {
  switch (code) {
    case sys::kErrorFileNotFound: return "The system cannot find the file specified.\r\n";
    case sys::kErrorPathNotFound: return "The system cannot find the path specified.\r\n";
    case sys::kErrorAccessDenied: return "Access is denied.\r\n";
    case sys::kErrorSharingViolation:
      return "The process cannot access the file because it is being used by another process.\r\n";
    case sys::kErrorDiskFull: return "There is not enough space on the disk.\r\n";
    default: return "Error " + std::to_string(code) + ".\r\n";
  }
}

std::string FakeFileSystem::FullPath(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path;
  return currentDir + "\\" + path;
}

}  // namespace support
