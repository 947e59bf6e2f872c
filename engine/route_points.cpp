#include "engine/route_points.hpp"

#include "geo/coord_text.hpp"
#include "text/numbers.hpp"

namespace vc::engine {
namespace {

constexpr std::uint64_t kEmptyTextAt = TextStore::kEmptyAt;

constexpr std::size_t kMostBlanks = 15;
constexpr std::size_t kMostDecimals = 14;
// A decimal of at most 15 digits reads as the double whose 15 significant
// digits give back those digits, so the fixed pattern writes it again.
constexpr std::size_t kMostDigits = 15;

std::size_t Index(PointField field) noexcept { return static_cast<std::size_t>(field); }

std::size_t DigitsFrom(std::string_view text, std::size_t at) noexcept {
  std::size_t end = at;
  while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
  return end - at;
}

// The spelling of a text that is blanks and then its value written with a
// fixed count of decimals ("  35.731200"); 0 for a text of another shape.
// A leading zero, a "+", a trailing point and "-0.0" are other shapes: the
// digit pattern would not write them.
std::uint8_t FixedSpelling(std::string_view text) noexcept {
  std::size_t blanks = 0;
  while (blanks < text.size() && text[blanks] == ' ') ++blanks;
  if (blanks > kMostBlanks) return 0;
  const std::string_view number = text.substr(blanks);
  const std::size_t intStart = number.starts_with('-') ? 1 : 0;
  const std::size_t intDigits = DigitsFrom(number, intStart);
  if (intDigits == 0 || (intDigits > 1 && number[intStart] == '0')) return 0;
  std::size_t decimals = 0;
  const std::size_t point = intStart + intDigits;
  if (point < number.size()) {
    if (number[point] != '.') return 0;
    decimals = DigitsFrom(number, point + 1);
    if (decimals == 0 || point + 1 + decimals != number.size()) return 0;
  }
  if (decimals > kMostDecimals || intDigits + decimals > kMostDigits) return 0;
  if (intStart == 1 && number.find_first_of("123456789") == std::string_view::npos) return 0;
  return static_cast<std::uint8_t>((blanks << 4) | (decimals + 1));
}

std::size_t BlanksOf(std::uint8_t spelling) noexcept { return spelling >> 4; }
int DecimalsOf(std::uint8_t spelling) noexcept { return (spelling & 0x0F) - 1; }

}  // namespace

void RoutePoints::Clear() noexcept {
  points_.Clear();
  texts_.Clear();
  labels_.Clear();
}

RtePnt& RoutePoints::Add() {
  RtePnt& point = points_.Add();
  point = RtePnt{};
  for (TrkPnt::Slot& slot : point.coord) slot.textAt = kEmptyTextAt;
  point.ownText = TrkPnt::Bit(PointField::kLat) | TrkPnt::Bit(PointField::kLon);
  return point;
}

void RoutePoints::SetText(RtePnt& point, PointText field, std::string_view text) {
  point.textAt[static_cast<std::size_t>(field)] = texts_.Store(text);
}

void RoutePoints::SetCoord(RtePnt& point, PointField field, std::string_view text) {
  const std::size_t i = Index(field);
  const std::uint8_t bit = TrkPnt::Bit(field);
  point.ownText &= static_cast<std::uint8_t>(~bit);
  point.fromDegrees &= static_cast<std::uint8_t>(~bit);
  point.spelling[i] = 0;
  // Most general texts are fixed spellings too ("35.5" has one decimal).
  if (const std::uint8_t spelling = FixedSpelling(text); spelling != 0) {
    point.spelling[i] = spelling;
    point.coord[i].number = text::LeadingValue(text);
  } else if (const std::optional<double> value = GeneralTextValue(text)) {
    point.coord[i].number = *value;
  } else {
    point.ownText |= bit;
    point.coord[i].textAt = texts_.Store(text);
  }
}

void RoutePoints::SetCoordFromDegrees(RtePnt& point, PointField field, double degrees) noexcept {
  const std::uint8_t bit = TrkPnt::Bit(field);
  point.ownText &= static_cast<std::uint8_t>(~bit);
  point.fromDegrees |= bit;
  point.spelling[Index(field)] = 0;
  point.coord[Index(field)].number = degrees;
}

void RoutePoints::SetLabels(RtePnt& point, std::string_view datum, std::string_view utcOffset,
                            std::string_view coordFormat) {
  point.labels = labels_.Find(datum, utcOffset, coordFormat);
}

// ---------------------------------------------------------------------------

void RoutePoints::AppendCoordText(std::string& out, const RtePnt& point, PointField field) const {
  const TrkPnt::Slot& slot = point.coord[Index(field)];
  const std::uint8_t spelling = point.spelling[Index(field)];
  if (point.HasOwnText(field)) {
    out.append(StoredText(slot.textAt));
  } else if (point.IsFromDegrees(field)) {
    geo::AppendCoordText(out, geo::ReadDecimalCoord(slot.number, "D"), CoordFormat(point));
  } else if (spelling != 0) {
    out.append(BlanksOf(spelling), ' ');
    text::AppendPattern(out, slot.number, {1, DecimalsOf(spelling)});
  } else {
    text::AppendGeneral(out, slot.number);
  }
}

std::string_view RoutePoints::CoordText(const RtePnt& point, PointField field,
                                        std::string& scratch) const {
  if (point.HasOwnText(field)) return StoredText(point.coord[Index(field)].textAt);
  scratch.clear();
  AppendCoordText(scratch, point, field);
  return scratch;
}

// A decimal form reads a text by its leading value alone, which is the
// number of a general or fixed spelling.
bool RoutePoints::IsDecimalNumber(const RtePnt& point, PointField field) const noexcept {
  return !point.HasOwnText(field) && !point.IsFromDegrees(field) &&
         geo::IsDecimalForm(CoordFormat(point));
}

double RoutePoints::Degrees(const RtePnt& point, PointField field) const {
  const std::string_view form = CoordFormat(point);
  if (IsDecimalNumber(point, field)) {
    return geo::DecimalCoordDegrees(point.coord[Index(field)].number, form);
  }
  std::string scratch;
  return geo::CoordDegrees(CoordText(point, field, scratch), form);
}

void RoutePoints::AppendCoordIn(std::string& out, const RtePnt& point, PointField field,
                                std::string_view toForm) const {
  const std::string_view form = CoordFormat(point);
  const double number = point.coord[Index(field)].number;
  if (IsDecimalNumber(point, field)) {
    geo::AppendCoordText(out, geo::ReadDecimalCoord(number, form), toForm);
    return;
  }
  if (point.IsFromDegrees(field) && toForm == form) {
    geo::AppendCoordText(out, geo::ReadDecimalCoord(number, "D"), form);
    return;
  }
  std::string scratch;
  geo::AppendConvertedCoord(out, CoordText(point, field, scratch), form, toForm);
}

}  // namespace vc::engine
