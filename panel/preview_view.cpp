#include "panel/preview_view.hpp"

#include <QCoreApplication>
#include <QLine>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <numbers>
#include <utility>

#include "geo/distance.hpp"

namespace vc::panel {
namespace {

using engine::PreviewPoint;
using engine::RecordKind;

QString Tr(const char* text) { return QCoreApplication::translate("VornConverterPanel", text); }

constexpr int kSpeedBins = 8;
// Labels beyond these counts would cover the picture, not explain it.
constexpr std::size_t kMaxWaypointLabels = 200;
constexpr std::size_t kMaxRouteNumbers = 60;
constexpr std::size_t kMaxMarkedTracks = 50;
// Decimal places of the degree labels: 0.0001 deg is about 11 m.
constexpr int kDegreeDecimals = 4;

bool Usable(const PreviewPoint& point) {
  return std::isfinite(point.lat) && std::isfinite(point.lon) && std::abs(point.lat) <= 90 &&
         std::abs(point.lon) <= 360;
}

struct Bounds {
  double minLat = std::numeric_limits<double>::infinity();
  double maxLat = -std::numeric_limits<double>::infinity();
  double minLon = std::numeric_limits<double>::infinity();
  double maxLon = -std::numeric_limits<double>::infinity();
  double minSpeed = std::numeric_limits<double>::infinity();
  double maxSpeed = -std::numeric_limits<double>::infinity();

  [[nodiscard]] bool Empty() const { return minLat > maxLat; }
  [[nodiscard]] bool HasSpeeds() const { return minSpeed <= maxSpeed; }
};

Bounds BoundsOf(const PreviewData& data) {
  Bounds bounds;
  for (const PreviewPoint& point : data.points) {
    if (!Usable(point)) continue;
    bounds.minLat = std::min(bounds.minLat, point.lat);
    bounds.maxLat = std::max(bounds.maxLat, point.lat);
    bounds.minLon = std::min(bounds.minLon, point.lon);
    bounds.maxLon = std::max(bounds.maxLon, point.lon);
    if (std::isfinite(point.speedKmh)) {
      bounds.minSpeed = std::min(bounds.minSpeed, point.speedKmh);
      bounds.maxSpeed = std::max(bounds.maxSpeed, point.speedKmh);
    }
  }
  return bounds;
}

// Equirectangular, x scaled by the cosine of the middle latitude, fitted
// into the plot and centred in it.
class Projection {
 public:
  Projection(const Bounds& bounds, const QRectF& plot) {
    midLat_ = (bounds.minLat + bounds.maxLat) / 2;
    midLon_ = (bounds.minLon + bounds.maxLon) / 2;
    cosLat_ = std::max(0.01, std::cos(midLat_ * std::numbers::pi / 180));
    // A line along one axis still needs a scale across it: at least 0.0001
    // degree, about 11 m, so a receiver's jitter at rest shows as it is. A
    // single point is shown with about 200 m round it.
    const double spanX = (bounds.maxLon - bounds.minLon) * cosLat_;
    const double spanY = bounds.maxLat - bounds.minLat;
    const double least = spanX == 0 && spanY == 0 ? 2e-3 : 1e-4;
    pixelsPerDegree_ =
        std::min(plot.width() / std::max(spanX, least), plot.height() / std::max(spanY, least));
    centre_ = plot.center();
  }

  [[nodiscard]] QPointF operator()(double lat, double lon) const {
    return {centre_.x() + (lon - midLon_) * cosLat_ * pixelsPerDegree_,
            centre_.y() - (lat - midLat_) * pixelsPerDegree_};
  }
  [[nodiscard]] double Lat(double y) const {
    return midLat_ - (y - centre_.y()) / pixelsPerDegree_;
  }
  [[nodiscard]] double Lon(double x) const {
    return midLon_ + (x - centre_.x()) / (cosLat_ * pixelsPerDegree_);
  }
  [[nodiscard]] double MidLat() const { return midLat_; }
  [[nodiscard]] double MidLon() const { return midLon_; }
  [[nodiscard]] double PixelsPerDegree() const { return pixelsPerDegree_; }

