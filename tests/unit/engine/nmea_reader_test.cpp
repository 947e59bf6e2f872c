// Receiver NMEA logs: real captures read as they are (no empty lines put
// in), and generated streams of the faults captures have.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "engine/driver.hpp"
#include "engine/file_types.hpp"
#include "support/engine_support.hpp"
#include "support/record_reader_support.hpp"
#include "support/track_point_support.hpp"

namespace vc::testing {
namespace {

using engine::SkipReason;

std::filesystem::path CaptureFolder() {
  const char* tests = std::getenv("VC_TESTDATA");
  const std::filesystem::path base = tests != nullptr ? tests : ".";
  return base / ".." / ".." / "shared" / "testdata" / "real";
}

std::string ReadCapture(const std::string& name) {
  std::ifstream file(CaptureFolder() / name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

struct Track {
  std::size_t points = 0;
  std::string first;  // "lat lon time datum"
  std::string last;
  engine::ConversionReport report;
};

// The sentence with its checksum, as a receiver sends it.
std::string Sentence(std::string_view body) {
  unsigned sum = 0;
  for (const char c : body.substr(1)) sum ^= static_cast<unsigned char>(c);
  const char* const hex = "0123456789ABCDEF";
  return std::string(body) + "*" + hex[sum >> 4] + hex[sum & 15] + "\n";
}

std::string Describe(const engine::TrackPoints& points, std::size_t n) {
  const TrackPointTexts point = TextsOf(points, n);
  return point.lat + " " + point.lon + " " + point.dateTime + " " + point.recDatum;
}

Track ReadNmea(std::string_view text, const char* vrmVrnDatum = "TOKYO") {
  engine::ConversionContext context;
  context.vrmVrnDatum = vrmVrnDatum;
  ReaderHarness reader(&engine::MakeNmeaReader, text, context);
  Track track;
  if (reader.Next() != engine::RecordKind::kTrk) return track;
  const auto& points = context.buffers.trkPnt;
  track.points = points.Count();
  if (track.points > 0) {
    track.first = Describe(points, 1);
    track.last = Describe(points, track.points);
  }
  track.report = reader.Report();
  return track;
}

TEST(NmeaLog, RealCapturesGiveOnePointPerFix) {
  const struct {
    const char* file;
    std::size_t points;
    const char* first;
    const char* last;
  } cases[] = {
      // $PGRMM says WGS 84; 45 degrees south.
      {"gpsd-garmin48.log", 7, "-45.4576333333333 167.15275 2001/06/06 22:53:08 WGS84",
       "-45.4576333333333 167.15275 2001/06/06 22:53:34 WGS84"},
      // 108 degrees west; the variation is east.
      {"gpsd-garmin15x.log", 7, "32.64858 -108.37411 2022/10/18 11:32:58 TOKYO",
       "32.6485383333333 -108.374266666667 2022/10/18 11:33:04 TOKYO"},
      // Four groups without a fix first, then DGPS fixes.
      {"gpsd-foretrex-201.log", 7, "55.073905 10.4256433333333 2010/08/26 20:00:04 TOKYO",
       "55.0739066666667 10.42564 2010/08/26 20:00:16 TOKYO"},
      // 37 groups without a fix, then 187 fixes.
      {"gpsd-telit-he910.log", 187, "50.8402033333333 4.34711 2019/03/12 10:51:53 TOKYO",
       "50.84021 4.34704666666667 2019/03/12 10:54:59 TOKYO"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string text = ReadCapture(c.file);
    if (text.empty()) GTEST_SKIP() << "no real captures in " << CaptureFolder();
    const Track track = ReadNmea(text);
    EXPECT_EQ(track.points, c.points);
    EXPECT_EQ(track.first, c.first);
    EXPECT_EQ(track.last, c.last);
    // The publishers' own "#" headers are no sentences, and are counted.
    EXPECT_GT(track.report.Skipped(SkipReason::kNotSentence), 0);
  }
}

TEST(NmeaLog, DamagedSentencesAreDroppedAndCounted) {
  const std::string stream =
      "$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6D\n"
      // a wrong checksum: its position would be far away
      "$GPGGA,225308,4627.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*53\n"
      // no checksum in a file whose sentences carry one
      "$GPGLL,4627.458,S,16709.165,E,225308,A\n"
      // cut inside its checksum
      "$GPRMC,225310,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6\n"
      "\x01\x02 noise\n"
      "\n"
      "$GPRMC,225312,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*66\n";
  const Track track = ReadNmea(stream);
  EXPECT_EQ(track.points, 2u);
  EXPECT_EQ(track.first, "-45.4576333333333 167.15275 2001/06/06 22:53:08 TOKYO");
  EXPECT_EQ(track.last, "-45.4576333333333 167.15275 2001/06/06 22:53:12 TOKYO");
  EXPECT_EQ(track.report.Skipped(SkipReason::kBadChecksum), 2);
  EXPECT_EQ(track.report.Skipped(SkipReason::kCutSentence), 1);
  EXPECT_EQ(track.report.Skipped(SkipReason::kNotSentence), 1);
}

TEST(NmeaLog, AStreamWithoutChecksumsIsRead) {
  const Track track = ReadNmea(
      "$GNRMC,235959,A,3540.0,N,13945.0,E,10.0,90.0,311224,,\n"
      "$GNGGA,235959,3540.0,N,13945.0,E,1,08,1.0,10,M,40,M,,\n"
      "$GNGGA,000004,3540.0,N,13945.1,E,1,08,1.0,10,M,40,M,,\n"
      "$GNGGA,000009,3540.0,N,13945.2,E,1,08,1.0,10,M,40,M,,\n");
  EXPECT_EQ(track.points, 3u);
  // The GGA fixes past midnight take the next day from the dated fix.
  EXPECT_EQ(track.first, "35.6666666666667 139.75 2024/12/31 23:59:59 TOKYO");
  EXPECT_EQ(track.last, "35.6666666666667 139.753333333333 2025/01/01 00:00:09 TOKYO");
}

// A 4 Hz receiver stamps its fixes a quarter second apart: the times are
// written in whole seconds, but the legs take the fractions, so the leg
// velocities are the receiver's, not 0 for fixes within one second.
TEST(NmeaLog, FractionalTimesGiveTheLegs) {
  engine::ConversionContext context;
  // The positions step north by 0.001 minutes each time.
  std::string moving;
  int step = 0;
  for (const char* time : {"120000.00", "120000.25", "120000.50", "120000.75", "120001.00"}) {
    const std::string lat = "3540.00" + std::to_string(step++);
    moving += Sentence(std::string("$GPRMC,") + time + ",A," + lat + ",N,13945.000,E,,,150702,,");
  }
  ReaderHarness reader(&engine::MakeNmeaReader, moving, context);
  ASSERT_EQ(reader.Next(), engine::RecordKind::kTrk);
  const engine::TrackPoints& points = context.buffers.trkPnt;
  ASSERT_EQ(points.Count(), 5u);
  EXPECT_EQ(TextsOf(points, 2).dateTime, "2002/07/15 12:00:00");
  EXPECT_EQ(TextsOf(points, 5).dateTime, "2002/07/15 12:00:01");
  for (std::size_t n = 2; n <= 5; ++n) {
    const TrackPointTexts point = TextsOf(points, n);
    EXPECT_EQ(point.legTime, 0.25) << n;
    EXPECT_NEAR(point.legLength, 1.852, 0.01) << n;  // 0.001 minutes of latitude
    EXPECT_NEAR(point.legVelocity, 1.852 / 0.25 * 3.6, 0.2) << n;
  }
  EXPECT_EQ(context.buffers.trkHdr.totalTripTime, 1);
}

TEST(NmeaLog, WithoutAnyDateTheTimesStayTimesOfDay) {
  const Track track = ReadNmea(Sentence("$GPGGA,235958,3540.0,N,13945.0,E,1,08,1.0,10,M,40,M,,") +
                               Sentence("$GPGGA,000001,3540.0,N,13945.0,E,1,08,1.0,10,M,40,M,,") +
                               Sentence("$GPGGA,000002,3540.0,N,13945.0,E,0,00,,,M,,M,,"));
  EXPECT_EQ(track.points, 2u);
  EXPECT_EQ(track.first, "35.6666666666667 139.75 23:59:58 TOKYO");
  EXPECT_EQ(track.last, "35.6666666666667 139.75 00:00:01 TOKYO");
  EXPECT_EQ(track.report.Skipped(SkipReason::kLogRecordWithoutFix), 1);
}

TEST(NmeaLog, PgrmmNamesTheDatum) {
  const std::string fix = "$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6D\n";
  const Track tokyo = ReadNmea(fix + Sentence("$PGRMM,Tokyo"), "WGS84");
  EXPECT_EQ(tokyo.first.substr(tokyo.first.rfind(' ')), " TOKYO");
  const Track unknown = ReadNmea(fix + Sentence("$PGRMM,NAD27 CONUS"), "WGS84");
  EXPECT_EQ(unknown.first.substr(unknown.first.rfind(' ')), " WGS84");
  EXPECT_EQ(unknown.report.unknownDatums, std::vector<std::string>{"NAD27 CONUS"});
}

TEST(NmeaLog, LogFilesOfSentencesAreReadAsNmea) {
  TempDir dir;
  const std::string log =
      dir.Write("capture.log",
                "# a header\n\n" + Sentence("$GPRMC,225308,A,4527.458,S,16709.165,E,0,0,060601,,"));
  EXPECT_EQ(engine::GetInputFileType(log), engine::FileType::kNmea);
  EXPECT_EQ(engine::GetInputFileType(dir.Write("other.log", "started 12:00\n")),
            engine::FileType::kLog);
  EXPECT_EQ(engine::GetFileType("trip.NMEA"), engine::FileType::kNmea);

  RecordingObserver observer;
  engine::ConversionContext context;
  engine::ConvertOptions options = OptionsFor(log, dir.Path("out.vrc"));
  const engine::ConversionResult result = engine::ConvertFile(options, context, observer);
  EXPECT_EQ(result.outcome, engine::Outcome::kConverted);
  EXPECT_EQ(result.report.written.trackPoints, 1);
  options.inputName = dir.Path("other.log");
  EXPECT_EQ(engine::ConvertFile(options, context, observer).reason,
            engine::Message::kInputUnsupported);
}

}  // namespace
}  // namespace vc::testing
