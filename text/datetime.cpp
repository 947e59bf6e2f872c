#include "text/datetime.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "text/digit_pairs.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::text {
namespace {

constexpr std::array<int, 12> kDaysBeforeMonth = {0,   31,  59,  90,  120, 151,
                                                  181, 212, 243, 273, 304, 334};
constexpr std::int64_t kDaysPer400Years = 146097;

bool IsLeapYear(std::int64_t year) noexcept {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) noexcept {
  static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[static_cast<std::size_t>(month - 1)];
}

// Days from 0001/01/01 to the first day of `year`.
std::int64_t DaysBeforeYear(std::int64_t year) noexcept {
  const std::int64_t y = year - 1;
  return y * 365 + y / 4 - y / 100 + y / 400;
}

std::int64_t DaysFromCivil(int year, int month, int day) noexcept {
  std::int64_t days =
      DaysBeforeYear(year) + kDaysBeforeMonth[static_cast<std::size_t>(month - 1)] + day - 1;
  if (month > 2 && IsLeapYear(year)) ++days;
  return days;
}

// Floor division for the (theoretical) times before year 1.
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) noexcept {
  std::int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

const LocalSeconds kMinWritable = 0;  // 0001/01/01 00:00:00
const LocalSeconds kMaxWritable = (DaysFromCivil(9999, 12, 31) + 1) * kSecondsPerDay - 1;

// Reads one to `maxDigits` digits; false when there are none or too many.
bool ReadNumber(std::string_view text, int minDigits, int maxDigits, int& value) noexcept {
  if (text.size() < static_cast<std::size_t>(minDigits) ||
      text.size() > static_cast<std::size_t>(maxDigits)) {
    return false;
  }
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// Splits `text` at `separator` into up to three parts; returns the count, or
// 4 when there are more.
int SplitParts(std::string_view text, char separator,
               std::array<std::string_view, 3>& parts) noexcept {
  int count = 0;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(separator, start);
    if (count == 3) return 4;
    parts[static_cast<std::size_t>(count++)] =
        text.substr(start, end == std::string_view::npos ? end : end - start);
    if (end == std::string_view::npos) return count;
    start = end + 1;
  }
}

bool ParseDate(std::string_view text, DateOrder order, int& year, int& month, int& day) noexcept {
  const char separator = text.find('/') != std::string_view::npos ? '/' : '-';
  std::array<std::string_view, 3> parts;
  if (SplitParts(text, separator, parts) != 3) return false;
  const bool ymd = order == DateOrder::kYearMonthDay;
  const std::string_view yearText = ymd ? parts[0] : parts[2];
  const std::string_view monthText = ymd ? parts[1] : parts[0];
  const std::string_view dayText = ymd ? parts[2] : parts[1];
  if (!ReadNumber(yearText, 4, 4, year) || !ReadNumber(monthText, 1, 2, month) ||
      !ReadNumber(dayText, 1, 2, day)) {
    return false;
  }
  return year >= 1 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month);
}

bool ParseTime(std::string_view text, int& hour, int& minute, int& second) noexcept {
  std::array<std::string_view, 3> parts;
  const int count = SplitParts(text, ':', parts);
  if (count < 2 || count > 3) return false;
  second = 0;
  if (!ReadNumber(parts[0], 1, 2, hour) || !ReadNumber(parts[1], 1, 2, minute)) return false;
  if (count == 3 && !ReadNumber(parts[2], 1, 2, second)) return false;
  return hour <= 23 && minute <= 59 && second <= 59;
}

// Writes `value` with at least `width` digits at `p`; returns the end. Any
// int: the years of a time beyond the writable ones take this way.
char* PutDigits(char* p, int value, int width) noexcept {
  std::array<char, 8> buf{};
  int n = 0;
  do {
    buf[static_cast<std::size_t>(n++)] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && n < 8);
  for (int k = n; k < width; ++k) *p++ = '0';
  while (n > 0) *p++ = buf[static_cast<std::size_t>(--n)];
  return p;
}

