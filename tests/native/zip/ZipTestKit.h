// Test scaffolding for the zip component: a small archive writer for hand-made cases, the
// shared test set's manifest and temporary folders.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/native/support/ScriptedUi.h"

namespace zip {
class TZipExtractor;
}

namespace ziptest {

// The caller asks for a split set's other files by their built-in names.
void AcceptSplitSet(zip::TZipExtractor& zip);

uint32_t Crc(const std::string& data);
uint32_t DosTime(int year, int month, int day, int hour, int minute, int second);

struct ZipItem {
  ZipItem(std::string n, std::string d) : name(std::move(n)), data(std::move(d)) {}
  std::string name;  // stored bytes, "/" between parts
  std::string data;  // the plain contents
  uint16_t method = 0;
  std::string packed;  // the compressed bytes when method is not 0
  uint16_t flags = 0;
  uint32_t dosTime = DosTime(2024, 3, 15, 10, 30, 0);
  std::optional<uint32_t> crc;      // default: CRC of data
  std::optional<int32_t> usize;     // default: size of data
  std::optional<int32_t> csize;     // default: size of what is stored
  std::string password;             // encrypts (flag bit 0) when not empty
  uint16_t versionMadeBy = 0x0314;  // host 3 (Unix); 0x0014 for MS-DOS
  uint32_t external = 0x20;
  std::string comment;
  std::optional<int32_t> centralOffset;  // overrides the real local header offset
  uint16_t centralExtraLength = 0;       // claimed, no bytes written
  std::string extra;                     // the extra field, written in both headers
  // 1: CRC and sizes in a data descriptor after the data, with its signature; 2: without
  // it. The local header then holds 0 for all three, and flag bit 3 is set.
  int descriptor = 0;

  ZipItem& Packed(uint16_t m, std::string bytes) {
    method = m;
    packed = std::move(bytes);
    return *this;
  }
  ZipItem& Flags(uint16_t f) {
    flags = f;
    return *this;
  }
  ZipItem& Time(uint32_t t) {
    dosTime = t;
    return *this;
  }
  ZipItem& Crc(uint32_t c) {
    crc = c;
    return *this;
  }
  ZipItem& Usize(int32_t n) {
    usize = n;
    return *this;
  }
  ZipItem& Csize(int32_t n) {
    csize = n;
    return *this;
  }
  ZipItem& Password(std::string p) {
    password = std::move(p);
    return *this;
  }
  ZipItem& Host(uint16_t v) {
    versionMadeBy = v;
    return *this;
  }
  ZipItem& External(uint32_t a) {
    external = a;
    return *this;
  }
  ZipItem& Extra(std::string e) {
    extra = std::move(e);
    return *this;
  }
  ZipItem& Comment(std::string c) {
    comment = std::move(c);
    return *this;
  }
  ZipItem& Offset(int32_t o) {
    centralOffset = o;
    return *this;
  }
  ZipItem& Descriptor(int form) {
    descriptor = form;
    flags |= 8;
    return *this;
  }
};

struct ZipLayout {
  std::string prefix;             // bytes before the first local header
  std::vector<int> centralOrder;  // default: as given
  std::string comment;
  uint16_t thisDisk = 0, startDisk = 0;
  std::optional<uint16_t> totalEntries;
  int32_t centralShift = 0;             // added to the directory's true offset in the end record
  std::optional<uint32_t> centralSize;  // default: the directory's true size
  bool zip64 = false;                   // zip64 end record and locator before the end record
};
ZipLayout Disks(uint16_t thisDisk, uint16_t startDisk);
ZipLayout Prefix(std::string prefix);
ZipLayout Comment(std::string comment);

std::string BuildZip(const std::vector<ZipItem>& items, const ZipLayout& layout = {});

// A deflate stream of stored blocks holding data (valid, method 8).
std::string StoredDeflate(const std::string& data);

// A fresh folder under /tmp, removed with everything in it at the end of the test.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& Path() const { return path_; }
  // Path of a child in the component's "\" form.
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& data);
// Empty optional when the file cannot be read.
std::optional<std::string> ReadFile(const std::string& path);
// A file of the third-party test set; a missing one fails the test, naming the file.
std::string ReadTestData(const std::string& name);
bool Exists(const std::string& path);
std::vector<std::string> ListDir(const std::string& path);
std::string Sha256(const std::string& data);

struct ManifestRow {
  std::string archive, entry, password, sha256;
  int method = 0;
  uint32_t flags = 0, crc = 0;
  long long usize = 0;
};
std::vector<ManifestRow> Manifest();
std::string TestData(const std::string& name);

// The scripted user interface, under the name the zip tests use.
using support::ScriptedUi;

}  // namespace ziptest
