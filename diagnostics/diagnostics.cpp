#include "diagnostics/diagnostics.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/estimate.h"
#include "diagnostics/measurements.h"
#include "diagnostics/residuals.h"
#include "diagnostics/robust_search.h"

namespace zirt {

namespace diagnostics_detail {

namespace {

// The measurement with the largest externally studentised residual among those that may go
// (fit.worst, from RobustSearch::Measure), and whether it exceeds the Bonferroni bound. The
// leverage comes from the full Jacobian, the measurement's own track direction included.
FlaggedMeasurement Worst(const Fit& fit, bool& exceeds) {
  const int dof = fit.Dof();
  exceeds = false;
  FlaggedMeasurement f;
  const Standout& w = fit.worst;
  if (dof < 2 || fit.measurements < 1 || w.image < 0) return f;
  const double bound = OutlierBound(dof, fit.measurements);
  const double floor = RoundingFloor(fit.cx, fit.cy);
  f.image = w.image;
  f.point = w.point;
  f.studentized = std::sqrt(StudentisedSquare(w.r2, w.free, fit.rss, dof, floor));
  exceeds = f.studentized > bound;
  return f;
}

// Last, while the largest externally studentised residual exceeds the bound, that
// measurement is set aside and the rest refitted. Whether the flagged residuals are still the
// fit's.
bool OneAtATime(RobustSearch& search, Fit& fit, double rounds, int round, bool flagged_known,
                Diagnostics& d) {
  for (;; ++round) {
    bool exceeds = false;
    const FlaggedMeasurement worst = Worst(fit, exceeds);
    if (!exceeds) break;
    if (round >= rounds) {  // Out of work while one still stands out: say so.
      d.outlier_search_cut = true;
      break;
    }
    search.SetAside(worst);
    flagged_known = false;
    std::optional<Fit> next = search.SolveFrom(fit.cx, fit.cy);
    if (!next) {  // Setting it aside would leave the equations singular: keep it.
      search.Restore();
      break;
    }
    search.Measure(*next, true);
    fit = std::move(*next);
  }
  return flagged_known;
}

}  // namespace

Diagnostics DiagnoseMeasurements(const Measurements& m, double search_work,
                                 const RobustOptions& options) {
  Diagnostics d;
  d.images.assign(std::size_t(m.Images()), ImageResidual{0, std::nan("")});
  d.points.assign(std::size_t(m.Tracks()), PointResidual{0, std::nan(""), false});
  RobustSearch search(m, options);
  double cx = 0, cy = 0;
  std::optional<Fit> fit;
  if (StartPoint(search.Tracks(), cx, cy)) fit = search.SolveFrom(cx, cy);
  if (!fit) return d;
  search.Measure(*fit, false);
  d.refined = EstimateOf(*fit, search.Tracks());
  // No work at all allows no search: only whether one stands out is told.
  const double rounds =
      search_work > 0 ? std::max(1.0, search_work / 2 / std::max(1, fit->measurements)) : 0;
  int round = 0;
  // Many gross errors hide one another from the test: start it from the measurements that a
  // high-breakdown point finds near their lines, and let the test decide each. A set that
  // hides none is judged as it is, so that a clean set keeps what the test keeps.
  double sx = 0, sy = 0, scale = 0;
  std::vector<int> sampled;
  const bool started = search.Start(sx, sy, scale, sampled);
  const double bound = std::max(options.prescreen * scale, RoundingFloor(sx, sy));
  bool flagged_known = false;
  const bool hides = rounds > 0 && started && search.Hides(*fit, sampled, sx, sy, bound);
  bool stands_out = false;
  if (!hides) {
    search.Measure(*fit, true);
    Worst(*fit, stands_out);
  }
  if (rounds > 0 && started && (hides || stands_out)) {
    std::optional<Fit> robust = search.WithoutGrossErrors(sx, sy, bound, *fit, rounds, round);
    const std::size_t flagged = search.Flagged().size();
    // A fit of a minority is no fit of the set: a few tracks can nearly meet anywhere.
    if (robust && flagged > 0 && 2 * flagged < std::size_t(fit->measurements)) {
      fit = std::move(robust);
      flagged_known = search.Studentize(*fit);
    } else {
      // Nothing stays aside (a clean set): the refined fit stands, as it is.
      search.Clear();
      if (hides) search.Measure(*fit, true);
    }
  }
  flagged_known = OneAtATime(search, *fit, rounds, round, flagged_known, d);
  d.outliers = search.TakeFlagged();
  d.robust = EstimateOf(*fit, search.Tracks());
  FillResiduals(search, *fit, flagged_known, d);
  return d;
}

}  // namespace diagnostics_detail

std::vector<std::vector<Position>> PositionsOf(const ImageSets& images) {
  std::vector<std::vector<Position>> positions(images.Length());
  for (std::size_t k = 0; k < images.Length(); ++k) {
    const VT_Points& set = images[static_cast<std::ptrdiff_t>(k)];
    positions[k].reserve(static_cast<std::size_t>(set.Count()));
    for (int i = 0; i < set.Count(); ++i) positions[k].push_back({set.Get(i)->X, set.Get(i)->Y});
  }
  return positions;
}

bool Consistent(const std::optional<PointEstimate>& refined) {
  return !refined || !refined->has_uncertainty || !(refined->sigma0_px > kConsistentSigmaPx);
}

Diagnostics Diagnose(const std::vector<std::vector<Position>>& images, double search_work) {
  return diagnostics_detail::DiagnoseMeasurements(diagnostics_detail::Measurements(images),
                                                  search_work, {});
}

Diagnostics Diagnose(const ImageSets& images, double search_work) {
  return diagnostics_detail::DiagnoseMeasurements(diagnostics_detail::Measurements(images),
                                                  search_work, {});
}

}  // namespace zirt
