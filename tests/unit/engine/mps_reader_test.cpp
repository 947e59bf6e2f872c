#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/conversion.hpp"
#include "engine/driver.hpp"
#include "engine/input/mps_pos_list.hpp"
#include "engine/input/record_reader.hpp"
#include "engine/report.hpp"
#include "geo/coord_text.hpp"
#include "support/engine_support.hpp"
#include "support/route_point_support.hpp"
#include "support/track_point_support.hpp"
#include "text/line_source.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

// ---------------------------------------------------------------- lists

struct TokenCase {
  const char* what;
  std::string_view text;
  bool dropAngleBrackets;
  std::vector<std::string> expected;
};

void PrintTo(const TokenCase& c, std::ostream* os) { *os << c.what; }

std::vector<std::string> TokensOf(std::string_view text, bool dropAngleBrackets) {
  PosTokenizer tokenizer(text, dropAngleBrackets);
  std::vector<std::string> tokens;
  std::string_view token;
  while (tokenizer.Next(token)) tokens.emplace_back(token);
  return tokens;
}

class PosTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(PosTokens, FollowTheMarks) {
  const TokenCase& c = GetParam();
  EXPECT_EQ(TokensOf(c.text, c.dropAngleBrackets), c.expected);
}

const TokenCase kTokenCases[] = {
    {"an empty text is one empty token", "", true, {""}},
    {"commas separate and are dropped", "35/1/2,139/3/4", true, {"35/1/2", "139/3/4"}},
    {"a trailing comma opens an empty token", "a,", true, {"a", ""}},
    {"ampersand stays and ends the token", "a&b", true, {"a&", "b"}},
    {"ampersand then comma gives an empty token", "a&,b", true, {"a&", "", "b"}},
    {"bang goes to the front", "ab!c", true, {"!abc"}},
    {"every bang goes to the front", "a!b!,c!", true, {"!!ab", "!c"}},
    {"bang before ampersand", "a!&b", true, {"!a&", "b"}},
    {"line ends dropped, blanks kept", "1,\r\n\t2,3", true, {"1", "\t2", "3"}},
    {"angle brackets dropped for a line", "> 1,<2>", true, {" 1", "2"}},
    {"angle brackets kept for a point", "> 1,<2>", false, {"> 1", "<2>"}},
    {"a dropped mark inside a later token", "ab,c\nd,e", true, {"ab", "cd", "e"}},
};

INSTANTIATE_TEST_SUITE_P(Tokenizer, PosTokens, ::testing::ValuesIn(kTokenCases));

struct SplitCase {
  std::string_view text;
  std::vector<std::string_view> expected;
};

TEST(SplitList, KeepsItemsUntrimmed) {
  const SplitCase cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a,,b", {"a", "", "b"}},
      {" a , b,", {" a ", " b", ""}},
  };
  std::vector<std::string_view> items;
  for (const SplitCase& c : cases) {
    SplitList(c.text, ',', items);
    EXPECT_EQ(items, c.expected) << c.text;
  }
  EXPECT_EQ(ListItem(items, 0), "");
}

TEST(ParsePosFirst, TakesTheFirstTwoTokensAsTheyStand) {
  std::string lat = "stale";
  std::string lon = "stale";
  ParsePosFirst(" 35/1/2 ,<139/3/4>,1,2", lat, lon);
  EXPECT_EQ(lat, " 35/1/2 ");
  EXPECT_EQ(lon, "<139/3/4>");
  ParsePosFirst("", lat, lon);
  EXPECT_EQ(lat, "");
  EXPECT_EQ(lon, "");
}

struct PosListResult {
  double count = 0;
  std::vector<std::string> coords;  // lat, lon, lat, lon, ...
};

PosListResult ReadPosList(std::string_view pos) {
  PosListResult result;
  result.count = ParsePosList(pos, [&](double lat, double lon) {
    result.coords.push_back(text::General(lat));
    result.coords.push_back(text::General(lon));
    return true;
  });
  return result;
}

TEST(ParsePosList, ConvertsTrimmedPairsToDegrees) {
  const PosListResult result = ReadPosList("> 35/30/12.3 , 139/45/00.0,35/30,139");
  EXPECT_EQ(result.count, 2);
  EXPECT_EQ(result.coords, (std::vector<std::string>{"35.5034166666667", "139.75", "35.5", "139"}));
}

