// The records handed to a preview sink: those a conversion wrote, in the
// output's coordinates, and those of a file looked at before converting.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/driver.hpp"
#include "engine/preview.hpp"
#include "support/engine_support.hpp"

namespace vc::engine {
namespace {

using vc::testing::OptionsFor;
using vc::testing::RecordingObserver;
using vc::testing::TempDir;

struct Seen {
  RecordKind kind;
  std::string name;
  std::vector<PreviewPoint> points;
};

class RecordingSink final : public PreviewSink {
 public:
  void Record(RecordKind kind, std::string_view name,
              std::span<const PreviewPoint> points) override {
    seen.push_back({kind, std::string(name), {points.begin(), points.end()}});
  }
  std::vector<Seen> seen;
};

class ObserverWithSink final : public RecordingObserver {
 public:
  PreviewSink* Preview() override { return &sink; }
  bool StopRequested() override { return stop; }
  RecordingSink sink;
  bool stop = false;
};

std::string Columns(std::size_t count,
                    const std::vector<std::pair<std::size_t, std::string>>& set) {
  std::vector<std::string> fields(count);
  for (const auto& [column, value] : set) fields[column - 1] = value;
  std::string line = fields[0];
  for (std::size_t n = 1; n < count; ++n) line += '\t' + fields[n];
  return line + "\r\n";
}

// A waypoint, a route of two points and a track of three, in the Tokyo
// datum. VornConnect files hold no speeds: the legs' are handed on.
std::string VrcFile() {
  std::string vrc =
      Columns(44, {{1, "WPT"}, {2, "D"}, {3, "TOKYO"}, {5, "35.5"}, {6, "139.5"}, {39, "Summit"}});
  vrc += "RTH\t1\tTrip\t2\r\n";
  vrc += Columns(44, {{1, "RTP"}, {2, "D"}, {3, "TOKYO"}, {5, "35.6"}, {6, "139.6"}});
  vrc += Columns(44, {{1, "RTP"}, {2, "D"}, {3, "TOKYO"}, {5, "35.7"}, {6, "139.7"}});
  vrc += "TRH\t3\tTrue\t0\twalk\r\n";
  const char* const times[] = {"2002/01/31 21:05:00", "2002/01/31 21:05:10", "2002/01/31 21:05:20"};
  const char* const lats[] = {"35.5", "35.501", "35.502"};
  for (int i = 0; i < 3; ++i) {
    vrc += Columns(10,
                   {{1, "TRP"}, {2, "D"}, {3, "TOKYO"}, {4, lats[i]}, {5, "139.5"}, {6, times[i]}});
  }
  return vrc;
}

TEST(Preview, AConversionHandsOnWhatItWroteInTheOutputsCoordinates) {
  TempDir dir;
  const std::string input = dir.Write("in.vrc", VrcFile());
  struct Case {
    const char* output;
    bool waypoints;
    std::vector<RecordKind> kinds;
  };
  const Case kCases[] = {
      // MPS is written in the "MPS" form: the degrees come back from it.
      {"out.mps", true, {RecordKind::kWpt, RecordKind::kRte, RecordKind::kTrk}},
      {"out.txt", true, {RecordKind::kWpt, RecordKind::kRte, RecordKind::kTrk}},
      // Only the records chosen are written, and only those are handed on.
      {"out.vrc", false, {RecordKind::kRte, RecordKind::kTrk}},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.output);
    ConvertOptions options = OptionsFor(input, dir.Path(c.output));
    options.convertWaypoints = c.waypoints;
    options.convertRoutes = true;
    ConversionContext context;
    ObserverWithSink observer;
    ASSERT_EQ(ConvertFile(options, context, observer).outcome, Outcome::kConverted);
    std::vector<RecordKind> kinds;
    for (const Seen& seen : observer.sink.seen) kinds.push_back(seen.kind);
    ASSERT_EQ(kinds, c.kinds);
    const Seen& track = observer.sink.seen.back();
    EXPECT_EQ(track.name, "walk");
    ASSERT_EQ(track.points.size(), 3u);
    // "MPS" keeps tenths of a second: 3e-5 degrees.
    EXPECT_NEAR(track.points[2].lat, 35.502, 3e-5);
    EXPECT_NEAR(track.points[2].lon, 139.5, 3e-5);
    // No leg ends at the first point; 111 m in 10 s after it.
    EXPECT_TRUE(std::isnan(track.points[0].speedKmh));
    EXPECT_NEAR(track.points[1].speedKmh, 0.111 / 10 * 3600, 0.5);
    EXPECT_NEAR(track.points[2].speedKmh, 0.111 / 10 * 3600, 0.5);
    const Seen& route = observer.sink.seen[c.waypoints ? 1 : 0];
    EXPECT_EQ(route.name, "Trip");
    ASSERT_EQ(route.points.size(), 2u);
    EXPECT_NEAR(route.points[1].lat, 35.7, 3e-5);
    if (c.waypoints) {
      EXPECT_EQ(observer.sink.seen[0].name, "Summit");
      EXPECT_NEAR(observer.sink.seen[0].points[0].lon, 139.5, 3e-5);
    }
  }
}

TEST(Preview, AConversionThatStopsHandsOnNothingAfterwards) {
  TempDir dir;
  const std::string input = dir.Write("in.vrc", VrcFile());
  ConversionContext context;
  ObserverWithSink observer;
  observer.stop = true;
  EXPECT_EQ(ConvertFile(OptionsFor(input, dir.Path("out.mps")), context, observer).outcome,
            Outcome::kCancelled);
  EXPECT_TRUE(observer.sink.seen.empty());
}

TEST(PreviewFile, ReadsEveryRecordWithoutWritingOrNumbering) {
  TempDir dir;
  const std::string input = dir.Write("in.vrc", VrcFile());
  ConvertOptions options = OptionsFor(input, dir.Path("out.mps"));
  options.convertWaypoints = false;  // a look at the file shows all of it
  RecordingObserver observer;
  RecordingSink sink;
  const ConversionResult result = PreviewFile(options, observer, sink);
  EXPECT_EQ(result.outcome, Outcome::kConverted);
  ASSERT_EQ(sink.seen.size(), 3u);
  EXPECT_EQ(sink.seen[0].kind, RecordKind::kWpt);
  EXPECT_NEAR(sink.seen[2].points[1].lat, 35.501, 1e-12);
  EXPECT_FALSE(std::filesystem::exists(dir.Path("out.mps")));
  EXPECT_TRUE(observer.shown.empty());
}

// A .log of NMEA sentences is read as NMEA by the conversion, so it must be
// previewed the same way, not refused as an unknown log.
TEST(PreviewFile, ALogOfNmeaSentencesIsPreviewed) {
  TempDir dir;
  const std::string input =
      dir.Write("cap.log",
                "$GPRMC,225446,A,4916.45,N,12311.12,W,000.5,054.7,191194,020.3,E*68\r\n"
                "$GPRMC,225447,A,4916.46,N,12311.12,W,000.5,054.7,191194,020.3,E*6A\r\n");
  RecordingObserver observer;
  RecordingSink sink;
  const ConversionResult result = PreviewFile(OptionsFor(input, {}), observer, sink);
  EXPECT_EQ(result.outcome, Outcome::kConverted);
  ASSERT_EQ(sink.seen.size(), 1u);
  EXPECT_EQ(sink.seen[0].kind, RecordKind::kTrk);
  EXPECT_EQ(sink.seen[0].points.size(), 2u);
}

TEST(PreviewFile, SaysWhyAFileCannotBeLookedAt) {
  TempDir dir;
  dir.Write("a.log", "x\r\n");
  const struct {
    const char* name;
    Message reason;
  } kCases[] = {{"none.vrc", Message::kInputMissing},
                {"a.log", Message::kInputUnsupported},
                {"a.xyz", Message::kInputUnsupported}};
  for (const auto& c : kCases) {
    RecordingObserver observer;
    RecordingSink sink;
    const ConversionResult result =
        PreviewFile(OptionsFor(dir.Path(c.name), dir.Path("o.mps")), observer, sink);
    EXPECT_EQ(result.outcome, Outcome::kStopped) << c.name;
    EXPECT_EQ(result.reason, c.reason) << c.name;
    EXPECT_TRUE(observer.shown.empty()) << c.name;
    EXPECT_TRUE(sink.seen.empty());
  }
}

TEST(PreviewFile, StopsWhenAsked) {
  TempDir dir;
  const std::string input = dir.Write("in.vrc", VrcFile());
  ObserverWithSink observer;
  observer.stop = true;
  RecordingSink sink;
  EXPECT_EQ(PreviewFile(OptionsFor(input, {}), observer, sink).outcome, Outcome::kCancelled);
  EXPECT_TRUE(sink.seen.empty());
}

}  // namespace
}  // namespace vc::engine
