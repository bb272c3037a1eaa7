// Measuring without a target: tracks of natural scene points through a zoom sequence, found
// on reduced copies and located at full resolution, with the refusals of a sequence that is
// not one camera zooming on one static scene.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "measure/pattern.h"

namespace cv {
class Mat;
}

namespace zirt {

inline constexpr int kDefaultMaxTracks = 2000;
inline constexpr int kMinTracks = 20;

struct SceneRefusal {
  std::size_t image = 0;  // index of the image named in the message
  std::string reason;     // English, for zirt-measure's message after the image's name
};

struct SceneTracks {
  // One list per image, track i at index i of every list; empty when refused.
  std::vector<std::vector<ImagePoint>> images;
  std::optional<SceneRefusal> refusal;
};

// Tracks of scene points seen in every image of `greys` (8-bit, one channel, the order of the
// sequence), at most `max_tracks` of them spread over the image. Each track is fixed at a whole
// pixel of the most zoomed-in image and found in the others by matching that image's patch
// scaled by the zoom; tracks that break the zoom model or the diagnostics' gross-error test
// are dropped. Refused: too little texture, an image that does not map onto the first by a
// zoom about the common point (the camera moved or turned), fewer than kMinTracks tracks.
SceneTracks FindSceneTracks(const std::vector<cv::Mat>& greys, int max_tracks = kDefaultMaxTracks);

// zirt-measure --features: reads every image of `files` (refusing those above
// `max_megapixels`), finds the tracks and puts each image's points in `measured`. Errors and
// refusals name the image on `err`; with `progress` a line "K/N IMAGE" follows each image
// read. `stop` is called often, from this thread, to end the run on a stop signal. False when
// nothing is to be written.
bool MeasureScene(const std::vector<std::string>& files, int max_tracks, double max_megapixels,
                  std::ostream* progress, std::ostream& err, const std::function<void()>& stop,
                  std::vector<std::vector<ImagePoint>>& measured);

}  // namespace zirt
