// Waypoint+ text file, one record per line, fields separated by commas:
//
//   Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664
//   WP,D,SUMMIT, 35.5, 139.75,01/31/2002,21:05:09,top
//   RN,1,HOME
//   RP,D,GATE, 35.5, 139.75,01/31/2002,21:05:09,
//   TP,D, 35.5, 139.75,01/31/2002,21:05:09,1
//
//   Datum  1 the datum description: the whole rest of the line, commas and all
//   WP/RP  1 coordinate form code, 2 name, 3 latitude, 4 longitude,
//          5 date mm/dd/yyyy, 6 time hh:mm:ss, 7 comment
//   RN     1 route number, 2 route name
//   TP     1 coordinate form code, 2 latitude, 3 longitude, 4 date, 5 time,
//          6 "1" on the first point of a track, "0" on the others
//
// The program that made the format reads it as a stream of comma-separated
// fields, not as lines, and the reader here does the same: blanks before a
// field are skipped, a field in double quotes keeps its commas, and a line
// end separates fields like a comma. A line with too few fields borrows from
// the next line; a line with too many leaves the surplus to be read as the
// kinds of the lines after it. Files written by that program and by us never
// rely on this, but damaged files do, and reading them the same way keeps the
// records of the rest of the file in step.
#include "formats/waypointplus/wpt_line.hpp"

#include <algorithm>
#include <cstring>
#include <optional>

#include "text/strings.hpp"