// The list hands out numbers where it once handed out "D" texts that were
// read back: for any token both must be the same double, sign of zero and all.
TEST(ParsePosList, DegreesAreWhatTheirDecimalTextReadsBack) {
  for (const std::string_view token :
       {"35/30/12.3", "-35/1/2", "-0/0/0", "0/0/-0", "35/60/60", "0/0/0.0000000000001",
        "123456789012345678/59/59.99", "1e5/2/3", "abc", "", "!35/1/2", "-", "35/1/2/9",
        "89.999999999999999/0/0", "35.5"}) {
    const double expected = text::LeadingValue(geo::ConvertCoordText(token, "MPS", "D"));
    const std::string pos = "> " + std::string(token) + "," + std::string(token);
    ParsePosList(pos, [&](double lat, double lon) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(lat), std::bit_cast<std::uint64_t>(expected)) << token;
      EXPECT_EQ(std::bit_cast<std::uint64_t>(lon), std::bit_cast<std::uint64_t>(expected)) << token;
      return true;
    });
  }
}

// ---------------------------------------------------------------- packed lists

// Values for the packed form: every byte kept, every mark where it counts.
struct PackedCase {
  const char* what;
  std::string text;
};

void PrintTo(const PackedCase& c, std::ostream* os) { *os << c.what; }

std::vector<PackedCase> PackedCases() {
  using namespace std::string_literals;
  const std::string seventeen = "35/40/52.34567890";
  return {
      {"an empty value", ""},
      {"three characters", "1,2"},
      {"one item", "35/40/52.3456"},
      {"plain pairs", "> 35/40/52.3,139/46/01.6,35/40/52.4,139/46/01.6,35/40/53.0,139/46/01.5"},
      {"repeated and changing items", "1,2,1,2,1,3,10,3,100,30,100,30,1,3"},
      {"an odd token count", "35/1/2,139/3/4,35/1/3"},
      {"items longer than 15 and 255 bytes", seventeen + "1," + std::string(300, '7') + "," +
                                                 seventeen + "2," + std::string(300, '7') + "8," +
                                                 std::string(20, '7') + "," + seventeen + "123"},
      {"empty items, a leading and a trailing comma", ",,1,,2,3,"},
      {"ampersands inside, at an item's end and at the end", "35/1&/2,139/3/4&,3,&,4,5&"},
      {"bangs", "35/1/2!,!139/3/4,3!5!,!,6"},
      {"line ends and angle brackets inside items", "35/1\r\n/2,<139/3/4>,\n3,4\r,>"},
      {"TABs and spaces", "\t35/1/2 , 139/3/4\t,  ,\t, 35/1/2 "},
      {"bytes of every kind", "東京/1/2,139/3/4,\xff\xfe,\x80\x0f\xf0,\0\0"s + "東京/1/3,1"},
  };
}

// The tokens of each piece, one after the other.
std::vector<std::string> TokensOfPieces(const PackedPosList& list, std::size_t pieceBytes) {
  std::vector<std::string> tokens;
  PackedPosPieces pieces(list, pieceBytes);
  std::string_view piece;
  while (pieces.Next(piece)) {
    for (std::string& token : TokensOf(piece, true)) tokens.push_back(std::move(token));
  }
  return tokens;
}

struct PointsRead {
  double count = 0;
  std::vector<std::uint64_t> coords;  // the bits of lat, lon, lat, lon, ...

  bool operator==(const PointsRead&) const = default;
};

// The points a list gives through ParsePosList or, with a piece size, its
// packed form; `stopAfter` points ask to stop (0: never).
PointsRead PointsOf(const std::string& text, std::size_t pieceBytes, std::size_t stopAfter) {
  PointsRead read;
  auto onPoint = [&](double lat, double lon) {
    read.coords.push_back(std::bit_cast<std::uint64_t>(lat));
    read.coords.push_back(std::bit_cast<std::uint64_t>(lon));
    return read.coords.size() / 2 != stopAfter;
  };
  read.count = pieceBytes == 0 ? ParsePosList(text, onPoint)
                               : ParsePackedPosList(PackedPosList(text), onPoint, pieceBytes);
  return read;
}

class PackedPosLists : public ::testing::TestWithParam<PackedCase> {};

