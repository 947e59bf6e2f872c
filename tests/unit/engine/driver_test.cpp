#include "engine/driver.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/input/record_reader.hpp"
#include "engine/output/record_writer.hpp"
#include "support/engine_support.hpp"

namespace vc::testing {
namespace {

using engine::ConversionContext;
using engine::ConvertFile;
using engine::FileType;
using engine::FileTypeInfo;
using engine::Outcome;
using engine::RecordKind;
using engine::RunConvertCommand;

std::string MpsFrame(std::string_view records = {}) {
  std::string frame = "mapserver script ver=\"1.0\";\r\n";
  const std::string groups = ReadFile(GroupFileOfTree());
  std::size_t start = 0;
  while (start < groups.size()) {
    const std::size_t end = groups.find('\n', start);
    frame.append(groups, start, end - start);
    frame += "\r\n";
    start = end + 1;
  }
  frame += "\r\n";
  frame += records;
  frame += "\tdisp\tall;\r\nmapserver end;\r\n";
  return frame;
}

// A reader that returns a fixed sequence of kinds, one line consumed each,
// and a writer that writes the kind's name: enough to drive the loop.
std::vector<RecordKind> gScript;

class ScriptedReader final : public engine::RecordReader {
 public:
  explicit ScriptedReader(text::LineSource& lines) : lines_(lines) {}
  RecordKind ReadNextRecord(engine::Conversion& conversion) override {
    if (next_ >= gScript.size()) return RecordKind::kEof;
    std::string line;
    if (gScript[next_] != RecordKind::kNone || !stuck) lines_.ReadLine(line);
    conversion.context.buffers.trkPnt.Clear();
    return gScript[next_++];
  }
  static inline bool stuck = false;

 private:
  text::LineSource& lines_;
  std::size_t next_ = 0;
};

class KindWriter final : public engine::RecordWriter {
 public:
  void WriteRecord(RecordKind kind, engine::Conversion&, engine::RecordText& output) override {
    output.text() += kind == RecordKind::kWpt ? "W" : kind == RecordKind::kRte ? "R" : "T";
  }
};

std::unique_ptr<engine::RecordReader> MakeScripted(text::LineSource& lines) {
  return std::make_unique<ScriptedReader>(lines);
}
std::unique_ptr<engine::RecordWriter> MakeKindWriter() { return std::make_unique<KindWriter>(); }

const FileTypeInfo kFakeTypes[] = {
    {FileType::kVrc, "VRC", "VRC", "", &MakeScripted, &MakeKindWriter},
    {FileType::kMps, "MPS", "MPS", "", &MakeScripted, &MakeKindWriter},
    {FileType::kWpt, "WPT", "TXT", "", &MakeScripted, &MakeKindWriter},
};

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    gScript.clear();
    ScriptedReader::stuck = false;
  }
  engine::ConversionResult Convert(engine::ConvertOptions options) {
    return ConvertFile(std::move(options), context, observer, kFakeTypes);
  }
  TempDir dir;
  RecordingObserver observer;
  ConversionContext context;
};

TEST_F(DriverTest, AnInputWithoutRecordsGivesTheBareMpsFrame) {
  const auto in = dir.Write("in.vrc", "");
  const auto result = ConvertFile(OptionsFor(in, dir.Path("out.mps")), context, observer);
  EXPECT_EQ(result.outcome, Outcome::kConverted);
  EXPECT_EQ(dir.Read("out.mps"), MpsFrame());
  EXPECT_TRUE(observer.shown.empty());
}

TEST_F(DriverTest, OnlySelectedKindsAreWrittenAndEveryRecordIsRead) {
  gScript = {RecordKind::kWpt, RecordKind::kNone, RecordKind::kRte, RecordKind::kTrk,
             RecordKind::kTrk};
  const auto in = dir.Write("in.vrc", "1\n2\n3\n4\n5\n");
  auto options = OptionsFor(in, dir.Path("out.mps"));
  options.convertWaypoints = true;
  const auto result = Convert(options);
  EXPECT_EQ(result.outcome, Outcome::kConverted);
  // Header and trailer are the writer's own: this one has none.
  EXPECT_EQ(dir.Read("out.mps"), "W\r\nT\r\nT\r\n");
  EXPECT_EQ(result.report.written.waypoints, 1);
  EXPECT_EQ(result.report.written.routes, 0);
  EXPECT_EQ(result.report.written.tracks, 2);
}

