#include "formats/xml/xml_text.hpp"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "text/digit_pairs.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::xml {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// `count` digits at `at`, as a number; -1 when they are not all digits.
int DigitsAt(std::string_view text, std::size_t at, std::size_t count) {
  if (at + count > text.size()) return -1;
  int value = 0;
  for (std::size_t i = at; i < at + count; ++i) {
    if (!IsDigit(text[i])) return -1;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// Two digits at `p` as a number; -1 when they are not both digits.
int TwoDigitsAt(const char* p) {
  const unsigned tens = static_cast<unsigned char>(p[0]) - unsigned{'0'};
  const unsigned ones = static_cast<unsigned char>(p[1]) - unsigned{'0'};
  return tens <= 9 && ones <= 9 ? static_cast<int>(tens * 10 + ones) : -1;
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// The characters that XML cannot take as they are: markup, quotes, and the
// control characters other than TAB, LF and CR.
bool NeedsEscape(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (u < 0x20) return c != '\t' && c != '\n' && c != '\r';
  return c == '&' || c == '<' || c == '>' || c == '"' || c == '\'';
}

std::string_view EscapeOf(char c) {
  switch (c) {
    case '&':
      return "&amp;";
    case '<':
      return "&lt;";
    case '>':
      return "&gt;";
    case '"':
      return "&quot;";
    case '\'':
      return "&apos;";
    default:
      return "?";
  }
}

// The old way round for what the short forms leave out: the pattern's text,
// then its trailing zeros dropped.
void AppendLongDecimal(std::string& out, double value, int decimals) {
  const std::size_t start = out.size();
  text::AppendPattern(out, value, text::NumberPattern{1, decimals});
  if (decimals == 0) return;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  if (out.compare(start, std::string::npos, "-0") == 0) out.erase(start, 1);
}

// Years beyond four digits: the patterns write every digit.
void AppendLongUtcDateTime(std::string& out, const text::CivilDateTime& c) {
  const auto put = [&out](int value, text::NumberPattern pattern) {
    text::AppendPattern(out, value, pattern);
  };
  put(c.year, text::kPattern0000);
  out += '-';
  put(c.month, text::kPattern00);
  out += '-';
  put(c.day, text::kPattern00);
  out += 'T';
  put(c.hour, text::kPattern00);
  out += ':';
  put(c.minute, text::kPattern00);
  out += ':';
  put(c.second, text::kPattern00);
  out += 'Z';
}

// The pattern's units of the nine decimals or fewer of a coordinate or a
// speed, written without their trailing zeros: no pattern text to trim.
// Nullptr when the units are not decided by the product alone.
char* PutDecidedDecimal(char* p, double value, int decimals) noexcept {
  constexpr std::array<std::uint32_t, 10> kUnitsPerOne = {
      1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};
  const auto perOne = kUnitsPerOne[static_cast<std::size_t>(decimals)];
  std::uint64_t units = 0;
  if (!text::NearPatternUnits(std::fabs(value) * perOne, units)) return nullptr;
  const std::uint64_t whole = units / perOne;
  auto fraction = static_cast<std::uint32_t>(units % perOne);
  int count = fraction == 0 ? 0 : decimals;
  while (count > 0 && fraction % 10 == 0) {
    fraction /= 10;
    --count;
  }
  // Made backwards, then moved in one fixed-size copy: at most a sign,
  // twelve digits, a point and nine decimals.
  constexpr std::size_t kCopy = 32;
  std::array<char, 2 * kCopy> scratch;  // written before it is read
  char* const end = scratch.data() + kCopy;
  char* begin = end;
  if (count > 0) {
    begin = text::PutLowDigitsBefore(begin, fraction, count);
    *--begin = '.';
  }
  begin = text::PutWideNumberBefore(begin, whole);
  if (value < 0 && units != 0) *--begin = '-';
  std::memcpy(p, begin, kCopy);
  return p + (end - begin);
}

// "yyyy-mm-ddThh:nn:ssZ" of a year from 0 to 9999, at `at`.
void PutUtcDateTime(char* at, const text::CivilDateTime& c) noexcept {
  const auto pair = [](char* p, int value) {
    text::PutDigitPair(p, static_cast<std::uint32_t>(value));
  };
  pair(at, c.year / 100);
  pair(at + 2, c.year % 100);
  at[4] = '-';
  pair(at + 5, c.month);
  at[7] = '-';
  pair(at + 8, c.day);
  at[10] = 'T';
  pair(at + 11, c.hour);
  at[13] = ':';
  pair(at + 14, c.minute);
  at[16] = ':';
  pair(at + 17, c.second);
  at[19] = 'Z';
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text) {
  // Runs of plain characters go in whole: names and annotations seldom
  // hold anything to escape.
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (!NeedsEscape(text[i])) continue;
    out.append(text.data() + runStart, i - runStart);
    out += EscapeOf(text[i]);
    runStart = i + 1;
  }
  out.append(text.data() + runStart, text.size() - runStart);
}

char* PutDecimal(char* p, double value, int decimals) noexcept {
  if (!std::isfinite(value)) value = 0;
  constexpr int kMostDecided = 9;
  if (decimals > 0 && decimals <= kMostDecided) {
    if (char* const end = PutDecidedDecimal(p, value, decimals)) return end;
  }
  char* end = text::PutShortPattern(p, value, text::NumberPattern{1, decimals});
  if (end == nullptr || decimals == 0) return end;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  // A negative value that rounds to zero written with decimals: "-0".
  if (end - p == 2 && p[0] == '-' && p[1] == '0') {
    p[0] = '0';
    return p + 1;
  }
  return end;
}

void AppendDecimal(std::string& out, double value, int decimals) {
  char digits[text::kShortNumberRoom];
  if (const char* end = PutDecimal(digits, value, decimals)) {
    out.append(digits, static_cast<std::size_t>(end - digits));
    return;
  }
  AppendLongDecimal(out, std::isfinite(value) ? value : 0, decimals);
}

void AppendUtcDateTime(std::string& out, text::LocalSeconds utc) {
  const text::CivilDateTime c = text::ToCivil(utc);
  if (c.year < 0 || c.year > 9999) {
    AppendLongUtcDateTime(out, c);
    return;
  }
  std::array<char, kUtcDateTimeSize> at;  // written before it is read
  PutUtcDateTime(at.data(), c);
  out.append(at.data(), kUtcDateTimeSize);
}

char* RecentUtcDateTime::Put(char* p, text::LocalSeconds utc) noexcept {
  constexpr text::LocalSeconds kSecondsPerMinute = 60;
  // "yyyy-mm-ddThh:nn:ssZ": the seconds are the two digits before the Z.
  constexpr std::size_t kSecondsAt = 17;
  const text::LocalSeconds second = utc % kSecondsPerMinute;
  const text::LocalSeconds minute = utc - second;
  if (minute != minute_) {
    const text::CivilDateTime c = text::ToCivil(utc);
    if (c.year < 0 || c.year > 9999) {
      minute_ = kNone;
      return nullptr;
    }
    PutUtcDateTime(text_.data(), c);
    minute_ = utc >= 0 ? minute : kNone;
  } else {
    text::PutDigitPair(text_.data() + kSecondsAt, static_cast<std::uint32_t>(second));
  }
  std::memcpy(p, text_.data(), kUtcDateTimeSize);
  return p + kUtcDateTimeSize;
}

void RecentUtcDateTime::Append(std::string& out, text::LocalSeconds utc) {
  std::array<char, kUtcDateTimeSize> at;  // written before it is read
  if (const char* const end = Put(at.data(), utc)) {
    out.append(at.data(), static_cast<std::size_t>(end - at.data()));
  } else {
    AppendUtcDateTime(out, utc);
  }
}

namespace {

// The seconds at the start of the day "yyyy-mm-dd" at `p`; nullopt when it
// is no day of the calendar.
std::optional<text::LocalSeconds> DayStartAt(const char* p) {
  const int century = TwoDigitsAt(p);
  const int yearOfCentury = TwoDigitsAt(p + 2);
  const int year = century < 0 || yearOfCentury < 0 ? -1 : century * 100 + yearOfCentury;
  const int month = TwoDigitsAt(p + 5);
  const int day = TwoDigitsAt(p + 8);
  if (year < 1 || month < 1 || month > 12 || day < 1 || p[4] != '-' || p[7] != '-' ||
      day > DaysInMonth(year, month)) {
    return std::nullopt;
  }
  return text::ToLocalSeconds({year, month, day, 0, 0, 0});
}

}  // namespace

bool ParseUtcDateTime(std::string_view text, text::LocalSeconds& utc) {
  UtcDay day;
  return ParseUtcDateTime(text, utc, day);
}

bool ParseUtcDateTime(std::string_view text, text::LocalSeconds& utc, UtcDay& day) {
  // Times are read for every track point: the text is trimmed only when it
  // has blanks at its ends.
  const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
  if (text.empty() || isBlank(text.front()) || isBlank(text.back())) text = text::TrimBlanks(text);
  // yyyy-mm-ddThh:mm:ss
  constexpr std::size_t kShortest = 19;
  if (text.size() < kShortest) return false;
  const char* const p = text.data();
  if (!day.known || std::memcmp(p, day.date.data(), day.date.size()) != 0) {
    const std::optional<text::LocalSeconds> start = DayStartAt(p);
    if (!start) return false;
    std::memcpy(day.date.data(), p, day.date.size());
    day.start = *start;
    day.known = true;
  }
  const int hour = TwoDigitsAt(p + 11);
  const int minute = TwoDigitsAt(p + 14);
  const int second = TwoDigitsAt(p + 17);
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60 ||
      (text[10] != 'T' && text[10] != 't' && text[10] != ' ') || text[13] != ':' ||
      text[16] != ':') {
    return false;
  }
  std::size_t at = 19;
  if (at < text.size() && text[at] == '.') {
    ++at;
    while (at < text.size() && IsDigit(text[at])) ++at;
  }
  text::LocalSeconds offset = 0;
  const std::string_view zone = text.substr(at);
  if (zone == "Z" || zone == "z" || zone.empty()) {
    offset = 0;
  } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
    const int hours = DigitsAt(zone, 1, 2);
    const int minutes = DigitsAt(zone, 4, 2);
    if (hours < 0 || minutes < 0 || hours > 14 || minutes > 59) return false;
    offset = (hours * 3600 + minutes * 60) * (zone[0] == '-' ? -1 : 1);
  } else {
    return false;
  }
  utc = day.start + hour * 3600 + minute * 60 + second - offset;
  return text::IsWritableTime(utc);
}

}  // namespace vc::xml
