#include "formats/nmea/sentence.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace vc::nmea {
namespace {

TEST(NmeaSentence, ChecksAsSerialCapturesDamageThem) {
  const struct {
    const char* line;
    SentenceState state;
  } cases[] = {
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6D",
       SentenceState::kValid},
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6d\r",
       SentenceState::kValid},
      {"$PGRMZ,48,f,3*27 ", SentenceState::kValid},
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6C",
       SentenceState::kBadChecksum},
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6DX",
       SentenceState::kBadChecksum},
      {"$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*G1",
       SentenceState::kBadChecksum},
      {"$GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*7", SentenceState::kCut},
      {"$GPBOD,,T,,M,,*", SentenceState::kCut},
      {"$GPGGA,225308,4527.458,S,16709.165,E,1,05,2.1,14.7,M,1.1,M,,",
       SentenceState::kWithoutChecksum},
      {"4.4343,N,01025.5386,E,200002,A,D*48", SentenceState::kNotSentence},
      {"# Name: Garmin 48", SentenceState::kNotSentence},
      {"", SentenceState::kNotSentence},
      {"$", SentenceState::kNotSentence},
      {"$G\x01\xff,1*00", SentenceState::kNotSentence},
      {"$gprmc,1*00", SentenceState::kNotSentence},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckSentence(c.line), c.state) << c.line;
}

// The checksum is folded from eight bytes at a time: every length and every
// position of a byte must count, the bytes after the last whole word too.
TEST(NmeaSentence, ChecksumsOfEveryLength) {
  std::string body = "GPRMC";
  for (int n = 0; n < 80; ++n) {
    unsigned sum = 0;
    for (const char c : body) sum ^= static_cast<unsigned char>(c);
    std::array<char, 4> hex{};
    std::snprintf(hex.data(), hex.size(), "%02X", sum);
    const std::string good = "$" + body + "*" + hex.data();
    EXPECT_EQ(CheckSentence(good), SentenceState::kValid) << good;
    // A byte after the address and its comma changed, wherever it lies.
    for (std::size_t at = 7; at < good.size() - 3; ++at) {
      std::string bad = good;
      bad[at] ^= 0x01;
      EXPECT_EQ(CheckSentence(bad), SentenceState::kBadChecksum) << bad;
    }
    body.push_back(static_cast<char>(n % 3 == 0 ? ',' : 'A' + n % 26));
  }
}

TEST(SplitFields, CountsAndStopsWhenFull) {
  struct Case {
    std::string_view text;
    std::size_t room;
    std::vector<std::string_view> fields;
  };
  const std::vector<Case> cases = {
      {"", 4, {""}},
      {"a", 4, {"a"}},
      {"a,b*c", 4, {"a", "b", "c"}},
      {",,", 4, {"", "", ""}},
      {"a,b,c,d,e", 3, {"a", "b", "c"}},  // the rest is not looked at
      {"$GPGGA,1,2,3,4,5,6,7,8*00", 12, {"$GPGGA", "1", "2", "3", "4", "5", "6", "7", "8", "00"}},
      {"a,b", 0, {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string_view> fields(c.room, "untouched");
    const std::size_t count = SplitFields(c.text, ',', '*', fields);
    ASSERT_EQ(count, c.fields.size()) << c.text;
    for (std::size_t i = 0; i < count; ++i) EXPECT_EQ(fields[i], c.fields[i]) << c.text;
    for (std::size_t i = count; i < c.room; ++i) EXPECT_EQ(fields[i], "untouched") << c.text;
  }
}

// The separators are looked for sixteen and eight bytes at a time, then one
// by one: every length and every place of a separator must cut as a plain
// walk over the characters does, whatever room the fields have.
TEST(SplitFields, AgreesWithACharacterWalkAtEveryLength) {
  const auto walk = [](std::string_view text, std::size_t room) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size() && fields.size() < room; ++i) {
      if (text[i] == ',' || text[i] == '*') {
        fields.push_back(text.substr(start, i - start));
        start = i + 1;
      }
    }
    if (fields.size() < room) fields.push_back(text.substr(start));
    return fields;
  };
  std::uint32_t seed = 12345;
  const auto next = [&seed] { return seed = seed * 1664525U + 1013904223U; };
  constexpr std::string_view kAlphabet = ",*a$9,.\x80";
  for (std::size_t length = 0; length <= 90; ++length) {
    for (int trial = 0; trial < 40; ++trial) {
      std::string text;
      for (std::size_t i = 0; i < length; ++i)
        text.push_back(kAlphabet[(next() >> 8) % kAlphabet.size()]);
      const std::size_t room = (next() >> 8) % 30;
      std::vector<std::string_view> fields(room, "untouched");
      const std::size_t count = SplitFields(text, ',', '*', fields);
      const std::vector<std::string_view> expected = walk(text, room);
      ASSERT_EQ(count, expected.size()) << text;
      for (std::size_t i = 0; i < count; ++i) {
        ASSERT_EQ(fields[i], expected[i]) << text;
        ASSERT_EQ(fields[i].data(), expected[i].data()) << text;
      }
      // The places kept instead of the fields give the same fields.
      const SentenceFields places = SentenceFields::Cut(text, ',', '*', room);
      ASSERT_EQ(places.Count(), std::min<std::size_t>(count, SentenceFields::kMaxFields)) << text;
      for (std::size_t i = 0; i < places.Count(); ++i) {
        ASSERT_EQ(places[i].data(), fields[i].data()) << text;
        ASSERT_EQ(places[i], fields[i]) << text;
      }
      ASSERT_TRUE(places[places.Count()].empty()) << text;
      // One field alone is the one a split with room for it cuts.
      const std::size_t number = (next() >> 8) % 30;
      const std::vector<std::string_view> upTo = walk(text, number + 1);
      const std::string_view field = NthField(text, ',', '*', number);
      if (upTo.size() == number + 1) {
        ASSERT_EQ(field, upTo[number]) << text << " " << number;
        ASSERT_EQ(field.data(), upTo[number].data()) << text << " " << number;
      } else {
        ASSERT_TRUE(field.empty()) << text << " " << number;
      }
    }
  }
}

