// The directory side of TZipExtractor: opening the archive, finding its end record, reading
// the central directory into the entry lists, recovering by a scan of local headers, and
// moving between the disks of a multi-disk set.
#include "zip/ZipExtractor.h"
#include "zip/codec/WorkArea.h"

#include "base/Ansi.h"

namespace zip {

namespace {

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

// Index of the extension's dot in the file-name part, or npos.
size_t ExtensionDot(const std::string& path) {
  size_t slash = base::LastBackslash(path);
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string::npos;
  return dot;
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  size_t dot = ExtensionDot(path);
  return (dot == std::string::npos ? path : path.substr(0, dot)) + ext;
}

std::string FileExt(const std::string& path) {
  size_t dot = ExtensionDot(path);
  return dot == std::string::npos ? std::string() : path.substr(dot);
}

bool SameTime(const sys::LocalTime& a, const sys::LocalTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute &&
         a.second == b.second && a.milliseconds == b.milliseconds;
}

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

TZipExtractor::TZipExtractor(sys::FileSystem& fs, sys::UserInterface& ui, bool designing)
    : fs_(fs), ui_(ui), designing_(designing) {
  work_.OEMConvert = oemConvert_;
  if (!designing_)
    OnGetNextDisk = [](TZipExtractor& sender, int nextDisk, std::string& fName) {
      sender.DefaultGetNextDisk(sender, nextDisk, fName);
    };
}

TZipExtractor::~TZipExtractor() { ClearZip(); }

void TZipExtractor::Loaded() { work_.OEMConvert = oemConvert_; }

void TZipExtractor::Assign(const TZipExtractor& s) {
  zipName_ = s.zipName_;
  destDir_ = s.destDir_;
  sortMode_ = s.sortMode_;
  rootDir_ = s.rootDir_;
  recreateDirs_ = s.recreateDirs_;
  overwriteMode_ = s.overwriteMode_;
  filesList_ = s.filesList_;
  doAll_ = s.doAll_;
  incompleteZipMode_ = s.incompleteZipMode_;
  keepZipOpen_ = s.keepZipOpen_;
  doProcessMessages_ = s.doProcessMessages_;
  retainAttributes_ = s.retainAttributes_;
  replaceReadOnly_ = s.replaceReadOnly_;
  OnStartUnZipInfo = s.OnStartUnZipInfo;
  OnFilePercentDone = s.OnFilePercentDone;
  OnTotalPercentDone = s.OnTotalPercentDone;
  OnStartUnZip = s.OnStartUnZip;
  OnEndUnZip = s.OnEndUnZip;
  OnPromptForOverwrite = s.OnPromptForOverwrite;
  OnSkippingFile = s.OnSkippingFile;
  OnBadPassword = s.OnBadPassword;
  OnBadCRC = s.OnBadCRC;
  OnInCompleteZip = s.OnInCompleteZip;
  OnGetNextDisk = s.OnGetNextDisk;
  OnUnZipComplete = s.OnUnZipComplete;
  OnGetNextBuffer = s.OnGetNextBuffer;
}

void TZipExtractor::SetZipName(const std::string& name) {
  if (base::UpperAscii(name) == base::UpperAscii(zipName_)) return;
  if (designing_) {
    zipName_ = name;
    return;
  }
  std::string chosen = name;
  if (!name.empty() && name.back() == '?') {
    std::string given = name.substr(0, name.size() - 1);
    std::string dir = base::ExtractFilePath(given);
    sys::OpenFileRequest request{text::kOpenZipTitle, text::kOpenZipFilter,
                                 !dir.empty() && sys::DirectoryExists(fs_, base::ExcludeTrailingBackslash(dir))
                                     ? dir
                                     : std::string("C:\\")};
    chosen = base::ExtractFileName(given);
    if (!ui_.OpenFileDialog(request, chosen)) throw EUserCanceled(text::kCanceledZipName);
  }
  zipName_ = chosen;
  FreeLists();
  ecrec_.Reset();
  CloseArchiveFile();
  scanned_ = false;
  directoryLoaded_ = false;
}

void TZipExtractor::OpenArchiveFile() {
  if (!zipFile_) zipFile_ = std::make_unique<TBufferedFileStream>(fs_, zipName_, StreamMode::openRead);
}

void TZipExtractor::CloseArchiveFile() { zipFile_.reset(); }

void TZipExtractor::FreeLists() {
  sortedView_.reset();
  master_.reset();
  view_ = nullptr;
}

void TZipExtractor::OpenZip() {
  OpenArchiveFile();
  sys::LocalTime now{};
  bool known = zipFile_->GetLastWriteTime(now);
  if (!directoryLoaded_ || !known || !SameTime(now, zipTime_)) ReadZip();
}

void TZipExtractor::CloseZip() {
  if (!keepZipOpen_) CloseArchiveFile();
}

void TZipExtractor::ClearZip() {
  CloseArchiveFile();
  FreeLists();
  ecrec_.Reset();
  scanned_ = false;
  diskCount_ = 1;
  multiMode_ = mmNone;
  zipName_.clear();
  directoryLoaded_ = false;
}

void TZipExtractor::RaiseBadZip() {
  ClearZip();
  throw EBadZipFile(text::kNotAZipFile);
}

int TZipExtractor::Count() const { return master_ ? master_->Count() : 0; }

TZipEntryInfo& TZipExtractor::Entry(int index) const {
  if (!view_) throw base::EListError(base::Format(text::kIndexOutOfRange, index));
  return *view_->Entry(index);
}

const std::string& TZipExtractor::Filename(int index) const { return Entry(index).FileName(); }

void TZipExtractor::PassPendingMessages() { ui_.ProcessMessages(); }

bool TZipExtractor::ReadCentralHeader(TBufferStream& first, TZipEntryInfo& e, bool mayChangeDisk) {
  TBufferStream* in = &first;
  int64_t start = in->Position();
  uint8_t h[kCentralHeaderSize];
  uint32_t got = in->Read(h, kCentralHeaderSize);
  if (mayChangeDisk && (got == 0 || (got < kCentralHeaderSize && got >= 4 && Le32(h) == kCentralSignature))) {
    NextDisk(currentDisk_ + 2);
    in = zipFile_.get();
    start = -static_cast<int64_t>(got);
    got += in->Read(h + got, kCentralHeaderSize - got);
  }
  auto fail = [&] {
    in->Seek(start < 0 ? 0 : start, 0);
    return false;
  };
  if (got < kCentralHeaderSize || Le32(h) != kCentralSignature) return fail();
  std::string name(Le16(h + 28), '\0');
  if (!name.empty() && in->Read(name.data(), static_cast<uint32_t>(name.size())) != name.size()) return fail();
  for (char& c : name)
    if (c == '/') c = '\\';
  if (h[5] == 0 && e.OEMConvert) name = ui_.OemToAnsi(name);
  e.VersionMadeBy = Le16(h + 4);
  e.VersionNeeded = Le16(h + 6);
  e.Flags = Le16(h + 8);
  e.CompressionMethod = Le16(h + 10);
  e.FileDateTime = MakeValidDosDateTime(Le32(h + 12));
  e.CRC32 = Le32(h + 16);
  e.CompressedSize = static_cast<int32_t>(Le32(h + 20));
  e.UncompressedSize = static_cast<int32_t>(Le32(h + 24));
  e.ExtraFieldLength = Le16(h + 30);
  e.FileCommentLength = Le16(h + 32);
  e.DiskNumberStart = Le16(h + 34);
  e.InternalAttributes = Le16(h + 36);
  e.ExternalAttributes = Le32(h + 38);
  e.RelativeOffset = static_cast<int32_t>(Le32(h + 42));
  e.SetPath(name);
  e.CentralOffset = static_cast<int32_t>(start < 0 ? 0 : start);
  e.MatchFlag = false;
  e.Selected = false;
  e.DropComment();
  return true;
}

bool TZipExtractor::ReadLocalHeader(TBufferStream& in, TZipEntryInfo& e) {
  int64_t start = in.Position();
  uint8_t h[kLocalHeaderSize];
  if (in.Read(h, kLocalHeaderSize) != kLocalHeaderSize || Le32(h) != kLocalSignature) {
    in.Seek(start, 0);
    return false;
  }
  std::string name(Le16(h + 26), '\0');
  if (!name.empty() && in.Read(name.data(), static_cast<uint32_t>(name.size())) != name.size()) {
    in.Seek(start, 0);
    return false;
  }
  for (char& c : name)
    if (c == '/') c = '\\';
  if (e.OEMConvert) name = ui_.OemToAnsi(name);
  e.VersionMadeBy = 0;
  e.VersionNeeded = Le16(h + 4);
  e.Flags = Le16(h + 6);
  e.CompressionMethod = Le16(h + 8);
  e.FileDateTime = MakeValidDosDateTime(Le32(h + 10));
  e.CRC32 = Le32(h + 14);
  e.CompressedSize = static_cast<int32_t>(Le32(h + 18));
  e.UncompressedSize = static_cast<int32_t>(Le32(h + 22));
  e.LocalExtraFieldLength = Le16(h + 28);
  e.ExtraFieldLength = 0;
  e.FileCommentLength = 0;
  e.DiskNumberStart = 0;
  e.InternalAttributes = 0;
  e.ExternalAttributes = 0;
  e.CentralOffset = 0;
  e.SetPath(name);
  e.RelativeOffset = static_cast<int32_t>(start);
  return true;
}

bool TZipExtractor::ScanLocalHeaders() {
  if (scanned_) return false;
  scanned_ = true;
  FreeLists();
  TBufferStream& in = *zipFile_;
  // Self-extracting programs keep their own code before the archive.
  if (in.Seek(base::UpperAscii(FileExt(zipName_)) == ".EXE" ? 14000 : 0, 0) < 0) return false;
  static constexpr uint8_t kSig[4] = {0x50, 0x4B, 0x03, 0x04};
  uint32_t examined = 0;
  int matched = 0;
  for (;;) {
    uint8_t b = 0;
    if (!in.ReadByte(b)) return false;
    if (++examined % 10240 == 0 && doProcessMessages_) PassPendingMessages();
    if (b != kSig[matched]) {
      matched = b == kSig[0] ? 1 : 0;
      continue;
    }
    if (++matched < 4) continue;
    matched = 0;
    uint8_t version[2];
    if (in.Read(version, 2) != 2) return false;
    if (version[1] >= 10) {
      // Go on matching with the two bytes just read; no seek, so a file full of false
      // signatures costs no more than reading it once.
      matched = version[0] == kSig[0] && version[1] == kSig[1] ? 2 : version[1] == kSig[0] ? 1 : 0;
      continue;
    }
    in.Seek(-6, 1);
    break;
  }
  master_ = std::make_unique<TSortedZipList>(ByNone, true, dupError);
  int found = 0;
  for (;;) {
    auto rec = std::make_unique<TZipEntryInfo>();
    rec->OEMConvert = oemConvert_;
    if (!ReadLocalHeader(in, *rec)) break;
    int64_t next = in.Position() + rec->LocalExtraFieldLength + (rec->HasDataDescriptor() ? kDataDescriptorSize : 0);
    // A negative size would walk backwards over headers already taken.
    if (rec->CompressedSize < 0) break;
    next += rec->CompressedSize;
    try {
      master_->Add(rec.get());
    } catch (const base::EListError&) {
      break;
    }
    rec.release();
    ++found;
    if (in.Seek(next, 0) != next) break;
  }
  ecrec_.ThisDisk = 0;
  currentDisk_ = 0;
  ecrec_.CentralDirOffset = static_cast<uint32_t>(in.Position());
  ecrec_.TotalEntries = static_cast<uint16_t>(found);
  diskCount_ = 1;
  return found > 0;
}

void TZipExtractor::ReadZip() {
  OpenArchiveFile();
  zipFile_->GetLastWriteTime(zipTime_);
  FreeLists();
  directoryLoaded_ = false;
  // Every load starts afresh: an archive that had to be scanned and has since changed on
  // disk is scanned again, not refused as scanned already.
  scanned_ = false;
  ecrec_.Reset();
  bool found = ecrec_.FindEndRecord(*zipFile_) && ecrec_.Plausible();

  // The configuration file of a multi-disk set carries a copy of the directory.
  std::unique_ptr<TBufferedFileStream> zfc;
  if (!found) {
    std::string zfcName = ChangeFileExt(zipName_, ".zfc");
    if (sys::FileExists(fs_, zfcName)) {
      try {
        zfc = std::make_unique<TBufferedFileStream>(fs_, zfcName, StreamMode::openRead);
      } catch (const base::EFOpenError&) {
      }
      if (zfc) {
        ecrec_.Reset();
        found = ecrec_.FindEndRecord(*zfc) && ecrec_.Plausible();
        if (!found) zfc.reset();
      }
    }
  }
  auto input = [&]() -> TBufferStream& { return zfc ? static_cast<TBufferStream&>(*zfc) : *zipFile_; };

  if (found) {
    currentDisk_ = zfc ? 0 : ecrec_.ThisDisk;
    if (ecrec_.ThisDisk == 0)
      multiMode_ = mmNone;
    else if (HasDriveLetter(zipName_) && ui_.DriveType(zipName_.substr(0, 3)) == sys::kDriveRemovable)
      multiMode_ = mmRemovable;
    else
      multiMode_ = mmSplitFiles;
    // The end record sits on the disk named now; take its comment before moving away.
    if (SpansDisks() && ecrec_.CommentLength) ecrec_.Comment = ReadEndComment(input());
    if (ecrec_.TotalEntries != 0) {
      if (SpansDisks() && !zfc && ecrec_.CentralDirStartDisk != currentDisk_)
        NextDisk(ecrec_.CentralDirStartDisk + 1);
      input().Seek(zfc ? 0 : ecrec_.CentralDirOffset, 0);
    }
  } else {
    if (OnInCompleteZip) OnInCompleteZip(*this, incompleteZipMode_);
    if (incompleteZipMode_ == izAssumeNotAZip) throw ENotAZipFile(text::kNotAZipFile);
    if (incompleteZipMode_ == izAssumeMulti) throw EIncompleteZip(text::kIncompleteZip);
    if (!ScanLocalHeaders()) RaiseBadZip();
  }

  if (!master_) master_ = std::make_unique<TSortedZipList>(ByNone, true, dupError);
  int total = ecrec_.TotalEntries;
  TZipEntryInfo* previous = nullptr;
  for (int i = 0; i < total;) {
    auto rec = std::make_unique<TZipEntryInfo>();
    rec->OEMConvert = oemConvert_;
    bool mayChangeDisk = SpansDisks() && !scanned_ && !zfc;
    bool ok = ReadCentralHeader(input(), *rec, mayChangeDisk);
    if (!ok && previous && previous->ExtraFieldLength != 0) {
      // An overstated extra field length puts the next header earlier than it says.
      int back = previous->ExtraFieldLength;
      previous->ExtraFieldLength = 0;
      input().Seek(-back, 1);
      ok = ReadCentralHeader(input(), *rec, mayChangeDisk);
    }
    if (ok && !scanned_) {
      TZipEntryInfo* entry = rec.get();
      bool added = true;
      try {
        master_->Add(entry);
      } catch (const base::EListError&) {
        added = false;
      }
      if (added) {
        rec.release();
        input().Seek(entry->ExtraFieldLength, 1);
        if (SpansDisks() && entry->HasComment()) {
          uint16_t length = entry->FileCommentLength;
          std::string comment(length, '\0');
          comment.resize(input().Read(comment.data(), length));
          entry->SetFileComment(comment);
          entry->FileCommentLength = length;
        } else {
          input().Seek(entry->FileCommentLength, 1);
        }
        previous = entry;
        ++i;
        continue;
      }
      // Two entries claim the same place: only the local headers can say what is there.
      if (!ScanLocalHeaders()) RaiseBadZip();
      total = ecrec_.TotalEntries;
      previous = nullptr;
      i = 0;
      continue;
    }
    if (ok) {
      int index = 0;
      previous = nullptr;
      if (master_->Find(rec.get(), index)) {
        TZipEntryInfo* scannedEntry = master_->Entry(index);
        int32_t offset = scannedEntry->RelativeOffset;
        scannedEntry->Assign(*rec);
        scannedEntry->RelativeOffset = offset;
        previous = scannedEntry;
      }
      input().Seek(rec->ExtraFieldLength + rec->FileCommentLength, 1);
      ++i;
      continue;
    }
    if (scanned_) break;
    if (SpansDisks() || !ScanLocalHeaders()) RaiseBadZip();
    total = ecrec_.TotalEntries;
    previous = nullptr;
    i = 0;
  }

  diskCount_ = ecrec_.ThisDisk + 1;
  currentDisk_ = zfc ? 0 : ecrec_.ThisDisk;
  BuildView();
  directoryLoaded_ = true;
}

void TZipExtractor::BuildView() {
  sortedView_.reset();
  view_ = master_.get();
  if (sortMode_ == ByNone || !master_) return;
  sortedView_ = std::make_unique<TSortedZipList>(sortMode_, false, dupAccept);
  std::vector<TObject*> entries;
  entries.reserve(static_cast<size_t>(master_->Count()));
  for (int i = 0; i < master_->Count(); ++i) entries.push_back(master_->Item(i));
  sortedView_->AddAll(entries);
  view_ = sortedView_.get();
}

std::string TZipExtractor::ReadEndComment(TBufferStream& in) {
  int64_t saved = in.Position();
  std::string comment(ecrec_.CommentLength, '\0');
  if (in.Seek(ecrec_.CommentPosition, 0) >= 0)
    comment.resize(in.Read(comment.data(), ecrec_.CommentLength));
  else
    comment.clear();
  ecrec_.CommentLoaded = true;
  in.Seek(saved, 0);
  return comment;
}

std::string TZipExtractor::FileComment(int index) {
  TZipEntryInfo& e = Entry(index);
  if (!e.HasComment() || e.CommentLoaded()) return e.FileComment();
  OpenArchiveFile();
  TBufferStream& in = *zipFile_;
  int64_t saved = in.Position();
  uint8_t h[kCentralHeaderSize];
  std::string comment;
  if (in.Seek(e.CentralOffset, 0) >= 0 && in.Read(h, kCentralHeaderSize) == kCentralHeaderSize &&
      in.Seek(Le16(h + 28) + Le16(h + 30), 1) >= 0) {
    comment.resize(e.FileCommentLength);
    comment.resize(in.Read(comment.data(), e.FileCommentLength));
  }
  uint16_t length = e.FileCommentLength;
  e.SetFileComment(comment);
  e.FileCommentLength = length;
  in.Seek(saved, 0);
  if (!SpansDisks()) CloseZip();
  return comment;
}

std::string TZipExtractor::ZipComment() {
  if (ecrec_.CommentLength == 0 || ecrec_.CommentLoaded) return ecrec_.Comment;
  OpenArchiveFile();
  ecrec_.Comment = ReadEndComment(*zipFile_);
  if (!SpansDisks()) CloseZip();
  return ecrec_.Comment;
}

void TZipExtractor::NextDisk(int disk) {
  CloseArchiveFile();
  std::string name = zipName_;
  std::string lastRefused;
  for (;;) {
    name = zipName_;
    if (OnGetNextDisk)
      OnGetNextDisk(*this, disk, name);
    else
      name.clear();
    if (name.empty()) throw EUserCanceled(text::kCanceledNextDisk);
    bool usable = true;
    if (multiMode_ == mmRemovable && checkDiskLabels_) {
      std::string label;
      ui_.VolumeLabel(zipName_.substr(0, 3), label);
      label = label.substr(0, 11);
      std::string number = base::Format("%3.3d", disk);
      usable = label.size() >= number.size() && label.compare(label.size() - number.size(), number.size(), number) == 0;
    }
    if (usable) usable = sys::FileExists(fs_, name);
    if (usable) break;
    // Split files are named, not inserted: asking again cannot bring a missing one.
    if (multiMode_ != mmRemovable && name == lastRefused) throw EUserCanceled(text::kCanceledNextDisk);
    lastRefused = name;
  }
  zipFile_ = std::make_unique<TBufferedFileStream>(fs_, name, StreamMode::openRead);
  currentDisk_ = disk - 1;
  zipFile_->GetLastWriteTime(zipTime_);
  zipName_ = name;
}

void TZipExtractor::DefaultGetNextDisk(TZipExtractor& sender, int nextDisk, std::string& fName) {
  if (sender.multiMode_ == mmSplitFiles) {
    fName = ChangeFileExt(fName, base::Format(".%3.3d", nextDisk));
  } else if (sender.multiMode_ == mmRemovable) {
    sender.ui_.SetCursor(sys::Cursor::normal);
    std::string message = std::string(text::kInsertDiskStart) + std::to_string(nextDisk) + text::kInsertDiskEnd;
    if (sender.ui_.ShowMessageBox(message, "", sys::kMbOkCancel) == sys::kIdCancel) fName.clear();
  }
}

void TZipExtractor::LoadWithCursor() {
  sys::Cursor saved = ui_.SetCursor(sys::Cursor::wait);
  try {
    for (;;) {
      try {
        OpenZip();
        break;
      } catch (const EIncompleteZip&) {
        CloseArchiveFile();
        // A handler is asked again until it picks a mode that settles the question.
        if (!OnInCompleteZip) break;
      }
    }
  } catch (...) {
    ClearZip();
    ui_.SetCursor(saved);
    throw;
  }
  CloseZip();
  ui_.SetCursor(saved);
}

}  // namespace zip
