// Lines of a Waypoint+ text file (comma-separated, the first field naming
// the kind: "Datum", "WP", "RN", "RP", "TP"): reading them field by field
// into a WptLine, and making them from fields. The layouts are described in
// wpt_line.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/line_source.hpp"

namespace vc::wpt {

// The most fields any kind carries after its kind field ("WP" and "RP").
inline constexpr std::size_t kWptMaxFields = 7;

struct WptLine {
  // "WP", "RN", "RP", "TP", "Datum"; "EOF" at the end of the file; empty for
  // a field that names no known kind.
  std::string kind;
  // fields[n] is field n (1 to 7) after the kind; fields[0] is never used.
  // Fields the kind does not read stay empty. For the empty kind, field 1
  // holds "command [<kind>] is not suppoted".
  std::array<std::string, kWptMaxFields + 1> fields;
};

// Reads Waypoint+ lines from a line source. The reading goes by fields, not
// by lines: a line end separates fields like a comma, so a line that is
// short of fields takes the rest from the next line, and the surplus fields
// of a long line are read as the kinds of the following lines. The reader
// therefore keeps the unread rest of the current line between calls.
//
// Choices where files are damaged:
// - Lines that are empty or hold only blanks give no field at all.
// - When the file ends while a line still owes fields, those fields are
//   empty; once nothing but blank lines is left, the kind is "EOF".
// - A quoted field whose closing quote is missing runs to the end of its
//   line. Text between a closing quote and the next comma is dropped.
// - A "Datum" kind that ends its line has an empty description.
class WptLineReader {
 public:
  explicit WptLineReader(text::LineSource& source) noexcept : source_(source) {}

  // Reads the next line into `line`, reusing the storage of its texts.
  void ReadWptLine(WptLine& line);
  WptLine ReadWptLine();

  // True when no unread text is left (blank lines may still remain; reading
  // then answers "EOF" as well).
  [[nodiscard]] bool AtEnd() const noexcept;

  // The line (non-blank lines counted from 1) in which the kind of the last
  // WptLine was read: tells a damaged line that reads as several unknown
  // kinds from several lines.
  [[nodiscard]] std::size_t KindLine() const noexcept { return kindLine_; }

 private:
  // Reads one field into `field`; false when the file ended before a field
  // started (the field is then empty).
  bool ReadField(std::string& field);
  bool NextNonBlankLine();
  void ReadQuotedField(std::string& field);
  void ReadPlainField(std::string& field);
  void ConsumeSeparator();
  void ReadRestOfLine(std::string& field);

  text::LineSource& source_;
  std::string line_;
  std::size_t position_ = 0;
  // True while `line_` still has unread text or an unconsumed line end.
  // An open line is never blank at its start, so when nothing but blanks is
  // left of it a comma came last, and the line end closes an empty field.
  bool lineOpen_ = false;
  std::size_t lineNumber_ = 0;
  std::size_t kindLine_ = 0;
};

// Appends the text of one line, without its line end. The kind is trimmed
// of spaces and selects the layout; the fields are written exactly as passed.
// Coordinates are preceded by ", " (a comma and a blank), every other field
// by a bare comma. Fields the kind does not use are ignored. An unknown kind
// gives "command [<kind>] is not suppoted" as the line.
void AppendWptLine(std::string& out, std::string_view kind, std::string_view field1 = {},
                   std::string_view field2 = {}, std::string_view field3 = {},
                   std::string_view field4 = {}, std::string_view field5 = {},
                   std::string_view field6 = {}, std::string_view field7 = {});

// The "TP" line that AppendWptLine("TP", form, lat, lon, date, time, flag)
// writes, with the flag "1" on the first point of a track and "0" on the
// others, without the layout looked up: a track writes one for every point.
void AppendTrackPointLine(std::string& out, std::string_view form, std::string_view lat,
                          std::string_view lon, std::string_view date, std::string_view time,
                          bool first);

}  // namespace vc::wpt
