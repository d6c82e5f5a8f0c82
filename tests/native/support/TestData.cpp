// The third-party test set on disk: its files, its manifest, and SHA-256 (FIPS 180-4) to
// check what the decoders give against the manifest's hashes.
#include "tests/native/support/TestData.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace support {

Bytes ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) throw std::runtime_error("cannot open " + path);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

std::string TestDataPath(const std::string& name) { return std::string(ZORVIK_TESTDATA_DIR) + "/" + name; }

std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x') {
      out += static_cast<char>(std::stoi(s.substr(i + 2, 2), nullptr, 16));
      i += 3;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::vector<ManifestLine> ReadManifestLines() {
  std::ifstream f(TestDataPath("MANIFEST.tsv"));
  if (!f) throw std::runtime_error("cannot read test data file " + TestDataPath("MANIFEST.tsv"));
  std::vector<ManifestLine> lines;
  std::string line;
  std::getline(f, line);  // header
  while (std::getline(f, line)) {
    std::vector<std::string> cols;
    std::stringstream ss(line);
    std::string col;
    while (std::getline(ss, col, '\t')) cols.push_back(col);
    if (cols.size() < 8) continue;
    ManifestLine r;
    r.archive = cols[0];
    r.entry = cols[1];
    if (!cols[2].empty()) r.method = std::stoi(cols[2]);
    if (!cols[3].empty()) r.flags = static_cast<uint32_t>(std::stoul(cols[3], nullptr, 16));
    r.password = Unescape(cols[4]);
    if (!cols[5].empty()) r.usize = std::stoll(cols[5]);
    if (!cols[6].empty()) r.crc = static_cast<uint32_t>(std::stoul(cols[6], nullptr, 16));
    r.sha256 = cols[7];
    lines.push_back(std::move(r));
  }
  return lines;
}

namespace {

uint32_t Rotr(uint32_t x, int n) { return x >> n | x << (32 - n); }

// FIPS 180-4 4.2.2 and 5.3.3: the constants are the first 32 bits of the fractional parts
// of the cube and square roots of the first primes.
struct ShaConstants {
  uint32_t k[64], h[8];
  ShaConstants() {
    int found = 0;
    for (int n = 2; found < 64; ++n) {
      bool prime = true;
      for (int d = 2; d * d <= n; ++d) prime = prime && n % d != 0;
      if (!prime) continue;
      auto frac = [](long double x) { return static_cast<uint32_t>((x - std::floor(x)) * 4294967296.0L); };
      if (found < 8) h[found] = frac(std::sqrt(static_cast<long double>(n)));
      k[found++] = frac(std::cbrt(static_cast<long double>(n)));
    }
  }
};

}  // namespace

std::string Sha256Hex(const Bytes& data) {
  static const ShaConstants c;
  uint32_t h[8];
  for (int i = 0; i < 8; ++i) h[i] = c.h[i];
  Bytes m = data;
  uint64_t bitLen = static_cast<uint64_t>(data.size()) * 8;
  m.push_back(0x80);
  while (m.size() % 64 != 56) m.push_back(0);
  for (int i = 7; i >= 0; --i) m.push_back(static_cast<uint8_t>(bitLen >> (8 * i)));
  for (size_t blk = 0; blk < m.size(); blk += 64) {
    uint32_t w[64];
    for (int t = 0; t < 16; ++t)
      w[t] = uint32_t{m[blk + 4 * t]} << 24 | uint32_t{m[blk + 4 * t + 1]} << 16 | uint32_t{m[blk + 4 * t + 2]} << 8 |
             m[blk + 4 * t + 3];
    for (int t = 16; t < 64; ++t) {
      uint32_t s0 = Rotr(w[t - 15], 7) ^ Rotr(w[t - 15], 18) ^ (w[t - 15] >> 3);
      uint32_t s1 = Rotr(w[t - 2], 17) ^ Rotr(w[t - 2], 19) ^ (w[t - 2] >> 10);
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    uint32_t a = h[0], b = h[1], cc = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
    for (int t = 0; t < 64; ++t) {
      uint32_t t1 = hh + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + c.k[t] + w[t];
      uint32_t t2 = (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & cc) ^ (b & cc));
      hh = g;
      g = f;
      f = e;
      e = d + t1;
      d = cc;
      cc = b;
      b = a;
      a = t1 + t2;
    }
    h[0] += a, h[1] += b, h[2] += cc, h[3] += d, h[4] += e, h[5] += f, h[6] += g, h[7] += hh;
  }
  std::string hex;
  for (uint32_t v : h) {
    char buf[9];
    std::snprintf(buf, sizeof buf, "%08x", v);
    hex += buf;
  }
  return hex;
}

}  // namespace support
