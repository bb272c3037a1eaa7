// The pieces that line fitting and the principal point estimate share: the running sums of a
// regression, the fitted line and the mean and spread of signed distances, in 80-bit
// arithmetic with every stored value rounded to a double. They read their points through an
// accessor, so a point set and a plain array of pairs take the same arithmetic.
#pragma once

#include <cmath>

#include "data/data_structures.h"
#include "data/extended.h"

namespace zirt {

// A point's X and Y, or a line's slope (X) and intercept (Y), as a plain pair.
struct PlainPoint {
  double X;
  double Y;
};

// Σx, Σy, Σxy and Σxx over the points' X and Y in list order, each sum stored after every
// addition.
struct RegressionSums {
  double x = 0;
  double y = 0;
  double xy = 0;
  double xx = 0;
};

// The sums with every store tested: raises the first fault.
template <typename At>
RegressionSums TestedSumsOf(int n, At at) {
  RegressionSums s;
  for (int j = 0; j < n; ++j) {
    const auto& p = at(j);
    s.x = Store(Ext{p.X} + s.x);
    s.y = Store(Ext{p.Y} + s.y);
    s.xy = Store(Ext{p.Y} * p.X + s.xy);
    s.xx = Store(Ext{p.X} * p.X + s.xx);
  }
  return s;
}

// The sums of the n points at(0) … at(n − 1). The terms are finite, so a sum that once turns
// infinite or NaN stays so: the sums are taken without a test per store, and only when one
// ends up not finite does the tested pass run to raise the first fault where it happens.
template <typename At>
RegressionSums SumsOf(int n, At at) {
  RegressionSums s;
  for (int j = 0; j < n; ++j) {
    const auto& p = at(j);
    s.x = static_cast<double>(Ext{p.X} + s.x);
    s.y = static_cast<double>(Ext{p.Y} + s.y);
    s.xy = static_cast<double>(Ext{p.Y} * p.X + s.xy);
    s.xx = static_cast<double>(Ext{p.X} * p.X + s.xx);
  }
  if (std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.xy) && std::isfinite(s.xx))
    return s;
  return TestedSumsOf(n, at);
}

// The sums of two tracks of n points in one loop, each in its own order: every addition waits
// for the store before it, and the other track's additions fill the wait. Untested; see
// SumsOf.
template <typename At>
void UntestedSumsOfTwo(int n, At first, At second, RegressionSums& a, RegressionSums& b) {
  for (int j = 0; j < n; ++j) {
    const auto& p = first(j);
    const auto& q = second(j);
    a.x = static_cast<double>(Ext{p.X} + a.x);
    b.x = static_cast<double>(Ext{q.X} + b.x);
    a.y = static_cast<double>(Ext{p.Y} + a.y);
    b.y = static_cast<double>(Ext{q.Y} + b.y);
    a.xy = static_cast<double>(Ext{p.Y} * p.X + a.xy);
    b.xy = static_cast<double>(Ext{q.Y} * q.X + b.xy);
    a.xx = static_cast<double>(Ext{p.X} * p.X + a.xx);
    b.xx = static_cast<double>(Ext{q.X} * q.X + b.xx);
  }
}

// y = a·x + b by least squares from the sums of n points, as (a, b). A vertical track (one x
// for all points) makes the divisor zero and fails here.
inline PlainPoint LineOfSums(int n, const RegressionSums& s) {
  const double count = n;
  const double a =
      Store(Div(-Ext{s.x} * s.y + Ext{count} * s.xy, Ext{count} * s.xx - Ext{s.x} * s.x));
  const double b = Store(Div(Ext{s.y} - Ext{a} * s.x, count));
  return {a, b};
}

// The line through the n points at(0) … at(n − 1).
template <typename At>
PlainPoint LineThrough(int n, At at) {
  return LineOfSums(n, SumsOf(n, at));
}

// The line through a track whose untested sums are given: the sums are tested first, as
// SumsOf does.
template <typename At>
PlainPoint LineThrough(int n, At at, RegressionSums s) {
  if (!(std::isfinite(s.x) && std::isfinite(s.y) && std::isfinite(s.xy) && std::isfinite(s.xx)))
    s = TestedSumsOf(n, at);
  return LineOfSums(n, s);
}

// The signed mean of n distances over n − 1, and their standard deviation around it.
struct Spread {
  double mean;
  double deviation;
};

// `distance(i)` gives distance i before it is stored: the first pass adds it to the sum as
// it is, the second stores it before squaring.
template <typename Distance>
Spread SpreadOf(int n, Distance distance) {
  double sum = 0;
  for (int i = 0; i < n; ++i) sum = Store(distance(i) + sum);
  const double mean = Store(Div(sum, Ext{static_cast<double>(n)} - 1));
  double squares = 0;
  for (int i = 0; i < n; ++i) {
    const double d = Store(distance(i));
    squares = Store((Ext{d} - mean) * (Ext{d} - mean) + squares);
  }
  const double deviation = Store(Sqrt(Store(Div(squares, Ext{static_cast<double>(n)} - 1))));
  return {mean, deviation};
}

// The spread of the n points' perpendicular distances from the line (a, b).
template <typename At>
Spread SpreadAround(PlainPoint line, int n, At at) {
  const double a = line.X;
  const double b = line.Y;
  const double k = Store(Div(1, Sqrt(Store(Ext{a} * a + 1))));
  return SpreadOf(n, [&](int j) {
    const auto& p = at(j);
    return (Ext{a} * p.X - p.Y + b) * k;
  });
}

}  // namespace zirt
