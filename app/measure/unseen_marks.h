// Where a board's corners not seen in an image would lie: the zoom maps one image onto another
// by a scale and a shift, fitted on the corners both images show.
#pragma once

#include <QPointF>
#include <vector>

namespace zirt {

// For image `k` of `points` (one entry per file line, NaN where not seen), the predicted
// positions of the lines it does not show, from the nearest image in the sequence that shows
// each and shares two corners or more with it; NaN where no image gives one.
std::vector<QPointF> UnseenPositions(const std::vector<std::vector<QPointF>>& points,
                                     std::size_t k);

}  // namespace zirt