TEST_P(PackedPosLists, UnpackToTheTextTheyWerePackedFrom) {
  const std::string& text = GetParam().text;
  const PackedPosList list(text);
  EXPECT_EQ(list.TextBytes(), text.size());
  EXPECT_EQ(list.Unpack(), text);
  std::string joined;
  PackedPosPieces pieces(list, 5);
  std::string_view piece;
  for (bool first = true; pieces.Next(piece); first = false)
    joined += (first ? "" : ",") + std::string(piece);
  EXPECT_EQ(joined, text);
}

// Pieces of 1 byte hold one item each; of 7, a few.
TEST_P(PackedPosLists, GiveTheTokensAndPointsOfTheirText) {
  const std::string& text = GetParam().text;
  const PackedPosList list(text);
  const std::vector<std::string> tokens = TokensOf(text, true);
  const PointsRead whole = PointsOf(text, 0, 0);
  const PointsRead stopped = PointsOf(text, 0, 1);
  for (const std::size_t pieceBytes : {std::size_t{1}, std::size_t{7}, kPackedPieceBytes}) {
    SCOPED_TRACE(pieceBytes);
    EXPECT_EQ(TokensOfPieces(list, pieceBytes), tokens);
    EXPECT_EQ(PointsOf(text, pieceBytes, 0), whole);
    EXPECT_EQ(PointsOf(text, pieceBytes, 1), stopped);
  }
}

INSTANTIATE_TEST_SUITE_P(MpsReader, PackedPosLists, ::testing::ValuesIn(PackedCases()));

// A latitude a tenth of a second on takes one byte, a longitude that stays
// one more.
TEST(PackedPosList, TakesAFewBytesAPointOfATrackAsTheProgramWritesIt) {
  std::string text = "> ";
  for (int i = 0; i < 1000; ++i) {
    text += "35/40/" + std::to_string(10 + i / 10 % 50) + "." + std::to_string(i % 10) +
            ",139/46/0" + std::to_string(i / 100) + ".6,";
  }
  text += "1,2";
  EXPECT_LT(PackedPosList(text).PackedBytes(), 3 * 1000);
}

// ---------------------------------------------------------------- reader

class MpsReading : public ::testing::Test {
 protected:
  void Open(std::string_view script) {
    reader_.reset();
    source_ = std::make_unique<text::StringLineSource>(script);
    reader_ = MakeMpsReader(*source_);
  }
  RecordKind Next() { return reader_->ReadNextRecord(conversion_); }
  // The kinds of every record up to "EOF"; a bound turns a stuck reader
  // into a failure instead of a hang.
  std::vector<RecordKind> ReadAll(std::string_view script) {
    Open(script);
    std::vector<RecordKind> kinds;
    for (int call = 0; call < 1000; ++call) {
      const RecordKind kind = Next();
      if (kind == RecordKind::kEof) return kinds;
      kinds.push_back(kind);
    }
    ADD_FAILURE() << "no EOF";
    return kinds;
  }

  vc::testing::PointTexts Waypoint() const {
    return vc::testing::WaypointTexts(context_.buffers.wpt);
  }
  const RteHdr& Route() const { return context_.buffers.rteHdr; }
  const engine::RoutePoints& RoutePoints() const { return context_.buffers.rtePnt; }
  const TrkHdr& Track() const { return context_.buffers.trkHdr; }
  const engine::TrackPoints& TrackPoints() const { return context_.buffers.trkPnt; }
  std::string TrackLat(std::size_t n) const {
    return TrackPoints().Text(TrackPoints()[n], PointField::kLat);
  }
  std::string TrackLon(std::size_t n) const {
    return TrackPoints().Text(TrackPoints()[n], PointField::kLon);
  }

  ConvertOptions options_;
  ConversionContext context_;
  testing::RecordingObserver observer_;
  Conversion conversion_{options_, context_, observer_, observer_.now};

 private:
  std::unique_ptr<text::StringLineSource> source_;
  std::unique_ptr<RecordReader> reader_;
};

using Kinds = std::vector<RecordKind>;
constexpr RecordKind kWpt = RecordKind::kWpt;
constexpr RecordKind kRte = RecordKind::kRte;
constexpr RecordKind kTrk = RecordKind::kTrk;

