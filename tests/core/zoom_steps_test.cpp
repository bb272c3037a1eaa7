#include "diagnostics/zoom_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace zirt {
namespace {

using Images = std::vector<std::vector<Position>>;

constexpr double kStepScale = 1.6;
constexpr int kImages = 6;

// Step k about (1280 + 6k, 720 − 4k), as a lens whose axis moves with the zoom: each image
// scales the one before about its step's centre (10.5× in all). A point is not seen once it
// falls off the 2560 × 1440 frame, so most tracks live in part of the sequence. Every
// `overlay`-th point, when it is not 0, does not zoom at all, as a clock burned into the picture.
Images DriftingSequence(double noise, int count = kImages, int overlay = 0) {
  Images images(std::size_t(count), std::vector<Position>{});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int row = 0; row < 24; ++row)
    for (int column = 0; column < 40; ++column) {
      Position p{64.0 * column + 20 + (row % 3), 60.0 * row + 30 + (column % 5)};
      const bool still = overlay > 0 && (row * 40 + column) % overlay == 0;
      for (int k = 0; k < count; ++k) {
        if (k > 0 && !still) {
          const double cx = 1280 + 6 * (k - 1), cy = 720 - 4 * (k - 1);
          p = {cx + kStepScale * (p.x - cx), cy + kStepScale * (p.y - cy)};
        }
        const bool inside = p.x >= 0 && p.x < 2560 && p.y >= 0 && p.y < 1440;
        // Uniform in ±noise, x and y apart, from a hash: the same on every run.
        const auto uniform = [&](int axis) {
          std::uint64_t h = std::uint64_t(((row * 40 + column) * 8 + k) * 2 + axis) + 1;
          h *= 0x9E3779B97F4A7C15u;
          h ^= h >> 31;
          h *= 0xBF58476D1CE4E5B9u;
          h ^= h >> 29;
          return noise * (double(h >> 11) / 9007199254740992.0 * 2 - 1);
        };
        images[std::size_t(k)].push_back(inside ? Position{p.x + uniform(0), p.y + uniform(1)}
                                                : Position{nan, nan});
      }
    }
  return images;
}

int Common(const Images& images, int a, int b) {
  int n = 0;
  for (std::size_t i = 0; i < images[0].size(); ++i)
    n += std::isfinite(images[std::size_t(a)][i].x) && std::isfinite(images[std::size_t(b)][i].x);
  return n;
}

TEST(ZoomSteps, FindsEachStepsCentreWhereItMoves) {
  for (const double noise : {0.0, 0.05}) {
    const std::vector<ZoomStep> steps = ZoomSteps(DriftingSequence(noise));
    ASSERT_EQ(steps.size(), std::size_t(kImages - 1));
    for (int k = 0; k < kImages - 1; ++k) {
      const ZoomStep& s = steps[std::size_t(k)];
      EXPECT_EQ(s.from, k);
      EXPECT_EQ(s.to, k + 1);
      EXPECT_GE(s.tracks, 2);
      const double tolerance = noise == 0 ? 1e-6 : 0.5;
      EXPECT_NEAR(s.scale, kStepScale, noise == 0 ? 1e-12 : 1e-3) << k;
      EXPECT_NEAR(s.x, 1280 + 6 * k, tolerance) << k;
      EXPECT_NEAR(s.y, 720 - 4 * k, tolerance) << k;
      // σ comes from the residuals: none without noise, and of the centre's true error with it.
      if (noise == 0) {
        EXPECT_LT(s.sigma_x, 1e-6);
      } else {
        EXPECT_GT(s.sigma_x, 1e-3);
        EXPECT_GT(s.sigma_y, 1e-3);
        EXPECT_LT(std::fabs(s.x - (1280 + 6 * k)), 5 * s.sigma_x) << k;
        EXPECT_LT(std::fabs(s.y - (720 - 4 * k)), 5 * s.sigma_y) << k;
      }
    }
  }
}

// The files may come in any order: the steps still run from the widest image and name the
// images by their place in the order given.
TEST(ZoomSteps, ShuffledFilesKeepTheZoomOrder) {
  const Images ordered = DriftingSequence(0.05);
  const std::vector<int> given = {3, 0, 5, 1, 4, 2};  // given[m]: the zoom step of file m
  Images shuffled;
  for (const int k : given) shuffled.push_back(ordered[std::size_t(k)]);
  const std::vector<ZoomStep> expected = ZoomSteps(ordered);
  const std::vector<ZoomStep> steps = ZoomSteps(shuffled);
  ASSERT_EQ(steps.size(), expected.size());
  const auto file_of = [&](int k) {
    return int(std::find(given.begin(), given.end(), k) - given.begin());
  };
  for (std::size_t k = 0; k < steps.size(); ++k) {
    EXPECT_EQ(steps[k].from, file_of(int(k)));
    EXPECT_EQ(steps[k].to, file_of(int(k) + 1));
    EXPECT_NEAR(steps[k].x, expected[k].x, 1e-9);
    EXPECT_NEAR(steps[k].sigma_y, expected[k].sigma_y, 1e-9);
  }
}

// Points that do not zoom pull a least-squares centre tens of pixels off; they are set aside.
TEST(ZoomSteps, PointsThatDoNotZoomAreSetAside) {
  const Images overlaid = DriftingSequence(0.05, 3, 30);
  const std::vector<ZoomStep> steps = ZoomSteps(overlaid);
  ASSERT_EQ(steps.size(), 2u);
  for (int k = 0; k < 2; ++k) {
    const ZoomStep& s = steps[std::size_t(k)];
    EXPECT_NEAR(s.x, 1280 + 6 * k, 0.5) << k;
    EXPECT_NEAR(s.y, 720 - 4 * k, 0.5) << k;
    EXPECT_NEAR(s.scale, kStepScale, 1e-3) << k;
    EXPECT_LT(s.sigma_x, 0.5) << k;
    // The 32 points that stay are left out, and all the rest kept.
    EXPECT_EQ(s.tracks, Common(overlaid, k, k + 1) - 32) << k;
  }
}

TEST(ZoomSteps, WhatAStepCannotFixIsNaN) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // One track in common: no scale. A pure shift (scale 1): no centre.
  const Images one_common = {{{10, 10}, {20, 20}}, {{nan, nan}, {25, 25}}};
  const ZoomStep single = ZoomSteps(one_common).at(0);
  EXPECT_EQ(single.tracks, 1);
  EXPECT_TRUE(std::isnan(single.scale));
  EXPECT_TRUE(std::isnan(single.x));
  const Images shifted = {{{10, 10}, {20, 30}}, {{12, 10}, {22, 30}}};
  const ZoomStep shift = ZoomSteps(shifted).at(0);
  EXPECT_EQ(shift.scale, 1);
  EXPECT_TRUE(std::isnan(shift.x));
  EXPECT_TRUE(ZoomSteps({{{1, 2}}}).empty());
}

}  // namespace
}  // namespace zirt
