#include "formats/mps/statement_reader.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "text/line_source.hpp"

namespace vc::mps {
namespace {

// Every statement text until the lines run out.
std::vector<std::string> StatementTexts(std::string_view file) {
  text::StringLineSource source(file);
  std::vector<std::string> texts;
  while (!source.AtEnd()) texts.push_back(ReadStatementText(source));
  return texts;
}

struct TextCase {
  const char* what;
  std::string_view file;
  std::vector<std::string> expected;
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.what; }

class StatementText : public testing::TestWithParam<TextCase> {};

TEST_P(StatementText, FollowsTheLineRules) {
  const TextCase& c = GetParam();
  EXPECT_EQ(StatementTexts(c.file), c.expected) << c.what;
}

const TextCase kTextCases[] = {
    {"lines of a statement joined by CR LF, raw",
     "\t\tpoint\toid=\"\"\n\t\t\t\tgid=\"1\"\n\t\t\t\tpos=\"P\"\n\t\t\t\tstr=\"S\";\n",
     {"\t\tpoint\toid=\"\"\r\n\t\t\t\tgid=\"1\"\r\n\t\t\t\tpos=\"P\"\r\n\t\t\t\tstr=\"S\";"}},
    {"space-only lines skipped, TAB line kept", "  \n\t\nline;\n", {"\t\r\nline;"}},
    {"a broken list is joined directly, the closing line with a break",
     "line pos=\"1,2,\n\t 3,4,\n\t5,6\";\n",
     {"line pos=\"1,2,3,4,\r\n\t5,6\";"}},
    {"a closing line ending with a comma is joined directly",
     "line pos=\"1,\n 2\";,\n",
     {"line pos=\"1,2\";,"}},
    {"the closing line's own comma decides, not the text before it",
     "line pos=\"1,\n 2\";\n",
     {"line pos=\"1,\r\n 2\";"}},
    {"the closing line's comma joins even after text without one",
     "line a=\"x\"\n b;,\n",
     {"line a=\"x\"b;,"}},
    {"trailing spaces do not hide a comma",
     "line pos=\"1,  \n 2\"\n;\n",
     {"line pos=\"1,  2\"\r\n;"}},
    {"trailing TABs do", "line pos=\"1,\t\n 2\"\n;\n", {"line pos=\"1,\t\r\n 2\"\r\n;"}},
    {"comment keeps its blanks and drops what was gathered",
     "point oid=\"1\"\n  //note\npoint;\n",
     {"  //note", "point;"}},
    {"semicolon inside a value ends the statement",
     "point str=\"a;b\"\nrest;\n",
     {"point str=\"a;b\"", "rest;"}},
    {"two statements on one line stay one text", "a;b;\n", {"a;b;"}},
    {"unfinished statement at the end",
     "point oid=\"1\"\n gid=\"2\"",
     {"point oid=\"1\"\r\n gid=\"2\""}},
    {"only space lines", "   \n \n", {""}},
    // The end of the gathered text is tracked line by line: TAB lines joined
    // after a comma add nothing and keep the comma open, spaces or not.
    // Regression: a TAB line's empty rest is no view into the text, and
    // joining it once computed a place from a null pointer.
    {"TAB lines after a comma and trailing spaces keep the list open",
     "line pos=\"1,   \n\t\n\t\t\n 2,\t\n\t\n3\"\n;\n",
     {"line pos=\"1,   2,3\"\r\n;"}},
    {"a TAB line before any comma is a line of its own",
     "line a=\"x\"\n\t\n\t\n b,\n c\n;\n",
     {"line a=\"x\"\r\n\t\r\n\t\r\n b,c\r\n;"}},
};

// The reader appends each line to the statement and cuts it back where a
// line is skipped or joined: one buffer reused for every statement, after a
// long one first, must hold no rest of what it held before.
TEST_P(StatementText, ReusedBufferHoldsOnlyTheStatement) {
  const TextCase& c = GetParam();
  text::StringLineSource source(std::string(200, 'x') + ";\n" + std::string(c.file));
  std::string gathered;
  ReadStatementText(source, gathered);
  std::vector<std::string> texts;
  while (!source.AtEnd()) {
    ReadStatementText(source, gathered);
    texts.push_back(gathered);
  }
  EXPECT_EQ(texts, c.expected) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Examples, StatementText, testing::ValuesIn(kTextCases));

TEST(ReadMpsStatement, ReadsAScriptToItsEnd) {
  text::StringLineSource source(
      "mapserver script ver=\"1.0\";\r\n"
      "//Header:Prog:\"1\" Templ:\"2\" Date:\"3\";\r\n"
      "\t\tgroup\tgid=\"2510\"\r\n\t\t\t\tgname=\"wpt\";\r\n"
      "\r\n"
      "\t\tpoint\toid=\"\"\r\n\t\t\t\tgid=\"2510\"\r\n\t\t\t\tpos=\"35/1/2,139/3/4\"\r\n"
      "\t\t\t\tstr=\"[WP]A\"\r\n\t\t\t\tinfo=\"a,b,c\";\r\n"
      "\tdisp\tall;\r\n"
      "mapserver end;\r\n");
  std::vector<std::string> kinds;
  MpsStatement point;
  for (int guard = 0; guard < 20; ++guard) {
    MpsStatement s = ReadMpsStatement(source);
    kinds.push_back(s.kind);
    if (s.kind == "point") point = s;
    if (s.kind == "EOF") break;
  }
  EXPECT_EQ(kinds, (std::vector<std::string>{"mapserver", "comment", "group", "point", "disp",
                                             "mapserver", "EOF"}));
  EXPECT_EQ(point.Element(FindAttributeSlot(point, "str")), "[WP]A");
  EXPECT_EQ(point.Element(FindAttributeSlot(point, "pos")), "35/1/2,139/3/4");
  EXPECT_EQ(point.Element(FindAttributeSlot(point, "info")), "a,b,c");
}

TEST(ReadMpsStatement, EndOfFile) {
  text::StringLineSource empty("");
  EXPECT_EQ(ReadMpsStatement(empty).kind, "EOF");

  text::StringLineSource spaces("  \n \n");
  MpsStatement s = ReadMpsStatement(spaces);
  EXPECT_EQ(s.kind, "");
  EXPECT_EQ(s.values[0], "");
  EXPECT_EQ(ReadMpsStatement(spaces).kind, "EOF");

  text::StringLineSource unfinished("point oid=\"1\"\n gid=\"2\"");
  s = ReadMpsStatement(unfinished);
  EXPECT_EQ(s.kind, "point");
  EXPECT_EQ(s.values[1], "2");
  EXPECT_EQ(ReadMpsStatement(unfinished).kind, "EOF");
}

// Arbitrary bytes and a long line without any semicolon end in one text and
// then "EOF"; nothing waits for a semicolon that never comes.
TEST(ReadMpsStatement, EndsOnTextWithoutStatements) {
  std::string noise(200000, 'x');
  for (std::size_t i = 0; i < noise.size(); i += 7) noise[i] = static_cast<char>(i % 256);
  for (std::size_t i = 0; i < noise.size(); ++i) {
    if (noise[i] == ';' || noise[i] == '\n') noise[i] = 'y';
  }
  noise += "\n\"\"\"\n,,,\n\x01\xff\n";
  text::StringLineSource source(noise);
  int statements = 0;
  while (ReadMpsStatement(source).kind != "EOF" && statements < 10) ++statements;
  EXPECT_EQ(statements, 1);
}

// Regression: a statement left open after a comma and trailing blanks,
// followed by many lines of TABs alone, made the reader look at the whole
// run of blanks again for every line: a megabyte took seconds, 12 MB over
// an hour. Now a line costs its own length.
TEST(ReadStatementText, OpenStatementWithTrailingBlanksIsReadInLinearTime) {
  std::string file =
      "\t\tline\toid=\"\"\r\n\t\t\t\tpos=\"35/1/2,139/3/4," + std::string(100000, ' ') + "\r\n";
  while (file.size() < (std::size_t{1} << 20)) file += "\t\r\n";
  text::StringLineSource source(file);
  const auto start = std::chrono::steady_clock::now();
  const std::string text = ReadStatementText(source);
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(source.AtEnd());
  EXPECT_TRUE(text.ends_with(std::string(100000, ' ')));
  // Milliseconds when linear (even sanitized); many seconds before.
  EXPECT_LT(elapsed, std::chrono::seconds(2));
}

}  // namespace
}  // namespace vc::mps
