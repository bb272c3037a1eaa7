// The search for gross errors over one copy of the measurements: what each track keeps, what
// is set aside, and the steps of the search, each in a file of its own (robust_start.cpp,
// judge_pass.cpp, adaptive_cut.cpp, robust_rounds.cpp; measuring a fit in robust_search.cpp).
#pragma once

#include <optional>
#include <vector>

#include "diagnostics/judge_track.h"
#include "diagnostics/measurements.h"
#include "diagnostics/refined_fit.h"
#include "diagnostics/robust_options.h"

namespace zirt::diagnostics_detail {

// What a pass of judging every track takes its verdicts against: a common point with its
// A⁻¹, and the RSS, degrees of freedom and measurements of the fit it comes from.
struct Judging {
  double cx = 0, cy = 0;
  Inverse p;
  double rss = 0;
  int dof = 0;
  int measurements = 0;
  const std::vector<Line>* lines = nullptr;  // the fit's, when it is a fit of the tracks now
  double s2_floor = 0;  // the least measuring variance that measurements are judged with
  bool judge_taken_back = false;
  double cut = 0;                          // a bound below the test's (AdaptiveCut), 0 for none
  const std::vector<int>* only = nullptr;  // the tracks to judge (all when null)
  bool screen_first = false, peel_one = false, watch = false;  // as in JudgeRules
};

class RobustSearch {
 public:
  RobustSearch(const Measurements& m, const RobustOptions& options);

  const Measurements& Data() const { return m_; }
  const std::vector<Track>& Tracks() const { return tracks_; }
  const std::vector<FlaggedMeasurement>& Flagged() const { return flagged_; }
  std::vector<FlaggedMeasurement> TakeFlagged() { return std::move(flagged_); }
  // Whether track i has a measurement set aside, and whether its one in image k is.
  bool Any(int i) const;
  bool Aside(int i, int k) const { return aside_[Slot(i, k)] != 0; }

  // The fit of what the tracks keep, from (cx, cy).
  std::optional<Fit> SolveFrom(double cx, double cy) const { return Solve(tracks_, cx, cy); }
  // RSS and the count of the measurements used, one by one; with `find_worst` the one that
  // stands out most as well.
  void Measure(Fit& fit, bool find_worst) const;
  // The one-at-a-time search: a measurement set aside, and taken back.
  void SetAside(const FlaggedMeasurement& f);
  void Restore();

  // The high-breakdown start (robust_start.cpp): a point with a scale of the residuals about
  // its lines, and the tracks sampled for it; whether there is one.
  bool Start(double& cx, double& cy, double& scale, std::vector<int>& sampled) const;
  // Whether gross errors hide one another in `fit` (robust_start.cpp).
  bool Hides(const Fit& fit, const std::vector<int>& sampled, double cx, double cy,
             double bound) const;
  // The fit without gross errors from the start (sx, sy) and its screen `bound`
  // (robust_rounds.cpp); `all` the refined fit; `round` counts the refits within `rounds`.
  std::optional<Fit> WithoutGrossErrors(double sx, double sy, double bound, const Fit& all,
                                        double rounds, int& round);
  // Every measurement set aside gets its studentised prediction residual against the fit;
  // whether it could.
  bool Studentize(const Fit& fit);
  // Takes every measurement set aside back.
  void Clear();

 private:
  std::size_t Slot(int i, int k) const {
    return std::size_t(i) * std::size_t(m_.Images()) + std::size_t(k);
  }
  void Recompute(int i);
  // The used measurements of track i.
  int Gather(int i, std::vector<Position>& points) const;
  // Every finite measurement of track i with its image and verdict, into s.
  void GatherAll(int i, TrackScratch& s) const;
  // judge_pass.cpp
  int Judge(const Judging& j, double screen, bool studentise);
  JudgeRules RulesOf(const Judging& j, double screen, bool studentise) const;
  void Settle(int i, const TrackScratch& s, const TrackJudged& judged, const Judging& j,
              int& verdicts, int& back);
  void ListVerdicts(int back);
  // adaptive_cut.cpp
  std::vector<double> StandardisedSample(const Fit& fit) const;
  double SpreadFloor(const Fit& fit) const;
  double CutOf(const Fit& fit) const;
  bool Cut(const Fit& fit);
  // robust_rounds.cpp
  Judging JudgingOf(const Fit& fit) const;
  int Rebalance(Fit& fit, const std::vector<int>* only = nullptr);
  std::optional<Fit> RoundsFrom(double sx, double sy, double bound, double rounds, int& round);
  std::optional<Fit> FromSample(double sx, double sy, double bound, const Fit& all,
                                const std::vector<int>& eligible, double rounds, int& round);

  const Measurements& m_;
  const RobustOptions o_;
  std::vector<Track> tracks_;                // the sums of what each track keeps
  std::vector<char> aside_;                  // per measurement, track by track: set aside
  std::vector<FlaggedMeasurement> flagged_;  // what is set aside, in the order found
  bool spread_floor_ = true;  // whether rounds judge with a floor under the fit's spread
  double cut_ = 0;            // Judging::cut of the rounds
  // What the last Judge found, as RobustSearch::Measure would have where it judged at a fit's own
  // lines: RSS per track, the measurements counted, the one that stands out most.
  std::vector<double> measure_rss_;
  int measure_used_ = 0;
  Standout measure_worst_;
  std::vector<int> changed_;  // the tracks whose verdicts the last Judge changed
  std::vector<int> watch_;    // the tracks it found near their bounds
  // What the last Judge took back from the flagged list, and how many it added at its end.
  std::vector<FlaggedMeasurement> came_back_;
  std::size_t went_out_ = 0;
  // The verdicts the current Judge writes: what went, in order.
  std::vector<FlaggedMeasurement> went_;
};

// Diagnose over the copy, with the search's settings (options.Check()).
Diagnostics DiagnoseMeasurements(const Measurements& m, double search_work,
                                 const RobustOptions& options);

}  // namespace zirt::diagnostics_detail
