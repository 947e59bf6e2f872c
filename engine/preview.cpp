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

double DegreesOf(const TrackPoints& points, const TrkPnt& point, PointField field,
                 std::string& scratch) {
  const std::string_view form = points.CoordFormat(point);
  if (!point.HasOwnText(field) && !point.IsFromDegrees(field) && geo::IsDecimalForm(form)) {
    return Degrees(geo::ReadDecimalCoord(point.slot[static_cast<std::size_t>(field)].number, form));
  }
  return Degrees(geo::ReadCoordText(points.CoordText(point, field, scratch), form));
}

PreviewPoint PointOf(const RoutePoints& points, const RtePnt& point, std::string& scratch) {
  const std::string_view form = points.CoordFormat(point);
  const double lat =
      Degrees(geo::ReadCoordText(points.CoordText(point, PointField::kLat, scratch), form));
  const double lon =
      Degrees(geo::ReadCoordText(points.CoordText(point, PointField::kLon, scratch), form));
  return {lat, lon, kUnknown};
}

// The receiver's own speed; else the speed of the leg that ends here, which
// the program worked out from the times and the distance.
double SpeedOf(const TrackPoints& points, const TrkPnt& point) {
  const std::optional<std::string_view> own = points.OwnText(point, PointField::kVelocity);
  const bool none = own && (text::TrimSpaces(*own).empty() ||
                            points.IsNotAvailable(point, PointField::kVelocity));
  if (!none) return points.Value(point, PointField::kVelocity);
  return points.LegTime(point) > 0 ? points.LegVelocity(point) : kUnknown;
}

}  // namespace

void FeedPreview(RecordKind kind, const RecordBuffers& buffers, PreviewSink& sink,
                 std::vector<PreviewPoint>& points) {
  points.clear();
  switch (kind) {
    case RecordKind::kWpt: {
      std::string scratch;
      const WptRec& waypoint = buffers.wpt;
      points.push_back(PointOf(waypoint.store, waypoint.Point(), scratch));
      sink.Record(kind, waypoint.store.Text(waypoint.Point(), PointText::kName), points);
      return;
    }
    case RecordKind::kRte: {
      const std::size_t n = PointCountToWrite(buffers.rteHdr.pntNum, buffers.rtePnt.Count());
      std::string scratch;
      for (std::size_t i = 1; i <= n; ++i) {
        points.push_back(PointOf(buffers.rtePnt, buffers.rtePnt[i], scratch));
      }
      sink.Record(kind, buffers.rteHdr.rteName, points);
      return;
    }
    case RecordKind::kTrk: {
      const std::size_t n = PointCountToWrite(buffers.trkHdr.pntNum, buffers.trkPnt.Count());
      points.reserve(n);
      std::string scratch;
      for (std::size_t i = 1; i <= n; ++i) {
        const TrkPnt& point = buffers.trkPnt[i];
        points.push_back({DegreesOf(buffers.trkPnt, point, PointField::kLat, scratch),
                          DegreesOf(buffers.trkPnt, point, PointField::kLon, scratch),
                          SpeedOf(buffers.trkPnt, point)});
      }
      sink.Record(kind, buffers.trkHdr.trkName, points);
      return;
    }
    default:
      return;
  }
}

}  // namespace vc::engine
