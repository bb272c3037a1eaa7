// A chessboard's corners on the full image: each detector seed refined and checked as a clean
// crossing, the grid checked for a board's smoothly changing steps, and the board's outer
// lines checked for more crossings beyond them.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "measure/corner_refine.h"

namespace zirt {

// The refinement's window for a corner whose grid steps are `u` along its row and `v` down
// its column: it holds only the corner's own two edges.
double WindowRadius(cv::Point2d u, cv::Point2d v);

// Whether `c`, refined from `seed` where the grid's step is `spacing`, is a clean crossing.
bool IsCrossing(const RefinedCorner& c, cv::Point2d seed, double spacing);

// A board's grid changes its step smoothly: along a row or down a column the next step is
// nearly the last one, and each cell is nearly a parallelogram. Crossings of the scene that a
// detector strung together into a grid fail this. `p` holds `size.width` points a row.
bool IsRegularGrid(const std::vector<cv::Point2d>& p, cv::Size size);

// The seed at (row, col) of the grid `seeds` refined on the full image, with whether it is a
// clean crossing.
RefinedCorner RefineSeed(const cv::Mat& grey, const std::vector<cv::Point2d>& seeds, cv::Size size,
                         int row, int col, bool& crossing);

// Refines every seed of `corners` on the full image; false when one of them is not a clean
// crossing.
bool Refine(const cv::Mat& grey, cv::Size size, std::vector<cv::Point2d>& corners,
            std::vector<double>& sigma, std::vector<double>& contrast);

// Which of the board's outer rows and columns it goes on beyond (1 top, 2 bottom, 4 left,
// 8 right): one step past the outer corners lies the board's edge (no crossing) on a board of
// the size asked, and more crossings, of at least half the board's `contrast`, on a larger one.
int GoesOn(const cv::Mat& grey, cv::Size size, const std::vector<cv::Point2d>& corners,
           double contrast);

}  // namespace zirt
