// Records of a Waypoint+ text file.
//
// The format has no headers and no end markers: a waypoint is one "WP" line,
// a route is an "RN" line and the "RP" lines after it, a track is a run of
// "TP" lines whose first carries the new-track flag "1". So a record ends
// only when the line after it has been read. That line is kept as the
// lookahead and becomes the start of the next call; no line is read twice and
// none is lost.
//
// A "TP" line flagged "1" starts a new track, except while the current track
// holds a single point: a flagged line right after the first point stays in
// its track, so two flagged lines in a row begin one track, not two.
//
// Waypoint+ times are UTC, dates month/day/year; the points keep the time in
// the system's own form "yyyy/mm/dd hh:nn:ss".
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/input/record_reader.hpp"
#include "engine/input/track_legs.hpp"
#include "formats/waypointplus/wpt_line.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kDatumKind = "Datum";
constexpr std::string_view kEofKind = "EOF";
constexpr std::string_view kWaypointKind = "WP";
constexpr std::string_view kRouteKind = "RN";
constexpr std::string_view kRoutePointKind = "RP";
constexpr std::string_view kTrackPointKind = "TP";
constexpr std::string_view kNewTrackFlag = "1";

// Waypoint+ clocks run on UTC.
constexpr std::string_view kWaypointPlusUtcOffset = "0";
constexpr std::string_view kNotAvailable = "-";

// Field numbers of the lines.
constexpr std::size_t kFormField = 1;
constexpr std::size_t kRouteNumberField = 1;
constexpr std::size_t kRouteNameField = 2;
constexpr std::size_t kNameField = 2;
constexpr std::size_t kPointLatField = 3;
constexpr std::size_t kPointLonField = 4;
constexpr std::size_t kTrackLatField = 2;
constexpr std::size_t kTrackLonField = 3;
constexpr std::size_t kTrackDateField = 4;
constexpr std::size_t kTrackTimeField = 5;
constexpr std::size_t kNewTrackField = 6;

// Only whether the datum description names Tokyo matters; any other datum
// is taken as WGS84.
void SetFileDatum(std::string& fileDatum, std::string_view description) {
  fileDatum = text::ContainsUpper(description, "TOKYO") ? "TOKYO" : "WGS84";
}

// "WP" and "RP" lines share their layout; date, time and comment are dropped.
void StorePoint(const wpt::WptLine& line, const std::string& fileDatum, RoutePoints& points,
                RtePnt& point) {
  points.SetText(point, PointText::kName, text::TrimSpaces(line.fields[kNameField]));
  points.SetCoord(point, PointField::kLat, line.fields[kPointLatField]);
  points.SetCoord(point, PointField::kLon, line.fields[kPointLonField]);
  points.SetLabels(point, fileDatum, kWaypointPlusUtcOffset, line.fields[kFormField]);
}

// The date and time fields joined by one blank, rewritten as
// "yyyy/mm/dd hh:nn:ss". A time that cannot be read keeps the joined text,
// and so does a time without a date: it is a time of day, on no known day.
void StoreTrackTime(const wpt::WptLine& line, TrackPoints& points, TrkPnt& point,
                    std::string& joined) {
  joined = line.fields[kTrackDateField];
  joined += ' ';
  joined += line.fields[kTrackTimeField];
  const auto seconds = text::ParseDateTime(joined, text::DateOrder::kMonthDayYear);
  if (seconds && !text::IsTimeOfDay(*seconds)) {
    TrackPoints::SetTime(point, *seconds);
  } else {
    points.SetText(point, PointField::kDateTime, joined);
  }
}

void StoreTrackPoint(const wpt::WptLine& line, const std::string& fileDatum, TrackPoints& points,
                     TrkPnt& point, std::string& scratch) {
  points.SetLabels(point, fileDatum, kWaypointPlusUtcOffset, line.fields[kFormField]);
  points.SetText(point, PointField::kLat, line.fields[kTrackLatField]);
  points.SetText(point, PointField::kLon, line.fields[kTrackLonField]);
  StoreTrackTime(line, points, point, scratch);
  for (const PointField field : {PointField::kVelocity, PointField::kTrkDegree,
                                 PointField::kPosError, PointField::kHeadDegree}) {
    points.SetText(point, field, kNotAvailable);
  }
}

class WaypointPlusReader final : public RecordReader {
 public:
  explicit WaypointPlusReader(text::LineSource& lines) : lines_(lines) {}

