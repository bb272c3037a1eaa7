#include <charconv>
#include <limits>
#include <string>

#include "diagnostics/diagnostics.h"
#include "export/calibration_export.h"

namespace zirt {

std::optional<ExportedPoint> PointToExport(const Calibration& calibration, const Diagnostics& d,
                                           std::string_view estimate) {
  const std::optional<PointEstimate>& e = estimate == "robust" ? d.robust : d.refined;
  ExportedPoint p;
  p.estimate = std::string(estimate);
  if (estimate == "report") {
    // The report's method has no σ of its own, and the refined point's σ says nothing of a
    // point that may lie many of them away: the comment gives the refined point beside it.
    p.x = calibration.PrincipalX;
    p.y = calibration.PrincipalY;
    p.sigma_x = p.sigma_y = std::numeric_limits<double>::quiet_NaN();
    if (e && e->has_uncertainty) {
      const auto num = [](double v, int digits) {
        char text[32];
        const auto end =
            std::to_chars(text, text + sizeof text, v, std::chars_format::general, digits).ptr;
        return std::string(text, end);
      };
      p.sigma_note = "the refined estimate from the same measurements is x0 = " + num(e->x, 15) +
                     ", y0 = " + num(e->y, 15) + " px with sigma x0 = " + num(e->sigma_x, 3) +
                     ", sigma y0 = " + num(e->sigma_y, 3) + " px";
    }
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
