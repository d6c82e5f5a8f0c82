// Two-level lookup tables for the prefix codes of inflate (Huffman) and explode
// (Shannon-Fano): one probe of the low bits of the bit buffer, a second for long codes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <vector>

namespace zip::codec {

// An entry: bits 0-7 code length (bits to drop), bits 8-15 flags, bits 16-31 value.
// For a link to a sub-table, the value is its offset and the flag's low bits its index width.
namespace entry {
constexpr uint32_t kExtraMask = 0x0F;  // extra bits of a length or distance
constexpr uint32_t kLiteral = 0x10;
constexpr uint32_t kEnd = 0x20;
constexpr uint32_t kLink = 0x40;
constexpr uint32_t kBad = 0x80;  // symbol that must not occur, or an unused code

constexpr uint32_t Make(uint32_t value, uint32_t flags) { return value << 16 | flags << 8; }
inline uint32_t Length(uint32_t e) { return e & 0xFF; }
inline uint32_t Flags(uint32_t e) { return (e >> 8) & 0xFF; }
inline uint32_t Value(uint32_t e) { return e >> 16; }
}  // namespace entry

constexpr unsigned kMaxCodeBits = 16;
constexpr unsigned kMaxPrimaryBits = 11;

class PrefixTable {
 public:
  // Throws std::bad_alloc when the table cannot be allocated.
  // lengths[i] == 0: symbol unused. codes[i]: the code of symbol i, left-justified in 16 bits
  // with its first bit in the stream as the most significant. payload[i]: Make(value, flags).
  // The caller has checked that the codes form a prefix code. primaryBits <= kMaxPrimaryBits.
  void Build(const uint8_t* lengths, const uint16_t* codes, const uint32_t* payload, unsigned n, unsigned primaryBits);

  // bits: the bit buffer, next code in its low bits. Returns the symbol's entry.
  uint32_t Lookup(uint64_t bits) const {
    uint32_t e = table_[bits & primaryMask_];
    if (entry::Flags(e) & entry::kLink) {
      uint32_t width = entry::Flags(e) & entry::kExtraMask;
      e = table_[entry::Value(e) + ((bits >> primaryBits_) & ((1u << width) - 1))];
    }
    return e;
  }

  unsigned PrimaryBits() const { return primaryBits_; }

  // The table's storage for a decoder that lays out entries of its own (inflate's): at least
  // `entries` words, contents undefined, kept from one use to the next like Build's.
  uint32_t* Storage(size_t entries) {
    CheckLimit(entries);
    if (table_.size() < entries) table_.resize(entries);
    return table_.data();
  }

  // Build throws std::bad_alloc rather than grow the table beyond this many entries.
  void SetLimit(size_t entries) { limit_ = entries; }

 private:
  void CheckLimit(size_t entries) const {
    if (entries > limit_) throw std::bad_alloc();
  }

  std::vector<uint32_t> table_;  // keeps its storage from one build to the next
  size_t limit_ = SIZE_MAX;
  unsigned primaryBits_ = 0;
  uint64_t primaryMask_ = 0;
};

// Canonical codes of RFC 1951 3.2.2. Returns false for an oversubscribed set, and for an
// incomplete one unless allowSingle and exactly one code of length 1 is used, or no code at all.
bool CanonicalCodes(const uint8_t* lengths, unsigned n, uint16_t* codes, bool allowSparse);

}  // namespace zip::codec