namespace vc::wpt {
namespace {

// One table for both directions: how many fields follow each kind, and the
// field number of the latitude (the longitude follows it) or 0 when the kind
// carries no coordinates. "Datum" is read as the rest of its line.
struct Layout {
  std::string_view kind;
  std::size_t fieldCount;
  std::size_t latitudeField;
};

constexpr std::array<Layout, 5> kLayouts{{
    {"Datum", 1, 0},
    {"WP", 7, 3},
    {"RN", 2, 0},
    {"RP", 7, 3},
    {"TP", 6, 2},
}};

constexpr std::string_view kDatumKind = "Datum";
constexpr std::string_view kEofKind = "EOF";
constexpr std::string_view kBlanks = " \t";

// Kinds are compared exactly, letter case significant.
std::optional<Layout> FindLayout(std::string_view kind) noexcept {
  for (const Layout& layout : kLayouts) {
    if (layout.kind == kind) return layout;
  }
  return std::nullopt;
}

void AppendUnsupported(std::string& out, std::string_view kind) {
  // "suppoted" is misspelt on purpose: the text is kept byte for byte.
  out += "command [";
  out += kind;
  out += "] is not suppoted";
}

// The first character at or after `from` that is no blank; the size when
// there is none. A field starts after at most a few blanks, so a plain loop
// beats looking each character up in the set.
std::size_t SkipBlanks(std::string_view line, std::size_t from) noexcept {
  while (from < line.size() && (line[from] == ' ' || line[from] == '\t')) ++from;
  return from < line.size() ? from : line.size();
}

bool IsBlankLine(std::string_view line) noexcept {
  return line.find_first_not_of(kBlanks) == std::string_view::npos;
}

void TrimBlanksInPlace(std::string& text) {
  const std::size_t last = text.find_last_not_of(kBlanks);
  if (last == std::string::npos) {
    text.clear();
    return;
  }
  text.erase(last + 1);
  text.erase(0, text.find_first_not_of(kBlanks));
}

}  // namespace

bool WptLineReader::AtEnd() const noexcept { return !lineOpen_ && source_.AtEnd(); }

bool WptLineReader::NextNonBlankLine() {
  while (source_.ReadLine(line_)) {
    if (!IsBlankLine(line_)) {
      position_ = 0;
      lineOpen_ = true;
      ++lineNumber_;
      return true;
    }
  }
  lineOpen_ = false;
  return false;
}

// Ends the current field at the next comma (consumed) or at the line end
// (consumed as well, closing the line).
void WptLineReader::ConsumeSeparator() {
  const std::size_t comma = line_.find(',', position_);
  if (comma == std::string::npos) {
    lineOpen_ = false;
  } else {
    position_ = comma + 1;
  }
}

bool WptLineReader::ReadField(std::string& field) {
  field.clear();
  if (!lineOpen_ && !NextNonBlankLine()) return false;
  position_ = SkipBlanks(line_, position_);
  if (position_ < line_.size() && line_[position_] == '"') {
    ReadQuotedField(field);
  } else {
    ReadPlainField(field);
  }
  return true;
}

void WptLineReader::ReadQuotedField(std::string& field) {
  const std::size_t start = position_ + 1;
  const std::size_t close = line_.find('"', start);
  if (close == std::string::npos) {
    // No closing quote: a quote never spans lines, so the field ends here.
    field.assign(line_, start);
    lineOpen_ = false;
    return;
  }
  field.assign(line_, start, close - start);
  // Anything between the closing quote and the next comma is dropped.
  position_ = close + 1;
  ConsumeSeparator();
}

void WptLineReader::ReadPlainField(std::string& field) {
  const std::size_t comma = line_.find(',', position_);
  const std::size_t end = comma == std::string::npos ? line_.size() : comma;
  field.assign(
      text::TrimTrailingBlanks(std::string_view(line_).substr(position_, end - position_)));
  // The comma found ends the field, as ConsumeSeparator would find it.
  if (comma == std::string::npos) {
    lineOpen_ = false;
  } else {
    position_ = comma + 1;
  }
}

void WptLineReader::ReadRestOfLine(std::string& field) {
  field.clear();
  if (!lineOpen_) return;
  field.assign(line_, position_);
  lineOpen_ = false;
}

void WptLineReader::ReadWptLine(WptLine& line) {
  for (std::string& field : line.fields) field.clear();
  if (!ReadField(line.kind)) {
    line.kind = kEofKind;
    return;
  }
  kindLine_ = lineNumber_;
  TrimBlanksInPlace(line.kind);
  const std::optional<Layout> layout = FindLayout(line.kind);
  if (!layout) {
    AppendUnsupported(line.fields[1], line.kind);
    line.kind.clear();
  } else if (layout->kind == kDatumKind) {
    ReadRestOfLine(line.fields[1]);
  } else {
    // Fields that the end of the file cuts off stay empty.
    for (std::size_t n = 1; n <= layout->fieldCount; ++n) ReadField(line.fields[n]);
  }
}

WptLine WptLineReader::ReadWptLine() {
  WptLine line;
  ReadWptLine(line);
  return line;
}

void AppendWptLine(std::string& out, std::string_view kind, std::string_view field1,
                   std::string_view field2, std::string_view field3, std::string_view field4,
                   std::string_view field5, std::string_view field6, std::string_view field7) {
  const std::string_view trimmedKind = text::TrimSpaces(kind);
  const std::optional<Layout> layout = FindLayout(trimmedKind);
  if (!layout) {
    AppendUnsupported(out, trimmedKind);
    return;
  }
  const std::array<std::string_view, kWptMaxFields + 1> fields{
      {{}, field1, field2, field3, field4, field5, field6, field7}};
  out += layout->kind;
  for (std::size_t n = 1; n <= layout->fieldCount; ++n) {
    const bool coordinate = layout->latitudeField != 0 &&
                            (n == layout->latitudeField || n == layout->latitudeField + 1);
    out += coordinate ? ", " : ",";
    out += fields[n];
  }
}

void AppendTrackPointLine(std::string& out, std::string_view form, std::string_view lat,
                          std::string_view lon, std::string_view date, std::string_view time,
                          bool first) {
  // "TP," form ", " lat ", " lon "," date "," time "," flag
  constexpr std::size_t kFixedBytes = 3 + 2 + 2 + 1 + 1 + 1 + 1;
  const std::size_t at = out.size();
  out.resize(at + kFixedBytes + form.size() + lat.size() + lon.size() + date.size() + time.size());
  char* p = out.data() + at;
  auto put = [&p](std::string_view part) {
    if (part.empty()) return;  // an empty view may have no storage to copy from
    std::memcpy(p, part.data(), part.size());
    p += part.size();
  };
  put("TP,");
  put(form);
  put(", ");
  put(lat);
  put(", ");
  put(lon);
  *p++ = ',';
  put(date);
  *p++ = ',';
  put(time);
  *p++ = ',';
  *p = first ? '1' : '0';
}

}  // namespace vc::wpt
