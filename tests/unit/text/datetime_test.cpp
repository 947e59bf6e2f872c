#include "text/datetime.hpp"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

#include "support/text_support.hpp"
#include "text/clock.hpp"

namespace vc::text {
namespace {

using vc::testing::FormatDateTime;
using vc::testing::FormatGeneralDateTime;

// setenv and unsetenv are POSIX; Windows' C library has _putenv_s, where an
// empty value removes the variable, and _tzset.
void SetVariable(const char* name, const char* value) {
#ifdef _WIN32
  _putenv_s(name, value);
#else
  setenv(name, value, 1);
#endif
}

void RemoveVariable(const char* name) {
#ifdef _WIN32
  _putenv_s(name, "");
#else
  unsetenv(name);
#endif
}

void ReadTimeZone() {
#ifdef _WIN32
  _tzset();
#else
  tzset();
#endif
}

std::string Canonical(std::string_view text, DateOrder order = DateOrder::kYearMonthDay) {
  auto seconds = ParseDateTime(text, order);
  return seconds ? FormatDateTime(*seconds) : "no time";
}

TEST(DateTime, ReadsTheSystemFormAndItsVariants) {
  const struct {
    const char* text;
    const char* canonical;
  } cases[] = {
      {"2002/07/15 03:04:05", "2002/07/15 03:04:05"},
      {"2002/7/5 3:04:05", "2002/07/05 03:04:05"},
      {" 2002/07/15 3:04 ", "2002/07/15 03:04:00"},
      {"2002-07-15 03:04:05", "2002/07/15 03:04:05"},
      {"2002/07/15", "2002/07/15 00:00:00"},
      // A time alone is a time of day: written alone, never on the zero date.
      {"12:35:19", "12:35:19"},
      {"2000/02/29 23:59:59", "2000/02/29 23:59:59"},
      {"1900/02/29 00:00:00", "no time"},
      {"2002/13/01 00:00:00", "no time"},
      {"2002/07/15 24:00:00", "no time"},
      {"2002/07/15 03:04:05.5", "no time"},
      {"02/07/15 03:04:05", "no time"},
      {"", "no time"},
      {"-", "no time"},
      {"2002/07/15 03:04:05 x", "no time"},
  };
  for (const auto& c : cases) EXPECT_EQ(Canonical(c.text), c.canonical) << c.text;
}

// Times without a date once gained the zero date 1899/12/30: legs of
// 4 055 147 118 s against a dated neighbour, 86 397 s over midnight, and a
// shift onto 1899/12/31.
TEST(DateTime, SecondsBetweenCountHundredths) {
  const LocalSeconds beforeMidnight = *ParseDateTime("23:59:59");
  const LocalSeconds midnight = *ParseDateTime("00:00:00");
  const LocalSeconds dated = ToLocalSeconds({2028, 7, 1, 1, 45, 18});
  const struct {
    const char* what;
    LocalSeconds a;
    int aHundredths;
    LocalSeconds b;
    int bHundredths;
    double seconds;
  } legs[] = {
      {"a quarter second within one second", dated, 25, dated, 50, 0.25},
      {"over a whole second", dated, 75, dated + 1, 0, 0.25},
      {"a tenth backwards", dated + 1, 10, dated + 1, 0, 0.1},
      {"round midnight between times of day", beforeMidnight, 90, midnight, 15, 0.25},
      {"a time of day and a dated time", dated, 50, midnight, 50, 0},
  };
  for (const auto& c : legs) {
    EXPECT_EQ(SecondsBetween(c.a, c.aHundredths, c.b, c.bHundredths), c.seconds) << c.what;
  }
}

TEST(DateTime, TimesOfDayStayWithinTheirDay) {
  const LocalSeconds dated = ToLocalSeconds({2028, 7, 1, 1, 45, 18});
  const LocalSeconds beforeMidnight = *ParseDateTime("23:59:58");
  const LocalSeconds afterMidnight = *ParseDateTime("00:00:01");
  const LocalSeconds noon = *ParseDateTime("12:00:00");
  EXPECT_TRUE(IsTimeOfDay(noon));
  EXPECT_FALSE(IsTimeOfDay(dated));
  const struct {
    const char* what;
    LocalSeconds a;
    LocalSeconds b;
    LocalSeconds seconds;
  } legs[] = {
      {"the short way round midnight", beforeMidnight, afterMidnight, 3},
      {"backwards round midnight", afterMidnight, beforeMidnight, 3},
      {"within the day", *ParseDateTime("05:58:06"), *ParseDateTime("05:58:21"), 15},
      {"exactly half a day", noon, *ParseDateTime("00:00:00"), 43200},
      {"a time of day and a dated time", dated, noon, 0},
      {"a dated time and a time of day", noon, dated, 0},
      {"two dated times", dated, dated + 20, 20},
  };
  for (const auto& c : legs) EXPECT_EQ(SecondsBetween(c.a, c.b), c.seconds) << c.what;
  // Without hundredths the fractional form is the whole seconds.
  for (const auto& c : legs) {
    EXPECT_EQ(SecondsBetween(c.a, 0, c.b, 0), static_cast<double>(c.seconds)) << c.what;
  }

  const struct {
    const char* time;
    double hours;
    const char* shifted;
  } shifts[] = {
      {"20:47:41", 9, "5:47:41"},
      {"03:00:00", -9, "18:00:00"},
      {"12:00:00", 5.5, "17:30:00"},
      {"00:00:00", -0.5, "23:30:00"},
  };
  for (const auto& c : shifts) {
    LocalSeconds seconds = *ParseDateTime(c.time);
    ASSERT_TRUE(ShiftByHours(seconds, c.hours)) << c.time;
    EXPECT_EQ(FormatGeneralDateTime(seconds), c.shifted) << c.time;
    EXPECT_TRUE(IsTimeOfDay(seconds)) << c.time;
  }
}

TEST(DateTime, ReadsWaypointPlusMonthDayYear) {
  EXPECT_EQ(Canonical("01/31/2002 21:05:09", DateOrder::kMonthDayYear), "2002/01/31 21:05:09");
  EXPECT_EQ(Canonical("31/01/2002 21:05:09", DateOrder::kMonthDayYear), "no time");
}

TEST(DateTime, CivilRoundTripAcrossCenturies) {
  for (int year : {1, 4, 100, 400, 1899, 1900, 2000, 2024, 9999}) {
    for (int month : {1, 2, 3, 12}) {
      const CivilDateTime c{year, month, month == 2 ? 28 : 31, 23, 59, 58};
      const CivilDateTime back = ToCivil(ToLocalSeconds(c));
      EXPECT_EQ(back.year, year);
      EXPECT_EQ(back.month, month);
      EXPECT_EQ(back.day, c.day);
      EXPECT_EQ(back.second, 58);
    }
  }
}

TEST(DateTime, SecondsBetweenCountWholeSeconds) {
  const auto a = ParseDateTime("2001/12/31 23:59:59");
  const auto b = ParseDateTime("2002/01/01 00:00:01");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*b - *a, 2);
}

TEST(DateTime, WritesTheGeneralForm) {
  const struct {
    const char* text;
    const char* general;
  } cases[] = {
      {"2002/07/15 03:04:05", "2002/07/15 3:04:05"},
      {"2002/07/15 13:04:05", "2002/07/15 13:04:05"},
      {"2002/07/15 00:00:00", "2002/07/15"},
      {"12:35:19", "12:35:19"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatGeneralDateTime(*ParseDateTime(c.text)), c.general) << c.text;
  }
}

TEST(DateTime, ShiftsByHoursWithinTheWritableYears) {
  LocalSeconds t = *ParseDateTime("2002/12/31 20:00:00");
  ASSERT_TRUE(ShiftByHours(t, 9));
  EXPECT_EQ(FormatDateTime(t), "2003/01/01 05:00:00");
  ASSERT_TRUE(ShiftByHours(t, -5.5));
  EXPECT_EQ(FormatDateTime(t), "2002/12/31 23:30:00");
  LocalSeconds last = *ParseDateTime("9999/12/31 20:00:00");
  EXPECT_FALSE(ShiftByHours(last, 9));
  EXPECT_EQ(FormatDateTime(last), "9999/12/31 20:00:00");
  LocalSeconds first = *ParseDateTime("0001/01/01 05:00:00");
  EXPECT_FALSE(ShiftByHours(first, -9));
}

TEST(DateTime, WaypointPlusDateAndTimeFields) {
  std::string out;
  const LocalSeconds t = *ParseDateTime("2002/01/31 21:05:09");
  AppendMonthDayYear(out, t);
  out.push_back(',');
  AppendTimeOfDay(out, t);
  EXPECT_EQ(out, "01/31/2002,21:05:09");
}

// Every written form against printf over the civil fields, across the
// writable years and past them (five digits and more, which the short year
// writer leaves to the general digit loop), at random seconds of the day.
TEST(DateTime, WrittenFormsMatchTheirFields) {
  std::mt19937_64 random(2026);
  const LocalSeconds beyond = ToLocalSeconds({99999, 12, 31, 23, 59, 59});
  for (int i = 0; i < 200000; ++i) {
    const auto seconds =
        i % 3 == 0 ? ZeroDate() + static_cast<LocalSeconds>(random() % kSecondsPerDay)
                   : static_cast<LocalSeconds>(random() % static_cast<std::uint64_t>(beyond));
    const CivilDateTime c = ToCivil(seconds);
    std::array<char, 64> date{};
    std::array<char, 64> time{};
    std::snprintf(date.data(), date.size(), "%04d/%02d/%02d", c.year, c.month, c.day);
    std::snprintf(time.data(), time.size(), "%02d:%02d:%02d", c.hour, c.minute, c.second);
    const std::string dateText = date.data();
    const std::string timeText = time.data();
    // The general form: no leading zero on the hour.
    const std::string generalTime = timeText[0] == '0' ? timeText.substr(1) : timeText;
    const bool ofDay = IsTimeOfDay(seconds);
    const bool midnight = c.hour == 0 && c.minute == 0 && c.second == 0;
    ASSERT_EQ(FormatDateTime(seconds), ofDay ? timeText : dateText + " " + timeText) << seconds;
    ASSERT_EQ(FormatGeneralDateTime(seconds), ofDay      ? generalTime
                                              : midnight ? dateText
                                                         : dateText + " " + generalTime)
        << seconds;
    std::string fields;
    AppendMonthDayYear(fields, seconds);
    fields += ',';
    AppendTimeOfDay(fields, seconds);
    std::array<char, 64> monthDayYear{};
    std::snprintf(monthDayYear.data(), monthDayYear.size(), "%02d/%02d/%04d", c.month, c.day,
                  c.year);
    ASSERT_EQ(fields, std::string(monthDayYear.data()) + "," + timeText) << seconds;
  }
}

// The kept text of the last minute against the texts made in full: times
// that follow each other, jump, go back, cross midnight and the zero date,
// in both forms.
TEST(DateTime, RecentDateTimeWritesWhatTheFullFormsWrite) {
  std::mt19937_64 random(13);
  std::uniform_int_distribution<LocalSeconds> anywhere(0, 3652058LL * kSecondsPerDay - 1);
  std::uniform_int_distribution<int> step(-70, 70);
  RecentDateTime recent;
  const LocalSeconds zeroDate = ZeroDate();
  LocalSeconds seconds = zeroDate - 3;
  for (int i = 0; i < 400000; ++i) {
    if (i % 1000 == 0) seconds = anywhere(random);
    if (i % 1000 == 500) seconds = (seconds / kSecondsPerDay + 1) * kSecondsPerDay - 5;
    if (i == 200000) seconds = zeroDate + kSecondsPerDay - 3;
    const bool general = i % 5 < 3;
    std::array<char, kDateTimeRoom> kept{};
    std::array<char, kDateTimeRoom> full{};
    const char* const keptEnd =
        general ? recent.PutGeneral(kept.data(), seconds) : recent.Put(kept.data(), seconds);
    const char* const fullEnd =
        general ? PutGeneralDateTime(full.data(), seconds) : PutDateTime(full.data(), seconds);
    ASSERT_EQ(std::string(kept.data(), static_cast<std::size_t>(keptEnd - kept.data())),
              std::string(full.data(), static_cast<std::size_t>(fullEnd - full.data())))
        << seconds << (general ? " general" : "");
    seconds += i % 3 == 0 ? 1 : step(random);
    if (seconds < 0) seconds = 0;
  }
}

TEST(Clock, SourceDateEpochFixesNow) {
  SetVariable("SOURCE_DATE_EPOCH", "1015362000");  // 2002/03/05 21:00:00 UTC
  SetVariable("TZ", "UTC");
  EXPECT_EQ(FormatDateTime(LocalNow()), "2002/03/05 21:00:00");
  SetVariable("TZ", "JST-9");
  ReadTimeZone();
  EXPECT_EQ(FormatDateTime(LocalNow()), "2002/03/06 06:00:00");
  SetVariable("TZ", "UTC");
  ReadTimeZone();
  RemoveVariable("SOURCE_DATE_EPOCH");
}

}  // namespace
}  // namespace vc::text
