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
  // One list per image, track i at index i of every list, NaN where it is not seen; empty
  // when refused.
  std::vector<std::vector<ImagePoint>> images;
  std::optional<SceneRefusal> refusal;
  std::vector<SceneRefusal> notes;  // what the user should know of a sequence measured all the same
  int followed = 0;                 // tracks seen in two images or more
  int set_aside = 0;                // of those, left out as gross errors
};

// Tracks of scene points through the zoom sequence `greys` (8-bit, one channel, any order):
// the images are put in zoom order and each is matched with its neighbours; a track is fixed
// at a whole pixel of the narrowest image that shows it and located at full resolution in the
// wider ones, NaN in the images where it is not seen. At most `max_tracks` of them, spread
// over each image. Tracks that do not follow the lens step by step (a radial factor allowed)
// or that fail the diagnostics' gross-error test are set aside and counted. Refused: too
// little texture, an image linked to no other, a turned camera, no common point for most
// tracks (the camera moved), fewer than kMinTracks tracks, a zoom too small to fix the point.
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
