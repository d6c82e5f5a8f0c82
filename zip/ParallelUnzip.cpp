// The parallel extraction's mechanics: the grouping of entries, the workers' claims on
// them, and one worker's walk.
#include "zip/ParallelUnzip.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

#include "base/Ansi.h"
#include "zip/Extraction.h"

namespace zip {

namespace {

// The key of a path as the file system matches names: parts split at either separator, "."
// and empty parts dropped, the trailing dots and blanks Windows ignores cut, letters in one
// case. Keys that differ may still name one file only through a folder's short name.
std::string PathKey(std::string_view path, bool dropDrive) {
  if (dropDrive && path.size() >= 2 && path[1] == ':') path.remove_prefix(2);
  std::string key;
  key.reserve(path.size());
  auto close = [&](std::string_view part) {
    size_t end = part.find_last_not_of(". ");
    if (end == std::string_view::npos) return;
    if (!key.empty()) key += '\\';
    key.append(part.data(), end + 1);
  };
  size_t from = 0;
  for (size_t i = 0; i < path.size(); ++i)
    if (path[i] == '\\' || path[i] == '/') {
      close(path.substr(from, i - from));
      from = i + 1;
    }
  close(path.substr(from));
  return base::AnsiUpper(key);
}

// Neighbours in the archive go to one worker up to about this many compressed bytes: its
// reads then follow on from each other, where alternating entries cost a seek and a refill.
constexpr int64_t kRunBytes = 256 * 1024;
constexpr int kRunEntries = 64;

}  // namespace

// A group: a run of neighbours; entries with one target; and a file entry with every entry
// whose path passes through it as a folder.
std::vector<int> GroupEntries(const ArchiveDirectory& z, bool junkPaths) {
  const int count = z.Count();
  std::vector<int> parent(count);
  for (int i = 0; i < count; ++i) parent[i] = i;
  auto find = [&](int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
  };
  auto unite = [&](int a, int b) {
    a = find(a), b = find(b);
    if (a != b) parent[std::max(a, b)] = std::min(a, b);
  };
  int64_t bytes = 0;
  for (int i = 0, head = 0, entries = 0; i < count; ++i, ++entries) {
    bytes += z.Entry(i).CompressedSize;
    if (bytes > kRunBytes || entries >= kRunEntries)
      head = i, entries = 0, bytes = z.Entry(i).CompressedSize;
    else
      unite(head, i);
  }
  // The maps look at the keys where they lie: this runs alone, before any worker starts, and
  // for 20,000 entries copies of every key and of every folder part were most of its time.
  std::vector<std::string> keys(count);
  std::unordered_map<std::string_view, int> first, firstFile;
  first.reserve(count);
  firstFile.reserve(count);
  std::string path;
  for (int i = 0; i < count; ++i) {
    const TZipEntryInfo& e = z.Entry(i);
    if (junkPaths && e.FileName().empty()) continue;  // makes nothing
    path.clear();
    if (!junkPaths) path += e.Directory();
    path += e.FileName();
    keys[i] = PathKey(path, true);
    auto [at, fresh] = first.emplace(keys[i], i);
    if (!fresh) unite(at->second, i);
    if (!e.FileName().empty()) firstFile.emplace(keys[i], i);
  }
  for (int i = 0; i < count; ++i) {
    const std::string_view key = keys[i];
    for (size_t sep = key.find('\\'); sep != std::string_view::npos; sep = key.find('\\', sep + 1)) {
      auto file = firstFile.find(key.substr(0, sep));
      if (file != firstFile.end()) unite(file->second, i);
    }
  }
  std::vector<int> group(count);
  for (int i = 0; i < count; ++i) group[i] = find(i);
  return group;
}

EntryClaims::EntryClaims(std::vector<int> groups)
    : group_(std::move(groups)), claims_(std::make_unique<Slot[]>(group_.size())) {}

bool EntryClaims::Claim(int worker, int index) {
  if (index > stopAfter_.load()) return false;
  int none = -1;
  std::atomic<int>& owner = claims_[group_[index]].owner;
  if (!owner.compare_exchange_strong(none, worker) && none != worker) return false;
  claims_[index].taken.store(true);
  return true;
}

void EntryClaims::StopAfter(int index) {
  int low = stopAfter_.load();
  while (index < low && !stopAfter_.compare_exchange_weak(low, index)) {
  }
}

void EntryClaims::SweepOnce(const std::string& dir, const std::function<void()>& sweep) {
  std::lock_guard<std::mutex> hold(sweepLock_);
  if (swept_.insert(base::AnsiUpper(dir)).second) sweep();
}

ParallelWorker::ParallelWorker(int number, TZipExtractor& settings, sys::FileSystem& fs, sys::UserInterface& ui,
                               const std::string& archive)
    : number_(number), settings_(settings), fs_(fs), ui_(ui), directory_(fs, ui) {
  AnswerDirectoryQuestions(settings_, directory_);
  directory_.SetName(archive);
}

void ParallelWorker::Load() {
  if (directory_.NeedsReading())
    directory_.Read({settings_.SortMode(), settings_.OEMConvert(), settings_.DoProcessMessages()});
}

void ParallelWorker::Extract(EntryClaims& claims, const std::function<void(int index)>& before,
                             const std::function<void(int index)>& taken) {
  Load();
  const std::string& dest = settings_.DestDir();
  if (!dest.empty() && !sys::DirectoryExists(fs_, dest)) sys::ForceDirectories(fs_, dest);
  EntryReader reader(directory_);
  Extraction::Sharing sharing;
  // Far apart, so that the workers' temporaries never meet.
  sharing.firstTemporary = static_cast<unsigned>(number_) << 24;
  sharing.sweepOnce = [&claims](const std::string& dir, const std::function<void()>& sweep) {
    claims.SweepOnce(dir, sweep);
  };
  Extraction extraction(settings_, fs_, ui_, directory_, reader, sharing);
  if (extraction.Choose() == 0) return;
  for (int i = 0; i < directory_.Count(); ++i) {
    if (!settings_.DoAll() && !directory_.Entry(i).MatchFlag) continue;
    before(i);
    if (!claims.Claim(number_, i)) continue;
    taken(i);
    extraction.Extract(i);
  }
}

}  // namespace zip