TEST(NmeaSentence, KindsDoNotDependOnTheTalker) {
  const struct {
    const char* sentence;
    SentenceKind kind;
  } cases[] = {
      {"$GPRMC,1", SentenceKind::kRmc},
      {"$GNRMC,1", SentenceKind::kRmc},
      {"$GLGGA,1", SentenceKind::kGga},
      {"$GAGLL,1", SentenceKind::kGll},
      {"$BDVTG,1", SentenceKind::kVtg},
      {"$GBZDA,1", SentenceKind::kZda},
      {"$QZRMC*00", SentenceKind::kRmc},
      {"$HCHDG,101.1", SentenceKind::kHdg},
      {"$HEHDT,10", SentenceKind::kHdt},
      {"$PGRME,9.1", SentenceKind::kPgrme},
      {"$PGRMZ,48", SentenceKind::kPgrmz},
      {"$PGRMM,WGS 84", SentenceKind::kPgrmm},
      {"$PGRMT,x", SentenceKind::kOther},
      {"$GPGSV,3", SentenceKind::kOther},
      {"$GPRMCX,1", SentenceKind::kOther},
      // A maker's code is not a talker: "P" and a sentence of the same letters is none.
      {"$PXRMZ,1", SentenceKind::kOther},
      {"$PGRMC,1", SentenceKind::kOther},
      {"$PARMC,1", SentenceKind::kOther},
      {"$PGRMZ", SentenceKind::kPgrmz},
      {"$GPRM", SentenceKind::kOther},
      {"$", SentenceKind::kOther},
      {"$GPrmc,1", SentenceKind::kOther},
      {"$G-RMC,1", SentenceKind::kOther},
      {"$-PRMC,1", SentenceKind::kOther},
      {"$GPGGA9", SentenceKind::kOther},
      {"$GPGGA", SentenceKind::kGga},
      {"$PGRMEx", SentenceKind::kPgrme},
  };
  for (const auto& c : cases) EXPECT_EQ(KindOf(c.sentence), c.kind) << c.sentence;
}

TEST(NmeaSentence, FieldsWithoutTheChecksum) {
  const SentenceFields fields("$GPGLL,4527.458,S,16709.165,E,225309,A*3E\r");
  EXPECT_EQ(fields.Count(), 7u);
  EXPECT_EQ(fields[0], "$GPGLL");
  EXPECT_EQ(fields[1], "4527.458");
  EXPECT_EQ(fields[6], "A");
  EXPECT_EQ(fields[7], "");
  EXPECT_EQ(SentenceFields("$GPBOD,,T").Count(), 3u);
  // Split only as far as wanted, the last field wanted ending at its comma
  // and the last one of all at the checksum, as in a whole split.
  const SentenceFields first("$GPGLL,4527.458,S,16709.165,E,225309,A*3E", 3);
  EXPECT_EQ(first.Count(), 3u);
  EXPECT_EQ(first[2], "S");
  EXPECT_EQ(first[3], "");
  EXPECT_EQ(SentenceFields("$GPGLL,4527.458,S,16709.165,E,225309,A*3E", 7)[6], "A");
}

TEST(NmeaSentence, TimesOfDayKeepTheirFractions) {
  const struct {
    const char* field;
    double seconds;
  } cases[] = {
      {"225308", 82388}, {"093156.500", 34316.5}, {"000000.", 0},
      {"235960", 86400}, {"12345", -1},           {"246000", -1},
      {"12a456", -1},    {"123456,7", -1},        {"", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(TimeOfDaySeconds(c.field), c.seconds) << c.field;
}

}  // namespace
}  // namespace vc::nmea
