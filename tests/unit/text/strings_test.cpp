#include "text/strings.hpp"

#include <gtest/gtest.h>

#include "text/line_source.hpp"

namespace vc::text {
namespace {

TEST(Trim, SpacesOnlyVersusBlanks) {
  EXPECT_EQ(TrimSpaces("  a b  "), "a b");
  EXPECT_EQ(TrimSpaces("\t a \t"), "\t a \t");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimBlanks(" \tabc\t "), "abc");
  EXPECT_EQ(TrimBlanks("\t\t"), "");
  EXPECT_EQ(TrimBlanks("\r\nabc \t"), "\r\nabc");
  EXPECT_EQ(TrimTrailingSpaces("ab  "), "ab");
}

TEST(Trim, TrailingOnlyKeepsTheStart) {
  const struct {
    std::string_view text;
    std::string_view spaces;  // TrimTrailingSpaces
    std::string_view blanks;  // TrimTrailingBlanks
  } cases[] = {
      {" a \t ", " a \t", " a"},
      {" \t ", " \t", ""},
      {"a\r", "a\r", "a\r"},
      {"", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(TrimTrailingSpaces(c.text), c.spaces) << c.text;
    EXPECT_EQ(TrimTrailingBlanks(c.text), c.blanks) << c.text;
  }
}

TEST(UpperCase, ComparesAsciiLettersOnly) {
  EXPECT_EQ(UpperAscii("Tokyo mean"), "TOKYO MEAN");
  EXPECT_TRUE(EqualsUpper("trk", "TRK"));
  EXPECT_FALSE(EqualsUpper("trk ", "TRK"));
  EXPECT_TRUE(ContainsUpper("Datum,tokyo,x", "TOKYO"));
  EXPECT_FALSE(ContainsUpper("WGS84", "TOKYO"));
  EXPECT_EQ(UpperAscii("データ優先a"), "データ優先A");
}

TEST(Utf8, CountsAndCutsCharacters) {
  const std::string kyoto = "京都trip";
  EXPECT_EQ(CharCount(kyoto), 6u);
  EXPECT_EQ(LeftChars(kyoto, 3), "京都t");
  EXPECT_EQ(RightChars("abc.mps", 3), "mps");
  EXPECT_EQ(RightChars("ab", 3), "ab");
  EXPECT_EQ(RightChars("地図.ｍｐｓ", 3), "ｍｐｓ");
  EXPECT_EQ(DropRightChars("a.txt", 3), "a.");
  EXPECT_EQ(DropRightChars("tx", 3), "");
  // A stray byte counts as one character and is never split.
  EXPECT_EQ(CharCount("a\xff"
                      "b"),
            3u);
  EXPECT_TRUE(IsValidUtf8("plain ASCII text, long enough to use the fast path"));
  EXPECT_TRUE(IsValidUtf8(kyoto));
  EXPECT_FALSE(IsValidUtf8("\x83\x76\x83\x8d"));  // CP932 for a katakana pair
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));          // overlong
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));      // surrogate
}

TEST(StringLineSource, SplitsLfAndCrLfAndKeepsALastLineWithoutEnd) {
  StringLineSource source("a\r\nb\n\nc\r");
  std::string line;
  std::vector<std::string> lines;
  while (!source.AtEnd() && source.ReadLine(line)) lines.push_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "", "c"}));
  EXPECT_FALSE(source.ReadLine(line));
  EXPECT_EQ(line, "");
}

}  // namespace
}  // namespace vc::text
