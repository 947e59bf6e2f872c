// Logs of the VornPointer logger as tracks.
//
// The standard log (.vrp), the Garmin log (.vrm) and the NMEA log (.vrn) all
// arrive here as records of the VRP field layout (formats/vornpointer), one
// per fix. A log has no structure above its fixes, so the whole file is one
// track: the first reading takes every record up to the end of the file, the
// next one finds the end.
//
// A point takes its position from fields 6 and 8 (decimal degrees), its time
// from field 3 in the zone of field 2, its course, position error and
// heading from fields 11, 4 and 17 as written, and its speed from field 10,
// converted from m/s to km/h. A standard log names the datum of every line
// in field 1; the Garmin and NMEA logs do not know theirs, so their points
// are in the datum the user says the logger recorded in.
//
// Only records with a position and a time that reads as one become points:
// a blank line, a Garmin line without a usable fix, an NMEA block before the
// first position of the file or without any time, a line whose time field
// holds anything else would otherwise put a point at 0 N 0 E or at an
// unknown moment, and spoil the legs on both sides of it. The report counts
// each such record that held anything at all.
//
// An NMEA block whose time comes from $GPGGA or $GPGLL alone carries no date
// ($GPRMC is the only sentence with one), so its time is a bare "hh:nn:ss".
// Such a time is put on the day of the nearest dated point of the file: the
// last one before it, or for the points before the first dated one, the
// first dated point after them. Of that day and the days before and after
// it, the one that brings the time closest to the dated point is taken, so
// a log that runs past midnight moves on to the next day. When the file has
// no date at all, the bare times are kept as they are.
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/input/record_reader.hpp"
#include "engine/input/track_legs.hpp"
#include "formats/vornpointer/garmin_text.hpp"
#include "formats/vornpointer/log_line.hpp"
#include "formats/vornpointer/nmea_block.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

enum class LogKind { kVrp, kVrm, kVrn };

constexpr std::string_view kLogCoordFormat = "D";
constexpr std::string_view kLogTrackFlag = "True";
constexpr std::string_view kLogTrackCode = "0";
constexpr double kKmhPerMetrePerSecond = 3.6;

// A date is written with "/" or "-" between its numbers, which a time of day
// never contains ("-" alone is the mark of a missing value).
bool HasDate(std::string_view dateTime) noexcept {
  return dateTime.find('/') != std::string_view::npos ||
         dateTime.find('-', 1) != std::string_view::npos;
}

// Only a time that reads as a date and time can date its neighbours. A time
// kept as seconds was written with its date; a number ("1234567", which is
// kept as its value) or a damaged text has none.
bool HasDate(const PackedText& dateTime) {
  const std::optional<std::string_view> stored = dateTime.StoredText();
  if (stored && !HasDate(*stored)) return false;
  return dateTime.Seconds().has_value();
}

// Seconds since midnight of a time written without a date; nullopt for
// anything else.
std::optional<text::LocalSeconds> BareTimeOfDay(const PackedText& dateTime) {
  if (HasDate(dateTime)) return std::nullopt;
  const std::optional<text::LocalSeconds> seconds = dateTime.Seconds();
  if (!seconds) return std::nullopt;
  return *seconds - text::ZeroDate();
}

text::LocalSeconds Distance(text::LocalSeconds a, text::LocalSeconds b) noexcept {
  return a > b ? a - b : b - a;
}

// `timeOfDay` on the day of `reference`, the day before or the day after,
// whichever lies closest to `reference`.
text::LocalSeconds NearestDayTime(text::LocalSeconds reference,
                                  text::LocalSeconds timeOfDay) noexcept {
  text::LocalSeconds intoDay = reference % text::kSecondsPerDay;
  if (intoDay < 0) intoDay += text::kSecondsPerDay;
  const text::LocalSeconds sameDay = reference - intoDay + timeOfDay;
  text::LocalSeconds best = sameDay;
  for (const text::LocalSeconds candidate :
       {sameDay + text::kSecondsPerDay, sameDay - text::kSecondsPerDay}) {
    if (Distance(candidate, reference) < Distance(best, reference)) best = candidate;
  }
  return best;
}

// Rewrites a bare time as a full date and time near `reference`; false, with
// the text unchanged, when the result would leave the writable years.
bool DateBareTime(PackedText& dateTime, text::LocalSeconds reference, text::LocalSeconds timeOfDay,
                  text::LocalSeconds& dated) noexcept {
  const text::LocalSeconds seconds = NearestDayTime(reference, timeOfDay);
  if (!text::IsWritableTime(seconds)) return false;
  dateTime.SetDateTime(seconds);
  dated = seconds;
  return true;
}

// Gives the bare times of a track the date of their dated neighbours, while
// the points are added one by one.
class BareTimeDating {
 public:
  void Start() noexcept {
    lastDated_ = 0;
    leadingBare_ = false;
  }

  // Called once point n has its time. True when points before n were changed
  // as well, so that the legs up to n must be computed again.
  bool Place(PointList<TrkPnt>& points, std::size_t n) {
    PackedText& dateTime = points[n].dateTime;
    if (HasDate(dateTime)) {
      const bool backFill = lastDated_ == 0 && leadingBare_;
      lastDated_ = n;
      return backFill && DateLeadingPoints(points, n);
    }
    const std::optional<text::LocalSeconds> timeOfDay = BareTimeOfDay(dateTime);
    if (!timeOfDay) return false;
    if (lastDated_ == 0) {
      leadingBare_ = true;
      return false;
    }
    const std::optional<text::LocalSeconds> reference = points[lastDated_].dateTime.Seconds();
    text::LocalSeconds dated = 0;
    if (reference && DateBareTime(dateTime, *reference, *timeOfDay, dated)) lastDated_ = n;
    return false;
  }

