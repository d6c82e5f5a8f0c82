// Our decoder against zlib: streams zlib makes at every level, strategy, window and memory
// size, and with flushes and parameter changes inside, must decode byte for byte in every
// form (chunked input through the window, whole buffers); damaged streams must fail exactly
// when zlib's own decoder fails them, and give its output when it does not. The sanitizers
// of the test build watch every read and write on the way.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <memory>
#include <random>

#include "tests/native/codec/TestZip.h"
#include "zip/codec/WorkArea.h"

namespace zip::codec::test {
namespace {

struct Params {
  int level = 6;
  int strategy = Z_DEFAULT_STRATEGY;
  int windowBits = 15;
  int memLevel = 8;
};

// Raw deflate of `data`; `pieces` > 1 cuts it into pieces with a sync flush after each and
// the level and strategy changed between them, so stored, fixed and dynamic blocks and empty
// stored markers follow one another.
Bytes Deflate(const Bytes& data, const Params& p, int pieces = 1) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, p.level, Z_DEFLATED, -p.windowBits, p.memLevel, p.strategy), Z_OK);
  Bytes out(deflateBound(&z, data.size()) + 64 * pieces + 64);
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  size_t done = 0;
  for (int i = 0; i < pieces; ++i) {
    size_t end = i + 1 == pieces ? data.size() : data.size() * (i + 1) / pieces;
    if (i > 0) {
      static const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
      EXPECT_EQ(deflateParams(&z, (p.level + i * 4) % 10, kStrategies[i % 5]), Z_OK);
    }
    z.next_in = const_cast<Bytef*>(data.data() + done);
    z.avail_in = static_cast<uInt>(end - done);
    EXPECT_EQ(deflate(&z, i + 1 == pieces ? Z_FINISH : Z_SYNC_FLUSH), i + 1 == pieces ? Z_STREAM_END : Z_OK);
    done = end;
  }
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// zlib's verdict: the output when the stream ends within `limit` bytes of output.
bool ZlibInflate(const Bytes& stream, size_t limit, Bytes& out) {
  z_stream z{};
  inflateInit2(&z, -15);
  out.assign(limit + 1, 0);
  z.next_in = const_cast<Bytef*>(stream.data());
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&z, Z_FINISH);
  out.resize(z.total_out);
  inflateEnd(&z);
  return rc == Z_STREAM_END && out.size() <= limit;
}

// Output past `limit` fails the stream, as a buffer that size would.
class LimitedSink : public Sink {
 public:
  explicit LimitedSink(size_t limit) : limit_(limit) {}
  void Put(const uint8_t* p, size_t n) override {
    if (n > limit_ - data.size()) throw std::length_error("more output than expected");
    data.insert(data.end(), p, p + n);
  }
  Bytes data;

 private:
  size_t limit_;
};

// Decodes `stream` every way we can; each must give `expected`, or fail when it is null.
void ExpectEveryFormGives(const Bytes& stream, const Bytes* expected, size_t limit, WorkArea& work,
                          const std::string& what) {
  SCOPED_TRACE(what);
  const std::vector<std::vector<size_t>> chunkings = {{32768}, {1, 4096, 7}, {stream.size() + 1}};
  for (const auto& chunks : chunkings) {
    if (chunks[0] == 1 && stream.size() > 20000) continue;  // byte by byte only where quick
    MemorySource src(stream, chunks);
    LimitedSink sink(limit);
    Result r;
    try {
      r = Inflate(src, sink, work);
    } catch (const std::length_error&) {
      r = Result::bad_data;  // the last put runs outside the decoder's guard, on purpose
    }
    if (expected) {
      ASSERT_EQ(r, Result::ok) << "chunks of " << chunks[0];
      ASSERT_TRUE(sink.data == *expected) << "chunks of " << chunks[0];
    } else {
      ASSERT_NE(r, Result::ok) << "chunks of " << chunks[0];
    }
  }
  // Heap buffers of the exact size, so a byte written past them is caught.
  size_t n = expected ? expected->size() : limit;
  std::unique_ptr<uint8_t[]> exact(new uint8_t[n + 1]);
  size_t produced = 99;
  Result r = InflateBuffer(stream.data(), stream.size(), exact.get(), n, produced, work);
  if (!expected) {
    ASSERT_EQ(r, Result::bad_data);
    ASSERT_EQ(produced, 0u);
    return;
  }
  ASSERT_EQ(r, Result::ok);
  ASSERT_EQ(produced, n);
  ASSERT_TRUE(Bytes(exact.get(), exact.get() + n) == *expected);
  if (n > 0) {
    std::unique_ptr<uint8_t[]> shorter(new uint8_t[n - 1 + 1]);
    ASSERT_EQ(InflateBuffer(stream.data(), stream.size(), shorter.get(), n - 1, produced, work), Result::bad_data);
  }
  Bytes roomy(n + 1000);
  ASSERT_EQ(InflateBuffer(stream.data(), stream.size(), roomy.data(), roomy.size(), produced, work), Result::ok);
  ASSERT_EQ(produced, n);
  roomy.resize(n);
  ASSERT_TRUE(roomy == *expected);
}

