#include "measure/scene_tracks.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "measure/feature_refine.h"

namespace zirt {
namespace {

// Corners are chosen on copies no longer than this: their patches span kPatchReduced of its
// pixels either side, the texture the features were found on.
constexpr int kReducedSide = 640;
constexpr double kPatchReduced = 3;
// Images whose copies are this many times smaller are matched in blocks of their pixels.
constexpr double kBinFrom = 2.5;
constexpr double kMinCorrelation = 0.8;
// A patch covers at least this many pixels either side in the image it is found in, and at
// most kMaxRadius of its own: a track is followed up to a zoom of kMaxZoom from its anchor.
constexpr double kMinFootprint = 5;
constexpr int kMaxRadius = 24;
constexpr double kMaxZoom = 4;
// Below this scale the anchor's patch is smoothed to the wider image's sharpness.
constexpr double kSmoothBelow = 0.75;

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

double ReducedFactor(const cv::Mat& grey) {
  return std::max(1.0, static_cast<double>(std::max(grey.cols, grey.rows)) / kReducedSide);
}

// The strongest corner response of each grid cell of a reduced copy of `grey`, as whole
// pixels of the matched image at least `margin` from its edges.
std::vector<cv::Point> Corners(const cv::Mat& grey, const Matched& matched, int count, int margin) {
  const double factor = ReducedFactor(grey);
  cv::Mat reduced = grey;
  if (factor > 1)
    cv::resize(grey, reduced,
               cv::Size(std::max(1, cvRound(grey.cols / factor)),
                        std::max(1, cvRound(grey.rows / factor))),
               0, 0, cv::INTER_AREA);
  const double fx = static_cast<double>(grey.cols) / reduced.cols;
  const double fy = static_cast<double>(grey.rows) / reduced.rows;
  cv::Mat response;
  cv::cornerMinEigenVal(reduced, response, 5, 3);
  const double cell =
      std::max(3.0, std::sqrt(static_cast<double>(reduced.cols) * reduced.rows / count));
  std::vector<std::pair<float, cv::Point>> best;
  for (double y0 = 0; y0 < reduced.rows; y0 += cell)
    for (double x0 = 0; x0 < reduced.cols; x0 += cell) {
      const cv::Rect rect(cv::Point(static_cast<int>(x0), static_cast<int>(y0)),
                          cv::Point(std::min(reduced.cols, static_cast<int>(x0 + cell)),
                                    std::min(reduced.rows, static_cast<int>(y0 + cell))));
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
  const cv::Mat& image = matched.images[0];
  std::vector<cv::Point> points;
  for (const auto& [value, where] : best) {
    if (!(value > floor) || value <= 0) continue;
    const double x = (where.x + 0.5) * fx - 0.5, y = (where.y + 0.5) * fy - 0.5;
    const cv::Point pixel(cvRound(matched.Own(x)), cvRound(matched.Own(y)));
    if (pixel.x >= margin && pixel.y >= margin && pixel.x < image.cols - margin &&
        pixel.y < image.rows - margin)
      points.push_back(pixel);
  }
  return points;
}

bool Inside(ImagePoint p, const cv::Mat& image, double margin) {
  return p.x >= margin && p.y >= margin && p.x <= image.cols - 1 - margin &&
         p.y <= image.rows - 1 - margin;
}

// The patch of `anchor` about whole pixel `at`, smoothed by a Gaussian of `sigma` pixels when
// given; empty when its window leaves the image.
std::vector<double> Patch(const cv::Mat& anchor, cv::Point at, int radius, double sigma) {
  const int extra = sigma > 0 ? static_cast<int>(std::ceil(3 * sigma)) + 1 : 0;
  const int half = radius + extra, side = 2 * radius + 1;
  const cv::Rect window(at.x - half, at.y - half, 2 * half + 1, 2 * half + 1);
  if ((window & cv::Rect(0, 0, anchor.cols, anchor.rows)) != window) return {};
  cv::Mat values;
  anchor(window).convertTo(values, CV_64F);
  if (sigma > 0) cv::GaussianBlur(values, values, cv::Size(), sigma, sigma, cv::BORDER_REPLICATE);
  std::vector<double> patch(static_cast<std::size_t>(side * side));
  for (int j = 0; j < side; ++j)
    for (int i = 0; i < side; ++i) patch[j * side + i] = values.at<double>(extra + j, extra + i);
  return patch;
}

}  // namespace

ChainTracks FollowChain(const std::vector<cv::Mat>& greys, const SceneChain& chain, int count) {
  const std::size_t n = greys.size();
  const double factor = ReducedFactor(greys[0]);
  Matched matched;
  // At most 15 × 15 blocks, whose sums of 8-bit pixels fit 16 bits.
  matched.bin = std::clamp(static_cast<int>(factor / kBinFrom), 1, 15);
  for (const cv::Mat& grey : greys)
    matched.images.push_back(matched.bin == 1 ? grey : BlockSums(grey, matched.bin));
  const int base =
      std::clamp(static_cast<int>(std::lround(kPatchReduced * factor / matched.bin)), 7, 14);
  const double reach = std::max(3.0, 2 * factor) / matched.bin;
  const double unit = matched.bin * matched.bin;
  const double nan = std::numeric_limits<double>::quiet_NaN();

  ChainTracks out;
  out.positions.resize(n);
  for (std::size_t j = n - 1; j >= 1; --j) {
    const std::size_t a = chain.order[j];
    std::vector<cv::Point> corners = Corners(greys[a], matched, count, base + 1);
    if (j + 1 < n) {  // the next narrower image holds the points of its own view
      const std::size_t next = chain.order[j + 1];
      const double margin = (base + 4) * matched.bin;
      std::erase_if(corners, [&](cv::Point c) {
        return Inside(chain.steps[j].Map({matched.Full(c.x), matched.Full(c.y)}), greys[next],
                      margin);
      });
    }
    const std::size_t first = out.anchor.size();
    for (std::size_t k = 0; k < n; ++k) out.positions[k].resize(first + corners.size(), {nan, nan});
    out.anchor.resize(first + corners.size(), a);
    out.quality.resize(first + corners.size(), 1);
    cv::parallel_for_(cv::Range(0, static_cast<int>(corners.size())), [&](const cv::Range& range) {
      for (int c = range.start; c < range.end; ++c) {
        const std::size_t t = first + c;
        ImagePoint at{matched.Full(corners[c].x), matched.Full(corners[c].y)};
        out.positions[a][t] = at;
        double scale = 1;  // of the scene in the wider image against the anchor
        for (std::size_t w = j; w-- > 0;) {
          const std::size_t target = chain.order[w];
          scale /= chain.steps[w].scale;
          const int radius =
              static_cast<int>(std::ceil(std::max<double>(base, kMinFootprint / scale)));
          if (scale * kMaxZoom < 1 || radius > kMaxRadius) break;
          const double sigma = scale < kSmoothBelow ? 0.5 * std::sqrt(1 / (scale * scale) - 1) : 0;
          const std::vector<double> patch = Patch(matched.images[a], corners[c], radius, sigma);
          if (patch.empty()) break;
          const ImagePoint start = chain.steps[w].Unmap(at);
          if (!Inside(start, greys[target], (radius * scale + 3) * matched.bin)) break;
          const std::optional<PatchMatch> match =
              MatchPatchValues(patch, radius, matched.images[target],
                               {matched.Own(start.x), matched.Own(start.y)}, scale, reach, unit);
          if (!match || match->correlation < kMinCorrelation) break;
          at = {matched.Full(match->position.x), matched.Full(match->position.y)};
          out.positions[target][t] = at;
          out.quality[t] = std::min(out.quality[t], match->correlation);
        }
      }
    });
  }
  return out;
}

}  // namespace zirt
