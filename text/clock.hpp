// The local clock. When SOURCE_DATE_EPOCH (seconds since 1970 UTC) is set,
// that instant is "now", so tests and reproducible runs see a fixed time; the
// local zone comes from TZ as usual.
#pragma once

#include "text/datetime.hpp"

namespace vc::text {

// Wall-clock "now" in the local zone.
LocalSeconds LocalNow();
// The same "now" in UTC.
LocalSeconds UtcNow();

// The local wall-clock time of a UTC instant given in seconds since 1970.
LocalSeconds LocalFromUnix(std::int64_t unixSeconds);

}  // namespace vc::text
