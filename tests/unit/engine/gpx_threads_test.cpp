// The GPX reader on one thread, with its worker, and with the document
// split at a track point and parsed in two halves at once: for every
// document the same output, messages, progress and polls of the front, in
// the same order, also when the front stops the conversion midway or the
// document breaks off; and the worker's hand-over on its own, with a source
// that blocks, stops or throws.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/driver.hpp"
#include "engine/input/gpx_read_ahead.hpp"
#include "engine/input/gpx_reader.hpp"
#include "engine/report.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

namespace fs = std::filesystem;

#define GPX11_OPEN                                                    \
  "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"                      \
  "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\" " \
  "xmlns:tpx=\"http://www.garmin.com/xmlschemas/TrackPointExtension/v2\">\n"

enum class Way { kAlone, kWorker, kSplit };
constexpr Way kEveryWay[] = {Way::kAlone, Way::kWorker, Way::kSplit};

// The reader's way chosen for every GPX read while it lives.
class ReadingPolicy {
 public:
  explicit ReadingPolicy(Way way) : saved_(engine::CurrentGpxReadingPolicy()) {
    engine::GpxReadingPolicy policy;
    policy.workerFromBytes = way == Way::kAlone ? INT64_MAX : 0;
    policy.evenOnOneCore = way != Way::kAlone;
    policy.splitFromBytes = way == Way::kSplit ? 0 : INT64_MAX;
    engine::SetGpxReadingPolicy(policy);
  }
  ~ReadingPolicy() { engine::SetGpxReadingPolicy(saved_); }
  ReadingPolicy(const ReadingPolicy&) = delete;
  ReadingPolicy& operator=(const ReadingPolicy&) = delete;

 private:
  engine::GpxReadingPolicy saved_;
};

// Everything a front sees of one conversion.
struct Seen {
  engine::Outcome outcome = engine::Outcome::kStopped;
  std::optional<engine::Message> reason;
  std::vector<std::string> report;
  std::string output;
  bool outputExists = false;
  std::vector<std::string> shown;
  std::vector<std::string> details;
  std::vector<std::string> progress;
  int polls = 0;

  bool operator==(const Seen&) const = default;
};

// `input` converted to `outputName` (its type by its name) with every kind
// and every point annotation, read one way or the other.
Seen Convert(const TempDir& dir, const std::string& input, const std::string& outputName, Way way,
             int stopAfterPolls = -1) {
  const ReadingPolicy policy(way);
  engine::ConvertOptions options = OptionsFor(input, dir.Path(outputName));
  options.convertWaypoints = true;
  options.convertRoutes = true;
  options.convertTracks = true;
  options.lineTotalPoints = options.lineTotalTime = options.lineTotalLength = true;
  options.lineTotalVelocity = true;
  options.pointPastDate = options.pointPastVelocity = options.pointPastDegree = true;
  options.pointHeadDegree = options.pointLegTime = options.pointLegLength = true;
  options.pointLegVelocity = true;
  RecordingObserver observer;
  observer.stopAfterPolls = stopAfterPolls;
  engine::ConversionContext context;
  std::error_code ignored;
  fs::remove(dir.path() / outputName, ignored);
  const engine::ConversionResult result = engine::ConvertFile(options, context, observer);
  Seen seen;
  seen.outcome = result.outcome;
  seen.reason = result.reason;
  seen.report = engine::FormatReport(result.report);
  seen.outputExists = fs::exists(dir.path() / outputName);
  if (seen.outputExists) seen.output = dir.Read(outputName);
  seen.shown = observer.shown;
  seen.details = observer.details;
  seen.progress = observer.progress;
  seen.polls = observer.polls;
  return seen;
}

// A track of `points` points, one a line from line 4 on, some with speed
// and course, with an empty segment in the middle; `tail` follows the last
// point.
std::string LongTrack(int points, const std::string& tail = "</trkseg></trk></gpx>\n") {
  std::string gpx = GPX11_OPEN "<trk><name>long</name><trkseg>\n";
  for (int i = 0; i < points; ++i) {
    const std::string lat = "35." + std::to_string(100000 + i * 7);
    const std::string lon = "139." + std::to_string(200000 + i * 3);
    gpx += "<trkpt lat=\"" + lat + "\" lon=\"" + lon + "\"><time>2002-07-15T" +
           std::to_string(10 + i / 3600 % 10) + ":" + std::to_string(10 + i / 60 % 50) + ":" +
           std::to_string(10 + i % 50) + "Z</time>";
    if (i % 3 == 0) {
      gpx += "<extensions><tpx:TrackPointExtension><tpx:speed>" + std::to_string(i % 17) +
             ".5</tpx:speed><tpx:course>" + std::to_string(i % 360) +
             "</tpx:course></tpx:TrackPointExtension></extensions>";
    }
    gpx += "</trkpt>\n";
    if (i == points / 2) gpx += "</trkseg><trkseg></trkseg><trkseg>\n";
  }
  return gpx + tail;
}

