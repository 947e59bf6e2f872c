// VornPointer VRP and VRM logs: the same bytes read as standard log lines and
// as Garmin text lines, through to the end.
#include <cstddef>
#include <cstdint>

#include "formats/vornpointer/garmin_text.hpp"
#include "formats/vornpointer/log_line.hpp"
#include "fuzz_support.hpp"
#include "text/line_source.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto text = vc::fuzz::AsText(data, size);
  vc::vp::LogLine line;
  {
    vc::text::StringLineSource source(text);
    vc::fuzz::TurnLimit limit(size);
    while (true) {
      limit.Turn();
      if (vc::vp::ReadVrpLine(source, line) == vc::vp::LogRecord::kEnd) break;
    }
  }
  {
    vc::text::StringLineSource source(text);
    vc::vp::LogFixState state;
    vc::fuzz::TurnLimit limit(size);
    while (true) {
      limit.Turn();
      if (vc::vp::ReadVrmLine(source, state, line) == vc::vp::LogRecord::kEnd) break;
      // What the engine does with the last fix of a Garmin line.
      vc::vp::MakeLogLineFromState(state, line);
    }
  }
  return 0;
}
