// Files dragged from a file manager onto the Original File and Converted File
// rows: a drop acts as if the file had been chosen with the row's Ref. button,
// and no file dialog opens. Several original files are converted in turn.
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "panel_support.hpp"

namespace vc::testing {
namespace {

using PanelDrops = PanelTest;

// Where on a row the file lands: the name box (its viewport takes the events
// of a scroll area), the Ref. button, or the caption.
QWidget* DropTarget(QWidget* widget) {
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) return box->viewport();
  return widget;
}

struct DropResult {
  bool enterAccepted = false;
  bool dropAccepted = false;
};

DropResult Drop(QWidget* target, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint at = target->rect().center();
  QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return {enter.isAccepted(), drop.isAccepted()};
}

struct RowCase {
  const char* widget;
};

const RowCase kOrgRow[] = {{"OrgFileName"}, {"GetOrgFile"}, {"Label1"}};
const RowCase kNewRow[] = {{"NewFileName"}, {"GetNewFile"}, {"Label2"}};

TEST_F(PanelDrops, AnOriginalFileDroppedOnItsRowActsAsIfChosen) {
  for (const RowCase& c : kOrgRow) {
    SCOPED_TRACE(c.widget);
    Make();
    Click("FileTypeLists(0)");
    const DropResult result =
        Drop(DropTarget(Get<QWidget>(c.widget)), {QUrl::fromLocalFile("/home/u/a.vrn")});
    EXPECT_TRUE(result.enterAccepted);
    EXPECT_TRUE(result.dropAccepted);
    EXPECT_EQ(TextOf("OrgFileName"), "/home/u/a.vrn");
    EXPECT_TRUE(IsRed("FileTypeLists2(2)"));
    EXPECT_EQ(TextOf("NewFileName"), "/home/u/a.mps");
    EXPECT_TRUE(services.dialogs.empty());
    EXPECT_TRUE(services.shown.empty());
  }
}

TEST_F(PanelDrops, AConvertedFileDroppedOnItsRowActsAsIfChosen) {
  for (const RowCase& c : kNewRow) {
    SCOPED_TRACE(c.widget);
    Make();
    Tick("AutoFileName", false);
    SetText("OrgFileName", "/home/u/a.vrn");
    Drop(DropTarget(Get<QWidget>(c.widget)), {QUrl::fromLocalFile("/e/out.TXT")});
    EXPECT_EQ(TextOf("NewFileName"), "/e/out.txt");
    EXPECT_TRUE(Get<QAbstractButton>("FileTypeLists(1)")->isChecked());
    EXPECT_EQ(TextOf("OrgFileName"), "/home/u/a.vrn");
    EXPECT_TRUE(services.dialogs.empty());
  }
}

TEST_F(PanelDrops, AnUnknownTypeDroppedIsReportedAsWhenChosen) {
  Drop(DropTarget(Get<QWidget>("OrgFileName")), {QUrl::fromLocalFile("/d/a.xyz")});
  EXPECT_EQ(services.shown, std::vector<std::string>{"未対応のファイルタイプです．"});
}

// Several files on the Original File row are converted one after the other
// into the chosen type, each beside itself as AutoFileName names it (also
// when it is not ticked); one report then lists each file.
TEST_F(PanelDrops, SeveralOriginalFilesAreEachConvertedBesideThemselves) {
  const std::string first = dir.Write("first.vrc", VrcTrack(5));
  const std::string empty = dir.Write("empty.vrc", "");
  const std::string second = dir.Write("second.VRC", VrcTrack(7));
  Click("FileTypeLists(0)");
  Tick("AutoFileName", false);
  Drop(DropTarget(Get<QWidget>("OrgFileName")),
       {QUrl::fromLocalFile(QString::fromStdString(first)),
        QUrl::fromLocalFile(QString::fromStdString(empty)),
        QUrl::fromLocalFile(QString::fromStdString(second))});
  ASSERT_TRUE(QTest::qWaitFor(
      [this] { return services.shown.size() == 2 && !window->IsConverting(); }, 30000));
  EXPECT_EQ(services.shown[0], "[" + empty + "]は存在しません．中止します．");
  const std::string report = services.shown[1];
  const std::string firstOutput = dir.Path("first.mps");
  const std::string secondOutput = dir.Path("second.mps");
  EXPECT_EQ(report.find(first + " → " + firstOutput + ": "), 0u) << report;
  EXPECT_NE(report.find("\n" + empty + ": [" + empty + "]は存在しません．中止します．\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("\n" + second + " → " + secondOutput + ": "), std::string::npos) << report;
  EXPECT_NE(dir.Read("first.mps").find("line"), std::string::npos);
  EXPECT_NE(dir.Read("second.mps").find("line"), std::string::npos);
  EXPECT_FALSE(Get<QAbstractButton>("AutoFileName")->isChecked());
  EXPECT_EQ(TextOf("OrgFileName"), second);
}

// Regression: Convert pressed between two dropped files left the rest
// unconverted (the next file's start was refused while that ran).
TEST_F(PanelDrops, ConvertPressedBetweenDroppedFilesDoesNotStopTheRest) {
  const std::string first = dir.Write("first.vrc", VrcTrack(3));
  const std::string second = dir.Write("second.vrc", VrcTrack(4));
  Click("FileTypeLists(0)");
  bool pressed = false;
  QObject::connect(window.get(), &panel::VornConverterPanel::ConversionFinished, [&] {
    if (pressed) return;
    pressed = true;
    Click("Convert");  // converts the first file again, after a Yes
  });
  Drop(DropTarget(Get<QWidget>("OrgFileName")),
       {QUrl::fromLocalFile(QString::fromStdString(first)),
        QUrl::fromLocalFile(QString::fromStdString(second))});
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return !window->IsConverting() && !services.shown.empty() &&
               services.shown.back().find(first + " → ") == 0;
      },
      30000));
  EXPECT_TRUE(pressed);
  const std::string report = services.shown.back();
  EXPECT_NE(report.find("\n" + second + " → " + dir.Path("second.mps") + ": "), std::string::npos)
      << report;
  EXPECT_NE(dir.Read("second.mps").find("line"), std::string::npos);
}

