#include "text/numbers.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "text/digit_pairs.hpp"
#include "text/strings.hpp"

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
  bool exact;  // the double is exactly what the fifteen digits read back as
};

// The digits and exponent of a scientific text "d.ddde+XX" (or "de+XX").
int ScientificParts(const char* begin, const char* end, std::array<char, 17>& digits,
                    int& exponent) noexcept {
  int count = 0;
  const char* p = begin;
  for (; p < end && *p != 'e'; ++p) {
    if (*p != '.') digits[static_cast<std::size_t>(count++)] = *p;
  }
  exponent = 0;
  if (p < end) ++p;  // 'e'
  if (p < end && *p == '+') ++p;
  std::from_chars(p, end, exponent);
  return count;
}

// Correct rounding to 15 digits through the printf-style conversion: exact,
// but a hundred times slower than the shortest form below.
Digits15 SignificantDigitsExact(double magnitude) noexcept {
  std::array<char, 40> buf{};
  auto result = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                              std::chars_format::scientific, 14);
  std::array<char, 17> digits{};
  Digits15 out{};
  ScientificParts(buf.data(), result.ptr, digits, out.exponent);
  std::copy_n(digits.begin(), 15, out.d.begin());
  return out;
}

// Powers of ten that a double holds exactly.
constexpr std::array<double, 23> kExactPowersOfTen = {
    1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
    1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Powers of ten as whole numbers, up to the largest below 2^64.
constexpr std::array<std::uint64_t, 20> kWholePowersOfTen = [] {
  std::array<std::uint64_t, 20> table{};
  std::uint64_t power = 1;
  for (auto& entry : table) {
    entry = power;
    power *= 10;
  }
  return table;
}();

// Most values are found without any text: |value| scaled by an exact power
// of ten to fifteen digits before the point is the exact product rounded to
// a multiple of its unit in the last place (at most 1/8 below 2^50), off by
// at most half that unit. A fraction other than one half is then at least a
// whole unit away from one half, so the exact product lies on the same side
// of it and rounds to the same whole number. A fraction of exactly one half
// is decided by the sign of the product's rounding error, which a fused
// multiply-add gives exactly (a library without a fused one gives 0 or the
// right sign, as rounding is monotonic). Only an exact half, a tie of the
// decimal itself, goes the slow way. False then, or when the value is out of
// reach.
// The exact product (or quotient) minus the rounded one, in sign: above the
// half when the exact value exceeds the rounded. Rarely needed, so kept out
// of line, away from the registers of the common way.
[[gnu::noinline]] double ScalingError(double magnitude, double scale, double scaled,
                                      bool multiplied) noexcept {
  return multiplied ? std::fma(magnitude, scale, -scaled) : std::fma(-scaled, scale, magnitude);
}

// Powers of ten from 10^-9 to 10^37, the last within the doubles' own
// rounding: where the magnitude lies against them decides the decimal
// exponent without a second scaling. Only the exact ones (10^0 to 10^22)
// decide exactly; a magnitude within a unit in the last place of another
// scales outside [10^14, 10^15), which the caller then finds.
constexpr int kLowestBound = -9;
constexpr std::array<double, 47> kPowerBounds = {
    1e-9, 1e-8, 1e-7, 1e-6, 1e-5, 1e-4, 1e-3, 1e-2, 1e-1, 1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
    1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22,
    1e23, 1e24, 1e25, 1e26, 1e27, 1e28, 1e29, 1e30, 1e31, 1e32, 1e33, 1e34, 1e35, 1e36, 1e37};

[[gnu::always_inline]] inline bool FastScaledDigits(double magnitude, std::uint64_t& digits,
                                                    int& exponent) noexcept {
  constexpr double kLow = 1e14;
  constexpr double kHigh = 1e15;
  constexpr int kMaxPower = static_cast<int>(kExactPowersOfTen.size()) - 1;
  if (!(magnitude >= 1e-8 && magnitude < 1e36)) return false;
  // floor(log10(2) * binary exponent) is the decimal exponent of the
  // magnitude or one less; one more when the magnitude reaches the next
  // power. A comparison rather than a branch on a second scaling: which of
  // the two it is follows no pattern the processor could learn.
  const auto binaryExponent =
      static_cast<int>(std::bit_cast<std::uint64_t>(magnitude) >> 52) - 1023;
  exponent = (binaryExponent * 78913) >> 18;
  exponent += static_cast<int>(magnitude >=
                               kPowerBounds[static_cast<std::size_t>(exponent + 1 - kLowestBound)]);
  const int power = 14 - exponent;
  if (power > kMaxPower || power < -kMaxPower) return false;
  const double scale = kExactPowersOfTen[static_cast<std::size_t>(power >= 0 ? power : -power)];
  const double scaled = power >= 0 ? magnitude * scale : magnitude / scale;
  if (scaled < kLow || scaled >= kHigh) [[unlikely]] {
    return false;
  }
  // Converting the positive value truncates: its floor, without a call.
  // Signed, as the processor converts that way in one instruction.
  const auto whole = static_cast<std::int64_t>(scaled);
  const double fraction = scaled - static_cast<double>(whole);
  if (fraction == 0.5) [[unlikely]] {
    const double error = ScalingError(magnitude, scale, scaled, power >= 0);
    if (error == 0) return false;
    digits = static_cast<std::uint64_t>(whole) + static_cast<std::uint64_t>(error > 0);
  } else {
    // Added, not branched on: above or below the half is a coin toss.
    digits = static_cast<std::uint64_t>(whole) + static_cast<std::uint64_t>(fraction > 0.5);
  }
  if (digits == 1000000000000000ULL) [[unlikely]] {
    digits = 100000000000000ULL;
    ++exponent;
  }
  return true;
}

bool FastSignificantDigits(double magnitude, Digits15& out) noexcept {
  std::uint64_t digits = 0;
  if (!FastScaledDigits(magnitude, digits, out.exponent)) return false;
  // Two halves, so the digits come out of 32-bit divisions, two at a time.
  auto low = static_cast<std::uint32_t>(digits % 100000000);
  auto high = static_cast<std::uint32_t>(digits / 100000000);
  for (std::size_t k = 15; k > 7; k -= 2) {
    PutDigitPair(&out.d[k - 2], low % 100);
    low /= 100;
  }
  for (std::size_t k = 7; k > 1; k -= 2) {
    PutDigitPair(&out.d[k - 2], high % 100);
    high /= 100;
  }
  out.d[0] = static_cast<char>('0' + high);
  out.exact = false;
  return true;
}

// The shortest text that reads back as the double lies within half a unit in
// the last place of the exact value, far less than half a unit of the 15th
// digit. So when it has 15 digits or fewer it is the 15-digit rounding
// itself, and when it has 16 or 17 the rounding can be read off digits 16
// and 17 unless they lie within the doubt of the shortest form (at most 11
// units of the 17th digit) of the half-way point; only then is the exact
// conversion needed.
Digits15 SignificantDigits(double magnitude) noexcept {
  Digits15 fast{};
  if (FastSignificantDigits(magnitude, fast)) return fast;
  std::array<char, 40> buf{};
  auto result =
      std::to_chars(buf.data(), buf.data() + buf.size(), magnitude, std::chars_format::scientific);
  std::array<char, 17> digits{};
  Digits15 out{};
  const int count = ScientificParts(buf.data(), result.ptr, digits, out.exponent);
  if (count <= 15) {
    std::fill(out.d.begin(), out.d.end(), '0');
    std::copy_n(digits.begin(), count, out.d.begin());
    out.exact = true;
    return out;
  }
  const int rest = (digits[15] - '0') * 10 + (count > 16 ? digits[16] - '0' : 0);
  constexpr int kDoubt = 12;
  if (rest > 50 - kDoubt && rest < 50 + kDoubt) return SignificantDigitsExact(magnitude);
  std::copy_n(digits.begin(), 15, out.d.begin());
  if (rest >= 50) {
    int k = 14;
    while (k >= 0 && out.d[static_cast<std::size_t>(k)] == '9')
      out.d[static_cast<std::size_t>(k--)] = '0';
    if (k < 0) {
      out.d[0] = '1';
      ++out.exponent;
    } else {
      ++out.d[static_cast<std::size_t>(k)];
    }
  }
  return out;
}

constexpr int kMaxPatternDecimals = 40;

// The digits of a pattern's value: at most 309 before the point (the largest
// double) and the decimals after it, one more for a carry.
class DigitBuffer {
 public:
  void Append(const char* digits, std::size_t count) noexcept {
    std::copy_n(digits, count, buf_.data() + end_);
    end_ += count;
  }
  void Append(char digit, std::size_t count) noexcept {
    std::fill_n(buf_.data() + end_, count, digit);
    end_ += count;
  }
  // Adds one at the last digit; 999 becomes 1000.
  void RoundUp() noexcept {
    std::size_t k = end_;
    while (k > begin_ && buf_[k - 1] == '9') buf_[--k] = '0';
    if (k == begin_) {
      buf_[--begin_] = '1';
    } else {
      ++buf_[k - 1];
    }
  }
  [[nodiscard]] std::string_view View() const noexcept {
    return {buf_.data() + begin_, end_ - begin_};
  }

 private:
  std::array<char, 400> buf_;  // written before it is read
  std::size_t begin_ = 1;
  std::size_t end_ = 1;
};

// Whole numbers below 10^15 are their own fifteen digits: written straight
// from the integer, as the general form and every pattern write them.
constexpr double kWholeLimit = 1e15;

bool IsSmallWhole(double value) noexcept {
  return std::fabs(value) < kWholeLimit &&
         static_cast<double>(static_cast<std::int64_t>(value)) == value;
}

// The general form from the fifteen digits as text: any finite magnitude.
void AppendGeneralDigits(std::string& out, double value) {
  const Digits15 digits = SignificantDigits(std::fabs(value));
  int count = 15;
  while (count > 1 && digits.d[static_cast<std::size_t>(count - 1)] == '0') --count;
  // At most 309 digits before the point, or "0." and 8 zeros before 15
  // digits: built on the stack and appended at once.
  std::array<char, 340> buf;  // written before it is read
  char* p = buf.data();
  if (value < 0) *p++ = '-';
  const int e = digits.exponent;
  auto digit = [&](int k) { return digits.d[static_cast<std::size_t>(k)]; };
  if (e >= 0) {
    for (int k = 0; k <= e; ++k) *p++ = k < count ? digit(k) : '0';
    if (count > e + 1) {
      *p++ = '.';
      for (int k = e + 1; k < count; ++k) *p++ = digit(k);
    }
  } else if (-e + count + 3 <= static_cast<int>(buf.size())) {
    *p++ = '0';
    *p++ = '.';
    for (int k = 0; k < -e - 1; ++k) *p++ = '0';
    for (int k = 0; k < count; ++k) *p++ = digit(k);
  } else {
    // Tiny values run to hundreds of zeros.
    out.append(buf.data(), static_cast<std::size_t>(p - buf.data()));
    out.append("0.");
    out.append(static_cast<std::size_t>(-e - 1), '0');
    out.append(digits.d.data(), static_cast<std::size_t>(count));
    return;
  }
  out.append(buf.data(), static_cast<std::size_t>(p - buf.data()));
}

// The digits of a fifteen-digit mantissa without its trailing zeros (at
// most fourteen), found in four steps (8, 4, 2, 1) instead of one division
// per zero.
int SignificantCount(std::uint64_t mantissa) noexcept {
  int count = 15;
  if (mantissa % 100000000 == 0) mantissa /= 100000000, count -= 8;
  if (mantissa % 10000 == 0) mantissa /= 10000, count -= 4;
  if (mantissa % 100 == 0) mantissa /= 100, count -= 2;
  if (mantissa % 10 == 0) count -= 1;
  return count;
}

// The general form of mantissa x 10^(exponent - 14), a magnitude from the
// fast digits below 10^15, written at `p`; returns the end. The fifteen
// digits are made at once and moved in fixed-size copies: the bytes copied
// beyond the text's end are never appended.
char* PutGeneral(char* p, std::uint64_t mantissa, int exponent) noexcept {
  constexpr std::uint64_t kEightDigits = 100000000;
  std::array<char, 32> digits{};  // a leading '0', then the fifteen
  PutEightDigits(digits.data(), static_cast<std::uint32_t>(mantissa / kEightDigits));
  PutEightDigits(digits.data() + 8, static_cast<std::uint32_t>(mantissa % kEightDigits));
  const char* const d = digits.data() + 1;
  const int count = SignificantCount(mantissa);
  constexpr std::size_t kCopy = 16;
  if (exponent < 0) {
    // "0.", then -exponent - 1 zeros (at most eight) before the digits.
    std::memcpy(p, "0.00000000000000", kCopy);
    p += 1 - exponent;
    std::memcpy(p, d, kCopy);
    return p + count;
  }
  const int integerDigits = exponent + 1;
  std::memcpy(p, d, kCopy);
  if (count <= integerDigits) return p + integerDigits;
  p += integerDigits;
  *p++ = '.';
  std::memcpy(p, d + integerDigits, kCopy);
  return p + (count - integerDigits);
}

// round(magnitude x 10^decimals) as the patterns round it: taken to fifteen
// significant digits first, then halves away from zero. False when the
// fifteen digits need the slow way or the result would not fit 64 bits.
bool PatternUnits(double magnitude, int decimals, std::uint64_t& units) noexcept {
  constexpr int kMaxUnitDigits = 19;  // below 10^19 < 2^64
  if (decimals >= kMaxUnitDigits) return false;
  const double product = magnitude * kExactPowersOfTen[static_cast<std::size_t>(decimals)];
  if (NearPatternUnits(product, units)) return true;
  const auto unitsPerOne = kWholePowersOfTen[static_cast<std::size_t>(decimals)];
  if (magnitude == 0) {
    units = 0;
    return true;
  }
  if (magnitude < kExactPowersOfTen[static_cast<std::size_t>(kMaxUnitDigits - decimals)] &&
      IsSmallWhole(magnitude)) {
    units = static_cast<std::uint64_t>(magnitude) * unitsPerOne;
    return true;
  }
  std::uint64_t mantissa = 0;
  int exponent = 0;
  if (!FastScaledDigits(magnitude, mantissa, exponent)) return false;
  // magnitude x 10^decimals = mantissa x 10^shift, to fifteen digits.
  const int shift = exponent - 14 + decimals;
  if (shift >= 0) {
    if (exponent + 1 + decimals > kMaxUnitDigits) return false;
    units = mantissa * kWholePowersOfTen[static_cast<std::size_t>(shift)];
  } else if (shift >= -15) {
    const auto dropped = kWholePowersOfTen[static_cast<std::size_t>(-shift)];
    units = mantissa / dropped;
    if (mantissa % dropped >= dropped / 2) ++units;
  } else {
    units = 0;  // below half a unit of the last decimal
  }
  return true;
}

// The most integer digits the short form pads to.
constexpr int kMaxShortIntegerDigits = 20;

// `units` of the pattern's last decimal as the pattern writes them: at least
// `minIntegerDigits` before the point, `decimals` after it, "-" unless the
// result is zero; at most 19 digits and 20 of padding, 41 characters. Made
// backwards from the end of a scratch buffer, then moved to `p` in one
// fixed-size copy.
[[gnu::always_inline]] inline char* PutPatternUnits(char* p, bool negative, std::uint64_t units,
                                                    int decimals, int minIntegerDigits) noexcept {
  std::array<char, 2 * kShortNumberRoom> scratch;  // written before it is read
  char* const end = scratch.data() + kShortNumberRoom;
  const bool isZero = units == 0;
  char* begin = end;
  if (units <= UINT32_MAX) {
    auto narrow = static_cast<std::uint32_t>(units);
    if (decimals > 0) {
      begin = PutLowDigitsBefore(begin, narrow, decimals);
      *--begin = '.';
    }
    units = narrow;
  } else if (decimals > 0) {
    begin = PutLowDigitsBefore(begin, units, decimals);
    *--begin = '.';
  }
  char* const integerEnd = begin;
  begin = PutWideNumberBefore(begin, units);
  while (integerEnd - begin < minIntegerDigits) *--begin = '0';
  if (negative && !isZero) *--begin = '-';
  std::memcpy(p, begin, kShortNumberRoom);
  return p + (end - begin);
}

// A pattern from the fifteen digits as text: any finite value and pattern.
void AppendPatternDigits(std::string& out, double value, int decimals, int minIntegerDigits) {
  // The digits of round(|value| * 10^decimals), no sign.
  DigitBuffer scaled;
  if (value != 0) {
    const Digits15 digits = SignificantDigits(std::fabs(value));
    const int keep = digits.exponent + 1 + decimals;  // digits at or above the last place
    if (keep <= 0) {
      scaled.Append((keep == 0 && digits.d[0] >= '5') ? '1' : '0', 1);
    } else if (keep >= 15) {
      scaled.Append(digits.d.data(), 15);
      scaled.Append('0', static_cast<std::size_t>(keep - 15));
    } else {
      scaled.Append(digits.d.data(), static_cast<std::size_t>(keep));
      if (digits.d[static_cast<std::size_t>(keep)] >= '5')
        scaled.RoundUp();  // halves away from zero
    }
  } else {
    scaled.Append('0', 1);
  }
  const std::string_view text = scaled.View();
  const bool isZero = text.find_first_not_of('0') == std::string_view::npos;
  // At least one integer digit plus the decimals.
  const std::size_t minDigits = static_cast<std::size_t>(decimals) + 1;
  const std::size_t padding = text.size() < minDigits ? minDigits - text.size() : 0;
  const std::size_t integerDigits = padding + text.size() - static_cast<std::size_t>(decimals);
  if (value < 0 && !isZero) out.push_back('-');
  if (integerDigits < static_cast<std::size_t>(minIntegerDigits)) {
    out.append(static_cast<std::size_t>(minIntegerDigits) - integerDigits, '0');
  }
  // The padded digits are `padding` zeros followed by `text`.
  const std::size_t before = integerDigits;
  out.append(padding < before ? padding : before, '0');
  if (before > padding) out.append(text.substr(0, before - padding));
  if (decimals > 0) {
    out.push_back('.');
    const std::size_t zerosAfter = padding > before ? padding - before : 0;
    out.append(zerosAfter, '0');
    out.append(text.substr(before > padding ? before - padding : 0));
  }
}

// The digits of a decimal span (digits and at most one point) from the first
// that is not zero on.
std::ptrdiff_t SignificantDigitCount(std::string_view span) noexcept {
  std::size_t i = 0;
  while (i < span.size() && (span[i] == '0' || span[i] == '.')) ++i;
  std::ptrdiff_t count = 0;
  for (; i < span.size(); ++i) count += span[i] != '.';
  return count;
}

// Too many digits for the exact division: the library reads the number that
// `text` starts with, unsigned. Kept apart so that the short way saves no
// registers for it.
[[gnu::noinline]] double ReadLongNumber(std::string_view text) noexcept {
  const std::string_view span = LeadingNumberSpan(text);
  double value = 0;
  auto [ptr, ec] =
      std::from_chars(span.data(), span.data() + span.size(), value, std::chars_format::fixed);
  if (ec != std::errc{}) return 0;  // beyond the range of a double
  return value;
}

// A field that is a plain decimal and nothing else: an optional minus,
// digits with at most one point among them, at least one digit and at most
// fifteen (leading zeros counted). Such a number is m / 10^k with m below
// 10^15, both exact doubles, and one correctly rounded division is its value:
// what every reading below finds for it, in one short pass. Most fields of a
// log are of this form; anything else goes the general way.
struct PlainDecimal {
  std::uint64_t mantissa = 0;
  std::size_t decimals = 0;
  bool negative = false;
};

constexpr std::size_t kMaxPlainDigits = 15;

static_assert(std::endian::native == std::endian::little,
              "the first character of a text is the lowest byte of the word read from it");

constexpr std::uint64_t kZeroDigits = 0x3030303030303030ULL;
constexpr std::uint64_t kByteTops = 0x8080808080808080ULL;

// The top bit of every byte of `v` (characters xor '0') that is no digit;
// a carry may mark a digit after a byte of 0x8A or more as well, never the
// first byte that is no digit.
constexpr std::uint64_t NonDigitBytes(std::uint64_t v) noexcept {
  return ((v + 0x7676767676767676ULL) | v) & kByteTops;
}

// The number of eight digit values, the first in the lowest byte.
constexpr std::uint64_t EightDigitsValue(std::uint64_t v) noexcept {
  v = v * 10 + (v >> 8);
  return ((v & 0x000000FF000000FFULL) * (100 + (1000000ULL << 32)) +
          ((v >> 16) & 0x000000FF000000FFULL) * (1 + (10000ULL << 32))) >>
         32;
}

constexpr std::array<std::uint64_t, 9> kWholeTens = {1,      10,      100,      1000,     10000,
                                                     100000, 1000000, 10000000, 100000000};

// The plain decimal of eight to sixteen characters with up to eight digits
// on each side of its point, as a receiver writes ddmm.mmmm and
// dddmm.mmmmmm: the digits of both sides taken eight at a time from two
// words. False, with nothing decided, for any other text.
[[gnu::always_inline]] inline bool ReadEightDigitSides(const char* p, std::size_t size,
                                                       std::uint64_t& mantissa,
                                                       std::size_t& decimals) noexcept {
  if (size < 8 || size > kMaxPlainDigits + 1) return false;
  std::uint64_t head = 0;
  std::memcpy(&head, p, sizeof head);
  head ^= kZeroDigits;
  const std::uint64_t headMarks = NonDigitBytes(head);
  if (headMarks == 0) return false;
  const auto point = static_cast<std::size_t>(std::countr_zero(headMarks)) / 8;
  const std::size_t fraction = size - point - 1;
  if (p[point] != '.' || fraction == 0 || fraction > 8) return false;
  std::uint64_t tail = 0;
  std::memcpy(&tail, p + size - 8, sizeof tail);
  tail ^= kZeroDigits;
  const std::uint64_t fractionBytes = ~std::uint64_t{0} << (8 * (8 - fraction));
  if ((NonDigitBytes(tail) & fractionBytes) != 0) return false;
  const std::uint64_t whole = point == 0 ? 0 : EightDigitsValue(head << (8 * (8 - point)));
  mantissa = whole * kWholeTens[fraction] + EightDigitsValue(tail & fractionBytes);
  decimals = fraction;
  return true;
}

[[gnu::always_inline]] inline bool ReadPlainDecimal(std::string_view text,
                                                    PlainDecimal& out) noexcept {
  const char* p = text.data();
  const char* const end = p + text.size();
  out.negative = p < end && *p == '-';
  p += out.negative ? 1 : 0;
  // A sign, fifteen digits and a point at the most.
  if (end - p > static_cast<std::ptrdiff_t>(kMaxPlainDigits) + 1) return false;
  std::size_t digits = static_cast<std::size_t>(end - p);
  std::uint64_t mantissa = 0;
  // The digits before the point, then those after it: two loops that test
  // nothing but the digit.
  for (unsigned digit = 0; p < end && (digit = static_cast<unsigned char>(*p) - 0x30U) < 10; ++p) {
    mantissa = mantissa * 10 + digit;
  }
  std::size_t decimals = 0;
  if (p < end) {
    if (*p != '.') return false;
    const char* const fraction = ++p;
    for (unsigned digit = 0; p < end && (digit = static_cast<unsigned char>(*p) - 0x30U) < 10;
         ++p) {
      mantissa = mantissa * 10 + digit;
    }
    if (p < end) return false;
    decimals = static_cast<std::size_t>(end - fraction);
    --digits;  // the point
  }
  if (digits == 0 || digits > kMaxPlainDigits) return false;
  out.mantissa = mantissa;
  out.decimals = decimals;
  return true;
}

// The value of a plain decimal, scaled down by a further 10^`shift`.
[[gnu::always_inline]] inline double PlainValue(const PlainDecimal& plain,
                                                std::size_t shift = 0) noexcept {
  // Below 10^15: the signed conversion is exact and takes one instruction.
  const double value = static_cast<double>(static_cast<std::int64_t>(plain.mantissa)) /
                       kExactPowersOfTen[plain.decimals + shift];
  return plain.negative ? -value : value;
}

}  // namespace

