#include "text/numbers.hpp"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace vc::text {
namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }

// The span of the leading decimal number (sign, digits, point, digits) after
// blanks; empty when the text does not start with one.
std::string_view LeadingNumberSpan(std::string_view text) noexcept {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    std::size_t j = i + 1;
    std::size_t fraction = 0;
    while (j < text.size() && IsDigit(text[j])) ++j, ++fraction;
    if (digits + fraction > 0) i = j;
    digits += fraction;
  }
  if (digits == 0) return {};
  return text.substr(start, i - start);
}

// Fifteen significant digits of |value| and the decimal exponent of the first
// one: |value| = 0.d1d2...d15 * 10^(exponent + 1).
struct Digits15 {
  std::array<char, 15> d;
  int exponent;
};

Digits15 SignificantDigits(double magnitude) noexcept {
  std::array<char, 40> buf{};
  // "d.dddddddddddddde+XX": correctly rounded to 15 significant digits.
  auto result = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                              std::chars_format::scientific, 14);
  Digits15 out{};
  out.d[0] = buf[0];
  for (int k = 1; k < 15; ++k) out.d[static_cast<std::size_t>(k)] = buf[static_cast<std::size_t>(k + 1)];
  const char* e = buf.data() + 17;  // after 'e'
  int exponent = 0;
  std::from_chars(*e == '+' ? e + 1 : e, result.ptr, exponent);
  out.exponent = exponent;
  return out;
}

}  // namespace

double LeadingValue(std::string_view text) noexcept {
  std::string_view span = LeadingNumberSpan(text);
  if (span.empty()) return 0;
  bool negative = false;
  if (span.front() == '+' || span.front() == '-') {
    negative = span.front() == '-';
    span.remove_prefix(1);
  }
  double value = 0;
  auto [ptr, ec] = std::from_chars(span.data(), span.data() + span.size(), value,
                                   std::chars_format::fixed);
  if (ec != std::errc{}) return 0;  // beyond the range of a double
  return negative ? -value : value;
}

bool HasLeadingNumber(std::string_view text) noexcept { return !LeadingNumberSpan(text).empty(); }

void AppendGeneral(std::string& out, double value) {
  if (!std::isfinite(value) || value == 0) {
    out.push_back('0');
    return;
  }
  const Digits15 digits = SignificantDigits(std::fabs(value));
  int count = 15;
  while (count > 1 && digits.d[static_cast<std::size_t>(count - 1)] == '0') --count;
  if (value < 0) out.push_back('-');
  const int e = digits.exponent;
  auto digit = [&](int k) { return digits.d[static_cast<std::size_t>(k)]; };
  if (e >= 0) {
    for (int k = 0; k <= e; ++k) out.push_back(k < count ? digit(k) : '0');
    if (count > e + 1) {
      out.push_back('.');
      for (int k = e + 1; k < count; ++k) out.push_back(digit(k));
    }
  } else {
    out.append("0.");
    out.append(static_cast<std::size_t>(-e - 1), '0');
    for (int k = 0; k < count; ++k) out.push_back(digit(k));
  }
}

std::string General(double value) {
  std::string out;
  AppendGeneral(out, value);
  return out;
}

double RoundToGeneral(double value) {
  if (!std::isfinite(value) || value == 0) return 0;
  std::array<char, 40> buf{};
  auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                              std::chars_format::scientific, 14);
  double rounded = 0;
  std::from_chars(buf.data(), result.ptr, rounded);
  return rounded;
}

void AppendPattern(std::string& out, double value, NumberPattern pattern) {
  if (!std::isfinite(value)) value = 0;
  const int decimals = pattern.decimals;
  // `scaled` becomes the digits of round(|value| * 10^decimals), no sign.
  std::string scaled;
  if (value != 0) {
    const Digits15 digits = SignificantDigits(std::fabs(value));
    const int keep = digits.exponent + 1 + decimals;  // digits at or above the last place
    if (keep <= 0) {
      scaled = (keep == 0 && digits.d[0] >= '5') ? "1" : "0";
    } else if (keep >= 15) {
      scaled.assign(digits.d.data(), 15);
      scaled.append(static_cast<std::size_t>(keep - 15), '0');
    } else {
      scaled.assign(digits.d.data(), static_cast<std::size_t>(keep));
      if (digits.d[static_cast<std::size_t>(keep)] >= '5') {  // halves away from zero
        std::size_t k = scaled.size();
        while (k > 0 && scaled[k - 1] == '9') scaled[--k] = '0';
        if (k == 0) {
          scaled.insert(scaled.begin(), '1');
        } else {
          ++scaled[k - 1];
        }
      }
    }
  } else {
    scaled = "0";
  }
  const bool isZero = scaled.find_first_not_of('0') == std::string::npos;
  // At least one integer digit plus the decimals.
  const std::size_t minDigits = static_cast<std::size_t>(decimals) + 1;
  if (scaled.size() < minDigits) scaled.insert(0, minDigits - scaled.size(), '0');
  const std::size_t integerDigits = scaled.size() - static_cast<std::size_t>(decimals);
  if (value < 0 && !isZero) out.push_back('-');
  if (integerDigits < static_cast<std::size_t>(pattern.minIntegerDigits)) {
    out.append(static_cast<std::size_t>(pattern.minIntegerDigits) - integerDigits, '0');
  }
  out.append(scaled, 0, integerDigits);
  if (decimals > 0) {
    out.push_back('.');
    out.append(scaled, integerDigits, std::string::npos);
  }
}

std::string FormatPattern(double value, NumberPattern pattern) {
  std::string out;
  AppendPattern(out, value, pattern);
  return out;
}

std::int64_t RoundHalfEven(double value) noexcept {
  if (std::isnan(value)) return 0;
  constexpr double kLimit = 9.2e18;  // inside the range of int64
  if (value >= kLimit) return static_cast<std::int64_t>(kLimit);
  if (value <= -kLimit) return -static_cast<std::int64_t>(kLimit);
  const double lower = std::floor(value);
  const double fraction = value - lower;
  auto whole = static_cast<std::int64_t>(lower);
  if (fraction > 0.5 || (fraction == 0.5 && whole % 2 != 0)) ++whole;
  return whole;
}

std::int64_t CountOf(std::string_view text) noexcept {
  const std::int64_t count = RoundHalfEven(LeadingValue(text));
  return count < 0 ? 0 : count;
}

}  // namespace vc::text
