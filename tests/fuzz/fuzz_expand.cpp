// Fuzz target for Expand. Byte 0: factor (low 2 bits + 1) and chunk size; bytes 1-2:
// uncompressed size; the rest is the compressed stream.
#include "tests/fuzz/FuzzIo.h"

using namespace zip::codec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  int factor = (data[0] & 3) + 1;
  uint64_t outSize = (uint64_t{data[1]} | uint64_t{data[2]} << 8) * 16;
  fuzz::ChunkedSource in(data + 3, size - 3, 1 + (data[0] >> 2) * 509);
  fuzz::BoundedSink out(1 << 22);
  Result r = Expand(in, out, outSize, factor);
  if (r == Result::ok && out.data.size() != outSize) __builtin_trap();
  // The same stream in an area an earlier entry left behind decodes the same.
  fuzz::ChunkedSource again(data + 3, size - 3, 1 + (data[0] >> 2) * 509);
  fuzz::BoundedSink same(1 << 22);
  fuzz::StaleArea stale;
  if (Expand(again, same, outSize, factor, stale) != r || same.data != out.data) __builtin_trap();
  return 0;
}
