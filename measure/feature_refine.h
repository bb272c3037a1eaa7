// Locating a point of one image in another image of a zoom sequence by least-squares matching
// of a patch, at full resolution and without the offset that a detector's coordinates carry.
#pragma once

#include <optional>
#include <vector>

#include "measure/pattern.h"

namespace cv {
class Mat;
}

namespace zirt {

struct PatchMatch {
  ImagePoint position;     // in the other image, pixel-centre convention
  double correlation = 0;  // of the template with the matched samples, in [-1, 1]
};

// The patch of `reference` around the whole pixel (`u`, `v`), half-size `radius`, is taken from
// the stored pixels themselves, so that the track's position there is exact and needs no
// interpolation. Finds where that patch lies in `image`, the reference's content
// scaled by `scale` about some centre, starting from `start`: Gauss-Newton on the position
// with a gain and an offset of the grey levels, `image` sampled by bicubic interpolation.
// nullopt when the patch is flat (grey levels spread less than 2·`unit`), the match leaves
// the image, moves more than `reach` pixels from `start`, or does not converge. Both images
// are one channel, both 8-bit or both 16-bit (sums of binned pixels, `unit` the count summed).
std::optional<PatchMatch> MatchPatch(const cv::Mat& reference, int u, int v, int radius,
                                     const cv::Mat& image, ImagePoint start, double scale,
                                     double reach, double unit = 1);

// The same for a patch given by its values (side 2·`radius` + 1, row by row), as taken from a
// smoothed copy of the reference when `image` shows the scene much smaller than it.
std::optional<PatchMatch> MatchPatchValues(const std::vector<double>& patch, int radius,
                                           const cv::Mat& image, ImagePoint start, double scale,
                                           double reach, double unit = 1);

}  // namespace zirt
