// Ring-buffer window for the legacy methods (1-6): bytes are put out 32 KB at a time as it
// fills, and history before the start of the output reads as zeros, as the application note
// prescribes for reduce and implode.
#pragma once

#include "zip/codec/Codec.h"

#include <cstring>

namespace zip::codec {

class OutWindow {
 public:
  static constexpr size_t kSize = 32768;  // a power of two above every legacy distance (8192)

  // buffer: kSize bytes, typically lent by the run's work area; cleared here.
  OutWindow(Sink& sink, uint8_t* buffer) : sink_(sink), buf_(buffer) { std::memset(buf_, 0, kSize); }

  void Put(uint8_t b) {
    buf_[pos_++] = b;
    if (pos_ == kSize) {
      sink_.Put(buf_, kSize);
      pos_ = 0;
    }
  }

  // distance 1..kSize; copies `length` bytes, overlapping as LZ77 requires.
  void Copy(size_t distance, uint64_t length) {
    size_t src = (pos_ - distance) & (kSize - 1);
    while (length--) {
      uint8_t b = buf_[src];
      src = (src + 1) & (kSize - 1);
      Put(b);
    }
  }

  void Finish() {
    if (pos_ > 0) sink_.Put(buf_, pos_);
    pos_ = 0;
  }

 private:
  Sink& sink_;
  uint8_t* buf_;
  size_t pos_ = 0;
};

}  // namespace zip::codec
