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
  double inner_w;  // the weight in the inner window, 0 outside it
};

// At most this share of the window's structure may break its symmetry.
constexpr double kMaxAsymmetry = 0.35;
// The inner window holds at least this share of the window's contrast.
constexpr double kMinInnerShare = 0.45;

// The weighted sum of squared deviations of the grey levels about `c` from their weighted
// mean, and the sum of the weights, with the weight `weight` gives each offset (and its pair).
struct Spread {
  double squares = 0, weights = 0;
  double Deviation() const { return weights > 0 ? std::sqrt(squares / weights) : 0; }
};

template <typename Weight>
Spread SpreadAbout(const cv::Mat& image, cv::Point2d c, const std::vector<Offset>& offsets,
                   Weight weight) {
  Spread spread;
  double mean = 0;
  for (const Offset& o : offsets) {
    mean +=
        weight(o) * (Sample(image, c.x + o.dx, c.y + o.dy) + Sample(image, c.x - o.dx, c.y - o.dy));
    spread.weights += 2 * weight(o);
  }
  if (!(spread.weights > 0)) return spread;
  mean /= spread.weights;
  for (const Offset& o : offsets) {
    const double a = Sample(image, c.x + o.dx, c.y + o.dy) - mean;
    const double b = Sample(image, c.x - o.dx, c.y - o.dy) - mean;
    spread.squares += weight(o) * (a * a + b * b);
  }
  return spread;
}

}  // namespace

bool IsSymmetricCorner(const RefinedCorner& c) {
  return c.converged && c.asymmetry <= kMaxAsymmetry && c.contrast >= 4;
}

bool IsCleanCrossing(const RefinedCorner& c) {
  return IsSymmetricCorner(c) && c.inner_contrast >= kMinInnerShare * c.contrast;
}

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
  const double inner = radius / 3, inner_two_s2 = two_s2 / 9;
  std::vector<Offset> offsets;
  // One of each pair (d, −d) is enough: the other gives the same residual with its sign turned.
  for (int dy = 0; dy <= reach; dy += step)
    for (int dx = -reach; dx <= reach; dx += step) {
      if (dy == 0 && dx <= 0) continue;
      const double r2 = double(dx) * dx + double(dy) * dy;
      if (r2 > radius * radius) continue;
      offsets.push_back({double(dx), double(dy), std::exp(-r2 / two_s2),
                         r2 <= inner * inner ? std::exp(-r2 / inner_two_s2) : 0});
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
  const Spread spread = SpreadAbout(image, c, offsets, [](const Offset& o) { return o.w; });
  result.contrast = spread.Deviation();
  result.asymmetry = spread.squares > 0 ? 2 * rss / spread.squares : 1;
  // An inner window of a pixel or two holds too few samples to tell.
  result.inner_contrast =
      inner < 2
          ? result.contrast
          : SpreadAbout(image, c, offsets, [](const Offset& o) { return o.inner_w; }).Deviation();
  return result;
}

}  // namespace zirt
