// Traditional PKWARE encryption of the zip format: the three keys, their update with a plain
// byte, and decryption of the 12-byte header and of the data.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zip::codec {

constexpr size_t kCryptHeaderSize = 12;

struct CryptKeys {
  uint32_t k0 = 0x12345678;
  uint32_t k1 = 0x23456789;
  uint32_t k2 = 0x34567890;
};

CryptKeys CryptInit(const uint8_t* password, size_t n);
void CryptUpdate(CryptKeys& keys, uint8_t plain);
void CryptDecrypt(CryptKeys& keys, uint8_t* p, size_t n);

// Decrypts the header (a copy; `header` is untouched), leaving the keys ready for the data,
// and returns the last plain byte: the check byte compared with the high byte of the CRC or
// of the DOS time.
uint8_t CryptCheckHeader(CryptKeys& keys, const uint8_t* header);

}  // namespace zip::codec
