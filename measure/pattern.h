// Calibration patterns and finding them in a grey image: a chessboard's inner corners or the
// centres of a symmetric or asymmetric circle grid, at sub-pixel accuracy.
#pragma once

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace cv {
class Mat;
}

namespace zirt {

enum class PatternKind { kChessboard, kCircles, kAsymmetricCircles };

// A pattern with its counts as calibration tools give them: inner corners (or circles) per
// row, then rows.
struct Pattern {
  PatternKind kind = PatternKind::kChessboard;
  int cols = 0;  // 0 with rows 0: a chessboard whose size is found from the first image
  int rows = 0;
  int Count() const { return cols * rows; }
};

// One image point; (0, 0) is the centre of the top-left stored pixel.
struct ImagePoint {
  double x = 0;
  double y = 0;
};

// A point seen in its image: one not seen is kept as two NaNs.
inline bool Finite(ImagePoint p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

// "COLSxROWS" (also "COLSXROWS") with 2..100 in each, or "auto" for a chessboard; nullopt for
// anything else.
std::optional<Pattern> ParsePatternSize(PatternKind kind, const std::string& text);

// How a pattern was found, or why not.
struct FindDetail {
  std::string road;     // the detector and scale that found it (chessboards)
  bool larger = false;  // a chessboard with more corners than the pattern's size was seen
  Pattern other;        // a chessboard of another size seen whole instead (0 × 0: none)
};

// The chessboard's inner-corner count found in `grey` (cols and rows 0 when none is found).
Pattern FindChessboardPattern(const cv::Mat& grey);

// The pattern's points in the finder's order, row by row, or nullopt when the pattern is not
// found whole or a point's refinement gives no finite position inside the image. `grey` is
// 8-bit, one channel.
std::optional<std::vector<ImagePoint>> FindPattern(const cv::Mat& grey, const Pattern& pattern,
                                                   FindDetail* detail = nullptr);

}  // namespace zirt
