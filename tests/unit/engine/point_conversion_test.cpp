#include "engine/output/point_conversion.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>

#include "engine/output/buffered_text.hpp"
#include "geo/coord_text.hpp"
#include "geo/datum.hpp"
#include "support/writer_support.hpp"
#include "text/datetime.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

using testing::MakeTrackPoint;
using testing::MakeWaypoint;

const text::LocalSeconds kNow = text::ToLocalSeconds({2002, 3, 5, 21, 0, 0});

OutputFrame FrameOf(std::string utcOffset, std::string datum, std::string coordFormat) {
  OutputFrame frame;
  frame.utcOffset = std::move(utcOffset);
  frame.datum = std::move(datum);
  frame.coordFormat = std::move(coordFormat);
  return frame;
}

struct CoordCase {
  const char* what;
  const char* recDatum;
  const char* recForm;
  const char* lat;
  const char* lon;
  const char* datum;
  const char* coordFormat;
  const char* expectedLat;
  const char* expectedLon;
};

TEST(PointConversion, CoordinatesByDatumAndForm) {
  const CoordCase cases[] = {
      {"the point's own datum and form keep the texts as they are", "TOKYO", "D", " 35.50 ",
       "139.750", kDataPriority, kDataPriority, " 35.50 ", "139.750"},
      {"a form change only", "TOKYO", "D", "35.5", "139.7525", "TOKYO", "MPS", "35/30/00.0",
       "139/45/09.0"},
      // "Tokyo" and "TOKYO" are different texts: the point goes through the
      // datum step, which moves nothing but rewrites the general text.
      {"a datum name differing only in case", "Tokyo", "D", "35.12345678901234567", "139.5",
       "TOKYO", kDataPriority, "35.1234567890123", "139.5"},
      {"a datum pair that cannot be transformed", "WGS84", "D", "35.500", "139.750", "NAD27",
       kDataPriority, "35.5", "139.75"},
      {"an unknown target form", "TOKYO", "D", "35.5", "139.75", kDataPriority, "dms", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    WptRec point;
    testing::SetWaypoint(point, MakeWaypoint("P", c.lat, c.lon, c.recForm, c.recDatum));
    const OutputFrame frame = FrameOf(kDataPriority, c.datum, c.coordFormat);
    ConvertedPoint converted;
    ConvertPointForOutput(point.store, point.Point(), frame, kNow, converted);
    EXPECT_EQ(converted.lat, c.expectedLat);
    EXPECT_EQ(converted.lon, c.expectedLon);
    // The writer's record stays as it was read.
    EXPECT_EQ(testing::WaypointTexts(point).lat, c.lat);
    EXPECT_EQ(testing::WaypointTexts(point).lon, c.lon);
  }
}

TEST(PointConversion, TokyoToWgs84InThePointsOwnForm) {
  // "DM" is written back in "DM", not left empty. 35.4087416 is 35 deg
  // 40.87416 min, the same point as 35.681236 deg.
  const char* const forms[][3] = {{"D", "35.681236", "139.767125"},
                                  {"DM", "35.4087416", "139.460275"}};
  // The output values refer to the frame, which must outlive them.
  const OutputFrame frame = FrameOf(kDataPriority, "WGS84", kDataPriority);
  for (const auto& form : forms) {
    SCOPED_TRACE(form[0]);
    WptRec point;
    testing::SetWaypoint(point, MakeWaypoint("P", form[1], form[2], form[0], "TOKYO"));
    ConvertedPoint converted;
    ConvertPointForOutput(point.store, point.Point(), frame, kNow, converted);
    EXPECT_NEAR(geo::CoordDegrees(converted.lat, form[0]), 35.684518, 2e-6);
    EXPECT_NEAR(geo::CoordDegrees(converted.lon, form[0]), 139.763985, 2e-6);
    EXPECT_EQ(converted.outDatum, "WGS84");
    EXPECT_EQ(converted.outCoordFormat, form[0]);
  }
}

struct TimeCase {
  const char* what;
  const char* recUtcOffset;
  const char* utcOffset;
  const char* dateTime;
  const char* expected;
};

TEST(PointConversion, TrackPointTimeShift) {
  const TimeCase cases[] = {
      {"nine hours later", "0", "+9", "2002/07/15 03:04:05", "2002/07/15 12:04:05"},
      {"into the next day, hour without a zero", "0", "+9", "2002/07/15 20:04:05",
       "2002/07/16 5:04:05"},
      {"midnight writes the date alone", "0", "+9", "2002/07/15 15:00:00", "2002/07/16"},
      {"half hours shift by the exact seconds", "0", "+5.5", "2002/07/15 03:04:05",
       "2002/07/15 8:34:05"},
      {"a shift of under a second still rewrites the text", "0", "+0.0001", "2002/07/15 03:04:05",
       "2002/07/15 3:04:05"},
      {"offsets of the same value keep the text", "9", "+9", "2002/7/15 3:04:05",
       "2002/7/15 3:04:05"},
      {"the point's own offset keeps the text", "+9", kDataPriority, "2002/07/15 03:04:05",
       "2002/07/15 03:04:05"},
      {"a time that cannot be read is kept", "0", "+9", "yesterday", "yesterday"},
      {"a shift past the year 9999 is refused", "0", "+9", "9999/12/31 20:00:00",
       "9999/12/31 20:00:00"},
      {"a shift before the year 1 is refused", "0", "-9", "0001/01/01 03:00:00",
       "0001/01/01 03:00:00"},
      // A time without a date is a time of day: it never gains the zero
      // date 1899/12/30 (or 12/31) by a shift.
      {"a time of day moves round midnight within its day", "0", "+9", "20:47:41", "5:47:41"},
      {"a time of day shifted backwards", "+9", "0", "03:00:00", "18:00:00"},
      {"a time of day keeps its text without a shift", "0", "0", " 21:05:19", " 21:05:19"},
  };
  for (const auto& c : cases) {
    // Times read from files are kept as seconds where they can be; the
    // result must not depend on how the time was kept.
    SCOPED_TRACE(c.what);
    TrackPoints points;
    const TrkPnt& point = testing::AddPoint(
        points, MakeTrackPoint("35.5", "139.75", c.dateTime, "D", "TOKYO", c.recUtcOffset));
    const OutputFrame frame = FrameOf(c.utcOffset, kDataPriority, kDataPriority);
    ConvertedPoint converted;
    ConvertPointForOutput(points, point, frame, converted);
    std::string written;
    AppendPointTime(written, points, point, converted);
    EXPECT_EQ(written, c.expected);
    EXPECT_EQ(points.Text(point, PointField::kDateTime), c.dateTime);
    // The time alone, for a writer that goes through the times before the
    // places, is the time of the whole conversion.
    ConvertedPoint timeOnly;
    EXPECT_EQ(PointSecondsForOutput(points, point, frame, timeOnly),
              PointSeconds(points, point, converted));
  }
}

// A transformed track point of the "D" form takes a shortcut through
// numbers; it must give the texts of the way through the texts: the
// transformed degrees in their general text, that in the "D" form, and then
// in the output's form.
TEST(ConvertTrackPoint, TransformedDecimalPointsMatchTheWayThroughTexts) {
  std::uint64_t state = 11;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<double>(state >> 11) / 9007199254740992.0;
  };
  TrackPoints points;
  for (int i = 0; i < 2000; ++i) {
    const double lat = text::RoundToGeneral(20 + 25 * next());
    const double lon = text::RoundToGeneral(120 + 30 * next());
    for (const char* form : {"MPS", "DMS", "DM", "PAO"}) {
      TrkPnt& point = points.Add();
      points.SetLabels(point, "WGS84", "0", "D");
      TrackPoints::SetNumber(point, PointField::kLat, lat);
      TrackPoints::SetNumber(point, PointField::kLon, lon);
      ConvertedPoint converted;
      ConvertPointForOutput(points, point, FrameOf("0", "TOKYO", form), converted);
      const geo::GeoPoint to = geo::TransformDatum({lat, lon, 0}, "WGS84", "TOKYO");
      const auto throughTexts = [form](double degrees) {
        const std::string decimal = geo::ConvertCoordText(text::General(degrees), "D", "D");
        return geo::ConvertCoordText(decimal, "D", form);
      };
      ASSERT_EQ(converted.lat, throughTexts(to.lat)) << lat << " " << form;
      ASSERT_EQ(converted.lon, throughTexts(to.lon)) << lon << " " << form;
    }
  }
}

