#include "formats/vornpointer/nmea_sentence.hpp"
#include "text/constants.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "formats/nmea/sentence.hpp"
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

std::optional<double> NumberOf(std::string_view field, double factor = 1) noexcept {
  if (field.empty()) return std::nullopt;
  return text::LeadingValue(field) * factor;
}

// The number as its general text reads back.
std::optional<double> GeneralNumberOf(std::string_view field) noexcept {
  if (field.empty()) return std::nullopt;
  return text::LeadingGeneralValue(field);
}

// The number of two digit characters.
int TwoDigits(std::string_view text, std::size_t at) noexcept {
  return (text[at] - '0') * 10 + (text[at + 1] - '0');
}

bool StartsWithSixDigits(std::string_view field) noexcept {
  if (field.size() < 6) return false;
  for (std::size_t i = 0; i < 6; ++i) {
    if (field[i] < '0' || field[i] > '9') return false;
  }
  return true;
}

}  // namespace

void SplitSentence(std::string_view sentence, std::span<std::string_view> fields) noexcept {
  const std::size_t count = nmea::SplitFields(sentence, ',', '*', fields);
  std::fill(fields.begin() + static_cast<std::ptrdiff_t>(count), fields.end(), std::string_view{});
}

void AppendLogTime(std::string& out, std::string_view hhmmss) {
  if (hhmmss.empty()) return;
  out.append(MidChars(hhmmss, 1, 2)).push_back(':');
  out.append(MidChars(hhmmss, 3, 2)).push_back(':');
  out.append(MidChars(hhmmss, 5, 2));
}

void AppendLogDate(std::string& out, std::string_view ddmmyy) {
  if (ddmmyy.empty()) return;
  out.append("20").append(MidChars(ddmmyy, 5, 2)).push_back('/');
  out.append(MidChars(ddmmyy, 3, 2)).push_back('/');
  out.append(MidChars(ddmmyy, 1, 2));
}

std::optional<text::LocalSeconds> NmeaDateTime(std::string_view ddmmyy,
                                               std::string_view hhmmss) noexcept {
  if (!StartsWithSixDigits(ddmmyy) || !StartsWithSixDigits(hhmmss)) return std::nullopt;
  constexpr int kCentury = 2000;
  return text::CheckedLocalSeconds({kCentury + TwoDigits(ddmmyy, 4), TwoDigits(ddmmyy, 2),
                                    TwoDigits(ddmmyy, 0), TwoDigits(hhmmss, 0),
                                    TwoDigits(hhmmss, 2), TwoDigits(hhmmss, 4)});
}

