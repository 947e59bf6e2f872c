// Whole conversions through the driver with what users actually feed it:
// inputs that vanish or cannot be read, group definitions that cannot be
// read, empty, binary and enormous inputs, either line end, either encoding,
// and Japanese names and comments carried through every format and back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/driver.hpp"
#include "engine/text_file.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

namespace fs = std::filesystem;
using engine::ConversionResult;
using engine::ConvertOptions;
using engine::Message;
using engine::Outcome;

constexpr std::string_view kOldOutput = "earlier output\r\n";

std::string Replace(std::string text, std::string_view from, std::string_view to) {
  for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

// One small file of every readable type, lines ending LF, holding a record
// of each kind it can carry.
struct Sample {
  const char* name;
  std::string text;
};

std::vector<Sample> Samples() {
  return {
      {"in.txt",
       "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664\n"
       "WP,D,SUMMIT, 35.3606, 138.7274,01/31/2002,21:05:09,top\n"
       "RN,1,TRIP\n"
       "RP,D,GATE, 35.0116, 135.7681,01/31/2002,21:05:09,\n"
       "RP,D,HALL, 34.9949, 135.7850,01/31/2002,21:05:09,\n"
       "TP,D, 35.6812, 139.7671,01/01/2002,14:59:30,1\n"
       "TP,D, 35.6830, 139.7690,01/01/2002,14:59:50,0\n"},
      {"in.vrc",
       Replace(ReadFile(TestsFolder() / "golden" / "vrc_round_trip" / "input.vrc"), "\r\n", "\n")},
      {"in.mps",
       "mapserver script ver=\"1.0\";\n"
       "\t\tpoint\toid=\"\"\n\t\t\t\tgid=\"2510\"\n\t\t\t\tpos=\"35/21/38.2,138/43/38.6\"\n"
       "\t\t\t\tstr=\"[WP]SUMMIT\"\n\t\t\t\tinfo=\"a,b,c\";\n"
       "\t\tline\toid=\"\"\n\t\t\t\tgid=\"2531\"\n\t\t\t\tpos=\"35/40/52.3,139/46/01.6,\n"
       "\t\t\t\t35/40/58.8,139/46/08.4\"\n\t\t\t\tstr=\"[TR]1\";\n"},
      {"in.vrp",
       "WGS84,9,2002/07/15 12:04:05,12,N,35.20575,E,139.7525,34,5,36.87,0.12,+,3d,-.-,*,---.-\n"
       "WGS84,9,2002/07/15 12:04:15,12,N,35.20675,E,139.7535,34,5,36.87,0.12,+,3d,-.-,*,---.-\n"},
      {"in.vrm",
       "@020715030405N3512345E13945150D012+00034E0030N0040U0012\n"
       "@020715030415N3512445E13945250D012+00034E0030N0040U0012\n"},
      {"in.vrn",
       "$GPRMC,225308,A,4527.458,N,16709.165,E,000.0,094.5,060601,024.1,E*6D\n"
       "$GPGGA,225308,4527.458,N,16709.165,E,1,05,2.1,14.7,M,1.1,M,,*53\n\n"
       "$GPRMC,225318,A,4527.558,N,16709.265,E,001.0,094.5,060601,024.1,E*6D\n"
       "$GPGGA,225318,4527.558,N,16709.265,E,1,05,2.1,14.7,M,1.1,M,,*53\n\n"},
  };
}

class ConversionFaults : public ::testing::Test {
 protected:
  ConversionResult Convert(const std::string& in, const std::string& out,
                           void (*adjust)(ConvertOptions&) = nullptr) {
    ConvertOptions options = OptionsFor(in, out);
    options.convertWaypoints = true;
    options.convertRoutes = true;
    if (adjust != nullptr) adjust(options);
    observer.shown.clear();
    engine::ConversionContext context;
    return engine::ConvertFile(options, context, observer);
  }
  TempDir dir;
  RecordingObserver observer;
};

TEST_F(ConversionFaults, InputVanishedAfterTheChecks) {
  const auto in = dir.Write("in.txt", Samples()[0].text);
  const auto out = dir.Write("out.mps", kOldOutput);
  ASSERT_GT(engine::GetFileLength(in), 0);
  fs::remove(in);
  const ConversionResult result = Convert(in, out);
  EXPECT_EQ(result.outcome, Outcome::kStopped);
  EXPECT_EQ(result.reason, Message::kInputMissing);
  EXPECT_EQ(observer.shown, std::vector<std::string>{"[" + in + "]は存在しません．中止します．"});
  EXPECT_EQ(ReadFile(out), kOldOutput);
}

TEST_F(ConversionFaults, InputThatIsAFolderOrUnreadable) {
  fs::create_directory(dir.path() / "folder.txt");
  const auto unreadable = dir.Write("unreadable.txt", Samples()[0].text);
  fs::permissions(unreadable, fs::perms::none);
  std::vector<std::string> inputs{dir.Path("folder.txt")};
  if (access(unreadable.c_str(), R_OK) != 0) inputs.push_back(unreadable);
  const auto out = dir.Write("out.mps", kOldOutput);
  for (const auto& in : inputs) {
    const ConversionResult result = Convert(in, out);
    EXPECT_EQ(result.reason, Message::kInputMissing) << in;
    EXPECT_EQ(ReadFile(out), kOldOutput) << in;
  }
}

TEST_F(ConversionFaults, GroupDefinitionsThatCannotBeRead) {
  const auto in = dir.Write("in.txt", Samples()[0].text);
  fs::create_directory(dir.path() / "groups");
  const auto unreadable = dir.Write("header_mps_group.dat", "\t\tgroup\tgid=\"1\";\n");
  fs::permissions(unreadable, fs::perms::none);
  std::vector<std::string> groupFiles{dir.Path("none.dat"), dir.Path("groups"), ""};
  if (access(unreadable.c_str(), R_OK) != 0) groupFiles.push_back(unreadable);
  const auto out = dir.Path("out.mps");
  for (const bool append : {false, true}) {
    for (const auto& groupFile : groupFiles) {
      WriteFile(out, kOldOutput);
      ConvertOptions options = OptionsFor(in, out);
      options.groupFilePath = groupFile;
      options.append = append;
      engine::ConversionContext context;
      observer.shown.clear();
      const ConversionResult result = engine::ConvertFile(options, context, observer);
      EXPECT_EQ(result.reason, Message::kGroupFileMissing) << groupFile;
      EXPECT_EQ(observer.shown,
                std::vector<std::string>{"[header_mps_group.dat]が見つかりません．中止します．"});
      EXPECT_EQ(ReadFile(out), kOldOutput) << groupFile;
      EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
    }
  }
}

// Regression: an addition used to be written straight into the output and
// cut back on failure, so a process killed half-way left it with part of a
// script at its end. It is now made on a copy that replaces the output only
// when complete.
TEST_F(ConversionFaults, AnAdditionStaysOutOfTheOutputUntilCommitted) {
  const auto out = dir.Write("out.mps", kOldOutput);
  engine::OutputTextFile file;
  ASSERT_TRUE(file.Open(out, engine::OutputTextFile::Mode::kAppend, engine::Encoding::kUtf8));
  file.WriteLine(std::string(3 << 20, 'x'));
  EXPECT_EQ(ReadFile(out), kOldOutput);
  ASSERT_TRUE(file.Commit());
  const std::string appended = ReadFile(out);
  EXPECT_EQ(appended.size(), kOldOutput.size() + (3 << 20) + 2);
  EXPECT_EQ(appended.substr(0, kOldOutput.size()), kOldOutput);
  EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
}

// Whatever the bytes, every reader comes to the end of the file and the
// conversion completes: a reader stuck on a line, or reading past its end,
// shows up here as a hang or a sanitizer report.
TEST_F(ConversionFaults, EmptyBinaryAndHugeInputsConvert) {
  std::string binary;
  for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919) % 256);
  for (const Sample& sample : Samples()) {
    const std::string firstLine = sample.text.substr(0, sample.text.find('\n'));
    std::string huge;
    while (huge.size() < 10'000'000) huge += firstLine;
    const struct {
      const char* what;
      std::string content;
    } inputs[] = {
        {"empty", ""},
        {"binary", binary},
        {"NUL bytes in lines", Replace(sample.text, ",", std::string(1, '\0'))},
        {"a 10 MB line", huge},
    };
    for (const auto& input : inputs) {
      const auto in = dir.Write(sample.name, input.content);
      for (const char* out : {"out.mps", "out.txt", "out.vrc"}) {
        const ConversionResult result = Convert(in, dir.Path(out));
        EXPECT_EQ(result.outcome, Outcome::kConverted) << sample.name << ' ' << input.what << out;
        EXPECT_TRUE(observer.shown.empty()) << sample.name << ' ' << input.what << out;
      }
    }
  }
}

