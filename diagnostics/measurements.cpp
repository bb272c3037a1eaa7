#include "diagnostics/measurements.h"

#include <limits>

namespace zirt::diagnostics_detail {

// `image(k, n, out)` writes image k's first n positions to out[0], out[images], ….
template <typename Image>
void Measurements::Fill(int images, int tracks, Image image) {
  images_ = images;
  tracks_ = tracks;
  constexpr double kGap = std::numeric_limits<double>::quiet_NaN();
  xy_.assign(std::size_t(images_) * std::size_t(tracks_), Position{kGap, kGap});
  // Without tracks there is no store to point into.
  if (tracks_ > 0)
    for (int k = 0; k < images_; ++k) image(k, xy_.data() + k);
  sums_.resize(std::size_t(tracks_));
  for (int i = 0; i < tracks_; ++i) {
    const Position* p = Of(i);
    sums_[std::size_t(i)] = TrackOf(p, images_, [&](int k) { return Seen(p[k]); });
  }
}

Measurements::Measurements(const std::vector<std::vector<Position>>& images) {
  const int tracks = images.empty() ? 0 : int(images[0].size());
  Fill(int(images.size()), tracks, [&](int k, Position* out) {
    const std::vector<Position>& image = images[std::size_t(k)];
    const std::size_t n = std::min(image.size(), std::size_t(tracks));
    for (std::size_t i = 0; i < n; ++i) out[i * images.size()] = image[i];
  });
}

Measurements::Measurements(const ImageSets& images) {
  const int count = int(images.Length());
  const int tracks = count == 0 ? 0 : images[0].Count();
  Fill(count, tracks, [&](int k, Position* out) {
    const VT_Points& image = images[k];
    const int n = std::min(image.Count(), tracks);
    for (int i = 0; i < n; ++i) {
      const VT_Point* p = image.Get(i);
      out[std::size_t(i) * std::size_t(count)] = {p->X, p->Y};
    }
  });
}

Measurements::Measurements(const Measurements& from, const std::vector<int>& tracks)
    : images_(from.images_), tracks_(int(tracks.size())) {
  xy_.reserve(std::size_t(images_) * tracks.size());
  sums_.reserve(tracks.size());
  for (const int i : tracks) {
    xy_.insert(xy_.end(), from.Of(i), from.Of(i) + images_);
    sums_.push_back(from.sums_[std::size_t(i)]);
  }
}

}  // namespace zirt::diagnostics_detail
