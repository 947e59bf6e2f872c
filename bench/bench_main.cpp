// vc_bench: times whole conversions through the engine.
//
//   vc_bench [--sizes 10000,100000,1000000] [--repeat 3] [--data DIR] [--case NAME]
//       generates the inputs once (kept in DIR), runs every case at every
//       size in a process of its own, and prints a Markdown table
//   vc_bench --generate KIND N PATH     writes one input (vrn vrp vrm wpt vrc mps nmea gpx route)
//   vc_bench --one CASE INPUT OUTPUT    one conversion; prints its measures
//
// Each conversion runs in a fresh process so that its peak memory (the
// child's ru_maxrss) is its own. The table gives the best of the repeats by
// wall time of the whole process, its CPU time, and the user-space
// instructions of the conversion when the kernel lets a process count them.
//
// VRN -> MPS is also timed against a peer on the same input in the same run:
// GPSBabel reading the NMEA sentences of the VRN file and writing its
// comma-separated text (`gpsbabel -t -i nmea -f IN -o unicsv -F OUT`, TZ=UTC),
// a conversion of the same size that users know.
#include <fcntl.h>
#include <linux/perf_event.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bench/input_generator.hpp"
#include "engine/context.hpp"
#include "engine/driver.hpp"
#include "engine/installation.hpp"

extern char** environ;

namespace vc::bench {
namespace {

using Clock = std::chrono::steady_clock;

void AllAnnotations(engine::ConvertOptions& o) {
  o.lineTotalPoints = o.lineTotalTime = o.lineTotalLength = o.lineTotalVelocity = true;
  o.pointPastDate = o.pointPastVelocity = o.pointPastDegree = o.pointHeadDegree = true;
  o.pointLegTime = o.pointLegLength = o.pointLegVelocity = true;
  o.pointStep = 1;
}

void AllRecords(engine::ConvertOptions& o) {
  o.convertWaypoints = o.convertRoutes = o.convertTracks = true;
}

// The log recorded in WGS84: every point goes through the datum transform.
void AllAnnotationsFromWgs84(engine::ConvertOptions& o) {
  AllAnnotations(o);
  o.vrmVrnDatumOption = "WGS84";
}

struct Case {
  std::string_view name;   // for --case and --one
  std::string_view title;  // for the table
  InputKind input;
  std::string_view outputSuffix;
  void (*setOptions)(engine::ConvertOptions&);
  bool timedBesidePeer = false;
};

const std::array<Case, 12> kCases{{
    {"vrn-mps", "VRN → MPS, all annotations, step 1", InputKind::kVrn, "mps", AllAnnotations, true},
    {"vrn84-mps", "VRN in WGS84 → MPS, all annotations, step 1", InputKind::kVrn, "mps",
     AllAnnotationsFromWgs84},
    {"vrn-wpt", "VRN → Waypoint+", InputKind::kVrn, "txt", AllRecords},
    {"vrp-vrc", "VRP → VRC", InputKind::kVrp, "vrc", AllRecords},
    {"wpt-mps", "Waypoint+ → MPS", InputKind::kWpt, "mps", AllRecords},
    {"vrc-wpt", "VRC → Waypoint+", InputKind::kVrc, "txt", AllRecords},
    {"mps-wpt", "MPS → Waypoint+", InputKind::kMps, "txt", AllRecords},
    {"nmea-mps", "NMEA stream → MPS, all annotations, step 1", InputKind::kNmea, "mps",
     AllAnnotations},
    {"vrn-gpx", "VRN → GPX", InputKind::kVrn, "gpx", AllRecords},
    {"gpx-mps", "GPX → MPS", InputKind::kGpx, "mps", AllRecords},
    {"vrn-kml", "VRN → KML", InputKind::kVrn, "kml", AllRecords},
    {"route-mps", "Waypoint+ route → MPS", InputKind::kWptRoute, "mps", AllRecords},
}};

const Case* FindCase(std::string_view name) {
  for (const Case& c : kCases) {
    if (c.name == name) return &c;
  }
  return nullptr;
}

std::optional<InputKind> KindNamed(std::string_view name) {
  for (InputKind kind :
       {InputKind::kVrn, InputKind::kVrp, InputKind::kVrm, InputKind::kWpt, InputKind::kVrc,
        InputKind::kMps, InputKind::kNmea, InputKind::kGpx, InputKind::kWptRoute}) {
    if (name == NameOf(kind) || (name == "wpt" && kind == InputKind::kWpt)) return kind;
  }
  return std::nullopt;
}

std::string SelfPath() {
  std::array<char, 4096> buf{};
  const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  return n > 0 ? std::string(buf.data(), static_cast<std::size_t>(n)) : std::string("vc_bench");
}

std::int64_t FileSize(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : -1;
}

// User-space instructions of this process, from the kernel's counter; absent
// when perf events are not allowed.
class InstructionCounter {
 public:
  InstructionCounter() {
    perf_event_attr attr{};
    attr.type = PERF_TYPE_HARDWARE;
    attr.size = sizeof(attr);
    attr.config = PERF_COUNT_HW_INSTRUCTIONS;
    attr.disabled = 1;
    attr.exclude_kernel = 1;
    attr.exclude_hv = 1;
    fd_ = static_cast<int>(syscall(SYS_perf_event_open, &attr, 0, -1, -1, 0));
  }
  ~InstructionCounter() {
    if (fd_ >= 0) close(fd_);
  }
  InstructionCounter(const InstructionCounter&) = delete;
  InstructionCounter& operator=(const InstructionCounter&) = delete;

