#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/context.hpp"
#include "engine/conversion.hpp"
#include "engine/driver.hpp"
#include "engine/input/record_reader.hpp"
#include "geo/distance.hpp"
#include "support/engine_support.hpp"
#include "support/track_point_support.hpp"
#include "text/datetime.hpp"
#include "text/line_source.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

using ReaderFactory = std::unique_ptr<RecordReader> (*)(text::LineSource&);

// One conversion's reading of a log held in memory.
class LogReading {
 public:
  LogReading(ReaderFactory make, std::string_view text, ConversionContext& context)
      : source_(text), conversion_(options_, context, observer_, 0), reader_(make(source_)) {
    reader_->Open(conversion_);
  }

  RecordKind Next() { return reader_->ReadNextRecord(conversion_); }

  // Reads the one track and checks that the log ends after it.
  const RecordBuffers& Track() {
    EXPECT_EQ(Next(), RecordKind::kTrk);
    EXPECT_EQ(Next(), RecordKind::kEof);
    return conversion_.context.buffers;
  }

  Conversion& conversion() { return conversion_; }
  vc::testing::RecordingObserver& observer() { return observer_; }

 private:
  text::StringLineSource source_;
  ConvertOptions options_;
  vc::testing::RecordingObserver observer_;
  Conversion conversion_;
  std::unique_ptr<RecordReader> reader_;
};

std::vector<std::string> Times(const RecordBuffers& buffers) {
  std::vector<std::string> times;
  for (std::size_t n = 1; n <= buffers.trkPnt.Count(); ++n) {
    times.push_back(vc::testing::TextsOf(buffers.trkPnt, n).dateTime);
  }
  return times;
}

// A VRP line with the fields that the reading uses.
std::string VrpLine(std::string_view datum, std::string_view time, std::string_view lat,
                    std::string_view lon, std::string_view speed = "0") {
  return std::string(datum) + ",9," + std::string(time) + ",12,N," + std::string(lat) + ",E," +
         std::string(lon) + ",34," + std::string(speed) + ",36.87,0.12,+,3d,-.-,*,---.-\r\n";
}

// An NMEA block of one $GPRMC sentence and its empty line.
std::string RmcBlock(std::string_view time, std::string_view date,
                     std::string_view lat = "3512.345", std::string_view lon = "13945.150") {
  return "$GPRMC," + std::string(time) + ",A," + std::string(lat) + ",N," + std::string(lon) +
         ",E,000.0,000.0," + std::string(date) + ",,*00\r\n\r\n";
}

std::string GgaBlock(std::string_view time, std::string_view lat = "3512.345",
                     std::string_view lon = "13945.150") {
  return "$GPGGA," + std::string(time) + "," + std::string(lat) + ",N," + std::string(lon) +
         ",E,1,05,2.1,14.7,M,1.1,M,,*00\r\n\r\n";
}

// A log and the number of points of its track.
struct LogCase {
  const char* name;
  ReaderFactory make;
  std::string text;
  std::size_t points;
};

// Lines of a Garmin log, with and without a usable fix.
constexpr std::string_view kGarminFix = "@020715030405N3512345E13945150D012+00034E0030N0040U0012";
constexpr std::string_view kGarminNoFix = "@020715030407N3512345E13945150_012+00034E0030N0040U0012";
// One character short of a complete sentence.
constexpr std::string_view kGarminCut = "@020715030409N3512345E13945150D012+00034E0030N0040U001";

std::string GarminLine(std::string_view line) { return std::string(line) + "\r\n"; }

}  // namespace

