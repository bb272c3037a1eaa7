// The check that every image's points are the first image's points seen through a zoom: each
// image maps onto the first by a scale and a shift (no turn), about one centre common to the
// sequence. A wrong numbering, another board or a sub-board of the wrong size fails it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "measure/pattern.h"

namespace zirt {

struct ZoomRefusal {
  std::size_t image = 0;  // index of the image that does not fit
  std::string reason;     // English, for zirt-measure's message after the image's name
};

// Gives every image after the first the numbering of the pattern's symmetries that fits the
// zoom model best; refuses the first image that no numbering fits within a quarter of its own
// grid step (a wrong correspondence moves points by at least one step). `images` hold the
// points in one numbering each, the first image's as it will be written.
std::optional<ZoomRefusal> MatchToFirst(std::vector<std::vector<ImagePoint>>& images,
                                        const Pattern& pattern);

}  // namespace zirt
