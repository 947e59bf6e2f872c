// Test support for text/: the writers append into a buffer; tests compare
// whole texts.
#pragma once

#include <string>

#include "text/datetime.hpp"
#include "text/numbers.hpp"

namespace vc::testing {

inline std::string FormatDateTime(text::LocalSeconds seconds) {
  std::string out;
  text::AppendDateTime(out, seconds);
  return out;
}

inline std::string FormatGeneralDateTime(text::LocalSeconds seconds) {
  std::string out;
  text::AppendGeneralDateTime(out, seconds);
  return out;
}

inline std::string FormatPattern(double value, text::NumberPattern pattern) {
  std::string out;
  text::AppendPattern(out, value, pattern);
  return out;
}

}  // namespace vc::testing
