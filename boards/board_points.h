// A board's numbered points in one image: each predicted by the markers around it, kept only
// where those markers agree with each other, and refined on the full image.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "boards/board.h"
#include "measure/pattern.h"

namespace zirt {

struct BoardImage {
  // One entry per board point, in the board's numbering; not seen: both coordinates NaN.
  std::vector<ImagePoint> points;
  int seen = 0;         // points with a position
  int markers = 0;      // the board's markers found
  int foreign = 0;      // markers of the dictionary numbered beyond the board's
  int agreeing = 0;     // pairs of nearby markers that lie as on the board
  int disagreeing = 0;  // and pairs that do not
};

// The board's points in the 8-bit grey `grey`.
BoardImage FindBoardPoints(const cv::Mat& grey, const Board& board);

// Why an image's markers cannot be the board asked, or empty: markers numbered beyond the
// board's, or markers that do not lie as the board lays them out (a board of another size).
std::string BoardMismatch(const BoardImage& image, const Board& board);

}  // namespace zirt
