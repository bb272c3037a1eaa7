// The pass that judges every track (or a list of them) at one point and writes the verdicts:
// what each track keeps, the flagged list in the order found, and what the pass measured of
// the fit it judged at.
#include <algorithm>

#include "diagnostics/robust_search.h"

namespace zirt::diagnostics_detail {

JudgeRules RobustSearch::RulesOf(const Judging& j, double screen, bool studentise) const {
  JudgeRules rules;
  rules.cx = j.cx;
  rules.cy = j.cy;
  rules.p = j.p;
  rules.rss = j.rss;
  rules.dof = j.dof;
  rules.studentise = studentise && j.dof >= 2 && j.measurements > 0;
  rules.screen = screen;
  rules.screen_first = j.screen_first;
  rules.peel_one = j.peel_one;
  rules.peel_from = o_.peel_from;
  rules.judge_taken_back = j.judge_taken_back;
  rules.watch = j.watch;
  rules.floor = RoundingFloor(j.cx, j.cy);
  if (!rules.studentise) return rules;
  // The bound in the fit is the one-at-a-time search's, so that a settled round leaves it
  // nothing; one set aside is judged as it would be back in the fit: one more measurement and
  // one more degree of freedom, so that what comes back does not go again.
  const double in = OutlierBound(j.dof, j.measurements);
  const double back = OutlierBound(j.dof + 1, double(j.measurements) + 1);
  const double in_bound = j.cut > 0 ? std::min(in, j.cut) : in;
  const double back_bound = j.cut > 0 ? std::min(back, j.cut) : back;
  const double s2 = j.dof > 0 ? j.rss / j.dof : 0;
  rules.in2 = in_bound * in_bound;
  rules.in2_s2 = rules.in2 * s2;
  rules.in2_floor = rules.in2 * j.s2_floor;
  rules.out2 = back_bound * back_bound * std::max(j.rss / j.dof, j.s2_floor);
  return rules;
}

// Writes what judging track i decided: its verdicts, what went (as it was when it went), and
// the sums of what it keeps. Counts the verdicts that changed and, of them, those taken back.
void RobustSearch::Settle(int i, const TrackScratch& s, const TrackJudged& judged, const Judging& j,
                          int& verdicts, int& back) {
  if (j.watch && judged.near) watch_.push_back(i);
  if (!judged.touched) return;
  bool moved = false;
  for (int k = 0; k < s.n; ++k) {
    const std::size_t at = std::size_t(k);
    char& aside = aside_[Slot(i, s.images[at])];
    if (aside == s.aside[at]) continue;
    moved = true;
    ++verdicts;
    aside = s.aside[at];
    if (aside)
      went_.push_back({s.images[at], i, s.went_r[at], s.went_t[at]});
    else
      ++back;
  }
  if (!moved) return;
  changed_.push_back(i);
  tracks_[std::size_t(i)] = judged.kept;
}

// Judges every track's measurements at j's point, each track on its own (JudgeTrack). With
// `screen` and without `studentise`, the pass only screens. Returns how many verdicts
// changed; changed_ lists their tracks.
int RobustSearch::Judge(const Judging& j, double screen, bool studentise) {
  const JudgeRules rules = RulesOf(j, screen, studentise);
  const bool measure = j.lines != nullptr && j.only == nullptr;
  measure_rss_.assign(measure ? std::size_t(m_.Tracks()) : 0, 0);
  measure_used_ = 0;
  measure_worst_ = Standout{};
  changed_.clear();
  if (j.watch) watch_.clear();
  went_.clear();
  int verdicts = 0, back = 0;
  const int count = j.only != nullptr ? static_cast<int>(j.only->size()) : m_.Tracks();
  TrackScratch s;
  for (int m = 0; m < count; ++m) {
    const int i = j.only != nullptr ? (*j.only)[std::size_t(m)] : m;
    GatherAll(i, s);
    if (s.n < 2) continue;
    FitShare fit;
    if (j.lines != nullptr)
      fit = {true, measure, (*j.lines)[std::size_t(i)], tracks_[std::size_t(i)], measure_worst_};
    const TrackJudged judged = JudgeTrack(i, rules, fit, s);
    if (measure) {
      measure_rss_[std::size_t(i)] = judged.rss;
      measure_used_ += judged.used;
      measure_worst_ = judged.worst;
    }
    Settle(i, s, judged, j, verdicts, back);
  }
  if (verdicts == 0) return 0;
  ListVerdicts(back);
  return verdicts;
}

// The flagged list keeps its order: what stays aside as it was found, then what went now;
// what came back is kept aside (came_back_) to undo the round with.
void RobustSearch::ListVerdicts(int back) {
  came_back_.clear();
  if (back > 0) {
    std::vector<char> changed(std::size_t(m_.Tracks()), 0);
    for (const int i : changed_) changed[std::size_t(i)] = 1;
    std::size_t end = 0;
    for (const FlaggedMeasurement& f : flagged_) {
      if (changed[std::size_t(f.point)] && !Aside(f.point, f.image))
        came_back_.push_back(f);
      else
        flagged_[end++] = f;
    }
    flagged_.resize(end);
  }
  went_out_ = went_.size();
  flagged_.insert(flagged_.end(), went_.begin(), went_.end());
}

}  // namespace zirt::diagnostics_detail
