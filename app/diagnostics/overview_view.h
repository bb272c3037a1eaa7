// The diagnostics window's picture of the whole image extent, in the marks the PDF report draws
// (report/overview_marks.h): every measurement in its image's colour, the tracks' lines through
// the refined point, its 95% ellipse, the report's and the robust point, the measurements set
// aside and the path of the zoom steps' centres. Fitted to the widget with its aspect kept; the
// wheel zooms about the cursor and dragging pans. Paints also onto any device, for export.
#pragma once

#include <QImage>
#include <QPointF>
#include <QRectF>
#include <QWidget>

#include "app/diagnostics/diagnostics_text.h"

class QPainter;

namespace zirt {

class OverviewView : public QWidget {
  Q_OBJECT

 public:
  explicit OverviewView(QWidget* parent = nullptr);

  // Shows these data, fitted whole; the data must outlive the view or the next call.
  void SetData(const DiagnosticsData* data);
  // Marks one reference point's track or one image's measurements; -1 for none.
  void HighlightPoint(int point);
  void HighlightImage(int image);
  int HighlightedPoint() const { return point_; }
  int HighlightedImage() const { return image_; }

  // Back to the whole extent.
  void FitAll();
  // Zooms by `factor` keeping the image position under `anchor` (widget pixels) in place.
  void ZoomAbout(QPointF anchor, double factor);
  double Zoom() const { return zoom_; }
  // The ellipse's magnification at the current zoom; 1 when drawn true to scale.
  double Magnification() const;

  // Paints the current view at `size` device pixels, legend included.
  void Render(QPainter& painter, QSize size) const;

  // The image extent shown when fitted: all measurements and both points, with a margin.
  QRectF Extent() const { return extent_; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  // Screen pixels per image pixel at this size.
  double ScaleFor(QSize size) const;
  // The tracks and measurements, and the marks drawn over them.
  void RenderBase(QPainter& painter, QSize size) const;
  void RenderOverlay(QPainter& painter, QSize size) const;
  // Every n-th track's line is drawn; 1 for all.
  std::size_t TrackStride() const;
  std::size_t MeasurementCount() const;
  // Squares of 2·half + 1 pixels written straight into a transparent layer of the device's
  // size, which is then painted at once.
  static QImage DotLayer(QSize size);
  void PlotDots(QImage& layer, const std::vector<Position>& points, QRgb colour, int half) const;
  QPointF ToScreen(QPointF image, QSize size) const;
  void DrawMeasurements(QPainter& painter, QSize size) const;
  void DrawTracks(QPainter& painter, QSize size) const;
  void DrawCrosses(QPainter& painter, QSize size) const;
  void DrawEstimate(QPainter& painter, QSize size) const;
  void DrawSteps(QPainter& painter, QSize size) const;
  void DrawHighlight(QPainter& painter, QSize size) const;
  void DrawLegend(QPainter& painter, double magnification, int width) const;

  const DiagnosticsData* data_ = nullptr;
  QRectF extent_{0, 0, 1, 1};
  QPointF centre_{0.5, 0.5};  // the image position at the widget's centre
  double zoom_ = 1;           // relative to the fitted scale
  int point_ = -1;
  int image_ = -1;
  QImage base_;  // RenderBase's picture for the view below
  QPointF base_centre_;
  double base_zoom_ = 0;
  bool base_stale_ = true;
  bool dragging_ = false;
  QPointF drag_from_;
};

}  // namespace zirt
