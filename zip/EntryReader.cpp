// One entry from its local header to its written bytes: the input buffer fed from the
// archive (decrypted there, for every method), the method switch, and the output buffer that
// counts the CRC and the size and remembers a failed write.
#include "zip/EntryReader.h"

#include <algorithm>
#include <cstring>

#include "zip/codec/Codec.h"
#include "zip/codec/Crc32.h"
#include "zip/codec/WorkArea.h"

namespace zip {

namespace {

constexpr uint32_t kBlockSize = 32768;
constexpr uint32_t kBufferSize = kBlockSize + 1;

}  // namespace

// Compressed bytes, a block at a time. It stops giving any once the archive ended early or
// the sink failed: a decoder then ends at its next check, without a word of its own.
class EntryReader::Source final : public codec::Source {
 public:
  Source(EntryReader& reader, const Hooks& hooks, int64_t remaining, bool builtInDecryption)
      : r_(reader), hooks_(hooks), remaining_(remaining), builtIn_(builtInDecryption || !hooks.decrypt) {}
  bool truncated = false;
  const bool* stop = nullptr;  // the sink's failure

  size_t Refill(const uint8_t*& data) override {
    if (remaining_ <= 0 || truncated || *stop) return 0;
    if (hooks_.beforeRefill) hooks_.beforeRefill();
    uint32_t n = static_cast<uint32_t>(std::min<int64_t>(kBlockSize, remaining_));
    remaining_ -= n;
    if (!r_.ReadArchive(r_.inBuf_.data(), n)) {
      truncated = true;
      return 0;
    }
    if (r_.entry_.Encrypted()) {
      if (builtIn_)
        codec::CryptDecrypt(r_.keys_, r_.inBuf_.data(), n);
      else
        hooks_.decrypt(r_.inBuf_.data(), n);
    }
    data = r_.inBuf_.data();
    return n;
  }

 private:
  EntryReader& r_;
  const Hooks& hooks_;
  int64_t remaining_;
  const bool builtIn_;
};

// Decoded bytes, written in blocks of 32 KB; a whole block arriving at an empty buffer goes
// out as it is, without a copy.
class EntryReader::Sink final : public codec::Sink {
 public:
  Sink(EntryReader& reader, TBufferedFileStream& out, const Hooks& hooks, int64_t expected)
      : r_(reader), out_(out), hooks_(hooks), expected_(expected) {}
  bool failed = false;       // either of the two below
  bool writeFailed = false;  // the file took less than it was given
  bool tooLong = false;      // more data than the entry declares
  int64_t written = 0;

  void Put(const uint8_t* data, size_t n) override {
    while (n > 0 && !failed) {
      if (count_ == 0 && n >= kBlockSize) {
        Write(data, kBlockSize);
        data += kBlockSize;
        n -= kBlockSize;
        continue;
      }
      size_t take = std::min<size_t>(n, kBlockSize - count_);
      std::memcpy(r_.outBuf_.data() + count_, data, take);
      count_ += static_cast<uint32_t>(take);
      data += take;
      n -= take;
      if (count_ == kBlockSize) Flush();
    }
  }

  void Flush() {
    uint32_t n = count_;
    count_ = 0;
    if (n > 0 && !failed) Write(r_.outBuf_.data(), n);
  }
  // What a decoder that failed leaves in the buffer is not written.
  void Drop() { count_ = 0; }

 private:
  void Write(const uint8_t* data, uint32_t n) {
    // Nothing of a block that would pass the declared size is written.
    if (written + n > expected_) {
      failed = tooLong = true;
      return;
    }
    if (out_.Write(data, n) != n) {
      failed = writeFailed = true;
      return;
    }
    r_.crc_ = codec::Crc32Update(r_.crc_, data, n);
    written += n;
    if (hooks_.written) hooks_.written(written, n);
  }

