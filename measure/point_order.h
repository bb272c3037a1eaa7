// One order of the pattern's points in every image: the finder may number a board from any
// of its corners, and a square board also down its columns.
#pragma once

#include <vector>

#include "measure/pattern.h"

namespace zirt {

// The first image's order: row by row from the corner nearest the image's top-left, the rows
// running across the image. `points` are in the finder's order.
std::vector<ImagePoint> OrderFirst(const std::vector<ImagePoint>& points, const Pattern& pattern);

// The numbering of `points` whose rows and columns run the way the first image's do, so that
// line k of every image holds the same physical point.
std::vector<ImagePoint> OrderLike(const std::vector<ImagePoint>& first,
                                  const std::vector<ImagePoint>& points, const Pattern& pattern);

// Every numbering of `points` (in the finder's order) that the pattern's symmetry allows: from
// each of its corners, and for a square board also down the columns.
std::vector<std::vector<ImagePoint>> Numberings(const std::vector<ImagePoint>& points,
                                                const Pattern& pattern);

}  // namespace zirt
