// GPX documents as records: each wpt a waypoint, each rte a route, each trk
// one track with its segments joined (formats/gpx). The document is parsed
// in pieces of 64 KiB; the parser's calls are recorded (gpx_events.hpp) and
// replayed here into the records, and the parser's stop after each record
// is where a reading returns. A large document is parsed on a worker thread
// a few chunks ahead of the records (gpx_reader.hpp), and a larger one in
// two halves on two workers, split at a track point near its middle; this
// thread alone fills the records, reports progress and polls the front, in
// the order of the document, so what the front sees does not depend on the
// threads.
//
// GPX holds WGS84 positions and UTC times, so every point is stamped so.
// A waypoint's cmt and desc become its first and second comment (info1,
// info2); a route without a number is numbered by its place in the file.
// Speeds in metres per second become km/h; legs and totals are computed as
// for every track. A document that is not well-formed stops the conversion
// with the line and column of the fault.
#include "engine/input/gpx_reader.hpp"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "engine/input/gpx_read_ahead.hpp"
#include "engine/input/record_reader.hpp"
#include "engine/input/track_legs.hpp"
#include "engine/platform_files.hpp"
#include "formats/gpx/gpx_events.hpp"
#include "formats/gpx/gpx_parser.hpp"
#include "text/constants.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kGpxDatum = "WGS84";
constexpr std::string_view kGpxUtcOffset = "0";
constexpr std::string_view kGpxCoordFormat = "D";
constexpr std::string_view kNotAvailable = "-";
constexpr std::string_view kGpxTrackFlag = "True";
constexpr std::string_view kGpxTrackCode = "0";
using constants::kKmhPerMetrePerSecond;
constexpr std::size_t kPieceSize = 1 << 16;

std::atomic<std::int64_t>& WorkerFromBytes() {
  static std::atomic<std::int64_t> bytes{GpxReadingPolicy::kDefaultWorkerFromBytes};
  return bytes;
}

std::atomic<bool>& EvenOnOneCore() {
  static std::atomic<bool> even{false};
  return even;
}

std::atomic<std::int64_t>& SplitFromBytes() {
  static std::atomic<std::int64_t> bytes{GpxReadingPolicy::kDefaultSplitFromBytes};
  return bytes;
}

std::atomic<std::int64_t>& DocumentsSplit() {
  static std::atomic<std::int64_t> count{0};
  return count;
}

bool WorthAWorker(std::int64_t fileSize) {
  if (fileSize < WorkerFromBytes().load()) return false;
  return EvenOnOneCore().load() || std::thread::hardware_concurrency() > 1;
}

void StorePoint(const gpx::GpxPoint& from, RoutePoints& points, RtePnt& point) {
  points.SetText(point, PointText::kName, from.name);
  points.SetCoord(point, PointField::kLat, from.lat);
  points.SetCoord(point, PointField::kLon, from.lon);
  points.SetText(point, PointText::kInfo1, from.cmt);
  points.SetText(point, PointText::kInfo2, from.desc);
  points.SetLabels(point, kGpxDatum, kGpxUtcOffset, kGpxCoordFormat);
}

// The document read and parsed piece by piece from `from` on, the parser's
// calls and its status after every step recorded.
class GpxPieces final : public GpxPieceSource {
 public:
  explicit GpxPieces(const platform::FileHandle& file, std::int64_t from = 0)
      : file_(file), at_(from), parser_(recorder_) {}

  std::string& Events() noexcept override { return recorder_.Events(); }
  gpx::GpxParser& Parser() noexcept { return parser_; }

  // The next piece of the file through the parser, resumed after every
  // record; false once the last status (the end, a fault, a failed read,
  // the split point) is recorded, and nothing is recorded after it.
  bool ParsePiece() override {
    if (finished_) return false;
    // Until the piece is through: a piece that throws leaves a parser that
    // cannot go on.
    finished_ = true;
    if (file_ == platform::kNoFile) {
      recorder_.MarkInputFailed();
      return false;
    }
    // Read straight into the parser's own buffer: no copy of the document.
    char* const room = parser_.Buffer(kPieceSize);
    if (room == nullptr) {
      recorder_.MarkStatus(gpx::GpxParser::Status::kError, parser_);
      return false;
    }
    const std::int64_t got = platform::ReadSomeAt(file_, at_, room, kPieceSize);
    if (got < 0) {
      recorder_.MarkInputFailed();
      return false;
    }
    at_ += got;
    gpx::GpxParser::Status status = parser_.Parse(static_cast<std::size_t>(got), got == 0);
    recorder_.MarkStatus(status, parser_);
    while (status == gpx::GpxParser::Status::kRecord) {
      status = parser_.Resume();
      recorder_.MarkStatus(status, parser_);
    }
    finished_ = status != gpx::GpxParser::Status::kNeedMore;
    return !finished_;
  }

