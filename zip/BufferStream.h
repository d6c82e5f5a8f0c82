// Buffered streams over the file-system boundary: the archive is read and the output files
// are written through an 8192-byte buffer, with the seek rules the directory reader relies on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sys/Files.h"

namespace zip {

constexpr uint32_t kStreamBufferSize = 8192;

class TBufferStream {
 public:
  explicit TBufferStream(uint32_t bufferSize = kStreamBufferSize);
  virtual ~TBufferStream() = default;
  TBufferStream(const TBufferStream&) = delete;
  TBufferStream& operator=(const TBufferStream&) = delete;

  // Both return how many bytes were moved; a short count is the only failure signal.
  uint32_t Read(void* buffer, uint32_t count);
  uint32_t Write(const void* buffer, uint32_t count);
  // Returns the new position, or -1 when the underlying file refused it (the position is
  // then unchanged). From the end, -N and N both mean N bytes before it.
  int64_t Seek(int64_t offset, sys::SeekOrigin origin);
  int64_t Position() const;
  int64_t Size();
  bool ReadByte(uint8_t& byte);
  // Takes count bytes as a read would, without copying them, when all of them are already in
  // the buffer; otherwise moves nothing and returns false.
  bool SkipBuffered(uint32_t count);
  // Steps back over the last byte taken from the buffer.
  void PutBack();
  // Writes pending data to the file; false when the file took less.
  bool FlushBuffer();

 protected:
  virtual bool RawRead(void* buffer, uint32_t count, uint32_t& done) = 0;
  virtual bool RawWrite(const void* buffer, uint32_t count, uint32_t& done) = 0;
  virtual bool RawSeek(int64_t position, int64_t& result) = 0;
  virtual bool RawSize(int64_t& size) = 0;
  bool HasWritten() const { return wroteAny_; }

 private:
  bool DropReadBuffer();

  std::vector<uint8_t> buffer_;
  uint32_t readLength_ = 0;  // valid bytes in the buffer while reading
  uint32_t readPos_ = 0;
  uint32_t pending_ = 0;  // bytes waiting to be written
  int64_t filePos_ = 0;   // position of the underlying file
  bool wroteAny_ = false;
};

enum class StreamMode { openRead, create, createNew };

class TBufferedFileStream final : public TBufferStream {
 public:
  // Raises EFOpenError (openRead) or EFCreateError with the system's reason. openRead denies
  // writes by others.
  TBufferedFileStream(sys::FileSystem& fs, const std::string& path, StreamMode mode,
                      uint32_t bufferSize = kStreamBufferSize);
  ~TBufferedFileStream() override;

  const std::string& Path() const { return path_; }
  bool GetLastWriteTime(sys::LocalTime& time);
  bool SetLastWriteTime(const sys::LocalTime& time);
  // With flushToDevice, data reaches the device before the handle goes, if anything was written.
  bool Close(bool flushToDevice = false);

 protected:
  bool RawRead(void* buffer, uint32_t count, uint32_t& done) override;
  bool RawWrite(const void* buffer, uint32_t count, uint32_t& done) override;
  bool RawSeek(int64_t position, int64_t& result) override;
  bool RawSize(int64_t& size) override;

 private:
  std::unique_ptr<sys::File> file_;
  std::string path_;
};

}  // namespace zip
