// Test support for VRC lines: the reader and the writer reuse the storage of
// one VrcLine; tests take each line as a value.
#pragma once

#include <string>
#include <string_view>

#include "formats/vrc/vrc_line.hpp"
#include "text/line_source.hpp"

namespace vc::testing {

inline vrc::VrcLine SplitVrcLine(std::string_view text) {
  vrc::VrcLine line;
  vrc::SplitVrcLine(text, line);
  return line;
}

inline vrc::VrcLine ReadVrcLine(text::LineSource& source) {
  vrc::VrcLine line;
  vrc::ReadVrcLine(source, line);
  return line;
}

inline std::string MakeVrcLine(const vrc::VrcFields& fields) {
  std::string out;
  vrc::AppendVrcLine(out, fields);
  return out;
}

}  // namespace vc::testing