double LeadingValue(std::string_view text) noexcept {
  if (PlainDecimal plain; ReadPlainDecimal(text, plain)) return PlainValue(plain);
  // One pass reads the common short decimal. Up to 15 significant digits are
  // a whole number below 2^53 divided by an exact power of ten, and one
  // division of two exact doubles is correctly rounded: the value from_chars
  // finds, without its general machinery.
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p < end && !IsDigit(*p)) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  }
  const char* const digitsStart = p;
  // Leading zeros add nothing to the mantissa; they are told apart from
  // significant digits only when there are more than fifteen digits.
  std::uint64_t mantissa = 0;
  for (; p < end && IsDigit(*p); ++p) {
    mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
  }
  auto digits = p - digitsStart;
  std::ptrdiff_t decimals = 0;
  if (p < end && *p == '.') {
    const char* const fractionStart = ++p;
    for (; p < end && IsDigit(*p); ++p) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(*p - '0');
    }
    decimals = p - fractionStart;
    digits += decimals;
  }
  if (digits == 0) return 0;
  double value = 0;
  if ((digits <= 15 || SignificantDigitCount({digitsStart, p}) <= 15) &&
      decimals < static_cast<std::ptrdiff_t>(kExactPowersOfTen.size())) {
    // Below 10^15: the signed conversion is exact and takes one instruction.
    value = static_cast<double>(static_cast<std::int64_t>(mantissa)) /
            kExactPowersOfTen[static_cast<std::size_t>(decimals)];
  } else {
    value = ReadLongNumber(text.substr(static_cast<std::size_t>(digitsStart - text.data())));
  }
  return negative ? -value : value;
}

