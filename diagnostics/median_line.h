// The median line of a track through a candidate point: the line in the median of its
// measurements' directions from the point, which half of them can't pull. The high-breakdown
// start and the screen of every track judge distances from it.
#pragma once

#include <cmath>

#include "diagnostics/diagnostics.h"

namespace zirt::diagnostics_detail {

// The value at position q of n values in order; reorders them so that those before q are at
// most it.
double SelectNth(double* v, int n, int q);

// The value at position q of n values in order, as SelectNth gives it where values that
// compare equal are the same bits (no zeros of both signs), the order they are left in aside.
// For thousands of values it selects only among those near position q, found without a
// branch on the values: the start's residuals and the spread's distances.
double SelectAmongMany(double* v, int n, int q);

// The median of n values (the two middle ones averaged), which it may reorder.
double MedianOf(double* v, int n);

// |(x, y)| as std::hypot gives it, without its cost where the squares neither overflow nor
// vanish (the last bit may differ). Inline: the start takes two for every track it judges.
inline double Length(double x, double y) {
  const double squares = x * x + y * y;
  return squares > 1e-290 && squares < 1e290 ? std::sqrt(squares) : std::hypot(x, y);
}

// The mean of n points.
Position MeanOf(const Position* p, int n);

// The perpendicular distances r[k] of the n points p from the line through c in the median of
// their directions from c. Directions are taken as tangents against the points' mean
// direction (`mean`, given for points judged against many c): no angle function per point.
// `tangent` is room for n values.
void MedianLineResiduals(const Position* p, int n, Position mean, double cx, double cy,
                         double* tangent, double* r);

// The same, the mean taken here.
inline void MedianLineResiduals(const Position* p, int n, double cx, double cy, double* tangent,
                                double* r) {
  MedianLineResiduals(p, n, MeanOf(p, n), cx, cy, tangent, r);
}

}  // namespace zirt::diagnostics_detail
