// The high-breakdown start of the search for gross errors, and the test of whether a set needs
// it: gross errors that mask one another so that none stands out.
#include <algorithm>
#include <limits>
#include <random>

#include "diagnostics/median_line.h"
#include "diagnostics/robust_search.h"

namespace zirt::diagnostics_detail {

namespace {

// A candidate point: where two sampled tracks meet, each drawn through two of its
// measurements.
struct Candidate {
  double x, y;
  int t0, t1;
};

// The sampled tracks' measurements one after another: track j's from start[j] to start[j + 1].
struct Sample {
  std::vector<Position> points;
  std::vector<int> start{0};
  std::vector<Position> means;
  int Tracks() const { return int(start.size()) - 1; }
  int Count(int j) const { return start[std::size_t(j) + 1] - start[std::size_t(j)]; }
  const Position* Of(int j) const { return &points[std::size_t(start[std::size_t(j)])]; }
};

std::vector<Candidate> Draw(const Sample& sample, int wanted, std::mt19937_64& rng) {
  const int tracks = sample.Tracks();
  std::vector<Candidate> candidates;
  for (int attempt = 0; attempt < 4 * wanted && int(candidates.size()) < wanted; ++attempt) {
    const int a = int(rng() % unsigned(tracks));
    const int b = int(rng() % unsigned(tracks - 1));
    const int t[2] = {a, b >= a ? b + 1 : b};
    Position p[2], d[2];
    for (int e = 0; e < 2; ++e) {
      const int n = sample.Count(t[e]);
      const int u = int(rng() % unsigned(n)), v = int(rng() % unsigned(n - 1));
      const Position& first = sample.Of(t[e])[u];
      const Position& second = sample.Of(t[e])[v >= u ? v + 1 : v];
      p[e] = first;
      d[e] = {second.x - first.x, second.y - first.y};
    }
    const double det = d[0].x * d[1].y - d[0].y * d[1].x;
    // Lines within a few hundredths of a degree meet where rounding puts them.
    if (!(std::fabs(det) > 1e-3 * std::hypot(d[0].x, d[0].y) * std::hypot(d[1].x, d[1].y)))
      continue;
    const double along = ((p[1].x - p[0].x) * d[1].y - (p[1].y - p[0].y) * d[1].x) / det;
    const double x = p[0].x + along * d[0].x, y = p[0].y + along * d[0].y;
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    candidates.push_back({x, y, t[0], t[1]});
  }
  return candidates;
}

// How many of track j's residuals a candidate's quantile is taken over: with an odd count the
// line passes through the median measurement itself, whose zero says nothing of the point.
int Judged(const Sample& sample, int j) {
  const int n = sample.Count(j);
  return n - n % 2;
}

// The candidate's `quantile` of the sampled tracks' residuals from their median lines through
// it, where that is below `best`; infinite where it is not, or where only the two tracks that
// made the candidate are sampled. `judged` counts the residuals of every sampled track.
double QuantileAt(const Sample& sample, const Candidate& c, int judged, double quantile,
                  double best, std::vector<double>& r, std::vector<double>& tangent) {
  constexpr double kNone = std::numeric_limits<double>::infinity();
  // The two tracks that made the point pass through it: they say nothing of it.
  const std::size_t total = std::size_t(judged - Judged(sample, c.t0) - Judged(sample, c.t1));
  if (total == 0) return kNone;
  // The quantile is below `best` only where more than `at` residuals are: a candidate is
  // dropped as soon as too few are left to get there, and the selection is made for the rest.
  const std::size_t at = std::size_t(quantile * double(total - 1));
  r.resize(sample.points.size());
  std::size_t count = 0, below = 0;
  for (int j = 0; j < sample.Tracks() && below + (total - count) > at; ++j) {
    if (j == c.t0 || j == c.t1) continue;
    const int n = sample.Count(j);
    double* own = &r[count];
    MedianLineResiduals(sample.Of(j), n, sample.means[std::size_t(j)], c.x, c.y, tangent.data(),
                        own);
    if (n % 2 == 1) std::iter_swap(std::min_element(own, own + n), own + n - 1);
    for (int k = 0; k < n - n % 2; ++k) below += own[k] < best;
    count += std::size_t(n - n % 2);
  }
  if (below <= at) return kNone;
  return SelectAmongMany(r.data(), static_cast<int>(count), static_cast<int>(at));
}

}  // namespace

// The least start_quantile-quantile of the residuals over a sample of tracks, among common
// points of two sampled tracks each drawn through two of its measurements: with a fixed seed,
// so that the same data give the same start. `scale` is that quantile made a standard
// deviation.
bool RobustSearch::Start(double& cx, double& cy, double& scale, std::vector<int>& eligible) const {
  eligible.clear();
  for (int i = 0; i < m_.Tracks(); ++i)
    if (tracks_[std::size_t(i)].n >= 2) eligible.push_back(i);
  if (eligible.size() < 2) return false;
  std::mt19937_64 rng(20261207);
  if (eligible.size() > o_.start_tracks) {
    for (std::size_t j = 0; j < o_.start_tracks; ++j)
      std::swap(eligible[j], eligible[j + rng() % (eligible.size() - j)]);
    eligible.resize(o_.start_tracks);
  }
  Sample sample;
  std::vector<Position> points;
  for (const int i : eligible) {
    Gather(i, points);
    sample.points.insert(sample.points.end(), points.begin(), points.end());
    sample.start.push_back(static_cast<int>(sample.points.size()));
  }
  // Every candidate judges the same tracks: their means once.
  for (int j = 0; j < sample.Tracks(); ++j)
    sample.means.push_back(MeanOf(sample.Of(j), sample.Count(j)));
  const std::vector<Candidate> candidates = Draw(sample, o_.candidates, rng);
  int judged = 0;
  for (int j = 0; j < sample.Tracks(); ++j) judged += Judged(sample, j);
  std::vector<double> r, tangent(std::size_t(m_.Images()) + 1);
  double best = std::numeric_limits<double>::infinity();
  for (const Candidate& c : candidates) {
    const double q = QuantileAt(sample, c, judged, o_.start_quantile, best, r, tangent);
    if (q < best) {
      best = q;
      cx = c.x;
      cy = c.y;
    }
  }
  if (!std::isfinite(best)) return false;
  scale = best / o_.start_quantile_z;
  return true;
}

// Whether the fit of all measurements spreads more than hidden_spread times as wide as the
// sampled tracks do about their lines through the start once their measurements beyond
// `bound` from its lines are set aside: gross errors that mask one another so that none
// stands out raise the one and not the other, the tail of a clean set raises neither. Taken
// on the sample, this spares a clean set of millions a pass of its own.
bool RobustSearch::Hides(const Fit& fit, const std::vector<int>& sampled, double cx, double cy,
                         double bound) const {
  if (fit.Dof() < 1) return false;
  std::vector<Position> points;
  std::vector<double> tangent(std::size_t(m_.Images()) + 1), r(std::size_t(m_.Images()) + 1);
  double rss = 0;
  int dof = 0;
  for (const int i : sampled) {
    const int n = Gather(i, points);
    MedianLineResiduals(points.data(), n, cx, cy, tangent.data(), r.data());
    const Track kept =
        TrackOf(points.data(), n, [&](int k) { return !(r[std::size_t(k)] > bound); });
    if (kept.n < 2) continue;
    rss += Through(kept, cx, cy).rss;
    dof += kept.n - 1;
  }
  if (dof == 0) return true;
  return fit.rss / fit.Dof() > o_.hidden_spread * o_.hidden_spread * rss / dof;
}

}  // namespace zirt::diagnostics_detail
