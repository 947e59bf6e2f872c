#include "engine/preview.hpp"

#include <cmath>
#include <limits>
#include <optional>
#include <string>

#include "engine/output/point_conversion.hpp"
#include "geo/coord_text.hpp"
#include "text/strings.hpp"

namespace vc::engine {
namespace {

constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();

// Degrees for drawing: the parts of the text added up, without the rounding
// to the general form that a written coordinate needs (the picture cannot
// show it, and a million points would wait for it).
double Degrees(const geo::CoordParts& parts) {
  const double degrees = parts.deg + parts.min / 60 + parts.sec / 3600;
  return parts.negative ? -degrees : degrees;
}

double DegreesOf(const CoordText& coord, std::string_view form, std::string& scratch) {
  const std::optional<double> value = coord.Number();
  if (value && geo::IsDecimalForm(form)) return Degrees(geo::ReadDecimalCoord(*value, form));
  return Degrees(geo::ReadCoordText(coord.View(scratch), form));
}

PreviewPoint PointOf(const WptRec& point) {
  const std::string_view form = point.recCoordFormat;
  return {Degrees(geo::ReadCoordText(point.lat, form)),
          Degrees(geo::ReadCoordText(point.lon, form)), kUnknown};
}

// The receiver's own speed; else the speed of the leg that ends here, which
// the program worked out from the times and the distance.
double SpeedOf(const TrkPnt& point) {
  const std::optional<std::string_view> stored = point.velocity.StoredText();
  const bool none =
      stored && (text::TrimSpaces(*stored).empty() || point.velocity.IsNotAvailable());
  if (!none) return point.velocity.Value();
  return point.legTime > 0 ? point.legVelocity : kUnknown;
}

}  // namespace

void FeedPreview(RecordKind kind, const RecordBuffers& buffers, PreviewSink& sink,
                 std::vector<PreviewPoint>& points) {
  points.clear();
  switch (kind) {
    case RecordKind::kWpt:
      points.push_back(PointOf(buffers.wpt));
      sink.Record(kind, buffers.wpt.name, points);
      return;
    case RecordKind::kRte: {
      const std::size_t n = PointCountToWrite(buffers.rteHdr.pntNum, buffers.rtePnt.Count());
      for (std::size_t i = 1; i <= n; ++i) points.push_back(PointOf(buffers.rtePnt[i]));
      sink.Record(kind, buffers.rteHdr.rteName, points);
      return;
    }
    case RecordKind::kTrk: {
      const std::size_t n = PointCountToWrite(buffers.trkHdr.pntNum, buffers.trkPnt.Count());
      points.reserve(n);
      std::string scratch;
      for (std::size_t i = 1; i <= n; ++i) {
        const TrkPnt& point = buffers.trkPnt[i];
        const std::string_view form = point.recCoordFormat.View();
        points.push_back({DegreesOf(point.lat, form, scratch), DegreesOf(point.lon, form, scratch),
                          SpeedOf(point)});
      }
      sink.Record(kind, buffers.trkHdr.trkName, points);
      return;
    }
    default:
      return;
  }
}

}  // namespace vc::engine
