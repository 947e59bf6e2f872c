// GPX track points as the other outputs see them: each point its own
// position, time, speed and course, whatever the points before it held.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "engine/driver.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

// The TAB-separated fields of the VRC track point lines.
std::vector<std::vector<std::string>> TrackPointFields(const std::string& vrc) {
  std::vector<std::vector<std::string>> points;
  std::istringstream lines(vrc);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("TRP\t", 0) != 0) continue;
    std::vector<std::string> fields;
    std::istringstream split(line);
    for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
    points.push_back(fields);
  }
  return points;
}

// Regression: every point of a track starts from the same blank point, so a
// speed or course given at one point must not reach the next one.
TEST(GpxReader, EachTrackPointHasOnlyItsOwnValues) {
  const std::string gpx =
      "<?xml version=\"1.0\"?>\n"
      "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
      "xmlns:tpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\"><trk><trkseg>\n"
      "<trkpt lat=\"35.5\" lon=\"139.5\"><time>2002-07-15T03:04:05Z</time><name>A</name>"
      "<extensions><tpx:TrackPointExtension><tpx:speed>2.5</tpx:speed><tpx:course>45</tpx:course>"
      "</tpx:TrackPointExtension></extensions></trkpt>\n"
      "<trkpt lat=\"35.50100\" lon=\"139.501\"><desc>no values</desc></trkpt>\n"
      "<trkpt lat=\"35.502\" lon=\"139.502\"><time>2002-07-15T03:04:25Z</time>"
      "<extensions><tpx:TrackPointExtension><tpx:course>90.5</tpx:course>"
      "</tpx:TrackPointExtension></extensions></trkpt>\n"
      "</trkseg></trk></gpx>\n";
  TempDir dir;
  engine::ConvertOptions options = OptionsFor(dir.Write("in.gpx", gpx), dir.Path("out.vrc"));
  options.convertTracks = true;
  RecordingObserver observer;
  engine::ConversionContext context;
  engine::RunConvertCommand(options, context, observer);
  const auto points = TrackPointFields(dir.Read("out.vrc"));
  ASSERT_EQ(points.size(), 3U) << dir.Read("out.vrc");
  const struct {
    const char* lat;
    const char* lon;
    const char* time;
    const char* velocity;
    const char* course;
  } expected[] = {
      {"35.5", "139.5", "2002/07/15 03:04:05", "9", "45"},
      // A latitude not in its shortest form keeps its own text.
      {"35.50100", "139.501", "", "-", "-"},
      {"35.502", "139.502", "2002/07/15 03:04:25", "-", "90.5"},
  };
  for (std::size_t i = 0; i < points.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_GE(points[i].size(), 9U);
    EXPECT_EQ(points[i][3], expected[i].lat);
    EXPECT_EQ(points[i][4], expected[i].lon);
    EXPECT_EQ(points[i][5], expected[i].time);
    EXPECT_EQ(points[i][7], expected[i].velocity);
    EXPECT_EQ(points[i][8], expected[i].course);
  }
}

}  // namespace
}  // namespace vc::testing
