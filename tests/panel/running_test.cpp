// The window around a running conversion, with a stand-in for the engine:
// the snapshot of the options it is handed, the running caption, the locked
// controls, Exit during a conversion and the automatic start of ProAtlas.
#include <QElapsedTimer>
#include <array>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

#include "panel_support.hpp"

namespace vc::testing {
namespace {

using engine::ConversionResult;
using engine::Outcome;

// What the engine does once the Convert command's checks have passed.
void StartConversion(engine::Observer& observer) {
  engine::ConvertOptions snapshot;
  observer.ConversionStarting(snapshot);
}

// Records what the window hands to the engine; `body` plays the conversion.
struct StandIn {
  panel::ConvertCommand Command() {
    return [this](const engine::ConvertOptions& options, engine::ConversionContext& context,
                  engine::Observer& observer, bool outputTypeChosen) {
      {
        std::lock_guard lock(mutex);
        calls.push_back(options);
        typeChosen.push_back(outputTypeChosen);
      }
      if (!body) {
        StartConversion(observer);
        return ConversionResult{Outcome::kConverted, std::nullopt, {}};
      }
      return body(context, observer);
    };
  }

  std::mutex mutex;
  std::vector<engine::ConvertOptions> calls;
  std::vector<bool> typeChosen;
  std::function<ConversionResult(engine::ConversionContext&, engine::Observer&)> body;
};

class PanelRunning : public PanelTest {
 protected:
  void SetUp() override { Make(standIn.Command()); }

  void Prepare(const char* typeButton = "FileTypeLists(0)") {
    Click(typeButton);
    SetText("OrgFileName", " /d/in.vrc");
    SetText("NewFileName", "/d/out.mps ");
  }

