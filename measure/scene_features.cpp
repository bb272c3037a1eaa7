#include "measure/scene_features.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <limits>
#include <numeric>
#include <opencv2/core.hpp>
#include <ostream>

#include "diagnostics/diagnostics.h"
#include "measure/image_grey.h"
#include "measure/scene_chain.h"
#include "measure/scene_checks.h"
#include "measure/scene_tracks.h"

namespace zirt {
namespace {

// The 95% ellipse of a point that the tracks fix no better than this is refused as loose.
constexpr double kLoosePointPx = 1;
// A camera that turned by more than this between two images (degrees) is named; by more than
// kTurnRefused, refused: no zoom lens turns the picture.
constexpr double kTurnNamed = 0.02;
constexpr double kTurnRefused = 0.2;
// Below this share of tracks whose lines meet near one point, the camera moved.
constexpr double kCommonShare = 0.5;
// The diagnostics' gross-error test may set aside at most this share of the tracks.
constexpr double kMostFlagged = 0.2;

std::string Fixed(double value, int digits) {
  char text[48];
  std::snprintf(text, sizeof text, "%.*f", digits, value);
  return text;
}

SceneTracks Refuse(std::size_t image, std::string reason) {
  SceneTracks out;
  out.refusal = SceneRefusal{image, std::move(reason)};
  return out;
}

// Up to `count` of `points` spread over the area: a grid of about `count` cells, each cell
// giving its strongest point, then its next strongest, until `count` are chosen.
std::vector<int> Spread(const std::vector<cv::Point2d>& points, const std::vector<double>& strength,
                        std::size_t count, cv::Size area) {
  std::vector<int> chosen;
  if (points.size() <= count) {
    chosen.resize(points.size());
    std::iota(chosen.begin(), chosen.end(), 0);
    return chosen;
  }
  const double cell = std::sqrt(static_cast<double>(area.area()) / std::max<std::size_t>(1, count));
  const int cols = std::max(1, static_cast<int>(std::ceil(area.width / cell)));
  const int rows = std::max(1, static_cast<int>(std::ceil(area.height / cell)));
  std::vector<std::vector<int>> cells(static_cast<std::size_t>(cols * rows));
  for (int i = 0; i < static_cast<int>(points.size()); ++i) {
    const int cx = std::clamp(static_cast<int>(points[i].x / cell), 0, cols - 1);
    const int cy = std::clamp(static_cast<int>(points[i].y / cell), 0, rows - 1);
    cells[cy * cols + cx].push_back(i);
  }
  for (auto& c : cells)
    std::sort(c.begin(), c.end(), [&](int a, int b) { return strength[a] > strength[b]; });
  for (std::size_t depth = 0; chosen.size() < count; ++depth)
    for (const auto& c : cells)
      if (depth < c.size() && chosen.size() < count) chosen.push_back(c[depth]);
  return chosen;
}

std::vector<std::vector<Position>> AsPositions(const std::vector<std::vector<ImagePoint>>& points,
                                               const std::vector<int>& tracks) {
  std::vector<std::vector<Position>> out(points.size());
  for (std::size_t k = 0; k < points.size(); ++k)
    for (const int t : tracks) out[k].push_back({points[k][t].x, points[k][t].y});
  return out;
}

// The tracks to write: each anchor image's share of `max_tracks`, spread over it, the
// narrowest image's first, each image's row by row.
std::vector<int> Choose(const ChainTracks& tracks, const SceneChain& chain,
                        const std::vector<int>& kept, int max_tracks, cv::Size area) {
  std::vector<int> chosen;
  for (std::size_t j = chain.order.size(); j-- > 0;) {
    const std::size_t a = chain.order[j];
    std::vector<int> own;
    std::vector<cv::Point2d> at;
    std::vector<double> strength;
    for (const int t : kept)
      if (tracks.anchor[t] == a) {
        own.push_back(t);
        at.push_back({tracks.positions[a][t].x, tracks.positions[a][t].y});
        strength.push_back(tracks.quality[t]);
      }
    const std::size_t share = static_cast<std::size_t>(std::ceil(
        static_cast<double>(max_tracks) * own.size() / std::max<std::size_t>(1, kept.size())));
    std::vector<int> picked = Spread(at, strength, share, area);
    for (int& p : picked) p = own[p];
    std::sort(picked.begin(), picked.end(), [&](int p, int q) {
      return std::make_pair(tracks.positions[a][p].y, tracks.positions[a][p].x) <
             std::make_pair(tracks.positions[a][q].y, tracks.positions[a][q].x);
    });
    chosen.insert(chosen.end(), picked.begin(), picked.end());
  }
  if (chosen.size() > static_cast<std::size_t>(max_tracks)) chosen.resize(max_tracks);
  return chosen;
}

// Tracks seen in one image only say nothing (2 in `aside`); the rest are judged step by step.
// Named or refused: a turned camera, and tracks whose lines do not meet near one point.
std::optional<SceneTracks> JudgeSteps(const std::vector<cv::Mat>& greys, const SceneChain& chain,
                                      const ChainTracks& tracks, std::vector<char>& aside,
                                      SceneTracks& out) {
  const std::size_t count = tracks.anchor.size();
  aside.assign(count, 0);
  for (std::size_t t = 0; t < count; ++t) {
    int seen = 0;
    for (const std::vector<ImagePoint>& image : tracks.positions) seen += Finite(image[t]);
    aside[t] = seen < 2 ? 2 : 0;
  }
  out.followed = static_cast<int>(std::count(aside.begin(), aside.end(), 0));
  const std::vector<std::optional<LensStep>> steps = FitSteps(tracks.positions, chain);
  SetAsideMisfits(tracks.positions, chain, steps, aside);
  if (const std::optional<Turned> turned = MostTurned(chain, steps);
      turned && turned->degrees > kTurnNamed) {
    const std::string text = "turned " + Fixed(turned->degrees, 2) +
                             "° against its neighbours in the zoom: the camera moved or turned";
    if (turned->degrees > kTurnRefused) return Refuse(turned->image, text);
    out.notes.push_back({turned->image, "turned " + Fixed(turned->degrees, 2) +
                                            "° against its neighbours in the zoom: measured, but "
                                            "a camera that turns moves the point"});
  }
  const CommonShare common =
      CommonCentreShare(tracks.positions, aside, std::hypot(greys[0].cols, greys[0].rows));
  if (common.share < kCommonShare)
    return Refuse(common.worst, "the points are not zoomed about one common point (" +
                                    Fixed(100 * common.share, 0) +
                                    "% of the scene points fit): the camera moved or turned");
  return std::nullopt;
}

// The kept tracks without those the diagnostics' own gross-error test flags, as the
// computation will run it.
std::vector<int> WithoutFlagged(const ChainTracks& tracks, const std::vector<int>& kept) {
  const Diagnostics diagnostics = Diagnose(AsPositions(tracks.positions, kept));
  std::vector<char> flagged(kept.size(), 0);
  for (const FlaggedMeasurement& f : diagnostics.outliers) flagged[f.point] = 1;
  // Where it flags a large share, the tracks disagree with one common point as a whole (a
  // centre that drifts with the zoom): that is for σ̂ and the tests to show, not for this.
  if (std::count(flagged.begin(), flagged.end(), 1) > kMostFlagged * kept.size()) return kept;
  std::vector<int> clean;
  for (std::size_t i = 0; i < kept.size(); ++i)
    if (!flagged[i]) clean.push_back(kept[i]);
  return clean;
}

// The refusal of too few tracks, naming the image with the fewest.
SceneTracks TooFew(const ChainTracks& tracks, const std::vector<int>& kept) {
  std::size_t worst = 0;
  long fewest = std::numeric_limits<long>::max();
  for (std::size_t k = 0; k < tracks.positions.size(); ++k) {
    const long here = std::count_if(kept.begin(), kept.end(),
                                    [&](int t) { return Finite(tracks.positions[k][t]); });
    if (here < fewest) fewest = here, worst = k;
  }
  return Refuse(worst, "only " + std::to_string(kept.size()) +
                           " scene points are followed through the zoom, at least " +
                           std::to_string(kMinTracks) + " needed");
}

}  // namespace

SceneTracks FindSceneTracks(const std::vector<cv::Mat>& greys, int max_tracks) {
  const std::size_t n = greys.size();
  if (n < 2) return Refuse(0, "a zoom sequence needs two or more images");
  const SceneChain chain = FindSceneChain(greys);
  if (chain.refusal) return Refuse(chain.refusal->image, chain.refusal->reason);
  const ChainTracks tracks = FollowChain(greys, chain, std::max(max_tracks * 3 / 2, 64));

  SceneTracks out;
  std::vector<char> aside;
  if (std::optional<SceneTracks> refused = JudgeSteps(greys, chain, tracks, aside, out))
    return *std::move(refused);
  std::vector<int> kept;
  for (std::size_t t = 0; t < aside.size(); ++t)
    if (!aside[t]) kept.push_back(static_cast<int>(t));
  kept = WithoutFlagged(tracks, kept);
  out.set_aside = out.followed - static_cast<int>(kept.size());
  if (kept.size() < static_cast<std::size_t>(kMinTracks)) return TooFew(tracks, kept);
  const std::vector<int> chosen =
      Choose(tracks, chain, kept, std::max(max_tracks, kMinTracks), greys[0].size());
  out.images.resize(n);
  for (std::size_t k = 0; k < n; ++k)
    for (const int t : chosen) out.images[k].push_back(tracks.positions[k][t]);
  // A zoom too small for the tracks' spread leaves the point loose: refused rather than given
  // to a pixel or worse.
  if (const std::optional<PointEstimate> point =
          Diagnose(AsPositions(tracks.positions, chosen)).refined;
      !point || (point->has_uncertainty && !(point->major_px <= kLoosePointPx)))
    return Refuse(0, "the zoom changes too little to fix the point (its 95% ellipse reaches " +
                         Fixed(point ? point->major_px : INFINITY, 2) +
                         " px): zoom further between the images");
  return out;
}

bool MeasureScene(const std::vector<std::string>& files, int max_tracks, double max_megapixels,
                  std::ostream* progress, std::ostream& err, const std::function<void()>& stop,
                  std::vector<std::vector<ImagePoint>>& measured) {
  std::vector<cv::Mat> greys;
  bool failed = false;
  // Every image is read, so that one run names every image that does not read.
  for (std::size_t k = 0; k < files.size(); ++k) {
    try {
      greys.push_back(LoadGreyImage(files[k], max_megapixels));
    } catch (const EImageError& e) {
      err << "zirt-measure: " << e.Message() << "\n";
      failed = true;
    } catch (const std::exception& e) {  // OpenCV's own failures, memory running out.
      err << "zirt-measure: " << files[k] << ": cannot be measured: " << e.what() << "\n";
      failed = true;
    }
    stop();
    if (progress) *progress << k + 1 << "/" << files.size() << " " << files[k] << std::endl;
  }
  if (failed) return false;
  // The tracks are found on another thread, so that a stop signal is taken within moments.
  std::future<SceneTracks> work =
      std::async(std::launch::async, [&] { return FindSceneTracks(greys, max_tracks); });
  while (work.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) stop();
  try {
    SceneTracks tracks = work.get();
    for (const SceneRefusal& note : tracks.notes)
      err << "zirt-measure: " << files[note.image] << ": " << note.reason << "\n";
    if (tracks.set_aside > 0)
      err << "zirt-measure: " << tracks.set_aside << " of " << tracks.followed
          << " scene points set aside as gross errors (points that do not move with the zoom: "
             "overlays, moving leaves or people, mismatches)\n";
    if (tracks.refusal) {
      err << "zirt-measure: " << files[tracks.refusal->image] << ": " << tracks.refusal->reason
          << "\n";
      return false;
    }
    measured = std::move(tracks.images);
  } catch (const std::exception& e) {  // OpenCV's own failures, memory running out.
    err << "zirt-measure: " << e.what() << "\n";
    return false;
  }
  return true;
}

}  // namespace zirt
