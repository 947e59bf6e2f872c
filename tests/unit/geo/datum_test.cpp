#include "geo/datum.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <string_view>
#include <utility>

namespace vc::geo {
namespace {

constexpr double kHalfTurn = 3.1415926;

TEST(TransformDatum, TokyoToWgs84WorkedPoints) {
  struct Case {
    GeoPoint tokyo;
    double lat, lon;
  };
  const Case cases[] = {
      {{35.681236, 139.767125, 0}, 35.684518, 139.763985},
      {{35.0, 135.0, 0}, 35.003239, 134.997269},
  };
  for (const Case& c : cases) {
    const GeoPoint wgs = TransformDatum(c.tokyo, "TOKYO", "WGS84");
    EXPECT_NEAR(wgs.lat, c.lat, 1e-6) << c.tokyo.lat;
    EXPECT_NEAR(wgs.lon, c.lon, 1e-6) << c.tokyo.lon;
  }
  EXPECT_NEAR(TransformDatum(cases[0].tokyo, "TOKYO", "WGS84").height, 1.75, 0.05);
}

// The shifts are not exact inverses (0.35 m and 0.45 m apart), so a round trip
// lands a little off the start.
TEST(TransformDatum, RoundTripReturnsNearTheStart) {
  const GeoPoint start{35.681236, 139.767125, 0};
  const GeoPoint wgs = TransformDatum(start, "TOKYO", "WGS84");
  const GeoPoint back = TransformDatum(GeoPoint{wgs.lat, wgs.lon, 0}, "WGS84", "TOKYO");
  EXPECT_NEAR(back.lat, start.lat, 2e-7);
  EXPECT_NEAR(back.lon, start.lon, 2e-7);
  EXPECT_FALSE(back.lat == start.lat && back.lon == start.lon);
}

TEST(TransformDatum, NameRules) {
  const GeoPoint point{35.0, 135.0, 0};
  const GeoPoint moved = TransformDatum(point, "Tokyo", "wgs84");
  EXPECT_NEAR(moved.lat, 35.003239, 1e-6);

  const std::pair<std::string_view, std::string_view> unchanged[] = {
      {"TOKYO", "TOKYO"}, {"WGS84", "WGS84"}, {"WGS84", "JGD2000"},
      {"", "WGS84"},      {"WGS84", ""},      {"TOKYO ", "WGS84"},
  };
  for (const auto& [from, to] : unchanged) {
    const GeoPoint same = TransformDatum(point, from, to);
    EXPECT_EQ(same.lat, point.lat) << from << " -> " << to;
    EXPECT_EQ(same.lon, point.lon) << from << " -> " << to;
    EXPECT_EQ(same.height, point.height) << from << " -> " << to;
  }
}

TEST(Geodetic, CartesianRoundTripOnBothEllipsoids) {
  const GeoPoint points[] = {
      {35.681236, 89.767125, 0}, {24.0, 13.0, 50}, {45.5, -48.9, -20}, {-33.9, -70.6, 500}};
  for (const Ellipsoid& e : {kWgs84Ellipsoid, kBesselEllipsoid}) {
    for (const GeoPoint& p : points) {
      const GeoPoint back = CartesianToGeodetic(GeodeticToCartesian(p, e), e);
      EXPECT_NEAR(back.lat, p.lat, 1e-9);
      EXPECT_NEAR(back.lon, p.lon, 1e-9);
      EXPECT_NEAR(back.height, p.height, 1e-3);
    }
  }
}

// East of 90 degrees AngleOf adds the eight-digit half turn to a full-precision
// arc tangent, so longitudes come back short by (pi - 3.1415926) / k, about
// 3.07e-6 degrees. The stored coordinates carry this; it must not be "fixed".
TEST(Geodetic, EasternLongitudesKeepTheHalfTurnRemainder) {
  const double shortfallDeg = (std::acos(-1.0) - kHalfTurn) / (kHalfTurn / 180);
  for (const GeoPoint& p : {GeoPoint{35.681236, 139.767125, 0}, GeoPoint{24.0, 123.0, 0}}) {
    const GeoPoint back =
        CartesianToGeodetic(GeodeticToCartesian(p, kBesselEllipsoid), kBesselEllipsoid);
    EXPECT_NEAR(back.lat, p.lat, 1e-9);
    EXPECT_NEAR(back.lon, p.lon - shortfallDeg, 1e-9);
  }
}

TEST(Geodetic, ShiftsDifferByTheirCorrection) {
  const Cartesian c{-3959000.5, 3352000.25, 3697000.75};
  const Cartesian tokyo = ShiftWgs84ToTokyo(c);
  EXPECT_EQ(tokyo.x, c.x + 128);
  EXPECT_EQ(tokyo.y, c.y - 481);
  EXPECT_EQ(tokyo.z, c.z - 664);
  const Cartesian back = ShiftTokyoToWgs84(tokyo);
  EXPECT_NEAR(back.x, c.x - 0.35, 1e-8);
  EXPECT_NEAR(back.y, c.y - 0.45, 1e-8);
  EXPECT_EQ(back.z, c.z);
}

TEST(AngleOf, SpecialCasesAndHalfTurns) {
  struct Case {
    double y, x, expected;
  };
  const Case cases[] = {
      {1, 0, 0},
      {-1, 0, 0},
      {0, -1, 0},
      {0, 1, 0},
      {1, 1, std::atan(1.0)},
      {-1, 1, -std::atan(1.0)},
      {1, -1, -std::atan(1.0) + kHalfTurn},
      {-1, -1, std::atan(1.0) - kHalfTurn},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AngleOf(c.y, c.x), c.expected) << c.y << ", " << c.x;
  }
}

// The writers' shift, decided once per pair of names, gives the latitude
// and longitude of TransformDatum to the last bit.
TEST(ShiftDatumLatLon, MatchesTransformDatum) {
  const struct {
    const char* from;
    const char* to;
    DatumShift shift;
  } pairs[] = {{"WGS84", "TOKYO", DatumShift::kWgs84ToTokyo},
               {"tokyo", "Wgs84", DatumShift::kTokyoToWgs84},
               {"Tokyo", "TOKYO", DatumShift::kNone},
               {"WGS84", "NAD27", DatumShift::kNone}};
  for (const auto& pair : pairs) {
    ASSERT_EQ(DatumShiftOf(pair.from, pair.to), pair.shift) << pair.from << " " << pair.to;
    for (int i = 0; i < 20000; ++i) {
      const GeoPoint point{-89.5 + 179 * (i % 1000) / 1000.0,
                           -179.5 + 359 * (i / 1000) / 20.0 + (i % 7) * 0.013, 0};
      const GeoPoint full = TransformDatum(point, pair.from, pair.to);
      const GeoPoint shifted = ShiftDatumLatLon(point, pair.shift);
      ASSERT_EQ(shifted.lat, full.lat) << point.lat << " " << point.lon;
      ASSERT_EQ(shifted.lon, full.lon) << point.lat << " " << point.lon;
    }
  }
}

}  // namespace
}  // namespace vc::geo
