#include "formats/xml/xml_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "text/numbers.hpp"

namespace vc::xml {
namespace {

TEST(XmlText, EscapesMarkupAndControlCharacters) {
  std::string out;
  AppendEscaped(out, "A&B <c> \"d\" 'e'\x01\tf\r\n富士");
  EXPECT_EQ(out, "A&amp;B &lt;c&gt; &quot;d&quot; &apos;e&apos;?\tf\r\n富士");
  // Plain runs are copied whole: the ones before, between and after.
  out = "x";
  AppendEscaped(out, "&&ab\x7f<");
  EXPECT_EQ(out, "x&amp;&amp;ab\x7f&lt;");
  out.clear();
  AppendEscaped(out, "");
  EXPECT_EQ(out, "");
}

TEST(XmlText, DecimalsWithoutExponents) {
  const struct {
    double value;
    int decimals;
    const char* text;
  } cases[] = {
      {35.681236, 9, "35.681236"},
      {139.7671250004, 9, "139.767125"},
      {1e-10, 9, "0"},
      {-1e-10, 9, "0"},
      {0.000012345, 9, "0.000012345"},
      {-108.374266666667, 9, "-108.374266667"},
      {1e20, 2, "100000000000000000000"},
      {2.5, 0, "3"},
      {10, 6, "10"},
      // The short forms and the long way round give the same texts: a value
      // that rounds to zero loses its sign, one below 10^-8 has no short form.
      {-0.0000000004, 9, "0"},
      {-0.0000000005, 9, "-0.000000001"},
      {0.000000001, 9, "0.000000001"},
      {-179.9999999996, 9, "-180"},
      {0.1 + 0.2, 6, "0.3"},
      {std::numeric_limits<double>::infinity(), 6, "0"},
      {std::numeric_limits<double>::quiet_NaN(), 9, "0"},
  };
  for (const auto& c : cases) {
    std::string out = "x";
    AppendDecimal(out, c.value, c.decimals);
    EXPECT_EQ(out, std::string("x") + c.text) << c.value;
  }
}

// Degrees and speeds as the pattern of their decimals writes them, with
// the trailing zeros and a bare point trimmed: the definition the short
// way must keep, on halves of the last decimal and their neighbours too.
TEST(XmlText, DecimalsAreTheTrimmedPattern) {
  const auto trimmedPattern = [](double value, int decimals) {
    std::string text = text::FormatPattern(std::isfinite(value) ? value : 0, {1, decimals});
    if (text.find('.') != std::string::npos) {
      while (text.back() == '0') text.pop_back();
      if (text.back() == '.') text.pop_back();
    }
    return text == "-0" ? std::string("0") : text;
  };
  std::mt19937_64 random(16);
  std::uniform_real_distribution<double> degrees(-400, 400);
  for (int i = 0; i < 300000; ++i) {
    const int decimals = i % 3 == 0 ? 6 : 9;
    double value = degrees(random);
    if (i % 4 == 1) value = std::round(value * 1e4) / 1e4;
    if (i % 4 == 2)
      value = (std::round(value * std::pow(10, decimals)) + 0.5) / std::pow(10, decimals);
    if (i % 8 == 3) value = std::nextafter(value, 0.0);
    std::string out;
    AppendDecimal(out, value, decimals);
    ASSERT_EQ(out, trimmedPattern(value, decimals)) << value << " " << decimals;
  }
}

// The kept text of the last minute against the text made in full, for
// times that follow each other, jump and go back, across days and years.
TEST(XmlText, RecentUtcDateTimeWritesWhatTheFullFormWrites) {
  std::mt19937_64 random(17);
  std::uniform_int_distribution<text::LocalSeconds> anywhere(-86400, 3652058LL * 86400);
  std::uniform_int_distribution<int> step(-70, 70);
  RecentUtcDateTime recent;
  text::LocalSeconds utc = -100;
  for (int i = 0; i < 300000; ++i) {
    if (i % 1000 == 0) utc = anywhere(random);
    std::string kept = "x";
    recent.Append(kept, utc);
    std::string full = "x";
    AppendUtcDateTime(full, utc);
    ASSERT_EQ(kept, full) << utc;
    utc += i % 3 == 0 ? 1 : step(random);
  }
}

TEST(XmlText, UtcDateTimes) {
  const text::LocalSeconds instant = text::ToLocalSeconds({2009, 10, 17, 18, 37, 26});
  const struct {
    text::CivilDateTime civil;
    const char* text;
  } written[] = {
      {{2009, 10, 17, 18, 37, 26}, "2009-10-17T18:37:26Z"},
      {{1, 1, 1, 0, 0, 0}, "0001-01-01T00:00:00Z"},
      {{999, 3, 4, 5, 6, 7}, "0999-03-04T05:06:07Z"},
      {{9999, 12, 31, 23, 59, 59}, "9999-12-31T23:59:59Z"},
  };
  for (const auto& w : written) {
    std::string out = "x";
    AppendUtcDateTime(out, text::ToLocalSeconds(w.civil));
    EXPECT_EQ(out, std::string("x") + w.text);
  }
  const struct {
    const char* text;
    bool valid;
    text::LocalSeconds utc;
  } cases[] = {
      {"2009-10-17T18:37:26Z", true, instant},
      {" 2009-10-17T18:37:26.750Z ", true, instant},
      {"2009-10-17T18:37:26", true, instant},
      {"2009-10-18T03:37:26+09:00", true, instant},
      {"2009-10-17T14:07:26-04:30", true, instant},
      {"2009-02-30T00:00:00Z", false, 0},
      {"2009-10-17 18:37", false, 0},
      {"2009-10-17T18:37:26+0900", false, 0},
      // The days of February by the Gregorian leap years.
      {"2008-02-29T00:00:00Z", true, text::ToLocalSeconds({2008, 2, 29, 0, 0, 0})},
      {"2000-02-29T00:00:00Z", true, text::ToLocalSeconds({2000, 2, 29, 0, 0, 0})},
      {"1900-02-29T00:00:00Z", false, 0},
      {"2009-04-31T00:00:00Z", false, 0},
      {"2009-12-31T23:59:60Z", true, text::ToLocalSeconds({2010, 1, 1, 0, 0, 0})},
      {"yesterday", false, 0},
      // Blanks at one end only, and none: the text is trimmed only when needed.
      {"\t2009-10-17T18:37:26Z", true, instant},
      {"2009-10-17T18:37:26Z ", true, instant},
      {"", false, 0},
      {"2009-10-17T18:37:2", false, 0},
      {"20a9-10-17T18:37:26Z", false, 0},
      {"2009-1x-17T18:37:26Z", false, 0},
      {"0000-10-17T18:37:26Z", false, 0},
      {"2009-10-17T18:37:26\n", false, 0},
  };
  for (const auto& c : cases) {
    text::LocalSeconds utc = 0;
    EXPECT_EQ(ParseUtcDateTime(c.text, utc), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(utc, c.utc) << c.text;
    }
  }
  // The day kept from one time to the next changes no result, whatever came
  // before: each case after every other one.
  for (const auto& before : cases) {
    for (const auto& c : cases) {
      UtcDay day;
      text::LocalSeconds utc = 0;
      ParseUtcDateTime(before.text, utc, day);
      EXPECT_EQ(ParseUtcDateTime(c.text, utc, day), c.valid) << before.text << " then " << c.text;
      if (c.valid) {
        EXPECT_EQ(utc, c.utc) << before.text << " then " << c.text;
      }
    }
  }
}

}  // namespace
}  // namespace vc::xml
