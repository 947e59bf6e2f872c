#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "formats/vrc/vrc_line.hpp"
#include "support/vrc_support.hpp"
#include "support/writer_support.hpp"

namespace vc::testing {
namespace {

using engine::RecordKind;

class WaypointPlusWriterTest : public ::testing::Test {
 protected:
  std::string Write(RecordKind kind) { return harness.Write(*writer, kind); }

  WriterHarness harness{engine::FileType::kWpt, engine::FileType::kWpt};
  std::unique_ptr<engine::RecordWriter> writer = engine::MakeWaypointPlusWriter();
};

TEST_F(WaypointPlusWriterTest, WaypointCarriesTheMomentOfTheConversion) {
  const std::pair<const char*, const char*> cases[] = {
      {engine::kDataPriority, "WP,D, SUMMIT , 35.5, 139.75,03/05/2002,21:00:00, top\r\n"},
      {"+9", "WP,D, SUMMIT , 35.5, 139.75,03/06/2002,06:00:00, top\r\n"},
  };
  for (const auto& [utcOffset, line] : cases) {
    SCOPED_TRACE(utcOffset);
    testing::PointTexts waypoint = MakeWaypoint(" SUMMIT ", "35.5", "139.75", "D", "WGS84", "0");
    waypoint.info1 = " top";  // name and comment go out as stored
    testing::SetWaypoint(harness.buffers().wpt, waypoint);
    harness.options.utcOffset = utcOffset;
    EXPECT_EQ(Write(RecordKind::kWpt), line);
  }
}

TEST_F(WaypointPlusWriterTest, RouteHeadThenPoints) {
  SetRoute(harness.buffers(), "1", "HOME",
           {MakeWaypoint("A", "35.5", "139.75", "D", "WGS84", "0"),
            MakeWaypoint("B", "35.25", "139.5", "D", "WGS84", "0")});
  EXPECT_EQ(Write(RecordKind::kRte),
            "RN,1,HOME\r\n"
            "RP,D,A, 35.5, 139.75,03/05/2002,21:00:00,\r\n"
            "RP,D,B, 35.25, 139.5,03/05/2002,21:00:00,\r\n");
  SetRoute(harness.buffers(), "2", "EMPTY", {});
  EXPECT_EQ(Write(RecordKind::kRte), "RN,2,EMPTY\r\n");
}

TEST_F(WaypointPlusWriterTest, EveryTrackStartsWithTheNewTrackFlag) {
  SetTrack(harness.buffers(),
           {MakeTrackPoint("35.5", "139.75", "2002/07/15 20:04:05", "D", "WGS84", "0"),
            MakeTrackPoint("35.6", "139.8", "2002/07/15 15:00:00", "D", "WGS84", "0"),
            MakeTrackPoint("35.7", "139.9", "not a time", "D", "WGS84", "0")});
  harness.options.utcOffset = "+9";
  const std::string expected =
      "TP,D, 35.5, 139.75,07/16/2002,05:04:05,1\r\n"
      "TP,D, 35.6, 139.8,07/16/2002,00:00:00,0\r\n"
      "TP,D, 35.7, 139.9,,,0\r\n";
  EXPECT_EQ(Write(RecordKind::kTrk), expected);
  // The same record again gives the same lines: writing changed none of its
  // times or coordinates.
  EXPECT_EQ(Write(RecordKind::kTrk), expected);
  SetTrack(harness.buffers(), {});
  EXPECT_EQ(Write(RecordKind::kTrk), "");
}

// Times that follow each other by a second, stay, jump back and cross a
// minute, an hour and a day: each line has its own date and time.
TEST_F(WaypointPlusWriterTest, TrackTimesFollowEachOtherAcrossMinutesAndDays) {
  const char* const times[] = {"2002/07/15 23:58:58",
                               "2002/07/15 23:58:59",
                               "2002/07/15 23:59:00",
                               "2002/07/15 23:59:00",
                               "2002/07/15 23:59:59",
                               "2002/07/16 00:00:00",
                               "2002/07/16 00:00:01",
                               "2002/07/15 23:59:30",
                               "not a time",
                               "2002/07/15 23:59:31",
                               "10:00:05",
                               "10:00:06"};
  std::vector<testing::TrackPointTexts> track;
  for (const char* time : times) track.push_back(MakeTrackPoint("1", "2", time, "D", "WGS84", "0"));
  SetTrack(harness.buffers(), track);
  harness.options.utcOffset = "0";
  EXPECT_EQ(Write(RecordKind::kTrk),
            "TP,D, 1, 2,07/15/2002,23:58:58,1\r\n"
            "TP,D, 1, 2,07/15/2002,23:58:59,0\r\n"
            "TP,D, 1, 2,07/15/2002,23:59:00,0\r\n"
            "TP,D, 1, 2,07/15/2002,23:59:00,0\r\n"
            "TP,D, 1, 2,07/15/2002,23:59:59,0\r\n"
            "TP,D, 1, 2,07/16/2002,00:00:00,0\r\n"
            "TP,D, 1, 2,07/16/2002,00:00:01,0\r\n"
            "TP,D, 1, 2,07/15/2002,23:59:30,0\r\n"
            "TP,D, 1, 2,,,0\r\n"
            "TP,D, 1, 2,07/15/2002,23:59:31,0\r\n"
            "TP,D, 1, 2,,10:00:05,0\r\n"
            "TP,D, 1, 2,,10:00:06,0\r\n");
}

class VrcWriterTest : public ::testing::Test {
 protected:
  std::string Write(RecordKind kind) { return harness.Write(*writer, kind); }

