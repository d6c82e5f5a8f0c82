// Shared pieces of the decoder fuzz targets: a source that hands out the input in chunks of
// a chosen size, a sink that keeps a bounded amount of output, and a work area left full of
// stale bytes, as an earlier entry of a run leaves it.
#pragma once

#include "zip/codec/Codec.h"
#include "zip/codec/WorkArea.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zip::codec::fuzz {

class ChunkedSource : public Source {
 public:
  ChunkedSource(const uint8_t* data, size_t size, size_t chunk) : data_(data), size_(size), chunk_(chunk ? chunk : 1) {}
  size_t Refill(const uint8_t*& p) override {
    size_t n = size_ - pos_ < chunk_ ? size_ - pos_ : chunk_;
    p = data_ + pos_;
    pos_ += n;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_, chunk_, pos_ = 0;
};

struct OutputLimit {};

// Throws OutputLimit once more than `limit` bytes arrive, so zero-padded input cannot run long.
class BoundedSink : public Sink {
 public:
  explicit BoundedSink(size_t limit) : limit_(limit) {}
  void Put(const uint8_t* p, size_t n) override {
    if (data.size() + n > limit_) throw OutputLimit();
    data.insert(data.end(), p, p + n);
  }
  std::vector<uint8_t> data;

 private:
  size_t limit_;
};

// Decoding in this must give what decoding in a fresh area gives.
class StaleArea : public WorkArea {
 public:
  StaleArea() { std::memset(Bytes(kBytes), 0xA5, kBytes); }
};

}  // namespace zip::codec::fuzz
