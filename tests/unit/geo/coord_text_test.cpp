#include "geo/coord_text.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "text/numbers.hpp"

namespace vc::geo {
namespace {

struct ConvertCase {
  std::string_view value;
  std::string_view fromForm;
  std::string_view toForm;
  std::string_view expected;
};

void ExpectConversions(std::span<const ConvertCase> cases) {
  for (const ConvertCase& c : cases) {
    EXPECT_EQ(ConvertCoordText(c.value, c.fromForm, c.toForm), c.expected)
        << '"' << c.value << "\" " << c.fromForm << " -> " << c.toForm;
  }
}

TEST(CoordText, ConvertsBetweenForms) {
  const ConvertCase cases[] = {
      {"35.5", "D", "DMS", "35.300000"},
      {"35.5", "D", "MPS", "35/30/00.0"},
      {"35.5", "D", "PAO", "35/30/00000"},
      {"35.5", "D", "D", "35.5"},
      {"35/30/12.3", "MPS", "D", "35.5034166666667"},
      {"35/30/12.3", "MPS", "DMS", "35.301230"},
      {"35/30/12340", "PAO", "MPS", "35/30/12.3"},
      {"35/30/12340", "PAO", "DMS", "35.301234"},
      {"35.3030", "DM", "MPS", "35/30/18.0"},
      {"35.3030", "DM", "D", "35.505"},
      {"139.7525", "D", "DMS", "139.450900"},
      {"139.450900", "DMS", "MPS", "139/45/09.0"},
      {"35.392920", "DMS", "MPS", "35/39/29.2"},
      {"35.301234", "DMS", "PAO", "35/30/12340"},
      {" 35.5", "D", "MPS", "35/30/00.0"},
      {"12.3abc", "D", "D", "12.3"},
  };
  ExpectConversions(cases);
}

TEST(CoordText, EmptyTextIsZero) {
  const ConvertCase cases[] = {
      {"", "D", "D", "0"},
      {"", "DMS", "DMS", "0.000000"},
      {"", "MPS", "MPS", "0/00/00.0"},
      {"", "PAO", "PAO", "0/00/00000"},
      {"-", "D", "MPS", "0/00/00.0"},
      {"abc", "MPS", "D", "0"},
  };
  ExpectConversions(cases);
}

TEST(CoordText, FormCodesAreExact) {
  const ConvertCase cases[] = {
      {"35.5", "D", "XYZ", ""}, {"35.5", "D", "mps", ""},
      {"35.5", "D", "", ""},    {"35.301234", "dms", "MPS", "0/00/00.0"},
      {"35.5", "", "D", "0"},
  };
  ExpectConversions(cases);
}

// A field that rounds up to 60 shows 60; the next field is not increased.
TEST(CoordText, RoundedFieldShowsSixty) {
  const ConvertCase cases[] = {
      {"139.595999", "DMS", "MPS", "139/59/60.0"},
      {"35/30/59.96", "MPS", "MPS", "35/30/60.0"},
      {"35/59.6/00", "MPS", "DMS", "35.600000"},
  };
  ExpectConversions(cases);
}

TEST(CoordText, MissingAndExtraSlashFields) {
  const ConvertCase cases[] = {
      {"35/30", "MPS", "DMS", "35.300000"},
      {"35", "MPS", "D", "35"},
      {"35/30/12.3/", "MPS", "D", "35.5034166666667"},
      {"35/30/12.3/99", "MPS", "D", "35.5034166666667"},
      {"35/30/12340/7/8", "PAO", "MPS", "35/30/12.3"},
  };
  ExpectConversions(cases);
}

TEST(CoordText, WritesDmAsInverseOfReading) {
  const ConvertCase cases[] = {
      {"35/30/18.0", "MPS", "DM", "35.303"}, {"35.5", "D", "DM", "35.3"},
      {"35.3030", "DM", "DM", "35.303"},     {"139.45", "DM", "DM", "139.45"},
      {"-35.5", "D", "DM", "-35.3"},
  };
  ExpectConversions(cases);
}

// South and west: the sign belongs to the whole angle, not to the degrees.
TEST(CoordText, NegativeAnglesAreSignAndMagnitude) {
  const ConvertCase cases[] = {
      {"-35.5", "D", "DMS", "-35.300000"},
      {"-35.5", "D", "MPS", "-35/30/00.0"},
      {"-35.5", "D", "PAO", "-35/30/00000"},
      {"-35.5", "D", "D", "-35.5"},
      {"-35.300000", "DMS", "D", "-35.5"},
      {"-35/30/00.0", "MPS", "D", "-35.5"},
      {"-35/30/00000", "PAO", "D", "-35.5"},
      {"-35.3030", "DM", "MPS", "-35/30/18.0"},
      {"-0.5", "D", "MPS", "-0/30/00.0"},
      {"-0/30/00.0", "MPS", "D", "-0.5"},
      {" -0/30", "MPS", "DMS", "-0.300000"},
      // Nothing left to carry the sign: no "-0/00/00.0".
      {"-0.00000001", "D", "MPS", "0/00/00.0"},
      {"-0/00/00.0", "MPS", "D", "0"},
  };
  ExpectConversions(cases);
}

// The three-field forms are built on the stack; they must read as the
// fields' own texts joined: the general degrees, "00" minutes and the
// seconds' pattern, the sign only while a digit other than zero is left.
std::string JoinedFields(const CoordParts& parts, std::string_view form) {
  std::string fields = text::General(parts.deg);
  if (form == "DMS") {
    fields += "." + text::FormatPattern(parts.min, text::kPattern00) +
              text::FormatPattern(parts.sec * 100, text::kPattern0000);
  } else if (form == "MPS") {
    fields += "/" + text::FormatPattern(parts.min, text::kPattern00) + "/" +
              text::FormatPattern(parts.sec, text::kPattern00_0);
  } else {
    fields += "/" + text::FormatPattern(parts.min, text::kPattern00) + "/" +
              text::FormatPattern(parts.sec * 1000, text::kPattern00000);
  }
  const bool allZero = fields.find_first_of("123456789") == std::string::npos;
  return parts.negative && !allZero ? "-" + fields : fields;
}

TEST(CoordText, FieldFormsJoinTheFieldTexts) {
  std::mt19937_64 random(35);
  std::uniform_real_distribution<double> unit(0, 1);
  for (int i = 0; i < 100000; ++i) {
    CoordParts parts;
    parts.negative = random() % 3 == 0;
    parts.deg = i % 7 == 0 ? unit(random) * 180 : std::floor(unit(random) * 180);
    parts.min = i % 5 == 0 ? unit(random) * 60 : std::floor(unit(random) * 60);
    // Seconds at and around the halves of the last written digit, and tiny
    // angles whose fields all round to zero.
    const double sec = std::floor(unit(random) * 6000) / 100 + 0.005;
    parts.sec = i % 4 == 0 ? sec : i % 4 == 1 ? std::nextafter(sec, 0.0) : unit(random) * 60;
    if (i % 50 == 0) parts = {true, 0, 0, unit(random) * 1e-3};
    for (const std::string_view form : {"DMS", "MPS", "PAO"}) {
      std::string out;
      ASSERT_TRUE(AppendCoordText(out, parts, form));
      ASSERT_EQ(out, JoinedFields(parts, form))
          << form << " " << parts.deg << " " << parts.min << " " << parts.sec;
    }
  }
  // Around the digit counts of whole degrees and minutes, minutes that are
  // negative or not whole (slash fields may say anything), and degrees
  // beyond the short texts, which take the appending way.
  const CoordParts edges[] = {
      {false, 9, 9, 1},     {false, 10, 10, 2},   {false, 99, 99, 3},     {false, 100, 100, 4},
      {false, 999, 0, 5},   {false, 1000, 0, 6},  {true, 12345, 7, 8},    {false, -0.0, -0.0, 0},
      {true, 35, -5, 9.95}, {false, 35, 59.5, 0}, {false, 35.5, 3.25, 0}, {true, 1e300, 5, 7.25},
  };
  for (const CoordParts& parts : edges) {
    for (const std::string_view form : {"DMS", "MPS", "PAO"}) {
      std::string out;
      ASSERT_TRUE(AppendCoordText(out, parts, form));
      EXPECT_EQ(out, JoinedFields(parts, form)) << form << " " << parts.deg << " " << parts.min;
    }
  }
}

// Regression: (v - deg) x 100 of "139.45" is 44.999..., which read as
// 139 deg 44 min 99.99 sec and was written as "139/44/100.0".
TEST(CoordText, DecimalMinuteSplitIsExact) {
  const ConvertCase cases[] = {
      {"139.45", "DMS", "MPS", "139/45/00.0"},
      {"139.45", "DMS", "D", "139.75"},
      {"139.45", "DM", "MPS", "139/45/00.0"},
      {"35.3", "DMS", "MPS", "35/30/00.0"},
      {"35.07", "DMS", "MPS", "35/07/00.0"},
      {"-139.45", "DMS", "MPS", "-139/45/00.0"},
      {"139.4459", "DMS", "MPS", "139/44/59.0"},
      // Decimal degrees with whole minutes, which would read as one minute
      // less and 59.99999999995 seconds ("139/26/60.0").
      {"139.45", "D", "MPS", "139/27/00.0"},
      {"35.7", "D", "DMS", "35.420000"},
      {"-139.45", "D", "PAO", "-139/27/00000"},
  };
  ExpectConversions(cases);

  const CoordParts parts = ReadCoordText("-139.45", "DMS");
  EXPECT_TRUE(parts.negative);
  EXPECT_EQ(parts.deg, 139);
  EXPECT_EQ(parts.min, 45);
  EXPECT_EQ(parts.sec, 0);
}

TEST(CoordText, AppendsToExistingText) {
  std::string out = "lat=";
  AppendConvertedCoord(out, "35.5", "D", "MPS");
  EXPECT_EQ(out, "lat=35/30/00.0");
  AppendConvertedCoord(out, "35.5", "D", "DMs");
  EXPECT_EQ(out, "lat=35/30/00.0");

  EXPECT_FALSE(AppendCoordText(out, CoordParts{false, 1, 2, 3}, "X"));
  EXPECT_EQ(out, "lat=35/30/00.0");
}

TEST(CoordText, HugeDigitRunsStayFinite) {
  const std::string digits(400, '9');
  EXPECT_EQ(ConvertCoordText(digits, "D", "MPS"), "0/00/00.0");
  EXPECT_EQ(ConvertCoordText(digits + "/" + digits, "MPS", "D"), "0");
}

TEST(CoordDegrees, MatchesTheWrittenDecimalDegrees) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"35/30/12.3", "MPS"},  {"139/45/09.0", "MPS"},  {"-35/30/12.3", "MPS"},
      {"35/30/12340", "PAO"}, {"35.301234", "DMS"},    {"139.45", "DMS"},
      {"3530.1234", "DM"},    {"35.30123456", "DM"},   {"139.7525", "D"},
      {"0.1", "D"},           {"-139.123456789", "D"}, {"", "MPS"},
      {"35.5", "dms"},        {"35/59/60.0", "MPS"},   {"139.595999", "DMS"},
  };
  for (const auto& [value, form] : cases) {
    EXPECT_EQ(CoordDegrees(value, form), text::LeadingValue(ConvertCoordText(value, form, "D")))
        << value << ' ' << form;
  }
}

