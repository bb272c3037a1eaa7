// Beyond the report: the maximum-likelihood common point of the tracks with its uncertainty,
// gross errors set aside, residuals per image and point (diagnostics window, zirt-batch --json).
#pragma once

#include <optional>
#include <vector>

#include "data/data_structures.h"

namespace zirt {

// A measured position in image pixels: x the column, y the row (downward).
struct Position {
  double x;
  double y;
};

// A common point of the tracks under isotropic Gaussian measuring noise: every track is a
// line through (x, y) with a direction of its own, fitted by perpendicular distances.
struct PointEstimate {
  double x = 0;
  double y = 0;
  int measurements = 0;  // measurements used: those of tracks with two or more
  int tracks = 0;        // tracks used: those with two or more measurements
  int dof = 0;           // measurements − 2 − tracks
  double rms_px = 0;     // √(RSS / measurements)

  // With dof > 0; otherwise every member below is NaN.
  bool has_uncertainty = false;
  double sigma0_px = 0;                       // σ̂ = √(RSS / dof), the measuring noise
  double cov_xx = 0, cov_xy = 0, cov_yy = 0;  // Σ̂ of (x, y), px²
  double sigma_x = 0, sigma_y = 0;
  double correlation = 0;  // NaN as well when σx or σy is 0
  // The 95% ellipse (c − ĉ)ᵀ Σ̂⁻¹ (c − ĉ) ≤ 2·F(2, dof; 0.95): semi-axes in pixels; the major
  // axis's angle from +x toward +y (rows), in (−90, 90].
  double major_px = 0, minor_px = 0, angle_deg = 0;

  // Per reference point: the angle of its line through (x, y) from +x toward +y, in (−90, 90];
  // NaN for a point that is not a used track.
  std::vector<double> track_angle_deg;
};

// A measurement set aside as a gross error (indexes from 0).
struct FlaggedMeasurement {
  int image = 0;
  int point = 0;
  double residual_px = 0;  // its distance from its track's line in the robust fit
  // Set aside by the rounds: its |studentised prediction residual| against the robust fit; by
  // the one-at-a-time search: its |externally studentised residual| when it was flagged.
  double studentized = 0;
};

// The RMS perpendicular residual of an image's or a reference point's measurements, taken
// against the robust fit's lines (flagged measurements included, so that they show; a track
// taken out of the fit has the line through the point and its one remaining measurement);
// NaN when it has no measurement on such a line.
struct ImageResidual {
  int measurements = 0;
  double rms_px = 0;
};
struct PointResidual {
  int measurements = 0;
  double rms_px = 0;
  bool flagged = false;  // one of its measurements was set aside
};

struct Diagnostics {
  // Empty when fewer than two tracks have two measurements or the equations are singular.
  std::optional<PointEstimate> refined;
  // The refit without the flagged measurements; equal to refined when nothing is flagged.
  std::optional<PointEstimate> robust;
  std::vector<FlaggedMeasurement> outliers;  // in the order found
  // The search for gross errors stopped at its work limit while one still stood out.
  bool outlier_search_cut = false;
  std::vector<ImageResidual> images;  // one per image
  std::vector<PointResidual> points;  // one per reference point
};

// Measurement visits the search for gross errors may spend (each refit visits every
// measurement about twice): about a second at most, however many measurements stand out.
inline constexpr double kOutlierSearchWork = 1e8;

// Reference point i of every image is point i of the first image; the first image fixes how
// many there are. An image with fewer points lacks the rest, one with more contributes only
// the first ones; positions that are not finite are left out. `search_work` bounds the search
// for gross errors (outlier_search_cut says when it ran out). The measurements are copied once,
// track by track (diagnostics/measurements.h); the search runs on one thread, so the results
// are the same bits on any machine.
Diagnostics Diagnose(const std::vector<std::vector<Position>>& images,
                     double search_work = kOutlierSearchWork);
Diagnostics Diagnose(const ImageSets& images, double search_work = kOutlierSearchWork);

// The loaded measurements as positions, X the column and Y the row.
std::vector<std::vector<Position>> PositionsOf(const ImageSets& images);

// Positions image by image as plain (x, y) pairs, as zirt-batch's fast path keeps them:
// image k holds counts[k] pairs from xy[k].
struct PositionArrays {
  std::vector<const double*> xy;
  std::vector<int> counts;
};

// The refined point alone, without the search for gross errors: cheap enough for every run.
std::optional<PointEstimate> RefinedPoint(const PositionArrays& images);
std::optional<PointEstimate> RefinedPoint(const ImageSets& images);

// Per image, the measurements `estimate` used: its seen positions among the first image's
// count of points, on the tracks the estimate used.
std::vector<int> MeasurementsUsed(const ImageSets& images, const PointEstimate& estimate);

// Measurements of a zoom sequence scatter by a fraction of a pixel about their lines; a
// refined σ̂ above this means they do not meet in one point: points measured by hand or
// numbered wrongly, or images that are not one zoom sequence.
inline constexpr double kConsistentSigmaPx = 1.0;

// False when the refined fit's σ̂ exceeds kConsistentSigmaPx.
bool Consistent(const std::optional<PointEstimate>& refined);

// Gross errors. The search starts from a high-breakdown point: the common point of two tracks,
// each through two of its measurements, that leaves the least quarter-quantile of residuals
// (each track's line through it taken at the median of its measurements' directions) over a
// sample of tracks. Measurements far from that point's lines are set aside and the rest
// refitted; then, round by round, each track is judged on its own at the fit: a measurement
// set aside comes back when its studentised prediction residual stays within the bound it
// would face back in the fit, and one in the fit goes when its externally studentised residual
// exceeds the bound. Many tracks are first fitted so on an even sample of them, then every
// track is judged once at the sample's fit, and the rounds that follow judge only the tracks
// with a verdict near its bound. Where the test set aside one measurement in a hundred or more
// (and three), the bound of further rounds is the adaptive cut where the tail of the
// standardised distances of all measurements outgrows the normal one's above 3σ (Gervini and
// Yohai): the test's bound grows with the measurements and, among many gross errors, lets
// those of a few σ stay. Last, while the largest externally studentised residual
// exceeds the two-sided Student t(dof − 1) bound at this level over the measurements
// (Bonferroni), that measurement is flagged, set aside and the rest refitted. Setting aside
// one of a track's last two takes the track out of the fit, as one measurement fits any line.
inline constexpr double kOutlierLevel = 0.05;

}  // namespace zirt