std::optional<text::LocalSeconds> NmeaDayMemo::DateTime(std::string_view ddmmyy,
                                                        std::string_view hhmmss) noexcept {
  if (ddmmyy.size() < 6 || !StartsWithSixDigits(hhmmss)) return std::nullopt;
  const std::uint64_t date = text::SixByteCode(ddmmyy.data());
  // The memo holds only dates of six digits.
  if (date != date_) {
    if (!StartsWithSixDigits(ddmmyy)) return std::nullopt;
    constexpr int kCentury = 2000;
    date_ = date;
    dayStart_ = text::CheckedLocalSeconds(
        {kCentury + TwoDigits(ddmmyy, 4), TwoDigits(ddmmyy, 2), TwoDigits(ddmmyy, 0), 0, 0, 0});
  }
  const int hour = TwoDigits(hhmmss, 0);
  const int minute = TwoDigits(hhmmss, 2);
  const int second = TwoDigits(hhmmss, 4);
  // The checks of a date and time for its clock part.
  if (!dayStart_ || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return *dayStart_ + hour * 3600 + minute * 60 + second;
}

double NmeaDegrees(std::string_view ddmm) {
  // ddmm.mmmm / 100 is the "DM" form, taken at the value of its general
  // text, then read as decimal degrees the way its "D" text reads.
  const double dm = text::LeadingGeneralHundredth(ddmm);
  return geo::DecimalCoordDegrees(dm, "DM");
}

std::string_view ExtractSentence(std::string_view block, std::string_view identifier) noexcept {
  if (identifier.empty()) return {};
  const std::size_t start = block.find(identifier);
  if (start == std::string_view::npos) return {};
  const std::size_t end = block.find('$', start + 1);
  return block.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

namespace {

NmeaPosition PositionOf(std::string_view lat, std::string_view latHemisphere, std::string_view lon,
                        std::string_view lonHemisphere) noexcept {
  return {latHemisphere, lat, lonHemisphere, lon};
}

// "E" and "W" exactly; any other text gives 0, an empty field nothing.
std::optional<int> VariationSideOf(std::string_view field) noexcept {
  if (field.empty()) return std::nullopt;
  if (field == "E") return 1;
  if (field == "W") return -1;
  return 0;
}

// Field `number` of a sentence, as SplitSentence cuts it, found by one walk
// up to it: the short sentences give one field near their start.
std::string_view FieldOf(std::string_view sentence, std::size_t number) noexcept {
  if (sentence.empty()) return {};  // the block has no such sentence
  return nmea::NthField(sentence, ',', '*', number);
}

FixQuality QualityOf(std::string_view field) noexcept {
  if (field == "1") return FixQuality::kNormal;
  if (field == "2") return FixQuality::kDifferential;
  return FixQuality::kNone;
}

std::string_view FixModeOf(std::string_view field) noexcept {
  if (field == "2") return "2D";
  if (field == "3") return "3D";
  return {};
}

}  // namespace

void ParseRmc(std::string_view sentence, RmcResult& out) {
  if (sentence.empty()) {
    out = {};
    return;
  }
  const nmea::SentenceFields f = nmea::SentenceFields::Cut(sentence, ',', '*', 12);
  out.date = f[9];
  out.time = f[1];
  out.position = PositionOf(f[3], f[4], f[5], f[6]);
  // Knots to km/h, then to metres per second, in this order of operations.
  out.speed = NumberOf(f[7]);
  if (out.speed) *out.speed = *out.speed * kKmPerNauticalMile / kKmhPerMetrePerSecond;
  out.course = f[8];
  out.variation = GeneralNumberOf(f[10]);
  out.variationSign = VariationSideOf(f[11]);
}

void ParseGga(std::string_view sentence, GgaResult& out) {
  if (sentence.empty()) {
    out = {};
    return;
  }
  const nmea::SentenceFields f = nmea::SentenceFields::Cut(sentence, ',', '*', 10);
  out.time = f[1];
  out.position = PositionOf(f[2], f[3], f[4], f[5]);
  out.height = f[9];
  out.quality = QualityOf(f[6]);
}

std::optional<double> GgaHeight(const GgaResult& gga) noexcept {
  return GeneralNumberOf(gga.height);
}

void ParseGll(std::string_view sentence, GllResult& out) {
  if (sentence.empty()) {
    out = {};
    return;
  }
  const nmea::SentenceFields f = nmea::SentenceFields::Cut(sentence, ',', '*', 6);
  out.time = f[5];
  out.position = PositionOf(f[1], f[2], f[3], f[4]);
}

void ParseErrorEstimate(std::string_view sentence, std::string_view& positionError) {
  positionError = FieldOf(sentence, 1);
}

void ParseAltitude(std::string_view sentence, std::optional<double>& altitude) {
  altitude = NumberOf(FieldOf(sentence, 1), kMetresPerFoot);
}

void ParseGsa(std::string_view sentence, std::string_view& fixMode) {
  fixMode = FixModeOf(FieldOf(sentence, 2));
}

void ParseHchdg(std::string_view sentence, std::string_view& heading) {
  heading = FieldOf(sentence, 1);
}

}  // namespace vc::vp
