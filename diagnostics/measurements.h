// The measurements copied once, track by track: each reference point's position in every
// image, NaN where the image lacks it (a gap, or an image with fewer points). Judging a track
// reads its measurements together, so every input form is read through this one copy.
#pragma once

#include <vector>

#include "data/data_structures.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/track_line.h"

namespace zirt::diagnostics_detail {

class Measurements {
 public:
  // Reference point i of every image is point i of the first image; an image with more points
  // contributes only the first ones.
  explicit Measurements(const std::vector<std::vector<Position>>& images);
  explicit Measurements(const ImageSets& images);
  // The given tracks of another copy, in that order.
  Measurements(const Measurements& from, const std::vector<int>& tracks);

  int Images() const { return images_; }
  int Tracks() const { return tracks_; }
  // Track i's positions, one per image.
  const Position* Of(int i) const { return &xy_[std::size_t(i) * std::size_t(images_)]; }
  Position At(int k, int i) const { return Of(i)[k]; }
  // Whether track i has a finite position in every image.
  bool Complete(int i) const { return sums_[std::size_t(i)].n == images_; }
  // The sums of every track's finite positions.
  const std::vector<Track>& Sums() const { return sums_; }

 private:
  template <typename Image>
  void Fill(int images, int tracks, Image image);

  int images_ = 0;
  int tracks_ = 0;
  std::vector<Position> xy_;
  std::vector<Track> sums_;
};

// Whether a position is a measurement: not a gap.
inline bool Seen(const Position& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

}  // namespace zirt::diagnostics_detail
