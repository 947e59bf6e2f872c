#include "formats/vornpointer/garmin_text.hpp"
#include "text/constants.hpp"

#include <array>
#include <cmath>
#include <cstddef>
#include <string>

#include "geo/coord_text.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::vp {
namespace {

// The logger works with this eight-digit pi; courses keep its rounding.
constexpr double kPi = constants::kHalfTurnRad;

constexpr std::size_t kSentenceLength = 55;

// The first 55 characters of a line by character position. Garmin lines are
// ASCII; anything else is garbage, but cut only between characters.
class Columns {
 public:
  explicit Columns(std::string_view line) noexcept : line_(line) {
    std::size_t offset = 0;
    offsets_[0] = 0;
    for (std::size_t k = 1; k <= kSentenceLength; ++k) {
      if (offset < line.size()) {
        const bool ascii = static_cast<unsigned char>(line[offset]) < 0x80;
        offset += ascii ? 1 : text::LeftChars(line.substr(offset), 1).size();
      }
      offsets_[k] = offset;
    }
  }

  // Characters `first` to `last`, 1-based and inclusive; shorter or empty
  // past the end of the line.
  [[nodiscard]] std::string_view Span(std::size_t first, std::size_t last) const noexcept {
    return line_.substr(offsets_[first - 1], offsets_[last] - offsets_[first - 1]);
  }
  [[nodiscard]] std::string_view At(std::size_t column) const noexcept {
    return Span(column, column);
  }
  // Longer than 54 characters: every column of the sentence is present.
  [[nodiscard]] bool Complete() const noexcept {
    return offsets_[kSentenceLength - 1] < line_.size();
  }

