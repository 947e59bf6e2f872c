#include "engine/route_points.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/output/point_conversion.hpp"
#include "geo/coord_text.hpp"
#include "support/route_point_support.hpp"
#include "support/writer_support.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

// Coordinate texts of every shape: the fixed spellings Waypoint+ and VRC
// files hold, general texts, and the near misses that must stay texts.
std::vector<std::string> CoordTexts() {
  std::vector<std::string> texts = {
      "35.731200",
      " 139.767100",
      "   -35.500000",
      "35.7312",
      "35",
      "0",
      "0.5",
      "-0.5",
      "-0",         // the pattern would drop the sign
      "-0.000000",  // so would it here
      "035.5",
      "+35.5",
      "35.",
      ".5",
      "35.5 ",
      "\t35.5",
      "1e5",
      "35/39/13.2",
      "x",
      "",
      "123456789012345",              // fifteen digits: a fixed spelling
      "1234567890123456",             // sixteen: not
      "0.12345678901234",             // fourteen decimals
      "0.123456789012345",            // fifteen: not fixed, but a general text
      "0.100000000000000",            // fifteen decimals and no general text
      std::string(16, ' ') + "35.5",  // too many blanks for the spelling
      std::string(15, ' ') + "35.5",
      "2.675",
      "-139.767123456789",
      "100000000000000000000",
  };
  std::uint64_t state = 11;
  auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  for (int i = 0; i < 5000; ++i) {
    std::string text(next(3), ' ');
    if (next(4) == 0) text += '-';
    const std::uint64_t intDigits = 1 + next(8);
    for (std::uint64_t k = 0; k < intDigits; ++k) text += static_cast<char>('0' + next(10));
    if (next(3) != 0) {
      text += '.';
      const std::uint64_t fracDigits = next(10);
      for (std::uint64_t k = 0; k < fracDigits; ++k) text += static_cast<char>('0' + next(10));
    }
    texts.push_back(text);
  }
  return texts;
}

// However a coordinate is kept, it reads back as its text, and its degrees
// and its text in every form are those the coordinate functions give for
// that text.
TEST(RoutePoints, CoordinatesAgreeWithTheirTextsInEveryForm) {
  const char* const forms[] = {"D", "DM", "DMS", "MPS", "PAO", "?"};
  RoutePoints points;
  for (const std::string& text : CoordTexts()) {
    for (const char* form : forms) {
      SCOPED_TRACE("[" + text + "] in " + form);
      RtePnt& point = points.Add();
      points.SetLabels(point, "WGS84", "0", form);
      points.SetCoord(point, PointField::kLat, text);
      std::string scratch;
      ASSERT_EQ(points.CoordText(point, PointField::kLat, scratch), text);
      ASSERT_EQ(points.Degrees(point, PointField::kLat), geo::CoordDegrees(text, form));
      for (const char* to : forms) {
        std::string out;
        points.AppendCoordIn(out, point, PointField::kLat, to);
        ASSERT_EQ(out, geo::ConvertCoordText(text, form, to)) << to;
      }
    }
  }
}

// A million-point route must not store its coordinates as texts: the
// decimals of Waypoint+ and VRC files are kept in the point.
TEST(RoutePoints, FixedDecimalsAreKeptWithoutText) {
  RoutePoints points;
  for (const char* text : {"35.731200", " 139.767100", "-35.5", "35", "  0.000001", "35.7312"}) {
    RtePnt& point = points.Add();
    points.SetCoord(point, PointField::kLon, text);
    EXPECT_FALSE(point.HasOwnText(PointField::kLon)) << text;
  }
  for (const char* text : {"-0.0", "035.5", "+35.5", "35/39/13.2", ""}) {
    RtePnt& point = points.Add();
    points.SetCoord(point, PointField::kLon, text);
    EXPECT_TRUE(point.HasOwnText(PointField::kLon)) << text;
  }
}

// A script's coordinates are kept as the degrees they were written from.
TEST(RoutePoints, CoordinatesFromDegreesReadAsTheirTextInTheForm) {
  RoutePoints points;
  for (const char* degrees : {"35.681234", "-139.7525", "0", "139.45"}) {
    for (const char* form : {"MPS", "PAO"}) {
      SCOPED_TRACE(std::string(degrees) + " as " + form);
      RtePnt& point = points.Add();
      points.SetLabels(point, "Tokyo", "+9", form);
      RoutePoints::SetCoordFromDegrees(point, PointField::kLon, text::LeadingValue(degrees));
      const std::string text = geo::ConvertCoordText(degrees, "D", form);
      std::string out;
      points.AppendCoordText(out, point, PointField::kLon);
      EXPECT_EQ(out, text);
      EXPECT_EQ(points.Degrees(point, PointField::kLon), geo::CoordDegrees(text, form));
      for (const char* to : {"D", "MPS", "DMS"}) {
        out.clear();
        points.AppendCoordIn(out, point, PointField::kLon, to);
        EXPECT_EQ(out, geo::ConvertCoordText(text, form, to)) << to;
      }
    }
  }
}

