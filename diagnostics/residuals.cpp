#include "diagnostics/residuals.h"

#include <cmath>
#include <limits>

namespace zirt::diagnostics_detail {

void FillResiduals(const RobustSearch& search, const Fit& fit, bool flagged_known, Diagnostics& d) {
  constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
  const Measurements& m = search.Data();
  const std::vector<Track>& tracks = search.Tracks();
  // A track down to one measurement has no line of its own: the one through c and it.
  const auto line_of = [&](int i) {
    const Track& t = tracks[std::size_t(i)];
    return t.n >= 2 ? fit.lines[std::size_t(i)] : LineToOne(t, fit.cx, fit.cy);
  };
  std::vector<double> image_ss(std::size_t(m.Images()), 0), point_ss(std::size_t(m.Tracks()), 0);
  d.images.assign(std::size_t(m.Images()), ImageResidual{0, kNaN});
  d.points.assign(std::size_t(m.Tracks()), PointResidual{0, kNaN, false});
  for (int i = 0; i < m.Tracks(); ++i) {
    if (tracks[std::size_t(i)].n == 0) continue;
    const Line l = line_of(i);
    const Position* p = m.Of(i);
    for (int k = 0; k < m.Images(); ++k) {
      if (!Seen(p[k])) continue;
      const double r = l.ux * (p[k].y - fit.cy) - l.uy * (p[k].x - fit.cx);
      image_ss[std::size_t(k)] += r * r;
      point_ss[std::size_t(i)] += r * r;
      ++d.images[std::size_t(k)].measurements;
      ++d.points[std::size_t(i)].measurements;
    }
  }
  for (int k = 0; k < m.Images(); ++k) {
    ImageResidual& r = d.images[std::size_t(k)];
    if (r.measurements > 0) r.rms_px = std::sqrt(image_ss[std::size_t(k)] / r.measurements);
  }
  for (int i = 0; i < m.Tracks(); ++i) {
    PointResidual& r = d.points[std::size_t(i)];
    if (r.measurements > 0) r.rms_px = std::sqrt(point_ss[std::size_t(i)] / r.measurements);
    r.flagged = search.Any(i);
  }
  if (flagged_known) return;
  for (FlaggedMeasurement& f : d.outliers) {
    const Position p = m.At(f.image, f.point);
    const Line l = line_of(f.point);
    f.residual_px = std::fabs(l.ux * (p.y - fit.cy) - l.uy * (p.x - fit.cx));
  }
}

}  // namespace zirt::diagnostics_detail
