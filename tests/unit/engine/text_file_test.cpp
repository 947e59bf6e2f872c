#include "engine/text_file.hpp"

#include <gtest/gtest.h>

#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

using engine::Encoding;
using engine::InputTextFile;
using engine::OutputTextFile;

std::vector<std::string> ReadAll(const std::string& path, Encoding* encoding = nullptr) {
  InputTextFile file;
  EXPECT_TRUE(file.Open(path));
  if (encoding != nullptr) *encoding = file.encoding();
  std::vector<std::string> lines;
  std::string line;
  while (!file.AtEnd() && file.ReadLine(line)) lines.push_back(line);
  return lines;
}

TEST(InputTextFile, DecidesTheEncodingOncePerFile) {
  TempDir dir;
  const struct {
    std::string bytes;
    Encoding encoding;
    std::vector<std::string> lines;
  } cases[] = {
      {"WP,D,a\r\nTP,1\n", Encoding::kUtf8, {"WP,D,a", "TP,1"}},
      {"\xEF\xBB\xBF"
       "京都\r\nx",
       Encoding::kUtf8,
       {"京都", "x"}},
      // CP932 for "京都" on the second line: the whole file is CP932.
      {"plain\r\n\x8B\x9E\x93\x73\r\n", Encoding::kCp932, {"plain", "京都"}},
      {"", Encoding::kUtf8, {}},
      {"\n\n", Encoding::kUtf8, {"", ""}},
      {"last\r", Encoding::kUtf8, {"last"}},
      // Bytes that are neither: replaced, never lost in a crash.
      {"a\xFF\xFF"
       "b\n",
       Encoding::kCp932,
       {"a\xEF\xBF\xBD\xEF\xBF\xBD"
        "b"}},
  };
  for (const auto& c : cases) {
    Encoding encoding{};
    EXPECT_EQ(ReadAll(dir.Write("in.txt", c.bytes), &encoding), c.lines) << c.bytes;
    EXPECT_EQ(encoding, c.encoding) << c.bytes;
  }
}

// UTF-16 of `text` (BMP characters only) with its byte-order mark.
std::string Utf16(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (const char16_t unit : text) {
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

// Regression: UTF-16 files (Windows Notepad's "Unicode") read as CP932 gave
// no record at all.
TEST(InputTextFile, ReadsUtf16WithAByteOrderMark) {
  TempDir dir;
  const struct {
    const char* name;
    std::string bytes;
    Encoding encoding;
    std::vector<std::string> lines;
  } cases[] = {
      {"little-endian",
       Utf16(u"WP,D,京都\r\nTP,1\n", false),
       Encoding::kUtf16Le,
       {"WP,D,京都", "TP,1"}},
      {"big-endian",
       Utf16(u"WP,D,京都\r\nTP,1\n", true),
       Encoding::kUtf16Be,
       {"WP,D,京都", "TP,1"}},
      // U+0A0A holds two LF bytes; only the code unit 000A ends a line.
      {"LF bytes inside a character",
       Utf16(u"\u0A0Aa\n", false),
       Encoding::kUtf16Le,
       {"\xE0\xA8\x8A"
        "a"}},
      {"a surrogate pair", Utf16(u"x\xD83D\xDE00y", true), Encoding::kUtf16Be, {"x😀y"}},
      {"a lone surrogate, an odd last byte",
       Utf16(u"\xDE00x\xD83D", false) + "!",
       Encoding::kUtf16Le,
       {"\xEF\xBF\xBDx\xEF\xBF\xBD\xEF\xBF\xBD"}},
      {"the mark alone", Utf16(u"", false), Encoding::kUtf16Le, {}},
  };
  for (const auto& c : cases) {
    Encoding encoding{};
    EXPECT_EQ(ReadAll(dir.Write("in.txt", c.bytes), &encoding), c.lines) << c.name;
    EXPECT_EQ(encoding, c.encoding) << c.name;
  }
}

TEST(InputTextFile, ASurrogatePairAcrossReadChunks) {
  TempDir dir;
  // With the mark, the pair's first unit ends the first chunk of 256 KiB.
  std::u16string text(131070, u'a');
  text += u"\xD83D\xDE00\n京";
  const auto lines = ReadAll(dir.Write("in.txt", Utf16(text, false)));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::string(131070, 'a') + "😀");
  EXPECT_EQ(lines[1], "京");
}

TEST(InputTextFile, AUtf8SequenceAcrossReadChunksStaysUtf8) {
  TempDir dir;
  std::string text(262143, 'a');  // the multi-byte character straddles the first chunk
  text += "京\n";
  Encoding encoding{};
  const auto lines = ReadAll(dir.Write("in.txt", text), &encoding);
  EXPECT_EQ(encoding, Encoding::kUtf8);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].size(), text.size() - 1);
}

