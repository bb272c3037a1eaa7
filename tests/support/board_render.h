// Rendered photographs of a chessboard for the measuring tests and benchmarks: a board under a
// fixed perspective, zoomed about a known principal point, drawn supersampled at its edges,
// then blurred as by defocus and given sensor noise.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

namespace zirt::test {

struct BoardScene {
  int width = 960;
  int height = 640;
  int cols = 9;  // Inner corners per row.
  int rows = 6;
  // Where the board's four outer corners (top-left, top-right, bottom-right, bottom-left of
  // the board's own numbering) fall at zoom 1, as fractions of the image's size.
  cv::Point2d quad[4] = {{0.28, 0.27}, {0.74, 0.31}, {0.71, 0.72}, {0.25, 0.68}};
  cv::Point2d principal{480.37, 321.81};
  double blur = 0.8;   // Gaussian sigma, pixels.
  double noise = 2.0;  // Grey levels, standard deviation.
};

// The image at `zoom` (8-bit grey) and the true positions of the inner corners, row by row in
// the board's own numbering.
cv::Mat RenderBoard(const BoardScene& scene, double zoom, unsigned seed,
                    std::vector<cv::Point2d>* truth = nullptr);

}  // namespace zirt::test