  void Start() {
    if (fd_ < 0) return;
    ioctl(fd_, PERF_EVENT_IOC_RESET, 0);
    ioctl(fd_, PERF_EVENT_IOC_ENABLE, 0);
  }
  // -1 when not counted.
  std::int64_t Stop() {
    if (fd_ < 0) return -1;
    ioctl(fd_, PERF_EVENT_IOC_DISABLE, 0);
    std::uint64_t count = 0;
    if (read(fd_, &count, sizeof(count)) != sizeof(count)) return -1;
    return static_cast<std::int64_t>(count);
  }

 private:
  int fd_ = -1;
};

double CpuSeconds(const rusage& usage) {
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

class QuietObserver final : public engine::Observer {
 public:
  void Show(engine::Message message, std::string_view name, std::string_view /*detail*/) override {
    std::fprintf(stderr, "%s\n", engine::MessageText(message, name).c_str());
  }
  bool AskOverwrite(std::string_view /*name*/) override { return true; }
};

// The child: one conversion, measures on stdout.
int RunOne(const Case& c, const std::string& input, const std::string& output) {
  engine::ConvertOptions options;
  options.inputName = input;
  options.outputName = output;
  options.groupFilePath = engine::FindGroupDefinitionsFile();
  c.setOptions(options);
  engine::ConversionContext context;
  QuietObserver observer;
  InstructionCounter counter;
  rusage before{};
  getrusage(RUSAGE_SELF, &before);
  const Clock::time_point start = Clock::now();
  counter.Start();
  const engine::ConversionResult result = engine::ConvertFile(options, context, observer);
  const std::int64_t instructions = counter.Stop();
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  rusage after{};
  getrusage(RUSAGE_SELF, &after);
  if (result.outcome != engine::Outcome::kConverted) return 1;
  const engine::KindCounts& written = result.report.written;
  const std::int64_t records = written.routePoints + written.trackPoints + written.waypoints;
  std::printf("%.6f %.6f %lld %lld\n", wall, CpuSeconds(after) - CpuSeconds(before),
              static_cast<long long>(instructions), static_cast<long long>(records));
  return 0;
}

struct Measure {
  double processWall = 0;
  double processCpu = 0;
  double convertWall = 0;
  double convertCpu = 0;
  std::int64_t instructions = -1;
  std::int64_t records = 0;
  std::int64_t peakKb = 0;
};

struct ChildRun {
  double wall = 0;
  double cpu = 0;
  std::int64_t peakKb = 0;
  std::string output;  // what the child wrote on its standard output
};

// Runs `args` (the program by its path) with the environment `env`; empty
// when it could not be started or did not exit with 0.
std::optional<ChildRun> RunChild(const std::vector<std::string>& args, char* const* env) {
  std::array<int, 2> pipeFds{};
  if (pipe(pipeFds.data()) != 0) return std::nullopt;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
  std::vector<char*> argv;
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  const Clock::time_point start = Clock::now();
  pid_t pid = 0;
  const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), env);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeFds[1]);
  if (rc != 0) {
    close(pipeFds[0]);
    return std::nullopt;
  }
  ChildRun run;
  std::array<char, 256> buf{};
  for (ssize_t n; (n = read(pipeFds[0], buf.data(), buf.size())) > 0;) {
    run.output.append(buf.data(), static_cast<std::size_t>(n));
  }
  close(pipeFds[0]);
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.wall = std::chrono::duration<double>(Clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
  run.cpu = CpuSeconds(usage);
  run.peakKb = usage.ru_maxrss;
  return run;
}

Measure FromChild(const ChildRun& run) {
  Measure m;
  m.processWall = run.wall;
  m.processCpu = run.cpu;
  m.peakKb = run.peakKb;
  return m;
}

// One conversion by `vc_bench --one` in a child; its measures come back on
// the child's standard output.
std::optional<Measure> MeasureConversion(const std::vector<std::string>& args) {
  const std::optional<ChildRun> run = RunChild(args, environ);
  if (!run) return std::nullopt;
  Measure m = FromChild(*run);
  long long instructions = -1;
  long long records = 0;
  if (std::sscanf(run->output.c_str(), "%lf %lf %lld %lld", &m.convertWall, &m.convertCpu,
                  &instructions, &records) != 4) {
    return std::nullopt;
  }
  m.instructions = instructions;
  m.records = records;
  return m;
}

// The peer converter's path when it is installed, found as the shell would.
std::optional<std::string> FindPeer() {
  const char* path = std::getenv("PATH");
  std::string_view folders = path != nullptr ? path : "/usr/bin:/bin";
  while (!folders.empty()) {
    const std::size_t colon = folders.find(':');
    const std::string_view folder = folders.substr(0, colon);
    folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
    if (folder.empty()) continue;
    std::string candidate = std::string(folder) + "/gpsbabel";
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return std::nullopt;
}

// This process's environment with TZ=UTC: the peer writes times in the
// zone it runs in, and ours are compared in UTC.
std::vector<std::string> EnvironmentInUtc() {
  std::vector<std::string> env;
  for (char** var = environ; *var != nullptr; ++var) {
    if (!std::string_view(*var).starts_with("TZ=")) env.emplace_back(*var);
  }
  env.emplace_back("TZ=UTC");
  return env;
}

std::int64_t CountLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::array<char, 1 << 16> buf{};
  std::int64_t lines = 0;
  while (in.read(buf.data(), buf.size()) || in.gcount() > 0) {
    lines += std::count(buf.data(), buf.data() + in.gcount(), '\n');
  }
  return lines;
}

// The peer on the VRN input: its records are the points of its CSV output,
// a line each under the header line.
std::optional<Measure> MeasurePeer(const std::string& peer, const std::string& input,
                                   const std::string& output) {
  const std::vector<std::string> envTexts = EnvironmentInUtc();
  std::vector<char*> env;
  for (const std::string& var : envTexts) env.push_back(const_cast<char*>(var.c_str()));
  env.push_back(nullptr);
  const std::optional<ChildRun> run =
      RunChild({peer, "-t", "-i", "nmea", "-f", input, "-o", "unicsv", "-F", output}, env.data());
  if (!run) return std::nullopt;
  Measure m = FromChild(*run);
  m.records = std::max<std::int64_t>(0, CountLines(output) - 1);
  return m;
}

// The fastest of `repeat` runs by wall time; empty when a run failed.
std::optional<Measure> BestOf(int repeat, const std::string& output,
                              const std::function<std::optional<Measure>()>& runOnce) {
  std::optional<Measure> chosen;
  for (int r = 0; r < repeat; ++r) {
    std::remove(output.c_str());
    const std::optional<Measure> m = runOnce();
    if (!m) return std::nullopt;
    if (!chosen || m->processWall < chosen->processWall) chosen = m;
  }
  return chosen;
}

std::string InputPath(const std::string& dir, InputKind kind, std::int64_t n) {
  const std::string stem = kind == InputKind::kWptRoute ? "/route1-" : "/gen1-";
  return dir + stem + std::to_string(n) + "." + std::string(SuffixOf(kind));
}

bool EnsureInput(const std::string& self, const std::string& dir, InputKind kind, std::int64_t n) {
  const std::string path = InputPath(dir, kind, n);
  if (FileSize(path) > 0) return true;
  std::fprintf(stderr, "generating %s\n", path.c_str());
  // In a child, so that the generator's memory is not this process's. The
  // partial file keeps the suffix: the type of a file is in its name.
  const std::string partial =
      dir + "/partial-" + std::to_string(n) + "." + std::string(SuffixOf(kind));
  const std::string generate =
      self + " --generate " + std::string(NameOf(kind)) + " " + std::to_string(n) + " " + partial;
  if (std::system(generate.c_str()) != 0 || FileSize(partial) <= 0) return false;
  return std::rename(partial.c_str(), path.c_str()) == 0;
}

std::string ReadFirstLine(const std::string& path, std::string_view prefix) {
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    if (line.starts_with(prefix)) return line;
  }
  return {};
}

