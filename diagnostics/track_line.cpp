#include "diagnostics/track_line.h"

namespace zirt::diagnostics_detail {

Track TrackOfKept(const Position* p, int n, const char* aside) {
  Track t;
  int first = 0;
  while (first < n && aside[first]) ++first;
  if (first == n) return t;
  const double x0 = p[first].x, y0 = p[first].y;
  double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
  for (int k = first; k < n; ++k) {
    if (aside[k]) continue;
    ++t.n;
    const double dx = p[k].x - x0, dy = p[k].y - y0;
    sx += dx;
    sy += dy;
    sxx += dx * dx;
    sxy += dx * dy;
    syy += dy * dy;
  }
  const double mx = sx / t.n, my = sy / t.n;
  t.mx = x0 + mx;
  t.my = y0 + my;
  t.sxx = std::max(0.0, sxx - sx * mx);
  t.sxy = sxy - sx * my;
  t.syy = std::max(0.0, syy - sy * my);
  return t;
}

void MajorAxis(double a, double b, double c, double& ux, double& uy) {
  const double half = 0.5 * (a - c);
  const double h = std::sqrt(half * half + b * b);
  if (h == 0) {
    ux = 1;
    uy = 0;
    return;
  }
  if (half >= 0) {
    ux = half + h;
    uy = b;
  } else {
    ux = b;
    uy = h - half;
  }
  const double norm = std::sqrt(ux * ux + uy * uy);
  ux /= norm;
  uy /= norm;
}

Axis AxisThrough(const Track& s, double cx, double cy) {
  Axis x;
  const double dx = s.mx - cx, dy = s.my - cy, n = s.n;
  // Scatter about c = scatter about the mean + n·d·dᵀ.
  const double a = s.sxx + n * dx * dx, b = s.sxy + n * dx * dy, c = s.syy + n * dy * dy;
  const double half = 0.5 * (a - c);
  const double h = std::sqrt(half * half + b * b);
  // Without cancellation whichever way the axis leans.
  if (h > 0) {
    x.vx = half >= 0 ? half + h : b;
    x.vy = half >= 0 ? b : h - half;
  }
  x.s2 = x.vx * x.vx + x.vy * x.vy;
  x.inv = 1 / x.s2;
  x.Q = 0.5 * (a + c) + h;
  x.rss = std::max(0.0, (a * x.vy * x.vy - 2 * b * x.vx * x.vy + c * x.vx * x.vx) * x.inv);
  x.along = n * (x.vx * dx + x.vy * dy);
  x.across = n * (x.vx * dy - x.vy * dx);
  return x;
}

Line LineOf(const Axis& x) {
  Line l;
  const double norm = std::sqrt(x.s2);
  l.ux = x.vx / norm;
  l.uy = x.vy / norm;
  l.Q = x.Q;
  l.rss = x.rss;
  l.T = x.along / norm;
  return l;
}

Line LineToOne(const Track& t, double cx, double cy) {
  Line l;
  const double len = std::hypot(t.mx - cx, t.my - cy);
  l.ux = len > 0 ? (t.mx - cx) / len : 1;
  l.uy = len > 0 ? (t.my - cy) / len : 0;
  return l;
}

double Angle(double ux, double uy) {
  double deg = std::atan2(uy, ux) * 180 / 3.14159265358979323846;
  if (deg <= -90) deg += 180;
  if (deg > 90) deg -= 180;
  return deg;
}

}  // namespace zirt::diagnostics_detail
