#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "engine/context.hpp"
#include "engine/input/record_reader.hpp"
#include "geo/distance.hpp"
#include "support/record_reader_support.hpp"
#include "support/route_point_support.hpp"
#include "support/track_point_support.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

using Summary = std::vector<std::string>;

struct Reading : vc::testing::ReaderHarness {
  Reading(std::string_view text, ConversionContext& context)
      : ReaderHarness(MakeWaypointPlusReader, text, context) {}
};

Summary Read(std::string_view text) {
  ConversionContext context;
  return Reading(text, context).Summary();
}

// Track points one second apart with the given new-track flags.
std::string TrackPoints(const std::vector<std::string>& flags) {
  std::string text;
  int second = 0;
  for (const std::string& flag : flags) {
    text += "TP,D, 35.5, 139.5,01/31/2002,21:05:0" + std::to_string(second++) + "," + flag + "\r\n";
  }
  return text;
}

TEST(WaypointPlusDatum, FirstLineSetsFileDatumAndIsNotLost) {
  struct Case {
    std::string_view text;
    std::string_view fileDatum;
    Summary records;
  };
  const Case cases[] = {
      {"Datum,WGS84,WGS84,0,0,0,0,0\r\nWP,D,A, 35.5, 139.5,,,\r\n", "WGS84", {"WPT A", "EOF"}},
      {"Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664\r\n", "TOKYO", {"EOF"}},
      {"Datum,WGS84,a tokyo copy\r\n", "TOKYO", {"EOF"}},
      {"WP,D,A,1,2,,,\r\nWP,D,B,1,2,,,\r\n", "TOKYO", {"WPT A", "WPT B", "EOF"}},
      {"TP,D,1,2,01/31/2002,21:05:09,1\r\n", "TOKYO", {"TRK 1 1", "EOF"}},
      {"", "TOKYO", {"EOF"}},
  };
  for (const Case& c : cases) {
    ConversionContext context;
    Reading reading(c.text, context);
    EXPECT_EQ(context.fileDatum, c.fileDatum) << c.text;
    EXPECT_EQ(reading.Summary(), c.records) << c.text;
  }
}

TEST(WaypointPlusDatum, LaterDatumLineAppliesToTheRecordsAfterIt) {
  // What appending to an output leaves behind.
  ConversionContext context;
  Reading reading(
      "Datum,Tokyo mean\r\n" + TrackPoints({"1"}) + "Datum,WGS84\r\n" + TrackPoints({"1"}),
      context);
  ASSERT_EQ(reading.Next(), RecordKind::kTrk);
  EXPECT_EQ(vc::testing::TextsOf(context.buffers.trkPnt, 1).recDatum, "TOKYO");
  ASSERT_EQ(reading.Next(), RecordKind::kTrk);
  EXPECT_EQ(vc::testing::TextsOf(context.buffers.trkPnt, 1).recDatum, "WGS84");
  EXPECT_EQ(reading.Next(), RecordKind::kEof);
}

TEST(WaypointPlusRecords, KindsDecideTheRecords) {
  const std::string route = "RN,1,R\r\nRP,D,P1,1,2,,,\r\n";
  EXPECT_EQ(Read("WP,D,A,1,2,,,\r\nWP,D,B,1,2,,,\r\n" + route + "RP,D,P2,1,2,,,\r\n" +
                 TrackPoints({"1", "0", "0"})),
            (Summary{"WPT A", "WPT B", "RTE 2 2", "TRK 3 3", "EOF"}));
  // Blank lines, unknown kinds, route points outside a route: passed over.
  EXPECT_EQ(Read("\r\nXX,1,2\r\n   \r\nRP,D,P1,1,2,,,\r\nWP,D,A,1,2,,,\r\nZZ\r\n"),
            (Summary{"WPT A", "EOF"}));
  EXPECT_EQ(Read("RN,1,R\r\nRN,2,S\r\nWP,D,A,1,2,,,\r\n"),
            (Summary{"RTE 0 0", "RTE 0 0", "WPT A", "EOF"}));
  // The line that ends a route or track starts the next record.
  EXPECT_EQ(Read(route + TrackPoints({"1", "0"}) + "WP,D,A,1,2,,,\r\n"),
            (Summary{"RTE 1 1", "TRK 2 2", "WPT A", "EOF"}));
  EXPECT_EQ(Read(TrackPoints({"0"}) + "XX\r\n" + TrackPoints({"0"})),
            (Summary{"TRK 1 1", "TRK 1 1", "EOF"}));
  // Cut short or damaged.
  EXPECT_EQ(Read("TP,D, 35.5"), (Summary{"TRK 1 1", "EOF"}));
  EXPECT_EQ(Read("\"unclosed,\r\n,,,\r\n\x01\xff\xfe,\"\r\n"), (Summary{"EOF"}));
}

