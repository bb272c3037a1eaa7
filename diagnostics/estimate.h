// A fit's estimate of the common point: σ̂, the covariance and correlation, the 95% ellipse,
// and every used track's angle.
#pragma once

#include <vector>

#include "diagnostics/diagnostics.h"
#include "diagnostics/refined_fit.h"

namespace zirt::diagnostics_detail {

// The estimate of `fit` over `tracks` (the sums the fit was made of).
PointEstimate EstimateOf(const Fit& fit, const std::vector<Track>& tracks);

}  // namespace zirt::diagnostics_detail
