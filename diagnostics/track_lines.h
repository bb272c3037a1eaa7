// A track's measurements as sums, its line through a common point, a measurement's leverage
// and the median line that gross errors can't pull: the pieces every fit of the diagnostics uses.
#pragma once

#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include "diagnostics/diagnostics.h"

namespace zirt::diagnostics_detail {

// An allocator that leaves a new element as allocated: for a list that a pass over all tracks
// fills whole, in parts at once, before anything reads it. Its pages are then first touched by
// the parts together, not zeroed one by one on one thread before (a fresh page costs more than
// what is written to it).
template <typename T>
struct Unfilled : std::allocator<T> {
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
  template <typename U>
  struct rebind {
    using other = Unfilled<U>;
  };
  Unfilled() = default;
  template <typename U>
  Unfilled(const Unfilled<U>&) noexcept {}
  template <typename U>
  void construct(U*) noexcept {}
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};
template <typename T>
using UnfilledVector = std::vector<T, Unfilled<T>>;

// A track's used measurements: count, mean and scatter about the mean.
struct Track {
  int n = 0;
  double mx = 0, my = 0;
  double sxx = 0, sxy = 0, syy = 0;
};

// The track of the points p[k] for which keep(k), as Recompute takes it: in order, the mean
// first, then the scatter about it.
template <typename Keep>
Track TrackOf(const Position* p, int n, Keep keep) {
  Track t;
  double sx = 0, sy = 0;
  for (int k = 0; k < n; ++k) {
    if (!keep(k)) continue;
    ++t.n;
    sx += p[k].x;
    sy += p[k].y;
  }
  if (t.n == 0) return t;
  t.mx = sx / t.n;
  t.my = sy / t.n;
  for (int k = 0; k < n; ++k) {
    if (!keep(k)) continue;
    const double dx = p[k].x - t.mx, dy = p[k].y - t.my;
    t.sxx += dx * dx;
    t.sxy += dx * dy;
    t.syy += dy * dy;
  }
  return t;
}

// The track of the finite points p[k] that are not set aside (aside[k] == 0), in one pass:
// sums about the first of them, which keeps them as small as the track's own spread, each
// point weighted 0 or 1 instead of a branch that measurements set aside in no order would
// mispredict. Equal to TrackOf's within rounding.
inline Track TrackOfKept(const Position* p, int n, const char* aside) {
  Track t;
  int first = 0;
  while (first < n && aside[first]) ++first;
  if (first == n) return t;
  const double x0 = p[first].x, y0 = p[first].y;
  double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
  for (int k = first; k < n; ++k) {
    const double w = aside[k] ? 0.0 : 1.0;
    t.n += aside[k] ? 0 : 1;
    const double dx = w * (p[k].x - x0), dy = w * (p[k].y - y0);
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

// A track's best line through a point c: unit direction u (normal (−uy, ux)); over its
// measurements the sums of t = u·(p − c) and t², and of r² (r = n·(p − c)), the least of
// which the direction makes.
struct Line {
  double ux = 1, uy = 0;
  double T = 0, Q = 0, rss = 0;
};

// Unit major axis of the symmetric [[a, b], [b, c]], without cancellation.
inline void MajorAxis(double a, double b, double c, double& ux, double& uy) {
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

// A track's major axis through c unnormalised, (vx, vy) of squared length s2, and what needs
// no square root: Q and the RSS (the scatter's eigenvalues), and n times p̄ − c along and
// across the axis, both times √s2. The fit's sums take only 1/s2, so the square root of a
// unit direction stays off their path.
struct Axis {
  double vx = 1, vy = 0, s2 = 1, inv = 1;
  double Q = 0, rss = 0, along = 0, across = 0;
};

inline Axis AxisThrough(const Track& s, double cx, double cy) {
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

inline Line LineOf(const Axis& x) {
  Line l;
  const double norm = std::sqrt(x.s2);
  l.ux = x.vx / norm;
  l.uy = x.vy / norm;
  l.Q = x.Q;
  l.rss = x.rss;
  l.T = x.along / norm;
  return l;
}

inline Line Through(const Track& s, double cx, double cy) {
  return LineOf(AxisThrough(s, cx, cy));
}

// Two values in the lanes of a register, lane k the k-th: `yes` where the mask is set, `no`
// elsewhere.
inline __m128d Blend(__m128d mask, __m128d yes, __m128d no) {
  return _mm_or_pd(_mm_and_pd(mask, yes), _mm_andnot_pd(mask, no));
}
// The x and y of two positions, lane k from the k-th.
inline void SplitXY(const Position& a, const Position& b, __m128d& x, __m128d& y) {
  const __m128d p = _mm_loadu_pd(&a.x), q = _mm_loadu_pd(&b.x);
  x = _mm_unpacklo_pd(p, q);
  y = _mm_unpackhi_pd(p, q);
}

// What a fit's pass takes of the axes of two tracks through c, AxisThrough's and LineOf's
// arithmetic in the two lanes of a register (the square roots and divisions two at a time):
// the axis (vx, vy) with 1/s2, the RSS and `across`, and the weight n − T²/Q times 1/s2 (0
// where Q is 0). Lane k is track s[k].
struct AxisPair {
  double vx[2], vy[2], inv[2], rss[2], across[2], wi[2];
};

// The pair's axes, and their lines where `lines` is given.
inline AxisPair AxesThrough(const Track* s, double cx, double cy, Line* lines) {
  const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1), half_of = _mm_set1_pd(0.5);
  const __m128d n = _mm_set_pd(s[1].n, s[0].n);
  const __m128d dx = _mm_sub_pd(_mm_set_pd(s[1].mx, s[0].mx), _mm_set1_pd(cx));
  const __m128d dy = _mm_sub_pd(_mm_set_pd(s[1].my, s[0].my), _mm_set1_pd(cy));
  const __m128d a = _mm_add_pd(_mm_set_pd(s[1].sxx, s[0].sxx), _mm_mul_pd(_mm_mul_pd(n, dx), dx));
  const __m128d b = _mm_add_pd(_mm_set_pd(s[1].sxy, s[0].sxy), _mm_mul_pd(_mm_mul_pd(n, dx), dy));
  const __m128d c = _mm_add_pd(_mm_set_pd(s[1].syy, s[0].syy), _mm_mul_pd(_mm_mul_pd(n, dy), dy));
  const __m128d half = _mm_mul_pd(half_of, _mm_sub_pd(a, c));
  const __m128d h = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(half, half), _mm_mul_pd(b, b)));
  const __m128d some = _mm_cmpgt_pd(h, zero), up = _mm_cmpge_pd(half, zero);
  const __m128d vx = Blend(some, Blend(up, _mm_add_pd(half, h), b), one);
  const __m128d vy = Blend(some, Blend(up, b, _mm_sub_pd(h, half)), zero);
  const __m128d s2 = _mm_add_pd(_mm_mul_pd(vx, vx), _mm_mul_pd(vy, vy));
  const __m128d inv = _mm_div_pd(one, s2);
  const __m128d Q = _mm_add_pd(_mm_mul_pd(half_of, _mm_add_pd(a, c)), h);
  const __m128d spread =
      _mm_add_pd(_mm_sub_pd(_mm_mul_pd(_mm_mul_pd(a, vy), vy),
                            _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(_mm_set1_pd(2), b), vx), vy)),
                 _mm_mul_pd(_mm_mul_pd(c, vx), vx));
  const __m128d rss = _mm_max_pd(_mm_mul_pd(spread, inv), zero);
  const __m128d along = _mm_mul_pd(n, _mm_add_pd(_mm_mul_pd(vx, dx), _mm_mul_pd(vy, dy)));
  const __m128d across = _mm_mul_pd(n, _mm_sub_pd(_mm_mul_pd(vx, dy), _mm_mul_pd(vy, dx)));
  const __m128d w =
      Blend(_mm_cmpgt_pd(Q, zero),
            _mm_sub_pd(n, _mm_div_pd(_mm_mul_pd(_mm_mul_pd(along, along), inv), Q)), zero);
  AxisPair x;
  _mm_storeu_pd(x.vx, vx);
  _mm_storeu_pd(x.vy, vy);
  _mm_storeu_pd(x.inv, inv);
  _mm_storeu_pd(x.rss, rss);
  _mm_storeu_pd(x.across, across);
  _mm_storeu_pd(x.wi, _mm_mul_pd(w, inv));
  if (lines != nullptr) {
    const __m128d norm = _mm_sqrt_pd(s2);
    double ux[2], uy[2], Qs[2], T[2];
    _mm_storeu_pd(ux, _mm_div_pd(vx, norm));
    _mm_storeu_pd(uy, _mm_div_pd(vy, norm));
    _mm_storeu_pd(Qs, Q);
    _mm_storeu_pd(T, _mm_div_pd(along, norm));
    for (int k = 0; k < 2; ++k) lines[k] = {ux[k], uy[k], T[k], Qs[k], x.rss[k]};
  }
  return x;
}

