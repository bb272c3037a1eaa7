// The test for gross errors: the Bonferroni bound on the externally studentised residual, and
// the measurement that stands out most. Every verdict of the diagnostics is taken against it.
#pragma once

#include <algorithm>
#include <cmath>

#include "diagnostics/diagnostics.h"
#include "diagnostics/quantiles.h"

namespace zirt::diagnostics_detail {

// The two-sided Student t bound at kOutlierLevel over `measurements` tests, for a fit with
// `dof` degrees of freedom: t(dof − 1) at kOutlierLevel / 2 / measurements, the externally
// studentised residual having one degree of freedom fewer than the fit. A measurement set
// aside is judged as it would be back in the fit: OutlierBound(dof + 1, measurements + 1).
inline double OutlierBound(int dof, double measurements) {
  return StudentTUpper(dof - 1, kOutlierLevel / 2 / measurements);
}

// Residuals within this of their line are rounding: exact data flag nothing.
inline double RoundingFloor(double cx, double cy) {
  return 1e-10 * (1 + std::hypot(cx, cy));
}

// The squared externally studentised residual of a measurement with residual² r2 and 1 − h
// `free` in a fit of `rss` and `dof`: t² = r²·(dof − 1) / (RSS·(1 − h) − r²), its
// denominator kept above the rounding floor's share.
inline double StudentisedSquare(double r2, double free, double rss, int dof, double floor) {
  const double floor_dof = floor * floor * (dof - 1);
  return r2 * (dof - 1) / std::max(rss * free - r2, floor_dof * free);
}

// Whether t² > bound² (bound2), as StudentisedSquare, without the division.
inline bool ExceedsBound(double r2, double free, double rss, int dof, double floor, double bound2) {
  const double floor_dof = floor * floor * (dof - 1);
  return r2 * (dof - 1) > bound2 * std::max(rss * free - r2, floor_dof * free);
}

// The measurement that may go with the largest r² / (1 − h), its r² and 1 − h: the one with
// the largest externally studentised residual, whatever the RSS.
struct Standout {
  int image = -1, point = -1;
  double r2 = 0, free = 1;
  // Whether a measurement with r2 and free stands out more; the first found wins a tie.
  bool Below(double other_r2, double other_free) const { return other_r2 * free > r2 * other_free; }
  void Take(const Standout& other) {
    if (other.image >= 0 && Below(other.r2, other.free)) *this = other;
  }
  // A measurement in the fit with residual r and 1 − h `free`: it may go unless it lies within
  // rounding of its line (|r| ≤ floor) or the fit leaves it no variance.
  void Offer(int at_image, int at_point, double r, double free, double floor) {
    if (free > 1e-9 && std::fabs(r) > floor && Below(r * r, free))
      *this = {at_image, at_point, r * r, free};
  }
};

}  // namespace zirt::diagnostics_detail
