// Measures our Inflate and CRC-32 against zlib's and libdeflate's on the benchmark corpus
// (tools/gen-bench-corpus): same input, whole buffers, best of several runs, outputs checked.
#include "zip/codec/Codec.h"
#include "zip/codec/Crc32.h"
#include "zip/codec/WorkArea.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;
using namespace zip::codec;

namespace {

constexpr int kRuns = 11;      // rounds at least
constexpr int kMaxRuns = 400;  // ... and while under kMinSeconds, at most
constexpr double kMinSeconds = 0.5;

Bytes ReadFile(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

Bytes RawDeflate(const Bytes& in) {
  z_stream z{};
  deflateInit2(&z, 6, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&z, in.size()));
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// Hands out the input in 32 KB chunks, as the extractor's input buffer does.
class ChunkSource : public Source {
 public:
  explicit ChunkSource(const Bytes& b) : b_(b) {}
  size_t Refill(const uint8_t*& p) override {
    size_t n = std::min<size_t>(32768, b_.size() - pos_);
    p = b_.data() + pos_;
    pos_ += n;
    return n;
  }

 private:
  const Bytes& b_;
  size_t pos_ = 0;
};

class BufferSink : public Sink {
 public:
  explicit BufferSink(Bytes& out) : out_(out) {}
  void Put(const uint8_t* p, size_t n) override {
    if (n > out_.size() - fill) throw std::runtime_error("output larger than expected");
    std::memcpy(out_.data() + fill, p, n);
    fill += n;
  }
  size_t fill = 0;

 private:
  Bytes& out_;
};

// Best times of several contenders run in turns, round after round, so that a machine
// whose speed drifts (another program, the clock) slows every contender alike. Fast inputs
// get more rounds, up to a fixed time: a decode of a tenth of a millisecond is otherwise
// decided by whatever else the memory was doing in its few rounds.
template <typename... F>
std::vector<double> BestSecondsInTurns(F&&... f) {
  std::vector<double> best(sizeof...(F), 1e30);
  const auto start = std::chrono::steady_clock::now();
  auto spent = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
  for (int i = 0; i < kRuns || (i < kMaxRuns && spent() < kMinSeconds); ++i) {
    size_t k = 0;
    auto once = [&](auto& g) {
      auto t0 = std::chrono::steady_clock::now();
      g();
      best[k] = std::min(best[k], std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
      ++k;
    };
    (once(f), ...);
  }
  return best;
}

// Our decoder's memory is made once and lent to every stream, as an extraction run does and
// as libdeflate's decompressor is kept.
WorkArea& OurWorkArea() {
  static WorkArea area;
  return area;
}

bool OursInflate(const Bytes& in, Bytes& out) {
  size_t produced = 0;
  return InflateBuffer(in.data(), in.size(), out.data(), out.size(), produced, OurWorkArea()) == Result::ok &&
         produced == out.size();
}

// The form the extractor uses: 32 KB input chunks, the output put out window by window.
bool OursInflateStreaming(const Bytes& in, Bytes& out) {
  ChunkSource src(in);
  BufferSink sink(out);
  return Inflate(src, sink, OurWorkArea()) == Result::ok && sink.fill == out.size();
}

bool ZlibInflate(const Bytes& in, Bytes& out) {
  z_stream z{};
  inflateInit2(&z, -15);
  z.next_in = const_cast<Bytef*>(in.data());
  z.avail_in = static_cast<uInt>(in.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&z, Z_FINISH);
  bool ok = rc == Z_STREAM_END && z.total_out == out.size();
  inflateEnd(&z);
  return ok;
}

bool LibdeflateInflate(libdeflate_decompressor* d, const Bytes& in, Bytes& out) {
  size_t actual = 0;
  return libdeflate_deflate_decompress(d, in.data(), in.size(), out.data(), out.size(), &actual) ==
             LIBDEFLATE_SUCCESS &&
         actual == out.size();
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path dir = argc > 1 ? argv[1] : "build/bench/corpus";
  std::vector<std::filesystem::path> files;
  for (auto& e : std::filesystem::directory_iterator(dir)) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  if (files.empty()) {
    std::fprintf(stderr, "no corpus in %s (run tools/gen-bench-corpus)\n", dir.string().c_str());
    return 1;
  }

  libdeflate_decompressor* decompressor = libdeflate_alloc_decompressor();
  std::printf("%-14s %10s %10s %10s %10s %10s %10s %9s %9s\n", "file", "size", "deflated", "ours MB/s", "stream",
              "zlib MB/s", "ldfl MB/s", "vs zlib", "vs ldfl");
  double oursTotal = 0, streamTotal = 0, zlibTotal = 0, ldflTotal = 0, bytesTotal = 0, worstVsLdfl = 1e30;
  Bytes all;
  bool failed = false;
  for (const auto& path : files) {
    Bytes plain = ReadFile(path);
    all.insert(all.end(), plain.begin(), plain.end());
    Bytes packed = RawDeflate(plain);
    Bytes a(plain.size()), b(plain.size()), c(plain.size()), d(plain.size());
    bool okA = true, okB = true, okC = true, okD = true;
    std::vector<double> t = BestSecondsInTurns(
        [&] { okA = okA && OursInflate(packed, a); }, [&] { okD = okD && OursInflateStreaming(packed, d); },
        [&] { okB = okB && ZlibInflate(packed, b); }, [&] { okC = okC && LibdeflateInflate(decompressor, packed, c); });
    double ours = t[0], stream = t[1], zlib = t[2], ldfl = t[3];
    if (!okA || a != plain || !okB || b != plain || !okC || c != plain || !okD || d != plain) {
      std::printf("%s: OUTPUT MISMATCH (ours %s, streaming %s, zlib %s, libdeflate %s)\n", path.filename().c_str(),
                  okA && a == plain ? "ok" : "bad", okD && d == plain ? "ok" : "bad", okB && b == plain ? "ok" : "bad",
                  okC && c == plain ? "ok" : "bad");
      failed = true;
    }
    double mb = plain.size() / 1e6;
    std::printf("%-14s %10zu %10zu %10.1f %10.1f %10.1f %10.1f %9.2f %9.2f\n", path.filename().c_str(), plain.size(),
                packed.size(), mb / ours, mb / stream, mb / zlib, mb / ldfl, zlib / ours, ldfl / ours);
    worstVsLdfl = std::min(worstVsLdfl, ldfl / ours);
    oursTotal += ours;
    streamTotal += stream;
    zlibTotal += zlib;
    ldflTotal += ldfl;
    bytesTotal += plain.size();
  }
  libdeflate_free_decompressor(decompressor);
  std::printf("%-14s %10.0f %10s %10.1f %10.1f %10.1f %10.1f %9.2f %9.2f\n", "all", bytesTotal, "",
              bytesTotal / 1e6 / oursTotal, bytesTotal / 1e6 / streamTotal, bytesTotal / 1e6 / zlibTotal,
              bytesTotal / 1e6 / ldflTotal, zlibTotal / oursTotal, ldflTotal / oursTotal);
  std::printf(
      "ours: whole buffers, as the peers; stream: 32 KB chunks through the window, as the extractor decodes.\n"
      "inflate speed ratios are ours over the peer's (above 1: ours faster); lowest file vs libdeflate %.2f\n",
      worstVsLdfl);

  uint32_t crcOurs = 0, crcZlib = 0, crcLdfl = 0;
  std::vector<double> t =
      BestSecondsInTurns([&] { crcOurs = ~Crc32Update(0xFFFFFFFF, all.data(), all.size()); },
                         [&] { (void)Crc32UpdateSliced(0xFFFFFFFF, all.data(), all.size()); },
                         [&] { crcZlib = static_cast<uint32_t>(crc32(0, all.data(), static_cast<uInt>(all.size()))); },
                         [&] { crcLdfl = libdeflate_crc32(0, all.data(), all.size()); });
  const double tOurs = t[0], tSliced = t[1], tZlib = t[2], tLdfl = t[3];
  double mb = all.size() / 1e6;
  std::printf("crc32: ours %.0f MB/s (%s), slicing-by-16 %.0f MB/s, zlib %.0f MB/s, ratio ours/zlib %.2f, %s\n",
              mb / tOurs, Crc32HasClmul() ? "carry-less multiply" : "slicing-by-16", mb / tSliced, mb / tZlib,
              tZlib / tOurs, crcOurs == crcZlib ? "values agree" : "VALUES DIFFER");
  std::printf("crc32: libdeflate %.0f MB/s, ratio ours/libdeflate %.2f, %s\n", mb / tLdfl, tLdfl / tOurs,
              crcOurs == crcLdfl ? "values agree" : "VALUES DIFFER");
  if (crcOurs != crcZlib || crcOurs != crcLdfl) failed = true;
  return failed ? 1 : 0;
}
