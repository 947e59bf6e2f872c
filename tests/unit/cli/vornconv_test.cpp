// vornconv as a user runs it: exit statuses, messages on standard error, the
// overwrite question without a terminal, and the options reaching the engine.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/command_line.hpp"
#include "support/engine_support.hpp"
#include "support/process_support.hpp"

namespace vc::testing {
namespace {

struct RunResult {
  int status = -1;
  std::string out;
  std::string err;
};

RunResult RunVornconv(const TempDir& dir, std::vector<std::string> args) {
  RunResult run;
  const std::string program = VornconvProgram();
  if (program.empty()) return run;
  args.insert(args.begin(), program);
  run.status = RunProgram({.argv = args,
                           .stdoutPath = dir.Path("stdout.log"),
                           .stderrPath = dir.Path("stderr.log"),
                           .environment = {{"SOURCE_DATE_EPOCH", "1015362000"}}});
  run.out = StreamText(dir.Read("stdout.log"));
  run.err = StreamText(dir.Read("stderr.log"));
  return run;
}

class Vornconv : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ProgramsFolder().empty()) GTEST_SKIP() << "the programs' folder is unknown";
  }
  TempDir dir;
};

TEST_F(Vornconv, ExitStatusesAndMessages) {
  const auto in = dir.Write("in.vrc", "x\n");
  const auto out = dir.Path("out.mps");
  const struct {
    std::vector<std::string> args;
    int status;
    std::string err;
  } cases[] = {
      {{in, out, "--quiet"}, 0, ""},
      {{in, dir.Path("out.vrp")}, 1, "出力未対応のファイルです．\n"},
      {{dir.Path("none.vrc"), out},
       1,
       "[" + dir.Path("none.vrc") + "]は存在しません．中止します．\n"},
      {{in, in}, 1, "ファイル名が同じです．変換後ファイル名を変えてください．\n"},
      {{in}, 2, ""},
      {{in, out, "--convert=wpt,bogus"}, 2, ""},
      {{in, out, "--step=99999"}, 2, "Stepには -32768 から 32767 までの数値を指定してください．\n"},
      {{in, out, "--route-order=sideways"}, 2, ""},
  };
  for (const auto& c : cases) {
    const RunResult run = RunVornconv(dir, c.args);
    EXPECT_EQ(run.status, c.status) << run.err;
    if (!c.err.empty()) {
      EXPECT_EQ(run.err, c.err);
    }
    std::filesystem::remove(out);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.Path("out.vrp")));
}

TEST_F(Vornconv, RefusesToOverwriteWithoutATerminalUnlessForced) {
  const auto in = dir.Write("in.vrc", "x\n");
  const auto out = dir.Write("out.vrc", "precious");
  RunResult run = RunVornconv(dir, {in, out});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "[" + out + "]は既に存在します．上書きしてもよろしいですか\n中止します．\n");
  EXPECT_EQ(dir.Read("out.vrc"), "precious");
  run = RunVornconv(dir, {in, out, "--force"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            "vornconv: 0 waypoints, 0 routes, 0 tracks, 0 points written to " + out + "\n");
  EXPECT_EQ(dir.Read("out.vrc"), "");
}

// The names reach the engine as UTF-8 whatever the system's code page (on
// Windows the arguments are taken as UTF-16 and converted).
TEST_F(Vornconv, JapaneseFileNames) {
  const auto in = dir.Write("旅の記録 1.vrc", "x\n");
  const auto out = dir.Path("地図.mps");
  const RunResult run = RunVornconv(dir, {in, out});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "vornconv: 0 waypoints, 0 routes, 0 tracks, 0 points written to " + out + "\n");
  EXPECT_TRUE(std::filesystem::exists(PathFromUtf8(out)));
}