// `count` waypoints, each a record of its own.
std::string ManyWaypoints(int count, const std::string& tail = "</gpx>\n") {
  std::string gpx = GPX11_OPEN;
  for (int i = 0; i < count; ++i) {
    gpx += "<wpt lat=\"35." + std::to_string(i) + "\" lon=\"139.5\"><name>W" + std::to_string(i) +
           "</name><cmt>c &amp; " + std::to_string(i) + "</cmt></wpt>\n";
  }
  return gpx + tail;
}

// `document` with `inserted` put in front of the track point where the
// reader would split it, so that the split falls on the first "<trkpt" of
// `inserted` when that lies in its second half.
std::string AtSplitPoint(const std::string& document, const std::string& inserted) {
  const std::size_t at = document.find("<trkpt", document.size() / 2);
  return document.substr(0, at) + inserted + document.substr(at);
}

// Blanks enough that the tag after them lies in the second half of what
// is inserted.
std::string Padding() { return std::string(200, ' '); }

struct Document {
  const char* name;
  std::string text;
  // The conversion's outcome on every way.
  engine::Outcome outcome;
  // Whether the split way reads it in two halves; unset where either will do.
  std::optional<bool> split = std::nullopt;
};

std::vector<Document> Documents() {
  return {
      {"waypoints",
       GPX11_OPEN
       "<wpt lat=\"35.5\" lon=\"139.5\"><ele>3.4</ele><time>2002-07-15T03:04:05Z</time>"
       "<name>STATION</name><cmt>first &lt;one&gt;</cmt><desc><![CDATA[a & b]]></desc></wpt>\n"
       "<wpt lat=\" 35.50100 \" lon=\"abc\"><name>odd spelling</name></wpt>\n</gpx>\n",
       engine::Outcome::kConverted},
      {"routes",
       GPX11_OPEN
       "<rte><rtept lat=\"35.1\" lon=\"139.1\"><name>A</name></rtept>"
       "<rtept lat=\"35.2\" lon=\"139.2\"><name>B</name></rtept><name>after</name></rte>\n"
       "<rte><name>numbered</name><number>7</number><rtept lat=\"1\" lon=\"2\"/></rte>\n"
       "<rte></rte></gpx>\n",
       engine::Outcome::kConverted},
      {"several tracks, empty segments, extensions",
       GPX11_OPEN
       "<trk><name>one</name><trkseg><trkpt lat=\"35.5\" lon=\"139.5\">"
       "<time>2002-07-15T03:04:05Z</time><extensions><tpx:TrackPointExtension>"
       "<tpx:speed>2.5</tpx:speed><tpx:course>45</tpx:course></tpx:TrackPointExtension>"
       "<other xmlns=\"urn:x\"><speed>99</speed></other></extensions></trkpt>"
       "</trkseg><trkseg/><trkseg><trkpt lat=\"35.50100\" lon=\"139.501\"/></trkseg></trk>\n"
       "<trk><trkseg></trkseg></trk>\n"
       "<trk><name>three</name><trkseg><trkpt lat=\"-1\" lon=\"-2\"><time>bad</time>"
       "</trkpt></trkseg></trk>\n"
       "<wpt lat=\"1\" lon=\"2\"/></gpx>\n",
       engine::Outcome::kConverted},
      {"GPX 1.0 speed and course",
       "<gpx version=\"1.0\" xmlns=\"http://www.topografix.com/GPX/1/0\"><trk><trkseg>"
       "<trkpt lat=\"10\" lon=\"20\"><speed>3</speed><course>270</course></trkpt>"
       "<trkpt lat=\"10.001\" lon=\"20.001\"><time>2002-07-15T03:04:05Z</time></trkpt>"
       "</trkseg></trk></gpx>",
       engine::Outcome::kConverted},
      {"no gpx root", "<kml><trk/></kml>\n", engine::Outcome::kStopped},
      {"fault in a waypoint", "<gpx>\n<wpt lat=\"1\" lon=\"2\">\n</trk></gpx>\n",
       engine::Outcome::kStopped},
      {"fault after a route",
       GPX11_OPEN "<rte><rtept lat=\"1\" lon=\"2\"/></rte>\n<rte><rtept lat=\"1\" lon=\"2\">\n"
                  "<name>x</nam></rtept></rte></gpx>\n",
       engine::Outcome::kStopped},
      {"unbound prefix after a track",
       GPX11_OPEN "<trk><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk>\n<q:wpt/></gpx>\n",
       engine::Outcome::kStopped},
      {"document cut in a track", LongTrack(50, ""), engine::Outcome::kStopped},
      {"long track", LongTrack(30000), engine::Outcome::kConverted, true},
      {"fault after many points", LongTrack(30000, "<trkpt lat=\"1\" lon=\"2\"></trkseg>\n"),
       engine::Outcome::kStopped},
      {"namespace fault after many points", LongTrack(20000, "<a:b xmlns:a=\"\"/>\n"),
       engine::Outcome::kStopped},
      {"many waypoints", ManyWaypoints(20000), engine::Outcome::kConverted},
      {"fault after many waypoints", ManyWaypoints(20000, "<wpt lat=\"1\" lon=\"2\"></gpx>\n"),
       engine::Outcome::kStopped},
      // Where the reader would split, a document that cannot be split
      // there: the first half reads on.
      {"split point in a comment",
       AtSplitPoint(LongTrack(2000), "<!--" + Padding() + "<trkpt lat=\"9\" lon=\"9\"/>-->"),
       engine::Outcome::kConverted, false},
      {"split point in CDATA",
       AtSplitPoint(LongTrack(2000), "<trkpt lat=\"1\" lon=\"2\"><desc><![CDATA[" + Padding() +
                                         "<trkpt lat=\"9\" lon=\"9\">]]></desc></trkpt>"),
       engine::Outcome::kConverted, false},
      {"split point in a segment declaring a namespace",
       AtSplitPoint(LongTrack(2000), "</trkseg><trkseg xmlns:q=\"urn:q\">" + Padding() +
                                         "<trkpt lat=\"1\" lon=\"2\" q:x=\"3\"/>"),
       engine::Outcome::kConverted, false},
      {"split point in a prefixed segment",
       AtSplitPoint(LongTrack(2000), "</trkseg><tpx:trkseg>" + Padding() +
                                         "<trkpt lat=\"1\" lon=\"2\"/></tpx:trkseg><trkseg>"),
       engine::Outcome::kConverted, false},
      {"split point in a waypoint",
       AtSplitPoint(LongTrack(2000), "</trkseg></trk><wpt lat=\"1\" lon=\"2\">" + Padding() +
                                         "<trkpt lat=\"3\" lon=\"4\"/></wpt><trk><trkseg>"),
       engine::Outcome::kConverted, false},
      {"document type declaration",
       "<?xml version=\"1.0\"?>\n<!DOCTYPE gpx [<!ENTITY n \"named\">]>\n" +
           LongTrack(2000).substr(
               std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n").size()),
       engine::Outcome::kConverted, false},
      // Split documents: the second half names the track, or ends it and
      // goes on with other records, or breaks.
      {"split, the name after the segments",
       LongTrack(3000, "</trkseg><name>late</name></trk><wpt lat=\"1\" lon=\"2\"/></gpx>\n"),
       engine::Outcome::kConverted, true},
      {"split in the second track",
       GPX11_OPEN "<trk><name>first</name><trkseg><trkpt lat=\"1\" lon=\"2\"/></trkseg></trk>\n" +
           LongTrack(3000,
                     "</trkseg></trk><trk><trkseg><trkpt lat=\"3\" lon=\"4\"/></trkseg>"
                     "</trk><rte><rtept lat=\"5\" lon=\"6\"/></rte></gpx>\n")
               .substr(std::string(GPX11_OPEN).size()),
       engine::Outcome::kConverted, true},
      {"split, ISO-8859-1",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\n" +
           LongTrack(2000).substr(LongTrack(0).find("<gpx"),
                                  LongTrack(0).find("<trk>") - LongTrack(0).find("<gpx")) +
           "<wpt lat=\"1\" lon=\"2\"><name>caf\xE9</name></wpt>" +
           LongTrack(2000).substr(LongTrack(0).find("<trk>")),
       engine::Outcome::kConverted, true},
      {"split, the second half cut short", LongTrack(3000, "<trkpt lat=\"1\""),
       engine::Outcome::kStopped, true},
  };
}

TEST(GpxThreads, BothWaysSeeTheSameForEveryDocument) {
  TempDir dir;
  for (const Document& document : Documents()) {
    SCOPED_TRACE(document.name);
    const std::string input = dir.Write("in.gpx", document.text);
    for (const char* output : {"out.vrc", "out.mps"}) {
      SCOPED_TRACE(output);
      const Seen alone = Convert(dir, input, output, Way::kAlone);
      EXPECT_EQ(alone.outcome, document.outcome);
      EXPECT_EQ(alone.outputExists, document.outcome == engine::Outcome::kConverted);
      for (const Way way : {Way::kWorker, Way::kSplit}) {
        const std::int64_t splitBefore = engine::GpxDocumentsSplit();
        const Seen other = Convert(dir, input, output, way);
        if (way == Way::kSplit && document.split) {
          EXPECT_EQ(engine::GpxDocumentsSplit() > splitBefore, *document.split);
        }
        EXPECT_TRUE(alone == other)
            << static_cast<int>(way) << ": " << alone.shown.size() << " / " << other.shown.size();
      }
    }
  }
}

// The places named are those of the reader on one thread, which the worker
// must not move: the fault comes after every point before it was counted.
TEST(GpxThreads, AFaultAfterManyPointsIsNamedWhereItLies) {
  TempDir dir;
  const std::string input =
      dir.Write("in.gpx", LongTrack(30000, "<trkpt lat=\"1\" lon=\"2\"></trkseg>\n"));
  for (const Way way : kEveryWay) {
    SCOPED_TRACE(static_cast<int>(way));
    const Seen seen = Convert(dir, input, "out.vrc", way);
    ASSERT_EQ(seen.reason, engine::Message::kGpxUnreadable);
    ASSERT_FALSE(seen.shown.empty());
    // The track's points each a line from line 4 on, the empty segments one
    // more: the broken tag is on line 30005, and expat names the end tag
    // that does not match at its name.
    EXPECT_EQ(seen.shown.back(), engine::MessageText(engine::Message::kGpxUnreadable,
                                                     engine::PlaceInFile(input, 30005, 26)));
    ASSERT_FALSE(seen.progress.empty());
    EXPECT_EQ(seen.progress.back(), "30000");
    EXPECT_FALSE(seen.outputExists);
  }
}

// A stop asked for during a long track ends the reading on both ways at the
// same point, leaves no output, and does not wait for the worker to read
// the rest of the file.
TEST(GpxThreads, AStopMidwayEndsBothWaysAlike) {
  TempDir dir;
  const std::string input = dir.Write("in.gpx", LongTrack(40000));
  for (const int stopAfter : {1, 3, 6}) {
    SCOPED_TRACE(stopAfter);
    const Seen alone = Convert(dir, input, "out.mps", Way::kAlone, stopAfter);
    EXPECT_EQ(alone.outcome, engine::Outcome::kCancelled);
    EXPECT_FALSE(alone.outputExists);
    ASSERT_FALSE(alone.progress.empty());
    EXPECT_LT(std::stoi(alone.progress.back()), 40000);
    EXPECT_TRUE(alone == Convert(dir, input, "out.mps", Way::kWorker, stopAfter));
    EXPECT_TRUE(alone == Convert(dir, input, "out.mps", Way::kSplit, stopAfter));
  }
}

TEST(GpxThreads, AMissingFileIsNamedAlikeOnBothWays) {
  TempDir dir;
  const std::string input = dir.Path("gone.gpx");
  const Seen alone = Convert(dir, input, "out.vrc", Way::kAlone);
  EXPECT_EQ(alone.reason, engine::Message::kInputMissing);
  EXPECT_TRUE(alone == Convert(dir, input, "out.vrc", Way::kWorker));
}

// Real files of other programs, and the fuzz target's corpus (whose first
// byte chooses how the target feeds the rest), both ways.
TEST(GpxThreads, FilesOfOtherProgramsAndTheCorpusBothWays) {
  TempDir dir;
  const struct {
    fs::path folder;
    std::size_t skip;
  } folders[] = {{TestsFolder() / ".." / ".." / "shared" / "testdata" / "gpx", 0},
                 {TestsFolder() / "fuzz" / "corpus" / "gpx_document", 1}};
  int files = 0;
  for (const auto& [folder, skip] : folders) {
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
      if (entry.path().extension() != ".gpx") continue;
      SCOPED_TRACE(entry.path().string());
      const std::string input = dir.Write("in.gpx", ReadFile(entry.path()).substr(skip));
      const Seen alone = Convert(dir, input, "out.vrc", Way::kAlone);
      EXPECT_TRUE(alone == Convert(dir, input, "out.vrc", Way::kWorker));
      EXPECT_TRUE(alone == Convert(dir, input, "out.vrc", Way::kSplit));
      ++files;
    }
  }
  EXPECT_GT(files, 7);
}

