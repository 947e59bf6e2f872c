// How long the window's preview takes to draw a long track: 10^6 points of
// a drive round Tokyo at 0 to 100 km/h, drawn into an image of the pane's
// size, best of several runs. Not a test: run it by hand (bench/README.md).
//
//   vc_bench_preview [POINTS] [RUNS]
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "panel/preview_data.hpp"
#include "panel/preview_view.hpp"

namespace {

vc::panel::PreviewData Drive(std::size_t points) {
  vc::panel::PreviewData data;
  data.points.reserve(points);
  double lat = 35.6812;
  double lon = 139.7671;
  for (std::size_t i = 0; i < points; ++i) {
    const double t = static_cast<double>(i);
    // Wandering headings and speeds, one fix a second.
    const double heading = std::sin(t / 900) * 2.5 + std::sin(t / 97) * 0.6;
    const double speed = 50 + 50 * std::sin(t / 300);
    const double metres = speed / 3.6;
    lat += metres * std::cos(heading) / 111'320;
    lon += metres * std::sin(heading) / (111'320 * std::cos(lat * std::numbers::pi / 180));
    data.points.push_back({lat, lon, speed});
  }
  data.records.push_back({vc::engine::RecordKind::kTrk, "drive", 0, points});
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const std::size_t points = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1'000'000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
  const vc::panel::PreviewData data = Drive(points);
  // The pane's picture at 100 % (442 x 309 pixels) and at 200 %.
  for (const QSize size : {QSize(442, 309), QSize(884, 618)}) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    qint64 best = -1;
    for (int run = 0; run < std::max(1, runs); ++run) {
      QElapsedTimer clock;
      clock.start();
      QPainter painter(&image);
      vc::panel::DrawPreview(painter, image.rect(), data, QStringLiteral("drive"), {});
      painter.end();
      const qint64 took = clock.nsecsElapsed();
      if (best < 0 || took < best) best = took;
    }
    std::printf("%zu points into %dx%d: best of %d runs %.1f ms\n", points, size.width(),
                size.height(), runs, static_cast<double>(best) / 1e6);
  }
  return 0;
}
