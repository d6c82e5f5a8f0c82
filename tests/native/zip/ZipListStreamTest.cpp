// The entry lists' duplicate modes and errors, and the buffered stream's seek rules.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "zip/BufferStream.h"
#include "zip/ZipErrors.h"
#include "zip/ZipLists.h"

using namespace zip;

namespace {

TZipEntryInfo* At(int offset) {
  auto* e = new TZipEntryInfo;
  e->RelativeOffset = offset;
  return e;
}

// An in-memory stream that counts what reaches the "file" and can refuse writes.
class MemoryStream : public TBufferStream {
 public:
  std::string data;
  int rawSeeks = 0, rawReads = 0;
  bool refuseWrites = false;

 protected:
  bool RawRead(void* buffer, uint32_t count, uint32_t& done) override {
    ++rawReads;
    done = static_cast<uint32_t>(std::min<size_t>(count, data.size() - std::min(pos_, data.size())));
    std::memcpy(buffer, data.data() + pos_, done);
    pos_ += done;
    return true;
  }
  bool RawWrite(const void* buffer, uint32_t count, uint32_t& done) override {
    done = 0;
    if (refuseWrites) return false;
    if (data.size() < pos_ + count) data.resize(pos_ + count);
    std::memcpy(data.data() + pos_, buffer, count);
    pos_ += count;
    done = count;
    return true;
  }
  bool RawSeek(int64_t position, int64_t& result) override {
    ++rawSeeks;
    pos_ = static_cast<size_t>(position);
    result = position;
    return true;
  }
  bool RawSize(int64_t& size) override {
    size = static_cast<int64_t>(data.size());
    return true;
  }

 private:
  size_t pos_ = 0;
};

}  // namespace

TEST(ZipLists, DuplicateModesAndSortedPut) {
  TSortedZipList ignore(ByNone, true, dupIgnore), accept(ByNone, true, dupAccept), refuse(ByNone, true, dupError);
  for (int offset : {30, 10, 20}) {
    ignore.Add(At(offset));
    accept.Add(At(offset));
    refuse.Add(At(offset));
  }
  std::unique_ptr<TZipEntryInfo> again(At(20));
  EXPECT_EQ(ignore.Add(again.get()), -1);
  EXPECT_EQ(ignore.Count(), 3);
  EXPECT_EQ(accept.Add(At(20)), 1);
  EXPECT_EQ(accept.Count(), 4);
  try {
    refuse.Add(again.get());
    FAIL();
  } catch (const base::EListError& e) {
    EXPECT_STREQ(e.what(), "Duplicate Object index");
  }
  EXPECT_EQ(refuse.Entry(0)->RelativeOffset, 10);
  EXPECT_EQ(refuse.Entry(2)->RelativeOffset, 30);
  try {
    refuse.Put(0, again.get());
    FAIL();
  } catch (const base::EListError& e) {
    EXPECT_STREQ(e.what(), "Cannot <Put> an Object in a sorted list!");
  }
}

// Adding many at once must leave exactly the list one Add at a time leaves: the same order
// of equal keys, the same objects ignored, the same error after the same objects taken.
TEST(ZipLists, AddAllLeavesTheListOneAddAtATimeLeaves) {
  std::mt19937 random(7);
  for (int mode : {dupAccept, dupIgnore, dupError}) {
    for (int round = 0; round < 40; ++round) {
      const int held = round % 3 == 0 ? 0 : static_cast<int>(random() % 20);
      const int added = static_cast<int>(random() % 300);
      // Few distinct keys in most rounds (many equals), all distinct in every fourth.
      const int keys = round % 4 == 0 ? 1 << 20 : 1 + static_cast<int>(random() % 40);
      std::vector<std::unique_ptr<TZipEntryInfo>> owned;
      std::vector<TObject*> first, more;
      for (int i = 0; i < held + added; ++i) {
        owned.push_back(std::unique_ptr<TZipEntryInfo>(At(static_cast<int>(random() % keys))));
        (i < held ? first : more).push_back(owned.back().get());
      }
      TSortedZipList one(ByNone, false, mode), all(ByNone, false, mode);
      auto fill = [&](TSortedZipList& list, bool together) -> std::string {
        try {
          for (TObject* o : first) list.Add(o);
          if (together) {
            list.AddAll(more);
          } else {
            for (TObject* o : more) list.Add(o);
          }
        } catch (const base::EListError& e) {
          return e.what();
        }
        return "";
      };
      EXPECT_EQ(fill(one, false), fill(all, true));
      ASSERT_EQ(one.Count(), all.Count()) << "mode " << mode << " round " << round;
      for (int i = 0; i < one.Count(); ++i) ASSERT_EQ(one.Item(i), all.Item(i)) << "mode " << mode << " at " << i;
    }
  }
}

