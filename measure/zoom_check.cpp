#include "measure/zoom_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "measure/point_order.h"
#include "measure/zoom_model.h"

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

std::string Pixels(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// The largest deviation of each image from one zoom about a centre common to the sequence.
std::vector<double> CommonCentreDeviations(const std::vector<std::vector<ImagePoint>>& images) {
  std::vector<double> largest(images.size(), 0);
  const std::optional<CommonZoom> model = FitCommonZoom(images, 0);
  if (!model) return largest;
  for (std::size_t k = 1; k < images.size(); ++k)
    for (std::size_t i = 0; i < images[0].size(); ++i) {
      const ImagePoint p = model->Map(images[0][i], k);
      largest[k] = std::max(largest[k], std::hypot(p.x - images[k][i].x, p.y - images[k][i].y));
    }
  return largest;
}

}  // namespace

std::optional<ZoomRefusal> MatchToFirst(std::vector<std::vector<ImagePoint>>& images,
                                        const Pattern& pattern) {
  if (images.size() < 2) return std::nullopt;
  const std::vector<ImagePoint>& first = images[0];
  std::vector<double> step(images.size(), GridStep(first, pattern));
  for (std::size_t k = 1; k < images.size(); ++k) {
    double best = std::numeric_limits<double>::infinity();
    std::vector<ImagePoint> best_numbering;
    for (std::vector<ImagePoint>& numbering : Numberings(images[k], pattern)) {
      const ScaleShift s = FitScaleShift(first, numbering);
      const double misfit = LargestMisfit(s, first, numbering);
      if (s.scale > 0 && misfit < best) {
        best = misfit;
        best_numbering = std::move(numbering);
      }
    }
    step[k] = GridStep(images[k], pattern);
    if (!(best <= kStepShare * step[k]))
      return ZoomRefusal{
          k, "its points do not match the first image's by a zoom (" +
                 (std::isfinite(best) ? Pixels(best) + " px off" : std::string("no fit")) +
                 "): another board or pattern, or a wrong pattern size"};
    images[k] = std::move(best_numbering);
  }
  // Two images always share a centre; from three on, a shift of one image shows.
  if (images.size() < 3) return std::nullopt;
  const std::vector<double> deviation = CommonCentreDeviations(images);
  for (std::size_t k = 1; k < images.size(); ++k)
    if (!(deviation[k] <= kStepShare * step[k]))
      return ZoomRefusal{k, "its points do not zoom about the centre the other images share (" +
                                Pixels(deviation[k]) +
                                " px off): another board, or the camera moved"};
  return std::nullopt;
}

}  // namespace zirt
