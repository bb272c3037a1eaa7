#include "diagnostics/adaptive_cut.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/median_line.h"
#include "diagnostics/robust_search.h"

namespace zirt::diagnostics_detail {

double AdaptiveCut(std::vector<double> z, double least) {
  if (z.empty()) return 0;
  // Only the tail above `least` is compared, and only it needs its order: a distance's rank is
  // those below plus its rank in the tail. Beyond kWhole the normal tail is 0 in doubles (erf
  // rounds to 1), so the first of those says all they can: they need no order.
  constexpr double kWhole = 9;
  const auto tail = std::partition(z.begin(), z.end(), [&](double d) { return d < least; });
  const auto whole = std::partition(tail, z.end(), [](double d) { return d < kWhole; });
  std::sort(tail, whole);
  const double m = double(z.size());
  double excess = 0;
  for (auto d = tail; d != whole; ++d)
    excess = std::max(excess, std::erf(*d / std::sqrt(2.0)) - double(d - z.begin()) / m);
  if (whole != z.end()) excess = std::max(excess, 1 - double(whole - z.begin()) / m);
  const std::ptrdiff_t cut = std::ptrdiff_t(std::floor(excess * m));
  if (cut == 0) return 0;
  // A cut that reaches below the tail is `least`; one among the largest is selected there.
  const std::ptrdiff_t at = std::ptrdiff_t(z.size()) - 1 - cut;
  if (at < tail - z.begin()) return least;
  if (at < whole - z.begin()) return z[std::size_t(at)];
  return SelectNth(&*whole, static_cast<int>(z.end() - whole),
                   static_cast<int>(at - (whole - z.begin())));
}

double MedianVariance(std::vector<double> z) {
  if (z.empty()) return 0;
  const double median = SelectAmongMany(z.data(), static_cast<int>(z.size()), int(z.size() / 2));
  return std::pow(1.4826 * median, 2);
}

// The distances of every stride-th track's measurements (about 10⁵ in all) from its line
// through the fit's point, each in units of its own spread at σ = 1: those in the fit as
// residuals, those set aside as predictions.
std::vector<double> RobustSearch::StandardisedSample(const Fit& fit) const {
  const double tested = double(fit.measurements) + double(flagged_.size());
  const int stride = int(std::max(1.0, std::ceil(tested / 100000)));
  std::vector<double> z;
  z.reserve(std::size_t(tested / stride) + std::size_t(m_.Images()));
  for (int i = 0; i < m_.Tracks(); i += stride) {
    const Track& t = tracks_[std::size_t(i)];
    if (t.n == 0) continue;
    Line l = t.n >= 2 ? fit.lines[std::size_t(i)] : Line{};
    const Leverage v = LeverageOf(t, l, fit.cx, fit.cy, fit.p);
    if (!v.fitted && !(v.reach > 0)) continue;
    const Position* p = m_.Of(i);
    for (int k = 0; k < m_.Images(); ++k) {
      if (!Seen(p[k])) continue;
      const double dx = p[k].x - fit.cx, dy = p[k].y - fit.cy;
      const double r = std::fabs(l.ux * dy - l.uy * dx);
      const double h = v.H(l.ux * dx + l.uy * dy);
      if (!Aside(i, k)) {
        if (v.fitted && 1 - h > 1e-9) z.push_back(r / std::sqrt(1 - h));
      } else {
        z.push_back(r / std::sqrt(1 + h));
      }
    }
  }
  return z;
}

// The spread of the fit's own measurements is too small when the start set aside good ones
// with the bad: the median of all standardised distances, set aside or not, bounds it from
// below, so that what the start took away too eagerly comes back.
double RobustSearch::SpreadFloor(const Fit& fit) const {
  return MedianVariance(StandardisedSample(fit));
}

double RobustSearch::CutOf(const Fit& fit) const {
  if (fit.Dof() < 1) return 0;
  // Exact measurements have no tail to judge by.
  const double s = std::sqrt(fit.rss / fit.Dof());
  if (!(s > 0) || !std::isfinite(s)) return 0;
  std::vector<double> z = StandardisedSample(fit);
  for (double& d : z) d /= s;
  return AdaptiveCut(std::move(z), o_.cut_least);
}

// Where the test set aside many measurements, the adaptive cut below its bound for the rounds
// that follow (cut_); whether there is one. The fit's spread is then a settled fit's: the
// rounds judge without a floor under it.
bool RobustSearch::Cut(const Fit& fit) {
  if (flagged_.size() < std::max<std::size_t>(o_.cut_from, std::size_t(fit.measurements) / 100))
    return false;
  cut_ = CutOf(fit);
  spread_floor_ = cut_ == 0 && spread_floor_;
  return cut_ > 0;
}

}  // namespace zirt::diagnostics_detail