namespace {

unsigned DigitValue(char c) noexcept {
  return static_cast<unsigned>(static_cast<unsigned char>(c)) - unsigned{'0'};
}

// Eight digits at `p` read at once, as one little-endian word: false when
// any of the eight bytes is not a digit.
bool ReadEightDigits(const char* p, std::uint64_t& value) noexcept {
  if constexpr (std::endian::native != std::endian::little) {
    return false;
  } else {
    constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0;
    constexpr std::uint64_t kZeros = 0x3030303030303030;
    constexpr std::uint64_t kSixes = 0x0606060606060606;
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof(word));
    // A digit is 0x30-0x39: its high nibble is 3, and still is with 6 added.
    if ((word & kHighNibbles) != kZeros || ((word + kSixes) & kHighNibbles) != kZeros) return false;
    word -= kZeros;
    // Pairs of digits, then the two halves of four: the first byte is the
    // first digit, the most significant.
    word = word * 10 + (word >> 8);
    constexpr std::uint64_t kLowBytes = 0x000000FF000000FF;
    value = ((word & kLowBytes) * (100 + (1000000ULL << 32)) +
             ((word >> 16) & kLowBytes) * (1 + (10000ULL << 32))) >>
            32;
    return true;
  }
}

}  // namespace

std::optional<double> GeneralTextValue(std::string_view text) noexcept {
  constexpr std::size_t kLongest = 40;
  if (text.size() > kLongest) return std::nullopt;
  const char* p = text.data();
  const char* const end = p + text.size();
  const bool negative = p < end && *p == '-';
  if (negative) ++p;
  std::uint64_t mantissa = 0;
  // Each character looked at once: a digit is one whose distance from '0'
  // is at most 9.
  const auto takeDigits = [&mantissa, end](const char* at) {
    for (unsigned digit = 0; at < end && (digit = DigitValue(*at)) <= 9; ++at) {
      mantissa = mantissa * 10 + digit;
    }
    return at;
  };
  const char* const intStart = p;
  p = takeDigits(p);
  const auto intDigits = p - intStart;
  // "0" alone, or no leading zero.
  if (intDigits == 0 || (*intStart == '0' && intDigits > 1)) return std::nullopt;
  std::ptrdiff_t decimals = 0;
  if (p < end) {
    if (*p != '.') return std::nullopt;
    const char* const fractionStart = ++p;
    constexpr std::uint64_t kEightDigits = 100'000'000;
    for (std::uint64_t eight = 0; end - p >= 8 && ReadEightDigits(p, eight); p += 8) {
      mantissa = mantissa * kEightDigits + eight;
    }
    p = takeDigits(p);
    decimals = p - fractionStart;
    // Digits after the point up to the end, the last of them not a zero.
    if (p != end || decimals == 0 || p[-1] == '0') return std::nullopt;
  }
  // Nineteen digits cannot overflow the mantissa; leading zeros add nothing
  // to it, so fifteen significant digits are a mantissa below 10^15.
  constexpr std::ptrdiff_t kExactDigits = 19;
  constexpr std::uint64_t kSixteenDigits = 1'000'000'000'000'000;
  if (intDigits + decimals > kExactDigits || mantissa >= kSixteenDigits) {
    if (decimals == 0) {
      // The trailing zeros of a whole number are not significant: 10^18 is
      // written "1000000000000000000".
      const char* last = end;
      while (last[-1] == '0') --last;
      return last - intStart > 15 ? std::nullopt : std::optional<double>(LeadingValue(text));
    }
    const char* first = intStart;
    while (*first == '0' || *first == '.') ++first;
    const bool pointBetween = first < intStart + intDigits;
    return end - first - (pointBetween ? 1 : 0) > 15 ? std::nullopt
                                                     : std::optional<double>(LeadingValue(text));
  }
  // Zero is written "0", never "-0".
  if (mantissa == 0) return negative || decimals != 0 ? std::nullopt : std::optional<double>(0.0);
  if (decimals >= static_cast<std::ptrdiff_t>(kExactPowersOfTen.size())) return LeadingValue(text);
  // A whole number below 2^53 divided by an exact power of ten: one
  // correctly rounded division, the value from_chars finds.
  const double value = static_cast<double>(static_cast<std::int64_t>(mantissa)) /
                       kExactPowersOfTen[static_cast<std::size_t>(decimals)];
  return negative ? -value : value;
}

