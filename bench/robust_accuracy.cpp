// The robust point on simulated zoom sequences with gross errors, image count by image count:
// the median of its error against the median error of the refined point of the same sequences
// without the gross errors; beside it the same for the refined point of the sequences with
// the gross errors left out, as if they were known (the best any test could do); and how
// often the robust point is the refined one.
// Usage: zirt_robust_accuracy [sets per cell] [most points] [seed]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "diagnostics/diagnostics.h"

namespace {

using Images = std::vector<std::vector<zirt::Position>>;

struct Sequence {
  Images clean, gross, known;  // known: the gross errors left out, as if they were known
  double cx = 0, cy = 0;
};

// k images of a zoom from 0.7 to 1.3 about a centre near the frame's middle, Gaussian noise of
// 0.1 to 1 px, and a share of the measurements replaced: half by a point anywhere in the
// frame, half moved 10 to 60 px.
Sequence Make(std::mt19937_64& rng, int k, int most_points, double share) {
  std::uniform_real_distribution<double> u(0, 1);
  static const int sizes[][2] = {
      {1920, 1080}, {2560, 1440}, {3000, 2000}, {3840, 2160}, {4000, 3000}};
  const auto& size = sizes[rng() % 5];
  const int points = int(8 * std::pow(most_points / 8.0, u(rng)));
  std::normal_distribution<double> noise(0, 0.1 + 0.9 * u(rng));
  Sequence s;
  s.cx = size[0] / 2.0 + 100 * u(rng) - 50;
  s.cy = size[1] / 2.0 + 100 * u(rng) - 50;
  s.clean.resize(std::size_t(k));
  std::vector<zirt::Position> base(static_cast<std::size_t>(points));
  for (auto& p : base) p = {size[0] * u(rng), size[1] * u(rng)};
  for (int j = 0; j < k; ++j) {
    const double zoom = 0.7 + 0.6 * j / (k - 1);
    for (const auto& b : base)
      s.clean[std::size_t(j)].push_back(
          {s.cx + zoom * (b.x - s.cx) + noise(rng), s.cy + zoom * (b.y - s.cy) + noise(rng)});
  }
  s.gross = s.clean;
  s.known = s.clean;
  for (std::size_t k = 0; k < s.gross.size(); ++k)
    for (std::size_t i = 0; i < s.gross[k].size(); ++i) {
      if (u(rng) >= share) continue;
      zirt::Position& p = s.gross[k][i];
      s.known[k][i] = {std::nan(""), std::nan("")};
      const double a = 6.283185307179586 * u(rng), r = 10 + 50 * u(rng);
      p = rng() % 2 ? zirt::Position{size[0] * u(rng), size[1] * u(rng)}
                    : zirt::Position{p.x + r * std::cos(a), p.y + r * std::sin(a)};
    }
  return s;
}

double Median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(v.size() / 2), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int sets = argc > 1 ? std::atoi(argv[1]) : 300;
  const int most = argc > 2 ? std::atoi(argv[2]) : 1000;
  std::mt19937_64 rng(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 18);
  std::printf("images  share  robust/clean  known/clean  unchanged  seconds\n");
  for (const double share : {0.0, 0.1, 0.2, 0.3}) {
    for (int k = 2; k <= 6; ++k) {
      std::vector<double> clean, robust, known;
      int unchanged = 0;
      const auto start = std::chrono::steady_clock::now();
      for (int n = 0; n < sets; ++n) {
        const Sequence s = Make(rng, k, most, share);
        const zirt::Diagnostics c = zirt::Diagnose(s.clean);
        const zirt::Diagnostics d = zirt::Diagnose(s.gross);
        const zirt::Diagnostics o = zirt::Diagnose(s.known);
        if (!c.refined || !d.robust || !o.refined) continue;
        known.push_back(std::hypot(o.refined->x - s.cx, o.refined->y - s.cy));
        clean.push_back(std::hypot(c.refined->x - s.cx, c.refined->y - s.cy));
        robust.push_back(std::hypot(d.robust->x - s.cx, d.robust->y - s.cy));
        unchanged += d.outliers.empty() && d.robust->x == d.refined->x;
      }
      const double seconds =
          std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      std::printf("%6d  %4.0f%%  %12.3f  %11.3f  %9d  %7.2f\n", k, 100 * share,
                  Median(robust) / Median(clean), Median(known) / Median(clean), unchanged,
                  seconds);
    }
  }
}