  EntryReader& r_;
  TBufferedFileStream& out_;
  const Hooks& hooks_;
  const int64_t expected_;
  uint32_t count_ = 0;
};

EntryReader::EntryReader(ArchiveDirectory& directory, std::unique_ptr<codec::WorkArea> work)
    : directory_(directory), work_(std::move(work)), inBuf_(kBufferSize), outBuf_(kBufferSize) {}

EntryReader::EntryReader(ArchiveDirectory& directory) : EntryReader(directory, std::make_unique<codec::WorkArea>()) {}

EntryReader::~EntryReader() = default;

bool EntryReader::ReadArchive(uint8_t* buffer, uint32_t count) {
  TBufferedFileStream* archive = directory_.Archive();
  uint32_t got = archive ? archive->Read(buffer, count) : 0;
  while (got < count) {
    // Only a later disk of the set can hold the rest.
    if (!directory_.SpansDisks() || !directory_.questions.mayAskForDisk || !directory_.questions.mayAskForDisk() ||
        directory_.CurrentDisk() + 1 >= directory_.DiskCount())
      return false;
    directory_.NextDisk(directory_.CurrentDisk() + 2);
    got += directory_.Archive()->Read(buffer + got, count - got);
  }
  return true;
}

// A record whose local header is not where the directory says (no signature, or past the
// end) fails as that entry alone: its lengths would position the data at random and, near
// the end of the file, end the whole run with the entries after it.
bool EntryReader::Locate(const TZipEntryInfo& entry) {
  entry_.Assign(entry);
  localOk_ = atData_ = headerRead_ = false;
  if (directory_.SpansDisks() && entry.DiskNumberStart != directory_.CurrentDisk())
    directory_.NextDisk(entry.DiskNumberStart + 1);
  TBufferedFileStream* archive = directory_.Archive();
  uint8_t h[kLocalHeaderSize];
  if (!archive || archive->Seek(entry.RelativeOffset, sys::SeekOrigin::begin) < 0 ||
      archive->Read(h, kLocalHeaderSize) != kLocalHeaderSize || Le32(h) != kLocalSignature)
    return false;
  localOk_ = true;
  localName_ = Le16(h + local_header::kNameLength);
  localExtra_ = Le16(h + local_header::kExtraLength);
  const int64_t data = static_cast<int64_t>(entry.RelativeOffset) + kLocalHeaderSize + localName_ + localExtra_;
  // The name and extra field usually follow the header in the buffer: reading over them
  // keeps the buffer, where a seek would empty it and cost the system a seek and the same
  // read again, for every entry.
  const int64_t ahead = data - archive->Position();
  atData_ = (ahead > 0 && ahead <= int64_t{kStreamBufferSize} && archive->SkipBuffered(static_cast<uint32_t>(ahead))) ||
            archive->Seek(data, sys::SeekOrigin::begin) == data;
  dataPosition_ = data;
  return true;
}

ReadResult EntryReader::CheckPassword(const std::string& password) {
  if (!headerRead_) {
    // An entry too short for its 12-byte header cannot hold data.
    if (!atData_ || entry_.CompressedSize < int32_t(codec::kCryptHeaderSize) ||
        !ReadArchive(cryptHeader_, codec::kCryptHeaderSize))
      return ReadResult::bad_data;
    headerRead_ = true;
    // The data starts where the header ended, which may be on the next disk.
    dataPosition_ = directory_.Archive()->Position();
  }
  keys_ = codec::CryptInit(reinterpret_cast<const uint8_t*>(password.data()), password.size());
  uint8_t check = codec::CryptCheckHeader(keys_, cryptHeader_);
  // With a data descriptor the CRC was not known when the header was made; the time was.
  uint8_t expected = entry_.HasDataDescriptor() ? static_cast<uint8_t>(entry_.FileDateTime >> 8)
                                                : static_cast<uint8_t>(entry_.CRC32 >> 24);
  return check == expected ? ReadResult::ok : ReadResult::bad_password;
}

ReadResult EntryReader::Read(TBufferedFileStream& out, const Hooks& hooks) {
  crc_ = 0xFFFFFFFF;
  outOfMemory_ = false;
  if (!atData_ || (entry_.Encrypted() && !headerRead_)) return ReadResult::bad_data;
  // Anything a caller's handler read in between (a comment) moved the archive away.
  TBufferedFileStream& archive = *directory_.Archive();
  if (archive.Position() != dataPosition_ && archive.Seek(dataPosition_, sys::SeekOrigin::begin) != dataPosition_)
    return ReadResult::bad_data;
  const int64_t compressed =
      std::max<int64_t>(int64_t{entry_.CompressedSize} - (entry_.Encrypted() ? codec::kCryptHeaderSize : 0), 0);
  const int64_t expected = std::max<int32_t>(entry_.UncompressedSize, 0);
  // Stored data is decrypted by the built-in scheme whatever the hooks say.
  Source source(*this, hooks, compressed, entry_.CompressionMethod == kMethodStored);
  Sink sink(*this, out, hooks, expected);
  source.stop = &sink.failed;
  ReadResult result = Decode(source, sink, static_cast<uint64_t>(compressed));
  if (sink.writeFailed) return ReadResult::write_failed;
  if (result != ReadResult::ok) return result;
  if (source.truncated || sink.tooLong) return ReadResult::bad_data;
  sink.Flush();
  if (sink.writeFailed) return ReadResult::write_failed;
  // Less data than the entry declares is as wrong as more.
  if (sink.tooLong || sink.written != expected) return ReadResult::bad_data;
#ifdef ZORVIK_FUZZING
  // The fuzzer cannot forge CRCs; let it reach the verified path too.
  crc_ = ~entry_.CRC32;
#endif
  return Crc() == entry_.CRC32 ? ReadResult::ok : ReadResult::crc_mismatch;
}

ReadResult EntryReader::Decode(Source& source, Sink& sink, uint64_t compressed) {
  codec::WorkArea& area = *work_;
  const uint16_t method = entry_.CompressionMethod;
  const uint64_t expected = static_cast<uint64_t>(std::max<int32_t>(entry_.UncompressedSize, 0));
  codec::Result result = codec::Result::ok;
  switch (method) {
    case kMethodStored: result = codec::Store(source, sink); break;
    case kMethodShrunk: result = codec::Unshrink(source, sink, area); break;
    case kMethodReduced1:
    case kMethodReduced2:
    case kMethodReduced3:
    case kMethodReduced4: result = codec::Expand(source, sink, expected, method - kMethodReduced1 + 1, area); break;
    case kMethodImploded:
      result = codec::Explode(source, sink, expected, (entry_.Flags & 0x2) != 0, (entry_.Flags & 0x4) != 0, compressed,
                              area);
      break;
    case kMethodDeflated: result = codec::Inflate(source, sink, area); break;
    default: return ReadResult::unsupported_method;
  }
  if (result == codec::Result::ok) return ReadResult::ok;
  outOfMemory_ = result == codec::Result::out_of_memory;
  sink.Drop();
  return ReadResult::bad_data;
}

}  // namespace zip