 private:
  double midLat_ = 0;
  double midLon_ = 0;
  double cosLat_ = 1;
  double pixelsPerDegree_ = 1;
  QPointF centre_;
};

// Slow in blue through green and yellow to fast in red.
QColor SpeedColour(int bin) {
  const int hue = 240 - 240 * bin / (kSpeedBins - 1);
  return QColor::fromHsv(hue, 230, 210);
}

int SpeedBin(double speed, const Bounds& bounds) {
  if (!std::isfinite(speed) || !bounds.HasSpeeds()) return -1;
  const double range = bounds.maxSpeed - bounds.minSpeed;
  if (range <= 0) return 0;
  const double t = (speed - bounds.minSpeed) / range;
  return std::clamp(static_cast<int>(t * kSpeedBins), 0, kSpeedBins - 1);
}

// Lines of all tracks, one list per speed colour and one for no speed. A
// point is drawn only when it reaches another pixel than the last one drawn.
void DrawTracks(QPainter& painter, const PreviewData& data, const Projection& project,
                const Bounds& bounds) {
  std::array<std::vector<QLine>, kSpeedBins + 1> lines;
  for (const PreviewRecord& record : data.records) {
    if (record.kind != RecordKind::kTrk) continue;
    bool started = false;
    QPoint last;
    for (const PreviewPoint& point : data.PointsOf(record)) {
      if (!Usable(point)) continue;
      const QPoint at = project(point.lat, point.lon).toPoint();
      if (started && at == last) continue;
      if (started) {
        const int bin = SpeedBin(point.speedKmh, bounds);
        lines[static_cast<std::size_t>(bin < 0 ? kSpeedBins : bin)].emplace_back(last, at);
      }
      last = at;
      started = true;
    }
  }
  for (std::size_t bin = 0; bin < lines.size(); ++bin) {
    if (lines[bin].empty()) continue;
    const QColor colour = bin == kSpeedBins ? QColor(Qt::darkGray) : SpeedColour(int(bin));
    painter.setPen(QPen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLines(lines[bin].data(), static_cast<int>(lines[bin].size()));
  }
}

void DrawTrackEnds(QPainter& painter, const PreviewData& data, const Projection& project) {
  std::size_t marked = 0;
  for (const PreviewRecord& record : data.records) {
    if (record.kind != RecordKind::kTrk || record.count == 0) continue;
    if (++marked > kMaxMarkedTracks) break;
    const auto points = data.PointsOf(record);
    const auto first = std::find_if(points.begin(), points.end(), Usable);
    const auto last = std::find_if(points.rbegin(), points.rend(), Usable);
    if (first == points.end()) continue;
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(QColor(0, 170, 0));
    painter.drawEllipse(project(first->lat, first->lon), 4.5, 4.5);
    painter.setBrush(QColor(220, 0, 0));
    const QPointF end = project(last->lat, last->lon);
    painter.drawRect(QRectF(end.x() - 4, end.y() - 4, 8, 8));
  }
  painter.setBrush(Qt::NoBrush);
}

void DrawRoutes(QPainter& painter, const PreviewData& data, const Projection& project) {
  const QColor colour(150, 0, 150);
  for (const PreviewRecord& record : data.records) {
    if (record.kind != RecordKind::kRte) continue;
    QPolygonF line;
    for (const PreviewPoint& point : data.PointsOf(record)) {
      if (Usable(point)) line << project(point.lat, point.lon);
    }
    painter.setPen(QPen(colour, 1.5, Qt::DashLine));
    painter.drawPolyline(line);
    painter.setPen(QPen(colour, 1));
    painter.setBrush(Qt::white);
    const std::size_t step = std::max<std::size_t>(1, line.size() / kMaxRouteNumbers + 1);
    for (qsizetype i = 0; i < line.size(); ++i) {
      painter.drawEllipse(line[i], 3, 3);
      if (static_cast<std::size_t>(i) % step == 0) {
        painter.drawText(line[i] + QPointF(4, -4), QString::number(i + 1));
      }
    }
    painter.setBrush(Qt::NoBrush);
  }
}

void DrawWaypoints(QPainter& painter, const PreviewData& data, const Projection& project,
                   const QRectF& plot) {
  const QFontMetricsF metrics(painter.font());
  std::size_t labelled = 0;
  for (const PreviewRecord& record : data.records) {
    if (record.kind != RecordKind::kWpt || record.count == 0) continue;
    const PreviewPoint& point = data.points[record.first];
    if (!Usable(point)) continue;
    const QPointF at = project(point.lat, point.lon);
    const QPolygonF diamond(
        {at + QPointF(0, -5), at + QPointF(5, 0), at + QPointF(0, 5), at + QPointF(-5, 0)});
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(QColor(0, 120, 200));
    painter.drawPolygon(diamond);
    painter.setBrush(Qt::NoBrush);
    if (labelled++ < kMaxWaypointLabels) {
      // A name that would run out of the picture goes to the marker's left.
      const QString name = QString::fromStdString(record.name);
      const double width = metrics.horizontalAdvance(name);
      const double left = at.x() + 7 + width > plot.right() ? at.x() - 7 - width : at.x() + 7;
      painter.drawText(QPointF(left, at.y() + 4), name);
    }
  }
}

// 1, 2 or 5 times a power of ten, at most `limit`.
double RoundLength(double limit) {
  const double power = std::pow(10.0, std::floor(std::log10(limit)));
  for (const double factor : {5.0, 2.0, 1.0}) {
    if (factor * power <= limit) return factor * power;
  }
  return power;
}

void DrawScaleBar(QPainter& painter, const QRectF& plot, const Projection& project) {
  // The length of one pixel along the middle latitude.
  const double degreesPerPixel = 1 / project.PixelsPerDegree();
  const double kmPerPixel = geo::DistanceKm(project.MidLat(), project.MidLon(),
                                            project.MidLat() + degreesPerPixel, project.MidLon());
  if (!(kmPerPixel > 0)) return;
  const double km = RoundLength(kmPerPixel * plot.width() / 4);
  const double pixels = km / kmPerPixel;
  const QPointF left(plot.right() - pixels - 10, plot.bottom() - 10);
  painter.setPen(QPen(Qt::black, 2));
  painter.drawLine(left, left + QPointF(pixels, 0));
  painter.drawLine(left, left + QPointF(0, -5));
  painter.drawLine(left + QPointF(pixels, 0), left + QPointF(pixels, -5));
  painter.setPen(Qt::black);
  painter.drawText(QRectF(left.x(), left.y() - 20, pixels, 14), Qt::AlignCenter,
                   QStringLiteral("%1 km").arg(km));
}

void DrawNorthArrow(QPainter& painter, const QRectF& plot) {
  const QPointF tip(plot.right() - 16, plot.top() + 8);
  const QPolygonF arrow({tip, tip + QPointF(6, 16), tip + QPointF(0, 12), tip + QPointF(-6, 16)});
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(Qt::black);
  painter.drawPolygon(arrow);
  painter.setBrush(Qt::NoBrush);
  painter.drawText(QRectF(tip.x() - 8, tip.y() + 17, 16, 14), Qt::AlignCenter, QStringLiteral("N"));
}

QString Degrees(double value) { return QString::number(value, 'f', kDegreeDecimals) + u'°'; }

void DrawAxes(QPainter& painter, const QRectF& plot, const Projection& project) {
  painter.setPen(QPen(Qt::gray, 1));
  painter.drawRect(plot);
  painter.setPen(Qt::black);
  const QFontMetricsF metrics(painter.font());
  for (int i = 0; i <= 2; ++i) {
    const double y = plot.top() + plot.height() * i / 2;
    painter.drawLine(QPointF(plot.left() - 3, y), QPointF(plot.left(), y));
    const QString text = Degrees(project.Lat(y));
    painter.drawText(QRectF(0, y - metrics.height() / 2, plot.left() - 4, metrics.height()),
                     Qt::AlignRight | Qt::AlignVCenter, text);
    const double x = plot.left() + plot.width() * i / 2;
    painter.drawLine(QPointF(x, plot.bottom()), QPointF(x, plot.bottom() + 3));
    const Qt::Alignment align = i == 0 ? Qt::AlignLeft : i == 1 ? Qt::AlignHCenter : Qt::AlignRight;
    const double width = metrics.horizontalAdvance(Degrees(project.Lon(x))) + 2;
    const double left = i == 0 ? x : i == 1 ? x - width / 2 : x - width;
    painter.drawText(QRectF(left, plot.bottom() + 3, width, metrics.height()), align,
                     Degrees(project.Lon(x)));
  }
}

void DrawLegend(QPainter& painter, const QRectF& strip, const Bounds& bounds, bool hasTracks) {
  painter.setPen(Qt::black);
  const QFontMetricsF metrics(painter.font());
  double x = strip.left();
  const double middle = strip.center().y();
  if (hasTracks && bounds.HasSpeeds()) {
    const QString low = QString::number(bounds.minSpeed, 'f', 0);
    const QString high = QString::number(bounds.maxSpeed, 'f', 0) + QStringLiteral(" km/h");
    painter.drawText(QPointF(x, middle + metrics.ascent() / 2), low);
    x += metrics.horizontalAdvance(low) + 4;
    const QRectF bar(x, middle - 5, 80, 10);
    QLinearGradient gradient(bar.topLeft(), bar.topRight());
    for (int bin = 0; bin < kSpeedBins; ++bin) {
      gradient.setColorAt(double(bin) / (kSpeedBins - 1), SpeedColour(bin));
    }
    painter.fillRect(bar, gradient);
    x += bar.width() + 4;
    painter.drawText(QPointF(x, middle + metrics.ascent() / 2), high);
    x += metrics.horizontalAdvance(high) + 12;
  } else if (hasTracks) {
    const QString unknown = Tr("速度不明");
    painter.setPen(QPen(Qt::darkGray, 2));
    painter.drawLine(QPointF(x, middle), QPointF(x + 16, middle));
    painter.setPen(Qt::black);
    painter.drawText(QPointF(x + 20, middle + metrics.ascent() / 2), unknown);
    x += 20 + metrics.horizontalAdvance(unknown) + 12;
  }
  if (!hasTracks) return;
  painter.setPen(QPen(Qt::black, 1));
  painter.setBrush(QColor(0, 170, 0));
  painter.drawEllipse(QPointF(x + 4, middle), 4, 4);
  painter.setBrush(Qt::NoBrush);
  const QString start = Tr("開始");
  painter.drawText(QPointF(x + 11, middle + metrics.ascent() / 2), start);
  x += 11 + metrics.horizontalAdvance(start) + 8;
  painter.setBrush(QColor(220, 0, 0));
  painter.drawRect(QRectF(x, middle - 4, 8, 8));
  painter.setBrush(Qt::NoBrush);
  painter.drawText(QPointF(x + 11, middle + metrics.ascent() / 2), Tr("終了"));
}

}  // namespace

void DrawPreview(QPainter& painter, const QRect& area, const PreviewData& data,
                 const QString& title, const QString& empty) {
  painter.save();
  painter.fillRect(area, Qt::white);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QFontMetricsF metrics(painter.font());
  const double line = metrics.height();
  painter.setPen(Qt::black);
  painter.drawText(QRectF(area.left() + 4, area.top() + 2, area.width() - 8, line),
                   Qt::AlignLeft | Qt::AlignVCenter,
                   metrics.elidedText(title, Qt::ElideMiddle, area.width() - 8));
  const double labelWidth = metrics.horizontalAdvance(Degrees(-179.9999)) + 6;
  const QRectF plot(area.left() + labelWidth, area.top() + line + 8, area.width() - labelWidth - 10,
                    area.height() - 3 * line - 20);
  const Bounds bounds = BoundsOf(data);
  if (bounds.Empty() || plot.width() < 20 || plot.height() < 20) {
    painter.setPen(Qt::darkGray);
    painter.drawText(area, Qt::AlignCenter,
                     empty.isEmpty() ? Tr("表示するデータがありません") : empty);
    painter.restore();
    return;
  }
  // The records are drawn inside a margin, so markers at the edge show whole.
  const Projection project(bounds, plot.adjusted(12, 12, -12, -12));
  DrawAxes(painter, plot, project);
  painter.setClipRect(plot);
  DrawTracks(painter, data, project, bounds);
  DrawRoutes(painter, data, project);
  DrawWaypoints(painter, data, project, plot);
  DrawTrackEnds(painter, data, project);
  DrawNorthArrow(painter, plot);
  DrawScaleBar(painter, plot, project);
  painter.setClipping(false);
  const bool hasTracks =
      std::any_of(data.records.begin(), data.records.end(),
                  [](const PreviewRecord& r) { return r.kind == RecordKind::kTrk; });
  DrawLegend(painter, QRectF(area.left() + 4, plot.bottom() + line + 4, area.width() - 8, line),
             bounds, hasTracks);
  painter.restore();
}

PreviewView::PreviewView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void PreviewView::SetContent(PreviewData content, QString title, QString empty) {
  data_ = std::move(content);
  title_ = std::move(title);
  empty_ = std::move(empty);
  update();
}

void PreviewView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  DrawPreview(painter, rect(), data_, title_, empty_);
}

}  // namespace vc::panel
