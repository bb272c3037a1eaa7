// Judging one track's measurements at a common point, on its own, until its verdicts settle:
// which of them stay in the fit and which are set aside. A pure function of the track, the
// point and the bounds; the pass over every track (robust_search.h) writes what it decides.
#pragma once

#include <vector>

#include "diagnostics/leverage.h"
#include "diagnostics/outlier_test.h"
#include "diagnostics/track_line.h"

namespace zirt::diagnostics_detail {

// What every track of a pass is judged against.
struct JudgeRules {
  double cx = 0, cy = 0;
  Inverse p;  // the fit's A⁻¹
  double rss = 0;
  int dof = 0;
  // Whether the studentised test judges at all (the fit leaves it the degrees of freedom);
  // without it the pass only screens.
  bool studentise = false;
  double in2 = 0;        // (the bound in the fit)²
  double in2_s2 = 0;     // in2 times the fit's σ² (RSS / dof)
  double in2_floor = 0;  // in2 times the least variance judged with
  double out2 = 0;       // (the bound to come back)² times that variance
  double floor = 0;      // residuals within rounding
  // With a screen (> 0), a track whose measurements do not all pass starts again from those
  // within this distance of its median line through c (the nearest always kept).
  double screen = 0;
  bool screen_first = false;      // every track screened before it is judged
  bool peel_one = false;          // the one that stands out most goes first, before a screen
  int peel_from = 8;              // in a track of at least this many (RobustOptions::peel_from)
  bool judge_taken_back = false;  // a track that took one back is judged again at once
  bool watch = false;             // whether verdicts near their bounds are told
};

// A track's finite measurements, their images and their verdicts, with the room judging uses.
struct TrackScratch {
  std::vector<Position> points;
  std::vector<int> images;
  std::vector<char> aside;  // the verdicts: in, judged and written back
  std::vector<char> went;   // went in this judging: it does not come back
  // What a measurement that went was judged by when it went: its distance and its t.
  std::vector<double> went_r, went_t;
  std::vector<double> r, tangent;
  int n = 0;
};

// Where the pass judges at a fit of the tracks as they stand: the track's line in that fit
// and its kept sums there, so that its first look takes them and measures the fit as
// RobustSearch::Measure would.
struct FitShare {
  bool at_fit = false;  // whether `line` and `track` are the fit's
  bool measure = false;
  Line line;
  Track track;
  Standout worst;  // the one that stands out most in the tracks measured before
};

struct TrackJudged {
  bool touched = false;  // the verdicts may have changed
  bool near = false;     // a verdict lies near its bound
  Track kept;            // the sums of what the track keeps
  // What the first look measured, where FitShare::measure: RSS, count, and the one that stands
  // out most in this track and those before.
  double rss = 0;
  int used = 0;
  Standout worst;
};

// Judges track `index` (s.n ≥ 2 measurements): a measurement set aside comes back when its
// studentised prediction residual is within the bound, and the one in the fit with the
// largest externally studentised residual goes while that exceeds it (a track keeps one),
// each verdict against the track's line through the point of what it keeps; one that went
// stays out, so no track turns in circles.
TrackJudged JudgeTrack(int index, const JudgeRules& rules, const FitShare& fit, TrackScratch& s);

}  // namespace zirt::diagnostics_detail
