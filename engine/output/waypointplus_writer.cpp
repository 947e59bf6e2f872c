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
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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

class WaypointPlusWriter final : public KindWriter {
 public:
  bool WriteHeader(OutputTextFile& output, Conversion& conversion) override {
    const std::string_view line = DatumLine(conversion.frame.headerDatum);
    if (!line.empty()) output.WriteLine(line);
    return true;
  }

 private:
  void SplitPointTime(std::optional<text::LocalSeconds> seconds) {
    lastTrackSeconds_.reset();
    date_.clear();
    time_.clear();
    if (!seconds) return;
    // A time of day has no date to write: the date field stays empty.
    if (!text::IsTimeOfDay(*seconds)) text::AppendMonthDayYear(date_, *seconds);
    text::AppendTimeOfDay(time_, *seconds);
  }

  // The same for the points of a track, which mostly follow each other
  // within a day: the date is made again only when the day changes, the
  // time only when the minute does (else its seconds are written into it),
  // and nothing when the second is that of the point before.
  void SplitTrackPointTime(std::optional<text::LocalSeconds> seconds) {
    const bool follows = seconds && lastTrackSeconds_;
    if (follows && *seconds == *lastTrackSeconds_) return;
    if (follows && *seconds >= 0 && *lastTrackSeconds_ >= 0 &&
        *seconds / kSecondsPerMinute == *lastTrackSeconds_ / kSecondsPerMinute) {
      // "hh:mm:ss": the seconds are its last two digits.
      text::PutDigitPair(time_.data() + time_.size() - 2,
                         static_cast<std::uint32_t>(*seconds % kSecondsPerMinute));
      lastTrackSeconds_ = seconds;
      return;
    }
    if (follows && DayOf(*seconds) == DayOf(*lastTrackSeconds_)) {
      time_.clear();
      text::AppendTimeOfDay(time_, *seconds);
    } else {
      SplitPointTime(seconds);
    }
    lastTrackSeconds_ = seconds;
  }

  // Days counted from the zero date, whose day the times of day share.
  static std::int64_t DayOf(text::LocalSeconds seconds) noexcept {
    const std::int64_t intoDays = seconds - text::ZeroDate();
    const std::int64_t day = intoDays / text::kSecondsPerDay;
    return intoDays % text::kSecondsPerDay < 0 ? day - 1 : day;
  }

  // "WP" and "RP" lines share their layout; the point is converted.
  void AppendWaypointLine(std::string& out, std::string_view kind, std::string_view name,
                          std::string_view comment) {
    // The points of a route share their time.
    if (point_.pointTime != lastPointTime_) {
      SplitPointTime(text::ParseDateTime(point_.pointTime));
      lastPointTime_ = point_.pointTime;
    }
    wpt::AppendWptLine(out, kind, point_.outCoordFormat, name, point_.lat, point_.lon, date_, time_,
                       comment);
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
    if (n > 0) conversion.observer.BeginProgress(ProgressStage::kWritingTrack);
    // date_ and time_ are shared with the waypoints, which split their own.
    lastPointTime_.clear();
    lastTrackSeconds_.reset();
    TrackPointConverter converter(buffers.trkPnt, conversion.frame);
    for (std::size_t i = 1; i <= n; ++i) {
      conversion.observer.PointProgress(static_cast<std::int64_t>(i));
      if (conversion.PointTick()) return;
      const TrkPnt& point = buffers.trkPnt[i];
      converter.Convert(point, point_);
      SplitTrackPointTime(PointSeconds(buffers.trkPnt, point, point_));
      if (i > 1) output.text() += kLineBreak;
      wpt::AppendTrackPointLine(output.text(), point_.outCoordFormat, point_.lat, point_.lon, date_,
                                time_, i == 1);
      output.FlushIfLarge();
    }
  }

  ConvertedPoint point_;
  std::string date_;
  std::string time_;
  // The waypoint time that date_ and time_ were split from.
  std::string lastPointTime_;
  // The track point time they were split from.
  std::optional<text::LocalSeconds> lastTrackSeconds_;
};

}  // namespace

std::unique_ptr<RecordWriter> MakeWaypointPlusWriter() {
  return std::make_unique<WaypointPlusWriter>();
}

}  // namespace vc::engine
