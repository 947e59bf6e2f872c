#include "formats/vornpointer/log_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vc::vp {
namespace {

// Fields 1 to the last non-empty one.
std::vector<std::string> Fields(const LogLine& line) {
  std::size_t last = kLogFieldCount;
  while (last > 0 && line.field[last].empty()) --last;
  return {line.field.begin() + 1, line.field.begin() + static_cast<std::ptrdiff_t>(last) + 1};
}

TEST(SplitLogLine, CutsAtTabsAndCommasAndTrimsSpaces) {
  std::string fortyFields;
  for (int i = 1; i <= 40; ++i) fortyFields += std::to_string(i) + ",";
  std::vector<std::string> first32;
  for (int i = 1; i <= 32; ++i) first32.push_back(std::to_string(i));
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"x,  y  ,z", {"x", "y", "z"}},
      {"x\ty\tz", {"x", "y", "z"}},
      {"x\t y ,z", {"x", "y", "z"}},
      {"x,,z", {"x", "", "z"}},
      {"WGS84,9, 2002/07/15 03:04:05 ", {"WGS84", "9", "2002/07/15 03:04:05"}},
      {fortyFields, first32},
  };
  LogLine line;
  // One LogLine for all: a shorter line must not keep fields of a longer one.
  for (const auto& [text, fields] : cases) {
    SplitLogLine(text, line);
    EXPECT_EQ(Fields(line), fields) << text;
    EXPECT_EQ(line.field[0], "");
  }
}

TEST(ReadVrpLine, ReadsEveryLineThenEof) {
  text::StringLineSource source(
      "WGS84,9,2002/07/15 03:04:05,5,N,35.5,E,139.75\r\n\r\n , \t ,\n"
      "x\n-,0,2002/07/15 03:04:07,,N,35.6\n");
  LogLine line;
  EXPECT_EQ(ReadVrpLine(source, line), LogRecord::kFix);
  EXPECT_EQ(line.field[kLogDatum], "WGS84");
  EXPECT_EQ(line.field[kLogDateTime], "2002/07/15 03:04:05");
  // Blank lines are no fix and leave no field behind.
  EXPECT_EQ(ReadVrpLine(source, line), LogRecord::kNoPosition);
  EXPECT_EQ(Fields(line), std::vector<std::string>{});
  EXPECT_EQ(ReadVrpLine(source, line), LogRecord::kNoPosition);
  // Nor is a line without latitude and longitude.
  EXPECT_EQ(ReadVrpLine(source, line), LogRecord::kNoPosition);
  EXPECT_EQ(ReadVrpLine(source, line), LogRecord::kFix);
  EXPECT_EQ(line.field[kLogDatum], "-");
  EXPECT_EQ(ReadVrpLine(source, line), LogRecord::kEnd);
  EXPECT_TRUE(line.AtEnd());
  EXPECT_EQ(Fields(line), std::vector<std::string>{});
}

TEST(MakeLogLineFromState, PutsConstantsFirstAndTrimsTheState) {
  LogFixState state;
  state.Text(kLogDateTime) = " 12:35:19";  // a time without a date
  state.Text(kLogHeading) = "87.5";
  LogLine line;
  MakeLogLineFromState(state, line);
  EXPECT_EQ(Fields(line), (std::vector<std::string>{"-", "0", "12:35:19", "", "", "", "", "", "",
                                                    "", "", "", "", "", "", "", "87.5"}));
}

TEST(MakeLogLineFromState, AValueHoldingASeparatorSplitsAsTheLineWould) {
  LogFixState state;
  state.Text(kLogDateTime) = "2002/07/15 03:04:05";
  state.Text(kLogCourse) = "1,5";
  state.Text(kLogHeading) = "87.5";
  LogLine line;
  MakeLogLineFromState(state, line);
  EXPECT_EQ(Fields(line),
            (std::vector<std::string>{"-", "0", "2002/07/15 03:04:05", "", "", "", "", "", "", "",
                                      "1", "5", "", "", "", "", "", "87.5"}));
}

// A record that refers to the state reads exactly as the copied one, number
// fields included, and a separator in a text still makes it a copied line.
TEST(MakeLogLineFromState, ADirectRecordReadsAsTheCopiedOne) {
  for (const char* course : {"12.5", "1\t5"}) {
    SCOPED_TRACE(course);
    LogFixState state;
    state.Text(kLogDateTime) = " 2002/07/15 03:04:05 ";
    state.SetGeneral(kLogLat, -35.68123333333333);
    state.SetGeneral(kLogPosError, -0.0);
    state.SetGeneral(kLogHeading, 87.5);
    state.Text(kLogCourse) = course;
    LogLine copied;
    MakeLogLineFromState(state, copied);
    LogLine direct;
    direct.direct = true;
    MakeLogLineFromState(state, direct);
    EXPECT_EQ(direct.fromState != nullptr, std::string_view(course) == "12.5");
    for (std::size_t k = 1; k <= kLogFieldCount; ++k) {
      EXPECT_EQ(direct.Field(k), copied.Field(k)) << k;
    }
    EXPECT_EQ(copied.Field(kLogLat), "-35.6812333333333");
    EXPECT_EQ(copied.Field(kLogPosError), "0");
    if (direct.fromState != nullptr) {
      EXPECT_EQ(*direct.Number(kLogHeading), 87.5);
    }
    EXPECT_EQ(direct.Number(kLogCourse), nullptr);
  }
}

TEST(LogFixState, ATextReplacesANumber) {
  LogFixState state;
  state.SetGeneral(kLogCourse, 1.0 / 3);
  EXPECT_EQ(state.Field(kLogCourse), "0.333333333333333");
  state.Text(kLogCourse) = "---";
  EXPECT_EQ(state.Number(kLogCourse), nullptr);
  EXPECT_EQ(state.Field(kLogCourse), "---");
  state.SetGeneral(kLogCourse, 2);
  state.Reset();
  EXPECT_EQ(state.Field(kLogCourse), "");
}

// What was found about separators is kept while the texts stay: each change
// of a text, a text turned number and back, and a reset must be seen.
TEST(LogFixState, SeparatorsFollowEveryChangeOfTheTexts) {
  LogFixState state;
  state.SetText(kLogLatHemisphere, "N");
  EXPECT_FALSE(state.TextsHoldSeparator());
  state.SetText(kLogLatHemisphere, "N");
  EXPECT_FALSE(state.TextsHoldSeparator());
  state.SetText(kLogLatHemisphere, "N,x");
  EXPECT_TRUE(state.TextsHoldSeparator());
  state.SetRounded(kLogLatHemisphere, 1);  // a number holds none
  EXPECT_FALSE(state.TextsHoldSeparator());
  state.SetText(kLogLatHemisphere, "N,x");  // the old text, a text again
  EXPECT_TRUE(state.TextsHoldSeparator());
  EXPECT_EQ(state.Field(kLogLatHemisphere), "N,x");
  state.Text(kLogFixType).assign("3\tD");
  state.SetText(kLogLatHemisphere, "S");
  EXPECT_TRUE(state.TextsHoldSeparator());
  state.Text(kLogFixType).clear();
  EXPECT_FALSE(state.TextsHoldSeparator());
  state.SetText(kLogFixType, "a,b");
  state.Reset();
  EXPECT_FALSE(state.TextsHoldSeparator());
}

}  // namespace
}  // namespace vc::vp
