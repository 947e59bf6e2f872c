// VornConnect (VRC) file: one row of fields per line, CR LF line ends. The
// first field names the kind of the line:
//
//   WPT  a waypoint, 44 columns
//   RTH  a route header, 4 columns: kind, number, name, count of RTP lines
//   RTP  a route point, 64 columns laid out as WPT
//   TRH  a track header, 5 columns: kind, count of TRP lines, flag, code, name
//   TRP  a track point, 10 columns
//
// A waypoint line as this converter writes it (TABs shown as |):
//
//   WPT|D|WGS84|SUMMIT|35.5|139.75|top|||| ... |SUMMIT|top||||
//
// Columns 2 to 6 are coordinate form, datum, name, latitude and longitude;
// 7, 8 and 10 three info texts; 39 and 40 repeat the name and the first info
// text, and those two are the ones VornConnect reads back. A track point line
// is kind, form, datum, latitude, longitude, time, "True" on the first point
// of the track and "False" on the others, velocity, course, leg length.
//
// VornConnect writes TABs between fields, but files passed through a
// spreadsheet come back with commas, and a spreadsheet that must keep a
// number as text writes it as ="12"; so both TAB and comma separate fields,
// and double quotes and equals signs are dropped from every field. There is
// no quoting: a comma always separates. Files written by VornConnect itself
// also carry a header block and column title lines, which the record reader
// skips.
#include "formats/vrc/vrc_line.hpp"

#include "text/strings.hpp"

namespace vc::vrc {
namespace {

struct KindColumns {
  std::string_view kind;
  std::size_t columns;
};

constexpr std::array<KindColumns, 5> kKindColumns{{
    {"WPT", 44},
    {"RTH", 4},
    {"RTP", 64},
    {"TRH", 5},
    {"TRP", 10},
}};

// What a byte is to the splitter: most bytes are copied as they are.
enum class ByteRole : unsigned char { kText, kSeparator, kDropped };

constexpr std::array<ByteRole, 256> MakeByteRoles() {
  std::array<ByteRole, 256> roles{};
  roles['\t'] = roles[','] = ByteRole::kSeparator;
  roles['"'] = roles['='] = ByteRole::kDropped;
  return roles;
}

constexpr std::array<ByteRole, 256> kByteRoles = MakeByteRoles();

// Only the fields the last line used can hold text; clear() keeps each
// text's storage for the next line.
void ClearFields(VrcLine& line) noexcept {
  for (std::size_t n = 0; n <= line.fieldCount; ++n) line.fields[n].clear();
  line.fieldCount = 0;
}

}  // namespace

// One pass over the bytes: each run of text between a separator and a dropped
// byte is appended whole.
void SplitVrcLine(std::string_view text, VrcLine& line) {
  ClearFields(line);
  std::size_t count = 1;
  const char* run = text.data();
  const char* const end = text.data() + text.size();
  for (const char* at = run; at != end; ++at) {
    const ByteRole role = kByteRoles[static_cast<unsigned char>(*at)];
    if (role == ByteRole::kText) continue;
    line.fields[count].append(run, at);
    run = at + 1;
    if (role == ByteRole::kSeparator) {
      if (count == kVrcMaxFields) {
        run = end;
        break;
      }
      ++count;
    }
  }
  line.fields[count].append(run, end);
  line.fieldCount = count;
}

void ReadVrcLine(text::LineSource& source, VrcLine& line) {
  if (!source.ReadLine(line.text)) {
    ClearFields(line);
    line.fields[0] = "EOF";
    return;
  }
  SplitVrcLine(line.text, line);
}

std::size_t VrcColumnCount(std::string_view kind) noexcept {
  for (const KindColumns& entry : kKindColumns) {
    if (text::EqualsUpper(kind, entry.kind)) return entry.columns;
  }
  return 0;
}

void AppendVrcLine(std::string& out, const VrcFields& fields) {
  const std::size_t columns = VrcColumnCount(fields[1]);
  if (columns == 0) return;
  // Field 1 names a kind, so it is never empty and every later column,
  // empty or not, follows a TAB.
  out += fields[1];
  for (std::size_t n = 2; n <= columns; ++n) {
    out += '\t';
    out += fields[n];
  }
}

}  // namespace vc::vrc
