#include "measure/scene_checks.h"

#include <algorithm>
#include <cmath>

namespace zirt {
namespace {

// A track off its step by more than six times the step's median misfit (about seven standard
// deviations of the matching noise) did not move with the scene: a patch that moved on its own
// in one image, a mismatch. Each step has a centre and a radial factor of its own, so a centre
// that drifts with the zoom sets nothing aside, and where a real lens's matches scatter more
// the median grows with them. The floor keeps nearly noiseless sequences from losing tracks
// to differences no match can tell from noise.
constexpr double kTrackLimitPx = 0.1;
constexpr double kTrackSpread = 6;
// The robust fit of a step leaves out pairs further off than this many pixels.
constexpr double kStepLimitPx = 1;
constexpr double kLineShare = 0.02;
constexpr double kPi = 3.14159265358979323846;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + values.size() / 2;
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// A track's total-least-squares line: its mean, its direction and its length along it.
struct Line {
  double mx = 0, my = 0, ux = 1, uy = 0, length = 0;
};

Line FitLine(const std::vector<std::vector<ImagePoint>>& positions, std::size_t t) {
  Line line;
  long double n = 0, sx = 0, sy = 0;
  for (const auto& image : positions)
    if (Finite(image[t])) n += 1, sx += image[t].x, sy += image[t].y;
  if (n < 2) return line;
  line.mx = static_cast<double>(sx / n), line.my = static_cast<double>(sy / n);
  long double xx = 0, xy = 0, yy = 0;
  for (const auto& image : positions)
    if (Finite(image[t])) {
      const long double dx = image[t].x - line.mx, dy = image[t].y - line.my;
      xx += dx * dx, xy += dx * dy, yy += dy * dy;
    }
  const double angle = 0.5 * std::atan2(static_cast<double>(2 * xy), static_cast<double>(xx - yy));
  line.ux = std::cos(angle), line.uy = std::sin(angle);
  double low = INFINITY, high = -INFINITY;
  for (const auto& image : positions)
    if (Finite(image[t])) {
      const double along = (image[t].x - line.mx) * line.ux + (image[t].y - line.my) * line.uy;
      low = std::min(low, along), high = std::max(high, along);
    }
  line.length = high - low;
  return line;
}

double Off(const Line& line, double x, double y) {
  return std::fabs((x - line.mx) * line.uy - (y - line.my) * line.ux);
}

}  // namespace

std::vector<std::optional<LensStep>> FitSteps(const std::vector<std::vector<ImagePoint>>& positions,
                                              const SceneChain& chain) {
  std::vector<std::optional<LensStep>> steps;
  for (std::size_t j = 0; j < chain.steps.size(); ++j)
    steps.push_back(FitLensStep(positions[chain.order[j]], positions[chain.order[j + 1]],
                                chain.steps[j].norm, true, kStepLimitPx * chain.steps[j].scale));
  return steps;
}

void SetAsideMisfits(const std::vector<std::vector<ImagePoint>>& positions, const SceneChain& chain,
                     const std::vector<std::optional<LensStep>>& steps, std::vector<char>& aside) {
  for (std::size_t j = 0; j < steps.size(); ++j) {
    const std::vector<ImagePoint>& from = positions[chain.order[j]];
    const std::vector<ImagePoint>& to = positions[chain.order[j + 1]];
    std::vector<double> misfit(from.size(), -1), seen;
    for (std::size_t t = 0; t < from.size(); ++t)
      if (Finite(from[t]) && Finite(to[t])) {
        if (!steps[j]) {  // too few in common to judge: the pair says nothing of its tracks
          continue;
        }
        const ImagePoint m = steps[j]->Map(from[t]);
        misfit[t] = std::hypot(m.x - to[t].x, m.y - to[t].y);
        seen.push_back(misfit[t]);
      }
    const double limit =
        std::max(kTrackLimitPx * steps[j].value_or(LensStep{}).scale, kTrackSpread * Median(seen));
    for (std::size_t t = 0; t < from.size(); ++t)
      if (misfit[t] > limit) aside[t] = 1;
  }
}

std::optional<Turned> MostTurned(const SceneChain& chain,
                                 const std::vector<std::optional<LensStep>>& steps) {
  std::optional<Turned> most;
  for (std::size_t j = 0; j < steps.size(); ++j) {
    if (!steps[j]) continue;
    const double degrees = std::fabs(steps[j]->turn) * 180 / kPi;
    if (most && degrees <= most->degrees) continue;
    // A turned image turns both of its steps, the one before by +θ, the one after by −θ.
    std::size_t image = chain.order[j + 1];
    if (j > 0 && steps[j - 1] && steps[j - 1]->turn * steps[j]->turn < 0 &&
        (j + 1 >= steps.size() || !steps[j + 1] ||
         std::fabs(steps[j - 1]->turn) > std::fabs(steps[j + 1]->turn)))
      image = chain.order[j];
    most = Turned{image, degrees};
  }
  return most;
}

CommonShare CommonCentreShare(const std::vector<std::vector<ImagePoint>>& positions,
                              const std::vector<char>& aside, double diagonal, bool without_each) {
  std::vector<Line> lines;
  std::vector<std::size_t> which;
  for (std::size_t t = 0; t < aside.size(); ++t) {
    if (aside[t]) continue;
    const Line line = FitLine(positions, t);
    if (line.length > 1) lines.push_back(line), which.push_back(t);
  }
  CommonShare out;
  if (lines.size() < 2) return out;
  const double limit = kLineShare * diagonal;
  // The point nearest every line in the least-squares sense, lines further off left out.
  double cx = 0, cy = 0;
  std::vector<char> use(lines.size(), 1);
  for (const double reach : {static_cast<double>(INFINITY), 8.0, 3.0, 1.0}) {
    long double a11 = 0, a12 = 0, a22 = 0, b1 = 0, b2 = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (reach < INFINITY) use[i] = Off(lines[i], cx, cy) <= reach * limit;
      if (!use[i]) continue;
      const Line& l = lines[i];
      const long double m11 = 1 - l.ux * l.ux, m12 = -l.ux * l.uy, m22 = 1 - l.uy * l.uy;
      a11 += m11, a12 += m12, a22 += m22;
      b1 += m11 * l.mx + m12 * l.my, b2 += m12 * l.mx + m22 * l.my;
    }
    const long double det = a11 * a22 - a12 * a12;
    if (!(std::fabs(det) > 1e-12L)) break;
    cx = static_cast<double>((a22 * b1 - a12 * b2) / det);
    cy = static_cast<double>((a11 * b2 - a12 * b1) / det);
  }
  int near = 0;
  for (const Line& l : lines) near += Off(l, cx, cy) <= limit;
  out.share = static_cast<double>(near) / lines.size();
  if (out.share >= 0.5 || !without_each) return out;
  // The image without which most tracks meet: the one taken after the camera moved.
  double best = -1;
  for (std::size_t k = 0; k < positions.size(); ++k) {
    std::vector<std::vector<ImagePoint>> rest = positions;
    for (ImagePoint& p : rest[k]) p = {NAN, NAN};
    const double share = CommonCentreShare(rest, aside, diagonal, false).share;
    if (share > best) best = share, out.worst = k;
  }
  return out;
}

}  // namespace zirt
