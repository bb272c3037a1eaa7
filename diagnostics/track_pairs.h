// Two tracks screened and looked at once, one in each lane of a register, for the pass that
// judges every track of a large set: each lane's arithmetic is the one track's judging's.
#pragma once

#include <emmintrin.h>

#include <atomic>
#include <cstdint>
#include <utility>

#include "diagnostics/track_lines.h"

namespace zirt::diagnostics_detail {

// Whether the pass that judges every track takes two tracks at a time where it can: off, it
// judges each on its own, as the tests that compare the two ask.
inline std::atomic<bool> judge_in_pairs{true};

// What a first look at a track judges against: the fit's point and A⁻¹, the screen's distance
// from the median line, and the bounds of the studentised test as Judge squares them.
struct FirstLook {
  double cx = 0, cy = 0;
  double p00 = 0, p01 = 0, p11 = 0;
  double screen = 0;
  double rss = 0, dof1 = 0;    // the fit's RSS and its degrees of freedom less one
  double in2 = 0, in2_s2 = 0;  // the bound in the fit squared, and times σ²
  double in2_floor = 0;        // the same times the least variance judged with
  double out2 = 0;             // the bound for one set aside, squared, times σ²
  double floor = 0, floor_dof = 0;
  double near = 0;  // a verdict within this factor of its edge is near (squared)
  bool watch = false;
};

// One track's first look: whether a measurement set aside came back, whether one in the fit
// stands out beyond the bound, whether a verdict was near its edge, and the track of what it
// keeps.
struct LaneLook {
  bool came_back = false, stands_out = false, near = false;
  Track track;
};

namespace pair_detail {

inline double Lane(__m128d v, int k) {
  double both[2];
  _mm_storeu_pd(both, v);
  return both[k];
}
// Whether both lanes' squares are within the range where Length takes their square root.
inline bool Plain(__m128d squares) {
  const __m128d in = _mm_and_pd(_mm_cmpgt_pd(squares, _mm_set1_pd(1e-290)),
                                _mm_cmplt_pd(squares, _mm_set1_pd(1e290)));
  return _mm_movemask_pd(in) == 3;
}

}  // namespace pair_detail

// Screens two complete tracks of n measurements (2 ≤ n ≤ kNetworkUpTo) with nothing set aside,
// at[0] and at[1] their positions, about their median lines through c, then looks once at
// each with its line through c of what it keeps, as Judge does with the screen first: aside[k]
// and went_r[k] take track k's verdicts and distances. Returns false where a figure leaves the
// range the lanes serve (a direction that is NaN, a mean at c, a median line beyond 1e145, a
// track the screen leaves one measurement): neither track is then judged here.
inline bool ScreenAndLook(const Position* const at[2], int n, const FirstLook& f,
                          char* const aside[2], double* const went_r[2], LaneLook out[2]) {
  using namespace pair_detail;
  const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1), sign = _mm_set1_pd(-0.0);
  const __m128d cx = _mm_set1_pd(f.cx), cy = _mm_set1_pd(f.cy);
  // Measurement k's x and y of both tracks.
  const Position *const a = at[0], *const b = at[1];
  const auto xy = [&](int k, __m128d& x, __m128d& y) { SplitXY(a[k], b[k], x, y); };
  // The median line (MedianLineResiduals with MeanOf).
  __m128d mx = zero, my = zero;
  for (int k = 0; k < n; ++k) {
    __m128d x, y;
    xy(k, x, y);
    mx = _mm_add_pd(mx, x);
    my = _mm_add_pd(my, y);
  }
  const __m128d count = _mm_set1_pd(n);
  __m128d ux = _mm_sub_pd(_mm_div_pd(mx, count), cx), uy = _mm_sub_pd(_mm_div_pd(my, count), cy);
  const __m128d squares = _mm_add_pd(_mm_mul_pd(ux, ux), _mm_mul_pd(uy, uy));
  if (!Plain(squares)) return false;
  const __m128d len = _mm_sqrt_pd(squares);
  ux = _mm_div_pd(ux, len);
  uy = _mm_div_pd(uy, len);
  __m128d tangent[kNetworkUpTo];
  __m128d ordered = _mm_castsi128_pd(_mm_set1_epi32(-1));
  const __m128d far = _mm_set1_pd(1e300);
  for (int k = 0; k < n; ++k) {
    __m128d x, y;
    xy(k, x, y);
    const __m128d vx = _mm_sub_pd(x, cx), vy = _mm_sub_pd(y, cy);
    const __m128d along = _mm_add_pd(_mm_mul_pd(ux, vx), _mm_mul_pd(uy, vy));
    const __m128d across = _mm_sub_pd(_mm_mul_pd(ux, vy), _mm_mul_pd(uy, vx));
    tangent[k] = Blend(_mm_cmpgt_pd(along, zero), _mm_div_pd(across, along),
                       _mm_or_pd(_mm_and_pd(across, sign), far));
    ordered = _mm_and_pd(ordered, _mm_cmpord_pd(tangent[k], tangent[k]));
  }
  if (_mm_movemask_pd(ordered) != 3) return false;
  const __m128d median =
      NetworkMedian(tangent, n, std::make_integer_sequence<int, kNetworkUpTo - 1>{});
  const __m128d norm_squares = _mm_add_pd(_mm_mul_pd(one, one), _mm_mul_pd(median, median));
  if (!Plain(norm_squares)) return false;
  const __m128d norm = _mm_sqrt_pd(norm_squares);
  const __m128d wx = _mm_div_pd(_mm_sub_pd(ux, _mm_mul_pd(median, uy)), norm);
  const __m128d wy = _mm_div_pd(_mm_add_pd(uy, _mm_mul_pd(median, ux)), norm);
  // The screen: the nearest always kept.
  __m128d least = zero;
  for (int k = 0; k < n; ++k) {
    __m128d x, y;
    xy(k, x, y);
    const __m128d r = _mm_andnot_pd(
        sign, _mm_sub_pd(_mm_mul_pd(wx, _mm_sub_pd(y, cy)), _mm_mul_pd(wy, _mm_sub_pd(x, cx))));
    went_r[0][k] = Lane(r, 0);
    went_r[1][k] = Lane(r, 1);
    least = k == 0 ? r : _mm_min_pd(least, r);
  }
  Track kept[2];
  int counts[2] = {0, 0};
  for (int lane = 0; lane < 2; ++lane) {
    const double nearest_r = Lane(least, lane), screen = f.screen;
    const double* const r = went_r[lane];
    char* const out = aside[lane];
    int nearest = 0;
    while (nearest < n - 1 && r[nearest] != nearest_r) ++nearest;
    for (int k = 0; k < n; ++k) {
      out[k] = k != nearest && r[k] > screen;
      counts[lane] += out[k] ^ 1;
    }
    // What it keeps, as TrackOfKept sums it: about its first kept position.
    int first = 0;
    while (out[first]) ++first;
    kept[lane].mx = (lane == 0 ? a : b)[first].x;
    kept[lane].my = (lane == 0 ? a : b)[first].y;
  }
  // Where each measurement is set aside, as a lane mask.
  __m128d away[kNetworkUpTo];
  for (int k = 0; k < n; ++k)
    away[k] =
        _mm_castsi128_pd(_mm_set_epi64x(-std::int64_t(aside[1][k]), -std::int64_t(aside[0][k])));
  const __m128d x0 = _mm_set_pd(kept[1].mx, kept[0].mx), y0 = _mm_set_pd(kept[1].my, kept[0].my);
  __m128d sx = zero, sy = zero, sxx = zero, sxy = zero, syy = zero;
  for (int k = 0; k < n; ++k) {
    // Before the first kept one every weight is 0 and adds +0 to sums that are +0.
    const __m128d w = _mm_andnot_pd(away[k], one);
    __m128d x, y;
    xy(k, x, y);
    const __m128d dx = _mm_mul_pd(w, _mm_sub_pd(x, x0));
    const __m128d dy = _mm_mul_pd(w, _mm_sub_pd(y, y0));
    sx = _mm_add_pd(sx, dx);
    sy = _mm_add_pd(sy, dy);
    sxx = _mm_add_pd(sxx, _mm_mul_pd(dx, dx));
    sxy = _mm_add_pd(sxy, _mm_mul_pd(dx, dy));
    syy = _mm_add_pd(syy, _mm_mul_pd(dy, dy));
  }
  if (counts[0] < 2 || counts[1] < 2) return false;
  const __m128d kept_n = _mm_set_pd(counts[1], counts[0]);
  const __m128d mean_x = _mm_div_pd(sx, kept_n), mean_y = _mm_div_pd(sy, kept_n);
  const __m128d tmx = _mm_add_pd(x0, mean_x), tmy = _mm_add_pd(y0, mean_y);
  const __m128d tsxx = _mm_max_pd(_mm_sub_pd(sxx, _mm_mul_pd(sx, mean_x)), zero);
  const __m128d tsxy = _mm_sub_pd(sxy, _mm_mul_pd(sx, mean_y));
  const __m128d tsyy = _mm_max_pd(_mm_sub_pd(syy, _mm_mul_pd(sy, mean_y)), zero);
  for (int lane = 0; lane < 2; ++lane)
    kept[lane] = {counts[lane],     Lane(tmx, lane),  Lane(tmy, lane),
                  Lane(tsxx, lane), Lane(tsxy, lane), Lane(tsyy, lane)};
  // The look: each measurement against the track's line through c and its leverage there.
  Line line[2];
  AxesThrough(kept, f.cx, f.cy, line);
  Leverage lever[2];
  for (int lane = 0; lane < 2; ++lane)
    lever[lane] = LeverageOf(kept[lane], line[lane], f.cx, f.cy, f.p00, f.p01, f.p11);
  const __m128d lx = _mm_set_pd(line[1].ux, line[0].ux), ly = _mm_set_pd(line[1].uy, line[0].uy);
  const __m128d npn = _mm_set_pd(lever[1].npn, lever[0].npn);
  const __m128d iq = _mm_set_pd(lever[1].iq, lever[0].iq);
  const __m128d toq = _mm_mul_pd(_mm_set_pd(line[1].T, line[0].T), iq);
  const __m128d out2 = _mm_set1_pd(f.out2), in2_s2 = _mm_set1_pd(f.in2_s2);
  const __m128d floor = _mm_set1_pd(f.floor), near_by = _mm_set1_pd(f.near);
  __m128d near = zero, took = zero, stands_out = zero;
  for (int k = 0; k < n; ++k) {
    __m128d x, y;
    xy(k, x, y);
    const __m128d dx = _mm_sub_pd(x, cx), dy = _mm_sub_pd(y, cy);
    const __m128d along = _mm_add_pd(_mm_mul_pd(lx, dx), _mm_mul_pd(ly, dy));
    const __m128d r = _mm_sub_pd(_mm_mul_pd(lx, dy), _mm_mul_pd(ly, dx));
    const __m128d lean = _mm_sub_pd(one, _mm_mul_pd(along, toq));
    const __m128d h = _mm_add_pd(_mm_mul_pd(_mm_mul_pd(lean, lean), npn),
                                 _mm_mul_pd(_mm_mul_pd(along, along), iq));
    const __m128d out = away[k];
    const __m128d r2 = _mm_mul_pd(r, r);
    const __m128d back_edge = _mm_mul_pd(out2, _mm_add_pd(one, h));
    if (f.watch) {
      const __m128d edge = Blend(out, back_edge, _mm_mul_pd(in2_s2, _mm_sub_pd(one, h)));
      near = _mm_or_pd(near, _mm_and_pd(_mm_cmpgt_pd(_mm_mul_pd(r2, near_by), edge),
                                        _mm_cmplt_pd(r2, _mm_mul_pd(edge, near_by))));
    }
    const __m128d small = _mm_cmple_pd(_mm_andnot_pd(sign, r), floor);
    // Nothing has gone yet: a measurement set aside comes back within its bound.
    took = _mm_or_pd(took, _mm_and_pd(out, _mm_or_pd(small, _mm_cmple_pd(r2, back_edge))));
    const __m128d free = _mm_sub_pd(one, h);
    const __m128d may_go =
        _mm_andnot_pd(_mm_or_pd(out, small), _mm_cmpgt_pd(free, _mm_set1_pd(1e-9)));
    const __m128d room = _mm_max_pd(_mm_mul_pd(_mm_set1_pd(f.floor_dof), free),
                                    _mm_sub_pd(_mm_mul_pd(_mm_set1_pd(f.rss), free), r2));
    const __m128d beyond = _mm_and_pd(
        _mm_cmpgt_pd(_mm_mul_pd(r2, _mm_set1_pd(f.dof1)), _mm_mul_pd(_mm_set1_pd(f.in2), room)),
        _mm_cmpgt_pd(r2, _mm_mul_pd(_mm_set1_pd(f.in2_floor), free)));
    stands_out = _mm_or_pd(stands_out, _mm_and_pd(may_go, beyond));
  }
  const int near_lanes = _mm_movemask_pd(near), took_lanes = _mm_movemask_pd(took);
  const int out_lanes = _mm_movemask_pd(stands_out);
  for (int lane = 0; lane < 2; ++lane)
    out[lane] = {(took_lanes >> lane & 1) != 0, (out_lanes >> lane & 1) != 0,
                 (near_lanes >> lane & 1) != 0, kept[lane]};
  return true;
}

}  // namespace zirt::diagnostics_detail
