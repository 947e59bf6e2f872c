// Numbers as texts.
//
// Every record field is a text. Where a number is needed, a text is read by
// its leading numeric value; a computed number is stored back in the general
// number form. Output annotations use small digit patterns ("0.00", "000").
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "text/digit_pairs.hpp"

namespace vc::text {

// The longest prefix that reads as a decimal number after leading spaces and
// TABs: an optional sign, digits, an optional point and digits. No exponent.
// 0 when there is none, so "", "-" and "abc" read as 0; "12.3abc" is 12.3.
double LeadingValue(std::string_view text) noexcept;

// RoundToGeneral(LeadingValue(text)), the value of a field read into the
// general form: the rounding is left out where the number has at most 15
// digits, whose value is already what its general text reads back as.
double LeadingGeneralValue(std::string_view text) noexcept;

// RoundToGeneral(LeadingValue(text) / 100), as a receiver's ddmm.mmmm is
// turned into degrees and minutes: one division for a plain decimal.
double LeadingGeneralHundredth(std::string_view text) noexcept;

// True when the text, without the spaces around it, is a decimal number and
// nothing else ("+5.5", "-12", "3."): what LeadingValue reads is all of it.
bool IsNumberText(std::string_view text) noexcept;
// LeadingValue(text) when IsNumberText(text), nullopt otherwise: a field
// that must be a number, looked at once.
std::optional<double> NumberTextValue(std::string_view text) noexcept;
// That value as its general text reads back (RoundToGeneral, no "-0"): a
// number field stored as a number, the rounding left out where the text has
// at most fifteen digits.
std::optional<double> GeneralNumberTextValue(std::string_view text) noexcept;

// The value of `text` when the text is exactly the general text of that
// value ("0", "-12.5", "70.4000000000001": a plain decimal of at most 15
// significant digits without a superfluous zero, point or sign), so that
// the value can stand for the text; nullopt otherwise. Texts longer than 40
// bytes are not looked at. Read in the one pass that checks the form, eight
// digits at a time after the point.
std::optional<double> GeneralTextValue(std::string_view text) noexcept;

// The general number form: plain decimal with up to 15 significant digits,
// a point as separator, no exponent, no grouping, trailing zeros and a
// trailing point removed, "-0" written "0". Non-finite values are written "0".
void AppendGeneral(std::string& out, double value);
std::string General(double value);

// The value that the general form of `value` reads back as. Storing this
// instead of the raw result keeps later arithmetic on "the stored text".
double RoundToGeneral(double value);

// A digit pattern such as "0.00" or "000": at least `minIntegerDigits` digits
// before the point (zero-padded), exactly `decimals` after it.
struct NumberPattern {
  int minIntegerDigits;
  int decimals;
};
inline constexpr NumberPattern kPattern0{1, 0};
inline constexpr NumberPattern kPattern0_0{1, 1};
inline constexpr NumberPattern kPattern0_00{1, 2};
inline constexpr NumberPattern kPattern00{2, 0};
inline constexpr NumberPattern kPattern000{3, 0};
inline constexpr NumberPattern kPattern0000{4, 0};
inline constexpr NumberPattern kPattern00000{5, 0};
inline constexpr NumberPattern kPattern00_0{2, 1};

// Writes `value` with a pattern: the value is first taken to 15 significant
// digits, then rounded at the pattern's last digit, halves away from zero
// (1234.4999999999998 with "0000" gives 1235). A result that rounds to zero
// has no minus sign.
void AppendPattern(std::string& out, double value, NumberPattern pattern);
std::string FormatPattern(double value, NumberPattern pattern);

// The same texts written into a caller's buffer, for writers that build a
// field of several numbers and append it once. Each writes at most
// kShortNumberRoom bytes at `p` (scratch beyond the text included) and
// returns the end of the text, or nullptr, with `p` unused, when the value
// has no short form: a magnitude below 10^-8 or (general form) from 10^15,
// more than 18 decimals or 20 integer digits, or the rare value whose
// fifteen digits need an exact conversion. Append then writes it.
inline constexpr std::size_t kShortNumberRoom = 48;
char* PutShortGeneral(char* p, double value) noexcept;
char* PutShortPattern(char* p, double value, NumberPattern pattern) noexcept;
// The number a pattern with `decimals` decimals writes for |value|, in units
// of its last decimal (52.25 with one decimal is 523); false when
// PutShortPattern would refuse the value.
bool ShortPatternUnits(double value, int decimals, std::uint64_t& units) noexcept;

// A pattern rounds the fifteen significant digits of |value|, which lie
// within 0.5 x 10^-14 of it relative, and the double product
// p = |value| x 10^decimals lies within 2^-53 of the exact one: the
// digits' product differs from p by less than 5.2 x 10^-15 p. So unless
// p's fraction lies within 10^-14 p of one half, p alone decides the
// rounding at the last decimal, without the digits. Below 10^12 that doubt
// stays under 0.01. False for p near a half, from 10^12 or not a number,
// which the digits decide (PutShortPattern).
[[gnu::always_inline]] inline bool NearPatternUnits(double product, std::uint64_t& units) noexcept {
  constexpr double kLargestProduct = 1e12;
  constexpr double kRelativeDoubt = 1e-14;
  if (!(product < kLargestProduct)) return false;
  const auto whole = static_cast<std::uint64_t>(static_cast<std::int64_t>(product));
  const double fraction = product - static_cast<double>(whole);
  const double doubt = product * kRelativeDoubt;
  if (fraction < 0.5 - doubt) {
    units = whole;
  } else if (fraction > 0.5 + doubt) {
    units = whole + 1;
  } else {
    return false;
  }
  return true;
}

// PutShortPattern with the pattern "0", "0.0" or "0.00" (`Decimals` 0, 1
// or 2), for the annotations of a million track points: a value below
// 2^32 units that NearPatternUnits decides is written here in a few dozen
// instructions, any other by PutShortPattern, which may refuse it (nullptr).
template <int Decimals>
char* PutSmallPattern(char* p, double value) noexcept {
  static_assert(Decimals >= 0 && Decimals <= 2);
  constexpr double kScale = Decimals == 0 ? 1 : Decimals == 1 ? 10 : 100;
  std::uint64_t wide = 0;
  if (!NearPatternUnits((value < 0 ? -value : value) * kScale, wide) || wide > UINT32_MAX) {
    return PutShortPattern(p, value, NumberPattern{1, Decimals});
  }
  const auto units = static_cast<std::uint32_t>(wide);
  if (value < 0 && units != 0) *p++ = '-';
  if constexpr (Decimals == 2) {
    p = PutNumber(p, units / 100);
    *p = '.';
    PutDigitPair(p + 1, units % 100);
    return p + 3;
  } else if constexpr (Decimals == 1) {
    p = PutNumber(p, units / 10);
    p[0] = '.';
    p[1] = static_cast<char>('0' + units % 10);
    return p + 2;
  } else {
    return PutNumber(p, units);
  }
}

// Nearest whole number, halves to the even neighbour (2.5 -> 2, 3.5 -> 4),
// clamped to the range of int64.
std::int64_t RoundHalfEven(double value) noexcept;

// A count taken from a text: the leading numeric value rounded half to even.
// Negative counts are 0 (a loop over "points 1 to n" then runs no time).
std::int64_t CountOf(std::string_view text) noexcept;

}  // namespace vc::text
