// GPX documents as records: each wpt a waypoint, each rte a route, each trk
// one track with its segments joined (formats/gpx). The document is read in
// pieces as the records are asked for; the parser stops after each record
// and goes on from there at the next reading.
//
// GPX holds WGS84 positions and UTC times, so every point is stamped so.
// A waypoint's cmt and desc become its first and second comment (info1,
// info2); a route without a number is numbered by its place in the file.
// Speeds in metres per second become km/h; legs and totals are computed as
// for every track. A document that is not well-formed stops the conversion
// with the line and column of the fault.
#include <memory>
#include <string>
#include <vector>

#include "engine/input/record_reader.hpp"
#include "engine/input/track_legs.hpp"
#include "engine/platform_files.hpp"
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
constexpr std::size_t kChunkSize = 1 << 16;

void StorePoint(const gpx::GpxPoint& from, RoutePoints& points, RtePnt& point) {
  points.SetText(point, PointText::kName, from.name);
  points.SetCoord(point, PointField::kLat, from.lat);
  points.SetCoord(point, PointField::kLon, from.lon);
  points.SetText(point, PointText::kInfo1, from.cmt);
  points.SetText(point, PointText::kInfo2, from.desc);
  points.SetLabels(point, kGpxDatum, kGpxUtcOffset, kGpxCoordFormat);
}

class GpxReader final : public RecordReader, private gpx::GpxHandler {
 public:
  explicit GpxReader(text::LineSource& /*lines*/) : parser_(*this) {}
  ~GpxReader() override {
    if (file_ != platform::kNoFile) platform::CloseFile(file_);
  }
  GpxReader(const GpxReader&) = delete;
  GpxReader& operator=(const GpxReader&) = delete;

  // The parser takes the bytes as they are: the document's own declaration
  // names its encoding.
  void Open(Conversion& conversion) override {
    file_ = platform::OpenForReading(conversion.options.inputName);
  }

  RecordKind ReadNextRecord(Conversion& conversion) override {
    if (done_) return RecordKind::kEof;
    conversion_ = &conversion;
    kind_ = RecordKind::kNone;
    gpx::GpxParser::Status status = suspended_ ? parser_.Resume() : FeedNext(conversion);
    while (status == gpx::GpxParser::Status::kNeedMore && !conversion.cancelled) {
      status = FeedNext(conversion);
    }
    suspended_ = status == gpx::GpxParser::Status::kRecord;
    if (status == gpx::GpxParser::Status::kRecord) return kind_;
    done_ = true;
    if (status == gpx::GpxParser::Status::kError && !failed_) {
      std::int64_t line = parser_.ErrorLine();
      std::int64_t column = parser_.ErrorColumn();
      FindFault(conversion, line, column);
      conversion.FailReading(Message::kGpxUnreadable,
                             PlaceInFile(conversion.options.inputName, line, column));
    }
    return RecordKind::kEof;
  }

 private:
  gpx::GpxParser::Status FeedNext(Conversion& conversion) {
    if (file_ == platform::kNoFile) {
      failed_ = true;
      conversion.FailReading(Message::kInputMissing, conversion.options.inputName);
      return gpx::GpxParser::Status::kError;
    }
    // Read straight into the parser's own buffer: no copy of the document.
    char* const room = parser_.Buffer(kChunkSize);
    if (room == nullptr) return gpx::GpxParser::Status::kError;
    const std::int64_t got = platform::ReadSome(file_, room, kChunkSize);
    if (got < 0) {
      failed_ = true;
      conversion.FailReading(Message::kInputMissing, conversion.options.inputName);
      return gpx::GpxParser::Status::kError;
    }
    return parser_.Parse(static_cast<std::size_t>(got), got == 0);
  }

  // The place of a fault as a namespace-aware reading names it, the file
  // read again from its start; the parser's own place when the file cannot
  // be read again or the front asks to stop.
  void FindFault(Conversion& conversion, std::int64_t& line, std::int64_t& column) {
    if (file_ == platform::kNoFile || !platform::Rewind(file_)) return;
    gpx::GpxFaultFinder finder;
    std::vector<char> chunk(kChunkSize);
    while (!conversion.observer.StopRequested()) {
      const std::int64_t got = platform::ReadSome(file_, chunk.data(), chunk.size());
      if (got < 0) return;
      if (finder.Feed(chunk.data(), static_cast<std::size_t>(got), got == 0)) {
        line = finder.Line();
        column = finder.Column();
        return;
      }
      if (got == 0) return;
    }
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

  gpx::GpxParser parser_;
  platform::FileHandle file_ = platform::kNoFile;
  Conversion* conversion_ = nullptr;
  RecordKind kind_ = RecordKind::kNone;
  TrackLegs legs_;
  TrkPnt blank_{};
  bool haveBlank_ = false;
  bool suspended_ = false;
  bool done_ = false;
  bool failed_ = false;
  int routes_ = 0;
};

}  // namespace

std::unique_ptr<RecordReader> MakeGpxReader(text::LineSource& lines) {
  return std::make_unique<GpxReader>(lines);
}

}  // namespace vc::engine
