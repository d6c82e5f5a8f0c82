// Method 8: deflate decoder (RFC 1951) with a 32 KB window that is put out as it fills.
#include "zip/codec/BitReader.h"
#include "zip/codec/Codec.h"
#include "zip/codec/PrefixTable.h"
#include "zip/codec/WorkArea.h"

#include <cstring>
#include <new>

namespace zip::codec {

namespace {

constexpr size_t kWindow = 32768;
// The output area holds the previous window (history) followed by the one being filled, so
// every back-reference is a plain pointer difference; the slack absorbs one match written
// past the flush point plus the overshoot of 8-byte copies.
constexpr size_t kSlack = 320;
constexpr size_t kArea = 2 * kWindow + kSlack;

constexpr unsigned kMaxLitLen = 286;
constexpr unsigned kMaxDist = 30;
constexpr unsigned kLitLenSymbols = 288;  // 286 and 287 take part in the fixed code but never occur
constexpr unsigned kDistSymbols = 32;
constexpr unsigned kLitLenBits = 10;
constexpr unsigned kDistBits = 8;
constexpr unsigned kCodeLenBits = 7;

struct Payloads {
  uint32_t litLen[kLitLenSymbols];
  uint32_t dist[kDistSymbols];
  uint32_t codeLen[19];
  Payloads() {
    for (unsigned s = 0; s < 256; ++s) litLen[s] = entry::Make(s, entry::kLiteral);
    litLen[256] = entry::Make(0, entry::kEnd);
    // RFC 1951 3.2.5: lengths 3..258 in 29 codes, extra bits growing every fourth code.
    uint32_t base = 3;
    for (unsigned i = 0; i < 28; ++i) {
      uint32_t extra = i < 8 ? 0 : (i - 4) / 4;
      litLen[257 + i] = entry::Make(base, extra);
      base += 1u << extra;
    }
    litLen[285] = entry::Make(258, 0);
    litLen[286] = litLen[287] = entry::Make(0, entry::kBad);
    base = 1;
    for (unsigned i = 0; i < 30; ++i) {
      uint32_t extra = i < 4 ? 0 : (i - 2) / 2;
      dist[i] = entry::Make(base, extra);
      base += 1u << extra;
    }
    dist[30] = dist[31] = entry::Make(0, entry::kBad);
    for (unsigned s = 0; s < 19; ++s) codeLen[s] = entry::Make(s, entry::kLiteral);
  }
};

const Payloads& GetPayloads() {
  static const Payloads payloads;
  return payloads;
}

class Inflater {
 public:
  Inflater(Source& in, Sink& out, WorkArea& work)
      : in_(in),
        out_(out),
        area_(work.Bytes(kArea)),
        litLen_(work.Table(0)),
        dist_(work.Table(1)),
        codeLen_(work.Table(2)) {
    static_assert(kArea <= WorkArea::kBytes);
  }

  Result Run() {
    try {
      bool last = false;
      while (!last) {
        last = in_.Bits(1) != 0;
        uint32_t type = in_.Bits(2);
        bool good = false;
        if (type == 0)
          good = StoredBlock();
        else if (type == 1)
          good = FixedTables() && CodedBlock();
        else if (type == 2)
          good = DynamicTables() && CodedBlock();
        if (!good || in_.Overrun()) return Result::bad_data;
      }
    } catch (const PassThrough&) {
      throw;
    } catch (const std::bad_alloc&) {
      return Result::out_of_memory;
    } catch (...) {
      return Result::bad_data;
    }
    // Outside the guard on purpose: a failure writing the rest belongs to the caller.
    if (pos_ > kWindow) out_.Put(area_ + kWindow, pos_ - kWindow);
    return Result::ok;
  }

 private:
  // Called once the window half is full; the match that crossed the boundary may have left
  // up to 258 bytes beyond it, which stay for the next window.
  bool Flush() {
    if (in_.Overrun()) return false;
    uint8_t* area = area_;
    out_.Put(area + kWindow, kWindow);
    std::memmove(area, area + kWindow, pos_ - kWindow);
    pos_ -= kWindow;
    floor_ = 0;
    return true;
  }

  bool StoredBlock() {
    in_.AlignToByte();
    uint32_t len = in_.Bits(16);
    uint32_t nlen = in_.Bits(16);
    if (len != (~nlen & 0xFFFF) || in_.Overrun()) return false;
    while (len > 0) {
      size_t room = 2 * kWindow - pos_;
      size_t n = len < room ? len : room;
      if (in_.ReadBytes(area_ + pos_, n) != n) return false;
      pos_ += n;
      len -= static_cast<uint32_t>(n);
      if (pos_ >= 2 * kWindow && !Flush()) return false;
    }
    return true;
  }

