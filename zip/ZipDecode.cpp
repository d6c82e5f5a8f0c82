// Decoding one entry: position at its data, feed compressed bytes through the 32 KB input
// buffer (decrypting and crossing disks as needed), dispatch by method, and write decoded
// bytes through the 32 KB output buffer with the CRC and the progress events.
#include <algorithm>
#include <cstring>

#include "zip/ZipExtractor.h"
#include "zip/codec/Codec.h"
#include "zip/codec/Crc32.h"
#include "zip/codec/WorkArea.h"

namespace zip {

namespace {

constexpr uint32_t kBlockSize = 32768;
constexpr uint32_t kBufferSize = kBlockSize + 1;

}  // namespace

class EntrySource final : public codec::Source {
 public:
  explicit EntrySource(TZipExtractor& z) : z_(z) {}
  size_t Refill(const uint8_t*& data) override {
    if (z_.remaining_ <= 0) return 0;
    if (z_.doProcessMessages_) z_.PassPendingMessages();
    uint32_t n = static_cast<uint32_t>(std::min<int64_t>(kBlockSize, z_.remaining_));
    z_.remaining_ -= n;
    z_.work_.CompressedSize = static_cast<int32_t>(z_.remaining_);
    z_.ReadArchive(z_.inBuf_.data(), n);
    if (z_.work_.Encrypted()) {
      if (z_.OnDecrypt)
        z_.OnDecrypt(z_, z_.inBuf_.data(), static_cast<int>(n), z_.password_);
      else
        codec::CryptDecrypt(z_.keys_, z_.inBuf_.data(), n);
    }
    data = z_.inBuf_.data();
    return n;
  }

 private:
  TZipExtractor& z_;
};

class EntrySink final : public codec::Sink {
 public:
  explicit EntrySink(TZipExtractor& z) : z_(z) {}
  void Put(const uint8_t* data, size_t n) override {
    while (n > 0) {
      size_t take = std::min<size_t>(n, kBlockSize - z_.outCount_);
      std::memcpy(z_.outBuf_.data() + z_.outCount_, data, take);
      z_.outCount_ += static_cast<uint32_t>(take);
      data += take;
      n -= take;
      if (z_.outCount_ == kBlockSize) z_.WriteOutputBuffer();
    }
  }

