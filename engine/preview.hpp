// What a front needs to draw the records of a file: per record its kind, its
// name and its points in degrees, with the speed where it is known. The
// engine hands each record to a sink as it goes (the records written by a
// conversion, or those read for a look at a file before converting it); the
// sink copies what it keeps, since the points live only for the call.
#pragma once

#include <span>
#include <string_view>
#include <vector>

#include "engine/records.hpp"

namespace vc::engine {

struct PreviewPoint {
  double lat = 0;       // degrees north, in the datum the record is in
  double lon = 0;       // degrees east
  double speedKmh = 0;  // NaN when the record has no speed for the point
};

class PreviewSink {
 public:
  virtual ~PreviewSink() = default;
  // A waypoint has one point; a route or a track one per point, in order.
  virtual void Record(RecordKind kind, std::string_view name,
                      std::span<const PreviewPoint> points) = 0;
};

// Hands the record of `kind` in `buffers` to `sink`, its points read in
// their own coordinate form (writers leave the records as they were read).
// The datum is not changed: at the scale of the picture the shift between
// Tokyo and WGS84 does not show. `points` is working space kept by the
// caller.
void FeedPreview(RecordKind kind, const RecordBuffers& buffers, PreviewSink& sink,
                 std::vector<PreviewPoint>& points);

}  // namespace vc::engine
