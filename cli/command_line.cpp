#include "cli/command_line.hpp"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <sstream>
#include <string_view>
#include <thread>

#include "engine/messages.hpp"
#include "text/strings.hpp"
#include "vc/version.hpp"

namespace vc::cli {
namespace {

constexpr int kUsageError = 2;

// The groups of --help, in the order they are listed.
constexpr const char* kWhatGroup = "What to convert";
constexpr const char* kCoordinatesGroup = "Coordinates and time";
constexpr const char* kAnnotationsGroup = "MPS annotations";
constexpr const char* kFilesGroup = "Files";

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

// The two forms of a call, in place of CLI11's generated usage line.
class HelpFormatter final : public CLI::Formatter {
 public:
  std::string make_usage(const CLI::App* /*app*/, std::string /*name*/) const override {
    return "Usage: vornconv [OPTIONS] INPUT OUTPUT\n"
           "       vornconv [OPTIONS] -o DIR --to TYPE INPUT...\n";
  }
};

std::string Footer() {
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
      "\nMPS output is always written in the Tokyo datum, the MPS coordinate form and UTC+9.\n"
      "With -o DIR each INPUT is written to DIR under its own name, its last three characters\n"
      "replaced by the type's (logs/day1.vrn -> DIR/day1.mps); each file gets a line, a summary\n"
      "closes the run, and a file that stops stops only itself. An output that exists and is\n"
      "not empty is left alone and reported unless --force (or --append) is given.\n"
      "\nExit status: 0 converted, 1 stopped with a message (with -o: any file stopped),\n"
      "2 usage error.\n"
      "SOURCE_DATE_EPOCH (seconds since 1970 UTC), when set, is the time taken as now.\n";
  return table;
}

// The type codes that can be written ("mps", "wpt", "vrc"), from the table.
std::vector<std::string> WritableTypeNames() {
  std::vector<std::string> names;
  for (const auto& info : engine::FileTypes()) {
    if (info.makeWriter == nullptr) continue;
    std::string name = info.code;
    std::transform(name.begin(), name.end(), name.begin(),
                   [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    names.push_back(name);
  }
  return names;
}

engine::FileType WritableTypeOf(std::string_view name) {
  for (const auto& info : engine::FileTypes()) {
    if (info.makeWriter != nullptr && text::EqualsUpper(name, info.code)) return info.type;
  }
  return engine::FileType::kNone;
}

unsigned CoreCount() { return std::max(1u, std::thread::hardware_concurrency()); }

// Which form the files make (INPUT OUTPUT, or INPUT... with -o), with --to
// checked against it; an empty text when all is well.
std::string CheckFiles(const std::vector<std::string>& files, const std::string& to,
                       CommandLine& commandLine) {
  const engine::FileType toType = WritableTypeOf(to);
  if (commandLine.IsBatch()) {
    if (to.empty()) return "-o DIR needs --to TYPE (the type written)";
    if (commandLine.launch) return "--launch opens a single OUTPUT; it cannot be used with -o";
    commandLine.inputs = files;
    commandLine.outputType = toType;
    return {};
  }
  if (files.size() != 2) {
    return "give INPUT OUTPUT, or several inputs with -o DIR --to TYPE";
  }
  commandLine.options.inputName = files[0];
  commandLine.options.outputName = files[1];
  if (!to.empty() && engine::GetFileType(files[1]) != toType) {
    return "OUTPUT " + files[1] + " is not of the type --to " + to +
           " (its last three characters decide its type)";
  }
  return {};
}

}  // namespace

int ParseCommandLine(const std::vector<std::string>& args, CommandLine& commandLine,
                     std::string& out, std::string& err) {
  engine::ConvertOptions& o = commandLine.options;
  CLI::App app{"Converts GPS waypoints, routes and track logs between file types.", "vornconv"};
  app.formatter(std::make_shared<HelpFormatter>());
  app.footer(Footer());
  app.set_help_flag("-h,--help", "print this help and exit");
  app.set_version_flag("--version", std::string("vornconv ") + kVersionText,
                       "print the version and exit");
  std::vector<std::string> files;
  std::string to;
  std::string routeOrder = "up";
  std::string convert = "trk";
  std::string line = "none";
  std::string point = "none";
  std::string step = "1";
  std::string encoding = "auto";
  app.add_option("FILES", files,
                 "INPUT (Original File, OrgFileName) and OUTPUT (Converted File, NewFileName); "
                 "with -o every INPUT")
      ->type_name("")
      ->required();

  app.add_option("--convert", convert,
                 "kinds of records written, comma-separated: wpt (waypoints), rte (routes), "
                 "trk (track logs), or none; default trk (ConvData)")
      ->type_name("LIST")
      ->group(kWhatGroup);
  std::string typeNames;
  for (const std::string& name : WritableTypeNames()) {
    typeNames += (typeNames.empty() ? "" : ", ") + name;
  }
  app.add_option("--to", to,
                 "type written: " + typeNames +
                     " (wpt is Waypoint+ text, *.txt); with INPUT OUTPUT it must be OUTPUT's "
                     "type (FileTypeLists)")
      ->type_name("TYPE")
      ->check(CLI::IsMember(WritableTypeNames(), CLI::ignore_case).description(""))
      ->group(kWhatGroup);

  app.add_option("--utc-offset", o.utcOffset,
                 "UTC offset of the times written: データ優先 (data priority: each record keeps "
                 "its own value) or hours from -12 to +14 such as +9 or 0; default データ優先 "
                 "(UtcOfsOp)")
      ->type_name("TEXT")
      ->group(kCoordinatesGroup);
  app.add_option("--datum", o.datum,
                 "datum of the coordinates written: データ優先, TOKYO or WGS84; default データ優先 "
                 "(DatumOp)")
      ->type_name("TEXT")
      ->group(kCoordinatesGroup);
  app.add_option("--coord-format", o.coordFormat,
                 "form of the coordinates written: データ優先, D, DM, DMS, MPS or PAO; default "
                 "データ優先 (CoordOp)")
      ->type_name("TEXT")
      ->group(kCoordinatesGroup);
  app.add_option("--vrm-vrn-datum", o.vrmVrnDatumOption,
                 "datum the VRM and VRN logs were recorded in: TOKYO or WGS84; default TOKYO "
                 "(DatumVrmVrnOp)")
      ->type_name("TEXT")
      ->group(kCoordinatesGroup);

  app.add_option("--line", line,
                 "figures on each track line, comma-separated: points (number of points), time "
                 "(total trip time), length (total trip length), velocity (average velocity), or "
                 "none; default none (TrkLineOp)")
      ->type_name("LIST")
      ->group(kAnnotationsGroup);
  app.add_option("--point", point,
                 "figures on the track points, comma-separated: date, velocity, course, heading, "
                 "leg-time, leg-length, leg-velocity, or none; default none (TrkPntOp)")
      ->type_name("LIST")
      ->group(kAnnotationsGroup);
  app.add_option("--step", step,
                 "annotate every N-th track point (the sign is ignored), -32768 to 32767; "
                 "default 1 (TrkPntStepOp)")
      ->type_name("N")
      ->group(kAnnotationsGroup);
  app.add_option("--route-order", routeOrder,
                 "numbering of route points: up or down; default up (RtePntNoOp)")
      ->type_name("up|down")
      ->check(CLI::IsMember({"up", "down"}).description(""))
      ->group(kAnnotationsGroup);

  app.add_option("-o,--output-dir", commandLine.outputFolder,
                 "write every INPUT into DIR (made when missing), named as its input with the "
                 "type's last three characters (AutoFileName)")
      ->type_name("DIR")
      ->group(kFilesGroup);
  app.add_option("--jobs", commandLine.jobs,
                 "files converted at a time with -o, 1 or more; default the number of cores (" +
                     std::to_string(CoreCount()) + " here)")
      ->type_name("N")
      ->check(CLI::Range(1u, 1024u).description(""))
      ->group(kFilesGroup);
  app.add_flag("--force", commandLine.force,
               "replace an output that exists and is not empty without asking (answers Yes)")
      ->group(kFilesGroup);
  app.add_flag("--append", o.append,
               "add to an existing output instead of replacing it; default off (AppendFg)")
      ->group(kFilesGroup);
  app.add_option("--encoding", encoding,
                 "encoding of the text written: auto (the input's), utf-8 or cp932; default auto")
      ->type_name("auto|utf-8|cp932")
      ->check(CLI::IsMember({"auto", "utf-8", "cp932"}).description(""))
      ->group(kFilesGroup);
  app.add_flag("--launch", commandLine.launch,
               "open an MPS OUTPUT in ProAtlas afterwards; not with -o; default off (AutoProAtlas)")
      ->group(kFilesGroup);
  app.add_flag("--quiet", commandLine.quiet,
               "no summary line (with -o, no lines for the files converted either)")
      ->group(kFilesGroup);

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

  std::string error = app.count("--output-dir") > 0 && commandLine.outputFolder.empty()
                          ? "-o needs the name of a folder"
                          : CheckFiles(files, to, commandLine);
  if (!error.empty()) {
    err = "vornconv: " + error + "\nRun with --help for more information.\n";
    return kUsageError;
  }
  if (commandLine.jobs == 0) commandLine.jobs = CoreCount();
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
