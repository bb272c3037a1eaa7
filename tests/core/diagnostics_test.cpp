#include <gtest/gtest.h>

#include <tuple>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <set>
#include <stdexcept>
#include <tuple>
#include <vector>

#include "calib/calibration.h"
#include "data/coordinate_file.h"
#include "diagnostics/adaptive_cut.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/ellipse_check.h"
#include "diagnostics/leverage.h"
#include "diagnostics/measurements.h"
#include "diagnostics/median_line.h"
#include "diagnostics/outlier_test.h"
#include "diagnostics/quantiles.h"
#include "diagnostics/refined_fit.h"
#include "diagnostics/sequence_test.h"
#include "diagnostics/track_line.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

using Images = std::vector<std::vector<Position>>;

Images Zoom(std::mt19937& rng, int k, int n, double sigma);

TEST(Quantiles, StudentAndFisherAgainstClosedFormsAndTables) {
  const double pi = 3.14159265358979323846;
  struct Case {
    double dof, tail, expected, tolerance;
  } cases[] = {
      {1, 0.025, std::tan(pi * (0.5 - 0.025)), 1e-9},
      {1, 1e-6, std::tan(pi * (0.5 - 1e-6)), 1e-3},
      {2, 0.001, 0.998 / std::sqrt(2 * 0.999 * 0.001), 1e-9},
      {10, 0.025, 2.228138851986, 1e-9},
      {30, 0.005, 2.749995653567, 1e-9},
      {4e6, 1e-8, 5.612001244 + (5.612001244 * 5.612001244 * 5.612001244 + 5.612001244) / 1.6e7,
       2e-5},
      {5, 0.975, -2.570581835637, 1e-9},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(StudentTUpper(c.dof, c.tail), c.expected, c.tolerance * std::fabs(c.expected))
        << c.dof << " " << c.tail;
  EXPECT_NEAR(Fisher2Quantile(2, 0.95), 19.0, 1e-9);
  EXPECT_NEAR(Fisher2Quantile(10, 0.95), 4.102821015, 1e-8);
  EXPECT_NEAR(Fisher2Quantile(1e9, 0.95), -std::log(0.05), 1e-6);
}

// The bound on the externally studentised residual is Student's t with one degree of freedom
// fewer than the fit, two-sided at 5% shared among the measurements: against the printed
// table (t0.975(10) = 2.228, t0.995(5) = 4.032, t0.9995(30) = 3.646); t² by hand.
TEST(OutlierTest, BoundIsStudentTOfOneDegreeFewerSharedAmongTheMeasurements) {
  using namespace diagnostics_detail;
  EXPECT_NEAR(OutlierBound(11, 1), 2.228, 1e-3);
  EXPECT_NEAR(OutlierBound(6, 5), 4.032, 1e-3);
  EXPECT_NEAR(OutlierBound(31, 50), 3.646, 1e-3);
  // r² = 4, 1 − h = 0.5, RSS = 10, dof = 5: t² = 4·4 / (10·0.5 − 4) = 16.
  EXPECT_NEAR(StudentisedSquare(4, 0.5, 10, 5, 0), 16, 1e-12);
  EXPECT_TRUE(ExceedsBound(4, 0.5, 10, 5, 0, 15.9));
  EXPECT_FALSE(ExceedsBound(4, 0.5, 10, 5, 0, 16.1));
  // Where the RSS leaves the measurement nothing, the rounding floor bounds the denominator:
  // max(10·0.5 − 6, 1²·4·0.5) = 2, t² = 6·4 / 2.
  EXPECT_NEAR(StudentisedSquare(6, 0.5, 10, 5, 1), 12, 1e-12);
}

// The leverages of a fit's measurements add up to its parameters: the point's two and one
// direction per track (the hat matrix's trace). A term of the leverage dropped or mistaken
// (the lean through the track's own direction, 1/Q) breaks the sum. With the point known
// (A⁻¹ = 0) a measurement's leverage is t²/Q, as in a line through the origin.
TEST(Leverage, AddsUpToTheFitsParameters) {
  using namespace diagnostics_detail;
  std::mt19937 rng(8);
  for (const int images : {2, 3, 7}) {
    Images zoom = Zoom(rng, images, 30, 0.3);
    zoom[1][4] = {std::nan(""), std::nan("")};  // a gap: that track has one fewer
    const Measurements m(zoom);
    double cx = 0, cy = 0;
    ASSERT_TRUE(StartPoint(m.Sums(), cx, cy));
    const std::optional<Fit> fit = Solve(m.Sums(), cx, cy);
    ASSERT_TRUE(fit);
    double sum = 0;
    for (int i = 0; i < m.Tracks(); ++i) {
      if (m.Sums()[std::size_t(i)].n < 2) continue;  // with two images, the gap's track
      Line l = fit->lines[std::size_t(i)];
      const Leverage v = LeverageOf(m.Sums()[std::size_t(i)], l, fit->cx, fit->cy, fit->p);
      for (int k = 0; k < m.Images(); ++k)
        if (const Position p = m.At(k, i); Seen(p))
          sum += v.H(l.ux * (p.x - fit->cx) + l.uy * (p.y - fit->cy));
    }
    EXPECT_EQ(fit->tracks, images == 2 ? 29 : 30);
    EXPECT_NEAR(sum, 2 + fit->tracks, 1e-9) << images;
  }
  Track two;  // measurements at t = 1 and 3 along +x from c = (0, 0)
  two.n = 2;
  two.mx = 2;
  two.sxx = 2;
  Line l = Through(two, 0, 0);
  const Leverage known = LeverageOf(two, l, 0, 0, Inverse{});
  EXPECT_NEAR(known.H(1), 0.1, 1e-15);
  EXPECT_NEAR(known.H(3), 0.9, 1e-15);
}

// The adaptive cut worked by hand. 980 distances of 0.5 and twenty from 3.20 to 3.39: the
// tail's largest excess over the normal one is at 3.20, erf(3.2/√2) − 980/1000 = 0.0186, so
// the 18 largest are cut and the bound is the 19th largest, 3.21 (erf(3.2) instead would cut
// 19). Ten far beyond every normal tail among 990: all ten go, the bound the least, 3σ. A set
// without a tail above 3σ has no cut.
TEST(AdaptiveCut, TailBeyondTheNormalOneWorkedByHand) {
  using namespace diagnostics_detail;
  std::mt19937 rng(4);
  std::vector<double> z(980, 0.5);
  for (int i = 0; i < 20; ++i) z.push_back(3.2 + 0.01 * i);
  std::shuffle(z.begin(), z.end(), rng);
  EXPECT_NEAR(AdaptiveCut(z, 3), 3.21, 1e-12);
  std::vector<double> far(990, 0.5);
  far.insert(far.end(), 10, 20.0);
  std::shuffle(far.begin(), far.end(), rng);
  EXPECT_EQ(AdaptiveCut(far, 3), 3);
  EXPECT_EQ(AdaptiveCut(std::vector<double>(1000, 2.9), 3), 0);
  EXPECT_EQ(AdaptiveCut({}, 3), 0);
}

// Tracks through (cx, cy) in directions `deg`, at the given distances along them, one image
// per distance.
Images Star(double cx, double cy, const std::vector<double>& deg, const std::vector<double>& at) {
  Images images(at.size());
  for (std::size_t k = 0; k < at.size(); ++k)
    for (double a : deg)
      images[k].push_back({cx + at[k] * std::cos(a * 3.14159265358979323846 / 180),
                           cy + at[k] * std::sin(a * 3.14159265358979323846 / 180)});
  return images;
}

// The pieces of judging a track: the median against a sort, with ties and points behind the
// centre (±1e300); the kept track's one-pass sums against TrackOf's two passes; the length
// against std::hypot, where squares overflow or vanish too.
TEST(TrackLine, PiecesOfJudgingATrackAgreeWithTheirDefinitions) {
  using namespace diagnostics_detail;
  std::mt19937_64 rng(5);
  for (int n = 1; n <= 40; ++n) {
    for (int trial = 0; trial < 20; ++trial) {
      std::vector<double> v(static_cast<std::size_t>(n));
      // Zeros of both signs: equal, they keep their order in a track's few values, so the
      // median's sign is a stable sort's there.
      for (double& x : v)
        x = rng() % 7 == 0   ? (rng() % 2 ? 1e300 : -1e300)
            : rng() % 5 == 0 ? (rng() % 2 ? 0.0 : -0.0)
                             : double(rng() % 9) - 4 + 0.25 * (rng() % 3);
      std::vector<double> sorted = v;
      std::stable_sort(sorted.begin(), sorted.end());
      const std::size_t q = std::size_t(n / 2);
      const double expected = n % 2 ? sorted[q] : 0.5 * (sorted[q] + sorted[q - 1]);
      const double median = MedianOf(v.data(), n);
      EXPECT_EQ(median, expected) << n;
      if (n <= 16) {
        EXPECT_EQ(std::signbit(median), std::signbit(expected)) << n;
      }

      std::vector<Position> p(static_cast<std::size_t>(n));
      std::vector<char> aside(static_cast<std::size_t>(n));
      for (int k = 0; k < n; ++k) {
        p[std::size_t(k)] = {double(rng() % 1000) / 7, double(rng() % 1000) / 3};
        aside[std::size_t(k)] = rng() % 3 == 0;
      }
      const Track fast = TrackOfKept(p.data(), n, aside.data());
      const Track plain = TrackOf(p.data(), n, [&](int k) { return !aside[std::size_t(k)]; });
      EXPECT_EQ(fast.n, plain.n);
      const double size = 1e-12 * (1 + plain.sxx + plain.syy);
      EXPECT_NEAR(fast.mx, plain.mx, 1e-12 * 150);
      EXPECT_NEAR(fast.my, plain.my, 1e-12 * 350);
      EXPECT_NEAR(fast.sxx, plain.sxx, size);
      EXPECT_NEAR(fast.sxy, plain.sxy, size);
      EXPECT_NEAR(fast.syy, plain.syy, size);

      // The median line's distances against a sort of the directions' tangents; c among the
      // points, so that some lie behind it.
      const double cx = 60, cy = 170;
      std::vector<double> tangent(p.size()), r(p.size());
      MedianLineResiduals(p.data(), n, cx, cy, tangent.data(), r.data());
      Position mean{0, 0};
      for (const Position& q : p) mean = {mean.x + q.x / n, mean.y + q.y / n};
      const double len = std::hypot(mean.x - cx, mean.y - cy);
      const double ux = (mean.x - cx) / len, uy = (mean.y - cy) / len;
      std::vector<double> t;
      for (const Position& q : p) {
        const double along = ux * (q.x - cx) + uy * (q.y - cy);
        const double across = ux * (q.y - cy) - uy * (q.x - cx);
        t.push_back(along > 0 ? across / along : std::copysign(1e300, across));
      }
      std::sort(t.begin(), t.end());
      const double m = n % 2 ? t[q] : 0.5 * (t[q] + t[q - 1]);
      const double wx = (ux - m * uy) / std::hypot(1.0, m), wy = (uy + m * ux) / std::hypot(1.0, m);
      for (int k = 0; k < n; ++k) {
        const Position& a = p[std::size_t(k)];
        EXPECT_NEAR(r[std::size_t(k)], std::fabs(wx * (a.y - cy) - wy * (a.x - cx)), 1e-9)
            << n << " " << k;
      }
    }
  }
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{
           {3, 4}, {1e200, 1e200}, {1e-200, 3e-200}, {0, 0}, {-2.5, 1e-3}}) {
    const double h = std::hypot(x, y);
    EXPECT_LE(std::fabs(Length(x, y) - h), 2e-16 * h) << x << " " << y;
  }
}