// The line through c and a track's one remaining measurement.
inline Line LineToOne(const Track& t, double cx, double cy) {
  Line l;
  const double len = std::hypot(t.mx - cx, t.my - cy);
  l.ux = len > 0 ? (t.mx - cx) / len : 1;
  l.uy = len > 0 ? (t.my - cy) / len : 0;
  return l;
}

// What a measurement's leverage asks of its track's line through c: nᵀ(JᵀJ)⁻¹n of the c
// block (A⁻¹ = [[p00, p01], [p01, p11]]) and 1/Q; for a track down to one measurement, whose
// line is the one through c and it, 1/|it − c|² (0 when it is c).
struct Leverage {
  bool fitted = true;
  double npn = 0, iq = 0, reach = 0;
};

// Makes `l` the line of track t through c when the track is down to one measurement.
inline Leverage LeverageOf(const Track& t, Line& l, double cx, double cy, double p00, double p01,
                           double p11) {
  Leverage v;
  if (t.n >= 2) {
    const double nx = -l.uy, ny = l.ux;
    v.npn = p00 * nx * nx + 2 * p01 * nx * ny + p11 * ny * ny;
    v.iq = l.Q > 0 ? 1 / l.Q : 0;
    return v;
  }
  v.fitted = false;
  l = LineToOne(t, cx, cy);
  const double len = std::hypot(t.mx - cx, t.my - cy);
  v.reach = len > 0 ? 1 / (len * len) : 0;
  return v;
}

