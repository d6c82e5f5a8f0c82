// The front's way with one entry: its target and whether it may be written there, the
// password, the overwrite policy, decoding into a temporary and the commit under its name.
#include "zip/Extraction.h"

#include <algorithm>
#include <string_view>

#include "base/Ansi.h"
#include "base/TemporaryNames.h"
#include "zip/ZipExtractor.h"

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

}  // namespace

Extraction::Extraction(TZipExtractor& front, sys::FileSystem& fs, sys::UserInterface& ui, ArchiveDirectory& directory,
                       EntryReader& reader, Sharing sharing)
    : front_(front),
      fs_(fs),
      ui_(ui),
      directory_(directory),
      reader_(reader),
      sharing_(std::move(sharing)),
      tempCounter_(sharing_.firstTemporary) {}

Extraction::Extraction(TZipExtractor& front, sys::FileSystem& fs, sys::UserInterface& ui, ArchiveDirectory& directory,
                       EntryReader& reader)
    : Extraction(front, fs, ui, directory, reader, Sharing()) {}

// True when a part of path below DestDir (path begins with it) already exists as a link or
// a junction. The extraction makes none, so one found there was put by someone else and may
// lead anywhere; nothing is written through it. What the walk read on the way is kept in
// walk, so that the same attributes are not asked for again.
bool Extraction::ThroughLink(const std::string& path, PathWalk* walk) {
  bool allFolders = true, anyFolder = false;
  for (size_t i = 0; i <= path.size();) {
    const bool end = i == path.size();
    unsigned char c = end ? 0 : static_cast<unsigned char>(path[i]);
    if ((end || c == '\\' || c == '/') && i > front_.DestDir().size() && path[i - 1] != '\\' && path[i - 1] != '/') {
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
bool Extraction::Fits(const std::string& fName, const std::string& outDir) {
  return fs_.PathFits(fName, false) && (outDir.empty() || fs_.PathFits(base::ExcludeTrailingBackslash(outDir), true));
}

// A run killed between decoding and renaming leaves its temporary behind; the first time a
// run writes into a folder, such leftovers go. Only names of TemporaryName's exact form are
// taken, and one that a live run still holds open is refused by the system (it is opened
// without sharing), so a run never takes another's file.
void Extraction::RemoveStaleTemporaries(const std::string& dir) {
  if (!cleanedDirs_.insert(dir).second) return;
  auto sweep = [&] {
    for (const std::string& name : fs_.FindFiles(dir, base::TemporaryPattern(base::kExtractorTemporaries)))
      if (base::IsTemporaryName(name, base::kExtractorTemporaries)) /* result not examined */
        fs_.Delete(dir + name);
  };
  if (sharing_.sweepOnce)
    sharing_.sweepOnce(dir, sweep);
  else
    sweep();
}

std::string Extraction::OutputDirectory(const TZipEntryInfo& entry) const {
  if (!front_.RecreateDirs() || entry.Directory().empty()) return front_.DestDir() + "\\";
  std::string p = entry.Directory();
  if (!front_.RootDir().empty() && p.size() >= front_.RootDir().size() &&
      base::AnsiUpper(p.substr(0, front_.RootDir().size())) == base::AnsiUpper(front_.RootDir()))
    p.erase(0, front_.RootDir().size());
  bool rooted = !p.empty() && p[0] == '\\';
  bool drive = p.size() >= 2 && p[1] == ':';
  if (p.empty() || (!rooted && !drive)) return front_.DestDir() + "\\" + p;
  // A drive form loses its drive and every form its leading separators: "C:x\" must not
  // become a sibling of DestDir, nor "\\server\share\" (or, with an empty DestDir, any rooted
  // path) a place of its own.
  size_t from = drive ? 2 : 0;
  while (from < p.size() && p[from] == '\\') ++from;
  return front_.DestDir() + "\\" + p.substr(from);
}

void Extraction::Skip(TSkipReason reason, const std::string& fName, int index) {
  bool retry = false;
  if (front_.OnSkippingFile) front_.OnSkippingFile(front_, reason, fName, index, retry);
  // Out of the run total, so the total progress can still reach 100.
  totalSize_ -= work_.UncompressedSize;
}

bool Extraction::WantOverwrite(const std::string& fName, int index, std::string& target) {
  switch (front_.OverwriteMode()) {
    case Always: return true;
    case Never: return false;
    case ifNewer:
    case ifOlder: {
      sys::LocalTime entryTime{}, fileTime{};
      if (!DosDateTimeToLocal(work_.FileDateTime, entryTime)) return false;
      auto file = fs_.Open(fName, sys::Access::read, sys::Share::readWrite, sys::Disposition::openExisting);
      if (!file || !file->GetLastWriteTime(fileTime)) return false;
      return front_.OverwriteMode() == ifNewer ? entryTime > fileTime : fileTime > entryTime;
    }
    case Prompt:
    default:
      if (front_.OnPromptForOverwrite) {
        bool overwrite = false;
        front_.OnPromptForOverwrite(front_, overwrite, index, target);
        return overwrite;
      }
      return ui_.ShowMessageBox(std::string(text::kReplaceStart) + work_.FileName() + text::kReplaceEnd,
                                text::kFileExistsCaption, sys::kMbYesNo) == sys::kIdYes;
  }
}

std::string Extraction::TemporaryName(const std::string& fName) {
  return base::ExtractFilePath(fName) + base::TemporaryName(base::kExtractorTemporaries, ++tempCounter_);
}

// A directory entry (no FileName) makes its folder, under the same rules as a file's.
Extraction::Outcome Extraction::ExtractDirectoryEntry(const TZipEntryInfo& entry, const std::string& dir, int index) {
  if (front_.RecreateDirs() && (!LiesInside(front_.DestDir(), dir, true) || ThroughLink(dir) ||
                                !fs_.PathFits(base::ExcludeTrailingBackslash(dir), true))) {
    Skip(srCreateError, entry.Directory(), index);
    return Outcome::skipped;
  }
  if (front_.RecreateDirs() && !sys::DirectoryExists(fs_, base::ExcludeTrailingBackslash(dir)))
    sys::ForceDirectories(fs_, dir);
  return Outcome::extracted;
}

// Where the entry goes, and whether it may go there; makes the target's folder.
std::optional<Extraction::Outcome> Extraction::ResolveTarget(EntryJob& job) {
  const TZipEntryInfo& entry = directory_.Entry(job.index);
  work_.Assign(entry);
  if (!entry.FileName().empty()) job.localOk = reader_.Locate(entry);
  std::string dir = OutputDirectory(entry);
  if (entry.FileName().empty()) {
    // A name empty altogether names no folder either; data it claims that is not there, or
    // not its own, is damage.
    if (entry.Directory().empty() && entry.CompressedSize != 0 &&
        (!reader_.Locate(entry) ||
         !directory_.DataFits(entry, reader_.LocalNameLength(), reader_.LocalExtraLength()))) {
      job.calculated = ~work_.CRC32;
      ReportFailure(job);
      return Outcome::dataError;
    }
    return ExtractDirectoryEntry(entry, dir, job.index);
  }
  // Data that reaches into another entry, or into the directory, is not this entry's own:
  // archives built that way multiply one compressed kernel into many files.
  if (job.localOk && !directory_.DataFits(entry, reader_.LocalNameLength(), reader_.LocalExtraLength())) {
    Skip(srFileOpenError, entry.Directory() + entry.FileName(), job.index);
    return Outcome::skipped;
  }
  const std::string proposed = dir + entry.FileName();
  job.fName = proposed;
  bool skip = false;
  if (front_.OnStartUnZip) front_.OnStartUnZip(front_, job.index, job.fName, skip);
  if (skip) return Outcome::skipped;
  // A handler that names the output takes responsibility for where it goes.
  job.outDir = base::ExtractFilePath(job.fName);
  if ((job.fName == proposed &&
       (!LiesInside(front_.DestDir(), job.fName, false) || ThroughLink(job.fName, &job.walk))) ||
      !Fits(job.fName, job.outDir)) {
    Skip(srCreateError, job.fName, job.index);
    return Outcome::skipped;
  }
  if (!job.outDir.empty() && !job.walk.foldersExist &&
      !sys::DirectoryExists(fs_, base::ExcludeTrailingBackslash(job.outDir))) {
    sys::ForceDirectories(fs_, job.outDir);
    job.walk = PathWalk();
  }
  // Data whose end nothing states cannot be told from what follows it.
  job.dataError = !job.localOk || !directory_.SizeKnown(entry);
  return std::nullopt;
}

// Tries the password, and those front_.OnBadPassword offers, on the encryption header.
std::optional<Extraction::Outcome> Extraction::UnlockPassword(EntryJob& job) {
  if (!work_.Encrypted() || job.dataError) return std::nullopt;
  ReadResult check = reader_.CheckPassword(front_.Password());
  while (check == ReadResult::bad_password && front_.OnBadPassword) {
    std::string offered = front_.Password();
    front_.OnBadPassword(front_, job.index, offered);
    if (offered == front_.Password()) break;
    front_.SetPassword(offered);
    check = reader_.CheckPassword(front_.Password());
  }
  // No encryption header where the data should begin.
  if (check == ReadResult::bad_data) {
    job.dataError = true;
    return std::nullopt;
  }
  if (check == ReadResult::bad_password) {
    Skip(srBadPassword, work_.Directory() + work_.FileName(), job.index);
    return Outcome::badPassword;
  }
  return std::nullopt;
}

// The overwrite policy and the target's attributes decide whether an existing file goes.
std::optional<Extraction::Outcome> Extraction::ClearTarget(EntryJob& job) {
  // The walk's answer holds unless a password handler ran in between, which may do anything.
  uint32_t attributes = job.walk.reachedEnd && !work_.Encrypted() ? job.walk.last : fs_.GetAttributes(job.fName);
  if (attributes != sys::kInvalidAttributes && !(attributes & sys::kAttrDirectory) &&
      front_.OverwriteMode() != Always) {
    if (!WantOverwrite(job.fName, job.index, job.fName)) {
      Skip(srNoOverwrite, job.fName, job.index);
      return Outcome::skipped;
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
       (job.readOnlyTarget && !front_.ReplaceReadOnly()))) {
    Skip(srCreateError, job.fName, job.index);
    return Outcome::skipped;
  }
  return std::nullopt;
}

std::unique_ptr<TBufferedFileStream> Extraction::CreateTemporary(EntryJob& job) {
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

EntryReader::Hooks Extraction::ReaderHooks() {
  EntryReader::Hooks hooks;
  if (front_.DoProcessMessages()) hooks.beforeRefill = [this] { ui_.ProcessMessages(); };
  if (front_.OnDecrypt)
    hooks.decrypt = [this](uint8_t* data, uint32_t length) {
      front_.OnDecrypt(front_, data, static_cast<int>(length), front_.Password());
    };
  hooks.written = [this](int64_t written, uint32_t block) {
    if (front_.OnFilePercentDone) front_.OnFilePercentDone(front_, PercentOf(written, work_.UncompressedSize));
    if (front_.OnTotalPercentDone) {
      totalWritten_ += block;
      front_.OnTotalPercentDone(front_, PercentOf(totalWritten_, totalSize_));
    }
  };
  return hooks;
}

// The two ends of decoding that the user is told of in a message box of their own.
void Extraction::ShowDecodeMessage(ReadResult result) {
  if (result == ReadResult::unsupported_method)
    ui_.ShowMessageBox(text::kUnknownMethod, text::kZipErrorCaption, sys::kMbOk);
  else if (result == ReadResult::bad_data && reader_.RanOutOfMemory() && work_.CompressionMethod == kMethodDeflated)
    ui_.ShowMessageBox(text::kInflateOutOfMemory, text::kErrorCaption, sys::kMbOk);
}

// Decodes into a temporary beside the target and verifies the result; the target itself is
// not touched here. An entry whose data ends early, or holds more than it declares, fails
// alone: the run goes on with the next entry. A write that fails ends the run.
Extraction::Outcome Extraction::DecodeToTemporary(EntryJob& job) {
  std::unique_ptr<TBufferedFileStream> out = CreateTemporary(job);
  if (!out) {
    Skip(srCreateError, job.fName, job.index);
    return Outcome::skipped;
  }
  ReadResult result = ReadResult::bad_data;
  try {
    if (!job.dataError) result = reader_.Read(*out, ReaderHooks());
    if (result == ReadResult::write_failed) Raise(ZipError::cantWrite);
    ShowDecodeMessage(result);
    sys::LocalTime stamp{};
    if ((result == ReadResult::ok || result == ReadResult::crc_mismatch) &&
        DosDateTimeToLocal(work_.FileDateTime, stamp))
      /* result not examined */ out->SetLastWriteTime(stamp);
    // Data that never reached the file must not pass for a verified file.
    if (!out->Close(front_.FlushFilesOnClose())) Raise(ZipError::cantWrite);
  } catch (...) {
    out.reset();
    /* result not examined */ fs_.Delete(job.temporary);
    throw;
  }
  out.reset();
  switch (result) {
    case ReadResult::ok: job.calculated = work_.CRC32; return Outcome::extracted;
    case ReadResult::crc_mismatch: job.calculated = reader_.Crc(); return Outcome::badCrc;
    default: job.calculated = ~work_.CRC32; return Outcome::dataError;
  }
}

// Puts the verified temporary under the target's name and gives it the entry's attributes.
Extraction::Outcome Extraction::Commit(const EntryJob& job) {
  const bool cleared = !job.readOnlyTarget || fs_.SetAttributes(job.fName, job.attributes & ~sys::kAttrReadOnly);
  if (!cleared || !fs_.Rename(job.temporary, job.fName, true)) {
    if (cleared && job.readOnlyTarget) /* result not examined */
      fs_.SetAttributes(job.fName, job.attributes);
    /* result not examined */ fs_.Delete(job.temporary);
    Skip(srCreateError, job.fName, job.index);
    return Outcome::skipped;
  }
  if (front_.RetainAttributes())
    /* result not examined */ fs_.SetAttributes(job.fName, DosAttributes(work_.ExternalAttributes));
  if (front_.OnEndUnZip) front_.OnEndUnZip(front_, job.index, job.fName);
  return Outcome::extracted;
}

// A failed entry leaves nothing behind; a new password from front_.OnBadPassword tries it again.
void Extraction::ReportFailure(const EntryJob& job) {
  if (!job.temporary.empty()) /* result not examined */
    fs_.Delete(job.temporary);
  if (work_.Encrypted()) {
    std::string offered = front_.Password();
    if (front_.OnBadPassword) front_.OnBadPassword(front_, job.index, offered);
    if (front_.OnBadPassword && offered != front_.Password()) {
      front_.SetPassword(offered);
      retry_ = true;
    } else {
      bool retry = false;
      const TZipEntryInfo& entry = directory_.Entry(job.index);
      if (front_.OnSkippingFile)
        front_.OnSkippingFile(front_, srBadPassword, entry.Directory() + entry.FileName(), job.index, retry);
    }
  } else if (front_.OnBadCRC) {
    front_.OnBadCRC(front_, static_cast<int>(job.calculated), static_cast<int>(work_.CRC32), job.index);
  }
}

Extraction::Outcome Extraction::ExtractOnce(int index) {
  EntryJob job;
  job.index = index;
  if (auto end = ResolveTarget(job)) return *end;
  if (auto end = UnlockPassword(job)) return *end;
  if (auto end = ClearTarget(job)) return *end;
  Outcome outcome = DecodeToTemporary(job);
  if (outcome == Outcome::extracted) return Commit(job);
  if (outcome != Outcome::skipped) ReportFailure(job);
  return outcome;
}

// Sets each entry's MatchFlag from DoAll and FilesList; the run's total size and the count
// of chosen entries follow from them.
int Extraction::Choose() {
  int numFiles = 0;
  totalSize_ = 0;
  for (int i = 0; i < directory_.Count(); ++i) {
    TZipEntryInfo& e = directory_.Entry(i);
    e.MatchFlag = front_.DoAll();
    if (!e.FileName().empty() || front_.RecreateDirs()) {
      for (const std::string& line : front_.FilesList())
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

void AnswerDirectoryQuestions(TZipExtractor& front, ArchiveDirectory& directory) {
  directory.questions.incompleteMode = [&front] {
    TIncompleteZipMode mode = front.IncompleteZipMode();
    if (front.OnInCompleteZip) {
      front.OnInCompleteZip(front, mode);
      front.SetIncompleteZipMode(mode);
    }
    return mode;
  };
  directory.questions.mayAskForDisk = [&front] { return static_cast<bool>(front.OnGetNextDisk); };
  directory.questions.askForDisk = [&front](int disk, std::string& name) {
    if (front.OnGetNextDisk)
      front.OnGetNextDisk(front, disk, name);
    else
      name.clear();
  };
}

Extraction::Outcome Extraction::Extract(int index) {
  Outcome outcome;
  do {
    retry_ = false;
    outcome = ExtractOnce(index);
  } while (retry_);
  return outcome;
}

}  // namespace zip
