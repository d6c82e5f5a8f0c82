// The archive's records as the component keeps them: one TZipEntryInfo per entry, the end
// of central directory record, and the MS-DOS date-time rules they share.
#pragma once

#include <cstdint>
#include <string>

#include "sys/Files.h"

namespace zip {

class TBufferStream;

// Lets the object lists hold any record kind, as the component's lists do.
class TObject {
 public:
  virtual ~TObject() = default;
};

class TPersistent : public TObject {};

// Signatures (appnote 4.3.7, 4.3.12, 4.3.16).
constexpr uint32_t kLocalSignature = 0x04034B50;
constexpr uint32_t kCentralSignature = 0x02014B50;
constexpr uint32_t kEndSignature = 0x06054B50;
constexpr uint32_t kLocalHeaderSize = 30;
constexpr uint32_t kCentralHeaderSize = 46;
constexpr uint32_t kEndRecordSize = 22;
constexpr uint32_t kDataDescriptorSize = 16;
constexpr uint32_t kDataDescriptorSignature = 0x08074B50;  // optional before its CRC and sizes

// Compression methods (appnote 4.4.5).
constexpr uint16_t kMethodStored = 0, kMethodShrunk = 1, kMethodReduced1 = 2, kMethodReduced2 = 3, kMethodReduced3 = 4,
                   kMethodReduced4 = 5, kMethodImploded = 6, kMethodDeflated = 8;

// Every multi-byte field of the archive is little-endian.
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }

// Field offsets of the local file header (appnote 4.3.7).
namespace local_header {
constexpr int kVersionNeeded = 4, kFlags = 6, kMethod = 8, kDateTime = 10, kCrc = 14, kCompressedSize = 18,
              kUncompressedSize = 22, kNameLength = 26, kExtraLength = 28;
}
// Field offsets of the central directory file header (appnote 4.3.12).
namespace central_header {
constexpr int kVersionMadeBy = 4, kHostSystem = 5, kVersionNeeded = 6, kFlags = 8, kMethod = 10, kDateTime = 12,
              kCrc = 16, kCompressedSize = 20, kUncompressedSize = 24, kNameLength = 28, kExtraLength = 30,
              kCommentLength = 32, kDiskStart = 34, kInternalAttributes = 36, kExternalAttributes = 38,
              kLocalOffset = 42;
}
// Field offsets of the end of central directory record (appnote 4.3.16).
namespace end_record {
constexpr int kThisDisk = 4, kStartDisk = 6, kEntriesOnDisk = 8, kTotalEntries = 10, kDirectorySize = 12,
              kDirectoryOffset = 16, kCommentLength = 20;
}

// Clamps each field of a packed MS-DOS date-time into its range; a valid value is unchanged.
uint32_t MakeValidDosDateTime(uint32_t dosDateTime);
// False when the fields do not name a real day (31 February).
bool DosDateTimeToLocal(uint32_t dosDateTime, sys::LocalTime& time);

class TZipEntryInfo : public TPersistent {
 public:
  uint16_t VersionMadeBy = 20;
  uint16_t VersionNeeded = 20;
  uint16_t Flags = 0;
  uint16_t CompressionMethod = 8;
  uint32_t FileDateTime = 0;
  uint32_t CRC32 = 0xFFFFFFFF;
  int32_t CompressedSize = 0;
  int32_t UncompressedSize = 0;
  uint16_t FileNameLength = 0;
  uint16_t ExtraFieldLength = 0;
  uint16_t LocalExtraFieldLength = 0;
  uint16_t FileCommentLength = 0;
  uint16_t DiskNumberStart = 0;
  uint16_t InternalAttributes = 1;
  uint32_t ExternalAttributes = sys::kAttrArchive;
  int32_t RelativeOffset = 0;
  int32_t CentralOffset = 0;
  bool MatchFlag = false;
  bool Selected = false;
  bool OEMConvert = true;

  const std::string& FileName() const { return fileName_; }
  const std::string& Directory() const { return directory_; }
  void SetFileName(const std::string& name);
  // A non-empty directory always ends in "\".
  void SetDirectory(const std::string& directory);
  // Splits a stored path at its last "\" (never at a GBK trail byte).
  void SetPath(const std::string& path);

  bool HasComment() const { return FileCommentLength != 0; }
  bool CommentLoaded() const { return commentLoaded_; }
  const std::string& FileComment() const { return comment_; }
  void SetFileComment(const std::string& comment);
  void DropComment();

  bool Encrypted() const { return (Flags & 0x0001) != 0; }
  bool HasDataDescriptor() const { return (Flags & 0x0008) != 0; }

  // Copies every field but OEMConvert; the comment is copied, not shared.
  void Assign(const TZipEntryInfo& source);
  void AssignTo(TZipEntryInfo& target) const { target.Assign(*this); }

 private:
  std::string fileName_;
  std::string directory_;
  std::string comment_;
  bool commentLoaded_ = false;
};

class TEndOfCentralDir : public TPersistent {
 public:
  uint32_t Signature = 0;
  uint16_t ThisDisk = 0;
  uint16_t CentralDirStartDisk = 0;
  uint16_t EntriesOnThisDisk = 0;
  uint16_t TotalEntries = 0;
  uint32_t CentralDirSize = 0;
  uint32_t CentralDirOffset = 0;
  uint16_t CommentLength = 0;
  std::string Comment;
  bool CommentLoaded = false;
  uint32_t CommentPosition = 0;
  bool CommentModified = false;

  void Reset();
  // Backward search over the last 65557 bytes; the last signature in the file wins. An empty
  // file counts as found (an empty directory).
  bool FindEndRecord(TBufferStream& stream);
  // The record names a disk layout this reader accepts.
  bool Plausible() const;
};

}  // namespace zip