  bool FixedTables() {
    if (fixedLoaded_) return true;
    uint8_t lengths[kLitLenSymbols + kDistSymbols];
    // RFC 1951 3.2.6
    for (unsigned s = 0; s < 144; ++s) lengths[s] = 8;
    for (unsigned s = 144; s < 256; ++s) lengths[s] = 9;
    for (unsigned s = 256; s < 280; ++s) lengths[s] = 7;
    for (unsigned s = 280; s < 288; ++s) lengths[s] = 8;
    for (unsigned s = 0; s < kDistSymbols; ++s) lengths[kLitLenSymbols + s] = 5;
    if (!BuildTables(lengths, kLitLenSymbols, lengths + kLitLenSymbols, kDistSymbols)) return false;
    fixedLoaded_ = true;
    return true;
  }

  bool DynamicTables() {
    fixedLoaded_ = false;
    in_.Refill();
    unsigned nLitLen = in_.Bits(5) + 257;
    unsigned nDist = in_.Bits(5) + 1;
    unsigned nCodeLen = in_.Bits(4) + 4;
    if (nLitLen > kMaxLitLen || nDist > kMaxDist) return false;

    static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    uint8_t clLengths[19] = {};
    for (unsigned i = 0; i < nCodeLen; ++i) clLengths[kOrder[i]] = static_cast<uint8_t>(in_.Bits(3));
    uint16_t clCodes[19];
    if (!CanonicalCodes(clLengths, 19, clCodes, false)) return false;
    codeLen_.Build(clLengths, clCodes, GetPayloads().codeLen, 19, kCodeLenBits);

    uint8_t lengths[kMaxLitLen + kMaxDist] = {};
    unsigned total = nLitLen + nDist;
    for (unsigned i = 0; i < total;) {
      in_.Refill();
      uint32_t e = codeLen_.Lookup(in_.Peek());
      in_.Drop(entry::Length(e));
      uint32_t sym = entry::Value(e);
      if (entry::Flags(e) & entry::kBad) return false;
      if (sym < 16) {
        lengths[i++] = static_cast<uint8_t>(sym);
        continue;
      }
      uint8_t value = 0;
      unsigned repeat;
      if (sym == 16) {
        if (i == 0) return false;
        value = lengths[i - 1];
        repeat = 3 + in_.Bits(2);
      } else if (sym == 17) {
        repeat = 3 + in_.Bits(3);
      } else {
        repeat = 11 + in_.Bits(7);
      }
      if (repeat > total - i) return false;
      std::memset(lengths + i, value, repeat);
      i += repeat;
    }
    if (in_.Overrun() || lengths[256] == 0) return false;  // a block must be able to end
    return BuildTables(lengths, nLitLen, lengths + nLitLen, nDist);
  }

  bool BuildTables(const uint8_t* litLens, unsigned nLitLen, const uint8_t* distLens, unsigned nDist) {
    uint16_t codes[kLitLenSymbols];
    if (!CanonicalCodes(litLens, nLitLen, codes, false)) return false;
    litLen_.Build(litLens, codes, GetPayloads().litLen, nLitLen, kLitLenBits);
    // RFC 1951 3.2.7: one distance code of one bit, or none when only literals follow.
    if (!CanonicalCodes(distLens, nDist, codes, true)) return false;
    dist_.Build(distLens, codes, GetPayloads().dist, nDist, kDistBits);
    return true;
  }

  // Copies a match of length bytes from distance back; writes up to 7 bytes past the end,
  // which the slack (or the next symbols) absorbs.
  static void CopyMatch(uint8_t* dst, uint32_t distance, uint32_t length) {
    const uint8_t* src = dst - distance;
    if (distance >= 8) {
      // Overlap is fine: each 8-byte step reads bytes written at least 8 earlier.
      for (uint32_t i = 0; i < length; i += 8) std::memcpy(dst + i, src + i, 8);
    } else if (distance == 1) {
      std::memset(dst, *src, length);
    } else {
      for (uint32_t i = 0; i < length; ++i) dst[i] = src[i];
    }
  }

  bool CodedBlock() {
    for (;;) {
      switch (FastSymbols()) {
        case Stop::end: return true;
        case Stop::bad: return false;
        case Stop::room: break;
      }
      if (pos_ >= 2 * kWindow) {
        if (!Flush()) return false;
        continue;
      }
      // Near the end of the input chunk: one symbol with every check, then fast again.
      switch (CarefulSymbol()) {
        case Stop::end: return true;
        case Stop::bad: return false;
        case Stop::room: break;
      }
      if (pos_ >= 2 * kWindow && !Flush()) return false;
    }
  }

