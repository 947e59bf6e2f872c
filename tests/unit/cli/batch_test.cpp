// Many files in one call: the output names, the files refused before
// anything starts, the two forms of the command line, and a run over a few
// hundred logs with broken ones among them.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/batch.hpp"
#include "cli/command_line.hpp"
#include "support/engine_support.hpp"
#include "support/process_support.hpp"

namespace vc::testing {
namespace {

using engine::FileType;

TEST(BatchOutputName, TakesTheInputsNameIntoTheFolder) {
  const struct {
    const char* folder;
    const char* input;
    FileType type;
    const char* output;
  } cases[] = {
      {"out", "logs/day1.vrn", FileType::kMps, "out/day1.mps"},
      {"out/", "day1.VRN", FileType::kWpt, "out/day1.txt"},
      {"/a/b", "/c/旅の記録.vrc", FileType::kVrc, "/a/b/旅の記録.vrc"},
      // The last three characters go, as the window's AutoFileName does.
      {"o", "noext", FileType::kMps, "o/nomps"},
      {"o", "a.b.vrp", FileType::kMps, "o/a.b.mps"},
      {"o", "logs/cap.nmea", FileType::kGpx, "o/cap.gpx"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cli::BatchOutputName(c.folder, c.input, c.type), c.output) << c.input;
  }
}

TEST(PlanBatch, RefusesAnOutputThatWouldDestroyAnotherFileOfTheCall) {
  TempDir dir;
  const std::string logs = dir.Path("logs");
  std::filesystem::create_directory(PathFromUtf8(logs));
  const std::string own = dir.Write("logs/own.mps", "x");
  const std::string a = dir.Write("a.vrn", "x");
  const std::string sibling = dir.Write("logs/a.txt", "x");
  const std::vector<std::string> inputs = {
      a,                       // logs/a.mps
      dir.Path("logs/a.vrn"),  // logs/a.mps again: refused
      dir.Path("logs/b.mps"),  // its own output: the engine's to refuse, as in a single call
      dir.Path("c.vrn"),       // logs/c.mps, which is ...
      dir.Path("logs/c.mps"),  // ... one of the inputs: c.vrn is refused
      own,                     // its own output, an existing file
      sibling,                 // logs/a.mps a third time
  };
  const std::vector<cli::BatchFile> plan = cli::PlanBatch(inputs, logs, FileType::kMps);
  ASSERT_EQ(plan.size(), inputs.size());
  const std::set<std::size_t> refused = {1, 3, 6};
  for (std::size_t i = 0; i < plan.size(); ++i) {
    EXPECT_EQ(plan[i].input, inputs[i]);
    EXPECT_EQ(!plan[i].refusal.empty(), refused.count(i) == 1) << i << " " << plan[i].refusal;
  }
  EXPECT_NE(plan[1].refusal.find("already the output of " + a), std::string::npos);
  EXPECT_NE(plan[3].refusal.find("is one of the inputs"), std::string::npos);
}

TEST(CommandLine, TheTwoFormsOfACall) {
  const struct {
    std::vector<std::string> args;
    int status;  // -1: runs
    bool batch;
  } cases[] = {
      {{"-o", "out", "--to", "mps", "a.vrn", "b.vrn", "c.txt"}, -1, true},
      {{"a.vrn", "--output-dir=out", "--to=WPT"}, -1, true},
      {{"a.vrn", "b.mps", "--to=mps"}, -1, false},
      {{"a.vrn", "b.mps"}, -1, false},
      {{"-o", "out", "a.vrn"}, 2, false},              // no --to
      {{"a.vrn", "b.vrn", "c.mps"}, 2, false},         // several inputs need -o
      {{"a.vrn", "b.txt", "--to=mps"}, 2, false},      // OUTPUT is not of that type
      {{"-o", "out", "--to=vrp", "a.vrn"}, 2, false},  // a type that cannot be written
      {{"-o", "out", "--to=mps", "--launch", "a.vrn"}, 2, false},
      {{"-o", "out", "--to=mps", "--jobs=0", "a.vrn"}, 2, false},
      {{"-o", "", "--to=mps", "a.vrn", "b.mps"}, 2, false},  // no folder
  };
  for (const auto& c : cases) {
    cli::CommandLine commandLine;
    std::string out;
    std::string err;
    EXPECT_EQ(cli::ParseCommandLine(c.args, commandLine, out, err), c.status) << c.args[0] << err;
    if (c.status == -1) {
      EXPECT_EQ(commandLine.IsBatch(), c.batch) << c.args[0];
    }
  }
  cli::CommandLine batch;
  std::string out;
  std::string err;
  ASSERT_EQ(cli::ParseCommandLine(
                {"-o", "out", "--to", "Vrc", "--jobs", "3", "--datum=WGS84", "a.vrn", "b.txt"},
                batch, out, err),
            -1);
  EXPECT_EQ(batch.inputs, (std::vector<std::string>{"a.vrn", "b.txt"}));
  EXPECT_EQ(batch.outputFolder, "out");
  EXPECT_EQ(batch.outputType, FileType::kVrc);
  EXPECT_EQ(batch.jobs, 3u);
  EXPECT_EQ(batch.options.datum, "WGS84");
  cli::CommandLine cores;
  ASSERT_EQ(cli::ParseCommandLine({"-o", "out", "--to=mps", "a.vrn"}, cores, out, err), -1);
  EXPECT_GE(cores.jobs, 1u);
}

// A VRN log of `points` one-second fixes starting at 03:00:00 + `start`
// seconds, each an RMC and a GGA sentence with their checksums.
std::string VrnLog(int start, int points) {
  auto sentence = [](const std::string& body) {
    unsigned sum = 0;
    for (const char c : body) sum ^= static_cast<unsigned char>(c);
    char checksum[4];
    std::snprintf(checksum, sizeof checksum, "%02X", sum);
    return "$" + body + "*" + checksum + "\r\n";
  };
  std::string log;
  for (int i = 0; i < points; ++i) {
    const int t = start + i;
    char time[16];
    std::snprintf(time, sizeof time, "%02d%02d%02d", 3 + t / 3600 % 20, t / 60 % 60, t % 60);
    char latitude[24];
    std::snprintf(latitude, sizeof latitude, "3540.%04d", (start * 7 + i * 3) % 10000);
    const std::string position = std::string(latitude) + ",N,13946.0275,E";
    log +=
        sentence(std::string("GPRMC,") + time + ",A," + position + ",009.5,032.5,150702,007.2,W");
    log += sentence(std::string("GPGGA,") + time + "," + position + ",1,07,1.1,40.0,M,36.7,M,,");
    log += "\r\n";
  }
  return log;
}

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

RunResult RunVornconv(const TempDir& dir, std::vector<std::string> args) {
  RunResult run;
  args.insert(args.begin(), VornconvProgram());
  run.status = RunProgram({.argv = args,
                           .stdoutPath = dir.Path("stdout.log"),
                           .stderrPath = dir.Path("stderr.log"),
                           .environment = {{"SOURCE_DATE_EPOCH", "1015362000"}}});
  run.out = StreamText(dir.Read("stdout.log"));
  run.err = StreamText(dir.Read("stderr.log"));
  return run;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

bool StartsWith(const std::string& text, const std::string& start) {
  return text.compare(0, start.size(), start) == 0;
}

TEST(Batch, HundredsOfLogsInParallelWithBrokenOnesStoppingOnlyThemselves) {
  if (ProgramsFolder().empty()) GTEST_SKIP() << "the programs' folder is unknown";
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "logs");
  std::filesystem::create_directory(dir.path() / "out");
  constexpr int kLogs = 200;
  std::vector<std::string> args = {"-o",
                                   dir.Path("out"),
                                   "--to",
                                   "mps",
                                   "--jobs",
                                   "4",
                                   "--line=points,time,length",
                                   "--point=date,leg-length"};
  for (int i = 0; i < kLogs; ++i) {
    args.push_back(dir.Write("logs/day" + std::to_string(i) + ".vrn", VrnLog(i * 97, 20 + i % 40)));
  }
  const std::string empty = dir.Write("logs/empty.vrn", "");
  const std::string missing = dir.Path("logs/missing.vrn");
  const std::string kept = dir.Write("logs/kept.vrn", VrnLog(0, 5));
  const std::string keptOutput = dir.Write("out/kept.mps", "earlier output");
  args.insert(args.begin() + 100, {empty, missing, kept});

  const RunResult run = RunVornconv(dir, args);
  EXPECT_EQ(run.status, 1);
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), kLogs + 3 + 3u) << run.out;
  // A line per file, in the order the files were done, then the summary.
  std::set<std::string> converted;
  for (std::size_t i = 0; i < kLogs + 3u; ++i) {
    const auto arrow = lines[i].find(" -> ");
    if (arrow != std::string::npos) converted.insert(lines[i].substr(0, arrow));
  }
  EXPECT_EQ(converted.size(), static_cast<std::size_t>(kLogs));
  EXPECT_TRUE(StartsWith(lines[kLogs + 3], "vornconv: 203 files, 200 converted, 3 stopped; "))
      << lines[kLogs + 3];
  // Loosely: until the engine's report of each file is filled the figures
  // come from elsewhere, but every log holds one track.
  EXPECT_NE(lines[kLogs + 3].find(", 200 tracks, "), std::string::npos) << lines[kLogs + 3];
  EXPECT_EQ(lines[kLogs + 4], "vornconv: 2 stopped: the input is missing, unreadable or empty");
  EXPECT_EQ(lines[kLogs + 5], "vornconv: 1 stopped: the output exists (--force replaces it)");
  // Each message says which file it is about.
  for (const std::string& line : Lines(run.err)) {
    EXPECT_TRUE(StartsWith(line, empty + ": ") || StartsWith(line, missing + ": ") ||
                StartsWith(line, kept + ": "))
        << line;
  }
  EXPECT_EQ(dir.Read("out/kept.mps"), "earlier output");

