// Test helper: writes hand-made compressed streams, bits least significant first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zip::codec::test {

class BitWriter {
 public:
  // Raw fields: value's low bit first.
  BitWriter& Bits(uint32_t value, unsigned n) {
    for (unsigned i = 0; i < n; ++i) Bit((value >> i) & 1);
    return *this;
  }
  // Prefix codes: the code's most significant bit first.
  BitWriter& Code(uint32_t code, unsigned n) {
    for (unsigned i = n; i-- > 0;) Bit((code >> i) & 1);
    return *this;
  }
  BitWriter& AlignToByte() {
    while (count_ % 8) Bit(0);
    return *this;
  }
  std::vector<uint8_t> Done() {
    AlignToByte();
    return bytes_;
  }

 private:
  void Bit(uint32_t b) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() |= static_cast<uint8_t>(b << (count_ % 8));
    ++count_;
  }
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

}  // namespace zip::codec::test