TEST_F(MpsReading, ReadsAWaypointAmongTheScriptsOwnStatements) {
  Open(
      "mapserver script ver=\"1.0\";\n"
      "\t\tkanji\tcode=\"sjis\";\n"
      "\t\tpoint\toid=\"\"\n"
      "\t\t\t\tgid=\"2510\"\n"
      "\t\t\t\tpos=\"35/39/13.2,139/44/26.0\"\n"
      "\t\t\t\tstr=\"[WP]  Summit \"\n"
      "\t\t\t\tinfo=\" first , second,third \";\n"
      "\tdisp\tall;\n"
      "mapserver end;\n");
  ASSERT_EQ(Next(), kWpt);
  EXPECT_EQ(Waypoint().name, "Summit");
  EXPECT_EQ(Waypoint().lat, "35/39/13.2");
  EXPECT_EQ(Waypoint().lon, "139/44/26.0");
  EXPECT_EQ(Waypoint().info1, "first");
  EXPECT_EQ(Waypoint().info2, "second");
  EXPECT_EQ(Waypoint().info3, "third");
  EXPECT_EQ(Waypoint().recDatum, "TOKYO");
  EXPECT_EQ(Waypoint().recUtcOffset, "+9");
  EXPECT_EQ(Waypoint().recCoordFormat, "MPS");
  EXPECT_EQ(Next(), RecordKind::kEof);
  EXPECT_EQ(Next(), RecordKind::kEof);
}

TEST_F(MpsReading, WaypointKeepsItsCoordinateTextsAndClearsMissingInfo) {
  vc::testing::SetWaypoint(context_.buffers.wpt, {.info3 = "stale"});
  ASSERT_EQ(ReadAll("point pos=\"35/1/2\" str=\"[WP]\";\n"), Kinds{kWpt});
  EXPECT_EQ(Waypoint().name, "");
  EXPECT_EQ(Waypoint().lat, "35/1/2");
  EXPECT_EQ(Waypoint().lon, "");
  EXPECT_EQ(Waypoint().info3, "");
}

TEST_F(MpsReading, PassesOverStatementsThatAreNoRecords) {
  const Kinds kinds = ReadAll(
      "point str=\"[RT]r\" pos=\"1,2\";\n"
      "line str=\"[WP]w\" pos=\"1,2\";\n"
      "point str=\"[wp]lower\" pos=\"1,2\";\n"
      "POINT str=\"[WP]upper kind\" pos=\"1,2\";\n"
      "message str=\"[WP]m\" url=\"x\";\n"
      "\t\tpoint\toid=\"\"\n\t\t\t\tgid=\"2522\"\n\t\t\t\tstr=\"[RP]Kyo001\";\n"
      "//[WP]comment;\n"
      "\tdisp\tpos=\"[WP]\";\n"
      "kanji code=\"[WP]\";\n"
      "point str=\"[WP]taken\" pos=\"1,2\";\n");
  EXPECT_EQ(kinds, Kinds{kWpt});
  EXPECT_EQ(Waypoint().name, "taken");
}

TEST_F(MpsReading, NumbersRoutesWithoutInfoFromTheRouteBeforeInTheSameFile) {
  // The numbering starting afresh pins the fault where it went on from an
  // earlier file.
  for (int conversion = 1; conversion <= 2; ++conversion) {
    std::vector<std::string> numbers;
    Open(
        "line str=\"[RT]a\" pos=\"> 1,2\";\n"
        "line str=\"[RT]b\" pos=\"> 1,2\" info=\"7\";\n"
        "line str=\"[RT]c\" pos=\"> 1,2\" info=\" \";\n");
    while (Next() == kRte) numbers.push_back(Route().rteNo);
    EXPECT_EQ(numbers, (std::vector<std::string>{"1", "7", "8"}));
  }
}

