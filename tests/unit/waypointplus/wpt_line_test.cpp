#include "formats/waypointplus/wpt_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/wpt_support.hpp"
#include "text/line_source.hpp"

namespace vc::wpt {
namespace {

using vc::testing::MakeWptLine;

// Expected result of one ReadWptLine call: the kind and fields 1 to 7.
struct Expected {
  std::string kind;
  std::vector<std::string> fields;
};

std::vector<WptLine> ReadAll(std::string_view file) {
  text::StringLineSource source(file);
  WptLineReader reader(source);
  std::vector<WptLine> lines;
  // Bounded: a reader that never answers "EOF" fails instead of hanging.
  for (int i = 0; i < 1000; ++i) {
    lines.push_back(reader.ReadWptLine());
    if (lines.back().kind == "EOF") break;
  }
  return lines;
}

void ExpectLines(std::string_view file, const std::vector<Expected>& expected) {
  const std::vector<WptLine> lines = ReadAll(file);
  ASSERT_EQ(lines.size(), expected.size() + 1) << file;
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(lines[i].kind, expected[i].kind) << "line " << i << " of " << file;
    for (std::size_t n = 1; n <= kWptMaxFields; ++n) {
      const std::string want = n <= expected[i].fields.size() ? expected[i].fields[n - 1] : "";
      EXPECT_EQ(lines[i].fields[n], want) << "line " << i << " field " << n << " of " << file;
    }
  }
  EXPECT_EQ(lines.back().kind, "EOF");
}

TEST(WptRead, ReadsEachKind) {
  ExpectLines("Datum,WGS84,WGS84,0,0,0,0,0\r\n", {{"Datum", {"WGS84,WGS84,0,0,0,0,0"}}});
  ExpectLines("WP,D,SUMMIT,35.5,139.75,01/31/2002,21:05:09,top\r\n",
              {{"WP", {"D", "SUMMIT", "35.5", "139.75", "01/31/2002", "21:05:09", "top"}}});
  ExpectLines("RN,1,HOME", {{"RN", {"1", "HOME"}}});
  ExpectLines("RP,D,GATE, 35.5, 139.75,01/31/2002,21:05:09,\r\n",
              {{"RP", {"D", "GATE", "35.5", "139.75", "01/31/2002", "21:05:09", ""}}});
  ExpectLines("TP,D, 35.5, 139.75,01/31/2002,21:05:09,1\r\n",
              {{"TP", {"D", "35.5", "139.75", "01/31/2002", "21:05:09", "1"}}});
}

TEST(WptRead, FieldSyntax) {
  // Quotes keep commas and blanks; unquoted fields lose surrounding blanks.
  ExpectLines("WP,D,\"A,B\",1,2,d,t,c", {{"WP", {"D", "A,B", "1", "2", "d", "t", "c"}}});
  ExpectLines("WP,D, \" A \" ,1,2,d,t,c", {{"WP", {"D", " A ", "1", "2", "d", "t", "c"}}});
  ExpectLines("  TP  ,D,1,2,d,t,1 \t", {{"TP", {"D", "1", "2", "d", "t", "1"}}});
  ExpectLines("\tRN\t,1,HOME", {{"RN", {"1", "HOME"}}});
  // The text between a closing quote and the next comma is dropped.
  ExpectLines("RN,\"1\"x,HOME", {{"RN", {"1", "HOME"}}});
  // A quote inside an unquoted field is an ordinary character.
  ExpectLines("RN,a\"b,HOME", {{"RN", {"a\"b", "HOME"}}});
  // Empty fields between commas keep their places.
  ExpectLines("WP,,,,,,,", {{"WP", {}}});
}

TEST(WptRead, DatumTakesRestOfLineAsIs) {
  ExpectLines("Datum,Tokyo mean,Bessel 1841, 739.845 ,\"x\"\nWP,D,N,1,2,d,t,c",
              {{"Datum", {"Tokyo mean,Bessel 1841, 739.845 ,\"x\""}},
               {"WP", {"D", "N", "1", "2", "d", "t", "c"}}});
  // A bare kind has no description; the next line stays a line of its own.
  ExpectLines("Datum\nRN,1,HOME", {{"Datum", {}}, {"RN", {"1", "HOME"}}});
}

TEST(WptRead, LineEndSeparatesLikeComma) {
  // A short line borrows its missing fields from the next one.
  ExpectLines("RN,1\nHOME\nRN,2,X", {{"RN", {"1", "HOME"}}, {"RN", {"2", "X"}}});
  // A long line's surplus fields come back as unknown kinds, one per call.
  ExpectLines(
      "RN,1,HOME,extra\nRN,2,X",
      {{"RN", {"1", "HOME"}}, {"", {"command [extra] is not suppoted"}}, {"RN", {"2", "X"}}});
  // A line ending in a comma has an empty last field, not the next line's kind.
  ExpectLines("RN,1,\nRN,2,X", {{"RN", {"1", ""}}, {"RN", {"2", "X"}}});
}

TEST(WptRead, UnknownKinds) {
  ExpectLines("XX,1,2\r\n", {{"", {"command [XX] is not suppoted"}},
                             {"", {"command [1] is not suppoted"}},
                             {"", {"command [2] is not suppoted"}}});
  // Kinds are compared with letter case significant.
  ExpectLines("wp", {{"", {"command [wp] is not suppoted"}}});
  // A quoted kind is trimmed as well; all blanks leave the empty kind.
  ExpectLines("\" RN \",1,HOME\n\" \"",
              {{"RN", {"1", "HOME"}}, {"", {"command [] is not suppoted"}}});
  // An empty kind field is unknown too; the field after it is read as a kind
  // again, here a route line cut short by the end of the file.
  ExpectLines(",RN", {{"", {"command [] is not suppoted"}}, {"RN", {}}});
}

TEST(WptRead, BlankLinesGiveNoFields) {
  ExpectLines("\r\n  \r\n\t\nRN,1\n\n \nHOME\n\n", {{"RN", {"1", "HOME"}}});
  ExpectLines("", {});
  ExpectLines("\n \r\n\t", {});
}

TEST(WptRead, EndOfFileInsideLineLeavesFieldsEmpty) {
  ExpectLines("WP,D,N", {{"WP", {"D", "N"}}});
  ExpectLines("TP,D,1,2\n\n", {{"TP", {"D", "1", "2"}}});
  ExpectLines("RN,1,", {{"RN", {"1", ""}}});
}

TEST(WptRead, UnclosedQuoteEndsWithItsLine) {
  ExpectLines("RN,\"1,HOME\nRN,2,X", {{"RN", {"1,HOME", "RN"}},
                                      {"", {"command [2] is not suppoted"}},
                                      {"", {"command [X] is not suppoted"}}});
  ExpectLines("\"", {{"", {"command [] is not suppoted"}}});
}

TEST(WptRead, EofRepeatsAndReusedLineIsCleared) {
  text::StringLineSource source("WP,D,N,1,2,d,t,c\nRN,1,HOME\n");
  WptLineReader reader(source);
  WptLine line;
  reader.ReadWptLine(line);
  reader.ReadWptLine(line);
  EXPECT_EQ(line.fields[3], "");
  EXPECT_TRUE(reader.AtEnd());
  for (int i = 0; i < 2; ++i) {
    reader.ReadWptLine(line);
    EXPECT_EQ(line.kind, "EOF");
    EXPECT_EQ(line.fields[1], "");
  }
}

TEST(WptRead, HostileInputEndsInEof) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 37) % 256);
  const std::string hugeLine = "TP,D," + std::string(1 << 20, 'x') + "\n" + std::string(500, ',');
  for (const std::string& file : {binary, hugeLine, std::string(1000, '"')}) {
    const std::vector<WptLine> lines = ReadAll(file);
    EXPECT_EQ(lines.back().kind, "EOF");
  }
}

