// Pictures of the window for a person to look at, kept under the build
// folder: a real receiver's capture previewed before it is converted and
// after, and the window in English with a message box open.
#include <QImage>
#include <QMessageBox>
#include <QTimer>
#include <cmath>
#include <cstdio>
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

TEST_F(PanelScreenshot, ARealNmeaCaptureConvertedToGpx) {
  const std::filesystem::path capture =
      std::filesystem::path(VC_REAL_CAPTURES) / "gpsd-telit-he910.log";
  if (!std::filesystem::exists(capture)) GTEST_SKIP() << "no " << capture;
  // Brussels, 187 fixes after a long start without one, read as it was
  // captured; the frame shows NMEA in red and GPX chosen.
  services.chosen = dir.Write("brussels.nmea", ReadFile(capture.string()));
  Click("GetOrgFile");
  Click("FileTypeLists(3)");
  Convert();
  EXPECT_TRUE(services.shown.empty()) << services.shown.front();
  EXPECT_EQ(Get<panel::PreviewView>("Preview")->Content().points.size(), 187u);
  EXPECT_TRUE(Picture(*window).save(QString::fromStdString(Artifact("panel-nmea-to-gpx.png"))));
}

// VornConnect lines: TAB-separated columns, the given ones set.
std::string Columns(std::size_t count,
                    const std::vector<std::pair<std::size_t, std::string>>& set) {
  std::vector<std::string> fields(count);
  for (const auto& [column, value] : set) fields[column - 1] = value;
  std::string line = fields[0];
  for (std::size_t n = 1; n < count; ++n) line += '\t' + fields[n];
  return line + "\r\n";
}

// Three waypoints, a route through them and a track that speeds up and
// slows down round them, near Tokyo Station.
std::string RecordsNearTokyo() {
  const auto number = [](double value) { return std::to_string(value); };
  const double places[][2] = {{35.6812, 139.7671}, {35.6895, 139.7005}, {35.6586, 139.7454}};
  const char* const names[] = {"Tokyo", "Shinjuku", "Tower"};
  std::string vrc;
  for (int i = 0; i < 3; ++i) {
    vrc += Columns(44, {{1, "WPT"},
                        {2, "D"},
                        {3, "TOKYO"},
                        {5, number(places[i][0])},
                        {6, number(places[i][1])},
                        {39, names[i]}});
  }
  vrc += "RTH\t1\tLoop\t4\r\n";
  for (int i = 0; i < 4; ++i) {
    vrc += Columns(44, {{1, "RTP"},
                        {2, "D"},
                        {3, "TOKYO"},
                        {5, number(places[i % 3][0])},
                        {6, number(places[i % 3][1])}});
  }
  constexpr int kPoints = 600;
  vrc += "TRH\t" + std::to_string(kPoints) + "\tTrue\t0\tdrive\r\n";
  double lat = places[0][0];
  double lon = places[0][1];
  for (int i = 0; i < kPoints; ++i) {
    const double heading = i * 2 * 3.14159265 / kPoints + 3.14159265;
    const double step = 1e-5 * (1 + 9 * (0.5 + 0.5 * std::sin(i / 40.0)));
    lat += step * std::cos(heading);
    lon += step * std::sin(heading) * 1.2;
    char time[32];
    std::snprintf(time, sizeof time, "2002/07/15 %02d:%02d:%02d", 9 + i / 3600, (i / 60) % 60,
                  i % 60);
    vrc += Columns(
        10, {{1, "TRP"}, {2, "D"}, {3, "TOKYO"}, {4, number(lat)}, {5, number(lon)}, {6, time}});
  }
  return vrc;
}

TEST_F(PanelScreenshot, WaypointsRoutesAndATrackBySpeed) {
  const std::string input = dir.Write("tokyo.vrc", RecordsNearTokyo());
  Click("FileTypeLists(0)");
  Tick("ConvData(0)", true);
  Tick("ConvData(1)", true);
  SetText("OrgFileName", input);
  SetText("NewFileName", dir.Path("tokyo.mps"));
  Convert();
  EXPECT_TRUE(services.shown.empty()) << services.shown.front();
  EXPECT_EQ(Get<panel::PreviewView>("Preview")->Content().records.size(), 5u);
  EXPECT_TRUE(Picture(*window).save(QString::fromStdString(Artifact("panel-preview-records.png"))));
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
