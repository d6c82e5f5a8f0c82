// Method 8: deflate decoder (RFC 1951). A stream either goes out through a 32 KB window that
// is put out as it fills, or, when the caller holds the whole input and room for the whole
// output, straight into the caller's buffer. Both forms share one decoding loop.
#include <algorithm>
#include <cstring>
#include <new>

#include "zip/codec/BitReader.h"
#include "zip/codec/Codec.h"
#include "zip/codec/PrefixTable.h"
#include "zip/codec/WorkArea.h"

// 64-bit x86 only: the bit buffer is one register there, and the masks take 64-bit operands.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZIP_CODEC_BMI2 1
#include <immintrin.h>
#endif

namespace zip::codec {

namespace {

constexpr size_t kWindow = 32768;
// The streaming output area holds a window of history followed by three that are filled and
// put out in turn, so every back-reference is a plain pointer difference and the history is
// moved down once every three windows; the slack absorbs one symbol's output started just
// before a window's end plus the overshoot of wide copies.
constexpr size_t kFilledWindows = 3;
constexpr size_t kSlack = 320;
constexpr size_t kArea = (1 + kFilledWindows) * kWindow + kSlack;
// Room the fast loop needs past its output position: four literal pairs and a match with the
// overshoot of its wide copies (at most 288 bytes for the longest).
constexpr size_t kFastOutRoom = 8 + 288;
// Unread input the fast loop needs: two 8-byte refills per iteration.
constexpr size_t kFastInRoom = 16;

constexpr unsigned kMaxLitLen = 286;
constexpr unsigned kMaxDist = 30;
constexpr unsigned kLitLenSymbols = 288;  // 286 and 287 take part in the fixed code but never occur
constexpr unsigned kDistSymbols = 32;
constexpr unsigned kLitLenBits = 11;
constexpr unsigned kDistBits = 8;
constexpr unsigned kCodeLenBits = 7;

// Entries of the literal/length and distance tables, laid out so that the decoding loop
// finds everything for a symbol, its extra bits included, in one word:
//   bits 0-5    bits the entry takes: the code and its extra bits, or both codes of a literal
//               pair (a link: the sub-table's width)
//   bit 6       a literal pair; on any other entry, one of bits 12-14 is set
//   bit 7       a literal, or a pair: the low byte's sign, tested without taking it apart
//   bits 8-11   a length or distance: the code's length, where the extra bits start
//   bits 12-14  end of block, a code that must not occur, a link to a sub-table
//   bits 16-31  the literal byte (then the pair's second), the length or distance base, or
//               the sub-table's offset
// Two literals whose codes together fit the primary index share one entry, so runs of
// literals, most of a text, take half the lookups.
namespace fast {
constexpr uint32_t kPair = 1u << 6;
constexpr uint32_t kEnd = 1u << 12;
constexpr uint32_t kBad = 1u << 13;
constexpr uint32_t kLink = 1u << 14;
// Not a literal, and one of the three above: a test of the low byte, like the literal's.
constexpr uint32_t kSpecial = 1u << 6;
constexpr uint32_t kLiteral = 1u << 7;

constexpr uint32_t Symbol(uint32_t value, uint32_t extra, uint32_t flags = 0) {
  return value << 16 | flags | extra | (flags & (kEnd | kBad | kLink) ? kSpecial : 0);
}
inline uint32_t WithCode(uint32_t symbol, uint32_t codeLength) {
  // A literal has no extra bits to find.
  return (symbol & kLiteral) ? symbol + codeLength : symbol + (codeLength << 8) + codeLength;
}
// Stores the entry's literal and whatever byte follows it: the caller advances by LiteralsIn.
inline void PutLiterals(uint8_t* out, uint32_t e) {
  uint16_t two = static_cast<uint16_t>(e >> 16);
  std::memcpy(out, &two, 2);
}
inline unsigned LiteralsIn(uint32_t e) { return 1 + ((e >> 6) & 1); }
inline uint32_t BaseOf(uint32_t e) { return e >> 16; }
inline unsigned Taken(uint32_t e) { return e & 63; }
// The extra bits' value, from the bit buffer as it was before the symbol was dropped.
inline uint32_t ExtraOf(uint32_t e, uint64_t bits) {
  return static_cast<uint32_t>((bits & ((uint64_t{1} << Taken(e)) - 1)) >> ((e >> 8) & 0xF));
}
inline uint32_t SubEntry(const uint32_t* table, uint32_t link, uint64_t bits, unsigned primaryBits) {
  return table[(link >> 16) + ((bits >> primaryBits) & ((1u << Taken(link)) - 1))];
}
}  // namespace fast

struct Payloads {
  uint32_t litLen[kLitLenSymbols];
  uint32_t dist[kDistSymbols];
  uint32_t codeLen[19];
  Payloads() {
    for (unsigned s = 0; s < 256; ++s) litLen[s] = fast::Symbol(s, 0, fast::kLiteral);
    litLen[256] = fast::Symbol(0, 0, fast::kEnd);
    // RFC 1951 3.2.5: lengths 3..258 in 29 codes, extra bits growing every fourth code.
    uint32_t base = 3;
    for (unsigned i = 0; i < 28; ++i) {
      uint32_t extra = i < 8 ? 0 : (i - 4) / 4;
      litLen[257 + i] = fast::Symbol(base, extra);
      base += 1u << extra;
    }
    litLen[285] = fast::Symbol(258, 0);
    litLen[286] = litLen[287] = fast::Symbol(0, 0, fast::kBad);
    base = 1;
    for (unsigned i = 0; i < 30; ++i) {
      uint32_t extra = i < 4 ? 0 : (i - 2) / 2;
      dist[i] = fast::Symbol(base, extra);
      base += 1u << extra;
    }
    dist[30] = dist[31] = fast::Symbol(0, 0, fast::kBad);
    for (unsigned s = 0; s < 19; ++s) codeLen[s] = entry::Make(s, entry::kLiteral);
  }
};

const Payloads& GetPayloads() {
  static const Payloads payloads;
  return payloads;
}

// Bit reversal of a byte, for turning codes first-bit-high into the order they arrive in.
// Made at compile time: nothing to do at start-up.
struct ByteReversal {
  uint8_t of[256] = {};
  constexpr ByteReversal() {
    for (unsigned b = 0; b < 256; ++b) {
      unsigned r = 0;
      for (unsigned i = 0; i < 8; ++i) r |= ((b >> i) & 1) << (7 - i);
      of[b] = static_cast<uint8_t>(r);
    }
  }
};
constexpr ByteReversal kByteReversal;

// A code left-justified in 16 bits, as CanonicalCodes gives it, in stream order.
inline uint32_t StreamOrder(uint16_t code) {
  return uint32_t{kByteReversal.of[code & 0xFF]} << 8 | kByteReversal.of[code >> 8];
}

// Lays out a two-level table of fast entries in `storage`: a primary table indexed by the
// next primaryBits bits, and for every primary prefix of longer codes a sub-table as wide as
// the longest of them. codes as CanonicalCodes gives them (validated by the caller).
// With `pairs`, literal entries also hold the literal after them where both codes fit.
const uint32_t* BuildFastTable(PrefixTable& storage, const uint8_t* lengths, const uint16_t* codes,
                               const uint32_t* payload, unsigned n, unsigned primaryBits, bool pairs) {
  const uint32_t primarySize = 1u << primaryBits;
  // The symbols sorted by code length, by counting, the unused last: the loops below then run
  // over the codes of the lengths they want, without a test per symbol that the processor
  // would guess wrong as often as lengths vary. start[len] is the first of length len.
  unsigned start[kMaxCodeBits + 2];
  unsigned byLength[kLitLenSymbols];
  {
    unsigned next[kMaxCodeBits + 1] = {};
    for (unsigned s = 0; s < n; ++s) ++next[lengths[s]];
    start[1] = 0;
    for (unsigned len = 1; len <= kMaxCodeBits; ++len) start[len + 1] = start[len] + next[len];
    next[0] = start[kMaxCodeBits + 1];
    for (unsigned len = 1; len <= kMaxCodeBits; ++len) next[len] = start[len];
    for (unsigned s = 0; s < n; ++s) byLength[next[lengths[s]]++] = s;
  }
  const unsigned firstLong = start[primaryBits + 1], used = start[kMaxCodeBits + 1];
  uint32_t reversed[kLitLenSymbols];
  for (unsigned k = 0; k < used; ++k) reversed[byLength[k]] = StreamOrder(codes[byLength[k]]);

  uint8_t longest[1u << kMaxPrimaryBits];  // read only at the prefixes of long codes
  for (unsigned k = firstLong; k < used; ++k) longest[reversed[byLength[k]] & (primarySize - 1)] = 0;
  uint16_t longPrefixes[1u << kMaxPrimaryBits];  // the primary prefixes of long codes, in order met
  unsigned nLong = 0;
  for (unsigned k = firstLong; k < used; ++k) {
    const unsigned s = byLength[k];
    uint32_t prefix = reversed[s] & (primarySize - 1);
    if (longest[prefix] == 0) longPrefixes[nLong++] = static_cast<uint16_t>(prefix);
    longest[prefix] = lengths[s];  // in order of length: the last is the longest
  }
  size_t size = primarySize;
  for (unsigned k = 0; k < nLong; ++k) size += size_t{1} << (longest[longPrefixes[k]] - primaryBits);
  uint32_t* table = storage.Storage(size);

  // The primary table by doubling: after the codes of each length are written, the table so
  // far is copied above itself, which repeats every entry for the bits its code does not look
  // at. One write per symbol and one copy of the table, instead of a write per entry. Slots of
  // no code keep the first two's "bad" (a sparse code), or are written later (a long code's link).
  table[0] = table[1] = fast::Symbol(0, 0, fast::kBad);
  for (unsigned len = 1, filled = 2; len <= primaryBits; ++len) {
    if (len > 1) {
      std::memcpy(table + filled, table, filled * sizeof *table);
      filled *= 2;
    }
    for (unsigned k = start[len]; k < start[len + 1]; ++k)
      table[reversed[byLength[k]]] = fast::WithCode(payload[byLength[k]], len);
  }
  uint32_t offset = primarySize;
  for (unsigned k = 0; k < nLong; ++k) {
    uint32_t width = longest[longPrefixes[k]] - primaryBits;
    table[longPrefixes[k]] = fast::Symbol(offset, width, fast::kLink);
    offset += 1u << width;
  }
  // Sub-tables: a code long enough to need one is complete, so every slot is written.
  for (unsigned k = firstLong; k < used; ++k) {
    const unsigned s = byLength[k], len = lengths[s];
    uint32_t e = fast::WithCode(payload[s], len);
    uint32_t link = table[reversed[s] & (primarySize - 1)];
    uint32_t width = fast::Taken(link);
    uint32_t* sub = table + (link >> 16);
    for (uint32_t i = reversed[s] >> primaryBits; i < (1u << width); i += 1u << (len - primaryBits)) sub[i] = e;
  }
  if (pairs) {
    // Each first literal meets the seconds in order of length, up to the first too long for
    // it: the work is the number of pair entries written.
    const unsigned shortOnes = start[primaryBits];  // codes that leave room for another
    for (unsigned i = 0; i < shortOnes; ++i) {
      unsigned first = byLength[i], len1 = lengths[first];
      if (first > 255) continue;
      for (unsigned j = 0; j < shortOnes; ++j) {
        unsigned second = byLength[j], len = len1 + lengths[second];
        if (len > primaryBits) break;
        if (second > 255) continue;
        uint32_t e = first << 16 | second << 24 | fast::kLiteral | fast::kPair | len;
        for (uint32_t k = reversed[first] | reversed[second] << len1; k < primarySize; k += 1u << len) table[k] = e;
      }
    }
  }
  return table;
}

// One entry with its link followed, for the careful path.
inline uint32_t FastLookup(const uint32_t* table, uint64_t bits, unsigned primaryBits) {
  uint32_t e = table[bits & ((1u << primaryBits) - 1)];
  return !(e & fast::kLiteral) && (e & fast::kLink) ? fast::SubEntry(table, e, bits, primaryBits) : e;
}

enum class Stop { end, bad, room };

// What the decoding loop works on, copied into locals while it runs: every output byte it
// stores could alias members, which would then be written back and read again at each byte.
struct LoopState {
  const uint8_t* in;
  const uint8_t* inLimit;  // the loop runs while in < inLimit: kFastInRoom bytes remain
  uint64_t bits;
  unsigned count;
  uint8_t* out;
  uint8_t* outLimit;     // ... and while out < outLimit: kFastOutRoom bytes of room remain
  const uint8_t* floor;  // oldest byte a distance may reach
  const uint32_t* litLen;
  const uint32_t* dist;
};

inline void Copy8(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 8); }
inline void Copy16(uint8_t* dst, const uint8_t* src) { std::memcpy(dst, src, 16); }

// Copies a match of `length` bytes from `distance` back; may write past the end, never past
// dst + 288, and needs `distance` bytes of history before dst. Overlap is fine in each wide
// step: it reads only bytes written before it.
inline void CopyMatch(uint8_t* dst, uint32_t distance, uint32_t length) {
  const uint8_t* src = dst - distance;
  uint8_t* const end = dst + length;
  if (distance >= 32) {
    // Most matches are short and far: most need 16 bytes, nearly all the rest 32, without the
    // loop, whose exit is a branch guessed wrong as often as lengths vary. From 32 bytes back,
    // the second 16 are read from before the first's destination: no read waits on that store.
    Copy16(dst, src);
    if (length > 16) {
      Copy16(dst + 16, src + 16);
      for (dst += 32, src += 32; dst < end; dst += 16, src += 16) Copy16(dst, src);
    }
  } else if (distance >= 16) {
    Copy16(dst, src);
    for (dst += 16, src += 16; dst < end; dst += 16, src += 16) Copy16(dst, src);
  } else if (distance >= 8) {
    Copy8(dst, src);
    Copy8(dst + 8, src + 8);
    for (dst += 16, src += 16; dst < end; dst += 8, src += 8) Copy8(dst, src);
  } else if (distance == 1) {
    // Runs are mostly long: 32 bytes a step halves the turns of the loop.
    const uint64_t byte = *src * uint64_t{0x0101010101010101};
    const uint64_t run[2] = {byte, byte};
    for (; dst < end; dst += 32) {
      std::memcpy(dst, run, 16);
      std::memcpy(dst + 16, run, 16);
    }
  } else {
    // The first 8 bytes one at a time lay down the pattern; after them, reading from a whole
    // number of periods back, at least 8 bytes behind, wide steps can go on.
    static constexpr uint8_t kStride[8] = {0, 0, 8, 9, 8, 10, 12, 14};
    for (int i = 0; i < 8; ++i) dst[i] = src[i];
    const uint32_t stride = kStride[distance];
    for (dst += 8; dst < end; dst += 8) Copy8(dst, dst - stride);
  }
}

// The fast loop: symbols decoded with bounds checked once per iteration instead of per bit
// or byte. Stops with `room` when input or output runs short; the careful path takes over.
// Bits::Low(x, n): the low n & 0xFF bits of x, n & 0xFF below 64.
struct PlainBits {
  static uint64_t Low(uint64_t x, uint32_t n) { return x & ((uint64_t{1} << (n & 63)) - 1); }
};

template <class Bits>
inline Stop FastLoopBody(LoopState& st) {
  const uint8_t* in = st.in;
  const uint8_t* const inLimit = st.inLimit;
  uint64_t bits = st.bits;
  unsigned count = st.count;
  uint8_t* out = st.out;
  uint8_t* const outLimit = st.outLimit;
  const uint8_t* const floor = st.floor;
  const uint32_t* const litLen = st.litLen;
  const uint32_t* const dist = st.dist;
  constexpr uint64_t kLitMask = (1u << kLitLenBits) - 1;
  constexpr uint64_t kDistMask = (1u << kDistBits) - 1;
  Stop stop = Stop::room;

  // `count` is right in its low 6 bits only: symbols are dropped by subtracting their whole
  // entry, whose low 6 bits are the bits they take, which saves taking the entry apart.
  // At least 56 bits after a refill; the longest length with extras and distance with
  // extras together take 48, and five first-level literal entries 5 x 11.
  auto refill = [&] {
    uint64_t word;
    std::memcpy(&word, in, 8);
    bits |= word << (count & 63);
    in += 7 - ((count >> 3) & 7);
    count |= 56;
  };
  auto drop = [&](uint32_t e) {
    bits >>= e & 63;
    count -= e;
  };
  auto literals = [&](uint32_t e) {
    drop(e);
    fast::PutLiterals(out, e);
    out += fast::LiteralsIn(e);
  };
  // A length's or distance's extra bits: the bits under the entry above its code's length.
  auto extra = [&](uint32_t e) { return static_cast<uint32_t>(Bits::Low(bits, e) >> ((e >> 8) & 63)); };

  // As soon as an entry is there, both its possible successors are looked up, before the
  // loop tests what it is: the next literal/length entry, should it be a literal, and its
  // distance's entry, should it be a length. Whether a literal or a match comes next is
  // guessed wrong about once per match; the successor is then already on its way.
  // `rest` is the bit buffer once the entry is dropped.
  uint32_t e = 0, nextE = 0, nextD = 0;
  uint64_t rest = 0;
  auto ahead = [&] {
    rest = bits >> (e & 63);
    nextE = litLen[rest & kLitMask];
    nextD = dist[rest & kDistMask];
  };
  // A literal entry put out, its bits dropped as ahead found them.
  auto literalsAhead = [&] {
    fast::PutLiterals(out, e);
    out += fast::LiteralsIn(e);
    bits = rest;
    count -= e;
  };
  // The loop goes on while input and output have room.
  auto next = [&] {
    if (out >= outLimit || in >= inLimit) return false;
    refill();
    e = litLen[bits & kLitMask];
    ahead();
    return true;
  };
  // After a literal entry or a match: `guess` is the next entry as the bits before the refill
  // give it, right when they held its first level, as they nearly always do. The lookup then
  // need not wait for the refill, which only adds bits above them.
  auto follow = [&](uint32_t guess) {
    const bool held = (count & 63) >= kLitLenBits;
    refill();
    e = guess;
    if (!held) e = litLen[bits & kLitMask];
    ahead();
  };
  if (next()) {
    for (;;) {
      if (e & fast::kLiteral) {
        // Up to five literal entries per refill. Unrolled, each test has its own place in
        // the code, and the processor predicts each on its own: measured faster.
        int n = 1;
#pragma GCC unroll 4
        for (; n < 5; ++n) {
          literalsAhead();
          e = nextE;
          ahead();
          if (!(e & fast::kLiteral)) break;
        }
        if (n == 5) {
          literalsAhead();
          if (out >= outLimit || in >= inLimit) break;
          follow(nextE);
          continue;
        }
        // A length may follow with its distance: top the buffer up again. The refill before
        // moved at most 7 of the 16 bytes the loop's condition promised. The distance's entry
        // looked up ahead stands if the bits then held its first level.
        const bool held = (count & 63) >= (e & 63) + kDistBits;
        refill();
        if (!held) nextD = dist[(bits >> (e & 63)) & kDistMask];
      }
      if (e & fast::kSpecial) {
        if (e & fast::kLink) {
          e = fast::SubEntry(litLen, e, bits, kLitLenBits);
          if (e & fast::kLiteral) {
            literals(e);
            if (!next()) break;
            continue;
          }
          nextD = dist[(bits >> (e & 63)) & kDistMask];
        }
        if (e & (fast::kEnd | fast::kBad)) {
          stop = (e & fast::kEnd) ? Stop::end : Stop::bad;
          if (stop == Stop::end) drop(e);
          break;
        }
      }
      uint32_t length = fast::BaseOf(e) + extra(e);
      drop(e);
      uint32_t d = nextD;
      if (d & fast::kSpecial) {
        if (d & fast::kLink) d = fast::SubEntry(dist, d, bits, kDistBits);
        if (d & fast::kSpecial) {
          stop = Stop::bad;
          break;
        }
      }
      uint32_t distance = fast::BaseOf(d) + extra(d);
      drop(d);
      if (distance > static_cast<size_t>(out - floor)) {
        stop = Stop::bad;
        break;
      }
      // The next entry's load goes before the copy, so that the two overlap.
      uint8_t* const at = out;
      out += length;
      const bool more = in < inLimit;
      if (more) follow(litLen[bits & kLitMask]);
      CopyMatch(at, distance, length);
      if (!more || out >= outLimit) break;
    }
  }
  st.in = in;
  st.bits = bits;
  st.count = count & 63;
  st.out = out;
  return stop;
}

Stop FastLoopPlain(LoopState& st) { return FastLoopBody<PlainBits>(st); }

#ifdef ZIP_CODEC_BMI2
// The same loop where the processor shifts by a register without the flags dance and masks
// low bits in one instruction; most of the loop's work is such shifts and masks.
struct Bmi2Bits {
  [[gnu::target("bmi2")]] static uint64_t Low(uint64_t x, uint32_t n) { return _bzhi_u64(x, n); }
};

// Flattened, so that the loop and all it calls are compiled for BMI2 as one.
[[gnu::target("bmi2"), gnu::flatten]] Stop FastLoopBmi2(LoopState& st) { return FastLoopBody<Bmi2Bits>(st); }

bool DetectBmi2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("bmi2");
}