double LeadingGeneralValue(std::string_view text) noexcept {
  if (PlainDecimal plain; ReadPlainDecimal(text, plain)) {
    // Fifteen digits at most: already what its general text reads back as.
    return plain.mantissa == 0 ? 0.0 : PlainValue(plain);  // the general text has no "-0"
  }
  std::size_t digits = 0;
  for (const char c : text) {
    if (IsDigit(c)) {
      ++digits;
    } else if (c != '.' && c != '-' && c != '+' && c != ' ' && c != '\t') {
      break;
    }
  }
  const double value = LeadingValue(text);
  if (digits > 15) return RoundToGeneral(value);
  return value == 0 ? 0.0 : value;  // the general text has no "-0"
}

double LeadingGeneralHundredth(std::string_view text) noexcept {
  // A receiver's coordinate: eight digits at a time.
  if (PlainDecimal plain;
      (!text.empty() && text[0] != '-' &&
       ReadEightDigitSides(text.data(), text.size(), plain.mantissa, plain.decimals)) ||
      ReadPlainDecimal(text, plain)) {
    // Its hundredth has as many digits; see below.
    return plain.mantissa == 0 ? 0.0 : PlainValue(plain, 2);
  }
  // A plain decimal of at most 15 digits is m / 10^k exactly, and its
  // hundredth m / 10^(k+2) has as many digits: its general text is that
  // decimal, which reads back as the one correctly rounded division.
  std::size_t i = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  const bool negative = i == 1 && text[0] == '-';
  std::uint64_t mantissa = 0;
  std::size_t digits = 0;
  std::size_t decimals = 0;
  bool point = false;
  for (; i < text.size(); ++i) {
    const char c = text[i];
    if (IsDigit(c)) {
      mantissa = mantissa * 10 + static_cast<std::uint64_t>(c - '0');
      ++digits;
      decimals += point ? 1 : 0;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      digits = 0;  // not plain: read the general way
      break;
    }
  }
  constexpr std::size_t kMaxDigits = 15;
  if (digits == 0 || digits > kMaxDigits || decimals + 2 >= kExactPowersOfTen.size()) {
    return RoundToGeneral(LeadingValue(text) / 100);
  }
  if (mantissa == 0) return 0;
  const double value =
      static_cast<double>(static_cast<std::int64_t>(mantissa)) / kExactPowersOfTen[decimals + 2];
  return negative ? -value : value;
}

