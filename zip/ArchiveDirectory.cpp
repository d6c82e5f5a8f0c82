// The directory of an archive: finding the end record, reading the central directory into
// the entry lists, recovering by a scan of local headers, and moving between the disks of a
// multi-disk set.
#include "zip/ArchiveDirectory.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "base/Ansi.h"
#include "zip/ZipErrors.h"
#include "zip/codec/Crc32.h"

namespace zip {

namespace {

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

bool HasDriveLetter(const std::string& path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

}  // namespace

void ArchiveDirectory::SetName(const std::string& name) {
  name_ = name;
  FreeLists();
  ecrec_.Reset();
  Close();
  scanned_ = false;
  commentCut_ = false;
  loaded_ = false;
}

void ArchiveDirectory::Open() {
  if (!file_) file_ = std::make_unique<TBufferedFileStream>(fs_, name_, StreamMode::openRead);
}

void ArchiveDirectory::Clear() {
  Close();
  FreeLists();
  ecrec_.Reset();
  scanned_ = false;
  commentCut_ = false;
  diskCount_ = 1;
  multiMode_ = mmNone;
  name_.clear();
  loaded_ = false;
}

bool ArchiveDirectory::NeedsReading() {
  Open();
  sys::LocalTime now{};
  bool known = file_->GetLastWriteTime(now);
  return !loaded_ || !known || now != fileTime_;
}

void ArchiveDirectory::FreeLists() {
  sortedView_.reset();
  master_.reset();
  view_ = nullptr;
  dataLimits_.clear();
  undelimited_.clear();
  sharedHeaders_.clear();
}

void ArchiveDirectory::RaiseBadZip() {
  Clear();
  Raise(ZipError::badZipFile);
}

TZipEntryInfo& ArchiveDirectory::Entry(int index) const {
  if (!view_) throw base::EListError(base::Format(text::kIndexOutOfRange, index));
  return *view_->Entry(index);
}

// Multi-disk sets are extracted disk by disk, so that each disk is asked for once.
void ArchiveDirectory::UsePhysicalOrder(bool physical) {
  if (!master_) return;
  view_ = physical || !sortedView_ ? master_.get() : sortedView_.get();
}

namespace {

// Both headers hold the same fields from "version needed to extract" to the uncompressed
// size, in the same order; the central one has them 2 bytes later, after "version made by".
void ReadSharedFields(const uint8_t* versionNeeded, TZipEntryInfo& e) {
  using namespace local_header;
  const uint8_t* h = versionNeeded - kVersionNeeded;
  e.VersionNeeded = Le16(h + kVersionNeeded);
  e.Flags = Le16(h + kFlags);
  e.CompressionMethod = Le16(h + kMethod);
  e.FileDateTime = MakeValidDosDateTime(Le32(h + kDateTime));
  e.CRC32 = Le32(h + kCrc);
  e.CompressedSize = static_cast<int32_t>(Le32(h + kCompressedSize));
  e.UncompressedSize = static_cast<int32_t>(Le32(h + kUncompressedSize));
}

}  // namespace

bool ArchiveDirectory::ReadCentralHeader(TBufferStream& first, TZipEntryInfo& e, bool mayChangeDisk) {
  using namespace central_header;
  TBufferStream* in = &first;
  int64_t start = in->Position();
  uint8_t h[kCentralHeaderSize];
  uint32_t got = in->Read(h, kCentralHeaderSize);
  if (mayChangeDisk && (got == 0 || (got < kCentralHeaderSize && got >= 4 && Le32(h) == kCentralSignature))) {
    NextDisk(currentDisk_ + 2);
    in = file_.get();
    start = -static_cast<int64_t>(got);
    got += in->Read(h + got, kCentralHeaderSize - got);
  }
  auto fail = [&] {
    in->Seek(start < 0 ? 0 : start, sys::SeekOrigin::begin);
    return false;
  };
  if (got < kCentralHeaderSize || Le32(h) != kCentralSignature) return fail();
  std::string name(Le16(h + kNameLength), '\0');
  if (!name.empty() && in->Read(name.data(), static_cast<uint32_t>(name.size())) != name.size()) return fail();
  base::SlashesToBackslashes(name);
  if (h[kHostSystem] == 0 && e.OEMConvert) name = ui_.OemToAnsi(name);
  e.VersionMadeBy = Le16(h + kVersionMadeBy);
  ReadSharedFields(h + kVersionNeeded, e);
  e.ExtraFieldLength = Le16(h + kExtraLength);
  e.FileCommentLength = Le16(h + kCommentLength);
  e.DiskNumberStart = Le16(h + kDiskStart);
  e.InternalAttributes = Le16(h + kInternalAttributes);
  e.ExternalAttributes = Le32(h + kExternalAttributes);
  e.RelativeOffset = static_cast<int32_t>(Le32(h + kLocalOffset));
  // Some archivers mark a folder by its MS-DOS attribute alone, without the trailing
  // separator; taken as a file, it would stand in the way of the entries under it. One that
  // holds data stays a file, so that no data is dropped.
  if ((e.ExternalAttributes & sys::kAttrDirectory) && e.UncompressedSize == 0 && !name.empty())
    base::AppendBackslash(name);
  e.SetPath(name);
  e.CentralOffset = static_cast<int32_t>(start < 0 ? 0 : start);
  e.MatchFlag = false;
  e.Selected = false;
  e.DropComment();
  return true;
}

bool ArchiveDirectory::ReadLocalHeader(TBufferStream& in, TZipEntryInfo& e) {
  using namespace local_header;
  int64_t start = in.Position();
  uint8_t h[kLocalHeaderSize];
  std::string name;
  bool ok = in.Read(h, kLocalHeaderSize) == kLocalHeaderSize && Le32(h) == kLocalSignature;
  if (ok) {
    name.resize(Le16(h + kNameLength));
    ok = name.empty() || in.Read(name.data(), static_cast<uint32_t>(name.size())) == name.size();
  }
  if (!ok) {
    in.Seek(start, sys::SeekOrigin::begin);
    return false;
  }
  base::SlashesToBackslashes(name);
  if (e.OEMConvert) name = ui_.OemToAnsi(name);
  e.VersionMadeBy = 0;
  ReadSharedFields(h + kVersionNeeded, e);
  e.LocalExtraFieldLength = Le16(h + kExtraLength);
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

std::unique_ptr<TZipEntryInfo> ArchiveDirectory::NewRecord() const {
  auto rec = std::make_unique<TZipEntryInfo>();
  rec->OEMConvert = settings_.oemConvert;
  return rec;
}

// Leaves the stream at the first local header signature followed by a plausible version.
bool ArchiveDirectory::FindFirstLocalHeader(TBufferStream& in) {
  // Self-extracting programs keep their own code before the archive.
  int64_t from = base::UpperAscii(FileExt(name_)) == ".EXE" ? 14000 : 0;
  return in.Seek(from, sys::SeekOrigin::begin) >= 0 && FindLocalSignature(in);
}

// From the stream's position on.
bool ArchiveDirectory::FindLocalSignature(TBufferStream& in) {
  static constexpr uint8_t kSig[4] = {0x50, 0x4B, 0x03, 0x04};
  uint32_t examined = 0;
  int matched = 0;
  for (;;) {
    uint8_t b = 0;
    if (!in.ReadByte(b)) return false;
    if (++examined % 10240 == 0 && settings_.processMessages) ui_.ProcessMessages();
    if (b != kSig[matched]) {
      matched = b == kSig[0] ? 1 : 0;
      continue;
    }
    if (++matched < 4) continue;
    matched = 0;
    uint8_t version[2];
    if (in.Read(version, 2) != 2) return false;
    if (version[1] < 10) break;
    // Go on matching with the two bytes just read; no seek, so a file full of false
    // signatures costs no more than reading it once.
    matched = version[0] == kSig[0] && version[1] == kSig[1] ? 2 : version[1] == kSig[0] ? 1 : 0;
  }
  in.Seek(-6, sys::SeekOrigin::current);
  return true;
}

// The data descriptor that ends an entry whose sizes its local header left at 0, searched
// from the data's start (the stream's position): one whose sizes are the distance covered,
// and for stored data whose CRC is that of the bytes before it; without its signature only
// stored data can be confirmed. Takes CRC and sizes from it and leaves the stream after it.
// The search ends at the next local header's signature, so that a run of such entries costs
// one reading of the file, not one for each.
bool ArchiveDirectory::DelimitByDescriptor(TBufferStream& in, TZipEntryInfo& e) {
  const bool stored = e.CompressionMethod == kMethodStored;
  const int64_t start = in.Position();
  uint8_t window[kDataDescriptorSize] = {};                     // the last bytes read, window[15] the newest
  uint32_t crcBefore16 = 0xFFFFFFFF, crcBefore12 = 0xFFFFFFFF;  // of the data up to each candidate
  for (int64_t read = 0;; ++read) {
    if (read >= 16) crcBefore16 = codec::Crc32Update(crcBefore16, window, 1);
    if (read >= 12) crcBefore12 = codec::Crc32Update(crcBefore12, window + 4, 1);
    std::memmove(window, window + 1, sizeof window - 1);
    if (!in.ReadByte(window[15])) return false;
    if (read % 10240 == 10239 && settings_.processMessages) ui_.ProcessMessages();
    // With the signature: the 16 bytes end here; without: the last 12.
    const int64_t withSignature = read + 1 - 16, without = read + 1 - 12;
    const uint8_t* d = nullptr;
    if (withSignature >= 0 && Le32(window) == kDataDescriptorSignature && Le32(window + 8) == withSignature &&
        (!stored || (Le32(window + 12) == withSignature && Le32(window + 4) == ~crcBefore16)))
      d = window + 4;
    else if (stored && without >= 0 && Le32(window + 8) == without && Le32(window + 12) == without &&
             Le32(window + 4) == ~crcBefore12)
      d = window + 4;
    if (!d) {
      if (read >= 3 && Le32(window + 12) == kLocalSignature) return false;
      continue;
    }
    e.CRC32 = Le32(d);
    e.CompressedSize = static_cast<int32_t>(Le32(d + 4));
    e.UncompressedSize = static_cast<int32_t>(Le32(d + 8));
    return in.Seek(start + read + 1, sys::SeekOrigin::begin) >= 0;
  }
}

// Walks the local headers one after the other, each found by the sizes of the one before,
// or by its data descriptor where the header has none. An entry nothing delimits is kept,
// to fail when it is extracted, and the walk goes on at the next signature.
int ArchiveDirectory::CollectLocalHeaders(TBufferStream& in) {
  int found = 0;
  for (;;) {
    auto rec = NewRecord();
    if (!ReadLocalHeader(in, *rec)) break;
    const int64_t data = in.Position() + rec->LocalExtraFieldLength;
    // A negative size would walk backwards over headers already taken.
    if (rec->CompressedSize < 0) break;
    const bool unsized = rec->HasDataDescriptor() && rec->CompressedSize == 0 && rec->UncompressedSize == 0;
    bool delimited = !unsized;
    if (unsized) delimited = in.Seek(data, sys::SeekOrigin::begin) == data && DelimitByDescriptor(in, *rec);
    // A header met again (sizes that lead back to it) ends the walk.
    int at = 0;
    if (master_->Find(rec.get(), at)) break;
    const TZipEntryInfo* entry = rec.get();
    if (!delimited) undelimited_.insert(entry);
    master_->Insert(at, rec.release());
    ++found;
    if (unsized) {
      if (!delimited && (in.Seek(data, sys::SeekOrigin::begin) != data || !FindLocalSignature(in))) break;
      continue;
    }
    const int64_t next = data + (entry->HasDataDescriptor() ? kDataDescriptorSize : 0) + entry->CompressedSize;
    if (in.Seek(next, sys::SeekOrigin::begin) != next) break;
  }
  return found;
}

bool ArchiveDirectory::ScanLocalHeaders() {
  if (scanned_) return false;
  scanned_ = true;
  FreeLists();
  TBufferStream& in = *file_;
  if (!FindFirstLocalHeader(in)) return false;
  master_ = std::make_unique<TSortedZipList>(ByNone, true, dupError);
  int found = CollectLocalHeaders(in);
  ecrec_.ThisDisk = 0;
  currentDisk_ = 0;
  ecrec_.CentralDirOffset = static_cast<uint32_t>(in.Position());
  ecrec_.TotalEntries = static_cast<uint16_t>(found);
  diskCount_ = 1;
  return found > 0;
}

TBufferStream& ArchiveDirectory::DirectoryInput() { return zfc_ ? *zfc_ : *file_; }

// The end record of the archive, or failing that the one of the set's configuration file,
// which carries a copy of the directory.
bool ArchiveDirectory::FindEndRecordOrCopy() {
  if (ecrec_.FindEndRecord(*file_) && ecrec_.Plausible()) return true;
  std::string zfcName = ChangeFileExt(name_, ".zfc");
  if (!sys::FileExists(fs_, zfcName)) return false;
  try {
    zfc_ = std::make_unique<TBufferedFileStream>(fs_, zfcName, StreamMode::openRead);
  } catch (const base::EFOpenError&) {
    return false;
  }
  ecrec_.Reset();
  if (ecrec_.FindEndRecord(*zfc_) && ecrec_.Plausible()) return true;
  zfc_.reset();
  return false;
}

namespace {

bool SignatureAt(TBufferStream& in, int64_t at, uint32_t signature) {
  uint8_t b[4];
  return at >= 0 && in.Seek(at, sys::SeekOrigin::begin) == at && in.Read(b, 4) == 4 && Le32(b) == signature;
}

}  // namespace

// A stub put in front of an archive made on its own (a self-extractor, a script) leaves the
// archive's offsets counting from the archive's start: the directory then ends that many
// bytes later than its offset and size say. It ends where the zip64 end record begins, when
// the zip64 locator stands before the end record, else at the end record. Taken only where
// the stated place holds no central header and the moved one does.
int64_t ArchiveDirectory::UncountedPrefix() {
  constexpr uint32_t kZip64EndSignature = 0x06064B50, kZip64LocatorSignature = 0x07064B50;
  constexpr int64_t kZip64LocatorSize = 20, kZip64EndSize = 56;  // the record without extensible data
  TBufferStream& in = *file_;
  const int64_t endRecord = int64_t{ecrec_.CommentPosition} - kEndRecordSize;
  int64_t directoryEnd = endRecord;
  if (SignatureAt(in, endRecord - kZip64LocatorSize, kZip64LocatorSignature)) {
    const int64_t zip64End = endRecord - kZip64LocatorSize - kZip64EndSize;
    uint8_t size[8];
    if (SignatureAt(in, zip64End, kZip64EndSignature) && in.Read(size, 8) == 8 && Le32(size) == kZip64EndSize - 12 &&
        Le32(size + 4) == 0)
      directoryEnd = zip64End;
  }
  const int64_t prefix = directoryEnd - ecrec_.CentralDirSize - ecrec_.CentralDirOffset;
  if (prefix <= 0 || SignatureAt(in, ecrec_.CentralDirOffset, kCentralSignature) ||
      !SignatureAt(in, ecrec_.CentralDirOffset + prefix, kCentralSignature))
    return 0;
  return prefix;
}

// The end record decides whether the archive spans disks and where its directory starts.
void ArchiveDirectory::EnterDirectory() {
  currentDisk_ = zfc_ ? 0 : ecrec_.ThisDisk;
  if (ecrec_.ThisDisk == 0)
    multiMode_ = mmNone;
  else if (HasDriveLetter(name_) && ui_.DriveType(name_.substr(0, 3)) == sys::kDriveRemovable)
    multiMode_ = mmRemovable;
  else
    multiMode_ = mmSplitFiles;
  // The end record sits on the disk named now; take its comment before moving away.
  if (SpansDisks() && ecrec_.CommentLength) ecrec_.Comment = ReadEndComment(DirectoryInput());
  if (ecrec_.TotalEntries == 0) return;
  if (SpansDisks() && !zfc_ && ecrec_.CentralDirStartDisk != currentDisk_) NextDisk(ecrec_.CentralDirStartDisk + 1);
  if (!SpansDisks() && !zfc_) {
    prefix_ = UncountedPrefix();
    // From here on the directory's offset is where it is in the file.
    ecrec_.CentralDirOffset += static_cast<uint32_t>(prefix_);
  }
  DirectoryInput().Seek(zfc_ ? 0 : ecrec_.CentralDirOffset, sys::SeekOrigin::begin);
}

// Without an end record the caller's mode decides: refuse, wait for the other disks, or scan.
void ArchiveDirectory::HandleMissingEndRecord() {
  const TIncompleteZipMode mode = questions.incompleteMode ? questions.incompleteMode() : izAssumeMulti;
  if (mode == izAssumeNotAZip) Raise(ZipError::notAZipFile);
  if (mode == izAssumeMulti) Raise(ZipError::incompleteZip);
  if (!ScanLocalHeaders()) RaiseBadZip();
}

void ArchiveDirectory::Read(const ReadSettings& settings) {
  settings_ = settings;
  Open();
  file_->GetLastWriteTime(fileTime_);
  FreeLists();
  loaded_ = false;
  // Every load starts afresh: an archive that had to be scanned and has since changed on
  // disk is scanned again, not refused as scanned already.
  scanned_ = false;
  ecrec_.Reset();
  struct CloseCopy {
    std::unique_ptr<TBufferedFileStream>& zfc;
    ~CloseCopy() { zfc.reset(); }
  } closeCopy{zfc_};
  commentCut_ = false;
  prefix_ = 0;
  if (FindEndRecordOrCopy()) {
    TBufferStream& in = DirectoryInput();
    commentCut_ = int64_t{ecrec_.CommentPosition} + ecrec_.CommentLength > in.Size();
    EnterDirectory();
  } else {
    HandleMissingEndRecord();
  }
  if (!master_) master_ = std::make_unique<TSortedZipList>(ByNone, true, dupError);
  const int stated = ecrec_.TotalEntries;
  sharedRecords_ = 0;
  sharedHeaders_.clear();
  ReadCentralDirectory();
  // Fewer entries than the end record counts (which counts at most the real number, in 16
  // bits), beside the records that name a header another record named: records past the
  // end of the file, or without their local header. Listed data is missing.
  if (master_->Count() + sharedRecords_ < stated) RaiseBadZip();
  FindDataLimits();
  diskCount_ = ecrec_.ThisDisk + 1;
  currentDisk_ = zfc_ ? 0 : ecrec_.ThisDisk;
  BuildView();
  loaded_ = true;
}

// Only the local headers can say what is there: the directory is read again over what the
// scan found. An archive that spans disks cannot be scanned.
void ArchiveDirectory::StartAgainFromScan(DirectoryWalk& walk) {
  if (SpansDisks() || !ScanLocalHeaders()) RaiseBadZip();
  walk = DirectoryWalk{0, ecrec_.TotalEntries, nullptr, {}, {}};
}

bool ArchiveDirectory::ReadNextCentralHeader(TZipEntryInfo& rec, TZipEntryInfo* previous) {
  const bool mayChangeDisk = SpansDisks() && !scanned_ && !zfc_;
  bool read = ReadCentralHeader(DirectoryInput(), rec, mayChangeDisk);
  if (!read && previous && previous->ExtraFieldLength != 0) {
    // An overstated extra field length puts the next header earlier than it says.
    int back = previous->ExtraFieldLength;
    previous->ExtraFieldLength = 0;
    DirectoryInput().Seek(-back, sys::SeekOrigin::current);
    read = ReadCentralHeader(DirectoryInput(), rec, mayChangeDisk);
  }
  if (read) rec.RelativeOffset = static_cast<int32_t>(static_cast<uint32_t>(rec.RelativeOffset) + prefix_);
  return read;
}

// Steps over the extra field and the comment after the name; the comments of a set that
// spans disks are taken now, while their disk is at hand.
void ArchiveDirectory::PassCentralTail(TZipEntryInfo& entry, bool keepComment) {
  TBufferStream& in = DirectoryInput();
  in.Seek(entry.ExtraFieldLength, sys::SeekOrigin::current);
  if (!keepComment || !entry.HasComment()) {
    in.Seek(entry.FileCommentLength, sys::SeekOrigin::current);
    return;
  }
  uint16_t length = entry.FileCommentLength;
  std::string comment(length, '\0');
  comment.resize(in.Read(comment.data(), length));
  entry.SetFileComment(comment);
  entry.FileCommentLength = length;
}

// Null when another record already claims the same local header: it names the same data
// again, so the directory stays and that data is extracted once, under the first name.
// A record that does so under another name is kept aside, for the caller to report: that
// name is never extracted.
TZipEntryInfo* ArchiveDirectory::AddCentralRecord(std::unique_ptr<TZipEntryInfo> rec, DirectoryWalk& walk) {
  // The places compared as the offset order compares them. The list itself is still empty
  // here (a scan takes the other path), so the walk alone knows what is taken.
  const uint64_t place =
      uint64_t{static_cast<uint16_t>(rec->DiskNumberStart)} << 32 | static_cast<uint32_t>(rec->RelativeOffset);
  auto [taken, added] = walk.places.emplace(place, rec.get());
  if (!added) {
    ++sharedRecords_;
    std::string name = rec->Directory() + rec->FileName(),
                first = taken->second->Directory() + taken->second->FileName();
    if (name != first) sharedHeaders_.push_back({std::move(name), std::move(first)});
    DirectoryInput().Seek(rec->ExtraFieldLength + rec->FileCommentLength, sys::SeekOrigin::current);
    return nullptr;
  }
  TZipEntryInfo* entry = rec.get();
  walk.records.push_back(std::move(rec));
  PassCentralTail(*entry, SpansDisks());
  return entry;
}

// After a scan the central record completes the scanned entry at its offset, if any; the
// scanned offset stays, as it is where the header really is.
TZipEntryInfo* ArchiveDirectory::MergeIntoScanned(const TZipEntryInfo& rec) {
  TZipEntryInfo* scannedEntry = nullptr;
  int index = 0;
  if (master_->Find(&rec, index)) {
    scannedEntry = master_->Entry(index);
    int32_t offset = scannedEntry->RelativeOffset;
    scannedEntry->Assign(rec);
    scannedEntry->RelativeOffset = offset;
    // The directory states the sizes the local header left out.
    undelimited_.erase(scannedEntry);
  }
  DirectoryInput().Seek(rec.ExtraFieldLength + rec.FileCommentLength, sys::SeekOrigin::current);
  return scannedEntry;
}

// The end record counts entries in 16 bits, so an archive of more than 65,535 entries
// without zip64 states the count modulo 65,536; the records the directory's size still
// holds are read as well.
bool ArchiveDirectory::MoreInDirectory(const DirectoryWalk& walk) {
  if (walk.next < walk.total) return true;
  if (scanned_ || SpansDisks()) return false;
  int64_t end = static_cast<int64_t>(zfc_ ? 0 : ecrec_.CentralDirOffset) + ecrec_.CentralDirSize;
  return DirectoryInput().Position() + kCentralHeaderSize <= end;
}

void ArchiveDirectory::ReadCentralDirectory() {
  DirectoryWalk walk{0, ecrec_.TotalEntries, nullptr, {}, {}};
  while (MoreInDirectory(walk)) {
    auto rec = NewRecord();
    if (!ReadNextCentralHeader(*rec, walk.previous)) {
      // Records past the stated count are taken only while they read.
      if (scanned_ || walk.next >= walk.total) break;
      StartAgainFromScan(walk);
      continue;
    }
    if (scanned_) {
      walk.previous = MergeIntoScanned(*rec);
    } else {
      walk.previous = AddCentralRecord(std::move(rec), walk);
    }
    ++walk.next;
  }
  // No two records share a place, so the list takes them all in one sorted pass.
  std::vector<TObject*> records;
  records.reserve(walk.records.size());
  for (auto& r : walk.records) records.push_back(r.get());
  master_->AddAll(records);
  for (auto& r : walk.records) (void)r.release();
}

// Each entry's data must end before the next local header on its disk, the central
// directory or the end record begins: one sorted pass over all the starts gives every
// entry its limit, checked at extraction once the local header's lengths are known. Two
// entries at one place overlap whole. A single-file archive is one disk whatever its
// records say.
void ArchiveDirectory::FindDataLimits() {
  dataLimits_.clear();
  auto disk = [&](int64_t number) { return SpansDisks() ? number : 0; };
  using Place = std::pair<int64_t, int64_t>;  // (disk, offset)
  std::vector<Place> starts;
  starts.reserve(master_->Count() + 2);
  for (int i = 0; i < master_->Count(); ++i) {
    const TZipEntryInfo* e = master_->Entry(i);
    starts.emplace_back(disk(e->DiskNumberStart), static_cast<uint32_t>(e->RelativeOffset));
  }
  std::vector<Place> bounds = starts;
  if (!zfc_ && !scanned_) bounds.emplace_back(disk(ecrec_.CentralDirStartDisk), ecrec_.CentralDirOffset);
  if (!zfc_) bounds.emplace_back(disk(ecrec_.ThisDisk), int64_t{ecrec_.CommentPosition} - kEndRecordSize);
  std::sort(bounds.begin(), bounds.end());
  for (int i = 0; i < master_->Count(); ++i) {
    const Place& start = starts[static_cast<size_t>(i)];
    auto [first, past] = std::equal_range(bounds.begin(), bounds.end(), start);
    int64_t limit = INT64_MAX;
    if (past - first > 1)
      limit = start.second;
    else if (past != bounds.end() && past->first == start.first)
      limit = past->second;
    dataLimits_[master_->Entry(i)] = limit;
  }
}

bool ArchiveDirectory::DataFits(const TZipEntryInfo& entry, int localNameLength, int localExtraLength) const {
  auto it = dataLimits_.find(&entry);
  if (it == dataLimits_.end()) return true;
  int64_t end = int64_t{static_cast<uint32_t>(entry.RelativeOffset)} + kLocalHeaderSize + localNameLength +
                localExtraLength + static_cast<uint32_t>(entry.CompressedSize);
  return end <= it->second;
}

void ArchiveDirectory::BuildView() {
  sortedView_.reset();
  view_ = master_.get();
  if (settings_.sortMode == ByNone || !master_) return;
  sortedView_ = std::make_unique<TSortedZipList>(settings_.sortMode, false, dupAccept);
  std::vector<TObject*> entries;
  entries.reserve(static_cast<size_t>(master_->Count()));
  for (int i = 0; i < master_->Count(); ++i) entries.push_back(master_->Item(i));
  sortedView_->AddAll(entries);
  view_ = sortedView_.get();
}

std::string ArchiveDirectory::ReadEndComment(TBufferStream& in) {
  int64_t saved = in.Position();
  std::string comment(ecrec_.CommentLength, '\0');
  if (in.Seek(ecrec_.CommentPosition, sys::SeekOrigin::begin) >= 0)
    comment.resize(in.Read(comment.data(), ecrec_.CommentLength));
  else
    comment.clear();
  ecrec_.CommentLoaded = true;
  in.Seek(saved, sys::SeekOrigin::begin);
  return comment;
}

std::string ArchiveDirectory::LoadFileComment(TZipEntryInfo& e) {
  Open();
  TBufferStream& in = *file_;
  int64_t saved = in.Position();
  uint8_t h[kCentralHeaderSize];
  std::string comment;
  if (in.Seek(e.CentralOffset, sys::SeekOrigin::begin) >= 0 && in.Read(h, kCentralHeaderSize) == kCentralHeaderSize &&
      in.Seek(Le16(h + central_header::kNameLength) + Le16(h + central_header::kExtraLength),
              sys::SeekOrigin::current) >= 0) {
    comment.resize(e.FileCommentLength);
    comment.resize(in.Read(comment.data(), e.FileCommentLength));
  }
  uint16_t length = e.FileCommentLength;
  e.SetFileComment(comment);
  e.FileCommentLength = length;
  in.Seek(saved, sys::SeekOrigin::begin);
  return comment;
}

std::string ArchiveDirectory::LoadEndComment() {
  Open();
  ecrec_.Comment = ReadEndComment(*file_);
  return ecrec_.Comment;
}

std::string ArchiveDirectory::SplitFileName(const std::string& name, int disk) {
  return ChangeFileExt(name, base::Format(".%3.3d", disk));
}

void ArchiveDirectory::NextDisk(int disk) {
  Close();
  std::string name = name_;
  std::string lastRefused;
  for (;;) {
    name = name_;
    if (questions.askForDisk)
      questions.askForDisk(disk, name);
    else
      name.clear();
    if (name.empty()) Raise(ZipError::canceledNextDisk);
    bool usable = true;
    if (multiMode_ == mmRemovable && checkDiskLabels_) {
      std::string label;
      ui_.VolumeLabel(name_.substr(0, 3), label);
      label = label.substr(0, 11);
      std::string number = base::Format("%3.3d", disk);
      usable = label.size() >= number.size() && label.compare(label.size() - number.size(), number.size(), number) == 0;
    }
    if (usable) usable = sys::FileExists(fs_, name);
    if (usable) break;
    // Split files are named, not inserted: asking again cannot bring a missing one.
    if (multiMode_ != mmRemovable && name == lastRefused) Raise(ZipError::canceledNextDisk);
    lastRefused = name;
  }
  file_ = std::make_unique<TBufferedFileStream>(fs_, name, StreamMode::openRead);
  currentDisk_ = disk - 1;
  file_->GetLastWriteTime(fileTime_);
  name_ = name;
}

}  // namespace zip