TEST(LogTrack, WholeLogIsOneTrackThenEnd) {
  const LogCase cases[] = {
      {"VRP", MakeVrpReader,
       VrpLine("WGS84", "2002/07/15 12:04:05", "35.5", "139.5") +
           VrpLine("WGS84", "2002/07/15 12:04:07", "35.5001", "139.5") +
           VrpLine("WGS84", "2002/07/15 12:04:09", "35.5002", "139.5"),
       3},
      {"VRM", MakeVrmReader, GarminLine(kGarminFix) + GarminLine(kGarminFix), 2},
      {"VRN", MakeVrnReader,
       RmcBlock("120000", "150702") + RmcBlock("120001", "150702") + RmcBlock("120002", "150702") +
           RmcBlock("120003", "150702"),
       4},
      // The last line or block may lack its end.
      {"VRP unended", MakeVrpReader,
       VrpLine("WGS84", "2002/07/15 12:04:05", "35.5", "139.5") +
           VrpLine("WGS84", "2002/07/15 12:04:07", "35.5", "139.5").substr(0, 60),
       2},
      {"VRN unended", MakeVrnReader, "$GPGGA,120000,3512.345,N,13945.150,E,1*00", 1},
  };
  for (const LogCase& c : cases) {
    ConversionContext context;
    context.buffers.trkHdr.trkName = "left over";
    LogReading reading(c.make, c.text, context);
    const RecordBuffers& buffers = reading.Track();
    EXPECT_EQ(buffers.trkPnt.Count(), c.points) << c.name;
    EXPECT_EQ(buffers.trkHdr.pntNum, std::to_string(c.points)) << c.name;
    EXPECT_EQ(buffers.trkHdr.trkFlag, "True") << c.name;
    EXPECT_EQ(buffers.trkHdr.trkCode, "0") << c.name;
    EXPECT_EQ(buffers.trkHdr.trkName, "") << c.name;
    EXPECT_EQ(context.trackNumber, "1") << c.name;
    EXPECT_EQ(reading.Next(), RecordKind::kEof) << c.name;
  }
}

TEST(LogTrack, EmptyFileEndsAtOnce) {
  for (const ReaderFactory make : {MakeVrpReader, MakeVrmReader, MakeVrnReader}) {
    ConversionContext context;
    context.trackNumber = "3";
    LogReading reading(make, "", context);
    EXPECT_EQ(reading.Next(), RecordKind::kEof);
    EXPECT_EQ(reading.Next(), RecordKind::kEof);
    EXPECT_EQ(context.trackNumber, "3");
  }
}

TEST(LogTrack, LogWithoutPointsIsAnEmptyTrackWithZeroTotals) {
  const LogCase cases[] = {
      {"VRP blank lines", MakeVrpReader, "\r\n \r\n, ,\t\r\n", 0},
      {"VRM without fix", MakeVrmReader,
       "\r\n" + GarminLine(kGarminNoFix) + GarminLine(kGarminCut) + "@0207\r\n", 0},
      {"VRN without position", MakeVrnReader,
       "$GPGSA,A,3*00\r\n$PGRME,9.1,M*00\r\n\r\n$GPRMC,120000,V,,,,,,,150702,,*00\r\n\r\n"
       "$GPGGA,120001,,,,,0*00\r\n\r\n\r\n",
       0},
      {"VRN without time", MakeVrnReader, "$GPGLL,3512.345,N,13945.150,E,*00\r\n\r\n", 0},
  };
  for (const LogCase& c : cases) {
    ConversionContext context;
    // Totals of an earlier track must not show through.
    context.buffers.trkHdr.totalTripTime = 5;
    context.buffers.trkHdr.totalTripLength = 6;
    context.buffers.trkHdr.totalVelocity = 7;
    LogReading reading(c.make, c.text, context);
    const TrkHdr& header = reading.Track().trkHdr;
    EXPECT_EQ(header.pntNum, "0") << c.name;
    EXPECT_EQ(header.totalTripTime, 0) << c.name;
    EXPECT_EQ(header.totalTripLength, 0) << c.name;
    EXPECT_EQ(header.totalVelocity, 0) << c.name;
    EXPECT_EQ(context.trackNumber, "1") << c.name;
  }
}

TEST(LogTrack, StopRequestEndsTheReading) {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += VrpLine("WGS84", "2002/07/15 12:04:05", "35.5", "139.5");
  ConversionContext context;
  LogReading reading(MakeVrpReader, text, context);
  reading.observer().stopAfterPolls = 0;
  EXPECT_EQ(reading.Next(), RecordKind::kTrk);
  EXPECT_TRUE(reading.conversion().cancelled);
  EXPECT_LT(context.buffers.trkPnt.Count(), 10000U);
}

