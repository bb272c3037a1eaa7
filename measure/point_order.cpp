#include "measure/point_order.h"

#include <cmath>
#include <limits>

namespace zirt {
namespace {

// One renumbering of the grid: which end each index starts from, and whether rows and columns
// swap (square boards only).
struct Renumbering {
  bool flip_rows = false;
  bool flip_cols = false;
  bool transpose = false;
};

std::vector<Renumbering> Renumberings(const Pattern& pattern) {
  // The asymmetric grid's layout fixes its own numbering.
  if (pattern.kind == PatternKind::kAsymmetricCircles) return {Renumbering{}};
  std::vector<Renumbering> all;
  for (const bool transpose : {false, true}) {
    if (transpose && pattern.cols != pattern.rows) break;
    for (const bool flip_rows : {false, true})
      for (const bool flip_cols : {false, true}) all.push_back({flip_rows, flip_cols, transpose});
  }
  return all;
}

std::vector<ImagePoint> Renumber(const std::vector<ImagePoint>& points, const Pattern& pattern,
                                 const Renumbering& r) {
  std::vector<ImagePoint> out(points.size());
  for (int row = 0; row < pattern.rows; ++row)
    for (int col = 0; col < pattern.cols; ++col) {
      int source_row = r.flip_rows ? pattern.rows - 1 - row : row;
      int source_col = r.flip_cols ? pattern.cols - 1 - col : col;
      if (r.transpose) std::swap(source_row, source_col);
      out[row * pattern.cols + col] = points[source_row * pattern.cols + source_col];
    }
  return out;
}

// The mean unit directions along the rows and down the columns.
struct Directions {
  double row_x = 0, row_y = 0, col_x = 0, col_y = 0;
};

void Normalise(double& x, double& y) {
  const double length = std::hypot(x, y);
  if (length > 0) {
    x /= length;
    y /= length;
  }
}

Directions DirectionsOf(const std::vector<ImagePoint>& p, const Pattern& pattern) {
  Directions d;
  for (int row = 0; row < pattern.rows; ++row)
    for (int col = 0; col < pattern.cols; ++col) {
      const ImagePoint& here = p[row * pattern.cols + col];
      if (col + 1 < pattern.cols) {
        d.row_x += p[row * pattern.cols + col + 1].x - here.x;
        d.row_y += p[row * pattern.cols + col + 1].y - here.y;
      }
      if (row + 1 < pattern.rows) {
        d.col_x += p[(row + 1) * pattern.cols + col].x - here.x;
        d.col_y += p[(row + 1) * pattern.cols + col].y - here.y;
      }
    }
  Normalise(d.row_x, d.row_y);
  Normalise(d.col_x, d.col_y);
  return d;
}

}  // namespace

std::vector<std::vector<ImagePoint>> Numberings(const std::vector<ImagePoint>& points,
                                                const Pattern& pattern) {
  std::vector<std::vector<ImagePoint>> all;
  for (const Renumbering& r : Renumberings(pattern)) all.push_back(Renumber(points, pattern, r));
  return all;
}

std::vector<ImagePoint> OrderFirst(const std::vector<ImagePoint>& points, const Pattern& pattern) {
  std::vector<ImagePoint> best = points;
  double best_distance = std::numeric_limits<double>::infinity();
  double best_across = -std::numeric_limits<double>::infinity();
  for (const Renumbering& r : Renumberings(pattern)) {
    std::vector<ImagePoint> candidate = Renumber(points, pattern, r);
    const double distance = std::hypot(candidate[0].x, candidate[0].y);
    // A square board can be numbered two ways from the same corner: rows run across the image.
    const double across = DirectionsOf(candidate, pattern).row_x;
    const bool same_corner = std::abs(distance - best_distance) <= 1e-9 * (1 + distance);
    if ((!same_corner && distance < best_distance) || (same_corner && across > best_across)) {
      best = std::move(candidate);
      best_distance = distance;
      best_across = across;
    }
  }
  return best;
}

std::vector<ImagePoint> OrderLike(const std::vector<ImagePoint>& first,
                                  const std::vector<ImagePoint>& points, const Pattern& pattern) {
  const Directions reference = DirectionsOf(first, pattern);
  std::vector<ImagePoint> best = points;
  double best_agreement = -std::numeric_limits<double>::infinity();
  for (const Renumbering& r : Renumberings(pattern)) {
    std::vector<ImagePoint> candidate = Renumber(points, pattern, r);
    const Directions d = DirectionsOf(candidate, pattern);
    const double agreement = d.row_x * reference.row_x + d.row_y * reference.row_y +
                             d.col_x * reference.col_x + d.col_y * reference.col_y;
    if (agreement > best_agreement) {
      best = std::move(candidate);
      best_agreement = agreement;
    }
  }
  return best;
}

}  // namespace zirt
