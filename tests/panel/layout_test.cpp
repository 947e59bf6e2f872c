// The arrangement of the window: every caption has the room it needs inside
// its frame at the fonts the window uses, at 100 % and 200 %, and a picture
// of the window for a person to look at (kept under the build folder).
#include <QGroupBox>
#include <QImage>
#include <QPainter>

#include "panel_support.hpp"

namespace vc::testing {
namespace {

bool HasCaption(const QWidget* control) {
  return qobject_cast<const QLabel*>(control) != nullptr ||
         qobject_cast<const QAbstractButton*>(control) != nullptr;
}

using PanelLayout = PanelTest;

TEST_F(PanelLayout, WindowKeepsTheProportionsOfTheDesign) {
  // 5808 x 6636 twips, and a row of 240 twips more for the FileType frame's
  // second row of types (GPX, KML; NMEA): 387 x 458 pixels at 15 twips a
  // pixel, or larger in proportion when the desktop's controls need it. The
  // preview pane and its toggle lie to the right of that.
  const int designWidth = Get<QWidget>("PreviewToggle")->x();
  EXPECT_GE(designWidth, 387);
  EXPECT_NEAR(window->height() / double(designWidth), (6636.0 + 240) / 5808.0, 0.01);
  for (QWidget* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    const std::string name = control->objectName().toStdString();
    if (name.empty() || name.rfind("qt_", 0) == 0 || name.rfind("Preview", 0) == 0) continue;
    EXPECT_LE(control->geometry().right(), designWidth) << name;
  }
}

TEST_F(PanelLayout, NoCaptionIsCut) {
  for (QWidget* control : window->findChildren<QWidget*>()) {
    if (!control->isVisibleTo(window.get())) continue;
    const std::string name = control->objectName().toStdString();
    if (name.empty() || name.rfind("qt_", 0) == 0) continue;
    SCOPED_TRACE(name);
    const QRect inParent = control->geometry();
    EXPECT_TRUE(control->parentWidget()->rect().contains(inParent))
        << "reaches out of " << control->parentWidget()->objectName().toStdString();
    if (qobject_cast<QPushButton*>(control) != nullptr) {
      // Buttons keep their size; their captions must fit inside the bevel.
      const int margins = 2 * control->style()->pixelMetric(QStyle::PM_ButtonMargin);
      const auto* button = static_cast<QPushButton*>(control);
      EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + margins,
                control->width());
      EXPECT_LE(button->fontMetrics().height(), control->height());
    } else if (HasCaption(control)) {
      EXPECT_GE(control->width(), control->sizeHint().width());
      EXPECT_GE(control->height(), control->sizeHint().height());
    }
  }
}

TEST_F(PanelLayout, FrameTitlesFitTheirFrames) {
  for (QGroupBox* frame : window->findChildren<QGroupBox*>()) {
    SCOPED_TRACE(frame->objectName().toStdString());
    EXPECT_LT(frame->fontMetrics().horizontalAdvance(frame->title()) + 16, frame->width());
  }
}

TEST_F(PanelLayout, JapaneseItemsFitTheirComboBoxes) {
  for (const char* name : {"UtcOfsOp", "DatumOp", "CoordOp"}) {
    auto* combo = Get<QComboBox>(name);
    const QLineEdit* edit = combo->lineEdit();
    EXPECT_GE(edit->width(), edit->fontMetrics().horizontalAdvance(combo->currentText()) + 4)
        << name;
  }
}

TEST_F(PanelLayout, TheAddedTypesLieOnASecondRowInTheDesignsColumns) {
  // Each added type sits under the design's type of its column, one row
  // lower, and the frame's captions below both rows.
  const std::pair<const char*, const char*> kColumns[] = {
      {"FileTypeLists(3)", "FileTypeLists(0)"},
      {"FileTypeLists(4)", "FileTypeLists(1)"},
      {"FileTypeLists2(3)", "FileTypeLists2(0)"},
      {"label(4)", "label(3)"},
  };
  auto* first = Get<QWidget>("FileTypeLists(0)");
  const int rowPitch = Get<QWidget>("FileTypeLists(3)")->y() - first->y();
  // The captions of the two rows do not touch.
  const int lineHeight = first->fontMetrics().height();
  EXPECT_GE(rowPitch, lineHeight);
  for (const auto& [added, above] : kColumns) {
    SCOPED_TRACE(added);
    const QRect addedAt = Get<QWidget>(added)->geometry();
    const QRect aboveAt = Get<QWidget>(above)->geometry();
    EXPECT_EQ(addedAt.x(), aboveAt.x());
    EXPECT_EQ(addedAt.center().y() - aboveAt.center().y(), rowPitch);
  }
  const int secondRow = Get<QWidget>("FileTypeLists(3)")->geometry().center().y();
  for (const char* below : {"Label3", "AutoFileName"}) {
    EXPECT_GE(Get<QWidget>(below)->geometry().center().y() - secondRow, lineHeight) << below;
  }
}

// Draws the window at a device pixel ratio into build/tests/panel/.
QImage Render(QWidget& window, qreal ratio) {
  QImage image(window.size() * ratio, QImage::Format_ARGB32);
  image.setDevicePixelRatio(ratio);
  image.fill(window.palette().color(QPalette::Window));
  window.render(&image);
  return image;
}

TEST_F(PanelLayout, Screenshot) {
  SetText("OrgFileName", "/home/user/logs/2002-03-05.vrn");
  Click("FileTypeLists(0)");
  PressEnter("OrgFileName");
  const std::string folder = VC_PANEL_ARTIFACTS;
  for (const auto& [ratio, file] :
       {std::pair{1.0, "/panel-screenshot.png"}, std::pair{2.0, "/panel-screenshot@2x.png"}}) {
    const QImage image = Render(*window, ratio);
    EXPECT_EQ(image.size(), window->size() * ratio);
    EXPECT_TRUE(image.save(QString::fromStdString(folder + file)));
  }
  EXPECT_TRUE(services.shown.empty());
}

}  // namespace
}  // namespace vc::testing
