// Load plus computation on 20 images × 200,000 points, the window's way and zirt-batch's,
// beside a baseline that only reads the same files and converts the same numbers with
// std::from_chars.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "batch/fast_batch.h"
#include "bench/floor_parse.h"
#include "calib/calibration.h"
#include "data/coordinate_file.h"
#include "data/decimal_separator.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/zoom_steps.h"

namespace {

constexpr int kImages = 20;
constexpr int kPoints = 200000;

// Writes the files once; zoom tracks through one principal point with a little noise.
struct Dataset {
  Dataset() {
    folder = std::filesystem::temp_directory_path() / "zirt-bench";
    std::filesystem::create_directories(folder);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> where(0, 4000), noise(-0.2, 0.2);
    std::vector<std::pair<double, double>> base(kPoints);
    for (auto& p : base) p = {where(rng), where(rng)};
    for (int k = 0; k < kImages; ++k) {
      const std::string path = (folder / ("img" + std::to_string(k) + ".crd")).string();
      const double s = 1 + 0.03 * k;
      std::string text;
      char line[64];
      for (const auto& [x, y] : base) {
        const int n =
            std::snprintf(line, sizeof line, "%.4f ; %.4f\r\n", 2000 + (x - 2000) * s + noise(rng),
                          1500 + (y - 1500) * s + noise(rng));
        text.append(line, static_cast<std::size_t>(n));
      }
      std::ofstream(path, std::ios::binary) << text;
      paths.push_back(path);
      bytes += static_cast<std::int64_t>(text.size());
    }
  }
  std::filesystem::path folder;
  std::vector<std::string> paths;
  std::int64_t bytes = 0;
};

const Dataset& Data() {
  static const Dataset data;
  return data;
}

// Bytes the heap hands out, small chunks and mapped blocks alike.
std::size_t HeapInUse() {
  const struct mallinfo2 info = mallinfo2();
  return info.uordblks + info.hblkhd;
}

struct NullView : zirt::CalibrationView {
  void ClearReport() override {}
  void AppendReport(const std::string&) override {}
  void LineFitted(const zirt::VT_Point&) override {}
};

void BM_LoadAndCompute(benchmark::State& state) {
  const Dataset& data = Data();
  zirt::SetDecimalSeparator('.');
  double bytes_per_point = 0, load_seconds = 0, compute_seconds = 0;
  for (auto _ : state) {
    zirt::Calibration calibration;
    const std::size_t before = HeapInUse();
    const auto start = std::chrono::steady_clock::now();
    calibration.TakeImages(zirt::LoadCoordinateFiles(data.paths));
    const auto loaded = std::chrono::steady_clock::now();
    bytes_per_point = double(HeapInUse() - before) / (double(kImages) * kPoints);
    NullView view;
    calibration.Compute(view);
    benchmark::DoNotOptimize(calibration.PrincipalX);
    load_seconds += std::chrono::duration<double>(loaded - start).count();
    compute_seconds +=
        std::chrono::duration<double>(std::chrono::steady_clock::now() - loaded).count();
  }
  state.counters["load_ms"] = 1000 * load_seconds / double(state.iterations());
  state.counters["compute_ms"] = 1000 * compute_seconds / double(state.iterations());
  state.SetBytesProcessed(state.iterations() * data.bytes);
  state.counters["bytes_per_point"] = bytes_per_point;
}
BENCHMARK(BM_LoadAndCompute)->Unit(benchmark::kMillisecond)->UseRealTime();

// The refined and the robust point with every figure of the diagnostics, on the loaded data.
void BM_Diagnostics(benchmark::State& state) {
  const Dataset& data = Data();
  zirt::SetDecimalSeparator('.');
  zirt::Calibration calibration;
  calibration.TakeImages(zirt::LoadCoordinateFiles(data.paths));
  std::size_t flagged = 0;
  for (auto _ : state) {
    const zirt::Diagnostics d = zirt::Diagnose(calibration.Images);
    benchmark::DoNotOptimize(d.robust);
    flagged = d.outliers.size();
  }
  state.counters["flagged"] = double(flagged);
  state.SetBytesProcessed(state.iterations() * data.bytes);
}
BENCHMARK(BM_Diagnostics)->Unit(benchmark::kMillisecond)->UseRealTime();

// The zoom order and every zoom step's centre, as --json, the PDF and the window add them.
void BM_ZoomSteps(benchmark::State& state) {
  const Dataset& data = Data();
  zirt::SetDecimalSeparator('.');
  zirt::Calibration calibration;
  calibration.TakeImages(zirt::LoadCoordinateFiles(data.paths));
  const auto positions = zirt::PositionsOf(calibration.Images);
  for (auto _ : state) benchmark::DoNotOptimize(zirt::ZoomSteps(positions));
  state.SetBytesProcessed(state.iterations() * data.bytes);
}
BENCHMARK(BM_ZoomSteps)->Unit(benchmark::kMillisecond)->UseRealTime();

// A digest of every bit of the diagnostics: work on their speed must leave it as it was.
std::uint64_t Digest(const zirt::Diagnostics& d) {
  std::uint64_t h = 1469598103934665603u;
  const auto mix = [&](double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    h = (h ^ bits) * 1099511628211u;
  };
  for (const auto& e : {d.refined, d.robust}) {
    if (!e) continue;
    for (const double v : {e->x, e->y, e->rms_px, e->sigma0_px, e->cov_xx, e->cov_xy, e->cov_yy,
                           e->major_px, e->minor_px, e->angle_deg, double(e->dof)})
      mix(v);
    for (const double a : e->track_angle_deg) mix(a);
  }
  for (const zirt::FlaggedMeasurement& f : d.outliers)
    for (const double v : {double(f.image), double(f.point), f.residual_px, f.studentized}) mix(v);
  for (const zirt::ImageResidual& r : d.images) mix(r.rms_px);
  for (const zirt::PointResidual& r : d.points) mix(r.rms_px);
  return h;
}

// The robust point on the same data with a share of the measurements (per cent, the argument)
// replaced by gross errors: half of them anywhere in the frame, half moved 10 to 60 px. The
// search starts from a high-breakdown point; its error against the true (2000, 1500) and the
// count set aside are reported.
void BM_RobustWithGrossErrors(benchmark::State& state) {
  const Dataset& data = Data();
  zirt::SetDecimalSeparator('.');
  zirt::Calibration calibration;
  calibration.TakeImages(zirt::LoadCoordinateFiles(data.paths));
  std::mt19937_64 rng(18);
  std::uniform_real_distribution<double> u(0, 1);
  std::size_t replaced = 0;
  for (std::size_t k = 0; k < calibration.Images.Length(); ++k) {
    zirt::VT_Points& image = calibration.Images[static_cast<std::ptrdiff_t>(k)];
    for (int i = 0; i < image.Count(); ++i) {
      if (u(rng) * 100 >= double(state.range(0))) continue;
      zirt::VT_Point& p = *image.Get(i);
      const double a = 6.283185307179586 * u(rng), r = 10 + 50 * u(rng);
      if (rng() % 2) {
        p.X = 4000 * u(rng);
        p.Y = 3000 * u(rng);
      } else {
        p.X += r * std::cos(a);
        p.Y += r * std::sin(a);
      }
      ++replaced;
    }
  }
  zirt::Diagnostics d;
  for (auto _ : state) {
    d = zirt::Diagnose(calibration.Images);
    benchmark::DoNotOptimize(d.robust);
  }
  state.counters["replaced"] = double(replaced);
  state.counters["flagged"] = double(d.outliers.size());
  state.counters["robust_error_px"] =
      d.robust ? std::hypot(d.robust->x - 2000, d.robust->y - 1500) : -1;
  state.counters["refined_error_px"] =
      d.refined ? std::hypot(d.refined->x - 2000, d.refined->y - 1500) : -1;
  state.counters["search_cut"] = d.outlier_search_cut;
  char digest[24];
  std::snprintf(digest, sizeof digest, "digest %016llx",
                static_cast<unsigned long long>(Digest(d)));
  state.SetLabel(digest);
  state.SetBytesProcessed(state.iterations() * data.bytes);
}
BENCHMARK(BM_RobustWithGrossErrors)
    ->Arg(0)
    ->Arg(5)
    ->Arg(30)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// zirt-batch's path: every core, plain arrays.
void BM_BatchLoadAndCompute(benchmark::State& state) {
  const Dataset& data = Data();
  zirt::SetDecimalSeparator('.');
  for (auto _ : state) {
    zirt::PlainImages images;
    if (!zirt::LoadPlainImages(data.paths, images)) state.SkipWithError("load failed");
    zirt::Calibration calibration;
    NullView view;
    zirt::ComputePlainImages(images, calibration, view);
    benchmark::DoNotOptimize(calibration.PrincipalX);
  }
  state.SetBytesProcessed(state.iterations() * data.bytes);
}
BENCHMARK(BM_BatchLoadAndCompute)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_BaselineFromChars(benchmark::State& state) {
  const Dataset& data = Data();
  for (auto _ : state) {
    double sum = 0;
    for (const std::string& path : data.paths) {
      std::ifstream in(path, std::ios::binary);
      const std::string text((std::istreambuf_iterator<char>(in)), {});
      SumFromChars(text.data(), text.data() + text.size(), sum);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(state.iterations() * data.bytes);
}
BENCHMARK(BM_BaselineFromChars)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
