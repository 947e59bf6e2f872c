#include "engine/point_text.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "geo/coord_text.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

// Whatever way a text is kept, it must read back byte for byte, with the
// leading value and the time that the text itself gives.
void ExpectReadsBackAs(const PackedText& packed, const std::string& text) {
  EXPECT_EQ(packed.Str(), text);
  EXPECT_EQ(packed.Value(), text::LeadingValue(text));
  EXPECT_EQ(packed.Seconds(), text::ParseDateTime(text));
  EXPECT_EQ(packed.IsNotAvailable(), text::TrimSpaces(text) == "-");
}

TEST(PackedText, EveryTextReadsBackExactly) {
  const std::vector<std::string> texts = {
      "",
      "-",
      " - ",
      "---.-",
      "123456",            // the longest kept inside
      "1234567",           // a number too long to keep inside
      "70.4000000000001",  // a computed value
      "-0.5",
      "-0",     // not the general text of its value
      "12.50",  // nor is this
      "0012",
      "1e5",
      "2002/07/15 03:04:05",   // a time kept as seconds
      "2002/07/15 3:04:05",    // the general form, also as seconds
      "2002/07/16",            // midnight in the general form
      "2002/7/15 3:04:05",     // neither form: a text
      " 2002/07/15 03:04:05",  // spaces are kept
      "12:00:10",              // a bare time stays a text
      "0:00:00",
      "9999/12/31 23:59:59",
      "0001/01/01 00:00:00",
      std::string(300, 'x'),
      std::string("a\0b", 3),
      "データ優先",
  };
  std::string scratch;
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    PackedText assigned;
    assigned.Assign(text);
    ExpectReadsBackAs(assigned, text);
    PackedText read;
    read.AssignDateTime(text, scratch);
    ExpectReadsBackAs(read, text);
    const PackedText copy = read;  // NOLINT: the copy is the subject
    ExpectReadsBackAs(copy, text);
  }
}

TEST(PackedText, NumbersReadBackAsTheirGeneralText) {
  for (const double value : {0.0, -0.0, 36.0072, 1.0 / 3, -123.456, 1e20, 2.5e-9, 1e300}) {
    PackedText packed;
    packed.SetNumber(value);
    EXPECT_EQ(packed.Str(), text::General(value)) << value;
    EXPECT_EQ(packed.Value(), text::LeadingValue(text::General(value))) << value;
    EXPECT_FALSE(packed.StoredText().has_value());
  }
  PackedText notFinite;
  notFinite.SetNumber(std::numeric_limits<double>::infinity());
  EXPECT_EQ(notFinite.Str(), "0");
}

TEST(PackedText, ReassigningReleasesAndReplaces) {
  PackedText packed;
  const std::string longText(100, 'y');
  packed.Assign(longText);
  packed.Assign(*packed.StoredText());  // from its own storage
  EXPECT_EQ(packed.Str(), longText);
  packed.SetDateTime(text::ParseDateTime("2002/07/15 03:04:05").value());
  EXPECT_EQ(packed.Str(), "2002/07/15 03:04:05");
  packed.SetGeneralDateTime(*packed.Seconds());
  EXPECT_EQ(packed.Str(), "2002/07/15 3:04:05");
  PackedText other;
  other.Assign(longText);
  packed = other;
  other.Assign("-");
  EXPECT_EQ(packed.Str(), longText);
  packed = packed;  // NOLINT: self-assignment must keep the text
  EXPECT_EQ(packed.Str(), longText);
}

TEST(PackedText, TrimmedTextsLoseOnlyTheirSpaces) {
  PackedText packed;
  std::string out;
  packed.Assign("  12.5 ");
  packed.AppendTrimmedTo(out);
  packed.SetNumber(-4.25);
  packed.AppendTrimmedTo(out);
  EXPECT_EQ(out, "12.5-4.25");
}

