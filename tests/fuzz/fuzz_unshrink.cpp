// Fuzz target for Unshrink. Byte 0 picks a chunk size; the rest is the compressed stream.
#include "tests/fuzz/FuzzIo.h"

using namespace zip::codec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  fuzz::ChunkedSource in(data + 1, size - 1, 1 + data[0] * 131);
  fuzz::BoundedSink out(1 << 24);
  Result r;
  try {
    r = Unshrink(in, out);
  } catch (const fuzz::OutputLimit&) {
    return 0;
  }
  // The same stream in an area an earlier entry left behind decodes the same.
  fuzz::ChunkedSource again(data + 1, size - 1, 1 + data[0] * 131);
  fuzz::BoundedSink same(1 << 24);
  fuzz::StaleArea stale;
  if (Unshrink(again, same, stale) != r || same.data != out.data) __builtin_trap();
  return 0;
}
