#include "diagnostics/diagnostics.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "diagnostics/quantiles.h"

namespace zirt {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Measurement visits the search for gross errors may spend (each refit visits every
// measurement twice): about a second at most, however many measurements stand out.
constexpr double kSearchWork = 1e8;

// A measurement may be set aside while its track has at least this many. Setting aside one of
// a track's last two takes the whole track out of the fit (one measurement fits any line
// through c): with two images that is the only way a gross error can go.
constexpr int kDroppableFrom = 2;

// Where the positions come from: image-major, as loaded, so every pass streams the images.
struct VectorSource {
  const std::vector<std::vector<Position>>& images;
  int Images() const { return static_cast<int>(images.size()); }
  int Count(int k) const { return static_cast<int>(images[std::size_t(k)].size()); }
  Position At(int k, int i) const { return images[std::size_t(k)][std::size_t(i)]; }
  template <typename F>
  void ForImage(int k, int points, F&& f) const {
    const std::vector<Position>& image = images[std::size_t(k)];
    const int n = std::min(points, static_cast<int>(image.size()));
    for (int i = 0; i < n; ++i) f(i, image[std::size_t(i)].x, image[std::size_t(i)].y);
  }
};

struct SetsSource {
  const ImageSets& sets;
  int Images() const { return static_cast<int>(sets.Length()); }
  int Count(int k) const { return sets[k].Count(); }
  Position At(int k, int i) const {
    const VT_Point* p = sets[k].Get(i);
    return {p->X, p->Y};
  }
  template <typename F>
  void ForImage(int k, int points, F&& f) const {
    const VT_Points& image = sets[k];
    const int n = std::min(points, image.Count());
    for (int i = 0; i < n; ++i) {
      const VT_Point* p = image.Get(i);
      f(i, p->X, p->Y);
    }
  }
};

struct ArraysSource {
  const PositionArrays& arrays;
  int Images() const { return static_cast<int>(arrays.xy.size()); }
  int Count(int k) const { return arrays.counts[std::size_t(k)]; }
  Position At(int k, int i) const {
    const double* p = arrays.xy[std::size_t(k)] + 2 * std::size_t(i);
    return {p[0], p[1]};
  }
  template <typename F>
  void ForImage(int k, int points, F&& f) const {
    const double* p = arrays.xy[std::size_t(k)];
    const int n = std::min(points, Count(k));
    for (int i = 0; i < n; ++i) f(i, p[2 * i], p[2 * i + 1]);
  }
};

// A track's used measurements: count, mean and scatter about the mean.
struct Track {
  int n = 0;
  double mx = 0, my = 0;
  double sxx = 0, sxy = 0, syy = 0;
};

// A track's best line through a point c: unit direction u (normal (−uy, ux)); over its
// measurements the sums of t = u·(p − c), t² and r = n·(p − c), and r², the least of which
// the direction makes.
struct Line {
  double ux = 1, uy = 0;
  double T = 0, Q = 0, R = 0, rss = 0;
};

// Unit major axis of the symmetric [[a, b], [b, c]], without cancellation.
void MajorAxis(double a, double b, double c, double& ux, double& uy) {
  const double half = 0.5 * (a - c);
  const double h = std::sqrt(half * half + b * b);
  if (h == 0) {
    ux = 1;
    uy = 0;
    return;
  }
  if (half >= 0) {
    ux = half + h;
    uy = b;
  } else {
    ux = b;
    uy = h - half;
  }
  const double norm = std::sqrt(ux * ux + uy * uy);
  ux /= norm;
  uy /= norm;
}

Line Through(const Track& s, double cx, double cy) {
  Line l;
  const double dx = s.mx - cx, dy = s.my - cy, n = s.n;
  // Scatter about c = scatter about the mean + n·d·dᵀ.
  const double a = s.sxx + n * dx * dx, b = s.sxy + n * dx * dy, c = s.syy + n * dy * dy;
  MajorAxis(a, b, c, l.ux, l.uy);
  const double nx = -l.uy, ny = l.ux;
  l.Q = a * l.ux * l.ux + 2 * b * l.ux * l.uy + c * l.uy * l.uy;
  l.rss = std::max(0.0, a * nx * nx + 2 * b * nx * ny + c * ny * ny);
  l.T = n * (l.ux * dx + l.uy * dy);
  l.R = n * (nx * dx + ny * dy);
  return l;
}

// The reduced normal equations of c at one point: directions eliminated (Schur complement).
struct Normal {
  double a00 = 0, a01 = 0, a11 = 0;  // A
  double g0 = 0, g1 = 0;             // right-hand side of the Gauss–Newton step
  double rss = 0;                    // Σ r² with every direction at its best
};

double Angle(double ux, double uy) {
  double deg = std::atan2(uy, ux) * 180 / 3.14159265358979323846;
  if (deg <= -90) deg += 180;
  if (deg > 90) deg -= 180;
  return deg;
}

// One fit of the common point and the figures of the measurements used there.
struct Fit {
  double cx = 0, cy = 0;
  double p00 = 0, p01 = 0, p11 = 0;  // A⁻¹
  std::vector<Line> lines;
  double rss = 0;  // over the measurements, one by one
  int measurements = 0;
  int tracks = 0;
  int Dof() const { return measurements - 2 - tracks; }
};

template <typename Source>
class Engine {
 public:
  explicit Engine(const Source& source)
      : src_(source),
        images_(source.Images()),
        points_(images_ > 0 ? source.Count(0) : 0),
        tracks_(std::size_t(points_)),
        dropped_(std::size_t(points_)) {}

  Diagnostics Run();
  std::optional<PointEstimate> RefinedOnly();

 private:
  bool Used(int k, int i, double x, double y) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    const std::vector<int>& dropped = dropped_[std::size_t(i)];
    return dropped.empty() || std::find(dropped.begin(), dropped.end(), k) == dropped.end();
  }
  void AccumulateAll();
  void Recompute(int i);
  bool Start(double& cx, double& cy) const;
  Normal At(double cx, double cy) const;
  std::optional<Fit> Solve(double cx, double cy) const;
  void Measure(Fit& fit) const;
  PointEstimate Estimate(const Fit& fit) const;
  FlaggedMeasurement Worst(const Fit& fit, bool& exceeds) const;
  void SetAside(const FlaggedMeasurement& f);
  void Restore();
  void Residuals(const Fit& fit, Diagnostics& d) const;

  const Source& src_;
  const int images_;
  const int points_;
  std::vector<Track> tracks_;
  std::vector<std::vector<int>> dropped_;  // per track, the images of those set aside
  std::vector<FlaggedMeasurement> flagged_;
};

template <typename Source>
void Engine<Source>::AccumulateAll() {
  std::vector<double> sx(std::size_t(points_), 0), sy(std::size_t(points_), 0);
  for (int k = 0; k < images_; ++k)
    src_.ForImage(k, points_, [&](int i, double x, double y) {
      if (!Used(k, i, x, y)) return;
      Track& t = tracks_[std::size_t(i)];
      ++t.n;
      sx[std::size_t(i)] += x;
      sy[std::size_t(i)] += y;
    });
  for (int i = 0; i < points_; ++i) {
    Track& t = tracks_[std::size_t(i)];
    if (t.n == 0) continue;
    t.mx = sx[std::size_t(i)] / t.n;
    t.my = sy[std::size_t(i)] / t.n;
  }
  for (int k = 0; k < images_; ++k)
    src_.ForImage(k, points_, [&](int i, double x, double y) {
      if (!Used(k, i, x, y)) return;
      Track& t = tracks_[std::size_t(i)];
      const double dx = x - t.mx, dy = y - t.my;
      t.sxx += dx * dx;
      t.sxy += dx * dy;
      t.syy += dy * dy;
    });
}

template <typename Source>
void Engine<Source>::Recompute(int i) {
  Track t;
  double sx = 0, sy = 0;
  for (int k = 0; k < images_; ++k) {
    if (i >= src_.Count(k)) continue;
    const Position p = src_.At(k, i);
    if (!Used(k, i, p.x, p.y)) continue;
    ++t.n;
    sx += p.x;
    sy += p.y;
  }
  if (t.n > 0) {
    t.mx = sx / t.n;
    t.my = sy / t.n;
    for (int k = 0; k < images_; ++k) {
      if (i >= src_.Count(k)) continue;
      const Position p = src_.At(k, i);
      if (!Used(k, i, p.x, p.y)) continue;
      const double dx = p.x - t.mx, dy = p.y - t.my;
      t.sxx += dx * dx;
      t.sxy += dx * dy;
      t.syy += dy * dy;
    }
  }
  tracks_[std::size_t(i)] = t;
}

// The least-squares intersection of the tracks' own best lines, each weighed by its count.
template <typename Source>
bool Engine<Source>::Start(double& cx, double& cy) const {
  double a00 = 0, a01 = 0, a11 = 0, b0 = 0, b1 = 0, mx = 0, my = 0;
  int lines = 0;
  for (const Track& t : tracks_) {
    if (t.n < 2) continue;
    mx += t.mx;
    my += t.my;
    ++lines;
    if (t.sxx + t.syy == 0) continue;
    double ux, uy;
    MajorAxis(t.sxx, t.sxy, t.syy, ux, uy);
    const double nx = -uy, ny = ux, w = t.n;
    const double proj = nx * t.mx + ny * t.my;
    a00 += w * nx * nx;
    a01 += w * nx * ny;
    a11 += w * ny * ny;
    b0 += w * nx * proj;
    b1 += w * ny * proj;
  }
  if (lines < 2) return false;
  const double det = a00 * a11 - a01 * a01;
  if (std::isfinite(det) && det > 1e-12 * (a00 + a11) * (a00 + a11)) {
    cx = (a11 * b0 - a01 * b1) / det;
    cy = (a00 * b1 - a01 * b0) / det;
  } else {
    cx = mx / lines;
    cy = my / lines;
  }
  return std::isfinite(cx) && std::isfinite(cy);
}

template <typename Source>
Normal Engine<Source>::At(double cx, double cy) const {
  Normal e;
  for (const Track& t : tracks_) {
    if (t.n < 2) continue;
    const Line l = Through(t, cx, cy);
    const double nx = -l.uy, ny = l.ux;
    // A track constrains c across itself less where the rotation about c absorbs a shift.
    const double w = l.Q > 0 ? t.n - l.T * l.T / l.Q : 0;
    e.a00 += w * nx * nx;
    e.a01 += w * nx * ny;
    e.a11 += w * ny * ny;
    e.g0 += nx * l.R;
    e.g1 += ny * l.R;
    e.rss += l.rss;
  }
  return e;
}

// Levenberg–Marquardt on c with every direction at its best for the current c (variable
// projection): each iteration costs one pass over the tracks.
template <typename Source>
std::optional<Fit> Engine<Source>::Solve(double cx, double cy) const {
  Normal e = At(cx, cy);
  double mu = 0;
  for (int iteration = 0; iteration < 100; ++iteration) {
    const double scale = 0.5 * (e.a00 + e.a11);
    const double a00 = e.a00 + mu * scale, a11 = e.a11 + mu * scale;
    const double det = a00 * a11 - e.a01 * e.a01;
    if (!(det > 0) || !std::isfinite(det)) break;
    const double d0 = (a11 * e.g0 - e.a01 * e.g1) / det;
    const double d1 = (a00 * e.g1 - e.a01 * e.g0) / det;
    // The decrease the step promises; below the rounding of the RSS there is nothing to gain.
    const double promised = d0 * e.g0 + d1 * e.g1;
    if (!(promised > 1e-13 * e.rss)) break;
    const Normal next = At(cx + d0, cy + d1);
    if (next.rss < e.rss) {
      cx += d0;
      cy += d1;
      e = next;
      mu = mu < 1e-9 ? 0 : mu / 10;
    } else {
      mu = mu == 0 ? 1e-4 : mu * 10;
      if (mu > 1e8) break;
    }
  }
  const double det = e.a00 * e.a11 - e.a01 * e.a01;
  const double trace = e.a00 + e.a11;
  if (!std::isfinite(det) || !(det > 1e-13 * trace * trace)) return std::nullopt;
  Fit fit;
  fit.cx = cx;
  fit.cy = cy;
  fit.p00 = e.a11 / det;
  fit.p01 = -e.a01 / det;
  fit.p11 = e.a00 / det;
  fit.lines.resize(tracks_.size());
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    if (tracks_[i].n < 2) continue;
    fit.lines[i] = Through(tracks_[i], cx, cy);
    ++fit.tracks;
  }
  if (fit.tracks < 2) return std::nullopt;
  Measure(fit);
  return fit;
}