// A source of numbered pieces, three to a chunk; it can throw or stop
// short, and says how far it has gone.
class CountingSource final : public engine::GpxPieceSource {
 public:
  explicit CountingSource(int pieces, int throwAt = -1) : pieces_(pieces), throwAt_(throwAt) {}

  std::string& Events() override { return events_; }
  bool ParsePiece() override {
    const std::lock_guard lock(mutex_);
    if (parsed_ == throwAt_) throw std::bad_alloc();
    events_ += std::to_string(parsed_++) + ";";
    // A piece as large as a chunk: each is handed over alone.
    events_.resize(events_.size() + engine::GpxReadAhead::kChunkEventBytes, ' ');
    return parsed_ < pieces_;
  }
  int Parsed() {
    const std::lock_guard lock(mutex_);
    return parsed_;
  }

 private:
  std::mutex mutex_;
  std::string events_;
  int pieces_;
  int throwAt_;
  int parsed_ = 0;
};

// The numbers of the pieces in the chunks taken, in order.
std::vector<int> PiecesIn(const std::string& chunk) {
  std::vector<int> numbers;
  std::size_t at = 0;
  while (at < chunk.size()) {
    while (at < chunk.size() && chunk[at] == ' ') ++at;
    const std::size_t end = chunk.find(';', at);
    if (end == std::string::npos) break;
    numbers.push_back(std::stoi(chunk.substr(at, end - at)));
    at = end + 1;
  }
  return numbers;
}

