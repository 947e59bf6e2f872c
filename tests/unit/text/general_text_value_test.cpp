#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "text/numbers.hpp"

namespace vc::text {
namespace {

// What the one pass must agree with: a text stands for its value exactly
// when the value's general text is the text itself.
bool IsItsOwnGeneralText(const std::string& text) { return General(LeadingValue(text)) == text; }

void ExpectAgrees(const std::string& text) {
  const std::optional<double> value = GeneralTextValue(text);
  ASSERT_EQ(value.has_value(), IsItsOwnGeneralText(text)) << '"' << text << '"';
  if (value) {
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*value),
              std::bit_cast<std::uint64_t>(LeadingValue(text)))
        << text;
  }
}

TEST(GeneralTextValue, TakesExactlyTheGeneralTexts) {
  const std::vector<std::string> texts = {
      "0",
      "-0",
      "00",
      "0.0",
      "0.5",
      "-0.5",
      ".5",
      "5.",
      "+5",
      " 5",
      "5 ",
      "-",
      "",
      "1e5",
      "12.50",
      "012",
      "70.4000000000001",    // 15 significant digits
      "70.40000000000001",   // 16
      "123456789012345",     // 15 digits, no point
      "1234567890123456",    // 16
      "100000000000000000",  // many zeros after one digit
      "0.000000000000000123",
      "0.0000000000000001234567890123456",
      "-999999999999999",
      "35/1/2",
      "1.5abc",
  };
  for (const std::string& text : texts) ExpectAgrees(text);
}

// Regression: the digits gathered during the check are read as
// LeadingValue reads them, bit for bit, over values of every size.
TEST(GeneralTextValue, ReadsEveryGeneralTextAsLeadingValueDoes) {
  std::mt19937_64 random(20261210);
  std::uniform_real_distribution<double> mantissa(-10, 10);
  std::uniform_int_distribution<int> exponent(-9, 16);
  for (int i = 0; i < 20000; ++i) {
    const double value = mantissa(random) * std::pow(10.0, exponent(random));
    const std::string text = General(value);
    if (text.size() > 40) continue;
    ExpectAgrees(text);
    ExpectAgrees(text + "0");
    ExpectAgrees("0" + text);
    ExpectAgrees("-" + text);
  }
}

// Texts of digits, zeros, points and signs in any order: the fast reading of
// eight digits at a time must refuse and take what the definition does.
TEST(GeneralTextValue, TakesWhatTheDefinitionTakesAmongOddSpellings) {
  std::mt19937 random(18);
  const std::string alphabet = "0000123456789.-";
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    const auto length = 1 + random() % 24;
    for (std::size_t j = 0; j < length; ++j) text += alphabet[random() % alphabet.size()];
    ExpectAgrees(text);
  }
}

}  // namespace
}  // namespace vc::text
