#include "measure/zoom_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zirt {
namespace {

// Solves the n × n system (n ≤ 5) by elimination with pivoting; false when singular.
bool Solve(int n, long double h[5][5], long double g[5], long double out[5]) {
  int order[5] = {0, 1, 2, 3, 4};
  for (int c = 0; c < n; ++c) {
    int pivot = c;
    for (int r = c + 1; r < n; ++r)
      if (std::fabs(h[order[r]][c]) > std::fabs(h[order[pivot]][c])) pivot = r;
    std::swap(order[c], order[pivot]);
    const long double p = h[order[c]][c];
    if (!(std::fabs(p) > 1e-18L)) return false;
    for (int r = c + 1; r < n; ++r) {
      const long double f = h[order[r]][c] / p;
      for (int k = c; k < n; ++k) h[order[r]][k] -= f * h[order[c]][k];
      g[order[r]] -= f * g[order[c]];
    }
  }
  for (int c = n - 1; c >= 0; --c) {
    long double sum = g[order[c]];
    for (int k = c + 1; k < n; ++k) sum -= h[order[c]][k] * out[k];
    out[c] = sum / h[order[c]][c];
  }
  return true;
}

LensStep FromParameters(const long double v[5], double norm) {
  LensStep step;
  step.centre = {static_cast<double>(v[0]), static_cast<double>(v[1])};
  step.scale = static_cast<double>(v[2]);
  step.turn = static_cast<double>(v[3]);
  step.radial = static_cast<double>(v[4]);
  step.norm = norm;
  return step;
}

// A similarity with a turn, q = [a −b; b a]·p + t, by linear least squares over `use`; its
// fixed point is the centre.
std::optional<LensStep> FitTurnedSimilarity(const std::vector<ImagePoint>& from,
                                            const std::vector<ImagePoint>& to,
                                            const std::vector<char>& use, double norm) {
  long double n = 0, px = 0, py = 0, qx = 0, qy = 0;
  for (std::size_t i = 0; i < from.size(); ++i)
    if (use[i]) n += 1, px += from[i].x, py += from[i].y, qx += to[i].x, qy += to[i].y;
  if (n < 2) return std::nullopt;
  px /= n, py /= n, qx /= n, qy /= n;
  long double saa = 0, sa = 0, sb = 0;
  for (std::size_t i = 0; i < from.size(); ++i) {
    if (!use[i]) continue;
    const long double dx = from[i].x - px, dy = from[i].y - py;
    const long double ex = to[i].x - qx, ey = to[i].y - qy;
    saa += dx * dx + dy * dy;
    sa += dx * ex + dy * ey;
    sb += dx * ey - dy * ex;
  }
  if (!(saa > 0)) return std::nullopt;
  const long double a = sa / saa, b = sb / saa;
  const long double tx = qx - (a * px - b * py), ty = qy - (b * px + a * py);
  // (I − M)·c = t
  const long double m00 = 1 - a, m01 = b, m10 = -b, m11 = 1 - a;
  const long double det = m00 * m11 - m01 * m10;
  if (!(std::fabs(det) > 1e-10L)) return std::nullopt;
  const long double v[5] = {(m11 * tx - m01 * ty) / det, (m00 * ty - m10 * tx) / det,
                            std::hypot(a, b), std::atan2(b, a), 0};
  return FromParameters(v, norm);
}

// Gauss-Newton on the five (or four, without a) parameters over the pairs of `use`.
LensStep Refine(LensStep step, const std::vector<ImagePoint>& from,
                const std::vector<ImagePoint>& to, const std::vector<char>& use, bool with_radial) {
  const int n = with_radial ? 5 : 4;
  long double v[5] = {step.centre.x, step.centre.y, step.scale, step.turn, step.radial};
  for (int iteration = 0; iteration < 8; ++iteration) {
    long double h[5][5] = {}, g[5] = {};
    for (std::size_t i = 0; i < from.size(); ++i) {
      if (!use[i]) continue;
      const LensStep at = FromParameters(v, step.norm);
      const ImagePoint q = at.Map(from[i]);
      const long double rx = q.x - to[i].x, ry = q.y - to[i].y;
      long double jx[5], jy[5];
      for (int p = 0; p < n; ++p) {
        long double w[5] = {v[0], v[1], v[2], v[3], v[4]};
        const long double delta = p < 2 ? 1e-3L : p == 2 ? 1e-7L * v[2] : 1e-7L;
        w[p] += delta;
        const ImagePoint moved = FromParameters(w, step.norm).Map(from[i]);
        jx[p] = (moved.x - q.x) / delta, jy[p] = (moved.y - q.y) / delta;
      }
      for (int a = 0; a < n; ++a) {
        for (int b = 0; b < n; ++b) h[a][b] += jx[a] * jx[b] + jy[a] * jy[b];
        g[a] += jx[a] * rx + jy[a] * ry;
      }
    }
    long double d[5] = {};
    if (!Solve(n, h, g, d)) break;
    for (int p = 0; p < n; ++p) v[p] -= d[p];
    if (std::hypot(static_cast<double>(d[0]), static_cast<double>(d[1])) < 1e-6) break;
  }
  return FromParameters(v, step.norm);
}

double Distance(ImagePoint a, ImagePoint b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

}  // namespace

ScaleShift FitScaleShift(const std::vector<ImagePoint>& from, const std::vector<ImagePoint>& to) {
  long double n = 0, px = 0, py = 0, qx = 0, qy = 0;
  for (std::size_t i = 0; i < from.size(); ++i)
    if (Finite(from[i]) && Finite(to[i]))
      n += 1, px += from[i].x, py += from[i].y, qx += to[i].x, qy += to[i].y;
  ScaleShift fit;
  fit.scale = 0;
  if (n < 1) return fit;
  px /= n, py /= n, qx /= n, qy /= n;
  long double spq = 0, spp = 0;
  for (std::size_t i = 0; i < from.size(); ++i) {
    if (!Finite(from[i]) || !Finite(to[i])) continue;
    const long double dx = from[i].x - px, dy = from[i].y - py;
    spq += dx * (to[i].x - qx) + dy * (to[i].y - qy);
    spp += dx * dx + dy * dy;
  }
  if (!(spp > 0)) return fit;
  fit.scale = static_cast<double>(spq / spp);
  fit.shift = {static_cast<double>(qx - fit.scale * px), static_cast<double>(qy - fit.scale * py)};
  return fit;
}

double LargestMisfit(const ScaleShift& fit, const std::vector<ImagePoint>& from,
                     const std::vector<ImagePoint>& to) {
  double largest = 0;
  for (std::size_t i = 0; i < from.size(); ++i)
    if (Finite(from[i]) && Finite(to[i]))
      largest = std::max(largest, Distance(fit.Map(from[i]), to[i]));
  return largest;
}

std::optional<CommonZoom> FitCommonZoom(const std::vector<std::vector<ImagePoint>>& images,
                                        std::size_t ref) {
  CommonZoom model;
  model.scale.assign(images.size(), 1);
  // t = (1 − s)·c for every image: c by least squares over the images' own fits.
  long double cx = 0, cy = 0, weight = 0;
  for (std::size_t k = 0; k < images.size(); ++k) {
    if (k == ref) continue;
    const ScaleShift fit = FitScaleShift(images[ref], images[k]);
    model.scale[k] = fit.scale;
    cx += (1 - fit.scale) * fit.shift.x, cy += (1 - fit.scale) * fit.shift.y;
    weight += (1 - fit.scale) * (1 - fit.scale);
  }
  if (!(weight > 1e-8L)) return std::nullopt;
  model.centre = {static_cast<double>(cx / weight), static_cast<double>(cy / weight)};
  const std::vector<ImagePoint>& first = images[ref];
  for (int round = 0; round < 30; ++round) {
    for (std::size_t k = 0; k < images.size(); ++k) {
      if (k == ref) continue;
      long double num = 0, den = 0;
      for (std::size_t i = 0; i < first.size(); ++i) {
        if (!Finite(first[i]) || !Finite(images[k][i])) continue;
        const long double ax = first[i].x - model.centre.x, ay = first[i].y - model.centre.y;
        num += ax * (images[k][i].x - model.centre.x) + ay * (images[k][i].y - model.centre.y);
        den += ax * ax + ay * ay;
      }
      if (den > 0) model.scale[k] = static_cast<double>(num / den);
    }
    // p_k − s_k·p_ref = (1 − s_k)·c
    long double sx = 0, sy = 0, w = 0;
    for (std::size_t k = 0; k < images.size(); ++k) {
      if (k == ref) continue;
      const long double a = 1 - model.scale[k];
      for (std::size_t i = 0; i < first.size(); ++i) {
        if (!Finite(first[i]) || !Finite(images[k][i])) continue;
        sx += a * (images[k][i].x - model.scale[k] * first[i].x);
        sy += a * (images[k][i].y - model.scale[k] * first[i].y);
        w += a * a;
      }
    }
    if (!(w > 0)) return std::nullopt;
    model.centre = {static_cast<double>(sx / w), static_cast<double>(sy / w)};
  }
  return model;
}

ImagePoint LensStep::Map(ImagePoint p) const {
  const long double dx = p.x - centre.x, dy = p.y - centre.y;
  const long double rho2 = (dx * dx + dy * dy) / (static_cast<long double>(norm) * norm);
  const long double f = scale * (1 + radial * rho2);
  const long double c = std::cos(static_cast<long double>(turn));
  const long double s = std::sin(static_cast<long double>(turn));
  return {static_cast<double>(centre.x + f * (c * dx - s * dy)),
          static_cast<double>(centre.y + f * (s * dx + c * dy))};
}

ImagePoint LensStep::Unmap(ImagePoint q) const {
  // The turn and the scale undone exactly, then the radial factor by fixed-point steps (it
  // changes the distance by a few percent at most).
  const long double dx = q.x - centre.x, dy = q.y - centre.y;
  const long double c = std::cos(static_cast<long double>(turn));
  const long double s = std::sin(static_cast<long double>(turn));
  const long double ux = (c * dx + s * dy) / scale, uy = (-s * dx + c * dy) / scale;
  long double f = 1;
  for (int i = 0; i < 6; ++i) {
    const long double rho2 = (ux * ux + uy * uy) / (f * f * norm * norm);
    f = 1 + radial * rho2;
  }
  return {static_cast<double>(centre.x + ux / f), static_cast<double>(centre.y + uy / f)};
}

std::optional<LensStep> FitLensStep(const std::vector<ImagePoint>& from,
                                    const std::vector<ImagePoint>& to, double norm,
                                    bool with_radial, double limit) {
  std::vector<char> use(from.size(), 0);
  int count = 0;
  for (std::size_t i = 0; i < from.size(); ++i)
    if (Finite(from[i]) && Finite(to[i])) use[i] = 1, ++count;
  if (count < 4) return std::nullopt;
  std::optional<LensStep> step = FitTurnedSimilarity(from, to, use, norm);
  if (!step || !(std::fabs(step->scale - 1) > 1e-6)) return std::nullopt;
  const std::vector<char> finite = use;
  // Ever closer, so that gross errors weigh in the first fit only.
  for (const double reach : {8.0, 3.0, 1.0}) {
    *step = Refine(*step, from, to, use, with_radial && reach < 8);
    int kept = 0;
    for (std::size_t i = 0; i < from.size(); ++i)
      if (finite[i]) kept += use[i] = Distance(step->Map(from[i]), to[i]) <= reach * limit;
    if (kept < 4) return std::nullopt;
  }
  *step = Refine(*step, from, to, use, with_radial);
  if (!std::isfinite(step->centre.x) || !std::isfinite(step->scale)) return std::nullopt;
  return step;
}

}  // namespace zirt
