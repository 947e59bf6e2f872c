// Bringing one point into the output's datum, coordinate form and time zone.
//
// Every writer runs this once per point before it writes the point. The
// output frame either names the output's datum, form and UTC offset or says
// "データ優先", in which case each point keeps its own. The point itself is
// left as it was read: the converted coordinates and time are handed back
// in a ConvertedPoint.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/output/output_frame.hpp"
#include "engine/records.hpp"
#include "text/datetime.hpp"

namespace vc::engine {

// One point as the output writes it. A writer keeps one of these for the
// whole conversion, so the texts reuse their storage from point to point.
// The views refer to the frame, to the point or to the texts below, and stay
// valid until the next conversion of a point or a change of the point.
struct ConvertedPoint {
  std::string_view outDatum;
  std::string_view outCoordFormat;
  std::string_view outUtcOffset;
  std::string_view lat;
  std::string_view lon;
  // The time of a waypoint or route point in the output's zone ("now"),
  // and the "now" it was made for.
  std::string pointTime;
  text::LocalSeconds pointTimeNow{};
  // A track point's time when the zone shift changed it; otherwise the
  // point's own dateTime stands.
  std::optional<text::LocalSeconds> shiftedTime;

  // The hours between the last pair of offsets.
  struct ZoneShift {
    bool known = false;
    std::string out;
    std::string own;
    double hours = 0;
  };
  ZoneShift lastShift;

  // Storage of the converted coordinates and working texts.
  std::string latText;
  std::string lonText;
  std::string number;
  std::string coord;
};

// A waypoint or a route point; `now` is the conversion's "now" in the
// point's zone.
void ConvertPointForOutput(const RoutePoints& points, const RtePnt& point, const OutputFrame& frame,
                           text::LocalSeconds now, ConvertedPoint& converted);

// A track point; its time is brought into the output's zone.
void ConvertPointForOutput(const TrackPoints& points, const TrkPnt& point, const OutputFrame& frame,
                           ConvertedPoint& converted);

// A track point's time as the output writes it: its dateTime text, or the
// shifted time in the general date-and-time form. `trimmed` drops the
// spaces around a stored text.
void AppendPointTime(std::string& out, const TrackPoints& points, const TrkPnt& point,
                     const ConvertedPoint& converted, bool trimmed = false);
// The same time as seconds; nullopt when it cannot be read.
std::optional<text::LocalSeconds> PointSeconds(const TrackPoints& points, const TrkPnt& point,
                                               const ConvertedPoint& converted);

// The points a writer goes through: pntNum taken as a count, never more
// than the buffers hold.
std::size_t PointCountToWrite(std::string_view pntNum, std::size_t held) noexcept;

}  // namespace vc::engine