// Data of the kinds an installer carries, in a size that crosses several windows.
std::vector<std::pair<std::string, Bytes>> Samples() {
  std::mt19937 rng(1951);
  auto text = [&](size_t n) {
    static const char* const kWords[] = {"账簿",    "凭证", "the", "ledger", "of", "2024", "invoice", "科目",
                                         "balance", "\r\n", "借",  "贷",     " ",  ",",    "total"};
    Bytes b;
    while (b.size() < n) {
      const char* w = kWords[rng() % 15];
      b.insert(b.end(), w, w + std::strlen(w));
    }
    b.resize(n);
    return b;
  };
  auto random = [&](size_t n) {
    Bytes b(n);
    for (auto& c : b) c = static_cast<uint8_t>(rng());
    return b;
  };
  auto periods = [&](size_t n) {  // runs with every period from 1 to 20
    Bytes b;
    while (b.size() < n) {
      size_t period = 1 + rng() % 20, len = rng() % 600;
      Bytes unit = random(period);
      for (size_t i = 0; i < len; ++i) b.push_back(unit[i % period]);
    }
    b.resize(n);
    return b;
  };
  auto far = [&](size_t n) {  // repeats 32768 bytes back: the longest distance
    Bytes b = random(32768);
    while (b.size() < n) b.push_back(b[b.size() - 32768]);
    return b;
  };
  auto mixed = [&](size_t n) {
    Bytes b = text(n / 3), r = random(n / 6), p = periods(n / 3), f = far(n - n / 3 - n / 6 - n / 3);
    for (const Bytes* part : {&r, &p, &f}) b.insert(b.end(), part->begin(), part->end());
    return b;
  };
  return {{"empty", {}},
          {"one byte", {'x'}},
          {"text", text(70000)},
          {"random", random(40000)},
          {"periods", periods(90000)},
          {"far", far(100000)},
          {"mixed", mixed(200000)},
          {"short text", text(300)}};
}

TEST(InflateDifferential, EveryLevelStrategyAndWindowOfZlibDecodesByteForByte) {
  WorkArea work;
  const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED, Z_HUFFMAN_ONLY, Z_RLE, Z_FIXED};
  for (const auto& [name, data] : Samples()) {
    for (int level = 0; level <= 9; ++level) {
      for (int strategy : kStrategies) {
        Params p{level, strategy};
        ExpectEveryFormGives(Deflate(data, p), &data, data.size(), work,
                             name + " level " + std::to_string(level) + " strategy " + std::to_string(strategy));
        if (HasFatalFailure()) return;
      }
    }
    for (int windowBits : {9, 12}) {
      for (int memLevel : {1, 9}) {
        Params p{9, Z_DEFAULT_STRATEGY, windowBits, memLevel};
        ExpectEveryFormGives(Deflate(data, p), &data, data.size(), work,
                             name + " window " + std::to_string(windowBits) + " memory " + std::to_string(memLevel));
        if (HasFatalFailure()) return;
      }
    }
    ExpectEveryFormGives(Deflate(data, Params{}, 7), &data, data.size(), work, name + " in flushed pieces");
    if (HasFatalFailure()) return;
  }
}

TEST(InflateDifferential, DamagedStreamsFailExactlyWhenZlibFailsThem) {
  WorkArea work;
  std::mt19937 rng(3);
  auto samples = Samples();
  int failed = 0, decoded = 0;
  for (int round = 0; round < 1500; ++round) {
    const Bytes& data = samples[2 + round % 6].second;
    Bytes piece(data.begin(), data.begin() + std::min<size_t>(data.size(), 3000 + rng() % 5000));
    static const int kStrategies[] = {Z_DEFAULT_STRATEGY, Z_FIXED, Z_HUFFMAN_ONLY};
    Bytes stream = Deflate(piece, Params{static_cast<int>(rng() % 10), kStrategies[rng() % 3]}, 1 + round % 3);
    switch (rng() % 4) {
      case 0:  // a flipped bit, in the block headers and tables most often
        stream[rng() % std::min<size_t>(stream.size(), 64 + rng() % stream.size())] ^= 1u << (rng() % 8);
        break;
      case 1:  // a few bytes overwritten
        for (int k = 0; k < 3; ++k) stream[rng() % stream.size()] = static_cast<uint8_t>(rng());
        break;
      case 2:  // cut short
        stream.resize(rng() % stream.size());
        break;
      default:  // a run of the stream repeated in place of what followed
        if (stream.size() > 40) {
          size_t from = rng() % (stream.size() - 20), to = rng() % (stream.size() - 20);
          std::copy(stream.begin() + from, stream.begin() + from + 20, stream.begin() + to);
        }
    }
    const size_t limit = piece.size() + 5000;
    Bytes zlibOut;
    bool zlibOk = ZlibInflate(stream, limit, zlibOut);
    (zlibOk ? decoded : failed)++;
    ExpectEveryFormGives(stream, zlibOk ? &zlibOut : nullptr, limit, work, "round " + std::to_string(round));
    if (HasFatalFailure()) return;
  }
  // Both verdicts must have been exercised for the agreement to mean anything.
  EXPECT_GT(failed, 300);
  EXPECT_GT(decoded, 100);
}

}  // namespace
}  // namespace zip::codec::test
