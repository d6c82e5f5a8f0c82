// Table construction for the two-level prefix decoders.
#include "zip/codec/PrefixTable.h"

namespace zip::codec {

namespace {

uint32_t Reverse(uint32_t code, unsigned length) {
  uint32_t r = 0;
  for (unsigned i = 0; i < length; ++i) {
    r = r << 1 | (code & 1);
    code >>= 1;
  }
  return r;
}

}  // namespace

void PrefixTable::Build(const uint8_t* lengths, const uint16_t* codes, const uint32_t* payload, unsigned n,
                        unsigned primaryBits) {
  primaryBits_ = primaryBits;
  primaryMask_ = (uint64_t{1} << primaryBits) - 1;
  const uint32_t primarySize = 1u << primaryBits;
  const uint32_t bad = entry::Make(0, entry::kBad) | 1;  // drop one bit: decoding stops anyway

  // Longest code under each primary prefix sizes that prefix's sub-table.
  uint8_t longest[1u << kMaxPrimaryBits] = {};
  for (unsigned s = 0; s < n; ++s) {
    unsigned len = lengths[s];
    if (len <= primaryBits) continue;
    uint32_t prefix = Reverse(codes[s] >> (16 - primaryBits), primaryBits);
    if (len > longest[prefix]) longest[prefix] = static_cast<uint8_t>(len);
  }

  CheckLimit(primarySize);
  table_.assign(primarySize, bad);
  for (uint32_t p = 0; p < primarySize; ++p) {
    if (longest[p] == 0) continue;
    uint32_t width = longest[p] - primaryBits;
    uint32_t offset = static_cast<uint32_t>(table_.size());
    CheckLimit(offset + (size_t{1} << width));
    table_.resize(offset + (1u << width), bad);
    table_[p] = entry::Make(offset, entry::kLink | width) | primaryBits;
  }

  for (unsigned s = 0; s < n; ++s) {
    unsigned len = lengths[s];
    if (len == 0) continue;
    uint32_t rev = Reverse(codes[s] >> (16 - len), len);
    uint32_t e = payload[s] | len;
    if (len <= primaryBits) {
      for (uint32_t i = rev; i < primarySize; i += 1u << len) table_[i] = e;
    } else {
      uint32_t link = table_[rev & (primarySize - 1)];
      if (!(entry::Flags(link) & entry::kLink)) continue;  // not a prefix code; unreachable
      uint32_t width = entry::Flags(link) & entry::kExtraMask;
      uint32_t base = entry::Value(link);
      for (uint32_t i = rev >> primaryBits; i < (1u << width); i += 1u << (len - primaryBits)) table_[base + i] = e;
    }
  }
}

bool CanonicalCodes(const uint8_t* lengths, unsigned n, uint16_t* codes, bool allowSparse) {
  unsigned count[kMaxCodeBits + 1] = {};
  for (unsigned s = 0; s < n; ++s) ++count[lengths[s]];
  count[0] = 0;

  int32_t left = 1;  // codes still free at the current length
  for (unsigned len = 1; len <= 15; ++len) {
    left = left * 2 - static_cast<int32_t>(count[len]);
    if (left < 0) return false;
  }
  unsigned used = 0;
  for (unsigned len = 1; len <= 15; ++len) used += count[len];
  if (left > 0) {
    bool sparseOk = allowSparse && (used == 0 || (used == 1 && count[1] == 1));
    if (!sparseOk) return false;
  }

  uint32_t next[kMaxCodeBits + 1] = {};
  uint32_t code = 0;
  for (unsigned len = 1; len <= 15; ++len) {
    code = (code + count[len - 1]) << 1;
    next[len] = code;
  }
  for (unsigned s = 0; s < n; ++s) {
    unsigned len = lengths[s];
    codes[s] = len ? static_cast<uint16_t>(next[len]++ << (16 - len)) : 0;
  }
  return true;
}

}  // namespace zip::codec
