#include <algorithm>
#include <cmath>
#include <opencv2/calib3d.hpp>
#include <optional>

#include "measure/chessboard.h"
#include "measure/chessboard_corners.h"
#include "measure/chessboard_detect.h"

namespace zirt {
namespace {

struct Grid {
  cv::Size size;                // corners per row, rows
  std::vector<cv::Point2d> at;  // row by row, refined on the full image
  cv::Point2d At(int r, int c) const { return at[r * size.width + c]; }
};

// The sector-based detector's larger board, its outer rows and columns dropped until every
// corner left is a clean crossing (it may take in the board's edge or crossings beyond it);
// an empty grid when it finds none.
Grid LargerBoard(const cv::Mat& grey, const cv::Mat& small, double scale, int flags) {
  std::vector<cv::Point2f> found;
  cv::Mat meta;
  ResetRandom();
  if (!cv::findChessboardCornersSB(small, {3, 3}, found, flags | cv::CALIB_CB_LARGER, meta) ||
      static_cast<int>(found.size()) != meta.cols * meta.rows)
    return {};
  const cv::Size size(meta.cols, meta.rows);
  const std::vector<cv::Point2d> seeds = OnFullImage(found, scale);
  std::vector<char> crossing(seeds.size());
  std::vector<cv::Point2d> refined(seeds.size());
  for (int row = 0; row < size.height; ++row)
    for (int col = 0; col < size.width; ++col) {
      bool clean = false;
      refined[row * size.width + col] = RefineSeed(grey, seeds, size, row, col, clean).at;
      crossing[row * size.width + col] = clean;
    }
  int top = 0, bottom = size.height - 1, left = 0, right = size.width - 1;
  const auto failures = [&](int r0, int r1, int c0, int c1) {
    int n = 0;
    for (int r = r0; r <= r1; ++r)
      for (int c = c0; c <= c1; ++c) n += !crossing[r * size.width + c];
    return n;
  };
  while (bottom - top >= 1 && right - left >= 1 && failures(top, bottom, left, right) > 0) {
    const int lines[4] = {failures(top, top, left, right), failures(bottom, bottom, left, right),
                          failures(top, bottom, left, left), failures(top, bottom, right, right)};
    const int worst = static_cast<int>(std::max_element(lines, lines + 4) - lines);
    if (lines[worst] == 0) break;
    if (worst == 0) ++top;
    if (worst == 1) --bottom;
    if (worst == 2) ++left;
    if (worst == 3) --right;
  }
  if (!(bottom - top >= 1 && right - left >= 1 && failures(top, bottom, left, right) == 0))
    return {};
  Grid grid;
  grid.size = {right - left + 1, bottom - top + 1};
  for (int r = top; r <= bottom; ++r)
    for (int c = left; c <= right; ++c) grid.at.push_back(refined[r * size.width + c]);
  return grid;
}

// The corners one step past the outer line of `count` corners `edge(k)`, whose inner
// neighbours are `inner(k)` (and `inner2(k)` one further, for the board's perspective), when
// every one of them is a clean crossing.
template <typename Edge, typename Inner, typename Inner2>
std::optional<std::vector<cv::Point2d>> NextLine(const cv::Mat& grey, int count, Edge edge,
                                                 Inner inner, Inner2 inner2, bool curved) {
  std::vector<cv::Point2d> line;
  // One corner of a longer line may be lost to glare or a shadow; past the board's edge lie
  // no crossings at all.
  int missed = 0;
  for (int k = 0; k < count; ++k) {
    const cv::Point2d e = edge(k), step = e - inner(k);
    const cv::Point2d predicted = curved ? e + step + (step - (inner(k) - inner2(k))) : e + step;
    const cv::Point2d along = k + 1 < count ? edge(k + 1) - e : e - edge(k - 1);
    const RefinedCorner c = RefineCorner(grey, predicted, WindowRadius(step, along));
    const bool crossing = IsCrossing(c, predicted, std::min(cv::norm(step), cv::norm(along)));
    if (!crossing && (++missed > 1 || count < 4)) return std::nullopt;
    line.push_back(crossing ? c.at : predicted);
  }
  return line;
}

// The grid grown by whole rows and columns of clean crossings on every side, as far as the
// board goes: the larger board's count may stop short of it.
Grid Grow(const cv::Mat& grey, Grid grid) {
  for (bool grew = true; grew && grid.size.width < 60 && grid.size.height < 60;) {
    grew = false;
    const int w = grid.size.width, h = grid.size.height;
    const bool wide = w >= 3, tall = h >= 3;
    if (const auto top = NextLine(
            grey, w, [&](int k) { return grid.At(0, k); }, [&](int k) { return grid.At(1, k); },
            [&](int k) { return grid.At(tall ? 2 : 1, k); }, tall)) {
      grid.at.insert(grid.at.begin(), top->begin(), top->end());
      ++grid.size.height, grew = true;
      continue;
    }
    if (const auto bottom = NextLine(
            grey, w, [&](int k) { return grid.At(h - 1, k); },
            [&](int k) { return grid.At(h - 2, k); },
            [&](int k) { return grid.At(tall ? h - 3 : h - 2, k); }, tall)) {
      grid.at.insert(grid.at.end(), bottom->begin(), bottom->end());
      ++grid.size.height, grew = true;
      continue;
    }
    for (const bool right : {false, true}) {
      const int c0 = right ? w - 1 : 0, c1 = right ? w - 2 : 1, c2 = right ? w - 3 : 2;
      const auto side = NextLine(
          grey, h, [&](int k) { return grid.At(k, c0); }, [&](int k) { return grid.At(k, c1); },
          [&](int k) { return grid.At(k, wide ? c2 : c1); }, wide);
      if (!side) continue;
      std::vector<cv::Point2d> at;
      for (int r = 0; r < h; ++r) {
        if (!right) at.push_back((*side)[r]);
        for (int c = 0; c < w; ++c) at.push_back(grid.At(r, c));
        if (right) at.push_back((*side)[r]);
      }
      grid.at = std::move(at);
      ++grid.size.width, grew = true;
      break;
    }
  }
  return grid;
}

// The grid with the crossings it steps over put in: a detector may string every second row
// or column of a board into a grid of its own, whose midpoints are then crossings too.
Grid FillSkipped(const cv::Mat& grey, Grid grid) {
  for (const bool down : {false, true}) {
    const int h = grid.size.height, w = grid.size.width;
    if (down ? h < 2 : w < 2) continue;
    int between = 0, pairs = 0;
    std::vector<cv::Point2d> middles;
    for (int r = 0; r + down < h; ++r)
      for (int c = 0; c + !down < w; ++c) {
        const cv::Point2d a = grid.At(r, c), b = down ? grid.At(r + 1, c) : grid.At(r, c + 1);
        const cv::Point2d middle = 0.5 * (a + b), half = 0.5 * (b - a);
        // The step across, from the neighbouring line (or the one before it at the end).
        const int r2 = down ? r : (r + 1 < h ? r + 1 : r - 1);
        const int c2 = down ? (c + 1 < w ? c + 1 : c - 1) : c;
        const cv::Point2d across = grid.At(r2, c2) - a;
        const RefinedCorner m = RefineCorner(grey, middle, WindowRadius(half, across));
        const bool crossing = IsCrossing(m, middle, std::min(cv::norm(half), cv::norm(across)));
        between += crossing;
        ++pairs;
        middles.push_back(crossing ? m.at : middle);
      }
    if (2 * between <= pairs) continue;
    Grid dense;
    dense.size = down ? cv::Size(w, 2 * h - 1) : cv::Size(2 * w - 1, h);
    for (int r = 0; r < dense.size.height; ++r)
      for (int c = 0; c < dense.size.width; ++c) {
        const bool old_row = !down || r % 2 == 0, old_col = down || c % 2 == 0;
        if (old_row && old_col) {
          dense.at.push_back(grid.At(down ? r / 2 : r, down ? c : c / 2));
        } else {
          const int mr = down ? r / 2 : r, mc = down ? c : c / 2;
          dense.at.push_back(middles[mr * (down ? w : w - 1) + mc]);
        }
      }
    grid = std::move(dense);
  }
  return grid;
}

// The grid's count with its rows across the image, as a user counts a board in front of them:
// the files' point order then follows the rows on the screen.
cv::Size Counted(const Grid& grid) {
  const cv::Size size = grid.size;
  const cv::Point2d along_row = grid.At(0, size.width - 1) - grid.At(0, 0);
  const cv::Point2d down_column = grid.At(size.height - 1, 0) - grid.At(0, 0);
  if (std::abs(along_row.x) * cv::norm(down_column) >=
      std::abs(down_column.x) * cv::norm(along_row))
    return size;
  return {size.height, size.width};
}

cv::Size WholeBoardOnCopy(DetectionCopies& copies, double share) {
  const cv::Mat& grey = copies.Full();
  const Grid first = LargerBoard(grey, copies.Copy(share), copies.Scale(share), 0);
  if (first.at.empty()) return {0, 0};
  const Grid grid = Grow(grey, FillSkipped(grey, first));
  if (grid.size.width < 3 || grid.size.height < 3) return {0, 0};
  // Growing lets a line miss a corner, and filling in takes midpoints as they are: every
  // corner is checked again, as the finder checks a board.
  std::vector<cv::Point2d> corners = grid.at;
  std::vector<double> sigma, contrast;
  if (!IsRegularGrid(corners, grid.size) || !Refine(grey, grid.size, corners, sigma, contrast))
    return {0, 0};
  std::nth_element(contrast.begin(), contrast.begin() + contrast.size() / 2, contrast.end());
  if (GoesOn(grey, grid.size, corners, contrast[contrast.size() / 2]) != 0) return {0, 0};
  return Counted(grid);
}

}  // namespace

cv::Size WholeBoardAtAGlance(DetectionCopies& copies) {
  // The half copy costs a quarter; on a very large image its seeds may land too far off for
  // the refinement, and the detection copy is looked at too.
  const cv::Size seen = WholeBoardOnCopy(copies, 0.5);
  return seen.area() > 0 ? seen : WholeBoardOnCopy(copies, 1);
}

cv::Size FindChessboardSize(const cv::Mat& grey) {
  DetectionCopies copies(grey);
  const cv::Mat& small = copies.Copy(1);
  const double scale = copies.Scale(1);
  // The sector-based detector's count may stop short of the board, or string every second
  // line of it into a grid: each count is filled in and grown on the board itself, and the
  // largest board the finder then confirms is the one.
  Grid best;
  bool confirmed = false;
  for (const int flags : {0, cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_EXHAUSTIVE}) {
    const Grid first = LargerBoard(grey, small, scale, flags);
    if (first.at.empty()) continue;
    Grid grown = Grow(grey, FillSkipped(grey, first));
    if (grown.size.width < 3 || grown.size.height < 3) continue;
    if (confirmed && grown.at.size() <= best.at.size()) continue;
    if (grown.size == best.size || grown.size == cv::Size(best.size.height, best.size.width))
      continue;
    ChessboardFinding finding = BoardOnRoads(copies, grown.size, 0, RoadCount());
    const bool found = !finding.corners.empty();
    if (found) grown.at = std::move(finding.corners);
    if ((found && !confirmed) || (found == confirmed && grown.at.size() > best.at.size()) ||
        best.at.empty())
      best = std::move(grown), confirmed = confirmed || found;
  }
  if (best.at.empty()) return {0, 0};
  return Counted(best);
}

}  // namespace zirt
