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

// The images read by track: reference point i of image k, where that image measured it.
struct Tracks {
  const std::vector<std::vector<Position>>& images;
  int Images() const { return static_cast<int>(images.size()); }
  std::size_t Points() const { return images[0].size(); }
  const Position* At(int k, std::size_t i) const {
    const auto& image = images[std::size_t(k)];
    return i < image.size() && Finite(image[i]) ? &image[i] : nullptr;
  }
};

// What every image's test takes: the tracks' lines through c, P the inverse of the reduced
// normal matrix of c with the directions eliminated, and the RSS with its degrees of freedom.
struct LineFit {
  std::vector<TrackLine> lines;
  Real p00 = 0, p01 = 0, p11 = 0, rss = 0;
  int dof = 0;
};

// Track i's best line through c, the major axis of its scatter about c, into l (whose count
// is the track's measurements either way); whether it has one: two measurements or more, not
// all at c.
bool LineThrough(const Tracks& t, std::size_t i, double cx, double cy, TrackLine& l) {
  Real sxx = 0, sxy = 0, syy = 0;
  for (int k = 0; k < t.Images(); ++k)
    if (const Position* p = t.At(k, i)) {
      const Real dx = p->x - cx, dy = p->y - cy;
      sxx += dx * dx;
      sxy += dx * dy;
      syy += dy * dy;
      ++l.n;
    }
  if (l.n < 2) return false;
  const Real half = (sxx - syy) / 2, h = std::sqrt(half * half + sxy * sxy);
  Real ux = half >= 0 ? half + h : sxy, uy = half >= 0 ? sxy : h - half;
  const Real norm = std::sqrt(ux * ux + uy * uy);
  if (norm == 0) return false;
  l.ux = ux / norm;
  l.uy = uy / norm;
  for (int k = 0; k < t.Images(); ++k)
    if (const Position* p = t.At(k, i)) {
      const Real along = l.ux * (p->x - cx) + l.uy * (p->y - cy);
      l.T += along;
      l.Q += along * along;
    }
  return true;
}

// P into f from f's lines; whether the reduced normal matrix is regular.
bool InvertNormal(LineFit& f) {
  Real s00 = 0, s01 = 0, s11 = 0;
  for (const TrackLine& l : f.lines) {
    if (l.n < 2 || l.Q <= 0) continue;
    const Real nx = -l.uy, ny = l.ux, w = l.n - l.T * l.T / l.Q;
    s00 += w * nx * nx;
    s01 += w * nx * ny;
    s11 += w * ny * ny;
  }
  const Real det = s00 * s11 - s01 * s01;
  if (!(det > 1e-13L * (s00 + s11) * (s00 + s11))) return false;
  f.p00 = s11 / det;
  f.p01 = -s01 / det;
  f.p11 = s00 / det;
  return true;
}

// The RSS about the lines, image by image.
Real RssOf(const Tracks& t, const std::vector<TrackLine>& lines, double cx, double cy) {
  Real rss = 0;
  for (int k = 0; k < t.Images(); ++k)
    for (std::size_t i = 0; i < t.Points(); ++i)
      if (const Position* p = t.At(k, i); p && lines[i].n >= 2) {
        const Real r = lines[i].ux * (p->y - cy) - lines[i].uy * (p->x - cx);
        rss += r * r;
      }
  return rss;
}

// Image k's shift, tested against `bound`. M = X_dᵀ(I − H)X_d for the shift's two columns,
// and X_dᵀr: what the centre and the directions cannot absorb of a shift is what the image's
// residuals can show of it.
ImageShift ShiftOf(const Tracks& t, int k, const LineFit& f, double cx, double cy, double bound) {
  Real m00 = 0, m01 = 0, m11 = 0, g00 = 0, g01 = 0, g11 = 0, b0 = 0, b1 = 0;
  for (std::size_t i = 0; i < t.Points(); ++i) {
    const Position* p = t.At(k, i);
    const TrackLine& l = f.lines[i];
    if (!p || l.n < 2 || l.Q <= 0) continue;
    const Real nx = -l.uy, ny = l.ux;
    const Real dx = p->x - cx, dy = p->y - cy;
    const Real along = l.ux * dx + l.uy * dy, r = nx * dx + ny * dy;
    const Real keep = 1 - along * along / l.Q, lean = 1 - l.T * along / l.Q;
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
  const Real q00 = f.p00 * g00 + f.p01 * g01, q01 = f.p00 * g01 + f.p01 * g11;
  const Real q10 = f.p01 * g00 + f.p11 * g01, q11 = f.p01 * g01 + f.p11 * g11;
  m00 -= g00 * q00 + g01 * q10;
  m01 -= g00 * q01 + g01 * q11;
  m11 -= g01 * q01 + g11 * q11;
  const Real mdet = m00 * m11 - m01 * m01;
  ImageShift s;
  if (!(mdet > 1e-10L * (m00 + m11) * (m00 + m11))) return s;
  const Real i00 = m11 / mdet, i01 = -m01 / mdet, i11 = m00 / mdet;
  const Real dx = i00 * b0 + i01 * b1, dy = i01 * b0 + i11 * b1;
  const Real explained = dx * b0 + dy * b1;  // d̂ᵀ M d̂
  const Real s2 = std::max<Real>(f.rss - explained, 0) / (f.dof - 2);
  s.defined = true;
  s.dx = double(dx);
  s.dy = double(dy);
  s.sigma_x = double(std::sqrt(s2 * i00));
  s.sigma_y = double(std::sqrt(s2 * i11));
  // Exact data explain everything: nothing to test against.
  const Real floor = 1e-20L * (1 + cx * cx + cy * cy);
  s.statistic = s2 > floor ? double(explained / 2 / s2) : 0;
  s.flagged = s.statistic > bound;
  return s;
}

SequenceTest Run(const std::vector<std::vector<Position>>& images, double cx, double cy) {
  SequenceTest test;
  const int k_images = static_cast<int>(images.size());
  test.images.assign(images.size(), ImageShift{});
  if (k_images < 3 || !std::isfinite(cx) || !std::isfinite(cy)) return test;
  const Tracks t{images};
  LineFit f;
  f.lines.resize(t.Points());
  int measurements = 0, tracks = 0;
  for (std::size_t i = 0; i < t.Points(); ++i)
    if (LineThrough(t, i, cx, cy, f.lines[i])) {
      measurements += f.lines[i].n;
      ++tracks;
    }
  f.dof = measurements - 2 - tracks;
  // Two more parameters per tested image leave dof − 2.
  if (f.dof - 2 < 1 || tracks < 2 || !InvertNormal(f)) return test;
  f.rss = RssOf(t, f.lines, cx, cy);
  test.defined = true;
  test.bound = Fisher2Quantile(f.dof - 2, 1 - kShiftLevel / k_images);
  for (int k = 0; k < k_images; ++k)
    test.images[std::size_t(k)] = ShiftOf(t, k, f, cx, cy, test.bound);
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
