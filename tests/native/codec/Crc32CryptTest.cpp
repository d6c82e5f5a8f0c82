// CRC-32 paths against the byte-at-a-time reference, and traditional decryption.
#include "tests/native/codec/TestZip.h"
#include "zip/codec/Crc32.h"
#include "zip/codec/Crypt.h"

#include <gtest/gtest.h>

#include <random>

namespace zip::codec::test {
namespace {

TEST(Crc32, TableAndCheckValue) {
  EXPECT_EQ(Crc32Table()[1], 0x77073096u);
  EXPECT_EQ(Crc32Table()[255], 0x2D02EF8Du);
  const char* check = "123456789";
  auto p = reinterpret_cast<const uint8_t*>(check);
  EXPECT_EQ(~Crc32UpdateBytewise(0xFFFFFFFF, p, 9), 0xCBF43926u);
  EXPECT_EQ(~Crc32Update(0xFFFFFFFF, p, 9), 0xCBF43926u);
}

TEST(Crc32, FastPathsEqualTheBytewiseReferenceForEveryLengthAndAlignment) {
  std::mt19937 rng(12345);
  Bytes buf(70000 + 64);
  for (auto& b : buf) b = static_cast<uint8_t>(rng());
  for (size_t offset = 0; offset < 16; ++offset) {
    for (size_t n = 0; n <= 600; ++n) {  // past two rounds of the widest path, with every remainder
      uint32_t start = static_cast<uint32_t>(rng());
      uint32_t expected = Crc32UpdateBytewise(start, buf.data() + offset, n);
      ASSERT_EQ(Crc32Update(start, buf.data() + offset, n), expected) << "offset " << offset << " n " << n;
      ASSERT_EQ(Crc32UpdateSliced(start, buf.data() + offset, n), expected) << "offset " << offset << " n " << n;
    }
  }
  for (size_t n : {1000u, 4095u, 65536u, 70000u}) {
    uint32_t expected = Crc32UpdateBytewise(0xFFFFFFFF, buf.data() + 3, n);
    EXPECT_EQ(Crc32Update(0xFFFFFFFF, buf.data() + 3, n), expected) << n;
  }
  // Split updates chain: the caller feeds the CRC buffer by buffer.
  uint32_t whole = Crc32Update(0xFFFFFFFF, buf.data(), 50000);
  uint32_t split = Crc32Update(Crc32Update(0xFFFFFFFF, buf.data(), 777), buf.data() + 777, 50000 - 777);
  EXPECT_EQ(whole, split);
}

void Encrypt(CryptKeys& keys, uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint32_t t = (keys.k2 & 0xFFFF) | 2;
    uint8_t plain = p[i];
    p[i] ^= static_cast<uint8_t>((t * (t ^ 1)) >> 8);
    CryptUpdate(keys, plain);
  }
}

TEST(Crypt, HeaderCheckAndDataDecryptionInPieces) {
  const std::string pw = "Secret42";
  auto pwBytes = reinterpret_cast<const uint8_t*>(pw.data());
  Bytes plain(5000);
  for (size_t i = 0; i < plain.size(); ++i) plain[i] = static_cast<uint8_t>(i * 31);
  Bytes header = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 0xAB};
  Bytes stream = header;
  stream.insert(stream.end(), plain.begin(), plain.end());
  CryptKeys enc = CryptInit(pwBytes, pw.size());
  Encrypt(enc, stream.data(), stream.size());

  CryptKeys keys = CryptInit(pwBytes, pw.size());
  Bytes copy = stream;
  EXPECT_EQ(CryptCheckHeader(keys, stream.data()), 0xAB);
  EXPECT_EQ(stream, copy) << "the header is decrypted in a copy";
  CryptDecrypt(keys, stream.data() + 12, 100);
  CryptDecrypt(keys, stream.data() + 112, stream.size() - 112);
  EXPECT_TRUE(std::equal(plain.begin(), plain.end(), stream.begin() + 12));

  CryptKeys wrong = CryptInit(reinterpret_cast<const uint8_t*>("secret42"), 8);
  EXPECT_NE(CryptCheckHeader(wrong, copy.data()), 0xAB);
}

TEST(Crypt, SampleEntriesPassTheirCheckByteOnlyWithTheRightPassword) {
  for (const char* archive : {"infozip-encrypted.zip", "infozip-zipcloak.zip"}) {
    for (const auto& e : ReadArchive(ReadFile(TestDataPath(archive)))) {
      for (const std::string pw : {"Secret42", "Secret43"}) {
        CryptKeys keys = CryptInit(reinterpret_cast<const uint8_t*>(pw.data()), pw.size());
        uint8_t check = CryptCheckHeader(keys, e.data.data());
        uint8_t expected = (e.flags & 8) ? e.dosTime >> 8 : e.crc >> 24;
        EXPECT_EQ(check == expected, pw == "Secret42") << archive << " " << e.name << " " << pw;
      }
    }
  }
}

}  // namespace
}  // namespace zip::codec::test
