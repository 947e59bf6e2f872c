#include "engine/track_points.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "geo/coord_text.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr PointField kMeasured[] = {PointField::kVelocity, PointField::kTrkDegree,
                                    PointField::kPosError, PointField::kHeadDegree};

// Whatever way a text is kept, it must read back byte for byte, with the
// leading value and the time that the text itself gives.
void ExpectReadsBackAs(const TrackPoints& points, const TrkPnt& point, PointField field,
                       const std::string& text) {
  EXPECT_EQ(points.Text(point, field), text);
  EXPECT_EQ(points.Value(point, field), text::LeadingValue(text));
  EXPECT_EQ(points.IsNotAvailable(point, field), text::TrimSpaces(text) == "-");
  if (field == PointField::kDateTime) {
    EXPECT_EQ(points.Seconds(point), text::ParseDateTime(text));
  }
}

TEST(TrackPoints, EveryTextReadsBackExactly) {
  const std::vector<std::string> texts = {
      "",
      "-",
      " - ",
      "---.-",
      "1234567",
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
  TrackPoints points;
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    TrkPnt& point = points.Add();
    for (const PointField field : kMeasured) points.SetText(point, field, text);
    points.SetText(point, PointField::kDateTime, text);
    for (const PointField field : kMeasured) ExpectReadsBackAs(points, point, field, text);
    ExpectReadsBackAs(points, point, PointField::kDateTime, text);
  }
  // Later texts must not have disturbed the earlier ones.
  for (std::size_t n = 1; n <= texts.size(); ++n) {
    EXPECT_EQ(points.Text(points[n], PointField::kVelocity), texts[n - 1]);
  }
}

TEST(TrackPoints, NumbersAndTimesAreKeptWithoutText) {
  TrackPoints points;
  TrkPnt& point = points.Add();
  for (const double value : {0.0, -0.0, 36.0072, 1.0 / 3, -123.456, 1e20, 2.5e-9, 1e300}) {
    TrackPoints::SetNumber(point, PointField::kVelocity, value);
    EXPECT_EQ(points.Text(point, PointField::kVelocity), text::General(value)) << value;
    EXPECT_EQ(points.Value(point, PointField::kVelocity), text::LeadingValue(text::General(value)))
        << value;
    EXPECT_FALSE(points.OwnText(point, PointField::kVelocity).has_value());
  }
  TrackPoints::SetNumber(point, PointField::kVelocity, std::numeric_limits<double>::infinity());
  EXPECT_EQ(points.Text(point, PointField::kVelocity), "0");

  const text::LocalSeconds seconds = text::ParseDateTime("2002/07/15 03:04:05").value();
  TrackPoints::SetTime(point, seconds);
  EXPECT_EQ(points.Text(point, PointField::kDateTime), "2002/07/15 03:04:05");
  TrackPoints::SetTime(point, seconds, TimeForm::kGeneralDateTime);
  EXPECT_EQ(points.Text(point, PointField::kDateTime), "2002/07/15 3:04:05");
  EXPECT_EQ(points.Seconds(point), seconds);
}

TEST(TrackPoints, NewPointsAreEmptyAndTrimmingKeepsTheRest) {
  TrackPoints points;
  TrkPnt& first = points.Add();
  points.SetText(first, PointField::kVelocity, "  12.5 ");
  TrkPnt& second = points.Add();
  for (std::size_t i = 0; i < kPointFieldCount; ++i) {
    EXPECT_EQ(points.Text(second, static_cast<PointField>(i)), "");
  }
  EXPECT_EQ(points.Datum(second), "");
  TrackPoints::SetNumber(second, PointField::kVelocity, -4.25);
  std::string out;
  points.AppendTrimmed(out, points[1], PointField::kVelocity);
  points.AppendTrimmed(out, points[2], PointField::kVelocity);
  EXPECT_EQ(out, "12.5-4.25");
  points.DropLast();
  EXPECT_EQ(points.Count(), 1U);
  points.Clear();
  EXPECT_EQ(points.Count(), 0U);
  EXPECT_EQ(points.Text(points.Add(), PointField::kTrkDegree), "");
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

TEST(TrackPoints, DecimalTextsOfEveryShapeReadBackExactly) {
  TrackPoints points;
  for (const std::string& text : DecimalTexts()) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, "TOKYO", "+9", "D");
    points.SetText(point, PointField::kLat, text);
    points.SetText(point, PointField::kPosError, text);
    ASSERT_EQ(points.Text(point, PointField::kLat), text);
    ASSERT_EQ(points.Text(point, PointField::kPosError), text);
    ASSERT_EQ(points.Value(point, PointField::kPosError), text::LeadingValue(text)) << text;
    // Kept as a number exactly when the text is that number's general text.
    ASSERT_EQ(!point.HasOwnText(PointField::kLat),
              text::General(text::LeadingValue(text)) == text && text != "-0")
        << text;
  }
}