// The packed "MPS" angle, which the writers keep between the line and the
// point statements, against the form's definition: the sign unless every
// field is zero, the degrees' general text, minutes "00", seconds "00.0".
std::string ReferenceMpsText(const CoordParts& parts) {
  std::string fields = text::General(parts.deg) + "/" +
                       text::FormatPattern(parts.min, text::kPattern00) + "/" +
                       text::FormatPattern(parts.sec, text::kPattern00_0);
  const bool allZero = fields.find_first_of("123456789") == std::string::npos;
  return (parts.negative && !allZero ? "-" : "") + fields;
}

std::string PackedText(MpsAngle angle) {
  std::string text(kMpsAngleRoom, '\0');
  text.resize(static_cast<std::size_t>(PutMpsAngle(text.data(), angle) - text.data()));
  return text;
}

TEST(MpsAngle, PackedTextIsTheFormsText) {
  const struct {
    CoordParts parts;
    const char* text;  // nullptr: not packed
  } cases[] = {
      {{false, 35, 30, 12.34}, "35/30/12.3"},
      {{true, 139, 5, 9.95}, "-139/05/10.0"},
      {{false, 0, 59, 59.96}, "0/59/60.0"},  // rounded up to 60, never carried
      {{true, 0, 0, 0.04}, "0/00/00.0"},     // all zeros: no sign
      {{true, 0, 0, 0.05}, "-0/00/00.1"},
      {{false, 999, 99, 1638.3}, "999/99/1638.3"},
      {{false, 1000, 0, 0}, nullptr},  // degrees beyond the packed field
      {{false, 35.5, 0, 0}, nullptr},  // degrees not whole
      {{false, 35, 100, 0}, nullptr},
      {{false, 35, -1, 0}, nullptr},
      {{false, 35, 0, -0.04}, "35/00/00.0"},  // rounds to zero: no sign inside
      {{false, 35, 0, -1}, nullptr},
      {{false, 35, 0, 1638.4}, nullptr},
      {{false, 35, 0, std::nan("")}, "35/00/00.0"},
  };
  for (const auto& c : cases) {
    const std::optional<MpsAngle> packed = PackMpsAngle(c.parts);
    ASSERT_EQ(packed.has_value(), c.text != nullptr) << c.parts.deg << " " << c.parts.sec;
    std::string written;
    ASSERT_TRUE(AppendCoordText(written, c.parts, "MPS"));
    if (packed) {
      EXPECT_EQ(PackedText(*packed), c.text);
      EXPECT_EQ(written, c.text);
    }
  }
  // Angles as the decimal forms split them, over the whole range of
  // coordinates, halves of a tenth of a second among them.
  std::mt19937_64 random(8);
  std::uniform_real_distribution<double> degrees(-180, 180);
  for (int i = 0; i < 300000; ++i) {
    double value = degrees(random);
    if (i % 3 == 0) value = std::round(value * 36000) / 36000 + 0.05 / 3600;
    const CoordParts parts = ReadDecimalCoord(value, i % 2 == 0 ? "D" : "DMS");
    const std::optional<MpsAngle> packed = PackMpsAngle(parts);
    ASSERT_TRUE(packed.has_value()) << value;
    ASSERT_EQ(PackedText(*packed), ReferenceMpsText(parts)) << value;
  }
}

