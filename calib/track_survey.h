// What the tracks of the reference points allow before anything is fitted: which points do
// not move between the images, and whether the moving ones can meet in one finite point.
#pragma once

#include <QtGlobal>
#include <cmath>
#include <string>
#include <vector>

#include "data/coordinate_file.h"
#include "data/exceptions.h"

namespace zirt {

// The refusals of a computation whose principal point the data cannot fix; the windows show
// them in their language (context "TrackSurvey").
inline constexpr const char* kNothingMovesMessage = QT_TRANSLATE_NOOP(
    "TrackSurvey", "Точки не сдвигаются между снимками: главная точка не определена.");
inline constexpr const char* kNoCommonPointMessage = QT_TRANSLATE_NOOP(
    "TrackSurvey", "Прямые параллельны или лежат на одной прямой: главная точка не определена.");
inline constexpr const char* kNothingSeenTwiceMessage = QT_TRANSLATE_NOOP(
    "TrackSurvey", "Ни одна точка не видна на двух снимках: главная точка не определена.");

// A computation refused because its data cannot fix the principal point.
class EUndeterminedPoint : public Exception {
 public:
  using Exception::Exception;
};

// One track's part of the survey: whether it is seen in fewer than two images (no line), whether
// it moves and, if so, the direction of its positions' major axis as the unit vector of twice
// its angle, so that a track and its reverse agree.
struct TrackMotion {
  bool sparse = false;
  bool still = true;
  double c2 = 0, s2 = 0;
};

// The motion of the track through at(0) … at(images − 1), over the images where it is seen;
// at(k) gives a point with X and Y. Taken about the first position seen so that large
// coordinates do not eat the small moves.
template <typename At>
TrackMotion MotionOf(int images, At at) {
  TrackMotion m;
  int first = 0;
  while (first < images && NotSeen(at(first).X, at(first).Y)) ++first;
  if (first >= images - 1) {
    m.sparse = true;
    return m;
  }
  const double x0 = at(first).X, y0 = at(first).Y;
  double sx = 0, sy = 0, sxx = 0, sxy = 0, syy = 0;
  int seen = 1;
  for (int k = first + 1; k < images; ++k) {
    const auto& p = at(k);
    if (NotSeen(p.X, p.Y)) continue;
    ++seen;
    const double dx = p.X - x0, dy = p.Y - y0;
    // A NaN moves nothing here; the fit itself refuses it.
    if (dx != 0 || dy != 0) m.still = false;
    sx += dx;
    sy += dy;
    sxx += dx * dx;
    sxy += dx * dy;
    syy += dy * dy;
  }
  if (seen < 2) m.sparse = true;
  if (m.still) return m;
  const double n = seen;
  const double a = sxx - sx * sx / n, b = sxy - sx * sy / n, c = syy - sy * sy / n;
  const double norm = std::hypot(a - c, 2 * b);
  if (norm > 0 && std::isfinite(norm)) {
    m.c2 = (a - c) / norm;
    m.s2 = 2 * b / norm;
  }
  return m;
}

// Tracks whose directions differ by less than this (about 10⁻⁸ rad) would meet only far
// beyond any image: the rounding of the coordinates, not the camera, decides where.
inline constexpr double kParallelTolerance = 2e-8;

// Raises EUndeterminedPoint when no track is seen in two images, when no track moves, or when
// every moving track has one direction (parallel tracks, or all on one line, or only one moving
// track). Returns the numbers (1-based) of the tracks that do not move, to be left out of the
// fit; tracks seen in fewer than two images are left out as well, but not among these.
std::vector<int> StillTracks(const std::vector<TrackMotion>& motions);

// The numbers (1-based) of the tracks seen in fewer than two images.
std::vector<int> SparseTracks(const std::vector<TrackMotion>& motions);

// The report line that names the reference points left out because they do not move.
std::string StillTracksNote(const std::vector<int>& still);

// The report line that names the reference points left out because they are seen in fewer
// than two images.
std::string SparseTracksNote(const std::vector<int>& sparse);

}  // namespace zirt
