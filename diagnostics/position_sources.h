// Where the diagnostics read positions from: the loaded point sets, plain vectors or arrays,
// each image by image, and the copy made track by track that the search for gross errors reads.
#pragma once

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#include "data/data_structures.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/track_lines.h"
#include "diagnostics/track_parts.h"

namespace zirt::diagnostics_detail {

// Every measurement of a source kept image by image as f(image, point, x, y), in that order.
template <typename Source, typename F>
void EachImageMajor(const Source& source, int points, F& f) {
  for (int k = 0; k < source.Images(); ++k)
    source.ForImage(k, points, [&](int i, double x, double y) { f(k, i, x, y); });
}

// Where the positions come from: image-major, as loaded, so every pass streams the images.
struct VectorSource {
  const std::vector<std::vector<Position>>& images;
  int Images() const { return static_cast<int>(images.size()); }
  int Count(int k) const { return static_cast<int>(images[std::size_t(k)].size()); }
  Position At(int k, int i) const { return images[std::size_t(k)][std::size_t(i)]; }
  // Positions from .. to − 1 of image k, which has them.
  template <typename F>
  void ForRange(int k, int from, int to, F&& f) const {
    const Position* image = images[std::size_t(k)].data();
    for (int i = from; i < to; ++i) f(i, image[i]);
  }
  template <typename F>
  void ForImage(int k, int points, F&& f) const {
    const std::vector<Position>& image = images[std::size_t(k)];
    const int n = std::min(points, static_cast<int>(image.size()));
    for (int i = 0; i < n; ++i) f(i, image[std::size_t(i)].x, image[std::size_t(i)].y);
  }
  template <typename F>
  void ForEach(int points, F&& f) const {
    EachImageMajor(*this, points, f);
  }
};

struct SetsSource {
  const ImageSets& sets;
  int Images() const { return static_cast<int>(sets.Length()); }
  int Count(int k) const { return sets[k].Count(); }
  Position At(int k, int i) const {
    const VT_Point* p = sets[k].Get(i);
    return {p->X, p->Y};
  }
  template <typename F>
  void ForRange(int k, int from, int to, F&& f) const {
    const VT_Points& image = sets[k];
    for (int i = from; i < to; ++i) {
      const VT_Point* p = image.Get(i);
      f(i, Position{p->X, p->Y});
    }
  }
  template <typename F>
  void ForImage(int k, int points, F&& f) const {
    const VT_Points& image = sets[k];
    const int n = std::min(points, image.Count());
    for (int i = 0; i < n; ++i) {
      const VT_Point* p = image.Get(i);
      f(i, p->X, p->Y);
    }
  }
  template <typename F>
  void ForEach(int points, F&& f) const {
    EachImageMajor(*this, points, f);
  }
};

struct ArraysSource {
  const PositionArrays& arrays;
  int Images() const { return static_cast<int>(arrays.xy.size()); }
  int Count(int k) const { return arrays.counts[std::size_t(k)]; }
  Position At(int k, int i) const {
    const double* p = arrays.xy[std::size_t(k)] + 2 * std::size_t(i);
    return {p[0], p[1]};
  }
  template <typename F>
  void ForRange(int k, int from, int to, F&& f) const {
    const double* p = arrays.xy[std::size_t(k)];
    for (int i = from; i < to; ++i) f(i, Position{p[2 * i], p[2 * i + 1]});
  }
  template <typename F>
  void ForImage(int k, int points, F&& f) const {
    const double* p = arrays.xy[std::size_t(k)];
    const int n = std::min(points, Count(k));
    for (int i = 0; i < n; ++i) f(i, p[2 * i], p[2 * i + 1]);
  }
  template <typename F>
  void ForEach(int points, F&& f) const {
    EachImageMajor(*this, points, f);
  }
};

// The positions copied track by track, NaN where an image lacks a point: the search for gross
// errors judges each track's measurements together, round after round, and a copy read in
// order spares every round a gather from all the images.
class TrackMajorSource {
 public:
  template <typename Source>
  explicit TrackMajorSource(const Source& source)
      : images_(source.Images()), points_(images_ > 0 ? source.Count(0) : 0) {
    counts_.reserve(std::size_t(images_));
    for (int k = 0; k < images_; ++k) counts_.push_back(std::min(points_, source.Count(k)));
    const std::size_t slots = std::size_t(points_) * std::size_t(images_);
    xy_.reset(new Position[slots]);
    sums_.resize(std::size_t(points_));
    complete_.resize(std::size_t(points_));
    // Block by block of tracks, so that the block being filled stays in the cache while every
    // image is read in order; the parts at once.
    InParts(points_, [&](int, int part_from, int part_to) {
      constexpr int kBlock = 2048;
      const Position missing{std::numeric_limits<double>::quiet_NaN(),
                             std::numeric_limits<double>::quiet_NaN()};
      for (int from = part_from; from < part_to; from += kBlock) {
        const int to = std::min(part_to, from + kBlock);
        for (int k = 0; k < images_; ++k) {
          const int n = std::clamp(counts_[std::size_t(k)], from, to);
          // The image looked up once, not once a position.
          source.ForRange(k, from, n, [&](int i, Position p) { xy_[Slot(k, i)] = p; });
          for (int i = n; i < to; ++i) xy_[Slot(k, i)] = missing;
        }
        for (int i = from; i < to; ++i) Sum(i);
      }
    });
  }
  // The given tracks of another copy, in that order, with their sums as `sums` holds them.
  TrackMajorSource(const TrackMajorSource& from, const std::vector<int>& tracks,
                   const UnfilledVector<Track>& sums)
      : images_(from.images_),
        points_(static_cast<int>(tracks.size())),
        counts_(std::size_t(images_), points_),
        xy_(new Position[std::size_t(points_) * std::size_t(images_)]) {
    sums_.resize(std::size_t(points_));
    complete_.resize(std::size_t(points_));
    for (int m = 0; m < points_; ++m) {
      const int i = tracks[std::size_t(m)];
      std::copy(from.Positions(i), from.Positions(i) + images_, &xy_[Slot(0, m)]);
      sums_[std::size_t(m)] = sums[std::size_t(i)];
      complete_[std::size_t(m)] = from.complete_[std::size_t(i)];
    }
  }
  int Images() const { return images_; }
  int Count(int k) const { return counts_[std::size_t(k)]; }
  Position At(int k, int i) const { return xy_[Slot(k, i)]; }
  // Every track's finite measurements, summed while the copy was made: handed over once, as
  // the search's own sums to change, without a copy of them.
  UnfilledVector<Track> TakeSums() { return std::move(sums_); }
  // Whether track i has a finite position in every image.
  bool Complete(int i) const { return complete_[std::size_t(i)] != 0; }
  // Track i's positions, one per image, NaN where the image lacks it.
  const Position* Positions(int i) const { return &xy_[Slot(0, i)]; }
  // Asks for the start of track i's positions ahead of a pass that reads them: the hardware
  // prefetcher stops at every page, and a pass over the copy would otherwise wait on memory
  // (and on the page's translation) at each. What follows in the page it fetches itself.
  void Prefetch(int i) const { __builtin_prefetch(Positions(i)); }
  // Every measurement as f(image, point, x, y), track by track.
  template <typename F>
  void ForEach(int points, F&& f) const {
    const int n = std::min(points, points_);
    for (int i = 0; i < n; ++i) {
      const Position* p = Positions(i);
      for (int k = 0; k < images_; ++k)
        if (i < counts_[std::size_t(k)]) f(k, i, p[k].x, p[k].y);
    }
  }

 private:
  int images_;
  int points_;
  std::vector<int> counts_;
  std::size_t Slot(int k, int i) const {
    return std::size_t(i) * std::size_t(images_) + std::size_t(k);
  }
  void Sum(int i) {
    const Position* p = Positions(i);
    sums_[std::size_t(i)] =
        TrackOf(p, images_, [&](int k) { return std::isfinite(p[k].x) && std::isfinite(p[k].y); });
    complete_[std::size_t(i)] = sums_[std::size_t(i)].n == images_;
  }
  std::unique_ptr<Position[]> xy_;
  UnfilledVector<Track> sums_;
  std::vector<char> complete_;
};

}  // namespace zirt::diagnostics_detail