TEST_F(ConversionFaults, LineEndsMakeNoDifference) {
  for (const Sample& sample : Samples()) {
    std::string last = sample.text;
    while (!last.empty() && last.back() == '\n') last.pop_back();
    const struct {
      const char* what;
      std::string text;
    } variants[] = {
        {"LF", sample.text},
        {"CR LF", Replace(sample.text, "\n", "\r\n")},
        {"no end on the last line", last},
    };
    std::string expected;
    for (const auto& variant : variants) {
      const auto in = dir.Write(sample.name, variant.text);
      ASSERT_EQ(Convert(in, dir.Path("out.vrc")).outcome, Outcome::kConverted);
      const std::string output = dir.Read("out.vrc");
      if (expected.empty()) {
        expected = output;
        EXPECT_FALSE(output.empty()) << sample.name;
      }
      EXPECT_EQ(output, expected) << sample.name << ' ' << variant.what;
    }
  }
}

// A waypoint with a Japanese name and comments, as MPS writes it.
constexpr std::string_view kJapaneseWaypoint =
    "\t\tpoint\toid=\"\"\r\n\t\t\t\tgid=\"2510\"\r\n\t\t\t\tpos=\"35/21/38.2,138/43/38.6\"\r\n"
    "\t\t\t\tstr=\"[WP]富士山頂\"\r\n\t\t\t\tinfo=\"日本一,浅間大社奥宮,剣ヶ峰\";\r\n";

