#include "engine/input/track_legs.hpp"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/records.hpp"
#include "engine/track_points.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

std::uint64_t Bits(double value) { return std::bit_cast<std::uint64_t>(value); }

text::LocalSeconds At(int year, int month, int day, int hour, int minute, int second) {
  return text::ToLocalSeconds({year, month, day, hour, minute, second});
}

// A point keeps short legs as whole hundredths and the track keeps the rest:
// either way the leg time must come back as the very same double.
TEST(TrackLegTimes, EveryLegTimeReadsBackExactly) {
  const std::vector<double> legTimes = {
      0,
      1,
      0.25,
      0.01,
      3601.6,
      0.1 + 0.2,                 // not a whole number of hundredths
      1.0 / 3,                   // nor this
      83886.06,                  // the longest leg a point holds itself
      83886.07,                  // one hundredth longer
      86400.0 * 365 * 20 + 0.5,  // a gap of years
      2.5e11,
      1e-300,
  };
  TrackPoints points;
  for (std::size_t i = 0; i < legTimes.size(); ++i) {
    TrkPnt& point = points.Add();
    point.legLength = 1000;
    points.SetLegTime(point, legTimes[i]);
  }
  for (std::size_t i = 0; i < legTimes.size(); ++i) {
    const TrkPnt& point = points[i + 1];
    EXPECT_EQ(Bits(points.LegTime(point)), Bits(legTimes[i])) << legTimes[i];
    const double velocity = legTimes[i] == 0 ? 0 : text::RoundToGeneral(1000 / legTimes[i] * 3.6);
    EXPECT_EQ(points.LegVelocity(point), velocity) << legTimes[i];
  }
}

// Regression: a long leg set again (the legs of a track worked out anew) or
// replaced by a short one must not leave another point's leg behind.
TEST(TrackLegTimes, LongLegsSetAgainInAnyOrderStayWithTheirPoints) {
  TrackPoints points;
  for (int i = 0; i < 5; ++i) points.Add();
  const double year = 86400.0 * 365;
  points.SetLegTime(points[4], 4 * year);
  points.SetLegTime(points[2], 2 * year);
  points.SetLegTime(points[5], 5 * year);
  points.SetLegTime(points[2], 7);
  points.SetLegTime(points[3], 3 * year);
  points.SetLegTime(points[4], 6 * year);
  const std::vector<double> expected = {0, 7, 3 * year, 6 * year, 5 * year};
  for (std::size_t n = 1; n <= 5; ++n) EXPECT_EQ(points.LegTime(points[n]), expected[n - 1]) << n;

  // The next track starts with no long legs of the last one.
  points.Clear();
  TrkPnt& first = points.Add();
  points.SetLegTime(first, 1.5);
  TrkPnt& second = points.Add();
  points.SetLegTime(second, 9 * year);
  EXPECT_EQ(points.LegTime(points[1]), 1.5);
  EXPECT_EQ(points.LegTime(points[2]), 9 * year);
}

// Legs as the track works them out: midnight, fractions, gaps of years and
// times of day, each exactly what text::SecondsBetween says, the totals
// their sum.
TEST(TrackLegs, LegTimesOverMidnightFractionsAndLongGaps) {
  struct Fix {
    text::LocalSeconds seconds;
    int hundredths;
  };
  const std::vector<Fix> fixes = {
      {At(2002, 7, 15, 23, 59, 59), 50}, {At(2002, 7, 16, 0, 0, 0), 25},  // 0.75 s over midnight
      {At(2002, 7, 16, 0, 0, 1), 0},                                      // 0.75 s
      {At(2002, 7, 17, 12, 0, 1), 0},                                     // a day and a half
      {At(2022, 7, 17, 12, 0, 1), 10},  // twenty years, and a tenth
      {At(2022, 7, 17, 12, 0, 0), 0},   // back a second: the leg is still positive
  };
  TrackPoints points;
  TrkHdr header;
  TrackLegs legs;
  legs.Start(header);
  for (const Fix& fix : fixes) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, "WGS84", "0", "D");
    points.SetText(point, PointField::kLat, "35");
    points.SetText(point, PointField::kLon, "139");
    TrackPoints::SetTime(point, fix.seconds);
    point.SetHundredths(fix.hundredths);
    legs.Add(points, point, header);
  }
  double total = 0;
  EXPECT_EQ(points.LegTime(points[1]), 0);
  for (std::size_t n = 2; n <= fixes.size(); ++n) {
    const Fix& a = fixes[n - 2];
    const Fix& b = fixes[n - 1];
    const double expected = text::SecondsBetween(a.seconds, a.hundredths, b.seconds, b.hundredths);
    EXPECT_EQ(Bits(points.LegTime(points[n])), Bits(expected)) << n;
    EXPECT_EQ(points[n].legLength, 0) << n;  // the fixes did not move
    total = text::RoundToGeneral(total + expected);
  }
  EXPECT_EQ(points.LegTime(points[2]), 0.75);
  EXPECT_EQ(points.LegTime(points[4]), 129600);
  EXPECT_EQ(header.totalTripTime, total);
  EXPECT_EQ(header.totalTripLength, 0);
}

TEST(TrackLegs, TimesOfDayRunOverMidnightTheShortWay) {
  TrackPoints points;
  TrkHdr header;
  TrackLegs legs;
  legs.Start(header);
  for (const char* time : {"23:59:58", "00:00:01", "23:59:59"}) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, "WGS84", "0", "D");
    points.SetText(point, PointField::kLat, "35");
    points.SetText(point, PointField::kLon, "139");
    points.SetText(point, PointField::kDateTime, time);
    legs.Add(points, point, header);
  }
  EXPECT_EQ(points.LegTime(points[2]), 3);
  EXPECT_EQ(points.LegTime(points[3]), 2);
}

// Regression: the coordinate form is looked up once for a run of points with
// the same labels; a point in another form must still be read in its own.
TEST(TrackLegs, EachPointIsReadInItsOwnForm) {
  TrackPoints points;
  TrkHdr header;
  TrackLegs legs;
  legs.Start(header);
  TrkPnt& a = points.Add();
  points.SetLabels(a, "WGS84", "0", "D");
  points.SetText(a, PointField::kLat, "35.5");
  points.SetText(a, PointField::kLon, "139");
  legs.Add(points, a, header);
  TrkPnt& b = points.Add();
  points.SetLabels(b, "WGS84", "0", "DM");
  points.SetText(b, PointField::kLat, "35.3");  // 35 deg 30 min: where a is
  points.SetText(b, PointField::kLon, "139");
  legs.Add(points, b, header);
  TrkPnt& c = points.Add();
  points.SetLabels(c, "WGS84", "0", "MPS");
  points.SetText(c, PointField::kLat, "35/30/00.0");
  points.SetText(c, PointField::kLon, "139/00/00.0");
  legs.Add(points, c, header);
  EXPECT_EQ(points[2].legLength, 0);
  EXPECT_EQ(points[3].legLength, 0);
  TrkPnt& d = points.Add();
  points.SetLabels(d, "WGS84", "0", "D");
  points.SetText(d, PointField::kLat, "35.6");
  points.SetText(d, PointField::kLon, "139");
  legs.Add(points, d, header);
  EXPECT_NEAR(points[4].legLength, 11131, 10);  // a tenth of a degree of latitude
}

}  // namespace
}  // namespace vc::engine
