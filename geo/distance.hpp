// Great-circle distance on a sphere of the Bessel 1841 equatorial radius.
#pragma once

namespace vc::geo {

// Kilometres between two points in decimal degrees (north and east positive).
// Antipodal points are half the circumference apart.
double DistanceKm(double lat1, double lon1, double lat2, double lon2) noexcept;

// Arc sine as atan(x / sqrt(1 - x*x)); x = 1 gives a quarter turn (of the
// eight-digit half turn), and x beyond [-1, 1] counts as the nearer end.
double ArcSin(double x) noexcept;

}  // namespace vc::geo
