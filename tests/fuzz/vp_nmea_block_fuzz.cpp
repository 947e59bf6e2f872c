// VornPointer NMEA logs (.vrn): blocks of sentences read through to the end,
// each updating the last known fix.
#include <cstddef>
#include <cstdint>

#include "formats/vornpointer/nmea_block.hpp"
#include "fuzz_support.hpp"
#include "text/line_source.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto text = vc::fuzz::AsText(data, size);
  vc::text::StringLineSource source(text);
  vc::vp::LogFixState state;
  vc::vp::LogLine line;
  vc::fuzz::TurnLimit limit(size);
  while (true) {
    limit.Turn();
    if (vc::vp::ReadVrnBlock(source, state, line) == vc::vp::LogRecord::kEnd) break;
  }
  // The whole input as one block, line ends included.
  vc::vp::LogFixState fresh;
  vc::vp::ParseNmeaBlock(text, fresh, line);
  return 0;
}