  WriterHarness harness{engine::FileType::kVrc};
  std::unique_ptr<engine::RecordWriter> writer = engine::MakeVrcWriter();
};

TEST_F(VrcWriterTest, WaypointColumns) {
  testing::PointTexts waypoint = MakeWaypoint(" Summit ", "35.5", "139.75", "D", "WGS84");
  waypoint.info1 = " one ";
  waypoint.info2 = "two ";
  waypoint.info3 = " three";
  testing::SetWaypoint(harness.buffers().wpt, waypoint);
  harness.options.datum = "TOKYO";
  harness.options.coordFormat = "MPS";
  const std::string text = Write(RecordKind::kWpt);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 43);
  const vrc::VrcLine line = SplitVrcLine(text.substr(0, text.size() - 2));
  const vrc::VrcFields& f = line.fields;
  const std::vector<std::string> expected = {"WPT", "MPS", "TOKYO", "Summit", f[5],
                                             f[6],  "one", "two",   "",       "three"};
  EXPECT_EQ(std::vector<std::string>(f.begin() + 1, f.begin() + 11), expected);
  EXPECT_EQ(f[5].find('/'), 2u);
  EXPECT_EQ(f[39], "Summit");
  EXPECT_EQ(f[40], "one");
}

TEST_F(VrcWriterTest, TrackHeaderAndPointsInTheirOwnFormAndDatum) {
  std::vector<TrackPointTexts> points = {
      MakeTrackPoint("35.5", "139.75", "2002/07/15 03:04:05", "D", "WGS84"),
      MakeTrackPoint("35.6", "139.8", "2002/07/15 03:05:05", "DMS", "TOKYO"),
  };
  points[1].velocity = " 12.5 ";
  points[1].trkDegree = "90";
  points[1].legLength = 123.45;
  SetTrack(harness.buffers(), points);
  harness.buffers().trkHdr.pntNum = " 2 ";
  harness.buffers().trkHdr.trkName = " Hike ";
  EXPECT_EQ(Write(RecordKind::kTrk),
            "TRH\t2\tTrue\t\tHike\r\n"
            "TRP\tD\tWGS84\t35.5\t139.75\t2002/07/15 03:04:05\tTrue\t-\t-\t0\r\n"
            "TRP\tDMS\tTOKYO\t35.6\t139.8\t2002/07/15 03:05:05\tFalse\t12.5\t90\t123.45\r\n");
  SetTrack(harness.buffers(), {});
  EXPECT_EQ(Write(RecordKind::kTrk), "TRH\t0\tTrue\t\t\r\n");
}

TEST_F(VrcWriterTest, NoColumnLeaksFromAnEarlierRecord) {
  // A track point sets column 9 (its course); a route point never does.
  TrackPointTexts point = MakeTrackPoint("35.5", "139.75", "2002/07/15 03:04:05");
  point.trkDegree = "270";
  SetTrack(harness.buffers(), {point});
  Write(RecordKind::kTrk);
  SetRoute(harness.buffers(), "1", "R", {MakeWaypoint("A", "35.5", "139.75")});
  const std::string text = Write(RecordKind::kRte);
  const std::string routePoint = text.substr(text.find("RTP"));
  EXPECT_EQ(SplitVrcLine(routePoint.substr(0, routePoint.size() - 2)).fields[9], "");
}

}  // namespace
}  // namespace vc::testing
