#include "measure/scene_features.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <future>
#include <numeric>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>
#include <ostream>
#include <random>

#include "diagnostics/diagnostics.h"
#include "measure/feature_refine.h"
#include "measure/image_grey.h"

namespace zirt {
namespace {

// Features are detected on copies no longer than this: the detector's cost grows with the
// area, and the copies only need to give the zoom model to a pixel or so.
constexpr int kReducedSide = 640;
constexpr int kMaxFeatures = 1500;
constexpr int kMinFeatures = 30;
constexpr double kRatio = 0.8;  // nearest against second-nearest descriptor distance
// The model's tolerance on the reduced copies: a match further off is a mismatch.
constexpr double kInlierReducedPx = 1.5;
// A track further from the zoom model at full resolution than this, or than kTrackSpread
// times the median track's distance (a lens whose distortion changes with the zoom), is a
// mismatch or a point that moved; an image whose tracks are shifted or turned by more than
// kMovedPx against the others was taken after the camera moved or turned.
constexpr double kTrackLimitPx = 0.5;
constexpr double kTrackSpread = 8;
constexpr double kMovedPx = 0.2;
constexpr double kMinCorrelation = 0.8;
constexpr double kLoosePointPx = 1;
// Patches span this many reduced pixels either side; images whose reduced copies are this
// many times smaller are matched in blocks of their pixels.
constexpr double kPatchReduced = 3;
constexpr double kBinFrom = 2.5;

struct Match {
  cv::Point2d first, other;  // full-resolution positions
};

// The scale and shift mapping `from` onto `to` (p' = s·p + t), in the least-squares sense.
struct Similarity {
  double s = 1;
  cv::Point2d t;
};

Similarity FitSimilarity(const std::vector<Match>& matches, const std::vector<int>& use) {
  long double mx = 0, my = 0, nx = 0, ny = 0;
  for (const int i : use) {
    mx += matches[i].first.x, my += matches[i].first.y;
    nx += matches[i].other.x, ny += matches[i].other.y;
  }
  const long double n = use.size();
  mx /= n, my /= n, nx /= n, ny /= n;
  long double sxy = 0, sxx = 0;
  for (const int i : use) {
    const long double ax = matches[i].first.x - mx, ay = matches[i].first.y - my;
    sxy += ax * (matches[i].other.x - nx) + ay * (matches[i].other.y - ny);
    sxx += ax * ax + ay * ay;
  }
  Similarity fit;
  fit.s = sxx > 0 ? static_cast<double>(sxy / sxx) : 1;
  fit.t = {static_cast<double>(nx - fit.s * mx), static_cast<double>(ny - fit.s * my)};
  return fit;
}

double Distance(const Similarity& f, const Match& m) {
  return std::hypot(f.s * m.first.x + f.t.x - m.other.x, f.s * m.first.y + f.t.y - m.other.y);
}

// RANSAC over pairs of matches, then a refit on the inliers; returns the inliers' indexes.
std::vector<int> RobustSimilarity(const std::vector<Match>& matches, double limit, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<int> best;
  if (matches.size() < 2) return best;
  std::uniform_int_distribution<int> pick(0, static_cast<int>(matches.size()) - 1);
  for (int round = 0; round < 400; ++round) {
    const int a = pick(random), b = pick(random);
    const cv::Point2d d0 = matches[a].first - matches[b].first;
    const cv::Point2d d1 = matches[a].other - matches[b].other;
    const double n0 = std::hypot(d0.x, d0.y);
    if (a == b || n0 < 20) continue;
    // Without a turn the two differences point the same way.
    if (d0.dot(d1) <= 0) continue;
    const Similarity trial = FitSimilarity(matches, {a, b});
    std::vector<int> inliers;
    for (int i = 0; i < static_cast<int>(matches.size()); ++i)
      if (Distance(trial, matches[i]) < limit) inliers.push_back(i);
    if (inliers.size() > best.size()) best = std::move(inliers);
  }
  for (int pass = 0; pass < 2 && best.size() >= 2; ++pass) {
    const Similarity fit = FitSimilarity(matches, best);
    std::vector<int> inliers;
    for (int i = 0; i < static_cast<int>(matches.size()); ++i)
      if (Distance(fit, matches[i]) < limit) inliers.push_back(i);
    best = std::move(inliers);
  }
  return best;
}

// The zoom model: every image k shows the reference image scaled by scale[k] about `centre`.
struct ZoomModel {
  cv::Point2d centre;
  std::vector<double> scale;
  cv::Point2d Map(cv::Point2d p, std::size_t k) const { return centre + scale[k] * (p - centre); }
};

// Least squares of the model over tracks (positions[k][i], reference image `ref`), using the
// images of `use` only: per-image scale and shift first, then the common centre and the scales
// in turns. nullopt when the images show no zoom that fixes a centre.
std::optional<ZoomModel> FitZoom(const std::vector<std::vector<cv::Point2d>>& positions,
                                 std::size_t ref, const std::vector<std::size_t>& use) {
  const std::size_t count = positions[ref].size();
  ZoomModel model;
  model.scale.assign(positions.size(), 1);
  std::vector<int> all(count);
  std::iota(all.begin(), all.end(), 0);
  long double cx = 0, cy = 0, weight = 0;
  for (const std::size_t k : use) {
    if (k == ref) continue;
    std::vector<Match> pairs;
    for (std::size_t i = 0; i < count; ++i) pairs.push_back({positions[ref][i], positions[k][i]});
    const Similarity fit = FitSimilarity(pairs, all);
    // t = (1 − s)·c for every image: c by least squares over the images.
    cx += (1 - fit.s) * fit.t.x, cy += (1 - fit.s) * fit.t.y;
    weight += (1 - fit.s) * (1 - fit.s);
    model.scale[k] = fit.s;
  }
  if (!(weight > 1e-8L)) return std::nullopt;
  model.centre = {static_cast<double>(cx / weight), static_cast<double>(cy / weight)};
  for (int round = 0; round < 20; ++round) {
    for (const std::size_t k : use) {
      if (k == ref) continue;
      long double num = 0, den = 0;
      for (std::size_t i = 0; i < count; ++i) {
        const cv::Point2d a = positions[ref][i] - model.centre, b = positions[k][i] - model.centre;
        num += a.dot(b), den += a.dot(a);
      }
      model.scale[k] = static_cast<double>(num / den);
    }
    // p_k − s_k·p_ref = (1 − s_k)·c
    long double sx = 0, sy = 0, w = 0;
    for (const std::size_t k : use) {
      if (k == ref) continue;
      const double a = 1 - model.scale[k];
      for (std::size_t i = 0; i < count; ++i) {
        sx += a * (positions[k][i].x - model.scale[k] * positions[ref][i].x);
        sy += a * (positions[k][i].y - model.scale[k] * positions[ref][i].y);
        w += a * a;
      }
    }
    if (!(w > 0)) return std::nullopt;
    model.centre = {static_cast<double>(sx / w), static_cast<double>(sy / w)};
  }
  return model;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  const auto middle = values.begin() + values.size() / 2;
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

// How far each image's tracks lie off the model by a shift or a turn: the larger of the
// median shift and the median turn about the centre, taken at the median distance from it.
// Radial residuals are left out: a lens whose distortion changes with the zoom gives those,
// and the diagnostics show them.
std::vector<double> ShiftOrTurn(const std::vector<std::vector<cv::Point2d>>& positions,
                                std::size_t ref, const ZoomModel& model) {
  std::vector<double> off(positions.size(), 0);
  for (std::size_t k = 0; k < positions.size(); ++k) {
    if (k == ref) continue;
    std::vector<double> ex, ey, radius;
    std::vector<cv::Point2d> from, error;
    for (std::size_t i = 0; i < positions[k].size(); ++i) {
      const cv::Point2d at = model.Map(positions[ref][i], k);
      from.push_back(at - model.centre), error.push_back(positions[k][i] - at);
      ex.push_back(error.back().x), ey.push_back(error.back().y);
      radius.push_back(std::hypot(from.back().x, from.back().y));
    }
    const double middle = Median(radius);
    std::vector<double> turn;
    for (std::size_t i = 0; i < from.size(); ++i)
      if (radius[i] >= middle && radius[i] > 0) turn.push_back(from[i].cross(error[i]) / radius[i]);
    off[k] = std::max(std::hypot(Median(ex), Median(ey)), std::fabs(Median(turn)));
  }
  return off;
}

// The image that a camera which moved or turned took, when an image's tracks lie off the
// zoom model by a shift or a turn of more than `limit`. Named is the image without which the others
// fit the model best; where several leave a fit within `limit` (with three images any one of them
// could be the one), the one that lies furthest off the others' fit.
std::optional<SceneRefusal> MovedImage(const std::vector<std::vector<cv::Point2d>>& positions,
                                       std::size_t ref, double limit) {
  const std::size_t n = positions.size();
  std::vector<std::size_t> all(n);
  std::iota(all.begin(), all.end(), 0);
  const std::optional<ZoomModel> model = FitZoom(positions, ref, all);
  if (!model) return std::nullopt;
  const std::vector<double> medians = ShiftOrTurn(positions, ref, *model);
  const double largest = *std::max_element(medians.begin(), medians.end());
  if (!(largest > limit)) return std::nullopt;
  std::size_t worst = std::max_element(medians.begin(), medians.end()) - medians.begin();
  double best_rest = INFINITY, deviation = -1;
  for (std::size_t j = 0; j < n && n > 2; ++j) {
    std::vector<std::size_t> rest;
    for (std::size_t k = 0; k < n; ++k)
      if (k != j) rest.push_back(k);
    const std::size_t base = j == ref ? rest[0] : ref;
    std::optional<ZoomModel> without = FitZoom(positions, base, rest);
    if (!without) continue;
    long double num = 0, den = 0;
    for (std::size_t i = 0; i < positions[base].size(); ++i) {
      const cv::Point2d a = positions[base][i] - without->centre;
      num += a.dot(positions[j][i] - without->centre), den += a.dot(a);
    }
    without->scale[j] = static_cast<double>(num / den);
    std::vector<double> off = ShiftOrTurn(positions, base, *without);
    const double own = off[j];
    off[j] = 0;
    const double rest_fit = std::max(limit, *std::max_element(off.begin(), off.end()));
    if (rest_fit < best_rest || (rest_fit == best_rest && own > deviation))
      best_rest = rest_fit, deviation = own, worst = j;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%.2f", largest);
  return SceneRefusal{worst, std::string("the points are not zoomed about the common point of the "
                                         "images (shifted or turned ") +
                                 text + " px off it): the camera moved or turned"};
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
  const double cell = std::sqrt(static_cast<double>(area.area()) / count);
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

struct Reduced {
  cv::Mat grey;
  double fx = 1, fy = 1;  // full-resolution pixels per reduced pixel
  cv::Point2d Full(cv::Point2f p) const { return {(p.x + 0.5) * fx - 0.5, (p.y + 0.5) * fy - 0.5}; }
};

Reduced Reduce(const cv::Mat& grey) {
  Reduced r;
  const double factor =
      std::max(1.0, static_cast<double>(std::max(grey.cols, grey.rows)) / kReducedSide);
  if (factor == 1) {
    r.grey = grey;
    return r;
  }
  const cv::Size size(std::max(1, cvRound(grey.cols / factor)),
                      std::max(1, cvRound(grey.rows / factor)));
  cv::resize(grey, r.grey, size, 0, 0, cv::INTER_AREA);
  r.fx = static_cast<double>(grey.cols) / size.width;
  r.fy = static_cast<double>(grey.rows) / size.height;
  return r;
}

SceneTracks Refuse(std::size_t image, std::string reason) {
  SceneTracks tracks;
  tracks.refusal = SceneRefusal{image, std::move(reason)};
  return tracks;
}

// The zoom model from feature matches of every image against the first, on reduced copies.
struct CoarseModel {
  std::optional<SceneRefusal> refusal;
  ZoomModel model;  // the first image as reference
};

CoarseModel MatchFeatures(const std::vector<cv::Mat>& greys, const std::vector<Reduced>& reduced) {
  CoarseModel out;
  const cv::Ptr<cv::SIFT> sift = cv::SIFT::create(kMaxFeatures);
  std::vector<std::vector<cv::KeyPoint>> keys(greys.size());
  std::vector<cv::Mat> descriptors(greys.size());
  for (std::size_t k = 0; k < greys.size(); ++k) {
    sift->detectAndCompute(reduced[k].grey, cv::noArray(), keys[k], descriptors[k]);
    if (keys[k].size() < static_cast<std::size_t>(kMinFeatures)) {
      out.refusal = SceneRefusal{k, "too little texture: " + std::to_string(keys[k].size()) +
                                        " scene features found, at least " +
                                        std::to_string(kMinFeatures) + " needed"};
      return out;
    }
  }
  // Matches inlying in every image, by the first image's feature.
  std::vector<std::vector<cv::Point2d>> at(greys.size(), std::vector<cv::Point2d>(keys[0].size()));
  std::vector<int> seen(keys[0].size(), 0);
  for (std::size_t i = 0; i < keys[0].size(); ++i) at[0][i] = reduced[0].Full(keys[0][i].pt);
  const cv::BFMatcher matcher(cv::NORM_L2);
  for (std::size_t k = 1; k < greys.size(); ++k) {
    std::vector<std::vector<cv::DMatch>> knn;
    matcher.knnMatch(descriptors[0], descriptors[k], knn, 2);
    std::vector<Match> matches;
    std::vector<int> first_index;
    for (const auto& m : knn)
      if (m.size() == 2 && m[0].distance < kRatio * m[1].distance) {
        matches.push_back({at[0][m[0].queryIdx], reduced[k].Full(keys[k][m[0].trainIdx].pt)});
        first_index.push_back(m[0].queryIdx);
      }
    if (matches.size() < static_cast<std::size_t>(kMinTracks)) {
      out.refusal = SceneRefusal{k, "too few scene features in common with the first image (" +
                                        std::to_string(matches.size()) + ")"};
      return out;
    }
    const double limit = kInlierReducedPx * std::max(reduced[0].fx, reduced[k].fx);
    const std::vector<int> inliers =
        RobustSimilarity(matches, limit, 17 + static_cast<unsigned>(k));
    if (inliers.size() < static_cast<std::size_t>(kMinTracks) ||
        inliers.size() < matches.size() / 4) {
      out.refusal = SceneRefusal{
          k, "the image is not the first one zoomed about a point (" +
                 std::to_string(inliers.size()) + " of " + std::to_string(matches.size()) +
                 " matched features fit): the camera moved or turned, or the scene changed"};
      return out;
    }
    for (const int i : inliers) {
      ++seen[first_index[i]];
      at[k][first_index[i]] = matches[i].other;
    }
  }
  std::vector<std::vector<cv::Point2d>> common(greys.size());
  for (std::size_t i = 0; i < keys[0].size(); ++i)
    if (seen[i] + 1 == static_cast<int>(greys.size()))
      for (std::size_t k = 0; k < greys.size(); ++k) common[k].push_back(at[k][i]);
  std::vector<std::size_t> all(greys.size());
  std::iota(all.begin(), all.end(), 0);
  const std::optional<ZoomModel> model =
      common[0].size() >= 3 ? FitZoom(common, 0, all) : std::nullopt;
  if (!model) {
    out.refusal = SceneRefusal{1, common[0].size() < 3
                                      ? "too few scene features are found in every image"
                                      : "the images show no zoom: the scale does not change"};
    return out;
  }
  // Detector coordinates on the reduced copies are good to a fraction of their pixel.
  const double limit = std::max(reduced[0].fx, reduced[0].fy);
  if (const std::optional<SceneRefusal> moved = MovedImage(common, 0, limit)) {
    out.refusal = moved;
    return out;
  }
  out.model = *model;
  return out;
}

// The images the tracks are matched on: at full resolution, or for large images as sums of
// `bin` × `bin` blocks (kept whole in 16 bits, without rounding). The content of a large image
// is smooth at its pixel's scale, so a patch of the same size in the scene costs a bin² part,
// and block sums are a filter alike in every image, which moves no position.
struct Matched {
  std::vector<cv::Mat> images;
  int bin = 1;
  double Full(double x) const { return bin * x + (bin - 1) / 2.0; }
  double Own(double x) const { return (x - (bin - 1) / 2.0) / bin; }
};

cv::Mat BlockSums(const cv::Mat& grey, int bin) {
  cv::Mat sums(grey.rows / bin, grey.cols / bin, CV_16U);
  std::vector<unsigned> row(static_cast<std::size_t>(sums.cols));
  for (int y = 0; y < sums.rows; ++y) {
    std::fill(row.begin(), row.end(), 0u);
    for (int dy = 0; dy < bin; ++dy) {
      const unsigned char* in = grey.ptr<unsigned char>(y * bin + dy);
      for (int x = 0; x < sums.cols; ++x)
        for (int dx = 0; dx < bin; ++dx) row[x] += in[x * bin + dx];
    }
    unsigned short* out = sums.ptr<unsigned short>(y);
    for (int x = 0; x < sums.cols; ++x) out[x] = static_cast<unsigned short>(row[x]);
  }
  return sums;
}

// Candidate points of the reference image, as whole pixels of its matched image: the
// strongest corner response of each grid cell of its reduced copy, inside the part of it
// that every image shows.
std::vector<cv::Point> Candidates(const Reduced& reduced, const Matched& matched,
                                  const ZoomModel& model, std::size_t ref, int count, int margin) {
  const std::vector<cv::Mat>& images = matched.images;
  cv::Mat response;
  cv::cornerMinEigenVal(reduced.grey, response, 5, 3);
  const double cell =
      std::max(3.0, std::sqrt(static_cast<double>(reduced.grey.cols) * reduced.grey.rows / count));
  std::vector<std::pair<float, cv::Point>> best;
  for (double y0 = 0; y0 < reduced.grey.rows; y0 += cell)
    for (double x0 = 0; x0 < reduced.grey.cols; x0 += cell) {
      const cv::Rect rect(cv::Point(static_cast<int>(x0), static_cast<int>(y0)),
                          cv::Point(std::min(reduced.grey.cols, static_cast<int>(x0 + cell)),
                                    std::min(reduced.grey.rows, static_cast<int>(y0 + cell))));
      if (rect.area() == 0) continue;
      double top;
      cv::Point where;
      cv::minMaxLoc(response(rect), nullptr, &top, nullptr, &where);
      best.push_back({static_cast<float>(top), where + rect.tl()});
    }
  std::vector<float> values;
  for (const auto& b : best) values.push_back(b.first);
  std::sort(values.begin(), values.end());
  const float floor = values.empty() ? 0.f : 0.05f * values[values.size() * 9 / 10];
  std::vector<cv::Point> points;
  for (const auto& [value, where] : best) {
    if (!(value > floor) || value <= 0) continue;
    const cv::Point2d p = reduced.Full(where);
    const cv::Point pixel(cvRound(matched.Own(p.x)), cvRound(matched.Own(p.y)));
    if (pixel.x < margin || pixel.y < margin || pixel.x >= images[ref].cols - margin ||
        pixel.y >= images[ref].rows - margin)
      continue;
    bool inside = true;
    for (std::size_t k = 0; k < images.size() && inside; ++k) {
      if (k == ref) continue;
      const cv::Point2d q = model.Map({matched.Full(pixel.x), matched.Full(pixel.y)}, k);
      const double x = matched.Own(q.x), y = matched.Own(q.y);
      const double m = margin * model.scale[k] + 3;
      inside = x > m && y > m && x < images[k].cols - 1 - m && y < images[k].rows - 1 - m;
    }
    if (inside) points.push_back(pixel);
  }
  return points;
}

}  // namespace

SceneTracks FindSceneTracks(const std::vector<cv::Mat>& greys, int max_tracks) {
  const std::size_t n = greys.size();
  if (n < 2) return Refuse(0, "a zoom sequence needs two or more images");
  std::vector<Reduced> reduced;
  for (const cv::Mat& grey : greys) reduced.push_back(Reduce(grey));
  const CoarseModel coarse = MatchFeatures(greys, reduced);
  if (coarse.refusal) return Refuse(coarse.refusal->image, coarse.refusal->reason);

  // The most zoomed-in image holds the part of the scene that every image shows, and every
  // other image shows its patches at a scale below one, sampled finer than their pixels.
  std::size_t ref = 0;
  for (std::size_t k = 1; k < n; ++k)
    if (coarse.model.scale[k] > coarse.model.scale[ref]) ref = k;
  ZoomModel model;  // with `ref` as reference
  model.centre = coarse.model.centre;
  for (std::size_t k = 0; k < n; ++k)
    model.scale.push_back(coarse.model.scale[k] / coarse.model.scale[ref]);

  // A patch of a few reduced pixels: its texture is what the features were found on.
  const double factor = std::max(reduced[ref].fx, reduced[ref].fy);
  Matched matched;
  // At most 15 × 15 blocks, whose sums of 8-bit pixels fit 16 bits.
  matched.bin = std::clamp(static_cast<int>(factor / kBinFrom), 1, 15);
  for (const cv::Mat& grey : greys)
    matched.images.push_back(matched.bin == 1 ? grey : BlockSums(grey, matched.bin));
  const int radius =
      std::clamp(static_cast<int>(std::lround(kPatchReduced * factor / matched.bin)), 7, 14);
  const double reach = std::max(3.0, 2 * factor) / matched.bin;
  const std::vector<cv::Point> candidates =
      Candidates(reduced[ref], matched, model, ref, std::max(max_tracks * 3 / 2, 64), radius + 1);

  // Every candidate in every image; a failure anywhere drops it.
  std::vector<std::vector<cv::Point2d>> found(n, std::vector<cv::Point2d>(candidates.size()));
  std::vector<double> quality(candidates.size(), 1);
  std::vector<std::vector<char>> lost(n, std::vector<char>(candidates.size(), 0));
  cv::parallel_for_(cv::Range(0, static_cast<int>(candidates.size())), [&](const cv::Range& range) {
    for (int i = range.start; i < range.end; ++i) {
      found[ref][i] = {matched.Full(candidates[i].x), matched.Full(candidates[i].y)};
      for (std::size_t k = 0; k < n; ++k) {
        if (k == ref) continue;
        const cv::Point2d start = model.Map(found[ref][i], k);
        const std::optional<PatchMatch> match =
            MatchPatch(matched.images[ref], candidates[i].x, candidates[i].y, radius,
                       matched.images[k], {matched.Own(start.x), matched.Own(start.y)},
                       model.scale[k], reach, matched.bin * matched.bin);
        if (!match || match->correlation < kMinCorrelation) {
          lost[k][i] = 1;
          quality[i] = 0;
          break;
        }
        found[k][i] = {matched.Full(match->position.x), matched.Full(match->position.y)};
        quality[i] = std::min(quality[i], match->correlation);
      }
    }
  });
  std::vector<int> kept;
  for (int i = 0; i < static_cast<int>(candidates.size()); ++i)
    if (quality[i] > 0) kept.push_back(i);
  const auto select = [&](const std::vector<int>& indexes) {
    std::vector<std::vector<cv::Point2d>> out(n);
    for (std::size_t k = 0; k < n; ++k)
      for (const int i : indexes) out[k].push_back(found[k][i]);
    return out;
  };
  const auto fewest = [&](std::size_t count) {
    // The image that lost the most candidates is the one to name.
    std::size_t worst = ref == 0 ? 1 : 0;
    long most = -1;
    for (std::size_t k = 0; k < n; ++k) {
      const long lost_here = std::count(lost[k].begin(), lost[k].end(), 1);
      if (k != ref && lost_here > most) most = lost_here, worst = k;
    }
    return Refuse(worst, "only " + std::to_string(count) +
                             " scene points are found in every image, at least " +
                             std::to_string(kMinTracks) + " needed");
  };
  if (kept.size() < static_cast<std::size_t>(kMinTracks)) return fewest(kept.size());

  std::vector<std::size_t> all(n);
  std::iota(all.begin(), all.end(), 0);
  std::optional<ZoomModel> fine = FitZoom(select(kept), ref, all);
  if (!fine) return Refuse(ref == 0 ? 1 : 0, "the images show no zoom: the scale does not change");
  if (const std::optional<SceneRefusal> moved = MovedImage(select(kept), ref, kMovedPx))
    return Refuse(moved->image, moved->reason);
  // Mismatches and points that moved, against the model fitted to them all.
  {
    const std::vector<std::vector<cv::Point2d>> positions = select(kept);
    std::vector<double> distance(kept.size(), 0);
    for (std::size_t t = 0; t < kept.size(); ++t)
      for (std::size_t k = 0; k < n; ++k) {
        const cv::Point2d d = positions[k][t] - fine->Map(positions[ref][t], k);
        distance[t] = std::max(distance[t], std::hypot(d.x, d.y));
      }
    const double limit = std::max(kTrackLimitPx, kTrackSpread * Median(distance));
    std::vector<int> close;
    for (std::size_t t = 0; t < kept.size(); ++t)
      if (distance[t] < limit) close.push_back(kept[t]);
    kept = std::move(close);
  }
  // Then the diagnostics' own gross-error test, as the computation will run it.
  {
    const std::vector<std::vector<cv::Point2d>> positions = select(kept);
    std::vector<std::vector<Position>> measured(n);
    for (std::size_t k = 0; k < n; ++k)
      for (const cv::Point2d& p : positions[k]) measured[k].push_back({p.x, p.y});
    const Diagnostics diagnostics = Diagnose(measured);
    std::vector<char> flagged(kept.size(), 0);
    for (const FlaggedMeasurement& f : diagnostics.outliers) flagged[f.point] = 1;
    std::vector<int> clean;
    for (std::size_t t = 0; t < kept.size(); ++t)
      if (!flagged[t]) clean.push_back(kept[t]);
    kept = std::move(clean);
  }
  if (kept.size() < static_cast<std::size_t>(kMinTracks)) return fewest(kept.size());

  std::vector<cv::Point2d> at;
  std::vector<double> strength;
  for (const int i : kept) at.push_back(found[ref][i]), strength.push_back(quality[i]);
  std::vector<int> chosen = Spread(
      at, strength, static_cast<std::size_t>(std::max(max_tracks, kMinTracks)), greys[ref].size());
  for (int& c : chosen) c = kept[c];
  std::sort(chosen.begin(), chosen.end(), [&](int a, int b) {
    return std::make_pair(found[ref][a].y, found[ref][a].x) <
           std::make_pair(found[ref][b].y, found[ref][b].x);
  });
  SceneTracks tracks;
  tracks.images.resize(n);
  std::vector<std::vector<Position>> written(n);
  for (std::size_t k = 0; k < n; ++k)
    for (const int i : chosen) {
      tracks.images[k].push_back({found[k][i].x, found[k][i].y});
      written[k].push_back({found[k][i].x, found[k][i].y});
    }
  // A zoom too small for the tracks' spread leaves the point loose: refused rather than given
  // to a pixel or worse.
  if (const std::optional<PointEstimate> point = Diagnose(written).refined;
      !point || (point->has_uncertainty && !(point->major_px <= kLoosePointPx))) {
    char text[48];
    std::snprintf(text, sizeof text, "%.2f", point ? point->major_px : INFINITY);
    return Refuse(0, std::string("the zoom changes too little to fix the point (its "
                                 "95% ellipse reaches ") +
                         text + " px): zoom further between the images");
  }
  return tracks;
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