// Waits until the source has stopped going on.
int SettledCount(CountingSource& source) {
  int last = -1;
  for (int turn = 0; turn < 100; ++turn) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const int now = source.Parsed();
    if (now == last) return now;
    last = now;
  }
  return last;
}

TEST(GpxReadAhead, HandsOverEveryPieceInOrderAndStaysAFewChunksAhead) {
  CountingSource source(40);
  engine::GpxReadAhead ahead(source);
  // Nothing taken yet: the worker waits with its few chunks.
  EXPECT_LE(SettledCount(source), static_cast<int>(engine::GpxReadAhead::kChunksAhead) + 1);
  std::vector<int> taken;
  std::string chunk;
  while (ahead.Take(chunk)) {
    for (const int number : PiecesIn(chunk)) taken.push_back(number);
    if (taken.size() == 40) break;
  }
  ASSERT_EQ(taken.size(), 40U);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(taken[static_cast<std::size_t>(i)], i);
}

TEST(GpxReadAhead, AStopEndsAWaitingWorker) {
  CountingSource source(1000000);
  {
    engine::GpxReadAhead ahead(source);
    std::string chunk;
    ASSERT_TRUE(ahead.Take(chunk));
    ahead.Stop();
  }
  EXPECT_LT(source.Parsed(), 20);
}

// Regression guard: an exception on the worker must reach the taking thread
// after every chunk before it, never std::terminate.
TEST(GpxReadAhead, AnExceptionOnTheWorkerIsThrownByTake) {
  CountingSource source(100, 7);
  engine::GpxReadAhead ahead(source);
  std::vector<int> taken;
  std::string chunk;
  bool threw = false;
  try {
    while (ahead.Take(chunk)) {
      for (const int number : PiecesIn(chunk)) taken.push_back(number);
    }
  } catch (const std::bad_alloc&) {
    threw = true;
  }
  EXPECT_TRUE(threw);
  ASSERT_EQ(taken.size(), 7U);
  EXPECT_EQ(taken.back(), 6);
}

}  // namespace
}  // namespace vc::testing