// RSS and the count of the measurements used, measurement by measurement.
template <typename Source>
void Engine<Source>::Measure(Fit& fit) const {
  double rss = 0;
  int used = 0;
  for (int k = 0; k < images_; ++k)
    src_.ForImage(k, points_, [&](int i, double x, double y) {
      if (tracks_[std::size_t(i)].n < 2 || !Used(k, i, x, y)) return;
      const Line& l = fit.lines[std::size_t(i)];
      const double r = l.ux * (y - fit.cy) - l.uy * (x - fit.cx);
      rss += r * r;
      ++used;
    });
  fit.rss = rss;
  fit.measurements = used;
}

template <typename Source>
PointEstimate Engine<Source>::Estimate(const Fit& fit) const {
  PointEstimate e;
  e.x = fit.cx;
  e.y = fit.cy;
  e.measurements = fit.measurements;
  e.tracks = fit.tracks;
  e.dof = fit.Dof();
  e.rms_px = fit.measurements > 0 ? std::sqrt(fit.rss / fit.measurements) : kNaN;
  e.track_angle_deg.assign(tracks_.size(), kNaN);
  for (std::size_t i = 0; i < tracks_.size(); ++i)
    if (tracks_[i].n >= 2) e.track_angle_deg[i] = Angle(fit.lines[i].ux, fit.lines[i].uy);
  e.has_uncertainty = e.dof > 0;
  if (!e.has_uncertainty) {
    e.sigma0_px = e.cov_xx = e.cov_xy = e.cov_yy = e.sigma_x = e.sigma_y = e.correlation = kNaN;
    e.major_px = e.minor_px = e.angle_deg = kNaN;
    return e;
  }
  const double s2 = fit.rss / e.dof;
  e.sigma0_px = std::sqrt(s2);
  e.cov_xx = s2 * fit.p00;
  e.cov_xy = s2 * fit.p01;
  e.cov_yy = s2 * fit.p11;
  e.sigma_x = std::sqrt(e.cov_xx);
  e.sigma_y = std::sqrt(e.cov_yy);
  e.correlation = e.sigma_x > 0 && e.sigma_y > 0 ? e.cov_xy / (e.sigma_x * e.sigma_y) : kNaN;
  double ux, uy;
  MajorAxis(e.cov_xx, e.cov_xy, e.cov_yy, ux, uy);
  const double big = e.cov_xx * ux * ux + 2 * e.cov_xy * ux * uy + e.cov_yy * uy * uy;
  const double small = std::max(0.0, e.cov_xx + e.cov_yy - big);
  const double f2 = 2 * Fisher2Quantile(e.dof, 0.95);
  e.major_px = std::sqrt(f2 * big);
  e.minor_px = std::sqrt(f2 * small);
  e.angle_deg = Angle(ux, uy);
  return e;
}