void PrintMachine() {
  std::string cpu = ReadFirstLine("/proc/cpuinfo", "model name");
  if (const auto colon = cpu.find(':'); colon != std::string::npos) cpu = cpu.substr(colon + 2);
  std::ifstream load("/proc/loadavg");
  std::string loadAvg;
  std::getline(load, loadAvg);
  const char* tz = std::getenv("TZ");
  std::printf("Machine: %s, %ld cores; load average at start %s; TZ=%s\n\n", cpu.c_str(),
              sysconf(_SC_NPROCESSORS_ONLN), loadAvg.c_str(), tz != nullptr ? tz : "(unset)");
}

struct Options {
  std::vector<std::int64_t> sizes{10000, 100000, 1000000};
  int repeat = 3;
  std::string dataDir;
  std::string onlyCase;
};

// Memory above the smallest size's peak, per point more; empty for the
// smallest size itself.
std::string BytesPerPointAbove(const Measure& m, std::int64_t n, const Measure* smallest,
                               std::int64_t smallestN) {
  if (smallest == nullptr || n <= smallestN) return {};
  const double extra = static_cast<double>(m.peakKb - smallest->peakKb) * 1024;
  return std::to_string(static_cast<long long>(extra / static_cast<double>(n - smallestN)));
}

void PrintRow(std::string_view title, std::int64_t n, double inputMb, const Measure& m,
              const std::string& perPoint) {
  std::string instructions = "n/a";
  if (m.instructions >= 0) {
    std::array<char, 32> buf{};
    std::snprintf(buf.data(), buf.size(), "%.0f M", static_cast<double>(m.instructions) / 1e6);
    instructions = buf.data();
  }
  std::printf("| %s | %lld | %.1f | %.3f | %.3f | %s | %.0f | %.1f | %.1f | %s |\n",
              std::string(title).c_str(), static_cast<long long>(n), inputMb, m.processWall,
              m.processCpu, instructions.c_str(), static_cast<double>(m.records) / m.processWall,
              inputMb / m.processWall, static_cast<double>(m.peakKb) / 1024, perPoint.c_str());
  std::fflush(stdout);
}