TEST(LogPoints, VrpLineFieldsGoToTheirPlaces) {
  ConversionContext context;
  context.vrmVrnDatum = "TOKYO";
  LogReading reading(MakeVrpReader,
                     "WGS84,9,2002/07/15 12:04:05,12,N,35.20575,E,139.7525,34,5,36.87,0.12,+,3d,"
                     "-.-,*,271.5,x,y\r\n",
                     context);
  const RecordBuffers& buffers = reading.Track();
  ASSERT_EQ(buffers.trkPnt.Count(), 1U);
  const auto p = vc::testing::TextsOf(buffers.trkPnt, 1);
  EXPECT_EQ(p.lat, "35.20575");
  EXPECT_EQ(p.lon, "139.7525");
  EXPECT_EQ(p.dateTime, "2002/07/15 12:04:05");
  EXPECT_EQ(p.velocity, "18");
  EXPECT_EQ(p.trkDegree, "36.87");
  EXPECT_EQ(p.posError, "12");
  EXPECT_EQ(p.headDegree, "271.5");
  EXPECT_EQ(p.recDatum, "WGS84");
  EXPECT_EQ(p.recUtcOffset, "9");
  EXPECT_EQ(p.recCoordFormat, "D");
  // A track of one point has no legs.
  EXPECT_EQ(p.legTime, 0);
  EXPECT_EQ(p.legLength, 0);
  EXPECT_EQ(p.legVelocity, 0);
  EXPECT_EQ(buffers.trkHdr.pntNum, "1");
  EXPECT_EQ(buffers.trkHdr.totalTripTime, 0);
  EXPECT_EQ(buffers.trkHdr.totalTripLength, 0);
  EXPECT_EQ(buffers.trkHdr.totalVelocity, 0);
}

TEST(LogPoints, SpeedInMetresPerSecondBecomesKilometresPerHour) {
  const struct {
    const char* speed;
    const char* velocity;
  } cases[] = {{"10", "36"},   {"2.5", "9"},  {"0", "0"},     {"", "0"},
               {"---.-", "0"}, {"5km", "18"}, {"0.1", "0.36"}};
  for (const auto& c : cases) {
    ConversionContext context;
    LogReading reading(MakeVrpReader,
                       VrpLine("WGS84", "2002/07/15 12:04:05", "35.5", "139.5", c.speed), context);
    EXPECT_EQ(vc::testing::TextsOf(reading.Track().trkPnt, 1).velocity, c.velocity) << c.speed;
  }
}

TEST(LogPoints, GarminAndNmeaLogsTakeTheDatumOption) {
  const LogCase cases[] = {
      {"VRM", MakeVrmReader, GarminLine(kGarminFix) + GarminLine(kGarminFix), 2},
      {"VRN", MakeVrnReader, RmcBlock("120000", "150702") + RmcBlock("120001", "150702"), 2},
  };
  for (const LogCase& c : cases) {
    ConversionContext context;
    context.vrmVrnDatum = "WGS84";
    LogReading reading(c.make, c.text, context);
    const RecordBuffers& buffers = reading.Track();
    ASSERT_EQ(buffers.trkPnt.Count(), c.points) << c.name;
    for (std::size_t n = 1; n <= c.points; ++n) {
      EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, n).recDatum, "WGS84") << c.name;
      EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, n).recUtcOffset, "0") << c.name;
    }
  }
  // A standard log names the datum on each line.
  ConversionContext context;
  context.vrmVrnDatum = "WGS84";
  LogReading reading(MakeVrpReader,
                     VrpLine("TOKYO", "2002/07/15 12:04:05", "35.5", "139.5") +
                         VrpLine("wgs84", "2002/07/15 12:04:07", "35.5", "139.5"),
                     context);
  const RecordBuffers& buffers = reading.Track();
  EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, 1).recDatum, "TOKYO");
  EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, 2).recDatum, "wgs84");
}

TEST(LogLegs, TwoSecondsOverAboutTwentyMetres) {
  // 0.00018 degrees of latitude is about 20 m.
  ConversionContext context;
  LogReading reading(MakeVrpReader,
                     VrpLine("WGS84", "2002/07/15 12:04:05", "35", "139") +
                         VrpLine("WGS84", "2002/07/15 12:04:07", "35.00018", "139"),
                     context);
  const RecordBuffers& buffers = reading.Track();
  const auto second = vc::testing::TextsOf(buffers.trkPnt, 2);
  const double metres = text::RoundToGeneral(geo::DistanceKm(35, 139, 35.00018, 139) * 1000);
  EXPECT_EQ(second.legTime, 2);
  EXPECT_EQ(second.legLength, metres);
  EXPECT_NEAR(second.legLength, 20, 0.1);
  EXPECT_EQ(second.legVelocity, text::RoundToGeneral(metres / 2 * 3.6));
  EXPECT_NEAR(second.legVelocity, 36, 0.2);
  EXPECT_EQ(buffers.trkHdr.totalTripTime, 2);
  EXPECT_EQ(buffers.trkHdr.totalTripLength, metres);
  EXPECT_EQ(buffers.trkHdr.totalVelocity, second.legVelocity);
}