 private:
  std::string_view line_;
  std::array<std::size_t, kSentenceLength + 1> offsets_{};  // byte offset after k characters
};

struct StatusMapping {
  std::string_view letter;
  std::string_view fixType;
};

constexpr std::array<StatusMapping, 6> kStatusLetters{{
    {"d", "2d"},
    {"D", "3d"},
    {"g", "2D"},
    {"G", "3D"},
    {"S", "SM"},
    {"_", "--"},
}};
constexpr std::string_view kNoFix = "--";

bool AllDigits(std::string_view text) noexcept {
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// Date, time, latitude and longitude are fixed columns of digits. A line
// with anything else there (a damaged line, noise on the serial line) would
// give a point at a made-up place or time.
bool HasDigitColumns(const Columns& c) noexcept {
  return AllDigits(c.Span(2, 13)) && AllDigits(c.Span(15, 21)) && AllDigits(c.Span(23, 30));
}

void AssignFixType(std::string& out, std::string_view letter) {
  for (const StatusMapping& mapping : kStatusLetters) {
    if (letter == mapping.letter) {
      out.assign(mapping.fixType);
      return;
    }
  }
  out.assign(letter);
}

// "20yy/mm/dd hh:nn:ss" from columns 2 to 13.
void AssignDateTime(std::string& out, const Columns& c) {
  out.assign("20").append(c.Span(2, 3)).append(1, '/').append(c.Span(4, 5)).append(1, '/');
  out.append(c.Span(6, 7)).append(1, ' ').append(c.Span(8, 9)).append(1, ':');
  out.append(c.Span(10, 11)).append(1, ':').append(c.Span(12, 13));
}

void AssignGeneral(std::string& out, double value) {
  out.clear();
  text::AppendGeneral(out, value);
}

// Degrees, a point, then the minutes' digits: the "DM" coordinate form.
void AssignCoordinate(std::string& out, std::string_view degrees, std::string_view minutes,
                      std::string& scratch) {
  scratch.assign(degrees).append(1, '.').append(minutes);
  out.clear();
  geo::AppendConvertedCoord(out, scratch, "DM", "D");
}

// Degrees clockwise from north of the velocity (north speed n, east speed e,
// both unsigned) in the quadrant named by the north-south and east-west
// direction letters. A zero speed along the axis of the division gives the
// direction of the other axis.
double CourseDegrees(std::string_view quadrant, double n, double e) {
  if (quadrant == "NE") return n != 0 ? std::atan(e / n) * 180 / kPi : 90;
  if (quadrant == "NW") return n != 0 ? 360 - std::atan(e / n) * 180 / kPi : 270;
  if (quadrant == "SE") return e != 0 ? std::atan(n / e) * 180 / kPi + 90 : 180;
  if (quadrant == "SW") return n != 0 ? std::atan(e / n) * 180 / kPi + 180 : 270;
  return 0;
}

void AssignVerticalDirection(std::string& out, std::string_view letter) {
  if (letter == "U") {
    out.assign("+");
  } else if (letter == "D") {
    out.assign("-");
  } else {
    out.assign(letter);
  }
}

void AssignFix(const Columns& c, LogFixState& state, std::string& scratch) {
  AssignGeneral(state.Text(kLogPosError), text::LeadingValue(c.Span(32, 34)));
  state.Text(kLogLatHemisphere).assign(c.At(14));
  AssignCoordinate(state.Text(kLogLat), c.Span(15, 16), c.Span(17, 21), scratch);
  state.Text(kLogLonHemisphere).assign(c.At(22));
  AssignCoordinate(state.Text(kLogLon), c.Span(23, 25), c.Span(26, 30), scratch);
  ApplyHemisphere(state.Text(kLogLat), c.At(14), 'S');
  ApplyHemisphere(state.Text(kLogLon), c.At(22), 'W');
  AssignGeneral(state.Text(kLogAltitude), text::LeadingValue(c.Span(36, 40)));
  AssignGeneral(state.Text(kLogVerticalSpeed), text::LeadingValue(c.Span(52, 55)) / 100);
  AssignVerticalDirection(state.Text(kLogVerticalDirection), c.At(51));

  const double east = text::LeadingValue(c.Span(42, 45)) / 10;
  const double north = text::LeadingValue(c.Span(47, 50)) / 10;
  std::string& speed = state.Text(kLogSpeed);
  AssignGeneral(speed, std::sqrt(north * north + east * east));
  // The quadrant letters are the north-south direction, then the east-west.
  scratch.assign(c.At(46)).append(c.At(41));
  if (text::LeadingValue(speed) != 0) {
    AssignGeneral(state.Text(kLogCourse), CourseDegrees(scratch, north, east));
  } else {
    state.Text(kLogCourse).assign("---");
  }
}

void AssignPlaceholders(LogFixState& state) {
  state.Text(kLogPosError).assign("---");
  state.Text(kLogLatHemisphere).assign("-");
  state.Text(kLogLat).assign("000.000000");
  state.Text(kLogLonHemisphere).assign("-");
  state.Text(kLogLon).assign("000.000000");
  state.Text(kLogAltitude).assign("-----");
  state.Text(kLogSpeed).assign("---.-");
  state.Text(kLogCourse).assign("---");
  state.Text(kLogVerticalSpeed).assign("--.--");
  state.Text(kLogVerticalDirection).assign("*");
}

}  // namespace

LogRecord ConvertGarminLine(std::string_view line, LogFixState& state, LogLine& out) {
  if (line.empty()) {
    ClearLogLine(out);
    return LogRecord::kNoPosition;
  }
  const Columns columns(line);
  AssignFixType(state.Text(kLogFixType), columns.At(31));
  state.Text(kLogVariation).assign("-.-");
  state.Text(kLogVariationSign).assign("*");
  state.Text(kLogHeading).assign("---.-");
  AssignDateTime(state.Text(kLogDateTime), columns);

  const bool usable =
      state.Field(kLogFixType) != kNoFix && columns.Complete() && HasDigitColumns(columns);
  if (usable) {
    AssignFix(columns, state, out.work.scratch);
  } else {
    AssignPlaceholders(state);
  }
  state.positionSeen = usable;
  MakeLogLineFromState(state, out);
  return usable ? LogRecord::kFix : LogRecord::kNoPosition;
}

LogRecord ReadVrmLine(text::LineSource& source, LogFixState& state, LogLine& out) {
  if (!source.ReadLine(out.work.text)) {
    ClearLogLine(out);
    out.field[0] = "EOF";
    return LogRecord::kEnd;
  }
  return ConvertGarminLine(out.work.text, state, out);
}

}  // namespace vc::vp
