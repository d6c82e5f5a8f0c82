// Unshrink, expand and explode on hand-made streams and on truncated real entries.
#include "tests/native/codec/BitWriter.h"
#include "tests/native/codec/TestZip.h"
#include "zip/codec/WorkArea.h"

#include <gtest/gtest.h>

namespace zip::codec::test {
namespace {

std::string Str(const Bytes& b) { return std::string(b.begin(), b.end()); }

Result Shrunk(const Bytes& stream, VectorSink& sink) {
  MemorySource src(stream);
  return Unshrink(src, sink);
}

Bytes Codes9(std::initializer_list<uint32_t> codes) {
  BitWriter w;
  for (uint32_t c : codes) w.Bits(c, 9);
  return w.Done();
}

TEST(Unshrink, KwKwKAndPartialClearReuseOfLeafCodes) {
  VectorSink kwk;
  EXPECT_EQ(Shrunk(Codes9({'a', 257}), kwk), Result::ok);
  EXPECT_EQ(Str(kwk.data), "aaa");

  // 257 = "ab" and 258 = "bc" are leaves; after the clear "cd" takes 257 again.
  VectorSink reuse;
  EXPECT_EQ(Shrunk(Codes9({'a', 'b', 'c', 256, 2, 'd', 257}), reuse), Result::ok);
  EXPECT_EQ(Str(reuse.data), "abcdcd");

  // A parent survives the clear: 257 = "ab" is continued by 259 = "abc".
  VectorSink keep;
  EXPECT_EQ(Shrunk(Codes9({'a', 'b', 257, 'c', 259, 256, 2, 257}), keep), Result::ok);
  EXPECT_EQ(Str(keep.data), "ababcabcab");
}

TEST(Unshrink, WideningChangesTheCodeWidthAtOnce) {
  BitWriter w;
  w.Bits('x', 9).Bits(256, 9).Bits(1, 9).Bits('y', 10).Bits(257, 10);
  VectorSink sink;
  EXPECT_EQ(Shrunk(w.Done(), sink), Result::ok);
  EXPECT_EQ(Str(sink.data), "xyxy");
}

TEST(Unshrink, UndefinedCodesAndControlsAreDataErrors) {
  VectorSink sink;
  EXPECT_EQ(Shrunk(Codes9({300}), sink), Result::bad_data) << "first code not a literal";
  EXPECT_EQ(Shrunk(Codes9({'a', 258}), sink), Result::bad_data) << "code beyond the next free one";
  EXPECT_EQ(Shrunk(Codes9({'a', 'b', 'c', 256, 2, 258}), sink), Result::bad_data) << "code freed by the clear";
  EXPECT_EQ(Shrunk(Codes9({'a', 256, 3}), sink), Result::bad_data) << "unknown control";
  BitWriter w;
  unsigned width = 9;
  w.Bits('a', 9);
  for (int i = 0; i < 5; ++i, ++width) w.Bits(256, width).Bits(1, width);
  EXPECT_EQ(Shrunk(w.Done(), sink), Result::bad_data) << "widening past 13 bits";
}

Result Reduced(const Bytes& stream, uint64_t size, int factor, VectorSink& sink) {
  MemorySource src(stream);
  return Expand(src, sink, size, factor);
}

// Empty follower sets except S(0), then plain 8-bit bytes.
BitWriter ReduceHeader(std::vector<uint8_t> followersOfZero = {}) {
  BitWriter w;
  for (int j = 255; j > 0; --j) w.Bits(0, 6);
  w.Bits(static_cast<uint32_t>(followersOfZero.size()), 6);
  for (uint8_t b : followersOfZero) w.Bits(b, 8);
  return w;
}

TEST(Expand, DleEscapeRunsAndMatchesBeforeTheStartReadZeros) {
  BitWriter w = ReduceHeader();
  for (int b : {int('x'), 0x90, 0x00, 0x90, 0x02, 0x00}) w.Bits(b, 8);  // x, literal DLE, run of 5
  VectorSink sink;
  EXPECT_EQ(Reduced(w.Done(), 7, 1, sink), Result::ok);
  EXPECT_EQ(sink.data, (Bytes{'x', 0x90, 0x90, 0x90, 0x90, 0x90, 0x90}));

  BitWriter far = ReduceHeader();
  for (int b : {int('y'), 0x90, 0x01, 0x04}) far.Bits(b, 8);  // 4 bytes from distance 5
  VectorSink sink2;
  EXPECT_EQ(Reduced(far.Done(), 5, 1, sink2), Result::ok);
  EXPECT_EQ(sink2.data, (Bytes{'y', 0, 0, 0, 0}));
}

TEST(Expand, FollowerIndexOutOfRangeAndBadFactorsAreDataErrors) {
  BitWriter w = ReduceHeader({'p', 'q', 'r'});
  w.Bits(0, 1).Bits(1, 2);  // follower 1 of S(0) is fine
  w.Bits(0, 8);             // S('q') is empty: a plain byte, 0, back to S(0)
  w.Bits(0, 1).Bits(3, 2);  // index 3 of a 3-entry set
  Bytes stream = w.Done();
  VectorSink sink;
  EXPECT_EQ(Reduced(stream, 100, 2, sink), Result::bad_data);
  VectorSink ok;
  EXPECT_EQ(Reduced(stream, 2, 2, ok), Result::ok);
  EXPECT_EQ(ok.data, (Bytes{'q', 0}));

  BitWriter tooMany;
  tooMany.Bits(33, 6);
  EXPECT_EQ(Reduced(tooMany.Done(), 1, 1, sink), Result::bad_data);
  EXPECT_EQ(Reduced(ReduceHeader().Done(), 0, 0, sink), Result::bad_data);
  EXPECT_EQ(Reduced(ReduceHeader().Done(), 0, 5, sink), Result::bad_data);
}

// Two trees, 4K dictionary. Tree bytes: a count byte, then (values-1)<<4 | (length-1).
BitWriter ImplodeHeader(std::vector<uint8_t> lengthTree, std::vector<uint8_t> distanceTree) {
  BitWriter w;
  for (auto* tree : {&lengthTree, &distanceTree}) {
    w.Bits(static_cast<uint32_t>(tree->size() - 1), 8);
    for (uint8_t b : *tree) w.Bits(b, 8);
  }
  return w;
}

// 64 values of 6 bits: per the application note's construction value v gets code 63 - v.
const std::vector<uint8_t> kFlat6 = {0xF5, 0xF5, 0xF5, 0xF5};

TEST(Explode, LiteralsMatchesAndTheExtraLengthByte) {
  BitWriter w = ImplodeHeader(kFlat6, kFlat6);
  w.Bits(1, 1).Bits('a', 8).Bits(1, 1).Bits('b', 8);
  w.Bits(0, 1).Bits(1, 6).Code(63 - 0, 6).Code(63 - 0, 6);               // distance 2, length 2
  w.Bits(0, 1).Bits(0, 6).Code(63 - 0, 6).Code(63 - 63, 6).Bits(10, 8);  // distance 1, 63+2+10
  VectorSink sink;
  MemorySource src(w.Done());
  EXPECT_EQ(Explode(src, sink, 4 + 75, false, false, 100), Result::ok);
  EXPECT_EQ(Str(sink.data), "abab" + std::string(75, 'b'));
}

TEST(Explode, TreesThatCannotBeBuiltAreDataErrors) {
  std::vector<std::pair<const char*, BitWriter>> cases = {
      {"under-full", ImplodeHeader({0xF6, 0xF6, 0xF6, 0xF6}, kFlat6)},
      {"over-full", ImplodeHeader({0xF4, 0xF5, 0xF5, 0xF5}, kFlat6)},
      {"too few values", ImplodeHeader({0xF5, 0xF5, 0xF5}, kFlat6)},
      {"too many values", ImplodeHeader({0xF5, 0xF5, 0xF5, 0xF5, 0x05}, kFlat6)},
  };
  for (auto& [what, w] : cases) {
    w.Bits(0, 32);
    VectorSink sink;
    MemorySource src(w.Done());
    EXPECT_EQ(Explode(src, sink, 10, false, false, 100), Result::bad_data) << what;
  }
}

// Implode has no message of its own for memory: trees that cannot be allocated end decoding
// like trees that cannot be built.
TEST(Explode, TreesWithoutMemoryAreDataErrors) {
  BitWriter w = ImplodeHeader(kFlat6, kFlat6);
  w.Bits(1, 1).Bits('a', 8);
  Bytes stream = w.Done();
  WorkArea work;
  work.LimitTableEntries(16);
  MemorySource src(stream);
  VectorSink sink;
  EXPECT_EQ(Explode(src, sink, 1, false, false, 100, work), Result::bad_data);
  EXPECT_TRUE(sink.data.empty());
  work.LimitTableEntries(SIZE_MAX);
  MemorySource again(stream);
  EXPECT_EQ(Explode(again, sink, 1, false, false, 100, work), Result::ok);
  EXPECT_EQ(Str(sink.data), "a");
}

TEST(LegacyMethods, TruncatedEntriesNeverReadPastTheirInput) {
  struct Sample {
    const char* archive;
    int method;
  };
  int checked = 0;
  for (auto [archive, method] :
       {Sample{"hwzip-implode-8k3.zip", 6}, Sample{"hwzip-implode-4k2.zip", 6}, Sample{"hwzip-reduce1.zip", 2},
        Sample{"hwzip-reduce4.zip", 5}, Sample{"hwzip-shrink.zip", 1}}) {
    for (const auto& e : ReadArchive(ReadFile(TestDataPath(archive)))) {
      if (e.method != method || e.data.size() > 60000) continue;
      Result r;
      Bytes full;
      ASSERT_TRUE(DecodeEntry(e, "", r, full));
      ASSERT_EQ(r, Result::ok);
      for (size_t cut = 0; cut < e.data.size(); cut += 1 + e.data.size() / 23) {
        RawEntry t = e;
        t.data.resize(cut);
        Bytes out;
        ASSERT_TRUE(DecodeEntry(t, "", r, out));
        SCOPED_TRACE(std::string(archive) + " " + e.name + " cut " + std::to_string(cut));
        // Shrink ends where its input ends, so a cut is only a shorter output.
        EXPECT_EQ(r, method == 1 ? Result::ok : Result::bad_data);
        if (method == 1) {
          EXPECT_LT(out.size(), full.size());
        }
        EXPECT_TRUE(std::equal(out.begin(), out.end(), full.begin()));
        ++checked;
      }
    }
  }
  EXPECT_GT(checked, 100);
}

}  // namespace
}  // namespace zip::codec::test
