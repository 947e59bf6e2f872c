// Bringing one point into the output's datum, coordinate form and time zone.
//
// Every writer runs this once per point before it writes the point. The
// datum, form and UTC offset options either name the output's value or say
// "データ優先", in which case each point keeps its own. The converted
// coordinates (and a track point's time) are written back into the point,
// so the later steps of the same record read them from the buffers.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "engine/options.hpp"
#include "engine/records.hpp"
#include "text/datetime.hpp"

namespace vc::engine {

// What one conversion leaves besides the point itself. A writer keeps one of
// these for the whole conversion, so the texts reuse their storage from point
// to point. The three views refer to the options or to the point and stay
// valid until either changes.
struct ConvertedPoint {
  std::string_view outDatum;
  std::string_view outCoordFormat;
  std::string_view outUtcOffset;
  // The time of a waypoint or route point in the output's zone ("now"); a
  // track point's time is its own dateTime, converted in place.
  std::string pointTime;

  // Working texts of the coordinate rewriting.
  std::string number;
  std::string coord;
};

// A waypoint or a route point; `now` is the conversion's "now" in the
// point's zone.
void ConvertPointForOutput(WptRec& point, const ConvertOptions& options, text::LocalSeconds now,
                           ConvertedPoint& converted);

// A track point; its dateTime is brought into the output's zone.
void ConvertPointForOutput(TrkPnt& point, const ConvertOptions& options, ConvertedPoint& converted);

// The points a writer goes through: pntNum taken as a count, never more
// than the buffers hold.
std::size_t PointCountToWrite(std::string_view pntNum, std::size_t held) noexcept;

}  // namespace vc::engine
