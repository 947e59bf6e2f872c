#include "formats/xml/xml_text.hpp"

#include <gtest/gtest.h>

namespace vc::xml {
namespace {

TEST(XmlText, EscapesMarkupAndControlCharacters) {
  std::string out;
  AppendEscaped(out, "A&B <c> \"d\" 'e'\x01\tf\r\n富士");
  EXPECT_EQ(out, "A&amp;B &lt;c&gt; &quot;d&quot; &apos;e&apos;?\tf\r\n富士");
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
  };
  for (const auto& c : cases) {
    std::string out = "x";
    AppendDecimal(out, c.value, c.decimals);
    EXPECT_EQ(out, std::string("x") + c.text) << c.value;
  }
}

TEST(XmlText, UtcDateTimes) {
  const text::LocalSeconds instant = text::ToLocalSeconds({2009, 10, 17, 18, 37, 26});
  std::string out;
  AppendUtcDateTime(out, instant);
  EXPECT_EQ(out, "2009-10-17T18:37:26Z");
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
      {"yesterday", false, 0},
  };
  for (const auto& c : cases) {
    text::LocalSeconds utc = 0;
    EXPECT_EQ(ParseUtcDateTime(c.text, utc), c.valid) << c.text;
    if (c.valid) {
      EXPECT_EQ(utc, c.utc) << c.text;
    }
  }
}

}  // namespace
}  // namespace vc::xml
