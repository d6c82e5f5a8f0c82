// Inflate on hand-made streams: every data error of the format, the window's put-out cadence,
// and how exceptions from the source and the sink are treated.
#include "tests/native/codec/BitWriter.h"
#include "tests/native/codec/TestZip.h"
#include "zip/codec/WorkArea.h"

#include <gtest/gtest.h>

namespace zip::codec::test {
namespace {

// RFC 1951 3.2.6 fixed literal/length code.
void FixedLitLen(BitWriter& w, unsigned sym) {
  if (sym < 144)
    w.Code(0x30 + sym, 8);
  else if (sym < 256)
    w.Code(0x190 + sym - 144, 9);
  else if (sym < 280)
    w.Code(sym - 256, 7);
  else
    w.Code(0xC0 + sym - 280, 8);
}

// Length 3..10 and distance 1..4 need no extra bits.
void FixedMatch(BitWriter& w, unsigned length, unsigned distance) {
  FixedLitLen(w, 257 + length - 3);
  w.Code(distance - 1, 5);
}

Bytes FixedBlock(const std::string& literals, bool last = true) {
  BitWriter w;
  w.Bits(last, 1).Bits(1, 2);
  for (unsigned char c : literals) FixedLitLen(w, c);
  FixedLitLen(w, 256);
  return w.Done();
}

void StoredBlock(BitWriter& w, const Bytes& data, bool last) {
  w.Bits(last, 1).Bits(0, 2).AlignToByte();
  w.Bits(static_cast<uint32_t>(data.size()), 16).Bits(~static_cast<uint32_t>(data.size()), 16);
  for (uint8_t b : data) w.Bits(b, 8);
}

Bytes Pattern(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return b;
}

Result InflateAll(const Bytes& stream, VectorSink& sink) {
  MemorySource src(stream);
  return Inflate(src, sink);
}

TEST(Inflate, FixedAndStoredBlocksDecode) {
  VectorSink sink;
  EXPECT_EQ(InflateAll(FixedBlock("hello"), sink), Result::ok);
  EXPECT_EQ(std::string(sink.data.begin(), sink.data.end()), "hello");

  BitWriter w;
  w.Bits(0, 1).Bits(1, 2);
  FixedLitLen(w, 'a');
  FixedLitLen(w, 'b');
  FixedMatch(w, 6, 2);  // overlapping copy: "ababab" more
  FixedLitLen(w, 256);
  StoredBlock(w, Bytes{'x', 'y'}, true);
  VectorSink sink2;
  EXPECT_EQ(InflateAll(w.Done(), sink2), Result::ok);
  EXPECT_EQ(std::string(sink2.data.begin(), sink2.data.end()),
            "abababab"
            "xy");
}

TEST(Inflate, WindowLeavesInFullRunsThenTheRest) {
  Bytes data = Pattern(100000);
  BitWriter w;
  for (size_t at = 0; at < data.size(); at += 65535) {
    size_t n = std::min<size_t>(65535, data.size() - at);
    StoredBlock(w, Bytes(data.begin() + at, data.begin() + at + n), at + n == data.size());
  }
  VectorSink sink;
  EXPECT_EQ(InflateAll(w.Done(), sink), Result::ok);
  EXPECT_EQ(sink.data, data);
  EXPECT_EQ(sink.putSizes, (std::vector<size_t>{32768, 32768, 32768, 100000 - 3 * 32768}));
}

// Hands the input out in chunks of the given sizes, each in a buffer of its own that the
// next chunk replaces, as a file's reads do: no byte of an earlier chunk stays reachable.
class SeparateChunks : public Source {
 public:
  SeparateChunks(const Bytes& data, std::vector<size_t> sizes) : data_(data), sizes_(std::move(sizes)) {}
  size_t Refill(const uint8_t*& p) override {
    size_t n = std::min(sizes_[calls_++ % sizes_.size()], data_.size() - pos_);
    chunk_.assign(data_.begin() + static_cast<std::ptrdiff_t>(pos_),
                  data_.begin() + static_cast<std::ptrdiff_t>(pos_ + n));
    chunk_.shrink_to_fit();
    pos_ += n;
    p = chunk_.data();
    return n;
  }

