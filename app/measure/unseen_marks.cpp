#include "app/measure/unseen_marks.h"

#include <cmath>
#include <cstdlib>
#include <limits>

namespace zirt {
namespace {

bool Seen(const QPointF& p) {
  return std::isfinite(p.x()) && std::isfinite(p.y());
}

// x_k = s·x_j + t by least squares over the lines both images show; false for fewer than two.
bool FitZoom(const std::vector<QPointF>& from, const std::vector<QPointF>& to, double& s,
             QPointF& t) {
  double n = 0, fx = 0, fy = 0, tx = 0, ty = 0;
  for (std::size_t i = 0; i < from.size() && i < to.size(); ++i)
    if (Seen(from[i]) && Seen(to[i])) {
      ++n;
      fx += from[i].x(), fy += from[i].y(), tx += to[i].x(), ty += to[i].y();
    }
  if (n < 2) return false;
  fx /= n, fy /= n, tx /= n, ty /= n;
  double sxy = 0, sxx = 0;
  for (std::size_t i = 0; i < from.size() && i < to.size(); ++i)
    if (Seen(from[i]) && Seen(to[i])) {
      const double ax = from[i].x() - fx, ay = from[i].y() - fy;
      sxy += ax * (to[i].x() - tx) + ay * (to[i].y() - ty);
      sxx += ax * ax + ay * ay;
    }
  if (!(sxx > 0)) return false;
  s = sxy / sxx;
  t = QPointF(tx - s * fx, ty - s * fy);
  return true;
}

}  // namespace

std::vector<QPointF> UnseenPositions(const std::vector<std::vector<QPointF>>& points,
                                     std::size_t k) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  std::vector<QPointF> unseen(points[k].size(), QPointF(nan, nan));
  std::vector<bool> filled(points[k].size(), false);
  // Nearest images first: their zoom relative to this one is the smallest extrapolation.
  for (std::size_t step = 1; step < points.size(); ++step)
    for (const int sign : {-1, 1}) {
      const long j = long(k) + sign * long(step);
      if (j < 0 || j >= long(points.size())) continue;
      double s = 0;
      QPointF t;
      if (!FitZoom(points[std::size_t(j)], points[k], s, t)) continue;
      for (std::size_t i = 0; i < unseen.size() && i < points[std::size_t(j)].size(); ++i)
        if (!filled[i] && !Seen(points[k][i]) && Seen(points[std::size_t(j)][i])) {
          unseen[i] = points[std::size_t(j)][i] * s + t;
          filled[i] = true;
        }
    }
  return unseen;
}

}  // namespace zirt