TEST(WptMake, LayoutsOfEachKind) {
  struct Case {
    std::string line;
    std::string expected;
  };
  const Case cases[] = {
      {MakeWptLine("Datum", "WGS84,WGS84,0,0,0,0,0"), "Datum,WGS84,WGS84,0,0,0,0,0"},
      {MakeWptLine("WP", "D", "SUMMIT", "35.5", "139.75", "01/31/2002", "21:05:09", "top"),
       "WP,D,SUMMIT, 35.5, 139.75,01/31/2002,21:05:09,top"},
      {MakeWptLine("RP", "D", " GATE ", "35.5", "139.75", "01/31/2002", "21:05:09", ""),
       "RP,D, GATE , 35.5, 139.75,01/31/2002,21:05:09,"},
      {MakeWptLine("TP", "D", "35.5", "139.75", "01/31/2002", "21:05:09", "0"),
       "TP,D, 35.5, 139.75,01/31/2002,21:05:09,0"},
      {MakeWptLine(" RN  ", "1", "HOME"), "RN,1,HOME"},
      // Fields beyond the kind's layout are ignored.
      {MakeWptLine("RN", "1", "HOME", "x", "y", "z", "u", "v"), "RN,1,HOME"},
      {MakeWptLine(" XX ", "1"), "command [XX] is not suppoted"},
      {MakeWptLine("wp", "D"), "command [wp] is not suppoted"},
  };
  for (const Case& c : cases) EXPECT_EQ(c.line, c.expected);
}

TEST(WptMake, AppendsAfterCallersText) {
  std::string text = "RN,1,HOME";
  text += "\r\n";
  AppendWptLine(text, "RP", "D", "A", "1", "2", "d", "t", "c");
  EXPECT_EQ(text, "RN,1,HOME\r\nRP,D,A, 1, 2,d,t,c");
}

// The track writer's shortcut must give the line of the general layout.
TEST(WptMake, TrackPointLineIsTheGeneralTpLine) {
  struct Case {
    std::string_view form, lat, lon, date, time;
    bool first;
  };
  const Case cases[] = {
      {"D", "35.5", "139.75", "01/31/2002", "21:05:09", true},
      {"MPS", "-35/30/00.0", "-139/45/00.0", "", "00:00:00", false},
      {"", "", "", "", "", false},
  };
  for (const Case& c : cases) {
    std::string expected = "before\r\n";
    AppendWptLine(expected, "TP", c.form, c.lat, c.lon, c.date, c.time, c.first ? "1" : "0");
    std::string line = "before\r\n";
    AppendTrackPointLine(line, c.form, c.lat, c.lon, c.date, c.time, c.first);
    EXPECT_EQ(line, expected);
  }
}

}  // namespace
}  // namespace vc::wpt
