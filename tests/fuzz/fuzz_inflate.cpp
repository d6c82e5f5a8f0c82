// Fuzz target for Inflate. Byte 0 picks a chunk size; the stream is decoded whole in a fresh
// work area, in chunks in a stale one, and straight into buffers (exactly as large as the
// output, one byte short, and large); all runs must agree.
#include "tests/fuzz/FuzzIo.h"

#include <cstdlib>
#include <memory>

using namespace zip::codec;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t chunk = 1 + data[0] * 61;
  ++data, --size;
  constexpr size_t kLimit = 1 << 22;
  fuzz::ChunkedSource whole(data, size, 32768), pieces(data, size, chunk);
  fuzz::BoundedSink a(kLimit), b(kLimit);
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

  // Buffers from the heap, sized exactly, so the sanitizer sees any byte written past them.
  fuzz::StaleArea stale;
  size_t produced = 0;
  const size_t n = a.data.size();
  if (ra == Result::ok) {
    std::unique_ptr<uint8_t[]> exact(new uint8_t[n ? n : 1]);
    if (InflateBuffer(data, size, exact.get(), n, produced, stale) != Result::ok || produced != n ||
        (n && std::memcmp(exact.get(), a.data.data(), n) != 0))
      abort();
    if (n > 0) {
      std::unique_ptr<uint8_t[]> shorter(new uint8_t[n - 1 ? n - 1 : 1]);
      if (InflateBuffer(data, size, shorter.get(), n - 1, produced, stale) != Result::bad_data) abort();
    }
  } else {
    // Kept from run to run: a fresh 4 MB block each time would slow the fuzzer tenfold.
    static std::vector<uint8_t> large(kLimit);
    // A streaming run stopped by its output limit meets the buffer's end at the same byte.
    if (InflateBuffer(data, size, large.data(), kLimit, produced, stale) != ra) abort();
  }
  return 0;
}
