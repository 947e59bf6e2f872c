#include "text/numbers.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace vc::text {
namespace {

TEST(LeadingValue, ReadsTheLongestDecimalPrefix) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"", 0},           {"-", 0},      {"abc", 0},  {"12.3abc", 12.3}, {"  42", 42},
      {"\t-7.5x", -7.5}, {"+5.5", 5.5}, {".5", 0.5}, {"5.", 5},         {"-.25", -0.25},
      {"1e3", 1},        {"1,5", 1},    {"- 3", 0},  {"0012", 12},      {"3601.6", 3601.6},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(LeadingValue(c.text), c.value) << c.text;
}

TEST(LeadingValue, HugeDigitRunsDoNotOverflow) {
  EXPECT_EQ(LeadingValue(std::string(400, '9')), 0);
  EXPECT_EQ(LeadingValue("0." + std::string(400, '0') + "1"), 0);
}

// The shortcut must give exactly what the rounding gives, for texts of 15
// digits and fewer (no rounding) and of more (rounded), "-0" included.
TEST(LeadingGeneralValue, IsTheRoundedLeadingValue) {
  std::vector<std::string> texts = {"",
                                    "9.1",
                                    "09.10",
                                    "-0",
                                    "-0.000",
                                    " \t+5.5x",
                                    "3.1.4",
                                    "123456789012345",
                                    "1234567890123456",
                                    "0.1234567890123456789",
                                    "-99999999999999.99",
                                    "0.00000000000000000001",
                                    "1e5",
                                    "abc",
                                    std::string(400, '9')};
  std::mt19937_64 random(7);
  for (int n = 0; n < 2000; ++n) {
    std::string text = std::to_string(random() % 1000000000000000000ULL);
    text.insert(random() % text.size(), ".");
    if (n % 3 == 0) text.insert(0, "-");
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const double expected = RoundToGeneral(LeadingValue(text));
    const double value = LeadingGeneralValue(text);
    EXPECT_EQ(value, expected) << text;
    EXPECT_FALSE(std::signbit(value) && value == 0) << text;
  }
}

// The one division must give what reading, dividing and rounding give:
// receiver coordinates of every length, the 15-digit limit on both sides,
// texts that are not plain decimals, and "-0".
TEST(LeadingGeneralHundredth, IsTheRoundedHundredthOfTheLeadingValue) {
  std::vector<std::string> texts = {"",
                                    "-",
                                    ".",
                                    "4807.038",
                                    "01131.000",
                                    "-4807.038",
                                    "+3515.6789",
                                    "0.0",
                                    "-0",
                                    "5.",
                                    ".5",
                                    "123456789012345",
                                    "1234567890123456",
                                    "0.00000000000000000001",
                                    "12.3.4",
                                    " 4807.038",
                                    "4807.038x",
                                    "1e3",
                                    std::string(30, '9')};
  std::mt19937_64 random(11);
  for (int n = 0; n < 20000; ++n) {
    std::string text = std::to_string(random() % (n % 2 ? 100000000ULL : 1000000000000000ULL));
    text.insert(random() % text.size(), ".");
    if (n % 5 == 0) text.insert(0, "-");
    texts.push_back(text);
  }
  for (const std::string& text : texts) {
    const double value = LeadingGeneralHundredth(text);
    EXPECT_EQ(value, RoundToGeneral(LeadingValue(text) / 100)) << text;
    EXPECT_FALSE(std::signbit(value) && value == 0) << text;
  }
}

TEST(NumberTextValue, IsTheLeadingValueOfANumberText) {
  for (const char* text : {"", " ", "-", ".", "+", "5", "5.", ".5", "-.5", "+5.5", " 12 ", "12x",
                           "1.2.3", "1e3", "\t5", "--5", "007", "-0"}) {
    const std::optional<double> value = NumberTextValue(text);
    ASSERT_EQ(value.has_value(), IsNumberText(text)) << text;
    if (value) {
      EXPECT_EQ(*value, LeadingValue(text)) << text;
    }
  }
}

