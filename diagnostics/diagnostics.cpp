#include "diagnostics/diagnostics.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <random>
#include <type_traits>

#include "diagnostics/position_sources.h"
#include "diagnostics/quantiles.h"
#include "diagnostics/track_lines.h"
#include "diagnostics/track_pairs.h"
#include "diagnostics/track_parts.h"

namespace zirt {
namespace {

using namespace diagnostics_detail;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The high-breakdown start: tracks sampled, candidate points tried, and the quantile of the
// residuals it minimises. The quantile stays below the clean share of measurements even when
// three in ten are gross errors on two images, where a gross error spoils its whole track.
constexpr std::size_t kSampleTracks = 400;
constexpr int kCandidates = 150;
constexpr double kStartQuantile = 0.25;
// |z| of a standard normal at that quantile, to make a scale of it.
constexpr double kStartQuantileZ = 0.31864;
// Measurements this many scales from the start's lines are set aside before the first refit.
constexpr double kPrescreen = 3.5;
// Gross errors that mask one another raise the spread of the fit of all measurements well
// above that of the measurements near the high-breakdown point's lines; below this ratio of
// the two the set is taken to hide none.
constexpr double kHiddenSpread = 1.5;
// Rounds of taking back and setting aside after the first refit.
constexpr int kRebalanceRounds = 10;
// A track of this many measurements or more cannot be pulled by one gross error so far that
// another measurement stands out more than it does.
constexpr int kPeelFrom = 8;
// The adaptive cut is made where the test set aside at least this many measurements and one
// in a hundred: a set with a gross error or two keeps the test's own bound.
constexpr std::size_t kCutFrom = 3;
// The cut is never below this many σ.
constexpr double kCutLeast = 3.0;
// Beyond twice this many tracks the first robust fit is made on an even sample of this many.
constexpr std::size_t kSampleFitTracks = 10000;

// A measurement may be set aside while its track has at least this many. Setting aside one of
// a track's last two takes the whole track out of the fit (one measurement fits any line
// through c): with two images that is the only way a gross error can go.
constexpr int kDroppableFrom = 2;
// The most measurements a judging pass makes room for at once in a list of those that went;
// beyond, the list grows as it fills.
constexpr std::size_t kOutRoom = std::size_t{1} << 24;
// How many tracks ahead a pass over the track-major copy asks for the memory it will read.
constexpr int kAhead = 16;

// The reduced normal equations of c at one point: directions eliminated (Schur complement).
struct Normal {
  double a00 = 0, a01 = 0, a11 = 0;  // A
  double g0 = 0, g1 = 0;             // right-hand side of the Gauss–Newton step
  double rss = 0;                    // Σ r² with every direction at its best
  int tracks = 0, measurements = 0;  // of the tracks with two measurements or more
};

double Angle(double ux, double uy) {
  double deg = std::atan2(uy, ux) * 180 / 3.14159265358979323846;
  if (deg <= -90) deg += 180;
  if (deg > 90) deg -= 180;
  return deg;
}

// The measurement that may go with the largest r² / (1 − h), its r² and 1 − h: the one with
// the largest externally studentised residual, whatever the RSS.
struct Standout {
  int image = -1, point = -1;
  double r2 = 0, free = 1;
  // Whether a measurement with r2 and free stands out more; the first found wins a tie.
  bool Below(double other_r2, double other_free) const { return other_r2 * free > r2 * other_free; }
  void Take(const Standout& other) {
    if (other.image >= 0 && Below(other.r2, other.free)) *this = other;
  }
  // A measurement in the fit with residual r and 1 − h `free`: it may go unless it lies within
  // rounding of its line (|r| ≤ floor) or the fit leaves it no variance.
  void Offer(int at_image, int at_point, double r, double free, double floor) {
    if (free > 1e-9 && std::fabs(r) > floor && Below(r * r, free))
      *this = {at_image, at_point, r * r, free};
  }
};

// What is left of a measurement's variance in the fit, 1 − h: `along` its distance from c along
// its track's line, `toq` that line's T/Q, `v` the track's leverage.
double FreeOf(double along, double toq, const Leverage& v) {
  const double lean = 1 - along * toq;
  return 1 - lean * lean * v.npn - along * along * v.iq;
}

// One fit of the common point and the figures of the measurements used there.
struct Fit {
  double cx = 0, cy = 0;
  double p00 = 0, p01 = 0, p11 = 0;  // A⁻¹
  UnfilledVector<Line> lines;
  double rss = 0;  // over the measurements, one by one
  int measurements = 0;
  int tracks = 0;
  Standout worst;
  // Squared residuals and counts per image and per point, when Measure added them up.
  std::vector<double> image_ss, point_ss;
  std::vector<int> image_n, point_n;
  bool measured = true;  // rss, measurements and the worst measurement by Measure
  int Dof() const { return measurements - 2 - tracks; }
};

// The measurements set aside, by track and image: a bit per image while the images fit in a
// word (every pass asks for every measurement), a list per track beyond.
class AsideSet {
 public:
  AsideSet(int tracks, int images)
      : bits_(images <= 64 ? std::size_t(tracks) : 0, 0),
        lists_(images <= 64 ? 0 : std::size_t(tracks)) {}
  // Whether track i has any measurement set aside.
  bool Any(int i) const {
    return !bits_.empty() ? bits_[std::size_t(i)] != 0 : !lists_[std::size_t(i)].empty();
  }
  bool Has(int i, int k) const {
    if (!bits_.empty()) return bits_[std::size_t(i)] >> k & 1;
    const std::vector<int>& l = lists_[std::size_t(i)];
    return !l.empty() && std::find(l.begin(), l.end(), k) != l.end();
  }
  void Add(int i, int k) {
    if (!bits_.empty()) {
      bits_[std::size_t(i)] |= std::uint64_t{1} << k;
    } else {
      lists_[std::size_t(i)].push_back(k);
    }
  }
  void Remove(int i, int k) {
    if (!bits_.empty()) {
      bits_[std::size_t(i)] &= ~(std::uint64_t{1} << k);
    } else {
      std::vector<int>& l = lists_[std::size_t(i)];
      l.erase(std::find(l.begin(), l.end(), k));
    }
  }
  // Whether the measurements set aside are kept as a word per track, and track i's word.
  bool InWords() const { return !bits_.empty(); }
  std::uint64_t Word(int i) const { return bits_[std::size_t(i)]; }
  void SetWord(int i, std::uint64_t word) { bits_[std::size_t(i)] = word; }
  void Clear(int i) {
    if (!bits_.empty()) {
      bits_[std::size_t(i)] = 0;
    } else {
      lists_[std::size_t(i)].clear();
    }
  }

 private:
  std::vector<std::uint64_t> bits_;
  std::vector<std::vector<int>> lists_;
};

template <typename Source>
class Engine {
 public:
  // `sums`: the track-major copy's sums of its tracks, which the engine then keeps.
  explicit Engine(const Source& source, double search_work, UnfilledVector<Track> sums = {})
      : given_sums_(std::move(sums)),
        search_work_(search_work),
        src_(source),
        images_(source.Images()),
        points_(images_ > 0 ? source.Count(0) : 0),
        tracks_(given_sums_.empty() ? std::size_t(points_) : 0, Track{}),
        dropped_(points_, images_) {}

  Diagnostics Run();
  std::optional<PointEstimate> RefinedOnly();

