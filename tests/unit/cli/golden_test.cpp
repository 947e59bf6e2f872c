// Whole-file conversions compared byte for byte with hand-checked outputs.
//
// tests/golden/CASES lists the cases, one folder name a line; a folder that
// is not listed fails the run, so no case is forgotten. A case folder holds:
//   args                 the vornconv arguments, one a line, options written
//                        as --name=value; the first two that do not start
//                        with "--" are INPUT and OUTPUT, names of files in
//                        the folder
//   <INPUT>              the input file
//   expected_<OUTPUT>    the expected output
//   existing_<OUTPUT>    optional: the output as it is before (for --append)
// Each case runs through the engine and once through the vornconv program,
// with "now" fixed at 2002/03/05 21:00:00 (SOURCE_DATE_EPOCH, TZ=UTC).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

#include "cli/command_line.hpp"
#include "engine/context.hpp"
#include "engine/driver.hpp"
#include "support/engine_support.hpp"
#include "support/process_support.hpp"

namespace vc::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFixedEpoch = "1015362000";  // 2002/03/05 21:00:00 UTC

fs::path GoldenFolder() { return TestsFolder() / "golden"; }

std::vector<std::string> ReadLines(const fs::path& path) {
  std::vector<std::string> lines;
  std::istringstream in(ReadFile(path));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

std::string Visible(std::string_view line) {
  std::string out;
  for (char c : line) {
    if (c == '\t') {
      out += "<TAB>";
    } else if (c == '\r') {
      out += "<CR>";
    } else if (c == '\n') {
      out += "<LF>";
    } else {
      out += c;
    }
  }
  return out;
}

// Empty when equal; otherwise the first differing line of both, made visible.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
  if (expected == actual) return {};
  std::size_t start = 0;
  int lineNumber = 1;
  while (true) {
    const std::size_t e = expected.find('\n', start);
    const std::size_t a = actual.find('\n', start);
    const std::string_view el = std::string_view(expected).substr(
        std::min(start, expected.size()),
        e == std::string::npos ? std::string::npos : e + 1 - start);
    const std::string_view al = std::string_view(actual).substr(
        std::min(start, actual.size()), a == std::string::npos ? std::string::npos : a + 1 - start);
    if (el != al || e == std::string::npos || a == std::string::npos) {
      return "line " + std::to_string(lineNumber) + "\n  expected: " + Visible(el) +
             "\n  actual:   " + Visible(al);
    }
    start = e + 1;
    ++lineNumber;
  }
}

struct GoldenCase {
  std::string name;
  std::vector<std::string> args;
  std::string input;
  std::string output;
};

GoldenCase LoadCase(const std::string& name) {
  GoldenCase c{name, ReadLines(GoldenFolder() / name / "args"), {}, {}};
  for (const auto& arg : c.args) {
    if (arg.rfind("--", 0) == 0) continue;
    if (c.input.empty()) {
      c.input = arg;
    } else if (c.output.empty()) {
      c.output = arg;
    }
  }
  return c;
}

// Copies the case's files into `dir` and returns the arguments with the two
// names made paths inside it.
std::vector<std::string> Prepare(const GoldenCase& c, const TempDir& dir) {
  const fs::path folder = GoldenFolder() / c.name;
  for (const auto& entry : fs::directory_iterator(folder)) {
    fs::copy_file(entry.path(), dir.path() / entry.path().filename());
  }
  const fs::path existing = folder / ("existing_" + c.output);
  if (fs::exists(existing)) fs::copy_file(existing, dir.path() / c.output);
  std::vector<std::string> args;
  for (const auto& arg : c.args) {
    args.push_back(arg == c.input || arg == c.output ? dir.Path(arg) : arg);
  }
  return args;
}

std::vector<std::string> ListedCases() { return ReadLines(GoldenFolder() / "CASES"); }

TEST(Golden, EveryCaseFolderIsListed) {
  const auto listed = ListedCases();
  const std::set<std::string> names(listed.begin(), listed.end());
  for (const auto& entry : fs::directory_iterator(GoldenFolder())) {
    if (!entry.is_directory()) continue;
    EXPECT_TRUE(names.count(entry.path().filename().string()))
        << entry.path().filename() << " is not listed in tests/golden/CASES";
  }
  for (const auto& name : listed) EXPECT_TRUE(fs::is_directory(GoldenFolder() / name)) << name;
}

TEST(Golden, ThroughTheEngine) {
  for (const auto& name : ListedCases()) {
    SCOPED_TRACE(name);
    const GoldenCase c = LoadCase(name);
    TempDir dir;
    cli::CommandLine commandLine;
    std::string out;
    std::string err;
    ASSERT_EQ(cli::ParseCommandLine(Prepare(c, dir), commandLine, out, err), -1) << err;
    commandLine.options.groupFilePath = GroupFileOfTree();
    RecordingObserver observer;
    engine::ConversionContext context;
    // The command's checks too, as vornconv and the window run them.
    const auto result = engine::RunConvertCommand(commandLine.options, context, observer);
    EXPECT_EQ(result.outcome, engine::Outcome::kConverted);
    const std::string expected = ReadFile(GoldenFolder() / name / ("expected_" + c.output));
    EXPECT_EQ(FirstDifference(expected, dir.Read(c.output)), "");
  }
}

TEST(Golden, ThroughVornconv) {
  const std::string program = VornconvProgram();
  if (program.empty()) GTEST_SKIP() << "the programs' folder is unknown";
  for (const auto& name : ListedCases()) {
    SCOPED_TRACE(name);
    const GoldenCase c = LoadCase(name);
    TempDir dir;
    std::vector<std::string> args = Prepare(c, dir);
    args.insert(args.begin(), {program, "--quiet", "--force"});
    const int status =
        RunProgram({.argv = args,
                    .stdoutPath = {},
                    .stderrPath = dir.Path("stderr.log"),
                    .environment = {{"SOURCE_DATE_EPOCH", kFixedEpoch}, {"TZ", "UTC"}}});
    EXPECT_EQ(status, 0) << dir.Read("stderr.log");
    const std::string expected = ReadFile(GoldenFolder() / name / ("expected_" + c.output));
    EXPECT_EQ(FirstDifference(expected, dir.Read(c.output)), "");
  }
}

}  // namespace
}  // namespace vc::testing
