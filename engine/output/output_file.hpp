// The frame of an output file: its header when it is opened, its trailer
// when it is closed.
//
// MPS:        mapserver script ver="1.0";
//             <the lines of header_mps_group.dat, unchanged>
//             <an empty line>
//             <one block of statements per record>
//             [TAB]disp[TAB]all;
//             mapserver end;
// Waypoint+:  one datum line chosen by the Waypoint+ datum, no trailer.
// VRC:        neither header nor trailer.
#pragma once

#include <string_view>

#include "engine/conversion.hpp"
#include "engine/file_types.hpp"
#include "engine/text_file.hpp"

namespace vc::engine {

// Writes the header of `type`. False, with the reason shown, when the group
// definitions of an MPS output cannot be read.
bool WriteOutputHeader(OutputTextFile& output, FileType type, Conversion& conversion);

void WriteOutputTrailer(OutputTextFile& output, FileType type);

// The Waypoint+ datum line for a datum text; empty for a datum it does not know.
std::string_view WaypointPlusDatumLine(std::string_view datum);

}  // namespace vc::engine