// Selection among thousands against a full one: the bracket from the sample holds the value,
// misses it (a run of equal values, positions at either end; with 4,096 values in order the
// one at 4,081 lies just past it), or meets a NaN.
TEST(TrackLine, SelectionAmongManyIsTheFullSelection) {
  using namespace diagnostics_detail;
  std::mt19937_64 rng(9);
  std::normal_distribution<double> normal(0, 1);
  for (const int n : {2047, 2048, 4000, 4096, 20011}) {
    for (int kind = 0; kind < 4; ++kind) {
      std::vector<double> v(static_cast<std::size_t>(n));
      for (std::size_t k = 0; k < v.size(); ++k)
        v[k] = kind == 0   ? std::fabs(normal(rng))
               : kind == 1 ? double(rng() % 3)
               : kind == 2 ? double(k)
                           : (k == 7 ? std::nan("") : normal(rng));
      for (const int q : {0, 1, n / 4, n / 2, n - 15, n - 2, n - 1}) {
        std::vector<double> all = v, many = v;
        std::nth_element(all.begin(), all.begin() + q, all.end());
        EXPECT_EQ(SelectAmongMany(many.data(), n, q), all[std::size_t(q)]) << n << " " << q;
      }
    }
  }
}

TEST(Diagnose, ExactAndDegenerateSets) {
  // Exact tracks, a vertical one among them: the point itself, no residual, no spread.
  Diagnostics d = Diagnose(Star(1000, 700, {90, 10, 200}, {100, 200, 300}));
  ASSERT_TRUE(d.refined && d.robust);
  EXPECT_NEAR(d.refined->x, 1000, 1e-9);
  EXPECT_NEAR(d.refined->y, 700, 1e-9);
  EXPECT_EQ(d.refined->dof, 9 - 2 - 3);
  EXPECT_NEAR(d.refined->rms_px, 0, 1e-9);
  EXPECT_NEAR(d.refined->major_px, 0, 1e-6);
  EXPECT_NEAR(d.refined->track_angle_deg[0], 90, 1e-9);
  EXPECT_TRUE(d.outliers.empty());
  EXPECT_EQ(d.points.size(), 3u);
  EXPECT_EQ(d.images[1].measurements, 3);

  // Exact tracks with three measurements pushed off: they go, and the point is exact again
  // (no spread to scale a cut by).
  Images pushed = Star(800, 600, {0, 35, 80, 120, 170, 215, 260, 310}, {100, 150, 210, 280});
  pushed[1][2].x += 5;
  pushed[3][5].y -= 7;
  pushed[2][7].x += 4;
  d = Diagnose(pushed);
  ASSERT_TRUE(d.robust);
  EXPECT_EQ(d.outliers.size(), 3u);
  EXPECT_NEAR(d.robust->x, 800, 1e-6);
  EXPECT_NEAR(d.robust->y, 600, 1e-6);

  // A long first image among many short ones is read as it is, not copied into mostly gaps:
  // the same point and figures as the copy gives for the points the others hold.
  Images uneven_long = Star(700, 500, {0, 50, 100, 150, 200, 250, 300}, {100, 140, 190});
  std::mt19937_64 jitter(3);
  std::normal_distribution<double> wobble(0, 0.2);
  for (auto& image : uneven_long)
    for (Position& p : image) p = {p.x + wobble(jitter), p.y + wobble(jitter)};
  uneven_long[2][4].y += 9;
  const Diagnostics copied = Diagnose(uneven_long);
  for (int extra = 0; extra < 3000; ++extra) uneven_long[0].push_back({1e4 + extra, 5});
  uneven_long.resize(400);
  d = Diagnose(uneven_long);
  ASSERT_TRUE(d.robust && copied.robust);
  EXPECT_EQ(d.refined->x, copied.refined->x);
  EXPECT_EQ(d.robust->y, copied.robust->y);
  EXPECT_EQ(d.outliers.size(), copied.outliers.size());
  EXPECT_EQ(d.points[4].rms_px, copied.points[4].rms_px);

  // Two tracks of two: the intersection, without uncertainty.
  d = Diagnose(Star(50, 60, {30, 120}, {10, 40}));
  ASSERT_TRUE(d.refined);
  EXPECT_NEAR(d.refined->x, 50, 1e-9);
  EXPECT_EQ(d.refined->dof, 0);
  EXPECT_FALSE(d.refined->has_uncertainty);
  EXPECT_TRUE(std::isnan(d.refined->sigma_x) && std::isnan(d.refined->major_px));

  // No estimate: one track, parallel tracks, no points.
  EXPECT_FALSE(Diagnose(Star(0, 0, {45}, {1, 2, 3})).refined);
  EXPECT_FALSE(Diagnose(Images{{{0, 0}, {0, 5}}, {{10, 0}, {10, 5}}, {{20, 0}, {20, 5}}}).refined);
  EXPECT_FALSE(Diagnose(Images{{}, {}}).refined);
  // Coordinates whose squares overflow give no estimate rather than a wrong one.
  EXPECT_FALSE(Diagnose(Star(1e300, 0, {10, 80, 150}, {1e300, 2e300, 3e300})).refined);

  // A shorter image lacks points, a longer one adds none, a NaN is left out.
  Images uneven = Star(500, 400, {0, 60, 130, 250}, {100, 150, 220});
  uneven[1].pop_back();
  uneven[2].push_back({1, 1});
  uneven[0][0].x = std::nan("");
  uneven[2][2].y = std::numeric_limits<double>::infinity();  // y alone counts as much
  d = Diagnose(uneven);
  ASSERT_TRUE(d.refined);
  EXPECT_EQ(d.refined->measurements, 12 - 3);
  EXPECT_EQ(d.images[2].measurements, 3);
  EXPECT_EQ(d.points.size(), 4u);
  EXPECT_NEAR(d.refined->y, 400, 1e-9);
}

