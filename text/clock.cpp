#include "text/clock.hpp"

#include <charconv>
#include <cstdlib>
#include <ctime>
#include <string_view>

namespace vc::text {

LocalSeconds LocalFromUnix(std::int64_t unixSeconds) {
  const auto t = static_cast<std::time_t>(unixSeconds);
  std::tm local{};
  if (localtime_r(&t, &local) == nullptr) {
    // Out of the C library's range: take the instant as local time in UTC.
    return ToLocalSeconds({1970, 1, 1, 0, 0, 0}) + unixSeconds;
  }
  return ToLocalSeconds({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                         local.tm_min, local.tm_sec});
}

namespace {

// Seconds since 1970 UTC: SOURCE_DATE_EPOCH when set, the clock otherwise.
std::int64_t UnixNow() {
  std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch != nullptr) {
    const std::string_view text(epoch);
    std::int64_t fixed = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), fixed);
    if (ec == std::errc{} && ptr == text.data() + text.size()) now = fixed;
  }
  return now;
}

}  // namespace

LocalSeconds LocalNow() { return LocalFromUnix(UnixNow()); }

LocalSeconds UtcNow() { return ToLocalSeconds({1970, 1, 1, 0, 0, 0}) + UnixNow(); }

}  // namespace vc::text
