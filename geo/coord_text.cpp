#include "geo/coord_text.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

#include "text/digit_pairs.hpp"
#include "text/numbers.hpp"

namespace vc::geo {
namespace {

enum class CoordForm { kD, kDM, kDMS, kMPS, kPAO, kUnknown };

constexpr double kMinutesPerDegree = 60;
constexpr double kSecondsPerMinute = 60;
constexpr double kSecondsPerDegree = 3600;
// "DM" and "DMS" keep two decimal digits of minutes after the degrees.
constexpr double kDecimalMinuteScale = 100;
// "DMS" keeps the seconds in hundredths after the minutes.
constexpr double kDmsSecondScale = 100;
// "PAO" keeps the seconds in thousandths.
constexpr double kPaoSecondScale = 1000;
// A minutes product within this distance of a whole number is
// taken as that number (see SnapNearWhole).
constexpr double kSplitSnapTolerance = 1e-9;
constexpr std::size_t kSlashFieldCount = 3;

CoordForm FormOf(std::string_view code) noexcept {
  if (code == "D") return CoordForm::kD;
  if (code == "DM") return CoordForm::kDM;
  if (code == "DMS") return CoordForm::kDMS;
  if (code == "MPS") return CoordForm::kMPS;
  if (code == "PAO") return CoordForm::kPAO;
  return CoordForm::kUnknown;
}

// A run of several hundred digits reads as infinity; such a text is no
// coordinate, and 0 keeps every later pattern and sum finite.
double FiniteLeadingValue(std::string_view text) noexcept {
  const double v = text::LeadingValue(text);
  return std::isfinite(v) ? v : 0;
}

// From 2^52 on every double is a whole number.
constexpr double kAllWhole = 4503599627370496.0;

// The floor of a finite x >= 0 without a library call: converting to an
// integer truncates, which for x >= 0 is the floor.
double FloorOfMagnitude(double x) noexcept {
  return x < kAllWhole ? static_cast<double>(static_cast<std::int64_t>(x)) : x;
}

// (v - deg) x 100 of a decimal text is rarely exact: for "139.45" it is
// 44.99999999999..., which would split into 44 minutes and almost 100
// hundredths. A product that close to a whole number stands for that number;
// any other product is kept as it is so that long fractions keep their digits.
// For x >= 0 the floor of x + 0.5 is the nearest whole number whenever one
// lies within the tolerance; when none does, x is kept whatever it finds.
double SnapNearWhole(double x) noexcept {
  const double whole = FloorOfMagnitude(x + 0.5);
  return std::fabs(x - whole) <= kSplitSnapTolerance ? whole : x;
}

// The same guard as for the decimal-minute forms: "139.45" is 139 deg 27 min,
// not 26 min and 59.99999999995 sec (written "139/26/60.0").
CoordParts ReadDecimalDegrees(double magnitude) noexcept {
  CoordParts parts;
  parts.deg = FloorOfMagnitude(magnitude);
  const double minutes = SnapNearWhole((magnitude - parts.deg) * kMinutesPerDegree);
  parts.min = FloorOfMagnitude(minutes);
  parts.sec = (minutes - parts.min) * kSecondsPerMinute;
  return parts;
}

// "DM" and "DMS": the first two decimals are the minutes; the rest is the
// fraction of a minute ("DM", times 60) or hundredths of seconds ("DMS").
CoordParts ReadDecimalMinutes(double magnitude, double restScale) noexcept {
  CoordParts parts;
  parts.deg = FloorOfMagnitude(magnitude);
  const double minutes = SnapNearWhole((magnitude - parts.deg) * kDecimalMinuteScale);
  parts.min = FloorOfMagnitude(minutes);
  parts.sec = (minutes - parts.min) * restScale;
  return parts;
}

bool StartsWithMinus(std::string_view field) noexcept {
  for (const char c : field) {
    if (c != ' ' && c != '\t') return c == '-';
  }
  return false;
}

// "deg/min/sec": each "/" starts the next field; fields after the third are
// ignored, missing ones are empty and read as 0.
CoordParts ReadSlashFields(std::string_view value, double secondScale) noexcept {
  std::string_view fields[kSlashFieldCount];
  std::size_t index = 0;
  std::size_t start = 0;
  while (index < kSlashFieldCount) {
    const std::size_t slash = value.find('/', start);
    fields[index++] =
        value.substr(start, slash == std::string_view::npos ? value.size() - start : slash - start);
    if (slash == std::string_view::npos) break;
    start = slash + 1;
  }
  CoordParts parts;
  parts.negative = StartsWithMinus(fields[0]);
  parts.deg = std::fabs(FiniteLeadingValue(fields[0]));
  parts.min = FiniteLeadingValue(fields[1]);
  parts.sec = FiniteLeadingValue(fields[2]) / secondScale;
  return parts;
}

// Sign and magnitude: the magnitude is split, the sign kept beside it.
CoordParts ReadDecimalValue(double v, CoordForm form) noexcept {
  if (!std::isfinite(v)) v = 0;
  const double magnitude = std::fabs(v);
  CoordParts parts;
  if (form == CoordForm::kD) {
    parts = ReadDecimalDegrees(magnitude);
  } else if (form == CoordForm::kDM) {
    parts = ReadDecimalMinutes(magnitude, kSecondsPerMinute);
  } else {
    parts = ReadDecimalMinutes(magnitude, kDmsSecondScale);
  }
  parts.negative = v < 0;
  return parts;
}

// Added in exactly this order so that the last digit matches the stored texts.
double SignedDegrees(const CoordParts& parts) noexcept {
  const double magnitude =
      (parts.min / kMinutesPerDegree + parts.deg) + parts.sec / kSecondsPerDegree;
  return parts.negative ? -magnitude : magnitude;
}

double SignedDecimalMinutes(const CoordParts& parts) noexcept {
  const double magnitude = (parts.deg + parts.min / kDecimalMinuteScale) +
                           parts.sec / (kSecondsPerMinute * kDecimalMinuteScale);
  return parts.negative ? -magnitude : magnitude;
}

bool HasNonZeroDigit(std::string_view text) noexcept {
  for (const char c : text) {
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

// The three-field forms: "-" and the magnitude's fields. An angle whose
// fields all come out as zeros is written without the sign, as the general
// form writes -0 as "0".
void AppendFieldsByParts(std::string& out, const CoordParts& parts, CoordForm form) {
  const std::size_t start = out.size();
  if (parts.negative) out += '-';
  text::AppendGeneral(out, parts.deg);
  switch (form) {
    case CoordForm::kDMS:
      out += '.';
      text::AppendPattern(out, parts.min, text::kPattern00);
      text::AppendPattern(out, parts.sec * kDmsSecondScale, text::kPattern0000);
      break;
    case CoordForm::kMPS:
      out += '/';
      text::AppendPattern(out, parts.min, text::kPattern00);
      out += '/';
      text::AppendPattern(out, parts.sec, text::kPattern00_0);
      break;
    default:  // "PAO"
      out += '/';
      text::AppendPattern(out, parts.min, text::kPattern00);
      out += '/';
      text::AppendPattern(out, parts.sec * kPaoSecondScale, text::kPattern00000);
      break;
  }
  if (parts.negative && !HasNonZeroDigit(std::string_view(out).substr(start))) {
    out.erase(start, 1);
  }
}

// How the three-field forms join their fields: "DMS" puts the two digits of
// minutes and the seconds straight after the point.
struct FieldLayout {
  char afterDegrees;
  char afterMinutes;  // '\0' for none
  double secondScale;
  text::NumberPattern secondPattern;
};

FieldLayout LayoutOf(CoordForm form) noexcept {
  switch (form) {
    case CoordForm::kDMS:
      return {'.', '\0', kDmsSecondScale, text::kPattern0000};
    case CoordForm::kMPS:
      return {'/', '/', 1, text::kPattern00_0};
    default:  // "PAO"
      return {'/', '/', kPaoSecondScale, text::kPattern00000};
  }
}

// Nearly every angle splits into whole degrees below 1000 and whole minutes
// below 100. Such a number's general form, and its "00" pattern, are just
// its digits, written here without the general number machinery.
bool IsWholeBelow(double v, double limit) noexcept {
  return v >= 0 && v < limit && static_cast<double>(static_cast<int>(v)) == v;
}

char* PutWholeDegrees(char* p, std::uint32_t whole) noexcept {
  if (whole >= 100) {
    *p++ = static_cast<char>('0' + whole / 100);
    text::PutDigitPair(p, whole % 100);
    return p + 2;
  }
  if (whole >= 10) {
    text::PutDigitPair(p, whole);
    return p + 2;
  }
  *p = static_cast<char>('0' + whole);
  return p + 1;
}

char* PutDegrees(char* p, double deg) noexcept {
  if (!IsWholeBelow(deg, 1000)) return text::PutShortGeneral(p, deg);
  return PutWholeDegrees(p, static_cast<std::uint32_t>(deg));
}

char* PutMinutes(char* p, double min) noexcept {
  if (!IsWholeBelow(min, 100)) return text::PutShortPattern(p, min, text::kPattern00);
  text::PutDigitPair(p, static_cast<std::uint32_t>(min));
  return p + 2;
}

// The fields without the sign, written at `p`; nullptr when a number has no
// short form.
char* PutFields(char* p, const CoordParts& parts, CoordForm form) noexcept {
  const FieldLayout layout = LayoutOf(form);
  p = PutDegrees(p, parts.deg);
  if (p == nullptr) return nullptr;
  *p++ = layout.afterDegrees;
  p = PutMinutes(p, parts.min);
  if (p == nullptr) return nullptr;
  if (layout.afterMinutes != '\0') *p++ = layout.afterMinutes;
  return text::PutShortPattern(p, parts.sec * layout.secondScale, layout.secondPattern);
}

// The packed "MPS" angle: a bit for the sign (set only when a digit is not
// zero, as the text then starts with "-"), then degrees, minutes and tenths.
constexpr unsigned kSignShift = 31;
constexpr unsigned kDegreesShift = 21;
constexpr unsigned kMinutesShift = 14;
constexpr std::uint32_t kDegreesLimit = 1000;
constexpr std::uint32_t kMinutesLimit = 100;
constexpr std::uint32_t kTenthsLimit = 1U << kMinutesShift;
constexpr std::uint32_t kMinutesMask = (1U << (kDegreesShift - kMinutesShift)) - 1;
constexpr std::uint32_t kDegreesMask = (1U << (kSignShift - kDegreesShift)) - 1;

// The common angle is built on the stack and appended once.
void AppendFields(std::string& out, const CoordParts& parts, CoordForm form) {
  if (form == CoordForm::kMPS) {
    if (const std::optional<MpsAngle> angle = PackMpsAngle(parts)) {
      std::array<char, kMpsAngleRoom> text;  // written before it is read
      out.append(text.data(),
                 static_cast<std::size_t>(PutMpsAngle(text.data(), *angle) - text.data()));
      return;
    }
  }
  // The sign, three numbers and two separators, with each number's room.
  std::array<char, 4 * text::kShortNumberRoom> buf;  // written before it is read
  char* const fields = buf.data() + 1;
  const char* const end = PutFields(fields, parts, form);
  if (end == nullptr) {
    AppendFieldsByParts(out, parts, form);
    return;
  }
  char* begin = fields;
  if (parts.negative && HasNonZeroDigit({fields, static_cast<std::size_t>(end - fields)})) {
    *--begin = '-';
  }
  out.append(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace

std::optional<MpsAngle> PackMpsAngle(const CoordParts& parts) noexcept {
  std::uint64_t tenths = 0;
  if (!IsWholeBelow(parts.deg, kDegreesLimit) || !IsWholeBelow(parts.min, kMinutesLimit) ||
      !text::ShortPatternUnits(parts.sec, 1, tenths) || tenths >= kTenthsLimit ||
      (parts.sec < 0 && tenths != 0)) {
    return std::nullopt;
  }
  const auto deg = static_cast<std::uint32_t>(parts.deg);
  const auto min = static_cast<std::uint32_t>(parts.min);
  const bool signWritten = parts.negative && (deg != 0 || min != 0 || tenths != 0);
  return MpsAngle{(static_cast<std::uint32_t>(signWritten) << kSignShift) | (deg << kDegreesShift) |
                  (min << kMinutesShift) | static_cast<std::uint32_t>(tenths)};
}

char* PutMpsAngle(char* p, MpsAngle angle) noexcept {
  if ((angle.bits >> kSignShift) != 0) *p++ = '-';
  p = PutWholeDegrees(p, (angle.bits >> kDegreesShift) & kDegreesMask);
  *p++ = '/';
  text::PutDigitPair(p, (angle.bits >> kMinutesShift) & kMinutesMask);
  p[2] = '/';
  p += 3;
  const std::uint32_t tenths = angle.bits & (kTenthsLimit - 1);
  // "00.0": at least two digits before the point.
  const std::uint32_t seconds = tenths / 10;
  if (seconds < 100) {
    text::PutDigitPair(p, seconds);
    p += 2;
  } else {
    std::array<char, 8> digits;  // written before it is read
    char* const end = digits.data() + digits.size();
    const char* const begin = text::PutNumberBefore(end, seconds);
    for (const char* d = begin; d < end; ++d) *p++ = *d;
  }
  p[0] = '.';
  p[1] = static_cast<char>('0' + tenths % 10);
  return p + 2;
}

bool PackMpsDegrees(double degrees, MpsAngle& angle) noexcept {
  if (!std::isfinite(degrees)) degrees = 0;
  const double magnitude = std::fabs(degrees);
  // Below 1000 the whole degrees fit the packed field; the minutes of a
  // split are at most 60 and its seconds below 60, which always fit.
  if (!(magnitude < kDegreesLimit)) return false;
  const CoordParts parts = ReadDecimalDegrees(magnitude);
  // The tenths as the "00.0" pattern rounds them: the product alone decides
  // unless it lies near a half, which the pattern's digits then decide.
  constexpr double kHalfDoubt = 1e-6;
  const double product = parts.sec * 10;
  auto tenths = static_cast<std::uint32_t>(product);
  const double fraction = product - static_cast<double>(tenths);
  if (std::fabs(fraction - 0.5) <= kHalfDoubt) [[unlikely]] {
    std::uint64_t exact = 0;
    if (!text::ShortPatternUnits(parts.sec, 1, exact)) return false;
    tenths = static_cast<std::uint32_t>(exact);
  } else {
    // Added, not branched on: above or below the half is a coin toss.
    tenths += static_cast<std::uint32_t>(fraction > 0.5);
  }
  const auto deg = static_cast<std::uint32_t>(parts.deg);
  const auto min = static_cast<std::uint32_t>(parts.min);
  const bool signWritten = degrees < 0 && (deg != 0 || min != 0 || tenths != 0);
  angle.bits = (static_cast<std::uint32_t>(signWritten) << kSignShift) | (deg << kDegreesShift) |
               (min << kMinutesShift) | tenths;
  return true;
}

CoordParts MpsAngleParts(MpsAngle angle) noexcept {
  CoordParts parts;
  parts.negative = (angle.bits >> kSignShift) != 0;
  parts.deg = static_cast<double>((angle.bits >> kDegreesShift) & kDegreesMask);
  parts.min = static_cast<double>((angle.bits >> kMinutesShift) & kMinutesMask);
  // The seconds' text "ss.t" reads as the double nearest to it, which the
  // one division gives.
  constexpr double kTenthsPerSecond = 10;
  parts.sec = static_cast<double>(angle.bits & (kTenthsLimit - 1)) / kTenthsPerSecond;
  return parts;
}

// The fields of the text as ReadSlashFields reads them, given back as the
// general number of its degrees.
double MpsAngleDegrees(MpsAngle angle) noexcept {
  return text::RoundToGeneral(SignedDegrees(MpsAngleParts(angle)));
}

bool IsDecimalForm(std::string_view form) noexcept {
  const CoordForm code = FormOf(form);
  return code == CoordForm::kD || code == CoordForm::kDM || code == CoordForm::kDMS;
}

CoordParts ReadDecimalCoord(double value, std::string_view form) noexcept {
  if (!IsDecimalForm(form)) return {};
  return ReadDecimalValue(value, FormOf(form));
}

CoordParts ReadCoordText(std::string_view value, std::string_view form) noexcept {
  const CoordForm code = FormOf(form);
  switch (code) {
    case CoordForm::kD:
    case CoordForm::kDM:
    case CoordForm::kDMS:
      return ReadDecimalValue(FiniteLeadingValue(value), code);
    case CoordForm::kMPS:
      return ReadSlashFields(value, 1);
    case CoordForm::kPAO:
      return ReadSlashFields(value, kPaoSecondScale);
    case CoordForm::kUnknown:
      break;
  }
  return CoordParts{};
}

bool AppendCoordText(std::string& out, const CoordParts& parts, std::string_view form) {
  const CoordForm code = FormOf(form);
  switch (code) {
    case CoordForm::kD:
      text::AppendGeneral(out, SignedDegrees(parts));
      return true;
    case CoordForm::kDM:
      text::AppendGeneral(out, SignedDecimalMinutes(parts));
      return true;
    case CoordForm::kDMS:
    case CoordForm::kMPS:
    case CoordForm::kPAO:
      AppendFields(out, parts, code);
      return true;
    case CoordForm::kUnknown:
      break;
  }
  return false;
}

std::string ConvertCoordText(std::string_view value, std::string_view fromForm,
                             std::string_view toForm) {
  std::string out;
  AppendConvertedCoord(out, value, fromForm, toForm);
  return out;
}

void AppendConvertedCoord(std::string& out, std::string_view value, std::string_view fromForm,
                          std::string_view toForm) {
  AppendCoordText(out, ReadCoordText(value, fromForm), toForm);
}

double CoordDegrees(std::string_view value, std::string_view form) {
  return text::RoundToGeneral(SignedDegrees(ReadCoordText(value, form)));
}

double DecimalCoordDegrees(double value, std::string_view form) noexcept {
  return text::RoundToGeneral(SignedDegrees(ReadDecimalCoord(value, form)));
}

double GeneralDecimalDegrees(double value) noexcept {
  const double sum = SignedDegrees(ReadDecimalValue(value, CoordForm::kD));
  // The rounding of a value that is its own rounding gives it back.
  return sum == value && value != 0 ? value : text::RoundToGeneral(sum);
}

}  // namespace vc::geo
