#include "formats/nmea/fix.hpp"

#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <vector>

namespace vc::nmea {
namespace {

// The fixes of a stream of sentences, in order.
std::vector<NmeaFix> FixesOf(const std::vector<std::string>& sentences) {
  FixAssembler assembler;
  std::vector<NmeaFix> fixes;
  NmeaFix fix;
  for (const std::string& sentence : sentences) {
    if (assembler.Add(sentence, fix)) fixes.push_back(fix);
  }
  if (assembler.Finish(fix)) fixes.push_back(fix);
  return fixes;
}

TEST(NmeaFixes, ACycleEndsWhenAPositionSentenceComesAgainWithAnotherTime) {
  // A Garmin 48 stamps its GLL one second after the RMC and GGA of the same
  // cycle: the time alone does not split a cycle.
  const std::vector<NmeaFix> fixes = FixesOf({
      "$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6D",
      "$GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*53",
      "$PGRME,9.1,M,15.0,M,12.0,M*21",
      "$GPGLL,4527.458,S,16709.165,E,225309,A*3E",
      "$PGRMZ,48,f,3*27",
      "$GPRMC,225310,A,4527.459,S,16709.166,E,001.0,094.5,060601,024.1,E*6D",
      // A repeat with the same time, as serial glitches make, stays in the fix.
      "$GPRMC,225310,A,4527.460,S,16709.167,E,001.0,094.5,060601,024.1,E*6D",
      "$GPGGA,225310,4527.460,S,16709.167,E,1,05,2.1,14.6,M,1.1,M,,*5B",
  });
  ASSERT_EQ(fixes.size(), 2u);
  EXPECT_TRUE(fixes[0].hasPosition);
  EXPECT_NEAR(fixes[0].lat, -(45 + 27.458 / 60), 1e-12);
  EXPECT_NEAR(fixes[0].lon, 167 + 9.165 / 60, 1e-12);
  EXPECT_EQ(fixes[0].timeOfDay, 22 * 3600 + 53 * 60 + 8);
  EXPECT_EQ(fixes[0].year, 2001);
  EXPECT_EQ(fixes[0].month, 6);
  EXPECT_EQ(fixes[0].day, 6);
  EXPECT_EQ(fixes[0].positionError, 9.1);
  EXPECT_NEAR(*fixes[0].altitude, 48 * 0.3048, 1e-12);
  EXPECT_EQ(fixes[0].height, 14.7);
  EXPECT_EQ(fixes[0].course, 94.5);
  // The last of a kind counts.
  EXPECT_NEAR(fixes[1].lat, -(45 + 27.460 / 60), 1e-12);
  EXPECT_NEAR(*fixes[1].speedKmh, 1.852, 1e-12);
  EXPECT_FALSE(fixes[1].positionError);
}

// The degrees of a coordinate are kept from one sentence to the next: a
// repeated text must give the same value, and a text that differs only in
// its hemisphere, its last digit or its length must not take the kept one.
TEST(NmeaFixes, RepeatedCoordinatesReadAsTheirOwnText) {
  const std::vector<NmeaFix> fixes = FixesOf({
      "$GPRMC,000001,A,4527.458,S,16709.165,E,0,0,060601,,*00",
      "$GPRMC,000002,A,4527.458,N,16709.165,W,0,0,060601,,*00",
      "$GPRMC,000003,A,4527.459,N,16709.165,W,0,0,060601,,*00",
      "$GPRMC,000004,A,4527.4590,N,16709.16,W,0,0,060601,,*00",
      "$GPRMC,000005,A,4527.4590,N,,W,0,0,060601,,*00",
      "$GPRMC,000006,A,4527.4590,N,16709.16,W,0,0,060601,,*00",
  });
  const struct {
    bool hasPosition;
    double lat;
    double lon;
  } expected[] = {
      {true, -(45 + 27.458 / 60), 167 + 9.165 / 60},
      {true, 45 + 27.458 / 60, -(167 + 9.165 / 60)},
      {true, 45 + 27.459 / 60, -(167 + 9.165 / 60)},
      {true, 45 + 27.459 / 60, -(167 + 9.16 / 60)},
      {false, 0, 0},
      {true, 45 + 27.459 / 60, -(167 + 9.16 / 60)},
  };
  ASSERT_EQ(fixes.size(), std::size(expected));
  for (std::size_t i = 0; i < fixes.size(); ++i) {
    EXPECT_EQ(fixes[i].hasPosition, expected[i].hasPosition) << i;
    if (!expected[i].hasPosition) continue;
    EXPECT_NEAR(fixes[i].lat, expected[i].lat, 1e-12) << i;
    EXPECT_NEAR(fixes[i].lon, expected[i].lon, 1e-12) << i;
  }
}

TEST(NmeaFixes, InterleavedFractionalTimesAtFourHertz) {
  // Each cycle sends a GGA, then an RMC stamped a quarter second later; the
  // RMC's position and time stand for the fix.
  const std::vector<NmeaFix> fixes = FixesOf({
      "$GPGGA,093156.000,5333.4037,N,00951.9344,E,1,06,1.7,47.5,M,46.0,M,,0000*61",
      "$GPRMC,093156.500,A,5333.4037,N,00951.9345,E,0.20,171.41,170807,,,A*6A",
      "$GPVTG,171.41,T,,M,0.20,N,0.4,K,A*09",
      "$GPGGA,093156.500,5333.4037,N,00951.9345,E,1,06,1.7,47.8,M,46.0,M,,0000*68",
      "$GPRMC,093156.750,A,5333.4037,N,00951.9346,E,0.12,169.85,170807,,,A*6E",
      "$GPGGA,093156.750,5333.4037,N,00951.9346,E,1,06,1.7,47.9,M,46.0,M,,0000*6D",
      "$GPVTG,169.85,T,,M,0.12,N,0.2,K,A*0F",
  });
  ASSERT_EQ(fixes.size(), 3u);
  EXPECT_EQ(fixes[0].timeOfDay, 34316.5);
  EXPECT_EQ(fixes[1].timeOfDay, 34316.75);
  EXPECT_EQ(fixes[1].year, 2007);
  EXPECT_NEAR(*fixes[0].speedKmh, 0.2 * 1.852, 1e-12);
  // The last cycle, cut off after its GGA: its own time, no date.
  EXPECT_EQ(fixes[2].timeOfDay, 34316.75);
  EXPECT_EQ(fixes[2].year, 0);
  EXPECT_EQ(fixes[2].height, 47.9);
}

TEST(NmeaFixes, AGgaAloneHasNoDateAndVtgGivesSpeedAndCourse) {
  const std::vector<NmeaFix> fixes = FixesOf({
      "$GPGGA,093156.000,5333.4037,N,00951.9344,E,1,06,1.7,47.5,M,46.0,M,,0000*61",
      "$GPVTG,171.41,T,,M,0.20,N,0.4,K,A*09",
  });
  ASSERT_EQ(fixes.size(), 1u);
  EXPECT_EQ(fixes[0].year, 0);
  EXPECT_EQ(fixes[0].timeOfDay, 34316);
  EXPECT_EQ(fixes[0].speedKmh, 0.4);
  EXPECT_EQ(fixes[0].course, 171.41);
}

TEST(NmeaFixes, PositionsOnlyFromSentencesThatSayTheyAreOne) {
  const struct {
    const char* what;
    std::vector<std::string> sentences;
    bool hasPosition;
    double lat;
  } cases[] = {
      {"RMC status V",
       {"$GPRMC,200002,V,5504.4343,N,01025.5386,E,0.0,0.0,260810,1.0,E*00"},
       false,
       0},
      {"GGA quality 0", {"$GPGGA,200002,5504.4343,N,01025.5386,E,0,00,,,M,,M,,*00"}, false, 0},
      {"GLL status V", {"$GPGLL,5504.4343,N,01025.5386,E,200002,V,N*00"}, false, 0},
      {"an empty RMC", {"$GPRMC,,V,,,,,,,260810,1.0,E,N*00"}, false, 0},
      {"RMC void, GGA with a fix",
       {"$GPRMC,200002,V,5504.0,N,01025.0,E,,,260810,,*00",
        "$GPGGA,200002,5505.0,N,01025.0,E,2,08,1.0,10,M,40,M,,*00"},
       true,
       55 + 5.0 / 60},
      {"an old GLL without status",
       {"$GPGLL,3723.2475,N,12158.3416,W,161229"},
       true,
       37 + 23.2475 / 60},
      {"GN talker, west and north",
       {"$GNRMC,161229,A,3723.2475,N,12158.3416,W,0.13,309.62,120598,,*10"},
       true,
       37 + 23.2475 / 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::vector<NmeaFix> fixes = FixesOf(c.sentences);
    ASSERT_EQ(fixes.size(), 1u);
    EXPECT_EQ(fixes[0].hasPosition, c.hasPosition);
    if (c.hasPosition) {
      EXPECT_NEAR(fixes[0].lat, c.lat, 1e-12);
    }
  }
  EXPECT_NEAR(FixesOf({"$GNRMC,161229,A,3723.2475,N,12158.3416,W,0.13,309.62,120598,,*10"})[0].lon,
              -(121 + 58.3416 / 60), 1e-12);
}

TEST(NmeaFixes, DatesFromRmcOrZdaAndHeadingsCorrectedByTheVariation) {
  const std::vector<NmeaFix> fixes = FixesOf({
      "$GPZDA,235959.00,31,12,2024,00,00*00",
      "$GPGGA,235959,3540.0,N,13945.0,E,1,08,1.0,10,M,40,M,,*00",
      "$HCHDG,101.1,,,7.1,W*3C",
      "$GPGGA,000001,3540.0,N,13945.0,E,1,08,1.0,10,M,40,M,,*00",
      "$GPRMC,000001,A,3540.0,N,13945.0,E,0.0,0.0,010125,003.1,W*00",
      "$HCHDG,101.1,,,7.1,W*3C",
      "$GPGGA,000002,3540.0,N,13945.0,E,1,08,1.0,10,M,40,M,,*00",
      "$GPRMC,000002,A,3540.0,N,13945.0,E,0.0,0.0,010125,,*00",
      "$HEHDT,90.0,T*00",
  });
  ASSERT_EQ(fixes.size(), 3u);
  EXPECT_EQ(fixes[0].year, 2024);
  EXPECT_EQ(fixes[0].month, 12);
  EXPECT_EQ(fixes[0].day, 31);
  EXPECT_EQ(fixes[0].heading, 101.1);  // no variation seen yet
  EXPECT_EQ(fixes[1].year, 2025);
  EXPECT_EQ(fixes[1].heading, 104.2);  // 101.1 minus 3.1 W
  // The variation of an earlier fix holds while none is sent.
  EXPECT_EQ(fixes[2].heading, 93.1);
  EXPECT_FALSE(fixes[2].speedKmh == std::nullopt);
}

TEST(NmeaFixes, DatumNamedByPgrmm) {
  FixAssembler assembler;
  NmeaFix fix;
  EXPECT_EQ(assembler.DatumName(), "");
  assembler.Add("$PGRMM,WGS 84*06", fix);
  EXPECT_EQ(assembler.DatumName(), "WGS 84");
  EXPECT_TRUE(assembler.Finish(fix));
  EXPECT_FALSE(assembler.Finish(fix));
}

}  // namespace
}  // namespace vc::nmea
