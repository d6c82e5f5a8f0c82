// LSB-first bit reader over a Source, shared by every decoder. Past the end of the input it
// supplies zero bits and counts them, so decoders check for overrun at natural points instead
// of on every bit.
#pragma once

#include "zip/codec/Codec.h"

#include <bit>
#include <cstring>

namespace zip::codec {

static_assert(std::endian::native == std::endian::little, "the fast refill loads little-endian words");

class BitReader {
 public:
  explicit BitReader(Source& source) : source_(source) {}

  // Guarantees at least 56 bits in the buffer (real or zero padding).
  void Refill() {
    if (end_ - next_ >= 8) {
      uint64_t word;
      std::memcpy(&word, next_, 8);
      // Bits above count_ may already hold the following bytes; OR-ing them in again
      // is harmless because they are the same bytes.
      bits_ |= word << count_;
      next_ += (63 - count_) >> 3;
      count_ |= 56;
    } else {
      RefillSlow();
    }
  }

  uint64_t Peek() const { return bits_; }
  void Drop(unsigned n) {
    bits_ >>= n;
    count_ -= n;
  }

  // n <= 32.
  uint32_t Bits(unsigned n) {
    if (count_ < n) Refill();
    uint32_t v = static_cast<uint32_t>(bits_ & ((uint64_t{1} << n) - 1));
    Drop(n);
    return v;
  }

  void AlignToByte() { Drop(count_ & 7); }

  // Copies up to n byte-aligned bytes (after AlignToByte); returns how many came from the
  // real input. Padding bytes already in the buffer count as overrun.
  size_t ReadBytes(uint8_t* dst, size_t n) {
    // The whole bytes still in the buffer came from just before next_ when they came from
    // this chunk and are not padding: reading them again from there lets one copy take all.
    if (padding_ == 0 && static_cast<size_t>(next_ - begin_) >= count_ / 8) {
      next_ -= count_ / 8;
      bits_ = 0;
      count_ = 0;
    }
    size_t done = 0;
    while (done < n && count_ >= 8) dst[done++] = static_cast<uint8_t>(Bits(8));
    if (done == n) return Overrun() ? 0 : n;
    if (Overrun()) return 0;
    bits_ = 0;  // count_ is 0: forget bytes pre-loaded above it, they are consumed directly now
    while (done < n) {
      if (next_ == end_ && !FetchChunk()) return done;
      size_t take = static_cast<size_t>(end_ - next_);
      if (take > n - done) take = n - done;
      std::memcpy(dst + done, next_, take);
      next_ += take;
      done += take;
    }
    return done;
  }

  // True once any bit past the end of the input has been consumed.
  bool Overrun() const { return padding_ > count_; }

  // The reader's position and buffer, for a decoding loop that keeps them in registers:
  // every output byte it stores could alias the members, so they would be written back
  // and read again at each byte. While a loop holds a copy, the reader is not used.
  struct State {
    const uint8_t* next;
    const uint8_t* end;
    uint64_t bits;
    unsigned count;
    // At least 8 unread bytes in the current chunk: Refill needs no check.
    bool CanRefillFast() const { return end - next >= 8; }
    void RefillFast() {
      uint64_t word;
      std::memcpy(&word, next, 8);
      bits |= word << count;
      next += (63 - count) >> 3;
      count |= 56;
    }
    void Drop(unsigned n) {
      bits >>= n;
      count -= n;
    }
  };
  State Save() const { return {next_, end_, bits_, count_}; }
  void Restore(const State& s) {
    next_ = s.next;
    bits_ = s.bits;
    count_ = s.count;
  }

 private:
  bool FetchChunk() {
    if (exhausted_) return false;
    const uint8_t* data = nullptr;
    size_t n = source_.Refill(data);
    if (n == 0) {
      exhausted_ = true;
      return false;
    }
    next_ = begin_ = data;
    end_ = data + n;
    return true;
  }

  void RefillSlow() {
    while (count_ <= 56) {
      if (next_ == end_ && !FetchChunk()) {
        padding_ += 8;  // a zero byte; bits_ above count_ is already zero at the end
        count_ += 8;
        continue;
      }
      bits_ |= uint64_t{*next_++} << count_;
      count_ += 8;
    }
  }

  Source& source_;
  const uint8_t* begin_ = nullptr;  // the current chunk's start
  const uint8_t* next_ = nullptr;
  const uint8_t* end_ = nullptr;
  uint64_t bits_ = 0;
  unsigned count_ = 0;
  uint64_t padding_ = 0;  // zero bits supplied past the end, consumed or not
  bool exhausted_ = false;
};

}  // namespace zip::codec
