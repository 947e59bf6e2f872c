#include "engine/output/point_chunks.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <future>
#include <memory>
#include <new>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <csignal>
#endif

#include "support/writer_support.hpp"

namespace vc::testing {
namespace {

using engine::kNeverTwoThreads;
using engine::PointChunking;
using engine::RecordKind;

// The chunking of the process for one test, and the default again after it.
class ChunkingFor {
 public:
  explicit ChunkingFor(PointChunking chunking) { engine::SetPointChunking(chunking); }
  ~ChunkingFor() { engine::SetPointChunking(engine::DefaultPointChunking()); }
  ChunkingFor(const ChunkingFor&) = delete;
  ChunkingFor& operator=(const ChunkingFor&) = delete;
};

// The first chunk of the calling thread waits until the worker has begun
// one, so that the worker surely takes part however the threads are
// scheduled; a run that never starts the worker does not wait.
class WorkerTakesPart {
 public:
  explicit WorkerTakesPart(bool expected) : expected_(expected) {}
  void Formatting(std::size_t lane) {
    if (lane == 1) {
      if (!begun_.exchange(true)) started_.set_value();
    } else if (expected_ && !waited_) {
      waited_ = true;
      ASSERT_EQ(started_.get_future().wait_for(std::chrono::seconds(30)),
                std::future_status::ready);
    }
  }

 private:
  bool expected_;
  bool waited_ = false;  // the calling thread's alone
  std::atomic<bool> begun_{false};
  std::promise<void> started_;
};

// Items as "n," through an output file, with what each call saw.
struct ChunkRun {
  explicit ChunkRun(bool twoThreads) : worker(twoThreads) {}

  bool Run(std::size_t count) {
    if (!file.Open(dir.Path("chunks.out"), engine::OutputTextFile::Mode::kReplace,
                   engine::Encoding::kUtf8)) {
      return false;
    }
    lanes.assign(count, -1);
    const engine::ChunkFormat format = [&](std::size_t lane, std::size_t begin, std::size_t end,
                                           std::string& out) {
      ++active;
      worker.Formatting(lane);
      if (throwOnLane == static_cast<int>(lane)) {
        --active;
        throw std::bad_alloc();
      }
      for (std::size_t item = begin; item < end; ++item) {
        out += std::to_string(item) + ',';
        lanes[item] = static_cast<int>(lane);
      }
      --active;
    };
    const engine::ChunkStart start = [&](std::size_t begin, std::size_t end) {
      starts.push_back({begin, end});
      return begin != stopAt;
    };
    return engine::FormatChunksInOrder(count, text, format, start);
  }

