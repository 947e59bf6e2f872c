// Bringing one point into the output's datum, coordinate form and time zone.
//
// Every writer runs this once per point before it writes the point. The
// output frame either names the output's datum, form and UTC offset or says
// "データ優先", in which case each point keeps its own. The point itself is
// left as it was read: the converted coordinates and time are handed back
// in a ConvertedPoint.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/output/buffered_text.hpp"
#include "engine/output/output_frame.hpp"
#include "engine/records.hpp"
#include "geo/coord_text.hpp"
#include "geo/datum.hpp"
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
  // and the "now" and the shift in hours it was made for.
  std::string pointTime;
  text::LocalSeconds pointTimeNow{};
  double pointTimeHours = 0;
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
  // The last time a track point's annotation wrote.
  text::RecentDateTime recentTime;

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

// The same two steps for the points of one track, with what the points'
// labels (datum, offset, form) and the frame decide found once per set of
// labels instead of once per point, and the coordinates kept as numbers.
// Valid while the points and the frame are unchanged.
class TrackPointConverter {
 public:
  TrackPointConverter(const TrackPoints& points, const OutputFrame& frame) noexcept
      : points_(points), frame_(frame) {}

  // The point's coordinates in the output's datum when its form is "MPS",
  // as that form writes them; false when the point's coordinates come only
  // the text way (ConvertPointForOutput gives them): a coordinate kept as
  // its own text or read from another form, a field the packed angle cannot
  // hold, an output in another form.
  bool MpsCoords(const TrkPnt& point, geo::MpsAngle& lat, geo::MpsAngle& lon);
  // The point's coordinates in the output's datum when its form is "D", as
  // the leading values of the texts ConvertPointForOutput gives; false when
  // they come only the text way: a coordinate kept as its own text or
  // written from degrees in another form, an own form other than "D" with
  // another datum, an output in another form.
  bool DecimalDegrees(const TrkPnt& point, double& lat, double& lon);
  // DecimalDegrees, or else the leading values of the texts of
  // ConvertPointForOutput, which `converted` then holds.
  void OutputDegrees(const TrkPnt& point, ConvertedPoint& converted, double& lat, double& lon);
  // The time part of ConvertPointForOutput alone: `converted.shiftedTime`.
  void ConvertTime(const TrkPnt& point, ConvertedPoint& converted);
  // ConvertPointForOutput itself, the same texts and time in `converted`,
  // made from the numbers where the plan allows.
  void Convert(const TrkPnt& point, ConvertedPoint& converted);

 private:
  // How a point's coordinates reach the output form as numbers.
  enum class Way : std::uint8_t {
    kText,            // only through the texts
    kChangeForm,      // same datum: from the decimal own form to "MPS"
    kSameForm,        // same datum and form "MPS": the decimal degrees read
    kTransformed,     // another datum, from "D" to "MPS": shifted first
    kOwnDecimal,      // same datum and form "D": the stored numbers
    kToDecimal,       // same datum: from a decimal own form to "D"
    kShiftedDecimal,  // another datum, from "D" to "D": shifted first
    kFromMps,         // same datum, from "MPS" degrees to another form
  };
  struct Plan {
    std::uint32_t labels = 0;
    Way way = Way::kText;
    geo::DatumShift shift = geo::DatumShift::kNone;
    std::string_view ownForm;
    bool ownDegrees = false;  // ownForm is "D"
    double hours = 0;
    std::string_view outForm;
    std::string_view outDatum;
    std::string_view outOffset;
  };
  // The points of a track nearly all share their labels: the plan is made
  // again only when they change.
  const Plan& PlanFor(const TrkPnt& point) {
    if (planned_ && plan_.labels == point.labels) [[likely]] {
      return plan_;
    }
    return Replan(point);
  }
  const Plan& Replan(const TrkPnt& point);
  bool MpsCoord(const Plan& plan, const TrkPnt& point, PointField field,
                geo::MpsAngle& angle) const;
  bool CoordTexts(const Plan& plan, const TrkPnt& point, ConvertedPoint& converted);

  const TrackPoints& points_;
  const OutputFrame& frame_;
  Plan plan_;
  bool planned_ = false;
};

// A track point's time as the output writes it: its dateTime text, or the
// shifted time in the general date-and-time form. `trimmed` drops the
// spaces around a stored text.
void AppendPointTime(std::string& out, const TrackPoints& points, const TrkPnt& point,
                     const ConvertedPoint& converted, bool trimmed = false);
// The trimmed time of AppendPointTime, put into a statement's buffer.
void PutPointTime(BufferedText& out, const TrackPoints& points, const TrkPnt& point,
                  ConvertedPoint& converted);
// The same time as seconds; nullopt when it cannot be read.
std::optional<text::LocalSeconds> PointSeconds(const TrackPoints& points, const TrkPnt& point,
                                               const ConvertedPoint& converted);

// PointSeconds without the coordinates: the time alone, for a writer that
// goes through the times of a track before its places.
std::optional<text::LocalSeconds> PointSecondsForOutput(const TrackPoints& points,
                                                        const TrkPnt& point,
                                                        const OutputFrame& frame,
                                                        ConvertedPoint& converted);

// The points a writer goes through: pntNum taken as a count, never more
// than the buffers hold.
std::size_t PointCountToWrite(std::string_view pntNum, std::size_t held) noexcept;

}  // namespace vc::engine
