// Legs and totals of a track, computed while its points are read.
//
// For point n >= 2: the leg time is the seconds between the times of
// points n-1 and n (text::SecondsBetween, with the hundredths of a
// receiver's fractional times; 0 when either time cannot be read), the leg
// length the great-circle distance in metres, the leg velocity length / time
// * 3.6 in km/h (0 when the time is 0). Point 1 has zero legs. Totals add up
// the legs; the mean velocity is total length / total time * 3.6. Every value
// is kept as its general text reads back, so it is exactly what the text says.
#pragma once

#include <optional>
#include <string>

#include "engine/records.hpp"
#include "text/datetime.hpp"

namespace vc::engine {

class TrackLegs {
 public:
  // Starts a track: totals to 0.
  void Start(TrkHdr& header);
  // Computes the legs of `point` (lat, lon, dateTime and recCoordFormat
  // already stored) from the previous point, and adds them to the totals
  // when `accumulate` is set.
  void Add(TrackPoints& points, TrkPnt& point, TrkHdr& header, bool accumulate = true);
  // Sets the mean velocity from the totals.
  static void Finish(TrkHdr& header);

 private:
  bool hasPrevious_ = false;
  double previousLat_ = 0;
  double previousLon_ = 0;
  std::optional<text::LocalSeconds> previousTime_;
  int previousHundredths_ = 0;
};

}  // namespace vc::engine
