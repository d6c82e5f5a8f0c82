// The third-party zip test set (ZORVIK_TESTDATA_DIR): its files, its manifest of expected
// methods, CRCs and hashes, and the SHA-256 the hashes are made with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace support {

using Bytes = std::vector<uint8_t>;

// Throws std::runtime_error naming the file when it cannot be read.
Bytes ReadFile(const std::string& path);
std::string TestDataPath(const std::string& name);

// One line of MANIFEST.tsv; the entry name keeps the file's "\xHH" escapes.
struct ManifestLine {
  std::string archive, entry, password, sha256;  // password: unescaped bytes
  int method = 0;
  uint32_t flags = 0, crc = 0;
  long long usize = 0;
};
// Throws std::runtime_error naming the file when it cannot be read.
std::vector<ManifestLine> ReadManifestLines();

std::string Sha256Hex(const Bytes& data);
// Undoes the manifest's "\xHH" escapes.
std::string Unescape(const std::string& s);

}  // namespace support
