#include "diagnostics/robust_search.h"

#include <algorithm>

namespace zirt::diagnostics_detail {

RobustSearch::RobustSearch(const Measurements& m, const RobustOptions& options)
    : m_(m),
      o_(options),
      tracks_(m.Sums()),
      aside_(std::size_t(m.Tracks()) * std::size_t(m.Images()), 0) {}

bool RobustSearch::Any(int i) const {
  const auto from = aside_.begin() + std::ptrdiff_t(Slot(i, 0));
  return std::find(from, from + m_.Images(), 1) != from + m_.Images();
}

void RobustSearch::Recompute(int i) {
  const Position* p = m_.Of(i);
  tracks_[std::size_t(i)] =
      TrackOf(p, m_.Images(), [&](int k) { return Seen(p[k]) && !Aside(i, k); });
}

int RobustSearch::Gather(int i, std::vector<Position>& points) const {
  points.clear();
  const Position* p = m_.Of(i);
  for (int k = 0; k < m_.Images(); ++k)
    if (Seen(p[k]) && !Aside(i, k)) points.push_back(p[k]);
  return static_cast<int>(points.size());
}

void RobustSearch::GatherAll(int i, TrackScratch& s) const {
  const std::size_t size = std::size_t(m_.Images());
  if (s.points.size() < size) {
    for (auto* v : {&s.went_r, &s.went_t, &s.r, &s.tangent}) v->resize(size);
    s.points.resize(size);
    s.images.resize(size);
    s.aside.resize(size);
    s.went.resize(size);
  }
  const Position* p = m_.Of(i);
  int n = 0;
  for (int k = 0; k < m_.Images(); ++k) {
    if (!Seen(p[k])) continue;
    s.points[std::size_t(n)] = p[k];
    s.images[std::size_t(n)] = k;
    s.aside[std::size_t(n)] = Aside(i, k);
    ++n;
  }
  s.n = n;
}

void RobustSearch::SetAside(const FlaggedMeasurement& f) {
  flagged_.push_back(f);
  aside_[Slot(f.point, f.image)] = 1;
  Recompute(f.point);
}

void RobustSearch::Restore() {
  const FlaggedMeasurement f = flagged_.back();
  flagged_.pop_back();
  aside_[Slot(f.point, f.image)] = 0;
  Recompute(f.point);
}

void RobustSearch::Clear() {
  std::vector<int> touched;
  for (const FlaggedMeasurement& f : flagged_) touched.push_back(f.point);
  flagged_.clear();
  for (const int i : touched) {
    std::fill_n(aside_.begin() + std::ptrdiff_t(Slot(i, 0)), m_.Images(), 0);
    Recompute(i);
  }
}

// Its externally studentised residual t² = r²·(dof − 1) / max(RSS·(1 − h) − r², floor) grows
// with r² / (1 − h) whatever the RSS, so the largest of that ratio is the one, found before
// the RSS is known. Summed track by track.
void RobustSearch::Measure(Fit& fit, bool find_worst) const {
  const double floor = RoundingFloor(fit.cx, fit.cy);
  double rss = 0;
  int used = 0;
  Standout worst;
  for (int i = 0; i < m_.Tracks(); ++i) {
    const Track& t = tracks_[std::size_t(i)];
    if (t.n < 2) continue;
    Line l = fit.lines[std::size_t(i)];
    const Leverage v = find_worst ? LeverageOf(t, l, fit.cx, fit.cy, fit.p) : Leverage{};
    const Position* p = m_.Of(i);
    double own = 0;
    for (int k = 0; k < m_.Images(); ++k) {
      if (!Seen(p[k]) || Aside(i, k)) continue;
      const double dx = p[k].x - fit.cx, dy = p[k].y - fit.cy;
      const double r = l.ux * dy - l.uy * dx;
      own += r * r;
      ++used;
      if (find_worst) worst.Offer(k, i, r, v.Free(l.ux * dx + l.uy * dy), floor);
    }
    rss += own;
  }
  fit.rss = rss;
  fit.measurements = used;
  fit.worst = worst;
  // Only a full measure serves the search: the refined point's asks for the RSS alone.
  if (find_worst) fit.measured = true;
}

}  // namespace zirt::diagnostics_detail
