#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <sstream>
#include <string_view>

#include "engine/file_types.hpp"
#include "engine/messages.hpp"
#include "vc/version.hpp"

namespace vc::cli {
namespace {

constexpr int kUsageError = 2;

// Splits "a,b,c" and checks every item against `names`; "none" alone is the
// empty list. Sets flags[i] for each name given.
template <std::size_t N>
bool ParseList(const std::string& text, const std::array<const char*, N>& names,
               std::array<bool*, N> flags, std::string& error) {
  for (bool* flag : flags) *flag = false;
  if (text == "none") return true;
  std::stringstream items(text);
  std::string item;
  while (std::getline(items, item, ',')) {
    const auto* found =
        std::find_if(names.begin(), names.end(), [&](const char* name) { return item == name; });
    if (found == names.end()) {
      error = "unknown item '" + item + "' in '" + text + "'";
      return false;
    }
    *flags[static_cast<std::size_t>(found - names.begin())] = true;
  }
  return true;
}

std::string FormatsTable() {
  std::string table = "\nFile types (decided by the last three characters of a name):\n";
  for (const auto& info : engine::FileTypes()) {
    table += "  ";
    table += info.code;
    table += "  ";
    table += info.description;
    table += info.makeReader != nullptr ? "; read" : "";
    table += info.makeWriter != nullptr ? ", written" : "";
    table += "\n";
  }
  table +=
      "\nExit status: 0 converted, 1 stopped with a message, 2 usage error.\n"
      "SOURCE_DATE_EPOCH (seconds since 1970 UTC), when set, is the time taken as now.\n";
  return table;
}

}  // namespace

int ParseCommandLine(const std::vector<std::string>& args, CommandLine& commandLine,
                     std::string& out, std::string& err) {
  engine::ConvertOptions& o = commandLine.options;
  CLI::App app{"Converts GPS waypoints, routes and track logs between file types.", "vornconv"};
  app.footer(FormatsTable());
  app.set_version_flag("--version", std::string("vornconv ") + kVersionText);
  std::string routeOrder = "up";
  std::string convert = "trk";
  std::string line = "none";
  std::string point = "none";
  std::string step = "1";
  std::string encoding = "auto";
  app.add_option("INPUT", o.inputName, "Original File (OrgFileName)")->required();
  app.add_option("OUTPUT", o.outputName,
                 "Converted File (NewFileName); its type comes from its last three characters")
      ->required();
  app.add_option("--utc-offset", o.utcOffset,
                 "UTC Offset (UtcOfsOp): データ優先, +9, 0 or any text")
      ->capture_default_str();
  app.add_option("--datum", o.datum, "Datum (DatumOp): データ優先, TOKYO, WGS84 or any text")
      ->capture_default_str();
  app.add_option("--coord-format", o.coordFormat,
                 "Coord.Format (CoordOp): データ優先, D, DMS, MPS or any form code")
      ->capture_default_str();
  app.add_option("--vrm-vrn-datum", o.vrmVrnDatumOption,
                 "Datum of VRM/VRN (DatumVrmVrnOp): TOKYO, WGS84 or any text")
      ->capture_default_str();
  app.add_option("--route-order", routeOrder, "RtePntNo (RtePntNoOp): up = Up, down = Down")
      ->check(CLI::IsMember({"up", "down"}))
      ->capture_default_str();
  app.add_option("--convert", convert,
                 "Convert Data (ConvData): any of wpt (Waypoints), rte (Routes), trk (Tracklogs), "
                 "comma-separated, or none")
      ->capture_default_str();
  app.add_option("--line", line,
                 "TrkLineOp: any of points (Total num of Pnt), time (Total Trip Time), length "
                 "(Total Trip Length), velocity (Total Velocity), or none")
      ->capture_default_str();
  app.add_option("--point", point,
                 "TrkPntOp: any of date (Past Date), velocity (Past Velocity), course (Past "
                 "Degree), heading (Head Degree), leg-time (Leg. Time(s)), leg-length (Leg. "
                 "Length(m)), leg-velocity (Leg. Velocity), or none")
      ->capture_default_str();
  app.add_option("--step", step, "[  ] Step (TrkPntStepOp): every n-th track point gets a point")
      ->capture_default_str();
  app.add_flag("--append", o.append, "Append (AppendFg): add to an existing output");
  app.add_flag("--force", commandLine.force, "answer Yes when asked to overwrite an output");
  app.add_flag("--launch", commandLine.launch,
               "Auto start up (ProAtlas): open an MPS output in the map program");
  app.add_option("--encoding", encoding,
                 "encoding of the output: auto (as the input), utf-8, cp932")
      ->check(CLI::IsMember({"auto", "utf-8", "cp932"}))
      ->capture_default_str();
  app.add_flag("--quiet", commandLine.quiet, "no summary line");

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out = app.help();
    return 0;
  } catch (const CLI::CallForVersion& e) {
    out = std::string(e.what()) + "\n";
    return 0;
  } catch (const CLI::ParseError& e) {
    err = std::string("vornconv: ") + e.what() + "\nRun with --help for more information.\n";
    return kUsageError;
  }

  std::string error;
  const bool listsOk =
      ParseList<3>(convert, {"wpt", "rte", "trk"},
                   {&o.convertWaypoints, &o.convertRoutes, &o.convertTracks}, error) &&
      ParseList<4>(line, {"points", "time", "length", "velocity"},
                   {&o.lineTotalPoints, &o.lineTotalTime, &o.lineTotalLength, &o.lineTotalVelocity},
                   error) &&
      ParseList<7>(
          point,
          {"date", "velocity", "course", "heading", "leg-time", "leg-length", "leg-velocity"},
          {&o.pointPastDate, &o.pointPastVelocity, &o.pointPastDegree, &o.pointHeadDegree,
           &o.pointLegTime, &o.pointLegLength, &o.pointLegVelocity},
          error);
  if (!listsOk) {
    err = "vornconv: " + error + "\n";
    return kUsageError;
  }
  // Read by the command's checks, after the names, as the window reads it.
  o.pointStepText = step;
  o.routeOrder = routeOrder == "up" ? "昇順" : "降順";
  o.outputEncoding = encoding == "utf-8"   ? engine::OutputEncoding::kUtf8
                     : encoding == "cp932" ? engine::OutputEncoding::kCp932
                                           : engine::OutputEncoding::kSameAsInput;
  return -1;
}

}  // namespace vc::cli
