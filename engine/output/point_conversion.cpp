#include "engine/output/point_conversion.hpp"

#include <cstdint>
#include <optional>

#include "geo/coord_text.hpp"
#include "geo/datum.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

std::string_view OptionOr(const std::string& option, std::string_view own) noexcept {
  return option == kDataPriority ? own : std::string_view(option);
}

// A waypoint's coordinate takes the new text's storage; a track point's
// compact text copies it.
void TakeCoordinate(std::string& coordinate, std::string& made) noexcept { coordinate.swap(made); }
void TakeCoordinate(CoordText& coordinate, const std::string& made) { coordinate = made; }

double DegreesOf(const std::string& coordinate, std::string_view form, std::string& /*scratch*/) {
  return geo::CoordDegrees(coordinate, form);
}
double DegreesOf(const CoordText& coordinate, std::string_view form, std::string& scratch) {
  return CoordDegreesOf(coordinate, form, scratch);
}

void AppendInForm(std::string& out, const std::string& coordinate, std::string_view fromForm,
                  std::string_view toForm, std::string& /*scratch*/) {
  geo::AppendConvertedCoord(out, coordinate, fromForm, toForm);
}
void AppendInForm(std::string& out, const CoordText& coordinate, std::string_view fromForm,
                  std::string_view toForm, std::string& scratch) {
  AppendConvertedCoordOf(out, coordinate, fromForm, toForm, scratch);
}

// The transformed angle goes back into the point's own form through its
// general text, so even a datum pair that leaves the point where it is
// ("Tokyo" and "TOKYO") rewrites the coordinate through decimal degrees.
template <typename Coordinate>
void WriteBackDegrees(Coordinate& coordinate, double degrees, std::string_view form,
                      ConvertedPoint& converted) {
  converted.number.clear();
  text::AppendGeneral(converted.number, degrees);
  converted.coord.clear();
  geo::AppendConvertedCoord(converted.coord, converted.number, "D", form);
  TakeCoordinate(coordinate, converted.coord);
}

template <typename Coordinate>
void ChangeForm(Coordinate& coordinate, std::string_view fromForm, std::string_view toForm,
                ConvertedPoint& converted) {
  converted.coord.clear();
  AppendInForm(converted.coord, coordinate, fromForm, toForm, converted.number);
  TakeCoordinate(coordinate, converted.coord);
}

// Datum first, in the point's own form; then the form. Works for waypoints,
// route points and track points alike.
template <typename Point>
void ConvertCoordinates(Point& point, const ConvertOptions& options, ConvertedPoint& converted) {
  converted.outDatum = OptionOr(options.datum, point.recDatum);
  if (converted.outDatum != point.recDatum) {
    const geo::GeoPoint from{DegreesOf(point.lat, point.recCoordFormat, converted.number),
                             DegreesOf(point.lon, point.recCoordFormat, converted.number), 0};
    const geo::GeoPoint to = geo::TransformDatum(from, point.recDatum, converted.outDatum);
    WriteBackDegrees(point.lat, to.lat, point.recCoordFormat, converted);
    WriteBackDegrees(point.lon, to.lon, point.recCoordFormat, converted);
  }
  converted.outCoordFormat = OptionOr(options.coordFormat, point.recCoordFormat);
  if (converted.outCoordFormat != point.recCoordFormat) {
    ChangeForm(point.lat, point.recCoordFormat, converted.outCoordFormat, converted);
    ChangeForm(point.lon, point.recCoordFormat, converted.outCoordFormat, converted);
  }
  converted.outUtcOffset = OptionOr(options.utcOffset, point.recUtcOffset);
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

void ConvertPointForOutput(WptRec& point, const ConvertOptions& options, text::LocalSeconds now,
                           ConvertedPoint& converted) {
  ConvertCoordinates(point, options, converted);
  converted.pointTime.clear();
  const double hours = ZoneShiftHours(converted, point.recUtcOffset);
  text::LocalSeconds shifted = now;
  if (hours != 0 && text::IsWritableTime(now) && text::ShiftByHours(shifted, hours)) {
    text::AppendGeneralDateTime(converted.pointTime, shifted);
  } else {
    text::AppendDateTime(converted.pointTime, now);
  }
}

void ConvertPointForOutput(TrkPnt& point, const ConvertOptions& options,
                           ConvertedPoint& converted) {
  ConvertCoordinates(point, options, converted);
  converted.pointTime.clear();
  const double hours = ZoneShiftHours(converted, point.recUtcOffset);
  if (hours == 0) return;
  // A time that cannot be read, or that the shift would carry outside the
  // years 1 to 9999, is kept as it stands.
  std::optional<text::LocalSeconds> seconds = point.dateTime.Seconds();
  if (!seconds || !text::ShiftByHours(*seconds, hours)) return;
  point.dateTime.SetGeneralDateTime(*seconds);
}

}  // namespace vc::engine
