#include "diagnostics/sequence_test.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <limits>

#include "data/filled_text.h"
#include "data/number_format.h"
#include "data/text_file.h"
#include "diagnostics/quantiles.h"

namespace zirt {
namespace {

using Real = long double;

constexpr double kNotSeen = std::numeric_limits<double>::quiet_NaN();

// A track's line through c: unit direction u, normal n, and over its measurements the
// count, Σt and Σt² of the along-track coordinate t = u·(p − c).
struct TrackLine {
  int n = 0;
  Real ux = 1, uy = 0, T = 0, Q = 0;
};

bool Finite(const Position& p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}

SequenceTest Run(const std::vector<std::vector<Position>>& images, double cx, double cy) {
  SequenceTest test;
  const int k_images = static_cast<int>(images.size());
  test.images.assign(images.size(), ImageShift{});
  if (k_images < 3 || !std::isfinite(cx) || !std::isfinite(cy)) return test;
  const std::size_t points = images[0].size();
  const auto at = [&](int k, std::size_t i) -> const Position* {
    const auto& image = images[std::size_t(k)];
    return i < image.size() && Finite(image[i]) ? &image[i] : nullptr;
  };

  // Each track's best line through c: the major axis of its scatter about c.
  std::vector<TrackLine> lines(points);
  int measurements = 0, tracks = 0;
  for (std::size_t i = 0; i < points; ++i) {
    Real sxx = 0, sxy = 0, syy = 0;
    TrackLine& l = lines[i];
    for (int k = 0; k < k_images; ++k)
      if (const Position* p = at(k, i)) {
        const Real dx = p->x - cx, dy = p->y - cy;
        sxx += dx * dx;
        sxy += dx * dy;
        syy += dy * dy;
        ++l.n;
      }
    if (l.n < 2) continue;
    const Real half = (sxx - syy) / 2, h = std::sqrt(half * half + sxy * sxy);
    Real ux = half >= 0 ? half + h : sxy, uy = half >= 0 ? sxy : h - half;
    const Real norm = std::sqrt(ux * ux + uy * uy);
    if (norm == 0) continue;
    l.ux = ux / norm;
    l.uy = uy / norm;
    for (int k = 0; k < k_images; ++k)
      if (const Position* p = at(k, i)) {
        const Real t = l.ux * (p->x - cx) + l.uy * (p->y - cy);
        l.T += t;
        l.Q += t * t;
      }
    measurements += l.n;
    ++tracks;
  }
  const int dof = measurements - 2 - tracks;
  // Two more parameters per tested image leave dof − 2.
  if (dof - 2 < 1 || tracks < 2) return test;

  // The reduced normal matrix of c with the directions eliminated, and its inverse P.
  Real s00 = 0, s01 = 0, s11 = 0, rss = 0;
  for (std::size_t i = 0; i < points; ++i) {
    const TrackLine& l = lines[i];
    if (l.n < 2 || l.Q <= 0) continue;
    const Real nx = -l.uy, ny = l.ux, w = l.n - l.T * l.T / l.Q;
    s00 += w * nx * nx;
    s01 += w * nx * ny;
    s11 += w * ny * ny;
  }
  const Real det = s00 * s11 - s01 * s01;
  if (!(det > 1e-13L * (s00 + s11) * (s00 + s11))) return test;
  const Real p00 = s11 / det, p01 = -s01 / det, p11 = s00 / det;
  for (int k = 0; k < k_images; ++k)
    for (std::size_t i = 0; i < points; ++i)
      if (const Position* p = at(k, i); p && lines[i].n >= 2) {
        const Real r = lines[i].ux * (p->y - cy) - lines[i].uy * (p->x - cx);
        rss += r * r;
      }

  test.defined = true;
  test.bound = Fisher2Quantile(dof - 2, 1 - kShiftLevel / k_images);
  for (int k = 0; k < k_images; ++k) {
    // M = X_dᵀ(I − H)X_d for the shift's two columns, and X_dᵀr: what the centre and the
    // directions cannot absorb of a shift is what the image's residuals can show of it.
    Real m00 = 0, m01 = 0, m11 = 0, g00 = 0, g01 = 0, g11 = 0, b0 = 0, b1 = 0;
    for (std::size_t i = 0; i < points; ++i) {
      const Position* p = at(k, i);
      const TrackLine& l = lines[i];
      if (!p || l.n < 2 || l.Q <= 0) continue;
      const Real nx = -l.uy, ny = l.ux;
      const Real dx = p->x - cx, dy = p->y - cy;
      const Real t = l.ux * dx + l.uy * dy, r = nx * dx + ny * dy;
      const Real keep = 1 - t * t / l.Q, lean = 1 - l.T * t / l.Q;
      m00 += keep * nx * nx;
      m01 += keep * nx * ny;
      m11 += keep * ny * ny;
      g00 += lean * nx * nx;
      g01 += lean * nx * ny;
      g11 += lean * ny * ny;
      b0 += nx * r;
      b1 += ny * r;
    }
    // M −= Gᵀ P G, G symmetric.
    const Real q00 = p00 * g00 + p01 * g01, q01 = p00 * g01 + p01 * g11;
    const Real q10 = p01 * g00 + p11 * g01, q11 = p01 * g01 + p11 * g11;
    m00 -= g00 * q00 + g01 * q10;
    m01 -= g00 * q01 + g01 * q11;
    m11 -= g01 * q01 + g11 * q11;
    const Real mdet = m00 * m11 - m01 * m01;
    ImageShift& s = test.images[std::size_t(k)];
    if (!(mdet > 1e-10L * (m00 + m11) * (m00 + m11))) continue;
    const Real i00 = m11 / mdet, i01 = -m01 / mdet, i11 = m00 / mdet;
    const Real dx = i00 * b0 + i01 * b1, dy = i01 * b0 + i11 * b1;
    const Real explained = dx * b0 + dy * b1;  // d̂ᵀ M d̂
    const Real s2 = std::max<Real>(rss - explained, 0) / (dof - 2);
    s.defined = true;
    s.dx = double(dx);
    s.dy = double(dy);
    s.sigma_x = double(std::sqrt(s2 * i00));
    s.sigma_y = double(std::sqrt(s2 * i11));
    // Exact data explain everything: nothing to test against.
    const Real floor = 1e-20L * (1 + cx * cx + cy * cy);
    s.statistic = s2 > floor ? double(explained / 2 / s2) : 0;
    s.flagged = s.statistic > test.bound;
  }
  return test;
}

std::optional<PointEstimate> RefinedOf(const std::vector<std::vector<Position>>& images) {
  std::vector<std::vector<double>> flat(images.size());
  PositionArrays arrays;
  for (std::size_t k = 0; k < images.size(); ++k) {
    for (const Position& p : images[k]) flat[k].insert(flat[k].end(), {p.x, p.y});
    arrays.xy.push_back(flat[k].data());
    arrays.counts.push_back(static_cast<int>(images[k].size()));
  }
  return RefinedPoint(arrays);
}

// One decimal, the regional separator and a true minus sign, as the sentence reads.
std::string Shift(double v) {
  const std::string text = FormatFixed(std::fabs(v), 18, 1);
  return (v < 0 && text.find_first_not_of("0.,") != std::string::npos ? "−" : "") + text;
}

}  // namespace

SequenceTest TestSequence(const std::vector<std::vector<Position>>& images, double cx, double cy) {
  return Run(images, cx, cy);
}

SequenceTest TestSequence(const ImageSets& images, double cx, double cy) {
  return Run(PositionsOf(images), cx, cy);
}

SequenceTest TestSequence(const std::vector<std::vector<Position>>& images, const Diagnostics& d) {
  if (!d.refined) {
    SequenceTest none;
    none.images.assign(images.size(), ImageShift{});
    return none;
  }
  if (d.outliers.empty()) return Run(images, d.refined->x, d.refined->y);
  // A gross error leans its track's line, and the lean shows as a shift of the images at the
  // track's far end rather than of the one measured wrongly (two swapped points of one image
  // blamed its neighbours). Each image is tested with the other images' gross errors left
  // out and its own kept: a shifted image's measurements, set aside as gross, still show.
  SequenceTest test;
  test.images.assign(images.size(), ImageShift{});
  test.set_aside.assign(images.size(), {});
  for (const FlaggedMeasurement& m : d.outliers)
    if (std::size_t(m.image) < images.size())
      test.set_aside[std::size_t(m.image)].push_back(m.point);
  for (auto& points : test.set_aside) std::sort(points.begin(), points.end());
  for (std::size_t k = 0; k < images.size(); ++k) {
    std::vector<std::vector<Position>> kept = images;
    for (const FlaggedMeasurement& m : d.outliers)
      if (std::size_t(m.image) != k && std::size_t(m.point) < kept[std::size_t(m.image)].size())
        kept[std::size_t(m.image)][std::size_t(m.point)] = {kNotSeen, kNotSeen};
    // The test measures a shift against the best fit of the very measurements it holds.
    const std::optional<PointEstimate> centre = RefinedOf(kept);
    if (!centre) continue;
    const SequenceTest own = Run(kept, centre->x, centre->y);
    if (!own.defined) continue;
    test.defined = true;
    test.bound = own.bound;
    test.images[k] = own.images[k];
  }
  return test;
}

SequenceTest TestSequence(const ImageSets& images, const Diagnostics& d) {
  return TestSequence(PositionsOf(images), d);
}

std::vector<std::string> SequenceFindings(const SequenceTest& test,
                                          const std::vector<std::string>& names) {
  std::vector<std::string> lines;
  if (test.images.size() < 3) {
    lines.push_back(Filled(QCoreApplication::translate(
        "SequenceTest", "Проверка сдвига снимков не определена: нужно не меньше трёх снимков.")));
    return lines;
  }
  if (!test.defined) {
    lines.push_back(Filled(QCoreApplication::translate(
        "SequenceTest", "Проверка сдвига снимков не определена: общая точка не найдена.")));
    return lines;
  }
  // The likeliest first: one moved image also leans the others' tests (with three images a
  // shift of any one is indistinguishable from a shift of another).
  std::vector<std::size_t> order;
  for (std::size_t k = 0; k < test.images.size(); ++k)
    if (test.images[k].flagged) order.push_back(k);
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    return test.images[a].statistic > test.images[b].statistic;
  });
  for (const std::size_t k : order) {
    const ImageShift& s = test.images[k];
    const std::string name = k < names.size() ? ShortName(names[k]) : std::to_string(k + 1);
    lines.push_back(
        Filled(QCoreApplication::translate("SequenceTest",
                                           "снимок %1 сдвинут на (%2; %3) пикс.: камера "
                                           "сдвинулась или центр зума сместился"),
               {name, Shift(s.dx), Shift(s.dy)}));
  }
  if (lines.empty())
    lines.push_back(Filled(QCoreApplication::translate(
        "SequenceTest", "Ни один снимок не сдвинут относительно общей точки.")));
  if (order.size() > 1)
    lines.push_back(Filled(QCoreApplication::translate(
        "SequenceTest",
        "Сдвиг одного снимка сказывается на проверке других: вероятнее всего сдвинут первый "
        "названный.")));
  for (std::size_t k = 0; k < test.set_aside.size(); ++k) {
    const std::vector<int>& points = test.set_aside[k];
    // A shifted image's measurements stand out because it moved, which its line says.
    if (points.empty() || (k < test.images.size() && test.images[k].flagged)) continue;
    constexpr std::size_t kNamed = 5;
    std::string list;
    for (std::size_t j = 0; j < std::min(points.size(), kNamed); ++j)
      list += (j ? ", " : "") + std::to_string(points[j] + 1);
    if (points.size() > kNamed)
      list += Filled(QCoreApplication::translate("SequenceTest", " и ещё %1"),
                     {std::to_string(points.size() - kNamed)});
    const std::string name = k < names.size() ? ShortName(names[k]) : std::to_string(k + 1);
    lines.push_back(Filled(points.size() > 1
                               ? QCoreApplication::translate(
                                     "SequenceTest",
                                     "в снимке %1 отброшены грубые измерения (точки %2): точки "
                                     "пронумерованы неверно или измерены с ошибкой; сдвиг других "
                                     "снимков проверен без них")
                               : QCoreApplication::translate(
                                     "SequenceTest",
                                     "в снимке %1 отброшены грубые измерения (точка %2): точки "
                                     "пронумерованы неверно или измерены с ошибкой; сдвиг других "
                                     "снимков проверен без них"),
                           {name, list}));
  }
  return lines;
}

}  // namespace zirt
