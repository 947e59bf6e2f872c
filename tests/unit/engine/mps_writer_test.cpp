#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "formats/mps/statement_writer.hpp"
#include "geo/coord_text.hpp"
#include "support/mps_support.hpp"
#include "support/track_point_support.hpp"
#include "support/writer_support.hpp"

namespace vc::testing {
namespace {

using engine::RecordKind;
using Texts = std::vector<std::string>;

// The values of every `name` attribute in the printed text, in order.
Texts Values(std::string_view text, std::string_view name) {
  Texts values;
  const std::string key = "\t" + std::string(name) + "=\"";
  for (auto at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
    const std::size_t start = at + key.size();
    values.emplace_back(text.substr(start, text.find('"', start) - start));
  }
  return values;
}

class MpsWriterTest : public ::testing::Test {
 protected:
  std::string Write(RecordKind kind) { return harness.Write(*writer, kind); }

  // Points 1 to `count`, one second apart, already in the script's datum,
  // form and zone; the seconds of the latitude name the point.
  void SetPlainTrack(int count) {
    std::vector<TrackPointTexts> points;
    for (int i = 1; i <= count; ++i) {
      const std::string seconds = (i < 10 ? "0" : "") + std::to_string(i);
      points.push_back(MakeTrackPoint("35/30/" + seconds + ".0", "139/45/00.0",
                                      "2002/07/15 03:04:05", "MPS", "TOKYO", "+9"));
    }
    SetTrack(harness.buffers(), points);
  }