// Two digits of a field from 0 to 99.
char* PutTwo(char* p, int value) noexcept {
  PutDigitPair(p, static_cast<std::uint32_t>(value));
  return p + 2;
}

char* PutYear(char* p, int year) noexcept {
  if (year < 0 || year > 9999) return PutDigits(p, year, 4);
  p = PutTwo(p, year / 100);
  return PutTwo(p, year % 100);
}

char* PutYmd(char* p, const CivilDateTime& c) noexcept {
  p = PutYear(p, c.year);
  *p++ = '/';
  p = PutTwo(p, c.month);
  *p++ = '/';
  return PutTwo(p, c.day);
}

// The hour in two digits, or in one below 10 when `shortHour`.
char* PutHms(char* p, const CivilDateTime& c, bool shortHour) noexcept {
  if (shortHour && c.hour < 10) {
    *p++ = static_cast<char>('0' + c.hour);
  } else {
    p = PutTwo(p, c.hour);
  }
  *p++ = ':';
  p = PutTwo(p, c.minute);
  *p++ = ':';
  return PutTwo(p, c.second);
}

// Room for the longest date and time written, "yyyyyyyy/mm/dd hh:nn:ss".
using DateTimeText = std::array<char, kDateTimeRoom>;

void AppendText(std::string& out, const DateTimeText& text, const char* end) {
  out.append(text.data(), static_cast<std::size_t>(end - text.data()));
}

bool IsDigitAt(std::string_view s, std::size_t i) noexcept { return s[i] >= '0' && s[i] <= '9'; }

// The common "yyyy/mm/dd hh:nn:ss" without tokenising.
bool ParseCanonical(std::string_view s, CivilDateTime& c) noexcept {
  if (s.size() != 19 || s[4] != '/' || s[7] != '/' || s[10] != ' ' || s[13] != ':' ||
      s[16] != ':') {
    return false;
  }
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
    if (!IsDigitAt(s, i)) return false;
  }
  auto two = [&](std::size_t i) { return (s[i] - '0') * 10 + (s[i + 1] - '0'); };
  c = {two(0) * 100 + two(2), two(5), two(8), two(11), two(14), two(17)};
  return c.year >= 1 && c.month >= 1 && c.month <= 12 && c.day >= 1 &&
         c.day <= DaysInMonth(c.year, c.month) && c.hour <= 23 && c.minute <= 59 && c.second <= 59;
}

}  // namespace

LocalSeconds ToLocalSeconds(const CivilDateTime& c) noexcept {
  return DaysFromCivil(c.year, c.month, c.day) * kSecondsPerDay + c.hour * 3600 + c.minute * 60 +
         c.second;
}

std::optional<LocalSeconds> CheckedLocalSeconds(const CivilDateTime& c) noexcept {
  if (c.year < 1 || c.month < 1 || c.month > 12 || c.day < 1 ||
      c.day > DaysInMonth(c.year, c.month) || c.hour < 0 || c.hour > 23 || c.minute < 0 ||
      c.minute > 59 || c.second < 0 || c.second > 59) {
    return std::nullopt;
  }
  return ToLocalSeconds(c);
}

