// Decodes every entry of the sample archives with the codec and checks CRC-32 and SHA-256
// against the central directory and the manifest.
#include "tests/native/codec/TestZip.h"
#include "zip/codec/Crc32.h"
#include "zip/codec/WorkArea.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace zip::codec::test {
namespace {

std::vector<std::string> SampleArchives() {
  std::vector<std::string> names;
  std::filesystem::path root(ZORVIK_TESTDATA_DIR);
  for (auto& f : std::filesystem::recursive_directory_iterator(root)) {
    std::string rel = std::filesystem::relative(f.path(), root).generic_string();
    std::string ext = f.path().extension().string();
    // Damaged archives carry wrong sizes or CRCs on purpose; the directory reader tests them.
    if ((ext == ".zip" || ext == ".ZIP") && rel.rfind("damaged-", 0) != 0 && std::filesystem::file_size(f) > 22)
      names.push_back(rel);
  }
  std::sort(names.begin(), names.end());
  return names;
}

uint32_t Crc(const Bytes& b) { return ~Crc32Update(0xFFFFFFFF, b.data(), b.size()); }

// All entries share one work area, as the entries of an extraction run do: nothing an entry
// leaves in it may change the next one, and no decoder needs more than it was made with.
TEST(SampleArchives, EveryEntryOfEverySupportedMethodDecodesToTheManifestContents) {
  auto manifest = ReadManifest();
  WorkArea work;
  const uint8_t* const area = work.Bytes(0);
  std::set<int> methodsSeen;
  int decoded = 0, encrypted = 0;
  for (const auto& archive : SampleArchives()) {
    for (const auto& e : ReadArchive(ReadFile(TestDataPath(archive)))) {
      if (e.name.back() == '/') continue;
      auto row = manifest.find(archive + "\t" + e.name);
      ASSERT_NE(row, manifest.end()) << archive << " " << e.name;
      Result r;
      Bytes out;
      if (!DecodeEntry(e, row->second.password, r, out, {32768}, &work)) continue;
      SCOPED_TRACE(archive + " " + e.name + " method " + std::to_string(e.method));
      EXPECT_EQ(r, Result::ok);
      EXPECT_EQ(out.size(), e.uncompressedSize);
      EXPECT_EQ(Crc(out), e.crc);
      EXPECT_EQ(Sha256Hex(out), row->second.sha256);
      methodsSeen.insert(e.method);
      ++decoded;
      encrypted += e.flags & 1;
    }
  }
  EXPECT_EQ(methodsSeen, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 8}));
  EXPECT_EQ(work.Bytes(0), area);
  EXPECT_EQ(work.Capacity(), WorkArea::kBytes);
  EXPECT_GT(decoded, 60);
  EXPECT_GE(encrypted, 10);
}

// Chunk boundaries fall at every bit-reader state: one-byte chunks, odd sizes, and a mix.
TEST(SampleArchives, DecodingDoesNotDependOnHowTheInputIsChunked) {
  const std::vector<std::vector<size_t>> patterns = {{1}, {7, 1, 32768, 3}, {4093, 8, 9}};
  auto manifest = ReadManifest();
  int checked = 0;
  for (const auto& archive : SampleArchives()) {
    for (const auto& e : ReadArchive(ReadFile(TestDataPath(archive)))) {
      if (e.name.back() == '/' || e.method == 0 || e.compressedSize > 40000) continue;
      const auto& row = manifest.at(archive + "\t" + e.name);
      for (const auto& pattern : patterns) {
        Result r;
        Bytes out;
        if (!DecodeEntry(e, row.password, r, out, pattern)) break;
        SCOPED_TRACE(archive + " " + e.name);
        EXPECT_EQ(r, Result::ok);
        EXPECT_EQ(Crc(out), e.crc);
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 100);
}

TEST(SampleArchives, TheManifestHashOfAnEmptyEntryIsTheEmptySha256) {
  // Guards the test helper itself: every other expectation relies on this SHA-256.
  EXPECT_EQ(Sha256Hex({}), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex(Bytes{'a', 'b', 'c'}), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

}  // namespace
}  // namespace zip::codec::test
