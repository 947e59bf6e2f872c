#include "engine/options.hpp"

#include <array>

#include "engine/messages.hpp"
#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr double kLowestUtcOffset = -12;
constexpr double kHighestUtcOffset = 14;
constexpr std::array<std::string_view, 5> kCoordFormats = {"D", "DM", "DMS", "MPS", "PAO"};

bool IsUtcOffset(std::string_view text) {
  if (text == kDataPriority) return true;
  if (!text::IsNumberText(text)) return false;
  const double hours = text::LeadingValue(text);
  return hours >= kLowestUtcOffset && hours <= kHighestUtcOffset;
}

bool IsKnownDatum(std::string_view text) {
  return text::EqualsUpper(text, "TOKYO") || text::EqualsUpper(text, "WGS84");
}

// The upper-case code of a known form, or false.
bool NormaliseCoordFormat(std::string& text) {
  if (text == kDataPriority) return true;
  for (const std::string_view code : kCoordFormats) {
    if (text::EqualsUpper(text, code)) {
      text = code;
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<Message> CheckOptionValues(ConvertOptions& options) {
  if (!IsUtcOffset(options.utcOffset)) return Message::kUtcOffsetInvalid;
  if (options.datum != kDataPriority && !IsKnownDatum(options.datum)) {
    return Message::kDatumInvalid;
  }
  if (!NormaliseCoordFormat(options.coordFormat)) return Message::kCoordFormatInvalid;
  if (!IsKnownDatum(options.vrmVrnDatumOption)) return Message::kVrmVrnDatumInvalid;
  return std::nullopt;
}

bool ParsePointStep(std::string_view text, std::int16_t& step) {
  // The whole text must be the number: "5x" or "" is not a step.
  if (!text::IsNumberText(text)) return false;
  const std::int64_t value = text::RoundHalfEven(text::LeadingValue(text));
  if (value < -32768 || value > 32767) return false;
  step = static_cast<std::int16_t>(value);
  return true;
}

}  // namespace vc::engine