TEST(LogLegs, SameTimeGivesNoVelocity) {
  ConversionContext context;
  LogReading reading(MakeVrpReader,
                     VrpLine("WGS84", "2002/07/15 12:04:05", "35", "139") +
                         VrpLine("WGS84", "2002/07/15 12:04:05", "35.001", "139"),
                     context);
  const RecordBuffers& buffers = reading.Track();
  EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, 2).legTime, 0);
  EXPECT_GT(vc::testing::TextsOf(buffers.trkPnt, 2).legLength, 100);
  EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, 2).legVelocity, 0);
  EXPECT_EQ(buffers.trkHdr.totalVelocity, 0);
}

TEST(LogLegs, RecordsWithoutPositionOrTimeAreLeftOut) {
  const std::string nmeaNoTime = "$GPGLL,3600.000,N,14000.000,E,*00\r\n\r\n";
  const LogCase cases[] = {
      {"VRP", MakeVrpReader,
       "\r\n" + VrpLine("WGS84", "2002/07/15 12:04:05", "35", "139") + "\r\n,,\r\n" +
           VrpLine("WGS84", "2002/07/15 12:04:09", "35.001", "139"),
       2},
      {"VRM", MakeVrmReader,
       GarminLine(kGarminNoFix) + GarminLine(kGarminFix) + GarminLine(kGarminNoFix) +
           GarminLine(kGarminCut) + "\r\n" +
           GarminLine("@020715030409N3512405E13945150D012+00034E0030N0040U0012"),
       2},
      {"VRN", MakeVrnReader,
       "$GPGGA,120000,,,,,0*00\r\n\r\n" + RmcBlock("120005", "150702", "3500.000", "13900.000") +
           nmeaNoTime + "\r\n" + RmcBlock("120009", "150702", "3500.060", "13900.000"),
       2},
  };
  for (const LogCase& c : cases) {
    ConversionContext context;
    LogReading reading(c.make, c.text, context);
    const RecordBuffers& buffers = reading.Track();
    ASSERT_EQ(buffers.trkPnt.Count(), c.points) << c.name;
    const auto first = vc::testing::TextsOf(buffers.trkPnt, 1);
    const auto second = vc::testing::TextsOf(buffers.trkPnt, 2);
    // The leg runs straight from one made point to the next.
    EXPECT_EQ(second.legTime, 4) << c.name;
    const double metres = text::RoundToGeneral(
        geo::DistanceKm(text::LeadingValue(first.lat), text::LeadingValue(first.lon),
                        text::LeadingValue(second.lat), text::LeadingValue(second.lon)) *
        1000);
    EXPECT_EQ(second.legLength, metres) << c.name;
    EXPECT_NEAR(metres, 111, 1) << c.name;
    EXPECT_EQ(buffers.trkHdr.totalTripTime, 4) << c.name;
  }
}

TEST(LogLegs, KnownValuesStartEmptyInEachConversion) {
  ConversionContext context;
  context.vrmVrnDatum = "WGS84";
  const std::string first =
      "$GPRMC,120000,A,3512.345,N,13945.150,E,010.0,090.0,150702,003.1,W*00\r\n"
      "$PGRME,9.1,M*00\r\n$PGRMZ,100,f,3*00\r\n$HCHDG,45.0*00\r\n\r\n";
  LogReading(MakeVrnReader, first, context).Track();
  EXPECT_EQ(vc::testing::TextsOf(context.buffers.trkPnt, 1).posError, "9.1");
  // A second file: its first block has no position, its second no $PGRME,
  // no course and no heading.
  const std::string second = "$GPGGA,130000,,,,,0*00\r\n\r\n" + GgaBlock("130001");
  LogReading reading(MakeVrnReader, second, context);
  const RecordBuffers& buffers = reading.Track();
  ASSERT_EQ(buffers.trkPnt.Count(), 1U);
  const auto p = vc::testing::TextsOf(buffers.trkPnt, 1);
  EXPECT_EQ(p.dateTime, "13:00:01");
  EXPECT_EQ(p.posError, "");
  EXPECT_EQ(p.trkDegree, "");
  EXPECT_EQ(p.headDegree, "");
  EXPECT_EQ(p.velocity, "0");
  EXPECT_EQ(context.trackNumber, "2");
}

