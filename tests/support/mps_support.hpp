// Test support for the MPS statements: the writer appends into the output
// buffer; tests compare one statement at a time.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "formats/mps/statement_writer.hpp"

namespace vc::testing {

inline std::string MakeMpsStatement(std::string_view kind, const mps::MpsValues& values) {
  std::string out;
  mps::AppendMpsStatement(out, kind, values);
  return out;
}

// The template with the first occurrence of `placeholder` replaced by the
// value in double quotes; the template unchanged when it has none.
inline std::string FillTemplate(std::string_view templateText, std::string_view placeholder,
                                std::string_view value) {
  const std::size_t at = templateText.find(placeholder);
  if (at == std::string_view::npos) return std::string(templateText);
  std::string out(templateText.substr(0, at));
  out += '"';
  out += value;
  out += '"';
  out += templateText.substr(at + placeholder.size());
  return out;
}

}  // namespace vc::testing
