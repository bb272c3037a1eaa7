// The self-identifying boards: a ChArUco board (a chessboard whose white squares hold ArUco
// markers) and an AprilGrid (AprilTag 36h11 tags with small squares at their corners), their
// sizes and dictionaries, and where each numbered point lies on the board.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zirt {

enum class BoardKind { kCharuco, kAprilGrid };

// A point on the board's face: x to the right, y down as the board is printed, in squares
// (ChArUco) or tag sizes (AprilGrid).
struct BoardXY {
  double x = 0;
  double y = 0;
};

struct Board {
  BoardKind kind = BoardKind::kCharuco;
  int cols = 0;               // squares (ChArUco) or tags (AprilGrid) across
  int rows = 0;               // and down
  int dictionary = 0;         // OpenCV's predefined dictionary number (ChArUco)
  double tag_spacing = 0.3;   // gap between tags as a share of a tag's size (AprilGrid)
  double marker_share = 0.7;  // a marker's side as a share of its square's (ChArUco print)

  // How many numbered points the board has: inner chessboard corners, or four per tag.
  int PointCount() const;
  // How many markers or tags it carries.
  int MarkerCount() const;
  // Where point `n` lies, numbered as OpenCV numbers ChArUco corners (row by row from the
  // top-left inner corner) or as Kalibr numbers AprilGrid corners (row by row from the
  // bottom-left corner of tag 0, which is the board's bottom-left tag).
  BoardXY Point(int n) const;
  // The board's face: width and height in its own units, the outer squares of an AprilGrid
  // included.
  BoardXY Extent() const;
  // "charuco 11x8 DICT_5X5_100", "aprilgrid 6x6 spacing 0.3": for messages and prints.
  std::string Describe() const;
};

inline constexpr int kDefaultCharucoDictionary = 5;  // DICT_5X5_100

// "COLSxROWS[:DICTIONARY]" for a ChArUco board: 3..100 squares each way (a board of fewer has
// no inner corner between two markers), the dictionary by OpenCV's name ("DICT_4X4_50"),
// holding a marker for every white square. On a fault, `error` says what is wrong.
std::optional<Board> ParseCharuco(const std::string& text, std::string& error);

// "COLSxROWS" tags (1..100 each, at most 587 tags: the family's size) for an AprilGrid.
std::optional<Board> ParseAprilGrid(const std::string& text, double tag_spacing,
                                    std::string& error);

// OpenCV's predefined dictionary by name, or -1; and the name of a number.
int DictionaryByName(const std::string& name);
std::string DictionaryName(int dictionary);
// How many markers a predefined dictionary holds.
int DictionarySize(int dictionary);

}  // namespace zirt
