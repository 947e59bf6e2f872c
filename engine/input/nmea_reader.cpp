// Receiver NMEA logs as tracks: the raw sentence streams that receivers and
// logging apps write (formats/nmea), one point per fix that has a position.
// The whole file is one track, as for the logger's own logs.
//
// Sentences are checked before they are used. One whose checksum does not
// match is dropped, and so is one without a checksum in a file whose
// sentences carry them (decided from the first lines); so are sentences cut
// short and lines that are no sentence at all (comments, binary noise). The
// report counts each.
//
// A fix's time is written in whole seconds (UTC). A fix without a date takes
// the date of its dated neighbours; a file without any date keeps times of
// day. The datum is the one $PGRMM names when it is WGS 84 or Tokyo, for
// every point of the file; without it, or for a datum of another name (which
// the report names), the datum the user gave for NMEA logs holds.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/input/log_track.hpp"
#include "engine/input/record_reader.hpp"
#include "formats/nmea/fix.hpp"
#include "formats/nmea/sentence.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kNmeaUtcOffset = "0";
constexpr std::string_view kNmeaCoordFormat = "D";
constexpr std::string_view kNotAvailable = "-";
// Lines looked at to learn whether the file's sentences carry checksums.
constexpr std::size_t kChecksumLookahead = 64;

// The datum a $PGRMM name stands for; empty for a name of another datum.
std::string_view KnownDatum(std::string_view name) {
  if (text::EqualsUpper(name, "WGS 84") || text::EqualsUpper(name, "WGS84")) return "WGS84";
  if (text::EqualsUpper(name, "TOKYO")) return "TOKYO";
  return {};
}

enum class Rounding { kToGeneral, kDone };

void SetMeasured(TrackPoints& points, TrkPnt& point, PointField field,
                 const std::optional<double>& value, Rounding rounding = Rounding::kToGeneral) {
  if (!value) {
    points.SetText(point, field, kNotAvailable);
  } else if (rounding == Rounding::kDone) {
    TrackPoints::SetRoundedNumber(point, field, *value);
  } else {
    TrackPoints::SetNumber(point, field, *value);
  }
}

class NmeaReader final : public WholeTrackReader {
 public:
  explicit NmeaReader(text::LineSource& lines) : WholeTrackReader(lines) {}

 private:
  void ReadTrack(Conversion& conversion) override {
    ConversionContext& context = conversion.context;
    track_.Start(context.buffers.trkHdr, context.buffers.trkPnt);
    labels_.reset();
    datum_ = context.vrmVrnDatum;
    conversion.observer.BeginProgress(ProgressStage::kReadingTrack);
    LookAhead();
    std::string line;
    std::string_view current;
    nmea::NmeaFix fix;
    for (std::size_t next = 0; next < ahead_.size() || lines_.ReadLineView(current, line); ++next) {
      if (conversion.PointTick()) return;
      if (next < ahead_.size()) current = ahead_[next];
      if (!Accept(current, conversion.report)) continue;
      if (assembler_.Add(current, fix)) StoreFix(fix, conversion);
      FollowDatum(conversion);
    }
    if (assembler_.Finish(fix)) StoreFix(fix, conversion);
    track_.Finish(context);
  }

  // The first lines are read ahead: a file whose sentences carry checksums
  // must not let one without through.
  void LookAhead() {
    ahead_.clear();
    std::string line;
    while (ahead_.size() < kChecksumLookahead && lines_.ReadLine(line)) {
      if (nmea::CheckSentence(line) == nmea::SentenceState::kValid) checksums_ = true;
      ahead_.push_back(line);
    }
  }

  bool Accept(std::string_view line, ConversionReport& report) const {
    switch (nmea::CheckSentence(line)) {
      case nmea::SentenceState::kValid:
        return true;
      case nmea::SentenceState::kWithoutChecksum:
        if (!checksums_) return true;
        report.Skip(SkipReason::kBadChecksum);
        return false;
      case nmea::SentenceState::kBadChecksum:
        report.Skip(SkipReason::kBadChecksum);
        return false;
      case nmea::SentenceState::kCut:
        report.Skip(SkipReason::kCutSentence);
        return false;
      case nmea::SentenceState::kNotSentence:
        if (!text::TrimSpaces(line).empty()) report.Skip(SkipReason::kNotSentence);
        return false;
    }
    return false;
  }

