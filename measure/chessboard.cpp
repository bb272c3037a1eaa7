#include "measure/chessboard.h"

#include <algorithm>
#include <cmath>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>
#include <optional>

#include "measure/corner_refine.h"

namespace zirt {
namespace {

// Detection runs on a copy whose longer side is at most this: the detectors' cost grows with
// the pixel count, and a board a person sees at a glance is still many pixels a square there.
constexpr int kDetectionSide = 1280;

// The refinement's window, as a share of the distance to the nearest edge that does not pass
// through the corner.
constexpr double kWindowShare = 0.7;

// A crossing is taken when at most this share of the window's structure breaks its symmetry.
constexpr double kMaxAsymmetry = 0.35;

struct Road {
  const char* name;
  double scale;  // of the detection copy
  bool classic;
  int flags;
};

constexpr Road kRoads[] = {
    {"SB", 1, false, 0},
    {"SB normalised", 1, false, cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_EXHAUSTIVE},
    {"classic", 1, true,
     cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_FAST_CHECK},
    {"SB half", 0.5, false, cv::CALIB_CB_EXHAUSTIVE},
    {"classic half", 0.5, true,
     cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_FAST_CHECK},
};

double Cross(cv::Point2d u, cv::Point2d v) {
  return u.x * v.y - u.y * v.x;
}

// The grid step along the row and down the column at corner (row, col), from its neighbours.
void Steps(const std::vector<cv::Point2d>& p, cv::Size size, int row, int col, cv::Point2d& u,
           cv::Point2d& v) {
  const auto at = [&](int r, int c) { return p[r * size.width + c]; };
  const int c0 = std::max(0, col - 1), c1 = std::min(size.width - 1, col + 1);
  const int r0 = std::max(0, row - 1), r1 = std::min(size.height - 1, row + 1);
  u = (at(row, c1) - at(row, c0)) * (1.0 / (c1 - c0));
  v = (at(r1, col) - at(r0, col)) * (1.0 / (r1 - r0));
}

// The window that holds only the corner's own two edges, widened by kWindowShare.
double WindowRadius(cv::Point2d u, cv::Point2d v) {
  const double area = std::abs(Cross(u, v));
  const double nu = cv::norm(u), nv = cv::norm(v);
  if (!(nu > 0 && nv > 0)) return 0;
  return kWindowShare * std::min(area / nu, area / nv);
}

bool IsCrossing(const RefinedCorner& c, cv::Point2d seed, double spacing) {
  return c.converged && c.asymmetry <= kMaxAsymmetry && c.contrast >= 4 &&
         cv::norm(c.at - seed) <= 0.3 * spacing;
}

// A board's grid changes its step smoothly: along a row or down a column the next step is
// nearly the last one, and each cell is nearly a parallelogram. Crossings of the scene that a
// detector strung together into a grid fail this.
bool IsRegularGrid(const std::vector<cv::Point2d>& p, cv::Size size) {
  const auto at = [&](int r, int c) { return p[r * size.width + c]; };
  const auto near = [](cv::Point2d a, cv::Point2d b) {
    return cv::norm(a - b) <= 0.25 * std::max(cv::norm(a), cv::norm(b));
  };
  for (int r = 0; r < size.height; ++r)
    for (int c = 0; c < size.width; ++c) {
      if (c + 2 < size.width && !near(at(r, c + 1) - at(r, c), at(r, c + 2) - at(r, c + 1)))
        return false;
      if (r + 2 < size.height && !near(at(r + 1, c) - at(r, c), at(r + 2, c) - at(r + 1, c)))
        return false;
      if (r + 1 < size.height && c + 1 < size.width &&
          (!near(at(r, c + 1) - at(r, c), at(r + 1, c + 1) - at(r + 1, c)) ||
           !near(at(r + 1, c) - at(r, c), at(r + 1, c + 1) - at(r, c + 1))))
        return false;
    }
  return true;
}

// The seed at (row, col) refined on the full image, with whether it is a clean crossing.
RefinedCorner RefineSeed(const cv::Mat& grey, const std::vector<cv::Point2d>& seeds, cv::Size size,
                         int row, int col, bool& crossing) {
  cv::Point2d u, v;
  Steps(seeds, size, row, col, u, v);
  const cv::Point2d seed = seeds[row * size.width + col];
  const RefinedCorner c = RefineCorner(grey, seed, WindowRadius(u, v));
  crossing = IsCrossing(c, seed, std::min(cv::norm(u), cv::norm(v)));
  return c;
}

// Refines every seed on the full image; false when one of them is not a clean crossing.
bool Refine(const cv::Mat& grey, cv::Size size, std::vector<cv::Point2d>& corners,
            std::vector<double>& sigma, std::vector<double>& contrast) {
  const std::vector<cv::Point2d> seeds = corners;
  sigma.assign(corners.size(), 0);
  contrast.assign(corners.size(), 0);
  for (int row = 0; row < size.height; ++row)
    for (int col = 0; col < size.width; ++col) {
      bool crossing = false;
      const RefinedCorner c = RefineSeed(grey, seeds, size, row, col, crossing);
      if (!crossing) return false;
      const std::size_t i = row * size.width + col;
      corners[i] = c.at;
      sigma[i] = c.sigma_px;
      contrast[i] = c.contrast;
    }
  return true;
}

// The detection copy's points on the full image: the copy's pixel k covers the image's
// (k + ½)/scale − ½.
std::vector<cv::Point2d> OnFullImage(const std::vector<cv::Point2f>& found, double scale) {
  std::vector<cv::Point2d> points;
  points.reserve(found.size());
  for (const cv::Point2f& p : found)
    points.emplace_back((p.x + 0.5) / scale - 0.5, (p.y + 0.5) / scale - 0.5);
  return points;
}

// Which of the board's outer rows and columns it goes on beyond (kTop, kBottom, kLeft, kRight
// bits): one step past the outer corners lies the board's edge (no crossing) on a board of the
// size asked, and more crossings on a larger one.
enum Side { kTop = 1, kBottom = 2, kLeft = 4, kRight = 8 };

int GoesOn(const cv::Mat& grey, cv::Size size, const std::vector<cv::Point2d>& corners,
           double contrast) {
  const auto at = [&](int r, int c) { return corners[r * size.width + c]; };
  const auto side = [&](int count, auto edge, auto inner) {
    int crossings = 0;
    for (int k = 0; k < count; ++k) {
      const cv::Point2d e = edge(k), step = e - inner(k);
      const cv::Point2d beyond = e + step;
      // The step across the side and the one along it give the window's size.
      const cv::Point2d along = k + 1 < count ? edge(k + 1) - e : e - edge(k - 1);
      const RefinedCorner c = RefineCorner(grey, beyond, WindowRadius(step, along));
      if (IsCrossing(c, beyond, std::min(cv::norm(step), cv::norm(along))) &&
          c.contrast >= 0.5 * contrast)
        ++crossings;
    }
    return 2 * crossings > count;
  };
  const int w = size.width, h = size.height;
  int sides = 0;
  if (side(
          w, [&](int k) { return at(0, k); }, [&](int k) { return at(1, k); }))
    sides |= kTop;
  if (side(
          w, [&](int k) { return at(h - 1, k); }, [&](int k) { return at(h - 2, k); }))
    sides |= kBottom;
  if (side(
          h, [&](int k) { return at(k, 0); }, [&](int k) { return at(k, 1); }))
    sides |= kLeft;
  if (side(
          h, [&](int k) { return at(k, w - 1); }, [&](int k) { return at(k, w - 2); }))
    sides |= kRight;
  return sides;
}

cv::Mat Reduced(const cv::Mat& grey, double scale) {
  if (scale >= 1) return grey;
  cv::Mat small;
  cv::resize(grey, small, cv::Size(), scale, scale, cv::INTER_AREA);
  return small;
}

// The sector-based detector draws on OpenCV's random numbers: a fixed start makes every run
// on the same image find the same board.
void ResetRandom() {
  cv::theRNG().state = 0x5eed;
}

double DetectionScale(const cv::Mat& grey) {
  return std::min(1.0, double(kDetectionSide) / std::max(grey.cols, grey.rows));
}

}  // namespace

std::vector<std::string> ChessboardRoads() {
  std::vector<std::string> names;
  for (const Road& road : kRoads) names.push_back(road.name);
  return names;
}

ChessboardFinding FindChessboard(const cv::Mat& grey, cv::Size size, int only_road) {
  ChessboardFinding finding;
  finding.size = size;
  // The detectors take nothing below three by three, and say so in their own words.
  if (size.width < 3 || size.height < 3) return finding;
  const double base = DetectionScale(grey);
  cv::Mat copies[2];
  for (const Road& road : kRoads) {
    if (only_road >= 0 && &road != &kRoads[only_road]) continue;
    const double scale = base * road.scale;
    cv::Mat& small = copies[road.scale < 1];
    if (small.empty()) small = Reduced(grey, scale);
    std::vector<cv::Point2f> found;
    ResetRandom();
    const bool ok = road.classic ? cv::findChessboardCorners(small, size, found, road.flags)
                                 : cv::findChessboardCornersSB(small, size, found, road.flags);
    if (!ok || static_cast<int>(found.size()) != size.area()) continue;
    std::vector<cv::Point2d> corners = OnFullImage(found, scale);
    std::vector<double> sigma, contrast;
    if (!IsRegularGrid(corners, size) || !Refine(grey, size, corners, sigma, contrast) ||
        !IsRegularGrid(corners, size))
      continue;
    std::vector<double> sorted = contrast;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    finding.road = road.name;
    finding.beyond = GoesOn(grey, size, corners, sorted[sorted.size() / 2]);
    if (finding.beyond != 0) {
      finding.larger = true;
      return finding;
    }
    finding.corners = std::move(corners);
    finding.sigma_px = std::move(sigma);
    return finding;
  }
  return finding;
}

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

}  // namespace

cv::Size FindChessboardSize(const cv::Mat& grey) {
  const double scale = DetectionScale(grey);
  const cv::Mat small = Reduced(grey, scale);
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
    ChessboardFinding finding = FindChessboard(grey, grown.size);
    const bool found = !finding.corners.empty();
    if (found) grown.at = std::move(finding.corners);
    if ((found && !confirmed) || (found == confirmed && grown.at.size() > best.at.size()) ||
        best.at.empty())
      best = std::move(grown), confirmed = confirmed || found;
  }
  if (best.at.empty()) return {0, 0};
  // Counted so that rows run across the image, as a user counts a board in front of them:
  // the files' point order then follows the rows on the screen.
  const cv::Size size = best.size;
  const cv::Point2d along_row = best.At(0, size.width - 1) - best.At(0, 0);
  const cv::Point2d down_column = best.At(size.height - 1, 0) - best.At(0, 0);
  if (std::abs(along_row.x) * cv::norm(down_column) >=
      std::abs(down_column.x) * cv::norm(along_row))
    return size;
  return {size.height, size.width};
}

}  // namespace zirt
