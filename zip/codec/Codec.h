// Decoders for the zip compression methods 0-6 and 8: pure byte-stream transforms from a
// Source of compressed bytes to a Sink of decoded bytes, with no knowledge of archives.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zip::codec {

// out_of_memory: a decoding table could not be allocated; otherwise it ends like bad_data.
enum class Result { ok, bad_data, out_of_memory };

class WorkArea;

// Supplies compressed bytes. Refill makes the next chunk (at most 32768 bytes) available at
// `data` and returns its length; 0 means the input is used up. It may throw.
class Source {
 public:
  virtual ~Source() = default;
  virtual size_t Refill(const uint8_t*& data) = 0;
};

// Receives decoded bytes in order. It may throw.
class Sink {
 public:
  virtual ~Sink() = default;
  virtual void Put(const uint8_t* data, size_t n) = 0;
};

// Exceptions deriving from this marker are never swallowed by a decoder: Inflate turns every
// other exception raised inside a block into bad_data, but a refused next disk must reach the user.
struct PassThrough {
  virtual ~PassThrough() = default;
};

// Every decoder works in the memory of a WorkArea (WorkArea.h) that an extraction run makes
// once; the forms without one make their own, for a single stream.

// Method 0: the bytes as they are.
Result Store(Source& in, Sink& out);

// Method 8 (RFC 1951). Puts the 32 KB window out each time it fills and the rest after the
// last block; on bad data nothing still in the window is put out.
Result Inflate(Source& in, Sink& out, WorkArea& work);
Result Inflate(Source& in, Sink& out);
// Method 8 with the whole stream in memory, decoded straight into out[0, capacity): the
// fastest form, for a caller that can hold both. Output that would not fit is bad_data;
// `produced` is the decoded size (0 unless ok). Input after the last block is ignored.
Result InflateBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t capacity, size_t& produced, WorkArea& work);
Result InflateBuffer(const uint8_t* in, size_t inSize, uint8_t* out, size_t capacity, size_t& produced);

// Method 6. dict8k = flag bit 1, threeTrees = flag bit 2; compressedSize (after any
// encryption header) selects the distance lookup width. Produces exactly uncompressedSize bytes.
Result Explode(Source& in, Sink& out, uint64_t uncompressedSize, bool dict8k, bool threeTrees, uint64_t compressedSize,
               WorkArea& work);
Result Explode(Source& in, Sink& out, uint64_t uncompressedSize, bool dict8k, bool threeTrees, uint64_t compressedSize);

// Methods 2-5, factor = method - 1 (1..4). Produces exactly uncompressedSize bytes.
Result Expand(Source& in, Sink& out, uint64_t uncompressedSize, int factor, WorkArea& work);
Result Expand(Source& in, Sink& out, uint64_t uncompressedSize, int factor);

// Method 1. Decodes until the input is used up.
Result Unshrink(Source& in, Sink& out, WorkArea& work);
Result Unshrink(Source& in, Sink& out);

}  // namespace zip::codec
