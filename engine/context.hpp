// The state that lives beside the record buffers for as long as the front
// wants it: the window keeps one context for its lifetime, the command line
// one per run. Track numbering continues from one conversion to the next
// until it is reset.
#pragma once

#include <string>
#include <string_view>

#include "engine/records.hpp"

namespace vc::engine {

struct ConversionContext {
  RecordBuffers buffers;
  // Datum of Waypoint+ data: set from a Waypoint+ input's datum line, or from
  // the datum option when Waypoint+ is written from another type.
  std::string fileDatum;
  // Datum in which VRM and VRN logs are taken to be recorded.
  std::string vrmVrnDatum;
  // Running number of tracks read; empty counts as 0.
  std::string trackNumber;

  // Given "TRK" (any letter case), the next track read is number 1 again.
  void ResetNumbering(std::string_view kind);
  // Raises trackNumber by one and returns it.
  const std::string& NextTrackNumber();
};

}  // namespace vc::engine
