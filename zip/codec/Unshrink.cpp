// Method 1 (shrinking): LZW with codes of 9 to 13 bits, widened and partially cleared on the
// encoder's command, the application note, 5.1.
#include "zip/codec/BitReader.h"
#include "zip/codec/Codec.h"
#include "zip/codec/WorkArea.h"

namespace zip::codec {

namespace {

constexpr unsigned kCodes = 8192;
constexpr unsigned kControl = 256;
constexpr unsigned kFirstFree = 257;
constexpr unsigned kMinWidth = 9;
constexpr unsigned kMaxWidth = 13;
constexpr uint32_t kOutChunk = 32768;

class Unshrinker {
 public:
  Unshrinker(Source& in, Sink& out) : in_(in), out_(out) {
    for (unsigned c = 0; c < 256; ++c) {
      parent_[c] = kNone;
      last_[c] = static_cast<uint8_t>(c);
      used_[c] = true;
    }
  }

  Result Run() {
    unsigned width = kMinWidth;
    uint32_t prev = kNone;
    for (;;) {
      uint32_t code = in_.Bits(width);
      if (in_.Overrun()) break;  // the last partial code is padding
      if (code == kControl) {
        uint32_t control = in_.Bits(width);
        if (in_.Overrun()) break;
        if (control == 1 && width < kMaxWidth)
          ++width;
        else if (control == 2)
          PartialClear();
        else
          return Result::bad_data;
        continue;
      }
      uint8_t* str;
      size_t len;
      if (used_[code]) {
        if (!Spell(code, str, len)) return Result::bad_data;
      } else if (code == nextFree_ && prev != kNone) {
        // KwKwK: the code the encoder just made from the previous string and its own
        // first byte.
        if (!Spell(prev, str, len)) return Result::bad_data;
        str[len++] = str[0];  // Spell leaves one free byte above the string
      } else {
        return Result::bad_data;
      }
      Emit(str, len);
      if (prev != kNone && nextFree_ < kCodes) {
        parent_[nextFree_] = static_cast<uint16_t>(prev);
        last_[nextFree_] = str[0];
        used_[nextFree_] = true;
        AdvanceFree();
      }
      prev = code;
    }
    if (fill_ > 0) out_.Put(outBuf_, fill_);
    return Result::ok;
  }

 private:
  static constexpr uint16_t kNone = 0xFFFF;

  // Writes the string of `code` ending at the top of stack_; false on a chain that is too
  // long (a cycle through reused slots) or leads through an undefined code.
  bool Spell(uint32_t code, uint8_t*& str, size_t& len) {
    uint8_t* p = stack_ + kCodes - 1;
    while (code >= 256) {
      if (p == stack_ + 1 || code == kControl || !used_[code]) return false;
      *--p = last_[code];
      code = parent_[code];
    }
    *--p = static_cast<uint8_t>(code);
    str = p;
    len = static_cast<size_t>(stack_ + kCodes - 1 - p);
    return true;
  }

  void Emit(const uint8_t* p, size_t n) {
    while (n > 0) {
      size_t take = kOutChunk - fill_ < n ? kOutChunk - fill_ : n;
      for (size_t i = 0; i < take; ++i) outBuf_[fill_ + i] = p[i];
      fill_ += static_cast<uint32_t>(take);
      p += take;
      n -= take;
      if (fill_ == kOutChunk) {
        out_.Put(outBuf_, fill_);
        fill_ = 0;
      }
    }
  }

  // Frees every code that no other code continues (a leaf), 257..8191; freed slots are
  // handed out again lowest first.
  void PartialClear() {
    bool isParent[kCodes] = {};
    for (unsigned c = kFirstFree; c < kCodes; ++c)
      if (used_[c] && parent_[c] != kNone) isParent[parent_[c]] = true;
    for (unsigned c = kFirstFree; c < kCodes; ++c)
      if (!isParent[c]) used_[c] = false;
    nextFree_ = kFirstFree;
    AdvanceFree();
  }

  void AdvanceFree() {
    while (nextFree_ < kCodes && used_[nextFree_]) ++nextFree_;
  }

  BitReader in_;
  Sink& out_;
  uint16_t parent_[kCodes] = {};
  uint8_t last_[kCodes] = {};  // the byte a code adds to its parent's string
  bool used_[kCodes] = {};
  uint32_t nextFree_ = kFirstFree;
  uint8_t stack_[kCodes + 1];  // strings end below stack_[kCodes - 1], which stays spare
  uint8_t outBuf_[kOutChunk];
  uint32_t fill_ = 0;
};

}  // namespace

Result Unshrink(Source& in, Sink& out, WorkArea& work) {
  InWorkArea<Unshrinker> unshrinker(work, in, out);
  return unshrinker->Run();
}

Result Unshrink(Source& in, Sink& out) {
  WorkArea work;
  return Unshrink(in, out, work);
}

}  // namespace zip::codec
