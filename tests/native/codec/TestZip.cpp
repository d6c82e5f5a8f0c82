// Test scaffolding: archive walk, manifest by entry, sources and sinks.
#include "tests/native/codec/TestZip.h"
#include "zip/codec/WorkArea.h"

#include <algorithm>
#include <cstdio>

namespace zip::codec::test {

namespace {

uint32_t Le(const Bytes& b, size_t at, int n) {
  if (at + n > b.size()) throw std::runtime_error("record past the end");
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | b[at + i];
  return v;
}

std::string Escape(const uint8_t* p, size_t n) {
  std::string s;
  for (size_t i = 0; i < n; ++i) {
    if (p[i] >= 0x20 && p[i] <= 0x7E && p[i] != '\\') {
      s += static_cast<char>(p[i]);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", p[i]);
      s += hex;
    }
  }
  return s;
}

}  // namespace

std::vector<RawEntry> ReadArchive(const Bytes& zip) {
  if (zip.size() < 22) throw std::runtime_error("too short");
  size_t eocd = zip.size() - 22;
  while (Le(zip, eocd, 4) != 0x06054b50) {
    if (eocd == 0) throw std::runtime_error("no end record");
    --eocd;
  }
  uint32_t count = Le(zip, eocd + 10, 2);
  size_t at = Le(zip, eocd + 16, 4);
  std::vector<RawEntry> entries;
  for (uint32_t i = 0; i < count; ++i) {
    if (Le(zip, at, 4) != 0x02014b50) throw std::runtime_error("bad central header");
    RawEntry e;
    e.flags = static_cast<uint16_t>(Le(zip, at + 8, 2));
    e.method = static_cast<uint16_t>(Le(zip, at + 10, 2));
    e.dosTime = static_cast<uint16_t>(Le(zip, at + 12, 2));
    e.crc = Le(zip, at + 16, 4);
    e.compressedSize = Le(zip, at + 20, 4);
    e.uncompressedSize = Le(zip, at + 24, 4);
    size_t nameLen = Le(zip, at + 28, 2), extraLen = Le(zip, at + 30, 2), commentLen = Le(zip, at + 32, 2);
    size_t local = Le(zip, at + 42, 4);
    if (at + 46 + nameLen > zip.size()) throw std::runtime_error("name past the end");
    e.name = Escape(zip.data() + at + 46, nameLen);
    size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
    if (data + e.compressedSize > zip.size()) throw std::runtime_error("data past the end");
    e.data.assign(zip.begin() + data, zip.begin() + data + e.compressedSize);
    entries.push_back(std::move(e));
    at += 46 + nameLen + extraLen + commentLen;
  }
  return entries;
}

std::map<std::string, ManifestRow> ReadManifest() {
  std::map<std::string, ManifestRow> rows;
  for (const ManifestLine& l : ReadManifestLines())
    rows[l.archive + "\t" + l.entry] = ManifestRow{l.password, l.sha256};
  return rows;
}

size_t MemorySource::Refill(const uint8_t*& p) {
  size_t want = pattern_[calls_++ % pattern_.size()];
  size_t n = std::min(want, data_.size() - pos_);
  p = data_.data() + pos_;
  pos_ += n;
  return n;
}

namespace {

// Decrypts each chunk into its own buffer, as the component decrypts its input buffer.
class DecryptingSource : public Source {
 public:
  DecryptingSource(Source& inner, CryptKeys keys) : inner_(inner), keys_(keys) {}
  size_t Refill(const uint8_t*& p) override {
    const uint8_t* raw;
    size_t n = inner_.Refill(raw);
    buf_.assign(raw, raw + n);
    CryptDecrypt(keys_, buf_.data(), n);
    p = buf_.data();
    return n;
  }

 private:
  Source& inner_;
  CryptKeys keys_;
  Bytes buf_;
};

}  // namespace

bool DecodeEntry(const RawEntry& e, const std::string& password, Result& result, Bytes& out,
                 std::vector<size_t> pattern, WorkArea* work) {
  WorkArea own;
  WorkArea& area = work ? *work : own;
  Bytes data = e.data;
  CryptKeys keys;
  bool encrypted = e.flags & 1;
  if (encrypted) {
    if (data.size() < kCryptHeaderSize) throw std::runtime_error("short encryption header");
    keys = CryptInit(reinterpret_cast<const uint8_t*>(password.data()), password.size());
    uint8_t check = CryptCheckHeader(keys, data.data());
    uint8_t expected = (e.flags & 8) ? static_cast<uint8_t>(e.dosTime >> 8) : static_cast<uint8_t>(e.crc >> 24);
    if (check != expected) throw std::runtime_error("password check failed for " + e.name);
    data.erase(data.begin(), data.begin() + kCryptHeaderSize);
  }
  MemorySource raw(data, std::move(pattern));
  DecryptingSource decrypting(raw, keys);
  Source& in = encrypted ? static_cast<Source&>(decrypting) : raw;
  VectorSink sink;
  switch (e.method) {
    case 0: {
      const uint8_t* p;
      while (size_t n = in.Refill(p)) sink.Put(p, n);
      result = Result::ok;
      break;
    }
    case 1: result = Unshrink(in, sink, area); break;
    case 2:
    case 3:
    case 4:
    case 5: result = Expand(in, sink, e.uncompressedSize, e.method - 1, area); break;
    case 6: result = Explode(in, sink, e.uncompressedSize, e.flags & 2, e.flags & 4, data.size(), area); break;
    case 8: result = Inflate(in, sink, area); break;
    default: return false;
  }
  out = std::move(sink.data);
  return true;
}

}  // namespace zip::codec::test
