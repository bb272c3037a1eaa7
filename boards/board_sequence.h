// A zoom sequence's board points as tracks with gaps: one line per board point seen in two
// images or more, in the board's numbering, the images that show too little left out.
#pragma once

#include <vector>

#include "boards/board_points.h"

namespace zirt {

// An image with fewer points than this is left out: a zoom step needs several points to say
// anything about the centre, and a few stray corners are more likely a glimpse than a view.
inline constexpr int kMinBoardPoints = 4;

struct BoardSequence {
  std::vector<int> kept;                        // indices of the images measured
  std::vector<int> left_out;                    // and of those left out
  std::vector<int> numbers;                     // board numbers of the lines written
  std::vector<std::vector<ImagePoint>> points;  // per kept image, one per line; NaN unseen
  std::vector<int> seen;                        // per image given: points on the kept lines
};

// Keeps the points seen in two kept images or more and the images with kMinBoardPoints of
// them, repeating until both hold (leaving an image out can leave a point in one image only).
BoardSequence AssembleSequence(const std::vector<BoardImage>& images);

}  // namespace zirt
