// The Convert command through the window with the real engine: its checks
// and messages in their order, the overwrite question and Append, and what
// the output holds afterwards.
#include <filesystem>

#include "engine/context.hpp"
#include "panel_support.hpp"

namespace vc::testing {
namespace {

namespace fs = std::filesystem;

const std::string kNamesMissing = "ファイル名を指定してください．";
const std::string kSameNames = "ファイル名が同じです．変換後ファイル名を変えてください．";
const std::string kTypeMissing = "変換後のファイルタイプを指定してください．";
const std::string kAborted = "中止します．";
const std::string kStepInvalid = "Stepには -32768 から 32767 までの数値を指定してください．";
constexpr const char* kOld = "old contents\r\n";

std::string Missing(const std::string& name) {
  return "[" + name + "]は存在しません．中止します．";
}
std::string Overwrite(const std::string& name) {
  return "[" + name + "]は既に存在します．上書きしてもよろしいですか";
}
std::string Appending(const std::string& name) { return "[" + name + "]に追加します．"; }

class PanelConvert : public PanelTest {
 protected:
  // Names the files and chooses the VRC type button first, so that the
  // converted name is the one given.
  void Prepare(const std::string& original, const std::string& converted, bool typeChosen = true) {
    if (typeChosen) Click("FileTypeLists(2)");
    SetText("OrgFileName", original);
    SetText("NewFileName", converted);
  }

  // What the engine writes for `input` as the window's defaults convert it.
  std::string ConvertedByEngine(const std::string& input) {
    const std::string expected = dir.Path("expected.vrc");
    engine::ConversionContext context;
    RecordingObserver observer;
    engine::RunConvertCommand(OptionsFor(input, expected), context, observer);
    return ReadFile(expected);
  }

  [[nodiscard]] bool CaptionRan() const {
    return std::find(captions.begin(), captions.end(), "...ing") != captions.end();
  }