 private:
  bool Used(int k, int i, double x, double y) const {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    return !dropped_.Has(i, k);
  }
  void AccumulateAll();
  void Recompute(int i);
  bool Start(double& cx, double& cy) const;
  // With `lines`, each track's line through (cx, cy) is kept there.
  Normal At(double cx, double cy, UnfilledVector<Line>* lines = nullptr) const;
  // Without `measure`, the fit's RSS comes from its tracks' sums and `measured` is false.
  std::optional<Fit> Solve(double cx, double cy, bool measure = true) const;
  // Without `full`, only the RSS and the measurements counted: no worst, no sums per image.
  void Measure(Fit& fit, bool full = true) const;
  // Room for every track's line, kept from fits that are done with: a fresh block of that
  // size costs a page fault per page.
  UnfilledVector<Line> SpareLines() const {
    if (spare_lines_.empty()) return UnfilledVector<Line>(tracks_.size());
    UnfilledVector<Line> lines = std::move(spare_lines_.back());
    spare_lines_.pop_back();
    return lines;
  }
  void Replace(Fit& fit, Fit&& next) const {
    spare_lines_.push_back(std::move(fit.lines));
    fit = std::move(next);
  }
  PointEstimate Estimate(const Fit& fit) const;
  FlaggedMeasurement Worst(const Fit& fit, bool& exceeds) const;
  void SetAside(const FlaggedMeasurement& f);
  void Restore();
  // `residuals_known`: the flagged measurements' residuals are already the fit's.
  void Residuals(const Fit& fit, Diagnostics& d, bool residuals_known) const;
  // The used measurements of track i and their images.
  int Gather(int i, std::vector<Position>& points, std::vector<int>& images) const;
  bool RobustStart(double& cx, double& cy, double& scale, std::vector<int>& sampled) const;
  bool Hides(const Fit& fit, const std::vector<int>& sampled, double cx, double cy,
             double bound) const;
  // Per-track working space of Judge.
  struct Scratch {
    // The track's finite measurements and their images: a complete track's own copy and the
    // images in order where it has one, or else `room` and `gathered`.
    const Position* points = nullptr;
    const int* images = nullptr;
    std::vector<Position> room;
    std::vector<int> gathered, in_order;
    std::vector<char> aside, went;
    // What a measurement that went was judged by when it went: its distance and its t.
    std::vector<double> went_r, went_t;
    std::vector<double> r, tangent;
    std::vector<FlaggedMeasurement> out;  // a track's measurements that went
  };
  // What measurements are judged against: a common point with its A⁻¹, and the RSS, degrees
  // of freedom and measurements of the fit it comes from (`tested` with those set aside).
  struct Judging {
    double cx = 0, cy = 0;
    double p00 = 0, p01 = 0, p11 = 0;
    double rss = 0;
    int dof = 0;
    int measurements = 0;
    int tested = 0;
    const UnfilledVector<Line>* lines = nullptr;  // the fit's, when it is a fit of tracks_
    // The least measuring variance that measurements are judged with.
    double s2_floor = 0;
    // Whether a track that took a measurement back is judged again at once.
    bool judge_taken_back = false;
    // A bound below the test's, where the set's tail shows more gross errors (see AdaptiveCut).
    double cut = 0;
    // The tracks to judge (all when null); the whole set's are measured as Measure would.
    const std::vector<int>* only = nullptr;
    // Whether tracks are screened before they are judged, not only when one stands out; or
    // else whether the one that stands out most goes first, the screen only when another does.
    bool screen_first = false;
    bool peel_one = false;
    // Whether `watch_` collects the tracks whose verdicts a small change of the fit may turn.
    bool watch = false;
  };
  std::vector<double> StandardisedSample(const Fit& fit) const;
  double SpreadFloor(const Fit& fit) const;
  double AdaptiveCut(const Fit& fit) const;
  Judging JudgingOf(const Fit& fit) const {
    return {fit.cx,    fit.cy,           fit.p00,
            fit.p01,   fit.p11,          fit.rss,
            fit.Dof(), fit.measurements, fit.measurements + static_cast<int>(flagged_.size()),
            &fit.lines};
  }
  int GatherAll(int i, Scratch& s) const;
  int Judge(const Judging& j, double screen, bool studentise);
  int Rebalance(Fit& fit, const std::vector<int>* only = nullptr);
  std::optional<Fit> RoundsFrom(double sx, double sy, double bound, double rounds, int& round);
  bool Cut(const Fit& fit);
  // Whether it could: the residuals against the fit come with them.
  bool Studentize(const Fit& fit);
  std::optional<Fit> WithoutGrossErrors(double sx, double sy, double bound, const Fit& all,
                                        double rounds, int& round);

