#include "diagnostics/judge_track.h"

#include <algorithm>
#include <cmath>

#include "diagnostics/median_line.h"

namespace zirt::diagnostics_detail {

namespace {

// Verdicts within this factor of their bound are near (squared).
constexpr double kNear = 1.5 * 1.5;

// The screen: every measurement farther than rules.screen from the median line through c is
// set aside, the nearest always kept; what it went by is its distance.
void Screen(const JudgeRules& rules, TrackScratch& s) {
  const int n = s.n;
  MedianLineResiduals(s.points.data(), n, rules.cx, rules.cy, s.tangent.data(), s.r.data());
  const int nearest = int(std::min_element(s.r.begin(), s.r.begin() + n) - s.r.begin());
  for (int k = 0; k < n; ++k) {
    s.aside[std::size_t(k)] = k != nearest && s.r[std::size_t(k)] > rules.screen;
    s.went_r[std::size_t(k)] = s.r[std::size_t(k)];
    s.went_t[std::size_t(k)] = 0;
  }
}

// One look at the track against `l` (its line through c) and `v`, `rss` the fit's RSS with
// this track's share as it stands: measurements set aside that pass come back (`took`), and
// the one in the fit that stands out most beyond the bound is found.
struct Look {
  bool took = false, near = false;
  int worst = -1;
  double worst_r2 = 0, worst_free = 1;
};

Look LookAt(int index, const JudgeRules& rules, const Line& l, const Leverage& v, double rss,
            bool measuring, TrackScratch& s, TrackJudged& out) {
  Look look;
  for (int k = 0; k < s.n; ++k) {
    const std::size_t at = std::size_t(k);
    const double dx = s.points[at].x - rules.cx, dy = s.points[at].y - rules.cy;
    const double along = l.ux * dx + l.uy * dy;
    const double r = l.ux * dy - l.uy * dx;
    s.r[at] = r;
    const double h = v.H(along);
    if (measuring && !s.aside[at]) {
      // What RobustSearch::Measure would find at this fit, with its formulas.
      out.rss += r * r;
      ++out.used;
      out.worst.Offer(s.images[at], index, r, v.Free(along), rules.floor);
    }
    if (rules.watch) {
      const double edge = s.aside[at] ? rules.out2 * (1 + h) : rules.in2_s2 * (1 - h);
      look.near = look.near || (r * r * kNear > edge && r * r < edge * kNear);
    }
    if (s.aside[at]) {
      // Judged as a prediction: back in the fit it would face the bound for one more.
      if (!s.went[at] && (std::fabs(r) <= rules.floor || r * r <= rules.out2 * (1 + h))) {
        s.aside[at] = 0;
        look.took = true;
      }
      continue;
    }
    const double free = 1 - h;
    if (!(free > 1e-9) || std::fabs(r) <= rules.floor) continue;
    const double r2 = r * r;
    if (r2 * look.worst_free > look.worst_r2 * free &&
        ExceedsBound(r2, free, rss, rules.dof, rules.floor, rules.in2) &&
        r2 > rules.in2_floor * free) {
      look.worst = k;
      look.worst_r2 = r2;
      look.worst_free = free;
    }
  }
  return look;
}

}  // namespace

TrackJudged JudgeTrack(int index, const JudgeRules& rules, const FitShare& fit, TrackScratch& s) {
  const int n = s.n;
  TrackJudged out;
  out.worst = fit.worst;
  out.touched = std::any_of(s.aside.begin(), s.aside.begin() + n, [](char a) { return a != 0; });
  std::fill_n(s.went.begin(), n, 0);
  // Whether out.kept is stale: what the track keeps changed since it was taken.
  bool stale = true;
  // The first look uses the fit's own line while the track keeps what it kept there.
  bool fit_line = fit.measure && rules.screen == 0;
  bool screened = !(rules.screen > 0), peeled = false;
  // The fit's RSS with this track's share as it stands now: a measurement taken back is judged
  // against an RSS that holds its own residual, as the externally studentised residual needs.
  const double base_rss = fit.at_fit && fit.track.n >= 2 ? fit.line.rss : 0;
  double rss = rules.rss;
  const auto screen = [&] {
    screened = out.touched = stale = true;
    Screen(rules, s);
  };
  // Screening alone: no line to judge against yet. Where most tracks hold gross errors, the
  // screen comes first.
  if (!screened && (!rules.studentise || rules.screen_first)) screen();
  for (int step = 0; rules.studentise && step <= 2 * n + 1; ++step) {
    Line l;
    const bool measuring = fit_line;
    if (fit_line) {
      out.kept = fit.track;
      l = fit.line;
      fit_line = false;
    } else {
      out.kept = TrackOfKept(s.points.data(), n, s.aside.data());
      if (out.kept.n >= 2) l = Through(out.kept, rules.cx, rules.cy);
    }
    stale = false;
    // Down to one measurement, its own error reaches out along the line through it.
    const Leverage v = LeverageOf(out.kept, l, rules.cx, rules.cy, rules.p);
    if (fit.at_fit) rss = std::max(0.0, rules.rss + ((out.kept.n >= 2 ? l.rss : 0) - base_rss));
    const Look look = LookAt(index, rules, l, v, rss, measuring && out.kept.n >= 2, s, out);
    out.near = look.near;
    if (look.took) {
      out.touched = out.near = stale = true;
      // What came back is judged in the fit next round, against the refit's spread.
      if (!rules.judge_taken_back) break;
      continue;
    }
    if (look.worst < 0 || out.kept.n < 2) break;
    if (!screened && !(rules.peel_one && !peeled && n >= rules.peel_from)) {
      // Something stands out: start again from the screen.
      screen();
      continue;
    }
    peeled = true;
    const std::size_t w = std::size_t(look.worst);
    s.aside[w] = s.went[w] = 1;
    stale = out.touched = true;
    s.went_r[w] = std::fabs(s.r[w]);
    s.went_t[w] =
        std::sqrt(StudentisedSquare(look.worst_r2, look.worst_free, rss, rules.dof, rules.floor));
  }
  if (stale && out.touched) out.kept = TrackOfKept(s.points.data(), n, s.aside.data());
  return out;
}

}  // namespace zirt::diagnostics_detail
