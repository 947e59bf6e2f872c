#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
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
      : ReaderHarness(MakeVrcReader, text, context) {}
};

Summary Read(std::string_view text) {
  ConversionContext context;
  return Reading(text, context).Summary();
}

// A line of TAB-separated columns, the given ones set, the others empty.
std::string Line(std::size_t columns, const std::vector<std::pair<std::size_t, std::string>>& set) {
  std::vector<std::string> fields(columns);
  for (const auto& [column, value] : set) fields[column - 1] = value;
  std::string line = fields[0];
  for (std::size_t n = 1; n < columns; ++n) line += '\t' + fields[n];
  return line + "\r\n";
}

std::string Waypoint(const std::string& name, std::string_view kind = "WPT") {
  return Line(44, {{1, std::string(kind)}, {2, "D"}, {3, "WGS84"}, {5, "35.5"}, {39, name}});
}

std::string TrackPoint(const std::string& lat, const std::string& time) {
  return Line(10, {{1, "TRP"}, {2, "D"}, {3, "TOKYO"}, {4, lat}, {5, "139.5"}, {6, time}});
}

TEST(VrcRecords, HeaderBlockTitlesAndRecords) {
  EXPECT_EQ(Read("VornConnect\tVer 2.1\r\n3\r\nWPT\tD\tWGS84\tINSIDE\r\nTRH\t5\r\nanything\r\n"
                 "WPT\tDegreeType\tDatum\r\n" +
                 Waypoint("A") + "RTH\tnmbr\tname\r\nRTH\t1\tHOME\t2\r\nRTP\tDegreeType\r\n" +
                 Waypoint("P2", "RTP") + "TRH\ttrk_pnt_num\r\n\t\t\r\nTRH\t2\tTrue\t0\tLOG\r\n" +
                 "TRP\tDegreeType\r\n" + TrackPoint("35.5", "2002/01/31 21:05:09")),
            (Summary{"WPT A", "RTE 2 2", "TRK 2 2", "EOF"}));
}

