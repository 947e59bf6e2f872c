// Coordinate texts and their five forms.
//
//   "D"    decimal degrees                          35.5
//   "DM"   degrees, then minutes as the first two   35.3030      (35 deg 30.30 min)
//          decimals and their fraction after them
//   "DMS"  degrees, then two digits of minutes and  35.301234    (35 deg 30 min 12.34 sec)
//          the seconds in hundredths
//   "MPS"  deg/min/sec, the map program's script    35/30/12.3
//   "PAO"  deg/min/thousandths of seconds           35/30/12340
//
// "DM" is written as the inverse of its reading: degrees + minutes / 100 +
// seconds / 6000 in the general number form. In the "/" forms a field after
// the third is ignored.
//
// Form codes are compared exactly (letter case significant). A conversion
// always passes through whole degrees, minutes and seconds; nothing is
// normalised in between, so a field rounded up to 60 is written as 60.
//
// Negative angles (south, west) are sign and magnitude: the sign belongs to
// the whole angle and every form writes "-" before the magnitude, so -35.5
// is "-35.300000" as "DMS" and "-35/30/00.0" as "MPS". In the "/" forms a
// "-" leading the degrees field makes the whole angle negative.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vc::geo {

// Degrees, minutes and seconds of one angle, each a magnitude; `negative`
// carries the sign of the whole angle.
struct CoordParts {
  bool negative = false;
  double deg = 0;
  double min = 0;
  double sec = 0;
};

// Splits a coordinate text in `form`. An unknown form reads as 0 deg 0 min
// 0 sec; text that does not start with a number reads as 0.
CoordParts ReadCoordText(std::string_view value, std::string_view form) noexcept;

// True for "D", "DM" and "DMS", the forms a text is read from by its
// leading value alone.
bool IsDecimalForm(std::string_view form) noexcept;

// The parts of a "D", "DM" or "DMS" text whose leading value is `value`,
// without the text; 0 deg 0 min 0 sec for any other form.
CoordParts ReadDecimalCoord(double value, std::string_view form) noexcept;

// Appends the parts in `form`. Returns false, and appends nothing, when the
// form is not one of the five codes.
bool AppendCoordText(std::string& out, const CoordParts& parts, std::string_view form);

// An angle's "MPS" text held as whole numbers: the sign, degrees below 1000,
// minutes below 100 and tenths of seconds. A writer that writes the same
// coordinate twice keeps it so and makes its text twice without the
// arithmetic of the parts.
struct MpsAngle {
  std::uint32_t bits = 0;
};
// The angle as AppendCoordText writes the parts in "MPS"; nullopt when a
// field is beyond those bounds (or has no short number form): the text is
// then AppendCoordText's.
std::optional<MpsAngle> PackMpsAngle(const CoordParts& parts) noexcept;
// Writes the angle's text at `p`, at most kMpsAngleRoom bytes, and returns
// its end.
inline constexpr std::size_t kMpsAngleRoom = 16;
char* PutMpsAngle(char* p, MpsAngle angle) noexcept;
// PackMpsAngle(ReadDecimalCoord(degrees, "D")): a log's decimal degrees as
// a script writes them, in a few dozen instructions for nearly every angle;
// false, leaving `angle` as it was, when the packed angle cannot hold them.
// (A flag and an out value rather than an optional: the optional comes back
// through memory in two stores and one load, which stalls.)
bool PackMpsDegrees(double degrees, MpsAngle& angle) noexcept;
// The parts the angle's "MPS" text reads as, ReadCoordText(text, "MPS"),
// without the text.
CoordParts MpsAngleParts(MpsAngle angle) noexcept;
// The decimal degrees the angle's text reads back as, CoordDegrees(text,
// "MPS"), without the text.
double MpsAngleDegrees(MpsAngle angle) noexcept;

// The same coordinate in `toForm`; empty when `toForm` is unknown. The
// Append variant adds to `out` and allocates nothing else.
std::string ConvertCoordText(std::string_view value, std::string_view fromForm,
                             std::string_view toForm);
void AppendConvertedCoord(std::string& out, std::string_view value, std::string_view fromForm,
                          std::string_view toForm);

// The leading numeric value of ConvertCoordText(value, form, "D"), without
// making the text: decimal degrees rounded as the general form writes them.
double CoordDegrees(std::string_view value, std::string_view form);
// The same for a text whose leading value is `value`, in a decimal form.
double DecimalCoordDegrees(double value, std::string_view form) noexcept;
// DecimalCoordDegrees(value, "D") for a value that text::RoundToGeneral
// leaves as it is: the same number, without the rounding when the parts add
// up to the value again.
double GeneralDecimalDegrees(double value) noexcept;

}  // namespace vc::geo
