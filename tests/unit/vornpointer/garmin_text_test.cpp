#include "formats/vornpointer/garmin_text.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vc::vp {
namespace {

// The parts of a Garmin text sentence, column by column.
struct Sentence {
  std::string date = "020715";
  std::string time = "030405";
  std::string latSide = "N";
  std::string lat = "3512345";
  std::string lonSide = "E";
  std::string lon = "13945150";
  std::string status = "D";
  std::string error = "012";
  std::string altitude = "+00034";
  std::string ewSide = "E";
  std::string ewSpeed = "0030";
  std::string nsSide = "N";
  std::string nsSpeed = "0040";
  std::string upDown = "U";
  std::string vertical = "0012";

  [[nodiscard]] std::string Text() const {
    return "@" + date + time + latSide + lat + lonSide + lon + status + error + altitude + ewSide +
           ewSpeed + nsSide + nsSpeed + upDown + vertical;
  }
};

Sentence NoFix() {
  Sentence s;
  s.status = "_";
  return s;
}

void ExpectFields(const LogLine& line, const std::vector<std::string>& expected) {
  for (std::size_t n = 1; n <= expected.size(); ++n) {
    EXPECT_EQ(line.field[n], expected[n - 1]) << "field " << n;
  }
  EXPECT_EQ(line.field[expected.size() + 1], "");
}

TEST(ConvertGarminLine, ConvertsAFullSentence) {
  const std::string text = Sentence{}.Text();
  ASSERT_EQ(text.size(), 55u);
  LogFixState state;
  LogLine line;
  EXPECT_EQ(ConvertGarminLine(text, state, line), LogRecord::kFix);
  // Field 11 is atan(3/4) in degrees with pi taken as 3.1415926.
  ExpectFields(line, {"-", "0", "2002/07/15 03:04:05", "12", "N", "35.20575", "E", "139.7525", "34",
                      "5", "36.8698982747767", "0.12", "+", "3d", "-.-", "*", "---.-"});
  for (std::size_t n = kLogDateTime; n <= kLogHeading; ++n) {
    EXPECT_EQ(state.Field(n), line.field[n]) << "state of field " << n;
  }
  EXPECT_TRUE(state.positionSeen);
}

TEST(ConvertGarminLine, StandingStillHasNoCourse) {
  Sentence s;
  s.ewSpeed = "0000";
  s.nsSpeed = "0000";
  LogFixState state;
  LogLine line;
  ConvertGarminLine(s.Text(), state, line);
  EXPECT_EQ(line.field[kLogSpeed], "0");
  EXPECT_EQ(line.field[kLogCourse], "---");
}

TEST(ConvertGarminLine, CourseFromTheVelocityQuadrant) {
  struct Case {
    const char* quadrant;  // north-south letter, then east-west letter
    const char* nsSpeed;
    const char* ewSpeed;
    const char* course;
  };
  const std::vector<Case> cases = {
      {"NE", "0040", "0030", "36.8698982747767"},
      {"NE", "0000", "0030", "90"},
      {"NW", "0040", "0030", "323.130101725223"},
      {"NW", "0000", "0030", "270"},
      {"SE", "0040", "0030", "143.130103260458"},
      {"SE", "0000", "0030", "90"},
      {"SE", "0040", "0000", "180"},
      {"SW", "0040", "0030", "216.869898274777"},
      {"SW", "0000", "0030", "270"},
      {"XE", "0040", "0030", "0"},
      {"EN", "0040", "0030", "0"},
  };
  for (const Case& c : cases) {
    Sentence s;
    s.nsSide = std::string(1, c.quadrant[0]);
    s.ewSide = std::string(1, c.quadrant[1]);
    s.nsSpeed = c.nsSpeed;
    s.ewSpeed = c.ewSpeed;
    LogFixState state;
    LogLine line;
    ConvertGarminLine(s.Text(), state, line);
    EXPECT_EQ(line.field[kLogCourse], c.course) << c.quadrant << " " << c.nsSpeed << c.ewSpeed;
  }
}

TEST(ConvertGarminLine, FixTypeFromTheStatusLetter) {
  const std::vector<std::pair<std::string, std::string>> statuses = {
      {"d", "2d"}, {"D", "3d"}, {"g", "2D"}, {"G", "3D"}, {"S", "SM"}, {"x", "x"}};
  LogFixState state;
  LogLine line;
  for (const auto& [letter, fixType] : statuses) {
    Sentence s;
    s.status = letter;
    EXPECT_EQ(ConvertGarminLine(s.Text(), state, line), LogRecord::kFix);
    EXPECT_EQ(line.field[kLogFixType], fixType) << letter;
  }
}

TEST(ConvertGarminLine, LineWithoutUsableFixGivesPlaceholders) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {NoFix().Text(), "--"},
      {Sentence{}.Text().substr(0, 54), "3d"},  // one column short, whatever the status
  };
  for (const auto& [text, fixType] : cases) {
    LogFixState state;
    LogLine line;
    ConvertGarminLine(Sentence{}.Text(), state, line);
    // The placeholders replace the position of the line before.
    EXPECT_EQ(ConvertGarminLine(text, state, line), LogRecord::kNoPosition);
    ExpectFields(line,
                 {"-", "0", "2002/07/15 03:04:05", "---", "-", "000.000000", "-", "000.000000",
                  "-----", "---.-", "---", "--.--", "*", fixType, "-.-", "*", "---.-"});
    EXPECT_EQ(state.Field(kLogLat), "000.000000");
    EXPECT_FALSE(state.positionSeen);
  }
}

