#include <cmath>

#include "calib/calibration.h"
#include "data/extended.h"
#include "data/number_format.h"

namespace zirt {
namespace {

// Signed perpendicular distance of (x0, y0) from y = a·x + b, before it is stored.
Ext Distance(const VT_Point& line, double x0, double y0) {
  const double k = Store(Div(1, Sqrt(Store(Ext{line.X} * line.X + 1))));
  return (Ext{line.X} * x0 - y0 + line.Y) * k;
}

}  // namespace

std::unique_ptr<VT_Point> FindPrincipalPoint(const VT_Points& lines, ReportSink& report) {
  double sa = 0, sb = 0, sab = 0, saa = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const VT_Point& line = *lines.Get(i);
    sa = Store(Ext{line.X} + sa);
    sb = Store(Ext{line.Y} + sb);
    sab = Store(Ext{line.Y} * line.X + sab);
    saa = Store(Ext{line.X} * line.X + saa);
  }
  const double n = lines.Count();
  // Fewer than two lines, or lines of one slope, make the divisor zero and fail here.
  const double x0 = Store(Div(Ext{sa} * sb - Ext{n} * sab, Ext{n} * saa - Ext{sa} * sa));
  const double y0 = Store(Div(Ext{x0} * sa + sb, n));
  report.AppendReport("");
  report.AppendReport("x0(пикс.) = " + FormatFixed4(x0));
  report.AppendReport("y0(пикс.) = " + FormatFixed4(y0));

  double s = 0;
  for (int i = 0; i < lines.Count(); ++i) s = Store(Distance(*lines.Get(i), x0, y0) + s);
  // The signed mean over n − 1, as the report has always given it.
  const double m = Store(Div(s, Ext{n} - 1));
  double v = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const double d = Store(Distance(*lines.Get(i), x0, y0));
    v = Store((Ext{d} - m) * (Ext{d} - m) + v);
  }
  const double deviation = Store(Sqrt(Store(Div(v, Ext{n} - 1))));
  report.AppendReport("");
  report.AppendReport("Средняя ошибка = " + FormatFixed4(std::fabs(m)));
  report.AppendReport("СКО = " + FormatFixed4(deviation));
  return std::make_unique<VT_Point>(x0, y0);
}

}  // namespace zirt
