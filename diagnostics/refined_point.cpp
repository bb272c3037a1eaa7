// The refined point alone, read image by image where the positions lie: zirt-batch asks for it
// on every run, and it needs no copy of the measurements, only each track's sums.
#include <algorithm>
#include <cmath>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "diagnostics/estimate.h"
#include "diagnostics/measurements.h"
#include "diagnostics/refined_fit.h"

namespace zirt {

namespace {

using namespace diagnostics_detail;

// Every measurement of `images` in turn, image by image: f(track, position). `images` gives
// Count(k) positions and At(k, i); point i of every image is point i of the first.
template <typename Images, typename F>
void EachSeen(const Images& images, F&& f) {
  const int count = images.Images();
  const int tracks = count > 0 ? images.Count(0) : 0;
  for (int k = 0; k < count; ++k) {
    const int n = std::min(tracks, images.Count(k));
    for (int i = 0; i < n; ++i)
      if (const Position p = images.At(k, i); Seen(p)) f(i, p);
  }
}

// The fit from the tracks' sums, its RSS measured from `images`.
template <typename Images>
std::optional<PointEstimate> RefinedFrom(const std::vector<Track>& sums, const Images& images) {
  double cx = 0, cy = 0;
  if (!StartPoint(sums, cx, cy)) return std::nullopt;
  std::optional<Fit> fit = Solve(sums, cx, cy);
  if (!fit) return std::nullopt;
  // The RSS measurement by measurement, summed track by track.
  std::vector<double> track_rss(sums.size(), 0);
  fit->measurements = 0;
  EachSeen(images, [&](int i, Position p) {
    if (sums[std::size_t(i)].n < 2) return;
    const Line& l = fit->lines[std::size_t(i)];
    const double r = l.ux * (p.y - fit->cy) - l.uy * (p.x - fit->cx);
    track_rss[std::size_t(i)] += r * r;
    ++fit->measurements;
  });
  fit->rss = 0;
  for (const double r : track_rss) fit->rss += r;
  return EstimateOf(*fit, sums);
}

template <typename Images>
std::optional<PointEstimate> RefinedOf(const Images& images) {
  const int tracks = images.Images() > 0 ? images.Count(0) : 0;
  // Every image in turn: a track's sums in the order TrackOf takes them, the mean first.
  const auto each = [&](auto&& f) { EachSeen(images, f); };
  std::vector<Track> sums(static_cast<std::size_t>(tracks));
  std::vector<double> sx(std::size_t(tracks), 0), sy(std::size_t(tracks), 0);
  each([&](int i, Position p) {
    ++sums[std::size_t(i)].n;
    sx[std::size_t(i)] += p.x;
    sy[std::size_t(i)] += p.y;
  });
  for (int i = 0; i < tracks; ++i) {
    Track& t = sums[std::size_t(i)];
    if (t.n == 0) continue;
    t.mx = sx[std::size_t(i)] / t.n;
    t.my = sy[std::size_t(i)] / t.n;
  }
  each([&](int i, Position p) {
    Track& t = sums[std::size_t(i)];
    const double dx = p.x - t.mx, dy = p.y - t.my;
    t.sxx += dx * dx;
    t.sxy += dx * dy;
    t.syy += dy * dy;
  });
  return RefinedFrom(sums, images);
}

struct ArraysView {
  const PositionArrays& arrays;
  int Images() const { return static_cast<int>(arrays.xy.size()); }
  int Count(int k) const { return arrays.counts[std::size_t(k)]; }
  Position At(int k, int i) const {
    const double* p = arrays.xy[std::size_t(k)] + 2 * std::size_t(i);
    return {p[0], p[1]};
  }
};

struct SetsView {
  const ImageSets& sets;
  int Images() const { return static_cast<int>(sets.Length()); }
  int Count(int k) const { return sets[k].Count(); }
  Position At(int k, int i) const {
    const VT_Point* p = sets[k].Get(i);
    return {p->X, p->Y};
  }
};

}  // namespace

std::optional<PointEstimate> RefinedPoint(const PositionArrays& images) {
  return RefinedOf(ArraysView{images});
}

std::optional<PointEstimate> diagnostics_detail::RefinedPointOf(const std::vector<Track>& tracks,
                                                                const PositionArrays& images) {
  return RefinedFrom(tracks, ArraysView{images});
}

std::optional<PointEstimate> RefinedPoint(const ImageSets& images) {
  return RefinedOf(SetsView{images});
}

std::vector<int> MeasurementsUsed(const ImageSets& images, const PointEstimate& estimate) {
  const SetsView view{images};
  std::vector<int> used(images.Length(), 0);
  // A track the estimate left out has no angle.
  const std::vector<double>& angles = estimate.track_angle_deg;
  const int tracks = view.Images() > 0 ? view.Count(0) : 0;
  for (int k = 0; k < view.Images(); ++k) {
    const int n = std::min({tracks, view.Count(k), static_cast<int>(angles.size())});
    for (int i = 0; i < n; ++i)
      used[std::size_t(k)] += Seen(view.At(k, i)) && !std::isnan(angles[std::size_t(i)]);
  }
  return used;
}

}  // namespace zirt