  WriterHarness harness{engine::FileType::kMps};
  std::unique_ptr<engine::RecordWriter> writer = engine::MakeMpsWriter();
};

TEST_F(MpsWriterTest, WaypointStatement) {
  testing::PointTexts waypoint = MakeWaypoint("  Summit ", "35/39/13.2", "139/44/26.0", "MPS");
  waypoint.info1 = " one ";
  waypoint.info3 = "three ";
  testing::SetWaypoint(harness.buffers().wpt, waypoint);
  EXPECT_EQ(Write(RecordKind::kWpt),
            "\t\tpoint\toid=\"\"\r\n"
            "\t\t\t\tgid=\"2510\"\r\n"
            "\t\t\t\tpos=\"35/39/13.2,139/44/26.0\"\r\n"
            "\t\t\t\tstr=\"[WP]Summit\"\r\n"
            "\t\t\t\tinfo=\"one,,three\";\r\n");
}

TEST_F(MpsWriterTest, ScriptIsAlwaysTokyoScriptFormAndUtcPlusNine) {
  // Every option says "データ優先", yet a WGS84 point is moved to Tokyo.
  testing::SetWaypoint(harness.buffers().wpt,
                       MakeWaypoint("W", "35.684518", "139.763985", "D", "WGS84", "0"));
  const Texts pos = Values(Write(RecordKind::kWpt), "pos");
  ASSERT_EQ(pos.size(), 1u);
  const std::size_t comma = pos[0].find(',');
  EXPECT_NEAR(geo::CoordDegrees(pos[0].substr(0, comma), "MPS"), 35.681236, 3e-5);
  EXPECT_NEAR(geo::CoordDegrees(pos[0].substr(comma + 1), "MPS"), 139.767125, 3e-5);
  // The writer leaves the user's options and its record as they were.
  EXPECT_EQ(harness.options.utcOffset, engine::kDataPriority);
  EXPECT_EQ(harness.options.datum, engine::kDataPriority);
  EXPECT_EQ(harness.options.coordFormat, engine::kDataPriority);
  EXPECT_EQ(testing::WaypointTexts(harness.buffers().wpt).lat, "35.684518");
}

TEST_F(MpsWriterTest, RoutePointLabelsInBothOrders) {
  const std::vector<testing::PointTexts> points = {
      MakeWaypoint("a", "35/00/01.0", "139/00/01.0", "MPS"),
      MakeWaypoint("b", "35/00/02.0", "139/00/02.0", "MPS"),
      MakeWaypoint("c", "35/00/03.0", "139/00/03.0", "MPS"),
  };
  const std::pair<const char*, Texts> cases[] = {
      {"昇順", {"[RT]Kyoto trip", "[RP]Kyo001", "[RP]Kyo002", "[RP]Kyo003"}},
      {"降順", {"[RT]Kyoto trip", "[RP]Kyo003", "[RP]Kyo002", "[RP]Kyo001"}},
  };
  for (const auto& [order, labels] : cases) {
    SCOPED_TRACE(order);
    SetRoute(harness.buffers(), " 7 ", " Kyoto trip ", points);
    harness.options.routeOrder = order;
    const std::string text = Write(RecordKind::kRte);
    EXPECT_EQ(Values(text, "str"), labels);
    EXPECT_EQ(Values(text, "info"), (Texts{"7", "<001>", "<002>", "<003>"}));
    EXPECT_EQ(Values(text, "pos").front(),
              "> 35/00/01.0,139/00/01.0,35/00/02.0,139/00/02.0,35/00/03.0,139/00/03.0");
  }
}

TEST_F(MpsWriterTest, RouteLabelCountsCharactersAndWholePoints) {
  SetRoute(harness.buffers(), "1", "京都旅行",
           {MakeWaypoint("a", "35/00/01.0", "139/00/01.0", "MPS"),
            MakeWaypoint("b", "35/00/02.0", "139/00/02.0", "MPS")});
  harness.buffers().rteHdr.pntNum = "1.5";  // two points, numbered as whole numbers
  harness.options.routeOrder = "降順";
  EXPECT_EQ(Values(Write(RecordKind::kRte), "str"),
            (Texts{"[RT]京都旅行", "[RP]京都旅002", "[RP]京都旅001"}));
}

TEST_F(MpsWriterTest, RouteOrTrackWithoutPointsWritesNothing) {
  SetRoute(harness.buffers(), "1", "Empty", {});
  EXPECT_EQ(Write(RecordKind::kRte), "");
  SetTrack(harness.buffers(), {});
  EXPECT_EQ(Write(RecordKind::kTrk), "");
  EXPECT_TRUE(harness.observer.progress.empty());
}

TEST_F(MpsWriterTest, TrackWithoutAnnotationsKeepsItsCommas) {
  SetPlainTrack(2);
  const std::string text = Write(RecordKind::kTrk);
  EXPECT_EQ(Values(text, "str"), (Texts{"[TR],True,,", ",,,", ",,,"}));
  EXPECT_EQ(Values(text, "info"), (Texts{",,", ",,", ",,"}));
  EXPECT_EQ(Values(text, "gid"), (Texts{"2531", "2532", "2532"}));
}

TEST_F(MpsWriterTest, TrackAnnotations) {
  struct Case {
    const char* velocity;
    const char* trkDegree;
    const char* headDegree;
    double legTime;
    double legLength;  // the leg velocity follows from length and time
    const char* str;
    const char* info;
  };
  const Case cases[] = {
      {"12.346", "271.004", "0", 35, 123.45,
       "2002/07/15 03:04:05,12.35(km/hr),271.00(deg[tr]),0.00(deg[hd])",
       "35(s),123.5(m),12.70(km/hr)"},
      {"-", " - ", "-", 0, 0, "2002/07/15 03:04:05,-(km/hr),-(deg[tr]),-(deg[hd])",
       "0(s),0.0(m),0.00(km/hr)"},
      // No number reads as 0; a value that rounds to zero has no minus sign.
      {"abc", "-0.001", "-12.5", 2, 0.001,
       "2002/07/15 03:04:05,0.00(km/hr),0.00(deg[tr]),-12.50(deg[hd])", "2(s),0.0(m),0.00(km/hr)"},
  };
  engine::ConvertOptions& o = harness.options;
  o.lineTotalPoints = o.lineTotalTime = o.lineTotalLength = o.lineTotalVelocity = true;
  o.pointPastDate = o.pointPastVelocity = o.pointPastDegree = o.pointHeadDegree = true;
  o.pointLegTime = o.pointLegLength = o.pointLegVelocity = true;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.str);
    SetPlainTrack(1);
    engine::TrkHdr& header = harness.buffers().trkHdr;
    header.pntNum = " 1 ";
    header.totalTripTime = 3601.6;
    header.totalVelocity = 12.345;
    engine::TrackPoints& points = harness.buffers().trkPnt;
    engine::TrkPnt& point = points[1];
    points.SetText(point, engine::PointField::kVelocity, c.velocity);
    points.SetText(point, engine::PointField::kTrkDegree, c.trkDegree);
    points.SetText(point, engine::PointField::kHeadDegree, c.headDegree);
    points.SetLegTime(point, c.legTime);
    point.legLength = c.legLength;
    const std::string text = Write(RecordKind::kTrk);
    EXPECT_EQ(Values(text, "str"), (Texts{"[TR],True,,1", c.str}));
    EXPECT_EQ(Values(text, "info"), (Texts{"3602(s),0.0(m),12.35(km/hr)", c.info}));
  }
}

