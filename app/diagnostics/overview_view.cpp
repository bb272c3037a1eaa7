#include "app/diagnostics/overview_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <utility>

#include "report/overview_marks.h"

namespace zirt {
namespace {

constexpr double kMarginShare = 0.05;   // of the extent's larger side, on every side
constexpr double kMarkHalf = 3;         // screen pixels
constexpr double kHighlightRadius = 5;  // around a highlighted measurement
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 1e4;
// Beyond this many measurements in all, they are plotted as dots on a raster layer (embedded
// as an image in SVG): crosses would bury one another, and millions of painter strokes take
// seconds a frame.
constexpr std::size_t kCrossLimit = 20000;
// Beyond this many tracks only every n-th line is drawn, so that no more than this many are;
// a denser fan would be a solid patch anyway.
constexpr std::size_t kTrackLimit = 3000;
const QColor kHighlightColour(255, 140, 0);
// Screen pixels beyond which a step's centre is not drawn: a scale near 1 puts it far off, and
// the painter's fixed-point rasteriser overflows on such ends.
constexpr double kStepReach = 1e5;
constexpr double kFirstStepRadius = 4;
constexpr double kStepRadius = 2.5;

bool Finite(const Position& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

// The part of the line through `through` (screen pixels) at `angle_deg` that crosses the view
// and a little beyond; nothing when it misses. Clipped here, as the painter's fixed-point
// rasteriser overflows on the far ends of a line at high zoom.
std::optional<QLineF> VisibleSegment(QPointF through, double angle_deg, QSize size) {
  const double a = angle_deg * std::numbers::pi / 180;
  const double dx = std::cos(a), dy = std::sin(a), pad = 2;
  double low = -INFINITY, high = INFINITY;
  const auto clip = [&](double origin, double step, double min, double max) {
    if (step == 0) return origin >= min && origin <= max;
    double t0 = (min - origin) / step, t1 = (max - origin) / step;
    if (t0 > t1) std::swap(t0, t1);
    low = std::max(low, t0);
    high = std::min(high, t1);
    return true;
  };
  if (!clip(through.x(), dx, -pad, size.width() + pad) ||
      !clip(through.y(), dy, -pad, size.height() + pad) || !(low < high))
    return std::nullopt;
  return QLineF(through + QPointF(dx, dy) * low, through + QPointF(dx, dy) * high);
}

}  // namespace

OverviewView::OverviewView(QWidget* parent) : QWidget(parent) {
  setMinimumSize(200, 150);
  setCursor(Qt::OpenHandCursor);
}

void OverviewView::SetData(const DiagnosticsData* data) {
  data_ = data;
  base_stale_ = true;
  point_ = image_ = -1;
  double left = INFINITY, top = INFINITY, right = -INFINITY, bottom = -INFINITY;
  const auto take = [&](const Position& p) {
    left = std::min(left, p.x);
    right = std::max(right, p.x);
    top = std::min(top, p.y);
    bottom = std::max(bottom, p.y);
  };
  if (data_ != nullptr) {
    for (const auto& image : data_->images)
      for (const Position& p : image)
        if (Finite(p)) take(p);
    if (data_->result.refined) take({data_->result.refined->x, data_->result.refined->y});
    if (data_->report_point && Finite(*data_->report_point)) take(*data_->report_point);
  }
  if (!(left <= right)) left = top = 0, right = bottom = 1;
  const double margin = std::max({right - left, bottom - top, 1.0}) * kMarginShare;
  extent_ = QRectF(QPointF(left - margin, top - margin), QPointF(right + margin, bottom + margin));
  FitAll();
}

void OverviewView::HighlightPoint(int point) {
  point_ = point;
  image_ = -1;
  update();
}

void OverviewView::HighlightImage(int image) {
  image_ = image;
  point_ = -1;
  update();
}

void OverviewView::FitAll() {
  centre_ = extent_.center();
  zoom_ = 1;
  update();
}

void OverviewView::ZoomAbout(QPointF anchor, double factor) {
  const double before = ScaleFor(size());
  const QPointF half(width() / 2.0, height() / 2.0);
  const QPointF under = centre_ + (anchor - half) / before;
  zoom_ = std::clamp(zoom_ * factor, kMinZoom, kMaxZoom);
  centre_ = under - (anchor - half) / ScaleFor(size());
  update();
}

double OverviewView::ScaleFor(QSize size) const {
  const double fit = std::min(size.width() / extent_.width(), size.height() / extent_.height());
  return fit * zoom_;
}

QPointF OverviewView::ToScreen(QPointF image, QSize size) const {
  return (image - centre_) * ScaleFor(size) + QPointF(size.width() / 2.0, size.height() / 2.0);
}

double OverviewView::Magnification() const {
  if (data_ == nullptr || !data_->result.refined || !data_->result.refined->has_uncertainty)
    return 1;
  return EllipseMagnification(data_->result.refined->major_px * ScaleFor(size()));
}

void OverviewView::Render(QPainter& painter, QSize size) const {
  RenderBase(painter, size);
  RenderOverlay(painter, size);
}

void OverviewView::RenderBase(QPainter& painter, QSize size) const {
  painter.fillRect(QRect(QPoint(0, 0), size), PictureBackground());
  if (data_ == nullptr) return;
  painter.save();
  painter.setClipRect(QRect(QPoint(0, 0), size));
  // Smooth lines and crosses cost too much a frame on large sets, where nobody sees them.
  painter.setRenderHint(QPainter::Antialiasing, MeasurementCount() <= kCrossLimit);
  DrawTracks(painter, size);
  painter.setRenderHint(QPainter::Antialiasing);
  DrawMeasurements(painter, size);
  painter.restore();
}

void OverviewView::RenderOverlay(QPainter& painter, QSize size) const {
  if (data_ == nullptr) return;
  painter.save();
  painter.setClipRect(QRect(QPoint(0, 0), size));
  painter.setRenderHint(QPainter::Antialiasing);
  DrawHighlight(painter, size);
  DrawEstimate(painter, size);
  DrawSteps(painter, size);
  painter.restore();
  const double magnification =
      data_->result.refined && data_->result.refined->has_uncertainty
          ? EllipseMagnification(data_->result.refined->major_px * ScaleFor(size))
          : 1;
  DrawLegend(painter, magnification, size.width());
}

std::size_t OverviewView::TrackStride() const {
  if (data_ == nullptr || !data_->result.refined) return 1;
  const auto& angles = data_->result.refined->track_angle_deg;
  const auto tracks = static_cast<std::size_t>(
      std::count_if(angles.begin(), angles.end(), [](double a) { return std::isfinite(a); }));
  return std::max<std::size_t>(1, (tracks + kTrackLimit - 1) / kTrackLimit);
}

std::size_t OverviewView::MeasurementCount() const {
  std::size_t count = 0;
  if (data_ != nullptr)
    for (const auto& image : data_->images) count += image.size();
  return count;
}

void OverviewView::PlotDots(QImage& layer, const std::vector<Position>& points, QRgb colour,
                            int half) const {
  // Millions of points a frame: the transform is taken apart once and pixels written direct.
  const QSize size = layer.size();
  const double scale = ScaleFor(size);
  const QPointF origin = ToScreen({0, 0}, size);
  const int w = size.width(), h = size.height();
  uchar* bits = layer.bits();
  const qsizetype stride = layer.bytesPerLine();
  for (const Position& p : points) {
    const double sx = origin.x() + p.x * scale, sy = origin.y() + p.y * scale;
    // Not finite fails both tests as well.
    if (!(sx > -half - 1 && sx < w + half + 1 && sy > -half - 1 && sy < h + half + 1)) continue;
    const int x = static_cast<int>(std::floor(sx)), y = static_cast<int>(std::floor(sy));
    for (int row = std::max(0, y - half); row <= std::min(h - 1, y + half); ++row) {
      auto* line = reinterpret_cast<QRgb*>(bits + row * stride);
      for (int column = std::max(0, x - half); column <= std::min(w - 1, x + half); ++column)
        line[column] = colour;
    }
  }
}

QImage OverviewView::DotLayer(QSize size) {
  QImage layer(size, QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  return layer;
}

void OverviewView::DrawTracks(QPainter& painter, QSize size) const {
  const auto& refined = data_->result.refined;
  if (!refined) return;
  const QPointF c = ToScreen({refined->x, refined->y}, size);
  const std::size_t stride = TrackStride();
  std::size_t seen = 0;
  QList<QLineF> lines;
  for (double angle : refined->track_angle_deg) {
    if (!std::isfinite(angle) || seen++ % stride != 0) continue;
    if (const auto line = VisibleSegment(c, angle, size)) lines.append(*line);
  }
  painter.setPen(QPen(MarkColour(Mark::kTrack), 0));
  painter.drawLines(lines);
}

void OverviewView::DrawMeasurements(QPainter& painter, QSize size) const {
  if (MeasurementCount() > kCrossLimit) {
    QImage layer = DotLayer(size);
    for (std::size_t k = 0; k < data_->images.size(); ++k)
      PlotDots(layer, data_->images[k], ImageColour(k).rgb(), 0);
    painter.drawImage(QPoint(0, 0), layer);
  } else {
    DrawCrosses(painter, size);
  }
  for (const FlaggedMeasurement& m : data_->result.outliers) {
    const Position& p =
        data_->images[static_cast<std::size_t>(m.image)][static_cast<std::size_t>(m.point)];
    DrawMark(painter, Mark::kSetAside, ToScreen({p.x, p.y}, size), 1);
  }
}

void OverviewView::DrawCrosses(QPainter& painter, QSize size) const {
  for (std::size_t k = 0; k < data_->images.size(); ++k) {
    const auto& image = data_->images[k];
    // Batched: the same cross as DrawMark's, thousands at a stroke.
    painter.setPen(QPen(ImageColour(k), 1.2));
    QList<QLineF> crosses;
    for (const Position& p : image) {
      if (!Finite(p)) continue;
      const QPointF s = ToScreen({p.x, p.y}, size);
      crosses.append(QLineF(s.x() - kMarkHalf, s.y(), s.x() + kMarkHalf, s.y()));
      crosses.append(QLineF(s.x(), s.y() - kMarkHalf, s.x(), s.y() + kMarkHalf));
    }
    painter.drawLines(crosses);
  }
}

void OverviewView::DrawHighlight(QPainter& painter, QSize size) const {
  painter.setPen(QPen(kHighlightColour, 2));
  painter.setBrush(Qt::NoBrush);
  const auto ring = [&](const Position& p) {
    if (Finite(p))
      painter.drawEllipse(ToScreen({p.x, p.y}, size), kHighlightRadius, kHighlightRadius);
  };
  if (image_ >= 0 && static_cast<std::size_t>(image_) < data_->images.size()) {
    const auto& image = data_->images[static_cast<std::size_t>(image_)];
    if (image.size() > kCrossLimit / 10) {
      QImage layer = DotLayer(size);
      PlotDots(layer, image, kHighlightColour.rgb(), 1);
      painter.drawImage(QPoint(0, 0), layer);
    } else {
      for (const Position& p : image) ring(p);
    }
  }
  if (point_ < 0) return;
  const auto j = static_cast<std::size_t>(point_);
  for (const auto& image : data_->images)
    if (j < image.size()) ring(image[j]);
  const auto& refined = data_->result.refined;
  if (refined && j < refined->track_angle_deg.size() &&
      std::isfinite(refined->track_angle_deg[j])) {
    const QPointF c = ToScreen({refined->x, refined->y}, size);
    if (const auto line = VisibleSegment(c, refined->track_angle_deg[j], size))
      painter.drawLine(*line);
  }
}

void OverviewView::DrawEstimate(QPainter& painter, QSize size) const {
  if (data_->report_point && Finite(*data_->report_point))
    DrawMark(painter, Mark::kReportPoint,
             ToScreen({data_->report_point->x, data_->report_point->y}, size), 1);
  if (const auto& robust = data_->result.robust)
    DrawMark(painter, Mark::kRobustPoint, ToScreen({robust->x, robust->y}, size), 1);
  const auto& refined = data_->result.refined;
  if (!refined) return;
  const QPointF c = ToScreen({refined->x, refined->y}, size);
  DrawMark(painter, Mark::kRefinedPoint, c, 1);
  if (!refined->has_uncertainty) return;
  const double scale = ScaleFor(size);
  const double magnification = EllipseMagnification(refined->major_px * scale);
  painter.save();
  painter.translate(c);
  painter.rotate(refined->angle_deg);  // from +x toward +y, as the rows run down
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(QPointF(0, 0), refined->major_px * scale * magnification,
                      refined->minor_px * scale * magnification);
  painter.restore();
}

void OverviewView::DrawSteps(QPainter& painter, QSize size) const {
  QPolygonF path;
  for (const ZoomStep& step : data_->steps) {
    if (!std::isfinite(step.x) || !std::isfinite(step.y)) continue;
    const QPointF s = ToScreen({step.x, step.y}, size);
    if (std::fabs(s.x()) < kStepReach && std::fabs(s.y()) < kStepReach) path << s;
  }
  if (path.isEmpty()) return;
  const QColor colour = MarkColour(Mark::kStepPath);
  painter.setPen(QPen(colour, 1.5));
  painter.setBrush(Qt::NoBrush);
  painter.drawPolyline(path);
  for (const QPointF& s : path) painter.drawEllipse(s, kStepRadius, kStepRadius);
  painter.setBrush(colour);
  painter.drawEllipse(path.front(), kFirstStepRadius, kFirstStepRadius);
}

void OverviewView::DrawLegend(QPainter& painter, double magnification, int width) const {
  const std::vector<LegendItem> items =
      LegendItems(*data_, magnification, static_cast<int>(TrackStride()));
  // The marks one to a line, the images' colours below them two to a line: a shorter box hides
  // less of the picture. Lines wider than the picture wrap rather than run out of it.
  const auto first_image = std::find_if(items.begin(), items.end(),
                                        [](const LegendItem& i) { return i.mark == Mark::kImage; });
  const std::vector<LegendItem> marks(items.begin(), first_image), images(first_image, items.end());
  const double room = std::max(1, width - 8);
  const QSizeF top = LegendSize(painter, marks, room, 1, 1);
  zirt::DrawLegend(painter, QPointF(4, 4), marks, room, 1, 1);
  zirt::DrawLegend(painter, QPointF(4, 4 + top.height()), images,
                   marks.empty() ? room : top.width(), 2, 1);
}

void OverviewView::paintEvent(QPaintEvent*) {
  // The measurements and tracks are redrawn only when the view moves: a row clicked in a
  // table repaints just the marks over them.
  const QSize device = size() * devicePixelRatio();
  if (base_.size() != device || base_centre_ != centre_ || base_zoom_ != zoom_ || base_stale_) {
    base_ = QImage(device, QImage::Format_ARGB32_Premultiplied);
    base_.setDevicePixelRatio(devicePixelRatio());
    QPainter base(&base_);
    RenderBase(base, size());
    base_centre_ = centre_;
    base_zoom_ = zoom_;
    base_stale_ = false;
  }
  QPainter painter(this);
  painter.drawImage(QPoint(0, 0), base_);
  RenderOverlay(painter, size());
}

void OverviewView::wheelEvent(QWheelEvent* event) {
  const double steps = event->angleDelta().y() / 120.0;
  if (steps != 0) ZoomAbout(event->position(), std::pow(1.25, steps));
  event->accept();
}

void OverviewView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  dragging_ = true;
  drag_from_ = event->position();
  setCursor(Qt::ClosedHandCursor);
}

void OverviewView::mouseMoveEvent(QMouseEvent* event) {
  if (!dragging_) return QWidget::mouseMoveEvent(event);
  centre_ -= (event->position() - drag_from_) / ScaleFor(size());
  drag_from_ = event->position();
  update();
}

void OverviewView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  dragging_ = false;
  setCursor(Qt::OpenHandCursor);
}

void OverviewView::mouseDoubleClickEvent(QMouseEvent*) {
  FitAll();
}

}  // namespace zirt
