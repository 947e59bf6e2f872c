#include "engine/output/point_conversion.hpp"

#include <cstdint>

#include "geo/coord_text.hpp"
#include "geo/datum.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

// Compared as views, so that a value of another length is told apart by
// its length alone.
std::string_view FrameOr(const std::string& frameValue, std::string_view own) noexcept {
  constexpr std::string_view kOwnValue = kDataPriority;
  const std::string_view value = frameValue;
  return value == kOwnValue ? own : value;
}

void ChangeFormInPlace(std::string& text, std::string_view fromForm, std::string_view toForm,
                       std::string& scratch) {
  scratch.clear();
  geo::AppendConvertedCoord(scratch, text, fromForm, toForm);
  text.swap(scratch);
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

// A waypoint's or a route point's coordinates are numbers where they can be.
struct RouteCoords {
  const RoutePoints& points;
  const RtePnt& point;

  [[nodiscard]] std::string_view Datum() const noexcept { return points.Datum(point); }
  [[nodiscard]] std::string_view UtcOffset() const noexcept { return points.UtcOffset(point); }
  [[nodiscard]] std::string_view Form() const noexcept { return points.CoordFormat(point); }
  [[nodiscard]] double Degrees(PointField field) const { return points.Degrees(point, field); }
  void AppendIn(std::string& out, PointField field, std::string_view toForm) const {
    points.AppendCoordIn(out, point, field, toForm);
  }
  std::string_view Text(PointField field, std::string& scratch) const {
    return points.CoordText(point, field, scratch);
  }
};

// A track point's coordinates are numbers where they can be.
struct TrackCoords {
  const TrackPoints& points;
  const TrkPnt& point;

  [[nodiscard]] std::string_view Datum() const noexcept { return points.Datum(point); }
  [[nodiscard]] std::string_view UtcOffset() const noexcept { return points.UtcOffset(point); }
  [[nodiscard]] std::string_view Form() const noexcept { return points.CoordFormat(point); }
  [[nodiscard]] double Degrees(PointField field) const { return points.Degrees(point, field); }
  void AppendIn(std::string& out, PointField field, std::string_view toForm) const {
    points.AppendCoordIn(out, point, field, toForm);
  }
  std::string_view Text(PointField field, std::string& scratch) const {
    return points.CoordText(point, field, scratch);
  }
};

// DegreesInForm for a point in the "D" form, then its change of form,
// without the texts in between: the general text of the transformed angle
// reads back as RoundToGeneral of it, and the "D" text made from that as
// DecimalCoordDegrees of that.
double TransformedDecimal(double degrees) {
  return geo::GeneralDecimalDegrees(text::RoundToGeneral(degrees));
}

void TransformedDecimalIn(std::string& out, double degrees, std::string_view toForm) {
  out.clear();
  geo::AppendCoordText(out, geo::ReadDecimalCoord(TransformedDecimal(degrees), "D"), toForm);
}

// The point's "D" coordinates, stored as numbers, in the datum the shift
// brings them to. A stored number is what its general text reads back as, so
// its degrees are GeneralDecimalDegrees of it: the texts' way without the
// second rounding.
geo::GeoPoint ShiftedStoredDegrees(const TrkPnt& point, geo::DatumShift shift) noexcept {
  const geo::GeoPoint from{
      geo::GeneralDecimalDegrees(point.slot[static_cast<std::size_t>(PointField::kLat)].number),
      geo::GeneralDecimalDegrees(point.slot[static_cast<std::size_t>(PointField::kLon)].number), 0};
  return geo::ShiftDatumLatLon(from, shift);
}

// Datum first, in the point's own form; then the form. Works for waypoints,
// route points and track points alike.
template <typename Coords>
void ConvertCoordinates(const Coords& coords, const OutputFrame& frame, ConvertedPoint& converted) {
  const std::string_view ownForm = coords.Form();
  const std::string_view ownDatum = coords.Datum();
  converted.outDatum = FrameOr(frame.datum, ownDatum);
  converted.outCoordFormat = FrameOr(frame.coordFormat, ownForm);
  converted.outUtcOffset = FrameOr(frame.utcOffset, coords.UtcOffset());
  const bool changeForm = converted.outCoordFormat != ownForm;
  if (converted.outDatum != ownDatum) {
    const geo::GeoPoint from{coords.Degrees(PointField::kLat), coords.Degrees(PointField::kLon), 0};
    const geo::GeoPoint to = geo::TransformDatum(from, ownDatum, converted.outDatum);
    if (ownForm == "D" && changeForm) {
      TransformedDecimalIn(converted.latText, to.lat, converted.outCoordFormat);
      TransformedDecimalIn(converted.lonText, to.lon, converted.outCoordFormat);
      converted.lat = converted.latText;
      converted.lon = converted.lonText;
      return;
    }
    DegreesInForm(converted.latText, to.lat, ownForm, converted.number);
    DegreesInForm(converted.lonText, to.lon, ownForm, converted.number);
    if (changeForm) {
      ChangeFormInPlace(converted.latText, ownForm, converted.outCoordFormat, converted.coord);
      ChangeFormInPlace(converted.lonText, ownForm, converted.outCoordFormat, converted.coord);
    }
  } else if (changeForm) {
    converted.latText.clear();
    coords.AppendIn(converted.latText, PointField::kLat, converted.outCoordFormat);
    converted.lonText.clear();
    coords.AppendIn(converted.lonText, PointField::kLon, converted.outCoordFormat);
  } else {
    converted.lat = coords.Text(PointField::kLat, converted.latText);
    converted.lon = coords.Text(PointField::kLon, converted.lonText);
    return;
  }
  converted.lat = converted.latText;
  converted.lon = converted.lonText;
}

// Hours from the point's zone to the output's; 0 when the offsets read as
// the same number ("+9" and "9").
double ZoneShiftHours(ConvertedPoint& converted, std::string_view recUtcOffset) {
  // The offsets of a track are the same from point to point.
  ConvertedPoint::ZoneShift& last = converted.lastShift;
  if (last.known && last.out == converted.outUtcOffset && last.own == recUtcOffset) {
    return last.hours;
  }
  last.out.assign(converted.outUtcOffset);
  last.own.assign(recUtcOffset);
  last.hours = text::LeadingValue(converted.outUtcOffset) - text::LeadingValue(recUtcOffset);
  last.known = true;
  return last.hours;
}

// A waypoint's or a route point's time: "now" in the output's zone. The
// points of a route share it, so it is made again only when the shift or
// "now" changes (or a track point's conversion emptied it).
void SetWaypointTime(ConvertedPoint& converted, std::string_view recUtcOffset,
                     text::LocalSeconds now) {
  converted.shiftedTime.reset();
  const double hours = ZoneShiftHours(converted, recUtcOffset);
  if (!converted.pointTime.empty() && converted.pointTimeNow == now &&
      converted.pointTimeHours == hours) {
    return;
  }
  converted.pointTime.clear();
  text::LocalSeconds shifted = now;
  if (hours != 0 && text::IsWritableTime(now) && text::ShiftByHours(shifted, hours)) {
    text::AppendGeneralDateTime(converted.pointTime, shifted);
  } else {
    text::AppendDateTime(converted.pointTime, now);
  }
  converted.pointTimeNow = now;
  converted.pointTimeHours = hours;
}

// A time that cannot be read, or that the shift would carry outside the
// years 1 to 9999, is kept as it stands.
void ShiftTrackTime(const TrackPoints& points, const TrkPnt& point, double hours,
                    ConvertedPoint& converted) {
  converted.shiftedTime.reset();
  if (hours == 0) return;
  std::optional<text::LocalSeconds> seconds = points.Seconds(point);
  if (!seconds || !text::ShiftByHours(*seconds, hours)) return;
  converted.shiftedTime = seconds;
}

}  // namespace