TEST(Diagnose, MistypedCoordinateIsSetAside) {
  // A second gross error, smaller, is found once the first is set aside.
  struct Case {
    std::vector<double> at;
    int image, point;
    bool whole_track;
    int second_image = -1, second_point = -1;
  } cases[] = {{{100, 140, 180, 230}, 2, 3, false},
               {{100, 150, 220}, 0, 1, false},
               {{100, 180}, 1, 4, true},
               {{100, 140, 180, 230}, 2, 3, false, 0, 6}};
  for (const Case& c : cases) {
    Images images = Star(2000, 1500, {0, 40, 75, 110, 160, 200, 250, 300}, c.at);
    std::mt19937_64 rng(5);
    std::normal_distribution<double> noise(0, 0.3);
    for (auto& image : images)
      for (Position& p : image) p = {p.x + noise(rng), p.y + noise(rng)};
    images[std::size_t(c.image)][std::size_t(c.point)].y += 25;
    const bool second = c.second_image >= 0;
    if (second) images[std::size_t(c.second_image)][std::size_t(c.second_point)].x += 6;
    const Diagnostics d = Diagnose(images);
    ASSERT_TRUE(d.refined && d.robust);
    ASSERT_EQ(d.outliers.size(), second ? 2u : 1u) << c.at.size();
    EXPECT_TRUE(d.points[std::size_t(c.point)].flagged);
    EXPECT_GT(d.outliers[0].residual_px, 5);
    if (second) {
      EXPECT_TRUE(d.points[std::size_t(c.second_point)].flagged);
      continue;
    }
    EXPECT_EQ(d.robust->tracks, c.whole_track ? 7 : 8);
    if (c.whole_track) {
      // The track set aside keeps its residual: its remaining measurement lies on the line
      // through the point, so all of it is the flagged one's.
      const PointResidual& r = d.points[std::size_t(c.point)];
      EXPECT_EQ(r.measurements, 2);
      EXPECT_NEAR(r.rms_px, d.outliers[0].residual_px / std::sqrt(2.0), 1e-9);
    }
    EXPECT_LT(std::hypot(d.robust->x - 2000, d.robust->y - 1500), 3 * d.robust->major_px);
    EXPECT_GT(std::hypot(d.refined->x - 2000, d.refined->y - 1500),
              std::hypot(d.robust->x - 2000, d.robust->y - 1500));
    if (c.whole_track) continue;  // Which of the two went wrong cannot be told.
    EXPECT_EQ(d.outliers[0].image, c.image);
    EXPECT_GT(d.images[std::size_t(c.image)].rms_px, 5 * d.robust->rms_px);
  }
}

