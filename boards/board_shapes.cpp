#include "boards/board_shapes.h"

#include <apriltag/apriltag.h>
#include <apriltag/tag36h11.h>

#include <opencv2/aruco.hpp>

namespace zirt {
namespace {

// Adds the black cells of `cells` (0 black) joined along rows, each cell `cell` units wide,
// the grid's top-left at (x, y).
void AddCells(const cv::Mat1b& cells, double x, double y, double cell,
              std::vector<BlackRect>& shapes) {
  for (int r = 0; r < cells.rows; ++r)
    for (int c = 0; c < cells.cols;) {
      if (cells(r, c) != 0) {
        ++c;
        continue;
      }
      int end = c;
      while (end < cells.cols && cells(r, end) == 0) ++end;
      shapes.push_back({x + c * cell, y + r * cell, (end - c) * cell, cell});
      c = end;
    }
}

void CharucoShapes(const Board& board, std::vector<BlackRect>& shapes) {
  const cv::Ptr<cv::aruco::Dictionary> dictionary =
      cv::aruco::getPredefinedDictionary(board.dictionary);
  const int bits = dictionary->markerSize;
  const double share = board.marker_share, cell = share / (bits + 2);
  int id = 0;
  for (int y = 0; y < board.rows; ++y)
    for (int x = 0; x < board.cols; ++x) {
      if ((x + y) % 2 == 0) {
        shapes.push_back({double(x), double(y), 1, 1});
        continue;
      }
      // The marker's bits (1 white) inside a black border one bit wide.
      cv::Mat1b cells(bits + 2, bits + 2, uchar(0));
      const cv::Mat code = cv::aruco::Dictionary::getBitsFromByteList(
          dictionary->bytesList.rowRange(id, id + 1), bits);
      for (int r = 0; r < bits; ++r)
        for (int c = 0; c < bits; ++c) cells(r + 1, c + 1) = code.at<uchar>(r, c) ? 255 : 0;
      AddCells(cells, x + (1 - share) / 2, y + (1 - share) / 2, cell, shapes);
      ++id;
    }
}

void AprilGridShapes(const Board& board, std::vector<BlackRect>& shapes) {
  apriltag_family_t* family = tag36h11_create();
  const double s = board.tag_spacing, pitch = 1 + s;
  for (int id = 0; id < board.MarkerCount(); ++id) {
    image_u8_t* tag = apriltag_to_image(family, id);
    // The library's picture has a white ring one cell wide around the tag's black border.
    const int inner = tag->width - 2;
    cv::Mat1b cells(inner, inner);
    for (int r = 0; r < inner; ++r)
      for (int c = 0; c < inner; ++c) cells(r, c) = tag->buf[(r + 1) * tag->stride + c + 1];
    image_u8_destroy(tag);
    const double left = s + (id % board.cols) * pitch;
    const double top = s + (board.rows - 1 - id / board.cols) * pitch;
    AddCells(cells, left, top, 1.0 / inner, shapes);
  }
  tag36h11_destroy(family);
  for (int r = 0; r <= board.rows; ++r)
    for (int c = 0; c <= board.cols; ++c) shapes.push_back({c * pitch, r * pitch, s, s});
}

}  // namespace

std::vector<BlackRect> BoardShapes(const Board& board) {
  std::vector<BlackRect> shapes;
  if (board.kind == BoardKind::kCharuco)
    CharucoShapes(board, shapes);
  else
    AprilGridShapes(board, shapes);
  return shapes;
}

}  // namespace zirt
