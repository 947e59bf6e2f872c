// Deterministic input files for the benchmark: a receiver driving around
// Tokyo at 0 to 100 km/h, one fix a second, written in every format the
// converter reads. The same kind and count always give the same bytes.
//
//   VRN  one block of $GPRMC, $GPGGA, $GPGSA, $PGRME, $PGRMZ per fix, with
//        correct checksums and an empty line after each block; every 997th
//        fix starts an outage of five blocks without a position
//   VRP  one standard log line per fix
//   VRM  one Garmin text sentence per fix (status "_" during outages)
//   WPT  Waypoint+: ten waypoints, a route of ten points, a track of N points
//   VRC  the same records as VornConnect lines
//   NMEA the VRN sentences as a receiver's stream: no empty lines
//   MPS  the Waypoint+ file converted by the program itself, with every
//        line and point annotation
//   GPX  the Waypoint+ file converted to GPX by the program itself
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vc::bench {

// kWptRoute: a Waypoint+ file holding one route of N points and nothing else.
enum class InputKind { kVrn, kVrp, kVrm, kWpt, kVrc, kMps, kNmea, kGpx, kWptRoute };

// The file suffix of a kind ("vrn", "txt", ...).
std::string_view SuffixOf(InputKind kind) noexcept;
// The name of a kind for --generate: its suffix, or "route" for kWptRoute.
std::string_view NameOf(InputKind kind) noexcept;

// Writes `fixes` track points (plus, for Waypoint+, VRC and MPS, the
// waypoints and the route) to `path`. `groupFile` is needed for MPS only.
// False when the file cannot be written.
bool GenerateInput(InputKind kind, std::int64_t fixes, const std::string& path,
                   const std::string& groupFile);

}  // namespace vc::bench