TEST_F(DriverTest, AReaderThatMakesNoProgressDoesNotHang) {
  ScriptedReader::stuck = true;
  gScript.assign(1000, RecordKind::kNone);
  const auto in = dir.Write("in.vrc", "x\n");
  EXPECT_EQ(Convert(OptionsFor(in, dir.Path("out.vrc"))).outcome, Outcome::kConverted);
}

TEST_F(DriverTest, WaypointPlusOutputGetsTheDatumLineOfTheDatumOption) {
  const struct {
    const char* datum;
    const char* header;
  } cases[] = {
      {"データ優先", "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664\r\n"},
      {"WGS84", "Datum,WGS84,WGS84,0,0,0,0,0\r\n"},
      {"wgs84", "Datum,WGS84,WGS84,0,0,0,0,0\r\n"},
      {"NAD27", ""},
  };
  const auto in = dir.Write("in.vrc", "");
  for (const auto& c : cases) {
    auto options = OptionsFor(in, dir.Path("out.txt"));
    options.datum = c.datum;
    EXPECT_EQ(ConvertFile(options, context, observer).outcome, Outcome::kConverted);
    EXPECT_EQ(dir.Read("out.txt"), c.header) << c.datum;
  }
}

TEST_F(DriverTest, VrcOutputHasNeitherHeaderNorTrailer) {
  const auto in = dir.Write("in.vrc", "");
  EXPECT_EQ(ConvertFile(OptionsFor(in, dir.Path("out.vrc")), context, observer).outcome,
            Outcome::kConverted);
  EXPECT_EQ(dir.Read("out.vrc"), "");
}

TEST_F(DriverTest, TypesThatCannotBeConvertedStopBeforeAnythingIsOpened) {
  const struct {
    const char* input;
    const char* output;
    std::vector<std::string> messages;
  } cases[] = {
      {"in.vrc", "out.vrp", {"出力未対応のファイルです．"}},
      {"in.vrc", "out.log", {"出力未対応のファイルです．"}},
      {"in.vrc", "out.xyz", {"未対応のファイルタイプです．"}},
      {"in.log", "out.mps", {"入力未対応のファイルです．"}},
      {"in.abc", "out.mps", {"未対応のファイルタイプです．", "入力未対応のファイルです．"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.input) + " -> " + c.output);
    observer.shown.clear();
    const auto in = dir.Write(c.input, "data\n");
    const auto result = ConvertFile(OptionsFor(in, dir.Path(c.output)), context, observer);
    EXPECT_EQ(result.outcome, Outcome::kStopped);
    EXPECT_EQ(observer.shown, c.messages);
    EXPECT_FALSE(std::filesystem::exists(dir.Path(c.output)));
  }
}

TEST_F(DriverTest, AStoppedConversionLeavesTheOutputAsItWas) {
  gScript.assign(50, RecordKind::kTrk);
  const auto in = dir.Write("in.vrc", std::string(50, '\n'));
  const std::string before = "old content\r\n";
  for (bool append : {false, true}) {
    SCOPED_TRACE(append ? "append" : "replace");
    dir.Write("out.mps", before);
    auto options = OptionsFor(in, dir.Path("out.mps"));
    options.append = append;
    observer.polls = 0;
    observer.stopAfterPolls = 10;
    EXPECT_EQ(Convert(options).outcome, Outcome::kCancelled);
    EXPECT_EQ(dir.Read("out.mps"), before);
    EXPECT_TRUE(TemporaryFilesIn(dir.path()).empty());
  }
}

TEST_F(DriverTest, AppendAddsASecondCompleteScript) {
  const auto in = dir.Write("in.vrc", "");
  dir.Write("out.mps", MpsFrame());
  auto options = OptionsFor(in, dir.Path("out.mps"));
  options.append = true;
  EXPECT_EQ(ConvertFile(options, context, observer).outcome, Outcome::kConverted);
  EXPECT_EQ(dir.Read("out.mps"), MpsFrame() + MpsFrame());
}

TEST_F(DriverTest, AMissingGroupFileStopsAndLeavesTheOutput) {
  const auto in = dir.Write("in.vrc", "");
  dir.Write("out.mps", "keep");
  auto options = OptionsFor(in, dir.Path("out.mps"));
  options.groupFilePath = dir.Path("nowhere.dat");
  EXPECT_EQ(ConvertFile(options, context, observer).outcome, Outcome::kStopped);
  EXPECT_EQ(observer.shown,
            std::vector<std::string>{"[header_mps_group.dat]が見つかりません．中止します．"});
  EXPECT_EQ(dir.Read("out.mps"), "keep");
}