TEST(ZipLists, EntryRecordRules) {
  TZipEntryInfo e;
  EXPECT_EQ(e.CompressionMethod, 8);
  EXPECT_EQ(e.CRC32, 0xFFFFFFFFu);
  EXPECT_EQ(e.ExternalAttributes, 32u);
  EXPECT_EQ(e.InternalAttributes, 1);
  e.SetDirectory("sub");
  e.SetFileName("name.txt");
  EXPECT_EQ(e.Directory(), "sub\\");
  EXPECT_EQ(e.FileNameLength, 12);
  e.SetFileComment("hello");
  e.OEMConvert = false;
  TZipEntryInfo copy;
  copy.Assign(e);
  EXPECT_TRUE(copy.OEMConvert);
  EXPECT_EQ(copy.FileComment(), "hello");
  EXPECT_EQ(copy.FileCommentLength, 5);

  // Out-of-range fields are clamped one by one; a valid value is untouched.
  uint32_t wild = 31u | 63u << 5 | 31u << 11 | 0u << 16 | 15u << 21 | 127u << 25;
  EXPECT_EQ(MakeValidDosDateTime(wild), 29u | 59u << 5 | 23u << 11 | 1u << 16 | 12u << 21 | 119u << 25);
  uint32_t fine = 5u | 30u << 5 | 10u << 11 | 15u << 16 | 3u << 21 | 44u << 25;
  EXPECT_EQ(MakeValidDosDateTime(fine), fine);
  EXPECT_EQ(MakeValidDosDateTime(0u << 21 | 0u << 16), 1u << 21 | 1u << 16);
}

TEST(ZipStreams, SeekRulesAndErrors) {
  MemoryStream s;
  s.data = "0123456789abcdef";
  uint8_t b = 0;
  EXPECT_EQ(s.Seek(4, sys::SeekOrigin::end), 12);
  EXPECT_EQ(s.Seek(-4, sys::SeekOrigin::end), 12);  // both signs mean "before the end"
  ASSERT_TRUE(s.ReadByte(b));
  EXPECT_EQ(b, 'c');
  int seeks = s.rawSeeks;
  EXPECT_EQ(s.Seek(0, sys::SeekOrigin::current), 13);  // already there: nothing happens
  EXPECT_EQ(s.Seek(13, sys::SeekOrigin::begin), 13);
  EXPECT_EQ(s.rawSeeks, seeks);
  s.PutBack();
  ASSERT_TRUE(s.ReadByte(b));
  EXPECT_EQ(b, 'c');
  try {
    s.Seek(0, static_cast<sys::SeekOrigin>(3));
    FAIL();
  } catch (const base::Exception& e) {
    EXPECT_STREQ(e.what(), "Invalid seek origin (3)");
  }
  s.Seek(0, sys::SeekOrigin::begin);
  try {
    s.PutBack();
    FAIL();
  } catch (const base::EStreamError& e) {
    EXPECT_STREQ(e.what(), "Putback overflow");
  }

  // Written data waits in the buffer; a seek that cannot write it out fails.
  MemoryStream w;
  EXPECT_EQ(w.Write("hello", 5), 5u);
  EXPECT_EQ(w.data, "");
  EXPECT_EQ(w.Seek(1, sys::SeekOrigin::begin), 1);
  EXPECT_EQ(w.data, "hello");
  EXPECT_EQ(w.Write("EL", 2), 2u);
  w.refuseWrites = true;
  try {
    w.Seek(0, sys::SeekOrigin::begin);
    FAIL();
  } catch (const base::Exception& e) {
    EXPECT_STREQ(e.what(), "\nSeek error");
  }
  w.refuseWrites = false;
  EXPECT_TRUE(w.FlushBuffer());
  EXPECT_EQ(w.data, "hELlo");
}
