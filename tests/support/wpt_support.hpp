// Test support for Waypoint+ lines: the writer appends into the output
// buffer; tests compare one line at a time.
#pragma once

#include <string>
#include <string_view>

#include "formats/waypointplus/wpt_line.hpp"

namespace vc::testing {

inline std::string MakeWptLine(std::string_view kind, std::string_view field1 = {},
                               std::string_view field2 = {}, std::string_view field3 = {},
                               std::string_view field4 = {}, std::string_view field5 = {},
                               std::string_view field6 = {}, std::string_view field7 = {}) {
  std::string out;
  wpt::AppendWptLine(out, kind, field1, field2, field3, field4, field5, field6, field7);
  return out;
}

}  // namespace vc::testing
