#include "calib/least_squares.h"

namespace zirt {

RegressionSums SumsOf(const VT_Points& points) {
  RegressionSums s;
  for (int j = 0; j < points.Count(); ++j) {
    const VT_Point& p = *points.Get(j);
    s.x = Store(Ext{p.X} + s.x);
    s.y = Store(Ext{p.Y} + s.y);
    s.xy = Store(Ext{p.Y} * p.X + s.xy);
    s.xx = Store(Ext{p.X} * p.X + s.xx);
  }
  return s;
}

}  // namespace zirt
