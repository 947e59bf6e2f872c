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
// ($GPRMC is the only sentence with one), so its time is a bare "hh:nn:ss",
// which the track dates from its neighbours (log_track.hpp).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "engine/input/log_track.hpp"
#include "engine/input/record_reader.hpp"
#include "formats/vornpointer/garmin_text.hpp"
#include "formats/vornpointer/log_line.hpp"
#include "formats/vornpointer/nmea_block.hpp"
#include "text/constants.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

enum class LogKind { kVrp, kVrm, kVrn };

constexpr std::string_view kLogCoordFormat = "D";
using constants::kKmhPerMetrePerSecond;

class LogReader final : public WholeTrackReader {
 public:
  LogReader(text::LineSource& lines, LogKind kind) : WholeTrackReader(lines), kind_(kind) {
    // Each record is stored before the next one is read.
    line_.direct = true;
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

  void ReadTrack(Conversion& conversion) override {
    ConversionContext& context = conversion.context;
    TrkHdr& header = context.buffers.trkHdr;
    TrackPoints& points = context.buffers.trkPnt;
    // Last known values from an earlier file must not fill in this one.
    fixState_.Reset();
    track_.Start(header, points);
    fileLabels_.reset();
    // A log is one track of often hundreds of thousands of fixes: the front
    // shows its running count while it is read.
    conversion.observer.BeginProgress(ProgressStage::kReadingTrack);
    for (vp::LogRecord record = ReadLogRecord(); record != vp::LogRecord::kEnd;
         record = ReadLogRecord()) {
      if (conversion.PointTick()) break;
      if (record != vp::LogRecord::kFix || !StorePoint(points, context)) {
        if (line_.work.HeldText()) {
          conversion.report.Skip(SkipReason::kLogRecordWithoutFix);
        }
        continue;
      }
      conversion.observer.PointProgress(static_cast<std::int64_t>(points.Count()));
      track_.Placed(header, points);
    }
    track_.Finish(context);
  }

  // Adds the record as a point. False, with no point added, when its time
  // does not read as one ("1234567", a line cut short): the point would get
  // legs of 0 s on both sides and shorten the track's duration.
  bool StorePoint(TrackPoints& points, const ConversionContext& context) {
    TrkPnt& point = points.Add();
    if (kind_ == LogKind::kVrp) {
      points.SetLabels(point, line_.Field(vp::kLogDatum), line_.Field(vp::kLogUtcOffset),
                       kLogCoordFormat);
    } else if (fileLabels_) {
      // The Garmin and NMEA readings give every record the offset "0", and
      // the datum is the user's for the whole file.
      point.SetLabelNumber(*fileLabels_);
    } else {
      points.SetLabels(point, context.vrmVrnDatum, line_.Field(vp::kLogUtcOffset), kLogCoordFormat);
      fileLabels_ = point.LabelNumber();
    }
    if (const std::optional<text::LocalSeconds> seconds = line_.DateTime()) {
      TrackPoints::SetTime(point, *seconds);
    } else {
      points.SetText(point, PointField::kDateTime, line_.Field(vp::kLogDateTime));
    }
    if (!points.Seconds(point)) {
      points.DropLast();
      return false;
    }
    SetField(points, point, PointField::kLat, vp::kLogLat);
    SetField(points, point, PointField::kLon, vp::kLogLon);
    TrackPoints::SetNumber(point, PointField::kVelocity,
                           Value(vp::kLogSpeed) * kKmhPerMetrePerSecond);
    SetField(points, point, PointField::kTrkDegree, vp::kLogCourse);
    SetField(points, point, PointField::kPosError, vp::kLogPosError);
    SetField(points, point, PointField::kHeadDegree, vp::kLogHeading);
    return true;
  }

  double Value(std::size_t logField) const {
    if (const double* number = line_.Number(logField)) return *number;
    return text::LeadingValue(line_.Field(logField));
  }

  // A value the log reading computed comes as its number, without its text.
  void SetField(TrackPoints& points, TrkPnt& point, PointField field, std::size_t logField) {
    if (const double* number = line_.Number(logField)) {
      TrackPoints::SetRoundedNumber(point, field, *number);
    } else {
      points.SetText(point, field, line_.Field(logField));
    }
  }

  const LogKind kind_;
  vp::LogLine line_;
  vp::LogFixState fixState_;
  LogTrack track_;
  std::optional<std::uint32_t> fileLabels_;  // of this track's table
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
