#include "measure/chessboard_corners.h"

#include <algorithm>
#include <cmath>

namespace zirt {
namespace {

// The refinement's window, as a share of the distance to the nearest edge that does not pass
// through the corner.
constexpr double kWindowShare = 0.7;

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

}  // namespace

double WindowRadius(cv::Point2d u, cv::Point2d v) {
  const double area = std::abs(Cross(u, v));
  const double nu = cv::norm(u), nv = cv::norm(v);
  if (!(nu > 0 && nv > 0)) return 0;
  return kWindowShare * std::min(area / nu, area / nv);
}

bool IsCrossing(const RefinedCorner& c, cv::Point2d seed, double spacing) {
  return IsCleanCrossing(c) && cv::norm(c.at - seed) <= 0.3 * spacing;
}

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

RefinedCorner RefineSeed(const cv::Mat& grey, const std::vector<cv::Point2d>& seeds, cv::Size size,
                         int row, int col, bool& crossing) {
  cv::Point2d u, v;
  Steps(seeds, size, row, col, u, v);
  const cv::Point2d seed = seeds[row * size.width + col];
  const RefinedCorner c = RefineCorner(grey, seed, WindowRadius(u, v));
  crossing = IsCrossing(c, seed, std::min(cv::norm(u), cv::norm(v)));
  return c;
}

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

int GoesOn(const cv::Mat& grey, cv::Size size, const std::vector<cv::Point2d>& corners,
           double contrast) {
  enum Side { kTop = 1, kBottom = 2, kLeft = 4, kRight = 8 };
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

}  // namespace zirt
