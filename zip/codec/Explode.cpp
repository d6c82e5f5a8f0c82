// Method 6 (imploding): Shannon-Fano coded literals, lengths and distances over a 4 KB or
// 8 KB sliding dictionary, the application note, 5.3.
#include "zip/codec/BitReader.h"
#include "zip/codec/Codec.h"
#include "zip/codec/OutWindow.h"
#include "zip/codec/PrefixTable.h"
#include "zip/codec/WorkArea.h"

#include <algorithm>

namespace zip::codec {

namespace {

constexpr unsigned kLiteralCodes = 256;
constexpr unsigned kLengthCodes = 64;
constexpr unsigned kDistanceCodes = 64;
constexpr unsigned kLiteralBits = 9;
constexpr unsigned kLengthBits = 7;
constexpr uint64_t kLargeEntry = 200000;  // compressed sizes above this use 8 distance lookup bits

// Reads one stored tree (a byte count, then bytes of "count-1 | length-1" nibbles) and builds
// its table. The lengths must cover exactly n values and form a complete code.
bool ReadTree(BitReader& in, unsigned n, unsigned primaryBits, PrefixTable& table) {
  uint8_t lengths[kLiteralCodes];
  unsigned bytes = in.Bits(8) + 1;
  unsigned filled = 0;
  for (unsigned b = 0; b < bytes; ++b) {
    uint32_t v = in.Bits(8);
    unsigned count = (v >> 4) + 1, length = (v & 0x0F) + 1;
    if (count > n - filled) return false;
    std::fill_n(lengths + filled, count, static_cast<uint8_t>(length));
    filled += count;
  }
  if (filled != n || in.Overrun()) return false;

  uint32_t total = 0;
  for (unsigned i = 0; i < n; ++i) total += 1u << (16 - lengths[i]);
  if (total != 1u << 16) return false;  // over- or under-full

  // Codes per 5.3.8: sort by length keeping file order, hand out from the longest down,
  // each code advancing by the width of the code before it.
  uint16_t order[kLiteralCodes];
  for (unsigned i = 0; i < n; ++i) order[i] = static_cast<uint16_t>(i);
  std::stable_sort(order, order + n, [&](uint16_t a, uint16_t b) { return lengths[a] < lengths[b]; });
  uint16_t codes[kLiteralCodes];
  uint32_t code = 0, increment = 0;
  for (unsigned i = n; i-- > 0;) {
    code += increment;
    increment = 1u << (16 - lengths[order[i]]);
    codes[order[i]] = static_cast<uint16_t>(code);
  }
  uint32_t payload[kLiteralCodes];
  for (unsigned i = 0; i < n; ++i) payload[i] = entry::Make(i, entry::kLiteral);
  table.Build(lengths, codes, payload, n, primaryBits);
  return true;
}

inline uint32_t Decode(BitReader& in, const PrefixTable& table) {
  uint32_t e = table.Lookup(in.Peek());
  in.Drop(entry::Length(e));
  return entry::Value(e);
}

}  // namespace

Result Explode(Source& source, Sink& sink, uint64_t uncompressedSize, bool dict8k, bool threeTrees,
               uint64_t compressedSize, WorkArea& work) {
  static_assert(OutWindow::kSize <= WorkArea::kBytes);
  BitReader in(source);
  PrefixTable& literals = work.Table(0);
  PrefixTable& lengths = work.Table(1);
  PrefixTable& distances = work.Table(2);
  unsigned distanceBits = compressedSize > kLargeEntry ? 8 : 7;
  try {
    if (threeTrees && !ReadTree(in, kLiteralCodes, kLiteralBits, literals)) return Result::bad_data;
    if (!ReadTree(in, kLengthCodes, kLengthBits, lengths)) return Result::bad_data;
    if (!ReadTree(in, kDistanceCodes, distanceBits, distances)) return Result::bad_data;
  } catch (const std::bad_alloc&) {
    return Result::bad_data;  // a tree that cannot be built is a data error for this method
  }

  OutWindow out(sink, work.Bytes(OutWindow::kSize));
  const unsigned lowBits = dict8k ? 7 : 6;
  const uint32_t minMatch = threeTrees ? 3 : 2;
  uint64_t left = uncompressedSize;
  while (left > 0) {
    if (in.Overrun()) return Result::bad_data;
    in.Refill();  // 56 bits: flag, low distance bits, two codes of up to 16 bits, extra byte
    if (in.Bits(1)) {
      out.Put(static_cast<uint8_t>(threeTrees ? Decode(in, literals) : in.Bits(8)));
      --left;
      continue;
    }
    uint32_t low = in.Bits(lowBits);
    uint32_t distance = (Decode(in, distances) << lowBits | low) + 1;
    uint32_t length = Decode(in, lengths) + minMatch;
    if (length == 63 + minMatch) length += in.Bits(8);
    uint64_t n = std::min<uint64_t>(length, left);
    out.Copy(distance, n);
    left -= n;
  }
  if (in.Overrun()) return Result::bad_data;
  out.Finish();
  return Result::ok;
}

Result Explode(Source& in, Sink& out, uint64_t uncompressedSize, bool dict8k, bool threeTrees,
               uint64_t compressedSize) {
  WorkArea work;
  return Explode(in, out, uncompressedSize, dict8k, threeTrees, compressedSize, work);
}

}  // namespace zip::codec
