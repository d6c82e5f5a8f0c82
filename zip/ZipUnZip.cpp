// UnZip: the run around the entries' extraction (Extraction): the directory loaded, the
// destination made, the entries chosen, the start and end events, the view's order and
// KeepZipOpen put back whatever the way out.
#include "base/Ansi.h"
#include "zip/Extraction.h"
#include "zip/ZipExtractor.h"
#include "zip/codec/WorkArea.h"

namespace zip {

void TZipExtractor::SetDestDir(const std::string& dir) {
  std::string value = dir;
  if (dir == "?") {
    value = destDir_;
    if (!sys::DirectoryExists(fs_, destDir_ + "\\")) value = fs_.FullPath(".");
    if (!ui_.SelectDirectory(value)) Raise(ZipError::canceledDestDir);
  }
  destDir_ = base::ExcludeTrailingBackslash(value);
}

void TZipExtractor::SetRootDir(const std::string& dir) {
  if (dir.empty()) {
    rootDir_.clear();
    return;
  }
  rootDir_ = dir;
  if (base::LastBackslash(rootDir_) + 1 != rootDir_.size()) rootDir_ += '\\';
}

std::unique_ptr<codec::WorkArea> TZipExtractor::MakeWorkArea() const { return std::make_unique<codec::WorkArea>(); }

int TZipExtractor::UnZip() {
  LoadWithCursor();
  OpenZip();
  const bool keepOpen = keepZipOpen_;
  keepZipOpen_ = true;
  EntryReader reader(directory_, MakeWorkArea());
  Extraction extraction(*this, fs_, ui_, directory_, reader);
  int extracted = 0;
  bool viewSwitched = false;
  auto finish = [&] {
    filesList_.clear();
    if (viewSwitched) directory_.UsePhysicalOrder(false);
    if (OnUnZipComplete) OnUnZipComplete(*this, extracted);
    keepZipOpen_ = keepOpen;
  };
  try {
    if (!destDir_.empty() && !sys::DirectoryExists(fs_, destDir_)) sys::ForceDirectories(fs_, destDir_);
    // Disk order, so that each disk is asked for once.
    if (SpansDisks() && sortMode_ != ByNone) {
      directory_.UsePhysicalOrder(true);
      viewSwitched = true;
    }
    const int numFiles = extraction.Choose();
    bool stopNow = false;
    if (OnStartUnZipInfo) OnStartUnZipInfo(*this, numFiles, static_cast<double>(extraction.TotalSize()), stopNow);
    if (numFiles > 0 && !stopNow) {
      for (int i = 0; i < Count(); ++i) {
        if (!doAll_ && !Entry(i).MatchFlag) continue;
        if (extraction.Extract(i) == Extraction::Outcome::extracted) ++extracted;
      }
    }
  } catch (...) {
    finish();
    // Closed on this way out too: an archive left open cannot be written again.
    CloseZip();
    throw;
  }
  finish();
  CloseZip();
  return extracted;
}

}  // namespace zip
