// VRC lines: splitting whatever bytes into fields, cleaning them, and making
// a line of each kind from the fields split.
#include <cstddef>
#include <cstdint>
#include <string>

#include "formats/vrc/vrc_line.hpp"
#include "fuzz_support.hpp"
#include "text/line_source.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto text = vc::fuzz::AsText(data, size);
  vc::text::StringLineSource source(text);
  vc::vrc::VrcLine line;
  vc::fuzz::TurnLimit limit(size);
  std::string made;
  while (true) {
    limit.Turn();
    vc::vrc::ReadVrcLine(source, line);
    if (line.fields[0] == "EOF") break;
    made.clear();
    vc::vrc::AppendVrcLine(made, line.fields);
  }
  // The whole input as one line, with its line ends as ordinary bytes.
  vc::vrc::SplitVrcLine(text, line);
  made.clear();
  vc::vrc::AppendVrcLine(made, line.fields);
  return 0;
}
