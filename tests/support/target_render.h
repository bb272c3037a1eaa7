// Rendered photographs of a ChArUco board (drawn by OpenCV) or an AprilGrid (its tags drawn by
// the AprilTag library) for the board tests and benchmarks: the board under a perspective,
// zoomed about a known principal point, edges supersampled, blurred and given sensor noise.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "boards/board.h"

namespace zirt::test {

struct TargetScene {
  zirt::Board board;
  int width = 1600;
  int height = 1200;
  // Where the board face's corners (top-left, top-right, bottom-right, bottom-left as printed)
  // fall at zoom 1, as fractions of the image's size. Listing them in another order turns or
  // mirrors the board.
  cv::Point2d quad[4] = {{0.27, 0.26}, {0.75, 0.29}, {0.73, 0.74}, {0.25, 0.71}};
  cv::Point2d principal{803.4, 596.7};
  double blur = 0.8;   // Gaussian sigma, pixels
  double noise = 2.0;  // grey levels, standard deviation
  cv::Rect2d cover;    // a grey patch over the image (fractions), empty for none
};

// The image at `zoom` (8-bit grey) and the true position of every board point in the board's
// numbering (seen or not).
cv::Mat RenderTarget(const TargetScene& scene, double zoom, unsigned seed,
                     std::vector<cv::Point2d>* truth = nullptr);

}  // namespace zirt::test
