#include "diagnostics/estimate.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "diagnostics/quantiles.h"

namespace zirt::diagnostics_detail {

PointEstimate EstimateOf(const Fit& fit, const std::vector<Track>& tracks) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  PointEstimate e;
  e.x = fit.cx;
  e.y = fit.cy;
  e.measurements = fit.measurements;
  e.tracks = fit.tracks;
  e.dof = fit.Dof();
  e.rms_px = fit.measurements > 0 ? std::sqrt(fit.rss / fit.measurements) : kNaN;
  e.track_angle_deg.assign(tracks.size(), kNaN);
  for (std::size_t i = 0; i < tracks.size(); ++i)
    if (tracks[i].n >= 2) e.track_angle_deg[i] = Angle(fit.lines[i].ux, fit.lines[i].uy);
  e.has_uncertainty = e.dof > 0;
  if (!e.has_uncertainty) {
    e.sigma0_px = e.cov_xx = e.cov_xy = e.cov_yy = e.sigma_x = e.sigma_y = e.correlation = kNaN;
    e.major_px = e.minor_px = e.angle_deg = kNaN;
    return e;
  }
  const double s2 = fit.rss / e.dof;
  e.sigma0_px = std::sqrt(s2);
  e.cov_xx = s2 * fit.p.p00;
  e.cov_xy = s2 * fit.p.p01;
  e.cov_yy = s2 * fit.p.p11;
  e.sigma_x = std::sqrt(e.cov_xx);
  e.sigma_y = std::sqrt(e.cov_yy);
  e.correlation = e.sigma_x > 0 && e.sigma_y > 0 ? e.cov_xy / (e.sigma_x * e.sigma_y) : kNaN;
  // The ellipse (c − ĉ)ᵀ Σ̂⁻¹ (c − ĉ) ≤ 2·F(2, dof; 0.95) along Σ̂'s axes.
  double ux, uy;
  MajorAxis(e.cov_xx, e.cov_xy, e.cov_yy, ux, uy);
  const double big = e.cov_xx * ux * ux + 2 * e.cov_xy * ux * uy + e.cov_yy * uy * uy;
  const double small = std::max(0.0, e.cov_xx + e.cov_yy - big);
  const double f2 = 2 * Fisher2Quantile(e.dof, 0.95);
  e.major_px = std::sqrt(f2 * big);
  e.minor_px = std::sqrt(f2 * small);
  e.angle_deg = Angle(ux, uy);
  return e;
}

}  // namespace zirt::diagnostics_detail
