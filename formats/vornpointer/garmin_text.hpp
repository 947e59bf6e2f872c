// The VornPointer Garmin log (.vrm): one Garmin "simple text" sentence per
// line, in fixed columns (1 = the first character):
//
//   @020715030405N3512345E13945150D012+00034E0030N0040U0012
//
//   1      sentence start, not examined
//   2-7    date yymmdd (years 2000 to 2099)
//   8-13   time hhmmss, UTC
//   14     latitude hemisphere N or S
//   15-21  latitude: degrees (2 digits), then minutes * 1000 (5 digits)
//   22     longitude hemisphere E or W
//   23-30  longitude: degrees (3 digits), then minutes * 1000 (5 digits)
//   31     fix status: d 2-D differential, D 3-D differential, g 2-D, G 3-D,
//          S simulated, _ no fix
//   32-34  horizontal position error, metres
//   35     altitude sign, not read: the altitude is taken as positive
//   36-40  altitude, metres
//   41     east-west velocity direction, E or W
//   42-45  east-west speed, tenths of a metre per second
//   46     north-south velocity direction, N or S
//   47-50  north-south speed, tenths of a metre per second
//   51     vertical direction, U or D
//   52-55  vertical speed, hundredths of a metre per second
//
// The sample gives the VRP fields
//   -,0,2002/07/15 03:04:05,12,N,35.20575,E,139.7525,34,5,36.8698982747767,0.12,+,3d,-.-,*,---.-
// S and W make the latitude and longitude negative:
//   @020715030405S3512345W13912345D012+00034E0030N0040U0012
// lies at -35.20575, -139.20575.
// A line of fewer than 55 characters, with the status "_", or with anything
// but digits in columns 2-13, 15-21 or 23-30 has no usable fix: its time and
// status are kept, fields 4 to 13 get the placeholders
//   ---  -  000.000000  -  000.000000  -----  ---.-  ---  --.--  *
// and fields 15 to 17 are always "-.-", "*", "---.-". The course is "---"
// when the speed is 0.
#pragma once

#include <string_view>

#include "formats/vornpointer/log_line.hpp"
#include "text/line_source.hpp"

namespace vc::vp {

// Converts one Garmin line into the VRP layout and stores fields 3 to 17 in
// `state` (all fifteen: a Garmin line never depends on the lines before it).
// An empty line gives empty fields and leaves `state` alone (kNoPosition);
// a line without a usable fix gives the placeholders (kNoPosition).
// `line` must not be a text of `out` other than out.work.text.
LogRecord ConvertGarminLine(std::string_view line, LogFixState& state, LogLine& out);

// Reads one Garmin line and converts it. At the end of the file the status
// is "EOF" and every field empty.
LogRecord ReadVrmLine(text::LineSource& source, LogFixState& state, LogLine& out);

}  // namespace vc::vp