std::size_t PointCountToWrite(std::string_view pntNum, std::size_t held) noexcept {
  const auto count = static_cast<std::uint64_t>(text::CountOf(pntNum));
  return count < held ? static_cast<std::size_t>(count) : held;
}

void ConvertPointForOutput(const RoutePoints& points, const RtePnt& point, const OutputFrame& frame,
                           text::LocalSeconds now, ConvertedPoint& converted) {
  ConvertCoordinates(RouteCoords{points, point}, frame, converted);
  SetWaypointTime(converted, points.UtcOffset(point), now);
}

void ConvertPointForOutput(const TrackPoints& points, const TrkPnt& point, const OutputFrame& frame,
                           ConvertedPoint& converted) {
  ConvertCoordinates(TrackCoords{points, point}, frame, converted);
  converted.pointTime.clear();
  ShiftTrackTime(points, point, ZoneShiftHours(converted, points.UtcOffset(point)), converted);
}

const TrackPointConverter::Plan& TrackPointConverter::Replan(const TrkPnt& point) {
  const PointLabels& labels = points_.Labels(point);
  const std::string_view ownForm = labels.coordFormat;
  const std::string_view ownDatum = labels.datum;
  const std::string_view outForm = FrameOr(frame_.coordFormat, ownForm);
  const std::string_view outDatum = FrameOr(frame_.datum, ownDatum);
  const std::string_view outOffset = FrameOr(frame_.utcOffset, labels.utcOffset);
  plan_ = Plan{};
  plan_.labels = point.labels;
  plan_.ownForm = ownForm;
  plan_.ownDegrees = ownForm == "D";
  plan_.hours = text::LeadingValue(outOffset) - text::LeadingValue(labels.utcOffset);
  plan_.outForm = outForm;
  plan_.outDatum = outDatum;
  plan_.outOffset = outOffset;
  if (outForm != "MPS" && ownForm == "MPS" && outDatum == ownDatum) {
    plan_.way = Way::kFromMps;
  } else if (outForm == "MPS") {
    if (outDatum == ownDatum) {
      plan_.way = ownForm == outForm            ? Way::kSameForm
                  : geo::IsDecimalForm(ownForm) ? Way::kChangeForm
                                                : Way::kText;
    } else if (ownForm == "D") {
      plan_.way = Way::kTransformed;
      plan_.shift = geo::DatumShiftOf(ownDatum, outDatum);
    }
  } else if (outForm == "D") {
    if (outDatum == ownDatum) {
      plan_.way = ownForm == outForm            ? Way::kOwnDecimal
                  : geo::IsDecimalForm(ownForm) ? Way::kToDecimal
                                                : Way::kText;
    } else if (ownForm == "D") {
      plan_.way = Way::kShiftedDecimal;
      plan_.shift = geo::DatumShiftOf(ownDatum, outDatum);
    }
  }
  planned_ = true;
  return plan_;
}

