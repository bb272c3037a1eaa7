// The residuals the diagnostics report: per image and per reference point against the robust
// fit's lines, and each flagged measurement's distance from its line.
#pragma once

#include "diagnostics/robust_search.h"

namespace zirt::diagnostics_detail {

// Fills d.images, d.points and (unless `flagged_known`) the residuals of d.outliers against
// `fit`, with what `search` keeps and sets aside. A track taken out of the fit keeps the line
// through c and its one remaining measurement; flagged measurements count, so that they show.
void FillResiduals(const RobustSearch& search, const Fit& fit, bool flagged_known, Diagnostics& d);

}  // namespace zirt::diagnostics_detail
