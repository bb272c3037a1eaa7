#include "diagnostics/quantiles.h"

#include <cmath>
#include <limits>

namespace zirt {
namespace {

// Continued fraction of the regularised incomplete beta function (modified Lentz). Large
// shape parameters need about √a terms, hence the generous limit.
double BetaFraction(double a, double b, double x) {
  constexpr double kTiny = 1e-300;
  constexpr double kEps = 1e-15;
  const double qab = a + b, qap = a + 1, qam = a - 1;
  double c = 1, d = 1 - qab * x / qap;
  if (std::fabs(d) < kTiny) d = kTiny;
  d = 1 / d;
  double h = d;
  for (int m = 1; m <= 1000000; ++m) {
    const double m2 = 2.0 * m;
    double aa = m * (b - m) * x / ((qam + m2) * (a + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    h *= d * c;
    aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2));
    d = 1 + aa * d;
    if (std::fabs(d) < kTiny) d = kTiny;
    c = 1 + aa / c;
    if (std::fabs(c) < kTiny) c = kTiny;
    d = 1 / d;
    const double del = d * c;
    h *= del;
    if (std::fabs(del - 1) < kEps) break;
  }
  return h;
}

// I_x(a, b), the regularised incomplete beta function.
double IncompleteBeta(double a, double b, double x) {
  if (x <= 0) return 0;
  if (x >= 1) return 1;
  const double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                a * std::log(x) + b * std::log1p(-x));
  if (x < (a + 1) / (a + b + 2)) return front * BetaFraction(a, b, x) / a;
  return 1 - front * BetaFraction(b, a, 1 - x) / b;
}

// P(T > t) for t ≥ 0.
double StudentTail(double dof, double t) {
  return 0.5 * IncompleteBeta(dof / 2, 0.5, dof / (dof + t * t));
}

}  // namespace

double StudentTUpper(double dof, double tail) {
  if (!(dof > 0) || !(tail > 0) || !(tail < 1)) return std::numeric_limits<double>::quiet_NaN();
  if (tail > 0.5) return -StudentTUpper(dof, 1 - tail);
  // Bracket, then bisect: the tail falls monotonically in t.
  double lo = 0, hi = 1;
  while (StudentTail(dof, hi) > tail) {
    lo = hi;
    hi *= 2;
    if (hi > 1e300) return std::numeric_limits<double>::infinity();
  }
  for (int k = 0; k < 200 && hi - lo > 1e-13 * hi; ++k) {
    const double mid = 0.5 * (lo + hi);
    (StudentTail(dof, mid) > tail ? lo : hi) = mid;
  }
  return 0.5 * (lo + hi);
}

double Fisher2Quantile(double dof, double p) {
  return dof / 2 * std::expm1(-2 / dof * std::log1p(-p));
}

}  // namespace zirt
