// Methods 2-5 (reducing): follower-set byte decoding followed by the DLE run/match layer of
// the application note, 5.2.
#include "zip/codec/BitReader.h"
#include "zip/codec/Codec.h"
#include "zip/codec/OutWindow.h"
#include "zip/codec/WorkArea.h"

namespace zip::codec {

namespace {

constexpr unsigned kMaxFollowers = 32;
constexpr uint8_t kDle = 0x90;

// Bits needed for a follower index into a set of n: those of n - 1, at least one.
unsigned IndexBits(unsigned n) {
  unsigned bits = 1;
  while ((1u << bits) < n) ++bits;
  return bits;
}

struct FollowerSets {
  uint8_t count[256];
  uint8_t bits[256];
  uint8_t follower[256][kMaxFollowers];
};

bool ReadFollowerSets(BitReader& in, FollowerSets& sets) {
  for (int j = 255; j >= 0; --j) {
    unsigned n = in.Bits(6);
    if (n > kMaxFollowers) return false;
    sets.count[j] = static_cast<uint8_t>(n);
    sets.bits[j] = static_cast<uint8_t>(IndexBits(n));
    for (unsigned k = 0; k < n; ++k) sets.follower[j][k] = static_cast<uint8_t>(in.Bits(8));
  }
  return !in.Overrun();
}

}  // namespace

Result Expand(Source& source, Sink& sink, uint64_t uncompressedSize, int factor, WorkArea& work) {
  if (factor < 1 || factor > 4) return Result::bad_data;
  // The window first, the follower sets after it, in one piece of the work area.
  static_assert(OutWindow::kSize + sizeof(FollowerSets) <= WorkArea::kBytes);
  uint8_t* area = work.Bytes(OutWindow::kSize + sizeof(FollowerSets));
  BitReader in(source);
  auto* sets = new (area + OutWindow::kSize) FollowerSets;
  if (!ReadFollowerSets(in, *sets)) return Result::bad_data;

  OutWindow out(sink, area);
  const uint32_t lengthMask = 0xFFu >> factor;  // L(V): the low 8 - factor bits
  uint64_t left = uncompressedSize;
  uint8_t last = 0;
  int state = 0;
  uint32_t v = 0, length = 0;
  while (left > 0) {
    if (in.Overrun()) return Result::bad_data;
    uint8_t c;
    unsigned n = sets->count[last];
    if (n == 0 || in.Bits(1)) {
      c = static_cast<uint8_t>(in.Bits(8));
    } else {
      unsigned i = in.Bits(sets->bits[last]);
      if (i >= n) return Result::bad_data;
      c = sets->follower[last][i];
    }
    last = c;

    switch (state) {
      case 0:
        if (c != kDle) {
          out.Put(c);
          --left;
        } else {
          state = 1;
        }
        break;
      case 1:
        if (c == 0) {
          out.Put(kDle);
          --left;
          state = 0;
        } else {
          v = c;
          length = v & lengthMask;
          state = length == lengthMask ? 2 : 3;
        }
        break;
      case 2:
        length += c;
        state = 3;
        break;
      default: {
        size_t distance = (v >> (8 - factor)) * 256 + c + 1;
        uint64_t n = length + 3;
        if (n > left) n = left;
        out.Copy(distance, n);
        left -= n;
        state = 0;
        break;
      }
    }
  }
  if (in.Overrun()) return Result::bad_data;
  out.Finish();
  return Result::ok;
}

Result Expand(Source& in, Sink& out, uint64_t uncompressedSize, int factor) {
  WorkArea work;
  return Expand(in, out, uncompressedSize, factor, work);
}

}  // namespace zip::codec