 private:
  const platform::FileHandle& file_;
  std::int64_t at_;
  gpx::GpxEventRecorder recorder_;
  gpx::GpxParser parser_;
  bool finished_ = false;
};

// Where the first track point's start tag at or after the middle of the
// file lies, found by its bytes; the parser of the first half confirms it.
std::optional<std::int64_t> TrackPointNearMiddle(const platform::FileHandle& file,
                                                 std::int64_t size) {
  constexpr std::size_t kWindow = std::size_t{1} << 18;
  const std::int64_t middle = size / 2;
  std::string window(kWindow, '\0');
  const std::int64_t got = platform::ReadSomeAt(file, middle, window.data(), window.size());
  if (got <= 0) return std::nullopt;
  window.resize(static_cast<std::size_t>(got));
  const std::size_t at = gpx::FindTrackPointTag(window);
  if (at == std::string::npos) return std::nullopt;
  return middle + static_cast<std::int64_t>(at);
}

// Hears nothing: a document parsed only for the place of its fault.
class DeafHandler final : public gpx::GpxHandler {
 public:
  void Waypoint(const gpx::GpxPoint& /*point*/) override {}
  void RouteBegin() override {}
  void RoutePoint(const gpx::GpxPoint& /*point*/) override {}
  void RouteEnd(std::string_view /*name*/, std::string_view /*number*/) override {}
  void TrackBegin() override {}
  void TrackPoint(const gpx::GpxPoint& /*point*/) override {}
  void TrackEnd(std::string_view /*name*/) override {}
};

class GpxReader final : public RecordReader, private gpx::GpxHandler {
 public:
  explicit GpxReader(text::LineSource& /*lines*/) : pieces_(file_) {}
  ~GpxReader() override {
    // The workers read the file: they end before the file is closed.
    readAhead_.reset();
    secondHalfAhead_.reset();
    if (file_ != platform::kNoFile) platform::CloseFile(file_);
  }
  GpxReader(const GpxReader&) = delete;
  GpxReader& operator=(const GpxReader&) = delete;

  // The parser takes the bytes as they are: the document's own declaration
  // names its encoding.
  void Open(Conversion& conversion) override {
    file_ = platform::OpenForReading(conversion.options.inputName);
    const std::int64_t size = file_ == platform::kNoFile ? 0 : platform::FileSize(file_);
    if (file_ == platform::kNoFile || !WorthAWorker(size)) return;
    if (size >= SplitFromBytes().load()) {
      try {
        PlanSplit(size);
      } catch (const std::system_error&) {
        // No second worker to be had: the document is parsed in one.
      }
    }
    try {
      readAhead_ = std::make_unique<GpxReadAhead>(pieces_);
    } catch (const std::system_error&) {
      // No thread to be had: this one reads.
      secondHalfAhead_.reset();
      pieces_.Parser().StopAtTrackPoint(-1);
    }
  }

  RecordKind ReadNextRecord(Conversion& conversion) override {
    if (done_) return RecordKind::kEof;
    conversion_ = &conversion;
    kind_ = RecordKind::kNone;
    gpx::GpxMark mark = NextMark();
    while (mark.status == gpx::GpxParser::Status::kNeedMore && !conversion.cancelled) {
      mark = NextMark();
    }
    if (mark.status == gpx::GpxParser::Status::kRecord) return kind_;
    done_ = true;
    readAhead_.reset();
    secondHalfAhead_.reset();
    if (mark.inputFailed) {
      conversion.FailReading(Message::kInputMissing, conversion.options.inputName);
    } else if (mark.status == gpx::GpxParser::Status::kError) {
      std::int64_t line = mark.line;
      std::int64_t column = mark.column;
      // The second half counts its lines from the split point: where the
      // finder cannot name the place, the parser's own is found again.
      if (!FindFault(conversion, line, column) && inSecondHalf_) {
        PlaceOfParserFault(conversion, line, column);
      }
      conversion.FailReading(Message::kGpxUnreadable,
                             PlaceInFile(conversion.options.inputName, line, column));
    }
    return RecordKind::kEof;
  }

