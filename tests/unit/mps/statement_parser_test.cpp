#include "formats/mps/statement_parser.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace vc::mps {
namespace {

struct AttributeCase {
  const char* what;
  std::string_view text;
  std::string_view name;
  std::string_view expected;
};

void PrintTo(const AttributeCase& c, std::ostream* os) { *os << c.what; }

class AttributeValue : public testing::TestWithParam<AttributeCase> {};

TEST_P(AttributeValue, IsTheNextQuotedTextAfterAStandaloneName) {
  const AttributeCase& c = GetParam();
  EXPECT_EQ(GetAttributeValue(c.text, c.name), c.expected) << c.what;
}

const AttributeCase kAttributeCases[] = {
    {"plain", "point oid=\"1\" gid=\"2510\";", "gid", "2510"},
    {"unquoted value takes the next quoted one", "point oid=\"1\" gid=2510 str=\"abc\";", "gid",
     "abc"},
    {"name inside a longer name is passed over", "point urltype=\"x\" url=\"y\";", "url", "y"},
    {"name standing as a quoted value is found there", "point str=\"gid\" gid=\"2510\";", "gid",
     " gid="},
    {"value over two lines", "point pos=\"1,2,\r\n3,4\";", "pos", "1,2,\r\n3,4"},
    {"missing closing quote", "point oid=\"1;", "oid", ""},
    {"name at the very end has no boundary after it", "point oid=\"1\" gid", "gid", ""},
    {"name at the very start has no boundary before it", "gid=\"1\"", "gid", ""},
    {"search name with its equals sign", "mapserver script ver=\"1.0\";", "ver=", "1.0"},
    {"empty name ends the search", "point", "", ""},
};

INSTANTIATE_TEST_SUITE_P(Examples, AttributeValue, testing::ValuesIn(kAttributeCases));

TEST(GetWordAfter, SkipsAndEndsAtDelimiters) {
  EXPECT_EQ(GetWordAfter("\tdisp\tall;", "disp"), "all");
  EXPECT_EQ(GetWordAfter("disp pos=\"P\";", "disp"), "pos");
  EXPECT_EQ(GetWordAfter("disp \"=;last", "disp"), "last");
  EXPECT_EQ(GetWordAfter("point;", "disp"), "");
}

TEST(ParseMpsStatement, ReadsAttributeListByPosition) {
  const MpsStatement s = ParseMpsStatement("\t\tpoint\toid=\"\"\r\n\t\t\t\tgid=\"2510\";");
  EXPECT_EQ(s.kind, "point");
  EXPECT_EQ(s.values[1], "2510");
  for (std::size_t k = 0; k < kMpsValueCount; ++k) {
    if (k != 1) {
      EXPECT_EQ(s.values[k], "") << k + 1;
    }
  }
}

TEST(ParseMpsStatement, KindWordRunsAcrossLineBreaksAndKeepsPunctuation) {
  EXPECT_EQ(ParseMpsStatement("\r\n\t po\r\nint oid=\"1\";").kind, "point");
  EXPECT_EQ(ParseMpsStatement("point;").kind, "point;");
  EXPECT_EQ(ParseMpsStatement(" \t\r\n").kind, "");
  EXPECT_EQ(ParseMpsStatement("").kind, "");
}

TEST(ParseMpsStatement, UnknownKindHasNoValues) {
  const MpsStatement s = ParseMpsStatement("POINT oid=\"1\";");
  EXPECT_EQ(s.kind, "POINT");
  EXPECT_EQ(s.values[0], "");
  EXPECT_EQ(FindAttributeSlot(s, "oid"), -1);
  EXPECT_EQ(ParseMpsStatement("hedder Prog=\"1\";").values[0], "");
}

TEST(ParseMpsStatement, ReadsComments) {
  const std::string header = "  //Header:Prog:\"\" Templ:\"\" Date:\"\";";
  MpsStatement s = ParseMpsStatement(header);
  EXPECT_EQ(s.kind, "comment");
  EXPECT_EQ(s.values[0], header);
  s = ParseMpsStatement("comment oid=\"1\";");
  EXPECT_EQ(s.kind, "comment");
  EXPECT_EQ(s.values[0], "comment oid=\"1\";");
}

TEST(ParseMpsStatement, ReadsScriptStartAndEnd) {
  MpsStatement s = ParseMpsStatement("mapserver script ver=\"1.0\" savable=\"no\";");
  EXPECT_EQ(s.kind, "mapserver");
  EXPECT_EQ(s.values[0], "1.0");
  EXPECT_EQ(s.values[1], "no");
  EXPECT_EQ(ParseMpsStatement("mapserver end;").values[0], "end");
  s = ParseMpsStatement("mapserver script ver=\" \" savable=\"no\";");
  EXPECT_EQ(s.values[0], "end");
  EXPECT_EQ(s.values[1], "");
}

TEST(ParseMpsStatement, ReadsDisplayRange) {
  struct Case {
    std::string_view text, range, value, scale;
  };
  const Case cases[] = {
      {"\tdisp\tall;", "all", "", ""},
      {"\t\tdisp\tlast ;", "last", "", ""},
      {"\t\tdisp\tpos=\"P\"\r\n\t\t\t\tscale=\"5000\";", "pos", "P", "5000"},
      {"disp none;", "all", "", ""},
      {"disp ;", "all", "", ""},
  };
  for (const Case& c : cases) {
    const MpsStatement s = ParseMpsStatement(c.text);
    EXPECT_EQ(s.kind, "disp");
    EXPECT_EQ(s.values[0], c.range) << c.text;
    EXPECT_EQ(s.values[1], c.value) << c.text;
    EXPECT_EQ(s.values[2], c.scale) << c.text;
  }
}

TEST(FindAttributeSlot, AnswersByKind) {
  const MpsStatement point = ParseMpsStatement("point; oid=\"1\"");
  MpsStatement named;
  named.kind = "point";
  EXPECT_EQ(FindAttributeSlot(named, "oid"), 1);
  EXPECT_EQ(FindAttributeSlot(named, "pos"), 3);
  EXPECT_EQ(FindAttributeSlot(named, "info"), 8);
  EXPECT_EQ(FindAttributeSlot(named, "width"), 0);
  EXPECT_EQ(FindAttributeSlot(point, "oid"), -1);  // "point;" is not a keyword
  named.kind = "message";
  EXPECT_EQ(FindAttributeSlot(named, "url"), 2);
  EXPECT_EQ(FindAttributeSlot(named, "url="), 0);
  named.kind = "mapserver";
  EXPECT_EQ(FindAttributeSlot(named, "ver"), 1);
  EXPECT_EQ(FindAttributeSlot(named, "ver="), 0);
  for (const char* kind : {"disp", "comment", "EOF", "", "hedder"}) {
    named.kind = kind;
    EXPECT_EQ(FindAttributeSlot(named, "str"), -1) << kind;
  }
}

TEST(MpsStatement, ElementZeroIsTheKind) {
  MpsStatement s;
  s.kind = "point";
  s.values[15] = "last";
  EXPECT_EQ(s.Element(0), "point");
  EXPECT_EQ(s.Element(16), "last");
  EXPECT_EQ(s.Element(17), "");
  EXPECT_EQ(s.Element(-1), "");
}

}  // namespace
}  // namespace vc::mps
