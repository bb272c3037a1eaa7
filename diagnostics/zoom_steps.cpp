#include "diagnostics/zoom_steps.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zirt {
namespace {

using Real = long double;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The order needs only each image's rough scale: a sample of this many tracks decides it, so
// that millions of tracks do not cost a pass per pair of images.
constexpr std::size_t kOrderSample = 4000;

std::size_t PointsOf(const std::vector<std::vector<Position>>& images) {
  return images.empty() ? 0 : images[0].size();
}

bool Finite(const Position& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

// Reference point i in image k, or null where it is not seen.
const Position* Seen(const std::vector<std::vector<Position>>& images, int k, std::size_t i) {
  const std::vector<Position>& image = images[std::size_t(k)];
  return i < image.size() && Finite(image[i]) ? &image[i] : nullptr;
}

// f(a, b) for every reference point seen in both images, in order.
template <typename F>
void ForCommon(const std::vector<std::vector<Position>>& images, int from, int to, F&& f) {
  const std::vector<Position>& a = images[std::size_t(from)];
  const std::vector<Position>& b = images[std::size_t(to)];
  const std::size_t n = std::min({PointsOf(images), a.size(), b.size()});
  const Position* pa = a.data();
  const Position* pb = b.data();
  for (std::size_t i = 0; i < n; ++i)
    if (Finite(pa[i]) && Finite(pb[i])) f(pa[i], pb[i]);
}

// The spread of two images' common positions about their means: Σ|a − ā|², Σ(a − ā)·(b − b̄),
// Σ|b − b̄|² over n tracks.
struct PairSpread {
  int n = 0;
  Real aa = 0, ab = 0, bb = 0;
};

// From running sums of n, Σa, Σb, Σ|a|², Σa·b, Σ|b|²; for the order's rough scales only, so
// in doubles.
struct PairSums {
  int n = 0;
  double ax = 0, ay = 0, bx = 0, by = 0, aa = 0, ab = 0, bb = 0;
  void Add(const Position& a, const Position& b) {
    ++n;
    ax += a.x, ay += a.y, bx += b.x, by += b.y;
    aa += a.x * a.x + a.y * a.y;
    ab += a.x * b.x + a.y * b.y;
    bb += b.x * b.x + b.y * b.y;
  }
  PairSpread Spread() const {
    PairSpread s;
    s.n = n;
    if (n == 0) return s;
    s.aa = aa - (ax * ax + ay * ay) / n;
    s.ab = ab - (ax * bx + ay * by) / n;
    s.bb = bb - (bx * bx + by * by) / n;
    return s;
  }
};

}  // namespace

std::vector<int> ZoomOrder(const std::vector<std::vector<Position>>& images) {
  const int count = static_cast<int>(images.size());
  const std::size_t points = PointsOf(images);
  const std::size_t stride = std::max<std::size_t>(1, points / kOrderSample);
  // Every pair's sums over the sample, and how many positions each image has in it.
  std::vector<PairSums> pairs(std::size_t(count) * std::size_t(count));
  std::vector<int> seen(std::size_t(count), 0);
  for (std::size_t i = 0; i < points; i += stride)
    for (int j = 0; j < count; ++j) {
      const Position* a = Seen(images, j, i);
      if (!a) continue;
      ++seen[std::size_t(j)];
      for (int k = j + 1; k < count; ++k)
        if (const Position* b = Seen(images, k, i)) pairs[std::size_t(j * count + k)].Add(*a, *b);
    }
  // The log of each pair's scale, ½·log(Σ|b − b̄|² / Σ|a − ā|²), where two tracks or more fix it.
  const auto log_scale = [&](int j, int k, Real& value) {
    const PairSpread s = pairs[std::size_t(std::min(j, k) * count + std::max(j, k))].Spread();
    if (s.n < 2 || !(s.aa > 0) || !(s.bb > 0)) return 0;
    value = (j < k ? 1 : -1) * (std::log(s.bb) - std::log(s.aa)) / 2;
    return s.n;
  };

  // From the image with the most positions, each next image reached through the pair with the
  // most tracks in common: the steadiest chain of scales.
  std::vector<Real> scale(std::size_t(count), 0);
  std::vector<char> reached(std::size_t(count), 0);
  if (count > 0) {
    reached[std::size_t(std::max_element(seen.begin(), seen.end()) - seen.begin())] = 1;
    for (;;) {
      int best = 0, best_from = -1, best_to = -1;
      Real best_value = 0;
      for (int j = 0; j < count; ++j)
        for (int k = 0; reached[std::size_t(j)] && k < count; ++k) {
          Real value = 0;
          const int shared = reached[std::size_t(k)] ? 0 : log_scale(j, k, value);
          if (shared > best) best = shared, best_from = j, best_to = k, best_value = value;
        }
      if (best_to < 0) break;
      reached[std::size_t(best_to)] = 1;
      scale[std::size_t(best_to)] = scale[std::size_t(best_from)] + best_value;
    }
  }
  std::vector<int> order(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) order[std::size_t(k)] = k;
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    if (reached[std::size_t(a)] != reached[std::size_t(b)]) return reached[std::size_t(a)] > 0;
    return reached[std::size_t(a)] && scale[std::size_t(a)] < scale[std::size_t(b)];
  });
  return order;
}