TEST(VrcRecords, SkippedAndStrayLines) {
  struct Case {
    std::string text;
    Summary records;
  };
  const Case cases[] = {
      // The count of a header block is the first character, 0 when no digit.
      {"VornConnect\r\n12\r\nx\r\n" + Waypoint("A"), {"WPT A", "EOF"}},
      {"VornConnect\r\nnone\r\n" + Waypoint("A"), {"WPT A", "EOF"}},
      {"VornConnect\r\n9\r\nx\r\n", {"EOF"}},
      {"VornConnect", {"EOF"}},
      // Point lines outside their record, and kinds of another letter case,
      // are consumed without a record.
      {Waypoint("P", "RTP") + TrackPoint("1", "") + Waypoint("B", "wpt") + Waypoint("A"),
       {"none", "none", "none", "WPT A", "EOF"}},
      {"\r\n\t\r\n,,\r\n", {"EOF"}},
      {std::string("\x00\xff\t\"=\r\n\x80", 8), {"none", "none", "EOF"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.text), c.records) << c.text;
}

TEST(VrcRecords, TheReportCountsTheLinesPassedOver) {
  ConversionContext context;
  Reading reading("VornConnect\r\n1\r\nx\r\n" + Waypoint("P", "RTP") + TrackPoint("1", "") +
                      Waypoint("A") + "\r\n",
                  context);
  EXPECT_EQ(reading.Summary(), (Summary{"none", "none", "WPT A", "EOF"}));
  EXPECT_EQ(reading.report().Skipped(SkipReason::kUnknownLine), 2);
}

TEST(VrcRecords, CountedLinesAreTakenWhateverTheirKind) {
  struct Case {
    std::string text;
    Summary records;
  };
  const Case cases[] = {
      {"TRH\t4\r\n" + Waypoint("A") + "VornConnect\r\n\r\nTRH\ttrk_pnt_num\r\n" + Waypoint("B"),
       {"TRK 4 4", "WPT B", "EOF"}},
      // Counts round to the nearest whole number, halves to the even one.
      {"RTH\t1\tR\t2.5\r\n" + Waypoint("1") + Waypoint("2") + Waypoint("A"),
       {"RTE 2.5 2", "WPT A", "EOF"}},
      {"RTH\t1\tR\t1.5\r\n" + Waypoint("1") + Waypoint("2") + Waypoint("A"),
       {"RTE 1.5 2", "WPT A", "EOF"}},
      {"TRH\t0\r\nTRH\t-3\r\nTRH\tx\r\n", {"TRK 0 0", "TRK -3 0", "TRK x 0", "EOF"}},
      // A file that ends inside a record gives the missing points empty.
      {"TRH\t4\r\n" + TrackPoint("1", ""), {"TRK 4 4", "EOF"}},
      {"RTH\t1\tR\t3\r\n", {"RTE 3 3", "EOF"}},
  };
  for (const Case& c : cases) EXPECT_EQ(Read(c.text), c.records) << c.text;
}

TEST(VrcRecords, HugeCountStopsAddingEmptyPointsAtTheEnd) {
  // Past the end of the file, a route grows to 1024 points at most and a
  // track to 102400; the count then says what is held.
  EXPECT_EQ(Read("RTH\t1\tR\t99999999999\r\n" + Waypoint("P", "RTP") + "TRH\t1e300\r\n"),
            (Summary{"RTE 1024 1024", "EOF"}));
  EXPECT_EQ(Read("TRH\t99999999999\r\n"), (Summary{"TRK 102400 102400", "EOF"}));
}

TEST(VrcRecords, PointFields) {
  const std::string columns = Line(44, {{2, "DMS"},
                                        {3, "Tokyo"},
                                        {4, "COLUMN4"},
                                        {5, "35.301234"},
                                        {6, "139.451200"},
                                        {7, "first"},
                                        {8, " second "},
                                        {10, " third "},
                                        {39, "  NAME 39  "},
                                        {40, " first 40 "}});
  ConversionContext context;
  Reading reading("WPT" + columns + "RTH\t 7 \t MY ROUTE \t1\r\nRTP" + columns, context);
  const auto expectPoint = [](const vc::testing::PointTexts& rec) {
    EXPECT_EQ(rec.name, "NAME 39");
    EXPECT_EQ(rec.lat + "|" + rec.lon, "35.301234|139.451200");
    EXPECT_EQ(rec.info1 + "|" + rec.info2 + "|" + rec.info3, "first 40|second|third");
    EXPECT_EQ(rec.recDatum + "|" + rec.recUtcOffset + "|" + rec.recCoordFormat, "Tokyo|+9|DMS");
  };
  ASSERT_EQ(reading.Next(), RecordKind::kWpt);
  expectPoint(vc::testing::WaypointTexts(context.buffers.wpt));
  ASSERT_EQ(reading.Next(), RecordKind::kRte);
  EXPECT_EQ(context.buffers.rteHdr.rteNo + "|" + context.buffers.rteHdr.rteName, " 7 | MY ROUTE ");
  expectPoint(vc::testing::RoutePointTexts(context.buffers.rtePnt, 1));
}

TEST(VrcTrack, HeaderFields) {
  const std::pair<std::string, std::string> cases[] = {
      {"TRH\t1\t\t\t\r\n", "True||"},
      {"TRH\t1\r\n", "True||"},
      {"TRH\t1\tFalse\t3\tMORNING\r\n", "False|3|MORNING"},
      {"TRH\t1\t \t=\"07\"\r\n", " |07|"},
  };
  for (const auto& [line, expected] : cases) {
    ConversionContext context;
    Reading reading(line + TrackPoint("35.5", "2002/1/31 21:05:09"), context);
    ASSERT_EQ(reading.Next(), RecordKind::kTrk) << line;
    const TrkHdr& header = context.buffers.trkHdr;
    EXPECT_EQ(header.trkFlag + "|" + header.trkCode + "|" + header.trkName, expected) << line;
  }
}

TEST(VrcTrack, PointFieldsLegsTotalsAndNumbering) {
  ConversionContext context;
  context.trackNumber = "41";
  Reading reading("TRH\t3\r\n" + TrackPoint("35.5", "2002/1/31 21:05:09") +
                      TrackPoint("35.51", "2002/01/31 21:05:19") +
                      TrackPoint("35.51", "not a time") + "TRH\t0\r\n",
                  context);
  ASSERT_EQ(reading.Next(), RecordKind::kTrk);
  EXPECT_EQ(context.trackNumber, "42");
  const auto p1 = vc::testing::TextsOf(context.buffers.trkPnt, 1);
  EXPECT_EQ(p1.lat + "|" + p1.lon + "|" + p1.dateTime, "35.5|139.5|2002/1/31 21:05:09");
  EXPECT_EQ(p1.velocity + p1.trkDegree + p1.posError + p1.headDegree, "----");
  EXPECT_EQ(p1.recDatum + "|" + p1.recUtcOffset + "|" + p1.recCoordFormat, "TOKYO|+9|D");

  const double north = text::RoundToGeneral(geo::DistanceKm(35.5, 139.5, 35.51, 139.5) * 1000);
  const double velocity = text::RoundToGeneral(north / 10 * 3.6);
  const auto p2 = vc::testing::TextsOf(context.buffers.trkPnt, 2);
  EXPECT_EQ(p2.legTime, 10);
  EXPECT_EQ(p2.legLength, north);
  EXPECT_EQ(p2.legVelocity, velocity);
  EXPECT_EQ(vc::testing::TextsOf(context.buffers.trkPnt, 3).legTime, 0);
  const TrkHdr& header = context.buffers.trkHdr;
  EXPECT_EQ(header.totalTripTime, 10);
  EXPECT_EQ(header.totalTripLength, north);
  EXPECT_EQ(header.totalVelocity, velocity);

  // No points: zero totals, not those of the track before.
  ASSERT_EQ(reading.Next(), RecordKind::kTrk);
  EXPECT_EQ(context.trackNumber, "43");
  EXPECT_EQ(header.totalTripTime + header.totalTripLength + header.totalVelocity, 0);
  EXPECT_EQ(reading.Next(), RecordKind::kEof);
  // Each track shows its running count while it is read.
  EXPECT_EQ(reading.observer.progress, (std::vector<std::string>{"read", "1", "2", "3", "read"}));
}

}  // namespace
}  // namespace vc::engine