TEST_F(Vornconv, HelpNamesEveryOptionAndItsControl) {
  const RunResult run = RunVornconv(dir, {"--help"});
  EXPECT_EQ(run.status, 0);
  for (const char* text :
       {"--utc-offset", "UtcOfsOp",        "--datum",       "DatumOp",       "--coord-format",
        "CoordOp",      "--vrm-vrn-datum", "DatumVrmVrnOp", "--route-order", "RtePntNoOp",
        "--convert",    "ConvData",        "--line",        "TrkLineOp",     "--point",
        "TrkPntOp",     "--step",          "TrkPntStepOp",  "--append",      "AppendFg",
        "--force",      "--launch",        "AutoProAtlas",  "--encoding",    "--quiet",
        "--version"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
}

// The line of an option in --help, or empty.
std::string HelpLine(const std::string& help, const std::string& option) {
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  " + option + " ", 0) == 0) return line;
  }
  return {};
}

TEST(CommandLine, HelpGroupsTheOptionsAndEndsEachWithItsControl) {
  cli::CommandLine commandLine;
  std::string help;
  std::string err;
  ASSERT_EQ(cli::ParseCommandLine({"--help"}, commandLine, help, err), 0);
  std::size_t at = 0;
  for (const char* group :
       {"What to convert:", "Coordinates and time:", "MPS annotations:", "Files:"}) {
    const std::size_t found = help.find(std::string("\n") + group + "\n");
    EXPECT_NE(found, std::string::npos) << group;
    EXPECT_GT(found, at) << group << " out of order";
    at = found;
  }
  const struct {
    const char* option;
    const char* end;  // the window's control, and the default before it
  } cases[] = {
      {"--convert", "default trk (ConvData)"},
      {"--utc-offset", "default データ優先 (UtcOfsOp)"},
      {"--datum", "default データ優先 (DatumOp)"},
      {"--coord-format", "default データ優先 (CoordOp)"},
      {"--vrm-vrn-datum", "default TOKYO (DatumVrmVrnOp)"},
      {"--line", "default none (TrkLineOp)"},
      {"--point", "default none (TrkPntOp)"},
      {"--step", "default 1 (TrkPntStepOp)"},
      {"--append", "default off (AppendFg)"},
      {"--launch", "default off (AutoProAtlas)"},
      {"--encoding", "default auto"},
  };
  for (const auto& c : cases) {
    const std::string line = HelpLine(help, c.option);
    const std::string end = c.end;
    EXPECT_TRUE(line.size() > end.size() &&
                line.compare(line.size() - end.size(), end.size(), end) == 0)
        << line;
  }
  EXPECT_NE(help.find("データ優先 (data priority: each record keeps its own value)"),
            std::string::npos);
  EXPECT_NE(help.find("vornconv [OPTIONS] -o DIR --to TYPE INPUT..."), std::string::npos);
}

TEST(CommandLine, OptionsMapToTheWindowsControls) {
  cli::CommandLine commandLine;
  std::string out;
  std::string err;
  ASSERT_EQ(cli::ParseCommandLine(
                {"a.vrn", "b.mps", "--utc-offset=+9", "--datum=WGS84", "--coord-format=DMS",
                 "--vrm-vrn-datum=WGS84", "--route-order=down", "--convert=wpt,rte",
                 "--line=points,velocity", "--point=date,leg-velocity", "--step=-5", "--append",
                 "--encoding=cp932"},
                commandLine, out, err),
            -1)
      << err;
  const auto& o = commandLine.options;
  EXPECT_EQ(o.inputName, "a.vrn");
  EXPECT_EQ(o.outputName, "b.mps");
  EXPECT_EQ(o.utcOffset, "+9");
  EXPECT_EQ(o.datum, "WGS84");
  EXPECT_EQ(o.coordFormat, "DMS");
  EXPECT_EQ(o.vrmVrnDatumOption, "WGS84");
  EXPECT_EQ(o.routeOrder, "降順");
  EXPECT_TRUE(o.convertWaypoints && o.convertRoutes && !o.convertTracks);
  EXPECT_TRUE(o.lineTotalPoints && !o.lineTotalTime && !o.lineTotalLength && o.lineTotalVelocity);
  EXPECT_TRUE(o.pointPastDate && o.pointLegVelocity && !o.pointPastVelocity);
  EXPECT_EQ(o.pointStep, -5);
  EXPECT_TRUE(o.append);
  EXPECT_EQ(o.outputEncoding, engine::OutputEncoding::kCp932);

  cli::CommandLine defaults;
  ASSERT_EQ(cli::ParseCommandLine({"a.vrn", "b.mps"}, defaults, out, err), -1);
  EXPECT_EQ(defaults.options.utcOffset, "データ優先");
  EXPECT_EQ(defaults.options.routeOrder, "昇順");
  EXPECT_TRUE(defaults.options.convertTracks && !defaults.options.convertWaypoints);
  EXPECT_EQ(defaults.options.pointStep, 1);
}

}  // namespace
}  // namespace vc::testing