 private:
  // A large document split at a track point near its middle, when it can
  // be: the second half parsed on a worker of its own from a parser that
  // has read the root's start tag and stands inside a segment, the first
  // half stopping at that point. Where the first half finds the point no
  // such place, it reads on and the second half is thrown away.
  void PlanSplit(std::int64_t size) {
    constexpr std::size_t kHead = std::size_t{1} << 16;
    std::string head(kHead, '\0');
    const std::int64_t got = platform::ReadSomeAt(file_, 0, head.data(), head.size());
    if (got <= 0) return;
    head.resize(static_cast<std::size_t>(got));
    const std::optional<std::size_t> rootEnd = gpx::RootStartTagEnd(head);
    if (!rootEnd) return;
    const std::optional<std::int64_t> splitAt = TrackPointNearMiddle(file_, size);
    if (!splitAt || *splitAt < static_cast<std::int64_t>(*rootEnd)) return;
    auto secondHalf = std::make_unique<GpxPieces>(file_, *splitAt);
    if (!secondHalf->Parser().ContinueInsideTrack(std::string_view(head).substr(0, *rootEnd))) {
      return;
    }
    secondHalf->Events().clear();
    secondHalf_ = std::move(secondHalf);
    secondHalfAhead_ =
        std::make_unique<GpxReadAhead>(*secondHalf_, GpxReadAhead::kSecondHalfChunksAhead);
    pieces_.Parser().StopAtTrackPoint(*splitAt);
  }

  // The first half has reached the split point: the records go on with
  // the second half's events.
  void TakeSecondHalf(std::string_view trackName) {
    nameBeforeSplit_ = trackName;
    readAhead_ = std::move(secondHalfAhead_);
    inSecondHalf_ = true;
    ++DocumentsSplit();
  }

  // The parser's own place of a fault that the second half found: the
  // document parsed again from its start on this thread.
  void PlaceOfParserFault(Conversion& conversion, std::int64_t& line, std::int64_t& column) {
    DeafHandler deaf;
    gpx::GpxParser parser(deaf);
    std::vector<char> chunk(kPieceSize);
    std::int64_t at = 0;
    while (!conversion.observer.StopRequested()) {
      const std::int64_t got = platform::ReadSomeAt(file_, at, chunk.data(), chunk.size());
      if (got < 0) return;
      at += got;
      gpx::GpxParser::Status status =
          parser.Feed(chunk.data(), static_cast<std::size_t>(got), got == 0);
      while (status == gpx::GpxParser::Status::kRecord) status = parser.Resume();
      if (status == gpx::GpxParser::Status::kError) {
        line = parser.ErrorLine();
        column = parser.ErrorColumn();
        return;
      }
      if (status != gpx::GpxParser::Status::kNeedMore) return;
    }
  }

  // The parser's next status, its calls before it made on this reader.
  gpx::GpxMark NextMark() {
    while (true) {
      if (const std::optional<gpx::GpxMark> mark = replay_.ReplayToMark(*this)) {
        if (mark->status != gpx::GpxParser::Status::kSplit) return *mark;
        TakeSecondHalf(replay_.SplitTrackName());
        continue;
      }
      if (!NextChunk()) {
        // Every chunk ends in a status and the last in a final one, so the
        // events cannot run out; if they did, the reading could not go on.
        return gpx::GpxMark{gpx::GpxParser::Status::kError, true};
      }
    }
  }

  bool NextChunk() {
    if (readAhead_) {
      if (!readAhead_->Take(events_)) return false;
      // The second half's chunks, taken one after another as the records
      // catch up, are freed into the worker's arena, which would keep
      // their pages while the points they made fill the track.
      constexpr int kChunksPerReturn = 8;
      if (inSecondHalf_ && ++secondHalfChunks_ % kChunksPerReturn == 0) {
        platform::ReturnFreedMemory();
      }
    } else {
      std::string& recorded = pieces_.Events();
      recorded.clear();
      pieces_.ParsePiece();
      if (recorded.empty()) return false;
      events_.swap(recorded);
    }
    replay_.Reset(events_);
    return true;
  }

  // The place of a fault as a namespace-aware reading names it, the file
  // read again from its start; false, with the place left as it was, when
  // the file cannot be read again or the front asks to stop.
  bool FindFault(Conversion& conversion, std::int64_t& line, std::int64_t& column) {
    if (file_ == platform::kNoFile || !platform::Rewind(file_)) return false;
    gpx::GpxFaultFinder finder;
    std::vector<char> chunk(kPieceSize);
    while (!conversion.observer.StopRequested()) {
      const std::int64_t got = platform::ReadSome(file_, chunk.data(), chunk.size());
      if (got < 0) return false;
      if (finder.Feed(chunk.data(), static_cast<std::size_t>(got), got == 0)) {
        line = finder.Line();
        column = finder.Column();
        return true;
      }
      if (got == 0) return false;
    }
    return false;
  }

  // A coordinate whose text is the general form of its value is that value.
  static void SetCoord(TrackPoints& points, TrkPnt& point, PointField field,
                       const std::optional<double>& value, const std::string& text) {
    if (value) {
      TrackPoints::SetRoundedNumber(point, field, *value);
    } else {
      points.SetText(point, field, text);
    }
  }

  RecordBuffers& Buffers() { return conversion_->context.buffers; }