// The texts' way, taken on numbers: ConvertCoordinates and the field's
// texts give the same parts.
bool TrackPointConverter::MpsCoord(const Plan& plan, const TrkPnt& point, PointField field,
                                   geo::MpsAngle& angle) const {
  const double number = point.slot[static_cast<std::size_t>(field)].number;
  geo::CoordParts parts;
  switch (plan.way) {
    case Way::kChangeForm:
      if (point.HasOwnText(field) || point.IsFromDegrees(field)) return false;
      if (plan.ownDegrees) return geo::PackMpsDegrees(number, angle);
      parts = geo::ReadDecimalCoord(number, plan.ownForm);
      break;
    case Way::kSameForm:
      // The text of degrees written in the point's own form.
      if (point.HasOwnText(field) || !point.IsFromDegrees(field)) return false;
      return geo::PackMpsDegrees(number, angle);
    case Way::kTransformed:
    case Way::kOwnDecimal:
    case Way::kToDecimal:
    case Way::kShiftedDecimal:
    case Way::kFromMps:
    case Way::kText:
      return false;
  }
  const std::optional<geo::MpsAngle> packed = geo::PackMpsAngle(parts);
  if (!packed) return false;
  angle = *packed;
  return true;
}

bool TrackPointConverter::MpsCoords(const TrkPnt& point, geo::MpsAngle& lat, geo::MpsAngle& lon) {
  const Plan& plan = PlanFor(point);
  constexpr std::uint8_t kBoth = TrkPnt::Bit(PointField::kLat) | TrkPnt::Bit(PointField::kLon);
  if (plan.way == Way::kChangeForm && plan.ownDegrees &&
      ((point.ownText | point.fromDegrees) & kBoth) == 0) {
    // A log's decimal degrees, the usual point.
    return geo::PackMpsDegrees(point.slot[static_cast<std::size_t>(PointField::kLat)].number,
                               lat) &&
           geo::PackMpsDegrees(point.slot[static_cast<std::size_t>(PointField::kLon)].number, lon);
  }
  if (plan.way != Way::kTransformed) {
    return MpsCoord(plan, point, PointField::kLat, lat) &&
           MpsCoord(plan, point, PointField::kLon, lon);
  }
  if (((point.ownText | point.fromDegrees) & kBoth) != 0) return false;
  const geo::GeoPoint to = ShiftedStoredDegrees(point, plan.shift);
  return geo::PackMpsDegrees(TransformedDecimal(to.lat), lat) &&
         geo::PackMpsDegrees(TransformedDecimal(to.lon), lon);
}