TEST(WaypointPlusRecords, TheReportCountsTheLinesPassedOver) {
  const struct {
    std::string text;
    std::int64_t unknown;
  } cases[] = {
      // Read by fields, "XX,1,2" gives three unknown kinds: one line.
      {"XX,1,2\r\nWP,D,A,1,2,,,\r\nZZ\r\n", 2},
      {"WP,D,A,1,2,,,,surplus\r\nWP,D,B,1,2,,,\r\n", 1},
      {"RP,D,P1,1,2,,,\r\nRN,1,R\r\nRP,D,P2,1,2,,,\r\n", 1},
      // Datum lines and blank lines are no loss.
      {"Datum,WGS84,WGS84,0,0,0,0,0\r\n\r\nWP,D,A,1,2,,,\r\nDatum,WGS84,WGS84,0,0,0,0,0\r\n", 0},
  };
  for (const auto& c : cases) {
    ConversionContext context;
    Reading reading(c.text, context);
    reading.Summary();
    EXPECT_EQ(reading.report().Skipped(SkipReason::kUnknownLine), c.unknown) << c.text;
  }
}

TEST(WaypointPlusRecords, NewTrackFlagSplitsTracksExceptAfterTheFirstPoint) {
  struct Case {
    std::vector<std::string> flags;
    Summary records;
  };
  const Case cases[] = {
      {{"1", "0", "1", "0", "1"}, {"TRK 2 2", "TRK 2 2", "TRK 1 1", "EOF"}},
      {{"1", "1", "0"}, {"TRK 3 3", "EOF"}},
      {{"1", "1", "1", "1", "1"}, {"TRK 2 2", "TRK 2 2", "TRK 1 1", "EOF"}},
      {{"0", "0", "1 ", "01"}, {"TRK 2 2", "TRK 2 2", "EOF"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Read(TrackPoints(c.flags)), c.records) << ::testing::PrintToString(c.flags);
  }
}

TEST(WaypointPlusRecords, WaypointAndRoutePointFields) {
  ConversionContext context;
  vc::testing::SetWaypoint(context.buffers.wpt, {.info1 = "stale"});
  Reading reading(
      "Datum,WGS84\r\nWP,DMS,\"  A,B  \", 35.301234, 139.451200,01/31/2002,21:05:09,top\r\n"
      "RN,7,\" HOME \"\r\nRP,DM, Q1 , 35.3, 139.3,,,\r\n",
      context);
  ASSERT_EQ(reading.Next(), RecordKind::kWpt);
  const vc::testing::PointTexts wpt = vc::testing::WaypointTexts(context.buffers.wpt);
  EXPECT_EQ(wpt.name, "A,B");
  EXPECT_EQ(wpt.lat, "35.301234");
  EXPECT_EQ(wpt.lon, "139.451200");
  EXPECT_EQ(wpt.info1 + wpt.info2 + wpt.info3, "");
  EXPECT_EQ(wpt.recDatum, "WGS84");
  EXPECT_EQ(wpt.recUtcOffset, "0");
  EXPECT_EQ(wpt.recCoordFormat, "DMS");
  ASSERT_EQ(reading.Next(), RecordKind::kRte);
  EXPECT_EQ(context.buffers.rteHdr.rteNo, "7");
  EXPECT_EQ(context.buffers.rteHdr.rteName, " HOME ");  // not trimmed
  const vc::testing::PointTexts point = vc::testing::RoutePointTexts(context.buffers.rtePnt, 1);
  EXPECT_EQ(point.name, "Q1");
  EXPECT_EQ(point.lat + "|" + point.lon + "|" + point.recCoordFormat, "35.3|139.3|DM");
  EXPECT_EQ(point.recDatum, "WGS84");
}

TEST(WaypointPlusTrack, PointFieldsLegsAndTotals) {
  // 35.5N 139.5E, then 0.01 degree north (36 seconds of arc) across
  // midnight, then 0.01 degree east, then a time that cannot be read.
  ConversionContext context;
  context.buffers.trkHdr.trkCode = "stale";
  Reading reading(
      "TP,DMS, 35.300000, 139.300000,1/31/2002,23:59:50,1\r\n"
      "TP,DMS, 35.303600, 139.300000,02/01/2002,00:00:00,0\r\n"
      "TP,DMS, 35.303600, 139.303600,02/01/2002,00:00:20,0\r\n"
      "TP,DMS, 35.303600, 139.303600,13/45/2002,25:00,0\r\n",
      context);
  ASSERT_EQ(reading.Next(), RecordKind::kTrk);
  const TrkHdr& header = context.buffers.trkHdr;
  EXPECT_EQ(header.pntNum, "4");
  EXPECT_EQ(header.trkFlag + "|" + header.trkCode + "|" + header.trkName, "True||");
  const auto p1 = vc::testing::TextsOf(context.buffers.trkPnt, 1);
  EXPECT_EQ(p1.lat + "|" + p1.lon + "|" + p1.recCoordFormat, "35.300000|139.300000|DMS");
  EXPECT_EQ(p1.dateTime, "2002/01/31 23:59:50");
  EXPECT_EQ(p1.velocity + p1.trkDegree + p1.posError + p1.headDegree, "----");
  EXPECT_EQ(p1.recDatum + "|" + p1.recUtcOffset, "TOKYO|0");
  EXPECT_EQ(p1.legTime, 0);
  EXPECT_EQ(p1.legLength + p1.legVelocity, 0);

  const double north = text::RoundToGeneral(geo::DistanceKm(35.5, 139.5, 35.51, 139.5) * 1000);
  const double east = text::RoundToGeneral(geo::DistanceKm(35.51, 139.5, 35.51, 139.51) * 1000);
  EXPECT_NEAR(north, 1113.1, 0.1);  // 0.01 degree of a great circle
  EXPECT_NEAR(east, 906.0, 0.5);    // shrunk by the cosine of the latitude
  const auto p2 = vc::testing::TextsOf(context.buffers.trkPnt, 2);
  EXPECT_EQ(p2.legTime, 10);
  EXPECT_EQ(p2.legLength, north);
  EXPECT_EQ(p2.legVelocity, text::RoundToGeneral(north / 10 * 3.6));
  const auto p3 = vc::testing::TextsOf(context.buffers.trkPnt, 3);
  EXPECT_EQ(p3.legTime, 20);
  EXPECT_EQ(p3.legLength, east);
  // An unreadable time keeps the joined text; its leg has no time.
  const auto p4 = vc::testing::TextsOf(context.buffers.trkPnt, 4);
  EXPECT_EQ(p4.dateTime, "13/45/2002 25:00");
  EXPECT_EQ(p4.legTime, 0);
  EXPECT_EQ(p4.legVelocity, 0);

  const double length = text::RoundToGeneral(north + east);
  EXPECT_EQ(header.totalTripTime, 30);
  EXPECT_EQ(header.totalTripLength, length);
  EXPECT_EQ(header.totalVelocity, text::RoundToGeneral(length / 30 * 3.6));
}

TEST(WaypointPlusTrack, SameTimeAndSinglePoint) {
  ConversionContext context;
  Reading reading(
      "TP,D, 35.5, 139.5,01/31/2002,21:05:09,1\r\nTP,D, 35.51, 139.5,01/31/2002,21:05:09,0\r\n" +
          TrackPoints({"1"}),
      context);
  const TrkHdr& header = context.buffers.trkHdr;
  ASSERT_EQ(reading.Next(), RecordKind::kTrk);
  EXPECT_EQ(vc::testing::TextsOf(context.buffers.trkPnt, 2).legTime, 0);
  EXPECT_GT(vc::testing::TextsOf(context.buffers.trkPnt, 2).legLength, 1000);
  EXPECT_EQ(vc::testing::TextsOf(context.buffers.trkPnt, 2).legVelocity, 0);
  EXPECT_EQ(header.totalVelocity, 0);
  ASSERT_EQ(reading.Next(), RecordKind::kTrk);
  EXPECT_EQ(header.pntNum, "1");
  EXPECT_EQ(header.totalTripLength + header.totalTripTime + header.totalVelocity, 0);
}

TEST(WaypointPlusTrack, NumberingAndProgressContinueAcrossReadings) {
  ConversionContext context;
  Reading first("RN,1,R\r\nRP,D,P,1,2,,,\r\n" + TrackPoints({"1", "0", "1"}), context);
  EXPECT_EQ(first.Summary(), (Summary{"RTE 1 1", "TRK 2 2", "TRK 1 1", "EOF"}));
  EXPECT_EQ(first.observer.progress, (Summary{"read", "1", "2", "read", "1"}));
  EXPECT_EQ(context.trackNumber, "2");
  Reading second(TrackPoints({"1"}), context);
  ASSERT_EQ(second.Next(), RecordKind::kTrk);
  EXPECT_EQ(context.trackNumber, "3");
  context.ResetNumbering("TRK");
  Reading third(TrackPoints({"1"}), context);
  ASSERT_EQ(third.Next(), RecordKind::kTrk);
  EXPECT_EQ(context.trackNumber, "1");
}

}  // namespace
}  // namespace vc::engine
