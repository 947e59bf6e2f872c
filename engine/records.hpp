// The record model: one waypoint, one whole route or one whole track at a
// time, streamed from the reader to the writer.
//
// Every field reads back exactly as it was read; numbers are taken from a
// text by its leading numeric value. Waypoints, route points and track
// points keep numbers and stored texts (route_points.hpp, track_points.hpp). The leg and
// total values are computed by the program, so they are kept as numbers
// already rounded to what their general text reads back as (RoundToGeneral):
// arithmetic on them is arithmetic on the stored texts, and the text is
// formatted on demand.
#pragma once

#include <string>

#include "engine/route_points.hpp"
#include "engine/track_points.hpp"

namespace vc::engine {

// The option text that lets each record keep its own value.
inline constexpr const char* kDataPriority = "データ優先";

enum class RecordKind {
  kNone,  // a reading that consumed input without producing a record
  kWpt,
  kRte,
  kTrk,
  kEof,
};

// A waypoint: the one point of a store of its own, read and written as a
// route point is.
struct WptRec {
  WptRec() { store.Add(); }

  // Starts the next waypoint: every text "", labels all empty.
  RtePnt& Begin() {
    store.Clear();
    return store.Add();
  }
  [[nodiscard]] const RtePnt& Point() const noexcept { return store[1]; }

  RoutePoints store;
};

struct RteHdr {
  std::string rteNo;
  std::string rteName;
  std::string pntNum;
};

struct TrkHdr {
  std::string pntNum;
  double totalTripTime = 0;    // seconds
  double totalTripLength = 0;  // metres
  double totalVelocity = 0;    // km/h
  std::string trkFlag;
  std::string trkCode;
  std::string trkName;
};

struct RecordBuffers {
  WptRec wpt;
  RteHdr rteHdr;
  RoutePoints rtePnt;
  TrkHdr trkHdr;
  TrackPoints trkPnt;
};

}  // namespace vc::engine
