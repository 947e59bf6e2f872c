// MPS scripts: cutting statements out of whatever lines and parsing each,
// through to the end.
#include <cstddef>
#include <cstdint>

#include "formats/mps/statement_reader.hpp"
#include "fuzz_support.hpp"
#include "text/line_source.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vc::text::StringLineSource source(vc::fuzz::AsText(data, size));
  vc::fuzz::TurnLimit limit(size);
  while (true) {
    limit.Turn();
    if (vc::mps::ReadMpsStatement(source).kind == "EOF") break;
  }
  return 0;
}
