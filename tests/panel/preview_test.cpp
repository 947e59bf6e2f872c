// The preview pane through the window: what a conversion wrote, a look at
// the original file before converting, the report under the picture and the
// toggle that hides the pane.
#include <QToolButton>
#include <cmath>
#include <filesystem>

#include "engine/report.hpp"
#include "panel/preview_view.hpp"
#include "panel_support.hpp"

namespace vc::testing {
namespace {

using engine::ConversionResult;
using engine::Outcome;
using engine::RecordKind;

class PanelPreview : public PanelTest {
 protected:
  panel::PreviewView* View() { return Get<panel::PreviewView>("Preview"); }
  std::string ReportText() { return Get<QPlainTextEdit>("Report")->toPlainText().toStdString(); }
  void WaitForLook() {
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsPreviewing(); }, 30000));
  }
  static std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
  }
  std::vector<RecordKind> Kinds() {
    std::vector<RecordKind> kinds;
    for (const auto& record : View()->Content().records) kinds.push_back(record.kind);
    return kinds;
  }

  const std::string source = dir.Write("in.vrc", VrcTrack(5));
};

TEST_F(PanelPreview, AConversionShowsWhatItWroteAndItsReport) {
  const std::string output = dir.Path("out.mps");
  Click("FileTypeLists(0)");
  SetText("OrgFileName", source);
  SetText("NewFileName", output);
  Convert();
  ASSERT_TRUE(services.shown.empty());
  ASSERT_EQ(Kinds(), std::vector<RecordKind>{RecordKind::kTrk});
  const panel::PreviewData& shown = View()->Content();
  ASSERT_EQ(shown.records[0].count, 5u);
  // VrcTrack's last fix, as written in the "MPS" form (tenths of a second).
  EXPECT_NEAR(shown.points[4].lat, 35.00004, 3e-5);
  EXPECT_NEAR(shown.points[4].lon, 139.00004, 3e-5);
  EXPECT_NE(View()->Title().toStdString().find(output), std::string::npos);
  EXPECT_FALSE(ReportText().empty());
}

TEST_F(PanelPreview, TheReportShowsWhatFormatReportGivesForTheResult) {
  engine::ConversionReport report;
  report.read.tracks = 2;
  report.written.tracks = 1;
  report.written.trackPoints = 7;
  report.Skip(engine::SkipReason::kBadChecksum, 3);
  report.tracks.lengthM = 1234.5;
  Make([report](const engine::ConvertOptions&, engine::ConversionContext&,
                engine::Observer& observer, bool) {
    engine::ConvertOptions snapshot;
    observer.ConversionStarting(snapshot);
    // The window's sink is there for the records written.
    const engine::PreviewPoint points[] = {{35, 139, 10}, {35.1, 139.1, std::nan("")}};
    EXPECT_NE(observer.Preview(), nullptr);
    if (observer.Preview() != nullptr) observer.Preview()->Record(RecordKind::kRte, "R", points);
    return ConversionResult{Outcome::kConverted, std::nullopt, report};
  });
  Click("FileTypeLists(0)");
  SetText("OrgFileName", "/d/in.vrc");
  SetText("NewFileName", "/d/out.mps");
  Convert();
  EXPECT_EQ(ReportText(), Joined(engine::FormatReport(report)));
  EXPECT_EQ(Kinds(), std::vector<RecordKind>{RecordKind::kRte});
  EXPECT_EQ(View()->Content().records[0].name, "R");
}

TEST_F(PanelPreview, AStoppedConversionShowsNothingWrittenButItsReport) {
  engine::ConversionReport report;
  report.read.waypoints = 4;
  Make([report](const engine::ConvertOptions&, engine::ConversionContext&,
                engine::Observer& observer, bool) {
    engine::ConvertOptions snapshot;
    observer.ConversionStarting(snapshot);
    const engine::PreviewPoint point[] = {{35, 139, 0}};
    observer.Preview()->Record(RecordKind::kWpt, "W", point);
    return ConversionResult{Outcome::kStopped, engine::Message::kCannotWrite, report};
  });
  Click("FileTypeLists(0)");
  SetText("OrgFileName", "/d/in.vrc");
  SetText("NewFileName", "/d/out.mps");
  Convert();
  EXPECT_TRUE(View()->Content().Empty());
  EXPECT_EQ(ReportText(), Joined(engine::FormatReport(report)));
}