TEST(ConvertGarminLine, EmptyLineChangesNothing) {
  LogFixState state;
  LogLine line;
  ConvertGarminLine(Sentence{}.Text(), state, line);
  const LogFixState before = state;
  EXPECT_EQ(ConvertGarminLine("", state, line), LogRecord::kNoPosition);
  for (const std::string& field : line.field) EXPECT_EQ(field, "");
  for (std::size_t k = LogFixState::kFirst; k <= LogFixState::kLast; ++k) {
    EXPECT_EQ(state.Field(k), before.Field(k)) << k;
  }
}

TEST(ConvertGarminLine, SurvivesCutLinesAndGarbage) {
  const std::string full = Sentence{}.Text() + "trailing text";
  LogFixState state;
  LogLine line;
  for (std::size_t length = 0; length <= full.size(); ++length) {
    const LogRecord record = ConvertGarminLine(full.substr(0, length), state, line);
    EXPECT_EQ(record, length >= 55 ? LogRecord::kFix : LogRecord::kNoPosition) << length;
  }
  // A multi-byte character is one column and never split.
  std::string wide;
  for (int i = 0; i < 60; ++i) wide += "\xE6\x97\xA5";
  ConvertGarminLine(wide, state, line);
  EXPECT_EQ(line.field[kLogFixType], "\xE6\x97\xA5");
  ConvertGarminLine(std::string(10'000'000, ','), state, line);
  ConvertGarminLine(std::string("\0\xff\x80,\t\xc3", 6), state, line);
}

TEST(ReadVrmLine, ReadsLinesThenEof) {
  text::StringLineSource source(Sentence{}.Text() + "\r\n" + NoFix().Text() + "\r\n");
  LogFixState state;
  LogLine line;
  EXPECT_EQ(ReadVrmLine(source, state, line), LogRecord::kFix);
  EXPECT_EQ(line.field[kLogLat], "35.20575");
  EXPECT_EQ(ReadVrmLine(source, state, line), LogRecord::kNoPosition);
  EXPECT_EQ(ReadVrmLine(source, state, line), LogRecord::kEnd);
  EXPECT_EQ(line.field[0], "EOF");
  EXPECT_EQ(line.field[kLogLat], "");
}

}  // namespace
}  // namespace vc::vp
