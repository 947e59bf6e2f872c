#include "engine/track_points.hpp"

#include <algorithm>

#include "geo/coord_text.hpp"
#include "text/constants.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr std::uint64_t kEmptyTextAt = TextStore::kEmptyAt;
constexpr std::uint8_t kAllFields = (1U << kPointFieldCount) - 1;

}  // namespace

std::optional<double> GeneralTextValue(std::string_view text) noexcept {
  return text::GeneralTextValue(text);
}

double TrackPoints::LegVelocity(const TrkPnt& point) const noexcept {
  const double legTime = LegTime(point);
  if (legTime == 0) return 0;
  return text::RoundToGeneral(point.legLength / legTime * constants::kKmhPerMetrePerSecond);
}

void TrackPoints::Clear() noexcept {
  points_.Clear();
  texts_.Clear();
  labels_.Clear();
  longLegs_.clear();
}

// A leg time that whole hundredths do not give back exactly (a gap of days,
// a leg set from elsewhere with more decimals) is kept at its full value by
// the track.
void TrackPoints::SetLongLegTime(TrkPnt& point, double seconds) {
  point.legTimeCode = kLongLeg;
  const std::size_t number = points_.NumberOf(point);
  // Legs are set in the order of the points, or again for earlier points
  // when a track's times change.
  auto at = longLegs_.end();
  if (!longLegs_.empty() && longLegs_.back().number >= number) {
    at = std::lower_bound(longLegs_.begin(), longLegs_.end(), number,
                          [](const LongLeg& leg, std::size_t n) { return leg.number < n; });
  }
  if (at != longLegs_.end() && at->number == number) {
    at->seconds = seconds;
  } else {
    longLegs_.insert(at, {number, seconds});
  }
}

double TrackPoints::LongLegTime(const TrkPnt& point) const noexcept {
  const std::size_t number = points_.NumberOf(point);
  const auto at =
      std::lower_bound(longLegs_.begin(), longLegs_.end(), number,
                       [](const LongLeg& leg, std::size_t n) { return leg.number < n; });
  return at != longLegs_.end() && at->number == number ? at->seconds : 0;
}

TrkPnt& TrackPoints::Add() {
  TrkPnt& point = points_.Add();
  point = TrkPnt{};
  for (TrkPnt::Slot& slot : point.slot) slot.textAt = kEmptyTextAt;
  point.ownText = kAllFields;
  return point;
}

// ---------------------------------------------------------------------------

void TrackPoints::SetOwnText(TrkPnt& point, PointField field, std::string_view text) {
  point.SetOwnTextBit(field, true);
  point.SetFromDegreesBit(field, false);
  point.slot[static_cast<std::size_t>(field)].textAt = texts_.StoreShared(text);
}

void TrackPoints::SetText(TrkPnt& point, PointField field, std::string_view text) {
  if (field == PointField::kDateTime) {
    SetTimeText(point, text);
    return;
  }
  // A text of at most 15 significant digits reads back as itself: its value
  // needs no rounding to the general form, and it is never -0.
  if (const std::optional<double> value = text::GeneralTextValue(text)) {
    SetRoundedNumber(point, field, *value);
    return;
  }
  SetOwnText(point, field, text);
}

void TrackPoints::SetNumber(TrkPnt& point, PointField field, double value) noexcept {
  // The double its general text reads back as: the same text, and the
  // leading value of that text without reading it.
  const double stored = text::RoundToGeneral(value);
  SetRoundedNumber(point, field, stored == 0 ? 0.0 : stored);
}

void TrackPoints::SetTimeText(TrkPnt& point, std::string_view text) {
  if (const auto canonical = text::ParseCanonicalDateTime(text)) {
    SetTime(point, *canonical);
    return;
  }
  // A time without a date (on the zero date) stays a text, so that it can
  // still be told from a full date and time.
  const auto seconds = text::ParseDateTime(text);
  if (seconds && !text::IsTimeOfDay(*seconds) && text::IsWritableTime(*seconds)) {
    scratch_.clear();
    text::AppendGeneralDateTime(scratch_, *seconds);
    if (scratch_ == text) {
      SetTime(point, *seconds, TimeForm::kGeneralDateTime);
      return;
    }
  }
  SetOwnText(point, PointField::kDateTime, text);
}

void TrackPoints::SetLabels(TrkPnt& point, std::string_view datum, std::string_view utcOffset,
                            std::string_view coordFormat) {
  point.SetLabelNumber(labels_.Find(datum, utcOffset, coordFormat));
}