// The value at position q of n values in order, which it reorders so that those before q are
// at most it: a selection whose partitions move every value without a branch on it, as values
// in no order would mispredict the branches of std::nth_element.
inline double SelectNth(double* v, int n, int q) {
  int lo = 0, hi = n;
  while (hi - lo > 1) {
    const double a = v[lo], b = v[lo + (hi - lo) / 2], c = v[hi - 1];
    const double pivot = std::max(std::min(a, b), std::min(std::max(a, b), c));
    // Below the pivot to the front, then those equal to it.
    int below = lo;
    for (int i = lo; i < hi; ++i) {
      const double x = v[i];
      v[i] = v[below];
      v[below] = x;
      below += x < pivot;
    }
    if (q < below) {
      hi = below;
      continue;
    }
    int equal = below;
    for (int i = below; i < hi; ++i) {
      const double x = v[i];
      v[i] = v[equal];
      v[equal] = x;
      equal += x == pivot;
    }
    if (equal == below) {  // Values that do not compare (NaN): the library's selection.
      std::nth_element(v + lo, v + q, v + hi);
      break;
    }
    if (q < equal) break;
    lo = equal;
  }
  return v[q];
}

// A sorting network of n values cut down to the comparisons that reach the middle position(s),
// for the median of a track's few directions: a fixed sequence of min and max, no branch and
// no value waiting on another's store, at under half the selection's time for 20 values.
// Batcher's odd–even merge sort, which serves any n.
template <int N>
struct MiddleNetwork {
  struct Pair {
    signed char i, j;
  };
  struct Table {
    Pair pairs[N * N] = {};
    int count = 0;
  };
  static constexpr Table Make() {
    Table all{};
    for (int p = 1; p < N; p <<= 1)
      for (int k = p; k >= 1; k >>= 1)
        for (int j = k % p; j + k < N; j += 2 * k)
          for (int i = 0; i < std::min(k, N - j - k); ++i)
            if ((i + j) / (2 * p) == (i + j + k) / (2 * p))
              all.pairs[all.count++] = {static_cast<signed char>(i + j),
                                        static_cast<signed char>(i + j + k)};
    // From the end: a comparison counts where it touches a position that counts.
    bool needed[N] = {}, kept[N * N] = {};
    needed[N / 2] = true;
    needed[(N - 1) / 2] = true;
    for (int c = all.count - 1; c >= 0; --c) {
      if (!needed[all.pairs[c].i] && !needed[all.pairs[c].j]) continue;
      kept[c] = needed[all.pairs[c].i] = needed[all.pairs[c].j] = true;
    }
    Table middle{};
    for (int c = 0; c < all.count; ++c)
      if (kept[c]) middle.pairs[middle.count++] = all.pairs[c];
    return middle;
  }
  static constexpr Table kTable = Make();
  // The median of v[0 .. N), which must hold no NaN.
  static double Median(const double* in) {
    double v[N];
    for (int i = 0; i < N; ++i) v[i] = in[i];
#pragma GCC unroll 1024
    for (int c = 0; c < kTable.count; ++c) {
      const double a = v[kTable.pairs[c].i], b = v[kTable.pairs[c].j];
      v[kTable.pairs[c].i] = std::min(a, b);
      v[kTable.pairs[c].j] = std::max(a, b);
    }
    return N % 2 == 1 ? v[N / 2] : 0.5 * (v[N / 2] + v[N / 2 - 1]);
  }
  // The medians of two sets of N values at once, set k in lane k of each register: the same
  // comparisons, std::min(a, b) being _mm_min_pd(b, a) and std::max(a, b) _mm_max_pd(b, a).
  static __m128d Median(const __m128d* in) {
    __m128d v[N];
    for (int i = 0; i < N; ++i) v[i] = in[i];
#pragma GCC unroll 1024
    for (int c = 0; c < kTable.count; ++c) {
      const __m128d a = v[kTable.pairs[c].i], b = v[kTable.pairs[c].j];
      v[kTable.pairs[c].i] = _mm_min_pd(b, a);
      v[kTable.pairs[c].j] = _mm_max_pd(b, a);
    }
    return N % 2 == 1 ? v[N / 2] : _mm_mul_pd(_mm_set1_pd(0.5), _mm_add_pd(v[N / 2], v[N / 2 - 1]));
  }
};

