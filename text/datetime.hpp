// Date-and-time texts.
//
// Point times travel as texts such as "2002/07/15 03:04:05" in the zone named
// by the record's UTC offset. Arithmetic works on LocalSeconds: whole seconds
// of wall-clock time counted from 0001/01/01 00:00:00 (proleptic Gregorian),
// with no time zone attached. A time of day without a date lies on the zero
// date 1899/12/30, which the general form leaves out, as the original
// platform's date type does.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vc::text {

using LocalSeconds = std::int64_t;

inline constexpr std::int64_t kSecondsPerDay = 86400;

// Order of the date fields in a text.
enum class DateOrder {
  kYearMonthDay,  // "yyyy/mm/dd", the system's own form
  kMonthDayYear,  // "mm/dd/yyyy", Waypoint+ files
};

struct CivilDateTime {
  int year;
  int month;
  int day;
  int hour;
  int minute;
  int second;
};

// Reads "yyyy/mm/dd hh:nn:ss" and its variants: one- or two-digit month, day
// and hour, "-" as date separator, seconds left out, a date alone (midnight),
// a time alone (on the zero date). Spaces around the text are ignored.
// Anything else, or an impossible date or time, is "no time" (nullopt).
std::optional<LocalSeconds> ParseDateTime(std::string_view text,
                                          DateOrder order = DateOrder::kYearMonthDay) noexcept;

// Only the exact form AppendDateTime writes, "yyyy/mm/dd hh:nn:ss" with
// every digit, so that the seconds stand for the text itself.
std::optional<LocalSeconds> ParseCanonicalDateTime(std::string_view text) noexcept;

LocalSeconds ToLocalSeconds(const CivilDateTime& civil) noexcept;
// The same for a date and time whose every part lies in its range (the test
// ParseCanonicalDateTime makes of its text); nullopt for an impossible one.
std::optional<LocalSeconds> CheckedLocalSeconds(const CivilDateTime& civil) noexcept;
CivilDateTime ToCivil(LocalSeconds seconds) noexcept;

// Years 1 to 9999 can be written; a shift that leaves them is refused.
bool IsWritableTime(LocalSeconds seconds) noexcept;

// A time read without a date: a time of day, on no particular day. It lies
// on the zero date, which no receiver log can carry as a real date.
bool IsTimeOfDay(LocalSeconds seconds) noexcept;

// Adds `hours` (a fraction shifts by the exact seconds, rounded to whole
// seconds). A time of day moves within its day, round midnight. False, with
// `seconds` unchanged, when the result would leave the writable years.
bool ShiftByHours(LocalSeconds& seconds, double hours) noexcept;

// Whole seconds between two times, never negative, as the legs of a track
// count them. Between two times of day the short way round midnight
// (23:59:58 to 00:00:01 is 3 s); between a time of day and a dated time 0,
// since the day of the one is unknown.
LocalSeconds SecondsBetween(LocalSeconds a, LocalSeconds b) noexcept;
// The same between a + aHundredths / 100 and b + bHundredths / 100 (0 to
// 99 each), as the number its general text reads back as.
double SecondsBetween(LocalSeconds a, int aHundredths, LocalSeconds b, int bHundredths) noexcept;

// "yyyy/mm/dd hh:nn:ss"; a time of day is written "hh:nn:ss" alone.
void AppendDateTime(std::string& out, LocalSeconds seconds);

// The general date-and-time form: "yyyy/mm/dd h:nn:ss" (hour without a
// leading zero); only the date at exactly midnight; only the time on the
// zero date.
void AppendGeneralDateTime(std::string& out, LocalSeconds seconds);

// The same two texts written at `p`, at most kDateTimeRoom bytes; each
// returns the text's end.
inline constexpr std::size_t kDateTimeRoom = 32;
char* PutDateTime(char* p, LocalSeconds seconds) noexcept;
char* PutGeneralDateTime(char* p, LocalSeconds seconds) noexcept;

// PutDateTime and PutGeneralDateTime for the times of a track, which
// mostly follow each other within a minute: the text of the last time is
// kept, and a time in the same minute only writes its seconds into it.
class RecentDateTime {
 public:
  char* Put(char* p, LocalSeconds seconds) noexcept { return PutIn(p, seconds, false); }
  char* PutGeneral(char* p, LocalSeconds seconds) noexcept { return PutIn(p, seconds, true); }

 private:
  char* PutIn(char* p, LocalSeconds seconds, bool general) noexcept;

  static constexpr LocalSeconds kNone = -1;
  LocalSeconds minute_ = kNone;  // the first second of the minute kept
  bool general_ = false;
  std::size_t size_ = 0;
  std::array<char, kDateTimeRoom> text_{};
};

// Waypoint+ date "mm/dd/yyyy" and time "hh:mm:ss".
void AppendMonthDayYear(std::string& out, LocalSeconds seconds);
void AppendTimeOfDay(std::string& out, LocalSeconds seconds);

// The zero date, 1899/12/30 00:00:00.
LocalSeconds ZeroDate() noexcept;

}  // namespace vc::text
