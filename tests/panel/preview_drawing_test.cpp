// The drawing of a preview: north is up and a square on the ground stays a
// square at any latitude (the longitudes scaled by the cosine of the middle
// latitude), and the start and end of a track are where they lie.
#include <QImage>
#include <QPainter>
#include <cmath>
#include <numbers>

#include "panel/preview_view.hpp"
#include "panel_support.hpp"

namespace vc::testing {
namespace {

using engine::PreviewPoint;

struct Extent {
  int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
  void Add(int x, int y) {
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
  [[nodiscard]] QPoint Centre() const { return {(left + right) / 2, (top + bottom) / 2}; }
};

bool Near(QRgb pixel, QColor colour) {
  const QColor seen(pixel);
  return std::abs(seen.red() - colour.red()) < 12 && std::abs(seen.green() - colour.green()) < 12 &&
         std::abs(seen.blue() - colour.blue()) < 12;
}

// Above the legend, which draws the track colours and the end markers too.
Extent ExtentOf(const QImage& image, QColor colour, int bottom = 380) {
  Extent extent;
  for (int y = 0; y < std::min(bottom, image.height()); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (Near(image.pixel(x, y), colour)) extent.Add(x, y);
    }
  }
  return extent;
}

TEST(PreviewDrawing, NorthIsUpAndASquareStaysSquare) {
  for (const double lat : {0.0, 35.0, 60.0}) {
    SCOPED_TRACE(lat);
    // A walk round a square of 0.01 degree of latitude a side at one speed
    // (drawn in the slow end's blue): north, east, south, then back west
    // short of the start.
    const double side = 0.01;
    const double east = side / std::cos(lat * std::numbers::pi / 180);
    panel::PreviewData data;
    data.points = {{lat, 10, 5},
                   {lat + side, 10, 5},
                   {lat + side, 10 + east, 5},
                   {lat, 10 + east, 5},
                   {lat, 10 + east / 2, 5}};
    data.records.push_back({engine::RecordKind::kTrk, "square", 0, data.points.size()});
    QImage image(500, 420, QImage::Format_RGB32);
    QPainter painter(&image);
    panel::DrawPreview(painter, image.rect(), data, QStringLiteral("square"), {});
    painter.end();
    const Extent track = ExtentOf(image, QColor::fromHsv(240, 230, 210));
    ASSERT_GT(track.right, track.left);
    const double width = track.right - track.left;
    const double height = track.bottom - track.top;
    EXPECT_NEAR(width / height, 1.0, 0.05);
    // The start (green) at the bottom left, the end (red) in the bottom middle.
    const QPoint start = ExtentOf(image, QColor(0, 170, 0)).Centre();
    const QPoint end = ExtentOf(image, QColor(220, 0, 0)).Centre();
    EXPECT_NEAR(start.x(), track.left, 6);
    EXPECT_NEAR(start.y(), track.bottom, 6);
    EXPECT_NEAR(end.x(), (track.left + track.right) / 2, 6);
    EXPECT_NEAR(end.y(), track.bottom, 6);
  }
}

TEST(PreviewDrawing, NothingToDrawDrawsTheEmptyText) {
  QImage image(300, 200, QImage::Format_RGB32);
  QPainter painter(&image);
  panel::DrawPreview(painter, image.rect(), {}, {}, QStringLiteral("X"));
  painter.end();
  // Only the text, in grey, in the middle.
  const Extent text = ExtentOf(image, Qt::darkGray, image.height());
  EXPECT_NEAR(text.Centre().x(), 150, 10);
  EXPECT_NEAR(text.Centre().y(), 100, 10);
}

}  // namespace
}  // namespace vc::testing
