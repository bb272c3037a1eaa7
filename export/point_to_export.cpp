#include <limits>

#include "diagnostics/diagnostics.h"
#include "export/calibration_export.h"

namespace zirt {

std::optional<ExportedPoint> PointToExport(const Calibration& calibration, const Diagnostics& d,
                                           std::string_view estimate) {
  const std::optional<PointEstimate>& e = estimate == "robust" ? d.robust : d.refined;
  ExportedPoint p;
  p.estimate = std::string(estimate);
  if (estimate == "report") {
    p.x = calibration.PrincipalX;
    p.y = calibration.PrincipalY;
    p.sigma_x = e ? e->sigma_x : std::numeric_limits<double>::quiet_NaN();
    p.sigma_y = e ? e->sigma_y : std::numeric_limits<double>::quiet_NaN();
    if (e) p.sigma_note = "sigma of the refined estimate from the same measurements";
    return p;
  }
  if (!e) return std::nullopt;
  p.x = e->x;
  p.y = e->y;
  p.sigma_x = e->sigma_x;
  p.sigma_y = e->sigma_y;
  return p;
}

}  // namespace zirt