TEST_F(MpsReading, RoutePointsAreNamedAfterTheRouteAndWrittenInTheOwnLayout) {
  ASSERT_EQ(ReadAll("line str=\"[RT] Kyoto trip \" pos=\"> 35/1/2,139/3/4,35/1/3,139/3/5,"
                    "35/1/4,139/3/6\" info=\"3\";\n"),
            Kinds{kRte});
  EXPECT_EQ(Route().rteName, "Kyoto trip");
  EXPECT_EQ(Route().rteNo, "3");
  EXPECT_EQ(Route().pntNum, "3");
  ASSERT_EQ(RoutePoints().Count(), 3u);
  const char* names[] = {"Kyoto trip001", "Kyoto trip002", "Kyoto trip003"};
  const char* lats[] = {"35/01/02.0", "35/01/03.0", "35/01/04.0"};
  for (std::size_t n = 1; n <= 3; ++n) {
    const vc::testing::PointTexts point = vc::testing::RoutePointTexts(RoutePoints(), n);
    EXPECT_EQ(point.name, names[n - 1]);
    EXPECT_EQ(point.lat, lats[n - 1]);
    EXPECT_EQ(point.info1 + point.info2 + point.info3, "");
    EXPECT_EQ(point.recDatum, "Tokyo");
    EXPECT_EQ(point.recUtcOffset, "+9");
    EXPECT_EQ(point.recCoordFormat, "MPS");
  }
  EXPECT_EQ(vc::testing::RoutePointTexts(RoutePoints(), 3).lon, "139/03/06.0");
}

struct CountCase {
  const char* pos;
  const char* pntNum;
  std::size_t points;
};

TEST_F(MpsReading, PointCountIsHalfTheTokensRoundedToEven) {
  const CountCase cases[] = {
      {"35/1/2,139/3/4,35/1/3", "1.5", 2},  // the second point has no coordinates
      {"1,2,3,4,5", "2.5", 2},
      {"1,2,3,4,5,6,7", "3.5", 4},
      {"1,2", "0.5", 0},  // three characters are no list
      {"", "0.5", 0},
  };
  for (const CountCase& c : cases) {
    ASSERT_EQ(ReadAll("line str=\"[TR]\" pos=\"" + std::string(c.pos) + "\";\n"), Kinds{kTrk});
    EXPECT_EQ(Track().pntNum, c.pntNum) << c.pos;
    EXPECT_EQ(TrackPoints().Count(), c.points) << c.pos;
  }
  ReadAll("line str=\"[RT]\" pos=\"35/1/2,139/3/4,35/1/3\";\n");
  EXPECT_EQ(Route().pntNum, "1.5");
  ASSERT_EQ(RoutePoints().Count(), 2u);
  const vc::testing::PointTexts second = vc::testing::RoutePointTexts(RoutePoints(), 2);
  EXPECT_EQ(second.lat + "|" + second.lon, "0/00/00.0|0/00/00.0");
}

TEST_F(MpsReading, TrackTakesNameFlagAndCodeFromInfo) {
  struct InfoCase {
    const char* info;
    const char* name;
    const char* flag;
    const char* code;
  };
  const InfoCase cases[] = {
      {" walk ,, c1", " walk ", "True", " c1"},
      {"walk,False,c1,extra", "walk", "False", "c1"},
      {"", "", "True", ""},
  };
  for (const InfoCase& c : cases) {
    ReadAll("line str=\"[TR]x\" pos=\"1,2,3,4\" info=\"" + std::string(c.info) + "\";\n");
    EXPECT_EQ(Track().trkName, c.name) << c.info;
    EXPECT_EQ(Track().trkFlag, c.flag) << c.info;
    EXPECT_EQ(Track().trkCode, c.code) << c.info;
  }
}

TEST_F(MpsReading, TrackPointsLieAtMidnightWithLegsButNoTotals) {
  context_.trackNumber = "4";
  ASSERT_EQ(ReadAll("line str=\"[TR]\" pos=\"> 35/1/2,139/3/4,35/1/3,139/3/4\";\n"
                    "line str=\"[TR]\" pos=\"> 35/1/2,139/3/4\";\n"),
            (Kinds{kTrk, kTrk}));
  EXPECT_EQ(context_.trackNumber, "6");

  ReadAll("line str=\"[TR]\" pos=\"> 35/1/2,139/3/4,35/1/3,139/3/4\";\n");
  EXPECT_EQ(Track().pntNum, "2");
  ASSERT_EQ(TrackPoints().Count(), 2u);
  for (std::size_t n = 1; n <= 2; ++n) {
    const auto point = vc::testing::TextsOf(TrackPoints(), n);
    EXPECT_EQ(point.dateTime, "2002/03/05 00:00:00");  // the observer's day
    EXPECT_EQ(point.lon, "139/03/04.0");
    EXPECT_EQ(point.velocity + point.trkDegree + point.posError + point.headDegree, "----");
    EXPECT_EQ(point.recDatum, "Tokyo");
    EXPECT_EQ(point.recUtcOffset, "+9");
    EXPECT_EQ(point.recCoordFormat, "MPS");
    EXPECT_EQ(point.legTime, 0);
    EXPECT_EQ(point.legVelocity, 0);
  }
  EXPECT_EQ(TrackPoints()[1].legLength, 0);
  EXPECT_NEAR(TrackPoints()[2].legLength, 30.9, 0.1);  // one second of latitude
  EXPECT_EQ(Track().totalTripTime, 0);
  EXPECT_EQ(Track().totalTripLength, 0);
  EXPECT_EQ(Track().totalVelocity, 0);
}