TEST(GeneralTextValue, ReadsOnlyTheGeneralTextOfAValue) {
  const struct {
    const char* text;
    std::optional<double> value;
  } cases[] = {
      {"35.684481507", 35.684481507},
      {"-139.763959959", -139.763959959},
      {"0", 0.0},
      {"7", 7.0},
      {"0.5", 0.5},
      {"-0.000123", -0.000123},
      {"123456789012345", 123456789012345.0},  // fifteen digits
      {"1000000000000000000", 1e18},           // trailing zeros of a whole number
      {"0.0000000000000000000000001", 1e-25},  // past the exact powers of ten
      {"1234567890.12345", 1234567890.12345},
      {"1.12345678", 1.12345678},  // eight digits after the point read at once
      {"0.123456789012345", 0.123456789012345},
      {"0.1234567x", std::nullopt},
      {"0.12345678x", std::nullopt},
      {"1234567890.123456", std::nullopt},  // sixteen significant digits
      {"1234567890123456", std::nullopt},
      {"12345678901234567890123", std::nullopt},  // would overflow a mantissa
      {"0.00000000000000000001234567890123456", std::nullopt},
      {"", std::nullopt},
      {"-", std::nullopt},
      {"-0", std::nullopt},
      {"0.0", std::nullopt},
      {"1.50", std::nullopt},
      {"01", std::nullopt},
      {"+1", std::nullopt},
      {" 1", std::nullopt},
      {"1 ", std::nullopt},
      {"1.", std::nullopt},
      {".5", std::nullopt},
      {"1e3", std::nullopt},
      {"1.2.3", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<double> value = GeneralTextValue(c.text);
    ASSERT_EQ(value.has_value(), c.value.has_value());
    if (value) {
      EXPECT_EQ(*value, *c.value);
      EXPECT_EQ(General(*value), c.text);
    }
  }
}

TEST(GeneralNumber, WritesShortestFifteenDigitDecimal) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0, "0"},
      {-0.0, "0"},
      {1, "1"},
      {2.5, "2.5"},
      {3601, "3601"},
      {35.5 + 0.0041666666666667, "35.5041666666667"},
      {0.1 + 0.2, "0.3"},
      {-12.25, "-12.25"},
      {1e20, "100000000000000000000"},
      {1.5e-7, "0.00000015"},
      {123456789012345678.0, "123456789012346000"},
      {22.4 * 1.852 / 3.6, "11.5235555555556"},
  };
  for (const auto& c : cases) EXPECT_EQ(General(c.value), c.text) << c.text;
}

TEST(GeneralNumber, RoundToGeneralReadsBackTheWrittenText) {
  for (double v : {0.1 + 0.2, 1.0 / 3.0, 12754.79431 / 2 * 3.1415926 / 180, -2.0 / 3.0}) {
    EXPECT_EQ(RoundToGeneral(v), LeadingValue(General(v)));
    EXPECT_EQ(General(RoundToGeneral(v)), General(v));
  }
}

TEST(NumberPattern, RoundsHalvesAwayFromZeroAfterFifteenDigits) {
  const struct {
    double value;
    NumberPattern pattern;
    const char* text;
  } cases[] = {
      {12.345, kPattern0_00, "12.35"},
      {1234.4999999999998, kPattern0000, "1235"},
      {12.346, kPattern0_00, "12.35"},
      {123.45, kPattern0_0, "123.5"},
      {3601.6, kPattern0, "3602"},
      {0, kPattern0_0, "0.0"},
      {-0.001, kPattern0_00, "0.00"},
      {-2.5, kPattern0, "-3"},
      {5, kPattern00, "05"},
      {12, kPattern000, "012"},
      {1000, kPattern000, "1000"},
      {1234, kPattern00000, "01234"},
      {12.3, kPattern00_0, "12.3"},
      {2.96, kPattern00_0, "03.0"},
      {59.96, kPattern00_0, "60.0"},
      {0.05, kPattern0_0, "0.1"},
      {0.04, kPattern0, "0"},
      {0.5, kPattern0, "1"},
      {99.999, kPattern0_00, "100.00"},
      {1e20, kPattern0, "100000000000000000000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatPattern(c.value, c.pattern), c.text) << c.text;
}

TEST(CountOf, RoundsHalvesToEvenAndNeverGoesNegative) {
  const struct {
    const char* text;
    std::int64_t count;
  } cases[] = {{"3", 3},   {"2.5", 2}, {"3.5", 4}, {"1.5", 2},
               {"0.5", 0}, {"", 0},    {"-4", 0},  {"7abc", 7}};
  for (const auto& c : cases) EXPECT_EQ(CountOf(c.text), c.count) << c.text;
  EXPECT_EQ(RoundHalfEven(-2.5), -2);
  EXPECT_EQ(RoundHalfEven(-3.5), -4);
}

// The general form and the rounding to it take a fast path through the
// shortest text of a double; these compare them with the plain definition
// (printf-style rounding to 15 digits) over many values, including those
// whose 16th and 17th digits sit at the half-way point.
std::string ReferenceGeneral(double value) {
  if (value == 0 || !std::isfinite(value)) return "0";
  std::array<char, 64> buf{};
  const auto end =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::scientific, 14)
          .ptr;
  double rounded = 0;
  std::from_chars(buf.data(), end, rounded);
  const auto shortest =
      std::to_chars(buf.data(), buf.data() + buf.size(), rounded, std::chars_format::fixed).ptr;
  return std::string(buf.data(), shortest);
}

double ReferenceRounded(double value) {
  std::array<char, 64> buf{};
  const auto end =
      std::to_chars(buf.data(), buf.data() + buf.size(), value, std::chars_format::scientific, 14)
          .ptr;
  double rounded = 0;
  std::from_chars(buf.data(), end, rounded);
  return rounded;
}

class ValueStream {
 public:
  double Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    const double unit = static_cast<double>(state_ >> 11) / 9007199254740992.0;
    const int exponent = static_cast<int>((state_ >> 3) % 24) - 8;
    return (unit - 0.5) * std::pow(10.0, exponent);
  }

 private:
  std::uint64_t state_ = 12345;
};

