#include "calib/calibration.h"
#include "calib/least_squares.h"
#include "data/number_format.h"

namespace zirt {

std::unique_ptr<VT_Point> FitLine(const VT_Points& positions, bool step_mode, ReportSink& report) {
  const double n = positions.Count();
  const RegressionSums s = SumsOf(positions);
  // The vertical track (one x for all positions) makes the divisor zero and fails here.
  const double a = Store(Div(-Ext{s.x} * s.y + Ext{n} * s.xy, Ext{n} * s.xx - Ext{s.x} * s.x));
  const double b = Store(Div(Ext{s.y} - Ext{a} * s.x, n));

  if (step_mode) {
    const double k = Store(Div(1, Sqrt(Store(Ext{a} * a + 1))));
    const Spread spread = SpreadOf(positions.Count(), [&](int j) {
      const VT_Point& p = *positions.Get(j);
      return (Ext{a} * p.X - p.Y + b) * k;
    });
    report.AppendReport("Среднее = " + FormatFixed(spread.mean, 10, 3));
    report.AppendReport("СКО = " + FormatFixed(spread.deviation, 10, 3));
  }
  return std::make_unique<VT_Point>(a, b);
}

}  // namespace zirt