TEST_F(DriverTest, AnOutputThatCannotBeCreatedIsReported) {
  const auto in = dir.Write("in.vrc", "");
  const std::string out = dir.Path("missing/out.mps");
  EXPECT_EQ(ConvertFile(OptionsFor(in, out), context, observer).outcome, Outcome::kStopped);
  EXPECT_EQ(observer.shown,
            std::vector<std::string>{"[" + out + "]に書き込めません．中止します．"});
}

TEST_F(DriverTest, AReplacedOutputKeepsItsPermissions) {
  const auto in = dir.Write("in.vrc", "");
  const auto out = dir.Write("out.vrc", "old");
#ifdef _WIN32
  GTEST_SKIP() << "Windows files have no POSIX permission bits";
#else
  chmod(out.c_str(), 0640);
  EXPECT_EQ(ConvertFile(OptionsFor(in, out), context, observer).outcome, Outcome::kConverted);
  struct stat st {};
  ASSERT_EQ(stat(out.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
}

TEST_F(DriverTest, ConvertCommandChecksTheNamesInOrder) {
  const auto in = dir.Write("in.vrc", "x\n");
  const auto empty = dir.Write("empty.vrc", "");
#ifdef _WIN32
  // Another spelling of the same file: the check compares files, not names.
  const std::string sameFile = dir.Path(".") + "/in.vrc";
#else
  std::filesystem::create_symlink(in, dir.Path("link.vrc"));
  const std::string sameFile = dir.Path("link.vrc");
#endif
  const struct {
    std::string input;
    std::string output;
    std::string message;
  } cases[] = {
      {"", "", "ファイル名を指定してください．"},
      {in, "", "ファイル名を指定してください．"},
      {dir.Path("x.mps"), dir.Path("x.mps"),
       "ファイル名が同じです．変換後ファイル名を変えてください．"},
      {in, sameFile, "ファイル名が同じです．変換後ファイル名を変えてください．"},
      {dir.Path("none.vrc"), dir.Path("o.mps"),
       "[" + dir.Path("none.vrc") + "]は存在しません．中止します．"},
      {empty, dir.Path("o.mps"), "[" + empty + "]は存在しません．中止します．"},
  };
  for (const auto& c : cases) {
    observer.shown.clear();
    const auto result = RunConvertCommand(OptionsFor(c.input, c.output), context, observer);
    EXPECT_EQ(result.outcome, Outcome::kStopped);
    EXPECT_EQ(observer.shown, std::vector<std::string>{c.message}) << c.input << " " << c.output;
  }
  observer.shown.clear();
  RunConvertCommand(OptionsFor(in, dir.Path("o.mps")), context, observer, false);
  EXPECT_EQ(observer.shown, std::vector<std::string>{"変換後のファイルタイプを指定してください．"});
}

TEST_F(DriverTest, ConvertCommandAsksBeforeOverwritingAndAnnouncesAppending) {
  const auto in = dir.Write("in.vrc", "x\n");
  const auto out = dir.Write("out.vrc", "before");
  observer.overwriteAnswer = false;
  auto result = RunConvertCommand(OptionsFor(in, out), context, observer);
  EXPECT_EQ(result.outcome, Outcome::kStopped);
  EXPECT_EQ(observer.shown,
            (std::vector<std::string>{"[" + out + "]は既に存在します．上書きしてもよろしいですか",
                                      "中止します．"}));
  EXPECT_EQ(dir.Read("out.vrc"), "before");

  observer.shown.clear();
  auto options = OptionsFor(in, out);
  options.append = true;
  result = RunConvertCommand(options, context, observer);
  EXPECT_EQ(result.outcome, Outcome::kConverted);
  EXPECT_EQ(observer.shown, std::vector<std::string>{"[" + out + "]に追加します．"});

  // An empty output is neither announced nor asked about.
  observer.shown.clear();
  const auto emptyOut = dir.Write("empty.mps", "");
  EXPECT_EQ(RunConvertCommand(OptionsFor(in, emptyOut), context, observer).outcome,
            Outcome::kConverted);
  EXPECT_TRUE(observer.shown.empty());
}

TEST_F(DriverTest, TheFrontTakesTheSnapshotAfterTheChecks) {
  const auto in = dir.Write("in.vrc", "x\n");
  const auto out = dir.Write("out.vrc", "before");
  // Refused after the overwrite question: nothing is converted.
  observer.startAnswer = false;
  auto result = RunConvertCommand(OptionsFor(in, out), context, observer);
  EXPECT_EQ(result.outcome, Outcome::kStopped);
  EXPECT_EQ(observer.shown.size(), 1u);
  EXPECT_EQ(dir.Read("out.vrc"), "before");
  // Completed by the front: the conversion uses what it set.
  observer.startAnswer = true;
  observer.completeSnapshot = [&](engine::ConvertOptions& snapshot) {
    snapshot.outputName = dir.Path("elsewhere.vrc");
  };
  result = RunConvertCommand(OptionsFor(in, out), context, observer);
  EXPECT_EQ(result.outcome, Outcome::kConverted);
  EXPECT_TRUE(std::filesystem::exists(dir.Path("elsewhere.vrc")));
  EXPECT_EQ(dir.Read("out.vrc"), "before");
}

TEST(FileTypes, DecidedByTheLastThreeCharacters) {
  const struct {
    const char* name;
    FileType type;
  } cases[] = {
      {"a.mps", FileType::kMps}, {"trackmps", FileType::kMps}, {"A.TXT ", FileType::kWpt},
      {"x.Vrc", FileType::kVrc}, {"x.vrp", FileType::kVrp},    {"x.vrm", FileType::kVrm},
      {"x.vrn", FileType::kVrn}, {"x.log", FileType::kLog},    {"ab", FileType::kNone},
      {"", FileType::kNone},     {"x.gpx", FileType::kGpx},    {"地図.ｍｐｓ", FileType::kNone},
      {"x.KML", FileType::kKml}, {"x.nmea", FileType::kNmea},  {"x.gps", FileType::kNone},
  };
  for (const auto& c : cases) EXPECT_EQ(engine::GetFileType(c.name), c.type) << c.name;
}

TEST(FileTypes, NameForTypeReplacesTheTypesCharacters) {
  const struct {
    const char* name;
    FileType type;
    const char* renamed;
  } cases[] = {
      {"/d/day1.vrn", FileType::kMps, "/d/day1.mps"},
      {"trackmps", FileType::kVrc, "trackvrc"},
      {"a.MPS", FileType::kGpx, "a.gpx"},
      {"/d/旅.vrn", FileType::kKml, "/d/旅.kml"},
      // A receiver's log loses its whole ".nmea", not only "mea".
      {"/d/cap.nmea", FileType::kGpx, "/d/cap.gpx"},
      {"CAP.NMEA", FileType::kMps, "CAP.mps"},
      // A long extension of no known type keeps the three-character rule,
      // and so does a dot in a folder's name.
      {"a.jpeg", FileType::kMps, "a.jmps"},
      {"/d.nmea/trackvrn", FileType::kWpt, "/d.nmea/tracktxt"},
      {"abc", FileType::kMps, "mps"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(engine::NameForType(c.name, c.type), c.renamed) << c.name;
  }
}

TEST(FileTypes, FileLengthCodes) {
  TempDir dir;
  const auto file = dir.Write("f.txt", "12345");
  EXPECT_EQ(engine::GetFileLength(file), 5);
  EXPECT_EQ(engine::GetFileLength(dir.Write("e.txt", "")), 0);
  EXPECT_EQ(engine::GetFileLength(dir.Path("none.txt")), -3);
  EXPECT_EQ(engine::GetFileLength(dir.Path("no/such/f.txt")), -1);
  EXPECT_EQ(engine::GetFileLength(dir.path().string()), -2);
  EXPECT_EQ(engine::GetFileLength(""), -2);
}

TEST(Context, TrackNumberingContinuesUntilReset) {
  ConversionContext context;
  EXPECT_EQ(context.NextTrackNumber(), "1");
  for (int i = 0; i < 8; ++i) context.NextTrackNumber();
  EXPECT_EQ(context.NextTrackNumber(), "10");
  context.ResetNumbering("RTE");
  EXPECT_EQ(context.NextTrackNumber(), "11");
  context.ResetNumbering("trk");
  EXPECT_EQ(context.NextTrackNumber(), "1");
}

TEST(PointStep, AcceptsSixteenBitNumbersOnly) {
  const struct {
    const char* text;
    bool ok;
    std::int16_t step;
  } cases[] = {{"1", true, 1},           {" 5 ", true, 5},    {"-5", true, -5},
               {"2.5", true, 2},         {"3.5", true, 4},    {"32767", true, 32767},
               {"-32768", true, -32768}, {"32768", false, 0}, {"", false, 0},
               {"5x", false, 0},         {"x", false, 0}};
  for (const auto& c : cases) {
    std::int16_t step = 0;
    EXPECT_EQ(engine::ParsePointStep(c.text, step), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(step, c.step) << c.text;
    }
  }
}

}  // namespace
}  // namespace vc::testing
