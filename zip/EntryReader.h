// EntryReader: turns one entry's stored bytes back into its contents. It finds the data
// behind the local header once, checks a password on the encryption header, decrypts and
// decodes through the one switch on the method, and counts the CRC and the size of what it
// writes. It says how the entry ended instead of throwing; only an exception of a caller's
// own hook (a refused disk, an interrupt) passes through it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zip/ArchiveDirectory.h"
#include "zip/BufferStream.h"
#include "zip/ZipEntryInfo.h"
#include "zip/codec/Crypt.h"

namespace zip {

namespace codec {
class WorkArea;
}

enum class ReadResult { ok, bad_data, bad_password, crc_mismatch, write_failed, unsupported_method };

class EntryReader {
 public:
  struct Hooks {
    // Before each refill of the input buffer.
    std::function<void()> beforeRefill;
    // Replaces the built-in decryption of a compressed entry's input buffer.
    std::function<void(uint8_t* data, uint32_t length)> decrypt;
    // After each block written: the entry's bytes written so far and the block's size.
    std::function<void(int64_t entryWritten, uint32_t block)> written;
  };

  EntryReader(ArchiveDirectory& directory, std::unique_ptr<codec::WorkArea> work);
  // With windows and tables of its own making.
  explicit EntryReader(ArchiveDirectory& directory);
  ~EntryReader();
  EntryReader(const EntryReader&) = delete;
  EntryReader& operator=(const EntryReader&) = delete;

  // Reads the entry's local header and goes to its data (on the entry's disk). False when no
  // local header is where the directory says; LocalLengthsKnown then stays false too.
  bool Locate(const TZipEntryInfo& entry);
  bool LocalLengthsKnown() const { return localOk_; }
  int LocalNameLength() const { return localName_; }
  int LocalExtraLength() const { return localExtra_; }

  // An encrypted entry's password, tried on its 12-byte header (read once, whatever the
  // number of tries): ok, bad_password, or bad_data when there is no header to try it on.
  ReadResult CheckPassword(const std::string& password);

  // Decodes the located entry into out. A write that fails is write_failed, whatever the
  // decoder was doing; data that ends early, decodes wrongly or to another length than
  // declared is bad_data.
  ReadResult Read(TBufferedFileStream& out, const Hooks& hooks);
  // The CRC of what was written (complemented, as stored).
  uint32_t Crc() const { return ~crc_; }
  // The last bad_data came from a decoding table that could not be allocated.
  bool RanOutOfMemory() const { return outOfMemory_; }

 private:
  class Source;
  class Sink;
  // Reads from the archive, crossing to the set's next disks as needed; false when the
  // archive ends first.
  bool ReadArchive(uint8_t* buffer, uint32_t count);
  // compressed: the data's size after any encryption header.
  ReadResult Decode(Source& source, Sink& sink, uint64_t compressed);

  ArchiveDirectory& directory_;
  std::unique_ptr<codec::WorkArea> work_;
  std::vector<uint8_t> inBuf_, outBuf_;

  // The entry at hand.
  TZipEntryInfo entry_;
  bool localOk_ = false;
  int localName_ = 0, localExtra_ = 0;
  bool atData_ = false;       // the archive was positioned at the data
  int64_t dataPosition_ = 0;  // and where (after the encryption header once it was read)
  bool headerRead_ = false;
  uint8_t cryptHeader_[codec::kCryptHeaderSize] = {};
  codec::CryptKeys keys_{};
  uint32_t crc_ = 0xFFFFFFFF;
  bool outOfMemory_ = false;
};

}  // namespace zip