// Lines read as views into the read buffer must be the lines ReadLine gives,
// in every encoding, with CR LF, LF, a lone CR, empty lines, a last line
// without its end, and lines that cross the end of the 256 KiB buffer (read
// the copying way); the bytes counted must be the same too. So must the
// blocks of lines between empty lines.
TEST(InputTextFile, LineViewsAreTheLinesReadLineGives) {
  TempDir dir;
  std::string many;
  for (int n = 0; n < 40000; ++n) {
    many += n % 7 == 0 ? "" : "$GPGGA,000000,3540.8720,N";
    many += std::string(static_cast<std::size_t>(n % 5), 'x');
    many += n % 3 == 0 ? "\r\n" : (n % 11 == 0 ? "\r" : "\n");
  }
  many += "last line without its end";
  const std::string files[] = {many,
                               "WP,D,a\r\nTP,1\n",
                               "",
                               "\n\n",
                               "last\r",
                               "a\rb\r\n",
                               "plain\r\n\x8B\x9E\x93\x73\r\n",
                               Utf16(u"one\r\ntwo\nthree", false),
                               Utf16(u"one\r\ntwo\n", true)};
  for (const std::string& bytes : files) {
    const std::string path = dir.Write("in.txt", bytes);
    InputTextFile viewed;
    ASSERT_TRUE(viewed.Open(path));
    std::vector<std::string> lines;
    std::string storage;
    std::string_view line;
    while (viewed.ReadLineView(line, storage)) lines.emplace_back(line);
    EXPECT_EQ(lines, ReadAll(path)) << bytes.substr(0, 40);
    InputTextFile copied;
    ASSERT_TRUE(copied.Open(path));
    std::string copy;
    while (copied.ReadLine(copy)) {
    }
    EXPECT_EQ(viewed.BytesRead(), copied.BytesRead()) << bytes.substr(0, 40);
    EXPECT_FALSE(viewed.Failed());

    // Blocks are the lines between empty lines, read in place or copied.
    std::vector<std::vector<std::string>> expected(1);
    for (const std::string& text : ReadAll(path)) {
      if (text.empty()) {
        expected.emplace_back();
      } else {
        expected.back().push_back(text);
      }
    }
    if (expected.back().empty()) expected.pop_back();
    InputTextFile blocks;
    ASSERT_TRUE(blocks.Open(path));
    std::vector<std::vector<std::string>> got;
    std::vector<std::string_view> block;
    while (blocks.ReadBlock(block, storage)) got.emplace_back(block.begin(), block.end());
    EXPECT_EQ(got, expected) << bytes.substr(0, 40);
    EXPECT_EQ(blocks.BytesRead(), copied.BytesRead()) << bytes.substr(0, 40);
  }
}

// The file is looked at 64 bytes at a time for bytes of the top half: one
// at any place, in the blocks or in the bytes after them, must be seen.
TEST(InputTextFile, OneByteOfTheTopHalfAnywhereIsNotPlainAscii) {
  TempDir dir;
  const std::string plain(150, 'a');
  InputTextFile file;
  ASSERT_TRUE(file.Open(dir.Write("in.txt", plain)));
  EXPECT_TRUE(file.PlainAscii());
  for (std::size_t at = 0; at < plain.size(); ++at) {
    std::string bytes = plain;
    bytes[at] = '\xE9';  // CP932 would read it as a half-width katakana
    InputTextFile other;
    ASSERT_TRUE(other.Open(dir.Write("in.txt", bytes)));
    EXPECT_FALSE(other.PlainAscii()) << at;
  }
}

TEST(InputTextFile, RefusesFoldersAndMissingFiles) {
  TempDir dir;
  InputTextFile file;
  EXPECT_FALSE(file.Open(dir.path().string()));
  EXPECT_FALSE(file.Open(dir.Path("none.txt")));
}

TEST(OutputTextFile, WritesCrLfInTheChosenEncoding) {
  TempDir dir;
  OutputTextFile out;
  ASSERT_TRUE(out.Open(dir.Path("out.txt"), OutputTextFile::Mode::kReplace, Encoding::kCp932));
  out.WriteLine("京都");
  out.WriteLine("😀x");  // not in CP932
  ASSERT_TRUE(out.Commit());
  EXPECT_EQ(dir.Read("out.txt"), "\x8B\x9E\x93\x73\r\n?x\r\n");
}

TEST(OutputTextFile, CountsTheCharactersWrittenAsQuestionMarks) {
  TempDir dir;
  const struct {
    Encoding encoding;
    const char* text;
    std::int64_t replaced;
    const char* written;
  } cases[] = {
      {Encoding::kCp932, "a?b", 0, "a?b\r\n"},
      {Encoding::kCp932, "😀?京😀", 2, "??\x8B\x9E?\r\n"},
      {Encoding::kUtf8, "😀", 0, "😀\r\n"},
      // What is read as UTF-16 is written as UTF-8.
      {Encoding::kUtf16Be, "😀", 0, "😀\r\n"},
  };
  for (const auto& c : cases) {
    OutputTextFile out;
    ASSERT_TRUE(out.Open(dir.Path("out.txt"), OutputTextFile::Mode::kReplace, c.encoding));
    out.WriteLine(c.text);
    EXPECT_EQ(out.ReplacedCharacters(), c.replaced) << c.text;
    ASSERT_TRUE(out.Commit());
    EXPECT_EQ(dir.Read("out.txt"), c.written) << c.text;
  }
}

TEST(OutputTextFile, NothingChangesUntilCommit) {
  TempDir dir;
  const auto path = dir.Write("out.txt", "old\r\n");
  {
    OutputTextFile out;
    ASSERT_TRUE(out.Open(path, OutputTextFile::Mode::kReplace, Encoding::kUtf8));
    out.WriteLine("new");
    EXPECT_EQ(dir.Read("out.txt"), "old\r\n");
    out.Abort();
  }
  EXPECT_EQ(dir.Read("out.txt"), "old\r\n");
  {
    OutputTextFile out;
    ASSERT_TRUE(out.Open(path, OutputTextFile::Mode::kAppend, Encoding::kUtf8));
    out.WriteLine(std::string(3 << 20, 'x'));  // large enough to reach the file before Abort
  }                                            // destroyed without Commit: cut back
  EXPECT_EQ(dir.Read("out.txt"), "old\r\n");
  {
    OutputTextFile out;
    ASSERT_TRUE(out.Open(dir.Path("fresh.txt"), OutputTextFile::Mode::kAppend, Encoding::kUtf8));
    out.WriteLine("x");
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("fresh.txt")));
}

}  // namespace
}  // namespace vc::testing