TEST_F(MpsReading, ListBrokenBeforeTheClosingLineKeepsItsDegrees) {
  // The closing line is joined with CR LF; a CR left in the token made the
  // latitude read as 0 degrees.
  ASSERT_EQ(ReadAll("\t\tline\toid=\"\"\r\n"
                    "\t\t\t\tstr=\"[TR]a\"\r\n"
                    "\t\t\t\tpos=\"> 35/1/2,139/3/4,\r\n"
                    "\t\t\t\t35/1/3,139/3/5\";\r\n"),
            Kinds{kTrk});
  ASSERT_EQ(TrackPoints().Count(), 2u);
  EXPECT_EQ(TrackLat(2), "35/01/03.0");
  EXPECT_EQ(TrackLon(2), "139/03/05.0");
}

TEST_F(MpsReading, StatementCutOffByTheEndIsReadAsFarAsItGoes) {
  ASSERT_EQ(ReadAll("point str=\"[WP]a\" pos=\"1,2\";\n"
                    "point str=\"[WP]cut\"\n"
                    "\tpos=\"3,4\""),
            (Kinds{kWpt, kWpt}));
  EXPECT_EQ(Waypoint().name, "cut");
  EXPECT_EQ(Waypoint().lat, "3");
}

TEST_F(MpsReading, ReadsAListLongerThanTheOldBuffers) {
  constexpr int kPoints = 120'000;
  std::string script = "line str=\"[TR]long\" pos=\"> ";
  for (int i = 0; i < kPoints; ++i) {
    script += i % 2 == 0 ? "35/1/2,139/3/4," : "35/1/3,139/3/5,";
    if (i % 1000 == 999) script += "\n\t\t\t\t";  // broken after a comma, as written
  }
  script += "1,2\";\n";
  ASSERT_EQ(ReadAll(script), Kinds{kTrk});
  EXPECT_EQ(Track().pntNum, std::to_string(kPoints + 1));
  ASSERT_EQ(TrackPoints().Count(), static_cast<std::size_t>(kPoints + 1));
  EXPECT_EQ(TrackLat(kPoints), "35/01/03.0");
  EXPECT_EQ(TrackLat(kPoints + 1), "1/00/00.0");
}

