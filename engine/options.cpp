#include "engine/options.hpp"

#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {

bool ParsePointStep(std::string_view text, std::int16_t& step) {
  const std::string_view trimmed = text::TrimSpaces(text);
  // The whole text must be the number: "5x" or "" is not a step.
  std::size_t i = 0;
  if (i < trimmed.size() && (trimmed[i] == '+' || trimmed[i] == '-')) ++i;
  std::size_t digits = 0;
  bool point = false;
  for (; i < trimmed.size(); ++i) {
    if (trimmed[i] >= '0' && trimmed[i] <= '9') {
      ++digits;
    } else if (trimmed[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (digits == 0) return false;
  const std::int64_t value = text::RoundHalfEven(text::LeadingValue(trimmed));
  if (value < -32768 || value > 32767) return false;
  step = static_cast<std::int16_t>(value);
  return true;
}

}  // namespace vc::engine