 private:
  // Walks back from the first dated point n, each bare time taking its date
  // from the point after it.
  static bool DateLeadingPoints(PointList<TrkPnt>& points, std::size_t n) {
    std::optional<text::LocalSeconds> reference = points[n].dateTime.Seconds();
    if (!reference) return false;
    bool changed = false;
    for (std::size_t i = n - 1; i >= 1; --i) {
      const std::optional<text::LocalSeconds> timeOfDay = BareTimeOfDay(points[i].dateTime);
      text::LocalSeconds dated = 0;
      if (timeOfDay && DateBareTime(points[i].dateTime, *reference, *timeOfDay, dated)) {
        reference = dated;
        changed = true;
      }
    }
    return changed;
  }

  std::size_t lastDated_ = 0;  // number of the last point with a date; 0 for none
  bool leadingBare_ = false;   // a bare time came before any dated point
};

class LogReader final : public RecordReader {
 public:
  LogReader(text::LineSource& lines, LogKind kind) : lines_(lines), kind_(kind) {}

  RecordKind ReadNextRecord(Conversion& conversion) override {
    if (done_ || lines_.AtEnd()) {
      done_ = true;
      return RecordKind::kEof;
    }
    done_ = true;
    ReadTrack(conversion);
    return RecordKind::kTrk;
  }

 private:
  vp::LogRecord ReadLogRecord() {
    switch (kind_) {
      case LogKind::kVrp:
        return vp::ReadVrpLine(lines_, line_);
      case LogKind::kVrm:
        return vp::ReadVrmLine(lines_, fixState_, line_);
      case LogKind::kVrn:
        return vp::ReadVrnBlock(lines_, fixState_, line_);
    }
    return vp::LogRecord::kEnd;
  }

  void ReadTrack(Conversion& conversion) {
    ConversionContext& context = conversion.context;
    TrkHdr& header = context.buffers.trkHdr;
    PointList<TrkPnt>& points = context.buffers.trkPnt;
    // Last known values from an earlier file must not fill in this one.
    fixState_.Reset();
    points.Clear();
    legs_.Start(header);
    dating_.Start();
    for (vp::LogRecord record = ReadLogRecord(); record != vp::LogRecord::kEnd;
         record = ReadLogRecord()) {
      if (conversion.PointTick()) break;
      if (record != vp::LogRecord::kFix || !ReadTime()) {
        if (!text::TrimSpaces(line_.work.text).empty()) {
          conversion.report.Skip(SkipReason::kLogRecordWithoutFix);
        }
        continue;
      }
      StorePoint(points.Add(), context);
      const std::size_t n = points.Count();
      if (dating_.Place(points, n)) {
        legs_.Start(header);
        for (std::size_t i = 1; i <= n; ++i) legs_.Add(points[i], header);
      } else {
        legs_.Add(points[n], header);
      }
    }
    context.NextTrackNumber();
    header.pntNum.clear();
    text::AppendGeneral(header.pntNum, static_cast<double>(points.Count()));
    TrackLegs::Finish(header);
    header.trkFlag.assign(kLogTrackFlag);
    header.trkCode.assign(kLogTrackCode);
    header.trkName.clear();
  }

  // Takes the record's time into time_; false when it does not read as a
  // time ("1234567", a line cut short): its point would get legs of 0 s on
  // both sides and shorten the track's duration.
  bool ReadTime() {
    time_.AssignDateTime(line_.field[vp::kLogDateTime], scratch_);
    return time_.Seconds().has_value();
  }

  void StorePoint(TrkPnt& point, const ConversionContext& context) {
    const auto& field = line_.field;
    point.lat = field[vp::kLogLat];
    point.lon = field[vp::kLogLon];
    point.dateTime = time_;
    point.velocity.SetNumber(text::LeadingValue(field[vp::kLogSpeed]) * kKmhPerMetrePerSecond);
    point.trkDegree.Assign(field[vp::kLogCourse]);
    point.posError.Assign(field[vp::kLogPosError]);
    point.headDegree.Assign(field[vp::kLogHeading]);
    point.recDatum = kind_ == LogKind::kVrp ? std::string_view(field[vp::kLogDatum])
                                            : std::string_view(context.vrmVrnDatum);
    point.recUtcOffset = field[vp::kLogUtcOffset];
    point.recCoordFormat = kLogCoordFormat;
  }

  text::LineSource& lines_;
  const LogKind kind_;
  bool done_ = false;
  vp::LogLine line_;
  vp::LogFixState fixState_;
  TrackLegs legs_;
  BareTimeDating dating_;
  PackedText time_;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<RecordReader> MakeVrpReader(text::LineSource& lines) {
  return std::make_unique<LogReader>(lines, LogKind::kVrp);
}
std::unique_ptr<RecordReader> MakeVrmReader(text::LineSource& lines) {
  return std::make_unique<LogReader>(lines, LogKind::kVrm);
}
std::unique_ptr<RecordReader> MakeVrnReader(text::LineSource& lines) {
  return std::make_unique<LogReader>(lines, LogKind::kVrn);
}

}  // namespace vc::engine