  // The datum line, when there is one, is the first line; a file without one
  // is in Tokyo datum.
  void Open(Conversion& conversion) override {
    ReadLookahead();
    if (lookahead_.kind == kDatumKind) {
      SetFileDatum(conversion.context.fileDatum, lookahead_.fields[1]);
      ReadLookahead();
    } else {
      conversion.context.fileDatum = "TOKYO";
    }
  }

  RecordKind ReadNextRecord(Conversion& conversion) override {
    SkipToRecord(conversion);
    if (lookahead_.kind == kEofKind) return RecordKind::kEof;
    if (lookahead_.kind == kWaypointKind) return ReadWaypoint(conversion.context);
    if (lookahead_.kind == kRouteKind) return ReadRoute(conversion);
    return ReadTrack(conversion);
  }

 private:
  void ReadLookahead() { lines_.ReadWptLine(lookahead_); }

  // Passes over every line that starts no record: unknown kinds, "RP" lines
  // outside a route, and further datum lines. A datum line in the middle of
  // a file is what appending to an output leaves behind; it names the datum
  // of the records after it. The other lines are counted in the report,
  // once each however many unknown kinds the reading by fields finds in one.
  void SkipToRecord(Conversion& conversion) {
    while (lookahead_.kind != kEofKind && lookahead_.kind != kWaypointKind &&
           lookahead_.kind != kRouteKind && lookahead_.kind != kTrackPointKind) {
      if (lookahead_.kind == kDatumKind) {
        SetFileDatum(conversion.context.fileDatum, lookahead_.fields[1]);
      } else if (lines_.KindLine() != lastSkippedLine_) {
        conversion.report.Skip(SkipReason::kUnknownLine);
        lastSkippedLine_ = lines_.KindLine();
      }
      ReadLookahead();
    }
  }

  RecordKind ReadWaypoint(ConversionContext& context) {
    WptRec& waypoint = context.buffers.wpt;
    StorePoint(lookahead_, context.fileDatum, waypoint.store, waypoint.Begin());
    ReadLookahead();
    return RecordKind::kWpt;
  }

  RecordKind ReadRoute(Conversion& conversion) {
    ConversionContext& context = conversion.context;
    RecordBuffers& buffers = context.buffers;
    buffers.rteHdr.rteNo = lookahead_.fields[kRouteNumberField];
    buffers.rteHdr.rteName = lookahead_.fields[kRouteNameField];
    buffers.rtePnt.Clear();
    ReadLookahead();
    while (lookahead_.kind == kRoutePointKind) {
      StorePoint(lookahead_, context.fileDatum, buffers.rtePnt, buffers.rtePnt.Add());
      ReadLookahead();
      if (conversion.PointTick()) break;
    }
    SetCount(buffers.rteHdr.pntNum, buffers.rtePnt.Count());
    return RecordKind::kRte;
  }

  // The lookahead is the first "TP" line of the track.
  RecordKind ReadTrack(Conversion& conversion) {
    ConversionContext& context = conversion.context;
    RecordBuffers& buffers = context.buffers;
    TrkHdr& header = buffers.trkHdr;
    context.NextTrackNumber();
    header.trkFlag = "True";
    header.trkCode.clear();
    header.trkName.clear();
    buffers.trkPnt.Clear();
    legs_.Start(header);
    conversion.observer.BeginProgress(ProgressStage::kReadingTrack);
    while (lookahead_.kind == kTrackPointKind &&
           (lookahead_.fields[kNewTrackField] != kNewTrackFlag || buffers.trkPnt.Count() < 2)) {
      TrkPnt& point = buffers.trkPnt.Add();
      conversion.observer.PointProgress(static_cast<std::int64_t>(buffers.trkPnt.Count()));
      StoreTrackPoint(lookahead_, context.fileDatum, buffers.trkPnt, point, scratch_);
      legs_.Add(buffers.trkPnt, point, header);
      ReadLookahead();
      if (conversion.PointTick()) break;
    }
    SetCount(header.pntNum, buffers.trkPnt.Count());
    TrackLegs::Finish(header);
    return RecordKind::kTrk;
  }

  static void SetCount(std::string& pntNum, std::size_t count) {
    pntNum.clear();
    text::AppendGeneral(pntNum, static_cast<double>(count));
  }

  wpt::WptLineReader lines_;
  // The next line not yet part of a returned record.
  wpt::WptLine lookahead_;
  std::size_t lastSkippedLine_ = 0;
  TrackLegs legs_;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<RecordReader> MakeWaypointPlusReader(text::LineSource& lines) {
  return std::make_unique<WaypointPlusReader>(lines);
}

}  // namespace vc::engine
