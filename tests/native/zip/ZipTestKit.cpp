// The zip test scaffolding: archive writer (stored data, optional traditional encryption),
// manifest reader, SHA-256, temporary folders and the scripted user interface.
#include "ZipTestKit.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <utility>

#include "tests/native/support/NativePath.h"
#include "tests/native/support/TestData.h"
#include "zip/ZipExtractor.h"
#include "zip/codec/Crc32.h"
#include "zip/codec/Crypt.h"

namespace ziptest {

namespace {

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

std::string Encrypt(const std::string& password, uint8_t check, const std::string& payload) {
  auto keys = zip::codec::CryptInit(reinterpret_cast<const uint8_t*>(password.data()), password.size());
  std::string plain = "\x11\x22\x33\x44\x55\x66\x77\x88\x99\xAA\xBB";
  plain += static_cast<char>(check);
  plain += payload;
  std::string out;
  for (char c : plain) {
    // The key byte is what decrypting a zero would give; the keys then take the plain byte.
    auto probe = keys;
    uint8_t key = 0;
    zip::codec::CryptDecrypt(probe, &key, 1);
    out += static_cast<char>(static_cast<uint8_t>(c) ^ key);
    zip::codec::CryptUpdate(keys, static_cast<uint8_t>(c));
  }
  return out;
}

void RemoveTree(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    ::chmod(path.c_str(), 0700);
    for (const std::string& child : ListDir(path)) RemoveTree(path + "/" + child);
    ::rmdir(path.c_str());
  } else {
    ::unlink(path.c_str());
  }
}

}  // namespace

uint32_t Crc(const std::string& data) {
  return ~zip::codec::Crc32UpdateBytewise(0xFFFFFFFF, reinterpret_cast<const uint8_t*>(data.data()), data.size());
}

uint32_t DosTime(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<uint32_t>((year - 1980) << 25 | month << 21 | day << 16 | hour << 11 | minute << 5 | second / 2);
}

std::string BuildZip(const std::vector<ZipItem>& items, const ZipLayout& layout) {
  std::string out = layout.prefix;
  std::vector<uint32_t> offsets;
  std::vector<std::string> stored;
  for (const ZipItem& it : items) {
    std::string payload = it.method == 0 ? it.data : it.packed;
    uint16_t flags = it.flags;
    uint32_t crc = it.crc.value_or(Crc(it.data));
    if (!it.password.empty()) {
      flags |= 1;
      uint8_t check = (flags & 8) ? static_cast<uint8_t>(it.dosTime >> 8) : static_cast<uint8_t>(crc >> 24);
      payload = Encrypt(it.password, check, payload);
    }
    stored.push_back(payload);
    offsets.push_back(static_cast<uint32_t>(out.size()));
    Put32(out, 0x04034B50);
    Put16(out, 20);
    Put16(out, flags);
    Put16(out, it.method);
    Put32(out, it.dosTime);
    const uint32_t csize = static_cast<uint32_t>(it.csize.value_or(static_cast<int32_t>(payload.size())));
    const uint32_t usize = static_cast<uint32_t>(it.usize.value_or(static_cast<int32_t>(it.data.size())));
    Put32(out, it.descriptor ? 0 : crc);
    Put32(out, it.descriptor ? 0 : csize);
    Put32(out, it.descriptor ? 0 : usize);
    Put16(out, static_cast<uint32_t>(it.name.size()));
    Put16(out, static_cast<uint32_t>(it.extra.size()));
    out += it.name;
    out += it.extra;
    out += payload;
    if (it.descriptor == 1) Put32(out, 0x08074B50);
    if (it.descriptor) {
      Put32(out, crc);
      Put32(out, csize);
      Put32(out, usize);
    }
  }
  uint32_t central = static_cast<uint32_t>(out.size());
  std::vector<int> order = layout.centralOrder;
  if (order.empty())
    for (size_t i = 0; i < items.size(); ++i) order.push_back(static_cast<int>(i));
  for (int i : order) {
    const ZipItem& it = items[static_cast<size_t>(i)];
    uint16_t flags = it.flags | (it.password.empty() ? 0 : 1);
    Put32(out, 0x02014B50);
    Put16(out, it.versionMadeBy);
    Put16(out, 20);
    Put16(out, flags);
    Put16(out, it.method);
    Put32(out, it.dosTime);
    Put32(out, it.crc.value_or(Crc(it.data)));
    Put32(out, static_cast<uint32_t>(it.csize.value_or(static_cast<int32_t>(stored[static_cast<size_t>(i)].size()))));
    Put32(out, static_cast<uint32_t>(it.usize.value_or(static_cast<int32_t>(it.data.size()))));
    Put16(out, static_cast<uint32_t>(it.name.size()));
    Put16(out, static_cast<uint32_t>(it.centralExtraLength + it.extra.size()));
    Put16(out, static_cast<uint32_t>(it.comment.size()));
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, it.external);
    Put32(out, static_cast<uint32_t>(it.centralOffset.value_or(static_cast<int32_t>(offsets[static_cast<size_t>(i)]))));
    out += it.name;
    out += it.extra;
    out += it.comment;
  }
  uint32_t size = static_cast<uint32_t>(out.size()) - central;
  uint16_t total = layout.totalEntries.value_or(static_cast<uint16_t>(order.size()));
  if (layout.zip64) {
    const uint32_t record = static_cast<uint32_t>(out.size());
    auto put64 = [&out](uint32_t v) { Put32(out, v), Put32(out, 0); };
    Put32(out, 0x06064B50);
    put64(44);  // the size of what follows
    Put16(out, 45);
    Put16(out, 45);
    Put32(out, layout.thisDisk);
    Put32(out, layout.startDisk);
    put64(total);
    put64(total);
    put64(layout.centralSize.value_or(size));
    put64(central + static_cast<uint32_t>(layout.centralShift));
    Put32(out, 0x07064B50);
    Put32(out, layout.thisDisk);
    put64(record);
    Put32(out, layout.thisDisk + 1u);
  }
  Put32(out, 0x06054B50);
  Put16(out, layout.thisDisk);
  Put16(out, layout.startDisk);
  Put16(out, total);
  Put16(out, total);
  Put32(out, layout.centralSize.value_or(size));
  Put32(out, central + static_cast<uint32_t>(layout.centralShift));
  Put16(out, static_cast<uint32_t>(layout.comment.size()));
  out += layout.comment;
  return out;
}

