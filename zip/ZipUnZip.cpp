// UnZip: choose entries, work out each output path under DestDir, apply the overwrite
// policy, decode into a temporary beside the target and put it under its final name only
// once its CRC matched, then restore the date and attributes and report through the events.
#include <algorithm>
#include <string_view>
#include <optional>

#include "base/Ansi.h"
#include "zip/ZipExtractor.h"
#include "zip/codec/WorkArea.h"

namespace zip {

namespace {

// A path part that would lead out of the directory it names (".." and what Windows reads as
// "..": dots followed by spaces or more dots).
bool IsParentReference(const std::string& part) {
  int dots = 0;
  for (char c : part) {
    if (c == '.')
      ++dots;
    else if (c != ' ')
      return false;
  }
  return dots >= 2;
}

// Checks every part between byte-wise "\" (a GBK trail byte 0x5C separates on some file
// systems too, so the byte-wise split is the stricter one).
bool HasParentReference(const std::string& path) {
  size_t start = 0;
  for (;;) {
    size_t end = path.find('\\', start);
    if (IsParentReference(path.substr(start, end == std::string::npos ? std::string::npos : end - start))) return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

// The parts of a path as the file system reads it: "\" separates where it is a character of
// its own (not a GBK trail byte), "/" everywhere (it is never a trail byte). Leading
// separators make a part of their own, so "x", "\x" (the current drive's root) and "\\x" (a
// network share) differ; "." parts and empty ones change nothing and are left out.
std::vector<std::string> PathParts(std::string_view path) {
  std::vector<std::string> parts;
  size_t i = 0;
  while (i < path.size() && (path[i] == '\\' || path[i] == '/')) ++i;
  if (i > 0) parts.emplace_back(i == 1 ? "\\" : "\\\\");
  std::string part;
  auto close = [&] {
    if (!part.empty() && part != ".") parts.push_back(part);
    part.clear();
  };
  for (; i < path.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(path[i]);
    if (base::IsLeadByte(c) && i + 1 < path.size()) {
      part += path.substr(i, 2);
      ++i;
    } else if (c == '\\' || c == '/') {
      close();
    } else {
      part += path[i];
    }
  }
  close();
  return parts;
}

// The rule every output path answers to, on the path exactly as it goes to the file system
// (after the drive cut, the separator mapping, the OEM conversion, RootDir and any other
// rewrite): it lies inside DestDir, compared part by part, and nothing below DestDir is a
// name Windows reads as a way up or as no name at all (only dots and spaces). An empty
// DestDir stands for the root of the current drive.
bool LiesInside(const std::string& destDir, const std::string& path, bool mayBeDestDir) {
  const std::vector<std::string> base = PathParts(destDir.empty() ? "\\" : destDir);
  const std::vector<std::string> parts = PathParts(path);
  if (parts.size() < base.size() + (mayBeDestDir ? 0 : 1)) return false;
  if (!std::equal(base.begin(), base.end(), parts.begin())) return false;
  for (size_t i = base.size(); i < parts.size(); ++i)
    if (parts[i].find_first_not_of(". ") == std::string::npos) return false;
  // Where a trail byte 0x5C separates after all (another code page), ".." must not appear
  // either: the byte-wise reading of what follows DestDir is the stricter one.
  if (path.compare(0, destDir.size(), destDir) != 0) return false;
  std::string rest = path.substr(destDir.size());
  std::replace(rest.begin(), rest.end(), '/', '\\');
  return !HasParentReference(rest);
}

// The external attributes of an entry hold the MS-DOS attribute byte low and, from other
// hosts, anything else above it (Unix mode bits); only the bits a file can be given pass.
uint32_t DosAttributes(uint32_t external) {
  uint32_t a = external & (sys::kAttrReadOnly | sys::kAttrHidden | sys::kAttrSystem | sys::kAttrArchive);
  return a ? a : sys::kAttrNormal;
}

// "~zv" and eight lowercase hex digits of the counter, then ".tmp": made for every entry, so
// without a trip through the formatter.
std::string TemporaryFileName(unsigned counter) {
  std::string name = "~zv00000000.tmp";
  for (int i = 10; i >= 3; --i, counter >>= 4) name[static_cast<size_t>(i)] = "0123456789abcdef"[counter & 0xF];
  return name;
}

bool IsTemporaryName(const std::string& name) {
  if (name.size() != 15 || name.compare(0, 3, "~zv") != 0 || name.compare(11, 4, ".tmp") != 0) return false;
  return std::all_of(name.begin() + 3, name.begin() + 11,
                     [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

}  // namespace

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

// True when a part of path below DestDir (path begins with it) already exists as a link or
// a junction. The extraction makes none, so one found there was put by someone else and may
// lead anywhere; nothing is written through it. What the walk read on the way is kept in
// walk, so that the same attributes are not asked for again.
bool TZipExtractor::ThroughLink(const std::string& path, PathWalk* walk) {
  bool allFolders = true, anyFolder = false;
  for (size_t i = 0; i <= path.size();) {
    const bool end = i == path.size();
    unsigned char c = end ? 0 : static_cast<unsigned char>(path[i]);
    if ((end || c == '\\' || c == '/') && i > destDir_.size() && path[i - 1] != '\\' && path[i - 1] != '/') {
      uint32_t a = fs_.GetAttributes(path.substr(0, i));
      if (a == sys::kInvalidAttributes && !end) return false;  // the rest is still to be made, by us
      if (a != sys::kInvalidAttributes && (a & sys::kAttrReparsePoint)) return true;
      if (end && walk) {
        // A folder exists when one of its parts was seen as a folder, or something in it.
        walk->reachedEnd = true;
        walk->last = a;
        walk->foldersExist = allFolders && (anyFolder || a != sys::kInvalidAttributes);
      }
      if (!end) {
        allFolders = allFolders && (a & sys::kAttrDirectory);
        anyFolder = true;
      }
    }
    if (end) break;
    i += (base::IsLeadByte(c) && i + 1 < path.size()) ? 2 : 1;
  }
  return false;
}

// The output path and its folder must fit the system's limits whole: a path the system
// would cut could land anywhere, so the entry is refused before anything is written.
bool TZipExtractor::Fits(const std::string& fName, const std::string& outDir) {
  return fs_.PathFits(fName, false) && (outDir.empty() || fs_.PathFits(base::ExcludeTrailingBackslash(outDir), true));
}

// A run killed between decoding and renaming leaves its temporary behind; the first time a
// run writes into a folder, such leftovers go. Only names of TemporaryName's exact form are
// taken, and one that a live run still holds open is refused by the system (it is opened
// without sharing), so a run never takes another's file.
void TZipExtractor::RemoveStaleTemporaries(const std::string& dir) {
  if (!cleanedDirs_.insert(dir).second) return;
  for (const std::string& name : fs_.FindFiles(dir, "~zv????????.tmp"))
    if (IsTemporaryName(name)) /* result not examined */
      fs_.Delete(dir + name);
}

std::string TZipExtractor::OutputDirectory(const TZipEntryInfo& entry) const {
  if (!recreateDirs_ || entry.Directory().empty()) return destDir_ + "\\";
  std::string p = entry.Directory();
  if (!rootDir_.empty() && p.size() >= rootDir_.size() &&
      base::AnsiUpper(p.substr(0, rootDir_.size())) == base::AnsiUpper(rootDir_))
    p.erase(0, rootDir_.size());
  bool rooted = !p.empty() && p[0] == '\\';
  bool drive = p.size() >= 2 && p[1] == ':';
  if (p.empty() || (!rooted && !drive)) return destDir_ + "\\" + p;
  // A drive form loses its drive and every form its leading separators: "C:x\" must not
  // become a sibling of DestDir, nor "\\server\share\" (or, with an empty DestDir, any rooted
  // path) a place of its own.
  size_t from = drive ? 2 : 0;
  while (from < p.size() && p[from] == '\\') ++from;
  return destDir_ + "\\" + p.substr(from);
}

void TZipExtractor::Skip(TSkipReason reason, const std::string& fName, int index) {
  bool retry = false;
  if (OnSkippingFile) OnSkippingFile(*this, reason, fName, index, retry);
  // Out of the run total, so the total progress can still reach 100.
  totalSize_ -= work_.UncompressedSize;
}

bool TZipExtractor::WantOverwrite(const std::string& fName, int index, std::string& target) {
  switch (overwriteMode_) {
    case Always: return true;
    case Never: return false;
    case ifNewer:
    case ifOlder: {
      sys::LocalTime entryTime{}, fileTime{};
      if (!DosDateTimeToLocal(work_.FileDateTime, entryTime)) return false;
      auto file = fs_.Open(fName, sys::Access::read, sys::Share::readWrite, sys::Disposition::openExisting);
      if (!file || !file->GetLastWriteTime(fileTime)) return false;
      return overwriteMode_ == ifNewer ? entryTime > fileTime : fileTime > entryTime;
    }
    case Prompt:
    default:
      if (OnPromptForOverwrite) {
        bool overwrite = false;
        OnPromptForOverwrite(*this, overwrite, index, target);
        return overwrite;
      }
      return ui_.ShowMessageBox(std::string(text::kReplaceStart) + work_.FileName() + text::kReplaceEnd,
                                text::kFileExistsCaption, sys::kMbYesNo) == sys::kIdYes;
  }
}

std::string TZipExtractor::TemporaryName(const std::string& fName) {
  return base::ExtractFilePath(fName) + TemporaryFileName(++tempCounter_);
}

// A directory entry (no FileName) makes its folder, under the same rules as a file's.
TZipExtractor::EntryOutcome TZipExtractor::ExtractDirectoryEntry(const TZipEntryInfo& entry, const std::string& dir,
                                                                 int index) {
  if (recreateDirs_ && (!LiesInside(destDir_, dir, true) || ThroughLink(dir) ||
                        !fs_.PathFits(base::ExcludeTrailingBackslash(dir), true))) {
    Skip(srCreateError, entry.Directory(), index);
    return EntryOutcome::skipped;
  }
  if (recreateDirs_ && !sys::DirectoryExists(fs_, base::ExcludeTrailingBackslash(dir))) sys::ForceDirectories(fs_, dir);
  return EntryOutcome::extracted;
}

// Where the entry goes, and whether it may go there; makes the target's folder.
std::optional<TZipExtractor::EntryOutcome> TZipExtractor::ResolveTarget(EntryJob& job) {
  const TZipEntryInfo& entry = Entry(job.index);
  work_.Assign(entry);
  if (!entry.FileName().empty()) job.localOk = reader_->Locate(entry);
  std::string dir = OutputDirectory(entry);
  if (entry.FileName().empty()) return ExtractDirectoryEntry(entry, dir, job.index);
  // Data that reaches into another entry, or into the directory, is not this entry's own:
  // archives built that way multiply one compressed kernel into many files.
  if (job.localOk && !directory_.DataFits(entry, reader_->LocalNameLength(), reader_->LocalExtraLength())) {
    Skip(srFileOpenError, entry.Directory() + entry.FileName(), job.index);
    return EntryOutcome::skipped;
  }
  const std::string proposed = dir + entry.FileName();
  job.fName = proposed;
  bool skip = false;
  if (OnStartUnZip) OnStartUnZip(*this, job.index, job.fName, skip);
  if (skip) return EntryOutcome::skipped;
  // A handler that names the output takes responsibility for where it goes.
  job.outDir = base::ExtractFilePath(job.fName);
  if ((job.fName == proposed && (!LiesInside(destDir_, job.fName, false) || ThroughLink(job.fName, &job.walk))) ||
      !Fits(job.fName, job.outDir)) {
    Skip(srCreateError, job.fName, job.index);
    return EntryOutcome::skipped;
  }
  if (!job.outDir.empty() && !job.walk.foldersExist &&
      !sys::DirectoryExists(fs_, base::ExcludeTrailingBackslash(job.outDir))) {
    sys::ForceDirectories(fs_, job.outDir);
    job.walk = PathWalk();
  }
  job.dataError = !job.localOk;
  return std::nullopt;
}

// Tries the password, and those OnBadPassword offers, on the encryption header.
std::optional<TZipExtractor::EntryOutcome> TZipExtractor::UnlockPassword(EntryJob& job) {
  if (!work_.Encrypted() || job.dataError) return std::nullopt;
  ReadResult check = reader_->CheckPassword(password_);
  while (check == ReadResult::bad_password && OnBadPassword) {
    std::string offered = password_;
    OnBadPassword(*this, job.index, offered);
    if (offered == password_) break;
    password_ = offered;
    check = reader_->CheckPassword(password_);
  }
  // No encryption header where the data should begin.
  if (check == ReadResult::bad_data) {
    job.dataError = true;
    return std::nullopt;
  }
  if (check == ReadResult::bad_password) {
    Skip(srBadPassword, work_.Directory() + work_.FileName(), job.index);
    return EntryOutcome::badPassword;
  }
  return std::nullopt;
}

// The overwrite policy and the target's attributes decide whether an existing file goes.
std::optional<TZipExtractor::EntryOutcome> TZipExtractor::ClearTarget(EntryJob& job) {
  // The walk's answer holds unless a password handler ran in between, which may do anything.
  uint32_t attributes =
      job.walk.reachedEnd && !work_.Encrypted() ? job.walk.last : fs_.GetAttributes(job.fName);
  if (attributes != sys::kInvalidAttributes && !(attributes & sys::kAttrDirectory) && overwriteMode_ != Always) {
    if (!WantOverwrite(job.fName, job.index, job.fName)) {
      Skip(srNoOverwrite, job.fName, job.index);
      return EntryOutcome::skipped;
    }
    attributes = fs_.GetAttributes(job.fName);
  }
  // A read-only target is only replaced when asked, and its attribute is cleared only once
  // the new data has been verified (and put back when the replacement still fails), so an
  // entry that fails leaves the target as it was. Windows refuses to create a file over a
  // hidden or system one, and clearing the read-only bit does not change that: such a
  // target stays as it is.
  job.attributes = attributes;
  job.readOnlyTarget = attributes != sys::kInvalidAttributes && (attributes & sys::kAttrReadOnly);
  if (attributes != sys::kInvalidAttributes &&
      ((attributes & (sys::kAttrDirectory | sys::kAttrHidden | sys::kAttrSystem)) ||
       (job.readOnlyTarget && !replaceReadOnly_))) {
    Skip(srCreateError, job.fName, job.index);
    return EntryOutcome::skipped;
  }
  return std::nullopt;
}

std::unique_ptr<TBufferedFileStream> TZipExtractor::CreateTemporary(EntryJob& job) {
  RemoveStaleTemporaries(job.outDir);
  for (int attempt = 0; attempt < 16; ++attempt) {
    job.temporary = TemporaryName(job.fName);
    try {
      return std::make_unique<TBufferedFileStream>(fs_, job.temporary, StreamMode::createNew);
    } catch (const base::EFCreateError&) {
      if (fs_.LastError() != sys::kErrorFileExists && fs_.LastError() != sys::kErrorAlreadyExists) break;
    }
  }
  return nullptr;
}

EntryReader::Hooks TZipExtractor::ReaderHooks() {
  EntryReader::Hooks hooks;
  if (doProcessMessages_) hooks.beforeRefill = [this] { PassPendingMessages(); };
  if (OnDecrypt)
    hooks.decrypt = [this](uint8_t* data, uint32_t length) {
      OnDecrypt(*this, data, static_cast<int>(length), password_);
    };
  hooks.written = [this](int64_t written, uint32_t block) {
    if (OnFilePercentDone) OnFilePercentDone(*this, PercentOf(written, work_.UncompressedSize));
    if (OnTotalPercentDone) {
      totalWritten_ += block;
      OnTotalPercentDone(*this, PercentOf(totalWritten_, totalSize_));
    }
  };
  return hooks;
}

// The two ends of decoding that the user is told of in a message box of their own.
void TZipExtractor::ShowDecodeMessage(ReadResult result) {
  if (result == ReadResult::unsupported_method)
    ui_.ShowMessageBox(text::kUnknownMethod, text::kZipErrorCaption, sys::kMbOk);
  else if (result == ReadResult::bad_data && reader_->RanOutOfMemory() && work_.CompressionMethod == kMethodDeflated)
    ui_.ShowMessageBox(text::kInflateOutOfMemory, text::kErrorCaption, sys::kMbOk);
}

// Decodes into a temporary beside the target and verifies the result; the target itself is
// not touched here. An entry whose data ends early, or holds more than it declares, fails
// alone: the run goes on with the next entry. A write that fails ends the run.
TZipExtractor::EntryOutcome TZipExtractor::DecodeToTemporary(EntryJob& job) {
  std::unique_ptr<TBufferedFileStream> out = CreateTemporary(job);
  if (!out) {
    Skip(srCreateError, job.fName, job.index);
    return EntryOutcome::skipped;
  }
  ReadResult result = ReadResult::bad_data;
  try {
    if (!job.dataError) result = reader_->Read(*out, ReaderHooks());
    if (result == ReadResult::write_failed) Raise(ZipError::cantWrite);
    ShowDecodeMessage(result);
    sys::LocalTime stamp{};
    if ((result == ReadResult::ok || result == ReadResult::crc_mismatch) && DosDateTimeToLocal(work_.FileDateTime, stamp))
      /* result not examined */ out->SetLastWriteTime(stamp);
    // Data that never reached the file must not pass for a verified file.
    if (!out->Close(flushFilesOnClose_)) Raise(ZipError::cantWrite);
  } catch (...) {
    out.reset();
    /* result not examined */ fs_.Delete(job.temporary);
    throw;
  }
  out.reset();
  switch (result) {
    case ReadResult::ok: job.calculated = work_.CRC32; return EntryOutcome::extracted;
    case ReadResult::crc_mismatch: job.calculated = reader_->Crc(); return EntryOutcome::badCrc;
    default: job.calculated = ~work_.CRC32; return EntryOutcome::dataError;
  }
}

// Puts the verified temporary under the target's name and gives it the entry's attributes.
TZipExtractor::EntryOutcome TZipExtractor::Commit(const EntryJob& job) {
  const bool cleared = !job.readOnlyTarget || fs_.SetAttributes(job.fName, job.attributes & ~sys::kAttrReadOnly);
  if (!cleared || !fs_.Rename(job.temporary, job.fName, true)) {
    if (cleared && job.readOnlyTarget) /* result not examined */
      fs_.SetAttributes(job.fName, job.attributes);
    /* result not examined */ fs_.Delete(job.temporary);
    Skip(srCreateError, job.fName, job.index);
    return EntryOutcome::skipped;
  }
  if (retainAttributes_)
    /* result not examined */ fs_.SetAttributes(job.fName, DosAttributes(work_.ExternalAttributes));
  if (OnEndUnZip) OnEndUnZip(*this, job.index, job.fName);
  return EntryOutcome::extracted;
}

// A failed entry leaves nothing behind; a new password from OnBadPassword tries it again.
void TZipExtractor::ReportFailure(const EntryJob& job) {
  /* result not examined */ fs_.Delete(job.temporary);
  if (work_.Encrypted()) {
    std::string offered = password_;
    if (OnBadPassword) OnBadPassword(*this, job.index, offered);
    if (OnBadPassword && offered != password_) {
      password_ = offered;
      retry_ = true;
    } else {
      bool retry = false;
      const TZipEntryInfo& entry = Entry(job.index);
      if (OnSkippingFile) OnSkippingFile(*this, srBadPassword, entry.Directory() + entry.FileName(), job.index, retry);
    }
  } else if (OnBadCRC) {
    OnBadCRC(*this, static_cast<int>(job.calculated), static_cast<int>(work_.CRC32), job.index);
  }
}

std::unique_ptr<codec::WorkArea> TZipExtractor::MakeWorkArea() const { return std::make_unique<codec::WorkArea>(); }

TZipExtractor::EntryOutcome TZipExtractor::ExtractEntry(int index) {
  EntryJob job;
  job.index = index;
  if (auto end = ResolveTarget(job)) return *end;
  if (auto end = UnlockPassword(job)) return *end;
  if (auto end = ClearTarget(job)) return *end;
  EntryOutcome outcome = DecodeToTemporary(job);
  if (outcome == EntryOutcome::extracted) return Commit(job);
  if (outcome != EntryOutcome::skipped) ReportFailure(job);
  return outcome;
}

// Sets each entry's MatchFlag from DoAll and FilesList; the run's total size and the count
// of chosen entries follow from them.
int TZipExtractor::ChooseEntries() {
  int numFiles = 0;
  totalSize_ = 0;
  for (int i = 0; i < Count(); ++i) {
    TZipEntryInfo& e = Entry(i);
    e.MatchFlag = doAll_;
    if (!e.FileName().empty() || recreateDirs_) {
      for (const std::string& line : filesList_)
        if (IsMatch(line, e.Directory() + e.FileName())) {
          e.MatchFlag = true;
          break;
        }
    } else {
      e.MatchFlag = false;
    }
    if (e.MatchFlag) {
      totalSize_ += e.UncompressedSize;
      ++numFiles;
    }
  }
  return numFiles;
}

int TZipExtractor::UnZip() {
  LoadWithCursor();
  OpenZip();
  const bool keepOpen = keepZipOpen_;
  keepZipOpen_ = true;
  reader_ = std::make_unique<EntryReader>(directory_, MakeWorkArea());
  extracted_ = 0;
  cleanedDirs_.clear();
  bool viewSwitched = false;
  auto finish = [&] {
    reader_.reset();
    filesList_.clear();
    if (viewSwitched) directory_.UsePhysicalOrder(false);
    if (OnUnZipComplete) OnUnZipComplete(*this, extracted_);
    keepZipOpen_ = keepOpen;
  };
  try {
    if (!destDir_.empty() && !sys::DirectoryExists(fs_, destDir_)) sys::ForceDirectories(fs_, destDir_);
    // Disk order, so that each disk is asked for once.
    if (SpansDisks() && sortMode_ != ByNone) {
      directory_.UsePhysicalOrder(true);
      viewSwitched = true;
    }
    totalWritten_ = 0;
    const int numFiles = ChooseEntries();
    bool stopNow = false;
    if (OnStartUnZipInfo) OnStartUnZipInfo(*this, numFiles, static_cast<double>(totalSize_), stopNow);
    if (numFiles > 0 && !stopNow) {
      for (int i = 0; i < Count(); ++i) {
        if ((!doAll_ && !Entry(i).MatchFlag) || !TakesEntry(i)) continue;
        do {
          retry_ = false;
          if (ExtractEntry(i) == EntryOutcome::extracted) ++extracted_;
        } while (retry_);
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
  return extracted_;
}

}  // namespace zip
