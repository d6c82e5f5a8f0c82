// UnZip: choose entries, work out each output path under DestDir, apply the overwrite
// policy, decode into a temporary beside the target and put it under its final name only
// once its CRC matched, then restore the date and attributes and report through the events.
#include <algorithm>
#include <tuple>

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
    if (c == '.') ++dots;
    else if (c != ' ') return false;
  }
  return dots >= 2;
}

// Checks every part between byte-wise "\" (a GBK trail byte 0x5C separates on some file
// systems too, so the byte-wise split is the stricter one).
bool HasParentReference(const std::string& path) {
  size_t start = 0;
  for (;;) {
    size_t end = path.find('\\', start);
    if (IsParentReference(path.substr(start, end == std::string::npos ? std::string::npos : end - start)))
      return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

bool IsUnsafeFileName(const std::string& name) {
  if (name.find_first_not_of(". ") == std::string::npos) return true;
  return HasParentReference(name);
}

bool Later(const sys::LocalTime& a, const sys::LocalTime& b) {
  auto key = [](const sys::LocalTime& t) {
    return std::make_tuple(t.year, t.month, t.day, t.hour, t.minute, t.second, t.milliseconds);
  };
  return key(a) > key(b);
}

}  // namespace

void TZipExtractor::SetDestDir(const std::string& dir) {
  std::string value = dir;
  if (dir == "?") {
    value = destDir_;
    if (!sys::DirectoryExists(fs_, destDir_ + "\\")) value = fs_.FullPath(".");
    if (!ui_.SelectDirectory(value)) throw EUserCanceled(text::kCanceledDestDir);
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

bool TZipExtractor::ForceDirectories(const std::string& dir) {
  // Walk up to the first existing ancestor, then make the missing ones top-down.
  std::vector<std::string> missing;
  std::string d = base::ExcludeTrailingBackslash(dir);
  while (!d.empty() && !(d.size() == 2 && d[1] == ':') && !sys::DirectoryExists(fs_, d)) {
    missing.push_back(d);
    std::string parent = base::ExcludeTrailingBackslash(base::ExtractFilePath(d));
    if (parent.size() >= d.size()) break;
    d = parent;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it)
    if (!fs_.CreateDirectory(*it) && !sys::DirectoryExists(fs_, *it)) return false;
  return true;
}

std::string TZipExtractor::OutputDirectory(const TZipEntryInfo& entry, bool& unsafe) const {
  unsafe = false;
  if (!recreateDirs_ || entry.Directory().empty()) return destDir_ + "\\";
  std::string p = entry.Directory();
  if (!rootDir_.empty() && p.size() >= rootDir_.size() &&
      base::AnsiUpper(p.substr(0, rootDir_.size())) == base::AnsiUpper(rootDir_))
    p.erase(0, rootDir_.size());
  unsafe = HasParentReference(p);
  bool rooted = !p.empty() && p[0] == '\\';
  bool drive = p.size() >= 2 && p[1] == ':';
  if (p.empty() || (!rooted && !drive)) return destDir_ + "\\" + p;
  if (rooted) return destDir_ + p;
  // A drive form: the drive goes; "C:x\" must not become a sibling of DestDir.
  std::string rest = p.substr(2);
  if (rest.empty() || rest[0] != '\\') rest = "\\" + rest;  // insert() trips a false -Wrestrict in GCC 12
  return destDir_ + rest;
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
      return overwriteMode_ == ifNewer ? Later(entryTime, fileTime) : Later(fileTime, entryTime);
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
  return base::ExtractFilePath(fName) + base::Format("~zv%08x.tmp", ++tempCounter_);
}

void TZipExtractor::ExtractEntry(int index) {
  TZipEntryInfo& entry = Entry(index);
  work_.Assign(entry);
  int nameLength = 0, extraLength = 0;
  bool localOk = true;
  if (!entry.FileName().empty()) {
    if (SpansDisks() && entry.DiskNumberStart != currentDisk_) NextDisk(entry.DiskNumberStart + 1);
    localOk = ReadLocalLengths(entry, nameLength, extraLength);
  }

  bool unsafe = false;
  std::string dir = OutputDirectory(entry, unsafe);
  if (entry.FileName().empty()) {
    if (unsafe) {
      Skip(srCreateError, entry.Directory(), index);
      return;
    }
    if (recreateDirs_ && !sys::DirectoryExists(fs_, base::ExcludeTrailingBackslash(dir))) ForceDirectories(dir);
    ++extracted_;
    return;
  }
  unsafe = unsafe || IsUnsafeFileName(entry.FileName());

  const std::string proposed = dir + entry.FileName();
  std::string fName = proposed;
  bool skip = false;
  if (OnStartUnZip) OnStartUnZip(*this, index, fName, skip);
  if (skip) return;
  // A handler that names the output takes responsibility for where it goes.
  if (unsafe && fName == proposed) {
    Skip(srCreateError, fName, index);
    return;
  }
  std::string outDir = base::ExtractFilePath(fName);
  if (!outDir.empty() && !sys::DirectoryExists(fs_, base::ExcludeTrailingBackslash(outDir))) ForceDirectories(outDir);

  // An encrypted entry too short for its 12-byte header cannot hold data.
  bool dataError = !localOk || (work_.Encrypted() && work_.CompressedSize < int32_t(codec::kCryptHeaderSize));
  if (work_.Encrypted() && !dataError) {
    PositionAtData(work_, nameLength, extraLength);
    zipFile_->Seek(-static_cast<int64_t>(codec::kCryptHeaderSize), 1);
    bool good = CheckPassword(work_);
    while (!good && OnBadPassword) {
      std::string offered = password_;
      OnBadPassword(*this, index, offered);
      if (offered == password_) break;
      password_ = offered;
      zipFile_->Seek(-static_cast<int64_t>(codec::kCryptHeaderSize), 1);
      good = CheckPassword(work_);
    }
    if (!good) {
      Skip(srBadPassword, entry.Directory() + entry.FileName(), index);
      return;
    }
    // The header is taken from the data's size once, however many passwords were tried on
    // it: a right password offered second must find all of its data.
    work_.CompressedSize -= codec::kCryptHeaderSize;
  }

  uint32_t attributes = fs_.GetAttributes(fName);
  if (attributes != sys::kInvalidAttributes && !(attributes & sys::kAttrDirectory) && overwriteMode_ != Always) {
    if (!WantOverwrite(fName, index, fName)) {
      Skip(srNoOverwrite, fName, index);
      return;
    }
    attributes = fs_.GetAttributes(fName);
  }
  if (attributes != sys::kInvalidAttributes) {
    // A read-only target is only replaced when asked, and then its attribute goes first.
    // Windows refuses to create a file over a hidden or system one, and clearing the
    // read-only bit does not change that: such a target stays as it is.
    bool blocked = (attributes & (sys::kAttrDirectory | sys::kAttrHidden | sys::kAttrSystem)) ||
                   ((attributes & sys::kAttrReadOnly) &&
                    (!replaceReadOnly_ || !fs_.SetAttributes(fName, attributes & ~sys::kAttrReadOnly)));
    if (blocked) {
      Skip(srCreateError, fName, index);
      return;
    }
  }

  std::unique_ptr<TBufferedFileStream> out;
  std::string temporary;
  for (int attempt = 0; attempt < 16 && !out; ++attempt) {
    temporary = TemporaryName(fName);
    try {
      out = std::make_unique<TBufferedFileStream>(fs_, temporary, StreamMode::createNew);
    } catch (const base::EFCreateError&) {
      if (fs_.LastError() != sys::kErrorFileExists && fs_.LastError() != sys::kErrorAlreadyExists) break;
    }
  }
  if (!out) {
    Skip(srCreateError, fName, index);
    return;
  }

  bool failed = dataError;
  try {
    if (!dataError) {
      PositionAtData(work_, nameLength, extraLength);
      try {
        DecodeEntry(*out);
      } catch (const EBiggerThanUncompressed&) {
        failed = true;
      }
    }
    sys::LocalTime stamp{};
    if (!failed && DosDateTimeToLocal(work_.FileDateTime, stamp)) /* result not examined */ out->SetLastWriteTime(stamp);
    // Data that never reached the file must not pass for a verified file.
    if (!out->Close(flushFilesOnClose_)) throw ECantWriteUCF(text::kCantWriteUCF);
  } catch (...) {
    out.reset();
    /* result not examined */ fs_.Delete(temporary);
    throw;
  }
  out.reset();

  uint32_t calculated = ~crc_;
  if (dataError) calculated = ~work_.CRC32;
#ifdef ZORVIK_FUZZING
  // The fuzzer cannot forge CRCs; let it reach the verified path too.
  calculated = work_.CRC32;
#endif
  if (calculated == work_.CRC32) {
    if (!fs_.Rename(temporary, fName, true)) {
      /* result not examined */ fs_.Delete(temporary);
      Skip(srCreateError, fName, index);
      return;
    }
    if (retainAttributes_ && !failed) /* result not examined */ fs_.SetAttributes(fName, work_.ExternalAttributes);
    if (OnEndUnZip) OnEndUnZip(*this, index, fName);
    ++extracted_;
    return;
  }
  /* result not examined */ fs_.Delete(temporary);
  if (work_.Encrypted()) {
    std::string offered = password_;
    if (OnBadPassword) OnBadPassword(*this, index, offered);
    if (OnBadPassword && offered != password_) {
      password_ = offered;
      retry_ = true;
    } else {
      bool retry = false;
      if (OnSkippingFile) OnSkippingFile(*this, srBadPassword, entry.Directory() + entry.FileName(), index, retry);
    }
  } else if (OnBadCRC) {
    OnBadCRC(*this, static_cast<int>(calculated), static_cast<int>(work_.CRC32), index);
  }
}

int TZipExtractor::UnZip() {
  LoadWithCursor();
  OpenZip();
  const bool keepOpen = keepZipOpen_;
  keepZipOpen_ = true;
  AllocateBuffers();
  extracted_ = 0;
  bool viewSwitched = false;
  auto finish = [&] {
    FreeBuffers();
    filesList_.clear();
    if (viewSwitched) view_ = sortedView_ ? sortedView_.get() : master_.get();
    if (OnUnZipComplete) OnUnZipComplete(*this, extracted_);
    keepZipOpen_ = keepOpen;
  };
  try {
    if (!destDir_.empty() && !sys::DirectoryExists(fs_, destDir_)) ForceDirectories(destDir_);
    // Disk order, so that each disk is asked for once.
    if (SpansDisks() && sortMode_ != ByNone) {
      view_ = master_.get();
      viewSwitched = true;
    }
    int numFiles = 0;
    totalSize_ = 0;
    totalWritten_ = 0;
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
    bool stopNow = false;
    if (OnStartUnZipInfo) OnStartUnZipInfo(*this, numFiles, static_cast<double>(totalSize_), stopNow);
    if (numFiles > 0 && !stopNow) {
      for (int i = 0; i < Count(); ++i) {
        if (!doAll_ && !Entry(i).MatchFlag) continue;
        do {
          retry_ = false;
          ExtractEntry(i);
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
