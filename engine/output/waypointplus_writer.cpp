// Records as Waypoint+ lines, after one datum line that names the output's
// Waypoint+ datum (none for a datum the format has no line for):
//
//   Datum,WGS84,WGS84,0,0,0,0,0
//   Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664
//
//   waypoint  WP,form,name, lat, lon,mm/dd/yyyy,hh:mm:ss,comment
//   route     RN,number,name
//             RP,form,name, lat, lon,mm/dd/yyyy,hh:mm:ss,comment   per point
//   track     TP,form, lat, lon,mm/dd/yyyy,hh:mm:ss,flag         per point;
//             the flag is 1 on the first point of a track, 0 on the others
//
// Waypoints and route points have no time of their own: their date and time
// are the moment of the conversion in the output's zone. Names and comments
// go out as stored, blanks included. A time that cannot be read leaves the
// date and time fields empty.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/output/point_chunks.hpp"
#include "engine/output/point_conversion.hpp"
#include "engine/output/record_writer.hpp"
#include "formats/waypointplus/wpt_line.hpp"
#include "text/datetime.hpp"
#include "text/digit_pairs.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr text::LocalSeconds kSecondsPerMinute = 60;

std::string_view DatumLine(std::string_view datum) {
  if (text::EqualsUpper(datum, "WGS84")) return "Datum,WGS84,WGS84,0,0,0,0,0";
  if (text::EqualsUpper(datum, "TOKYO")) {
    return "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664";
  }
  return {};
}

// The date and time fields of a point's line.
struct PointTimeTexts {
  std::string date;
  std::string time;
  // The track point time they were split from.
  std::optional<text::LocalSeconds> lastTrackSeconds;

  void Split(std::optional<text::LocalSeconds> seconds) {
    lastTrackSeconds.reset();
    date.clear();
    time.clear();
    if (!seconds) return;
    // A time of day has no date to write: the date field stays empty.
    if (!text::IsTimeOfDay(*seconds)) text::AppendMonthDayYear(date, *seconds);
    text::AppendTimeOfDay(time, *seconds);
  }

  // The same for the points of a track, which mostly follow each other
  // within a day: the date is made again only when the day changes, the
  // time only when the minute does (else its seconds are written into it),
  // and nothing when the second is that of the point before.
  void SplitTrackPoint(std::optional<text::LocalSeconds> seconds) {
    const bool follows = seconds && lastTrackSeconds;
    if (follows && *seconds == *lastTrackSeconds) return;
    if (follows && *seconds >= 0 && *lastTrackSeconds >= 0 &&
        *seconds / kSecondsPerMinute == *lastTrackSeconds / kSecondsPerMinute) {
      // "hh:mm:ss": the seconds are its last two digits.
      text::PutDigitPair(time.data() + time.size() - 2,
                         static_cast<std::uint32_t>(*seconds % kSecondsPerMinute));
      lastTrackSeconds = seconds;
      return;
    }
    if (follows && DayOf(*seconds) == DayOf(*lastTrackSeconds)) {
      time.clear();
      text::AppendTimeOfDay(time, *seconds);
    } else {
      Split(seconds);
    }
    lastTrackSeconds = seconds;
  }

  // Days counted from the zero date, whose day the times of day share.
  static std::int64_t DayOf(text::LocalSeconds seconds) noexcept {
    const std::int64_t intoDays = seconds - text::ZeroDate();
    const std::int64_t day = intoDays / text::kSecondsPerDay;
    return intoDays % text::kSecondsPerDay < 0 ? day - 1 : day;
  }
};

class WaypointPlusWriter final : public KindWriter {
 public:
  bool WriteHeader(OutputTextFile& output, Conversion& conversion) override {
    const std::string_view line = DatumLine(conversion.frame.headerDatum);
    if (!line.empty()) output.WriteLine(line);
    return true;
  }