// The track converter keeps the angles of a point as numbers for the MPS
// writer; wherever it does, they must write the texts ConvertPointForOutput
// gives, and the common points (decimal numbers, from any datum) must take
// that way at all.
std::string MpsText(geo::MpsAngle angle) {
  std::string text(geo::kMpsAngleRoom, '\0');
  text.resize(static_cast<std::size_t>(geo::PutMpsAngle(text.data(), angle) - text.data()));
  return text;
}

TEST(TrackPointConverter, MpsAnglesWriteTheConvertedTexts) {
  struct PointCase {
    const char* what;
    const char* datum;
    const char* form;
    const char* lat;  // nullptr: from degrees, below
    const char* lon;
    bool packed;
  };
  const PointCase cases[] = {
      {"decimal degrees", "TOKYO", "D", "35.5", "139.7525", true},
      {"decimal minutes", "TOKYO", "DM", "35.3012", "-139.453", true},
      {"seconds after the minutes", "TOKYO", "DMS", "35.301234", "139.454599", true},
      {"shifted from WGS84", "WGS84", "D", "35.68123", "139.76712", true},
      {"a datum name differing in case", "Tokyo", "D", "35.5", "-0.00001", true},
      {"a datum no shift knows", "NAD27", "D", "35.5", "139.75", true},
      {"zero and almost zero", "TOKYO", "D", "0", "-0.00000001", true},
      {"an own text", "TOKYO", "D", " 35.50 ", "139.75", false},
      {"a script's own form", "TOKYO", "MPS", "35/30/12.3", "139/45/00.0", false},
      {"another datum in another form", "WGS84", "DMS", "35.301234", "139.454599", false},
      {"degrees beyond the packed field", "TOKYO", "D", "1234.5", "139.75", false},
      {"a script's own form from degrees", "TOKYO", "MPS", nullptr, nullptr, true},
  };
  const OutputFrame frame = FrameOf("+9", "TOKYO", "MPS");
  for (const PointCase& c : cases) {
    SCOPED_TRACE(c.what);
    TrackPoints points;
    TrkPnt& point = points.Add();
    points.SetLabels(point, c.datum, "0", c.form);
    if (c.lat == nullptr) {
      TrackPoints::SetCoordFromDegrees(point, PointField::kLat, 35.50341666666667);
      TrackPoints::SetCoordFromDegrees(point, PointField::kLon, -139.75);
    } else {
      points.SetText(point, PointField::kLat, c.lat);
      points.SetText(point, PointField::kLon, c.lon);
    }
    ConvertedPoint converted;
    ConvertPointForOutput(points, point, frame, converted);
    TrackPointConverter converter(points, frame);
    geo::MpsAngle lat;
    geo::MpsAngle lon;
    ASSERT_EQ(converter.MpsCoords(point, lat, lon), c.packed);
    if (c.packed) {
      EXPECT_EQ(MpsText(lat), converted.lat);
      EXPECT_EQ(MpsText(lon), converted.lon);
    }
  }
  // Many points of one track, in the labels a log gives them, switching
  // between two sets of labels as a track read from two datums does.
  std::mt19937_64 random(5);
  std::uniform_real_distribution<double> unit(0, 1);
  TrackPoints points;
  for (int i = 0; i < 20000; ++i) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, i % 3 == 0 ? "WGS84" : "TOKYO", "0", i % 5 == 0 ? "DMS" : "D");
    TrackPoints::SetNumber(point, PointField::kLat, 20 + 25 * unit(random));
    TrackPoints::SetNumber(point, PointField::kLon,
                           i % 2 == 0 ? 120 + 30 * unit(random) : -180 * unit(random));
  }
  TrackPointConverter converter(points, frame);
  for (std::size_t i = 1; i <= points.Count(); ++i) {
    ConvertedPoint converted;
    ConvertPointForOutput(points, points[i], frame, converted);
    geo::MpsAngle lat;
    geo::MpsAngle lon;
    if (!converter.MpsCoords(points[i], lat, lon)) {
      ASSERT_EQ(points.Datum(points[i]), "WGS84") << i;
      ASSERT_EQ(points.CoordFormat(points[i]), "DMS") << i;
      continue;
    }
    ASSERT_EQ(MpsText(lat), converted.lat) << i;
    ASSERT_EQ(MpsText(lon), converted.lon) << i;
  }
}

