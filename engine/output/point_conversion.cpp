#include "engine/output/point_conversion.hpp"

#include <cstdint>

#include "geo/coord_text.hpp"
#include "geo/datum.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

std::string_view FrameOr(const std::string& frameValue, std::string_view own) noexcept {
  return frameValue == kDataPriority ? own : std::string_view(frameValue);
}

std::string_view ViewOf(const std::string& coordinate, std::string& /*scratch*/) {
  return coordinate;
}
std::string_view ViewOf(const CoordText& coordinate, std::string& scratch) {
  return coordinate.View(scratch);
}

double DegreesOf(const std::string& coordinate, std::string_view form, std::string& /*scratch*/) {
  return geo::CoordDegrees(coordinate, form);
}
double DegreesOf(const CoordText& coordinate, std::string_view form, std::string& scratch) {
  return CoordDegreesOf(coordinate, form, scratch);
}

// The transformed angle goes back into the point's own form through its
// general text, so even a datum pair that leaves the point where it is
// ("Tokyo" and "TOKYO") rewrites the coordinate through decimal degrees.
void DegreesInForm(std::string& out, double degrees, std::string_view form, std::string& number) {
  number.clear();
  text::AppendGeneral(number, degrees);
  out.clear();
  geo::AppendConvertedCoord(out, number, "D", form);
}

void ChangeFormInPlace(std::string& text, std::string_view fromForm, std::string_view toForm,
                       std::string& scratch) {
  scratch.clear();
  geo::AppendConvertedCoord(scratch, text, fromForm, toForm);
  text.swap(scratch);
}
void ChangeForm(std::string& out, const std::string& coordinate, std::string_view fromForm,
                std::string_view toForm, std::string& /*scratch*/) {
  out.clear();
  geo::AppendConvertedCoord(out, coordinate, fromForm, toForm);
}
void ChangeForm(std::string& out, const CoordText& coordinate, std::string_view fromForm,
                std::string_view toForm, std::string& scratch) {
  out.clear();
  AppendConvertedCoordOf(out, coordinate, fromForm, toForm, scratch);
}

// Datum first, in the point's own form; then the form. Works for waypoints,
// route points and track points alike.
template <typename Point>
void ConvertCoordinates(const Point& point, const OutputFrame& frame, ConvertedPoint& converted) {
  const std::string_view ownForm = point.recCoordFormat;
  converted.outDatum = FrameOr(frame.datum, point.recDatum);
  converted.outCoordFormat = FrameOr(frame.coordFormat, ownForm);
  converted.outUtcOffset = FrameOr(frame.utcOffset, point.recUtcOffset);
  const bool changeForm = converted.outCoordFormat != ownForm;
  if (converted.outDatum != point.recDatum) {
    const geo::GeoPoint from{DegreesOf(point.lat, ownForm, converted.number),
                             DegreesOf(point.lon, ownForm, converted.number), 0};
    const geo::GeoPoint to = geo::TransformDatum(from, point.recDatum, converted.outDatum);
    DegreesInForm(converted.latText, to.lat, ownForm, converted.number);
    DegreesInForm(converted.lonText, to.lon, ownForm, converted.number);
    if (changeForm) {
      ChangeFormInPlace(converted.latText, ownForm, converted.outCoordFormat, converted.coord);
      ChangeFormInPlace(converted.lonText, ownForm, converted.outCoordFormat, converted.coord);
    }
  } else if (changeForm) {
    ChangeForm(converted.latText, point.lat, ownForm, converted.outCoordFormat, converted.number);
    ChangeForm(converted.lonText, point.lon, ownForm, converted.outCoordFormat, converted.number);
  } else {
    converted.lat = ViewOf(point.lat, converted.latText);
    converted.lon = ViewOf(point.lon, converted.lonText);
    return;
  }
  converted.lat = converted.latText;
  converted.lon = converted.lonText;
}

// Hours from the point's zone to the output's; 0 when the offsets read as
// the same number ("+9" and "9").
double ZoneShiftHours(const ConvertedPoint& converted, std::string_view recUtcOffset) noexcept {
  return text::LeadingValue(converted.outUtcOffset) - text::LeadingValue(recUtcOffset);
}

}  // namespace

std::size_t PointCountToWrite(std::string_view pntNum, std::size_t held) noexcept {
  const auto count = static_cast<std::uint64_t>(text::CountOf(pntNum));
  return count < held ? static_cast<std::size_t>(count) : held;
}

void ConvertPointForOutput(const WptRec& point, const OutputFrame& frame, text::LocalSeconds now,
                           ConvertedPoint& converted) {
  ConvertCoordinates(point, frame, converted);
  converted.pointTime.clear();
  converted.shiftedTime.reset();
  const double hours = ZoneShiftHours(converted, point.recUtcOffset);
  text::LocalSeconds shifted = now;
  if (hours != 0 && text::IsWritableTime(now) && text::ShiftByHours(shifted, hours)) {
    text::AppendGeneralDateTime(converted.pointTime, shifted);
  } else {
    text::AppendDateTime(converted.pointTime, now);
  }
}

void ConvertPointForOutput(const TrkPnt& point, const OutputFrame& frame,
                           ConvertedPoint& converted) {
  ConvertCoordinates(point, frame, converted);
  converted.pointTime.clear();
  converted.shiftedTime.reset();
  const double hours = ZoneShiftHours(converted, point.recUtcOffset);
  if (hours == 0) return;
  // A time that cannot be read, or that the shift would carry outside the
  // years 1 to 9999, is kept as it stands.
  std::optional<text::LocalSeconds> seconds = point.dateTime.Seconds();
  if (!seconds || !text::ShiftByHours(*seconds, hours)) return;
  converted.shiftedTime = seconds;
}

void AppendPointTime(std::string& out, const TrkPnt& point, const ConvertedPoint& converted,
                     bool trimmed) {
  if (converted.shiftedTime) {
    text::AppendGeneralDateTime(out, *converted.shiftedTime);
  } else if (trimmed) {
    point.dateTime.AppendTrimmedTo(out);
  } else {
    point.dateTime.AppendTo(out);
  }
}

std::optional<text::LocalSeconds> PointSeconds(const TrkPnt& point,
                                               const ConvertedPoint& converted) {
  if (converted.shiftedTime) return converted.shiftedTime;
  return point.dateTime.Seconds();
}

}  // namespace vc::engine
