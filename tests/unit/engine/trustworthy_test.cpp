// The output frame, the option values refused before a conversion, and the
// report of what a conversion read, skipped and wrote.
#include <gtest/gtest.h>

#include "engine/driver.hpp"
#include "engine/messages.hpp"
#include "engine/options.hpp"
#include "engine/output/output_frame.hpp"
#include "engine/report.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

using engine::FileType;
using engine::kDataPriority;
using engine::Message;
using engine::Outcome;

TEST(OutputFrame, DecidedFromTheOptionsAndTheTypes) {
  const struct {
    const char* what;
    FileType input;
    FileType output;
    const char* datum;
    const char* coordFormat;
    const char* inputFileDatum;
    engine::OutputFrame expected;
  } cases[] = {
      {"MPS is always Tokyo, MPS form, UTC+9",
       FileType::kWpt,
       FileType::kMps,
       "WGS84",
       "D",
       "",
       {"TOKYO", "MPS", "+9", ""}},
      {"VRC keeps the options",
       FileType::kVrp,
       FileType::kVrc,
       "WGS84",
       "DMS",
       "",
       {"WGS84", "DMS", kDataPriority, ""}},
      {"Waypoint+ from a log: Tokyo when the data decides",
       FileType::kVrn,
       FileType::kWpt,
       kDataPriority,
       kDataPriority,
       "",
       // Waypoint+ times are UTC: a point's own +9 must not be written as it is.
       {"Tokyo", kDataPriority, "0", "Tokyo"}},
      {"Waypoint+ from MPS is written in DMS",
       FileType::kMps,
       FileType::kWpt,
       "WGS84",
       "D",
       "",
       {"WGS84", "DMS", "0", "WGS84"}},
      // The fault this pins: the datum line said WGS84 and no point moved.
      {"Waypoint+ to Waypoint+ in another datum",
       FileType::kWpt,
       FileType::kWpt,
       "WGS84",
       kDataPriority,
       "TOKYO",
       {"WGS84", kDataPriority, "0", "WGS84"}},
      {"Waypoint+ to Waypoint+, the data decides",
       FileType::kWpt,
       FileType::kWpt,
       kDataPriority,
       kDataPriority,
       "WGS84",
       {kDataPriority, kDataPriority, "0", "WGS84"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    engine::ConvertOptions options;
    options.datum = c.datum;
    options.coordFormat = c.coordFormat;
    const engine::OutputFrame frame =
        engine::DecideOutputFrame(c.input, c.output, options, c.inputFileDatum);
    EXPECT_EQ(frame.datum, c.expected.datum);
    EXPECT_EQ(frame.coordFormat, c.expected.coordFormat);
    EXPECT_EQ(frame.utcOffset, c.expected.utcOffset);
    EXPECT_EQ(frame.headerDatum, c.expected.headerDatum);
  }
}

TEST(OptionValues, RefusedInTheOrderOfTheControls) {
  const struct {
    const char* utcOffset;
    const char* datum;
    const char* coordFormat;
    const char* vrmVrnDatum;
    std::optional<Message> refusal;
    const char* writtenForm;
  } cases[] = {
      {kDataPriority, kDataPriority, kDataPriority, "TOKYO", std::nullopt, kDataPriority},
      {"+9", "TOKYO", "D", "WGS84", std::nullopt, "D"},
      {"+5.5", "wgs84", "mps", "tokyo", std::nullopt, "MPS"},
      {"-12", "Tokyo", "pao", "Wgs84", std::nullopt, "PAO"},
      {" 14 ", "WGS84", "dm", "TOKYO", std::nullopt, "DM"},
      // "JST" read as UTC+0, "dms" wrote blank coordinates: both silently.
      {"JST", "TOKYO", "D", "TOKYO", Message::kUtcOffsetInvalid, "D"},
      {"+15", "TOKYO", "D", "TOKYO", Message::kUtcOffsetInvalid, "D"},
      {"", "TOKYO", "D", "TOKYO", Message::kUtcOffsetInvalid, "D"},
      {"9h", "NAD27", "x", "x", Message::kUtcOffsetInvalid, "x"},
      {"0", "NAD27", "x", "x", Message::kDatumInvalid, "x"},
      {"0", "WGS84", "DDD", "x", Message::kCoordFormatInvalid, "DDD"},
      {"0", "WGS84", "dms", "x", Message::kVrmVrnDatumInvalid, "DMS"},
      {"0", "WGS84", "D", kDataPriority, Message::kVrmVrnDatumInvalid, "D"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.utcOffset) + "|" + c.datum + "|" + c.coordFormat + "|" +
                 c.vrmVrnDatum);
    engine::ConvertOptions options;
    options.utcOffset = c.utcOffset;
    options.datum = c.datum;
    options.coordFormat = c.coordFormat;
    options.vrmVrnDatumOption = c.vrmVrnDatum;
    EXPECT_EQ(engine::CheckOptionValues(options), c.refusal);
    EXPECT_EQ(options.coordFormat, c.writtenForm);
    // The datum texts are used as typed.
    EXPECT_EQ(options.datum, c.datum);
  }
}

class ConvertCommand : public ::testing::Test {
 protected:
  engine::ConversionResult Run(engine::ConvertOptions options) {
    return engine::RunConvertCommand(options, context, observer);
  }
  TempDir dir;
  RecordingObserver observer;
  engine::ConversionContext context;
};

TEST_F(ConvertCommand, BadValuesStopAfterTheNameChecksWithNothingOpened) {
  const std::string in =
      dir.Write("in.vrp", "TOKYO,+9,2002/07/15 12:00:00,3,N,35.5,E,139.5,12,10,45\n");
  const std::string out = dir.Write("out.mps", "precious");
  engine::ConvertOptions options = OptionsFor(in, out);
  options.utcOffset = "JST";
  options.pointStepText = "abc";
  EXPECT_EQ(Run(options).outcome, Outcome::kStopped);
  // The overwrite question comes first, then the first bad value alone.
  EXPECT_EQ(observer.shown,
            (std::vector<std::string>{engine::MessageText(Message::kOverwriteQuestion, out),
                                      engine::MessageText(Message::kUtcOffsetInvalid)}));
  EXPECT_EQ(dir.Read("out.mps"), "precious");

  observer.shown.clear();
  options.utcOffset = "+9";
  EXPECT_EQ(Run(options).reason, Message::kStepInvalid);
  EXPECT_EQ(observer.shown.back(), engine::MessageText(Message::kStepInvalid));
  EXPECT_EQ(dir.Read("out.mps"), "precious");

  // A missing input is reported before a bad step.
  observer.shown.clear();
  options.inputName = dir.Path("missing.vrp");
  EXPECT_EQ(Run(options).reason, Message::kInputMissing);
}

TEST_F(ConvertCommand, AStepTextIsReadAfterTheChecks) {
  const std::string in = dir.Write("in.txt",
                                   "TP,D,35.5,139.5,07/15/2002,12:00:00,1\n"
                                   "TP,D,35.6,139.6,07/15/2002,12:00:10,0\n"
                                   "TP,D,35.7,139.7,07/15/2002,12:00:20,0\n");
  engine::ConvertOptions options = OptionsFor(in, dir.Path("out.mps"));
  options.pointStepText = "2";
  ASSERT_EQ(Run(options).outcome, Outcome::kConverted);
  const std::string script = dir.Read("out.mps");
  std::size_t points = 0;
  for (std::size_t at = script.find("\tpoint\t"); at != std::string::npos;
       at = script.find("\tpoint\t", at + 1)) {
    ++points;
  }
  EXPECT_EQ(points, 2u);  // points 1 and 3
}

TEST_F(ConvertCommand, TheReportCountsWhatWasReadSkippedAndWritten) {
  const std::string in = dir.Write("in.txt",
                                   "WP,D,A,35.5,139.5,07/15/2002,12:00:00,\n"
                                   "RN,1,HOME\n"
                                   "RP,D,B,35.5,139.5,07/15/2002,12:00:00,\n"
                                   "RP,D,C,35.6,139.5,07/15/2002,12:00:00,\n"
                                   "TP,D,35.5,139.5,07/15/2002,12:00:00,1\n"
                                   "TP,D,35.6,139.5,07/15/2002,12:10:00,0\n"
                                   "TP,D,35.7,139.5,07/15/2002,12:20:00,1\n"
                                   "TP,D,35.8,139.5,07/15/2002,12:30:00,0\n");
  engine::ConvertOptions options = OptionsFor(in, dir.Path("out.vrc"));
  options.convertWaypoints = false;
  options.convertRoutes = true;
  options.convertTracks = true;
  const engine::ConversionResult result = Run(options);
  ASSERT_EQ(result.outcome, Outcome::kConverted);
  const engine::ConversionReport& report = result.report;
  EXPECT_EQ(report.read.waypoints, 1);
  EXPECT_EQ(report.read.routes, 1);
  EXPECT_EQ(report.read.routePoints, 2);
  EXPECT_EQ(report.read.tracks, 2);
  EXPECT_EQ(report.read.trackPoints, 4);
  EXPECT_EQ(report.written.waypoints, 0);
  EXPECT_EQ(report.written.Records(), 3);
  EXPECT_EQ(report.Skipped(engine::SkipReason::kNotSelected), 1);
  EXPECT_EQ(report.tracks.durationS, 1200);
  EXPECT_NEAR(report.tracks.lengthM, 2 * 11130, 10);  // two legs of 0.1 degree
  EXPECT_EQ(report.tracks.firstTime, "2002/07/15 12:00:00");
  EXPECT_EQ(report.tracks.lastTime, "2002/07/15 12:30:00");
  EXPECT_TRUE(engine::NothingWrittenWarning(report).empty());

  const std::vector<std::string> english = engine::FormatReport(report, engine::Language::kEnglish);
  ASSERT_GE(english.size(), 4u);
  EXPECT_EQ(english[0], "read: 1 waypoint, 1 route (2 points), 2 tracks (4 points)");
  EXPECT_EQ(english[1], "written: 1 route (2 points), 2 tracks (4 points)");
  EXPECT_EQ(english[2], "skipped: 1 record of a kind not chosen to convert");
  EXPECT_EQ(english[3].substr(0, 8), "tracks: ");
  EXPECT_NE(english[3].find(", 0:20:00, from 2002/07/15 12:00:00 to 2002/07/15 12:30:00"),
            std::string::npos)
      << english[3];
  const std::vector<std::string> japanese = engine::FormatReport(report);
  EXPECT_EQ(japanese[0], "読み込み: ウェイポイント 1，ルート 1 (2 点)，トラック 2 (4 点)");
}

TEST_F(ConvertCommand, NothingWrittenIsSaidWithItsLikelyReason) {
  const struct {
    const char* what;
    const char* name;
    const char* content;
    bool convertTracks;
    const char* reason;
  } cases[] = {
      {"no chosen kind in the input", "in.txt", "WP,D,A,35.5,139.5,07/15/2002,12:00:00,\n", true,
       "nothing was written: the input holds 1 waypoint, and none of these kinds was chosen to "
       "convert"},
      {"a track not chosen", "in.vrp", "TOKYO,+9,2002/07/15 12:00:00,3,N,35.5,E,139.5,12,10,45\n",
       false,
       "nothing was written: the input holds 1 track (1 point), and none of these kinds was "
       "chosen to convert"},
      {"nothing readable", "in.vrc", "x\ny\n", true,
       "nothing was written: the input holds no records, only 2 lines of unknown kinds"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    engine::ConvertOptions options = OptionsFor(dir.Write(c.name, c.content), dir.Path("out.vrc"));
    options.convertTracks = c.convertTracks;
    const engine::ConversionResult result = Run(options);
    ASSERT_EQ(result.outcome, Outcome::kConverted);
    EXPECT_EQ(engine::NothingWrittenWarning(result.report, engine::Language::kEnglish), c.reason);
    EXPECT_EQ(engine::FormatReport(result.report, engine::Language::kEnglish).back(), c.reason);
    EXPECT_FALSE(engine::NothingWrittenWarning(result.report).empty());
  }
}

}  // namespace
}  // namespace vc::testing
