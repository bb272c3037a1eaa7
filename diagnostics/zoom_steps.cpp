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

// One step by least squares. With t = (1 − s)·c the model b = s·a + t is linear: s from the
// spreads about the means, t from the means, and c = t / (1 − s). Its variance follows from
// that of (s, t): Var(cx) = σ̂² / (1 − s)² · (1/n + (cx − āx)² / Σ|a − ā|²).
ZoomStep StepBetween(const std::vector<std::vector<Position>>& images, int from, int to) {
  ZoomStep step;
  step.from = from;
  step.to = to;
  step.scale = step.x = step.y = step.sigma_x = step.sigma_y = kNaN;
  // Two passes, the means first, so that the spreads are not differences of large sums: then
  // doubles keep the residuals' sum to a part in 10⁷ even at a thousandth of a pixel over a
  // frame of thousands, and the passes stream (80-bit sums take several times as long).
  int n = 0;
  double sax = 0, say = 0, sbx = 0, sby = 0;
  ForCommon(images, from, to, [&](const Position& a, const Position& b) {
    ++n;
    sax += a.x, say += a.y, sbx += b.x, sby += b.y;
  });
  step.tracks = n;
  if (n < 2) return step;
  const double max = sax / n, may = say / n, mbx = sbx / n, mby = sby / n;
  double aa = 0, ab = 0, bb = 0;
  ForCommon(images, from, to, [&](const Position& a, const Position& b) {
    const double dax = a.x - max, day = a.y - may, dbx = b.x - mbx, dby = b.y - mby;
    aa += dax * dax + day * day;
    ab += dax * dbx + day * dby;
    bb += dbx * dbx + dby * dby;
  });
  const Real ax = max, ay = may, bx = mbx, by = mby;
  PairSpread s;
  s.aa = aa, s.ab = ab, s.bb = bb;
  if (!(s.aa > 0)) return step;
  const Real scale = s.ab / s.aa;
  step.scale = static_cast<double>(scale);
  if (scale == 1) return step;
  const Real cx = (bx - scale * ax) / (1 - scale);
  const Real cy = (by - scale * ay) / (1 - scale);
  const Real rss = std::max<Real>(0, s.bb - s.ab * scale);
  const Real variance = rss / (2 * n - 3);
  const Real factor = variance / ((1 - scale) * (1 - scale));
  step.x = static_cast<double>(cx);
  step.y = static_cast<double>(cy);
  step.sigma_x =
      static_cast<double>(std::sqrt(factor * (Real(1) / n + (cx - ax) * (cx - ax) / s.aa)));
  step.sigma_y =
      static_cast<double>(std::sqrt(factor * (Real(1) / n + (cy - ay) * (cy - ay) / s.aa)));
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
