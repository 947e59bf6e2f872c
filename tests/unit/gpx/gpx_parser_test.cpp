#include "formats/gpx/gpx_parser.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace vc::gpx {
namespace {

// What a document holds, as lines: "W name lat lon", "R name number n",
// "T name n", one per record, and the points of the last track.
class Recorder final : public GpxHandler {
 public:
  void Waypoint(const GpxPoint& point) override {
    records.push_back("W " + point.name + " " + point.lat + " " + point.lon);
    last = point;
  }
  void RouteBegin() override { points = 0; }
  void RoutePoint(const GpxPoint& /*point*/) override { ++points; }
  void RouteEnd(std::string_view name, std::string_view number) override {
    records.push_back("R " + std::string(name) + " " + std::string(number) + " " +
                      std::to_string(points));
  }
  void TrackBegin() override { points = 0; }
  void TrackPoint(const GpxPoint& point) override {
    ++points;
    last = point;
  }
  void TrackEnd(std::string_view name) override {
    records.push_back("T " + std::string(name) + " " + std::to_string(points));
  }

  std::vector<std::string> records;
  GpxPoint last;
  int points = 0;
};

struct Parsed {
  GpxParser::Status status;
  std::vector<std::string> records;
  GpxPoint last;
  std::int64_t line = 0;
  std::int64_t column = 0;
};

// Fed in pieces of `piece` bytes, resumed after every record.
Parsed Parse(const std::string& document, std::size_t piece = 7) {
  Recorder recorder;
  GpxParser parser(recorder);
  GpxParser::Status status = GpxParser::Status::kNeedMore;
  std::size_t at = 0;
  while (true) {
    if (status == GpxParser::Status::kRecord) {
      status = parser.Resume();
    } else if (status == GpxParser::Status::kNeedMore) {
      const std::size_t size = std::min(piece, document.size() - at);
      status = parser.Feed(document.data() + at, size, at + size == document.size());
      at += size;
    } else {
      break;
    }
  }
  return {status, recorder.records, recorder.last, parser.ErrorLine(), parser.ErrorColumn()};
}

std::string ReadSample(const std::string& name) {
  const char* tests = std::getenv("VC_TESTDATA");
  const std::filesystem::path base = tests != nullptr ? tests : ".";
  std::ifstream file(base / ".." / ".." / "shared" / "testdata" / "gpx" / name, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

TEST(GpxParser, RecordsOneAtATimeWhateverThePieces) {
  const std::string document =
      "<?xml version=\"1.0\"?>\n<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\" "
      "xmlns:tpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"
      "<metadata><name>not a waypoint</name><time>2013-01-01T12:00:00Z</time></metadata>\n"
      "<wpt lat=\" 35.681236\" lon=\"139.767125\"><name>STATION</name><cmt>c &amp; d</cmt>"
      "<extensions><x:name xmlns:x=\"urn:x\">not the name</x:name></extensions></wpt>\n"
      "<rte><rtept lat=\"1\" lon=\"2\"><name>A</name></rtept><rtept lat=\"3\" lon=\"4\"/>"
      "<name>Kyoto trip</name><number>7</number></rte>\n"
      "<trk><name>Walk</name><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg><trkseg/>"
      "<trkseg><trkpt lat=\"3\" lon=\"4\"><ele>12.5</ele><time>2009-10-17T18:37:26.5Z</time>"
      "<extensions><tpx:TrackPointExtension><tpx:speed>2.5</tpx:speed><tpx:course>45</tpx:course>"
      "</tpx:TrackPointExtension></extensions></trkpt></trkseg></trk>\n</gpx>\n";
  for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, document.size()}) {
    SCOPED_TRACE(piece);
    const Parsed parsed = Parse(document, piece);
    EXPECT_EQ(parsed.status, GpxParser::Status::kEnd);
    EXPECT_EQ(parsed.records, (std::vector<std::string>{"W STATION 35.681236 139.767125",
                                                        "R Kyoto trip 7 2", "T Walk 2"}));
    EXPECT_EQ(parsed.last.elevation, 12.5);
    EXPECT_EQ(parsed.last.utc, text::ToLocalSeconds({2009, 10, 17, 18, 37, 26}));
    EXPECT_EQ(parsed.last.speedMps, 2.5);
    EXPECT_EQ(parsed.last.course, 45);
  }
}

TEST(GpxParser, SpeedAndCourseOfGpx10) {
  const Parsed parsed = Parse(
      "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\"><trk><trkseg>"
      "<trkpt lat=\"1\" lon=\"2\"><course>270.5</course><speed>3</speed></trkpt>"
      "</trkseg></trk></gpx>");
  EXPECT_EQ(parsed.status, GpxParser::Status::kEnd);
  EXPECT_EQ(parsed.last.speedMps, 3);
  EXPECT_EQ(parsed.last.course, 270.5);
}

TEST(GpxParser, EncodingsTheDeclarationNames) {
  // "é" in ISO-8859-1 is the byte 0xE9; it arrives as UTF-8.
  const Parsed latin = Parse(
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><gpx><wpt lat=\"1\" lon=\"2\">"
      "<name>caf\xe9</name></wpt></gpx>");
  EXPECT_EQ(latin.records, std::vector<std::string>{"W caf\xc3\xa9 1 2"});
  const Parsed bom = Parse("\xef\xbb\xbf<gpx><wpt lat=\"1\" lon=\"2\"/></gpx>");
  EXPECT_EQ(bom.status, GpxParser::Status::kEnd);
}

TEST(GpxParser, DocumentsThatAreNotWellFormedSayWhere) {
  const struct {
    const char* document;
    std::int64_t line;
    std::int64_t column;
  } cases[] = {
      {"<gpx>\n<wpt lat=\"1\" lon=\"2\">\n</trk></gpx>", 3, 3},
      {"<gpx><wpt lat=\"1\" lon=\"2\"></wpt>", 1, 33},
      {"", 1, 1},
      {"<kml><Document/></kml>", 1, 6},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    const Parsed parsed = Parse(c.document);
    EXPECT_EQ(parsed.status, GpxParser::Status::kError);
    EXPECT_EQ(parsed.line, c.line);
    EXPECT_EQ(parsed.column, c.column);
  }
}

TEST(GpxParser, FilesOfOtherPrograms) {
  const struct {
    const char* file;
    std::vector<std::string> records;
  } cases[] = {
      {"track-with-empty-segment.gpx", {"T 2013-07-06T14:59:00Z 9"}},
      {"route.gpx", {"R   55"}},  // no name, no number
      {"unicode_with_bom.gpx", {"W test 43.309634 3.515386"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string document = ReadSample(c.file);
    if (document.empty()) GTEST_SKIP() << "no GPX samples";
    const Parsed parsed = Parse(document, 4096);
    EXPECT_EQ(parsed.status, GpxParser::Status::kEnd);
    EXPECT_EQ(parsed.records, c.records);
  }
}

}  // namespace
}  // namespace vc::gpx
