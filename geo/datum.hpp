// Datum shift between Tokyo (Bessel 1841) and WGS84: geodetic to Cartesian on
// the source ellipsoid, a constant shift of X, Y and Z, and back with one
// step of Bowring's formula on the target ellipsoid.
#pragma once

#include <string_view>

#include "text/constants.hpp"

namespace vc::geo {

struct GeoPoint {
  double lat = 0;     // degrees, north positive
  double lon = 0;     // degrees, east positive
  double height = 0;  // metres above the ellipsoid
};

// Earth-centred coordinates in metres.
struct Cartesian {
  double x = 0;
  double y = 0;
  double z = 0;
};

struct Ellipsoid {
  double semiMajorAxisM;
  double eccentricitySquared;
};

inline constexpr Ellipsoid kWgs84Ellipsoid{constants::kWgs84SemiMajorAxisM,
                                           constants::kWgs84EccentricitySquared};
// The Tokyo datum lies on the Bessel 1841 ellipsoid.
inline constexpr Ellipsoid kBesselEllipsoid{constants::kBesselSemiMajorAxisM,
                                            constants::kBesselEccentricitySquared};

// Tokyo to WGS84 and back when the names (letter case ignored) are exactly
// that pair; any other pair, the same name twice included, leaves the point
// unchanged.
GeoPoint TransformDatum(const GeoPoint& point, std::string_view fromDatum,
                        std::string_view toDatum) noexcept;

// The same decided once for a pair of names, for a writer that shifts many
// points between the same two datums.
enum class DatumShift : unsigned char { kNone, kWgs84ToTokyo, kTokyoToWgs84 };
DatumShift DatumShiftOf(std::string_view fromDatum, std::string_view toDatum) noexcept;
// Latitude and longitude as TransformDatum gives them; the height, which
// the writers do not use, is left 0 and not computed.
GeoPoint ShiftDatumLatLon(const GeoPoint& point, DatumShift shift) noexcept;

Cartesian GeodeticToCartesian(const GeoPoint& point, const Ellipsoid& ellipsoid) noexcept;
// Bowring's formula in one step, without iteration.
GeoPoint CartesianToGeodetic(const Cartesian& c, const Ellipsoid& ellipsoid) noexcept;
// The same without the height (left 0).
GeoPoint CartesianToLatLon(const Cartesian& c, const Ellipsoid& ellipsoid) noexcept;

// The two shifts are not exact inverses: Tokyo to WGS84 moves X by -128.35 m
// and Y by +480.55 m, the way back by +128 m and -481 m.
Cartesian ShiftWgs84ToTokyo(const Cartesian& c) noexcept;
Cartesian ShiftTokyoToWgs84(const Cartesian& c) noexcept;

// atan(y / x) moved into the right half turn (of 3.1415926) for x < 0. x = 0
// gives 0 whatever y is, and x < 0 with y = 0 gives 0 as well.
double AngleOf(double y, double x) noexcept;

}  // namespace vc::geo
