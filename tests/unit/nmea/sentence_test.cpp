#include "formats/nmea/sentence.hpp"

#include <gtest/gtest.h>

namespace vc::nmea {
namespace {

TEST(NmeaSentence, ChecksAsSerialCapturesDamageThem) {
  const struct {
    const char* line;
    SentenceState state;
  } cases[] = {
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6D",
       SentenceState::kValid},
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6d\r",
       SentenceState::kValid},
      {"$PGRMZ,48,f,3*27 ", SentenceState::kValid},
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6C",
       SentenceState::kBadChecksum},
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6DX",
       SentenceState::kBadChecksum},
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*G1",
       SentenceState::kBadChecksum},
      {"$GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*7", SentenceState::kCut},
      {"$GPBOD,,T,,M,,*", SentenceState::kCut},
      {"$GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,",
       SentenceState::kWithoutChecksum},
      {"4.4343,N,01025.5386,E,200002,A,D*48", SentenceState::kNotSentence},
      {"# Name: Garmin 48", SentenceState::kNotSentence},
      {"", SentenceState::kNotSentence},
      {"$", SentenceState::kNotSentence},
      {"$G\x01\xff,1*00", SentenceState::kNotSentence},
      {"$gprmc,1*00", SentenceState::kNotSentence},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckSentence(c.line), c.state) << c.line;
}

TEST(NmeaSentence, KindsDoNotDependOnTheTalker) {
  const struct {
    const char* sentence;
    SentenceKind kind;
  } cases[] = {
      {"$GPRMC,1", SentenceKind::kRmc},    {"$GNRMC,1", SentenceKind::kRmc},
      {"$GLGGA,1", SentenceKind::kGga},    {"$GAGLL,1", SentenceKind::kGll},
      {"$BDVTG,1", SentenceKind::kVtg},    {"$GBZDA,1", SentenceKind::kZda},
      {"$QZRMC*00", SentenceKind::kRmc},   {"$HCHDG,101.1", SentenceKind::kHdg},
      {"$HEHDT,10", SentenceKind::kHdt},   {"$PGRME,9.1", SentenceKind::kPgrme},
      {"$PGRMZ,48", SentenceKind::kPgrmz}, {"$PGRMM,WGS 84", SentenceKind::kPgrmm},
      {"$PGRMT,x", SentenceKind::kOther},  {"$GPGSV,3", SentenceKind::kOther},
      {"$GPRMCX,1", SentenceKind::kOther},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOf(c.sentence), c.kind) << c.sentence;
}

TEST(NmeaSentence, FieldsWithoutTheChecksum) {
  const SentenceFields fields("$GPGLL,4527.458,S,16709.165,E,225309,A*3E\r");
  EXPECT_EQ(fields.Count(), 7u);
  EXPECT_EQ(fields[0], "$GPGLL");
  EXPECT_EQ(fields[1], "4527.458");
  EXPECT_EQ(fields[6], "A");
  EXPECT_EQ(fields[7], "");
  EXPECT_EQ(SentenceFields("$GPBOD,,T").Count(), 3u);
}

TEST(NmeaSentence, TimesOfDayKeepTheirFractions) {
  const struct {
    const char* field;
    double seconds;
  } cases[] = {
      {"225308", 82388}, {"093156.500", 34316.5}, {"000000.", 0},
      {"235960", 86400}, {"12345", -1},           {"246000", -1},
      {"12a456", -1},    {"123456,7", -1},        {"", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(TimeOfDaySeconds(c.field), c.seconds) << c.field;
}

}  // namespace
}  // namespace vc::nmea