// Fields that are a plain decimal (an optional minus, digits, at most one
// point) take a short way through every reading; each must give what the
// library reads from the same text, at every count of digits around the
// fifteen that the short way allows and with the point anywhere.
TEST(LeadingValue, PlainFieldsReadAsTheLibraryReadsThem) {
  std::mt19937_64 random(29);
  for (int n = 0; n < 200000; ++n) {
    const std::size_t digits = 1 + random() % 17;
    std::string text;
    for (std::size_t i = 0; i < digits; ++i) {
      // Leading zeros are frequent in receivers' fields ("007.2", "0.0").
      text.push_back(static_cast<char>('0' + (random() % 3 == 0 ? 0 : random() % 10)));
    }
    if (random() % 4 != 0) text.insert(random() % (text.size() + 1), ".");
    if (random() % 3 == 0) text.insert(0, "-");
    double library = 0;
    std::from_chars(text.data(), text.data() + text.size(), library, std::chars_format::fixed);
    const double general = library == 0 ? 0.0 : ReferenceRounded(library);
    const double hundredth = library == 0 ? 0.0 : ReferenceRounded(library / 100);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(LeadingValue(text)),
              std::bit_cast<std::uint64_t>(library))
        << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(LeadingGeneralValue(text)),
              std::bit_cast<std::uint64_t>(general))
        << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(LeadingGeneralHundredth(text)),
              std::bit_cast<std::uint64_t>(hundredth))
        << text;
    const std::optional<double> number = NumberTextValue(text);
    ASSERT_TRUE(number.has_value()) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*number), std::bit_cast<std::uint64_t>(library)) << text;
    const std::optional<double> rounded = GeneralNumberTextValue(text);
    ASSERT_TRUE(rounded.has_value()) << text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*rounded), std::bit_cast<std::uint64_t>(general))
        << text;
  }
}

