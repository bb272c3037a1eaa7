// Scene points followed along a zoom chain: each fixed at a whole pixel of the narrowest image
// that shows it, then located at full resolution in the wider images, one after the other.
#pragma once

#include <vector>

#include "measure/scene_chain.h"

namespace zirt {

struct ChainTracks {
  // positions[k][i]: track i in image k (the order given); NaN where it is not found.
  std::vector<std::vector<ImagePoint>> positions;
  std::vector<std::size_t> anchor;  // the image whose whole pixel fixes each track
  std::vector<double> quality;      // the lowest correlation of its matches
};

// Candidates of every image but the widest are the strongest corners of a grid of about
// `count` cells, outside the view of the next narrower image (which holds the others). Each is
// followed into the wider images while its patch, matched at the wider image's scale (smoothed
// to it, and widened so that it covers enough of that image), is found; a track ends where it
// is lost, leaves the image or the zoom from its anchor exceeds four.
ChainTracks FollowChain(const std::vector<cv::Mat>& greys, const SceneChain& chain, int count);

}  // namespace zirt
