// Files dragged from a file manager onto the Original File and Converted File
// rows: a drop acts as if the file had been chosen with the row's Ref. button,
// and no file dialog opens.
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

TEST_F(PanelDrops, OnlyTheFirstOfSeveralFilesIsTaken) {
  Drop(DropTarget(Get<QWidget>("OrgFileName")),
       {QUrl::fromLocalFile("/d/first.vrc"), QUrl::fromLocalFile("/d/second.vrp")});
  EXPECT_EQ(TextOf("OrgFileName"), "/d/first.vrc");
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