CivilDateTime ToCivil(LocalSeconds seconds) noexcept {
  const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
  const std::int64_t secondOfDay = seconds - days * kSecondsPerDay;
  // Counted from 0000/03/01, so that a leap day falls at the end of its
  // year; a 400-year cycle holds the same days wherever it starts.
  constexpr std::int64_t kMarchFirstOfYearZero = 306;  // days before 0001/01/01
  const std::int64_t fromMarch = days + kMarchFirstOfYearZero;
  const std::int64_t cycle = FloorDiv(fromMarch, kDaysPer400Years);
  const std::int64_t dayOfCycle = fromMarch - cycle * kDaysPer400Years;  // 0 to 146096
  const std::int64_t yearOfCycle =
      (dayOfCycle - dayOfCycle / 1460 + dayOfCycle / 36524 - dayOfCycle / 146096) / 365;
  const std::int64_t dayOfYear =
      dayOfCycle - (365 * yearOfCycle + yearOfCycle / 4 - yearOfCycle / 100);  // 0 = March 1
  const std::int64_t monthFromMarch = (5 * dayOfYear + 2) / 153;               // 0 = March
  CivilDateTime c{};
  c.day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
  c.month = static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
  c.year = static_cast<int>(cycle * 400 + yearOfCycle + (c.month <= 2 ? 1 : 0));
  c.hour = static_cast<int>(secondOfDay / 3600);
  c.minute = static_cast<int>(secondOfDay / 60 % 60);
  c.second = static_cast<int>(secondOfDay % 60);
  return c;
}

LocalSeconds ZeroDate() noexcept { return DaysFromCivil(1899, 12, 30) * kSecondsPerDay; }

std::optional<LocalSeconds> ParseDateTime(std::string_view text, DateOrder order) noexcept {
  text = TrimSpaces(text);
  CivilDateTime c{};
  if (order == DateOrder::kYearMonthDay && ParseCanonical(text, c)) return ToLocalSeconds(c);
  // A date, a time, or a date and a time separated by blanks.
  const std::size_t blank = text.find(' ');
  std::string_view first = text.substr(0, blank);
  std::string_view second;
  if (blank != std::string_view::npos) {
    second = TrimSpaces(text.substr(blank));
    if (second.find(' ') != std::string_view::npos) return std::nullopt;
  }
  bool hasDate = false;
  bool hasTime = false;
  c = {1899, 12, 30, 0, 0, 0};
  for (std::string_view part : {first, second}) {
    if (part.empty()) continue;
    if (part.find(':') != std::string_view::npos) {
      if (hasTime || !ParseTime(part, c.hour, c.minute, c.second)) return std::nullopt;
      hasTime = true;
    } else {
      if (hasDate || hasTime || !ParseDate(part, order, c.year, c.month, c.day))
        return std::nullopt;
      hasDate = true;
    }
  }
  if (!hasDate && !hasTime) return std::nullopt;
  return ToLocalSeconds(c);
}

std::optional<LocalSeconds> ParseCanonicalDateTime(std::string_view text) noexcept {
  CivilDateTime c{};
  if (!ParseCanonical(text, c)) return std::nullopt;
  return ToLocalSeconds(c);
}

bool IsWritableTime(LocalSeconds seconds) noexcept {
  return seconds >= kMinWritable && seconds <= kMaxWritable;
}

bool IsTimeOfDay(LocalSeconds seconds) noexcept {
  const LocalSeconds zeroDate = ZeroDate();
  return seconds >= zeroDate && seconds < zeroDate + kSecondsPerDay;
}

bool ShiftByHours(LocalSeconds& seconds, double hours) noexcept {
  const double shift = std::round(hours * 3600.0);
  if (!std::isfinite(shift) || std::fabs(shift) > 4.0e11) return false;  // beyond any writable year
  if (IsTimeOfDay(seconds)) {
    const LocalSeconds intoDay = seconds - ZeroDate() + static_cast<LocalSeconds>(shift);
    seconds = ZeroDate() + (intoDay % kSecondsPerDay + kSecondsPerDay) % kSecondsPerDay;
    return true;
  }
  const LocalSeconds shifted = seconds + static_cast<LocalSeconds>(shift);
  if (!IsWritableTime(shifted)) return false;
  seconds = shifted;
  return true;
}

LocalSeconds SecondsBetween(LocalSeconds a, LocalSeconds b) noexcept {
  const bool aOfDay = IsTimeOfDay(a);
  const bool bOfDay = IsTimeOfDay(b);
  if (aOfDay != bOfDay) return 0;
  const LocalSeconds between = a > b ? a - b : b - a;
  if (aOfDay && between > kSecondsPerDay / 2) return kSecondsPerDay - between;
  return between;
}

