#include "engine/input/track_legs.hpp"

#include "geo/distance.hpp"
#include "text/constants.hpp"
#include "text/numbers.hpp"

namespace vc::engine {

void TrackLegs::Start(TrkHdr& header) {
  hasPrevious_ = false;
  previousTime_.reset();
  header.totalTripTime = 0;
  header.totalTripLength = 0;
  header.totalVelocity = 0;
}

void TrackLegs::Add(TrackPoints& points, TrkPnt& point, TrkHdr& header, bool accumulate) {
  const double lat = points.Degrees(point, PointField::kLat);
  const double lon = points.Degrees(point, PointField::kLon);
  const std::optional<text::LocalSeconds> time = points.Seconds(point);
  double legTime = 0;
  point.legLength = 0;
  if (hasPrevious_) {
    if (time && previousTime_) {
      legTime = text::SecondsBetween(*previousTime_, previousHundredths_, *time,
                                     static_cast<int>(point.hundredths));
    }
    // A fix that did not move (a receiver left lying) is no distance away:
    // the formula gives exactly 0 there too.
    if (lat != previousLat_ || lon != previousLon_) {
      point.legLength = text::RoundToGeneral(geo::DistanceKm(previousLat_, previousLon_, lat, lon) *
                                             constants::kMetresPerKm);
    }
  }
  // A total is its own rounding, so a leg of 0 leaves it as it is.
  points.SetLegTime(point, legTime);
  if (accumulate && legTime != 0) {
    header.totalTripTime = text::RoundToGeneral(header.totalTripTime + legTime);
  }
  if (accumulate && point.legLength != 0) {
    header.totalTripLength = text::RoundToGeneral(header.totalTripLength + point.legLength);
  }
  hasPrevious_ = true;
  previousLat_ = lat;
  previousLon_ = lon;
  previousTime_ = time;
  previousHundredths_ = static_cast<int>(point.hundredths);
}

void TrackLegs::Finish(TrkHdr& header) {
  header.totalVelocity = header.totalTripTime != 0
                             ? text::RoundToGeneral(header.totalTripLength / header.totalTripTime *
                                                    constants::kKmhPerMetrePerSecond)
                             : 0;
}

}  // namespace vc::engine
