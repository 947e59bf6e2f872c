#include "geo/datum.hpp"

#include <cmath>

#include "text/strings.hpp"

namespace vc::geo {
namespace {

// The eight-digit pi, not full precision: the datum shift of every stored
// point was computed with it, and the same factor is used both ways so that a
// round trip only carries the shifts' mismatch.
using constants::kHalfTurnRad;
using constants::kRadPerDeg;
static_assert(kRadPerDeg == 0.017453292222222222);

// Tokyo datum origin relative to WGS84, in metres.
constexpr double kWgs84ToTokyoShiftXM = 128;
constexpr double kWgs84ToTokyoShiftYM = -481;
constexpr double kWgs84ToTokyoShiftZM = -664;
// The way back adds a further correction of X and Y after undoing the shift.
constexpr double kTokyoToWgs84CorrectionXM = -0.35;
constexpr double kTokyoToWgs84CorrectionYM = -0.45;

// Radius of curvature in the prime vertical.
double PrimeVerticalRadiusM(double latRad, const Ellipsoid& e) noexcept {
  const double sinLat = std::sin(latRad);
  return e.semiMajorAxisM / std::sqrt(1 - sinLat * e.eccentricitySquared * sinLat);
}

double Cube(double x) noexcept { return x * x * x; }

}  // namespace

DatumShift DatumShiftOf(std::string_view fromDatum, std::string_view toDatum) noexcept {
  if (text::EqualsUpper(fromDatum, "WGS84") && text::EqualsUpper(toDatum, "TOKYO")) {
    return DatumShift::kWgs84ToTokyo;
  }
  if (text::EqualsUpper(fromDatum, "TOKYO") && text::EqualsUpper(toDatum, "WGS84")) {
    return DatumShift::kTokyoToWgs84;
  }
  return DatumShift::kNone;
}

GeoPoint TransformDatum(const GeoPoint& point, std::string_view fromDatum,
                        std::string_view toDatum) noexcept {
  switch (DatumShiftOf(fromDatum, toDatum)) {
    case DatumShift::kWgs84ToTokyo:
      return CartesianToGeodetic(ShiftWgs84ToTokyo(GeodeticToCartesian(point, kWgs84Ellipsoid)),
                                 kBesselEllipsoid);
    case DatumShift::kTokyoToWgs84:
      return CartesianToGeodetic(ShiftTokyoToWgs84(GeodeticToCartesian(point, kBesselEllipsoid)),
                                 kWgs84Ellipsoid);
    case DatumShift::kNone:
      break;
  }
  return point;
}

GeoPoint ShiftDatumLatLon(const GeoPoint& point, DatumShift shift) noexcept {
  switch (shift) {
    case DatumShift::kWgs84ToTokyo:
      return CartesianToLatLon(ShiftWgs84ToTokyo(GeodeticToCartesian(point, kWgs84Ellipsoid)),
                               kBesselEllipsoid);
    case DatumShift::kTokyoToWgs84:
      return CartesianToLatLon(ShiftTokyoToWgs84(GeodeticToCartesian(point, kBesselEllipsoid)),
                               kWgs84Ellipsoid);
    case DatumShift::kNone:
      break;
  }
  return GeoPoint{point.lat, point.lon, 0};
}

Cartesian GeodeticToCartesian(const GeoPoint& point, const Ellipsoid& ellipsoid) noexcept {
  const double lat = point.lat * kRadPerDeg;
  const double lon = point.lon * kRadPerDeg;
  const double n = PrimeVerticalRadiusM(lat, ellipsoid);
  const double e2 = ellipsoid.eccentricitySquared;
  return Cartesian{(n + point.height) * std::cos(lat) * std::cos(lon),
                   (n + point.height) * std::cos(lat) * std::sin(lon),
                   ((1 - e2) * n + point.height) * std::sin(lat)};
}

namespace {

// Latitude and longitude in radians by the one step of Bowring's formula.
struct LatLonRad {
  double lat;
  double lon;
};

LatLonRad BowringLatLon(const Cartesian& c, const Ellipsoid& ellipsoid, double p) noexcept {
  const double a = ellipsoid.semiMajorAxisM;
  const double e2 = ellipsoid.eccentricitySquared;
  const double s = std::sqrt(1 - e2);  // b / a
  // Parametric latitude of the point as the first and only guess.
  const double theta = AngleOf(c.z, s * p);
  const double d = p - a * e2 * Cube(std::cos(theta));
  const double n = (a * e2 / s) * Cube(std::sin(theta)) + c.z;
  return LatLonRad{AngleOf(n, d), AngleOf(c.y, c.x)};
}

double DistanceFromAxis(const Cartesian& c) noexcept { return std::sqrt(c.x * c.x + c.y * c.y); }

}  // namespace

GeoPoint CartesianToGeodetic(const Cartesian& c, const Ellipsoid& ellipsoid) noexcept {
  const double p = DistanceFromAxis(c);
  const LatLonRad rad = BowringLatLon(c, ellipsoid, p);
  const double height = p / std::cos(rad.lat) - PrimeVerticalRadiusM(rad.lat, ellipsoid);
  return GeoPoint{rad.lat / kRadPerDeg, rad.lon / kRadPerDeg, height};
}

GeoPoint CartesianToLatLon(const Cartesian& c, const Ellipsoid& ellipsoid) noexcept {
  const LatLonRad rad = BowringLatLon(c, ellipsoid, DistanceFromAxis(c));
  return GeoPoint{rad.lat / kRadPerDeg, rad.lon / kRadPerDeg, 0};
}

Cartesian ShiftWgs84ToTokyo(const Cartesian& c) noexcept {
  return Cartesian{c.x + kWgs84ToTokyoShiftXM, c.y + kWgs84ToTokyoShiftYM,
                   c.z + kWgs84ToTokyoShiftZM};
}

Cartesian ShiftTokyoToWgs84(const Cartesian& c) noexcept {
  return Cartesian{(c.x - kWgs84ToTokyoShiftXM) + kTokyoToWgs84CorrectionXM,
                   (c.y - kWgs84ToTokyoShiftYM) + kTokyoToWgs84CorrectionYM,
                   c.z - kWgs84ToTokyoShiftZM};
}

double AngleOf(double y, double x) noexcept {
  if (x == 0) return 0;
  double r = std::atan(y / x);
  if (x < 0 && y > 0) r += kHalfTurnRad;
  if (x < 0 && y < 0) r -= kHalfTurnRad;
  return r;
}

}  // namespace vc::geo
