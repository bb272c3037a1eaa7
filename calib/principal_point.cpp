#include <cmath>
#include <vector>

#include "calib/calibration.h"
#include "calib/least_squares.h"
#include "data/number_format.h"

namespace zirt {
namespace {

template <typename At>
PlainPoint PrincipalPointOf(int count, At at, ReportSink& report) {
  // Lines through one point (x0, y0) have b = y0 − x0·a: b regressed on a gives the point.
  const RegressionSums s = SumsOf(count, at);
  const double n = count;
  // Fewer than two lines, or lines of one slope, make the divisor zero and fail here.
  const double x0 = Store(Div(Ext{s.x} * s.y - Ext{n} * s.xy, Ext{n} * s.xx - Ext{s.x} * s.x));
  const double y0 = Store(Div(Ext{x0} * s.x + s.y, n));
  report.AppendReport("");
  report.AppendReport("x0(пикс.) = " + FormatFixed4(x0));
  report.AppendReport("y0(пикс.) = " + FormatFixed4(y0));

  // Signed perpendicular distances of (x0, y0) from the lines; the mean is the signed one over
  // n − 1, as the report has always given it.
  // The first pass works each distance out, in order, and the second takes it from here.
  std::vector<Ext> distances;
  distances.reserve(static_cast<std::size_t>(count));
  const Spread spread = SpreadOf(count, [&](int i) -> Ext {
    if (static_cast<std::size_t>(i) < distances.size())
      return distances[static_cast<std::size_t>(i)];
    const auto& line = at(i);
    const double k = Store(Div(1, Sqrt(Store(Ext{line.X} * line.X + 1))));
    return distances.emplace_back((Ext{line.X} * x0 - y0 + line.Y) * k);
  });
  report.AppendReport("");
  report.AppendReport("Средняя ошибка = " + FormatFixed4(std::fabs(spread.mean)));
  report.AppendReport("СКО = " + FormatFixed4(spread.deviation));
  return {x0, y0};
}

}  // namespace

std::unique_ptr<VT_Point> FindPrincipalPoint(const VT_Points& lines, ReportSink& report) {
  const PlainPoint point = PrincipalPointOf(
      lines.Count(), [&](int i) -> const VT_Point& { return *lines.Get(i); }, report);
  return std::make_unique<VT_Point>(point.X, point.Y);
}

PlainPoint FindPrincipalPoint(const std::vector<PlainPoint>& lines, ReportSink& report) {
  return PrincipalPointOf(
      static_cast<int>(lines.size()), [&](int i) -> const PlainPoint& { return lines[i]; }, report);
}

}  // namespace zirt