// The packing straight from decimal degrees against the parts' way, over
// the range of coordinates, on halves of a tenth of a second and at the
// edges of the packed fields.
TEST(MpsAngle, PackMpsDegreesIsThePartsWay) {
  const auto partsWay = [](double degrees) { return PackMpsAngle(ReadDecimalCoord(degrees, "D")); };
  const auto check = [&](double degrees) {
    MpsAngle fast;
    const bool packed = PackMpsDegrees(degrees, fast);
    const std::optional<MpsAngle> general = partsWay(degrees);
    ASSERT_EQ(packed, general.has_value()) << degrees;
    if (packed) {
      ASSERT_EQ(fast.bits, general->bits) << degrees;
    }
  };
  const double inf = std::numeric_limits<double>::infinity();
  for (const double degrees :
       {0.0, -0.0, -0.00001, -0.0000139, 35.5, -35.5, 139.45, 59.99999999999, 999.9999999,
        -999.99999999, 1000.0, -1000.0, 1e300, -1e300, 5e-324, inf, -inf, std::nan("")}) {
    check(degrees);
  }
  std::mt19937_64 random(10);
  std::uniform_real_distribution<double> uniform(-180, 180);
  for (int i = 0; i < 1000000; ++i) {
    double degrees = uniform(random);
    // Exactly on, and a hair beside, the half of a tenth of a second.
    if (i % 3 == 0) degrees = std::round(degrees * 36000) / 36000 + 0.05 / 3600;
    if (i % 3 == 1) degrees = text::RoundToGeneral(std::round(degrees * 1e6) / 1e6);
    if (i % 7 == 0) degrees = std::nextafter(degrees, i % 2 == 0 ? inf : -inf);
    check(degrees);
  }
}