  void Waypoint(const gpx::GpxPoint& point) override {
    WptRec& waypoint = Buffers().wpt;
    StorePoint(point, waypoint.store, waypoint.Begin());
    kind_ = RecordKind::kWpt;
  }

  void RouteBegin() override { Buffers().rtePnt.Clear(); }

  void RoutePoint(const gpx::GpxPoint& point) override {
    RoutePoints& points = Buffers().rtePnt;
    StorePoint(point, points, points.Add());
  }

  void RouteEnd(std::string_view name, std::string_view number) override {
    RteHdr& header = Buffers().rteHdr;
    ++routes_;
    header.rteNo = number.empty() ? std::to_string(routes_) : std::string(number);
    header.rteName = name;
    header.pntNum = std::to_string(Buffers().rtePnt.Count());
    kind_ = RecordKind::kRte;
  }

  void TrackBegin() override {
    conversion_->observer.BeginProgress(ProgressStage::kReadingTrack);
    Buffers().trkPnt.Clear();
    legs_.Start(Buffers().trkHdr);
    haveBlank_ = false;
  }

  // Every point of a GPX track starts alike: WGS84, UTC and decimal
  // degrees, and "-" for what GPX does not give. The first point of the
  // track makes that start once; the others copy it.
  TrkPnt& AddBlankPoint(TrackPoints& points) {
    TrkPnt& point = points.Add();
    if (haveBlank_) {
      point = blank_;
      return point;
    }
    points.SetLabels(point, kGpxDatum, kGpxUtcOffset, kGpxCoordFormat);
    for (const PointField field : {PointField::kVelocity, PointField::kTrkDegree,
                                   PointField::kPosError, PointField::kHeadDegree}) {
      points.SetText(point, field, kNotAvailable);
    }
    blank_ = point;
    haveBlank_ = true;
    return point;
  }

  void TrackPoint(const gpx::GpxPoint& from) override {
    if (conversion_->PointTick()) return;
    TrackPoints& points = Buffers().trkPnt;
    TrkPnt& point = AddBlankPoint(points);
    SetCoord(points, point, PointField::kLat, from.latValue, from.lat);
    SetCoord(points, point, PointField::kLon, from.lonValue, from.lon);
    // A point without a time keeps the empty text of a new point.
    if (from.utc && text::IsWritableTime(*from.utc)) TrackPoints::SetTime(point, *from.utc);
    if (from.speedMps) {
      TrackPoints::SetNumber(point, PointField::kVelocity, *from.speedMps * kKmhPerMetrePerSecond);
    }
    if (from.course) TrackPoints::SetNumber(point, PointField::kTrkDegree, *from.course);
    conversion_->observer.PointProgress(static_cast<std::int64_t>(points.Count()));
    legs_.Add(points, point, Buffers().trkHdr);
  }

  void TrackEndNamedBefore() override { TrackEnd(nameBeforeSplit_); }

  void TrackEnd(std::string_view name) override {
    TrkHdr& header = Buffers().trkHdr;
    conversion_->context.NextTrackNumber();
    header.pntNum = std::to_string(Buffers().trkPnt.Count());
    TrackLegs::Finish(header);
    header.trkFlag = kGpxTrackFlag;
    header.trkCode = kGpxTrackCode;
    header.trkName = name;
    kind_ = RecordKind::kTrk;
  }

  platform::FileHandle file_ = platform::kNoFile;
  GpxPieces pieces_;
  std::string events_;
  gpx::GpxEventReplay replay_;
  Conversion* conversion_ = nullptr;
  RecordKind kind_ = RecordKind::kNone;
  TrackLegs legs_;
  TrkPnt blank_{};
  bool haveBlank_ = false;
  bool done_ = false;
  int routes_ = 0;
  std::unique_ptr<GpxPieces> secondHalf_;
  std::string nameBeforeSplit_;
  bool inSecondHalf_ = false;
  int secondHalfChunks_ = 0;
  // Last: ended first, before the file they read is closed and before the
  // pieces they parse are gone.
  std::unique_ptr<GpxReadAhead> secondHalfAhead_;
  std::unique_ptr<GpxReadAhead> readAhead_;
};

}  // namespace

void SetGpxReadingPolicy(const GpxReadingPolicy& policy) {
  WorkerFromBytes().store(policy.workerFromBytes);
  EvenOnOneCore().store(policy.evenOnOneCore);
  SplitFromBytes().store(policy.splitFromBytes);
}

std::int64_t GpxDocumentsSplit() { return DocumentsSplit().load(); }

GpxReadingPolicy CurrentGpxReadingPolicy() {
  return {WorkerFromBytes().load(), EvenOnOneCore().load(), SplitFromBytes().load()};
}

std::unique_ptr<RecordReader> MakeGpxReader(text::LineSource& lines) {
  return std::make_unique<GpxReader>(lines);
}

}  // namespace vc::engine