  StandIn standIn;
};

TEST_F(PanelRunning, TheSnapshotCarriesEveryOptionAsSet) {
  Prepare();
  Get<QComboBox>("UtcOfsOp")->setEditText("+9.5");
  Get<QComboBox>("DatumOp")->setCurrentIndex(2);
  Get<QComboBox>("CoordOp")->setEditText("PAO");
  Get<QComboBox>("DatumVrmVrnOp")->setCurrentIndex(1);
  Click("RtePntNoOp(1)");
  for (const char* name : {"TrkLineOp(1)", "TrkLineOp(3)", "TrkPntOp(0)", "TrkPntOp(2)",
                           "TrkPntOp(4)", "TrkPntOp(6)", "AppendFg", "ConvData(0)"}) {
    Tick(name, true);
  }
  Tick("ConvData(2)", false);
  Get<QLineEdit>("TrkPntStepOp")->setText("5");
  Convert();
  ASSERT_EQ(standIn.calls.size(), 1u);
  const engine::ConvertOptions& o = standIn.calls[0];
  EXPECT_EQ(o.inputName, " /d/in.vrc");
  EXPECT_EQ(o.outputName, "/d/out.mps ");
  EXPECT_EQ(o.utcOffset, "+9.5");
  EXPECT_EQ(o.datum, "WGS84");
  EXPECT_EQ(o.coordFormat, "PAO");
  EXPECT_EQ(o.routeOrder, "降順");
  EXPECT_EQ((std::vector<bool>{o.lineTotalPoints, o.lineTotalTime, o.lineTotalLength,
                               o.lineTotalVelocity}),
            (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(o.pointStep, 5);
  EXPECT_EQ(
      (std::vector<bool>{o.pointPastDate, o.pointPastVelocity, o.pointPastDegree, o.pointHeadDegree,
                         o.pointLegTime, o.pointLegLength, o.pointLegVelocity}),
      (std::vector<bool>{true, false, true, false, true, false, true}));
  EXPECT_TRUE(o.append);
  EXPECT_EQ((std::vector<bool>{o.convertWaypoints, o.convertRoutes, o.convertTracks}),
            (std::vector<bool>{true, false, false}));
  EXPECT_EQ(o.vrmVrnDatumOption, "WGS84");
  EXPECT_NE(o.groupFilePath.find("header_mps_group.dat"), std::string::npos);
  EXPECT_EQ(standIn.typeChosen, std::vector<bool>{true});
}

TEST_F(PanelRunning, TheDefaultsMakeTheDefaultSnapshot) {
  Prepare();
  Convert();
  ASSERT_EQ(standIn.calls.size(), 1u);
  const engine::ConvertOptions& o = standIn.calls[0];
  EXPECT_EQ(o.utcOffset, "データ優先");
  EXPECT_EQ(o.datum, "データ優先");
  EXPECT_EQ(o.coordFormat, "データ優先");
  EXPECT_EQ(o.routeOrder, "昇順");
  EXPECT_EQ(o.pointStep, 1);
  EXPECT_EQ(o.vrmVrnDatumOption, "TOKYO");
  EXPECT_TRUE(o.convertTracks);
  EXPECT_FALSE(o.convertWaypoints || o.convertRoutes || o.append || o.lineTotalPoints ||
               o.pointPastDate);
}

TEST_F(PanelRunning, TheStepIsRoundedHalvesToEven) {
  const std::pair<const char*, int> kSteps[] = {
      {"2.5", 2}, {"3.5", 4}, {" -7 ", -7}, {"32767", 32767}, {"-32768", -32768}, {"0.4", 0},
  };
  Prepare();
  for (const auto& [text, step] : kSteps) {
    Get<QLineEdit>("TrkPntStepOp")->setText(QString::fromUtf8(text));
    Convert();
    ASSERT_FALSE(standIn.calls.empty());
    EXPECT_EQ(standIn.calls.back().pointStep, step) << text;
  }
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(PanelRunning, MessagesWaitForTheUserInTheirOrder) {
  std::vector<bool> answers;
  standIn.body = [&answers](engine::ConversionContext&, engine::Observer& observer) {
    observer.Show(engine::Message::kAppendNotice, "a", {});
    answers.push_back(observer.AskOverwrite("b"));
    observer.Show(engine::Message::kGroupFileMissing, {}, {});
    return ConversionResult{Outcome::kStopped, engine::Message::kGroupFileMissing, {}};
  };
  services.answerYes = false;
  Prepare();
  Convert();
  EXPECT_EQ(services.shown,
            (std::vector<std::string>{"[a]に追加します．",
                                      "[b]は既に存在します．上書きしてもよろしいですか",
                                      "[header_mps_group.dat]が見つかりません．中止します．"}));
  EXPECT_EQ(answers, std::vector<bool>{false});
}

TEST_F(PanelRunning, TheCaptionCountsEachRecordAndKeepsItsFinalCount) {
  standIn.body = [](engine::ConversionContext&, engine::Observer& observer) {
    StartConversion(observer);
    observer.BeginProgress(engine::ProgressStage::kReadingTrack);
    for (int i = 1; i <= 5000; ++i) observer.PointProgress(i);
    observer.BeginProgress(engine::ProgressStage::kWritingTrack);
    for (int i = 1; i <= 2; ++i) observer.PointProgress(i);
    observer.BeginProgress(engine::ProgressStage::kReadingTrack);  // a track without points
    return ConversionResult{Outcome::kConverted, std::nullopt, {}};
  };
  Prepare();
  Convert();
  ASSERT_GE(captions.size(), 4u);
  EXPECT_EQ(captions.front(), "...ing");
  EXPECT_NE(std::find(captions.begin(), captions.end(), "...ing[5000]"), captions.end());
  EXPECT_EQ(captions[captions.size() - 2], "...ing[5000][2]");
  EXPECT_EQ(captions.back(), "Convert");
  // Counts may be skipped, but never go back.
  for (std::size_t i = 1; i + 1 < captions.size(); ++i) {
    EXPECT_LE(captions[i - 1].size(), captions[i].size()) << captions[i];
  }
}

TEST_F(PanelRunning, CountsShowSeveralTimesASecondInReadingAndWriting) {
  // Each stage takes 600 ms with a point every millisecond; the caption
  // must change at least five times a second in both.
  constexpr int kPoints = 600;
  standIn.body = [](engine::ConversionContext&, engine::Observer& observer) {
    StartConversion(observer);
    for (const auto stage :
         {engine::ProgressStage::kReadingTrack, engine::ProgressStage::kWritingTrack}) {
      observer.BeginProgress(stage);
      for (int i = 1; i <= kPoints; ++i) {
        observer.PointProgress(i);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
    }
    return ConversionResult{Outcome::kConverted, std::nullopt, {}};
  };
  QElapsedTimer clock;
  clock.start();
  std::vector<std::pair<qint64, std::string>> seen;
  QObject::connect(
      window.get(), &panel::VornConverterPanel::ConvertCaptionChanged,
      [&](const QString& caption) { seen.emplace_back(clock.elapsed(), caption.toStdString()); });
  Prepare();
  Convert();
  const std::string all = "[" + std::to_string(kPoints) + "]";
  std::array<int, 2> counts{};  // captions on the way, per stage
  qint64 longest = 0;
  for (std::size_t i = 1; i + 1 < seen.size(); ++i) {
    longest = std::max(longest, seen[i].first - seen[i - 1].first);
    const std::string& caption = seen[i].second;
    const bool reading = caption.find(']') == caption.size() - 1;
    const bool writing = caption.rfind("...ing" + all + "[", 0) == 0;
    if (reading && caption != "...ing" + all) ++counts[0];
    if (writing && caption != "...ing" + all + all) ++counts[1];
  }
  std::printf("%zu captions, longest gap %lld ms\n", seen.size(), static_cast<long long>(longest));
  EXPECT_GE(counts[0], 3);
  EXPECT_GE(counts[1], 3);
  EXPECT_LT(longest, 200);
}

// A conversion that runs until the test lets it end or the window stops it.
struct HeldConversion {
  std::atomic<bool> running{false};
  std::atomic<bool> release{false};
  std::atomic<bool> sawStop{false};

  ConversionResult Run(engine::Observer& observer) {
    StartConversion(observer);
    running = true;
    while (!release) {
      if (observer.StopRequested()) {
        sawStop = true;
        return {Outcome::kCancelled, std::nullopt, {}};
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return {Outcome::kConverted, std::nullopt, {}};
  }
};

TEST_F(PanelRunning, ARunningConversionLocksAllButConvertAndExit) {
  HeldConversion held;
  standIn.body = [&held](engine::ConversionContext&, engine::Observer& o) { return held.Run(o); };
  Prepare();
  Click("Convert");
  ASSERT_TRUE(QTest::qWaitFor([&] { return held.running.load(); }, 5000));
  ASSERT_TRUE(QTest::qWaitFor([&] { return !captions.empty() && captions.back() == "...ing"; }));
  for (const char* name :
       {"OrgFileName", "NewFileName", "GetOrgFile", "GetNewFile", "ViewProAtlas(0)",
        "ViewProAtlas(1)", "FileTypeLists(1)", "UtcOfsOp", "ConvData(0)", "InitTrkNo", "AppendFg",
        "AutoProAtlas", "TrkPntStepOp", "TrkPntOp(3)", "RtePntNoOp(1)"}) {
    EXPECT_FALSE(Get<QWidget>(name)->isEnabled()) << name;
  }
  EXPECT_TRUE(Get<QWidget>("Convert")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("ExitVornConverter")->isEnabled());
  // A second press does nothing.
  Click("Convert");
  held.release = true;
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsConverting(); }, 5000));
  EXPECT_EQ(standIn.calls.size(), 1u);
  EXPECT_TRUE(Get<QWidget>("OrgFileName")->isEnabled());
  EXPECT_TRUE(Get<QWidget>("InitTrkNo")->isEnabled());
  EXPECT_EQ(Get<QPushButton>("Convert")->text().toStdString(), "Convert");
}

TEST_F(PanelRunning, ExitDuringAConversionStopsItAndClosesTheWindow) {
  HeldConversion held;
  standIn.body = [&held](engine::ConversionContext&, engine::Observer& o) { return held.Run(o); };
  Prepare();
  Tick("AutoProAtlas", true);
  Click("Convert");
  ASSERT_TRUE(QTest::qWaitFor([&] { return held.running.load(); }, 5000));
  Click("ExitVornConverter");
  // Exit returns only once the conversion has ended.
  EXPECT_TRUE(held.sawStop);
  EXPECT_FALSE(window->IsConverting());
  EXPECT_FALSE(window->isVisible());
  QTest::qWait(20);
  EXPECT_TRUE(services.launched.empty());
  EXPECT_TRUE(services.shown.empty());
}

TEST_F(PanelRunning, ClosingWhileAQuestionIsOnItsWayAnswersNo) {
  // The window closes before it has seen the question: the conversion must
  // not wait for an answer that will never come.
  std::atomic<bool> answer{true};
  standIn.body = [&answer](engine::ConversionContext&, engine::Observer& observer) {
    answer = observer.AskOverwrite("x");
    return ConversionResult{Outcome::kStopped, engine::Message::kAborted, {}};
  };
  Prepare();
  Click("Convert");
  window->close();
  EXPECT_FALSE(answer);
  EXPECT_FALSE(window->IsConverting());
  QTest::qWait(20);
  EXPECT_TRUE(services.shown.empty());
}

struct AutoStartCase {
  bool ticked;
  const char* output;
  Outcome outcome;
  bool started;
};

TEST_F(PanelRunning, AutoStartOpensAnMpsOutputInProAtlas) {
  const AutoStartCase kCases[] = {
      {true, "/d/out.mps", Outcome::kConverted, true},
      {false, "/d/out.mps", Outcome::kConverted, false},
      {true, "/d/out.txt", Outcome::kConverted, false},
      {true, "/d/out.vrc", Outcome::kConverted, false},
      // Regression: a stopped conversion keeps the old output, which the map
      // program then showed as the result. Only a completed one starts it.
      {true, "/d/out.mps", Outcome::kStopped, false},
      {true, "/d/out.mps", Outcome::kCancelled, false},
  };
  for (const AutoStartCase& c : kCases) {
    SCOPED_TRACE(c.output);
    services.launched.clear();
    standIn.body = [outcome = c.outcome](engine::ConversionContext&, engine::Observer& observer) {
      StartConversion(observer);
      return ConversionResult{outcome, std::nullopt, {}};
    };
    Tick("AutoFileName", false);
    Tick("AutoProAtlas", c.ticked);
    Click("FileTypeLists(0)");
    SetText("OrgFileName", "/d/in.vrc");
    SetText("NewFileName", c.output);
    Convert();
    EXPECT_EQ(services.launched,
              c.started ? std::vector<std::string>{c.output} : std::vector<std::string>{});
  }
}

TEST_F(PanelRunning, AutoStartWaitsForTheChecks) {
  standIn.body = [](engine::ConversionContext&, engine::Observer& observer) {
    observer.Show(engine::Message::kFileNameMissing, {}, {});
    return ConversionResult{Outcome::kStopped, engine::Message::kFileNameMissing, {}};
  };
  Prepare();
  Tick("AutoProAtlas", true);
  Convert();
  EXPECT_TRUE(services.launched.empty());
  EXPECT_EQ(captions.back(), "Convert");
  EXPECT_EQ(std::count(captions.begin(), captions.end(), "...ing"), 0);
}

}  // namespace
}  // namespace vc::testing
