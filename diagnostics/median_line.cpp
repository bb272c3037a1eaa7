#include "diagnostics/median_line.h"

#include <algorithm>
#include <cmath>

namespace zirt::diagnostics_detail {

double SelectNth(double* v, int n, int q) {
  std::nth_element(v, v + q, v + n);
  return v[q];
}

double MedianOf(double* v, int n) {
  const int q = n / 2;
  // A track's few directions: sorting them by insertion is quicker than selecting among them,
  // and gives both middle values at once.
  if (n <= 16) {
    for (int i = 1; i < n; ++i) {
      const double x = v[i];
      int j = i;
      for (; j > 0 && v[j - 1] > x; --j) v[j] = v[j - 1];
      v[j] = x;
    }
    return n % 2 == 1 ? v[q] : 0.5 * (v[q] + v[q - 1]);
  }
  const double middle = SelectNth(v, n, q);
  if (n % 2 == 1) return middle;
  // Every value before position q is at most v[q]: the largest of them is the lower middle.
  const double lower = *std::max_element(v, v + q);
  return 0.5 * (middle + lower);
}

double Length(double x, double y) {
  const double squares = x * x + y * y;
  return squares > 1e-290 && squares < 1e290 ? std::sqrt(squares) : std::hypot(x, y);
}

Position MeanOf(const Position* p, int n) {
  double mx = 0, my = 0;
  for (int k = 0; k < n; ++k) {
    mx += p[k].x;
    my += p[k].y;
  }
  return {mx / n, my / n};
}

void MedianLineResiduals(const Position* p, int n, Position mean, double cx, double cy,
                         double* tangent, double* r) {
  double ux = mean.x - cx, uy = mean.y - cy;
  double len = Length(ux, uy);
  if (!(len > 0)) {
    ux = p[0].x - cx;
    uy = p[0].y - cy;
    len = Length(ux, uy);
  }
  if (!(len > 0) || !std::isfinite(len)) {
    for (int k = 0; k < n; ++k) r[k] = std::hypot(p[k].x - cx, p[k].y - cy);
    return;
  }
  ux /= len;
  uy /= len;
  for (int k = 0; k < n; ++k) {
    const double vx = p[k].x - cx, vy = p[k].y - cy;
    const double along = ux * vx + uy * vy, across = ux * vy - uy * vx;
    // A point behind c is as far off as a direction can be.
    tangent[k] = along > 0 ? across / along : std::copysign(1e300, across);
  }
  const double median = MedianOf(tangent, n);
  const double norm = Length(1.0, median);
  const double wx = (ux - median * uy) / norm, wy = (uy + median * ux) / norm;
  for (int k = 0; k < n; ++k) r[k] = std::fabs(wx * (p[k].y - cy) - wy * (p[k].x - cx));
}

}  // namespace zirt::diagnostics_detail