  // A $PGRMM of a known datum holds for the whole file, the points before it
  // included; another name is reported once and changes nothing.
  void FollowDatum(Conversion& conversion) {
    const std::string_view name = assembler_.DatumName();
    if (name.empty() || name == lastDatumName_) return;
    lastDatumName_.assign(name);
    const std::string_view known = KnownDatum(name);
    if (known.empty()) {
      conversion.report.unknownDatums.emplace_back(name);
      return;
    }
    datum_.assign(known);
    labels_.reset();
    TrackPoints& points = conversion.context.buffers.trkPnt;
    for (std::size_t i = 1; i <= points.Count(); ++i) points.SetDatum(points[i], datum_);
  }

  void StoreFix(const nmea::NmeaFix& fix, Conversion& conversion) {
    if (!fix.hasPosition || fix.timeOfDay < 0) {
      conversion.report.Skip(SkipReason::kLogRecordWithoutFix);
      return;
    }
    RecordBuffers& buffers = conversion.context.buffers;
    TrackPoints& points = buffers.trkPnt;
    TrkPnt& point = points.Add();
    if (labels_) {
      point.SetLabelNumber(*labels_);
    } else {
      points.SetLabels(point, datum_, kNmeaUtcOffset, kNmeaCoordFormat);
      labels_ = point.LabelNumber();
    }
    // Already rounded; only a 0 made negative by its hemisphere is not.
    TrackPoints::SetRoundedNumber(point, PointField::kLat, fix.lat == 0 ? 0.0 : fix.lat);
    TrackPoints::SetRoundedNumber(point, PointField::kLon, fix.lon == 0 ? 0.0 : fix.lon);
    StoreTime(fix, points, point);
    SetMeasured(points, point, PointField::kVelocity, fix.speedKmh);
    // The fix gives these as their general texts read back.
    SetMeasured(points, point, PointField::kTrkDegree, fix.course, Rounding::kDone);
    SetMeasured(points, point, PointField::kPosError, fix.positionError, Rounding::kDone);
    SetMeasured(points, point, PointField::kHeadDegree, fix.heading, Rounding::kDone);
    conversion.observer.PointProgress(static_cast<std::int64_t>(points.Count()));
    track_.Placed(buffers.trkHdr, points);
  }

  // Whole seconds; a time without a date stays a time of day, as a text, so
  // that the track can date it from its neighbours.
  void StoreTime(const nmea::NmeaFix& fix, TrackPoints& points, TrkPnt& point) {
    const double whole = std::floor(fix.timeOfDay);
    const auto secondOfDay = static_cast<text::LocalSeconds>(whole);
    // Written as whole seconds; the legs count the fraction.
    const double hundredths = std::round((fix.timeOfDay - whole) * 100);
    point.SetHundredths(static_cast<int>(std::clamp(hundredths, 0.0, 99.0)));
    if (fix.year != 0) {
      const text::LocalSeconds seconds =
          text::ToLocalSeconds({fix.year, fix.month, fix.day, 0, 0, 0}) + secondOfDay;
      if (text::IsWritableTime(seconds)) {
        TrackPoints::SetTime(point, seconds);
        return;
      }
    }
    scratch_.clear();
    text::AppendTimeOfDay(scratch_, text::ZeroDate() + secondOfDay);
    points.SetText(point, PointField::kDateTime, scratch_);
  }

  bool checksums_ = false;
  std::vector<std::string> ahead_;
  nmea::FixAssembler assembler_;
  LogTrack track_;
  std::string datum_;
  // The labels of datum_, in this track's table, once a point has them.
  std::optional<std::uint32_t> labels_;
  std::string lastDatumName_;
  std::string scratch_;
};

}  // namespace

std::unique_ptr<RecordReader> MakeNmeaReader(text::LineSource& lines) {
  return std::make_unique<NmeaReader>(lines);
}

}  // namespace vc::engine
