// Test scaffolding for the codec tests: a minimal central-directory walk over the sample
// archives, the manifest by entry, and in-memory sources and sinks.
#pragma once

#include "zip/codec/Codec.h"
#include "zip/codec/Crypt.h"
#include "tests/native/support/TestData.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

namespace zip::codec::test {

// The test set's readers, under the names the codec tests use.
using support::Bytes;
using support::ManifestLine;
using support::ReadFile;
using support::ReadManifestLines;
using support::Sha256Hex;
using support::TestDataPath;
using support::Unescape;

struct RawEntry {
  std::string name;  // escaped as in MANIFEST.tsv
  uint16_t method = 0;
  uint16_t flags = 0;
  uint16_t dosTime = 0;
  uint32_t crc = 0;
  uint64_t compressedSize = 0;
  uint64_t uncompressedSize = 0;
  Bytes data;  // the stored bytes, encryption header included
};

// Throws std::runtime_error when the archive has no usable directory.
std::vector<RawEntry> ReadArchive(const Bytes& zip);

struct ManifestRow {
  std::string password;  // unescaped bytes
  std::string sha256;
};
// Key: archive + "\t" + escaped entry name.
std::map<std::string, ManifestRow> ReadManifest();

// Hands out `data` in chunks whose sizes cycle through `pattern` (each at most 32768).
class MemorySource : public Source {
 public:
  explicit MemorySource(Bytes data, std::vector<size_t> pattern = {32768})
      : data_(std::move(data)), pattern_(std::move(pattern)) {}
  size_t Refill(const uint8_t*& p) override;
  size_t Calls() const { return calls_; }

 private:
  Bytes data_;
  std::vector<size_t> pattern_;
  size_t pos_ = 0, calls_ = 0;
};

class VectorSink : public Sink {
 public:
  void Put(const uint8_t* p, size_t n) override {
    putSizes.push_back(n);
    data.insert(data.end(), p, p + n);
  }
  Bytes data;
  std::vector<size_t> putSizes;
};

// Decodes one entry with the codec; encrypted entries are decrypted with `password`. With
// `work`, the decoder runs in that area, else in one of its own. Returns false for methods
// the codec does not handle.
bool DecodeEntry(const RawEntry& e, const std::string& password, Result& result, Bytes& out,
                 std::vector<size_t> pattern = {32768}, WorkArea* work = nullptr);

}  // namespace zip::codec::test