// Synthetic zoom sequences of a known principal point.
struct Scene {
  Images clean, gross;
  double cx, cy;
  int images, bad_point;
};

Scene MakeScene(std::mt19937_64& rng, bool vertical, int most_points = 20) {
  std::uniform_real_distribution<double> u(0, 1);
  static const int sizes[][2] = {
      {1920, 1080}, {2560, 1440}, {3000, 2000}, {3840, 2160}, {4000, 3000}};
  const auto& size = sizes[rng() % 5];
  Scene s;
  s.images = 2 + int(rng() % 5);
  // Up to 20 points evenly, more spread over the orders of magnitude.
  const int points =
      most_points <= 20 ? 8 + int(rng() % 13) : int(8 * std::pow(most_points / 8.0, u(rng)));
  const double sigma = 0.1 + 0.9 * u(rng);
  double ox, oy;
  do {
    ox = 100 * u(rng) - 50;
    oy = 100 * u(rng) - 50;
  } while (ox * ox + oy * oy > 2500);
  s.cx = size[0] / 2.0 + ox;
  s.cy = size[1] / 2.0 + oy;
  s.bad_point = int(rng() % unsigned(points));
  const int bad_image = int(rng() % unsigned(s.images));
  const double bad = std::max(8.0, 15 * sigma) * (1 + u(rng)) * (rng() % 2 ? 1 : -1);
  std::normal_distribution<double> noise(0, sigma);
  std::vector<Position> base{std::size_t(points)};
  for (auto& p : base) p = {size[0] * u(rng), size[1] * u(rng)};
  s.clean.resize(std::size_t(s.images));
  s.gross.resize(std::size_t(s.images));
  auto three = [](double v) { return std::round(v * 1000) / 1000; };
  for (int k = 0; k < s.images; ++k) {
    const double zoom = 0.7 + 0.6 * k / (s.images - 1);
    for (int i = 0; i < points; ++i) {
      const Position& b = base[std::size_t(i)];
      double x = s.cx + zoom * (b.x - s.cx) + noise(rng);
      double y = s.cy + zoom * (b.y - s.cy) + noise(rng);
      if (vertical && i == 0) x = std::round(s.cx);
      s.clean[std::size_t(k)].push_back({three(x), three(y)});
      if (i == s.bad_point && k == bad_image) {
        const double len = std::hypot(b.x - s.cx, b.y - s.cy);
        x += bad * -(b.y - s.cy) / len;
        y += bad * (b.x - s.cx) / len;
      }
      s.gross[std::size_t(k)].push_back({three(x), three(y)});
    }
  }
  return s;
}

// The principal point of the report's method, or nothing where it fails.
std::optional<Position> ReportPoint(const Images& images) {
  struct Quiet : CalibrationView {
    void ClearReport() override {}
    void AppendReport(const std::string&) override {}
    void LineFitted(const VT_Point&) override {}
  } quiet;
  Calibration c;
  std::vector<std::unique_ptr<VT_Points>> sets;
  for (const auto& image : images) {
    sets.push_back(std::make_unique<VT_Points>(1));
    for (const Position& p : image) sets.back()->Add(new VT_Point(p.x, p.y));
  }
  c.TakeImages(std::move(sets));
  try {
    c.Compute(quiet);
  } catch (const Exception&) {
    return std::nullopt;
  }
  return Position{c.PrincipalX, c.PrincipalY};
}

double Quantile(std::vector<double> v, double p) {
  std::sort(v.begin(), v.end());
  return v[std::size_t(p * double(v.size() - 1) + 0.5)];
}

bool Covers(const PointEstimate& e, double x, double y) {
  const double dx = x - e.x, dy = y - e.y;
  const double det = e.cov_xx * e.cov_yy - e.cov_xy * e.cov_xy;
  const double q = (e.cov_yy * dx * dx - 2 * e.cov_xy * dx * dy + e.cov_xx * dy * dy) / det;
  return q <= 2 * Fisher2Quantile(e.dof, 0.95);
}

