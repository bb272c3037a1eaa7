// The settings of the search for gross errors, each with why it has its value. Diagnose uses
// the defaults; tests and benchmarks may try others.
#pragma once

#include <cstddef>

namespace zirt::diagnostics_detail {

struct RobustOptions {
  // The high-breakdown start: tracks sampled, candidate points tried, and the quantile of the
  // residuals it minimises. The quantile stays below the clean share of measurements even when
  // three in ten are gross errors on two images, where a gross error spoils its whole track.
  std::size_t start_tracks = 400;
  int candidates = 150;
  double start_quantile = 0.25;
  // |z| of a standard normal at that quantile, to make a scale of it.
  double start_quantile_z = 0.31864;
  // Measurements this many scales from the start's lines are set aside before the first refit.
  double prescreen = 3.5;
  // Gross errors that mask one another raise the spread of the fit of all measurements well
  // above that of the measurements near the high-breakdown point's lines; below this ratio of
  // the two the set is taken to hide none.
  double hidden_spread = 1.5;
  // Rounds of taking back and setting aside after the first refit (and again after the cut).
  int rounds = 10;
  // A track of this many measurements or more cannot be pulled by one gross error so far that
  // another measurement stands out more than it does.
  int peel_from = 8;
  // The adaptive cut is made where the test set aside at least this many measurements and one
  // in a hundred: a set with a gross error or two keeps the test's own bound.
  std::size_t cut_from = 3;
  // The cut is never below this many σ.
  double cut_least = 3.0;
  // Beyond twice this many tracks the first robust fit is made on an even sample of this many,
  // and every track is then judged once at the sample's fit.
  std::size_t sample_fit_tracks = 10000;

  // Whether the settings can serve: counts and quantiles in range.
  bool Check() const {
    return start_tracks >= 2 && candidates >= 1 && start_quantile > 0 && start_quantile < 1 &&
           start_quantile_z > 0 && prescreen > 0 && hidden_spread >= 1 && rounds >= 0 &&
           peel_from >= 2 && cut_from >= 1 && cut_least > 0 && sample_fit_tracks >= 2;
  }
};

}  // namespace zirt::diagnostics_detail