TEST(RoutePoints, TextsAndLabelsReadBackAndClearingStartsAfresh) {
  RoutePoints points;
  const std::string withNul("a\0b", 3);
  RtePnt& first = points.Add();
  points.SetText(first, PointText::kName, " TURN00 ");
  points.SetText(first, PointText::kInfo3, withNul);
  points.SetLabels(first, "TOKYO", "+9", "D");
  RtePnt& second = points.Add();
  points.SetText(second, PointText::kInfo1, "データ優先");
  points.SetLabels(second, "WGS84", "0", "DMS");
  RtePnt& third = points.Add();
  points.SetLabels(third, "TOKYO", "+9", "D");

  EXPECT_EQ(points.Text(points[1], PointText::kName), " TURN00 ");
  EXPECT_EQ(points.Text(points[1], PointText::kInfo1), "");
  EXPECT_EQ(points.Text(points[1], PointText::kInfo3), withNul);
  EXPECT_EQ(points.Text(points[2], PointText::kInfo1), "データ優先");
  EXPECT_EQ(points[1].labels, points[3].labels);
  EXPECT_EQ(std::string(points.Datum(points[2])) + "|" + std::string(points.UtcOffset(points[2])) +
                "|" + std::string(points.CoordFormat(points[2])),
            "WGS84|0|DMS");
  // A new point has empty coordinates.
  std::string scratch;
  EXPECT_EQ(points.CoordText(points[3], PointField::kLat, scratch), "");

  points.Clear();
  EXPECT_EQ(points.Count(), 0u);
  RtePnt& again = points.Add();
  EXPECT_EQ(points.Text(again, PointText::kName), "");
  EXPECT_EQ(points.Datum(again), "");
}

const text::LocalSeconds kNow = text::ToLocalSeconds({2002, 3, 5, 21, 0, 0});

OutputFrame FrameOf(std::string utcOffset, std::string datum, std::string coordFormat) {
  OutputFrame frame;
  frame.utcOffset = std::move(utcOffset);
  frame.datum = std::move(datum);
  frame.coordFormat = std::move(coordFormat);
  return frame;
}

// A route point's coordinates convert exactly as those of the track point
// of the same texts, for every datum and form.
TEST(RoutePoints, ConvertLikeTheTrackPointOfTheirTexts) {
  const std::vector<testing::PointTexts> texts = {
      {"P", "35.731200", "139.767100", "", "", "", "TOKYO", "+9", "D"},
      {"P", " 35.5", "139.75", "", "", "", "WGS84", "0", "D"},
      {"P", "35/39/13.2", "139/44/26.0", "", "", "", "Tokyo", "+9", "MPS"},
      {"P", "35.301234", "139.451200", "", "", "", "WGS84", "-5", "DMS"},
      {"P", "x", "", "", "", "", "TOKYO", "9", "DM"},
  };
  const std::vector<OutputFrame> frames = {
      FrameOf(kDataPriority, kDataPriority, kDataPriority), FrameOf("+9", "TOKYO", "MPS"),
      FrameOf("0", "WGS84", "D"), FrameOf("0", "WGS84", "DMS"), FrameOf("+9", "TOKYO", "PAO")};
  RoutePoints points;
  TrackPoints trackPoints;
  for (const testing::PointTexts& waypoint : texts) {
    const RtePnt& point = testing::AddRoutePoint(points, waypoint);
    const TrkPnt& trackPoint = testing::AddPoint(
        trackPoints,
        testing::MakeTrackPoint(waypoint.lat, waypoint.lon, "2002/07/15 03:04:05",
                                waypoint.recCoordFormat, waypoint.recDatum, waypoint.recUtcOffset));
    for (const OutputFrame& frame : frames) {
      SCOPED_TRACE(waypoint.lat + " " + waypoint.recCoordFormat + " to " + frame.coordFormat + " " +
                   frame.datum);
      ConvertedPoint expected;
      ConvertPointForOutput(trackPoints, trackPoint, frame, expected);
      ConvertedPoint converted;
      // Twice, so that the second conversion reuses what the first left.
      for (int pass = 0; pass < 2; ++pass) {
        ConvertPointForOutput(points, point, frame, kNow, converted);
        EXPECT_EQ(converted.lat, expected.lat);
        EXPECT_EQ(converted.lon, expected.lon);
        EXPECT_EQ(converted.outDatum, expected.outDatum);
        EXPECT_EQ(converted.outCoordFormat, expected.outCoordFormat);
      }
    }
  }
}

// The time of a route point is "now" in the output's zone, made again when
// "now" or the zone changes between points converted by one writer.
TEST(RoutePoints, PointTimeFollowsNowAndZone) {
  RoutePoints points;
  const RtePnt& utc =
      testing::AddRoutePoint(points, {"A", "35", "139", "", "", "", "WGS84", "0", "D"});
  const RtePnt& japan =
      testing::AddRoutePoint(points, {"B", "35", "139", "", "", "", "WGS84", "+9", "D"});
  const OutputFrame frame = FrameOf("+9", kDataPriority, kDataPriority);
  ConvertedPoint converted;
  ConvertPointForOutput(points, utc, frame, kNow, converted);
  EXPECT_EQ(converted.pointTime, "2002/03/06 6:00:00");
  ConvertPointForOutput(points, japan, frame, kNow, converted);
  EXPECT_EQ(converted.pointTime, "2002/03/05 21:00:00");
  ConvertPointForOutput(points, japan, frame, kNow + 60, converted);
  EXPECT_EQ(converted.pointTime, "2002/03/05 21:01:00");
  ConvertPointForOutput(points, utc, frame, kNow + 60, converted);
  EXPECT_EQ(converted.pointTime, "2002/03/06 6:01:00");
}

}  // namespace
}  // namespace vc::engine