// Every choice of annotations writes the places of the full choice that it
// ticks and leaves the others empty: the straight way of the full choice
// and the place-by-place way of the others agree.
TEST_F(MpsWriterTest, EveryChoiceOfAnnotationsWritesItsPlaces) {
  const auto choose = [this](unsigned mask) {
    engine::ConvertOptions& o = harness.options;
    bool* const ticks[] = {&o.pointPastDate,   &o.pointPastVelocity, &o.pointPastDegree,
                           &o.pointHeadDegree, &o.pointLegTime,      &o.pointLegLength,
                           &o.pointLegVelocity};
    for (unsigned i = 0; i < 7; ++i) *ticks[i] = (mask >> i & 1U) != 0;
  };
  const auto places = [](const std::string& joined) {
    Texts parts;
    std::size_t from = 0;
    for (std::size_t comma; (comma = joined.find(',', from)) != std::string::npos;
         from = comma + 1) {
      parts.push_back(joined.substr(from, comma - from));
    }
    parts.push_back(joined.substr(from));
    return parts;
  };
  const auto write = [&](unsigned mask) {
    choose(mask);
    SetPlainTrack(3);
    engine::TrackPoints& points = harness.buffers().trkPnt;
    points.SetText(points[2], engine::PointField::kVelocity, "-");
    points.SetText(points[3], engine::PointField::kHeadDegree, "-12.345");
    const std::string text = Write(RecordKind::kTrk);
    Texts str = Values(text, "str");
    Texts info = Values(text, "info");
    str.erase(str.begin());  // the line's
    info.erase(info.begin());
    return std::pair{str, info};
  };
  const auto [fullStr, fullInfo] = write(0x7f);
  for (unsigned mask = 0; mask < 0x80; ++mask) {
    SCOPED_TRACE(mask);
    const auto [str, info] = write(mask);
    ASSERT_EQ(str.size(), fullStr.size());
    for (std::size_t k = 0; k < str.size(); ++k) {
      Texts expectedStr = places(fullStr[k]);
      for (unsigned i = 0; i < 4; ++i) {
        if ((mask >> i & 1U) == 0) expectedStr[i].clear();
      }
      EXPECT_EQ(places(str[k]), expectedStr);
      Texts expectedInfo = places(fullInfo[k]);
      for (unsigned i = 0; i < 3; ++i) {
        if ((mask >> (i + 4) & 1U) == 0) expectedInfo[i].clear();
      }
      EXPECT_EQ(places(info[k]), expectedInfo);
    }
  }
}

TEST_F(MpsWriterTest, PointStepThinsOutThePointsOnly) {
  const std::pair<std::int16_t, Texts> cases[] = {
      {5, {"01", "06", "11"}},
      {-5, {"01", "06", "11"}},
      {0, {"01", "02", "03", "04", "05", "06", "07", "08", "09", "10", "11", "12"}},
      {-32768, {"01"}},
  };
  for (const auto& [step, seconds] : cases) {
    SCOPED_TRACE(step);
    SetPlainTrack(12);
    harness.options.pointStep = step;
    const Texts pos = Values(Write(RecordKind::kTrk), "pos");
    ASSERT_EQ(pos.size(), seconds.size() + 1);
    EXPECT_EQ(std::count(pos[0].begin(), pos[0].end(), ','), 23);
    for (std::size_t k = 0; k < seconds.size(); ++k) {
      EXPECT_EQ(pos[k + 1], "35/30/" + seconds[k] + ".0,139/45/00.0");
    }
  }
}

