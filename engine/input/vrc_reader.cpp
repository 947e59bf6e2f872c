// Records of a VornConnect (VRC) file.
//
// A waypoint is one "WPT" line. A route is an "RTH" line whose column 4
// counts the "RTP" lines after it; a track is a "TRH" line whose column 2
// counts the "TRP" lines after it. The counted lines are taken as points
// whatever their first field says, so a record is read exactly to its end
// and nothing is read ahead.
//
// Between records VornConnect's own files carry a header block (a line
// "VornConnect", a line starting with the digit N, then N lines of anything)
// and column title lines such as "TRH  trk_pnt_num ..."; both are passed
// over, as are lines whose first field is empty. Kinds are compared exactly:
// a "wpt" line is not a waypoint.
//
// VRC files name no time zone; their times are taken as Japan time, "+9".
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/input/record_reader.hpp"
#include "engine/input/track_legs.hpp"
#include "formats/vrc/vrc_line.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kHeaderBlockMark = "VornConnect";
constexpr std::string_view kWaypointKind = "WPT";
constexpr std::string_view kRouteKind = "RTH";
constexpr std::string_view kTrackKind = "TRH";

constexpr std::string_view kVrcUtcOffset = "+9";
constexpr std::string_view kNotAvailable = "-";

// Counted points that lie past the end of the file are empty points, but a
// damaged count such as "99999999999" must not fill memory: past the end,
// empty points are added only while the record is smaller than the largest
// record the format's own programs could hold.
constexpr std::size_t kMaxPaddedRoutePoints = 1024;
constexpr std::size_t kMaxPaddedTrackPoints = 102400;

struct TitleLine {
  std::string_view kind;
  std::string_view secondField;
};

constexpr std::array<TitleLine, 5> kTitleLines{{
    {"WPT", "DegreeType"},
    {"RTH", "nmbr"},
    {"RTP", "DegreeType"},
    {"TRH", "trk_pnt_num"},
    {"TRP", "DegreeType"},
}};

bool IsTitleLine(const vrc::VrcFields& fields) noexcept {
  for (const TitleLine& title : kTitleLines) {
    if (fields[1] == title.kind && fields[2] == title.secondField) return true;
  }
  return false;
}

// Waypoint and route point columns: 2 form, 3 datum, 5 latitude,
// 6 longitude, 8 and 10 info texts, 39 name, 40 first info text.
void StorePoint(const vrc::VrcFields& fields, RoutePoints& points, RtePnt& point) {
  points.SetText(point, PointText::kName, text::TrimSpaces(fields[39]));
  points.SetCoord(point, PointField::kLat, fields[5]);
  points.SetCoord(point, PointField::kLon, fields[6]);
  points.SetText(point, PointText::kInfo1, text::TrimSpaces(fields[40]));
  points.SetText(point, PointText::kInfo2, text::TrimSpaces(fields[8]));
  points.SetText(point, PointText::kInfo3, text::TrimSpaces(fields[10]));
  points.SetLabels(point, fields[3], kVrcUtcOffset, fields[2]);
}

// Track point columns: 2 form, 3 datum, 4 latitude, 5 longitude, 6 time.
// The receiver's measurements are not kept; the legs are computed anew.
void StoreTrackPoint(const vrc::VrcFields& fields, TrackPoints& points, TrkPnt& point) {
  points.SetLabels(point, fields[3], kVrcUtcOffset, fields[2]);
  points.SetText(point, PointField::kLat, fields[4]);
  points.SetText(point, PointField::kLon, fields[5]);
  points.SetText(point, PointField::kDateTime, fields[6]);
  for (const PointField field : {PointField::kVelocity, PointField::kTrkDegree,
                                 PointField::kPosError, PointField::kHeadDegree}) {
    points.SetText(point, field, kNotAvailable);
  }
}

void SetCount(std::string& pntNum, std::size_t count) {
  pntNum.clear();
  text::AppendGeneral(pntNum, static_cast<double>(count));
}

class VrcReader final : public RecordReader {
 public:
  explicit VrcReader(text::LineSource& lines) : lines_(lines) {}