// The networks for 2 to kNetworkUpTo values, by count: of one set of values (T double) or of
// two at once (T __m128d).
inline constexpr int kNetworkUpTo = 32;
template <typename T, int... N>
T NetworkMedian(const T* v, int n, std::integer_sequence<int, N...>) {
  using Median = T (*)(const T*);
  static constexpr Median kMedians[] = {&MiddleNetwork<N + 2>::Median...};
  return kMedians[n - 2](v);
}

// The median of n values (the two middle ones averaged), which it may reorder.
inline double MedianOf(double* v, int n) {
  if (n >= 2 && n <= kNetworkUpTo) {
    // Values that do not compare (NaN) have no place in a network's order.
    bool ordered = true;
    for (int i = 0; i < n; ++i) ordered &= v[i] == v[i];
    if (ordered) return NetworkMedian(v, n, std::make_integer_sequence<int, kNetworkUpTo - 1>{});
  }
  const int q = n / 2;
  const double middle = SelectNth(v, n, q);
  if (n % 2 == 1) return middle;
  // Every value before position q is at most v[q]: the largest of them is the lower middle.
  double lower = v[0];
  for (int i = 1; i < q; ++i) lower = std::max(lower, v[i]);
  return 0.5 * (middle + lower);
}

// |(x, y)| as std::hypot gives it, at a fraction of its cost where the squares neither
// overflow nor vanish (the last bit may differ).
inline double Length(double x, double y) {
  const double squares = x * x + y * y;
  return squares > 1e-290 && squares < 1e290 ? std::sqrt(squares) : std::hypot(x, y);
}

