// The centre of each step of a zoom sequence: the images put in zoom order from their
// measurements, and for each pair of neighbours the scale and the point that stays put, with σ.
#pragma once

#include <vector>

#include "diagnostics/diagnostics.h"

namespace zirt {

// One step between neighbouring images in zoom order, the wider first: p_to − c = s (p_from − c)
// fitted by least squares over the tracks seen in both, c = (x, y). Tracks that fit the step
// far worse than the rest (points that do not zoom, or move on their own) are set aside first.
struct ZoomStep {
  int from = 0;  // the images' indexes (from 0) in the order given
  int to = 0;
  int tracks = 0;  // tracks seen in both images and fitted
  // NaN where the step cannot fix them: fewer than two tracks in common for the scale, and for
  // the centre also a scale of 1 (a pure shift has no fixed point) or no residual freedom.
  double scale = 0;
  double x = 0, y = 0;
  double sigma_x = 0, sigma_y = 0;  // from the residuals, σ̂² = RSS / (2·tracks − 3)
};

// The images' indexes from the widest to the narrowest view, each image's scale taken against
// the image with the most positions through chains of images that share tracks. Images that no
// chain reaches come last, in the order given.
std::vector<int> ZoomOrder(const std::vector<std::vector<Position>>& images);

// The step between each pair of neighbours in ZoomOrder, from the widest on. Reference point i
// of every image is point i of the first image's count, as Diagnose takes them; positions that
// are not finite (a point not seen) are left out.
std::vector<ZoomStep> ZoomSteps(const std::vector<std::vector<Position>>& images);

}  // namespace zirt
