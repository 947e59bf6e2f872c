#include "formats/mps/statement_writer.hpp"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "formats/mps/statement_parser.hpp"
#include "support/mps_support.hpp"

namespace vc::mps {
namespace {

using vc::testing::FillTemplate;
using vc::testing::MakeMpsStatement;

MpsValues Values(std::initializer_list<std::string_view> first) {
  MpsValues values{};
  std::size_t k = 0;
  for (const std::string_view value : first) values[k++] = value;
  return values;
}

struct LayoutCase {
  const char* what;
  std::string_view kind;
  MpsValues values;
  std::string_view expected;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.what; }

class WriterLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(WriterLayout, WritesExactText) {
  const LayoutCase& c = GetParam();
  EXPECT_EQ(MakeMpsStatement(c.kind, c.values), c.expected) << c.what;
}

const LayoutCase kLayoutCases[] = {
    {"point, oid always written", "point", Values({"", "2510", "P", "S"}),
     "\t\tpoint\toid=\"\"\r\n\t\t\t\tgid=\"2510\"\r\n\t\t\t\tpos=\"P\"\r\n\t\t\t\tstr=\"S\";"},
    {"point with nothing", "point", {}, "\t\tpoint\toid=\"\";"},
    {"line with every attribute", "line", Values({"o", "g", "p", "s", "f", "u", "t", "i"}),
     "\t\tline\toid=\"o\"\r\n\t\t\t\tgid=\"g\"\r\n\t\t\t\tpos=\"p\"\r\n\t\t\t\tstr=\"s\"\r\n"
     "\t\t\t\tstrformat=\"f\"\r\n\t\t\t\turl=\"u\"\r\n\t\t\t\turltype=\"t\"\r\n\t\t\t\tinfo="
     "\"i\";"},
    {"blank value is written, quote unescaped", "point",
     Values({"", "", "", " ", "", "", "", "a\"b"}),
     "\t\tpoint\toid=\"\"\r\n\t\t\t\tstr=\" \"\r\n\t\t\t\tinfo=\"a\"b\";"},
    {"placeholder differs from name", "group",
     Values({"1", "", "", "", "", "", "", "", "", "7", "", "", "3"}),
     "\t\tgroup\tgid=\"1\"\r\n\t\t\t\tpointstyle=\"7\"\r\n\t\t\t\tlinewidth=\"3\";"},
    {"known link type kept as given", "message", Values({"m", "", " ax_hlink "}),
     "\t\tmessage\tstr=\"m\"\r\n\t\t\t\turltype=\" ax_hlink \";"},
    {"unknown link type dropped", "message", Values({"m", "u", "other"}),
     "\t\tmessage\tstr=\"m\"\r\n\t\t\t\turl=\"u\";"},
    {"addon is shallower", "addon", Values({"T", "A"}), "addon\ttitle=\"T\"\r\n\tauthor=\"A\";"},
    {"single attribute", "kanji", Values({"sjis"}), "\t\tkanji\tcode=\"sjis\";"},
    {"script start", "mapserver", Values({"1.0"}), "mapserver script ver=\"1.0\";"},
    {"savable no", "mapserver", Values({"1.0", " no "}),
     "mapserver script ver=\"1.0\" savable=\"no\";"},
    {"savable other than no", "mapserver", Values({" 1.0", "NO"}),
     "mapserver script ver=\" 1.0\" savable=\"yes\";"},
    {"script end", "mapserver", Values({" end "}), "mapserver end;"},
    {"disp default", "disp", {}, "\t\tdisp\tall ;"},
    {"disp unknown range", "disp", Values({"none"}), "\t\tdisp\tall ;"},
    {"disp pos, empty value", "disp", Values({"pos"}), "\t\tdisp\tpos=\"\";"},
    {"disp area with scale", "disp", Values({"area", "A", "5000"}),
     "\t\tdisp\tarea=\"A\"\r\n\t\t\t\tscale=\"5000\";"},
    {"comment gets slashes and semicolon", "comment", Values({"abc"}), "//abc;"},
    {"comment kept as given", "comment", Values({"x // y;"}), "x // y;"},
    {"empty comment", "comment", {}, "//;"},
    {"header", "hedder", Values({"1", "2", "3"}), "//Header:Prog:\"1\" Templ:\"2\" Date:\"3\";"},
    {"header empty", "hedder", {}, "//Header:Prog:\"\" Templ:\"\" Date:\"\";"},
    {"kind is case-sensitive", "Point", {}, "// Not Suport [Point]"},
    {"empty kind", "", {}, "// Not Suport []"},
};

INSTANTIATE_TEST_SUITE_P(Layouts, WriterLayout, ::testing::ValuesIn(kLayoutCases));

TEST(FillTemplate, FillsFirstOccurrenceOnly) {
  EXPECT_EQ(FillTemplate("gid=$GID$", "$GID$", "2510"), "gid=\"2510\"");
  EXPECT_EQ(FillTemplate("a=$X$ b=$X$", "$X$", ""), "a=\"\" b=$X$");
  EXPECT_EQ(FillTemplate("gid=$GID$", "$OID$", "1"), "gid=$GID$");
}

TEST(AppendMpsStatement, AppendsAfterExistingText) {
  std::string out = "before\r\n";
  AppendMpsStatement(out, "point", PointLineValues("", "2532", "p", "s", "i"));
  EXPECT_EQ(out, "before\r\n" +
                     MakeMpsStatement("point", Values({"", "2532", "p", "s", "", "", "", "i"})));
}

// Regression: placeholders were once filled in the statement built so far,
// so a value holding a later attribute's placeholder received that attribute's
// value and the attribute itself was left unfilled.
TEST(PlaceholderInValue, IsWrittenAsItStands) {
  EXPECT_EQ(MakeMpsStatement("point", PointLineValues("$GID$", "2510", "", "$INFO$", "i")),
            "\t\tpoint\toid=\"$GID$\"\r\n\t\t\t\tgid=\"2510\"\r\n\t\t\t\tstr=\"$INFO$\"\r\n"
            "\t\t\t\tinfo=\"i\";");
  EXPECT_EQ(MakeMpsStatement("hedder", Values({"$TEMPLVER$", "$DATE$", "d"})),
            "//Header:Prog:\"$TEMPLVER$\" Templ:\"$DATE$\" Date:\"d\";");
  EXPECT_EQ(MakeMpsStatement("mapserver", Values({"$SAVABLE$", "no"})),
            "mapserver script ver=\"$SAVABLE$\" savable=\"no\";");
  EXPECT_EQ(MakeMpsStatement("kanji", Values({"$KCODE$"})), "\t\tkanji\tcode=\"$KCODE$\";");
}

// Whatever the writer puts at a position, the parser reads back at the same
// position, for every kind with an attribute list.
TEST(WriterAndParser, AgreeOnPositions) {
  for (const MpsKindSpec& kind : MpsKinds()) {
    if (kind.attributes.empty() || kind.layout == MpsLayout::kHeader) continue;
    MpsValues values{};
    std::array<std::string, kMpsValueCount> texts;
    for (std::size_t k = 0; k < kind.attributes.size(); ++k) {
      texts[k] = "v" + std::to_string(k + 1);
      values[k] = texts[k];
    }
    if (kind.keyword == "message") values[2] = "ap_scrpt";
    if (kind.keyword == "mapserver") values[1] = "no";
    const MpsStatement read = ParseMpsStatement(MakeMpsStatement(kind.keyword, values));
    EXPECT_EQ(read.kind, kind.keyword);
    for (std::size_t k = 0; k < kind.attributes.size(); ++k) {
      EXPECT_EQ(read.values[k], values[k]) << kind.keyword << " position " << k + 1;
    }
  }
}

}  // namespace
}  // namespace vc::mps
