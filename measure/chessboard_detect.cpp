#include "measure/chessboard_detect.h"

#include <algorithm>
#include <opencv2/imgproc.hpp>

namespace zirt {
namespace {

// Detection runs on a copy whose longer side is at most this: the detectors' cost grows with
// the pixel count, and a board a person sees at a glance is still many pixels a square there.
constexpr int kDetectionSide = 1280;

}  // namespace

DetectionCopies::DetectionCopies(const cv::Mat& grey)
    : grey_(grey), base_(std::min(1.0, double(kDetectionSide) / std::max(grey.cols, grey.rows))) {}

const cv::Mat& DetectionCopies::Copy(double share) {
  const double scale = Scale(share);
  if (scale >= 1) return grey_;
  cv::Mat& copy = copies_[share < 1];
  if (copy.empty()) cv::resize(grey_, copy, cv::Size(), scale, scale, cv::INTER_AREA);
  return copy;
}

// The copy's pixel k covers the image's (k + ½)/scale − ½.
std::vector<cv::Point2d> OnFullImage(const std::vector<cv::Point2f>& found, double scale) {
  std::vector<cv::Point2d> points;
  points.reserve(found.size());
  for (const cv::Point2f& p : found)
    points.emplace_back((p.x + 0.5) / scale - 0.5, (p.y + 0.5) / scale - 0.5);
  return points;
}

void ResetRandom() {
  cv::theRNG().state = 0x5eed;
}

}  // namespace zirt