bool IsNumberText(std::string_view text) noexcept {
  const std::string_view trimmed = TrimSpaces(text);
  const std::string_view span = LeadingNumberSpan(trimmed);
  return !span.empty() && span.size() == trimmed.size();
}

namespace {

// A sign, digits, a point and digits, with at least one digit and nothing
// else: the form of almost every number field, which IsNumberText accepts
// without trimming.
bool IsPlainNumber(std::string_view text) noexcept {
  std::size_t i = !text.empty() && (text[0] == '-' || text[0] == '+') ? 1 : 0;
  bool digit = false;
  bool point = false;
  for (; i < text.size(); ++i) {
    if (IsDigit(text[i])) {
      digit = true;
    } else if (text[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

}  // namespace

std::optional<double> NumberTextValue(std::string_view text) noexcept {
  // Receivers' coordinates are most of the long fields.
  if (PlainDecimal plain;
      (!text.empty() && text[0] != '-' &&
       ReadEightDigitSides(text.data(), text.size(), plain.mantissa, plain.decimals)) ||
      ReadPlainDecimal(text, plain)) {
    return PlainValue(plain);
  }
  if (IsPlainNumber(text) || IsNumberText(text)) return LeadingValue(text);
  return std::nullopt;
}

std::optional<double> GeneralNumberTextValue(std::string_view text) noexcept {
  if (PlainDecimal plain; ReadPlainDecimal(text, plain)) {
    return plain.mantissa == 0 ? 0.0 : PlainValue(plain);
  }
  const std::optional<double> value = NumberTextValue(text);
  if (!value) return std::nullopt;
  const double rounded = RoundToGeneral(*value);
  return rounded == 0 ? 0.0 : rounded;
}

char* PutShortGeneral(char* p, double value) noexcept {
  if (!std::isfinite(value) || value == 0) {
    *p = '0';
    return p + 1;
  }
  const double magnitude = std::fabs(value);
  std::uint64_t mantissa = 0;
  int exponent = 0;
  if (IsSmallWhole(magnitude)) {
    // A whole number is written as the pattern "0" writes it.
    const auto whole = static_cast<std::uint64_t>(static_cast<std::int64_t>(magnitude));
    return PutPatternUnits(p, value < 0, whole, 0, 0);
  }
  if (!FastScaledDigits(magnitude, mantissa, exponent) || exponent >= 15) return nullptr;
  if (value < 0) *p++ = '-';
  return PutGeneral(p, mantissa, exponent);
}

void AppendGeneral(std::string& out, double value) {
  std::array<char, kShortNumberRoom> buf;  // written before it is read
  if (const char* end = PutShortGeneral(buf.data(), value)) {
    out.append(buf.data(), static_cast<std::size_t>(end - buf.data()));
  } else {
    AppendGeneralDigits(out, value);
  }
}

std::string General(double value) {
  std::string out;
  AppendGeneral(out, value);
  return out;
}

double RoundToGeneral(double value) {
  if (!std::isfinite(value) || value == 0) return 0;
  if (IsSmallWhole(value)) return value;
  // The fifteen digits as a whole number times a power of ten; with both
  // exact doubles one multiplication or division is correctly rounded.
  std::uint64_t mantissa = 0;
  int exponent = 0;
  if (!FastScaledDigits(std::fabs(value), mantissa, exponent)) {
    const Digits15 digits = SignificantDigits(std::fabs(value));
    if (digits.exact) return value;
    mantissa = 0;
    for (const char d : digits.d) mantissa = mantissa * 10 + static_cast<std::uint64_t>(d - '0');
    exponent = digits.exponent;
  }
  const int power = exponent - 14;
  const auto magnitude = static_cast<double>(mantissa);
  double rounded = 0;
  if (power >= 0 && power < static_cast<int>(kExactPowersOfTen.size())) {
    rounded = magnitude * kExactPowersOfTen[static_cast<std::size_t>(power)];
  } else if (power < 0 && -power < static_cast<int>(kExactPowersOfTen.size())) {
    rounded = magnitude / kExactPowersOfTen[static_cast<std::size_t>(-power)];
  } else [[unlikely]] {
    // "ddddddddddddddde-XXX" read back by the library.
    std::array<char, 48> buf{};
    char* p = std::to_chars(buf.data(), buf.data() + 24, mantissa).ptr;  // 15 digits
    *p++ = 'e';
    p = std::to_chars(p, buf.data() + buf.size(), power).ptr;
    std::from_chars(buf.data(), p, rounded);
  }
  return std::copysign(rounded, value);
}

char* PutShortPattern(char* p, double value, NumberPattern pattern) noexcept {
  if (!std::isfinite(value)) value = 0;
  std::uint64_t units = 0;
  if (pattern.decimals < 0 || pattern.minIntegerDigits > kMaxShortIntegerDigits ||
      !PatternUnits(std::fabs(value), pattern.decimals, units)) {
    return nullptr;
  }
  return PutPatternUnits(p, value < 0, units, pattern.decimals, pattern.minIntegerDigits);
}

bool ShortPatternUnits(double value, int decimals, std::uint64_t& units) noexcept {
  if (!std::isfinite(value)) value = 0;
  return decimals >= 0 && PatternUnits(std::fabs(value), decimals, units);
}

void AppendPattern(std::string& out, double value, NumberPattern pattern) {
  std::array<char, kShortNumberRoom> buf;  // written before it is read
  if (const char* end = PutShortPattern(buf.data(), value, pattern)) {
    out.append(buf.data(), static_cast<std::size_t>(end - buf.data()));
    return;
  }
  if (!std::isfinite(value)) value = 0;
  // The patterns in use have at most a few decimals; the bound keeps the
  // digits in a buffer on the stack.
  const int decimals = std::clamp(pattern.decimals, 0, kMaxPatternDecimals);
  AppendPatternDigits(out, value, decimals, pattern.minIntegerDigits);
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