namespace {

// The positions of one reference point in the step's two images.
struct Pair {
  Position a, b;
};

// One step by least squares over the pairs kept. With t = (1 − s)·c the model b = s·a + t is
// linear: s from the spreads about the means, t from the means, and c = t / (1 − s). Its
// variance follows from that of (s, t): Var(cx) = σ̂² / (1 − s)² · (1/n + (cx − āx)² / Σ|a − ā|²).
ZoomStep LeastSquaresStep(const std::vector<Pair>& pairs, const std::vector<char>& kept) {
  ZoomStep step;
  step.scale = step.x = step.y = step.sigma_x = step.sigma_y = kNaN;
  // Two passes, the means first, so that the spreads are not differences of large sums: then
  // doubles keep the residuals' sum to a part in 10⁷ even at a thousandth of a pixel over a
  // frame of thousands, and the passes stream (80-bit sums take several times as long).
  int n = 0;
  double sax = 0, say = 0, sbx = 0, sby = 0;
  for (std::size_t i = 0; i < pairs.size(); ++i)
    if (kept[i]) {
      ++n;
      sax += pairs[i].a.x, say += pairs[i].a.y, sbx += pairs[i].b.x, sby += pairs[i].b.y;
    }
  step.tracks = n;
  if (n < 2) return step;
  const double max = sax / n, may = say / n, mbx = sbx / n, mby = sby / n;
  double aa = 0, ab = 0, bb = 0;
  for (std::size_t i = 0; i < pairs.size(); ++i)
    if (kept[i]) {
      const Pair& p = pairs[i];
      const double dax = p.a.x - max, day = p.a.y - may, dbx = p.b.x - mbx, dby = p.b.y - mby;
      aa += dax * dax + day * day;
      ab += dax * dbx + day * dby;
      bb += dbx * dbx + dby * dby;
    }
  if (!(aa > 0)) return step;
  const Real ax = max, ay = may, bx = mbx, by = mby;
  const Real scale = Real(ab) / aa;
  step.scale = static_cast<double>(scale);
  if (scale == 1) return step;
  const Real cx = (bx - scale * ax) / (1 - scale);
  const Real cy = (by - scale * ay) / (1 - scale);
  const Real rss = std::max<Real>(0, bb - ab * scale);
  const Real factor = rss / (2 * n - 3) / ((1 - scale) * (1 - scale));
  step.x = static_cast<double>(cx);
  step.y = static_cast<double>(cy);
  step.sigma_x =
      static_cast<double>(std::sqrt(factor * (Real(1) / n + (cx - ax) * (cx - ax) / aa)));
  step.sigma_y =
      static_cast<double>(std::sqrt(factor * (Real(1) / n + (cy - ay) * (cy - ay) / aa)));
  return step;
}

double Median(std::vector<double> values) {
  if (values.empty()) return kNaN;
  const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// A residual's distance over σ beyond which a pair is set aside. A normal error goes beyond
// 6σ once in 10⁸, and a cut nearer in would trim the tails of errors that are not normal (the
// rounding of coordinates, a pattern of them over the frame), which a symmetric cut of a
// skewed set turns into a shift. The median distance of a two-dimensional normal error is
// √(2·ln 2) σ.
constexpr double kCutSigmas = 6;
constexpr double kMedianSigmas = 1.1774;
// Below this many pairs a step is fitted as it is: too few to tell the odd ones.
constexpr std::size_t kRobustPairs = 5;
// The medians of the start and of the cut are taken over an even sample of this many pairs.
constexpr std::size_t kSample = 20000;

// The median of f(i) over an even sample of at most kSample of the n indexes.
template <typename F>
double SampledMedian(std::size_t n, F f) {
  const std::size_t stride = std::max<std::size_t>(1, n / kSample);
  std::vector<double> values;
  values.reserve(n / stride + 1);
  for (std::size_t i = 0; i < n; i += stride)
    if (const double v = f(i); std::isfinite(v)) values.push_back(v);
  return Median(std::move(values));
}

// Keeps the pairs within the cut of (s, c): those farther than kCutSigmas times the σ their
// median distance gives. Returns false, keeping all, where fewer than two would stay.
// Distances are compared squared.
bool KeepNear(const std::vector<Pair>& pairs, double s, double cx, double cy,
              std::vector<char>& kept) {
  const auto squared = [&](std::size_t i) {
    const Pair& p = pairs[i];
    const double dx = p.b.x - cx - s * (p.a.x - cx), dy = p.b.y - cy - s * (p.a.y - cy);
    return dx * dx + dy * dy;
  };
  // Exact data leave only rounding: a floor keeps them all.
  const double floor = 1e-9 * (1 + std::fabs(cx) + std::fabs(cy));
  const double median = SampledMedian(pairs.size(), squared);
  const double cut =
      std::max(kCutSigmas * kCutSigmas * median / (kMedianSigmas * kMedianSigmas), floor * floor);
  std::size_t count = 0;
  for (std::size_t i = 0; i < pairs.size(); ++i) count += squared(i) <= cut;
  if (count < 2) return false;
  for (std::size_t i = 0; i < pairs.size(); ++i) kept[i] = squared(i) <= cut;
  return true;
}

// Points that do not zoom (an overlay such as a clock burned into the picture) or that move
// on their own (leaves, people) would pull a least-squares centre far off. They are set aside
// first: from a start that ignores them (the scale as the median ratio of distances between
// pairs of points, which needs no centre; the centre as the median of each point's own), the
// pairs far off it go, the rest are fitted, and the cut is taken once more about that fit.
ZoomStep RobustStep(const std::vector<Pair>& pairs) {
  std::vector<char> kept(pairs.size(), 1);
  if (pairs.size() < kRobustPairs) return LeastSquaresStep(pairs, kept);
  const std::size_t half = pairs.size() / 2;
  const double s = std::sqrt(SampledMedian(half, [&](std::size_t i) {
    const Pair& p = pairs[i];
    const Pair& q = pairs[i + half];
    const double ax = p.a.x - q.a.x, ay = p.a.y - q.a.y, bx = p.b.x - q.b.x, by = p.b.y - q.b.y;
    return (bx * bx + by * by) / (ax * ax + ay * ay);  // NaN or infinite for a == b: left out
  }));
  if (!std::isfinite(s) || std::fabs(1 - s) < 1e-9) return LeastSquaresStep(pairs, kept);
  const double cx = SampledMedian(
      pairs.size(), [&](std::size_t i) { return (pairs[i].b.x - s * pairs[i].a.x) / (1 - s); });
  const double cy = SampledMedian(
      pairs.size(), [&](std::size_t i) { return (pairs[i].b.y - s * pairs[i].a.y) / (1 - s); });
  if (!KeepNear(pairs, s, cx, cy, kept)) return LeastSquaresStep(pairs, kept);
  const ZoomStep first = LeastSquaresStep(pairs, kept);
  // Nothing set aside: the fit of all is the step.
  if (std::size_t(first.tracks) == pairs.size()) return first;
  if (!std::isfinite(first.x) || !std::isfinite(first.y)) return first;
  std::vector<char> again(pairs.size(), 1);
  if (!KeepNear(pairs, first.scale, first.x, first.y, again)) return first;
  return LeastSquaresStep(pairs, again);
}

ZoomStep StepBetween(const std::vector<std::vector<Position>>& images, int from, int to) {
  std::vector<Pair> pairs;
  pairs.reserve(std::min(images[std::size_t(from)].size(), images[std::size_t(to)].size()));
  ForCommon(images, from, to, [&](const Position& a, const Position& b) {
    pairs.push_back({a, b});
  });
  ZoomStep step = RobustStep(pairs);
  step.from = from;
  step.to = to;
  return step;
}

}  // namespace

std::vector<ZoomStep> ZoomSteps(const std::vector<std::vector<Position>>& images) {
  const std::vector<int> order = ZoomOrder(images);
  std::vector<ZoomStep> steps;
  for (std::size_t k = 1; k < order.size(); ++k)
    steps.push_back(StepBetween(images, order[k - 1], order[k]));
  return steps;
}

}  // namespace zirt