constexpr std::string_view kPeerTitle = "peer: gpsbabel NMEA → unicsv, TZ=UTC";

// "VRN → MPS" of "VRN → MPS, all annotations, step 1".
std::string_view ShortTitle(const Case& c) { return c.title.substr(0, c.title.find(',')); }

// Both read the same fixes, so the ratio is that of the wall times; the
// points written differ by the fixes of the outages, which the peer leaves
// out and ours carry with the last known position.
std::string PeerComparison(const Case& c, std::int64_t n, const Measure& ours,
                           const Measure& peer) {
  std::array<char, 256> buf{};
  std::snprintf(buf.data(), buf.size(),
                "%s is %.1f× the peer at %lld fixes (wall %.3f s against %.3f s, CPU %.3f s "
                "against %.3f s; %lld points written, the peer %lld)",
                std::string(ShortTitle(c)).c_str(), peer.processWall / ours.processWall,
                static_cast<long long>(n), ours.processWall, peer.processWall, ours.processCpu,
                peer.processCpu, static_cast<long long>(ours.records),
                static_cast<long long>(peer.records));
  return buf.data();
}

int RunAll(const Options& opts) {
  const std::string self = SelfPath();
  const std::optional<std::string> peer = FindPeer();
  mkdir(opts.dataDir.c_str(), 0777);
  PrintMachine();
  std::printf(
      "| conversion | fixes | input MB | wall s | CPU s | instructions | records/s | MB/s | "
      "peak MB | B/point |\n");
  std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
  std::fflush(stdout);
  std::vector<std::string> ratios;
  std::vector<std::string> peerLines;
  for (const Case& c : kCases) {
    if (!opts.onlyCase.empty() && c.name != opts.onlyCase) continue;
    std::map<std::int64_t, Measure> best;
    std::map<std::int64_t, Measure> peerBest;
    const std::int64_t smallest = opts.sizes.front();
    for (std::int64_t n : opts.sizes) {
      if (!EnsureInput(self, opts.dataDir, c.input, n)) {
        std::fprintf(stderr, "cannot generate the input of %s\n", std::string(c.name).c_str());
        return 1;
      }
      const std::string input = InputPath(opts.dataDir, c.input, n);
      const std::string output =
          opts.dataDir + "/out-" + std::string(c.name) + "." + std::string(c.outputSuffix);
      const std::optional<Measure> chosen = BestOf(opts.repeat, output, [&] {
        return MeasureConversion({self, "--one", std::string(c.name), input, output});
      });
      std::remove(output.c_str());
      if (!chosen) {
        std::fprintf(stderr, "%s at %lld failed\n", std::string(c.name).c_str(),
                     static_cast<long long>(n));
        return 1;
      }
      best[n] = *chosen;
      const double inputMb = static_cast<double>(FileSize(input)) / 1e6;
      PrintRow(c.title, n, inputMb, *chosen,
               BytesPerPointAbove(*chosen, n, best.count(smallest) != 0 ? &best[smallest] : nullptr,
                                  smallest));
      if (!c.timedBesidePeer || !peer) continue;
      const std::string peerOutput = opts.dataDir + "/out-peer.csv";
      const std::optional<Measure> peerRun =
          BestOf(opts.repeat, peerOutput, [&] { return MeasurePeer(*peer, input, peerOutput); });
      std::remove(peerOutput.c_str());
      if (!peerRun) {
        peerLines.push_back("the peer failed at " + std::to_string(n) + " fixes");
        continue;
      }
      peerBest[n] = *peerRun;
      PrintRow(kPeerTitle, n, inputMb, *peerRun,
               BytesPerPointAbove(*peerRun, n,
                                  peerBest.count(smallest) != 0 ? &peerBest[smallest] : nullptr,
                                  smallest));
      peerLines.push_back(PeerComparison(c, n, *chosen, *peerRun));
    }
    if (c.timedBesidePeer && !peer) peerLines.emplace_back("peer not installed");
    if (best.count(100000) != 0 && best.count(1000000) != 0) {
      std::array<char, 160> buf{};
      std::snprintf(buf.data(), buf.size(), "%s: 10^6 / 10^5 = %.1f (wall), %.1f (CPU)",
                    std::string(c.title).c_str(),
                    best[1000000].processWall / best[100000].processWall,
                    best[1000000].processCpu / best[100000].processCpu);
      ratios.emplace_back(buf.data());
    }
  }
  if (!peerLines.empty()) std::printf("\n");
  for (const std::string& line : peerLines) std::printf("%s\n", line.c_str());
  if (!ratios.empty()) {
    std::printf("\nGrowth from 10^5 to 10^6 fixes:\n\n");
    for (const std::string& line : ratios) std::printf("- %s\n", line.c_str());
  }
  std::ifstream load("/proc/loadavg");
  std::string loadAvg;
  std::getline(load, loadAvg);
  std::printf("\nLoad average at the end: %s\n", loadAvg.c_str());
  return 0;
}