bool TrackPointConverter::DecimalDegrees(const TrkPnt& point, double& lat, double& lon) {
  const Plan& plan = PlanFor(point);
  constexpr std::uint8_t kBoth = TrkPnt::Bit(PointField::kLat) | TrkPnt::Bit(PointField::kLon);
  if (((point.ownText | point.fromDegrees) & kBoth) != 0) return false;
  const double latNumber = point.slot[static_cast<std::size_t>(PointField::kLat)].number;
  const double lonNumber = point.slot[static_cast<std::size_t>(PointField::kLon)].number;
  switch (plan.way) {
    case Way::kOwnDecimal:
      // The texts are the general texts of the numbers, which read back as
      // the numbers themselves.
      lat = latNumber;
      lon = lonNumber;
      return true;
    case Way::kToDecimal:
      lat = geo::DecimalCoordDegrees(latNumber, plan.ownForm);
      lon = geo::DecimalCoordDegrees(lonNumber, plan.ownForm);
      return true;
    case Way::kShiftedDecimal: {
      const geo::GeoPoint to = ShiftedStoredDegrees(point, plan.shift);
      if (plan.shift == geo::DatumShift::kNone) {
        // Two names of one datum ("TOKYO" and "Tokyo"): the degrees are
        // already what their general text reads back as, which the
        // rounding leaves as they are.
        lat = geo::GeneralDecimalDegrees(to.lat);
        lon = geo::GeneralDecimalDegrees(to.lon);
        return true;
      }
      lat = TransformedDecimal(to.lat);
      lon = TransformedDecimal(to.lon);
      return true;
    }
    case Way::kText:
    case Way::kChangeForm:
    case Way::kSameForm:
    case Way::kTransformed:
    case Way::kFromMps:
      break;
  }
  return false;
}

// The coordinate texts of ConvertCoordinates from the numbers; false when
// they come only the text way.
bool TrackPointConverter::CoordTexts(const Plan& plan, const TrkPnt& point,
                                     ConvertedPoint& converted) {
  switch (plan.way) {
    case Way::kChangeForm:
    case Way::kSameForm:
    case Way::kTransformed: {
      geo::MpsAngle lat;
      geo::MpsAngle lon;
      if (!MpsCoords(point, lat, lon)) return false;
      const auto put = [](std::string& text, geo::MpsAngle angle) {
        text.resize(geo::kMpsAngleRoom);
        text.resize(static_cast<std::size_t>(geo::PutMpsAngle(text.data(), angle) - text.data()));
      };
      put(converted.latText, lat);
      put(converted.lonText, lon);
      return true;
    }
    case Way::kOwnDecimal:
    case Way::kToDecimal:
    case Way::kShiftedDecimal: {
      // A "D" text is the general text of its degrees.
      double lat = 0;
      double lon = 0;
      if (!DecimalDegrees(point, lat, lon)) return false;
      converted.latText.clear();
      text::AppendGeneral(converted.latText, lat);
      converted.lonText.clear();
      text::AppendGeneral(converted.lonText, lon);
      return true;
    }
    case Way::kFromMps: {
      // The "MPS" text of the degrees, read back in its fields and written
      // in the output's form.
      const auto fromMps = [&](PointField field, std::string& text) {
        if (point.HasOwnText(field) || !point.IsFromDegrees(field)) return false;
        geo::MpsAngle angle;
        if (!geo::PackMpsDegrees(point.slot[static_cast<std::size_t>(field)].number, angle)) {
          return false;
        }
        text.clear();
        return geo::AppendCoordText(text, geo::MpsAngleParts(angle), plan.outForm);
      };
      return fromMps(PointField::kLat, converted.latText) &&
             fromMps(PointField::kLon, converted.lonText);
    }
    case Way::kText:
      break;
  }
  return false;
}

