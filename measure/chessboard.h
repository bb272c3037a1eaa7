// Finding a chessboard's inner corners wherever one is plainly in view: several detectors and
// scales are tried on a reduced copy of the image (cheap), the corners are then refined on the
// full image, locally, and checked before they count.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace zirt {

struct ChessboardFinding {
  // Row by row in the detector's numbering, `size.width` corners a row; empty when not found.
  std::vector<cv::Point2d> corners;
  std::vector<double> sigma_px;  // each corner's standard error from its refinement
  cv::Size size;                 // inner corners per row, rows
  std::string road;              // which detector at which scale found it
  // The board goes on past the corners found: a pattern size smaller than the board's.
  bool larger = false;
  // With `larger`, the sides the board goes on beyond: 1 top, 2 bottom, 4 left, 8 right (the
  // first and last rows, the first and last columns of the corners found).
  int beyond = 0;
  // Not found: a board of this other size is whole in view instead (counted with its rows
  // across the image); 0×0 when none was seen.
  cv::Size other;
};

// The board of `size` inner corners in the 8-bit grey `grey`. Where the corners found have
// neighbouring crossings beyond their outer rows or columns, `larger` is set and no corners are
// returned: counting a sub-board would number different corners in different images.
// Where the first road misses and a glance shows a board of another size whole, no further
// road is tried and `other` names it. Sizes below 3 × 3 are never found. `only_road` ≥ 0
// tries that road alone (for comparing them; see ChessboardRoads()).
ChessboardFinding FindChessboard(const cv::Mat& grey, cv::Size size, int only_road = -1);

// The roads' names in the order they are tried.
std::vector<std::string> ChessboardRoads();

// The whole board's inner-corner count as found in `grey`, or 0×0 when no board is found.
cv::Size FindChessboardSize(const cv::Mat& grey);

}  // namespace zirt