// The measurement with the largest externally studentised residual among those that may go,
// and whether it exceeds the Bonferroni bound. The leverage comes from the full Jacobian, the
// measurement's own track direction included.
template <typename Source>
FlaggedMeasurement Engine<Source>::Worst(const Fit& fit, bool& exceeds) const {
  const int dof = fit.Dof();
  exceeds = false;
  FlaggedMeasurement f;
  if (dof < 2 || fit.measurements < 1) return f;
  const double bound = StudentTUpper(dof - 1, kOutlierLevel / 2 / fit.measurements);
  // Per track: direction, T/Q, 1/Q and nᵀ(JᵀJ)⁻¹n of the c block.
  struct Lever {
    double ux, uy, toq, iq, npn;
  };
  std::vector<Lever> lever(tracks_.size());
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    if (tracks_[i].n < kDroppableFrom) continue;
    const Line& l = fit.lines[i];
    const double nx = -l.uy, ny = l.ux, iq = l.Q > 0 ? 1 / l.Q : 0;
    lever[i] = {l.ux, l.uy, l.T * iq, iq,
                fit.p00 * nx * nx + 2 * fit.p01 * nx * ny + fit.p11 * ny * ny};
  }
  // Residuals at the level of rounding say nothing: exact data flag nothing.
  const double floor = 1e-10 * (1 + std::hypot(fit.cx, fit.cy));
  const double floor_dof = floor * floor * (dof - 1);
  // t² = r²·(dof − 1) / (RSS·(1 − h) − r²), the leave-one-out variance kept above the floor;
  // the largest is kept as a fraction to spare a division per measurement.
  double best_num = 0, best_den = 1;
  int worst_k = -1, worst_i = -1;
  for (int k = 0; k < images_; ++k)
    src_.ForImage(k, points_, [&](int i, double x, double y) {
      if (tracks_[std::size_t(i)].n < kDroppableFrom || !Used(k, i, x, y)) return;
      const Lever& l = lever[std::size_t(i)];
      const double dx = x - fit.cx, dy = y - fit.cy;
      const double along = l.ux * dx + l.uy * dy;
      const double r = l.ux * dy - l.uy * dx;
      const double lean = 1 - along * l.toq;
      const double free = 1 - lean * lean * l.npn - along * along * l.iq;
      if (!(free > 1e-9) || std::fabs(r) <= floor) return;
      const double num = r * r;
      const double den = std::max(fit.rss * free - num, floor_dof * free);
      if (num * best_den > best_num * den) {
        best_num = num;
        best_den = den;
        worst_k = k;
        worst_i = i;
      }
    });
  if (worst_k < 0) return f;
  f.image = worst_k;
  f.point = worst_i;
  f.studentized = std::sqrt(best_num * (dof - 1) / best_den);
  exceeds = f.studentized > bound;
  return f;
}

