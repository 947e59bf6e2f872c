// Pictures of the window for a person to look at, kept under the build
// folder: a real receiver's capture previewed before it is converted and
// after, and the window in English with a message box open.
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "panel/preview_view.hpp"
#include "panel/translation.hpp"
#include "panel_support.hpp"

namespace vc::testing {
namespace {

QImage Picture(QWidget& window, QWidget* box = nullptr) {
  QImage image(window.size(), QImage::Format_ARGB32);
  image.fill(window.palette().color(QPalette::Window));
  window.render(&image);
  if (box != nullptr) {
    const QPoint at((window.width() - box->width()) / 2, (window.height() - box->height()) / 3);
    box->render(&image, at);
  }
  return image;
}

std::string Artifact(const char* name) { return std::string(VC_PANEL_ARTIFACTS) + "/" + name; }

// A Garmin Geko in its demo mode walking through Madrid, 18 fixes.
// A raw serial capture has no empty line between its fixes; the VRN layout
// ends each block with one, so one goes before every $GPRMC.
std::string AsVrnLog(const std::string& capture) {
  std::istringstream lines(capture);
  std::string line;
  std::string log;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.rfind("$GPRMC", 0) == 0 && !log.empty()) log += "\r\n";
    log += line + "\r\n";
  }
  return log + "\r\n";
}

using PanelScreenshot = PanelTest;

TEST_F(PanelScreenshot, ARealCaptureBeforeAndAfterConversion) {
  const std::filesystem::path capture =
      std::filesystem::path(VC_REAL_CAPTURES) / "gpsd-garmin-geko201.log";
  if (!std::filesystem::exists(capture)) GTEST_SKIP() << "no " << capture;
  const std::string input = dir.Write("madrid.vrn", AsVrnLog(ReadFile(capture.string())));
  Click("FileTypeLists(0)");
  SetText("OrgFileName", input);
  PressEnter("OrgFileName");
  ASSERT_TRUE(QTest::qWaitFor([this] { return !window->IsPreviewing(); }, 30000));
  auto* preview = Get<panel::PreviewView>("Preview");
  ASSERT_FALSE(preview->Content().Empty());
  EXPECT_TRUE(
      Picture(*window).save(QString::fromStdString(Artifact("panel-preview-original.png"))));

  SetText("NewFileName", dir.Path("madrid.mps"));
  Convert();
  EXPECT_TRUE(services.shown.empty()) << services.shown.front();
  ASSERT_FALSE(preview->Content().Empty());
  EXPECT_GT(preview->Content().points.size(), 10u);
  EXPECT_TRUE(
      Picture(*window).save(QString::fromStdString(Artifact("panel-preview-converted.png"))));
}

TEST(PanelScreenshotEnglish, AMessageBoxInEnglish) {
  const QByteArray saved = qgetenv("LC_ALL");
  qputenv("LC_ALL", "en_US.UTF-8");
  ASSERT_TRUE(panel::InstallTranslation(engine::DesktopLanguage()));
  {
    panel::DesktopServices services;
    panel::VornConverterPanel window(services);
    window.show();
    std::string text;
    // The message arrives from the conversion's thread: wait for its box.
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      poll.stop();
      text = box->text().toStdString();
      EXPECT_TRUE(Picture(window, box)
                      .save(QString::fromStdString(Artifact("panel-screenshot-english.png"))));
      box->button(QMessageBox::Ok)->click();
    });
    poll.start();
    window.findChild<QPushButton*>("Convert")->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window.IsConverting(); }, 10000));
    EXPECT_EQ(text, "Specify both file names.");
  }
  qputenv("LC_ALL", saved);
  panel::InstallTranslation(engine::Language::kJapanese);
}

}  // namespace
}  // namespace vc::testing
