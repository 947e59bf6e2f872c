// GPX and KML as other programs see them: every document written here is
// validated against the official schemas with xmllint, and read back by the
// peer converter gpsbabel, which must find the same points, positions and
// UTC times. The real GPX files of other programs convert with every point,
// name and time they hold.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/driver.hpp"
#include "support/engine_support.hpp"
#include "support/process_support.hpp"

namespace vc::testing {
namespace {

namespace fs = std::filesystem;

fs::path SharedTestData() {
  const char* tests = std::getenv("VC_TESTDATA");
  const fs::path base = tests != nullptr ? tests : ".";
  return base / ".." / ".." / "shared" / "testdata";
}

constexpr const char* kXmllint = "/usr/bin/xmllint";
constexpr const char* kGpsbabel = "/usr/bin/gpsbabel";

// Runs a tool, its output in `out`; the exit status.
int Run(const TempDir& dir, std::vector<std::string> argv, std::string& out) {
  const int status = RunProgram({.argv = std::move(argv),
                                 .stdoutPath = dir.Path("tool.out"),
                                 .stderrPath = dir.Path("tool.err"),
                                 .environment = {{"TZ", "UTC"}}});
  out = dir.Read("tool.out") + dir.Read("tool.err");
  return status;
}

std::string Validate(const TempDir& dir, const std::string& path) {
  const bool kml = path.substr(path.size() - 3) == "kml";
  const fs::path schema =
      SharedTestData() / "schemas" / (kml ? "kml22gx.xsd" : "gpx11-with-garmin-tpx.xsd");
  std::string out;
  const int status = Run(dir, {kXmllint, "--noout", "--schema", schema.string(), path}, out);
  return status == 0 ? "" : out;
}

struct Fix {
  double lat;
  double lon;
  std::string time;  // "2002-07-15T03:04:05Z", or empty
};

// Track points of a GPX document, with their time, in order; with
// `routes`, the route points too (KML draws both as lines).
std::vector<Fix> TrackPointsOf(const std::string& gpx, bool routes = false) {
  std::vector<Fix> fixes;
  const std::regex point(
      routes
          ? R"re(<(?:trk|rte)pt lat="([-0-9.e]+)" lon="([-0-9.e]+)"\s*/?>(?:\s*<ele>[^<]*</ele>)?(?:\s*<time>([^<]*)</time>)?)re"
          : R"re(<trkpt lat="([-0-9.e]+)" lon="([-0-9.e]+)"\s*/?>(?:\s*<ele>[^<]*</ele>)?(?:\s*<time>([^<]*)</time>)?)re");
  for (auto it = std::sregex_iterator(gpx.begin(), gpx.end(), point); it != std::sregex_iterator();
       ++it) {
    fixes.push_back({std::stod((*it)[1]), std::stod((*it)[2]), (*it)[3]});
  }
  return fixes;
}

// What gpsbabel reads of a document of ours, written back by it as GPX.
std::vector<Fix> ReadByPeer(const TempDir& dir, const std::string& path, const char* format) {
  std::string out;
  EXPECT_EQ(
      Run(dir, {kGpsbabel, "-t", "-i", format, "-f", path, "-o", "gpx", "-F", dir.Path("peer.gpx")},
          out),
      0)
      << out;
  return TrackPointsOf(dir.Read("peer.gpx"));
}

class XmlOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    GTEST_SKIP() << "xmllint and gpsbabel are Debian's";
#else
    ASSERT_TRUE(fs::exists(kXmllint)) << "install libxml2-utils (scripts/install-deps.sh)";
    ASSERT_TRUE(fs::exists(kGpsbabel)) << "install gpsbabel (scripts/install-deps.sh)";
    if (!fs::exists(SharedTestData() / "schemas")) GTEST_SKIP() << "no schemas beside the tree";
#endif
  }

  engine::ConversionResult Convert(const std::string& in, const std::string& out,
                                   std::vector<std::string> extra = {}) {
    engine::ConvertOptions options = OptionsFor(in, out);
    options.convertWaypoints = options.convertRoutes = options.convertTracks = true;
    options.pointPastDate = options.pointPastVelocity = options.pointLegTime = true;
    options.pointLegLength = options.pointLegVelocity = true;
    for (const std::string& option : extra) {
      if (option == "wgs84") options.vrmVrnDatumOption = "WGS84";
      if (option == "step3") options.pointStep = 3;
    }
    RecordingObserver observer;
    engine::ConversionContext context;
    return engine::RunConvertCommand(options, context, observer);
  }

  TempDir dir;
};

