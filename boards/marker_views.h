// The markers of a ChArUco board or the tags of an AprilGrid found in a grey image: each with
// its four corners in the image and where those corners lie on the board.
#pragma once

#include <array>
#include <opencv2/core.hpp>
#include <vector>

#include "boards/board.h"

namespace zirt {

struct MarkerView {
  int id = 0;
  std::array<cv::Point2d, 4> image;  // pixels, (0, 0) the centre of the top-left pixel
  std::array<BoardXY, 4> board;      // the same corners on the board's face
};

// What the finder saw beside the board's own markers, for telling a wrong board from none.
struct MarkerCensus {
  int seen = 0;             // markers of the dictionary, the board's and others
  int foreign = 0;          // numbered beyond the board's markers
  double marker_share = 0;  // ChArUco: a marker's side over its square's, as measured
};

// The board's markers in the 8-bit grey `grey`. The search runs on a reduced copy; where it
// finds few markers it also tries the mirrored image, so a board seen in a mirror is found.
std::vector<MarkerView> FindCharucoMarkers(const cv::Mat& grey, const Board& board,
                                           MarkerCensus& census);
std::vector<MarkerView> FindAprilGridTags(const cv::Mat& grey, const Board& board,
                                          MarkerCensus& census);

}  // namespace zirt