// The mean of n points.
inline Position MeanOf(const Position* p, int n) {
  double mx = 0, my = 0;
  for (int k = 0; k < n; ++k) {
    mx += p[k].x;
    my += p[k].y;
  }
  return {mx / n, my / n};
}

// The perpendicular distances r[k] of the n points p from the line through c in the median
// of their directions from c (the two middle ones averaged), a line that half the points
// can't pull. Directions are taken as tangents against the points' mean direction: no angle
// function per point.
// `mean` is theirs, given for points judged against many c.
inline void MedianLineResiduals(const Position* p, int n, Position mean, double cx, double cy,
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
  // Two points at a time, one in each lane of a register, each lane's arithmetic the scalar
  // form's below; the point left over by an odd count in that form.
  const __m128d c_x = _mm_set1_pd(cx), c_y = _mm_set1_pd(cy);
  const __m128d sign = _mm_set1_pd(-0.0);
  int k = 0;
  {
    const __m128d u_x = _mm_set1_pd(ux), u_y = _mm_set1_pd(uy);
    const __m128d far = _mm_set1_pd(1e300), zero = _mm_setzero_pd();
    for (; k + 1 < n; k += 2) {
      __m128d x, y;
      SplitXY(p[k], p[k + 1], x, y);
      const __m128d vx = _mm_sub_pd(x, c_x), vy = _mm_sub_pd(y, c_y);
      const __m128d along = _mm_add_pd(_mm_mul_pd(u_x, vx), _mm_mul_pd(u_y, vy));
      const __m128d across = _mm_sub_pd(_mm_mul_pd(u_x, vy), _mm_mul_pd(u_y, vx));
      _mm_storeu_pd(tangent + k, Blend(_mm_cmpgt_pd(along, zero), _mm_div_pd(across, along),
                                       _mm_or_pd(_mm_and_pd(across, sign), far)));
    }
  }
  for (; k < n; ++k) {
    const double vx = p[k].x - cx, vy = p[k].y - cy;
    const double along = ux * vx + uy * vy, across = ux * vy - uy * vx;
    // A point behind c is as far off as a direction can be.
    tangent[k] = along > 0 ? across / along : std::copysign(1e300, across);
  }
  const double median = MedianOf(tangent, n);
  const double norm = Length(1.0, median);
  const double wx = (ux - median * uy) / norm, wy = (uy + median * ux) / norm;
  const __m128d w_x = _mm_set1_pd(wx), w_y = _mm_set1_pd(wy);
  for (k = 0; k + 1 < n; k += 2) {
    __m128d x, y;
    SplitXY(p[k], p[k + 1], x, y);
    const __m128d dx = _mm_sub_pd(x, c_x), dy = _mm_sub_pd(y, c_y);
    _mm_storeu_pd(r + k, _mm_andnot_pd(sign, _mm_sub_pd(_mm_mul_pd(w_x, dy), _mm_mul_pd(w_y, dx))));
  }
  for (; k < n; ++k) r[k] = std::fabs(wx * (p[k].y - cy) - wy * (p[k].x - cx));
}

// The same, the mean taken here.
inline void MedianLineResiduals(const Position* p, int n, double cx, double cy, double* tangent,
                                double* r) {
  MedianLineResiduals(p, n, MeanOf(p, n), cx, cy, tangent, r);
}

}  // namespace zirt::diagnostics_detail
