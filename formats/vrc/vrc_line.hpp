// Lines of a VornConnect (VRC) file: splitting a line into its fields, and
// making a line from the columns of its kind. The layout is described in
// vrc_line.cpp.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "text/line_source.hpp"

namespace vc::vrc {

// The most fields a line holds; further fields of a longer line are dropped.
inline constexpr std::size_t kVrcMaxFields = 255;

// Texts indexed by field (column) number 1 to 255. Index 0 holds no column:
// lines never use it. A writer fills one array per record, line after line,
// each line overwriting the columns it uses.
using VrcFields = std::array<std::string, kVrcMaxFields + 1>;

struct VrcLine {
  // fields[0] is "EOF" when the source was already at its end, else empty;
  // fields[1] to fields[fieldCount] are the line's fields, the rest empty.
  VrcFields fields;
  std::size_t fieldCount = 0;
  // The line as ReadVrcLine read it, kept so that its storage is reused.
  std::string text;
};

// Splits one line (without its line end) at every TAB and comma, reusing the
// storage of the line's texts. Fields lose their double quotes and equals
// signs (spreadsheet cells written as ="12" read as 12) but are not trimmed;
// an empty line gives one empty field.
void SplitVrcLine(std::string_view text, VrcLine& line);

// Reads and splits the next line; at the end of the source field 0 is "EOF"
// and every other field is empty.
void ReadVrcLine(text::LineSource& source, VrcLine& line);

// Columns of a written line of the kind ("WPT" 44, "RTH" 4, "RTP" 64,
// "TRH" 5, "TRP" 10; compared upper-cased); 0 for any other kind.
std::size_t VrcColumnCount(std::string_view kind) noexcept;

// Appends fields 1 to the column count of the kind in field 1, joined by
// TABs (empty fields keep their place); nothing for another kind.
void AppendVrcLine(std::string& out, const VrcFields& fields);

}  // namespace vc::vrc