TEST(Diagnose, MonteCarloOfZoomSequences) {
  std::mt19937_64 rng(20261207);
  const int sets = 600;
  std::vector<double> refined, report, clean_robust, gross_robust;
  int covered = 0, uncertain = 0, false_flags = 0, found = 0, gross_sets = 0;
  int vertical_solved = 0, vertical_report_solved = 0;
  for (int n = 0; n < sets; ++n) {
    const bool vertical = n % 10 == 0;
    const Scene s = MakeScene(rng, vertical);
    const Diagnostics clean = Diagnose(s.clean);
    ASSERT_TRUE(clean.refined && clean.robust);
    const double error = std::hypot(clean.refined->x - s.cx, clean.refined->y - s.cy);
    if (vertical) {
      vertical_solved += error < 20;
      vertical_report_solved += ReportPoint(s.clean).has_value();
      continue;
    }
    refined.push_back(error);
    const auto parts = ReportPoint(s.clean);
    ASSERT_TRUE(parts);
    report.push_back(std::hypot(parts->x - s.cx, parts->y - s.cy));
    if (clean.refined->has_uncertainty) {
      ++uncertain;
      covered += Covers(*clean.refined, s.cx, s.cy);
    }
    false_flags += !clean.outliers.empty();
    clean_robust.push_back(std::hypot(clean.robust->x - s.cx, clean.robust->y - s.cy));
    const Diagnostics gross = Diagnose(s.gross);
    ASSERT_TRUE(gross.robust);
    gross_robust.push_back(std::hypot(gross.robust->x - s.cx, gross.robust->y - s.cy));
    if (s.images >= 3) {
      ++gross_sets;
      found += gross.points[std::size_t(s.bad_point)].flagged;
    }
  }
  const double median_ratio = Quantile(refined, 0.5) / Quantile(report, 0.5);
  const double p95_ratio = Quantile(refined, 0.95) / Quantile(report, 0.95);
  const double coverage = double(covered) / uncertain;
  const double false_rate = double(false_flags) / double(refined.size());
  const double detection = double(found) / gross_sets;
  const double robust_ratio = Quantile(gross_robust, 0.5) / Quantile(clean_robust, 0.5);
  std::printf(
      "refined/report error: median %.3f, 95th %.3f; coverage %.3f; false flags %.3f; "
      "found %.3f of %d; robust median with a gross error / clean %.3f; vertical %d, report %d\n",
      median_ratio, p95_ratio, coverage, false_rate, detection, gross_sets, robust_ratio,
      vertical_solved, vertical_report_solved);
  EXPECT_LE(median_ratio, 0.8);
  EXPECT_LE(p95_ratio, 0.75);
  EXPECT_GE(coverage, 0.92);
  EXPECT_LE(coverage, 0.98);
  EXPECT_LE(false_rate, 0.07);
  EXPECT_GE(detection, 0.95);
  EXPECT_LE(robust_ratio, 1.3);
  EXPECT_EQ(vertical_solved, sets / 10);
  EXPECT_EQ(vertical_report_solved, 0);
}

// A zoom sequence of `k` images of `n` random points about a random centre, with Gaussian
// measuring noise of `sigma` px.
Images Zoom(std::mt19937& rng, int k, int n, double sigma) {
  std::uniform_real_distribution<double> u(0, 1);
  std::normal_distribution<double> noise(0, sigma);
  const double cx = 450 + 100 * u(rng), cy = 330 + 100 * u(rng);
  std::vector<Position> target;
  for (int i = 0; i < n; ++i) target.push_back({100 + 800 * u(rng), 80 + 600 * u(rng)});
  Images images(static_cast<std::size_t>(k));
  for (int j = 0; j < k; ++j) {
    const double s = 0.6 + 0.4 * j / (k - 1) + 0.02 * u(rng);
    for (const Position& p : target)
      images[std::size_t(j)].push_back(
          {cx + s * (p.x - cx) + noise(rng), cy + s * (p.y - cy) + noise(rng)});
  }
  return images;
}

SequenceTest Tested(const Images& images) {
  const Diagnostics d = Diagnose(images);
  return d.refined ? TestSequence(images, d.refined->x, d.refined->y) : SequenceTest{};
}

TEST(SequenceTest, NamesTheShiftedImageAndNeedsThree) {
  SeparatorGuard point('.');
  std::mt19937 rng(21);
  Images images = Zoom(rng, 6, 10, 0.02);
  for (Position& p : images[2]) {
    p.x += 1.2;
    p.y -= 0.4;
  }
  const SequenceTest test = Tested(images);
  ASSERT_TRUE(test.defined);
  for (int k = 0; k < 6; ++k)
    EXPECT_LE(test.images[std::size_t(k)].statistic, test.images[2].statistic) << k;
  EXPECT_NEAR(test.images[2].dx, 1.2, 4 * test.images[2].sigma_x);
  EXPECT_NEAR(test.images[2].dy, -0.4, 4 * test.images[2].sigma_y);
  const std::vector<std::string> names = {"/d/zoom1.crd", "/d/zoom2.crd", "/d/zoom3.crd",
                                          "/d/zoom4.crd", "/d/zoom5.crd", "/d/zoom6.crd"};
  EXPECT_EQ(SequenceFindings(test, names)[0],
            "снимок zoom3.crd сдвинут на (1.2; −0.4) пикс.: камера сдвинулась или центр зума "
            "сместился");
  images.resize(2);
  const SequenceTest two = Tested(images);
  EXPECT_FALSE(two.defined);
  EXPECT_EQ(SequenceFindings(two, names)[0],
            "Проверка сдвига снимков не определена: нужно не меньше трёх снимков.");

  // Degrees of freedom: measurements − 2 (the centre) − tracks, two fewer for an image's shift.
  // Three images of three points leave 9 − 2 − 3 − 2 = 2, so the bound is F(2, 2) at
  // 1 − 0.01/3: (0.01/3)^−1 − 1 = 299; three images of two points leave none.
  std::mt19937 small_rng(3);
  const SequenceTest three = Tested(Zoom(small_rng, 3, 3, 0.05));
  ASSERT_TRUE(three.defined);
  EXPECT_NEAR(three.bound, 299, 1e-6);
  const SequenceTest pairs = Tested(Zoom(small_rng, 3, 2, 0.05));
  EXPECT_FALSE(pairs.defined);
  EXPECT_EQ(SequenceFindings(pairs, names)[0],
            "Проверка сдвига снимков не определена: общая точка не найдена.");
}

// A point not seen in an image (NaN) is left out of its track, which is fitted over its own
// images: the same bits as the set in which that image simply lacks the point.
TEST(Diagnose, TrackWithAGapIsFittedOverItsOwnImages) {
  std::mt19937 rng(12);
  Images seen = Zoom(rng, 5, 12, 0.1);
  seen[3][7] = {seen[3][7].x + 25, seen[3][7].y - 30};  // a gross error elsewhere
  Images gap = seen, absent = seen;
  gap[2][11] = {std::nan(""), std::nan("")};
  absent[2].pop_back();
  const Diagnostics a = Diagnose(gap), b = Diagnose(absent);
  ASSERT_TRUE(a.refined && a.robust && b.refined && b.robust);
  for (const auto& [e, f] : {std::pair{*a.refined, *b.refined}, std::pair{*a.robust, *b.robust}}) {
    EXPECT_EQ(e.x, f.x);
    EXPECT_EQ(e.y, f.y);
    EXPECT_EQ(e.sigma0_px, f.sigma0_px);
    EXPECT_EQ(e.measurements, f.measurements);
    EXPECT_EQ(e.track_angle_deg[11], f.track_angle_deg[11]);
  }
  EXPECT_EQ(a.refined->measurements, 59);
  EXPECT_EQ(a.points[11].measurements, 4);
  EXPECT_EQ(a.points[11].rms_px, b.points[11].rms_px);
  EXPECT_EQ(a.images[2].measurements, 11);
  ASSERT_EQ(a.outliers.size(), b.outliers.size());
  ASSERT_EQ(a.outliers.size(), 1u);
  EXPECT_EQ(a.outliers[0].image, 3);
  EXPECT_EQ(a.outliers[0].point, 7);
  EXPECT_EQ(a.outliers[0].studentized, b.outliers[0].studentized);
}

