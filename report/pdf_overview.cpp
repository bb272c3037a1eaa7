#include "report/pdf_overview.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

namespace zirt {
namespace {

bool Finite(double x, double y) {
  return std::isfinite(x) && std::isfinite(y);
}

// The colours repeat after the palette's 17; a legend of more would not tell them apart.
constexpr std::size_t kLegendImages = 17;

// Every track's line from the robust point out to the track's farthest measurement, on its
// side.
void DrawTracks(QPainter& p, const OverviewFigures& f, double scale,
                const std::function<QPointF(double, double)>& to) {
  const auto& robust = f.diagnosis.robust;
  if (!robust) return;
  p.setPen(QPen(MarkColour(Mark::kTrack), scale));
  for (std::size_t i = 0; i < robust->track_angle_deg.size(); ++i) {
    const double a = robust->track_angle_deg[i] * std::numbers::pi / 180;
    if (!std::isfinite(a)) continue;
    double reach = 0;
    for (const auto& image : f.images) {
      if (i >= image.size() || !std::isfinite(image[i].x)) continue;
      const double t =
          (image[i].x - robust->x) * std::cos(a) + (image[i].y - robust->y) * std::sin(a);
      if (std::fabs(t) > std::fabs(reach)) reach = t;
    }
    p.drawLine(to(robust->x, robust->y),
               to(robust->x + reach * std::cos(a), robust->y + reach * std::sin(a)));
  }
}

// The path of the zoom steps' centres from the first step's dot. A centre far off the picture
// (a scale near 1) is left out rather than drawn at its edge.
void DrawSteps(QPainter& p, const QRectF& area, const OverviewFigures& f, double scale,
               const std::function<QPointF(double, double)>& to) {
  QPolygonF path;
  for (const ZoomStep& step : f.steps) {
    if (!Finite(step.x, step.y)) continue;
    const QPointF c = to(step.x, step.y);
    if (area.adjusted(-area.width(), -area.height(), area.width(), area.height()).contains(c))
      path << c;
  }
  if (path.isEmpty()) return;
  const QColor colour = MarkColour(Mark::kStepPath);
  p.setPen(QPen(colour, 1.5 * scale));
  p.setBrush(Qt::NoBrush);
  p.drawPolyline(path);
  p.setBrush(colour);
  p.drawEllipse(path.front(), 3 * scale, 3 * scale);
}

}  // namespace

void PaintOverview(QPainter& p, const QRectF& area, const OverviewFigures& f, double scale) {
  const Diagnostics& d = f.diagnosis;
  double x0 = 1e300, x1 = -1e300, y0 = 1e300, y1 = -1e300;
  const auto grow = [&](double x, double y) {
    if (!Finite(x, y)) return;
    x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
  };
  for (const auto& image : f.images)
    for (const Position& q : image) grow(q.x, q.y);
  if (d.refined) grow(d.refined->x, d.refined->y);
  p.fillRect(area, PictureBackground());
  p.setPen(QPen(QColor(120, 120, 120), 0.6 * scale));
  p.drawRect(area);
  if (x0 > x1) return;
  const double span = std::max({x1 - x0, y1 - y0, 1e-9});
  const double fit = std::min(area.width() / std::max(x1 - x0, span * 0.05),
                              area.height() / std::max(y1 - y0, span * 0.05)) *
                     0.92;
  const QPointF centre((x0 + x1) / 2, (y0 + y1) / 2);
  const std::function<QPointF(double, double)> to = [&](double x, double y) {
    return area.center() + QPointF((x - centre.x()) * fit, (y - centre.y()) * fit);
  };
  p.save();
  p.setClipRect(area);
  DrawTracks(p, f, scale, to);
  for (std::size_t k = 0; k < f.images.size(); ++k)
    for (const Position& q : f.images[k])
      if (Finite(q.x, q.y)) DrawMark(p, Mark::kImage, to(q.x, q.y), scale, ImageColour(k));
  for (const FlaggedMeasurement& m : d.outliers) {
    const Position& q = f.images[std::size_t(m.image)][std::size_t(m.point)];
    DrawMark(p, Mark::kSetAside, to(q.x, q.y), scale);
  }
  DrawSteps(p, area, f, scale, to);
  if (f.report_point && Finite(f.report_point->x, f.report_point->y))
    DrawMark(p, Mark::kReportPoint, to(f.report_point->x, f.report_point->y), scale);
  if (d.refined) DrawMark(p, Mark::kRefinedPoint, to(d.refined->x, d.refined->y), scale);
  if (d.robust) DrawMark(p, Mark::kRobustPoint, to(d.robust->x, d.robust->y), scale);
  p.restore();
}

std::vector<LegendItem> OverviewLegend(const OverviewFigures& f,
                                       const std::vector<QString>& files) {
  std::vector<LegendItem> items;
  if (f.report_point) items.push_back({Mark::kReportPoint, MarkName(Mark::kReportPoint)});
  if (f.diagnosis.refined) items.push_back({Mark::kRefinedPoint, MarkName(Mark::kRefinedPoint)});
  if (f.diagnosis.robust) {
    items.push_back({Mark::kRobustPoint, MarkName(Mark::kRobustPoint)});
    items.push_back(
        {Mark::kTrack, QCoreApplication::translate("PdfReport", "Треки через устойчивую точку")});
  }
  if (!f.diagnosis.outliers.empty()) items.push_back({Mark::kSetAside, MarkName(Mark::kSetAside)});
  if (std::any_of(f.steps.begin(), f.steps.end(),
                  [](const ZoomStep& s) { return Finite(s.x, s.y); }))
    items.push_back({Mark::kStepPath, MarkName(Mark::kStepPath)});
  for (LegendItem& item : ImageLegend(files, kLegendImages)) items.push_back(std::move(item));
  return items;
}

}  // namespace zirt