// $GPGGA and $GPGLL carry a time but no date.
TEST(LogBareTimes, TakeTheDateOfTheNearestDatedPoint) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> times;
    double totalTime;
  } cases[] = {
      {"after a dated point",
       RmcBlock("120000", "150702") + GgaBlock("120010"),
       {"2002/07/15 12:00:00", "2002/07/15 12:00:10"},
       10},
      {"past midnight",
       RmcBlock("235959", "150702") + GgaBlock("000001") + GgaBlock("000003"),
       {"2002/07/15 23:59:59", "2002/07/16 00:00:01", "2002/07/16 00:00:03"},
       4},
      {"before the first dated point, across midnight",
       GgaBlock("235957") + GgaBlock("235958") + RmcBlock("000001", "160702") + GgaBlock("000002"),
       {"2002/07/15 23:59:57", "2002/07/15 23:59:58", "2002/07/16 00:00:01", "2002/07/16 00:00:02"},
       5},
      {"no date in the file", GgaBlock("120000") + GgaBlock("120005"), {"12:00:00", "12:00:05"}, 5},
  };
  for (const auto& c : cases) {
    ConversionContext context;
    LogReading reading(MakeVrnReader, c.text, context);
    const RecordBuffers& buffers = reading.Track();
    EXPECT_EQ(Times(buffers), c.times) << c.name;
    EXPECT_EQ(buffers.trkHdr.totalTripTime, c.totalTime) << c.name;
  }
}

// Regression: "1234567" in a time field is kept as a number, and a number
// was taken for a dated time, so the bare time after it got no date. A time
// that does not read is no fix: its legs would be 0 s and shorten the track.
TEST(LogBareTimes, ANumberIsNoDate) {
  const std::string log =
      "TOKYO,+9,2002/07/15 12:00:00,3,N,35.5,E,139.5,12,10,45\r\n"
      "TOKYO,+9,1234567,3,N,35.5001,E,139.5,12,0,-\r\n"
      "TOKYO,+9,12:00:10,3,N,35.5002,E,139.5,12,0,-\r\n"
      "TOKYO,+9,,3,N,35.5003,E,139.5,12,0,-\r\n";
  ConversionContext context;
  LogReading reading(MakeVrpReader, log, context);
  const RecordBuffers& buffers = reading.Track();
  EXPECT_EQ(Times(buffers),
            (std::vector<std::string>{"2002/07/15 12:00:00", "2002/07/15 12:00:10"}));
  EXPECT_EQ(buffers.trkHdr.totalTripTime, 10);
  EXPECT_EQ(reading.conversion().report.Skipped(SkipReason::kLogRecordWithoutFix), 2);
}

// Regression: the hemisphere letters were kept but never applied, so logs
// from west of Greenwich or south of the equator came out mirrored.
TEST(LogPoints, SouthAndWestAreNegative) {
  const struct {
    const char* name;
    ReaderFactory make;
    std::string text;
    const char* lat;
    const char* lon;
  } cases[] = {
      {"VRP S W", MakeVrpReader, "WGS84,0,2002/07/15 12:00:00,3,S,35.5,W,139.5,12\r\n", "-35.5",
       "-139.5"},
      {"VRP N E", MakeVrpReader, "WGS84,0,2002/07/15 12:00:00,3,N,35.5,E,139.5,12\r\n", "35.5",
       "139.5"},
      {"VRP no letters", MakeVrpReader, "WGS84,0,2002/07/15 12:00:00,3,,35.5,,139.5,12\r\n", "35.5",
       "139.5"},
      {"VRP signed already, plus, zero", MakeVrpReader,
       "WGS84,0,2002/07/15 12:00:00,3,S,-35.5,W,+139.5,12\r\n", "-35.5", "-139.5"},
      {"VRP zero has no side", MakeVrpReader, "WGS84,0,2002/07/15 12:00:00,3,S,0.0,W,0,12\r\n",
       "0.0", "0"},
      {"VRP lower case is no letter", MakeVrpReader,
       "WGS84,0,2002/07/15 12:00:00,3,s,35.5,w,139.5,12\r\n", "35.5", "139.5"},
      {"VRM S W", MakeVrmReader, "@020715030405S3512345W13912345D012+00034E0030N0040U0012\r\n",
       "-35.20575", "-139.20575"},
      {"VRM N W", MakeVrmReader, "@020715030405N3512345W13912345D012+00034E0030N0040U0012\r\n",
       "35.20575", "-139.20575"},
      {"VRN RMC", MakeVrnReader,
       "$GPRMC,120000,A,3512.345,S,13945.150,W,000.0,000.0,150702,,*00\r\n\r\n", "-35.20575",
       "-139.7525"},
      {"VRN GGA", MakeVrnReader, "$GPGGA,120000,3512.345,S,13945.150,E,1,05*00\r\n\r\n",
       "-35.20575", "139.7525"},
      {"VRN GLL", MakeVrnReader, "$GPGLL,3512.345,N,13945.150,W,120000,A*00\r\n\r\n", "35.20575",
       "-139.7525"},
  };
  for (const auto& c : cases) {
    ConversionContext context;
    LogReading reading(c.make, c.text, context);
    const RecordBuffers& buffers = reading.Track();
    ASSERT_EQ(buffers.trkPnt.Count(), 1U) << c.name;
    EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, 1).lat, c.lat) << c.name;
    EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, 1).lon, c.lon) << c.name;
  }
}

