// The record model: one waypoint, one whole route or one whole track at a
// time, streamed from the reader to the writer.
//
// Every field reads back exactly as it was read; numbers are taken from a
// text by its leading numeric value. A waypoint keeps its fields as texts;
// route points and track points keep numbers (route_points.hpp,
// track_points.hpp). The leg and
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

struct WptRec {
  std::string name;
  std::string lat;
  std::string lon;
  std::string info1;
  std::string info2;
  std::string info3;
  std::string recDatum;
  std::string recUtcOffset;
  std::string recCoordFormat;
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