std::vector<std::int64_t> ParseSizes(std::string_view text) {
  std::vector<std::int64_t> sizes;
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    sizes.push_back(std::atoll(std::string(text.substr(0, comma)).c_str()));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  std::sort(sizes.begin(), sizes.end());
  return sizes;
}

int Usage() {
  std::fprintf(stderr,
               "usage: vc_bench [--sizes N,N,...] [--repeat R] [--data DIR] [--case NAME]\n"
               "       vc_bench --generate vrn|vrp|vrm|txt|vrc|mps|nmea|gpx|route N PATH\n"
               "       vc_bench --one CASE INPUT OUTPUT\n"
               "cases:");
  for (const Case& c : kCases) std::fprintf(stderr, " %s", std::string(c.name).c_str());
  std::fprintf(stderr, "\n");
  return 2;
}

int Main(int argc, char** argv) {
  const std::vector<std::string_view> args(argv + 1, argv + argc);
  if (!args.empty() && args[0] == "--generate") {
    if (args.size() != 4) return Usage();
    const std::optional<InputKind> kind = KindNamed(args[1]);
    if (!kind) return Usage();
    return GenerateInput(*kind, std::atoll(std::string(args[2]).c_str()), std::string(args[3]),
                         engine::FindGroupDefinitionsFile())
               ? 0
               : 1;
  }
  if (!args.empty() && args[0] == "--one") {
    if (args.size() != 4) return Usage();
    const Case* c = FindCase(args[1]);
    if (c == nullptr) return Usage();
    return RunOne(*c, std::string(args[2]), std::string(args[3]));
  }
  Options opts;
  const char* dataDir = std::getenv("VC_BENCH_DATA");
  opts.dataDir = dataDir != nullptr ? dataDir : "/tmp/vornconv-bench";
  for (std::size_t i = 0; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--sizes" && hasValue) {
      opts.sizes = ParseSizes(args[++i]);
    } else if (args[i] == "--repeat" && hasValue) {
      opts.repeat = std::max(1, std::atoi(std::string(args[++i]).c_str()));
    } else if (args[i] == "--data" && hasValue) {
      opts.dataDir = std::string(args[++i]);
    } else if (args[i] == "--case" && hasValue) {
      opts.onlyCase = std::string(args[++i]);
      if (FindCase(opts.onlyCase) == nullptr) return Usage();
    } else {
      return Usage();
    }
  }
  if (opts.sizes.empty()) return Usage();
  return RunAll(opts);
}

}  // namespace
}  // namespace vc::bench

int main(int argc, char** argv) { return vc::bench::Main(argc, argv); }
