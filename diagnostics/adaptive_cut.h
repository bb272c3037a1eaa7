// The adaptive cut: where the tail of the standardised distances of all measurements grows
// beyond the normal one's (Gervini and Yohai's adaptive cut-off), a bound below the test's for
// a set with many gross errors.
#pragma once

#include <vector>

namespace zirt::diagnostics_detail {

// The cut for the distances z (each in units of its own σ, set aside or not): the largest
// excess of the empirical distribution's tail over the normal one's, Φ(d) − F̂(d) taken
// over the distances d ≥ `least` (two-sided: Φ here is erf(d/√2)), gives how many of the
// largest are set aside; the cut is the distance below them, never under `least`. 0 when the
// tail holds no more than the normal one.
double AdaptiveCut(std::vector<double> z, double least);

// A robust scale of the distances z: 1.4826 times their median, squared (a variance).
double MedianVariance(std::vector<double> z);

}  // namespace zirt::diagnostics_detail