 private:
  const Bytes& data_;
  std::vector<size_t> sizes_;
  Bytes chunk_;
  size_t pos_ = 0, calls_ = 0;
};

// A stored block's bytes come partly from the bit buffer and partly from the input, wherever
// the chunks of the input happen to end: every split must give the same bytes, and a block
// cut short must fail, not take padding for data.
TEST(Inflate, StoredBlocksDecodeAlikeWhereverTheInputIsSplit) {
  BitWriter w;
  w.Bits(0, 1).Bits(1, 2);
  for (char c : std::string("coded")) FixedLitLen(w, static_cast<unsigned char>(c));
  FixedLitLen(w, 256);
  StoredBlock(w, Pattern(300), false);
  StoredBlock(w, Bytes{}, false);
  StoredBlock(w, Bytes{'z'}, true);
  const Bytes stream = w.Done();
  Bytes expected{'c', 'o', 'd', 'e', 'd'};
  Bytes body = Pattern(300);
  expected.insert(expected.end(), body.begin(), body.end());
  expected.push_back('z');
  // The last two blocks take 11 bytes: 5 for the empty one, 6 for the one of a byte.
  const Bytes cut(stream.begin(), stream.end() - 2);             // the last block's byte and half its length check
  const Bytes cutData(stream.begin(), stream.end() - 11 - 150);  // halfway through the 300 bytes

  std::vector<std::vector<size_t>> splits = {{32768}, {100}, {5, 3}, {13, 1, 7}};
  for (size_t n = 1; n <= 12; ++n) splits.push_back({n});
  for (const auto& split : splits) {
    SCOPED_TRACE(::testing::PrintToString(split));
    VectorSink sink;
    SeparateChunks src(stream, split);
    ASSERT_EQ(Inflate(src, sink), Result::ok);
    EXPECT_EQ(sink.data, expected);
    for (const Bytes* bad : {&cut, &cutData}) {
      VectorSink badSink;
      SeparateChunks badSrc(*bad, split);
      EXPECT_EQ(Inflate(badSrc, badSink), Result::bad_data);
    }
  }
}

TEST(Inflate, DataErrorsEndDecodingWithoutPuttingOutTheWindow) {
  Bytes big = Pattern(40000);
  auto afterStored = [&](auto badBlock) {
    BitWriter w;
    StoredBlock(w, big, false);
    badBlock(w);
    return w.Done();
  };
  struct Case {
    const char* what;
    Bytes stream;
  };
  std::vector<Case> cases = {
      {"block type 3", afterStored([](BitWriter& w) { w.Bits(1, 1).Bits(3, 2); })},
      {"stored LEN != ~NLEN",
       afterStored([](BitWriter& w) { w.Bits(1, 1).Bits(0, 2).AlignToByte().Bits(5, 16).Bits(5, 16); })},
      {"287 literal/length codes",
       afterStored([](BitWriter& w) { w.Bits(1, 1).Bits(2, 2).Bits(30, 5).Bits(0, 5).Bits(15, 4); })},
      {"31 distance codes",
       afterStored([](BitWriter& w) { w.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(30, 5).Bits(15, 4); })},
      {"input ends inside a block", afterStored([](BitWriter& w) {
         w.Bits(1, 1).Bits(1, 2);
         FixedLitLen(w, 'a');
       })},
      {"fixed literal/length symbol 286", afterStored([](BitWriter& w) {
         w.Bits(1, 1).Bits(1, 2);
         FixedLitLen(w, 286);
       })},
      {"fixed distance symbol 30", afterStored([](BitWriter& w) {
         w.Bits(1, 1).Bits(1, 2);
         FixedLitLen(w, 257);
         w.Code(30, 5);
         FixedLitLen(w, 256);
       })},
      {"distance one past the output",
       [&] {
         BitWriter w;
         w.Bits(1, 1).Bits(1, 2);
         FixedLitLen(w, 'a');
         FixedMatch(w, 3, 2);
         FixedLitLen(w, 256);
         return w.Done();
       }()},
  };
  for (const auto& c : cases) {
    VectorSink sink;
    EXPECT_EQ(InflateAll(c.stream, sink), Result::bad_data) << c.what;
    // Only the window filled before the error has left; its unfinished rest has not.
    for (size_t n : sink.putSizes) EXPECT_EQ(n, 32768u) << c.what;
  }
  VectorSink sink;
  EXPECT_EQ(InflateAll({}, sink), Result::bad_data) << "empty input";
  EXPECT_TRUE(sink.putSizes.empty());
}

TEST(Inflate, DistanceReachingExactlyTheFirstByteIsAccepted) {
  BitWriter w;
  w.Bits(1, 1).Bits(1, 2);
  FixedLitLen(w, 'a');
  FixedLitLen(w, 'b');
  FixedMatch(w, 3, 2);
  FixedLitLen(w, 256);
  VectorSink sink;
  EXPECT_EQ(InflateAll(w.Done(), sink), Result::ok);
  EXPECT_EQ(std::string(sink.data.begin(), sink.data.end()), "ababa");
}

// A dynamic block whose code-length code gives each of the lengths 0..15 a 4-bit code, so
// the lengths can be written as they are.
Bytes DynamicBlock(const std::vector<uint8_t>& litLen, const std::vector<uint8_t>& dist,
                   void (*body)(BitWriter&, const std::vector<uint32_t>&, const std::vector<uint32_t>&)) {
  auto canonical = [](const std::vector<uint8_t>& lens) {
    std::vector<uint32_t> count(16), next(16), codes(lens.size());
    for (uint8_t l : lens) count[l]++;
    count[0] = 0;
    for (unsigned l = 1, code = 0; l < 16; ++l) next[l] = code = (code + count[l - 1]) << 1;
    for (size_t s = 0; s < lens.size(); ++s) codes[s] = lens[s] ? next[lens[s]]++ : 0;
    return codes;
  };
  BitWriter w;
  w.Bits(1, 1)
      .Bits(2, 2)
      .Bits(static_cast<uint32_t>(litLen.size() - 257), 5)
      .Bits(static_cast<uint32_t>(dist.size() - 1), 5);
  w.Bits(19 - 4, 4);
  static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
  for (uint8_t sym : kOrder) w.Bits(sym < 16 ? 4 : 0, 3);
  for (uint8_t l : litLen) w.Code(l, 4);
  for (uint8_t l : dist) w.Code(l, 4);
  body(w, canonical(litLen), canonical(dist));
  return w.Done();
}

// Literals 0..127 of 8 bits, end of block 2 bits, lengths 3 and 4 of 3 bits: a complete set.
std::vector<uint8_t> SmallLitLen() {
  std::vector<uint8_t> l(259, 0);
  for (int s = 0; s < 128; ++s) l[s] = 8;
  l[256] = 2;
  l[257] = l[258] = 3;
  return l;
}

TEST(Inflate, OneDistanceCodeOrNoneAreAcceptedAsTheRfcAllows) {
  auto lit = SmallLitLen();
  VectorSink sink;
  Bytes one = DynamicBlock(lit, {1}, [](BitWriter& w, const std::vector<uint32_t>& l, const std::vector<uint32_t>& d) {
    w.Code(l['z'], 8).Code(l[258], 3).Code(d[0], 1).Code(l[256], 2);
  });
  EXPECT_EQ(InflateAll(one, sink), Result::ok);
  EXPECT_EQ(std::string(sink.data.begin(), sink.data.end()), "zzzzz");

  VectorSink sink2;
  Bytes none = DynamicBlock(lit, {0}, [](BitWriter& w, const std::vector<uint32_t>& l, const std::vector<uint32_t>&) {
    w.Code(l['q'], 8).Code(l[256], 2);
  });
  EXPECT_EQ(InflateAll(none, sink2), Result::ok);
  EXPECT_EQ(std::string(sink2.data.begin(), sink2.data.end()), "q");

  VectorSink sink3;
  Bytes lengthWithoutDistances =
      DynamicBlock(lit, {0}, [](BitWriter& w, const std::vector<uint32_t>& l, const std::vector<uint32_t>&) {
        w.Code(l['q'], 8).Code(l[257], 3).Code(0, 5).Code(l[256], 2);
      });
  EXPECT_EQ(InflateAll(lengthWithoutDistances, sink3), Result::bad_data);
}

TEST(Inflate, OversubscribedOrIncompleteTablesAreRejected) {
  auto body = [](BitWriter& w, const std::vector<uint32_t>&, const std::vector<uint32_t>&) { w.Bits(0, 16); };
  auto over = SmallLitLen();
  over['a'] = 7;
  auto incomplete = SmallLitLen();
  incomplete[258] = 0;
  auto noEnd = SmallLitLen();
  noEnd[256] = 0;
  noEnd[200] = noEnd[201] = noEnd[202] = noEnd[203] = 4;
  std::vector<std::pair<const char*, Bytes>> cases = {
      {"literal/length oversubscribed", DynamicBlock(over, {1}, body)},
      {"literal/length incomplete", DynamicBlock(incomplete, {1}, body)},
      {"no end-of-block code", DynamicBlock(noEnd, {1}, body)},
      {"distance incomplete", DynamicBlock(SmallLitLen(), {2, 2, 2}, body)},
      {"single distance code longer than one bit", DynamicBlock(SmallLitLen(), {2}, body)},
      {"distance oversubscribed", DynamicBlock(SmallLitLen(), {1, 1, 1}, body)},
  };
  BitWriter w;  // code-length code with every symbol 7 bits long: oversubscribed
  w.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(15, 4);
  for (int i = 0; i < 19; ++i) w.Bits(7, 3);
  w.Bits(0, 32);
  cases.push_back({"code-length code oversubscribed", w.Done()});
  BitWriter w2;  // code-length code with a single symbol: incomplete
  w2.Bits(1, 1).Bits(2, 2).Bits(0, 5).Bits(0, 5).Bits(0, 4).Bits(0, 3).Bits(0, 3).Bits(0, 3).Bits(1, 3).Bits(0, 32);
  cases.push_back({"code-length code incomplete", w2.Done()});
  for (const auto& [what, stream] : cases) {
    VectorSink sink;
    EXPECT_EQ(InflateAll(stream, sink), Result::bad_data) << what;
  }
}

struct MidBlockFailure : std::runtime_error {
  MidBlockFailure() : std::runtime_error("sink failed") {}
};
struct RefusedDisk : std::runtime_error, PassThrough {
  RefusedDisk() : std::runtime_error("refused") {}
};

template <typename E>
class ThrowingSink : public Sink {
 public:
  explicit ThrowingSink(size_t failAtPut) : failAtPut_(failAtPut) {}
  void Put(const uint8_t*, size_t) override {
    if (++puts_ == failAtPut_) throw E();
  }