// However a coordinate is kept, its degrees and its text in every other form
// are those the coordinate functions give for its text.
TEST(TrackPoints, CoordinatesAgreeWithTheirTextsInEveryForm) {
  const char* const forms[] = {"D", "DM", "DMS", "MPS", "PAO", "?"};
  TrackPoints points;
  for (const char* text : {"35.6812333333333", "-139.767123456789", "139.45", "35.3030", "35",
                           "35/40/52.3", "-35/30/00.0", "x", ""}) {
    for (const char* form : forms) {
      SCOPED_TRACE(std::string(text) + " in " + form);
      TrkPnt& point = points.Add();
      points.SetLabels(point, "WGS84", "0", form);
      points.SetText(point, PointField::kLat, text);
      EXPECT_EQ(points.Text(point, PointField::kLat), text);
      EXPECT_EQ(points.Degrees(point, PointField::kLat), geo::CoordDegrees(text, form));
      for (const char* to : forms) {
        std::string out;
        points.AppendCoordIn(out, point, PointField::kLat, to);
        EXPECT_EQ(out, geo::ConvertCoordText(text, form, to)) << to;
      }
    }
  }
}

// A script's coordinates are kept as the degrees they were written from.
TEST(TrackPoints, CoordinatesFromDegreesReadAsTheirTextInTheForm) {
  TrackPoints points;
  for (const char* degrees : {"35.681234", "-139.7525", "0", "139.45", "1e3"}) {
    for (const char* form : {"MPS", "PAO"}) {
      SCOPED_TRACE(std::string(degrees) + " as " + form);
      TrkPnt& point = points.Add();
      points.SetLabels(point, "Tokyo", "+9", form);
      TrackPoints::SetCoordFromDegrees(point, PointField::kLon, text::LeadingValue(degrees));
      const std::string text = geo::ConvertCoordText(degrees, "D", form);
      EXPECT_EQ(points.Text(point, PointField::kLon), text);
      EXPECT_EQ(points.Degrees(point, PointField::kLon), geo::CoordDegrees(text, form));
      std::string out;
      points.AppendCoordIn(out, point, PointField::kLon, "D");
      EXPECT_EQ(out, geo::ConvertCoordText(text, form, "D"));
    }
  }
}

// The degrees of a script's coordinate are worked out from its packed angle,
// not from its text: they must be what the text reads back as, over the
// whole range, round the carries of seconds into minutes and degrees, and
// for the values too large to pack.
TEST(TrackPoints, CoordinatesFromDegreesInMpsReadAsTheirTextWithoutIt) {
  std::vector<double> values = {
      0,          -0.0,     1e-7,      -1e-7,  -0.00001, 35.99999999, 35.999986,
      -35.999986, 59.99999, 999.99998, 1000.5, -1e6,     1e3,         12.34567891234567};
  for (int i = 0; i <= 20000; ++i) values.push_back(-180 + i * 0.018000123456789);
  TrackPoints points;
  std::string scratch;
  for (const double degrees : values) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, "Tokyo", "+9", "MPS");
    TrackPoints::SetCoordFromDegrees(point, PointField::kLat, degrees);
    const std::string text = points.Text(point, PointField::kLat);
    ASSERT_EQ(points.Degrees(point, PointField::kLat), geo::CoordDegrees(text, "MPS"))
        << degrees << " written " << text;
  }
}

TEST(TrackPoints, LabelsAreSharedAndChangeAlone) {
  TrackPoints points;
  TrkPnt& a = points.Add();
  points.SetLabels(a, "WGS84", "0", "D");
  TrkPnt& b = points.Add();
  points.SetLabels(b, "TOKYO", "+9", "MPS");
  TrkPnt& c = points.Add();
  points.SetLabels(c, "WGS84", "0", "D");
  EXPECT_EQ(points[1].labels, points[3].labels);
  points.SetDatum(points[3], "TOKYO");
  EXPECT_EQ(points.Datum(points[3]), "TOKYO");
  EXPECT_EQ(points.UtcOffset(points[3]), "0");
  EXPECT_EQ(points.CoordFormat(points[3]), "D");
  EXPECT_EQ(points.Datum(points[1]), "WGS84");
  EXPECT_EQ(points.CoordFormat(points[2]), "MPS");
}

}  // namespace
}  // namespace vc::engine
