#include <cmath>

#include "calib/calibration.h"
#include "data/extended.h"
#include "data/number_format.h"

namespace zirt {

std::unique_ptr<VT_Point> FitLine(const VT_Points& positions, bool step_mode, ReportSink& report) {
  const double n = positions.Count();
  double sx = 0, sy = 0, sxy = 0, sxx = 0;
  for (int j = 0; j < positions.Count(); ++j) {
    const VT_Point& p = *positions.Get(j);
    sx = Store(Ext{p.X} + sx);
    sy = Store(Ext{p.Y} + sy);
    sxy = Store(Ext{p.Y} * p.X + sxy);
    sxx = Store(Ext{p.X} * p.X + sxx);
  }
  // The vertical track (one x for all positions) makes the divisor zero and fails here.
  const double a = Store(Div(-Ext{sx} * sy + Ext{n} * sxy, Ext{n} * sxx - Ext{sx} * sx));
  const double b = Store(Div(Ext{sy} - Ext{a} * sx, n));

  if (step_mode) {
    const double k = Store(Div(1, Sqrt(Store(Ext{a} * a + 1))));
    double s = 0;
    for (int j = 0; j < positions.Count(); ++j) {
      const VT_Point& p = *positions.Get(j);
      s = Store((Ext{a} * p.X - p.Y + b) * k + s);
    }
    const double m = Store(Div(s, Ext{n} - 1));
    double v = 0;
    for (int j = 0; j < positions.Count(); ++j) {
      const VT_Point& p = *positions.Get(j);
      const double d = Store((Ext{a} * p.X - p.Y + b) * k);
      v = Store((Ext{d} - m) * (Ext{d} - m) + v);
    }
    const double deviation = Store(Sqrt(Store(Div(v, Ext{n} - 1))));
    report.AppendReport("Среднее = " + FormatFixed(m, 10, 3));
    report.AppendReport("СКО = " + FormatFixed(deviation, 10, 3));
  }
  return std::make_unique<VT_Point>(a, b);
}

}  // namespace zirt