// Every input type of the golden cases, to both documents.
TEST_F(XmlOutputs, EveryInputTypeWritesValidDocumentsThePeerReads) {
  const fs::path golden = TestsFolder() / "golden";
  std::size_t inputs = 0;
  for (const auto& entry : fs::directory_iterator(golden)) {
    if (!entry.is_directory()) continue;
    for (const auto& file : fs::directory_iterator(entry.path())) {
      const std::string name = file.path().filename().string();
      if (name.rfind("input.", 0) != 0) continue;
      SCOPED_TRACE(entry.path().filename().string() + "/" + name);
      ++inputs;
      const std::string in =
          dir.Write("in" + file.path().extension().string(), ReadFile(file.path()));
      std::vector<Fix> ours;
      for (const std::string type : {"gpx", "kml"}) {
        const std::string out = dir.Path("out." + type);
        fs::remove(out);
        const engine::ConversionResult result = Convert(in, out, {"step3"});
        ASSERT_EQ(result.outcome, engine::Outcome::kConverted);
        EXPECT_EQ(Validate(dir, out), "");
        if (type == "gpx") {
          ours = TrackPointsOf(dir.Read("out.gpx"));
          EXPECT_EQ(static_cast<std::int64_t>(ours.size()), result.report.written.trackPoints);
        } else {
          ours = TrackPointsOf(dir.Read("out.gpx"), true);
        }
        // The peer finds every track point where and when we put it.
        const std::vector<Fix> peer = ReadByPeer(dir, out, type.c_str());
        ASSERT_EQ(peer.size(), ours.size()) << type;
        for (std::size_t i = 0; i < ours.size(); ++i) {
          EXPECT_NEAR(peer[i].lat, ours[i].lat, 1e-7) << type;
          EXPECT_NEAR(peer[i].lon, ours[i].lon, 1e-7) << type;
          // A KML track with a point of no date is a line without times.
          if (type == "gpx" || !peer[i].time.empty()) {
            EXPECT_EQ(peer[i].time, ours[i].time);
          }
        }
      }
    }
  }
  EXPECT_GT(inputs, 8u);
}

TEST_F(XmlOutputs, KmlTracksAreReadBackByThePeer) {
  const std::string in = dir.Write("in.vrp",
                                   "TOKYO,+9,2002/07/15 12:00:00,3,N,35.5,E,139.5,12,10,45\n"
                                   "TOKYO,+9,2002/07/15 12:00:10,3,N,35.5001,E,139.5,12,0,-\n"
                                   "TOKYO,+9,2002/07/15 12:00:20,3,S,35.5002,W,139.5,12,0,-\n");
  ASSERT_EQ(Convert(in, dir.Path("out.gpx")).outcome, engine::Outcome::kConverted);
  ASSERT_EQ(Convert(in, dir.Path("out.kml")).outcome, engine::Outcome::kConverted);
  EXPECT_EQ(Validate(dir, dir.Path("out.kml")), "");
  const std::vector<Fix> ours = TrackPointsOf(dir.Read("out.gpx"));
  const std::vector<Fix> peer = ReadByPeer(dir, dir.Path("out.kml"), "kml");
  ASSERT_EQ(peer.size(), 3u);
  ASSERT_EQ(ours.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_NEAR(peer[i].lat, ours[i].lat, 1e-7);
    EXPECT_NEAR(peer[i].lon, ours[i].lon, 1e-7);
    EXPECT_EQ(peer[i].time, ours[i].time);
  }
  // UTC: the logger's +9 undone.
  EXPECT_EQ(ours[0].time, "2002-07-15T03:00:00Z");
}

// The real GPX files convert with every track point, at its place and time,
// checked against what the peer reads of the same file.
TEST_F(XmlOutputs, RealGpxFilesKeepEveryPointAndTime) {
  const fs::path samples = SharedTestData() / "gpx";
  if (!fs::exists(samples)) GTEST_SKIP() << "no GPX samples";
  for (const auto& file : fs::directory_iterator(samples)) {
    if (file.path().extension() != ".gpx") continue;
    SCOPED_TRACE(file.path().filename().string());
    const std::string in = dir.Write("in.gpx", ReadFile(file.path()));
    const std::vector<Fix> source = ReadByPeer(dir, in, "gpx");
    ASSERT_EQ(Convert(in, dir.Path("copy.gpx")).outcome, engine::Outcome::kConverted);
    EXPECT_EQ(Validate(dir, dir.Path("copy.gpx")), "");
    const std::vector<Fix> copy = TrackPointsOf(dir.Read("copy.gpx"));
    ASSERT_EQ(copy.size(), source.size());
    for (std::size_t i = 0; i < copy.size(); ++i) {
      EXPECT_NEAR(copy[i].lat, source[i].lat, 1e-9);
      EXPECT_NEAR(copy[i].lon, source[i].lon, 1e-9);
      // Fractions of a second are dropped: compare to the second.
      EXPECT_EQ(copy[i].time.substr(0, 19), source[i].time.substr(0, 19));
    }
    // VRC keeps them too, and the names of the waypoints.
    const engine::ConversionResult vrc = Convert(in, dir.Path("copy.vrc"));
    ASSERT_EQ(vrc.outcome, engine::Outcome::kConverted);
    EXPECT_EQ(static_cast<std::size_t>(vrc.report.written.trackPoints), source.size());
    ASSERT_EQ(Convert(in, dir.Path("copy.mps")).outcome, engine::Outcome::kConverted);
  }
}

