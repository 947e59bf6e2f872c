// vornconv as a user runs it: exit statuses, messages on standard error, the
// overwrite question without a terminal, and the options reaching the engine.
#include <gtest/gtest.h>

#include "cli/command_line.hpp"
#include "engine/platform_files.hpp"
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

// The system's words for a missing file, as vornconv gives them.
std::string NotFoundText(const std::string& path) {
  return engine::platform::ErrorText(engine::platform::Inspect(path).systemError);
}

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
       "[" + dir.Path("none.vrc") + "]は存在しません．中止します．\nvornconv: " +
           dir.Path("none.vrc") + ": " + NotFoundText(dir.Path("none.vrc")) + "\n"},
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
  for (const char* text : {"--utc-offset",
                           "UtcOfsOp",
                           "--datum",
                           "DatumOp",
                           "--coord-format",
                           "CoordOp",
                           "--vrm-vrn-datum",
                           "DatumVrmVrnOp",
                           "--route-order",
                           "RtePntNoOp",
                           "--convert",
                           "ConvData",
                           "--line",
                           "TrkLineOp",
                           "--point",
                           "TrkPntOp",
                           "--step",
                           "TrkPntStepOp",
                           "--append",
                           "AppendFg",
                           "--force",
                           "--launch",
                           "Auto start up (ProAtlas)",
                           "--encoding",
                           "--quiet",
                           "--version"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
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
