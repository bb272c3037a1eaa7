// What a failed computation tells the user beside the error's own text: which reference point
// or which files made it fail, and what to do. Shared by the main window and zirt-batch.
#pragma once

#include <string>
#include <vector>

#include "data/data_structures.h"

namespace zirt {

// Why the computation could not go on, found from the data alone.
enum class ComputeFault {
  kNone,           // nothing in the data explains it
  kNoPoints,       // the first image has no points, so there is nothing to fit
  kShortImage,     // an image has fewer points than the first
  kVerticalTrack,  // a reference point keeps its x on every image
  kStillTrack,     // a reference point keeps both coordinates on every image
  kNoCommonPoint,  // every line fitted, but they have no single common point
};

struct ComputeHint {
  ComputeFault fault = ComputeFault::kNone;
  int point = 0;  // 1-based number of the reference point concerned, or 0
  // In view under the error: where, then what to do; in the window's language (Russian in
  // zirt-batch).
  std::vector<std::string> lines;
};

// `fitted` is the reference point (from 0) the run was fitting when it failed; the count of
// points means the common point failed. A negative `fitted` (a run that kept no record) names
// the first track the fit cannot take, or tracks that are all parallel, if any; a point that
// does not move is left out of the fit, so it is never that track.
ComputeHint ComputeFailureHint(const ImageSets& images, const std::vector<std::string>& names,
                               int fitted);

}  // namespace zirt
