// Rounds of judging and refitting from the high-breakdown start until the verdicts settle;
// for many tracks, first on an even sample of them.
#include <algorithm>
#include <cmath>

#include "diagnostics/robust_search.h"

namespace zirt::diagnostics_detail {

Judging RobustSearch::JudgingOf(const Fit& fit) const {
  Judging j;
  j.cx = fit.cx;
  j.cy = fit.cy;
  j.p = fit.p;
  j.rss = fit.rss;
  j.dof = fit.Dof();
  j.measurements = fit.measurements;
  j.lines = &fit.lines;
  return j;
}

// One round at the fit's point: every measurement judged again, then a refit when any verdict
// changed. Returns how many changed, 0 also when the refit would be singular (the round then
// undone).
int RobustSearch::Rebalance(Fit& fit, const std::vector<int>* only) {
  if (fit.Dof() < 2) return 0;
  Judging j = JudgingOf(fit);
  if (spread_floor_) j.s2_floor = SpreadFloor(fit);
  j.cut = cut_;
  j.only = only;
  const int verdicts = Judge(j, 0, true);
  if (verdicts == 0) {
    // Nothing changed: the pass measured the fit as it stands.
    if (!fit.measured && only == nullptr) {
      fit.rss = 0;
      for (const double r : measure_rss_) fit.rss += r;
      fit.measurements = measure_used_;
      fit.worst = measure_worst_;
      fit.measured = true;
    }
    return 0;
  }
  std::optional<Fit> next = SolveFrom(fit.cx, fit.cy);
  if (!next) {
    // The round undone: what went now comes back, what came back goes again.
    for (std::size_t m = flagged_.size() - went_out_; m < flagged_.size(); ++m)
      aside_[Slot(flagged_[m].point, flagged_[m].image)] = 0;
    flagged_.resize(flagged_.size() - went_out_);
    for (const FlaggedMeasurement& f : came_back_) aside_[Slot(f.point, f.image)] = 1;
    flagged_.insert(flagged_.end(), came_back_.begin(), came_back_.end());
    for (const int i : changed_) Recompute(i);
    return 0;
  }
  fit = std::move(*next);
  return verdicts;
}

// The fit of the measurements near the high-breakdown point (sx, sy)'s lines, `bound` the
// distance that screens them first, then rounds of judging and refitting; after the rounds,
// where the test set aside many, rounds with the adaptive cut.
std::optional<Fit> RobustSearch::RoundsFrom(double sx, double sy, double bound, double rounds,
                                            int& round) {
  Judging start;
  start.cx = sx;
  start.cy = sy;
  if (Judge(start, bound, false) == 0) return std::nullopt;
  std::optional<Fit> fit = SolveFrom(sx, sy);
  // Too little left to test anything: the set is judged as a whole.
  if (!fit || fit->Dof() < 2) return std::nullopt;
  while (round < o_.rounds && round < rounds && Rebalance(*fit) > 0) ++round;
  if (!fit->measured) Measure(*fit, true);
  if (!Cut(*fit)) return fit;
  for (int cut_round = 0; cut_round < o_.rounds && round < rounds && Rebalance(*fit) > 0;
       ++cut_round)
    ++round;
  if (!fit->measured) Measure(*fit, true);
  return fit;
}

std::optional<Fit> RobustSearch::WithoutGrossErrors(double sx, double sy, double bound,
                                                    const Fit& all, double rounds, int& round) {
  std::vector<int> eligible;
  for (int i = 0; i < m_.Tracks(); ++i)
    if (tracks_[std::size_t(i)].n >= 2) eligible.push_back(i);
  if (eligible.size() > 2 * o_.sample_fit_tracks)
    return FromSample(sx, sy, bound, all, eligible, rounds, round);
  return RoundsFrom(sx, sy, bound, rounds, round);
}

// Many tracks are fitted first on an even sample of them, and every track is judged once at
// the sample's fit, its spread and its uncertainty made the whole set's; rounds on the whole
// set then settle what the sample could not see.
std::optional<Fit> RobustSearch::FromSample(double sx, double sy, double bound, const Fit& all,
                                            const std::vector<int>& eligible, double rounds,
                                            int& round) {
  std::vector<int> picked;
  const double step = double(eligible.size()) / double(o_.sample_fit_tracks);
  for (std::size_t m = 0; m < o_.sample_fit_tracks; ++m)
    picked.push_back(eligible[std::size_t(double(m) * step)]);
  const Measurements part(m_, picked);
  RobustSearch on_sample(part, o_);
  int sample_round = 0;
  const std::optional<Fit> s = on_sample.RoundsFrom(sx, sy, bound, rounds, sample_round);
  if (!s || s->Dof() < 2) return std::nullopt;
  cut_ = on_sample.cut_;  // the sample's cut serves the whole set
  int sample_measurements = 0;
  for (const Track& t : part.Sums()) sample_measurements += t.n;
  // The whole set keeps the share of measurements and tracks that the sample kept.
  const double kept = double(s->measurements) / sample_measurements;
  Judging j;
  j.cx = s->cx;
  j.cy = s->cy;
  j.measurements = int(kept * all.measurements);
  j.dof =
      j.measurements - 2 - int(double(s->tracks) / double(picked.size()) * double(eligible.size()));
  if (j.dof < 2) return std::nullopt;
  const double fewer = double(s->measurements) / j.measurements;
  j.p = {s->p.p00 * fewer, s->p.p01 * fewer, s->p.p11 * fewer};
  j.rss = s->rss / s->Dof() * j.dof;
  j.judge_taken_back = true;
  j.cut = cut_;
  // Where the sample's tracks hold two gross errors or more each, the screen comes first;
  // where they hold one, setting aside the one that stands out usually ends the track.
  int dirty = 0;
  for (int m = 0; m < part.Tracks(); ++m) dirty += on_sample.Any(m);
  j.screen_first = on_sample.flagged_.size() >= 2 * std::size_t(dirty) && dirty > 0;
  j.peel_one = !j.screen_first;
  j.watch = true;
  // The sample's spread is a fit's, not a start's guess: no floor is needed under it.
  spread_floor_ = false;
  Judge(j, o_.prescreen * std::sqrt(s->rss / s->Dof()), true);
  const std::vector<int> watch = std::move(watch_);
  std::optional<Fit> fit = SolveFrom(s->cx, s->cy);
  if (!fit || fit->Dof() < 2) return std::nullopt;
  ++round;
  // What the sample's fit left in doubt settles on the refits; the rest stands.
  while (round < o_.rounds && round < rounds && Rebalance(*fit, &watch) > 0) ++round;
  Measure(*fit, true);
  return fit;
}

bool RobustSearch::Studentize(const Fit& fit) {
  if (fit.Dof() < 1) return false;
  const double s2 = fit.rss / fit.Dof();
  // A track's measurements are mostly listed together: its line and leverage once for them.
  int point = -1;
  Line l;
  Leverage v;
  for (FlaggedMeasurement& f : flagged_) {
    if (f.point != point) {
      point = f.point;
      const Track& t = tracks_[std::size_t(point)];
      l = t.n >= 2 ? fit.lines[std::size_t(point)] : Line{};
      v = LeverageOf(t, l, fit.cx, fit.cy, fit.p);
    }
    const Position p = m_.At(f.image, f.point);
    const double dx = p.x - fit.cx, dy = p.y - fit.cy;
    f.residual_px = std::fabs(l.ux * dy - l.uy * dx);
    const double along = l.ux * dx + l.uy * dy;
    const double lean = 1 - along * l.T * v.iq;
    const double h =
        v.fitted ? lean * lean * v.npn + along * along * v.iq : along * along * v.reach;
    f.studentized = f.residual_px / std::sqrt(s2 * (1 + h));
  }
  return true;
}

}  // namespace zirt::diagnostics_detail
