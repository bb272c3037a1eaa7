// The zoom order of a scene sequence and a first map of each zoom step, from features matched
// between neighbouring images on copies that show the scene at alike scales.
#pragma once

#include <optional>
#include <vector>

#include "measure/scene_features.h"
#include "measure/zoom_model.h"

namespace cv {
class Mat;
}

namespace zirt {

struct SceneChain {
  std::vector<std::size_t> order;  // image indexes, the widest first
  // steps[j] maps full-resolution positions of image order[j] onto image order[j + 1].
  std::vector<LensStep> steps;
  std::optional<SceneRefusal> refusal;
};

// Features are found on reduced copies (on larger ones where those show too few), matched
// between every two images to find the order of the zoom, then again between neighbours on a
// copy of the wider image cut to the narrower one's view and scaled to its features' scale,
// each guided to where the first map puts it, so that repeated patterns do not pair wrongly.
// Refused: too little texture, an image sharing too few features with the others, no zoom.
SceneChain FindSceneChain(const std::vector<cv::Mat>& greys);

}  // namespace zirt
