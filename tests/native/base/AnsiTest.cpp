// GBK-aware string rules: every path split of the program depends on them.
#include <gtest/gtest.h>

#include "base/Ansi.h"

namespace {

// "表" is B1 ED; "\x95\x5C" is a GBK character whose trail byte is the code of "\".
const std::string kTrail5C = "\x95\x5C";

TEST(Ansi, TrimRemovesBlanksAndControlBytesAtBothEnds) {
  EXPECT_EQ(base::Trim(" \t d:\\kestrum \r\n"), "d:\\kestrum");
  EXPECT_EQ(base::Trim("   "), "");
  EXPECT_EQ(base::Trim(""), "");
  EXPECT_EQ(base::Trim("\x01"
                       "a b"
                       "\x20"),
            "a b");
}

TEST(Ansi, CaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(base::UpperAscii("abc\xB1\xED"
                             "z"),
            "ABC\xB1\xED"
            "Z");
  EXPECT_EQ(base::LowerAscii("ABC\xC1\xD0"), "abc\xC1\xD0");
  // "\x81\x61" and "\x81\x41" are two GBK characters: only the bytewise rule folds them together.
  EXPECT_EQ(base::UpperAscii("\x81\x61"), "\x81\x41");
  EXPECT_EQ(base::AnsiUpper("a\x81\x61z"), "A\x81\x61Z");
  EXPECT_EQ(base::AnsiLower("A\x81\x41Z"), "a\x81\x41z");
  EXPECT_EQ(base::AnsiLower("AB\x81"), "ab\x81");  // a lone lead byte at the end
}

TEST(Ansi, LastCharTreatsLeadAndTrailAsOne) {
  EXPECT_EQ(base::LastCharStart(""), std::string::npos);
  EXPECT_EQ(base::LastCharStart("ab"), 1u);
  EXPECT_EQ(base::LastCharStart("a\xB1\xED"), 1u);
  EXPECT_EQ(base::LastCharStart("a" + kTrail5C), 1u);
  // A lone lead byte at the end is a character of its own.
  EXPECT_EQ(base::LastCharStart("ab\xB1"), 2u);
}

TEST(Ansi, BackslashSearchSkipsTrailBytes) {
  std::string name = "dir\\" + kTrail5C + "x";
  EXPECT_EQ(base::LastBackslash(name), 3u);
  EXPECT_EQ(base::ExtractFileName(name), kTrail5C + "x");
  EXPECT_EQ(base::ExtractFilePath(name), "dir\\");
  EXPECT_EQ(base::ExtractFileName(kTrail5C), kTrail5C);
  EXPECT_EQ(base::LastBackslash(kTrail5C), std::string::npos);
  EXPECT_EQ(base::ExcludeTrailingBackslash("a" + kTrail5C), "a" + kTrail5C);
  EXPECT_EQ(base::ExcludeTrailingBackslash("a\\"), "a");
  EXPECT_FALSE(base::IsCharStart(kTrail5C, 1));
  EXPECT_TRUE(base::IsCharStart("a\\b", 1));

  // The forward splitter: a trail byte 0x5C never splits a name.
  EXPECT_EQ(base::NextBackslash(name), 3u);
  EXPECT_EQ(base::NextBackslash(name, 4), std::string::npos);
  EXPECT_EQ(base::NextBackslash(kTrail5C + "\\a"), 2u);
  using Parts = std::vector<std::string_view>;
  const std::string drive = "c:\\" + kTrail5C + "\\b\\";
  EXPECT_EQ(base::SplitAtBackslashes(drive), (Parts{"c:", kTrail5C, "b", ""}));
  EXPECT_EQ(base::SplitAtBackslashes("\\\\srv\\s"), (Parts{"", "", "srv", "s"}));
  EXPECT_EQ(base::SplitAtBackslashes(kTrail5C), (Parts{kTrail5C}));
  EXPECT_EQ(base::SplitAtBackslashes(""), (Parts{""}));
}

// A stored "/" separates whatever byte stands before it; a stored "\" may be a trail byte.
TEST(Ansi, StoredSlashesAlwaysSeparate) {
  struct Row {
    std::string stored, held;
  } rows[] = {
      {"a/b/c.txt", "a\\b\\c.txt"},
      {"\xB1\xED/x", "\xB1\xED\\x"},                             // after a whole character
      {"\xE3\x82\x88/\xE4\xB8\x80", "\xE3\x82_\\\xE4\xB8\x80"},  // UTF-8 "よ/一": 0x88 stands alone
      {"\x84/", "_\\"},                                          // a CP437 folder name
      {"\x81\x88/", "\x81\x88\\"},                               // 0x88 as a trail byte is kept
      {kTrail5C + "/a", kTrail5C + "\\a"},
      {"\x84\\", "\x84\\"},  // a stored "\" stays a trail byte
      {"\x84", "\x84"},
  };
  for (const Row& r : rows) {
    std::string name = r.stored;
    base::SlashesToBackslashes(name);
    EXPECT_EQ(name, r.held) << r.stored;
  }
  // Making a folder's path: an existing "\" is kept; a lone lead byte cannot take it as trail.
  struct Folder {
    std::string path, folder;
  } folders[] = {{"docs", "docs\\"},
                 {"docs\\", "docs\\"},
                 {"a" + kTrail5C, "a" + kTrail5C + "\\"},
                 {"a\x84", "a_\\"},
                 {"\xB1\xED", "\xB1\xED\\"}};
  for (const Folder& f : folders) {
    std::string path = f.path;
    base::AppendBackslash(path);
    EXPECT_EQ(path, f.folder) << f.path;
    EXPECT_EQ(base::LastBackslash(path), path.size() - 1) << f.path;
  }
}

}  // namespace