template <typename Source>
void Engine<Source>::SetAside(const FlaggedMeasurement& f) {
  flagged_.push_back(f);
  dropped_[std::size_t(f.point)].push_back(f.image);
  Recompute(f.point);
}

template <typename Source>
void Engine<Source>::Restore() {
  const FlaggedMeasurement f = flagged_.back();
  flagged_.pop_back();
  dropped_[std::size_t(f.point)].pop_back();
  Recompute(f.point);
}

// Distances from the robust fit's lines: per image, per point and of the flagged ones. A track
// set aside keeps the line through c and its one remaining measurement.
template <typename Source>
void Engine<Source>::Residuals(const Fit& fit, Diagnostics& d) const {
  std::vector<Line> lines = fit.lines;
  std::vector<char> has_line(std::size_t(points_), 0);
  for (int i = 0; i < points_; ++i) {
    const Track& t = tracks_[std::size_t(i)];
    if (t.n >= 2) {
      has_line[std::size_t(i)] = 1;
    } else if (t.n == 1) {
      Line& l = lines[std::size_t(i)];
      const double len = std::hypot(t.mx - fit.cx, t.my - fit.cy);
      l.ux = len > 0 ? (t.mx - fit.cx) / len : 1;
      l.uy = len > 0 ? (t.my - fit.cy) / len : 0;
      has_line[std::size_t(i)] = 1;
    }
  }
  std::vector<double> image_ss(std::size_t(images_), 0), point_ss(std::size_t(points_), 0);
  for (int k = 0; k < images_; ++k)
    src_.ForImage(k, points_, [&](int i, double x, double y) {
      if (!has_line[std::size_t(i)] || !std::isfinite(x) || !std::isfinite(y)) return;
      const Line& l = lines[std::size_t(i)];
      const double r = l.ux * (y - fit.cy) - l.uy * (x - fit.cx);
      image_ss[std::size_t(k)] += r * r;
      point_ss[std::size_t(i)] += r * r;
      ++d.images[std::size_t(k)].measurements;
      ++d.points[std::size_t(i)].measurements;
    });
  for (int k = 0; k < images_; ++k) {
    ImageResidual& r = d.images[std::size_t(k)];
    r.rms_px = r.measurements > 0 ? std::sqrt(image_ss[std::size_t(k)] / r.measurements) : kNaN;
  }
  for (int i = 0; i < points_; ++i) {
    PointResidual& r = d.points[std::size_t(i)];
    r.rms_px = r.measurements > 0 ? std::sqrt(point_ss[std::size_t(i)] / r.measurements) : kNaN;
  }
  for (FlaggedMeasurement& f : d.outliers) {
    const Position p = src_.At(f.image, f.point);
    const Line& l = lines[std::size_t(f.point)];
    f.residual_px = std::fabs(l.ux * (p.y - fit.cy) - l.uy * (p.x - fit.cx));
    d.points[std::size_t(f.point)].flagged = true;
  }
}

