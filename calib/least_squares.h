// The pieces that line fitting and the principal point estimate share: the running sums of a
// regression and the mean and spread of signed distances, in 80-bit arithmetic with every
// stored value rounded to a double.
#pragma once

#include "data/data_structures.h"
#include "data/extended.h"

namespace zirt {

// Σx, Σy, Σxy and Σxx over the points' X and Y in list order, each sum stored after every
// addition.
struct RegressionSums {
  double x = 0;
  double y = 0;
  double xy = 0;
  double xx = 0;
};
RegressionSums SumsOf(const VT_Points& points);

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

}  // namespace zirt