  const std::string source = dir.Write("in.vrc", VrcTrack(3));
  const std::string target = dir.Path("out.vrc");
};

struct CheckCase {
  const char* title;
  const char* original;   // "{in}": the prepared input, "{dir}": the folder
  const char* converted;  // "{out}": the output, not there before
  bool typeChosen;
  const char* step;
  std::vector<std::string> (*expected)(const std::string& in, const std::string& out);
};

TEST_F(PanelConvert, ChecksStopWithTheirMessageInOrder) {
  dir.Write("empty.vrc", "");
  const CheckCase kCases[] = {
      {"both names empty", "", "", true, "1",
       [](auto&, auto&) { return std::vector{kNamesMissing}; }},
      {"empty names before no type", "", "", false, "1",
       [](auto&, auto&) { return std::vector{kNamesMissing}; }},
      {"converted name empty", "{in}", "", true, "1",
       [](auto&, auto&) { return std::vector{kNamesMissing}; }},
      {"same text, no such file", "/nowhere/a.vrc", "/nowhere/a.vrc", true, "1",
       [](auto&, auto&) { return std::vector{kSameNames}; }},
      {"another name of the same file", "{in}", "{dir}/./in.vrc", true, "1",
       [](auto&, auto&) { return std::vector{kSameNames}; }},
      {"input missing", "{dir}/none.vrc", "{out}", true, "1",
       [](auto& in, auto&) { return std::vector{Missing(in)}; }},
      {"input empty", "{dir}/empty.vrc", "{out}", true, "1",
       [](auto& in, auto&) { return std::vector{Missing(in)}; }},
      // Without a type button the converted name is of no known type: a
      // typed name of a writable type would choose its button at Convert.
      {"missing input before no type", "{dir}/none.vrc", "{dir}/out.xyz", false, "1",
       [](auto& in, auto&) { return std::vector{Missing(in)}; }},
      {"no type button", "{in}", "{dir}/out.xyz", false, "1",
       [](auto&, auto&) { return std::vector{kTypeMissing}; }},
      {"step not a number", "{in}", "{out}", true, "x",
       [](auto&, auto&) { return std::vector{kStepInvalid}; }},
      {"step empty", "{in}", "{out}", true, "",
       [](auto&, auto&) { return std::vector{kStepInvalid}; }},
      {"step too large", "{in}", "{out}", true, "32768",
       [](auto&, auto&) { return std::vector{kStepInvalid}; }},
      {"step too small", "{in}", "{out}", true, "-32769",
       [](auto&, auto&) { return std::vector{kStepInvalid}; }},
      // The step is read with the other options, after the name checks.
      {"empty names before the step", "", "", true, "x",
       [](auto&, auto&) { return std::vector{kNamesMissing}; }},
      {"missing input before the step", "{dir}/none.vrc", "{out}", true, "x",
       [](auto& in, auto&) { return std::vector{Missing(in)}; }},
  };
  for (const CheckCase& c : kCases) {
    SCOPED_TRACE(c.title);
    Make();
    services.shown.clear();
    const auto fill = [&](std::string text) {
      for (const auto& [key, value] : {std::pair<std::string, std::string>{"{in}", source},
                                       {"{out}", target},
                                       {"{dir}", dir.path().string()}}) {
        if (const auto at = text.find(key); at != std::string::npos)
          text.replace(at, key.size(), value);
      }
      return text;
    };
    const std::string in = fill(c.original);
    const std::string out = fill(c.converted);
    Prepare(in, out, c.typeChosen);
    Get<QLineEdit>("TrkPntStepOp")->setText(QString::fromUtf8(c.step));
    Convert();
    EXPECT_EQ(services.shown, c.expected(in, out));
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(CaptionRan());
    EXPECT_EQ(Get<QPushButton>("Convert")->text().toStdString(), "Convert");
    EXPECT_TRUE(Get<QWidget>("OrgFileName")->isEnabled());
  }
}

TEST_F(PanelConvert, ConvertsWithoutAnyMessage) {
  Prepare(source, target);
  Convert();
  EXPECT_TRUE(services.shown.empty());
  EXPECT_EQ(ReadFile(target), ConvertedByEngine(source));
  ASSERT_GE(captions.size(), 2u);
  EXPECT_EQ(captions.front(), "...ing");
  EXPECT_EQ(captions.back(), "Convert");
}

// Regression: the message box said only the system's fixed message; the
// system's reason is now its detailed text.
TEST_F(PanelConvert, MessagesCarryTheSystemsReason) {
  fs::create_directory(dir.path() / "folder.vrc");
  const struct {
    const char* title;
    std::string original;
    std::string converted;
    std::string message;
    std::string reason;
  } cases[] = {
      {"input missing", dir.Path("none.vrc"), target, Missing(dir.Path("none.vrc")),
       "No such file or directory"},
      {"input is a folder", dir.Path("folder.vrc"), target, Missing(dir.Path("folder.vrc")),
       "Is a directory"},
      {"output folder missing", source, dir.Path("none/out.vrc"),
       "[" + dir.Path("none/out.vrc") + "]に書き込めません．中止します．",
       "No such file or directory"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    Make();
    services.shown.clear();
    services.details.clear();
    Prepare(c.original, c.converted);
    Convert();
    EXPECT_EQ(services.shown, std::vector<std::string>{c.message});
    EXPECT_EQ(services.details, std::vector<std::string>{c.reason});
  }
}

struct ExistingCase {
  const char* title;
  const char* before;  // the output's contents before
  bool append;
  bool answerYes;
  bool askedOrTold;  // a question or notice names the output
  enum { kKept, kReplaced, kAppended } result;
};

TEST_F(PanelConvert, AnExistingOutputIsAskedAboutOrAppendedTo) {
  const ExistingCase kCases[] = {
      {"No keeps the file", kOld, false, false, true, ExistingCase::kKept},
      {"Yes replaces it", kOld, false, true, true, ExistingCase::kReplaced},
      {"Append adds to it", kOld, true, true, true, ExistingCase::kAppended},
      {"an empty output is not asked about", "", false, false, false, ExistingCase::kReplaced},
      {"an empty output is appended to silently", "", true, false, false, ExistingCase::kAppended},
  };
  const std::string converted = ConvertedByEngine(source);
  for (const ExistingCase& c : kCases) {
    SCOPED_TRACE(c.title);
    Make();
    services.shown.clear();
    services.answerYes = c.answerYes;
    WriteFile(target, c.before);
    Prepare(source, target);
    Tick("AppendFg", c.append);
    Convert();
    std::vector<std::string> expected;
    if (c.askedOrTold) expected.push_back(c.append ? Appending(target) : Overwrite(target));
    if (c.result == ExistingCase::kKept) expected.push_back(kAborted);
    EXPECT_EQ(services.shown, expected);
    const std::string now = ReadFile(target);
    switch (c.result) {
      case ExistingCase::kKept:
        EXPECT_EQ(now, c.before);
        break;
      case ExistingCase::kReplaced:
        EXPECT_EQ(now, converted);
        break;
      case ExistingCase::kAppended:
        EXPECT_EQ(now, c.before + converted);
        break;
    }
    EXPECT_EQ(CaptionRan(), c.result != ExistingCase::kKept);
  }
}

TEST_F(PanelConvert, AppendCreatesAMissingOutputSilently) {
  Prepare(source, target);
  Tick("AppendFg", true);
  Convert();
  EXPECT_TRUE(services.shown.empty());
  EXPECT_EQ(ReadFile(target), ConvertedByEngine(source));
}

TEST_F(PanelConvert, TheNameNotTheButtonDecidesTheOutputType) {
  const std::string text = dir.Path("out.txt");
  Click("FileTypeLists(0)");
  SetText("OrgFileName", source);
  SetText("NewFileName", text);
  Convert();
  EXPECT_TRUE(services.shown.empty());
  EXPECT_EQ(ReadFile(text).rfind("Datum,", 0), 0u) << ReadFile(text);
}

TEST_F(PanelConvert, TheControlsKeepWhatTheConversionChangedInItsCopy) {
  // MPS output sets the offset, datum and form for the rest of a conversion.
  Prepare(source, dir.Path("out.mps"));
  Convert();
  EXPECT_TRUE(services.shown.empty());
  for (const char* name : {"UtcOfsOp", "DatumOp", "CoordOp"}) {
    EXPECT_EQ(Get<QComboBox>(name)->currentText().toStdString(), "データ優先") << name;
  }
}

TEST_F(PanelConvert, CaptionCountsThePointsOfEachTrack) {
  // Two tracks, read from Waypoint+ and written to MPS: each record notes the
  // caption as it finds it and adds its own count.
  const std::string waypointPlus =
      dir.Write("in.txt",
                "Datum,Tokyo mean,Bessel 1841,739.845,0.10037483,-128,481,664\r\n"
                "TP,D, 35.6812, 139.7671,01/01/2002,14:59:30,1\r\n"
                "TP,D, 35.6830, 139.7690,01/01/2002,14:59:50,0\r\n"
                "TP,D, 35.6851, 139.7702,01/01/2002,15:00:00,0\r\n"
                "TP,D, 35.7000, 139.8000,01/01/2002,16:00:00,1\r\n"
                "TP,D, 35.7010, 139.8010,01/01/2002,16:00:10,0\r\n");
  Click("FileTypeLists(0)");
  SetText("OrgFileName", waypointPlus);
  SetText("NewFileName", dir.Path("out.mps"));
  Convert();
  EXPECT_TRUE(services.shown.empty());
  ASSERT_GE(captions.size(), 3u);
  EXPECT_EQ(captions.front(), "...ing");
  EXPECT_EQ(captions[captions.size() - 2], "...ing[3][3][2][2]");
  EXPECT_EQ(captions.back(), "Convert");
  for (const std::string& caption : captions) {
    EXPECT_TRUE(caption == "Convert" || caption.rfind("...ing", 0) == 0) << caption;
  }
}

TEST_F(PanelConvert, TrackNumberingContinuesUntilInitTrkNo) {
  Prepare(source, dir.Path("one.vrc"));
  Convert();
  SetText("NewFileName", dir.Path("two.vrc"));
  Convert();
  EXPECT_EQ(window->Context().trackNumber, "2");
  Click("InitTrkNo");
  EXPECT_EQ(window->Context().trackNumber, "0");
  EXPECT_TRUE(services.shown.empty());
}

}  // namespace
}  // namespace vc::testing
