#include "formats/gpx/gpx_events.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

namespace vc::gpx {
namespace {

std::string ValueText(const std::optional<double>& value) {
  if (!value) return "none";
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, *value);
  return std::string(text, result.ptr);
}

// Every call with every field, as text.
class CallLog final : public GpxHandler {
 public:
  void Waypoint(const GpxPoint& point) override { Point("wpt", point); }
  void RouteBegin() override { calls.emplace_back("rte"); }
  void RoutePoint(const GpxPoint& point) override { Point("rtept", point); }
  void RouteEnd(std::string_view name, std::string_view number) override {
    calls.push_back("/rte [" + std::string(name) + "] [" + std::string(number) + "]");
  }
  void TrackBegin() override { calls.emplace_back("trk"); }
  void TrackPoint(const GpxPoint& point) override { Point("trkpt", point); }
  void TrackEnd(std::string_view name) override {
    calls.push_back("/trk [" + std::string(name) + "]");
  }

  void Mark(GpxParser::Status status, std::int64_t line, std::int64_t column,
            bool inputFailed = false) {
    calls.push_back("status " + std::to_string(static_cast<int>(status)) + " " +
                    std::to_string(line) + ":" + std::to_string(column) +
                    (inputFailed ? " input failed" : ""));
  }

  std::vector<std::string> calls;

 private:
  void Point(const char* kind, const GpxPoint& point) {
    calls.push_back(std::string(kind) + " " + ValueText(point.latValue) + " " +
                    ValueText(point.lonValue) + " [" + point.lat + "] [" + point.lon + "] [" +
                    point.name + "] [" + point.cmt + "] [" + point.desc + "] " +
                    ValueText(point.elevation) + " " +
                    (point.utc ? std::to_string(*point.utc) : "none") + " " +
                    ValueText(point.speedMps) + " " + ValueText(point.course));
  }
};

// Parses `document` in pieces, resumed after every record, with `handler`;
// after every step `mark` is told the status.
template <typename Marker>
void ParseInPieces(const std::string& document, std::size_t piece, GpxHandler& handler,
                   Marker mark) {
  GpxParser parser(handler);
  std::size_t at = 0;
  GpxParser::Status status = GpxParser::Status::kNeedMore;
  while (status == GpxParser::Status::kNeedMore) {
    const std::size_t size = std::min(piece, document.size() - at);
    status = parser.Feed(document.data() + at, size, at + size == document.size());
    at += size;
    mark(status, parser);
    while (status == GpxParser::Status::kRecord) {
      status = parser.Resume();
      mark(status, parser);
    }
  }
}

std::vector<std::string> CallsMadeDirectly(const std::string& document, std::size_t piece) {
  CallLog log;
  ParseInPieces(document, piece, log, [&](GpxParser::Status status, const GpxParser& parser) {
    const bool error = status == GpxParser::Status::kError;
    log.Mark(status, error ? parser.ErrorLine() : 0, error ? parser.ErrorColumn() : 0);
  });
  return log.calls;
}

std::string Recorded(const std::string& document, std::size_t piece) {
  GpxEventRecorder recorder;
  const auto mark = [&](GpxParser::Status status, const GpxParser& parser) {
    recorder.MarkStatus(status, parser);
  };
  ParseInPieces(document, piece, recorder, mark);
  return recorder.Events();
}

std::vector<std::string> Replayed(const std::string& events) {
  CallLog log;
  GpxEventReplay replay(events);
  while (const std::optional<GpxMark> mark = replay.ReplayToMark(log)) {
    log.Mark(mark->status, mark->line, mark->column, mark->inputFailed);
  }
  EXPECT_TRUE(replay.AtEnd());
  return log.calls;
}

#define GPX11 "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" "
#define TPX2 "xmlns:t=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\""

const char* const kDocuments[] = {
    GPX11
    "><wpt lat=\"35.5\" lon=\"139.5\"><ele>3.4</ele><time>2002-07-15T03:04:05Z</time>"
    "<name>STATION</name><cmt>a &amp; b</cmt><desc><![CDATA[<x>]]></desc></wpt>"
    "<wpt lat=\" 35.50100 \" lon=\"abc\"/><wpt/></gpx>",
    GPX11
    "><rte><rtept lat=\"1\" lon=\"2\"><name>A</name></rtept><name>late</name></rte>"
    "<rte><number>7</number></rte><rte/></gpx>",
    GPX11 TPX2
    "><trk><name>t</name><trkseg><trkpt lat=\"35.5\" lon=\"139.5\">"
    "<time>2002-07-15T03:04:05Z</time><name>passed over</name><extensions>"
    "<t:TrackPointExtension><t:speed>2.5</t:speed><t:course>45</t:course>"
    "</t:TrackPointExtension></extensions></trkpt></trkseg><trkseg/>"
    "<trkseg><trkpt lat=\"-0.000001\" lon=\"1e5\"><time>junk</time></trkpt>"
    "</trkseg></trk><trk/></gpx>",
    // Coordinates spelled twice (with a prefix), missing or alone, times
    // given twice, and texts on every kind of point.
    GPX11
    "xmlns:p=\"urn:p\"><trk><trkseg>"
    "<trkpt lat=\"abc\" p:lat=\"35.5\" lon=\"1\"><time>2002-07-15T03:04:05Z</time>"
    "<time>bad</time></trkpt><trkpt p:lon=\"2\" lat=\"3\" lon=\"x\"><time></time></trkpt>"
    "<trkpt/><trkpt lon=\"5\"><time>2002-07-16T00:00:00Z</time>"
    "<time>2002-07-17T00:00:01Z</time></trkpt></trkseg></trk>"
    "<wpt lat=\"1\" lon=\"2\"><time>bad</time><time>2002-07-15T03:04:05Z</time></wpt>"
    "<wpt p:lat=\" 7.50 \" p:lon=\"8\"/></gpx>",
    "<gpx version=\"1.0\"><trk><trkseg><trkpt lat=\"1\" lon=\"2\"><speed>3</speed>"
    "<course>270</course><ele>-5</ele></trkpt></trkseg></trk></gpx>",
    // Faults: not a GPX, a tag that does not match, a prefix never declared,
    // a document cut short.
    "<kml/>",
    GPX11 "><wpt lat=\"1\" lon=\"2\">\n</trk></gpx>",
    GPX11 "><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk>\n<q:wpt/></gpx>",
    GPX11 "><trk><trkseg><trkpt lat=\"1\" lon=\"2\"/>",
};

TEST(GpxEvents, ReplayMakesTheCallsAndStatusesOfTheParserInOrder) {
  for (const char* document : kDocuments) {
    SCOPED_TRACE(document);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 16}) {
      SCOPED_TRACE(piece);
      const std::vector<std::string> direct = CallsMadeDirectly(document, piece);
      EXPECT_EQ(Replayed(Recorded(document, piece)), direct);
    }
  }
}