// Regression: a Garmin line of random bytes made a point at whatever its
// columns happened to read as.
TEST(LogPoints, GarminLineWithOtherThanDigitsInItsColumnsIsNoFix) {
  const std::string fix(kGarminFix);
  std::vector<std::string> broken;
  for (const std::size_t column : {2, 7, 13, 15, 21, 23, 30}) {
    std::string line = fix;
    line[column - 1] = column % 2 == 0 ? 'x' : ' ';
    broken.push_back(line);
  }
  broken.push_back("@\x8B\x9E" + fix.substr(3));
  broken.push_back("\x01\xFE\x7F garbage garbage garbage garbage garbage garbage ZZZ");
  for (const std::string& line : broken) {
    ConversionContext context;
    LogReading reading(MakeVrmReader, GarminLine(fix) + GarminLine(line), context);
    EXPECT_EQ(reading.Track().trkPnt.Count(), 1U) << line;
    EXPECT_EQ(reading.conversion().report.Skipped(SkipReason::kLogRecordWithoutFix), 1) << line;
  }
}

TEST(LogReport, CountsRecordsWithoutAFix) {
  const struct {
    const char* name;
    ReaderFactory make;
    std::string text;
    std::size_t points;
    std::int64_t skipped;
  } cases[] = {
      // Blank lines are no records; a line of empty fields is.
      {"VRP", MakeVrpReader,
       "\r\n \r\n, ,\t\r\n" + VrpLine("WGS84", "2002/07/15 12:04:05", "35.5", "139.5"), 1, 1},
      {"VRM", MakeVrmReader,
       "\r\n" + GarminLine(kGarminNoFix) + GarminLine(kGarminCut) + "@0207\r\n" +
           GarminLine(kGarminFix),
       1, 3},
      // Before the first position, without a time; the empty block after two
      // empty lines is no record.
      {"VRN", MakeVrnReader,
       "$GPGSA,A,3*00\r\n\r\n$GPRMC,120000,V,,,,,,,150702,,*00\r\n\r\n\r\n" +
           RmcBlock("120001", "150702") + "$PGRME,9.1,M*00\r\n\r\n",
       1, 3},
      {"VRN all fixes", MakeVrnReader, RmcBlock("120001", "150702") + GgaBlock("120002"), 2, 0},
  };
  for (const auto& c : cases) {
    ConversionContext context;
    LogReading reading(c.make, c.text, context);
    EXPECT_EQ(reading.Track().trkPnt.Count(), c.points) << c.name;
    EXPECT_EQ(reading.conversion().report.Skipped(SkipReason::kLogRecordWithoutFix), c.skipped)
        << c.name;
  }
}

TEST(LogRobustness, OddFilesStillEndWithOneTrack) {
  const std::string longLine(10'000'000, ',');
  const std::string binary("\x00\xff$GP\r\x80\n\n$$$,*,*\n\t\t\n", 20);
  const std::string cut = "$GPRMC,1200\n\n$GPRMC\n\n$GPGGA*\n\n$\n\n@0207150304\n";
  for (const ReaderFactory make : {MakeVrpReader, MakeVrmReader, MakeVrnReader}) {
    for (const std::string* text : {&longLine, &binary, &cut}) {
      ConversionContext context;
      LogReading reading(make, *text, context);
      EXPECT_EQ(reading.Next(), RecordKind::kTrk);
      EXPECT_EQ(reading.Next(), RecordKind::kEof);
    }
  }
}

