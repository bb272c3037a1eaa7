#include "diagnostics/median_line.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace zirt::diagnostics_detail {

double SelectNth(double* v, int n, int q) {
  std::nth_element(v, v + q, v + n);
  return v[q];
}

double SelectAmongMany(double* v, int n, int q) {
  constexpr int kSample = 256, kReach = 24;
  if (n < 8 * kSample || std::any_of(v, v + n, [](double x) { return std::isnan(x); }))
    return SelectNth(v, n, q);
  // Every (n / kSample)-th value: their order around q's share brackets the value sought, all
  // but a few times in a thousand (then the selection is made among all).
  double sample[kSample];
  for (int s = 0; s < kSample; ++s) sample[s] = v[std::int64_t(s) * n / kSample];
  const int at = int(std::int64_t(q) * kSample / n);
  const double lo = SelectNth(sample, kSample, std::max(0, at - kReach));
  const double hi = SelectNth(sample, kSample, std::min(kSample - 1, at + kReach));
  // Without a branch on the values: how many lie below the bracket, and those within it.
  std::vector<double> within(static_cast<std::size_t>(n));
  int below = 0, count = 0;
  for (int k = 0; k < n; ++k) {
    const double x = v[k];
    below += x < lo;
    within[std::size_t(count)] = x;
    count += (x >= lo) & (x <= hi);
  }
  if (below <= q && q < below + count) return SelectNth(within.data(), count, q - below);
  return SelectNth(v, n, q);
}

namespace {

// The middle of n sorted values: the one at n / 2, or the two around it averaged.
double Middle(const double* sorted, int n) {
  const int q = n / 2;
  return n % 2 == 1 ? sorted[q] : 0.5 * (sorted[q] + sorted[q - 1]);
}

// n ≤ 16 values, none of them NaN, into `sorted` as a stable sort would order them (equal
// values in the order given): each value's place is the count of those that come before it,
// the ones before it no greater and the ones after it smaller. Seen from a candidate point a
// track's directions come in no particular order, and a sort by insertion mispredicts a branch
// at nearly every step; this takes none.
void SortByRank(const double* v, int n, double* sorted) {
  for (int i = 0; i < n; ++i) {
    const double x = v[i];
    int place = 0;
    for (int j = 0; j < i; ++j) place += v[j] <= x;
    for (int j = i + 1; j < n; ++j) place += v[j] < x;
    sorted[place] = x;
  }
}

// Sorting by insertion, where a NaN leaves the order this sort gives it.
void SortByInsertion(double* v, int n) {
  for (int i = 1; i < n; ++i) {
    const double x = v[i];
    int j = i;
    for (; j > 0 && v[j - 1] > x; --j) v[j] = v[j - 1];
    v[j] = x;
  }
}

}  // namespace

double MedianOf(double* v, int n) {
  const int q = n / 2;
  // A track's few directions: sorting them is quicker than selecting among them, and gives
  // both middle values at once.
  if (n <= 16) {
    if (std::any_of(v, v + n, [](double x) { return std::isnan(x); })) {
      SortByInsertion(v, n);
      return Middle(v, n);
    }
    double sorted[16];
    SortByRank(v, n, sorted);
    return Middle(sorted, n);
  }
  const double middle = SelectNth(v, n, q);
  if (n % 2 == 1) return middle;
  // Every value before position q is at most v[q]: the largest of them is the lower middle.
  const double lower = *std::max_element(v, v + q);
  return 0.5 * (middle + lower);
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