Stop (*const FastLoop)(LoopState&) = DetectBmi2() ? FastLoopBmi2 : FastLoopPlain;
#else
Stop (*const FastLoop)(LoopState&) = FastLoopPlain;
#endif

// The whole input handed over as one chunk.
class WholeSource : public Source {
 public:
  WholeSource(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  size_t Refill(const uint8_t*& data) override {
    data = data_;
    size_t n = size_;
    size_ = 0;
    return n;
  }

 private:
  const uint8_t* data_;
  size_t size_;
};

class Inflater {
 public:
  // Streaming: the output goes through the work area's window to `sink`.
  Inflater(Source& in, Sink& sink, WorkArea& work)
      : in_(in),
        sink_(&sink),
        base_(work.Bytes(kArea)),
        out_(base_ + kWindow),
        end_(base_ + 2 * kWindow),
        floor_(out_),
        litLenStore_(work.Table(0)),
        distStore_(work.Table(1)),
        codeLen_(work.Table(2)) {
    static_assert(kArea <= WorkArea::kBytes);
  }

  // Whole buffer: the output goes straight to out[0, capacity).
  Inflater(Source& in, uint8_t* out, size_t capacity, WorkArea& work)
      : in_(in),
        sink_(nullptr),
        base_(out),
        out_(out),
        end_(out + capacity),
        floor_(out),
        litLenStore_(work.Table(0)),
        distStore_(work.Table(1)),
        codeLen_(work.Table(2)) {}

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
    if (sink_ && out_ > end_ - kWindow) sink_->Put(end_ - kWindow, static_cast<size_t>(out_ - (end_ - kWindow)));
    return Result::ok;
  }

