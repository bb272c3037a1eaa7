#include "measure/zoom_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "measure/point_order.h"

namespace zirt {
namespace {

// A deviation from the zoom model larger than this share of the grid step is a wrong
// correspondence; lens distortion that changes with the zoom stays well below it.
constexpr double kStepShare = 0.25;

// The shortest distance between neighbouring points of the grid: its step.
double GridStep(const std::vector<ImagePoint>& p, const Pattern& pattern) {
  double step = std::numeric_limits<double>::infinity();
  for (int row = 0; row < pattern.rows; ++row)
    for (int col = 0; col < pattern.cols; ++col) {
      const ImagePoint& a = p[row * pattern.cols + col];
      if (col + 1 < pattern.cols) {
        const ImagePoint& b = p[row * pattern.cols + col + 1];
        step = std::min(step, std::hypot(b.x - a.x, b.y - a.y));
      }
      if (row + 1 < pattern.rows) {
        const ImagePoint& b = p[(row + 1) * pattern.cols + col];
        step = std::min(step, std::hypot(b.x - a.x, b.y - a.y));
      }
    }
  return step;
}

struct Similarity {
  double scale = 0, tx = 0, ty = 0;
  double largest = std::numeric_limits<double>::infinity();  // deviation, pixels
};

// p ≈ scale·q + t by least squares.
Similarity Fit(const std::vector<ImagePoint>& q, const std::vector<ImagePoint>& p) {
  const std::size_t n = q.size();
  double qx = 0, qy = 0, px = 0, py = 0;
  for (std::size_t i = 0; i < n; ++i) {
    qx += q[i].x, qy += q[i].y, px += p[i].x, py += p[i].y;
  }
  qx /= n, qy /= n, px /= n, py /= n;
  double sqp = 0, sqq = 0;
  for (std::size_t i = 0; i < n; ++i) {
    sqp += (q[i].x - qx) * (p[i].x - px) + (q[i].y - qy) * (p[i].y - py);
    sqq += (q[i].x - qx) * (q[i].x - qx) + (q[i].y - qy) * (q[i].y - qy);
  }
  Similarity s;
  if (!(sqq > 0)) return s;
  s.scale = sqp / sqq;
  s.tx = px - s.scale * qx;
  s.ty = py - s.scale * qy;
  s.largest = 0;
  for (std::size_t i = 0; i < n; ++i)
    s.largest = std::max(
        s.largest, std::hypot(s.scale * q[i].x + s.tx - p[i].x, s.scale * q[i].y + s.ty - p[i].y));
  return s;
}

std::string Pixels(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// The largest deviation of each image from p_k = c + s_k·(p_0 − c) with one centre c for the
// whole sequence, fitted by alternating least squares from the images' own scales.
std::vector<double> CommonCentreDeviations(const std::vector<std::vector<ImagePoint>>& images,
                                           std::vector<double> scale) {
  const std::vector<ImagePoint>& first = images[0];
  double cx = 0, cy = 0;
  for (int iteration = 0; iteration < 50; ++iteration) {
    double w = 0, sx = 0, sy = 0;
    for (std::size_t k = 1; k < images.size(); ++k)
      for (std::size_t i = 0; i < first.size(); ++i) {
        const double a = 1 - scale[k];
        w += a * a * 1.0;
        sx += a * (images[k][i].x - scale[k] * first[i].x);
        sy += a * (images[k][i].y - scale[k] * first[i].y);
      }
    if (!(w > 0)) break;
    cx = sx / w, cy = sy / w;
    for (std::size_t k = 1; k < images.size(); ++k) {
      double num = 0, den = 0;
      for (std::size_t i = 0; i < first.size(); ++i) {
        const double dx = first[i].x - cx, dy = first[i].y - cy;
        num += dx * (images[k][i].x - cx) + dy * (images[k][i].y - cy);
        den += dx * dx + dy * dy;
      }
      if (den > 0) scale[k] = num / den;
    }
  }
  std::vector<double> largest(images.size(), 0);
  for (std::size_t k = 1; k < images.size(); ++k)
    for (std::size_t i = 0; i < first.size(); ++i)
      largest[k] =
          std::max(largest[k], std::hypot(cx + scale[k] * (first[i].x - cx) - images[k][i].x,
                                          cy + scale[k] * (first[i].y - cy) - images[k][i].y));
  return largest;
}

}  // namespace

std::optional<ZoomRefusal> MatchToFirst(std::vector<std::vector<ImagePoint>>& images,
                                        const Pattern& pattern) {
  if (images.size() < 2) return std::nullopt;
  const std::vector<ImagePoint>& first = images[0];
  std::vector<double> scale(images.size(), 1), step(images.size(), GridStep(first, pattern));
  for (std::size_t k = 1; k < images.size(); ++k) {
    Similarity best;
    std::vector<ImagePoint> best_numbering;
    for (std::vector<ImagePoint>& numbering : Numberings(images[k], pattern)) {
      const Similarity s = Fit(first, numbering);
      if (s.scale > 0 && s.largest < best.largest) {
        best = s;
        best_numbering = std::move(numbering);
      }
    }
    step[k] = GridStep(images[k], pattern);
    if (!(best.largest <= kStepShare * step[k]))
      return ZoomRefusal{k, "its points do not match the first image's by a zoom (" +
                                (std::isfinite(best.largest) ? Pixels(best.largest) + " px off"
                                                             : std::string("no fit")) +
                                "): another board or pattern, or a wrong pattern size"};
    images[k] = std::move(best_numbering);
    scale[k] = best.scale;
  }
  // Two images always share a centre; from three on, a shift of one image shows.
  if (images.size() < 3) return std::nullopt;
  const std::vector<double> deviation = CommonCentreDeviations(images, scale);
  for (std::size_t k = 1; k < images.size(); ++k)
    if (!(deviation[k] <= kStepShare * step[k]))
      return ZoomRefusal{k, "its points do not zoom about the centre the other images share (" +
                                Pixels(deviation[k]) +
                                " px off): another board, or the camera moved"};
  return std::nullopt;
}

}  // namespace zirt
