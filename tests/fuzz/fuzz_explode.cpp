// Fuzz target for Explode. Byte 0: flags (bit 1 8K dictionary, bit 2 three trees, bit 3 large
// entry); bytes 1-2: uncompressed size; the rest is the compressed stream.
#include "tests/fuzz/FuzzIo.h"

using namespace zip::codec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  uint8_t flags = data[0];
  uint64_t outSize = (uint64_t{data[1]} | uint64_t{data[2]} << 8) * 16;
  fuzz::ChunkedSource in(data + 3, size - 3, 1 + (flags >> 4) * 997);
  fuzz::BoundedSink out(1 << 22);
  Result r = Explode(in, out, outSize, flags & 2, flags & 4, (flags & 8) ? 200001 : size - 3);
  if (r == Result::ok && out.data.size() != outSize) __builtin_trap();
  // The same stream in an area an earlier entry left behind decodes the same.
  fuzz::ChunkedSource again(data + 3, size - 3, 1 + (flags >> 4) * 997);
  fuzz::BoundedSink same(1 << 22);
  fuzz::StaleArea stale;
  if (Explode(again, same, outSize, flags & 2, flags & 4, (flags & 8) ? 200001 : size - 3, stale) != r ||
      same.data != out.data)
    __builtin_trap();
  return 0;
}
