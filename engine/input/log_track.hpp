// The points of a log as one track. A log has no structure above its fixes,
// so the whole file is one track, flagged "True" with code "0" and no name.
//
// A fix whose time carries no date (an NMEA cycle without $GPRMC or $GPZDA)
// has a bare "hh:nn:ss". Such a time is put on the day of the nearest dated
// point of the file: the last one before it, or for the points before the
// first dated one, the first dated point after them. Of that day and the
// days before and after it, the one that brings the time closest to the
// dated point is taken, so a log that runs past midnight moves on to the
// next day. When the file has no date at all, the bare times are kept as
// they are: times of day.
#pragma once

#include <cstddef>

#include "engine/context.hpp"
#include "engine/input/record_reader.hpp"
#include "engine/input/track_legs.hpp"
#include "engine/records.hpp"
#include "text/line_source.hpp"

namespace vc::engine {

// Gives the bare times of a track the date of their dated neighbours, while
// the points are added one by one.
class BareTimeDating {
 public:
  void Start() noexcept {
    lastDated_ = 0;
    leadingBare_ = false;
  }

  // Called once point n has its time. True when points before n were changed
  // as well, so that the legs up to n must be computed again.
  bool Place(TrackPoints& points, std::size_t n);

 private:
  // Walks back from the first dated point n, each bare time taking its date
  // from the point after it.
  static bool DateLeadingPoints(TrackPoints& points, std::size_t n);

  std::size_t lastDated_ = 0;  // number of the last point with a date; 0 for none
  bool leadingBare_ = false;   // a bare time came before any dated point
};

// The reader of a file that is one track: the first reading takes every
// line up to the end of the file, the next one finds the end.
class WholeTrackReader : public RecordReader {
 public:
  explicit WholeTrackReader(text::LineSource& lines) : lines_(lines) {}
  RecordKind ReadNextRecord(Conversion& conversion) final;

 protected:
  text::LineSource& lines_;

 private:
  virtual void ReadTrack(Conversion& conversion) = 0;
  bool done_ = false;
};

class LogTrack {
 public:
  // An empty track.
  void Start(TrkHdr& header, TrackPoints& points);
  // The point last added has every field: it gets its date and legs.
  void Placed(TrkHdr& header, TrackPoints& points);
  // The header: point count, mean velocity, flag, code and name; the track
  // takes the next track number.
  void Finish(ConversionContext& context);

 private:
  TrackLegs legs_;
  BareTimeDating dating_;
};

}  // namespace vc::engine
