// vornconv as a user runs it: exit statuses, messages on standard error, the
// overwrite question without a terminal, and the options reaching the engine.
#include <gtest/gtest.h>

#include <sstream>

#include "cli/command_line.hpp"
#include "engine/platform_files.hpp"
#include "engine/report.hpp"
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
      // The step is one of the conversion's own checks, made after the names.
      {{in, out, "--step=99999"}, 1, "Stepには -32768 から 32767 までの数値を指定してください．\n"},
      {{"--step=abc", dir.Path("missing.vrp"), out},
       1,
       "[" + dir.Path("missing.vrp") + "]は存在しません．中止します．\nvornconv: " +
           dir.Path("missing.vrp") + ": No such file or directory\n"},
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
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "vornconv: " + in + " -> " + out);
  EXPECT_EQ(dir.Read("out.vrc"), "");
}

// A conversion that completed used to say only how many records it wrote,
// and nothing at all about a log whose every record was skipped.
TEST_F(Vornconv, PrintsTheReportAndWarnsWhenNothingWasWritten) {
  const auto in = dir.Write("in.vrp",
                            "TOKYO,+9,2002/07/15 12:00:00,3,N,35.5,E,139.5,12,10,45\n"
                            "TOKYO,+9,2002/07/15 12:00:10,3,N,35.5001,E,139.5,12,0,-\n");
  const auto out = dir.Path("out.mps");
  RunResult run = RunVornconv(dir, {in, out});
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<std::string> expected = {"vornconv: " + in + " -> " + out};
  engine::ConversionReport report;
  report.read.tracks = report.written.tracks = 1;
  report.read.trackPoints = report.written.trackPoints = 2;
  for (const std::string& line : engine::FormatReport(report)) expected.push_back("  " + line);
  EXPECT_EQ(run.out.substr(0, run.out.find("  トラック:")),
            expected[0] + "\n" + expected[1] + "\n" + expected[2] + "\n");
  EXPECT_NE(run.out.find("2002/07/15 12:00:00 から 2002/07/15 12:00:10 まで"), std::string::npos)
      << run.out;
  EXPECT_EQ(run.err, "");

  // Not a kind chosen: said on standard error, also when quiet.
  run = RunVornconv(dir, {in, out, "--force", "--quiet", "--convert=wpt"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("vornconv: warning: ", 0), 0u) << run.err;
}

// "--coord-format dms" wrote blank coordinates and "--utc-offset JST" read
// as UTC+0, both with exit status 0.
TEST_F(Vornconv, RefusesOptionValuesThatWouldLoseData) {
  const auto in = dir.Write("in.vrp", "TOKYO,+9,2002/07/15 12:00:00,3,N,35.5,E,139.5,12,10,45\n");
  const auto out = dir.Path("out.mps");
  const struct {
    std::vector<std::string> options;
    const char* message;
  } cases[] = {
      {{"--utc-offset=JST", "--datum=NAD27"},
       "UTC Offsetには データ優先 か -12 から +14 までの数値を指定してください．\n"},
      {{"--datum=NAD27", "--coord-format=DDD"},
       "Datumには データ優先，TOKYO，WGS84 のいずれかを指定してください．\n"},
      {{"--coord-format=DDD"},
       "Coord.Formatには データ優先，D，DM，DMS，MPS，PAO のいずれかを指定してください．\n"},
      {{"--vrm-vrn-datum=Bessel", "--step=x"},
       "Datum of VRM/VRNには TOKYO か WGS84 を指定してください．\n"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args = {in, out};
    args.insert(args.end(), c.options.begin(), c.options.end());
    const RunResult run = RunVornconv(dir, args);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, c.message);
    EXPECT_FALSE(std::filesystem::exists(out));
  }
  // A lower-case form is taken as its code.
  const RunResult run = RunVornconv(dir, {in, dir.Path("out.vrc"), "--coord-format=dms"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_NE(dir.Read("out.vrc").find("\tDMS\tTOKYO\t35.300000\t139.300000\t"), std::string::npos);
}

// The names reach the engine as UTF-8 whatever the system's code page (on
// Windows the arguments are taken as UTF-16 and converted).
TEST_F(Vornconv, JapaneseFileNames) {
  const auto in = dir.Write("旅の記録 1.vrc", "x\n");
  const auto out = dir.Path("地図.mps");
  const RunResult run = RunVornconv(dir, {in, out});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out.substr(0, run.out.find('\n')), "vornconv: " + in + " -> " + out);
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
  EXPECT_EQ(o.pointStepText, "-5");
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
