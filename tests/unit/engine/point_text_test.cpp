#include "engine/point_text.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <optional>
#include <string>
#include <vector>

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