// Whole logs through the driver into Waypoint+ track lines in UTC.
TEST(LogConversion, LogsBecomeWaypointPlusTracks) {
  const struct {
    const char* name;
    std::string text;
    const char* expected;
  } cases[] = {
      {"log.vrp",
       "\r\n" + VrpLine("WGS84", "2002/07/15 12:04:05", "35.5", "139.5") +
           VrpLine("WGS84", "2002/07/15 12:04:07", "35.25", "139.75"),
       "Datum,WGS84,WGS84,0,0,0,0,0\r\n"
       "TP,D, 35.5, 139.5,07/15/2002,03:04:05,1\r\n"
       "TP,D, 35.25, 139.75,07/15/2002,03:04:07,0\r\n"},
      {"log.vrm", GarminLine(kGarminNoFix) + GarminLine(kGarminFix),
       "Datum,WGS84,WGS84,0,0,0,0,0\r\n"
       "TP,D, 35.20575, 139.7525,07/15/2002,03:04:05,1\r\n"},
      {"log.vrn", GgaBlock("235959") + RmcBlock("000001", "160702"),
       "Datum,WGS84,WGS84,0,0,0,0,0\r\n"
       "TP,D, 35.20575, 139.7525,07/15/2002,23:59:59,1\r\n"
       "TP,D, 35.20575, 139.7525,07/16/2002,00:00:01,0\r\n"},
  };
  for (const auto& c : cases) {
    vc::testing::TempDir dir;
    vc::testing::RecordingObserver observer;
    ConversionContext context;
    ConvertOptions options =
        vc::testing::OptionsFor(dir.Write(c.name, c.text), dir.Path("out.txt"));
    options.datum = "WGS84";
    options.vrmVrnDatumOption = "WGS84";
    options.utcOffset = "0";
    const ConversionResult result = ConvertFile(options, context, observer);
    EXPECT_EQ(result.outcome, Outcome::kConverted) << c.name;
    EXPECT_EQ(result.report.written.tracks, 1) << c.name;
    EXPECT_EQ(dir.Read("out.txt"), c.expected) << c.name;
    EXPECT_TRUE(observer.shown.empty()) << c.name;
  }
}

namespace {

// Real captures hold no empty lines; a $GPRMC starts each fix group in all of
// them, so an empty line is put before every one.
std::string AsVrnLog(std::string_view capture) {
  std::string log;
  std::size_t start = 0;
  while (start < capture.size()) {
    std::size_t end = capture.find('\n', start);
    end = end == std::string_view::npos ? capture.size() : end + 1;
    const std::string_view line = capture.substr(start, end - start);
    if (line.starts_with("$GPRMC")) log += "\n";
    log += line;
    start = end;
  }
  return log;
}

}  // namespace

