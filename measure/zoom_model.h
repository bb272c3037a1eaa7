// The zoom model both measuring roads check their points against: points move along lines
// through a centre, by a scale, and for a real lens by a scale that changes with the distance
// from the centre. Fits and misfits; points that are not finite (not seen) are left out.
#pragma once

#include <optional>
#include <vector>

#include "measure/pattern.h"

namespace zirt {

// to = scale·from + shift, no turn.
struct ScaleShift {
  double scale = 1;
  ImagePoint shift;
  ImagePoint Map(ImagePoint p) const { return {scale * p.x + shift.x, scale * p.y + shift.y}; }
};

// Least squares over the pairs of `from` and `to` (same length) where both are finite; scale 0
// when the points of `from` do not spread.
ScaleShift FitScaleShift(const std::vector<ImagePoint>& from, const std::vector<ImagePoint>& to);

// The largest distance between `to` and the mapped `from` over the finite pairs.
double LargestMisfit(const ScaleShift& fit, const std::vector<ImagePoint>& from,
                     const std::vector<ImagePoint>& to);

// Every image k shows image `ref` scaled by scale[k] about one centre.
struct CommonZoom {
  ImagePoint centre;
  std::vector<double> scale;
  ImagePoint Map(ImagePoint p, std::size_t k) const {
    return {centre.x + scale[k] * (p.x - centre.x), centre.y + scale[k] * (p.y - centre.y)};
  }
};

// Least squares of the common zoom over `images` (point i of each image is one scene point):
// each image's own scale and shift first, then the centre and the scales in turns. nullopt
// when no image is zoomed against `ref`, which leaves the centre undefined.
std::optional<CommonZoom> FitCommonZoom(const std::vector<std::vector<ImagePoint>>& images,
                                        std::size_t ref);

// One step of a real lens: q = c + s·(1 + a·ρ²)·R(turn)·(p − c), ρ the distance from the
// centre in units of `norm` (half the image's diagonal), so that the radial factor a reads
// alike on every image size. a = 0 and turn = 0 are the ideal zoom.
struct LensStep {
  ImagePoint centre;
  double scale = 1, radial = 0, turn = 0;  // turn in radians, counter-clockwise in the image
  double norm = 1;
  ImagePoint Map(ImagePoint p) const;
  ImagePoint Unmap(ImagePoint q) const;  // the inverse, by a few fixed-point steps
};

// The step mapping `from` onto `to` (pairs where both are finite), robustly: pairs further off
// than `limit` pixels after a first fit weigh nothing in the refit. `with_radial` frees a;
// nullopt when fewer than four pairs or the scale does not change (no centre).
std::optional<LensStep> FitLensStep(const std::vector<ImagePoint>& from,
                                    const std::vector<ImagePoint>& to, double norm,
                                    bool with_radial, double limit);

}  // namespace zirt