TEST(GpxEvents, AFailedInputIsAnErrorOfItsOwn) {
  GpxEventRecorder recorder;
  recorder.MarkInputFailed();
  GpxEventReplay replay(recorder.Events());
  CallLog log;
  const std::optional<GpxMark> mark = replay.ReplayToMark(log);
  ASSERT_TRUE(mark);
  EXPECT_EQ(mark->status, GpxParser::Status::kError);
  EXPECT_TRUE(mark->inputFailed);
}

// A stream cut anywhere, or that is no stream at all, ends the replay
// without reading past its end (the sanitized build checks that).
TEST(GpxEvents, AStreamCutShortEndsTheReplay) {
  const std::string events = Recorded(kDocuments[0], 5) + Recorded(kDocuments[2], 64);
  for (std::size_t cut = 0; cut < events.size(); ++cut) {
    const std::string part = events.substr(0, cut);
    GpxEventReplay replay(part);
    CallLog log;
    for (int turn = 0; turn <= static_cast<int>(cut) && replay.ReplayToMark(log); ++turn) {
    }
    EXPECT_TRUE(replay.AtEnd());
  }
  GpxEventReplay foreign("\xff\x01\x02");
  CallLog log;
  EXPECT_FALSE(foreign.ReplayToMark(log));
}

}  // namespace
}  // namespace vc::gpx
