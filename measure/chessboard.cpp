#include "measure/chessboard.h"

#include <algorithm>
#include <opencv2/calib3d.hpp>

#include "measure/chessboard_corners.h"
#include "measure/chessboard_detect.h"

namespace zirt {
namespace {

struct Road {
  const char* name;
  double scale;  // of the detection copy
  bool classic;
  int flags;
};

constexpr Road kRoads[] = {
    {"SB", 1, false, 0},
    {"SB normalised", 1, false, cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_EXHAUSTIVE},
    {"classic", 1, true,
     cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_FAST_CHECK},
    {"SB half", 0.5, false, cv::CALIB_CB_EXHAUSTIVE},
    {"classic half", 0.5, true,
     cv::CALIB_CB_ADAPTIVE_THRESH | cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_FAST_CHECK},
};

}  // namespace

std::vector<std::string> ChessboardRoads() {
  std::vector<std::string> names;
  for (const Road& road : kRoads) names.push_back(road.name);
  return names;
}

ChessboardFinding FindChessboard(const cv::Mat& grey, cv::Size size, int only_road) {
  ChessboardFinding finding;
  finding.size = size;
  // The detectors take nothing below three by three, and say so in their own words.
  if (size.width < 3 || size.height < 3) return finding;
  DetectionCopies copies(grey);
  for (const Road& road : kRoads) {
    if (only_road >= 0 && &road != &kRoads[only_road]) continue;
    const cv::Mat& small = copies.Copy(road.scale);
    std::vector<cv::Point2f> found;
    ResetRandom();
    const bool ok = road.classic ? cv::findChessboardCorners(small, size, found, road.flags)
                                 : cv::findChessboardCornersSB(small, size, found, road.flags);
    if (!ok || static_cast<int>(found.size()) != size.area()) continue;
    std::vector<cv::Point2d> corners = OnFullImage(found, copies.Scale(road.scale));
    std::vector<double> sigma, contrast;
    if (!IsRegularGrid(corners, size) || !Refine(grey, size, corners, sigma, contrast) ||
        !IsRegularGrid(corners, size))
      continue;
    std::vector<double> sorted = contrast;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    finding.road = road.name;
    finding.beyond = GoesOn(grey, size, corners, sorted[sorted.size() / 2]);
    if (finding.beyond != 0) {
      finding.larger = true;
      return finding;
    }
    finding.corners = std::move(corners);
    finding.sigma_px = std::move(sigma);
    return finding;
  }
  return finding;
}

}  // namespace zirt