// Decimal texts of every shape: signs, leading and trailing zeros, points
// without digits, up to twenty digits. Those that are the general text of
// their value are kept as numbers; all must read back as they were.
std::vector<std::string> DecimalTexts() {
  std::vector<std::string> texts;
  std::uint64_t state = 7;
  auto next = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % bound;
  };
  const char* const pieces[] = {"", "-", "0", "00", ".", "0.", "."};
  for (int i = 0; i < 20000; ++i) {
    std::string text = next(4) == 0 ? "-" : "";
    if (next(5) == 0) text += pieces[next(7)];
    const std::uint64_t intDigits = next(12);
    for (std::uint64_t k = 0; k < intDigits; ++k) text += static_cast<char>('0' + next(10));
    if (next(2) == 0) {
      text += '.';
      const std::uint64_t fracDigits = next(14);
      for (std::uint64_t k = 0; k < fracDigits; ++k) text += static_cast<char>('0' + next(10));
    }
    texts.push_back(text);
  }
  for (const char* text : {"0", "-0", "0.0", "100", "100000000000000000000", "0.000000001",
                           "123456789012345", "1234567890123456", "12345678901234.5",
                           "1234567890123.456", "35.6812333333333", "-139.767123456789"}) {
    texts.emplace_back(text);
  }
  return texts;
}

TEST(PointTexts, DecimalTextsOfEveryShapeReadBackExactly) {
  std::string scratch;
  for (const std::string& text : DecimalTexts()) {
    PackedText packed;
    packed.Assign(text);
    ASSERT_EQ(packed.Str(), text);
    ASSERT_EQ(packed.Value(), text::LeadingValue(text)) << text;
    CoordText coord;
    coord = text;
    ASSERT_EQ(coord.View(scratch), text);
    if (const auto number = coord.Number()) {
      ASSERT_EQ(*number, text::LeadingValue(text)) << text;
      ASSERT_EQ(text::General(*number), text);
    }
  }
}

TEST(CoordText, KeepsShortTextsInsideAndLongOnesExactly) {
  std::string scratch;
  const struct {
    std::string text;
    bool number;  // kept as its value
  } cases[] = {
      {"", false},
      {"35.681234", false},
      {"139/45/12.3", false},
      {std::string(15, '9'), false},  // fits inside
      {"35.6812333333333", true},     // a receiver's decimal degrees
      {"-139.767123456789", true},
      {"35.68123333333330", false},  // a trailing zero: not the general text
      {"35/40/52.44444444444", false},
      {std::string(200, 'z'), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    CoordText coord;
    coord = c.text;
    EXPECT_EQ(coord.Number().has_value(), c.number);
    EXPECT_EQ(coord.View(scratch), c.text);
    std::string appended = "x";
    coord.AppendTo(appended);
    EXPECT_EQ(appended, "x" + c.text);
    CoordText copy = coord;  // NOLINT: the copy is the subject
    coord = "1";
    EXPECT_EQ(copy, c.text);
    copy = copy;  // NOLINT: self-assignment must keep the text
    EXPECT_EQ(copy, c.text);
  }
}

TEST(CoordText, DegreesAndFormsAgreeWithTheText) {
  std::string scratch;
  for (const char* text : {"35.6812333333333", "-139.767123456789", "139.45", "35.3030"}) {
    for (const char* form : {"D", "DM", "DMS", "MPS", "PAO", "?"}) {
      CoordText coord;
      coord = text;
      EXPECT_EQ(CoordDegreesOf(coord, form, scratch), geo::CoordDegrees(text, form))
          << text << " " << form;
      for (const char* to : {"D", "DM", "DMS", "MPS", "PAO"}) {
        std::string viaValue;
        AppendConvertedCoordOf(viaValue, coord, form, to, scratch);
        EXPECT_EQ(viaValue, geo::ConvertCoordText(text, form, to)) << text << " " << form << to;
      }
    }
  }
}

TEST(InlineText, ShortAndLongTextsReadBackExactly) {
  const std::vector<std::string> texts = {"",
                                          "35.5",
                                          "139/45/12.3",
                                          std::string(23, 'a'),
                                          std::string(24, 'b'),
                                          std::string(1000, 'c')};
  for (const std::string& text : texts) {
    InlineText<24> wide(text);
    EXPECT_EQ(wide, text);
    InlineText<8> narrow;
    narrow = text;
    EXPECT_EQ(narrow, text);
    InlineText<8> copy = narrow;  // NOLINT: the copy is the subject
    narrow = "x";
    EXPECT_EQ(copy, text);
    copy = copy.View();  // from its own storage
    EXPECT_EQ(copy, text);
    copy.clear();
    EXPECT_TRUE(copy.empty());
  }
}

}  // namespace
}  // namespace vc::engine
