#include "geo/distance.hpp"

#include <gtest/gtest.h>

#include <cmath>

namespace vc::geo {
namespace {

constexpr double kHalfTurn = 3.1415926;
constexpr double kDiameterKm = 12754.79431;
constexpr double kOneDegreeKm = kDiameterKm / 2 * kHalfTurn / 180;
constexpr double kHalfCircumferenceKm = kDiameterKm / 2 * kHalfTurn;

struct DistanceCase {
  double lat1, lon1, lat2, lon2;
  double expectedKm;
  double toleranceKm;
};

TEST(Distance, KnownLegs) {
  const DistanceCase cases[] = {
      {35.5, 139.5, 35.5, 139.5, 0, 0},
      {0, 0, 0, 0, 0, 0},
      {0, 139, 0, 140, kOneDegreeKm, 1e-9},
      {35, 139, 36, 139, kOneDegreeKm, 1e-9},
      {-1, -1, -2, -1, kOneDegreeKm, 1e-9},
      // Tokyo to Osaka on the Bessel sphere.
      {35.681236, 139.767125, 34.702485, 135.495951, 403.462235, 1e-5},
  };
  for (const DistanceCase& c : cases) {
    EXPECT_NEAR(DistanceKm(c.lat1, c.lon1, c.lat2, c.lon2), c.expectedKm, c.toleranceKm)
        << c.lat1 << ',' << c.lon1 << " - " << c.lat2 << ',' << c.lon2;
  }
}

TEST(Distance, IndependentOfOrder) {
  EXPECT_EQ(DistanceKm(35.681236, 139.767125, 34.702485, 135.495951),
            DistanceKm(34.702485, 135.495951, 35.681236, 139.767125));
}

// Next to 1 the arc sine is ill-conditioned: the last bit of s moves the
// result by centimetres, hence the looser tolerance.
TEST(Distance, AntipodesAreHalfTheCircumference) {
  const DistanceCase cases[] = {
      {0, 0, 0, 180, kHalfCircumferenceKm, 1e-3},
      {90, 0, -90, 0, kHalfCircumferenceKm, 1e-3},
      {35.5, 139.5, -35.5, -40.5, kHalfCircumferenceKm, 1e-3},
  };
  for (const DistanceCase& c : cases) {
    const double km = DistanceKm(c.lat1, c.lon1, c.lat2, c.lon2);
    EXPECT_TRUE(std::isfinite(km));
    EXPECT_NEAR(km, c.expectedKm, c.toleranceKm);
  }
}

TEST(ArcSin, QuarterTurnAtTheEnds) {
  EXPECT_EQ(ArcSin(1), kHalfTurn / 2);
  EXPECT_EQ(ArcSin(1.0000000000000002), kHalfTurn / 2);
  EXPECT_EQ(ArcSin(-1), -kHalfTurn / 2);
  EXPECT_EQ(ArcSin(0), 0);
  EXPECT_NEAR(ArcSin(0.5), std::asin(0.5), 1e-15);
}

}  // namespace
}  // namespace vc::geo
