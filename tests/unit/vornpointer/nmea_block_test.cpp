#include "formats/vornpointer/nmea_block.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/vornpointer/nmea_sentence.hpp"
#include "text/numbers.hpp"

namespace vc::vp {
namespace {

const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A";
const std::string kGga = "$GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*53";

struct Parsed {
  LogRecord record;
  LogLine line;
};

Parsed Parse(const std::string& block, LogFixState& state) {
  Parsed p{};
  p.record = ParseNmeaBlock(block, state, p.line);
  return p;
}

// The degrees a coordinate text reads as; its exact digits belong to the
// coordinate conversion.
double Degrees(const std::string& text) { return text::LeadingValue(text); }

// The split reads eight bytes at a time; it must cut exactly where a
// character-by-character reading does, separators at every position of a
// word included.
TEST(SplitSentence, CutsAtEveryCommaAndStarLikeACharacterReading) {
  std::uint64_t state = 5;
  auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  const char alphabet[] = {',', '*', 'A', '1', '.', '$', '\x80', '\xff', '\x01', '+'};
  for (int n = 0; n < 20000; ++n) {
    std::string sentence;
    const std::uint64_t length = next(40);
    for (std::uint64_t k = 0; k < length; ++k) sentence += alphabet[next(sizeof alphabet)];
    const std::size_t count = 1 + next(14);
    std::vector<std::string_view> expected(count);
    std::size_t number = 0;
    std::size_t start = 0;
    bool full = false;
    for (std::size_t i = 0; i < sentence.size() && !full; ++i) {
      if (sentence[i] != ',' && sentence[i] != '*') continue;
      expected[number] = std::string_view(sentence).substr(start, i - start);
      start = i + 1;
      full = ++number == count;
    }
    if (!full) expected[number] = std::string_view(sentence).substr(start);
    std::vector<std::string_view> fields(count, "stale");
    SplitSentence(sentence, fields);
    ASSERT_EQ(fields, expected) << sentence;
  }
}

TEST(ExtractSentence, RunsToTheNextDollarOrTheEnd) {
  const std::string block = "$GPGGA,1,2*00$GPRMC,a,b*11$GPRMC,c*22$PGRMZ,3";
  EXPECT_EQ(ExtractSentence(block, "$GPRMC"), "$GPRMC,a,b*11");
  EXPECT_EQ(ExtractSentence(block, "$PGRMZ"), "$PGRMZ,3");
  EXPECT_EQ(ExtractSentence(block, "$GPGLL"), "");
  EXPECT_EQ(ExtractSentence(block, "$gprmc"), "");
}

TEST(ParseRmc, ReadsTheReferenceSentenceAndEmptyOnes) {
  RmcResult r;
  ParseRmc(kRmc, r);
  EXPECT_EQ(r.date, "230394");
  EXPECT_EQ(r.time, "123519");
  EXPECT_EQ(r.position.latHemisphere, "N");
  EXPECT_EQ(r.position.lon, "01131.000");
  EXPECT_EQ(text::General(*r.speed), "11.5235555555556");
  EXPECT_EQ(r.course, "084.4");
  EXPECT_EQ(r.variation, 3.1);
  EXPECT_EQ(r.variationSign, -1);
  ParseRmc("", r);
  EXPECT_EQ(std::string(r.date) + std::string(r.time) + std::string(r.position.lat), "");
  EXPECT_FALSE(r.speed || r.variation || r.variationSign);
  ParseRmc("$GPRMC,1,A,,,,,,,,,X*00", r);
  EXPECT_EQ(r.variationSign, 0);
}

// The log texts of time and date fields, and the seconds that stand for
// them: only where the text is a canonical date and time.
TEST(NmeaDateTime, TextsAndSecondsOfTimeAndDateFields) {
  struct Case {
    std::string_view date;
    std::string_view time;
    std::string_view text;  // date text, a blank, time text
    bool typed;
  };
  const std::vector<Case> cases = {
      {"230394", "123519", "2094/03/23 12:35:19", true},
      {"010100", "000000", "2000/01/01 00:00:00", true},  // midnight
      {"311299", "235959", "2099/12/31 23:59:59", true},
      {"230394", "093156.500", "2094/03/23 09:31:56", true},  // fractions dropped
      {"230394", "093156xyz", "2094/03/23 09:31:56", true},   // what follows is not read
      {"230394", "0931", "2094/03/23 09:31:", false},         // cut short
      {"230394", "", "2094/03/23 ", false},
      {"", "123519", " 12:35:19", false},  // no date
      {"2303", "123519", "20/03/23 12:35:19", false},
      {"300201", "123519", "2001/02/30 12:35:19", false},  // no such day
      {"290200", "123519", "2000/02/29 12:35:19", true},   // a leap day
      {"230394", "246000", "2094/03/23 24:60:00", false},
      {"230394", "12 519", "2094/03/23 12: 5:19", false},  // bad digit
      {"23O394", "123519", "2094/O3/23 12:35:19", false},
      {"230394", "1235\xc3\xa9", "2094/03/23 12:35:\xc3\xa9", false},
  };
  for (const Case& c : cases) {
    std::string made;
    AppendLogDate(made, c.date);
    made.push_back(' ');
    AppendLogTime(made, c.time);
    EXPECT_EQ(made, c.text) << c.date << " " << c.time;
    const std::optional<text::LocalSeconds> seconds = NmeaDateTime(c.date, c.time);
    EXPECT_EQ(seconds.has_value(), c.typed) << c.text;
    if (seconds) {
      EXPECT_EQ(seconds, text::ParseCanonicalDateTime(c.text)) << c.text;
    }
  }
}

// The memo keeps the start of the last date's day: a date that comes again,
// one that changes, one that is no date (the memo must not keep the day
// before it) and times that are no time must all give what the direct
// reading gives.
TEST(NmeaDayMemo, GivesWhatTheDirectReadingGives) {
  const std::vector<std::pair<std::string_view, std::string_view>> fixes = {
      {"230394", "123519"},     {"230394", "123520"}, {"240394", "000000"}, {"300201", "123519"},
      {"300201", "000001"},     {"240394", "235959"}, {"", "123519"},       {"240394", "246000"},
      {"2403", "123519"},       {"240394", "12 519"}, {"240394", "235960"}, {"23O394", "123519"},
      {"240394", "093156.500"}, {"290200", "120000"}, {"290201", "120000"}, {"240394", "0931"}};
  NmeaDayMemo memo;
  for (int round = 0; round < 2; ++round) {
    for (const auto& [date, time] : fixes) {
      EXPECT_EQ(memo.DateTime(date, time), NmeaDateTime(date, time)) << date << " " << time;
    }
  }
}

TEST(ParseGga, FixQualityHeightAndTime) {
  const std::vector<std::pair<std::string, FixQuality>> cases = {{"1", FixQuality::kNormal},
                                                                 {"2", FixQuality::kDifferential},
                                                                 {"0", FixQuality::kNone},
                                                                 {"8", FixQuality::kNone},
                                                                 {"", FixQuality::kNone}};
  for (const auto& [quality, expected] : cases) {
    GgaResult r;
    const std::string sentence =
        "$GPGGA,200004,5504.4343,N,01025.5386,E," + quality + ",03,2.5,-9.1,M,43.9,M,,*62";
    ParseGga(sentence, r);
    EXPECT_EQ(r.quality, expected) << quality;
    EXPECT_EQ(GgaHeight(r), -9.1);  // above sea level; the geoid separation is not added
    EXPECT_EQ(r.time, "200004");
  }
  GllResult gll;
  ParseGll("$GPGLL,4527.458,S,16709.165,E,225309,A*3E", gll);
  EXPECT_EQ(gll.time, "225309");
  EXPECT_EQ(gll.position.lat, "4527.458");
}

// The short sentences are read by a walk to their one field, not split:
// on any text the field must be the one the split cuts.
TEST(ParseGarminSentences, TheirFieldIsTheOneTheSplitCuts) {
  std::uint64_t state = 17;
  auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  const char alphabet[] = {',', '*', '2', '3', '.', 'M', '$', ' '};
  for (int n = 0; n < 20000; ++n) {
    std::string sentence = n % 2 == 0 ? "$PGRME" : "";
    const std::uint64_t length = next(20);
    for (std::uint64_t k = 0; k < length; ++k) sentence += alphabet[next(sizeof alphabet)];
    std::array<std::string_view, 3> f;
    SplitSentence(sentence, f);
    std::string_view positionError = "stale";
    ParseErrorEstimate(sentence, positionError);
    EXPECT_EQ(positionError, f[1]) << sentence;
    EXPECT_TRUE(positionError.data() == f[1].data() || f[1].empty()) << sentence;
    std::string_view heading = "stale";
    ParseHchdg(sentence, heading);
    EXPECT_EQ(heading, f[1]) << sentence;
    std::string_view fixMode = "stale";
    ParseGsa(sentence, fixMode);
    EXPECT_EQ(fixMode, f[2] == "2" ? "2D" : f[2] == "3" ? "3D" : "") << sentence;
    std::optional<double> altitude = -1;
    ParseAltitude(sentence, altitude);
    EXPECT_EQ(altitude.has_value(), !f[1].empty()) << sentence;
    if (altitude) {
      EXPECT_EQ(*altitude, text::LeadingValue(f[1]) * 0.3048) << sentence;
    }
  }
}

TEST(ParseGarminSentences, SingleValues) {
  std::optional<double> altitude;
  ParseAltitude("$PGRMZ,1000,f,3*27", altitude);
  EXPECT_EQ(text::General(*altitude), "304.8");
  ParseAltitude("$PGRMZ,,f,1*29", altitude);
  EXPECT_FALSE(altitude);
  std::string_view value;
  ParseErrorEstimate("$PGRME,09.10,M,15.0,M,12.0,M*21", value);
  EXPECT_EQ(value, "09.10");
  ParseHchdg("$HCHDG,101.1,,,7.1,W*3C", value);
  EXPECT_EQ(value, "101.1");
  for (const auto& [mode, text] : std::vector<std::pair<std::string, std::string>>{
           {"1", ""}, {"2", "2D"}, {"3", "3D"}, {"", ""}}) {
    ParseGsa("$GPGSA,A," + mode + ",01,,,,13*3A", value);
    EXPECT_EQ(value, text) << mode;
  }
}

TEST(NmeaDegrees, DegreesAndDecimalMinutes) {
  EXPECT_NEAR(NmeaDegrees("3238.9148"), 32 + 38.9148 / 60, 1e-12);
  EXPECT_EQ(NmeaDegrees(""), 0);
}

TEST(ParseNmeaBlock, ReferenceRmcBlock) {
  LogFixState state;
  const Parsed p = Parse(kRmc, state);
  EXPECT_EQ(p.record, LogRecord::kFix);
  const LogLine& l = p.line;
  EXPECT_EQ(l.field[kLogDatum], "-");
  EXPECT_EQ(l.field[kLogUtcOffset], "0");
  EXPECT_EQ(l.field[kLogDateTime], "2094/03/23 12:35:19");
  EXPECT_EQ(l.field[kLogLatHemisphere], "N");
  EXPECT_NEAR(Degrees(l.field[kLogLat]), 48.1173, 1e-12);
  EXPECT_EQ(l.field[kLogLonHemisphere], "E");
  EXPECT_NEAR(Degrees(l.field[kLogLon]), 11.5166666666667, 1e-12);
  EXPECT_EQ(l.field[kLogSpeed], "11.5235555555556");
  EXPECT_EQ(l.field[kLogVariation], "3.1");
  EXPECT_EQ(l.field[kLogVariationSign], "-1");
  EXPECT_EQ(l.field[kLogCourse], "87.5");  // 84.4 + 3.1 for a westerly variation
  EXPECT_EQ(l.field[18], "");

  // A course of 0 stays 0 whatever the variation.
  const Parsed still =
      Parse("$GPRMC,123519,A,4807.038,N,01131.000,E,000.0,000.0,230394,003.1,W*6A", state);
  EXPECT_EQ(still.line.field[kLogCourse], "0");
}

// A record that refers to the state gives its time as seconds only where
// field 3 is a canonical date and time; otherwise the text stands as the
// fields made it, which the track then reads or refuses.
TEST(ParseNmeaBlock, TimesAsSecondsOnlyWhereTheirTextIsCanonical) {
  struct Case {
    std::string time;
    std::string date;
    std::string text;
    bool typed;
  };
  const std::vector<Case> cases = {
      {"123519", "230394", "2094/03/23 12:35:19", true},
      {"000000", "010100", "2000/01/01 00:00:00", true},  // midnight
      {"235959.99", "311299", "2099/12/31 23:59:59", true},
      {"0931", "230394", "2094/03/23 09:31:", false},
      {"123519", "", "12:35:19", false},  // a time of day, dated by the track
      {"1235x9", "230394", "2094/03/23 12:35:x9", false},
      {"123519", "310294", "2094/02/31 12:35:19", false},
  };
  for (const Case& c : cases) {
    for (const bool direct : {false, true}) {
      LogFixState state;
      LogLine line;
      line.direct = direct;
      const std::string block =
          "$GPRMC," + c.time + ",A,4807.038,S,01131.000,W,1,2," + c.date + ",3.1,E*00";
      EXPECT_EQ(ParseNmeaBlock(block, state, line), LogRecord::kFix) << block;
      EXPECT_EQ(line.Field(kLogDateTime), c.text) << block;
      EXPECT_EQ(line.DateTime().has_value(), c.typed && direct) << block;
      if (line.DateTime()) {
        EXPECT_EQ(line.DateTime(), text::ParseCanonicalDateTime(c.text)) << block;
      }
    }
  }
}

TEST(ParseNmeaBlock, HeadingUsesTheLastVariation) {
  LogFixState state;
  Parse("$GPRMC,123520,A,4807.038,N,01131.000,E,0,0,230394,2.5,E*00", state);
  const Parsed p = Parse(kGga + "$HCHDG,1.0", state);
  EXPECT_EQ(p.line.field[kLogHeading], "-1.5");  // not brought into 0 to 360
}

TEST(ParseNmeaBlock, FixModeFromGsaAndGga) {
  struct Case {
    const char* quality;
    const char* mode;
    const char* fixType;
  };
  const std::vector<Case> cases = {
      {"2", "3", "3d"},  {"1", "3", "3D"},  {"2", "2", "2d"},  {"1", "2", "2D"},
      {"0", "3", "old"}, {"1", "1", "old"}, {"8", "3", "old"},
  };
  for (const Case& c : cases) {
    LogFixState state;
    state.Text(kLogFixType) = "old";
    const Parsed p = Parse(std::string("$GPGGA,123519,4807.038,N,01131.000,E,") + c.quality +
                               ",05,2.1,14.7,M,1.1,M,,*53$GPGSA,A," + c.mode + ",01,02*3A",
                           state);
    EXPECT_EQ(p.line.field[kLogFixType], c.fixType) << c.quality << "/" << c.mode;
  }
}

TEST(ParseNmeaBlock, GgaAloneGivesTimeWithoutDateAndAltitude) {
  LogFixState state;
  const Parsed p = Parse(kGga, state);
  EXPECT_EQ(p.record, LogRecord::kFix);
  EXPECT_EQ(p.line.field[kLogDateTime], "22:53:08");
  EXPECT_EQ(p.line.field[kLogLatHemisphere], "S");
  EXPECT_EQ(p.line.field[kLogAltitude], "14.7");
  // $PGRMZ comes first wherever it stands; without either the last stays.
  EXPECT_EQ(Parse("$PGRMZ,-30,f,2*04" + kGga, state).line.field[kLogAltitude], "-9.144");
  EXPECT_EQ(Parse("$GPRMC,225309,A", state).line.field[kLogAltitude], "-9.144");
  // The position error is kept as a number.
  EXPECT_EQ(Parse(kGga + "$PGRME,09.10,M*21", state).line.field[kLogPosError], "9.1");
}

TEST(ParseNmeaBlock, PositionComesWholeFromTheFirstSentenceWithOne) {
  LogFixState state;
  const Parsed p = Parse(
      "$GPRMC,120000,V,,,,,,,010203,,*00" + kGga + "$GPGLL,4807.038,N,01131.000,W,120000,A*3E",
      state);
  EXPECT_EQ(p.line.field[kLogLatHemisphere], "S");
  EXPECT_EQ(p.line.field[kLogLonHemisphere], "E");
  EXPECT_NEAR(Degrees(p.line.field[kLogLon]), 167 + 9.165 / 60, 1e-12);
  EXPECT_EQ(p.line.field[kLogDateTime], "2003/02/01 12:00:00");
}

TEST(ParseNmeaBlock, OnlyTheFirstOfTwoRmcCounts) {
  LogFixState state;
  const Parsed p = Parse(kRmc + "$GPRMC,235959,A,0100.000,S,00100.000,W,1,1,010101,,*00", state);
  EXPECT_EQ(p.line.field[kLogDateTime], "2094/03/23 12:35:19");
  EXPECT_EQ(p.line.field[kLogLatHemisphere], "N");
}

TEST(ParseNmeaBlock, BlockWithoutTimeIsReportedNotStamped) {
  LogFixState state;
  Parse(kRmc, state);
  state.Text(kLogFixType) = "3D";
  const Parsed p = Parse("$GPRMC,,V,,,,,,,260810,1.0,E,N*34$PGRME,7.6,M*00", state);
  EXPECT_EQ(p.record, LogRecord::kNoTime);
  EXPECT_EQ(p.line.field[kLogDateTime], "2010/08/26");  // no clock time added
  EXPECT_EQ(p.line.field[kLogFixType], "--");
  // The values it carries are taken, the position kept.
  EXPECT_EQ(p.line.field[kLogPosError], "7.6");
  EXPECT_EQ(p.line.field[kLogVariationSign], "1");
  EXPECT_EQ(p.line.field[kLogLatHemisphere], "N");
  // The next fix has a time, so it is not marked "--".
  EXPECT_EQ(Parse(kRmc, state).line.field[kLogFixType], "3D");
}

TEST(ParseNmeaBlock, NoFixUntilAPositionHasBeenSeen) {
  LogFixState state;
  EXPECT_EQ(Parse("$GPGGA,120000,,,,,0,00*66", state).record, LogRecord::kNoPosition);
  EXPECT_EQ(Parse("$GPGSV,3,1,11*70", state).record, LogRecord::kNoPosition);
  EXPECT_EQ(Parse(kRmc, state).record, LogRecord::kFix);
  // Later blocks without a position repeat the last one.
  const Parsed p = Parse("$GPGGA,123520,,,,,0,00*66", state);
  EXPECT_EQ(p.record, LogRecord::kFix);
  EXPECT_NEAR(Degrees(p.line.field[kLogLat]), 48.1173, 1e-12);
  EXPECT_EQ(Parse("$GPGSV,3,1,11*70", state).record, LogRecord::kNoTime);
}

TEST(ParseNmeaBlock, EmptyBlockChangesNothing) {
  LogFixState state;
  Parse(kRmc, state);
  const LogFixState before = state;
  const Parsed p = Parse("", state);
  EXPECT_EQ(p.record, LogRecord::kNoPosition);
  for (const std::string& field : p.line.field) EXPECT_EQ(field, "");
  for (std::size_t k = LogFixState::kFirst; k <= LogFixState::kLast; ++k) {
    EXPECT_EQ(state.Field(k), before.Field(k)) << k;
  }
}

TEST(ParseNmeaBlock, GarbageNeverFails) {
  const std::string block =
      kRmc + kGga + "$GPGSA,A,3,01*3A$PGRME,9.1,M*21$PGRMZ,48,f,3*27$HCHDG,1*3C";
  LogFixState state;
  for (std::size_t length = 0; length <= block.size(); ++length) {
    Parse(block.substr(0, length), state);
    Parse(block.substr(length), state);
  }
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary.push_back(static_cast<char>((i * 7919) & 0xff));
  Parse(binary, state);
  Parse(std::string(10'000'000, '9'), state);
  Parse("$GPRMC" + std::string(10'000'000, ','), state);
}

// A block whose lines all start with "$" is read where its lines lie; one
// with any other line is joined first. A first line "x" makes the joined
// way read the same sentences (text before the first "$" belongs to none),
// so both ways must give the same records for blocks of one fix, of several
// (a position sentence again with another time), with two sentences in a
// line and with sentences cut short.
TEST(ReadVrnBlock, LinesReadInPlaceGiveTheRecordsOfTheJoinedBlock) {
  const std::vector<std::string> pool = {
      "$GPRMC,000001,A,3540.8720,N,13946.0260,E,001.1,002.9,150702,007.2,W*62",
      "$GPRMC,000002,A,3540.8729,S,13946.0261,W,002.2,002.0,150702,007.2,E*6B",
      "$GPGGA,000001,3540.8720,N,13946.0260,E,1,07,1.1,30.0,M,36.7,M,,*76",
      "$GPGGA,000003,3540.8738,N,13946.0261,E,2,07,1.1,30.1,M,36.7,M,,*7C",
      "$GPGSA,A,3,02,05,07,13,17,20,28,,,,,,1.9,1.1,1.5*32",
      "$GPGSA,A,2,02*32",
      "$PGRME,4.0,M,9.8,M,11.4,M*1F",
      "$PGRMZ,98,f,3*2A",
      "$HCHDG,101.1,,,7.1,W*3C",
      "$GPGLL,4527.458,S,16709.165,E,225309,A*3E",
      "$PGRME,6.9,M*14$PGRMZ,99,f,3*2B",
      "$GPRMC,0000",
      "$GPGGA",
      "$XXXXX,1,2",
  };
  std::uint64_t seed = 3;
  auto next = [&seed](std::uint64_t bound) {
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    return (seed >> 33) % bound;
  };
  std::string inPlace;
  std::string joined;
  for (int block = 0; block < 3000; ++block) {
    const std::uint64_t lines = 1 + next(6);
    joined += "x\r\n";
    for (std::uint64_t k = 0; k < lines; ++k) {
      const std::string& line = pool[next(pool.size())];
      inPlace += line + "\r\n";
      joined += line + "\r\n";
    }
    inPlace += "\r\n";
    joined += "\r\n";
  }
  text::StringLineSource first(inPlace);
  text::StringLineSource second(joined);
  LogFixState firstState;
  LogFixState secondState;
  LogLine firstLine;
  LogLine secondLine;
  firstLine.direct = secondLine.direct = true;
  for (int record = 0;; ++record) {
    const LogRecord a = ReadVrnBlock(first, firstState, firstLine);
    const LogRecord b = ReadVrnBlock(second, secondState, secondLine);
    ASSERT_EQ(a, b) << record;
    if (a == LogRecord::kEnd) break;
    EXPECT_TRUE(firstLine.work.HeldText()) << record;
    for (std::size_t field = 1; field <= kLogFieldCount; ++field) {
      ASSERT_EQ(firstLine.Field(field), secondLine.Field(field)) << record << " " << field;
    }
  }
}

TEST(ReadVrnBlock, BlocksEndAtEmptyLines) {
  text::StringLineSource source(kRmc + "\r\n$PGRMZ,1000,f,3*27\r\n\r\n\r\n" + kGga);
  LogFixState state;
  LogLine line;
  EXPECT_EQ(ReadVrnBlock(source, state, line), LogRecord::kFix);
  EXPECT_EQ(line.field[kLogAltitude], "304.8");  // both lines form one block
  // The second empty line is an empty block.
  EXPECT_EQ(ReadVrnBlock(source, state, line), LogRecord::kNoPosition);
  EXPECT_EQ(line.field[0] + line.field[kLogDateTime], "");
  // The end of the file ends the last block.
  EXPECT_EQ(ReadVrnBlock(source, state, line), LogRecord::kFix);
  EXPECT_EQ(line.field[kLogDateTime], "22:53:08");
  EXPECT_EQ(ReadVrnBlock(source, state, line), LogRecord::kEnd);
  EXPECT_EQ(line.field[0], "EOF");
  EXPECT_EQ(line.field[kLogAltitude], "");

  text::StringLineSource empty("");
  EXPECT_EQ(ReadVrnBlock(empty, state, line), LogRecord::kEnd);
}

}  // namespace
}  // namespace vc::vp
