#include "calib/track_survey.h"

#include <cmath>

namespace zirt {

std::vector<int> StillTracks(const std::vector<TrackMotion>& motions) {
  std::vector<int> still;
  const TrackMotion* first = nullptr;
  bool directions_differ = false;
  for (std::size_t i = 0; i < motions.size(); ++i) {
    const TrackMotion& m = motions[i];
    if (m.still) {
      still.push_back(static_cast<int>(i + 1));
    } else if (first == nullptr) {
      first = &m;
    } else if (!directions_differ) {
      directions_differ = std::hypot(m.c2 - first->c2, m.s2 - first->s2) > kParallelTolerance;
    }
  }
  if (first == nullptr) throw EUndeterminedPoint(kNothingMovesMessage);
  if (!directions_differ) throw EUndeterminedPoint(kNoCommonPointMessage);
  return still;
}

std::string StillTracksNote(const std::vector<int>& still) {
  // A long list would bury the result: the first ones name the fault well enough.
  constexpr std::size_t kNamed = 10;
  std::string note = still.size() == 1 ? "Не сдвигается между снимками и не учтена точка "
                                       : "Не сдвигаются между снимками и не учтены точки ";
  for (std::size_t k = 0; k < still.size() && k < kNamed; ++k)
    note += (k > 0 ? ", " : "") + std::to_string(still[k]);
  if (still.size() > kNamed) note += " и ещё " + std::to_string(still.size() - kNamed);
  return note + ".";
}

}  // namespace zirt
