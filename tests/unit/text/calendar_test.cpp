#include <gtest/gtest.h>

#include <cstdint>

#include "text/datetime.hpp"

namespace vc::text {
namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysIn(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeap(year) ? 29 : kDays[month - 1];
}

// Walks every day of the writable years, one after the other, and checks
// that the seconds of its midnight and of its last second come back as that
// day: the calendar arithmetic against plain counting.
TEST(Calendar, EveryWritableDayComesBackFromItsSeconds) {
  LocalSeconds midnight = 0;
  for (int year = 1; year <= 9999; ++year) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= DaysIn(year, month); ++day) {
        const CivilDateTime start = ToCivil(midnight);
        const CivilDateTime end = ToCivil(midnight + kSecondsPerDay - 1);
        ASSERT_TRUE(start.year == year && start.month == month && start.day == day &&
                    start.hour == 0 && start.minute == 0 && start.second == 0)
            << year << "/" << month << "/" << day;
        ASSERT_TRUE(end.year == year && end.month == month && end.day == day && end.hour == 23 &&
                    end.minute == 59 && end.second == 59)
            << year << "/" << month << "/" << day;
        ASSERT_EQ(ToLocalSeconds(start), midnight);
        midnight += kSecondsPerDay;
      }
    }
  }
  EXPECT_TRUE(IsWritableTime(midnight - 1));
  EXPECT_FALSE(IsWritableTime(midnight));
}

}  // namespace
}  // namespace vc::text
