// A board's black as rectangles on its face, in board units (squares or tag sizes), for
// printing it and for drawing it in tests: chessboard squares and marker bits (ChArUco), tags
// and their corner squares (AprilGrid). The rest of the face is white.
#pragma once

#include <vector>

#include "boards/board.h"

namespace zirt {

struct BlackRect {
  double x = 0, y = 0, width = 0, height = 0;
};

// Runs of black cells along a row are joined into one rectangle, so a print holds few shapes.
std::vector<BlackRect> BoardShapes(const Board& board);

}  // namespace zirt
