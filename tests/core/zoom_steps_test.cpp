#include "diagnostics/zoom_steps.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace zirt {
namespace {

using Images = std::vector<std::vector<Position>>;

constexpr double kStepScale = 1.6;
constexpr int kImages = 6;

// Step k about (1280 + 6k, 720 − 4k), as a lens whose axis moves with the zoom: each image
// scales the one before about its step's centre (10.5× in all). A point is not seen once it
// falls off the 2560 × 1440 frame, so most tracks live in part of the sequence.
Images DriftingSequence(double noise) {
  Images images(kImages);
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int row = 0; row < 24; ++row)
    for (int column = 0; column < 40; ++column) {
      Position p{64.0 * column + 20 + (row % 3), 60.0 * row + 30 + (column % 5)};
      for (int k = 0; k < kImages; ++k) {
        if (k > 0) {
          const double cx = 1280 + 6 * (k - 1), cy = 720 - 4 * (k - 1);
          p = {cx + kStepScale * (p.x - cx), cy + kStepScale * (p.y - cy)};
        }
        const bool inside = p.x >= 0 && p.x < 2560 && p.y >= 0 && p.y < 1440;
        // A fixed pattern of ± noise keeps the test the same on every run.
        const double e = noise * (((row * 7 + column * 3 + k) % 5) - 2) / 2;
        images[std::size_t(k)].push_back(inside ? Position{p.x + e, p.y - e} : Position{nan, nan});
      }
    }
  return images;
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
