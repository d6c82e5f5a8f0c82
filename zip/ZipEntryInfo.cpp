// Entry and end-record behaviour: name splitting, comments, copying, the MS-DOS date-time
// rules and the backward search for the end of central directory record.
#include "zip/ZipEntryInfo.h"

#include <algorithm>
#include <vector>

#include "base/Ansi.h"
#include "zip/BufferStream.h"

namespace zip {

namespace {

// Packed layout (appnote 4.4.6): time = hour:5 minute:6 second/2:5, date = year-1980:7 month:4 day:5.
struct DosFields {
  uint32_t sec2, minute, hour, day, month, year;
};

DosFields Unpack(uint32_t v) {
  return {v & 0x1F, (v >> 5) & 0x3F, (v >> 11) & 0x1F, (v >> 16) & 0x1F, (v >> 21) & 0x0F, (v >> 25) & 0x7F};
}

uint32_t Pack(const DosFields& f) {
  return f.sec2 | f.minute << 5 | f.hour << 11 | f.day << 16 | f.month << 21 | f.year << 25;
}

}  // namespace

uint32_t MakeValidDosDateTime(uint32_t dosDateTime) {
  DosFields f = Unpack(dosDateTime);
  f.sec2 = std::min<uint32_t>(f.sec2, 29);
  f.minute = std::min<uint32_t>(f.minute, 59);
  f.hour = std::min<uint32_t>(f.hour, 23);
  f.day = std::max<uint32_t>(f.day, 1);
  f.month = std::clamp<uint32_t>(f.month, 1, 12);
  f.year = std::min<uint32_t>(f.year, 119);
  return Pack(f);
}

bool DosDateTimeToLocal(uint32_t dosDateTime, sys::LocalTime& time) {
  DosFields f = Unpack(dosDateTime);
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 1980 + static_cast<int>(f.year);
  if (f.month < 1 || f.month > 12 || f.day < 1 || f.hour > 23 || f.minute > 59 || f.sec2 > 29) return false;
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  int days = kDays[f.month - 1] + (f.month == 2 && leap ? 1 : 0);
  if (static_cast<int>(f.day) > days) return false;
  time = {year,
          static_cast<int>(f.month),
          static_cast<int>(f.day),
          static_cast<int>(f.hour),
          static_cast<int>(f.minute),
          static_cast<int>(f.sec2 * 2),
          0};
  return true;
}

void TZipEntryInfo::SetFileName(const std::string& name) {
  fileName_ = name;
  FileNameLength = static_cast<uint16_t>(directory_.size() + fileName_.size());
}

void TZipEntryInfo::SetDirectory(const std::string& directory) {
  directory_ = directory;
  if (!directory_.empty() && base::LastBackslash(directory_) + 1 != directory_.size()) directory_ += '\\';
  FileNameLength = static_cast<uint16_t>(directory_.size() + fileName_.size());
}

void TZipEntryInfo::SetPath(const std::string& path) {
  directory_ = base::ExtractFilePath(path);
  SetFileName(base::ExtractFileName(path));
}

void TZipEntryInfo::SetFileComment(const std::string& comment) {
  comment_ = comment;
  commentLoaded_ = true;
  FileCommentLength = static_cast<uint16_t>(comment.size());
}

void TZipEntryInfo::DropComment() {
  comment_.clear();
  commentLoaded_ = false;
}

void TZipEntryInfo::Assign(const TZipEntryInfo& s) {
  bool oem = OEMConvert;
  *this = s;
  OEMConvert = oem;
}

void TEndOfCentralDir::Reset() { *this = TEndOfCentralDir(); }

bool TEndOfCentralDir::FindEndRecord(TBufferStream& stream) {
  int64_t size = stream.Size();
  if (size < kEndRecordSize) return size == 0;
  uint32_t n = static_cast<uint32_t>(std::min<int64_t>(65535 + kEndRecordSize, size));
  std::vector<uint8_t> tail(n);
  if (stream.Seek(size - n, sys::SeekOrigin::begin) < 0 || stream.Read(tail.data(), n) != n) return false;
  for (uint32_t i = n - kEndRecordSize + 1; i-- > 0;) {
    const uint8_t* p = tail.data() + i;
    if (p[0] != 0x50 || Le32(p) != kEndSignature) continue;
    Signature = kEndSignature;
    using namespace end_record;
    ThisDisk = Le16(p + kThisDisk);
    CentralDirStartDisk = Le16(p + kStartDisk);
    EntriesOnThisDisk = Le16(p + kEntriesOnDisk);
    TotalEntries = Le16(p + kTotalEntries);
    CentralDirSize = Le32(p + kDirectorySize);
    CentralDirOffset = Le32(p + kDirectoryOffset);
    CommentLength = Le16(p + kCommentLength);
    CommentPosition = static_cast<uint32_t>(size - n + i + kEndRecordSize);
    Comment.clear();
    CommentLoaded = false;
    return true;
  }
  return false;
}

bool TEndOfCentralDir::Plausible() const {
  if (ThisDisk > 999 || CentralDirStartDisk > 999 || ThisDisk < CentralDirStartDisk ||
      static_cast<int32_t>(CentralDirOffset) < 0)
    return false;
  // No entries, but a directory: either 65,536 of them, counted in 16 bits, or damage. A
  // directory that is not empty holds a whole header at least, and on a single disk it
  // ends within the file.
  if (TotalEntries != 0 || CentralDirSize == 0 || ThisDisk != 0) return true;
  const int64_t fileEnd = int64_t{CommentPosition} + CommentLength;
  return CentralDirSize >= kCentralHeaderSize && int64_t{CentralDirOffset} + CentralDirSize <= fileEnd;
}

}  // namespace zip
