// CRC-32: tables computed at start-up, slicing-by-16, and folding with carry-less
// multiplication (PCLMULQDQ, or VPCLMULQDQ on 256-bit registers) chosen at run time.
#include "zip/codec/Crc32.h"

#include <cstring>

#if (defined(__x86_64__) || defined(__i386__)) && (defined(__GNUC__) || defined(__clang__))
#define ZIP_CODEC_CLMUL 1
#include <immintrin.h>
#endif

namespace zip::codec {

namespace {

constexpr uint32_t kPoly = 0xEDB88320;
constexpr unsigned kSlices = 16;

struct Tables {
  // t[k][b]: the effect of byte b followed by k zero bytes; t[0] is the classic table.
  uint32_t t[kSlices][256];
  Tables() {
    for (uint32_t b = 0; b < 256; ++b) {
      uint32_t c = b;
      for (int i = 0; i < 8; ++i) c = (c & 1) ? (c >> 1) ^ kPoly : c >> 1;
      t[0][b] = c;
    }
    for (unsigned k = 1; k < kSlices; ++k)
      for (uint32_t b = 0; b < 256; ++b) t[k][b] = (t[k - 1][b] >> 8) ^ t[0][t[k - 1][b] & 0xFF];
  }
};

const Tables& GetTables() {
  static const Tables tables;
  return tables;
}

inline uint32_t Load32(const uint8_t* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return v;  // little-endian targets only, as everywhere in the codec
}

uint32_t Sliced(const Tables& tb, uint32_t crc, const uint8_t* p, size_t n) {
  const auto& t = tb.t;
  while (n >= 16) {
    uint32_t a = Load32(p) ^ crc, b = Load32(p + 4), c = Load32(p + 8), d = Load32(p + 12);
    crc = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24] ^ t[11][b & 0xFF] ^
          t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24] ^ t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^
          t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24] ^ t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^
          t[0][d >> 24];
    p += 16;
    n -= 16;
  }
  while (n--) crc = t[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

#ifdef ZIP_CODEC_CLMUL

// x^k mod P, in the 64-bit reflected layout that _mm_clmulepi64_si128 expects for a fold:
// coefficient of x^d at bit 63 - d. Reflected 32-bit form has x^d at bit 31 - d.
uint64_t FoldConstant(unsigned k) {
  uint32_t r = 0x80000000;  // x^0
  for (unsigned i = 0; i < k; ++i) r = (r & 1) ? (r >> 1) ^ kPoly : r >> 1;
  return uint64_t{r} << 32;
}

struct FoldConstants {
  // A 128-bit block B (first stream bit = x^127) moved D bits on is B_hi*x^(D+64) + B_lo*x^D;
  // the reflected product carries an extra factor x, hence the exponents minus one. Kept as
  // plain integers so that only the target-specific function touches vector types.
  alignas(16) uint64_t by512[2];
  alignas(16) uint64_t by128[2];
  // Both 128-bit halves of a 256-bit lane move alike.
  alignas(32) uint64_t by1024x2[4];
  alignas(32) uint64_t by256x2[4];
  FoldConstants()
      : by512{FoldConstant(575), FoldConstant(511)},
        by128{FoldConstant(191), FoldConstant(127)},
        by1024x2{FoldConstant(1087), FoldConstant(1023), FoldConstant(1087), FoldConstant(1023)},
        by256x2{FoldConstant(319), FoldConstant(255), FoldConstant(319), FoldConstant(255)} {}
};

const FoldConstants& GetFoldConstants() {
  static const FoldConstants constants;
  return constants;
}

__attribute__((target("pclmul,sse2"))) inline __m128i Fold(__m128i x, __m128i k, __m128i next) {
  __m128i lo = _mm_clmulepi64_si128(x, k, 0x00);
  __m128i hi = _mm_clmulepi64_si128(x, k, 0x11);
  return _mm_xor_si128(_mm_xor_si128(lo, hi), next);
}

// Folds the remaining whole 16-byte blocks into x, then the rest byte-wise: the folded block
// is congruent to everything so far, so its CRC from zero carries on.
__attribute__((target("pclmul,sse2"))) uint32_t FoldRest(const Tables& tb, __m128i x, __m128i by128, const uint8_t* p,
                                                         size_t n) {
  for (; n >= 16; p += 16, n -= 16) x = Fold(x, by128, _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
  alignas(16) uint8_t rest[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(rest), x);
  return Sliced(tb, Sliced(tb, 0, rest, 16), p, n);
}

__attribute__((target("pclmul,sse2"))) uint32_t Folded(const Tables& tb, uint32_t crc, const uint8_t* p, size_t n) {
  const FoldConstants& fc = GetFoldConstants();
  const __m128i by512 = _mm_load_si128(reinterpret_cast<const __m128i*>(fc.by512));
  const __m128i by128 = _mm_load_si128(reinterpret_cast<const __m128i*>(fc.by128));
  const __m128i* v = reinterpret_cast<const __m128i*>(p);
  __m128i x0 = _mm_xor_si128(_mm_loadu_si128(v), _mm_cvtsi32_si128(static_cast<int>(crc)));
  __m128i x1 = _mm_loadu_si128(v + 1), x2 = _mm_loadu_si128(v + 2), x3 = _mm_loadu_si128(v + 3);
  v += 4;
  n -= 64;
  while (n >= 64) {
    x0 = Fold(x0, by512, _mm_loadu_si128(v));
    x1 = Fold(x1, by512, _mm_loadu_si128(v + 1));
    x2 = Fold(x2, by512, _mm_loadu_si128(v + 2));
    x3 = Fold(x3, by512, _mm_loadu_si128(v + 3));
    v += 4;
    n -= 64;
  }
  x1 = Fold(x0, by128, x1);
  x2 = Fold(x1, by128, x2);
  x3 = Fold(x2, by128, x3);
  return FoldRest(tb, x3, by128, reinterpret_cast<const uint8_t*>(v), n);
}

// The same folding 256 bits per instruction, 128 bytes per round, where the processor
// multiplies carry-less in wide registers.
__attribute__((target("avx2,vpclmulqdq,pclmul"))) inline __m256i Fold256(__m256i x, __m256i k, __m256i next) {
  __m256i lo = _mm256_clmulepi64_epi128(x, k, 0x00);
  __m256i hi = _mm256_clmulepi64_epi128(x, k, 0x11);
  return _mm256_xor_si256(_mm256_xor_si256(lo, hi), next);
}

__attribute__((target("avx2,vpclmulqdq,pclmul"))) uint32_t FoldedWide(const Tables& tb, uint32_t crc, const uint8_t* p,
                                                                      size_t n) {
  const FoldConstants& fc = GetFoldConstants();
  const __m256i by1024 = _mm256_load_si256(reinterpret_cast<const __m256i*>(fc.by1024x2));
  const __m256i by256 = _mm256_load_si256(reinterpret_cast<const __m256i*>(fc.by256x2));
  const __m128i by128 = _mm_load_si128(reinterpret_cast<const __m128i*>(fc.by128));
  const __m256i* v = reinterpret_cast<const __m256i*>(p);
  __m256i y0 =
      _mm256_xor_si256(_mm256_loadu_si256(v), _mm256_zextsi128_si256(_mm_cvtsi32_si128(static_cast<int>(crc))));
  __m256i y1 = _mm256_loadu_si256(v + 1), y2 = _mm256_loadu_si256(v + 2), y3 = _mm256_loadu_si256(v + 3);
  v += 4;
  n -= 128;
  while (n >= 128) {
    y0 = Fold256(y0, by1024, _mm256_loadu_si256(v));
    y1 = Fold256(y1, by1024, _mm256_loadu_si256(v + 1));
    y2 = Fold256(y2, by1024, _mm256_loadu_si256(v + 2));
    y3 = Fold256(y3, by1024, _mm256_loadu_si256(v + 3));
    v += 4;
    n -= 128;
  }
  y1 = Fold256(y0, by256, y1);
  y2 = Fold256(y1, by256, y2);
  y3 = Fold256(y2, by256, y3);
  // The lane's first half moved onto its second.
  __m128i x = Fold(_mm256_castsi256_si128(y3), by128, _mm256_extracti128_si256(y3, 1));
  return FoldRest(tb, x, by128, reinterpret_cast<const uint8_t*>(v), n);
}

bool DetectClmul() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul");
}

bool DetectWideClmul() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("avx2") && __builtin_cpu_supports("vpclmulqdq");
}

#else

bool DetectClmul() { return false; }
bool DetectWideClmul() { return false; }

#endif

const bool kHasClmul = DetectClmul();
const bool kHasWideClmul = DetectWideClmul();

}  // namespace

const uint32_t* Crc32Table() { return GetTables().t[0]; }

uint32_t Crc32UpdateBytewise(uint32_t crc, const uint8_t* p, size_t n) {
  const uint32_t* t = Crc32Table();
  while (n--) crc = t[(crc ^ *p++) & 0xFF] ^ (crc >> 8);
  return crc;
}

uint32_t Crc32UpdateSliced(uint32_t crc, const uint8_t* p, size_t n) { return Sliced(GetTables(), crc, p, n); }

uint32_t Crc32Update(uint32_t crc, const uint8_t* p, size_t n) {
#ifdef ZIP_CODEC_CLMUL
  if (kHasWideClmul && n >= 256) return FoldedWide(GetTables(), crc, p, n);
  if (kHasClmul && n >= 128) return Folded(GetTables(), crc, p, n);
#endif
  return Sliced(GetTables(), crc, p, n);
}

bool Crc32HasClmul() { return kHasClmul; }

}  // namespace zip::codec
