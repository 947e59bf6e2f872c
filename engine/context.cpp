#include "engine/context.hpp"

#include "text/numbers.hpp"
#include "text/strings.hpp"

namespace vc::engine {

void ConversionContext::ResetNumbering(std::string_view kind) {
  if (text::EqualsUpper(kind, "TRK")) trackNumber = "0";
}

const std::string& ConversionContext::NextTrackNumber() {
  const double next = text::LeadingValue(trackNumber) + 1;
  trackNumber.clear();
  text::AppendGeneral(trackNumber, next);
  return trackNumber;
}

}  // namespace vc::engine