  template <typename Other>
  friend class Engine;
  UnfilledVector<Track> given_sums_;
  const double search_work_;
  const Source& src_;
  const int images_;
  const int points_;
  UnfilledVector<Track> tracks_;
  mutable std::vector<UnfilledVector<Line>> spare_lines_;
  AsideSet dropped_;
  std::vector<FlaggedMeasurement> flagged_;
  // Whether fits look for the measurement that stands out most (not for the refined point alone).
  bool find_worst_ = true;
  // Whether rounds judge with a floor under the fit's spread (see SpreadFloor).
  bool spread_floor_ = true;
  double cut_ = 0;  // Judging::cut of the rounds
  // What the last Judge at a fit's own lines found of it, as Measure would have: RSS per
  // track, the measurements counted, and the worst measurement in `measure_worst_`'s fields.
  std::vector<double> measure_rss_;
  int measure_used_ = 0;
  Standout measure_worst_;
  std::vector<int> changed_;
  std::vector<int> watch_;  // the tracks the last watching Judge found near their bounds  // tracks
                            // whose verdicts the last Judge changed
  // What the last Judge took back from the flagged list, and how many it added at its end.
  std::vector<FlaggedMeasurement> came_back_;
  std::size_t went_out_ = 0;
};

template <typename Source>
void Engine<Source>::AccumulateAll() {
  if constexpr (std::is_same_v<Source, TrackMajorSource>) {
    // Nothing is set aside yet: the sums the copy made.
    tracks_ = std::move(given_sums_);
    return;
  }
  std::vector<double> sx(std::size_t(points_), 0), sy(std::size_t(points_), 0);
  src_.ForEach(points_, [&](int k, int i, double x, double y) {
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
  src_.ForEach(points_, [&](int k, int i, double x, double y) {
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
Normal Engine<Source>::At(double cx, double cy, UnfilledVector<Line>* lines) const {
  const int count = static_cast<int>(tracks_.size());
  std::vector<Normal> parts(std::size_t(PartsOf(count)));
  InParts(count, [&](int number, int from, int to) {
    Normal e;
    // Two tracks at a time; the sums take them one after the other.
    for (int i = from; i < to; i += 2) {
      const Track* t = &tracks_[std::size_t(i)];
      const int pair = std::min(2, to - i);
      Line* line = lines != nullptr ? &(*lines)[std::size_t(i)] : nullptr;
      AxisPair x;
      if (pair == 2) {
        x = AxesThrough(t, cx, cy, line);
      } else {
        // The last of an odd count twice over.
        const Track last[2] = {t[0], t[0]};
        Line both[2];
        x = AxesThrough(last, cx, cy, both);
        if (line != nullptr) line[0] = both[0];
      }
      for (int k = 0; k < pair; ++k) {
        if (t[k].n < 2) {
          if (line != nullptr) line[k] = Line{};
          continue;
        }
        ++e.tracks;
        e.measurements += t[k].n;
        // A track constrains c across itself less where the rotation about c absorbs a
        // shift: w = n − T²/Q; the sums take the normal's products, each over s2.
        const double wi = x.wi[k];
        e.a00 += wi * x.vy[k] * x.vy[k];
        e.a01 -= wi * x.vx[k] * x.vy[k];
        e.a11 += wi * x.vx[k] * x.vx[k];
        e.g0 -= x.vy[k] * x.across[k] * x.inv[k];
        e.g1 += x.vx[k] * x.across[k] * x.inv[k];
        e.rss += x.rss[k];
      }
    }
    parts[std::size_t(number)] = e;
  });
  Normal e = parts[0];
  for (std::size_t part = 1; part < parts.size(); ++part) {
    e.a00 += parts[part].a00;
    e.a01 += parts[part].a01;
    e.a11 += parts[part].a11;
    e.g0 += parts[part].g0;
    e.g1 += parts[part].g1;
    e.rss += parts[part].rss;
    e.tracks += parts[part].tracks;
    e.measurements += parts[part].measurements;
  }
  return e;
}

// Levenberg–Marquardt on c with every direction at its best for the current c (variable
// projection): each iteration costs one pass over the tracks.
template <typename Source>
std::optional<Fit> Engine<Source>::Solve(double cx, double cy, bool measure) const {
  // The lines at the current point and at the one tried: the fit keeps the current ones
  // without another pass.
  UnfilledVector<Line> current = SpareLines(), tried = SpareLines();
  Normal e = At(cx, cy, &current);
  double mu = 0;
  double last0 = 0, last1 = 0;  // the last undamped step taken
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
    const Normal next = At(cx + d0, cy + d1, &tried);
    if (next.rss < e.rss) {
      cx += d0;
      cy += d1;
      e = next;
      current.swap(tried);
      // Far from the data's lines (many gross errors) the steps shrink by a steady ratio, each
      // a pass over the tracks: while two undamped steps agree in direction, the rest of that
      // series is tried in one, and kept when it lowers the RSS.
      const double along = d0 * last0 + d1 * last1, last = last0 * last0 + last1 * last1;
      const double ratio = last > 0 ? along / last : 0;
      if (mu == 0 && ratio > 0.05 && ratio < 0.9 &&
          along > 0.99 * std::sqrt((d0 * d0 + d1 * d1) * last)) {
        const double ahead = ratio / (1 - ratio);
        const Normal further = At(cx + ahead * d0, cy + ahead * d1, &tried);
        if (further.rss < e.rss) {
          cx += ahead * d0;
          cy += ahead * d1;
          e = further;
          current.swap(tried);
        }
      }
      last0 = mu == 0 ? d0 : 0;
      last1 = mu == 0 ? d1 : 0;
      mu = mu < 1e-9 ? 0 : mu / 10;
    } else {
      // A step that promised no more than the RSS's own rounding, summed over many tracks,
      // can fail by that rounding alone: damping it further gains nothing.
      if (promised < 1e-10 * e.rss) break;
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
  fit.lines = std::move(current);
  spare_lines_.push_back(std::move(tried));
  fit.tracks = e.tracks;
  if (fit.tracks < 2) return std::nullopt;
  if (measure) {
    Measure(fit);
  } else {
    // Until a judging pass measures it: the RSS from the tracks' sums.
    fit.measured = false;
    fit.rss = e.rss;
    fit.measurements = e.measurements;
  }
  return fit;
}

// RSS and the count of the measurements used, measurement by measurement; for the diagnostics
// (find_worst_), in the same pass, the measurement Worst asks for. Its externally studentised
// residual t² = r²·(dof − 1) / max(RSS·(1 − h) − r², floor) grows with r² / (1 − h) whatever the
// RSS, so the largest of that ratio is the one, found before the RSS is known.
template <typename Source>
void Engine<Source>::Measure(Fit& fit, bool full) const {
  const bool find_worst = find_worst_ && full;
  // Residuals at the level of rounding say nothing: exact data flag nothing.
  const double floor = 1e-10 * (1 + std::hypot(fit.cx, fit.cy));
  // Summed track by track, so that every order of visiting gives the same bits.
  std::vector<double> track_rss(std::size_t(points_), 0);
  // What a part of the tracks found; the parts are added up in order.
  struct Part {
    int used = 0;
    Standout worst;
    std::vector<double> image_ss;
    std::vector<int> image_n;
  };
  // A track's leverage in the fit, of a track with two measurements or more.
  const auto leverage = [&](const Track& t, Line l) {
    return LeverageOf(t, l, fit.cx, fit.cy, fit.p00, fit.p01, fit.p11);
  };
  // One measurement's share; `l` and `v` are its track's line and leverage.
  const auto visit = [&](Part& part, int k, int i, double x, double y, const Line& l,
                         const Leverage* v) {
    const double dx = x - fit.cx, dy = y - fit.cy;
    const double r = l.ux * dy - l.uy * dx;
    track_rss[std::size_t(i)] += r * r;
    ++part.used;
    if (v != nullptr)
      part.worst.Offer(k, i, r, FreeOf(l.ux * dx + l.uy * dy, l.T * v->iq, *v), floor);
  };
  std::vector<Part> parts;
  if constexpr (std::is_same_v<Source, TrackMajorSource>) {
    // Track by track: its line, its lever and whether anything of it is set aside, once. The
    // fits of the diagnostics add up the residuals per image and point as Residuals would,
    // set-aside measurements included, so that the last fit needs no pass of its own for them.
    const bool sums = find_worst;
    if (sums) {
      fit.point_ss.assign(std::size_t(points_), 0);
      fit.point_n.assign(std::size_t(points_), 0);
    }
    parts.resize(std::size_t(PartsOf(points_)));
    InParts(points_, [&](int number, int from, int to) {
      // On this thread's own stack: parts side by side would share their cache lines.
      Part part;
      if (sums) {
        part.image_ss.assign(std::size_t(images_), 0);
        part.image_n.assign(std::size_t(images_), 0);
      }
      const auto add = [&](int k, int i, double r) {
        part.image_ss[std::size_t(k)] += r * r;
        fit.point_ss[std::size_t(i)] += r * r;
        ++part.image_n[std::size_t(k)];
        ++fit.point_n[std::size_t(i)];
      };
      for (int i = from; i < to; ++i) {
        const Track& t = tracks_[std::size_t(i)];
        const Position* p = src_.Positions(i);
        if (i + kAhead < to) src_.Prefetch(i + kAhead);
        if (t.n < 2) {
          if (!sums || t.n != 1) continue;
          const Line l = LineToOne(t, fit.cx, fit.cy);
          for (int k = 0; k < images_; ++k)
            if (std::isfinite(p[k].x) && std::isfinite(p[k].y))
              add(k, i, l.ux * (p[k].y - fit.cy) - l.uy * (p[k].x - fit.cx));
          continue;
        }
        const Line& l = fit.lines[std::size_t(i)];
        const bool droppable = find_worst && t.n >= kDroppableFrom;
        const Leverage v = droppable ? leverage(t, l) : Leverage{};
        const double toq = l.T * v.iq;
        const bool any = dropped_.Any(i);
        // Measurements set aside in no order would mispredict a branch: one set aside counts
        // as a residual of +0, which adds nothing and never stands out.
        const bool in_word = dropped_.InWords();
        const std::uint64_t word = any && in_word ? dropped_.Word(i) : 0;
        // The track's own sums in registers, stored once.
        double own_rss = 0, own_ss = 0;
        int own_used = 0, own_n = 0;
        // One loop for each pass's questions, none asked again per measurement.
        const auto measure_track = [&]<bool kSums, bool kDroppable, bool kComplete>() {
          double* const image_ss = part.image_ss.data();
          int* const image_n = part.image_n.data();
          for (int k = 0; k < images_; ++k) {
            const double x = p[k].x, y = p[k].y;
            if constexpr (!kComplete)
              if (!std::isfinite(x) || !std::isfinite(y)) continue;
            const double dx = x - fit.cx, dy = y - fit.cy;
            const double r = l.ux * dy - l.uy * dx;
            if constexpr (kSums) {
              image_ss[k] += r * r;
              ++image_n[k];
              own_ss += r * r;
              ++own_n;
            }
            const bool aside = in_word ? (word >> k & 1) != 0 : any && dropped_.Has(i, k);
            const double kept = aside ? 0.0 : r;
            own_rss += kept * kept;
            own_used += !aside;
            if constexpr (kDroppable)
              part.worst.Offer(k, i, kept, FreeOf(l.ux * dx + l.uy * dy, toq, v), floor);
          }
        };
        const bool complete = src_.Complete(i);
        if (sums && droppable) {
          complete ? measure_track.template operator()<true, true, true>()
                   : measure_track.template operator()<true, true, false>();
        } else if (!sums && !droppable) {
          complete ? measure_track.template operator()<false, false, true>()
                   : measure_track.template operator()<false, false, false>();
        } else {
          sums ? measure_track.template operator()<true, false, false>()
               : measure_track.template operator()<false, true, false>();
        }
        track_rss[std::size_t(i)] = own_rss;
        part.used += own_used;
        if (sums) {
          fit.point_ss[std::size_t(i)] = own_ss;
          fit.point_n[std::size_t(i)] = own_n;
        }
      }
      parts[std::size_t(number)] = std::move(part);
    });
    if (sums) {
      fit.image_ss.assign(std::size_t(images_), 0);
      fit.image_n.assign(std::size_t(images_), 0);
      for (const Part& part : parts)
        for (int k = 0; k < images_; ++k) {
          fit.image_ss[std::size_t(k)] += part.image_ss[std::size_t(k)];
          fit.image_n[std::size_t(k)] += part.image_n[std::size_t(k)];
        }
    }
  } else {
    std::vector<Leverage> lever(find_worst ? tracks_.size() : 0);
    for (std::size_t i = 0; i < lever.size(); ++i)
      if (tracks_[i].n >= kDroppableFrom) lever[i] = leverage(tracks_[i], fit.lines[i]);
    parts.resize(1);
    src_.ForEach(points_, [&](int k, int i, double x, double y) {
      const Track& t = tracks_[std::size_t(i)];
      if (t.n < 2 || !Used(k, i, x, y)) return;
      visit(parts[0], k, i, x, y, fit.lines[std::size_t(i)],
            find_worst && t.n >= kDroppableFrom ? &lever[std::size_t(i)] : nullptr);
    });
  }
  double rss = 0;
  for (const double r : track_rss) rss += r;
  fit.rss = rss;
  // The parts' worst in order, as one pass over every track would find it.
  fit.measurements = 0;
  fit.worst = Standout{};
  for (const Part& part : parts) {
    fit.measurements += part.used;
    fit.worst.Take(part.worst);
  }
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
  InParts(points_, [&](int, int from, int to) {
    for (int i = from; i < to; ++i)
      if (tracks_[std::size_t(i)].n >= 2)
        e.track_angle_deg[std::size_t(i)] =
            Angle(fit.lines[std::size_t(i)].ux, fit.lines[std::size_t(i)].uy);
  });
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
  const Standout& w = fit.worst;
  if (dof < 2 || fit.measurements < 1 || w.image < 0) return f;
  const double bound = StudentTUpper(dof - 1, kOutlierLevel / 2 / fit.measurements);
  const double floor = 1e-10 * (1 + std::hypot(fit.cx, fit.cy));
  const double floor_dof = floor * floor * (dof - 1);
  const double den = std::max(fit.rss * w.free - w.r2, floor_dof * w.free);
  f.image = w.image;
  f.point = w.point;
  f.studentized = std::sqrt(w.r2 * (dof - 1) / den);
  exceeds = f.studentized > bound;
  return f;
}

template <typename Source>
void Engine<Source>::SetAside(const FlaggedMeasurement& f) {
  flagged_.push_back(f);
  dropped_.Add(f.point, f.image);
  Recompute(f.point);
}

template <typename Source>
void Engine<Source>::Restore() {
  const FlaggedMeasurement f = flagged_.back();
  flagged_.pop_back();
  dropped_.Remove(f.point, f.image);
  Recompute(f.point);
}

template <typename Source>
int Engine<Source>::Gather(int i, std::vector<Position>& points, std::vector<int>& images) const {
  points.clear();
  images.clear();
  for (int k = 0; k < images_; ++k) {
    if (i >= src_.Count(k)) continue;
    const Position p = src_.At(k, i);
    if (!Used(k, i, p.x, p.y)) continue;
    points.push_back(p);
    images.push_back(k);
  }
  return static_cast<int>(points.size());
}

// The least kStartQuantile-quantile of the residuals over a sample of tracks, among common
// points of two sampled tracks each drawn through two of its measurements: with a fixed seed,
// so that the same data give the same start. `scale` is that quantile made a standard
// deviation.
template <typename Source>
bool Engine<Source>::RobustStart(double& cx, double& cy, double& scale,
                                 std::vector<int>& eligible) const {
  eligible.clear();
  for (int i = 0; i < points_; ++i)
    if (tracks_[std::size_t(i)].n >= 2) eligible.push_back(i);
  if (eligible.size() < 2) return false;
  std::mt19937_64 rng(20261207);
  if (eligible.size() > kSampleTracks) {
    for (std::size_t j = 0; j < kSampleTracks; ++j)
      std::swap(eligible[j], eligible[j + rng() % (eligible.size() - j)]);
    eligible.resize(kSampleTracks);
  }
  std::vector<Position> sample;
  std::vector<int> start{0}, images;
  std::vector<Position> points;
  for (const int i : eligible) {
    Gather(i, points, images);
    sample.insert(sample.end(), points.begin(), points.end());
    start.push_back(static_cast<int>(sample.size()));
  }
  const int tracks = static_cast<int>(eligible.size());
  // Every candidate judges the same tracks: their means once.
  std::vector<Position> means(static_cast<std::size_t>(tracks));
  for (int j = 0; j < tracks; ++j)
    means[std::size_t(j)] = MeanOf(&sample[std::size_t(start[std::size_t(j)])],
                                   start[std::size_t(j) + 1] - start[std::size_t(j)]);
  // The candidates first, in the order drawn, then each judged on its own.
  struct Candidate {
    double x, y;
    int t0, t1;
  };
  std::vector<Candidate> candidates;
  for (int attempt = 0; attempt < 4 * kCandidates && int(candidates.size()) < kCandidates;
       ++attempt) {
    const int a = int(rng() % unsigned(tracks));
    const int b = int(rng() % unsigned(tracks - 1));
    const int t[2] = {a, b >= a ? b + 1 : b};
    Position p[2], d[2];
    for (int e = 0; e < 2; ++e) {
      const int n = start[std::size_t(t[e]) + 1] - start[std::size_t(t[e])];
      const int u = int(rng() % unsigned(n)), v = int(rng() % unsigned(n - 1));
      const Position& first = sample[std::size_t(start[std::size_t(t[e])] + u)];
      const Position& second = sample[std::size_t(start[std::size_t(t[e])] + (v >= u ? v + 1 : v))];
      p[e] = first;
      d[e] = {second.x - first.x, second.y - first.y};
    }
    const double det = d[0].x * d[1].y - d[0].y * d[1].x;
    // Lines within a few hundredths of a degree meet where rounding puts them.
    if (!(std::fabs(det) > 1e-3 * std::hypot(d[0].x, d[0].y) * std::hypot(d[1].x, d[1].y)))
      continue;
    const double along = ((p[1].x - p[0].x) * d[1].y - (p[1].y - p[0].y) * d[1].x) / det;
    const double x = p[0].x + along * d[0].x, y = p[0].y + along * d[0].y;
    if (!std::isfinite(x) || !std::isfinite(y)) continue;
    candidates.push_back({x, y, t[0], t[1]});
  }
  // Each candidate's quantile, the candidates of a large sample in parts at once: what each
  // finds is its own, so the parts change no bit.
  std::vector<double> quantile(candidates.size());
  const int count = static_cast<int>(candidates.size());
  const int parts = sample.size() >= std::size_t(kPartsFrom) ? kParts : 1;
  InParts(count, parts, [&](int, int from, int to) {
    std::vector<double> tangent(std::size_t(images_) + 1), own(std::size_t(images_) + 1), r;
    r.reserve(sample.size());
    for (int c = from; c < to; ++c) {
      const Candidate& candidate = candidates[std::size_t(c)];
      r.clear();
      for (int j = 0; j < tracks; ++j) {
        // The two tracks that made the point pass through it: they say nothing of it.
        if (j == candidate.t0 || j == candidate.t1) continue;
        const int from_j = start[std::size_t(j)], n = start[std::size_t(j) + 1] - from_j;
        MedianLineResiduals(&sample[std::size_t(from_j)], n, means[std::size_t(j)], candidate.x,
                            candidate.y, tangent.data(), own.data());
        // With an odd count the line passes through the median measurement itself: its zero
        // says nothing about the point.
        const auto end = own.begin() + n;
        if (n % 2 == 1) std::iter_swap(std::min_element(own.begin(), end), end - 1);
        r.insert(r.end(), own.begin(), end - n % 2);
      }
      // Only the two tracks that made it: nothing to judge it by.
      quantile[std::size_t(c)] = r.empty() ? std::numeric_limits<double>::infinity()
                                           : SelectNth(r.data(), static_cast<int>(r.size()),
                                                       int(kStartQuantile * double(r.size() - 1)));
    }
  });
  double best = std::numeric_limits<double>::infinity();
  for (std::size_t c = 0; c < candidates.size(); ++c) {
    if (quantile[c] < best) {
      best = quantile[c];
      cx = candidates[c].x;
      cy = candidates[c].y;
    }
  }
  if (!std::isfinite(best)) return false;
  scale = best / kStartQuantileZ;
  return true;
}

// Whether the fit of all measurements spreads more than kHiddenSpread times as wide as the
// sampled tracks do about their lines through the start once their measurements beyond
// `bound` from its lines are set aside: gross errors that mask one another so that none
// stands out raise the one and not the other, the tail of a clean set raises neither. Taken
// on the sample, this spares a clean set of millions a pass of its own.
template <typename Source>
bool Engine<Source>::Hides(const Fit& fit, const std::vector<int>& sampled, double cx, double cy,
                           double bound) const {
  if (fit.Dof() < 1) return false;
  std::vector<Position> points;
  std::vector<int> images;
  std::vector<double> tangent(std::size_t(images_) + 1), r(std::size_t(images_) + 1);
  double rss = 0;
  int dof = 0;
  for (const int i : sampled) {
    const int n = Gather(i, points, images);
    MedianLineResiduals(points.data(), n, cx, cy, tangent.data(), r.data());
    Track kept;
    double sx = 0, sy = 0;
    for (int k = 0; k < n; ++k) {
      if (r[std::size_t(k)] > bound) continue;
      ++kept.n;
      sx += points[std::size_t(k)].x;
      sy += points[std::size_t(k)].y;
    }
    if (kept.n < 2) continue;
    kept.mx = sx / kept.n;
    kept.my = sy / kept.n;
    for (int k = 0; k < n; ++k) {
      if (r[std::size_t(k)] > bound) continue;
      const double dx = points[std::size_t(k)].x - kept.mx, dy = points[std::size_t(k)].y - kept.my;
      kept.sxx += dx * dx;
      kept.sxy += dx * dy;
      kept.syy += dy * dy;
    }
    rss += Through(kept, cx, cy).rss;
    dof += kept.n - 1;
  }
  if (dof == 0) return true;
  return fit.rss / fit.Dof() > kHiddenSpread * kHiddenSpread * rss / dof;
}

// Every finite measurement of track i, its image and whether it is set aside.
template <typename Source>
int Engine<Source>::GatherAll(int i, Scratch& s) const {
  const std::size_t size = std::size_t(images_);
  if (s.room.size() < size) {
    s.room.resize(size);
    s.gathered.resize(size);
    s.in_order.resize(size);
    for (int k = 0; k < images_; ++k) s.in_order[std::size_t(k)] = k;
    s.aside.resize(size);
    s.went.resize(size);
    s.went_r.resize(size);
    s.went_t.resize(size);
    s.r.resize(size);
    s.tangent.resize(size);
    s.out.resize(size);
  }
  const bool any = dropped_.Any(i);
  if constexpr (std::is_same_v<Source, TrackMajorSource>) {
    if (src_.Complete(i)) {
      s.points = src_.Positions(i);
      s.images = s.in_order.data();
      if (!any) {
        std::fill_n(s.aside.begin(), images_, 0);
      } else if (dropped_.InWords()) {
        const std::uint64_t word = dropped_.Word(i);
        for (int k = 0; k < images_; ++k) s.aside[std::size_t(k)] = word >> k & 1;
      } else {
        for (int k = 0; k < images_; ++k) s.aside[std::size_t(k)] = dropped_.Has(i, k);
      }
      return images_;
    }
  }
  int n = 0;
  for (int k = 0; k < images_; ++k) {
    if (i >= src_.Count(k)) continue;
    const Position p = src_.At(k, i);
    if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
    s.room[std::size_t(n)] = p;
    s.gathered[std::size_t(n)] = k;
    s.aside[std::size_t(n)] = any && dropped_.Has(i, k);
    ++n;
  }
  s.points = s.room.data();
  s.images = s.gathered.data();
  return n;
}

// Judges every track's measurements at j's point, each track on its own until its verdicts
// settle. With `studentise`, a measurement set aside comes back when its studentised
// prediction residual is within the bound, and the one in the fit with the largest externally
// studentised residual goes while that exceeds it (a track keeps one), each verdict against
// the track's line through the point of what it keeps; one that went stays out, so no track
// turns in circles. With `screen`, a track whose measurements do not all pass so starts again
// from those within that distance of its median line through the point (the nearest always
// kept), which gross errors cannot pull. Returns how many verdicts changed; `changed_` lists
// their tracks.
template <typename Source>
int Engine<Source>::Judge(const Judging& j, double screen, bool studentise) {
  studentise = studentise && j.dof >= 2 && j.measurements > 0;
  // The bound in the fit is the one-at-a-time search's, so that a settled round leaves it
  // nothing.
  const double bound_in =
      studentise ? StudentTUpper(j.dof - 1, kOutlierLevel / 2 / j.measurements) : 0;
  // A measurement set aside is judged as it would be back in the fit: one more measurement and
  // one more degree of freedom, so that what comes back does not go again.
  const double bound_out =
      studentise ? StudentTUpper(j.dof, kOutlierLevel / 2 / (double(j.measurements) + 1)) : 0;
  const double in_bound = j.cut > 0 ? std::min(bound_in, j.cut) : bound_in;
  const double back = j.cut > 0 ? std::min(bound_out, j.cut) : bound_out;
  const double in2 = in_bound * in_bound;
  const double out2 = studentise ? back * back * std::max(j.rss / j.dof, j.s2_floor) : 0;
  const double floor = 1e-10 * (1 + std::hypot(j.cx, j.cy));
  const double floor_dof = floor * floor * (j.dof - 1);
  const bool measure = j.lines != nullptr && j.only == nullptr;
  measure_rss_.assign(measure ? std::size_t(points_) : 0, 0);
  // Verdicts within this factor of their bound are watched.
  constexpr double kNear = 1.5 * 1.5;
  const double s2 = j.dof > 0 ? j.rss / j.dof : 0;
  // What a part of the tracks found; the parts are added up in order.
  struct Part {
    int verdicts = 0;
    int back = 0;  // of the verdicts, those that took a measurement back
    int used = 0;
    Standout worst;
    std::vector<int> changed, watch;
    std::vector<FlaggedMeasurement> out;
  };
  const int count = j.only != nullptr ? static_cast<int>(j.only->size()) : points_;
  std::vector<Part> parts(std::size_t(PartsOf(count)));
  InParts(count, [&](int number, int from, int to) {
    // On this thread's own stack: parts side by side would share their cache lines.
    Part part;
    // Room for all that may go, reserved and not touched: only the pages written cost, and a
    // list that outgrew its room would be copied into fresh pages. Where the flagged list is
    // empty, the first part's list becomes it, with room for every part's.
    const int tracks = number == 0 && flagged_.empty() ? count : to - from;
    part.out.reserve(std::min(std::size_t(tracks) * std::size_t(images_), kOutRoom));
    // Writes what judging track i (its measurements in s, n of them) decided; `t` the track
    // of what it keeps where it is not `t_stale`.
    const auto settle = [&](int i, int n, Scratch& s, const Track& t, bool t_stale, bool near,
                            bool touched, bool had_aside) {
      if (j.watch && near) part.watch.push_back(i);
      if (!touched) return;
      bool moved = false;
      if (dropped_.InWords()) {
        // The verdicts as a word: what changed is what differs from the word kept.
        std::uint64_t now = 0;
        for (int k = 0; k < n; ++k)
          now |= std::uint64_t(s.aside[std::size_t(k)] != 0) << s.images[k];
        const std::uint64_t was = dropped_.Word(i);
        moved = now != was;
        part.verdicts += std::popcount(now ^ was);
        part.back += std::popcount(was & ~now);
        dropped_.SetWord(i, now);
        // What went, as it was the last time it went: each measurement written and kept by its
        // bit, without a branch that verdicts in no order would mispredict, then added at once.
        const std::uint64_t went = now & ~was;
        int outs = 0;
        for (int k = 0; k < n; ++k) {
          s.out[std::size_t(outs)] = {s.images[k], i, s.went_r[std::size_t(k)],
                                      s.went_t[std::size_t(k)]};
          outs += int(went >> s.images[k] & 1);
        }
        part.out.insert(part.out.end(), s.out.begin(), s.out.begin() + outs);
      } else {
        for (int k = 0; k < n; ++k) {
          const int image = s.images[k];
          if (bool(s.aside[std::size_t(k)]) == (had_aside && dropped_.Has(i, image))) continue;
          moved = true;
          ++part.verdicts;
          if (!s.aside[std::size_t(k)]) {
            dropped_.Remove(i, image);
            ++part.back;
            continue;
          }
          dropped_.Add(i, image);
          // As it was the last time it went.
          part.out.push_back({image, i, s.went_r[std::size_t(k)], s.went_t[std::size_t(k)]});
        }
      }
      if (!moved) return;
      part.changed.push_back(i);
      tracks_[std::size_t(i)] = t_stale ? TrackOfKept(s.points, n, s.aside.data()) : t;
    };
    // Judges track i on its own, until its verdicts settle.
    const auto judge_track = [&](int i, Scratch& s) {
      const int n = GatherAll(i, s);
      if (n < 2) return;
      const bool had_aside = dropped_.Any(i);
      bool near = false;
      bool touched = had_aside;
      std::fill_n(s.went.begin(), n, 0);
      // The track as the last look judged it; whether what it keeps has changed since.
      Track t;
      bool t_stale = true;
      // The first look uses the fit's own line while the track keeps what it kept there.
      bool fit_line = measure && screen == 0;
      bool screened = !(screen > 0), peeled = false;
      // The fit's RSS with this track's share as it stands now: a measurement taken back is
      // judged against an RSS that holds its own residual, as the externally studentised
      // residual needs.
      const double base_rss =
          j.lines != nullptr && tracks_[std::size_t(i)].n >= 2 ? (*j.lines)[std::size_t(i)].rss : 0;
      double rss = j.rss;
      const auto screen_now = [&] {
        screened = true;
        touched = true;
        t_stale = true;
        MedianLineResiduals(s.points, n, j.cx, j.cy, s.tangent.data(), s.r.data());
        // Without a branch per measurement: the nearest, then every verdict of the screen (what
        // went is read only for those set aside).
        double least[2] = {s.r[0], s.r[0]};
        for (int k = 1; k < n; ++k) least[k & 1] = std::min(least[k & 1], s.r[std::size_t(k)]);
        const double nearest_r = std::min(least[0], least[1]);
        int nearest = 0;
        while (nearest < n - 1 && s.r[std::size_t(nearest)] != nearest_r) ++nearest;
        for (int k = 0; k < n; ++k) {
          s.aside[std::size_t(k)] = k != nearest && s.r[std::size_t(k)] > screen;
          s.went_r[std::size_t(k)] = s.r[std::size_t(k)];
          s.went_t[std::size_t(k)] = 0;
        }
      };
      // Screening alone: no line to judge against yet. Where most tracks hold gross errors, the
      // screen comes first.
      if (!screened && (!studentise || j.screen_first)) screen_now();
      for (int step = 0; studentise && step <= 2 * n + 1; ++step) {
        Line l;
        const bool measuring = fit_line;
        if (fit_line) {
          t = tracks_[std::size_t(i)];
          l = (*j.lines)[std::size_t(i)];
          fit_line = false;
        } else {
          t = TrackOfKept(s.points, n, s.aside.data());
          if (t.n >= 2) l = Through(t, j.cx, j.cy);
        }
        t_stale = false;
        // Down to one measurement, its own error reaches out along the line through it.
        const Leverage v = LeverageOf(t, l, j.cx, j.cy, j.p00, j.p01, j.p11);
        const double npn = v.npn, iq = v.iq, reach = v.reach;
        const double toq = l.T * iq;
        if (j.lines != nullptr) rss = std::max(0.0, j.rss + ((t.n >= 2 ? l.rss : 0) - base_rss));
        bool took = false;
        near = false;
        // t² = r²·(dof − 1) / max(RSS·(1 − h) − r², floor·(1 − h)) grows with r² / (1 − h): the
        // largest of that ratio is the worst, compared without a division.
        int worst = -1;
        double worst_r2 = 0, worst_free = 1;
        // One loop for each combination of the pass's questions, none asked again per
        // measurement; what the fit gives read once.
        const auto look = [&]<bool kMeasuring, bool kWatch, bool kFitted>() {
          const Position* points = s.points;
          char* aside = s.aside.data();
          const char* went = s.went.data();
          double* rs = s.r.data();
          const double cx = j.cx, cy = j.cy, ux = l.ux, uy = l.uy;
          const double dof1 = j.dof - 1, in2_s2 = in2 * s2, in2_floor = in2 * j.s2_floor;
          for (int k = 0; k < n; ++k) {
            const double dx = points[k].x - cx, dy = points[k].y - cy;
            const double along = ux * dx + uy * dy;
            const double r = ux * dy - uy * dx;
            rs[k] = r;
            const double lean = 1 - along * toq;
            const double h =
                kFitted ? lean * lean * npn + along * along * iq : along * along * reach;
            if (kMeasuring && !aside[k]) {
              // What Measure would find at this fit, in its order and with its formulas.
              measure_rss_[std::size_t(i)] += r * r;
              ++part.used;
              if (t.n >= kDroppableFrom)
                part.worst.Offer(s.images[k], i, r, FreeOf(along, toq, v), floor);
            }
            if (kWatch) {
              const double edge = aside[k] ? out2 * (1 + h) : in2_s2 * (1 - h);
              near = near || (r * r * kNear > edge && r * r < edge * kNear);
            }
            if (aside[k]) {
              if (!went[k] && (std::fabs(r) <= floor || r * r <= out2 * (1 + h))) {
                aside[k] = 0;
                t_stale = true;
                took = true;
              }
              continue;
            }
            const double free = 1 - h;
            if (!(free > 1e-9) || std::fabs(r) <= floor) continue;
            const double r2 = r * r;
            if (r2 * worst_free > worst_r2 * free &&
                r2 * dof1 > in2 * std::max(rss * free - r2, floor_dof * free) &&
                r2 > in2_floor * free) {
              worst = k;
              worst_r2 = r2;
              worst_free = free;
            }
          }
        };
        if (measuring && t.n >= 2) {
          if (j.watch)
            look.template operator()<true, true, true>();
          else
            look.template operator()<true, false, true>();
        } else if (t.n >= 2) {
          if (j.watch)
            look.template operator()<false, true, true>();
          else
            look.template operator()<false, false, true>();
        } else {
          if (j.watch)
            look.template operator()<false, true, false>();
          else
            look.template operator()<false, false, false>();
        }
        if (took) {
          touched = true;
          near = true;
          // What came back is judged in the fit next round, against the refit's spread.
          if (!j.judge_taken_back) break;
          continue;
        }
        if (worst < 0 || t.n < kDroppableFrom) break;
        if (!screened && !(j.peel_one && !peeled && n >= kPeelFrom)) {
          // Something stands out: start again from the screen.
          screen_now();
          continue;
        }
        peeled = true;
        s.aside[std::size_t(worst)] = 1;
        s.went[std::size_t(worst)] = 1;
        t_stale = true;
        touched = true;
        const double t2 =
            worst_r2 * (j.dof - 1) / std::max(rss * worst_free - worst_r2, floor_dof * worst_free);
        s.went_r[std::size_t(worst)] = std::fabs(s.r[std::size_t(worst)]);
        s.went_t[std::size_t(worst)] = std::sqrt(t2);
      }
      settle(i, n, s, t, t_stale, near, touched, had_aside);
    };
    // Where every track is screened first, two complete tracks with nothing set aside take the
    // screen and the first look together, lane by lane as judge_track would; a track that the
    // look does not settle is then judged on its own.
    bool pairs = false;
    FirstLook first;
    if constexpr (std::is_same_v<Source, TrackMajorSource>) {
      pairs = judge_in_pairs && studentise && screen > 0 && j.screen_first && j.lines == nullptr &&
              dropped_.InWords() && images_ >= 2 && images_ <= kNetworkUpTo;
      first = {.cx = j.cx,
               .cy = j.cy,
               .p00 = j.p00,
               .p01 = j.p01,
               .p11 = j.p11,
               .screen = screen,
               .rss = j.rss,
               .dof1 = double(j.dof - 1),
               .in2 = in2,
               .in2_s2 = in2 * s2,
               .in2_floor = in2 * j.s2_floor,
               .out2 = out2,
               .floor = floor,
               .floor_dof = floor_dof,
               .near = kNear,
               .watch = j.watch};
    }
    const auto fresh = [&](int i) {
      if constexpr (std::is_same_v<Source, TrackMajorSource>) {
        return src_.Complete(i) && !dropped_.Any(i);
      } else {
        return false;
      }
    };
    Scratch one, two;
    for (int m = from; m < to;) {
      const int i = j.only != nullptr ? (*j.only)[std::size_t(m)] : m;
      const int next =
          m + 1 < to ? (j.only != nullptr ? (*j.only)[std::size_t(m + 1)] : m + 1) : -1;
      if (pairs && next >= 0 && fresh(i) && fresh(next)) {
        GatherAll(i, one);
        GatherAll(next, two);
        const Position* const at[2] = {one.points, two.points};
        char* const aside[2] = {one.aside.data(), two.aside.data()};
        double* const went_r[2] = {one.went_r.data(), two.went_r.data()};
        LaneLook looks[2];
        if (ScreenAndLook(at, images_, first, aside, went_r, looks)) {
          Scratch* const scratch[2] = {&one, &two};
          const int ids[2] = {i, next};
          for (int lane = 0; lane < 2; ++lane) {
            const LaneLook& look = looks[lane];
            if (look.came_back || (look.stands_out && look.track.n >= kDroppableFrom)) {
              judge_track(ids[lane], *scratch[lane]);
              continue;
            }
            std::fill_n(scratch[lane]->went_t.begin(), images_, 0.0);
            settle(ids[lane], images_, *scratch[lane], look.track, false, look.near, true, false);
          }
          m += 2;
          continue;
        }
      }
      judge_track(i, one);
      ++m;
    }
    parts[std::size_t(number)] = std::move(part);
  });
  int verdicts = 0, taken_back = 0;
  changed_.clear();
  if (j.watch) watch_.clear();
  measure_used_ = 0;
  measure_worst_ = Standout{};
  for (const Part& part : parts) {
    verdicts += part.verdicts;
    taken_back += part.back;
    measure_used_ += part.used;
    measure_worst_.Take(part.worst);
    changed_.insert(changed_.end(), part.changed.begin(), part.changed.end());
    if (j.watch) watch_.insert(watch_.end(), part.watch.begin(), part.watch.end());
  }
  if (verdicts == 0) return 0;
  // The flagged list keeps its order: what stays aside as it was found, then what went now;
  // what came back is kept aside to undo the round with.
  came_back_.clear();
  if (taken_back > 0) {
    // Each part of the list closes up what stays in it, the parts then one after another.
    const int listed = static_cast<int>(flagged_.size()), pieces = PartsOf(listed);
    std::vector<std::vector<FlaggedMeasurement>> back(static_cast<std::size_t>(pieces));
    std::vector<int> kept(static_cast<std::size_t>(pieces));
    // Only a track whose verdicts changed can have taken one back: a byte per track, read
    // before the word, and nothing moves before the first that came back.
    std::vector<char> changed(std::size_t(points_), 0);
    for (const int i : changed_) changed[std::size_t(i)] = 1;
    InParts(listed, pieces, [&](int piece, int from, int to) {
      int end = from;
      for (int m = from; m < to; ++m) {
        const FlaggedMeasurement& f = flagged_[std::size_t(m)];
        if (changed[std::size_t(f.point)] && !dropped_.Has(f.point, f.image)) {
          back[std::size_t(piece)].push_back(f);
          continue;
        }
        if (end != m) flagged_[std::size_t(end)] = f;
        ++end;
      }
      kept[std::size_t(piece)] = end - from;
    });
    auto end = flagged_.begin() + kept[0];
    for (int piece = 1; piece < pieces; ++piece) {
      const auto from = flagged_.begin() + PartStart(listed, pieces, piece);
      end = std::move(from, from + kept[std::size_t(piece)], end);
    }
    flagged_.erase(end, flagged_.end());
    for (const auto& piece : back) came_back_.insert(came_back_.end(), piece.begin(), piece.end());
  }
  went_out_ = 0;
  for (const Part& part : parts) went_out_ += part.out.size();
  // Taken over where the list is empty: the first part's rows stay where they were written,
  // and its room holds the others'.
  const std::size_t first = flagged_.empty() ? 1 : 0;
  if (first == 1) flagged_ = std::move(parts[0].out);
  for (std::size_t part = first; part < parts.size(); ++part)
    flagged_.insert(flagged_.end(), parts[part].out.begin(), parts[part].out.end());
  return verdicts;
}

// The distances of every stride-th track's measurements (about 10⁵ in all) from its line
// through the fit's point, each in units of its own spread at σ = 1: those in the fit as
// residuals, those set aside as predictions.
template <typename Source>
std::vector<double> Engine<Source>::StandardisedSample(const Fit& fit) const {
  const double tested = double(fit.measurements) + double(flagged_.size());
  const int stride = int(std::max(1.0, std::ceil(tested / 100000)));
  const int visited = (points_ + stride - 1) / stride;
  // The parts' distances one after another: what is taken of them does not depend on order.
  std::vector<std::vector<double>> parts(std::size_t(PartsOf(visited)));
  InParts(visited, [&](int number, int from, int to) {
    std::vector<double>& z = parts[std::size_t(number)];
    z.reserve(std::size_t(to - from) * std::size_t(images_));
    for (int m = from; m < to; ++m) {
      const int i = m * stride;
      const Track& t = tracks_[std::size_t(i)];
      if (t.n == 0) continue;
      Line l = t.n >= 2 ? fit.lines[std::size_t(i)] : Line{};
      const Leverage v = LeverageOf(t, l, fit.cx, fit.cy, fit.p00, fit.p01, fit.p11);
      if (!v.fitted && !(v.reach > 0)) continue;
      for (int k = 0; k < images_; ++k) {
        if (i >= src_.Count(k)) continue;
        const Position p = src_.At(k, i);
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) continue;
        const double dx = p.x - fit.cx, dy = p.y - fit.cy, along = l.ux * dx + l.uy * dy;
        const double r = std::fabs(l.ux * dy - l.uy * dx);
        const double lean = 1 - along * l.T * v.iq;
        const double h =
            v.fitted ? lean * lean * v.npn + along * along * v.iq : along * along * v.reach;
        if (!dropped_.Has(i, k)) {
          if (v.fitted && 1 - h > 1e-9) z.push_back(r / std::sqrt(1 - h));
        } else {
          z.push_back(r / std::sqrt(1 + h));
        }
      }
    }
  });
  std::vector<double> z = std::move(parts[0]);
  for (std::size_t part = 1; part < parts.size(); ++part)
    z.insert(z.end(), parts[part].begin(), parts[part].end());
  return z;
}

// The spread of the fit's own measurements is too small when the start set aside good ones
// with the bad: the median of all standardised distances, set aside or not, bounds it from
// below, so that what the start took away too eagerly comes back.
template <typename Source>
double Engine<Source>::SpreadFloor(const Fit& fit) const {
  std::vector<double> z = StandardisedSample(fit);
  if (z.empty()) return 0;
  return std::pow(1.4826 * SelectNth(z.data(), static_cast<int>(z.size()), int(z.size() / 2)), 2);
}

// Where the tail of the standardised distances of all measurements, set aside or not, grows
// beyond the normal one's: the test's bound is made for a clean set and lets gross errors of a
// few σ stay, which a set with many gross errors has many of. The cut sets aside as many of
// the largest as the tail holds beyond the normal one above kCutLeast (Gervini and Yohai's
// adaptive cut-off); 0 when it holds none more.
template <typename Source>
double Engine<Source>::AdaptiveCut(const Fit& fit) const {
  if (fit.Dof() < 1) return 0;
  // Exact measurements have no tail to judge by.
  const double s = std::sqrt(fit.rss / fit.Dof());
  if (!(s > 0) || !std::isfinite(s)) return 0;
  std::vector<double> z = StandardisedSample(fit);
  for (double& d : z) d /= s;
  if (z.empty()) return 0;
  // Only the tail above kCutLeast is compared, and only it needs its order: a distance's rank
  // is those below kCutLeast plus its rank in the tail. Beyond kWhole the normal tail is 0 in
  // doubles (erf rounds to 1), so the first of those says all they can: they need no order.
  constexpr double kWhole = 9;
  const auto tail = std::partition(z.begin(), z.end(), [](double d) { return d < kCutLeast; });
  const auto whole = std::partition(tail, z.end(), [](double d) { return d < kWhole; });
  std::sort(tail, whole);
  const double m = double(z.size());
  double excess = 0;
  for (auto d = tail; d != whole; ++d)
    excess = std::max(excess, std::erf(*d / std::sqrt(2.0)) - double(d - z.begin()) / m);
  if (whole != z.end()) excess = std::max(excess, 1 - double(whole - z.begin()) / m);
  const std::ptrdiff_t cut = std::ptrdiff_t(std::floor(excess * m));
  if (cut == 0) return 0;
  // A cut that reaches below the tail is kCutLeast; one among the largest is selected there.
  const std::ptrdiff_t at = std::ptrdiff_t(z.size()) - 1 - cut;
  if (at < tail - z.begin()) return kCutLeast;
  if (at < whole - z.begin()) return z[std::size_t(at)];
  return SelectNth(&*whole, static_cast<int>(z.end() - whole),
                   static_cast<int>(at - (whole - z.begin())));
}

// Every measurement set aside gets its studentised prediction residual against the fit, what
// the rounds last judged it by.
template <typename Source>
bool Engine<Source>::Studentize(const Fit& fit) {
  if (fit.Dof() < 1) return false;
  const double s2 = fit.rss / fit.Dof();
  InParts(static_cast<int>(flagged_.size()), [&](int, int from, int to) {
    // A track's measurements are mostly listed together: its line and leverage once for them.
    int point = -1;
    Line l;
    Leverage v;
    for (int m = from; m < to; ++m) {
      FlaggedMeasurement& f = flagged_[std::size_t(m)];
      if (f.point != point) {
        point = f.point;
        const Track& t = tracks_[std::size_t(point)];
        l = t.n >= 2 ? fit.lines[std::size_t(point)] : Line{};
        v = LeverageOf(t, l, fit.cx, fit.cy, fit.p00, fit.p01, fit.p11);
      }
      const Position p = src_.At(f.image, f.point);
      const double dx = p.x - fit.cx, dy = p.y - fit.cy, along = l.ux * dx + l.uy * dy;
      const double lean = 1 - along * l.T * v.iq;
      const double h =
          v.fitted ? lean * lean * v.npn + along * along * v.iq : along * along * v.reach;
      f.residual_px = std::fabs(l.ux * dy - l.uy * dx);
      f.studentized = f.residual_px / std::sqrt(s2 * (1 + h));
    }
  });
  return true;
}

// One round at the fit's point: every measurement judged again, then a refit when any verdict
// changed. Returns how many changed, 0 also when the refit would be singular (the round then
// undone).
template <typename Source>
int Engine<Source>::Rebalance(Fit& fit, const std::vector<int>* only) {
  if (fit.Dof() < 2) return 0;
  Judging j = JudgingOf(fit);
  if (spread_floor_) j.s2_floor = SpreadFloor(fit);
  j.cut = cut_;
  j.only = only;
  const int verdicts = Judge(j, 0, true);
  if (verdicts == 0) {
    // Nothing changed: the pass measured the fit as it stands.
    if (!fit.measured && only == nullptr) {
      fit.rss = 0;
      for (const double r : measure_rss_) fit.rss += r;
      fit.measurements = measure_used_;
      fit.worst = measure_worst_;
      fit.measured = true;
    }
    return 0;
  }
  std::optional<Fit> next = Solve(fit.cx, fit.cy, false);
  if (!next) {
    // The round undone: what went now comes back, what came back goes again.
    for (std::size_t m = flagged_.size() - went_out_; m < flagged_.size(); ++m)
      dropped_.Remove(flagged_[m].point, flagged_[m].image);
    flagged_.resize(flagged_.size() - went_out_);
    for (const FlaggedMeasurement& f : came_back_) dropped_.Add(f.point, f.image);
    flagged_.insert(flagged_.end(), came_back_.begin(), came_back_.end());
    for (const int i : changed_) Recompute(i);
    return 0;
  }
  Replace(fit, std::move(*next));
  return verdicts;
}

// The fit of the measurements near the high-breakdown point (sx, sy)'s lines, `bound` the
// distance that screens them first, then rounds of judging and refitting.
template <typename Source>
std::optional<Fit> Engine<Source>::RoundsFrom(double sx, double sy, double bound, double rounds,
                                              int& round) {
  Judging start;
  start.cx = sx;
  start.cy = sy;
  if (Judge(start, bound, false) == 0) return std::nullopt;
  std::optional<Fit> fit = Solve(sx, sy, false);
  // Too little left to test anything: the set is judged as a whole.
  if (!fit || fit->Dof() < 2) return std::nullopt;
  while (round < kRebalanceRounds && round < rounds && Rebalance(*fit) > 0) ++round;
  if (!fit->measured) Measure(*fit);
  if (!Cut(*fit)) return fit;
  for (int cut_round = 0; cut_round < kRebalanceRounds && round < rounds && Rebalance(*fit) > 0;
       ++cut_round)
    ++round;
  if (!fit->measured) Measure(*fit);
  return fit;
}

// Where the test set aside many measurements, the adaptive cut below its bound for the rounds
// that follow (cut_); whether there is one. The fit's spread is then a settled fit's: the
// rounds judge without a floor under it.
template <typename Source>
bool Engine<Source>::Cut(const Fit& fit) {
  if (flagged_.size() < std::max<std::size_t>(kCutFrom, std::size_t(fit.measurements) / 100))
    return false;
  cut_ = AdaptiveCut(fit);
  spread_floor_ = cut_ == 0 && spread_floor_;
  return cut_ > 0;
}

// The fit without gross errors. Many tracks are fitted first on an even sample of them, and
// every track is judged once at the sample's fit, its spread and its uncertainty made the
// whole set's; rounds on the whole set then settle what the sample could not see.
template <typename Source>
std::optional<Fit> Engine<Source>::WithoutGrossErrors(double sx, double sy, double bound,
                                                      const Fit& all, double rounds, int& round) {
  std::vector<int> eligible;
  for (int i = 0; i < points_; ++i)
    if (tracks_[std::size_t(i)].n >= 2) eligible.push_back(i);
  if constexpr (std::is_same_v<Source, TrackMajorSource>) {
    if (eligible.size() > 2 * kSampleFitTracks) {
      std::vector<int> sample;
      const double step = double(eligible.size()) / kSampleFitTracks;
      for (std::size_t m = 0; m < kSampleFitTracks; ++m)
        sample.push_back(eligible[std::size_t(double(m) * step)]);
      // Nothing is set aside yet: tracks_ are the copy's sums.
      TrackMajorSource part(src_, sample, tracks_);
      Engine<TrackMajorSource> on_sample(part, search_work_, part.TakeSums());
      on_sample.AccumulateAll();
      int sample_measurements = 0;
      for (const Track& t : on_sample.tracks_) sample_measurements += t.n;
      int sample_round = 0;
      const std::optional<Fit> s = on_sample.RoundsFrom(sx, sy, bound, rounds, sample_round);
      if (!s || s->Dof() < 2) return std::nullopt;
      // The sample's cut serves the whole set.
      cut_ = on_sample.cut_;
      // The whole set keeps the share of measurements and tracks that the sample kept.
      const double kept = double(s->measurements) / sample_measurements;
      Judging j;
      j.cx = s->cx;
      j.cy = s->cy;
      j.measurements = int(kept * all.measurements);
      j.dof = j.measurements - 2 -
              int(double(s->tracks) / double(sample.size()) * double(eligible.size()));
      if (j.dof < 2) return std::nullopt;
      const double fewer = double(s->measurements) / j.measurements;
      j.p00 = s->p00 * fewer;
      j.p01 = s->p01 * fewer;
      j.p11 = s->p11 * fewer;
      j.rss = s->rss / s->Dof() * j.dof;
      j.tested = all.measurements;
      j.judge_taken_back = true;
      j.cut = cut_;
      // Where the sample's tracks hold two gross errors or more each, the screen comes first;
      // where they hold one, setting aside the one that stands out usually ends the track.
      int dirty = 0;
      for (int m = 0; m < on_sample.points_; ++m) dirty += on_sample.dropped_.Any(m);
      j.screen_first = on_sample.flagged_.size() >= 2 * std::size_t(dirty) && dirty > 0;
      j.peel_one = !j.screen_first;
      j.watch = true;
      // The sample's spread is a fit's, not a start's guess: no floor is needed under it.
      spread_floor_ = false;
      Judge(j, kPrescreen * std::sqrt(s->rss / s->Dof()), true);
      const std::vector<int> watch = std::move(watch_);
      std::optional<Fit> fit = Solve(s->cx, s->cy, false);
      if (!fit || fit->Dof() < 2) return std::nullopt;
      ++round;
      // What the sample's fit left in doubt settles on the refits; the rest stands.
      while (round < kRebalanceRounds && round < rounds && Rebalance(*fit, &watch) > 0) ++round;
      Measure(*fit);
      fit->measured = true;
      return fit;
    }
  }
  return RoundsFrom(sx, sy, bound, rounds, round);
}

// Distances from the robust fit's lines: per image, per point and of the flagged ones. A track
// set aside keeps the line through c and its one remaining measurement.
template <typename Source>
void Engine<Source>::Residuals(const Fit& fit, Diagnostics& d, bool residuals_known) const {
  // A track down to one measurement has no line of its own: the one through c and it.
  const auto line_of = [&](int i) {
    const Track& t = tracks_[std::size_t(i)];
    return t.n >= 2 ? fit.lines[std::size_t(i)] : LineToOne(t, fit.cx, fit.cy);
  };
  std::vector<double> image_sums, point_sums;
  const std::vector<double>* image_ss = &fit.image_ss;
  const std::vector<double>* point_ss = &fit.point_ss;
  if (!fit.image_ss.empty()) {
    for (int k = 0; k < images_; ++k)
      d.images[std::size_t(k)].measurements = fit.image_n[std::size_t(k)];
    for (int i = 0; i < points_; ++i)
      d.points[std::size_t(i)].measurements = fit.point_n[std::size_t(i)];
  } else {
    std::vector<Line> lines(static_cast<std::size_t>(points_));
    for (int i = 0; i < points_; ++i) lines[std::size_t(i)] = line_of(i);
    image_sums.assign(std::size_t(images_), 0);
    point_sums.assign(std::size_t(points_), 0);
    src_.ForEach(points_, [&](int k, int i, double x, double y) {
      if (tracks_[std::size_t(i)].n == 0 || !std::isfinite(x) || !std::isfinite(y)) return;
      const Line& l = lines[std::size_t(i)];
      const double r = l.ux * (y - fit.cy) - l.uy * (x - fit.cx);
      image_sums[std::size_t(k)] += r * r;
      point_sums[std::size_t(i)] += r * r;
      ++d.images[std::size_t(k)].measurements;
      ++d.points[std::size_t(i)].measurements;
    });
    image_ss = &image_sums;
    point_ss = &point_sums;
  }
  for (int k = 0; k < images_; ++k) {
    ImageResidual& r = d.images[std::size_t(k)];
    r.rms_px = r.measurements > 0 ? std::sqrt((*image_ss)[std::size_t(k)] / r.measurements) : kNaN;
  }
  for (int i = 0; i < points_; ++i) {
    PointResidual& r = d.points[std::size_t(i)];
    r.rms_px = r.measurements > 0 ? std::sqrt((*point_ss)[std::size_t(i)] / r.measurements) : kNaN;
  }
  if (!residuals_known)
    InParts(static_cast<int>(d.outliers.size()), [&](int, int from, int to) {
      for (int m = from; m < to; ++m) {
        FlaggedMeasurement& f = d.outliers[std::size_t(m)];
        const Position p = src_.At(f.image, f.point);
        const Line l = line_of(f.point);
        f.residual_px = std::fabs(l.ux * (p.y - fit.cy) - l.uy * (p.x - fit.cx));
      }
    });
  // The flagged measurements are those set aside.
  InParts(points_, [&](int, int from, int to) {
    for (int i = from; i < to; ++i) d.points[std::size_t(i)].flagged = dropped_.Any(i);
  });
}

template <typename Source>
Diagnostics Engine<Source>::Run() {
  Diagnostics d;
  d.images.assign(std::size_t(images_), ImageResidual{0, kNaN});
  d.points.assign(std::size_t(points_), PointResidual{0, kNaN, false});
  AccumulateAll();
  double cx = 0, cy = 0;
  if (!Start(cx, cy)) return d;
  // The refined point asks of the measurements only its RSS; what stands out is looked for
  // only where no gross errors hide, which saves a full pass where they do.
  std::optional<Fit> fit = Solve(cx, cy, false);
  if (!fit) return d;
  Measure(*fit, false);
  d.refined = Estimate(*fit);
  // No work at all allows no search: only whether one stands out is told.
  const double rounds =
      search_work_ > 0 ? std::max(1.0, search_work_ / 2 / std::max(1, fit->measurements)) : 0;
  int round = 0;
  // Many gross errors hide one another from the test below: start it from the measurements
  // that a high-breakdown point finds near their lines, and let the test decide each. A set
  // that hides none is judged as it is, so that a clean set keeps what the test keeps.
  double sx = 0, sy = 0, scale = 0;
  std::vector<int> sampled;
  const bool started = RobustStart(sx, sy, scale, sampled);
  const double bound = std::max(kPrescreen * scale, 1e-10 * (1 + std::hypot(sx, sy)));
  // Whether the flagged measurements' residuals are the final fit's already.
  bool residuals_known = false;
  const bool hides = rounds > 0 && started && Hides(*fit, sampled, sx, sy, bound);
  bool stands_out = false;
  if (!hides) {
    Measure(*fit);
    Worst(*fit, stands_out);
  }
  if (rounds > 0 && started && (hides || stands_out)) {
    std::optional<Fit> robust = WithoutGrossErrors(sx, sy, bound, *fit, rounds, round);
    // A fit of a minority is no fit of the set: a few tracks can nearly meet anywhere.
    if (robust && !flagged_.empty() && 2 * flagged_.size() < std::size_t(fit->measurements)) {
      Replace(*fit, std::move(*robust));
      residuals_known = Studentize(*fit);
    } else {
      // Nothing stays aside (a clean set): the refined fit stands, as it is.
      std::vector<int> touched;
      for (const FlaggedMeasurement& f : flagged_) touched.push_back(f.point);
      flagged_.clear();
      for (const int i : touched) {
        dropped_.Clear(i);
        Recompute(i);
      }
      if (hides) Measure(*fit);
    }
  }
  for (;; ++round) {
    bool exceeds = false;
    const FlaggedMeasurement worst = Worst(*fit, exceeds);
    if (!exceeds) break;
    if (round >= rounds) {  // Out of work while one still stands out: say so.
      d.outlier_search_cut = true;
      break;
    }
    SetAside(worst);
    residuals_known = false;
    std::optional<Fit> next = Solve(fit->cx, fit->cy);
    if (!next) {  // Setting it aside would leave the equations singular: keep it.
      Restore();
      break;
    }
    Replace(*fit, std::move(*next));
  }
  d.outliers = std::move(flagged_);
  d.robust = Estimate(*fit);
  Residuals(*fit, d, residuals_known);
  return d;
}

template <typename Source>
std::optional<PointEstimate> Engine<Source>::RefinedOnly() {
  find_worst_ = false;
  AccumulateAll();
  double cx = 0, cy = 0;
  if (!Start(cx, cy)) return std::nullopt;
  const std::optional<Fit> fit = Solve(cx, cy);
  if (!fit) return std::nullopt;
  return Estimate(*fit);
}

}  // namespace

std::vector<std::vector<Position>> PositionsOf(const ImageSets& images) {
  std::vector<std::vector<Position>> positions(images.Length());
  for (std::size_t k = 0; k < images.Length(); ++k) {
    const VT_Points& set = images[static_cast<std::ptrdiff_t>(k)];
    positions[k].reserve(static_cast<std::size_t>(set.Count()));
    for (int i = 0; i < set.Count(); ++i) positions[k].push_back({set.Get(i)->X, set.Get(i)->Y});
  }
  return positions;
}

std::optional<PointEstimate> RefinedPoint(const PositionArrays& images) {
  const ArraysSource source{images};
  return Engine<ArraysSource>(source, kOutlierSearchWork).RefinedOnly();
}

std::optional<PointEstimate> RefinedPoint(const ImageSets& images) {
  const SetsSource source{images};
  return Engine<SetsSource>(source, kOutlierSearchWork).RefinedOnly();
}

bool Consistent(const std::optional<PointEstimate>& refined) {
  return !refined || !refined->has_uncertainty || !(refined->sigma0_px > kConsistentSigmaPx);
}

namespace {

// The track-major copy holds every image's slot for every point of the first image: where
// the other images hold far fewer (a long first file among many short ones), the search reads
// the images as they are instead of copying mostly gaps.
template <typename Source>
Diagnostics DiagnoseFrom(const Source& images, double search_work) {
  const std::size_t slots = std::size_t(images.Images()) *
                            std::size_t(std::max(0, images.Images() > 0 ? images.Count(0) : 0));
  std::size_t held = 0;
  for (int k = 0; k < images.Images(); ++k) held += std::size_t(images.Count(k));
  if (slots > 4 * held + 1000000) return Engine<Source>(images, search_work).Run();
  TrackMajorSource source{images};
  return Engine<TrackMajorSource>(source, search_work, source.TakeSums()).Run();
}

}  // namespace

Diagnostics Diagnose(const std::vector<std::vector<Position>>& images, double search_work) {
  return DiagnoseFrom(VectorSource{images}, search_work);
}

Diagnostics Diagnose(const ImageSets& images, double search_work) {
  return DiagnoseFrom(SetsSource{images}, search_work);
}

}  // namespace zirt
