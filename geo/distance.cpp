#include "geo/distance.hpp"

#include <cmath>

#include "text/constants.hpp"

namespace vc::geo {
namespace {

using constants::kHalfTurnRad;
using constants::kRadPerDeg;
// Twice the Bessel 1841 semi-major axis (6377.397155 km): the earth is a
// sphere of the Bessel equatorial radius.
constexpr double kBesselEquatorDiameterKm = 12754.79431;

}  // namespace

double ArcSin(double x) noexcept {
  // At |x| = 1 the quotient divides by zero; the limit is a quarter turn.
  if (x >= 1) return kHalfTurnRad / 2;
  if (x <= -1) return -kHalfTurnRad / 2;
  return std::atan(x / std::sqrt(1 - x * x));
}

// Haversine in the product form: with g half the latitude difference and h
// half the longitude difference, sin^2 of half the central angle is
// sin^2 g + cos lat1 cos lat2 sin^2 h = (cos h sin g)^2 + (sin h cos latMean)^2.
double DistanceKm(double lat1, double lon1, double lat2, double lon2) noexcept {
  const double meanLat = (lat1 + lat2) / 2 * kRadPerDeg;
  const double halfLon = (lon1 - lon2) / 2 * kRadPerDeg;
  const double halfLat = (lat1 - lat2) / 2 * kRadPerDeg;
  const double a = std::sin(halfLon) * std::cos(meanLat);
  const double b = std::cos(halfLon) * std::sin(halfLat);
  // Rounding can lift s a hair above 1 for antipodal points; ArcSin clamps.
  const double s = std::sqrt(a * a + b * b);
  return ArcSin(s) * kBesselEquatorDiameterKm;
}

}  // namespace vc::geo