  size_t Produced() const { return static_cast<size_t>(out_ - base_); }

 private:
  bool Streaming() const { return sink_ != nullptr; }

  // Streaming only, once a window is full: the symbol that crossed its end may have left up
  // to 296 bytes beyond it, which belong to the next window.
  bool Flush() {
    if (in_.Overrun()) return false;
    sink_->Put(end_ - kWindow, kWindow);
    if (end_ < base_ + (1 + kFilledWindows) * kWindow) {
      end_ += kWindow;
      return true;
    }
    // The last window becomes the history, with what lies beyond it.
    uint8_t* last = end_ - kWindow;
    std::memmove(base_, last, static_cast<size_t>(out_ - last));
    out_ -= kFilledWindows * kWindow;
    end_ = base_ + 2 * kWindow;
    floor_ = base_;
    return true;
  }

  bool StoredBlock() {
    in_.AlignToByte();
    uint32_t len = in_.Bits(16);
    uint32_t nlen = in_.Bits(16);
    if (len != (~nlen & 0xFFFF) || in_.Overrun()) return false;
    while (len > 0) {
      // A coded block may have ended a few bytes past a window's end: it is put out first.
      if (Streaming() && out_ >= end_ && !Flush()) return false;
      size_t room = static_cast<size_t>(end_ - out_);
      if (room == 0) return false;  // a caller's buffer is full
      size_t n = len < room ? len : room;
      if (in_.ReadBytes(out_, n) != n) return false;
      out_ += n;
      len -= static_cast<uint32_t>(n);
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
    litLen_ = BuildFastTable(litLenStore_, litLens, codes, GetPayloads().litLen, nLitLen, kLitLenBits, true);
    // RFC 1951 3.2.7: one distance code of one bit, or none when only literals follow.
    if (!CanonicalCodes(distLens, nDist, codes, true)) return false;
    dist_ = BuildFastTable(distStore_, distLens, codes, GetPayloads().dist, nDist, kDistBits, false);
    return true;
  }

  bool CodedBlock() {
    for (;;) {
      switch (FastSymbols()) {
        case Stop::end: return true;
        case Stop::bad: return false;
        case Stop::room: break;
      }
      if (Streaming() && out_ >= end_) {
        if (!Flush()) return false;
        continue;
      }
      // Near the end of the input chunk or the output: one symbol with every check.
      switch (CarefulSymbol()) {
        case Stop::end: return true;
        case Stop::bad: return false;
        case Stop::room: break;
      }
      if (in_.Overrun()) return false;
      if (Streaming() && out_ >= end_ && !Flush()) return false;
    }
  }

  Stop FastSymbols() {
    BitReader::State s = in_.Save();
    LoopState st;
    st.in = s.next;
    st.inLimit = s.end - s.next >= static_cast<ptrdiff_t>(kFastInRoom) ? s.end - (kFastInRoom - 1) : s.next;
    st.bits = s.bits;
    st.count = s.count;
    st.out = out_;
    // A window may take one symbol past its end into the slack; a caller's buffer may not.
    if (Streaming())
      st.outLimit = end_;
    else
      st.outLimit = end_ - out_ > static_cast<ptrdiff_t>(kFastOutRoom) ? end_ - kFastOutRoom : out_;
    st.floor = floor_;
    st.litLen = litLen_;
    st.dist = dist_;
    Stop stop = FastLoop(st);
    s.next = st.in;
    s.bits = st.bits;
    s.count = st.count;
    in_.Restore(s);
    out_ = st.out;
    return stop;
  }

  // Room for n more bytes: a window always has it (the slack), a caller's buffer may not.
  bool Room(size_t n) const { return Streaming() || static_cast<size_t>(end_ - out_) >= n; }

  Stop CarefulSymbol() {
    in_.Refill();
    uint64_t bits = in_.Peek();
    uint32_t e = FastLookup(litLen_, bits, kLitLenBits);
    if (e & fast::kLiteral) {
      // A pair's second literal is in the stream before any end of block: it must fit too.
      unsigned n = fast::LiteralsIn(e);
      if (!Room(n)) return Stop::bad;
      in_.Drop(fast::Taken(e));
      out_[0] = static_cast<uint8_t>(e >> 16);
      if (n == 2) out_[1] = static_cast<uint8_t>(e >> 24);
      out_ += n;
      return Stop::room;
    }
    if (e & fast::kBad) return Stop::bad;
    in_.Drop(fast::Taken(e));
    if (e & fast::kEnd) return Stop::end;
    uint32_t length = fast::BaseOf(e) + fast::ExtraOf(e, bits);
    bits = in_.Peek();  // 56 bits were there: the length took at most 20, the distance takes 28
    uint32_t d = FastLookup(dist_, bits, kDistBits);
    if (d & fast::kSpecial) return Stop::bad;
    in_.Drop(fast::Taken(d));
    uint32_t distance = fast::BaseOf(d) + fast::ExtraOf(d, bits);
    if (distance > static_cast<size_t>(out_ - floor_) || !Room(length)) return Stop::bad;
    if (Streaming()) {
      CopyMatch(out_, distance, length);
    } else {
      const uint8_t* src = out_ - distance;  // exact: no byte past the buffer's end
      for (uint32_t i = 0; i < length; ++i) out_[i] = src[i];
    }
    out_ += length;
    return Stop::room;
  }

  BitReader in_;
  Sink* const sink_;  // null for a whole buffer
  uint8_t* const base_;
  uint8_t* out_;          // next byte to write
  uint8_t* end_;          // the end of the window being filled, or of the caller's buffer
  const uint8_t* floor_;  // oldest byte a distance may reach
  bool fixedLoaded_ = false;
  PrefixTable& litLenStore_;
  PrefixTable& distStore_;
  PrefixTable& codeLen_;
  const uint32_t* litLen_ = nullptr;
  const uint32_t* dist_ = nullptr;
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

Result InflateBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t capacity, size_t& produced,
                     WorkArea& work) {
  WholeSource source(in, inSize);
  Inflater inflater(source, out, capacity, work);
  Result r = inflater.Run();
  produced = r == Result::ok ? inflater.Produced() : 0;
  return r;
}

Result InflateBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t capacity, size_t& produced) {
  WorkArea work;
  return InflateBuffer(in, inSize, out, capacity, produced, work);
}

}  // namespace zip::codec