TEST_F(MpsReading, StopsALongTrackWhenTheFrontAsks) {
  observer_.stopAfterPolls = 0;
  std::string script = "line str=\"[TR]\" pos=\"";
  for (int i = 0; i < 10'000; ++i) script += "1,2,";
  script += "\";\n";
  Open(script);
  Next();
  EXPECT_TRUE(conversion_.cancelled);
  EXPECT_LT(TrackPoints().Count(), 10'000u);
}

TEST_F(MpsReading, ArbitraryTextReachesTheEnd) {
  using namespace std::string_literals;
  const std::string texts[] = {
      "",
      "\n\n   \n",
      ";;;\n\"\"\"\n",
      "line str=\"[TR]\n",
      "line str=\"[TR]\" pos=\"",
      "point str=\"[WP]\" pos=\"!&<>,\r,&!\" info=\",,,,\";",
      "line str=\"[RT]x\" pos=\"!!!!&&&,,,<<>>\" info=\"-1e999\";",
      "line str=\"[TR]\" pos=\"" + std::string(100'000, '&') + "\";",
      // A long run of marks in one token must not cost a copy per mark.
      "point str=\"[WP]\" pos=\"" + std::string(1'000'000, '!') + "\";",
      "\0\xff\xfe[WP]\"\"point str=\"[WP]"s,
  };
  for (const std::string& text : texts) {
    ReadAll(text);
    ReadAll(text + "\nline str=\"[RT]\" pos=\"1,2,3,4\"");
  }
}

// ---------------------------------------------------------------- packed path

// Sets the large-statement threshold for one test.
class LargeStatementBytes {
 public:
  explicit LargeStatementBytes(std::size_t bytes) { SetMpsLargeStatementBytes(bytes); }
  ~LargeStatementBytes() { SetMpsLargeStatementBytes(0); }
  LargeStatementBytes(const LargeStatementBytes&) = delete;
  LargeStatementBytes& operator=(const LargeStatementBytes&) = delete;
};

struct Converted {
  Outcome outcome = Outcome::kStopped;
  std::vector<std::string> report;
  std::vector<std::string> shown;
  std::vector<std::string> progress;
  std::string output;

  bool operator==(const Converted&) const = default;
};

Converted ConvertScript(const vc::testing::TempDir& dir, const std::string& input,
                        std::size_t largeStatementBytes, int stopAfterPolls) {
  const LargeStatementBytes threshold(largeStatementBytes);
  ConvertOptions options = vc::testing::OptionsFor(input, dir.Path("out.txt"));
  options.convertWaypoints = options.convertRoutes = options.convertTracks = true;
  dir.Write("out.txt", "as it was\r\n");
  ConversionContext context;
  vc::testing::RecordingObserver observer;
  observer.stopAfterPolls = stopAfterPolls;
  const ConversionResult result = ConvertFile(options, context, observer);
  Converted converted;
  converted.outcome = result.outcome;
  converted.report = FormatReport(result.report);
  converted.shown = observer.shown;
  converted.progress = observer.progress;
  converted.output = dir.Read("out.txt");
  return converted;
}

// The packed path, forced on every statement, gives what the text gives:
// for a route and a track of several pieces, read whole or stopped midway.
TEST(MpsPackedPath, ConvertsAsTheTextPathDoes) {
  std::string script = "\t\tline\toid=\"\"\r\n\t\t\t\tstr=\"[RT]Kyoto\"\r\n\t\t\t\tpos=\"> ";
  for (int i = 0; i < 3000; ++i) script += "35/1/" + std::to_string(i % 60) + ",139/3/4,";
  script += "35/2/3\"\r\n\t\t\t\tinfo=\"4\";\r\n";
  script += "\t\tline\toid=\"\"\r\n\t\t\t\tstr=\"[TR]walk\"\r\n\t\t\t\tpos=\"> ";
  for (int i = 0; i < 9000; ++i) {
    script += "35/40/" + std::to_string(10 + i / 10 % 50) + "." + std::to_string(i % 10) +
              ",139/46/01.6,";
    if (i % 100 == 99) script += "\r\n\t\t\t\t";  // broken after a comma, as written
  }
  script += "35/41/00.0,139/4&6/!01.6\"\r\n\t\t\t\tinfo=\"walk,True,c\";\r\n";
  vc::testing::TempDir dir;
  const std::string input = dir.Write("in.mps", script);
  for (const int stopAfterPolls : {-1, 1}) {
    SCOPED_TRACE(stopAfterPolls);
    const Converted text = ConvertScript(dir, input, 0, stopAfterPolls);
    EXPECT_EQ(text.outcome, stopAfterPolls < 0 ? Outcome::kConverted : Outcome::kCancelled);
    EXPECT_EQ(ConvertScript(dir, input, 1, stopAfterPolls), text);
  }
}

// ---------------------------------------------------------------- round trip

// A VRC data line: TAB-separated columns, the given ones set.
std::string VrcLine(std::size_t columns,
                    const std::vector<std::pair<std::size_t, std::string>>& set) {
  std::vector<std::string> fields(columns);
  for (const auto& [column, value] : set) fields[column - 1] = value;
  std::string line;
  for (std::size_t n = 0; n < fields.size(); ++n) {
    if (n > 0) line += '\t';
    line += fields[n];
  }
  return line + "\r\n";
}

struct Degrees {
  double lat;
  double lon;
};

// The script form keeps a tenth of a second; half of that is lost at most.
constexpr double kScriptRoundingDeg = 0.05 / 3600 + 1e-12;

void ExpectNear(const std::string& lat, const std::string& lon, const Degrees& expected,
                std::size_t n) {
  EXPECT_NEAR(geo::CoordDegrees(lat, "MPS"), expected.lat, kScriptRoundingDeg) << "point " << n;
  EXPECT_NEAR(geo::CoordDegrees(lon, "MPS"), expected.lon, kScriptRoundingDeg) << "point " << n;
}

TEST(MpsRoundTrip, RecordsWrittenAsAScriptReadBack) {
  const Degrees waypoint{35.6536666, 139.7405555};
  const std::vector<Degrees> route{{35.1, 135.7}, {34.99876, 135.75432}, {-33.8568, -151.2153}};
  std::vector<Degrees> track;
  for (int i = 0; i < 3000; ++i) track.push_back({35.5 + i * 0.00013, 139.5 - i * 0.00017});

  auto number = [](double value) { return text::General(value); };
  std::string vrc = VrcLine(44, {{1, "WPT"},
                                 {2, "D"},
                                 {3, "TOKYO"},
                                 {5, number(waypoint.lat)},
                                 {6, number(waypoint.lon)},
                                 {8, "second"},
                                 {10, "third"},
                                 {39, "Summit"},
                                 {40, "first"}});
  vrc += "RTH\t12\tKyoto trip\t3\r\n";
  for (const Degrees& point : route) {
    vrc += VrcLine(
        44, {{1, "RTP"}, {2, "D"}, {3, "TOKYO"}, {5, number(point.lat)}, {6, number(point.lon)}});
  }
  vrc += "TRH\t" + std::to_string(track.size()) + "\tTrue\t0\twalk\r\n";
  for (const Degrees& point : track) {
    vrc += VrcLine(10, {{1, "TRP"},
                        {2, "D"},
                        {3, "TOKYO"},
                        {4, number(point.lat)},
                        {5, number(point.lon)},
                        {6, "2002/01/31 21:05:09"}});
  }
  vc::testing::TempDir dir;
  ConvertOptions options = vc::testing::OptionsFor(dir.Write("in.vrc", vrc), dir.Path("out.mps"));
  options.convertWaypoints = true;
  options.convertRoutes = true;
  options.convertTracks = true;
  options.pointStep = 100;
  ConversionContext context;
  vc::testing::RecordingObserver observer;
  ASSERT_EQ(ConvertFile(options, context, observer).outcome, Outcome::kConverted);

  text::StringLineSource script(dir.Read("out.mps"));
  std::unique_ptr<RecordReader> reader = MakeMpsReader(script);
  Conversion conversion(options, context, observer, observer.now);
  const RecordBuffers& buffers = context.buffers;

  ASSERT_EQ(reader->ReadNextRecord(conversion), RecordKind::kWpt);
  const vc::testing::PointTexts read = vc::testing::WaypointTexts(buffers.wpt);
  EXPECT_EQ(read.name, "Summit");
  EXPECT_EQ(read.info1 + "," + read.info2 + "," + read.info3, "first,second,third");
  ExpectNear(read.lat, read.lon, waypoint, 0);

  // The route points' own statements are passed over.
  ASSERT_EQ(reader->ReadNextRecord(conversion), RecordKind::kRte);
  EXPECT_EQ(buffers.rteHdr.rteNo, "12");
  EXPECT_EQ(buffers.rteHdr.rteName, "Kyoto trip");
  EXPECT_EQ(buffers.rteHdr.pntNum, "3");
  ASSERT_EQ(buffers.rtePnt.Count(), route.size());
  for (std::size_t n = 1; n <= route.size(); ++n) {
    const vc::testing::PointTexts point = vc::testing::RoutePointTexts(buffers.rtePnt, n);
    ExpectNear(point.lat, point.lon, route[n - 1], n);
  }

  ASSERT_EQ(reader->ReadNextRecord(conversion), RecordKind::kTrk);
  EXPECT_EQ(buffers.trkHdr.pntNum, std::to_string(track.size()));
  ASSERT_EQ(buffers.trkPnt.Count(), track.size());
  for (std::size_t n = 1; n <= track.size(); ++n) {
    ExpectNear(vc::testing::TextsOf(buffers.trkPnt, n).lat,
               vc::testing::TextsOf(buffers.trkPnt, n).lon, track[n - 1], n);
  }
  EXPECT_EQ(reader->ReadNextRecord(conversion), RecordKind::kEof);
}

}  // namespace
}  // namespace vc::engine
