// The diagnostics' speed goals on simulated zoom sequences with 30% gross errors (half anywhere
// in the frame, half moved 10 to 60 px): 2,000 points × 10 images within 5 ms, 200,000 × 10
// within 0.5 s, 200,000 × 20 (4 M measurements) about a second. The robust point's error
// against the true centre is reported beside the time; CPU time is the figure on a shared
// machine (the diagnostics run on one thread).
#include <benchmark/benchmark.h>

#include <cmath>
#include <map>
#include <random>
#include <utility>
#include <vector>

#include "diagnostics/diagnostics.h"

namespace {

using Images = std::vector<std::vector<zirt::Position>>;

constexpr double kCx = 2000, kCy = 1500;

// `images` images of a zoom from 0.7 to 1.3 about (kCx, kCy), noise of 0.3 px, and `share`
// per cent of the measurements replaced by gross errors.
const Images& Sequence(int points, int images, int share) {
  static std::map<std::tuple<int, int, int>, Images> made;
  Images& out = made[{points, images, share}];
  if (!out.empty()) return out;
  std::mt19937_64 rng(29);
  std::uniform_real_distribution<double> u(0, 1);
  std::normal_distribution<double> noise(0, 0.3);
  std::vector<zirt::Position> base(static_cast<std::size_t>(points));
  for (auto& p : base) p = {4000 * u(rng), 3000 * u(rng)};
  out.resize(static_cast<std::size_t>(images));
  for (int k = 0; k < images; ++k) {
    const double zoom = 0.7 + 0.6 * k / (images - 1);
    for (const auto& b : base) {
      zirt::Position p{kCx + zoom * (b.x - kCx) + noise(rng),
                       kCy + zoom * (b.y - kCy) + noise(rng)};
      if (u(rng) * 100 < share) {
        const double a = 6.283185307179586 * u(rng), r = 10 + 50 * u(rng);
        p = rng() % 2 ? zirt::Position{4000 * u(rng), 3000 * u(rng)}
                      : zirt::Position{p.x + r * std::cos(a), p.y + r * std::sin(a)};
      }
      out[std::size_t(k)].push_back(p);
    }
  }
  return out;
}

// Arguments: points, images, per cent of gross errors.
void BM_Diagnose(benchmark::State& state) {
  const Images& images = Sequence(int(state.range(0)), int(state.range(1)), int(state.range(2)));
  zirt::Diagnostics d;
  for (auto _ : state) {
    d = zirt::Diagnose(images);
    benchmark::DoNotOptimize(d.robust);
  }
  state.counters["flagged"] = double(d.outliers.size());
  state.counters["robust_error_px"] =
      d.robust ? std::hypot(d.robust->x - kCx, d.robust->y - kCy) : -1;
  state.counters["search_cut"] = d.outlier_search_cut;
}
BENCHMARK(BM_Diagnose)
    ->Args({2000, 10, 0})
    ->Args({2000, 10, 30})
    ->Args({200000, 10, 0})
    ->Args({200000, 10, 30})
    ->Args({200000, 20, 30})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

// The refined point alone, as zirt-batch asks for it on every run.
void BM_RefinedPoint(benchmark::State& state) {
  const Images& images = Sequence(int(state.range(0)), int(state.range(1)), 0);
  std::vector<std::vector<double>> xy(images.size());
  zirt::PositionArrays arrays;
  for (std::size_t k = 0; k < images.size(); ++k) {
    for (const zirt::Position& p : images[k]) xy[k].insert(xy[k].end(), {p.x, p.y});
    arrays.xy.push_back(xy[k].data());
    arrays.counts.push_back(int(images[k].size()));
  }
  for (auto _ : state) benchmark::DoNotOptimize(zirt::RefinedPoint(arrays));
}
BENCHMARK(BM_RefinedPoint)
    ->Args({200000, 20})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