  RecordKind ReadNextRecord(Conversion& conversion) override {
    if (!ReadDataLine()) return RecordKind::kEof;
    const std::string& kind = line_.fields[1];
    if (kind == kWaypointKind) {
      WptRec& waypoint = conversion.context.buffers.wpt;
      StorePoint(line_.fields, waypoint.store, waypoint.Begin());
      return RecordKind::kWpt;
    }
    if (kind == kRouteKind) return ReadRoute(conversion);
    if (kind == kTrackKind) return ReadTrack(conversion);
    // A point line outside its route or track, or a line of a kind VRC
    // does not have: consumed, no record, counted in the report.
    conversion.report.Skip(SkipReason::kUnknownLine);
    return RecordKind::kNone;
  }

 private:
  // Reads up to the next line that is neither part of a header block nor a
  // title line nor blank in its first field; false at the end of the file.
  bool ReadDataLine() {
    while (!lines_.AtEnd()) {
      vrc::ReadVrcLine(lines_, line_);
      if (line_.fields[1] == kHeaderBlockMark) {
        SkipHeaderBlock();
      } else if (!line_.fields[1].empty() && !IsTitleLine(line_.fields)) {
        return true;
      }
    }
    return false;
  }

  // After the mark comes a line whose first character is the number of the
  // lines that follow it (0 when it is no digit). These lines are raw text,
  // not split into fields.
  void SkipHeaderBlock() {
    if (!lines_.ReadLine(line_.text)) return;
    const char first = line_.text.empty() ? '\0' : line_.text.front();
    int remaining = first >= '0' && first <= '9' ? first - '0' : 0;
    while (remaining-- > 0 && lines_.ReadLine(line_.text)) {
    }
  }

  // Reads the next counted point line; false once the file is at its end and
  // the record already holds `maxPadded` points, when the count is given up.
  bool ReadPointLine(std::size_t held, std::size_t maxPadded) {
    if (lines_.AtEnd() && held >= maxPadded) return false;
    vrc::ReadVrcLine(lines_, line_);
    return true;
  }

  RecordKind ReadRoute(Conversion& conversion) {
    RecordBuffers& buffers = conversion.context.buffers;
    RteHdr& header = buffers.rteHdr;
    header.rteNo = line_.fields[2];
    header.rteName = line_.fields[3];
    header.pntNum = line_.fields[4];
    const std::int64_t count = text::CountOf(header.pntNum);
    buffers.rtePnt.Clear();
    for (std::int64_t n = 1; n <= count; ++n) {
      if (!ReadPointLine(buffers.rtePnt.Count(), kMaxPaddedRoutePoints)) {
        SetCount(header.pntNum, buffers.rtePnt.Count());
        break;
      }
      StorePoint(line_.fields, buffers.rtePnt, buffers.rtePnt.Add());
      if (conversion.PointTick()) break;
    }
    return RecordKind::kRte;
  }

  RecordKind ReadTrack(Conversion& conversion) {
    ConversionContext& context = conversion.context;
    RecordBuffers& buffers = context.buffers;
    TrkHdr& header = buffers.trkHdr;
    context.NextTrackNumber();
    header.pntNum = line_.fields[2];
    header.trkFlag = line_.fields[3].empty() ? std::string_view("True") : line_.fields[3];
    header.trkCode = line_.fields[4];
    header.trkName = line_.fields[5];
    legs_.Start(header);
    const std::int64_t count = text::CountOf(header.pntNum);
    buffers.trkPnt.Clear();
    conversion.observer.BeginProgress(ProgressStage::kReadingTrack);
    for (std::int64_t n = 1; n <= count; ++n) {
      if (!ReadPointLine(buffers.trkPnt.Count(), kMaxPaddedTrackPoints)) {
        SetCount(header.pntNum, buffers.trkPnt.Count());
        break;
      }
      TrkPnt& point = buffers.trkPnt.Add();
      conversion.observer.PointProgress(static_cast<std::int64_t>(buffers.trkPnt.Count()));
      StoreTrackPoint(line_.fields, buffers.trkPnt, point);
      legs_.Add(buffers.trkPnt, point, header);
      if (conversion.PointTick()) break;
    }
    TrackLegs::Finish(header);
    return RecordKind::kTrk;
  }

  text::LineSource& lines_;
  vrc::VrcLine line_;
  TrackLegs legs_;
};

}  // namespace

std::unique_ptr<RecordReader> MakeVrcReader(text::LineSource& lines) {
  return std::make_unique<VrcReader>(lines);
}

}  // namespace vc::engine