// A gross error leans its track's line onto the images at the track's other end: two points
// of the examples' zoom3 swapped (a numbering slip) named zoom4 and zoom1 as moved. The slip
// is named in its own image, and a real shift of one image is still found among gross errors.
TEST(SequenceTest, GrossErrorsAreBlamedOnTheirOwnImage) {
  SeparatorGuard point('.');
  Images images;
  for (const char* name : {"zoom1", "zoom2", "zoom3", "zoom4"}) {
    std::ifstream file(std::string(ZIRT_TEST_DATA) + "/../../examples/" + name + ".crd");
    std::string text((std::istreambuf_iterator<char>(file)), {});
    ImageSets one;
    one.Append(ParseCoordinateText(text, name));
    images.push_back(PositionsOf(one)[0]);
  }
  ASSERT_EQ(images[2].size(), 12u);
  std::swap(images[2][0], images[2][1]);
  const std::vector<std::string> names = {"zoom1.crd", "zoom2.crd", "zoom3.crd", "zoom4.crd"};
  const std::vector<std::string> lines =
      SequenceFindings(TestSequence(images, Diagnose(images)), names);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "Ни один снимок не сдвинут относительно общей точки.");
  EXPECT_EQ(lines[1],
            "в снимке zoom3.crd отброшены грубые измерения (точки 1, 2): точки пронумерованы "
            "неверно или измерены с ошибкой; сдвиг других снимков проверен без них");

  std::mt19937 rng(5);
  Images moved = Zoom(rng, 5, 12, 0.05);
  std::swap(moved[0][3], moved[0][4]);
  for (Position& p : moved[3]) p.x += 0.8;
  const SequenceTest test = TestSequence(moved, Diagnose(moved));
  for (int k = 0; k < 5; ++k) EXPECT_EQ(test.images[std::size_t(k)].flagged, k == 3) << k;
  EXPECT_NEAR(test.images[3].dx, 0.8, 4 * test.images[3].sigma_x);
  EXPECT_EQ(test.set_aside[0], (std::vector<int>{3, 4}));
  // The moved image's measurements, set aside as gross, are its shift, not numbering slips.
  const std::vector<std::string> found = SequenceFindings(test, {"a", "b", "c", "d", "e"});
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].rfind("снимок d сдвинут на (0.8; ", 0), 0u) << found[0];
  EXPECT_EQ(found[1].rfind("в снимке a отброшены грубые измерения (точки 4, 5)", 0), 0u);
}

// The false-alarm rate of clean sequences stays within 2%, and one image moved by six times
// its own σ is found in at least 90% of sequences, for three images and more.
TEST(SequenceTest, FalseAlarmsAndDetectionOnSimulatedSequences) {
  std::mt19937 rng(2112);
  for (const int k : {3, 4, 6}) {
    constexpr int kRuns = 2000;
    int false_alarms = 0, found = 0;
    std::uniform_real_distribution<double> u(0, 1);
    for (int run = 0; run < kRuns; ++run) {
      Images images = Zoom(rng, k, 6 + run % 10, 0.05 + 0.3 * u(rng));
      const SequenceTest clean = Tested(images);
      ASSERT_TRUE(clean.defined);
      bool any = false;
      for (const ImageShift& s : clean.images) any = any || s.flagged;
      false_alarms += any;
      const std::size_t moved = std::size_t(run % k);
      const double angle = 2 * 3.14159265358979323846 * u(rng);
      const double along = 6 * std::hypot(clean.images[moved].sigma_x * std::cos(angle),
                                          clean.images[moved].sigma_y * std::sin(angle));
      for (Position& p : images[moved]) {
        p.x += along * std::cos(angle);
        p.y += along * std::sin(angle);
      }
      found += Tested(images).images[moved].flagged;
    }
    EXPECT_LE(false_alarms, kRuns * 2 / 100) << k << " images";
    EXPECT_GE(found, kRuns * 90 / 100) << k << " images";
    std::printf("%d images: %d false alarms, %d of %d shifts found\n", k, false_alarms, found,
                kRuns);
  }
}

