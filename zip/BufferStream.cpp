// Buffered stream rules: reads fill an 8 KB buffer, writes collect in it, and any seek that
// moves the position writes pending data and forgets the buffer.
#include "zip/BufferStream.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "base/Ansi.h"
#include "base/Exceptions.h"
#include "zip/ZipErrors.h"

namespace zip {

TBufferStream::TBufferStream(uint32_t bufferSize) : buffer_(bufferSize ? bufferSize : 1) {}

int64_t TBufferStream::Position() const { return filePos_ - readLength_ + readPos_ + pending_; }

bool TBufferStream::FlushBuffer() {
  if (pending_ == 0) return true;
  uint32_t done = 0;
  bool ok = RawWrite(buffer_.data(), pending_, done) && done == pending_;
  filePos_ += done;
  if (done) wroteAny_ = true;
  if (!ok) {
    std::memmove(buffer_.data(), buffer_.data() + done, pending_ - done);
    pending_ -= done;
    return false;
  }
  pending_ = 0;
  return true;
}

// The file sits after the buffered bytes; put it back where the reader is.
bool TBufferStream::DropReadBuffer() {
  if (readLength_ == 0) return true;
  int64_t target = filePos_ - readLength_ + readPos_, result = 0;
  readLength_ = readPos_ = 0;
  if (target == filePos_) return true;
  if (!RawSeek(target, result)) return false;
  filePos_ = result;
  return true;
}

uint32_t TBufferStream::Read(void* buffer, uint32_t count) {
  if (pending_ && !FlushBuffer()) return 0;
  auto* out = static_cast<uint8_t*>(buffer);
  uint32_t total = 0;
  while (total < count) {
    if (readPos_ < readLength_) {
      uint32_t n = std::min(count - total, readLength_ - readPos_);
      std::memcpy(out + total, buffer_.data() + readPos_, n);
      readPos_ += n;
      total += n;
      continue;
    }
    uint32_t done = 0;
    if (count - total >= buffer_.size()) {
      // Large requests skip the buffer; the next small read starts a fresh one.
      readLength_ = readPos_ = 0;
      if (!RawRead(out + total, count - total, done)) done = 0;
      filePos_ += done;
      total += done;
      break;
    }
    if (!RawRead(buffer_.data(), static_cast<uint32_t>(buffer_.size()), done)) done = 0;
    filePos_ += done;
    readLength_ = done;
    readPos_ = 0;
    if (done == 0) break;
  }
  return total;
}

bool TBufferStream::ReadByte(uint8_t& byte) { return Read(&byte, 1) == 1; }

bool TBufferStream::SkipBuffered(uint32_t count) {
  if (count > readLength_ - readPos_) return false;  // nothing is buffered while writing
  readPos_ += count;
  return true;
}

void TBufferStream::PutBack() {
  if (readPos_ == 0) throw base::EStreamError(text::kPutbackOverflow);
  --readPos_;
}

uint32_t TBufferStream::Write(const void* buffer, uint32_t count) {
  if (!DropReadBuffer()) return 0;
  const auto* in = static_cast<const uint8_t*>(buffer);
  uint32_t total = 0;
  while (total < count) {
    if (pending_ == 0 && count - total >= buffer_.size()) {
      uint32_t done = 0;
      if (!RawWrite(in + total, count - total, done)) done = std::min(done, count - total);
      filePos_ += done;
      if (done) wroteAny_ = true;
      return total + done;
    }
    uint32_t n = std::min(count - total, static_cast<uint32_t>(buffer_.size()) - pending_);
    std::memcpy(buffer_.data() + pending_, in + total, n);
    pending_ += n;
    total += n;
    if (pending_ == buffer_.size() && !FlushBuffer()) return total - pending_;
  }
  return total;
}

int64_t TBufferStream::Seek(int64_t offset, sys::SeekOrigin origin) {
  int64_t target = 0;
  switch (origin) {
    case sys::SeekOrigin::begin: target = offset; break;
    case sys::SeekOrigin::current: target = Position() + offset; break;
    case sys::SeekOrigin::end: target = Size() - std::llabs(offset); break;
    default: throw base::Exception(base::Format(text::kInvalidSeekOrigin, static_cast<int>(origin)));
  }
  if (target == Position()) return target;
  if (!FlushBuffer()) throw base::Exception(text::kSeekError);
  if (target < 0) return -1;
  readLength_ = readPos_ = 0;
  int64_t result = 0;
  if (!RawSeek(target, result)) return -1;
  filePos_ = result;
  return result;
}

int64_t TBufferStream::Size() {
  int64_t size = 0;
  if (!RawSize(size)) size = 0;
  return std::max(size, filePos_ + pending_);
}

namespace {

std::string Reason(sys::FileSystem& fs) { return base::Trim(fs.ErrorText(fs.LastError())); }

}  // namespace

TBufferedFileStream::TBufferedFileStream(sys::FileSystem& fs, const std::string& path, StreamMode mode,
                                         uint32_t bufferSize)
    : TBufferStream(bufferSize), path_(path) {
  if (mode == StreamMode::openRead) {
    file_ = fs.Open(path, sys::Access::read, sys::Share::read, sys::Disposition::openExisting);
    if (!file_) throw base::EFOpenError(base::Format(text::kCannotOpenFile, path.c_str(), Reason(fs).c_str()));
  } else {
    file_ = fs.Open(path, sys::Access::readWrite, sys::Share::none,
                    mode == StreamMode::create ? sys::Disposition::createAlways : sys::Disposition::createNew);
    if (!file_) throw base::EFCreateError(base::Format(text::kCannotCreateFile, path.c_str(), Reason(fs).c_str()));
  }
}

TBufferedFileStream::~TBufferedFileStream() { /* result not examined */
  Close();
}

bool TBufferedFileStream::Close(bool flushToDevice) {
  if (!file_) return true;
  bool ok = FlushBuffer();
  if (flushToDevice && HasWritten()) ok = file_->Flush() && ok;
  file_.reset();
  return ok;
}

bool TBufferedFileStream::GetLastWriteTime(sys::LocalTime& time) { return file_ && file_->GetLastWriteTime(time); }

bool TBufferedFileStream::SetLastWriteTime(const sys::LocalTime& time) {
  // Pending data written later would move the time again.
  return file_ && FlushBuffer() && file_->SetLastWriteTime(time);
}

bool TBufferedFileStream::RawRead(void* buffer, uint32_t count, uint32_t& done) {
  done = 0;
  return file_ && file_->Read(buffer, count, done);
}

bool TBufferedFileStream::RawWrite(const void* buffer, uint32_t count, uint32_t& done) {
  done = 0;
  return file_ && file_->Write(buffer, count, done);
}

bool TBufferedFileStream::RawSeek(int64_t position, int64_t& result) {
  return file_ && file_->Seek(position, sys::SeekOrigin::begin, result);
}

bool TBufferedFileStream::RawSize(int64_t& size) { return file_ && file_->Size(size); }

}  // namespace zip