double SecondsBetween(LocalSeconds a, int aHundredths, LocalSeconds b, int bHundredths) noexcept {
  if (aHundredths == 0 && bHundredths == 0) return static_cast<double>(SecondsBetween(a, b));
  const bool aOfDay = IsTimeOfDay(a);
  if (aOfDay != IsTimeOfDay(b)) return 0;
  constexpr std::int64_t kPerSecond = 100;
  const std::int64_t from = a * kPerSecond + aHundredths;
  const std::int64_t to = b * kPerSecond + bHundredths;
  std::int64_t between = from > to ? from - to : to - from;
  if (aOfDay && between > kSecondsPerDay * kPerSecond / 2) {
    between = kSecondsPerDay * kPerSecond - between;
  }
  return RoundToGeneral(static_cast<double>(between) / kPerSecond);
}

char* PutDateTime(char* p, LocalSeconds seconds) noexcept {
  const CivilDateTime c = ToCivil(seconds);
  if (IsTimeOfDay(seconds)) return PutHms(p, c, false);
  p = PutYmd(p, c);
  *p++ = ' ';
  return PutHms(p, c, false);
}

char* PutGeneralDateTime(char* p, LocalSeconds seconds) noexcept {
  const CivilDateTime c = ToCivil(seconds);
  const bool zeroDate = c.year == 1899 && c.month == 12 && c.day == 30;
  const bool midnight = c.hour == 0 && c.minute == 0 && c.second == 0;
  if (zeroDate) return PutHms(p, c, true);
  p = PutYmd(p, c);
  if (!midnight) {
    *p++ = ' ';
    p = PutHms(p, c, true);
  }
  return p;
}

char* RecentDateTime::PutIn(char* p, LocalSeconds seconds, bool general) noexcept {
  constexpr LocalSeconds kSecondsPerMinute = 60;
  const LocalSeconds second = seconds % kSecondsPerMinute;
  const LocalSeconds minute = seconds - second;
  if (minute == minute_ && general == general_) {
    std::memcpy(p, text_.data(), kDateTimeRoom);
    PutDigitPair(p + size_ - 2, static_cast<std::uint32_t>(second));
    return p + size_;
  }
  char* const end = general ? PutGeneralDateTime(p, seconds) : PutDateTime(p, seconds);
  // Every text kept ends in the two digits of its seconds; the general
  // form of the first minute of a day does not (midnight is the date alone).
  const bool keep = seconds >= 0 && !(general && minute % kSecondsPerDay == 0);
  minute_ = keep ? minute : kNone;
  general_ = general;
  size_ = static_cast<std::size_t>(end - p);
  std::memcpy(text_.data(), p, kDateTimeRoom);
  return end;
}

void AppendDateTime(std::string& out, LocalSeconds seconds) {
  DateTimeText text;  // written before it is read
  AppendText(out, text, PutDateTime(text.data(), seconds));
}

void AppendGeneralDateTime(std::string& out, LocalSeconds seconds) {
  DateTimeText text;  // written before it is read
  AppendText(out, text, PutGeneralDateTime(text.data(), seconds));
}

void AppendMonthDayYear(std::string& out, LocalSeconds seconds) {
  const CivilDateTime c = ToCivil(seconds);
  DateTimeText text;  // written before it is read
  char* p = PutTwo(text.data(), c.month);
  *p++ = '/';
  p = PutTwo(p, c.day);
  *p++ = '/';
  AppendText(out, text, PutYear(p, c.year));
}

void AppendTimeOfDay(std::string& out, LocalSeconds seconds) {
  DateTimeText text;  // written before it is read
  AppendText(out, text, PutHms(text.data(), ToCivil(seconds), false));
}

}  // namespace vc::text