// The degrees a GPX or KML writer takes as numbers are, to the last bit,
// the values of the texts the converted point would have given.
TEST(TrackPointConverter, DecimalDegreesAreTheConvertedTextsValues) {
  struct PointCase {
    const char* what;
    const char* datum;
    const char* form;
    const char* lat;  // nullptr: from degrees, below
    const char* lon;
    bool numbers;
  };
  const PointCase cases[] = {
      {"the output's own datum and form", "WGS84", "D", "35.68123", "-139.76712", true},
      {"decimal minutes", "WGS84", "DM", "35.3012", "-139.453", true},
      {"seconds after the minutes", "WGS84", "DMS", "35.301234", "139.454599", true},
      {"shifted from Tokyo", "TOKYO", "D", "35.5", "139.7525", true},
      {"a datum name differing in case", "wgs84", "D", "35.5", "-0.00001", true},
      {"a datum no shift knows", "NAD27", "D", "35.5", "139.75", true},
      {"zero and almost zero", "TOKYO", "D", "0", "-0.00000001", true},
      {"an own text", "TOKYO", "D", " 35.50 ", "139.75", false},
      {"a script's own form", "WGS84", "MPS", "35/30/12.3", "139/45/00.0", false},
      {"another datum in another form", "TOKYO", "DMS", "35.301234", "139.454599", false},
      {"from degrees", "WGS84", "MPS", nullptr, nullptr, false},
  };
  const OutputFrame frame = FrameOf("0", "WGS84", "D");
  for (const PointCase& c : cases) {
    SCOPED_TRACE(c.what);
    TrackPoints points;
    TrkPnt& point = points.Add();
    points.SetLabels(point, c.datum, "+9", c.form);
    if (c.lat == nullptr) {
      TrackPoints::SetCoordFromDegrees(point, PointField::kLat, 35.50341666666667);
      TrackPoints::SetCoordFromDegrees(point, PointField::kLon, -139.75);
    } else {
      points.SetText(point, PointField::kLat, c.lat);
      points.SetText(point, PointField::kLon, c.lon);
    }
    ConvertedPoint expected;
    ConvertPointForOutput(points, point, frame, expected);
    TrackPointConverter converter(points, frame);
    double lat = 0;
    double lon = 0;
    ASSERT_EQ(converter.DecimalDegrees(point, lat, lon), c.numbers);
    ConvertedPoint converted;
    converter.OutputDegrees(point, converted, lat, lon);
    EXPECT_EQ(lat, text::LeadingValue(expected.lat));
    EXPECT_EQ(lon, text::LeadingValue(expected.lon));
  }
  // Many points of one track, their numbers set as a reader sets them (from
  // a general text or from a computed value), under changing labels.
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> unit(0, 1);
  const char* const datums[] = {"WGS84", "TOKYO", "Tokyo"};
  const char* const forms[] = {"D", "D", "DM", "DMS"};
  TrackPoints points;
  std::string number;
  for (int i = 0; i < 20000; ++i) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, datums[i % 3], "0", forms[i % 4]);
    const double lat = (i % 7 == 0 ? -90 : 20) + 70 * unit(random);
    const double lon = i % 2 == 0 ? 120 + 30 * unit(random) : -180 * unit(random);
    if (i % 5 == 0) {
      number.clear();
      text::AppendGeneral(number, lat);
      points.SetText(point, PointField::kLat, number);
      number.clear();
      text::AppendGeneral(number, lon);
      points.SetText(point, PointField::kLon, number);
    } else {
      TrackPoints::SetNumber(point, PointField::kLat, lat);
      TrackPoints::SetNumber(point, PointField::kLon, lon);
    }
  }
  TrackPointConverter converter(points, frame);
  for (std::size_t i = 1; i <= points.Count(); ++i) {
    ConvertedPoint expected;
    ConvertPointForOutput(points, points[i], frame, expected);
    double lat = 0;
    double lon = 0;
    const bool numbers = converter.DecimalDegrees(points[i], lat, lon);
    ASSERT_EQ(numbers, points.Datum(points[i]) == "WGS84" || points.CoordFormat(points[i]) == "D")
        << i;
    if (!numbers) continue;
    ASSERT_EQ(lat, text::LeadingValue(expected.lat)) << i;
    ASSERT_EQ(lon, text::LeadingValue(expected.lon)) << i;
  }
}