TEST(LogRealCaptures, ReadAsVrnLogsGiveSensibleTracks) {
  const struct {
    const char* file;
    std::size_t points;
    double lat;  // near every point; south and west are negative
    double lon;
    const char* firstTime;
    const char* lastTime;
    std::int64_t withoutFix;  // the publishers' header, groups before the first fix
  } cases[] = {
      {"gpsd-foretrex-201.log", 7, 55.0739, 10.4256, "2010/08/26 20:00:04", "2010/08/26 20:00:16",
       5},
      // 45° S in New Zealand, 108° W in New Mexico, 3° W in Madrid: the
      // hemisphere letters were once ignored, putting them in the wrong place.
      {"gpsd-garmin48.log", 7, -45.4576, 167.1528, "2001/06/06 22:53:08", "2001/06/06 22:53:34", 1},
      {"gpsd-garmin15x.log", 7, 32.6486, -108.3742, "2022/10/18 11:32:58", "2022/10/18 11:33:04",
       1},
      {"gpsd-garmin-geko201.log", 18, 40.3985, -3.6527, "2005/06/14 21:43:50",
       "2005/06/14 21:44:24", 1},
      // The group before the first $GPRMC has a $GPGGA time only.
      // Its last sentence is a $GPGGA of 09:32:05.750, a fix of its own now.
      {"gpsbabel-nmea+ms.txt", 36, 53.5567, 9.8656, "2007/08/17 09:31:56", "2007/08/17 09:32:05",
       0},
      {"gpsd-telit-he910.log", 188, 50.8402, 4.3471, "2019/03/12 10:51:53", "2019/03/12 10:54:59",
       37},
  };
  const std::filesystem::path folder =
      vc::testing::TestsFolder() / ".." / ".." / "shared" / "testdata" / "real";
  if (!std::filesystem::exists(folder)) GTEST_SKIP() << "no captures at " << folder;
  for (const auto& c : cases) {
    const std::filesystem::path path = folder / c.file;
    if (!std::filesystem::exists(path)) continue;
    ConversionContext context;
    context.vrmVrnDatum = "WGS84";
    LogReading reading(MakeVrnReader, AsVrnLog(vc::testing::ReadFile(path)), context);
    const RecordBuffers& buffers = reading.Track();
    ASSERT_EQ(buffers.trkPnt.Count(), c.points) << c.file;
    EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, 1).dateTime, c.firstTime) << c.file;
    EXPECT_EQ(vc::testing::TextsOf(buffers.trkPnt, c.points).dateTime, c.lastTime) << c.file;
    const auto first = text::ParseDateTime(c.firstTime);
    const auto last = text::ParseDateTime(c.lastTime);
    for (std::size_t n = 1; n <= c.points; ++n) {
      const auto p = vc::testing::TextsOf(buffers.trkPnt, n);
      EXPECT_NEAR(text::LeadingValue(p.lat), c.lat, 0.01) << c.file << " point " << n;
      EXPECT_NEAR(text::LeadingValue(p.lon), c.lon, 0.01) << c.file << " point " << n;
      const auto time = text::ParseDateTime(p.dateTime);
      ASSERT_TRUE(time.has_value()) << c.file << " point " << n;
      EXPECT_TRUE(*time >= *first && *time <= *last) << c.file << " point " << n;
    }
    // Walking pace at most; a point on a wrong day would make it absurd.
    EXPECT_LT(buffers.trkHdr.totalVelocity, 25) << c.file;
    EXPECT_LT(buffers.trkHdr.totalTripTime, 300) << c.file;
    EXPECT_EQ(reading.conversion().report.Skipped(SkipReason::kLogRecordWithoutFix), c.withoutFix)
        << c.file;
  }
}

}  // namespace vc::engine

namespace vc::engine {
namespace {

// A VRN written without empty lines was one block: every fix but the last
// was lost. Each fix of a block is now a point, as in a file of one fix a
// block.
TEST(LogPoints, AVrnWithoutEmptyLinesGivesEveryFix) {
  const std::vector<std::string> fixes = {
      "$GPRMC,120000,A,3512.345,N,13945.150,E,010.0,045.0,150702,,*00\r\n"
      "$GPGGA,120000,3512.345,N,13945.150,E,1,05,2.1,14.7,M,1.1,M,,*00\r\n"
      "$PGRME,9.1,M,15.0,M,12.0,M*21\r\n",
      "$GPRMC,120001,A,3512.445,N,13945.250,E,012.0,046.0,150702,,*00\r\n"
      "$GPGGA,120001,3512.445,N,13945.250,E,1,05,2.1,14.7,M,1.1,M,,*00\r\n",
      // A cycle without RMC: its GGA comes again with another time.
      "$GPGGA,120002,3512.545,N,13945.350,E,1,05,2.1,14.7,M,1.1,M,,*00\r\n"
      "$PGRMZ,48,f,3*27\r\n",
  };
  std::string blocks;
  std::string stream;
  for (const std::string& fix : fixes) {
    blocks += fix + "\r\n";
    stream += fix;
  }
  const auto describe = [](const RecordBuffers& buffers) {
    std::vector<std::string> points;
    for (std::size_t n = 1; n <= buffers.trkPnt.Count(); ++n) {
      const auto p = vc::testing::TextsOf(buffers.trkPnt, n);
      points.push_back(p.lat + " " + p.lon + " " + p.dateTime + " " + p.velocity + " " +
                       p.trkDegree + " " + p.posError + " " + std::to_string(p.legTime));
    }
    return points;
  };
  ConversionContext inBlocks;
  ConversionContext inOne;
  const std::vector<std::string> expected =
      describe(LogReading(MakeVrnReader, blocks, inBlocks).Track());
  ASSERT_EQ(expected.size(), 3u);
  EXPECT_EQ(describe(LogReading(MakeVrnReader, stream, inOne).Track()), expected);
  EXPECT_EQ(expected[2].substr(0, 45), "35.2090833333333 139.755833333333 2002/07/15 ");
}

}  // namespace
}  // namespace vc::engine