void TrackPoints::SetDatum(TrkPnt& point, std::string_view datum) {
  // The table may grow: copy the other two labels before looking up.
  const PointLabels old = Labels(point);
  point.SetLabelNumber(labels_.Find(datum, old.utcOffset, old.coordFormat));
}

// ---------------------------------------------------------------------------

std::optional<std::string_view> TrackPoints::OwnText(const TrkPnt& point,
                                                     PointField field) const noexcept {
  if (!point.HasOwnText(field)) return std::nullopt;
  return StoredText(point.slot[static_cast<std::size_t>(field)].textAt);
}

void TrackPoints::AppendText(std::string& out, const TrkPnt& point, PointField field) const {
  const TrkPnt::Slot& slot = point.slot[static_cast<std::size_t>(field)];
  if (point.HasOwnText(field)) {
    out.append(StoredText(slot.textAt));
  } else if (point.IsFromDegrees(field)) {
    geo::AppendCoordText(out, geo::ReadDecimalCoord(slot.number, "D"), CoordFormat(point));
  } else if (field != PointField::kDateTime) {
    text::AppendGeneral(out, slot.number);
  } else if (point.timeForm == TimeForm::kGeneralDateTime) {
    text::AppendGeneralDateTime(out, slot.seconds);
  } else {
    text::AppendDateTime(out, slot.seconds);
  }
}

void TrackPoints::AppendTrimmed(std::string& out, const TrkPnt& point, PointField field) const {
  // Numbers and dates are written without spaces.
  if (const auto own = OwnText(point, field)) {
    out.append(text::TrimSpaces(*own));
  } else {
    AppendText(out, point, field);
  }
}

std::string TrackPoints::Text(const TrkPnt& point, PointField field) const {
  std::string out;
  AppendText(out, point, field);
  return out;
}

double TrackPoints::Value(const TrkPnt& point, PointField field) const {
  if (const auto own = OwnText(point, field)) return text::LeadingValue(*own);
  if (point.IsFromDegrees(field)) return text::LeadingValue(Text(point, field));
  if (field != PointField::kDateTime) return point.slot[static_cast<std::size_t>(field)].number;
  return text::LeadingValue(Text(point, field));
}

bool TrackPoints::IsNotAvailable(const TrkPnt& point, PointField field) const noexcept {
  const auto own = OwnText(point, field);
  return own && text::TrimSpaces(*own) == "-";
}

std::optional<text::LocalSeconds> TrackPoints::OwnTextSeconds(const TrkPnt& point) const noexcept {
  return text::ParseDateTime(
      StoredText(point.slot[static_cast<std::size_t>(PointField::kDateTime)].textAt));
}

// ---------------------------------------------------------------------------

std::string_view TrackPoints::CoordText(const TrkPnt& point, PointField field,
                                        std::string& scratch) const {
  if (const auto own = OwnText(point, field)) return *own;
  scratch.clear();
  AppendText(scratch, point, field);
  return scratch;
}

double TrackPoints::OtherDegrees(const TrkPnt& point, PointField field) const {
  const PointLabels& labels = Labels(point);
  if (!point.HasOwnText(field) && !point.IsFromDegrees(field) &&
      labels.reading == FormReading::kDecimal) {
    return geo::DecimalCoordDegrees(point.slot[static_cast<std::size_t>(field)].number,
                                    labels.coordFormat);
  }
  // The points a script's lines are read into: degrees written as the
  // "MPS" text whose degrees are wanted here.
  if (point.IsFromDegrees(field) && labels.reading == FormReading::kMps) {
    const double degrees = point.slot[static_cast<std::size_t>(field)].number;
    if (const auto angle = geo::PackMpsAngle(geo::ReadDecimalCoord(degrees, "D"))) {
      return geo::MpsAngleDegrees(*angle);
    }
  }
  std::string scratch;
  return geo::CoordDegrees(CoordText(point, field, scratch), labels.coordFormat);
}

void TrackPoints::AppendCoordIn(std::string& out, const TrkPnt& point, PointField field,
                                std::string_view toForm) const {
  const std::string_view form = CoordFormat(point);
  const double number = point.slot[static_cast<std::size_t>(field)].number;
  if (!point.HasOwnText(field) && !point.IsFromDegrees(field) && geo::IsDecimalForm(form)) {
    geo::AppendCoordText(out, geo::ReadDecimalCoord(number, form), toForm);
    return;
  }
  if (point.IsFromDegrees(field) && toForm == form) {
    geo::AppendCoordText(out, geo::ReadDecimalCoord(number, "D"), form);
    return;
  }
  std::string scratch;
  geo::AppendConvertedCoord(out, CoordText(point, field, scratch), form, toForm);
}

}  // namespace vc::engine
