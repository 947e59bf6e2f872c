#include "engine/input/log_track.hpp"

#include <optional>
#include <string_view>

#include "text/datetime.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

constexpr std::string_view kLogTrackFlag = "True";
constexpr std::string_view kLogTrackCode = "0";

// A date is written with "/" or "-" between its numbers, which a time of day
// never contains ("-" alone is the mark of a missing value).
bool HasDate(std::string_view dateTime) noexcept {
  return dateTime.find('/') != std::string_view::npos ||
         dateTime.find('-', 1) != std::string_view::npos;
}

// Only a time that reads as a date and time can date its neighbours. A time
// kept as seconds has its date unless it is a time of day; a number
// ("1234567") or a damaged text has none.
bool HasDate(const TrackPoints& points, const TrkPnt& point) {
  const std::optional<std::string_view> own = points.OwnText(point, PointField::kDateTime);
  if (!own) return !text::IsTimeOfDay(*points.Seconds(point));
  return HasDate(*own) && points.Seconds(point).has_value();
}

// Seconds since midnight of a time written without a date; nullopt for
// anything else.
std::optional<text::LocalSeconds> BareTimeOfDay(const TrackPoints& points, const TrkPnt& point) {
  if (HasDate(points, point)) return std::nullopt;
  const std::optional<text::LocalSeconds> seconds = points.Seconds(point);
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
bool DateBareTime(TrkPnt& point, text::LocalSeconds reference, text::LocalSeconds timeOfDay,
                  text::LocalSeconds& dated) noexcept {
  const text::LocalSeconds seconds = NearestDayTime(reference, timeOfDay);
  if (!text::IsWritableTime(seconds)) return false;
  TrackPoints::SetTime(point, seconds);
  dated = seconds;
  return true;
}

}  // namespace

bool BareTimeDating::Place(TrackPoints& points, std::size_t n) {
  TrkPnt& point = points[n];
  // Nearly every point has its time as seconds, dated unless a time of day.
  const bool hasDate = point.HasOwnText(PointField::kDateTime)
                           ? HasDate(points, point)
                           : !text::IsTimeOfDay(*points.Seconds(point));
  if (hasDate) {
    const bool backFill = lastDated_ == 0 && leadingBare_;
    lastDated_ = n;
    return backFill && DateLeadingPoints(points, n);
  }
  const std::optional<text::LocalSeconds> timeOfDay = BareTimeOfDay(points, point);
  if (!timeOfDay) return false;
  if (lastDated_ == 0) {
    leadingBare_ = true;
    return false;
  }
  const std::optional<text::LocalSeconds> reference = points.Seconds(points[lastDated_]);
  text::LocalSeconds dated = 0;
  if (reference && DateBareTime(point, *reference, *timeOfDay, dated)) lastDated_ = n;
  return false;
}

bool BareTimeDating::DateLeadingPoints(TrackPoints& points, std::size_t n) {
  std::optional<text::LocalSeconds> reference = points.Seconds(points[n]);
  if (!reference) return false;
  bool changed = false;
  for (std::size_t i = n - 1; i >= 1; --i) {
    const std::optional<text::LocalSeconds> timeOfDay = BareTimeOfDay(points, points[i]);
    text::LocalSeconds dated = 0;
    if (timeOfDay && DateBareTime(points[i], *reference, *timeOfDay, dated)) {
      reference = dated;
      changed = true;
    }
  }
  return changed;
}

RecordKind WholeTrackReader::ReadNextRecord(Conversion& conversion) {
  if (done_ || lines_.AtEnd()) {
    done_ = true;
    return RecordKind::kEof;
  }
  done_ = true;
  ReadTrack(conversion);
  return RecordKind::kTrk;
}

void LogTrack::Start(TrkHdr& header, TrackPoints& points) {
  points.Clear();
  legs_.Start(header);
  dating_.Start();
}

void LogTrack::Placed(TrkHdr& header, TrackPoints& points) {
  const std::size_t n = points.Count();
  if (dating_.Place(points, n)) {
    legs_.Start(header);
    for (std::size_t i = 1; i <= n; ++i) legs_.Add(points, points[i], header);
  } else {
    legs_.Add(points, points[n], header);
  }
}

void LogTrack::Finish(ConversionContext& context) {
  TrkHdr& header = context.buffers.trkHdr;
  context.NextTrackNumber();
  header.pntNum.clear();
  text::AppendGeneral(header.pntNum, static_cast<double>(context.buffers.trkPnt.Count()));
  TrackLegs::Finish(header);
  header.trkFlag.assign(kLogTrackFlag);
  header.trkCode.assign(kLogTrackCode);
  header.trkName.clear();
}

}  // namespace vc::engine
