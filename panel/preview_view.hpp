// The drawing of a file's records beside the window's controls: tracks as
// lines coloured by speed with a legend of the km/h range, routes as lines
// with numbered points, waypoints as markers with their names, the start and
// end of each track marked, a scale bar in km and a north arrow. The
// projection is equirectangular with the longitudes scaled by the cosine of
// the middle latitude, so shapes are true at this scale; the axes are in
// degrees of the datum the records are in.
#pragma once

#include <QString>
#include <QWidget>

#include "panel/preview_data.hpp"

class QPainter;

namespace vc::panel {

// Draws `data` into `area`. Long tracks are thinned to the pixels they
// cover, so the cost follows the picture's size more than the points'.
// `title` is drawn above the picture; `empty` in its middle when there is
// nothing to draw.
void DrawPreview(QPainter& painter, const QRect& area, const PreviewData& data,
                 const QString& title, const QString& empty);

class PreviewView final : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewView(QWidget* parent = nullptr);

  void SetContent(PreviewData content, QString title, QString empty = {});
  [[nodiscard]] const PreviewData& Content() const { return data_; }
  [[nodiscard]] const QString& Title() const { return title_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  PreviewData data_;
  QString title_;
  QString empty_;
};

}  // namespace vc::panel
