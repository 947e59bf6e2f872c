#include "formats/vornpointer/nmea_sentence.hpp"
#include "text/constants.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "geo/coord_text.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::vp {
namespace {

using constants::kKmhPerMetrePerSecond;
using constants::kKmPerNauticalMile;
using constants::kMetresPerFoot;

// `count` characters from character `first` (1-based); shorter or empty
// where the text ends, so a time field cut short still gives its pieces.
std::string_view MidChars(std::string_view text, std::size_t first, std::size_t count) noexcept {
  const std::string_view head = text.substr(0, first - 1 + count);
  if (std::all_of(head.begin(), head.end(),
                  [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
    return head.substr(std::min(first - 1, head.size()));
  }
  text.remove_prefix(text::LeftChars(text, first - 1).size());
  return text::LeftChars(text, count);
}

// hhmmss[.ss] -> "hh:nn:ss".
void AssignTime(std::string& out, std::string_view field) {
  out.clear();
  if (field.empty()) return;
  out.append(MidChars(field, 1, 2)).push_back(':');
  out.append(MidChars(field, 3, 2)).push_back(':');
  out.append(MidChars(field, 5, 2));
}

// ddmmyy -> "20yy/mm/dd".
void AssignDate(std::string& out, std::string_view field) {
  out.clear();
  if (field.empty()) return;
  out.append("20").append(MidChars(field, 5, 2)).push_back('/');
  out.append(MidChars(field, 3, 2)).push_back('/');
  out.append(MidChars(field, 1, 2));
}

void AssignNumber(std::string& out, std::string_view field, double factor = 1) {
  out.clear();
  if (field.empty()) return;
  text::AppendGeneral(out, text::LeadingValue(field) * factor);
}

// Knots to km/h, then to metres per second, in this order of operations.
void AssignSpeed(std::string& out, std::string_view knots) {
  out.clear();
  if (knots.empty()) return;
  text::AppendGeneral(out, text::LeadingValue(knots) * kKmPerNauticalMile / kKmhPerMetrePerSecond);
}

void AssignPosition(NmeaPosition& out, std::string_view lat, std::string_view latHemisphere,
                    std::string_view lon, std::string_view lonHemisphere) {
  out.latHemisphere.assign(latHemisphere);
  out.lat.assign(lat);
  out.lonHemisphere.assign(lonHemisphere);
  out.lon.assign(lon);
}

// Maps an exact field text to a result; any other non-empty text gives
// `other`, an empty field gives the empty text.
struct TextMapping {
  std::string_view from;
  std::string_view to;
};

template <std::size_t N>
void AssignMapped(std::string& out, std::string_view field,
                  const std::array<TextMapping, N>& mappings, std::string_view other) {
  out.clear();
  if (field.empty()) return;
  for (const TextMapping& mapping : mappings) {
    if (field == mapping.from) {
      out.assign(mapping.to);
      return;
    }
  }
  out.assign(other);
}

constexpr std::array<TextMapping, 2> kQualities{{{"1", "Normal"}, {"2", "Diff"}}};
constexpr std::array<TextMapping, 2> kFixModes{{{"2", "2D"}, {"3", "3D"}}};
constexpr std::array<TextMapping, 2> kVariationSides{{{"E", "1"}, {"W", "-1"}}};

}  // namespace

namespace {

static_assert(std::endian::native == std::endian::little,
              "the first byte of a text is the lowest byte of the word read from it");

// A bit at the top of every byte of `word` that is `c`: the exact per-byte
// test for a zero byte (no carry crosses a byte), applied to the word xor c
// repeated.
std::uint64_t BytesEqualTo(std::uint64_t word, char c) noexcept {
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHighs = 0x8080808080808080ULL;
  const std::uint64_t x = word ^ (kOnes * static_cast<unsigned char>(c));
  return ~(((x & ~kHighs) + ~kHighs) | x) & kHighs;
}

}  // namespace

void SplitSentence(std::string_view sentence, std::span<std::string_view> fields) noexcept {
  std::fill(fields.begin(), fields.end(), std::string_view{});
  if (fields.empty()) return;
  std::size_t number = 0;
  std::size_t start = 0;
  const auto cut = [&](std::size_t at) {
    fields[number] = std::string_view(sentence.data() + start, at - start);
    start = at + 1;
    return ++number == fields.size();
  };
  // The separators are found eight bytes at a time; a field is a few
  // characters long, and every sentence of every fix is split.
  std::size_t i = 0;
  for (; i + 8 <= sentence.size(); i += 8) {
    std::uint64_t word = 0;
    std::memcpy(&word, sentence.data() + i, sizeof word);
    std::uint64_t marks = BytesEqualTo(word, ',') | BytesEqualTo(word, '*');
    while (marks != 0) {
      if (cut(i + static_cast<std::size_t>(std::countr_zero(marks)) / 8)) return;
      marks &= marks - 1;
    }
  }
  for (; i < sentence.size(); ++i) {
    if ((sentence[i] == ',' || sentence[i] == '*') && cut(i)) return;
  }
  fields[number] = sentence.substr(start);
}

void AppendNmeaDegrees(std::string& out, std::string_view ddmm) {
  if (ddmm.empty()) return;
  text::AppendGeneral(out, NmeaDegrees(ddmm));
}

double NmeaDegrees(std::string_view ddmm) {
  // ddmm.mmmm / 100 is the "DM" form, taken at the value of its general
  // text, then read as decimal degrees the way its "D" text reads.
  const double dm = text::RoundToGeneral(text::LeadingValue(ddmm) / 100);
  return geo::DecimalCoordDegrees(dm, "DM");
}

std::string_view ExtractSentence(std::string_view block, std::string_view identifier) noexcept {
  if (identifier.empty()) return {};
  const std::size_t start = block.find(identifier);
  if (start == std::string_view::npos) return {};
  const std::size_t end = block.find('$', start + 1);
  return block.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

void ParseRmc(std::string_view sentence, RmcResult& out) {
  std::array<std::string_view, 12> f;
  SplitSentence(sentence, f);
  AssignDate(out.date, f[9]);
  AssignTime(out.time, f[1]);
  AssignPosition(out.position, f[3], f[4], f[5], f[6]);
  AssignSpeed(out.speed, f[7]);
  out.course.assign(f[8]);
  AssignNumber(out.variation, f[10]);
  AssignMapped(out.variationSign, f[11], kVariationSides, "0");
}

void ParseGga(std::string_view sentence, GgaResult& out) {
  std::array<std::string_view, 10> f;
  SplitSentence(sentence, f);
  AssignTime(out.time, f[1]);
  AssignPosition(out.position, f[2], f[3], f[4], f[5]);
  AssignNumber(out.height, f[9]);
  AssignMapped(out.quality, f[6], kQualities, "");
}

void ParseGll(std::string_view sentence, GllResult& out) {
  std::array<std::string_view, 6> f;
  SplitSentence(sentence, f);
  AssignTime(out.time, f[5]);
  AssignPosition(out.position, f[1], f[2], f[3], f[4]);
}

void ParseErrorEstimate(std::string_view sentence, std::string& positionError) {
  std::array<std::string_view, 3> f;
  SplitSentence(sentence, f);
  positionError.assign(f[1]);
}

void ParseAltitude(std::string_view sentence, std::string& altitude) {
  std::array<std::string_view, 3> f;
  SplitSentence(sentence, f);
  AssignNumber(altitude, f[1], kMetresPerFoot);
}

void ParseGsa(std::string_view sentence, std::string& fixMode) {
  std::array<std::string_view, 3> f;
  SplitSentence(sentence, f);
  AssignMapped(fixMode, f[2], kFixModes, "");
}

void ParseHchdg(std::string_view sentence, std::string& heading) {
  std::array<std::string_view, 3> f;
  SplitSentence(sentence, f);
  heading.assign(f[1]);
}

}  // namespace vc::vp
