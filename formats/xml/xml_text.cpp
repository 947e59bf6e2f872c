#include "formats/xml/xml_text.hpp"

#include <cmath>

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

}  // namespace

void AppendEscaped(std::string& out, std::string_view text) {
  for (const char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&apos;";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r') {
          out += '?';
        } else {
          out += c;
        }
    }
  }
}

void AppendDecimal(std::string& out, double value, int decimals) {
  if (!std::isfinite(value)) value = 0;
  const std::size_t start = out.size();
  text::AppendPattern(out, value, text::NumberPattern{1, decimals});
  if (decimals == 0) return;
  while (out.back() == '0') out.pop_back();
  if (out.back() == '.') out.pop_back();
  if (out.compare(start, std::string::npos, "-0") == 0) out.erase(start, 1);
}

void AppendUtcDateTime(std::string& out, text::LocalSeconds utc) {
  const text::CivilDateTime c = text::ToCivil(utc);
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

bool ParseUtcDateTime(std::string_view text, text::LocalSeconds& utc) {
  text = text::TrimBlanks(text);
  // yyyy-mm-ddThh:mm:ss
  const int year = DigitsAt(text, 0, 4);
  const int month = DigitsAt(text, 5, 2);
  const int day = DigitsAt(text, 8, 2);
  const int hour = DigitsAt(text, 11, 2);
  const int minute = DigitsAt(text, 14, 2);
  const int second = DigitsAt(text, 17, 2);
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 60 || text[4] != '-' || text[7] != '-' ||
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
  // A day past the month's end is refused by the calendar.
  const text::CivilDateTime civil{year, month, day, hour, minute, 0};
  const text::LocalSeconds midnightAndMinutes = text::ToLocalSeconds(civil);
  if (text::ToCivil(midnightAndMinutes).day != day) return false;
  utc = midnightAndMinutes + second - offset;
  return text::IsWritableTime(utc);
}

}  // namespace vc::xml
