#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "calib/calibration.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/quantiles.h"
#include "diagnostics/sequence_test.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

using Images = std::vector<std::vector<Position>>;

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
  d = Diagnose(uneven);
  ASSERT_TRUE(d.refined);
  EXPECT_EQ(d.refined->measurements, 12 - 2);
  EXPECT_EQ(d.points.size(), 4u);
  EXPECT_NEAR(d.refined->y, 400, 1e-9);
}

TEST(Diagnose, MistypedCoordinateIsSetAside) {
  struct Case {
    std::vector<double> at;
    int image, point;
    bool whole_track;
  } cases[] = {{{100, 140, 180, 230}, 2, 3, false},
               {{100, 150, 220}, 0, 1, false},
               {{100, 180}, 1, 4, true}};
  for (const Case& c : cases) {
    Images images = Star(2000, 1500, {0, 40, 75, 110, 160, 200, 250, 300}, c.at);
    std::mt19937_64 rng(5);
    std::normal_distribution<double> noise(0, 0.3);
    for (auto& image : images)
      for (Position& p : image) p = {p.x + noise(rng), p.y + noise(rng)};
    images[std::size_t(c.image)][std::size_t(c.point)].y += 25;
    const Diagnostics d = Diagnose(images);
    ASSERT_TRUE(d.refined && d.robust);
    ASSERT_EQ(d.outliers.size(), 1u) << c.at.size();
    EXPECT_TRUE(d.points[std::size_t(c.point)].flagged);
    EXPECT_GT(d.outliers[0].residual_px, 5);
    EXPECT_EQ(d.robust->tracks, c.whole_track ? 7 : 8);
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

Scene MakeScene(std::mt19937_64& rng, bool vertical) {
  std::uniform_real_distribution<double> u(0, 1);
  static const int sizes[][2] = {
      {1920, 1080}, {2560, 1440}, {3000, 2000}, {3840, 2160}, {4000, 3000}};
  const auto& size = sizes[rng() % 5];
  Scene s;
  s.images = 2 + int(rng() % 5);
  const int points = 8 + int(rng() % 13);
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

}  // namespace
}  // namespace zirt