TEST_F(ConversionFaults, Cp932AndUtf8InputsGiveTheSameOutputInEitherEncoding) {
  const std::string utf8 = std::string(kJapaneseWaypoint);
  const std::string cp932 = ToCp932(utf8);
  ASSERT_NE(cp932, utf8);
  const auto utf8In = dir.Write("utf8.mps", utf8);
  const auto cp932In = dir.Write("cp932.mps", cp932);
  for (const char* out : {"out.mps", "out.txt", "out.vrc"}) {
    ASSERT_EQ(Convert(utf8In, dir.Path(out)).outcome, Outcome::kConverted);
    const std::string asUtf8 = dir.Read(out);
    ASSERT_EQ(Convert(cp932In, dir.Path(out)).outcome, Outcome::kConverted);
    const std::string asCp932 = dir.Read(out);
    EXPECT_NE(asUtf8.find("富士山頂"), std::string::npos) << out;
    EXPECT_EQ(asCp932, ToCp932(asUtf8)) << out;
    // And each converted into the other's encoding.
    ASSERT_EQ(Convert(cp932In, dir.Path(out),
                      [](ConvertOptions& o) { o.outputEncoding = engine::OutputEncoding::kUtf8; })
                  .outcome,
              Outcome::kConverted);
    EXPECT_EQ(dir.Read(out), asUtf8) << out;
    ASSERT_EQ(Convert(utf8In, dir.Path(out),
                      [](ConvertOptions& o) { o.outputEncoding = engine::OutputEncoding::kCp932; })
                  .outcome,
              Outcome::kConverted);
    EXPECT_EQ(dir.Read(out), asCp932) << out;
  }
}

// MPS keeps waypoint names and comments, VRC names and comments, Waypoint+
// names only: out of MPS, through each, and back, what the format keeps is
// unchanged, in the encoding the input came in.
TEST_F(ConversionFaults, JapaneseNamesAndCommentsSurviveEveryFormat) {
  const struct {
    const char* through;
    std::string_view expectedInfo;
  } formats[] = {
      {"via.mps", "日本一,浅間大社奥宮,剣ヶ峰"},
      {"via.vrc", "日本一,浅間大社奥宮,剣ヶ峰"},
      {"via.txt", ",,"},
  };
  for (const bool cp932 : {false, true}) {
    auto encode = [&](std::string_view text) { return cp932 ? ToCp932(text) : std::string(text); };
    const auto in = dir.Write("in.mps", encode(kJapaneseWaypoint));
    for (const auto& format : formats) {
      ASSERT_EQ(Convert(in, dir.Path(format.through)).outcome, Outcome::kConverted);
      EXPECT_NE(dir.Read(format.through).find(encode("富士山頂")), std::string::npos)
          << format.through << " cp932 " << cp932;
      ASSERT_EQ(Convert(dir.Path(format.through), dir.Path("back.mps")).outcome,
                Outcome::kConverted);
      const std::string back = dir.Read("back.mps");
      const std::string text = cp932 ? FromCp932(back) : back;
      EXPECT_EQ(back, encode(text)) << "the encoding changed on the way";
      EXPECT_NE(text.find("str=\"[WP]富士山頂\""), std::string::npos)
          << format.through << " cp932 " << cp932 << '\n'
          << text;
      EXPECT_NE(text.find("info=\"" + std::string(format.expectedInfo) + "\""), std::string::npos)
          << format.through << " cp932 " << cp932 << '\n'
          << text;
    }
  }
}

}  // namespace
}  // namespace vc::testing
