// A measurement's leverage h in the fit of the common point: how much of its own error the
// fit takes up, from its track's line through c and the fit's A⁻¹. Written here once for
// every test that studentises a residual.
#pragma once

#include "diagnostics/track_line.h"

namespace zirt::diagnostics_detail {

// The common point's covariance up to σ²: A⁻¹ = [[p00, p01], [p01, p11]].
struct Inverse {
  double p00 = 0, p01 = 0, p11 = 0;
};

// What a measurement's leverage asks of its track's line through c: nᵀA⁻¹n of the c block and
// 1/Q (with T/Q); for a track down to one measurement, whose line is the one through c and
// it, 1/|it − c|² (0 when it is c).
struct Leverage {
  bool fitted = true;
  double npn = 0, iq = 0, toq = 0, reach = 0;

  // h of a measurement `along` its line from c: for a fitted track the share through c and
  // the share through the track's own direction, (1 − t·T/Q)²·nᵀA⁻¹n + t²/Q; for a track
  // down to one measurement, judged as a prediction, t²/|it − c|².
  double H(double along) const {
    const double lean = 1 - along * toq;
    return fitted ? lean * lean * npn + along * along * iq : along * along * reach;
  }
  // 1 − h of a measurement in the fit, as the search for the one that stands out sums it.
  double Free(double along) const {
    const double lean = 1 - along * toq;
    return 1 - lean * lean * npn - along * along * iq;
  }
};

// The leverage of track t's measurements whose line through c is `l`; makes `l` the line
// through c and the one measurement when the track is down to one.
inline Leverage LeverageOf(const Track& t, Line& l, double cx, double cy, const Inverse& p) {
  Leverage v;
  if (t.n >= 2) {
    const double nx = -l.uy, ny = l.ux;
    v.npn = p.p00 * nx * nx + 2 * p.p01 * nx * ny + p.p11 * ny * ny;
    v.iq = l.Q > 0 ? 1 / l.Q : 0;
    v.toq = l.T * v.iq;
    return v;
  }
  v.fitted = false;
  l = LineToOne(t, cx, cy);
  const double len = std::hypot(t.mx - cx, t.my - cy);
  v.reach = len > 0 ? 1 / (len * len) : 0;
  return v;
}

}  // namespace zirt::diagnostics_detail