 private:
  // "WP" and "RP" lines share their layout; the point is converted.
  void AppendWaypointLine(std::string& out, std::string_view kind, std::string_view name,
                          std::string_view comment) {
    // The points of a route share their time.
    if (point_.pointTime != lastPointTime_) {
      times_.Split(text::ParseDateTime(point_.pointTime));
      lastPointTime_ = point_.pointTime;
    }
    wpt::AppendWptLine(out, kind, point_.outCoordFormat, name, point_.lat, point_.lon, times_.date,
                       times_.time, comment);
  }

  void WriteWaypoint(Conversion& conversion, RecordText& output) override {
    const WptRec& waypoint = conversion.context.buffers.wpt;
    const RtePnt& point = waypoint.Point();
    ConvertPointForOutput(waypoint.store, point, conversion.frame, conversion.now, point_);
    AppendWaypointLine(output.text(), "WP", waypoint.store.Text(point, PointText::kName),
                       waypoint.store.Text(point, PointText::kInfo1));
  }

  void WriteRoute(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    wpt::AppendWptLine(output.text(), "RN", buffers.rteHdr.rteNo, buffers.rteHdr.rteName);
    const std::size_t n = PointCountToWrite(buffers.rteHdr.pntNum, buffers.rtePnt.Count());
    for (std::size_t i = 1; i <= n; ++i) {
      if (conversion.PointTick()) return;
      const RtePnt& point = buffers.rtePnt[i];
      ConvertPointForOutput(buffers.rtePnt, point, conversion.frame, conversion.now, point_);
      output.text() += kLineBreak;
      AppendWaypointLine(output.text(), "RP", buffers.rtePnt.Text(point, PointText::kName),
                         buffers.rtePnt.Text(point, PointText::kInfo1));
      output.FlushIfLarge();
    }
  }

  void WriteTrack(Conversion& conversion, RecordText& output) override {
    const RecordBuffers& buffers = conversion.context.buffers;
    const std::size_t n = PointCountToWrite(buffers.trkHdr.pntNum, buffers.trkPnt.Count());
    if (n == 0) return;
    conversion.observer.BeginProgress(ProgressStage::kWritingTrack);
    const TrackPoints& points = buffers.trkPnt;
    std::array<TrackPointConverter, 2> converters = {TrackPointConverter(points, conversion.frame),
                                                     TrackPointConverter(points, conversion.frame)};
    // Items are the points 1 to n less one.
    const auto format = [&](std::size_t lane, std::size_t begin, std::size_t end,
                            std::string& out) {
      TrackScratch& scratch = scratch_[lane];
      // The times split incrementally start afresh with each chunk.
      scratch.times.lastTrackSeconds.reset();
      for (std::size_t item = begin; item < end; ++item) {
        const TrkPnt& point = points[item + 1];
        converters[lane].Convert(point, scratch.point);
        scratch.times.SplitTrackPoint(PointSeconds(points, point, scratch.point));
        if (item > 0) out += kLineBreak;
        wpt::AppendTrackPointLine(out, scratch.point.outCoordFormat, scratch.point.lat,
                                  scratch.point.lon, scratch.times.date, scratch.times.time,
                                  item == 0);
      }
    };
    const auto start = [&](std::size_t begin, std::size_t end) {
      for (std::size_t item = begin; item < end; ++item) {
        conversion.observer.PointProgress(static_cast<std::int64_t>(item + 1));
        if (conversion.PointTick()) return false;
      }
      return true;
    };
    FormatChunksInOrder(n, output, format, start);
  }

  ConvertedPoint point_;
  PointTimeTexts times_;
  // The waypoint time that times_ was split from.
  std::string lastPointTime_;
  // What formatting a track point changes: one set per thread.
  struct TrackScratch {
    ConvertedPoint point;
    PointTimeTexts times;
  };
  std::array<TrackScratch, 2> scratch_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeWaypointPlusWriter() {
  return std::make_unique<WaypointPlusWriter>();
}

}  // namespace vc::engine