void TrackPointConverter::Convert(const TrkPnt& point, ConvertedPoint& converted) {
  const Plan& plan = PlanFor(point);
  if (!CoordTexts(plan, point, converted)) {
    ConvertPointForOutput(points_, point, frame_, converted);
    return;
  }
  converted.outDatum = plan.outDatum;
  converted.outCoordFormat = plan.outForm;
  converted.outUtcOffset = plan.outOffset;
  converted.lat = converted.latText;
  converted.lon = converted.lonText;
  converted.pointTime.clear();
  ShiftTrackTime(points_, point, plan.hours, converted);
}

void TrackPointConverter::OutputDegrees(const TrkPnt& point, ConvertedPoint& converted, double& lat,
                                        double& lon) {
  if (DecimalDegrees(point, lat, lon)) return;
  ConvertPointForOutput(points_, point, frame_, converted);
  lat = text::LeadingValue(converted.lat);
  lon = text::LeadingValue(converted.lon);
}

void TrackPointConverter::ConvertTime(const TrkPnt& point, ConvertedPoint& converted) {
  ShiftTrackTime(points_, point, PlanFor(point).hours, converted);
}

void AppendPointTime(std::string& out, const TrackPoints& points, const TrkPnt& point,
                     const ConvertedPoint& converted, bool trimmed) {
  if (converted.shiftedTime) {
    text::AppendGeneralDateTime(out, *converted.shiftedTime);
  } else if (trimmed) {
    points.AppendTrimmed(out, point, PointField::kDateTime);
  } else {
    points.AppendText(out, point, PointField::kDateTime);
  }
}

void PutPointTime(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                  ConvertedPoint& converted) {
  if (const std::optional<std::string_view> own = points.OwnText(point, PointField::kDateTime);
      own && !converted.shiftedTime) {
    out.Append(text::TrimSpaces(*own));
    return;
  }
  char* const p = out.Room(text::kDateTimeRoom);
  text::RecentDateTime& recent = converted.recentTime;
  if (converted.shiftedTime) {
    out.Commit(recent.PutGeneral(p, *converted.shiftedTime));
    return;
  }
  const text::LocalSeconds seconds =
      point.slot[static_cast<std::size_t>(PointField::kDateTime)].seconds;
  out.Commit(point.timeForm == TimeForm::kGeneralDateTime ? recent.PutGeneral(p, seconds)
                                                          : recent.Put(p, seconds));
}

std::optional<text::LocalSeconds> PointSeconds(const TrackPoints& points, const TrkPnt& point,
                                               const ConvertedPoint& converted) {
  if (converted.shiftedTime) return converted.shiftedTime;
  return points.Seconds(point);
}

std::optional<text::LocalSeconds> PointSecondsForOutput(const TrackPoints& points,
                                                        const TrkPnt& point,
                                                        const OutputFrame& frame,
                                                        ConvertedPoint& converted) {
  converted.outUtcOffset = FrameOr(frame.utcOffset, points.UtcOffset(point));
  const double hours = ZoneShiftHours(converted, points.UtcOffset(point));
  std::optional<text::LocalSeconds> seconds = points.Seconds(point);
  if (hours == 0 || !seconds) return seconds;
  text::LocalSeconds shifted = *seconds;
  // A shift out of the writable years keeps the time as it stands.
  if (text::ShiftByHours(shifted, hours)) return shifted;
  return seconds;
}

}  // namespace vc::engine