TEST_F(XmlOutputs, VrnToGpxToVrcKeepsEveryPositionAndTime) {
  const std::string vrn =
      "$GPRMC,235958,A,3540.1234,N,13945.5678,E,010.0,090.0,311224,,*00\n\n"
      "$GPRMC,000003,A,3540.1334,N,13945.5778,E,010.0,090.0,010125,,*00\n\n"
      "$GPGGA,000008,3540.1434,N,13945.5878,E,1,08,1.0,10,M,40,M,,*00\n";
  const std::string in = dir.Write("in.vrn", vrn);
  ASSERT_EQ(Convert(in, dir.Path("direct.vrc"), {"wgs84"}).outcome, engine::Outcome::kConverted);
  ASSERT_EQ(Convert(in, dir.Path("via.gpx"), {"wgs84"}).outcome, engine::Outcome::kConverted);
  ASSERT_EQ(Convert(dir.Path("via.gpx"), dir.Path("via.vrc")).outcome, engine::Outcome::kConverted);
  // Column by column: datum, position and time the same; the 9 decimals of
  // GPX hold every digit these positions have.
  const auto columns = [](const std::string& vrc) {
    std::vector<std::string> lines;
    std::istringstream text(vrc);
    for (std::string line; std::getline(text, line);) {
      if (line.rfind("TRP", 0) != 0) continue;
      std::vector<std::string> fields;
      std::istringstream split(line);
      for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
      lines.push_back(fields[2] + " " + fields[3] + " " + fields[4] + " " + fields[5]);
    }
    return lines;
  };
  const std::vector<std::string> direct = columns(dir.Read("direct.vrc"));
  ASSERT_EQ(direct.size(), 3u);
  EXPECT_EQ(direct[2], "WGS84 35.6690566666667 139.759796666667 2025/01/01 00:00:08");
  const std::vector<std::string> via = columns(dir.Read("via.vrc"));
  ASSERT_EQ(via.size(), 3u);
  for (std::size_t i = 0; i < 3; ++i) {
    std::istringstream a(direct[i]);
    std::istringstream b(via[i]);
    std::string datumA, datumB, dateA, dateB, timeA, timeB;
    double latA = 0, latB = 0, lonA = 0, lonB = 0;
    a >> datumA >> latA >> lonA >> dateA >> timeA;
    b >> datumB >> latB >> lonB >> dateB >> timeB;
    EXPECT_EQ(datumB, "WGS84");
    EXPECT_NEAR(latA, latB, 1e-9);
    EXPECT_NEAR(lonA, lonB, 1e-9);
    EXPECT_EQ(dateA + timeA, dateB + timeB);
  }
}

// The message names the fault's line and column, and the output stays as
// it was. Regression (the second case): with expat reading names as
// written, a name that its namespace mode refuses at a character of another
// alphabet passed the parser's own checks, and the message named the tag
// instead.
TEST_F(XmlOutputs, AGpxThatIsNotWellFormedStopsWithItsPlace) {
  const struct {
    const char* document;
    const char* place;
  } cases[] = {
      {"<gpx>\n<wpt lat=\"1\" lon=\"2\">\n</trk></gpx>\n", "3 行 3 桁目"},
      {"<gpx xmlns:a=\"urn:a\">\n <a:\xcc\x93"
       "b/></gpx>\n",
       "2 行 5 桁目"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.document);
    const std::string in = dir.Write("in.gpx", c.document);
    const std::string out = dir.Write("out.vrc", "precious");
    engine::ConvertOptions options = OptionsFor(in, out);
    RecordingObserver observer;
    engine::ConversionContext context;
    const engine::ConversionResult result = engine::RunConvertCommand(options, context, observer);
    EXPECT_EQ(result.reason, engine::Message::kGpxUnreadable);
    EXPECT_EQ(observer.shown.back(),
              "[" + in + "] の " + c.place + "で GPX を読めません．中止します．");
    EXPECT_EQ(dir.Read("out.vrc"), "precious");
  }
}

}  // namespace
}  // namespace vc::testing