TEST(TrackPointConverter, TimeIsShiftedAsByConvertPointForOutput) {
  TrackPoints points;
  const char* const times[] = {"2002/07/15 09:04:05", "0001/01/01 03:00:00", "not a time",
                               "2002/7/15 9:04:05"};
  for (const char* const time : times) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, "TOKYO", "0", "D");
    points.SetText(point, PointField::kDateTime, time);
  }
  for (const char* offset : {"+9", "0", "-3.5"}) {
    const OutputFrame frame = FrameOf(offset, "TOKYO", "MPS");
    TrackPointConverter converter(points, frame);
    for (std::size_t i = 1; i <= points.Count(); ++i) {
      ConvertedPoint expected;
      ConvertPointForOutput(points, points[i], frame, expected);
      ConvertedPoint converted;
      converter.ConvertTime(points[i], converted);
      EXPECT_EQ(converted.shiftedTime, expected.shiftedTime) << offset << " " << times[i - 1];
    }
  }
}

// A statement's time is put into its buffer as the string form writes it:
// own texts trimmed, kept times in their form, shifted times in the general
// form; behind other pieces, so that the buffer's order is kept.
// The converter's conversion on numbers against the texts' way, for every
// frame the writers use and points of every kind: logs' decimal degrees
// from two datums, a script's degrees, own texts, times and time zones.
TEST(TrackPointConverter, ConvertGivesWhatConvertPointForOutputGives) {
  std::mt19937_64 random(14);
  std::uniform_real_distribution<double> unit(0, 1);
  TrackPoints points;
  const char* const forms[] = {"D", "DM", "DMS", "MPS", "PAO"};
  for (int i = 0; i < 6000; ++i) {
    TrkPnt& point = points.Add();
    const char* const form = forms[i % 5];
    points.SetLabels(point, i % 7 == 0 ? "WGS84" : (i % 2 == 0 ? "TOKYO" : "Tokyo"),
                     i % 3 == 0 ? "+9" : "0", form);
    const double lat = 20 + 25 * unit(random);
    const double lon = i % 2 == 0 ? 120 + 30 * unit(random) : -180 * unit(random);
    if (std::string_view(form) == "MPS" || std::string_view(form) == "PAO") {
      TrackPoints::SetCoordFromDegrees(point, PointField::kLat, lat);
      TrackPoints::SetCoordFromDegrees(point, PointField::kLon, i % 11 == 0 ? 1234.5 : lon);
    } else if (i % 13 == 0) {
      points.SetText(point, PointField::kLat, " 35.50 ");
      points.SetText(point, PointField::kLon, "139.75");
    } else {
      TrackPoints::SetNumber(point, PointField::kLat, lat);
      TrackPoints::SetNumber(point, PointField::kLon, lon);
    }
    TrackPoints::SetTime(point, 63200000000 + i * 7, TimeForm::kDateTime);
  }
  for (const char* datum : {"TOKYO", "Tokyo", "WGS84", kDataPriority}) {
    for (const char* form : {"D", "DM", "DMS", "MPS", "PAO", kDataPriority}) {
      for (const char* offset : {"0", "+9", kDataPriority}) {
        const OutputFrame frame = FrameOf(offset, datum, form);
        TrackPointConverter converter(points, frame);
        ConvertedPoint fast;
        for (std::size_t i = 1; i <= points.Count(); ++i) {
          ConvertedPoint expected;
          ConvertPointForOutput(points, points[i], frame, expected);
          converter.Convert(points[i], fast);
          ASSERT_EQ(fast.lat, expected.lat) << datum << " " << form << " " << i;
          ASSERT_EQ(fast.lon, expected.lon) << datum << " " << form << " " << i;
          ASSERT_EQ(fast.outCoordFormat, expected.outCoordFormat);
          ASSERT_EQ(fast.outDatum, expected.outDatum);
          ASSERT_EQ(fast.outUtcOffset, expected.outUtcOffset);
          ASSERT_EQ(fast.shiftedTime, expected.shiftedTime);
        }
      }
    }
  }
}

