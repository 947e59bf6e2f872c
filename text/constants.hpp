// Geodetic and unit constants, defined once for every layer.
#pragma once

namespace vc::constants {

// Pi to eight significant digits, kept on purpose: every stored leg length,
// course and datum shift of the logs this program reads was computed with it.
inline constexpr double kHalfTurnRad = 3.1415926;
inline constexpr double kRadPerDeg = kHalfTurnRad / 180;

// Speed: a knot is 1.852 km/h; a metre per second is 3.6 km/h.
inline constexpr double kKmPerNauticalMile = 1.852;
inline constexpr double kKmhPerMetrePerSecond = 3.6;
inline constexpr double kMetresPerFoot = 0.3048;
inline constexpr double kMetresPerKm = 1000;

// The ellipsoids of the two datums: WGS 84, and Bessel 1841 under Tokyo.
inline constexpr double kWgs84SemiMajorAxisM = 6378137.0;
inline constexpr double kWgs84EccentricitySquared = 0.006694379990208539;
inline constexpr double kBesselSemiMajorAxisM = 6377397.155;
inline constexpr double kBesselEccentricitySquared = 0.006674372230950351;

}  // namespace vc::constants
