#include "measure/scene_chain.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/flann.hpp>
#include <opencv2/imgproc.hpp>
#include <random>

namespace zirt {
namespace {

constexpr int kMaxFeatures = 1500;
constexpr int kMinFeatures = 30;
// Copies are this long first; an image whose copy shows fewer than kMinFeatures features is
// looked at on the larger copies in turn (0: full resolution).
constexpr int kSides[] = {640, 1600, 0};
constexpr double kRatio = 0.8;  // nearest against second-nearest descriptor distance
// A pair of images is linked by at least this many features that fit one zoom step.
constexpr int kMinLinked = 15;
// Matches further from the model than this many reduced pixels are mismatches; guided
// matching looks this far around the place the first map gives.
constexpr double kInlierReduced = 1.5;
constexpr double kGuideReduced = 5;
constexpr int kWellLinked = 100;
constexpr double kAlikeScale = 1.6;
// A step turns the picture by less than this (radians); a larger turn is a mismatch.
constexpr double kTurnLimit = 0.1;

struct Features {
  std::vector<cv::Point2d> at;  // full-resolution positions
  cv::Mat descriptors;
  double factor = 1;  // full-resolution pixels per pixel of the copy they were found on
};

// A copy of `grey` no longer than `side` (0: itself), and its full pixels per copy pixel.
cv::Mat Reduce(const cv::Mat& grey, int side, double& factor) {
  factor =
      side == 0 ? 1 : std::max(1.0, static_cast<double>(std::max(grey.cols, grey.rows)) / side);
  if (factor == 1) return grey;
  cv::Mat out;
  cv::resize(
      grey, out,
      cv::Size(std::max(1, cvRound(grey.cols / factor)), std::max(1, cvRound(grey.rows / factor))),
      0, 0, cv::INTER_AREA);
  factor = static_cast<double>(grey.cols) / out.cols;
  return out;
}

// Features of `image` whose pixel (u, v) is the full-resolution position origin + (u + ½)·f − ½.
Features Detect(const cv::Mat& image, double f, cv::Point2d origin) {
  const cv::Ptr<cv::SIFT> sift = cv::SIFT::create(kMaxFeatures);
  std::vector<cv::KeyPoint> keys;
  Features out;
  sift->detectAndCompute(image, cv::noArray(), keys, out.descriptors);
  for (const cv::KeyPoint& k : keys)
    out.at.push_back(origin + cv::Point2d((k.pt.x + 0.5) * f - 0.5, (k.pt.y + 0.5) * f - 0.5));
  out.factor = f;
  return out;
}

struct Pairs {
  std::vector<ImagePoint> from, to;
};

// RANSAC over two matches at a time for a scaled and slightly turned map, then the step
// fitted to the inliers; nullopt when fewer than kMinLinked fit.
std::optional<LensStep> RobustStep(const Pairs& pairs, double limit, double norm, unsigned seed,
                                   int* inliers) {
  const int n = static_cast<int>(pairs.from.size());
  if (n < kMinLinked) return std::nullopt;
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> pick(0, n - 1);
  std::vector<char> best;
  int best_count = 0;
  for (int round = 0; round < 500; ++round) {
    const int a = pick(random), b = pick(random);
    const cv::Point2d p(pairs.from[b].x - pairs.from[a].x, pairs.from[b].y - pairs.from[a].y);
    const cv::Point2d q(pairs.to[b].x - pairs.to[a].x, pairs.to[b].y - pairs.to[a].y);
    const double pp = p.dot(p);
    if (a == b || pp < 100) continue;
    // q = [c −s; s c]·p
    const double c = p.dot(q) / pp, s = p.cross(q) / pp;
    if (std::fabs(std::atan2(s, c)) > kTurnLimit || !(std::hypot(c, s) > 0)) continue;
    const cv::Point2d t(pairs.to[a].x - (c * pairs.from[a].x - s * pairs.from[a].y),
                        pairs.to[a].y - (s * pairs.from[a].x + c * pairs.from[a].y));
    std::vector<char> in(n, 0);
    int count = 0;
    for (int i = 0; i < n; ++i) {
      const double x = c * pairs.from[i].x - s * pairs.from[i].y + t.x - pairs.to[i].x;
      const double y = s * pairs.from[i].x + c * pairs.from[i].y + t.y - pairs.to[i].y;
      count += in[i] = std::hypot(x, y) < limit;
    }
    if (count > best_count) best_count = count, best = std::move(in);
  }
  if (best_count < kMinLinked) return std::nullopt;
  Pairs kept;
  for (int i = 0; i < n; ++i)
    if (best[i]) kept.from.push_back(pairs.from[i]), kept.to.push_back(pairs.to[i]);
  std::optional<LensStep> step = FitLensStep(kept.from, kept.to, norm, false, limit);
  if (!step) return std::nullopt;
  *inliers = 0;
  for (int i = 0; i < n; ++i) {
    const ImagePoint m = step->Map(pairs.from[i]);
    *inliers += std::hypot(m.x - pairs.to[i].x, m.y - pairs.to[i].y) < limit;
  }
  return step;
}

Pairs RatioMatches(const Features& a, const Features& b) {
  Pairs pairs;
  if (a.descriptors.empty() || b.descriptors.empty()) return pairs;
  std::vector<std::vector<cv::DMatch>> knn;
  // A forest of k-d trees finds nearly every nearest neighbour at a fraction of the time of
  // comparing every two; the ratio test and the model keep what it finds honest.
  cv::FlannBasedMatcher matcher(cv::makePtr<cv::flann::KDTreeIndexParams>(4),
                                cv::makePtr<cv::flann::SearchParams>(32));
  matcher.knnMatch(a.descriptors, b.descriptors, knn, 2);
  for (const auto& m : knn)
    if (m.size() == 2 && m[0].distance < kRatio * m[1].distance) {
      pairs.from.push_back({a.at[m[0].queryIdx].x, a.at[m[0].queryIdx].y});
      pairs.to.push_back({b.at[m[0].trainIdx].x, b.at[m[0].trainIdx].y});
    }
  return pairs;
}

// Each feature of `narrow` paired with the feature of `wide` nearest in description among those
// within `reach` of where `step` puts it, when clearly nearer than the next.
Pairs GuidedMatches(const Features& wide, const Features& narrow, const LensStep& step,
                    double reach) {
  Pairs pairs;
  for (int i = 0; i < narrow.descriptors.rows; ++i) {
    const ImagePoint p = step.Unmap({narrow.at[i].x, narrow.at[i].y});
    double best = INFINITY, second = INFINITY;
    int which = -1;
    for (int j = 0; j < wide.descriptors.rows; ++j) {
      const double dx = wide.at[j].x - p.x, dy = wide.at[j].y - p.y;
      if (dx * dx + dy * dy > reach * reach) continue;
      const double d = cv::norm(narrow.descriptors.row(i), wide.descriptors.row(j), cv::NORM_L2);
      if (d < best)
        second = best, best = d, which = j;
      else if (d < second)
        second = d;
    }
    if (which >= 0 && best < 0.9 * second) {
      pairs.from.push_back({wide.at[which].x, wide.at[which].y});
      pairs.to.push_back({narrow.at[i].x, narrow.at[i].y});
    }
  }
  return pairs;
}

// The wider image cut to the view of the narrower one (`step` maps wide onto narrow) and
// scaled so that the scene shows at the size the narrower one's copy shows it.
Features ViewOfNarrow(const cv::Mat& wide, const cv::Mat& narrow, const LensStep& step,
                      double narrow_factor) {
  double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  for (const ImagePoint corner :
       {ImagePoint{0, 0}, ImagePoint{narrow.cols - 1.0, 0}, ImagePoint{0, narrow.rows - 1.0},
        ImagePoint{narrow.cols - 1.0, narrow.rows - 1.0}}) {
    const ImagePoint p = step.Unmap(corner);
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  const double grow = 0.1 * std::max(x1 - x0, y1 - y0);
  const cv::Rect view = cv::Rect(cv::Point(cvFloor(x0 - grow), cvFloor(y0 - grow)),
                                 cv::Point(cvCeil(x1 + grow) + 1, cvCeil(y1 + grow) + 1)) &
                        cv::Rect(0, 0, wide.cols, wide.rows);
  if (view.width < 32 || view.height < 32) return {};
  // One copy pixel is narrow_factor pixels of the narrower image, narrow_factor / scale of the
  // wider one; never finer than the wider image's own pixels.
  const double f = std::max(1.0, narrow_factor / step.scale);
  cv::Mat copy = wide(view);
  if (f > 1)
    cv::resize(
        wide(view), copy,
        cv::Size(std::max(1, cvRound(view.width / f)), std::max(1, cvRound(view.height / f))), 0, 0,
        cv::INTER_AREA);
  return Detect(copy, static_cast<double>(view.width) / copy.cols, cv::Point2d(view.x, view.y));
}

// Zoom order from the scales of every linked pair: log-scales by least squares over the links,
// weighted by their inliers. Empty `order` when some image is linked to none of the others.
std::vector<std::size_t> ZoomOrder(std::size_t n, const std::vector<std::vector<double>>& log_scale,
                                   const std::vector<std::vector<int>>& weight,
                                   std::size_t* unlinked) {
  // Reachability from image 0, then Gauss-Seidel on the log-scales.
  std::vector<char> reached(n, 0);
  reached[0] = 1;
  for (bool grew = true; grew;) {
    grew = false;
    for (std::size_t a = 0; a < n; ++a)
      for (std::size_t b = 0; b < n; ++b)
        if (reached[a] && !reached[b] && weight[a][b] > 0) reached[b] = 1, grew = true;
  }
  for (std::size_t k = 0; k < n; ++k)
    if (!reached[k]) {
      *unlinked = k;
      return {};
    }
  std::vector<double> level(n, 0);
  for (int round = 0; round < 200; ++round)
    for (std::size_t k = 1; k < n; ++k) {
      double sum = 0, w = 0;
      for (std::size_t o = 0; o < n; ++o)
        if (weight[o][k] > 0) sum += weight[o][k] * (level[o] + log_scale[o][k]), w += weight[o][k];
      level[k] = sum / w;
    }
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return level[a] < level[b]; });
  return order;
}

// Features of every image, each on the smallest copy that shows kMinFeatures of them; the
// image that shows too few even at full resolution is the refusal.
std::optional<SceneRefusal> DetectAll(const std::vector<cv::Mat>& greys,
                                      std::vector<Features>& features) {
  features.assign(greys.size(), {});
  for (std::size_t k = 0; k < greys.size(); ++k) {
    for (const int side : kSides) {
      double f;
      const cv::Mat copy = Reduce(greys[k], side, f);
      features[k] = Detect(copy, f, {0, 0});
      if (features[k].at.size() >= static_cast<std::size_t>(kMinFeatures) || f == 1) break;
    }
    if (features[k].at.size() < static_cast<std::size_t>(kMinFeatures))
      return SceneRefusal{k, "too little texture: " + std::to_string(features[k].at.size()) +
                                 " scene features found, at least " + std::to_string(kMinFeatures) +
                                 " needed"};
  }
  return std::nullopt;
}

// Every two images matched: link[a][b] (a < b) maps image a onto b where they share enough
// features, with its log-scale and its inliers (symmetric; 0 where not linked).
struct Links {
  std::vector<std::vector<std::optional<LensStep>>> step;
  std::vector<std::vector<double>> log_scale;
  std::vector<std::vector<int>> weight;
};

Links LinkEveryPair(const std::vector<Features>& features, double norm) {
  const std::size_t n = features.size();
  Links links{
      std::vector<std::vector<std::optional<LensStep>>>(n, std::vector<std::optional<LensStep>>(n)),
      std::vector<std::vector<double>>(n, std::vector<double>(n, 0)),
      std::vector<std::vector<int>>(n, std::vector<int>(n, 0))};
  for (std::size_t a = 0; a < n; ++a)
    for (std::size_t b = a + 1; b < n; ++b) {
      const double limit = kInlierReduced * std::max(features[a].factor, features[b].factor);
      int inliers = 0;
      std::optional<LensStep>& link = links.step[a][b];
      link = RobustStep(RatioMatches(features[a], features[b]), limit, norm,
                        static_cast<unsigned>(17 + a * n + b), &inliers);
      if (!link || inliers < kMinLinked) {
        link.reset();
        continue;
      }
      links.log_scale[a][b] = std::log(link->scale), links.log_scale[b][a] = -links.log_scale[a][b];
      links.weight[a][b] = links.weight[b][a] = inliers;
    }
  return links;
}

// The first map of wider image w onto narrower image m from their link, whichever way it was
// matched; nullopt when they are not linked.
std::optional<LensStep> FirstMap(const Links& links, const std::vector<cv::Mat>& greys,
                                 std::size_t w, std::size_t m, double norm) {
  if (w < m) return links.step[w][m];
  if (!links.step[m][w]) return std::nullopt;
  // The inverse of the pair's map, fitted as such from points it maps.
  Pairs pairs;
  for (double y = 0.1; y < 1; y += 0.2)
    for (double x = 0.1; x < 1; x += 0.2) {
      const ImagePoint p{x * greys[m].cols, y * greys[m].rows};
      pairs.from.push_back(links.step[m][w]->Map(p)), pairs.to.push_back(p);
    }
  return FitLensStep(pairs.from, pairs.to, norm, false, 1e9);
}

// A step well linked and small enough for the copies to show the scene alike is kept;
// otherwise matched again on the wider image's copy at the narrower one's scale, guided by
// the first map, and that kept where it fits at least half as many.
LensStep NeighbourStep(const std::vector<cv::Mat>& greys, const std::vector<Features>& features,
                       std::size_t w, std::size_t m, const LensStep& first, int linked, double norm,
                       unsigned seed) {
  if (linked >= kWellLinked && first.scale < kAlikeScale) return first;
  const Features view = ViewOfNarrow(greys[w], greys[m], first, features[m].factor);
  const Pairs guided =
      GuidedMatches(view, features[m], first, kGuideReduced * features[m].factor / first.scale);
  int inliers = 0;
  const std::optional<LensStep> better =
      RobustStep(guided, kInlierReduced * features[m].factor, norm, seed, &inliers);
  return better && inliers >= linked / 2 ? *better : first;
}

}  // namespace