  TempDir dir;
  engine::OutputTextFile file;
  engine::RecordText text{file};
  WorkerTakesPart worker;
  std::vector<int> lanes;  // a slot per item: each is written by one thread
  std::vector<std::pair<std::size_t, std::size_t>> starts;
  std::atomic<int> active{0};
  std::size_t stopAt = kNeverTwoThreads;
  int throwOnLane = -1;
};

std::string Items(std::size_t from, std::size_t to) {
  std::string text;
  for (std::size_t item = from; item < to; ++item) text += std::to_string(item) + ',';
  return text;
}

TEST(PointChunks, EveryItemOnceInOrderOnEitherPath) {
  struct Case {
    std::size_t count;
    std::size_t chunkItems;
    std::size_t minItems;
    bool twoThreads;
  };
  const Case cases[] = {
      {0, 4, 0, false},      {1, 4, 0, false},        {4, 4, 0, false},
      {5, 4, 0, true},       {1000, 7, 0, true},      {1000, 7, kNeverTwoThreads, false},
      {1000, 1, 0, true},    {10, 100, 0, false},     {999, 7, 1000, false},
      {1000, 7, 1000, true}, {100000, 2048, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.count << " items, chunks of " << c.chunkItems
                                      << ", threshold " << c.minItems);
    const ChunkingFor chunking({c.chunkItems, c.minItems});
    ChunkRun run(c.twoThreads);
    ASSERT_TRUE(run.Run(c.count));
    run.text.Finish();
    ASSERT_TRUE(run.file.Commit());
    EXPECT_TRUE(run.dir.Read("chunks.out") == Items(0, c.count) + (c.count > 0 ? "\r\n" : ""));
    // The progress of the chunks comes in order, on the calling thread.
    std::size_t next = 0;
    for (const auto& [begin, end] : run.starts) {
      EXPECT_EQ(begin, next);
      EXPECT_LE(end - begin, c.chunkItems);
      next = end;
    }
    EXPECT_EQ(next, c.count);
    bool worker = false;
    for (const int lane : run.lanes) worker = worker || lane == 1;
    EXPECT_EQ(worker, c.twoThreads);
  }
}

// A stop ends the run at once: nothing of the chunk stopped at or after it
// is added, and no formatting goes on once the call has returned.
TEST(PointChunks, StopEndsTheRunAndTheWorker) {
  for (const bool twoThreads : {false, true}) {
    const std::size_t stopChunks[] = {0, 1, 2, 5, 40};
    for (const std::size_t stopChunk : stopChunks) {
      SCOPED_TRACE(::testing::Message() << (twoThreads ? "two threads" : "one thread")
                                        << ", stopped at chunk " << stopChunk);
      const ChunkingFor chunking({10, twoThreads ? 0 : kNeverTwoThreads});
      ChunkRun run(twoThreads && stopChunk > 0);
      run.stopAt = stopChunk * 10;
      EXPECT_FALSE(run.Run(1000));
      EXPECT_EQ(run.active.load(), 0);
      run.text.Finish();
      ASSERT_TRUE(run.file.Commit());
      EXPECT_TRUE(run.dir.Read("chunks.out") ==
                  Items(0, run.stopAt) + (stopChunk > 0 ? "\r\n" : ""));
      EXPECT_EQ(run.starts.size(), stopChunk + 1);
    }
  }
}

// A worker's std::bad_alloc comes out of the call on the calling thread,
// as the calling thread's own does, and both threads have stopped by then.
TEST(PointChunks, AnExceptionOfEitherThreadReachesTheCaller) {
  for (const int lane : {0, 1}) {
    SCOPED_TRACE(::testing::Message() << "thrown on lane " << lane);
    const ChunkingFor chunking({10, 0});
    ChunkRun run(lane == 1);
    run.throwOnLane = lane;
    EXPECT_THROW(run.Run(1000), std::bad_alloc);
    EXPECT_EQ(run.active.load(), 0);
  }
}

// --- the writers

// A track of `count` points with something of everything: datum shifts and
// none, three coordinate forms, two zones, own texts, "-" values, times of
// day alone and missing times, and legs.
void SetVariedTrack(engine::RecordBuffers& buffers, int count, bool everyDated = false) {
  std::vector<TrackPointTexts> points;
  for (int i = 1; i <= count; ++i) {
    const int seconds = 3 * 3600 + i * 7;
    const auto two = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    const std::string clock =
        two(seconds / 3600 % 24) + ':' + two(seconds / 60 % 60) + ':' + two(seconds % 60);
    std::string dateTime = "2002/07/" + two(15 + seconds / 86400) + ' ' + clock;
    if (i % 997 == 0 && !everyDated) dateTime = clock;
    if (i % 1499 == 0 && !everyDated) dateTime = "-";
    const double lat = 35.5 + i * 1.37e-5;
    const double lon = 139.75 - i * 0.91e-5;
    TrackPointTexts point =
        MakeTrackPoint(std::to_string(lat), std::to_string(lon), dateTime, "D",
                       i % 3000 < 2000 ? "WGS84" : "TOKYO", i % 4000 < 3500 ? "+9" : "0");
    if (i % 5000 > 4700) {
      point.lat = "35/30/" + two(i % 60) + ".5";
      point.lon = "139/45/00.25";
      point.recCoordFormat = "MPS";
    }
    if (i % 611 == 0) point.lat = " 35.50000 ";
    point.velocity = i % 13 == 0 ? "-" : std::to_string((i % 90) * 0.37);
    point.trkDegree = i % 17 == 0 ? "---.-" : std::to_string(i % 360);
    point.headDegree = i % 19 == 0 ? "-" : std::to_string((i * 7) % 360);
    point.legTime = i == 1 ? 0 : 7;
    point.legLength = (i % 50) * 1.5;
    points.push_back(point);
  }
  SetTrack(buffers, points);
  buffers.trkHdr.trkName = "Varied";
  buffers.trkHdr.totalTripTime = 70000;
  buffers.trkHdr.totalTripLength = 12345.6;
  buffers.trkHdr.totalVelocity = 3.21;
}

void ChooseEveryAnnotation(engine::ConvertOptions& options, std::int16_t step) {
  options.lineTotalPoints = options.lineTotalTime = true;
  options.lineTotalLength = options.lineTotalVelocity = true;
  options.pointPastDate = options.pointPastVelocity = options.pointPastDegree = true;
  options.pointHeadDegree = options.pointLegTime = true;
  options.pointLegLength = options.pointLegVelocity = true;
  options.pointStep = step;
}

struct Written {
  std::string text;
  std::vector<std::string> progress;
  int polls = 0;
};

// An output type, with the frame its options give where the type leaves it
// to them.
struct Output {
  engine::FileType type;
  const char* name;
  bool everyDated = false;
  std::string datum = engine::kDataPriority;
  std::string coordFormat = engine::kDataPriority;
  std::string utcOffset = engine::kDataPriority;
};

std::unique_ptr<engine::RecordWriter> WriterOf(engine::FileType type) {
  switch (type) {
    case engine::FileType::kMps:
      return engine::MakeMpsWriter();
    case engine::FileType::kGpx:
      return engine::MakeGpxWriter();
    case engine::FileType::kKml:
      return engine::MakeKmlWriter();
    default:
      return engine::MakeWaypointPlusWriter();
  }
}

Written WriteTrack(const Output& output, std::int16_t step, const PointChunking& chunking,
                   int stopAfterPolls = -1, int points = 10000) {
  const ChunkingFor chosen(chunking);
  WriterHarness harness(output.type);
  ChooseEveryAnnotation(harness.options, step);
  harness.options.datum = output.datum;
  harness.options.coordFormat = output.coordFormat;
  harness.options.utcOffset = output.utcOffset;
  SetVariedTrack(harness.buffers(), points, output.everyDated);
  harness.observer.stopAfterPolls = stopAfterPolls;
  const std::unique_ptr<engine::RecordWriter> writer = WriterOf(output.type);
  Written written;
  written.text = harness.Write(*writer, RecordKind::kTrk);
  written.progress = harness.observer.progress;
  written.polls = harness.observer.polls;
  return written;
}

const Output kMps{engine::FileType::kMps, "MPS"};
const Output kGpx{engine::FileType::kGpx, "GPX"};

// One chunk on one thread is the plain loop over the points.
constexpr PointChunking kOneThread{std::size_t{1} << 30, kNeverTwoThreads};
constexpr PointChunking kTwoThreads{97, 0};

// The bytes, the progress counts and the stop checks of a long track are the
// same whether its points are formatted on one thread or on two.
TEST(PointChunks, TwoThreadsWriteTheBytesOfOne) {
  const Output outputs[] = {
      kMps,
      kGpx,
      {engine::FileType::kKml, "KML line"},
      {engine::FileType::kKml, "KML gx:Track", true},
      {engine::FileType::kWpt, "Waypoint+ of the data"},
      {engine::FileType::kWpt, "Waypoint+ WGS84 DMS UTC", false, "WGS84", "DMS", "0"},
      {engine::FileType::kWpt, "Waypoint+ Tokyo MPS +9", false, "TOKYO", "MPS", "+9"},
  };
  const std::int16_t steps[] = {1, 3, 250};
  for (const Output& output : outputs) {
    for (const std::int16_t step : steps) {
      SCOPED_TRACE(::testing::Message() << output.name << ", step " << step);
      const Written one = WriteTrack(output, step, kOneThread);
      const Written two = WriteTrack(output, step, kTwoThreads);
      ASSERT_GT(one.text.size(), std::size_t{100000});
      EXPECT_TRUE(one.text == two.text) << "sizes " << one.text.size() << ", " << two.text.size();
      EXPECT_EQ(one.progress, two.progress);
      EXPECT_EQ(one.polls, two.polls);
    }
  }
}

// The same for the line and the point statements of a long MPS route, in
// either order.
TEST(PointChunks, TwoThreadsWriteTheBytesOfOneForARoute) {
  const auto write = [](const char* order, const PointChunking& chunking) {
    const ChunkingFor chosen(chunking);
    WriterHarness harness(engine::FileType::kMps, engine::FileType::kWpt);
    harness.options.routeOrder = order;
    std::vector<PointTexts> points;
    for (int i = 1; i <= 10000; ++i) {
      const bool wgs84 = i % 3000 < 1000;
      points.push_back(MakeWaypoint("P" + std::to_string(i), std::to_string(35.5 + i * 1.1e-5),
                                    std::to_string(139.7 + i * 0.7e-5), "D",
                                    wgs84 ? "WGS84" : "TOKYO"));
    }
    SetRoute(harness.buffers(), "7", "Long route", points);
    const std::unique_ptr<engine::RecordWriter> writer = engine::MakeMpsWriter();
    return harness.Write(*writer, RecordKind::kRte);
  };
  for (const char* order : {"昇順", "降順"}) {
    SCOPED_TRACE(order);
    const std::string one = write(order, kOneThread);
    const std::string two = write(order, kTwoThreads);
    ASSERT_GT(one.size(), std::size_t{100000});
    EXPECT_TRUE(one == two) << "sizes " << one.size() << ", " << two.size();
  }
}

// A stop asked for in the middle of the line is heard at the same point on
// either path.
TEST(PointChunks, AStopMidwayIsHeardAtTheSamePoint) {
  for (const Output& output : {kMps, kGpx}) {
    const Written one = WriteTrack(output, 1, kOneThread, 1);
    const Written two = WriteTrack(output, 1, kTwoThreads, 1);
    EXPECT_EQ(one.progress, two.progress);
    EXPECT_EQ(one.polls, 2);
    EXPECT_EQ(two.polls, 2);
  }
  const Written stopped = WriteTrack(kMps, 1, kTwoThreads, 1);
  ASSERT_FALSE(stopped.progress.empty());
  EXPECT_EQ(stopped.progress.back(), "8192");
}

#ifndef _WIN32
// A file-size limit fails the output's writes part way through.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    previous_ = std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{bytes, old_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, previous_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*previous_)(int) = SIG_DFL;
};
#endif

// Once a write has failed the rest of the track is not formatted for
// nothing: the line stops within a chunk of the failure.
TEST(PointChunks, AFailedWriteEndsTheTrack) {
#ifdef _WIN32
  GTEST_SKIP() << "a file-size limit (RLIMIT_FSIZE) is POSIX only";
#else
  for (const PointChunking& chunking : {PointChunking{97, kNeverTwoThreads}, kTwoThreads}) {
    SCOPED_TRACE(chunking.minItemsForWorker == 0 ? "two threads" : "one thread");
    Written written;
    {
      const FileSizeLimit limit(256 * 1024);
      written = WriteTrack(kMps, 1, chunking, -1, 200000);
    }
    EXPECT_EQ(written.text, "<cannot commit>");
    // The line alone would count all 200000 points; the first write to
    // the file comes after a few tens of thousands.
    EXPECT_LT(written.progress.size(), std::size_t{200000});
  }
#endif
}

}  // namespace
}  // namespace vc::testing