 private:
  TZipExtractor& z_;
};

void TZipExtractor::AllocateBuffers() {
  inBuf_.assign(kBufferSize, 0);
  outBuf_.assign(kBufferSize, 0);
  workArea_ = MakeWorkArea();
}

std::unique_ptr<codec::WorkArea> TZipExtractor::MakeWorkArea() const { return std::make_unique<codec::WorkArea>(); }

void TZipExtractor::FreeBuffers() {
  std::vector<uint8_t>().swap(inBuf_);
  std::vector<uint8_t>().swap(outBuf_);
  workArea_.reset();
}

uint32_t TZipExtractor::ReadArchive(uint8_t* buffer, uint32_t count) {
  TBufferedFileStream* archive = directory_.Archive();
  uint32_t got = archive ? archive->Read(buffer, count) : 0;
  while (got < count) {
    // Only a later disk of the set can hold the rest.
    if (!SpansDisks() || !OnGetNextDisk || directory_.CurrentDisk() + 1 >= directory_.DiskCount())
      throw EFatalUnzipError(text::kPrematureEnd);
    directory_.NextDisk(directory_.CurrentDisk() + 2);
    got += directory_.Archive()->Read(buffer + got, count - got);
  }
  return got;
}

// A record whose local header is not where the directory says (no signature, or past the
// end) fails as that entry alone: its lengths would position the data at random and, near
// the end of the file, end the whole run with the entries after it.
bool TZipExtractor::ReadLocalLengths(const TZipEntryInfo& entry, int& nameLength, int& extraLength) {
  uint8_t h[kLocalHeaderSize];
  TBufferedFileStream* archive = directory_.Archive();
  if (!archive || archive->Seek(entry.RelativeOffset, sys::SeekOrigin::begin) < 0 ||
      archive->Read(h, kLocalHeaderSize) != kLocalHeaderSize || Le32(h) != kLocalSignature)
    return false;
  nameLength = Le16(h + local_header::kNameLength);
  extraLength = Le16(h + local_header::kExtraLength);
  return true;
}

void TZipExtractor::PositionAtData(const TZipEntryInfo& entry, int localNameLength, int localExtraLength) {
  int64_t data = static_cast<int64_t>(entry.RelativeOffset) + kLocalHeaderSize + localNameLength + localExtraLength;
  if (entry.Encrypted()) data += codec::kCryptHeaderSize;
  // The local header was just read, and its name and extra field usually follow it in the
  // buffer: reading over them keeps the buffer, where a seek would empty it and cost the
  // system a seek and the same read again, for every entry.
  TBufferedFileStream& archive = *directory_.Archive();
  const int64_t ahead = data - archive.Position();
  if (ahead > 0 && ahead <= int64_t{kStreamBufferSize} && archive.SkipBuffered(static_cast<uint32_t>(ahead))) return;
  if (archive.Seek(data, sys::SeekOrigin::begin) != data) throw EFatalUnzipError(text::kPrematureEnd);
}

bool TZipExtractor::CheckPassword(const TZipEntryInfo& entry) {
  keys_ = codec::CryptInit(reinterpret_cast<const uint8_t*>(password_.data()), password_.size());
  uint8_t header[codec::kCryptHeaderSize];
  ReadArchive(header, codec::kCryptHeaderSize);
  uint8_t check = codec::CryptCheckHeader(keys_, header);
  // With a data descriptor the CRC was not known when the header was made; the time was.
  uint8_t expected = entry.HasDataDescriptor() ? static_cast<uint8_t>(entry.FileDateTime >> 8)
                                               : static_cast<uint8_t>(entry.CRC32 >> 24);
  return check == expected;
}

void TZipExtractor::WriteOutputBuffer() {
  if (outCount_ == 0) return;
  uint32_t n = outCount_;
  outCount_ = 0;
  if (work_.CompressionMethod == kMethodStored && work_.Encrypted()) codec::CryptDecrypt(keys_, outBuf_.data(), n);
  if (entryWritten_ + n > work_.UncompressedSize) throw EBiggerThanUncompressed(text::kBiggerThanUncompressed);
  if (out_->Write(outBuf_.data(), n) != n) throw ECantWriteUCF(text::kCantWriteUCF);
  crc_ = codec::Crc32Update(crc_, outBuf_.data(), n);
  entryWritten_ += n;
  if (OnFilePercentDone) OnFilePercentDone(*this, PercentOf(entryWritten_, work_.UncompressedSize));
  if (OnTotalPercentDone) {
    totalWritten_ += n;
    OnTotalPercentDone(*this, PercentOf(totalWritten_, totalSize_));
  }
}

// Stored data needs no decoder: it goes straight through the output buffer.
void TZipExtractor::CopyStored() {
  while (remaining_ > 0) {
    if (doProcessMessages_) PassPendingMessages();
    uint32_t n = static_cast<uint32_t>(std::min<int64_t>(kBlockSize, remaining_));
    remaining_ -= n;
    work_.CompressedSize = static_cast<int32_t>(remaining_);
    ReadArchive(outBuf_.data(), n);
    outCount_ = n;
    WriteOutputBuffer();
  }
}

bool TZipExtractor::DecodeEntry(TBufferedFileStream& out) {
  out_ = &out;
  crc_ = 0xFFFFFFFF;
  outCount_ = 0;
  entryWritten_ = 0;
  remaining_ = std::max<int32_t>(work_.CompressedSize, 0);
  const int64_t compressed = remaining_;
  const uint64_t expected = static_cast<uint64_t>(std::max<int32_t>(work_.UncompressedSize, 0));
  EntrySource source(*this);
  EntrySink sink(*this);
  codec::WorkArea& area = *workArea_;
  codec::Result result = codec::Result::ok;
  switch (work_.CompressionMethod) {
    case kMethodStored: CopyStored(); break;
    case kMethodShrunk: result = codec::Unshrink(source, sink, area); break;
    case kMethodReduced1:
    case kMethodReduced2:
    case kMethodReduced3:
    case kMethodReduced4:
      result = codec::Expand(source, sink, expected, work_.CompressionMethod - kMethodReduced1 + 1, area);
      break;
    case kMethodImploded:
      result = codec::Explode(source, sink, expected, (work_.Flags & 0x2) != 0, (work_.Flags & 0x4) != 0,
                              static_cast<uint64_t>(compressed), area);
      break;
    case kMethodDeflated:
      result = codec::Inflate(source, sink, area);
      if (result == codec::Result::out_of_memory)
        ui_.ShowMessageBox(text::kInflateOutOfMemory, text::kErrorCaption, sys::kMbOk);
      break;
    default: ui_.ShowMessageBox(text::kUnknownMethod, text::kZipErrorCaption, sys::kMbOk); return false;
  }
  // A decoder that failed leaves what is still buffered unwritten.
  if (result != codec::Result::ok) {
    outCount_ = 0;
    return false;
  }
  WriteOutputBuffer();
  // Less data than the entry declares is as wrong as more.
  return static_cast<uint64_t>(entryWritten_) == expected;
}

}  // namespace zip
