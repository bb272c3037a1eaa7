#include "diagnostics/refined_fit.h"

#include <cmath>

namespace zirt::diagnostics_detail {

namespace {

// Adds track t's share through c to e.
void AddTrack(const Track& t, double cx, double cy, Normal& e) {
  if (t.n < 2) return;
  const Axis x = AxisThrough(t, cx, cy);
  ++e.tracks;
  e.measurements += t.n;
  // A track constrains c across itself less where the rotation about c absorbs a shift:
  // w = n − T²/Q; the sums take the normal's products, each over s2.
  const double w = x.Q > 0 ? t.n - x.along * x.along * x.inv / x.Q : 0;
  const double wi = w * x.inv;
  e.a00 += wi * x.vy * x.vy;
  e.a01 -= wi * x.vx * x.vy;
  e.a11 += wi * x.vx * x.vx;
  e.g0 -= x.vy * x.across * x.inv;
  e.g1 += x.vx * x.across * x.inv;
  e.rss += x.rss;
}

}  // namespace

Normal NormalAt(const std::vector<Track>& tracks, double cx, double cy) {
  Normal e;
  for (const Track& t : tracks) AddTrack(t, cx, cy, e);
  return e;
}

std::vector<Line> LinesAt(const std::vector<Track>& tracks, double cx, double cy) {
  std::vector<Line> lines(tracks.size());
  for (std::size_t i = 0; i < tracks.size(); ++i)
    if (tracks[i].n >= 2) lines[i] = Through(tracks[i], cx, cy);
  return lines;
}

bool StartPoint(const std::vector<Track>& tracks, double& cx, double& cy) {
  double a00 = 0, a01 = 0, a11 = 0, b0 = 0, b1 = 0, mx = 0, my = 0;
  int lines = 0;
  for (const Track& t : tracks) {
    if (t.n < 2) continue;
    mx += t.mx;
    my += t.my;
    ++lines;
    if (t.sxx + t.syy == 0) continue;
    double ux, uy;
    MajorAxis(t.sxx, t.sxy, t.syy, ux, uy);
    const double nx = -uy, ny = ux, w = t.n;
    const double proj = nx * t.mx + ny * t.my;
    a00 += w * nx * nx;
    a01 += w * nx * ny;
    a11 += w * ny * ny;
    b0 += w * nx * proj;
    b1 += w * ny * proj;
  }
  if (lines < 2) return false;
  const double det = a00 * a11 - a01 * a01;
  if (std::isfinite(det) && det > 1e-12 * (a00 + a11) * (a00 + a11)) {
    cx = (a11 * b0 - a01 * b1) / det;
    cy = (a00 * b1 - a01 * b0) / det;
  } else {
    cx = mx / lines;
    cy = my / lines;
  }
  return std::isfinite(cx) && std::isfinite(cy);
}

std::optional<Fit> Solve(const std::vector<Track>& tracks, double cx, double cy) {
  Normal e = NormalAt(tracks, cx, cy);
  double mu = 0;
  double last0 = 0, last1 = 0;  // the last undamped step taken
  for (int iteration = 0; iteration < 100; ++iteration) {
    const double scale = 0.5 * (e.a00 + e.a11);
    const double a00 = e.a00 + mu * scale, a11 = e.a11 + mu * scale;
    const double det = a00 * a11 - e.a01 * e.a01;
    if (!(det > 0) || !std::isfinite(det)) break;
    const double d0 = (a11 * e.g0 - e.a01 * e.g1) / det;
    const double d1 = (a00 * e.g1 - e.a01 * e.g0) / det;
    // The decrease the step promises; below the rounding of the RSS there is nothing to gain.
    const double promised = d0 * e.g0 + d1 * e.g1;
    if (!(promised > 1e-13 * e.rss)) break;
    const Normal next = NormalAt(tracks, cx + d0, cy + d1);
    if (next.rss < e.rss) {
      cx += d0;
      cy += d1;
      e = next;
      // Far from the data's lines (many gross errors) the steps shrink by a steady ratio, each
      // a pass over the tracks: while two undamped steps agree in direction, the rest of that
      // series is tried in one, and kept when it lowers the RSS.
      const double along = d0 * last0 + d1 * last1, last = last0 * last0 + last1 * last1;
      const double ratio = last > 0 ? along / last : 0;
      if (mu == 0 && ratio > 0.05 && ratio < 0.9 &&
          along > 0.99 * std::sqrt((d0 * d0 + d1 * d1) * last)) {
        const double ahead = ratio / (1 - ratio);
        const Normal further = NormalAt(tracks, cx + ahead * d0, cy + ahead * d1);
        if (further.rss < e.rss) {
          cx += ahead * d0;
          cy += ahead * d1;
          e = further;
        }
      }
      last0 = mu == 0 ? d0 : 0;
      last1 = mu == 0 ? d1 : 0;
      mu = mu < 1e-9 ? 0 : mu / 10;
    } else {
      // A step that promised no more than the RSS's own rounding, summed over many tracks,
      // can fail by that rounding alone: damping it further gains nothing.
      if (promised < 1e-10 * e.rss) break;
      mu = mu == 0 ? 1e-4 : mu * 10;
      if (mu > 1e8) break;
    }
  }
  const double det = e.a00 * e.a11 - e.a01 * e.a01;
  const double trace = e.a00 + e.a11;
  if (!std::isfinite(det) || !(det > 1e-13 * trace * trace)) return std::nullopt;
  if (e.tracks < 2) return std::nullopt;
  Fit fit;
  fit.cx = cx;
  fit.cy = cy;
  fit.p = {e.a11 / det, -e.a01 / det, e.a00 / det};
  // The lines at the point found alone: a step tried and refused needs none.
  fit.lines = LinesAt(tracks, cx, cy);
  fit.tracks = e.tracks;
  fit.rss = e.rss;
  fit.measurements = e.measurements;
  return fit;
}

}  // namespace zirt::diagnostics_detail
