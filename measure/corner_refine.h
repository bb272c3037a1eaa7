// A chessboard corner located at sub-pixel accuracy as the centre of point symmetry of the
// image around it: two straight edges crossing, blurred by any symmetric spread, look the same
// turned by 180° about the crossing, whatever the perspective.
#pragma once

#include <opencv2/core.hpp>

namespace zirt {

struct RefinedCorner {
  cv::Point2d at;          // pixels; (0, 0) is the centre of the top-left stored pixel
  bool converged = false;  // the iteration settled inside the image and the window
  double asymmetry = 1;    // weighted RSS of I(c+d) − I(c−d) over that of I − mean: 0 for a
                           // perfect crossing, about 2 where the window holds no structure
  double contrast = 0;     // the weighted standard deviation of the grey levels, grey levels
  double inner_contrast = 0;  // the same over a third of the window (σ a third as wide)
  double sigma_px = 0;        // the position's standard error from the residuals, pixels
};

// Refines `seed` in the 8-bit grey `image` by Gauss–Newton on Σ w(d)·(I(c+d) − I(c−d))² over
// a disc of `radius` pixels (Gaussian weight of σ = radius/2), with I interpolated bilinearly.
// Bilinear samples at c+d and c−d have mirrored sub-pixel phases, so the minimum of a
// symmetric pattern lies exactly at its centre: the sampling adds no bias.
RefinedCorner RefineCorner(const cv::Mat& image, cv::Point2d seed, double radius);

// Whether `c` converged to a point of symmetry of a window with contrast.
bool IsSymmetricCorner(const RefinedCorner& c);

// Whether `c` is also a clean crossing, alike at the window's scale and a third of it: two
// edges crossing look the same at every scale above the blur, while a blot over the crossing,
// however symmetric, empties the inner window. (A marker's corner is no crossing.)
bool IsCleanCrossing(const RefinedCorner& c);

}  // namespace zirt