// The shortcut for a value that is its own general rounding against the
// full reading back of its "D" text.
TEST(CoordDegrees, GeneralDecimalDegreesMatchesTheReadingBack) {
  std::mt19937_64 random(9);
  std::uniform_real_distribution<double> degrees(-180, 180);
  for (int i = 0; i < 1000000; ++i) {
    double value = text::RoundToGeneral(degrees(random));
    if (i % 4 == 0) value = text::RoundToGeneral(std::round(value * 1e6) / 1e6);
    if (i % 4 == 1) value = text::RoundToGeneral(std::round(value * 3600) / 3600);
    ASSERT_EQ(GeneralDecimalDegrees(value), DecimalCoordDegrees(value, "D")) << value;
  }
  for (const double value : {0.0, -0.0, 139.45, -139.45, 59.999999999999, 1e-300, 1e300}) {
    EXPECT_EQ(GeneralDecimalDegrees(value), DecimalCoordDegrees(value, "D")) << value;
  }
}

// The degrees of a stored number are their own general rounding: a writer
// that would round them once more (a shift between two names of one datum)
// may leave that out.
TEST(CoordDegrees, GeneralDecimalDegreesAreTheirOwnRounding) {
  std::mt19937_64 random(18);
  std::uniform_real_distribution<double> degrees(-400, 400);
  for (int i = 0; i < 1000000; ++i) {
    double value = text::RoundToGeneral(degrees(random));
    if (i % 3 == 0) value = text::RoundToGeneral(std::round(value * 1e6) / 1e6);
    if (i % 3 == 1) value = text::RoundToGeneral(std::round(value * 36000) / 36000);
    const double once = GeneralDecimalDegrees(value);
    ASSERT_EQ(text::RoundToGeneral(once), once) << value;
  }
}

}  // namespace
}  // namespace vc::geo
