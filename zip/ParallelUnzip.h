// Several workers over one archive: which entries belong together, which worker takes
// which, and one worker's walk over the entries with a directory and a reader of its own.
// The settings and handlers each worker extracts with are those of a component given to it,
// which holds them only; what the handlers report is for the caller to order.
#pragma once

#include <atomic>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "sys/Files.h"
#include "sys/UserInterface.h"
#include "zip/ArchiveDirectory.h"
#include "zip/ZipExtractor.h"

namespace zip {

// The first entry of each entry's group, for the directory's view. Entries that could meet
// on the disk (the same target, or a file where another entry needs a folder) form a group,
// and so do runs of neighbours in the archive; a group goes to one worker whole, in entry
// order, so every overwrite decision sees what one thread would have seen. junkPaths: the
// entries go to their file names alone.
std::vector<int> GroupEntries(const ArchiveDirectory& directory, bool junkPaths);

// The workers' claims on the entries: each group to the first worker that reaches it, and
// no entry past the lowest one a worker failed at.
class EntryClaims {
 public:
  static constexpr int kNowhere = std::numeric_limits<int>::max();

  explicit EntryClaims(std::vector<int> groups);
  // True when `worker` may extract entry `index`: its group is the worker's, or nobody's yet.
  bool Claim(int worker, int index);
  // Taken by a worker (and so done or being done).
  bool Taken(int index) const { return claims_[index].taken.load(); }
  // A worker failed at `index`: nothing after it is taken.
  void StopAfter(int index);
  int StopsAfter() const { return stopAfter_.load(); }
  // Runs `sweep` for `dir` unless a worker did; none writes into `dir` before it ended.
  void SweepOnce(const std::string& dir, const std::function<void()>& sweep);

 private:
  struct Slot {
    std::atomic<int> owner{-1};      // of the group this entry heads
    std::atomic<bool> taken{false};  // a worker took it
  };
  const std::vector<int> group_;
  std::unique_ptr<Slot[]> claims_;
  std::atomic<int> stopAfter_{kNowhere};
  std::mutex sweepLock_;
  std::set<std::string> swept_;
};

// One worker: it reads the archive's directory and its entries on its own, with the settings
// and handlers of `settings`, over `fs` and `ui`.
class ParallelWorker {
 public:
  ParallelWorker(int number, TZipExtractor& settings, sys::FileSystem& fs, sys::UserInterface& ui,
                 const std::string& archive);

  // Reads the directory, unless it is read and the archive unchanged.
  void Load();
  const ArchiveDirectory& Directory() const { return directory_; }
  // Extracts the chosen entries of the view in order, as one run visits them, less those
  // `claims` gives to another worker. before(index) is called ahead of the claim of each
  // chosen entry.
  void Extract(EntryClaims& claims, const std::function<void(int index)>& before,
               const std::function<void(int index)>& taken);

 private:
  const int number_;
  TZipExtractor& settings_;
  sys::FileSystem& fs_;
  sys::UserInterface& ui_;
  ArchiveDirectory directory_;
};

}  // namespace zip
