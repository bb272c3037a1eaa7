#include "calib/track_survey.h"

#include <cmath>

namespace zirt {

std::vector<int> StillTracks(const std::vector<TrackMotion>& motions) {
  std::vector<int> still;
  const TrackMotion* first = nullptr;
  bool directions_differ = false;
  bool seen_twice = false;
  for (std::size_t i = 0; i < motions.size(); ++i) {
    const TrackMotion& m = motions[i];
    if (m.sparse) continue;
    seen_twice = true;
    if (m.still) {
      still.push_back(static_cast<int>(i + 1));
    } else if (first == nullptr) {
      first = &m;
    } else if (!directions_differ) {
      directions_differ = std::hypot(m.c2 - first->c2, m.s2 - first->s2) > kParallelTolerance;
    }
  }
  if (!seen_twice) throw EUndeterminedPoint(kNothingSeenTwiceMessage);
  if (first == nullptr) throw EUndeterminedPoint(kNothingMovesMessage);
  if (!directions_differ) throw EUndeterminedPoint(kNoCommonPointMessage);
  return still;
}

std::vector<int> SparseTracks(const std::vector<TrackMotion>& motions) {
  std::vector<int> sparse;
  for (std::size_t i = 0; i < motions.size(); ++i)
    if (motions[i].sparse) sparse.push_back(static_cast<int>(i + 1));
  return sparse;
}

namespace {

std::string TracksNote(std::string note, const std::vector<int>& tracks) {
  // A long list would bury the result: the first ones name the fault well enough.
  constexpr std::size_t kNamed = 10;
  for (std::size_t k = 0; k < tracks.size() && k < kNamed; ++k)
    note += (k > 0 ? ", " : "") + std::to_string(tracks[k]);
  if (tracks.size() > kNamed) note += " и ещё " + std::to_string(tracks.size() - kNamed);
  return note + ".";
}

}  // namespace

std::string StillTracksNote(const std::vector<int>& still) {
  return TracksNote(still.size() == 1 ? "Не сдвигается между снимками и не учтена точка "
                                      : "Не сдвигаются между снимками и не учтены точки ",
                    still);
}

std::string SparseTracksNote(const std::vector<int>& sparse) {
  return TracksNote(sparse.size() == 1 ? "Видна менее чем на двух снимках и не учтена точка "
                                       : "Видны менее чем на двух снимках и не учтены точки ",
                    sparse);
}

}  // namespace zirt
