// Quantiles of the Student t and Fisher F distributions used by the diagnostics' tests and
// confidence regions.
#pragma once

namespace zirt {

// The t with P(T > t) = tail for Student's t with dof > 0 degrees of freedom (0 < tail < 1).
double StudentTUpper(double dof, double tail);

// F(2, dof) at probability p: dof/2 · ((1 − p)^(−2/dof) − 1).
double Fisher2Quantile(double dof, double p);

}  // namespace zirt
