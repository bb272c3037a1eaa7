// Where a point lies against an estimate's 95% ellipse: the report's point may lie far outside
// the refined one's, and then saving it deserves a word.
#pragma once

#include <cmath>

#include "diagnostics/diagnostics.h"

namespace zirt {

// The ellipse's scale that reaches (x, y): below 1 inside the 95% ellipse, 2 on the ellipse
// twice its size; NaN when the estimate has no uncertainty, infinite for a degenerate one.
inline double EllipseReach(const PointEstimate& e, double x, double y) {
  if (!e.has_uncertainty) return std::nan("");
  constexpr double kDegree = 3.14159265358979323846 / 180;
  const double c = std::cos(e.angle_deg * kDegree), s = std::sin(e.angle_deg * kDegree);
  const double dx = x - e.x, dy = y - e.y;
  const double along = (c * dx + s * dy) / e.major_px, across = (c * dy - s * dx) / e.minor_px;
  return std::sqrt(along * along + across * across);
}

}  // namespace zirt
