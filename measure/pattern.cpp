#include "measure/pattern.h"

#include <cmath>
#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>

#include "measure/chessboard.h"

namespace zirt {
namespace {

bool ParseCount(const std::string& text, int& count) {
  if (text.empty() || text.size() > 3) return false;
  count = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    count = count * 10 + (c - '0');
  }
  return count >= 2 && count <= 100;
}

// A refined point must be a real position on the image; anything else is a failed refinement,
// never a point to write.
bool Inside(const cv::Point2f& p, const cv::Mat& image) {
  return std::isfinite(p.x) && std::isfinite(p.y) && p.x >= -0.5f && p.y >= -0.5f &&
         p.x <= image.cols - 0.5f && p.y <= image.rows - 0.5f;
}

}  // namespace

std::optional<Pattern> ParsePatternSize(PatternKind kind, const std::string& text) {
  if (kind == PatternKind::kChessboard && text == "auto") return Pattern{kind, 0, 0};
  const auto x = text.find_first_of("xX");
  if (x == std::string::npos) return std::nullopt;
  Pattern pattern{kind, 0, 0};
  if (!ParseCount(text.substr(0, x), pattern.cols) || !ParseCount(text.substr(x + 1), pattern.rows))
    return std::nullopt;
  return pattern;
}

Pattern FindChessboardPattern(const cv::Mat& grey) {
  const cv::Size size = FindChessboardSize(grey);
  return {PatternKind::kChessboard, size.width, size.height};
}

std::optional<std::vector<ImagePoint>> FindPattern(const cv::Mat& grey, const Pattern& pattern,
                                                   FindDetail* detail) {
  CV_Assert(grey.type() == CV_8UC1);
  const cv::Size size(pattern.cols, pattern.rows);
  std::vector<cv::Point2f> found;
  bool ok = false;
  switch (pattern.kind) {
    case PatternKind::kChessboard: {
      const ChessboardFinding board = FindChessboard(grey, size);
      if (detail)
        *detail = {board.road,
                   board.larger,
                   {PatternKind::kChessboard, board.other.width, board.other.height}};
      if (board.corners.empty()) return std::nullopt;
      std::vector<ImagePoint> points;
      for (const cv::Point2d& p : board.corners) points.push_back({p.x, p.y});
      return points;
    }
    case PatternKind::kCircles:
      ok = cv::findCirclesGrid(grey, size, found, cv::CALIB_CB_SYMMETRIC_GRID);
      break;
    case PatternKind::kAsymmetricCircles:
      ok = cv::findCirclesGrid(grey, size, found, cv::CALIB_CB_ASYMMETRIC_GRID);
      break;
  }
  if (!ok || static_cast<int>(found.size()) != pattern.Count()) return std::nullopt;
  std::vector<ImagePoint> points;
  points.reserve(found.size());
  for (const cv::Point2f& p : found) {
    if (!Inside(p, grey)) return std::nullopt;
    points.push_back({p.x, p.y});
  }
  return points;
}

}  // namespace zirt