// A character that is no digit anywhere in a field, a second point or a
// byte of the top half included, must leave the short ways (eight digits at
// a time among them) to the general reading: the value of the leading
// number, no number text, and the hundredth of that value.
TEST(LeadingValue, FieldsWithAStrayCharacterReadTheirLeadingNumber) {
  std::mt19937_64 random(31);
  const std::string strays = "./:ex-\x80\xff\x8a\x01";  // spaces: see below
  for (int n = 0; n < 200000; ++n) {
    const std::size_t digits = 1 + random() % 15;
    std::string text;
    for (std::size_t i = 0; i < digits; ++i) text.push_back(static_cast<char>('0' + random() % 10));
    if (random() % 2 == 0) text.insert(random() % (text.size() + 1), ".");
    text.insert(random() % (text.size() + 1), 1, strays[random() % strays.size()]);
    if (random() % 4 == 0) text.insert(0, "-");
    // The leading number by hand: a minus, digits, a point and digits.
    std::size_t end = text[0] == '-' ? 1 : 0;
    const std::size_t start = end;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end < text.size() && text[end] == '.') {
      ++end;
      while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    }
    const bool hasDigit = std::any_of(text.begin() + static_cast<std::ptrdiff_t>(start),
                                      text.begin() + static_cast<std::ptrdiff_t>(end),
                                      [](char c) { return c >= '0' && c <= '9'; });
    double expected = 0;
    if (hasDigit) {
      std::from_chars(text.data(), text.data() + end, expected, std::chars_format::fixed);
    }
    ASSERT_EQ(std::bit_cast<std::uint64_t>(LeadingValue(text)),
              std::bit_cast<std::uint64_t>(hasDigit ? expected : 0.0))
        << text;
    const std::optional<double> number = NumberTextValue(text);
    ASSERT_EQ(number.has_value(), hasDigit && end == text.size()) << text;
    ASSERT_EQ(GeneralNumberTextValue(text).has_value(), number.has_value()) << text;
    const double hundredth = expected == 0 ? 0.0 : ReferenceRounded(expected / 100);
    ASSERT_EQ(std::bit_cast<std::uint64_t>(LeadingGeneralHundredth(text)),
              std::bit_cast<std::uint64_t>(hundredth))
        << text;
  }
}