TEST_F(PanelPreview, AChecksMessageLeavesThePaneAsItWas) {
  services.chosen = source;
  Click("GetOrgFile");
  WaitForLook();
  const std::string before = ReportText();
  Convert();  // no converted name
  EXPECT_EQ(services.shown, std::vector<std::string>{"ファイル名を指定してください．"});
  EXPECT_EQ(Kinds(), std::vector<RecordKind>{RecordKind::kTrk});
  EXPECT_EQ(ReportText(), before);
}

TEST_F(PanelPreview, TheOriginalIsShownBeforeAnythingIsConverted) {
  enum class Way { kRef, kEnter, kLeave };
  for (const Way way : {Way::kRef, Way::kEnter, Way::kLeave}) {
    SCOPED_TRACE(static_cast<int>(way));
    Make();
    if (way == Way::kRef) {
      services.chosen = source;
      Click("GetOrgFile");
    } else {
      SetText("OrgFileName", source);
      if (way == Way::kEnter) PressEnter("OrgFileName");
      QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
      if (way == Way::kLeave) QApplication::sendEvent(Get<QPlainTextEdit>("OrgFileName"), &out);
    }
    WaitForLook();
    ASSERT_EQ(Kinds(), std::vector<RecordKind>{RecordKind::kTrk});
    EXPECT_EQ(View()->Content().records[0].count, 5u);
    EXPECT_NEAR(View()->Content().points[1].lat, 35.00001, 1e-9);
    EXPECT_NE(View()->Title().toStdString().find(source), std::string::npos);
    // Read only: nothing written, no numbering moved, nothing said.
    EXPECT_EQ(window->Context().trackNumber, "");
    EXPECT_TRUE(services.shown.empty());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
  }
}

TEST_F(PanelPreview, AnOriginalThatCannotBeReadIsSaidInThePaneNotInABox) {
  SetText("OrgFileName", dir.Path("none.vrc"));
  PressEnter("OrgFileName");
  WaitForLook();
  EXPECT_TRUE(View()->Content().Empty());
  EXPECT_TRUE(services.shown.empty());
  // A name of no known type is not read at all; Convert reports it.
  SetText("OrgFileName", dir.Path("a.xyz"));
  PressEnter("OrgFileName");
  EXPECT_FALSE(window->IsPreviewing());
  EXPECT_EQ(services.shown, std::vector<std::string>{"未対応のファイルタイプです．"});
}

TEST_F(PanelPreview, ConvertAfterALookConvertsAndShowsTheWrittenRecords) {
  services.chosen = source;
  Click("FileTypeLists(2)");
  Click("GetOrgFile");  // the converted name follows: in.vrc -> in.vrc is the same file
  SetText("NewFileName", dir.Path("out.txt"));
  Convert();
  WaitForLook();
  ASSERT_TRUE(services.shown.empty()) << services.shown.front();
  EXPECT_NE(View()->Title().toStdString().find("out.txt"), std::string::npos);
  EXPECT_EQ(Kinds(), std::vector<RecordKind>{RecordKind::kTrk});
  EXPECT_EQ(window->Context().trackNumber, "1");
}

TEST_F(PanelPreview, TheToggleHidesThePaneAndTheControlsStayWhereTheyAre) {
  auto* toggle = Get<QToolButton>("PreviewToggle");
  QWidget* pane = Get<QWidget>("PreviewPane");
  const QRect convert = Get<QWidget>("Convert")->geometry();
  const int shownWidth = window->width();
  const int height = window->height();
  EXPECT_TRUE(pane->isVisible());
  EXPECT_EQ(shownWidth, toggle->geometry().right() + 1 + pane->width());
  toggle->click();
  EXPECT_FALSE(pane->isVisible());
  EXPECT_EQ(window->width(), toggle->geometry().right() + 1);
  EXPECT_EQ(window->height(), height);
  EXPECT_EQ(Get<QWidget>("Convert")->geometry(), convert);
  toggle->click();
  EXPECT_TRUE(pane->isVisible());
  EXPECT_EQ(window->width(), shownWidth);
  // Nothing is remembered: a new window shows the pane.
  toggle->click();
  Make();
  EXPECT_TRUE(Get<QWidget>("PreviewPane")->isVisible());
}

}  // namespace
}  // namespace vc::testing
