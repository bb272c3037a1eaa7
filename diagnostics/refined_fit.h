// The refined fit: the common point of the tracks by least squares of perpendicular distances,
// every track's direction at its best for the point (variable projection), found by
// Levenberg–Marquardt on the point alone.
#pragma once

#include <optional>
#include <vector>

#include "diagnostics/leverage.h"
#include "diagnostics/outlier_test.h"
#include "diagnostics/track_line.h"

namespace zirt::diagnostics_detail {

// The reduced normal equations of c at one point: directions eliminated (Schur complement).
struct Normal {
  double a00 = 0, a01 = 0, a11 = 0;  // A
  double g0 = 0, g1 = 0;             // right-hand side of the Gauss–Newton step
  double rss = 0;                    // Σ r² with every direction at its best
  int tracks = 0, measurements = 0;  // of the tracks with two measurements or more
};

// One fit of the common point and the figures of the measurements used there.
struct Fit {
  double cx = 0, cy = 0;
  Inverse p;                // A⁻¹
  std::vector<Line> lines;  // each track's line through c (default for one under two)
  double rss = 0;
  int measurements = 0;
  int tracks = 0;
  // The measurement that stands out most, where RobustSearch::Measure looked for it.
  Standout worst;
  // Whether rss, measurements and worst were taken measurement by measurement; until then the
  // RSS is the tracks' sums'.
  bool measured = false;
  int Dof() const { return measurements - 2 - tracks; }
};

// The normal equations at c over the tracks with two measurements or more.
Normal NormalAt(const std::vector<Track>& tracks, double cx, double cy);

// Each track's line through c, the default one for a track under two measurements.
std::vector<Line> LinesAt(const std::vector<Track>& tracks, double cx, double cy);

// Where the fit starts: the least-squares intersection of the tracks' own best lines, each
// weighed by its count (their mean where the lines are parallel). False with fewer than two
// tracks of two measurements.
bool StartPoint(const std::vector<Track>& tracks, double& cx, double& cy);

// The fit from (cx, cy), its RSS from the tracks' sums (not measured); empty when the equations
// are singular or fewer than two tracks are used.
std::optional<Fit> Solve(const std::vector<Track>& tracks, double cx, double cy);

// RefinedPoint(images) from each track's sums already taken, TrackOf over the images where it
// is seen, in image order (zirt-batch's fast path takes them in its own pass over the tracks);
// the RSS is measured from `images`. The same point, bit for bit.
std::optional<PointEstimate> RefinedPointOf(const std::vector<Track>& tracks,
                                            const PositionArrays& images);

}  // namespace zirt::diagnostics_detail