TEST_F(MpsWriterTest, ProgressCountsBothLoops) {
  SetPlainTrack(3);
  harness.options.pointStep = 2;
  Write(RecordKind::kTrk);
  EXPECT_EQ(harness.observer.progress, (Texts{"write", "1", "2", "3", "1", "3"}));
}

// The line is written in pieces and handed to the file as it grows; the
// bytes must be those of the statement made from the whole position list,
// whose trailing blanks are trimmed.
TEST_F(MpsWriterTest, LongTrackIsWrittenAsOneWholeText) {
  constexpr std::size_t kPoints = 39999;  // the last point gets a statement
  SetPlainTrack(static_cast<int>(kPoints));
  engine::TrackPoints& points = harness.buffers().trkPnt;
  points.SetText(points[kPoints], engine::PointField::kLon, "139/45/00.0  ");
  harness.options.pointStep = 2;
  harness.options.pointLegTime = true;
  const std::string text = Write(RecordKind::kTrk);

  std::string pos = "> ";
  for (std::size_t i = 1; i <= kPoints; ++i)
    pos += (i > 1 ? "," : "") + points.Text(points[i], engine::PointField::kLat) + ",139/45/00.0";
  std::string expected =
      MakeMpsStatement("line", mps::PointLineValues("", "2531", pos, "[TR],True,,", ",,"));
  for (std::size_t i = 1; i <= kPoints; i += 2) {
    expected += "\r\n" + MakeMpsStatement(
                             "point", mps::PointLineValues(
                                          "", "2532",
                                          points.Text(points[i], engine::PointField::kLat) + ',' +
                                              points.Text(points[i], engine::PointField::kLon),
                                          ",,,", "0(s),,"));
  }
  expected += "\r\n";
  ASSERT_GT(expected.size(), std::size_t{2} << 20);
  EXPECT_TRUE(text == expected) << "sizes " << text.size() << " and " << expected.size();
}

// The points' angles are made once, for the line, and kept for the points'
// own statements; points that cannot be kept as numbers (an own text) are
// converted again. Each statement must show the position the line has for
// its point, whatever mix of the two and whatever the step.
TEST_F(MpsWriterTest, PointStatementsRepeatTheLinesPositions) {
  std::vector<TrackPointTexts> points;
  for (int i = 1; i <= 11; ++i) {
    const std::string lat = i % 4 == 0 ? " 35.50 " : "35.5" + std::to_string(i);
    points.push_back(MakeTrackPoint(lat, "139.75" + std::to_string(i), "2002/07/15 03:04:05", "D",
                                    i % 3 == 0 ? "WGS84" : "TOKYO", "0"));
  }
  for (const std::int16_t step : {std::int16_t{1}, std::int16_t{3}, std::int16_t{4}}) {
    SCOPED_TRACE(step);
    SetTrack(harness.buffers(), points);
    harness.options.pointStep = step;
    const Texts pos = Values(Write(RecordKind::kTrk), "pos");
    Texts line;
    for (std::size_t at = 2; at < pos[0].size();) {
      const std::size_t second = pos[0].find(',', pos[0].find(',', at) + 1);
      line.push_back(
          pos[0].substr(at, second == std::string::npos ? std::string::npos : second - at));
      at = second == std::string::npos ? pos[0].size() : second + 1;
    }
    ASSERT_EQ(line.size(), points.size());
    EXPECT_EQ(line[0], "35/30/36.0,139/45/03.6");
    EXPECT_EQ(line[3], "35/30/00.0,139/45/14.4");  // the own text " 35.50 "
    ASSERT_EQ(pos.size(), 1 + (points.size() - 1) / static_cast<std::size_t>(step) + 1);
    for (std::size_t k = 1; k < pos.size(); ++k) {
      EXPECT_EQ(pos[k], line[(k - 1) * static_cast<std::size_t>(step)]) << k;
    }
  }
}

}  // namespace
}  // namespace vc::testing