 private:
  size_t failAtPut_, puts_ = 0;
};

template <typename E>
class ThrowingSource : public Source {
 public:
  ThrowingSource(const Bytes& data) : data_(data) {}
  size_t Refill(const uint8_t*& p) override {
    if (served_) throw E();
    served_ = true;
    p = data_.data();
    return data_.size();
  }

 private:
  const Bytes& data_;
  bool served_ = false;
};

TEST(Inflate, ExceptionsInsideABlockAreDataErrorsUnlessTheyPassThrough) {
  BitWriter w;
  StoredBlock(w, Pattern(40000), true);
  Bytes twoWindows = w.Done();
  {
    MemorySource src(twoWindows);
    ThrowingSink<MidBlockFailure> sink(1);
    EXPECT_EQ(Inflate(src, sink), Result::bad_data);
  }
  {
    MemorySource src(twoWindows);
    ThrowingSink<RefusedDisk> sink(1);
    EXPECT_THROW(Inflate(src, sink), RefusedDisk);
  }
  {
    // The final put of the window's rest is outside the block: its failure propagates.
    MemorySource src(twoWindows);
    ThrowingSink<MidBlockFailure> sink(2);
    EXPECT_THROW(Inflate(src, sink), MidBlockFailure);
  }
  Bytes head(twoWindows.begin(), twoWindows.begin() + 1000);
  {
    ThrowingSource<MidBlockFailure> src(head);
    VectorSink sink;
    EXPECT_EQ(Inflate(src, sink), Result::bad_data);
  }
  {
    ThrowingSource<RefusedDisk> src(head);
    VectorSink sink;
    EXPECT_THROW(Inflate(src, sink), RefusedDisk);
  }
}

TEST(Inflate, EveryTruncationOfARealStreamIsADataError) {
  auto entries = ReadArchive(ReadFile(TestDataPath("infozip-deflate-levels.zip")));
  int checked = 0;
  for (const auto& e : entries) {
    if (e.method != 8 || e.data.size() > 120000) continue;
    VectorSink full;
    ASSERT_EQ(InflateAll(e.data, full), Result::ok);
    for (size_t cut = 0; cut < e.data.size(); cut += 1 + e.data.size() / 41) {
      VectorSink sink;
      EXPECT_EQ(InflateAll(Bytes(e.data.begin(), e.data.begin() + cut), sink), Result::bad_data)
          << e.name << " cut " << cut;
      EXPECT_TRUE(std::equal(sink.data.begin(), sink.data.end(), full.data.begin())) << e.name << " cut " << cut;
      ++checked;
    }
  }
  EXPECT_GT(checked, 200);
}

// A run lends one work area to its entries in turn: what an earlier entry left in the window
// must never be readable by the next, and the next must decode as in a fresh area.
TEST(Inflate, AWorkAreaLentToEntriesInTurnKeepsThemApart) {
  WorkArea work;
  Bytes big = Pattern(70000);  // more than both halves of the window
  BitWriter w;
  StoredBlock(w, Bytes(big.begin(), big.begin() + 65535), false);
  StoredBlock(w, Bytes(big.begin() + 65535, big.end()), true);
  MemorySource first(w.Done());
  VectorSink firstOut;
  ASSERT_EQ(Inflate(first, firstOut, work), Result::ok);
  EXPECT_EQ(firstOut.data, big);

  BitWriter reach;  // a match before any byte of its own: it would read the last entry's tail
  reach.Bits(1, 1).Bits(1, 2);
  FixedMatch(reach, 3, 1);
  FixedLitLen(reach, 256);
  MemorySource second(reach.Done());
  VectorSink secondOut;
  EXPECT_EQ(Inflate(second, secondOut, work), Result::bad_data);
  EXPECT_TRUE(secondOut.data.empty());

  MemorySource third(FixedBlock("hello"));
  VectorSink thirdOut;
  EXPECT_EQ(Inflate(third, thirdOut, work), Result::ok);
  EXPECT_EQ(std::string(thirdOut.data.begin(), thirdOut.data.end()), "hello");
  EXPECT_EQ(work.Capacity(), WorkArea::kBytes);
}

// Tables are the only memory a block may ask for; when it cannot be had the caller is told
// apart from bad data, and nothing of the block is put out either way.
TEST(Inflate, TablesThatCannotBeAllocatedAreToldApartFromBadData) {
  WorkArea work;
  work.LimitTableEntries(64);
  MemorySource fixed(FixedBlock("abc"));
  VectorSink fixedOut;
  EXPECT_EQ(Inflate(fixed, fixedOut, work), Result::out_of_memory);
  EXPECT_TRUE(fixedOut.putSizes.empty());

  Bytes dynamic = DynamicBlock(SmallLitLen(), {1, 1},
                               [](BitWriter& w, const std::vector<uint32_t>& l, const std::vector<uint32_t>&) {
                                 w.Code(l['q'], 8).Code(l[256], 2);
                               });
  MemorySource dyn(dynamic);
  VectorSink dynOut;
  EXPECT_EQ(Inflate(dyn, dynOut, work), Result::out_of_memory);
  EXPECT_TRUE(dynOut.putSizes.empty());

  BitWriter stored;  // needs no table at all
  StoredBlock(stored, Pattern(10), true);
  MemorySource st(stored.Done());
  VectorSink stOut;
  EXPECT_EQ(Inflate(st, stOut, work), Result::ok);
  EXPECT_EQ(stOut.data, Pattern(10));

  MemorySource again(dynamic);  // the same block decodes once memory is there
  VectorSink againOut;
  work.LimitTableEntries(SIZE_MAX);
  EXPECT_EQ(Inflate(again, againOut, work), Result::ok);
  EXPECT_EQ(std::string(againOut.data.begin(), againOut.data.end()), "q");
}

}  // namespace
}  // namespace zip::codec::test
