// Fuzz target for Inflate. Byte 0 picks a chunk size; the stream is decoded whole in a fresh
// work area and in chunks in a stale one, and both runs must agree.
#include "tests/fuzz/FuzzIo.h"

#include <cstdlib>

using namespace zip::codec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t chunk = 1 + data[0] * 61;
  ++data, --size;
  fuzz::ChunkedSource whole(data, size, 32768), pieces(data, size, chunk);
  fuzz::BoundedSink a(1 << 22), b(1 << 22);
  // Inflate turns the sink's limit exception into bad_data itself, except on the final put.
  Result ra, rb;
  try {
    ra = Inflate(whole, a);
  } catch (const fuzz::OutputLimit&) {
    return 0;
  }
  try {
    fuzz::StaleArea stale;
    rb = Inflate(pieces, b, stale);
  } catch (const fuzz::OutputLimit&) {
    abort();  // the same output fitted before
  }
  if (ra != rb || a.data != b.data) abort();
  return 0;
}