  // Every output is what a call for that file alone makes.
  for (int i = 0; i < kLogs; i += 37) {
    const std::string name = "day" + std::to_string(i);
    const RunResult single =
        RunVornconv(dir, {dir.Path("logs/" + name + ".vrn"), dir.Path(name + ".mps"),
                          "--line=points,time,length", "--point=date,leg-length"});
    ASSERT_EQ(single.status, 0) << single.err;
    EXPECT_EQ(dir.Read("out/" + name + ".mps"), dir.Read(name + ".mps")) << name;
  }
}

// Without --force nothing that exists is replaced; with it, all is.
TEST(Batch, ExistingOutputsAreReplacedOnlyWithForce) {
  if (ProgramsFolder().empty()) GTEST_SKIP() << "the programs' folder is unknown";
  TempDir dir;
  const std::string a = dir.Write("a.vrn", VrnLog(0, 3));
  const std::string b = dir.Write("b.vrn", VrnLog(9, 3));
  const std::string out = dir.Path("made/here");
  RunResult run = RunVornconv(dir, {"-o", out, "--to=wpt", a, b, "--quiet"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "");
  const std::string first = dir.Read("made/here/a.txt");
  EXPECT_FALSE(first.empty());
  WriteFile(dir.path() / "made/here/a.txt", "mine");
  run = RunVornconv(dir, {"-o", out, "--to=wpt", a, b});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(dir.Read("made/here/a.txt"), "mine");
  EXPECT_NE(run.out.find(a + ": stopped: the output exists (--force replaces it)\n"),
            std::string::npos)
      << run.out;
  run = RunVornconv(dir, {"-o", out, "--to=wpt", a, b, "--force"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(dir.Read("made/here/a.txt"), first);
}

// Two logs of one name in different folders would be written to one output,
// at the same time: the second is not converted, and says why.
TEST(Batch, TwoInputsOfOneNameConvertOnlyTheFirst) {
  if (ProgramsFolder().empty()) GTEST_SKIP() << "the programs' folder is unknown";
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "a");
  std::filesystem::create_directory(dir.path() / "b");
  const std::string first = dir.Write("a/day.vrn", VrnLog(0, 3));
  const std::string second = dir.Write("b/day.vrn", VrnLog(50, 4));
  const std::string out = dir.Path("out");
  const RunResult run = RunVornconv(dir, {"-o", out, "--to=vrc", first, second});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, second + ": not converted: " + out + "/day.vrc is already the output of " +
                         first + "\n");
  EXPECT_NE(run.out.find("vornconv: 1 stopped: its output is another input's output, or one of "
                         "the inputs\n"),
            std::string::npos)
      << run.out;
  const RunResult single = RunVornconv(dir, {first, dir.Path("single.vrc")});
  ASSERT_EQ(single.status, 0);
  EXPECT_EQ(dir.Read("out/day.vrc"), dir.Read("single.vrc"));
}

}  // namespace
}  // namespace vc::testing
