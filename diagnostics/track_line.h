// A track's measurements as sums, and its best line through a common point: the pieces every
// fit of the diagnostics is made of.
#pragma once

#include <algorithm>
#include <cmath>

#include "diagnostics/diagnostics.h"

namespace zirt::diagnostics_detail {

// A track's used measurements: count, mean and scatter about the mean.
struct Track {
  int n = 0;
  double mx = 0, my = 0;
  double sxx = 0, sxy = 0, syy = 0;
};

// The track of the points at(k) (k < n, each with x and y) for which keep(k): in order, the
// mean first, then the scatter about it.
template <typename At, typename Keep>
Track TrackOf(int n, At at, Keep keep) {
  Track t;
  double sx = 0, sy = 0;
  for (int k = 0; k < n; ++k) {
    if (!keep(k)) continue;
    ++t.n;
    sx += at(k).x;
    sy += at(k).y;
  }
  if (t.n == 0) return t;
  t.mx = sx / t.n;
  t.my = sy / t.n;
  for (int k = 0; k < n; ++k) {
    if (!keep(k)) continue;
    const double dx = at(k).x - t.mx, dy = at(k).y - t.my;
    t.sxx += dx * dx;
    t.sxy += dx * dy;
    t.syy += dy * dy;
  }
  return t;
}

template <typename Keep>
Track TrackOf(const Position* p, int n, Keep keep) {
  return TrackOf(
      n, [p](int k) -> const Position& { return p[k]; }, keep);
}

// The track of the points p[k] not set aside (aside[k] == 0), in one pass: sums about the
// first of them, which keeps them as small as the track's own spread. Equal to TrackOf's
// within rounding; judging a track uses it for every verdict it tries.
Track TrackOfKept(const Position* p, int n, const char* aside);

// A track's best line through a point c: unit direction u (normal (−uy, ux)); over its
// measurements the sums of t = u·(p − c) and t², and of r² (r = n·(p − c)), the least of
// which the direction makes.
struct Line {
  double ux = 1, uy = 0;
  double T = 0, Q = 0, rss = 0;
};

// Unit major axis of the symmetric [[a, b], [b, c]], without cancellation.
void MajorAxis(double a, double b, double c, double& ux, double& uy);

// A track's major axis through c unnormalised, (vx, vy) of squared length s2, with what needs
// no square root: Q and the RSS (the scatter's eigenvalues), and n times p̄ − c along and
// across the axis, both times √s2. The fit's sums take only 1/s2.
struct Axis {
  double vx = 1, vy = 0, s2 = 1, inv = 1;
  double Q = 0, rss = 0, along = 0, across = 0;
};
Axis AxisThrough(const Track& s, double cx, double cy);
Line LineOf(const Axis& x);

inline Line Through(const Track& s, double cx, double cy) {
  return LineOf(AxisThrough(s, cx, cy));
}

// The line through c and a track's one remaining measurement.
Line LineToOne(const Track& t, double cx, double cy);

// A direction's angle from +x toward +y, in (−90, 90].
double Angle(double ux, double uy);

}  // namespace zirt::diagnostics_detail