// Gross errors by the tenth: measurements replaced by a point anywhere in the frame or moved
// 10 to 60 px. The high-breakdown start keeps the robust point within half again the clean
// refined error (medians), where starting from the fit of all measurements let them hide one
// another, and leaves clean sets to the test alone.
TEST(Diagnose, ManyGrossErrorsDoNotHideOneAnother) {
  std::mt19937_64 rng(18);
  std::uniform_real_distribution<double> u(0, 1);
  for (const double share : {0.0, 0.1, 0.3}) {
    std::vector<double> clean_error, robust_error;
    int unchanged = 0;
    for (int n = 0; n < 150; ++n) {
      const Scene s = MakeScene(rng, false, 1000);
      Images gross = s.clean;
      for (auto& image : gross)
        for (Position& p : image) {
          if (u(rng) >= share) continue;
          const double a = 2 * 3.14159265358979323846 * u(rng), r = 10 + 50 * u(rng);
          p = rng() % 2 ? Position{2 * s.cx * u(rng), 2 * s.cy * u(rng)}
                        : Position{p.x + r * std::cos(a), p.y + r * std::sin(a)};
        }
      const Diagnostics clean = Diagnose(s.clean), d = Diagnose(gross);
      ASSERT_TRUE(clean.refined && d.robust);
      clean_error.push_back(std::hypot(clean.refined->x - s.cx, clean.refined->y - s.cy));
      robust_error.push_back(std::hypot(d.robust->x - s.cx, d.robust->y - s.cy));
      unchanged += clean.outliers.empty() && clean.robust->x == clean.refined->x;
    }
    const double ratio = Quantile(robust_error, 0.5) / Quantile(clean_error, 0.5);
    std::printf("%.0f%% gross errors: robust / clean refined error, medians %.3f\n", 100 * share,
                ratio);
    EXPECT_LE(ratio, 1.5) << share;
    if (share == 0) {
      EXPECT_GE(unchanged, 135);
    }
  }

  // Four images (or more) of a zoom about (2000, 1500).
  std::normal_distribution<double> noise(0, 0.3);
  const auto zoom_of = [&](int points, int count = 4) {
    Images zoom(static_cast<std::size_t>(count));
    for (int i = 0; i < points; ++i) {
      const double bx = 4000 * u(rng), by = 3000 * u(rng);
      for (int k = 0; k < count; ++k) {
        const double scale = 0.7 + 0.2 * k;
        zoom[std::size_t(k)].push_back(
            {2000 + scale * (bx - 2000) + noise(rng), 1500 + scale * (by - 1500) + noise(rng)});
      }
    }
    return zoom;
  };

  // 5% of 200,000 measurements: 50,000 points.
  Images images = zoom_of(50000);
  int replaced = 0;
  std::set<std::pair<int, int>> gross;
  for (std::size_t k = 0; k < images.size(); ++k)
    for (std::size_t i = 0; i < images[k].size(); ++i)
      if (u(rng) < 0.05) {
        images[k][i] = {4000 * u(rng), 3000 * u(rng)};
        gross.insert({int(k), int(i)});
        ++replaced;
      }
  const Diagnostics d = Diagnose(images);
  ASSERT_TRUE(d.robust);
  EXPECT_LT(std::hypot(d.robust->x - 2000, d.robust->y - 1500), 0.05);
  EXPECT_GT(std::hypot(d.refined->x - 2000, d.refined->y - 1500), 1);
  EXPECT_NEAR(double(d.outliers.size()), replaced, 0.03 * replaced);
  EXPECT_FALSE(d.outlier_search_cut);
  // Fitted first on a sample of the tracks, then judged track by track: in a track with one
  // gross error at most, what is set aside is that error, but for a few clean measurements in
  // a thousand beyond the adaptive cut. (Two in four may outvote the rest.) Each stands at
  // least 3σ off the robust fit.
  std::vector<int> per_track(50000, 0);
  for (const auto& [k, i] : gross) ++per_track[std::size_t(i)];
  int clean_flagged = 0, near = 0;
  for (const FlaggedMeasurement& f : d.outliers) {
    clean_flagged += per_track[std::size_t(f.point)] < 2 && !gross.count({f.image, f.point});
    near += !(f.studentized >= 3);
  }
  EXPECT_LE(clean_flagged, replaced / 100);
  EXPECT_EQ(near, 0);
  // Every measurement set aside is listed once, and the points flagged are those listed.
  const auto listed_once = [](const Diagnostics& set) {
    std::set<std::pair<int, int>> listed;
    std::set<int> listed_points;
    for (const FlaggedMeasurement& f : set.outliers) {
      listed.insert({f.image, f.point});
      listed_points.insert(f.point);
    }
    EXPECT_EQ(listed.size(), set.outliers.size());
    std::size_t flagged_points = 0;
    for (const PointResidual& p : set.points) flagged_points += p.flagged;
    EXPECT_EQ(flagged_points, listed_points.size());
  };
  listed_once(d);

  // 30% of 60,000 measurements on tracks few enough to be judged round by round, all of them:
  // rounds take back thousands from a list long enough to be closed up in parts.
  Images thirty = zoom_of(15000);
  for (auto& image : thirty)
    for (Position& p : image)
      if (u(rng) < 0.3) p = {4000 * u(rng), 3000 * u(rng)};
  const Diagnostics t = Diagnose(thirty);
  ASSERT_TRUE(t.robust);
  EXPECT_LT(std::hypot(t.robust->x - 2000, t.robust->y - 1500), 0.05);
  listed_once(t);

  // 30% of 8 × 21,001 measurements: judged first on a sample, every track then screened (two
  // gross errors or more in most).
  Images sampled = zoom_of(21001, 8);
  for (auto& image : sampled)
    for (Position& p : image)
      if (u(rng) < 0.3) p = {4000 * u(rng), 3000 * u(rng)};
  const Diagnostics a = Diagnose(sampled);
  ASSERT_TRUE(a.robust);
  EXPECT_LT(std::hypot(a.robust->x - 2000, a.robust->y - 1500), 0.05);
  listed_once(a);
}

// zirt-batch's refined point alone, from plain arrays image by image, is the diagnostics' one
// to the bit, whatever the order the two visit the measurements in.
TEST(Diagnose, RefinedPointAloneIsTheDiagnosticsOne) {
  std::mt19937_64 rng(31);
  std::normal_distribution<double> noise(0, 0.4);
  Images uneven = Star(1500, 1100, {5, 80, 140, 200, 290}, {120, 200, 260, 330});
  for (auto& image : uneven)
    for (Position& p : image) p = {p.x + noise(rng), p.y + noise(rng)};
  uneven[1].pop_back();
  uneven[2][1].x = std::nan("");
  uneven[3][0].y += 30;
  // A third of the measurements moved far: the robust search starts where they hide one
  // another, and the refined point must keep the RSS measured one by one all the same.
  Images hiding = MakeScene(rng, false, 1000).clean;
  std::uniform_real_distribution<double> u(0, 1);
  for (auto& image : hiding)
    for (Position& p : image)
      if (u(rng) < 0.3) p = {p.x + 40 * (u(rng) - 0.5), p.y + 40 * (u(rng) - 0.5)};
  for (const Images& images : {uneven, Star(900, 700, {0, 45, 100}, {50, 90}), hiding}) {
    std::vector<std::vector<double>> xy;
    for (const auto& image : images) {
      xy.emplace_back();
      for (const Position& p : image) xy.back().insert(xy.back().end(), {p.x, p.y});
    }
    PositionArrays arrays;
    for (const auto& pairs : xy) {
      arrays.xy.push_back(pairs.data());
      arrays.counts.push_back(int(pairs.size() / 2));
    }
    const std::optional<PointEstimate> alone = RefinedPoint(arrays);
    const Diagnostics d = Diagnose(images);
    ASSERT_TRUE(alone && d.refined);
    EXPECT_EQ(alone->x, d.refined->x);
    EXPECT_EQ(alone->y, d.refined->y);
    EXPECT_EQ(alone->dof, d.refined->dof);
    EXPECT_EQ(alone->rms_px, d.refined->rms_px);
    // From sums taken track by track, as zirt-batch's fast path takes them: the same bits.
    std::vector<diagnostics_detail::Track> tracks;
    for (std::size_t i = 0; i < images[0].size(); ++i) {
      const auto at = [&](int k) {
        const auto& image = images[std::size_t(k)];
        return i < image.size() ? image[i] : Position{std::nan(""), std::nan("")};
      };
      tracks.push_back(diagnostics_detail::TrackOf(
          int(images.size()), at, [&](int k) { return diagnostics_detail::Seen(at(k)); }));
    }
    const std::optional<PointEstimate> taken = diagnostics_detail::RefinedPointOf(tracks, arrays);
    ASSERT_TRUE(taken);
    EXPECT_EQ(std::tuple(taken->x, taken->y, taken->sigma0_px, taken->sigma_y),
              std::tuple(alone->x, alone->y, alone->sigma0_px, alone->sigma_y));
    // Each track's angle as the refined fit has it, not as the search for gross errors left it.
    ASSERT_EQ(alone->track_angle_deg.size(), d.refined->track_angle_deg.size());
    for (std::size_t i = 0; i < alone->track_angle_deg.size(); ++i) {
      if (!std::isnan(alone->track_angle_deg[i])) {
        ASSERT_EQ(alone->track_angle_deg[i], d.refined->track_angle_deg[i]) << i;
      }
    }
  }
}

