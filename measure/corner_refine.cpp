#include "measure/corner_refine.h"

#include <algorithm>
#include <cmath>

namespace zirt {
namespace {

// Bilinear sample of an 8-bit image at (x, y), which must lie at least one pixel inside.
inline double Sample(const cv::Mat& image, double x, double y) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const unsigned char* row0 = image.ptr<unsigned char>(y0) + x0;
  const unsigned char* row1 = row0 + image.step[0];
  return (1 - fy) * ((1 - fx) * row0[0] + fx * row0[1]) + fy * ((1 - fx) * row1[0] + fx * row1[1]);
}

struct Offset {
  double dx, dy, w;
};

}  // namespace

RefinedCorner RefineCorner(const cv::Mat& image, cv::Point2d seed, double radius) {
  RefinedCorner result;
  result.at = seed;
  // Near the image's edge the window shrinks to what the image holds around the seed.
  radius = std::min(
      radius, std::min({seed.x, seed.y, image.cols - 1 - seed.x, image.rows - 1 - seed.y}) - 4);
  if (!(radius >= 2)) return result;
  // Wide windows are sampled on a coarser lattice: the mirrored phases hold for any step, and
  // a few thousand samples already average the noise down.
  const int step = std::max(1, static_cast<int>(radius / 28));
  const int reach = static_cast<int>(radius) / step * step;
  const double sigma = radius / 2, two_s2 = 2 * sigma * sigma;
  std::vector<Offset> offsets;
  // One of each pair (d, −d) is enough: the other gives the same residual with its sign turned.
  for (int dy = 0; dy <= reach; dy += step)
    for (int dx = -reach; dx <= reach; dx += step) {
      if (dy == 0 && dx <= 0) continue;
      const double r2 = double(dx) * dx + double(dy) * dy;
      if (r2 > radius * radius) continue;
      offsets.push_back({double(dx), double(dy), std::exp(-r2 / two_s2)});
    }
  const double margin = reach + 2;
  const auto inside = [&](cv::Point2d c) {
    return c.x >= margin && c.y >= margin && c.x <= image.cols - 1 - margin &&
           c.y <= image.rows - 1 - margin;
  };
  cv::Point2d c = seed;
  double rss = 0, weights = 0;
  for (int iteration = 0; iteration < 30; ++iteration) {
    if (!inside(c)) return result;
    double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
    rss = 0;
    weights = 0;
    for (const Offset& o : offsets) {
      const double px = c.x + o.dx, py = c.y + o.dy, mx = c.x - o.dx, my = c.y - o.dy;
      const double r = Sample(image, px, py) - Sample(image, mx, my);
      // The residual's derivative in c: the gradient at c+d minus the gradient at c−d, each
      // by central differences half a pixel either side.
      const double jx = Sample(image, px + 0.5, py) - Sample(image, px - 0.5, py) -
                        Sample(image, mx + 0.5, my) + Sample(image, mx - 0.5, my);
      const double jy = Sample(image, px, py + 0.5) - Sample(image, px, py - 0.5) -
                        Sample(image, mx, my + 0.5) + Sample(image, mx, my - 0.5);
      a11 += o.w * jx * jx;
      a12 += o.w * jx * jy;
      a22 += o.w * jy * jy;
      b1 += o.w * jx * r;
      b2 += o.w * jy * r;
      rss += o.w * r * r;
      weights += o.w;
    }
    const double det = a11 * a22 - a12 * a12;
    if (!(det > 0)) return result;
    const double sx = -(a22 * b1 - a12 * b2) / det, sy = -(a11 * b2 - a12 * b1) / det;
    // A step longer than a quarter of the window means no crossing is near: stop there.
    if (!(std::hypot(sx, sy) < 0.25 * radius)) return result;
    c += cv::Point2d(sx, sy);
    if (std::hypot(sx, sy) < 1e-4) {
      // σ² of one residual, propagated through the normal equations.
      const double s2 = rss / std::max(1.0, offsets.size() - 2.0) * offsets.size() / weights;
      result.sigma_px = std::sqrt(s2 * (a11 + a22) / det);
      result.converged = inside(c) && std::hypot(c.x - seed.x, c.y - seed.y) < radius;
      break;
    }
  }
  if (!result.converged) return result;
  result.at = c;
  // How much structure the window has, against how much of it breaks the symmetry.
  double mean = 0, total = 0;
  for (const Offset& o : offsets) {
    mean += o.w * (Sample(image, c.x + o.dx, c.y + o.dy) + Sample(image, c.x - o.dx, c.y - o.dy));
    total += 2 * o.w;
  }
  mean /= total;
  double spread = 0;
  for (const Offset& o : offsets) {
    const double a = Sample(image, c.x + o.dx, c.y + o.dy) - mean;
    const double b = Sample(image, c.x - o.dx, c.y - o.dy) - mean;
    spread += o.w * (a * a + b * b);
  }
  result.contrast = std::sqrt(spread / total);
  result.asymmetry = spread > 0 ? 2 * rss / spread : 1;
  return result;
}

}  // namespace zirt