TEST(PutPointTime, WritesTheTrimmedTimeOfAppendPointTime) {
  TrackPoints points;
  const char* const texts[] = {
      "2002/07/15 09:04:05", " 2002/7/15 9:04:05 ", "09:04:05", "not a time", "",
      "1899/12/30 00:00:00", "9999/12/31 23:59:59"};
  for (const char* const time : texts) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, "TOKYO", "+9", "D");
    points.SetText(point, PointField::kDateTime, time);
  }
  std::mt19937_64 random(11);
  std::uniform_int_distribution<text::LocalSeconds> seconds(-693593LL * 86400, 2958465LL * 86400);
  for (int i = 0; i < 2000; ++i) {
    TrkPnt& point = points.Add();
    points.SetLabels(point, "TOKYO", "+9", "D");
    TrackPoints::SetTime(point, seconds(random),
                         i % 2 == 0 ? TimeForm::kDateTime : TimeForm::kGeneralDateTime);
  }
  for (const char* offset : {"+9", "0"}) {
    const OutputFrame frame = FrameOf(offset, "TOKYO", "MPS");
    TrackPointConverter converter(points, frame);
    for (std::size_t i = 1; i <= points.Count(); ++i) {
      ConvertedPoint converted;
      converter.ConvertTime(points[i], converted);
      std::string expected = "x,";
      AppendPointTime(expected, points, points[i], converted, true);
      expected += ',';
      std::string out;
      BufferedText buffered(out);
      buffered.Append("x,");
      PutPointTime(buffered, points, points[i], converted);
      buffered.Append(',');
      buffered.Flush();
      ASSERT_EQ(out, expected) << offset << " " << i;
    }
  }
}

// Pieces of every length, across the buffer's end, come out in order.
TEST(BufferedText, PiecesComeOutInOrder) {
  std::string expected = "start";
  std::string out = "start";
  BufferedText buffered(out);
  std::string piece;
  for (std::size_t size = 0; size <= 2 * BufferedText::kSize; size += size < 40 ? 1 : 37) {
    piece.assign(size, static_cast<char>('a' + size % 26));
    if (!piece.empty()) piece.back() = '|';
    buffered.Append(piece);
    expected += piece;
    buffered.Append(',');
    expected += ',';
    if (size % 5 == 0) {
      buffered.String() += "#";
      expected += "#";
    }
    char* const p = buffered.Room(3);
    p[0] = 'x';
    p[1] = 'y';
    buffered.Commit(p + 2);
    expected += "xy";
  }
  buffered.Flush();
  EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace vc::engine