TEST_F(PanelDrops, SeveralOriginalFilesNeedAType) {
  SetText("OrgFileName", "/d/keep.vrn");
  Drop(DropTarget(Get<QWidget>("OrgFileName")),
       {QUrl::fromLocalFile("/d/first.vrc"), QUrl::fromLocalFile("/d/second.vrp")});
  EXPECT_EQ(services.shown, std::vector<std::string>{"変換後のファイルタイプを指定してください．"});
  EXPECT_EQ(TextOf("OrgFileName"), "/d/keep.vrn");
  EXPECT_FALSE(window->IsConverting());
}

// Only one converted file can be named: the first of several is taken.
TEST_F(PanelDrops, OnlyTheFirstOfSeveralConvertedFilesIsTaken) {
  Drop(DropTarget(Get<QWidget>("NewFileName")),
       {QUrl::fromLocalFile("/d/first.vrc"), QUrl::fromLocalFile("/d/second.txt")});
  EXPECT_EQ(TextOf("NewFileName"), "/d/first.vrc");
}

// A web address or plain text is refused, and the box is not pasted into.
TEST_F(PanelDrops, WhatIsNoLocalFileIsRefused) {
  SetText("OrgFileName", "/d/keep.vrn");
  const QList<QList<QUrl>> kRefused = {{QUrl("https://example.invalid/a.vrn")}, {}};
  for (const QList<QUrl>& urls : kRefused) {
    const DropResult result = Drop(DropTarget(Get<QWidget>("OrgFileName")), urls);
    EXPECT_FALSE(result.enterAccepted);
    EXPECT_FALSE(result.dropAccepted);
    EXPECT_EQ(TextOf("OrgFileName"), "/d/keep.vrn");
  }
  EXPECT_TRUE(services.shown.empty());
}

// A drop elsewhere in the window changes neither name.
TEST_F(PanelDrops, ADropOutsideTheRowsChangesNothing) {
  SetText("OrgFileName", "/d/keep.vrn");
  Drop(Get<QWidget>("Convert"), {QUrl::fromLocalFile("/d/other.vrc")});
  EXPECT_EQ(TextOf("OrgFileName"), "/d/keep.vrn");
  EXPECT_EQ(TextOf("NewFileName"), "");
}

}  // namespace
}  // namespace vc::testing
