// A digest of every bit the diagnostics give on a fixed table of simulated zoom sequences:
// clean and with gross errors, with gaps and uneven images, small and large, through each
// input form. Work on the diagnostics' code must leave every line of its output as it was.
// Usage: zirt_diagnostics_digest [large]  (with "large", also sets of 200,000 tracks); without
// it the output is diagnostics_digest.expected, line for line.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "diagnostics/diagnostics.h"

namespace {

using Images = std::vector<std::vector<zirt::Position>>;

struct Hash {
  std::uint64_t h = 1469598103934665603u;
  void Mix(double v) {
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    h = (h ^ bits) * 1099511628211u;
  }
  void Mix(const std::optional<zirt::PointEstimate>& e) {
    if (!e) return Mix(-1.0);
    for (const double v :
         {e->x, e->y, e->rms_px, e->sigma0_px, e->cov_xx, e->cov_xy, e->cov_yy, e->sigma_x,
          e->sigma_y, e->correlation, e->major_px, e->minor_px, e->angle_deg, double(e->dof),
          double(e->measurements), double(e->tracks)})
      Mix(v);
    for (const double a : e->track_angle_deg) Mix(a);
  }
  void Mix(const zirt::Diagnostics& d) {
    Mix(d.refined);
    Mix(d.robust);
    Mix(double(d.outlier_search_cut));
    for (const zirt::FlaggedMeasurement& f : d.outliers)
      for (const double v : {double(f.image), double(f.point), f.residual_px, f.studentized})
        Mix(v);
    for (const zirt::ImageResidual& r : d.images) Mix(r.rms_px), Mix(double(r.measurements));
    for (const zirt::PointResidual& r : d.points)
      Mix(r.rms_px), Mix(double(r.measurements)), Mix(double(r.flagged));
  }
};

// k images of a zoom about a centre near the frame's middle, Gaussian noise, a share of the
// measurements replaced by gross errors (half anywhere, half moved 10 to 60 px), a share
// missing (NaN), and with `uneven` the last image one point short and the second one longer.
Images Make(std::mt19937_64& rng, int k, int points, double share, double gaps, bool uneven) {
  std::uniform_real_distribution<double> u(0, 1);
  const double w = 4000, h = 3000, cx = 2000 + 100 * u(rng) - 50, cy = 1500 + 100 * u(rng) - 50;
  std::normal_distribution<double> noise(0, 0.1 + 0.9 * u(rng));
  std::vector<zirt::Position> base(static_cast<std::size_t>(points));
  for (auto& p : base) p = {w * u(rng), h * u(rng)};
  Images images(static_cast<std::size_t>(k), std::vector<zirt::Position>{});
  for (int j = 0; j < k; ++j) {
    const double zoom = 0.7 + 0.6 * j / std::max(1, k - 1);
    for (const auto& b : base) {
      zirt::Position p{cx + zoom * (b.x - cx) + noise(rng), cy + zoom * (b.y - cy) + noise(rng)};
      if (u(rng) < share) {
        const double a = 6.283185307179586 * u(rng), r = 10 + 50 * u(rng);
        p = rng() % 2 ? zirt::Position{w * u(rng), h * u(rng)}
                      : zirt::Position{p.x + r * std::cos(a), p.y + r * std::sin(a)};
      }
      if (u(rng) < gaps) p = {std::nan(""), std::nan("")};
      images[std::size_t(j)].push_back(p);
    }
  }
  if (uneven && k >= 3 && points >= 2) {
    images.back().pop_back();
    images[1].push_back({w * u(rng), h * u(rng)});
  }
  return images;
}

void FillSets(const Images& images, zirt::ImageSets& sets) {
  for (const auto& image : images) {
    auto set = std::make_unique<zirt::VT_Points>(1);
    for (const zirt::Position& p : image) {
      set->Add(new zirt::VT_Point(p.x, p.y));
    }
    sets.Append(std::move(set));
  }
}

std::optional<zirt::PointEstimate> RefinedOfArrays(const Images& images) {
  std::vector<std::vector<double>> xy(images.size());
  zirt::PositionArrays arrays;
  for (std::size_t k = 0; k < images.size(); ++k) {
    for (const zirt::Position& p : images[k]) xy[k].insert(xy[k].end(), {p.x, p.y});
    arrays.xy.push_back(xy[k].data());
    arrays.counts.push_back(int(images[k].size()));
  }
  return zirt::RefinedPoint(arrays);
}

}  // namespace

int main(int argc, char** argv) {
  const bool large = argc > 1 && std::string(argv[1]) == "large";
  std::mt19937_64 rng(29);
  // Many small sets per line, each line's digest over all of them.
  for (const double share : {0.0, 0.05, 0.3}) {
    for (const double gaps : {0.0, 0.1}) {
      for (const int k : {2, 3, 4, 6, 10}) {
        for (const int points : {2, 3, 8, 40, 300}) {
          Hash diagnose, sets, refined, cut;
          for (int n = 0; n < 12; ++n) {
            const Images images = Make(rng, k, points, share, gaps, n % 3 == 2);
            const zirt::Diagnostics d = zirt::Diagnose(images);
            diagnose.Mix(d);
            zirt::ImageSets s;
            FillSets(images, s);
            sets.Mix(zirt::Diagnose(s));
            refined.Mix(zirt::RefinedPoint(s));
            refined.Mix(RefinedOfArrays(images));
            cut.Mix(zirt::Diagnose(images, n % 2 == 0 ? 0.0 : 50.0 * points));
          }
          std::printf(
              "share %.2f gaps %.1f images %2d points %4d  %016llx %016llx %016llx %016llx\n",
              share, gaps, k, points, (unsigned long long)diagnose.h, (unsigned long long)sets.h,
              (unsigned long long)refined.h, (unsigned long long)cut.h);
        }
      }
    }
  }
  // Single large sets: past the parts of a pass and the fit on a sample of tracks.
  struct Big {
    int k, points;
    double share, gaps;
  };
  std::vector<Big> bigs = {{10, 2000, 0.3, 0},   {8, 5000, 0.3, 0.05},  {8, 21001, 0.3, 0},
                           {10, 25000, 0.05, 0}, {4, 30000, 0.3, 0.02}, {10, 20000, 0.0, 0}};
  if (large) bigs.insert(bigs.end(), {{10, 200000, 0.3, 0}, {10, 200000, 0.0, 0}});
  for (const Big& b : bigs) {
    const Images images = Make(rng, b.k, b.points, b.share, b.gaps, false);
    Hash h;
    const zirt::Diagnostics d = zirt::Diagnose(images);
    h.Mix(d);
    std::printf("large %2d × %6d share %.2f gaps %.2f  flagged %7zu  %016llx\n", b.k, b.points,
                b.share, b.gaps, d.outliers.size(), (unsigned long long)h.h);
  }
}
