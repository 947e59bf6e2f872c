// Waypoint+ lines: the field-by-field reading of whatever bytes, and the
// making of lines from the fields read.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/waypointplus/wpt_line.hpp"
#include "fuzz_support.hpp"
#include "text/line_source.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vc::text::StringLineSource source(vc::fuzz::AsText(data, size));
  vc::wpt::WptLineReader reader(source);
  vc::wpt::WptLine line;
  vc::fuzz::TurnLimit limit(size);
  std::string made;
  while (true) {
    limit.Turn();
    reader.ReadWptLine(line);
    if (line.kind == "EOF") break;
    const auto& f = line.fields;
    made.clear();
    vc::wpt::AppendWptLine(made, line.kind, f[1], f[2], f[3], f[4], f[5], f[6], f[7]);
  }
  return 0;
}