// Spellings that are not plain go the general way and keep its answers.
TEST(LeadingValue, OddSpellingsKeepTheGeneralAnswers) {
  const struct {
    const char* text;
    double leading;
    std::optional<double> number;
  } cases[] = {
      {"", 0, std::nullopt},
      {"-", 0, std::nullopt},
      {".", 0, std::nullopt},
      {"-.", 0, std::nullopt},
      {"+5.5", 5.5, 5.5},
      {" 12.5", 12.5, 12.5},
      {"12.5 ", 12.5, 12.5},
      {"\t7", 7, std::nullopt},
      {"1.2.3", 1.2, std::nullopt},
      {"1e3", 1, std::nullopt},
      {"12x", 12, std::nullopt},
      {"--5", 0, std::nullopt},
      {"5.", 5, 5},
      {".5", 0.5, 0.5},
      {"-.5", -0.5, -0.5},
      {"0000000000000001.5", 1.5, 1.5},
      {"1234567890123456", 1234567890123456.0, 1234567890123456.0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(LeadingValue(c.text), c.leading) << c.text;
    EXPECT_EQ(NumberTextValue(c.text), c.number) << c.text;
    const std::optional<double> rounded = GeneralNumberTextValue(c.text);
    ASSERT_EQ(rounded.has_value(), c.number.has_value()) << c.text;
    if (rounded) {
      EXPECT_EQ(*rounded, RoundToGeneral(*c.number)) << c.text;
      EXPECT_FALSE(std::signbit(*rounded) && *rounded == 0) << c.text;
    }
  }
  // More digits than the general text keeps, and a zero with a minus.
  EXPECT_EQ(GeneralNumberTextValue("0.12345678901234567"), 0.123456789012346);
  EXPECT_EQ(GeneralNumberTextValue("+0.12345678901234567"), 0.123456789012346);
  EXPECT_FALSE(std::signbit(*GeneralNumberTextValue("-0.000")));
  EXPECT_FALSE(std::signbit(*GeneralNumberTextValue("-0.00000000000000000")));
}

TEST(GeneralNumber, FastPathAgreesWithFifteenDigitRounding) {
  ValueStream values;
  for (int i = 0; i < 200000; ++i) {
    const double v = values.Next();
    ASSERT_EQ(General(v), ReferenceGeneral(v)) << v;
    ASSERT_EQ(RoundToGeneral(v), ReferenceRounded(v)) << v;
  }
  // Digits 16 and 17 exactly at and around the half-way point.
  for (const double v :
       {1.234567890123455, 1.2345678901234549, 1.2345678901234551, 35.68123456789015,
        0.99999999999999995, 9.999999999999995, 139.7671234567895, 123456789012345.5}) {
    EXPECT_EQ(General(v), ReferenceGeneral(v)) << v;
    EXPECT_EQ(RoundToGeneral(v), ReferenceRounded(v)) << v;
  }
  // A few units in the last place around each power of ten, where the
  // decimal exponent is decided: the inexact powers below 1 and above 10^22
  // lie on either side of their decimals.
  for (int k = -12; k <= 40; ++k) {
    double v = std::pow(10.0, k);
    for (int step = 0; step < 4; ++step) v = std::nextafter(v, 0.0);
    for (int step = 0; step < 9; ++step, v = std::nextafter(v, HUGE_VAL)) {
      // The reference writes whole numbers past 2^53 with all their digits.
      if (k < 15) {
        ASSERT_EQ(General(v), ReferenceGeneral(v)) << v;
      }
      ASSERT_EQ(RoundToGeneral(v), ReferenceRounded(v)) << v;
      ASSERT_EQ(RoundToGeneral(-v), -ReferenceRounded(v)) << v;
    }
  }
  // Short decimals and their sums and quotients, as coordinates and legs are.
  for (std::int64_t n = 1; n < 400000; n += 7) {
    const double v = static_cast<double>(n) / 10000 + 35;
    for (const double w : {v, v / 60, v * 3.6, v / 7 * 3.6, v + 0.1}) {
      ASSERT_EQ(General(w), ReferenceGeneral(w)) << w;
      ASSERT_EQ(RoundToGeneral(w), ReferenceRounded(w)) << w;
    }
  }
}

TEST(LeadingValue, FastPathAgreesWithTheLibrary) {
  ValueStream values;
  std::array<char, 64> buf{};
  for (int i = 0; i < 100000; ++i) {
    const double v = values.Next();
    const int decimals = i % 18;
    const auto end = std::to_chars(buf.data(), buf.data() + buf.size(), std::fabs(v),
                                   std::chars_format::fixed, decimals)
                         .ptr;
    const std::string text(buf.data(), end);
    double expected = 0;
    std::from_chars(buf.data(), end, expected, std::chars_format::fixed);
    ASSERT_EQ(LeadingValue(text), expected) << text;
  }
}

// The patterns by their definition, with text arithmetic only: the 15
// significant digits printf-style rounding gives, rounded once more at the
// pattern's last decimal, halves away from zero.
struct Decimal15 {
  std::string digits;  // fifteen, or "0"
  int exponent;        // of the first digit
};

Decimal15 ReferenceDigits(double magnitude) {
  if (magnitude == 0) return {"0", 0};
  std::array<char, 64> buf{};
  const auto end = std::to_chars(buf.data(), buf.data() + buf.size(), magnitude,
                                 std::chars_format::scientific, 14)
                       .ptr;
  const std::string text(buf.data(), end);  // "d.dddddddddddddde+XX"
  return {text.substr(0, 1) + text.substr(2, 14), std::stoi(text.substr(17))};
}

std::string ReferencePattern(double value, const Decimal15& decimal, NumberPattern pattern) {
  const int keep = decimal.exponent + 1 + pattern.decimals;  // digits down to the last decimal
  std::string scaled;
  if (decimal.digits == "0" || keep < 0) {
    scaled = "0";
  } else if (keep == 0) {
    scaled = decimal.digits[0] >= '5' ? "1" : "0";
  } else {
    scaled = decimal.digits.substr(0, static_cast<std::size_t>(std::min(keep, 15)));
    if (keep > 15) scaled.append(static_cast<std::size_t>(keep - 15), '0');
    if (keep < 15 && decimal.digits[static_cast<std::size_t>(keep)] >= '5') {
      auto k = scaled.size();
      while (k > 0 && scaled[k - 1] == '9') scaled[--k] = '0';
      if (k == 0) {
        scaled.insert(scaled.begin(), '1');
      } else {
        ++scaled[k - 1];
      }
    }
  }
  const auto decimals = static_cast<std::size_t>(pattern.decimals);
  if (scaled.size() < decimals + 1) scaled.insert(0, decimals + 1 - scaled.size(), '0');
  std::string integer = scaled.substr(0, scaled.size() - decimals);
  const auto minDigits = static_cast<std::size_t>(pattern.minIntegerDigits);
  if (integer.size() < minDigits) integer.insert(0, minDigits - integer.size(), '0');
  const bool isZero = scaled.find_first_not_of('0') == std::string::npos;
  std::string text = (value < 0 && !isZero ? "-" : "") + integer;
  if (decimals > 0) text += "." + scaled.substr(scaled.size() - decimals);
  return text;
}

constexpr NumberPattern kPatternsInUse[] = {kPattern0,     kPattern0_0,  kPattern0_00,
                                            kPattern00,    kPattern000,  kPattern0000,
                                            kPattern00000, kPattern00_0, {1, 4}};

// Values as the writers see them: minutes and seconds, legs, speeds and their
// quotients, exact halves and their neighbours one unit in the last place
// away, and magnitudes far beyond a coordinate's.
std::vector<double> PatternValues(std::size_t count) {
  std::mt19937_64 random(16);
  std::uniform_real_distribution<double> unit(0, 1);
  std::vector<double> values;
  values.reserve(count);
  while (values.size() < count) {
    const double sign = random() % 4 == 0 ? -1 : 1;
    const auto scale = std::pow(10.0, static_cast<int>(random() % 6));
    const auto whole = static_cast<double>(random() % 100000);
    switch (values.size() % 6) {
      case 0:
        values.push_back(sign * unit(random) * 60);
        break;
      case 1:
        values.push_back(sign * unit(random) * std::pow(10.0, static_cast<int>(random() % 24) - 9));
        break;
      case 2:
        values.push_back(sign * (whole + 0.5) / scale);
        break;
      case 3:
        values.push_back(
            std::nextafter(sign * (whole + 0.5) / scale, random() % 2 ? 1e300 : -1e300));
        break;
      case 4:
        values.push_back(sign * whole / 10000 * 3.6 / 1.852);
        break;
      default:
        values.push_back(sign * whole / scale);
        break;
    }
  }
  return values;
}

TEST(NumberPattern, FastPathAgreesWithTheDefinition) {
  const double hardCases[] = {9.995,
                              0.005,
                              1e15 - 1,
                              -9.995,
                              -0.005,
                              99.95,
                              9.9995,
                              59.96,
                              0.05,
                              0.15,
                              2.5,
                              -2.5,
                              1e15,
                              1e19,
                              0.9999999999999995,
                              1234.4999999999998,
                              4.35,
                              1.005,
                              -0.0004,
                              5e-9,
                              123456789012345.5,
                              999999.95,
                              0.00049999999999999,
                              1e-8,
                              99999.5,
                              9e18};
  std::vector<double> values = PatternValues(1000000);
  values.insert(values.end(), std::begin(hardCases), std::end(hardCases));
  for (const double v : values) {
    const Decimal15 decimal = ReferenceDigits(std::fabs(v));
    for (const NumberPattern pattern : kPatternsInUse) {
      ASSERT_EQ(FormatPattern(v, pattern), ReferencePattern(v, decimal, pattern))
          << v << " with " << pattern.minIntegerDigits << "." << pattern.decimals;
    }
  }
}

// The XML outputs write degrees and speeds with six and nine decimals:
// products up to 10^12, decided by the product unless near a half.
TEST(NumberPattern, LongPatternsAgreeWithTheDefinition) {
  std::mt19937_64 random(15);
  std::uniform_real_distribution<double> degrees(-360, 360);
  std::vector<double> values;
  for (int i = 0; i < 300000; ++i) {
    const double v = degrees(random);
    const double scale = i % 2 == 0 ? 1e9 : 1e6;
    const double half = (std::round(v * scale) + 0.5) / scale;
    values.push_back(v);
    values.push_back(half);
    values.push_back(std::nextafter(half, i % 4 < 2 ? 1e300 : -1e300));
    values.push_back(RoundToGeneral(half));
    values.push_back(v * 1000);  // products up to and beyond 10^12
  }
  for (const double v : {999.9999999995, 999.99999999949, 1e3 - 5e-10, 4.5e-10, 5e-10, -5e-10,
                         0.0000000015, 1e12, 1e12 - 0.5}) {
    values.push_back(v);
  }
  for (const double v : values) {
    const Decimal15 decimal = ReferenceDigits(std::fabs(v));
    for (const NumberPattern pattern : {NumberPattern{1, 6}, NumberPattern{1, 9}}) {
      ASSERT_EQ(FormatPattern(v, pattern), ReferencePattern(v, decimal, pattern))
          << v << " with " << pattern.decimals << " decimals";
    }
  }
}

TEST(NumberPattern, WritesNonFiniteAndExtremeValues) {
  const struct {
    double value;
    NumberPattern pattern;
    const char* text;
  } cases[] = {
      {std::numeric_limits<double>::infinity(), kPattern0_00, "0.00"},
      {std::nan(""), kPattern000, "000"},
      {-0.0, kPattern0_0, "0.0"},
      {1e-300, kPattern0_0, "0.0"},
      {-4e-9, kPattern0, "0"},
      {1e25, kPattern0, "10000000000000000000000000"},
      {0.125, {1, 20}, "0.12500000000000000000"},
      {7, {22, 0}, "0000000000000000000007"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatPattern(c.value, c.pattern), c.text) << c.value;
}

// The short forms write into a buffer what Append writes, or refuse.
TEST(NumberPattern, ShortFormsWriteWhatAppendWrites) {
  std::array<char, kShortNumberRoom> buf{};
  const auto shortText = [&](const char* end) {
    return end == nullptr ? std::string("refused")
                          : std::string(static_cast<const char*>(buf.data()), end);
  };
  const std::vector<double> values = PatternValues(20000);
  for (const double v : values) {
    const std::string general = shortText(PutShortGeneral(buf.data(), v));
    if (general != "refused") {
      ASSERT_EQ(general, General(v)) << v;
    }
    for (const NumberPattern pattern : kPatternsInUse) {
      const std::string text = shortText(PutShortPattern(buf.data(), v, pattern));
      if (text != "refused") {
        ASSERT_EQ(text, FormatPattern(v, pattern)) << v;
      }
    }
  }
  EXPECT_EQ(shortText(PutShortGeneral(buf.data(), 35.5)), "35.5");
  EXPECT_EQ(shortText(PutShortGeneral(buf.data(), 1e20)), "refused");
  EXPECT_EQ(shortText(PutShortPattern(buf.data(), 52.25, kPattern00_0)), "52.3");
  EXPECT_EQ(shortText(PutShortPattern(buf.data(), 1, {30, 0})), "refused");
}

// The annotations' own pattern writers against the general one: halves,
// negatives that round to zero, huge values, NaN and infinities among them.
template <int Decimals>
void ExpectSmallPatternIsShortPattern(const std::vector<double>& values) {
  std::array<char, kShortNumberRoom> fast{};
  std::array<char, kShortNumberRoom> general{};
  constexpr NumberPattern kPattern{1, Decimals};
  for (const double v : values) {
    const char* const fastEnd = PutSmallPattern<Decimals>(fast.data(), v);
    const char* const generalEnd = PutShortPattern(general.data(), v, kPattern);
    ASSERT_EQ(fastEnd == nullptr, generalEnd == nullptr) << v;
    if (fastEnd == nullptr) continue;
    ASSERT_EQ(std::string(fast.data(), static_cast<std::size_t>(fastEnd - fast.data())),
              std::string(general.data(), static_cast<std::size_t>(generalEnd - general.data())))
        << v << " with " << Decimals << " decimals";
  }
}

TEST(NumberPattern, SmallPatternsWriteWhatTheShortPatternWrites) {
  std::vector<double> values = PatternValues(400000);
  const double inf = std::numeric_limits<double>::infinity();
  for (const double v :
       {0.0,    -0.0,  0.5,   -0.5,   0.05,   -0.05,     0.005,     -0.005,
        -0.004, -0.04, -0.4,  2.5,    9.995,  99999.995, 999999.95, 9999999.5,
        1e7,    1e15,  1e300, -1e300, 5e-324, inf,       -inf,      std::nan("")}) {
    values.push_back(v);
  }
  std::mt19937_64 random(12);
  std::uniform_real_distribution<double> speeds(-2000, 2000);
  for (int i = 0; i < 300000; ++i) {
    // Exact halves of the last decimal of each pattern, and their neighbours.
    const double half = (std::round(speeds(random) * 100) + 0.5) / std::pow(10, i % 3);
    values.push_back(half / 100);
    values.push_back(std::nextafter(half / 100, i % 2 == 0 ? inf : -inf));
    values.push_back(speeds(random));
  }
  ExpectSmallPatternIsShortPattern<0>(values);
  ExpectSmallPatternIsShortPattern<1>(values);
  ExpectSmallPatternIsShortPattern<2>(values);
}

TEST(GeneralNumber, FastPathAgreesOnPatternValues) {
  // Also the products that round onto a half of the last place, which the
  // rounding error of the product decides.
  for (const double v : PatternValues(300000)) {
    ASSERT_EQ(General(v), ReferenceGeneral(v)) << v;
    ASSERT_EQ(RoundToGeneral(v), ReferenceRounded(v)) << v;
  }
}

}  // namespace
}  // namespace vc::text
