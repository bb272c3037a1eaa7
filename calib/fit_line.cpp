#include "calib/calibration.h"
#include "calib/least_squares.h"
#include "data/number_format.h"

namespace zirt {

std::unique_ptr<VT_Point> FitLine(const VT_Points& positions, bool step_mode, ReportSink& report) {
  const auto at = [&](int j) -> const VT_Point& { return *positions.Get(j); };
  const PlainPoint line = LineThrough(positions.Count(), at);
  if (step_mode) {
    const Spread spread = SpreadAround(line, positions.Count(), at);
    report.AppendReport("Среднее = " + FormatFixed(spread.mean, 10, 3));
    report.AppendReport("СКО = " + FormatFixed(spread.deviation, 10, 3));
  }
  return std::make_unique<VT_Point>(line.X, line.Y);
}

}  // namespace zirt