SceneChain FindSceneChain(const std::vector<cv::Mat>& greys) {
  const std::size_t n = greys.size();
  SceneChain chain;
  std::vector<Features> features;
  if ((chain.refusal = DetectAll(greys, features))) return chain;
  const double norm = 0.5 * std::hypot(greys[0].cols, greys[0].rows);
  const Links links = LinkEveryPair(features, norm);
  std::size_t unlinked = 0;
  chain.order = ZoomOrder(n, links.log_scale, links.weight, &unlinked);
  if (chain.order.empty()) {
    chain.refusal =
        SceneRefusal{unlinked, "too few scene features in common with the other images"};
    return chain;
  }
  for (std::size_t j = 0; j + 1 < n; ++j) {
    const std::size_t w = chain.order[j], m = chain.order[j + 1];
    const std::optional<LensStep> first = FirstMap(links, greys, w, m, norm);
    if (!first) {
      chain.refusal = SceneRefusal{m, "too few scene features in common with the next wider image"};
      return chain;
    }
    if (!(first->scale > 1 + 1e-6)) {
      chain.refusal = SceneRefusal{m, "the images show no zoom: the scale does not change"};
      return chain;
    }
    chain.steps.push_back(NeighbourStep(greys, features, w, m, *first, links.weight[w][m], norm,
                                        91 + static_cast<unsigned>(j)));
  }
  return chain;
}

}  // namespace zirt