// The 95% ellipse against a tabulated F(2, 10; 0.95) = 4.1028: its semi-axes are those of
// the covariance's eigenvalues scaled by 2·F, the correlation is that of the covariance, and
// a major axis just past the rows' direction reads −80°, within (−90°, 90°].
TEST(Diagnose, EllipseFromTheCovarianceAndTheFQuantile) {
  const double f = 4.102821015;  // F(2, 10) at 0.95, from tables
  struct Case {
    std::vector<double> deg;
    double expected_angle;  // NaN: any
  } cases[] = {{{10, 70, 135, 200}, std::nan("")}, {{94, 100, 275, 286}, -80}};
  for (const Case& c : cases) {
    Images images = Star(1200, 900, c.deg, {100, 150, 210, 260});
    std::mt19937_64 rng(11);
    std::normal_distribution<double> noise(0, 0.4);
    for (auto& image : images)
      for (Position& p : image) p = {p.x + noise(rng), p.y + noise(rng)};
    const Diagnostics d = Diagnose(images);
    ASSERT_TRUE(d.refined && d.refined->has_uncertainty);
    const PointEstimate& e = *d.refined;
    ASSERT_EQ(e.dof, 16 - 2 - 4);
    const double half = (e.cov_xx - e.cov_yy) / 2, mid = (e.cov_xx + e.cov_yy) / 2;
    const double root = std::sqrt(half * half + e.cov_xy * e.cov_xy);
    EXPECT_NEAR(e.major_px, std::sqrt(2 * f * (mid + root)), 1e-6 * e.major_px);
    EXPECT_NEAR(e.minor_px, std::sqrt(2 * f * (mid - root)), 1e-6 * e.major_px);
    EXPECT_NEAR(e.sigma_x, std::sqrt(e.cov_xx), 1e-12);
    EXPECT_NEAR(e.correlation, e.cov_xy / std::sqrt(e.cov_xx * e.cov_yy), 1e-9);
    EXPECT_GT(e.angle_deg, -90);
    EXPECT_LE(e.angle_deg, 90);
    if (!std::isnan(c.expected_angle)) {
      EXPECT_NEAR(e.angle_deg, c.expected_angle, 5);
    }
    // How far a point lies against the ellipse: its Mahalanobis distance over the ellipse's.
    const double det = e.cov_xx * e.cov_yy - e.cov_xy * e.cov_xy;
    for (const auto& [dx, dy] : {std::pair{1.0, 0.0}, {0.0, -2.0}, {0.7, 0.9}, {-3.0, 1.0}}) {
      const double q = (e.cov_yy * dx * dx - 2 * e.cov_xy * dx * dy + e.cov_xx * dy * dy) / det;
      EXPECT_NEAR(EllipseReach(e, e.x + dx, e.y + dy), std::sqrt(q / (2 * f)), 1e-6) << dx << dy;
    }
  }
}

// The outlier search: the bound is Student's t with dof − 1 (the residual's own measurement
// left out), over the measurements; a measurement whose setting aside would leave the
// equations singular stays.
TEST(Diagnose, OutlierBoundAndSingularRefit) {
  // A small set with one measurement pushed just past, then just short of, where it is
  // flagged: at that edge its studentised residual is the bound.
  const auto with_push = [](double push) {
    Images images = Star(500, 400, {0, 70, 150, 230}, {100, 160, 230});
    std::mt19937_64 rng(12);
    std::normal_distribution<double> noise(0, 0.3);
    for (auto& image : images)
      for (Position& p : image) p = {p.x + noise(rng), p.y + noise(rng)};
    images[1][2].y += push;
    return Diagnose(images);
  };
  double low = 0, high = 40;
  ASSERT_FALSE(with_push(low).outliers.size());
  ASSERT_TRUE(with_push(high).outliers.size());
  for (int step = 0; step < 40; ++step) {
    const double mid = (low + high) / 2;
    (with_push(mid).outliers.empty() ? low : high) = mid;
  }
  const Diagnostics d = with_push(high);
  ASSERT_EQ(d.outliers.size(), 1u);
  const int dof = d.refined->dof, measurements = d.refined->measurements;
  EXPECT_NEAR(d.outliers[0].studentized, StudentTUpper(dof - 1, kOutlierLevel / 2 / measurements),
              1e-3);

  // Two parallel tracks and a crossing one of two measurements (the third image is short):
  // setting aside either of those leaves parallel lines, so nothing is set aside however far
  // off one of them lies.
  Images images = {{{0, 0}, {0, 100}, {300, 300}},
                   {{50, 0.2}, {50, 99.9}, {340, 420}},
                   {{100, -0.1}, {100, 100.1}}};
  images[1][2].y += 30;
  const Diagnostics s = Diagnose(images);
  ASSERT_TRUE(s.refined && s.robust);
  EXPECT_TRUE(s.outliers.empty());
  EXPECT_EQ(s.robust->measurements, 8);
  EXPECT_EQ(s.robust->x, s.refined->x);
}

}  // namespace
}  // namespace zirt