  enum class Stop { end, bad, room };

  // Decodes while the window half has room and the chunk holds 8 unread bytes, with the bit
  // buffer and the position in registers. 56 bits cover the longest length code, distance
  // code and their extras (48).
  Stop FastSymbols() {
    uint8_t* const area = area_;
    const PrefixTable& litLen = litLen_;
    const PrefixTable& dist = dist_;
    BitReader::State s = in_.Save();
    size_t pos = pos_;
    Stop stop = Stop::room;
    while (pos < 2 * kWindow && s.CanRefillFast()) {
      s.RefillFast();
      uint32_t e = litLen.Lookup(s.bits);
      uint32_t flags = entry::Flags(e);
      s.Drop(entry::Length(e));
      if (flags & entry::kLiteral) {
        area[pos++] = static_cast<uint8_t>(entry::Value(e));
        // Two literal codes take at most 30 of the 56 bits: a second and a third fit.
        e = litLen.Lookup(s.bits);
        if (!(entry::Flags(e) & entry::kLiteral)) continue;
        s.Drop(entry::Length(e));
        area[pos++] = static_cast<uint8_t>(entry::Value(e));
        e = litLen.Lookup(s.bits);
        if (!(entry::Flags(e) & entry::kLiteral)) continue;
        s.Drop(entry::Length(e));
        area[pos++] = static_cast<uint8_t>(entry::Value(e));
        continue;
      }
      if (flags & (entry::kEnd | entry::kBad)) {
        stop = (flags & entry::kEnd) ? Stop::end : Stop::bad;
        break;
      }
      uint32_t extra = flags & entry::kExtraMask;
      uint32_t length = entry::Value(e) + static_cast<uint32_t>(s.bits & ((1u << extra) - 1));
      s.Drop(extra);
      e = dist.Lookup(s.bits);
      flags = entry::Flags(e);
      if (flags & entry::kBad) {
        stop = Stop::bad;
        break;
      }
      s.Drop(entry::Length(e));
      extra = flags & entry::kExtraMask;
      uint32_t distance = entry::Value(e) + static_cast<uint32_t>(s.bits & ((1u << extra) - 1));
      s.Drop(extra);
      if (distance > pos - floor_) {
        stop = Stop::bad;
        break;
      }
      CopyMatch(area + pos, distance, length);
      pos += length;
    }
    in_.Restore(s);
    pos_ = pos;
    return stop;
  }

  Stop CarefulSymbol() {
    uint8_t* const area = area_;
    in_.Refill();
    uint32_t e = litLen_.Lookup(in_.Peek());
    uint32_t flags = entry::Flags(e);
    in_.Drop(entry::Length(e));
    if (flags & entry::kLiteral) {
      area[pos_++] = static_cast<uint8_t>(entry::Value(e));
      return Stop::room;
    }
    if (flags & (entry::kEnd | entry::kBad)) return (flags & entry::kEnd) ? Stop::end : Stop::bad;
    uint64_t bits = in_.Peek();
    uint32_t extra = flags & entry::kExtraMask;
    uint32_t length = entry::Value(e) + static_cast<uint32_t>(bits & ((1u << extra) - 1));
    in_.Drop(extra);
    e = dist_.Lookup(in_.Peek());
    flags = entry::Flags(e);
    if (flags & entry::kBad) return Stop::bad;
    in_.Drop(entry::Length(e));
    bits = in_.Peek();
    extra = flags & entry::kExtraMask;
    uint32_t distance = entry::Value(e) + static_cast<uint32_t>(bits & ((1u << extra) - 1));
    in_.Drop(extra);
    if (distance > pos_ - floor_) return Stop::bad;
    CopyMatch(area + pos_, distance, length);
    pos_ += length;
    return Stop::room;
  }

  BitReader in_;
  Sink& out_;
  uint8_t* const area_;
  size_t pos_ = kWindow;    // next byte to write; the current window starts at kWindow
  size_t floor_ = kWindow;  // oldest byte a distance may reach
  bool fixedLoaded_ = false;
  PrefixTable& litLen_;
  PrefixTable& dist_;
  PrefixTable& codeLen_;
};

}  // namespace

Result Inflate(Source& in, Sink& out, WorkArea& work) {
  Inflater inflater(in, out, work);
  return inflater.Run();
}

Result Inflate(Source& in, Sink& out) {
  WorkArea work;
  return Inflate(in, out, work);
}

}  // namespace zip::codec
