#include "engine/report.hpp"

namespace vc::engine {

std::vector<std::string> FormatReport(const ConversionReport& report, Language /*language*/) {
  const KindCounts& w = report.written;
  return {"written: " + std::to_string(w.waypoints) + " waypoints, " + std::to_string(w.routes) +
          " routes, " + std::to_string(w.tracks) + " tracks"};
}

}  // namespace vc::engine
