// vornconv reading what receivers and editors really write: logs from both
// sides of the equator and of Greenwich, and text files in UTF-16.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/engine_support.hpp"
#include "support/process_support.hpp"

namespace vc::testing {
namespace {

class VornconvInput : public ::testing::Test {
 protected:
  void SetUp() override {
    if (ProgramsFolder().empty()) GTEST_SKIP() << "the programs' folder is unknown";
  }
  int Run(std::vector<std::string> args) {
    args.insert(args.begin(), {VornconvProgram(), "--quiet", "--force"});
    return RunProgram({.argv = args,
                       .stdoutPath = dir.Path("stdout.log"),
                       .stderrPath = dir.Path("stderr.log"),
                       .environment = {{"SOURCE_DATE_EPOCH", "1015362000"}, {"TZ", "UTC"}}});
  }
  TempDir dir;
};

// Regression: S and W were ignored, so southern and western logs came out
// mirrored into the north and east.
TEST_F(VornconvInput, SouthAndWestComeOutNegative) {
  const struct {
    const char* input;
    std::string text;
    const char* expected;
  } cases[] = {
      {"log.vrm", "@020715030405S3512345W13912345D012+00034E0030N0040U0012\r\n",
       "TP,D, -35.20575, -139.20575,07/15/2002,03:04:05,1\r\n"},
      {"log.vrn", "$GPRMC,225308,A,4527.458,S,16709.165,E,000.0,094.5,060601,024.1,E*6D\r\n\r\n",
       "TP,D, -45.4576333333333, 167.15275,06/06/2001,22:53:08,1\r\n"},
      {"log.vrp", "WGS84,0,2002/07/15 12:00:00,3,N,32.6486,W,108.3741,12\r\n",
       "TP,D, 32.6486, -108.3741,07/15/2002,12:00:00,1\r\n"},
  };
  for (const auto& c : cases) {
    const std::string in = dir.Write(c.input, c.text);
    EXPECT_EQ(
        Run({in, dir.Path("out.txt"), "--vrm-vrn-datum=WGS84", "--datum=WGS84", "--utc-offset=0"}),
        0)
        << dir.Read("stderr.log");
    EXPECT_EQ(dir.Read("out.txt"), std::string("Datum,WGS84,WGS84,0,0,0,0,0\r\n") + c.expected)
        << c.input;
  }
}

// Regression: a UTF-16 file gave 0 records and exit status 0.
TEST_F(VornconvInput, Utf16FilesAreReadAndWrittenAsUtf8) {
  // "WP,D,駅,35.5,139.5,,," and CR LF, little-endian with its mark.
  std::string utf16 = "\xFF\xFE";
  for (const char c : std::string_view("WP,D,")) utf16 += std::string{c, '\0'};
  utf16 += "\xC5\x99";  // U+99C5
  for (const char c : std::string_view(",35.5,139.5,,,\r\n")) utf16 += std::string{c, '\0'};
  const std::string in = dir.Write("in.txt", utf16);
  ASSERT_EQ(Run({in, dir.Path("out.vrc"), "--convert=wpt"}), 0) << dir.Read("stderr.log");
  EXPECT_NE(dir.Read("out.vrc").find("\t駅\t"), std::string::npos) << dir.Read("out.vrc");
}

// Regression: characters CP932 lacks were written as "?" and the run said
// nothing; it still completes.
TEST_F(VornconvInput, CharactersCp932LacksAreReplacedAndTheRunCompletes) {
  const std::string in = dir.Write("in.txt", "WP,D,😀山,35.5,139.5,,,\r\n");
  ASSERT_EQ(Run({in, dir.Path("out.txt"), "--convert=wpt", "--encoding=cp932"}), 0)
      << dir.Read("stderr.log");
  EXPECT_NE(dir.Read("out.txt").find("WP,D,?\x8E\x52, 35.5, 139.5,"), std::string::npos);
}

}  // namespace
}  // namespace vc::testing