template <typename Source>
Diagnostics Engine<Source>::Run() {
  Diagnostics d;
  d.images.assign(std::size_t(images_), ImageResidual{0, kNaN});
  d.points.assign(std::size_t(points_), PointResidual{0, kNaN, false});
  AccumulateAll();
  double cx = 0, cy = 0;
  if (!Start(cx, cy)) return d;
  std::optional<Fit> fit = Solve(cx, cy);
  if (!fit) return d;
  d.refined = Estimate(*fit);
  const double rounds = std::max(1.0, kSearchWork / 2 / std::max(1, fit->measurements));
  for (int round = 0;; ++round) {
    bool exceeds = false;
    const FlaggedMeasurement worst = Worst(*fit, exceeds);
    if (!exceeds) break;
    if (round >= rounds) {  // Out of work while one still stands out: say so.
      d.outlier_search_cut = true;
      break;
    }
    SetAside(worst);
    std::optional<Fit> next = Solve(fit->cx, fit->cy);
    if (!next) {  // Setting it aside would leave the equations singular: keep it.
      Restore();
      break;
    }
    fit = std::move(next);
  }
  d.outliers = flagged_;
  d.robust = Estimate(*fit);
  Residuals(*fit, d);
  return d;
}

template <typename Source>
std::optional<PointEstimate> Engine<Source>::RefinedOnly() {
  AccumulateAll();
  double cx = 0, cy = 0;
  if (!Start(cx, cy)) return std::nullopt;
  const std::optional<Fit> fit = Solve(cx, cy);
  if (!fit) return std::nullopt;
  return Estimate(*fit);
}

}  // namespace

std::optional<PointEstimate> RefinedPoint(const PositionArrays& images) {
  const ArraysSource source{images};
  return Engine<ArraysSource>(source).RefinedOnly();
}

std::optional<PointEstimate> RefinedPoint(const ImageSets& images) {
  const SetsSource source{images};
  return Engine<SetsSource>(source).RefinedOnly();
}

bool Consistent(const std::optional<PointEstimate>& refined) {
  return !refined || !refined->has_uncertainty || !(refined->sigma0_px > kConsistentSigmaPx);
}

Diagnostics Diagnose(const std::vector<std::vector<Position>>& images) {
  const VectorSource source{images};
  return Engine<VectorSource>(source).Run();
}

Diagnostics Diagnose(const ImageSets& images) {
  const SetsSource source{images};
  return Engine<SetsSource>(source).Run();
}

}  // namespace zirt
