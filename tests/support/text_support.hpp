// Test support for text/: the date writers append into a buffer; tests
// compare whole texts.
#pragma once

#include <string>

#include "text/datetime.hpp"

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

}  // namespace vc::testing