ZipLayout Disks(uint16_t thisDisk, uint16_t startDisk) {
  ZipLayout l;
  l.thisDisk = thisDisk;
  l.startDisk = startDisk;
  return l;
}
ZipLayout Prefix(std::string prefix) {
  ZipLayout l;
  l.prefix = std::move(prefix);
  return l;
}
ZipLayout Comment(std::string comment) {
  ZipLayout l;
  l.comment = std::move(comment);
  return l;
}

std::string StoredDeflate(const std::string& data) {
  std::string out;
  size_t at = 0;
  do {
    size_t n = std::min<size_t>(65535, data.size() - at);
    bool last = at + n == data.size();
    out += static_cast<char>(last ? 1 : 0);
    Put16(out, static_cast<uint32_t>(n));
    Put16(out, static_cast<uint32_t>(~n & 0xFFFF));
    out += data.substr(at, n);
    at += n;
  } while (at < data.size());
  return out;
}

TempDir::TempDir() {
  char pattern[] = "/tmp/zvtestXXXXXX";
  path_ = ::mkdtemp(pattern);
}

TempDir::~TempDir() { RemoveTree(path_); }

void WriteFile(const std::string& path, const std::string& data) {
  std::ofstream f(support::NativePath(path), std::ios::binary | std::ios::trunc);
  f << data;
}

std::optional<std::string> ReadFile(const std::string& path) {
  try {
    support::Bytes bytes = support::ReadFile(support::NativePath(path));
    return std::string(bytes.begin(), bytes.end());
  } catch (const std::runtime_error&) {
    return std::nullopt;
  }
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::stat(support::NativePath(path).c_str(), &st) == 0;
}

std::vector<std::string> ListDir(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* d = ::opendir(support::NativePath(path).c_str())) {
    while (dirent* e = ::readdir(d))
      if (std::strcmp(e->d_name, ".") && std::strcmp(e->d_name, "..")) names.push_back(e->d_name);
    ::closedir(d);
  }
  return names;
}

std::string Sha256(const std::string& data) { return support::Sha256Hex(support::Bytes(data.begin(), data.end())); }

std::string TestData(const std::string& name) { return support::TestDataPath(name); }

std::string ReadTestData(const std::string& name) {
  std::optional<std::string> data = ReadFile(TestData(name));
  if (!data) ADD_FAILURE() << "cannot read test data file " << TestData(name);
  return data.value_or("");
}

std::vector<ManifestRow> Manifest() {
  std::vector<ManifestRow> rows;
  try {
    for (const support::ManifestLine& l : support::ReadManifestLines()) {
      if (l.entry.empty()) continue;
      rows.push_back({l.archive, support::Unescape(l.entry), l.password, l.sha256, l.method, l.flags, l.crc, l.usize});
    }
  } catch (const std::runtime_error& e) {
    ADD_FAILURE() << e.what();
  }
  return rows;
}

void AcceptSplitSet(zip::TZipExtractor& zip) {
  zip.OnGetNextDisk = [](zip::TZipExtractor& s, int disk, std::string& name) { s.DefaultGetNextDisk(s, disk, name); };
}

}  // namespace ziptest
