// Traditional PKWARE decryption, step by step as the application note states it.
#include "zip/codec/Crypt.h"

#include "zip/codec/Crc32.h"

namespace zip::codec {

namespace {

inline uint32_t CrcStep(const uint32_t* table, uint32_t crc, uint8_t b) { return table[(crc ^ b) & 0xFF] ^ (crc >> 8); }

inline uint8_t KeyByte(const CryptKeys& keys) {
  uint32_t t = (keys.k2 & 0xFFFF) | 2;
  return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

}  // namespace

void CryptUpdate(CryptKeys& keys, uint8_t plain) {
  const uint32_t* table = Crc32Table();
  keys.k0 = CrcStep(table, keys.k0, plain);
  keys.k1 = (keys.k1 + (keys.k0 & 0xFF)) * 134775813u + 1;
  keys.k2 = CrcStep(table, keys.k2, static_cast<uint8_t>(keys.k1 >> 24));
}

CryptKeys CryptInit(const uint8_t* password, size_t n) {
  CryptKeys keys;
  for (size_t i = 0; i < n; ++i) CryptUpdate(keys, password[i]);
  return keys;
}

void CryptDecrypt(CryptKeys& keys, uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    p[i] ^= KeyByte(keys);
    CryptUpdate(keys, p[i]);
  }
}

uint8_t CryptCheckHeader(CryptKeys& keys, const uint8_t* header) {
  uint8_t plain[kCryptHeaderSize];
  for (size_t i = 0; i < kCryptHeaderSize; ++i) plain[i] = header[i];
  CryptDecrypt(keys, plain, kCryptHeaderSize);
  return plain[kCryptHeaderSize - 1];
}

}  // namespace zip::codec
