// Real NMEA captures of Garmin and other receivers, read as VRN logs. The
// captures have no empty lines between fixes, so one is put before every
// $GPRMC, which starts each group of sentences in these files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "formats/vornpointer/nmea_block.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"

namespace vc::vp {
namespace {

std::filesystem::path CaptureFolder() {
  const char* tests = std::getenv("VC_TESTDATA");
  const std::filesystem::path base = tests != nullptr ? tests : ".";
  return base / ".." / ".." / "shared" / "testdata" / "real";
}

struct Capture {
  std::vector<LogRecord> records;
  std::vector<LogLine> fixes;
};

// Reads the file as VRN blocks; false when the file is missing.
bool ReadCapture(const std::string& name, Capture& capture) {
  std::ifstream file(CaptureFolder() / name, std::ios::binary);
  if (!file) return false;
  std::string grouped;
  for (std::string line; std::getline(file, line);) {
    if (line.rfind("$GPRMC", 0) == 0) grouped += "\n";
    grouped += line + "\n";
  }
  text::StringLineSource source(grouped);
  LogFixState state;
  LogLine line;
  for (LogRecord r; (r = ReadVrnBlock(source, state, line)) != LogRecord::kEnd;) {
    capture.records.push_back(r);
    if (r == LogRecord::kFix) capture.fixes.push_back(line);
  }
  return true;
}

std::size_t Count(const Capture& capture, LogRecord record) {
  std::size_t n = 0;
  for (LogRecord r : capture.records) n += r == record ? 1 : 0;
  return n;
}

struct CaptureCase {
  const char* file;
  std::size_t fixes;
  const char* latHemisphere;
  double lat;
  const char* lonHemisphere;
  double lon;
  const char* date;
  std::size_t undated;  // fixes of blocks without a $GPRMC date: the time alone
  const char* fixType;
};

TEST(RealCaptures, ReadSensibly) {
  const std::vector<CaptureCase> cases = {
      // S and W give negative degrees: these fixes were once put at 45° N
      // and 108° E.
      {"gpsd-garmin48.log", 7, "S", -45.4576, "E", 167.1528, "2001/06/06", 0, "3D"},
      {"gpsd-foretrex-201.log", 7, "N", 55.0739, "E", 10.4256, "2010/08/26", 0, "2d"},
      {"gpsd-garmin15x.log", 7, "N", 32.6486, "W", -108.3741, "2022/10/18", 0, "3d"},
      // Simulated fixes (quality 8) never set a fix mode.
      {"gpsd-garmin-geko201.log", 18, "N", 40.3977, "W", -3.6527, "2005/06/14", 0, ""},
      // Its sentences are out of order in places: five groups hold a second
      // cycle (a $GPGGA of another time), read as fixes of their own.
      {"gpsbabel-nmea+ms.txt", 36, "N", 53.5567, "E", 9.8656, "2007/08/17", 6, "3D"},
      // One group has its position and time in $GPGGA only, so no date.
      {"gpsd-telit-he910.log", 188, "N", 50.8402, "E", 4.3471, "2019/03/12", 1, "3D"},
  };
  for (const CaptureCase& c : cases) {
    SCOPED_TRACE(c.file);
    Capture capture;
    if (!ReadCapture(c.file, capture)) GTEST_SKIP() << "captures not found";
    EXPECT_EQ(capture.fixes.size(), c.fixes);
    std::size_t undated = 0;
    for (const LogLine& fix : capture.fixes) {
      EXPECT_EQ(fix.field[kLogLatHemisphere], c.latHemisphere);
      EXPECT_EQ(fix.field[kLogLonHemisphere], c.lonHemisphere);
      EXPECT_NEAR(text::LeadingValue(fix.field[kLogLat]), c.lat, 0.01);
      EXPECT_NEAR(text::LeadingValue(fix.field[kLogLon]), c.lon, 0.01);
      const std::string& when = fix.field[kLogDateTime];
      if (when.size() == 8) {
        ++undated;
      } else {
        EXPECT_EQ(when.substr(0, 10), c.date);
      }
      EXPECT_TRUE(text::ParseDateTime(when).has_value()) << when;
      EXPECT_EQ(fix.field[kLogFixType], c.fixType) << when;
      EXPECT_EQ(fix.field[kLogDatum], "-");
      EXPECT_EQ(fix.field[kLogUtcOffset], "0");
    }
    EXPECT_EQ(undated, c.undated);
  }
}

TEST(RealCaptures, FirstFixesInDetail) {
  Capture garmin48, foretrex, garmin15x, telit;
  if (!ReadCapture("gpsd-garmin48.log", garmin48) ||
      !ReadCapture("gpsd-foretrex-201.log", foretrex) ||
      !ReadCapture("gpsd-garmin15x.log", garmin15x) ||
      !ReadCapture("gpsd-telit-he910.log", telit)) {
    GTEST_SKIP() << "captures not found";
  }
  const LogLine& south = garmin48.fixes.at(0);
  EXPECT_EQ(south.field[kLogDateTime], "2001/06/06 22:53:08");
  EXPECT_EQ(south.field[kLogPosError], "9.1");
  EXPECT_EQ(south.field[kLogAltitude], "14.6304");  // $PGRMZ 48 ft, not the GGA height
  EXPECT_EQ(south.field[kLogCourse], "70.4");       // 94.5 - 24.1 E
  // Foretrex: groups without time or position come first; altitude -30 ft.
  EXPECT_EQ(foretrex.records.at(1), LogRecord::kNoPosition);
  EXPECT_EQ(foretrex.fixes.at(0).field[kLogAltitude], "-9.144");
  // Garmin 15x sends no $PGRMZ: the GGA altitude above sea level is used.
  EXPECT_EQ(garmin15x.fixes.at(0).field[kLogAltitude], "1577.4");
  // Telit: a long start without a fix, nothing without a time afterwards.
  EXPECT_EQ(Count(telit, LogRecord::kNoTime), 0u);
  EXPECT_EQ(Count(telit, LogRecord::kNoPosition), telit.records.size() - 188);
}

}  // namespace
}  // namespace vc::vp
