#include "measure/chessboard.h"

#include <algorithm>
#include <iterator>
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

int RoadCount() {
  return static_cast<int>(std::size(kRoads));
}

ChessboardFinding BoardOnRoads(DetectionCopies& copies, cv::Size size, int first, int last) {
  ChessboardFinding finding;
  finding.size = size;
  const cv::Mat& grey = copies.Full();
  for (int k = first; k < last; ++k) {
    const Road& road = kRoads[k];
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

ChessboardFinding FindChessboard(const cv::Mat& grey, cv::Size size, int only_road) {
  ChessboardFinding finding;
  finding.size = size;
  // The detectors take nothing below three by three, and say so in their own words.
  if (size.width < 3 || size.height < 3) return finding;
  DetectionCopies copies(grey);
  if (only_road >= 0) return BoardOnRoads(copies, size, only_road, only_road + 1);
  finding = BoardOnRoads(copies, size, 0, 1);
  if (!finding.corners.empty() || finding.larger) return finding;
  // The first road missed. Where a board of another size is in view, whole, none of the size
  // asked is, and every further road would miss too, at several times the glance's cost.
  const cv::Size seen = WholeBoardAtAGlance(copies);
  const bool same = (seen.width == size.width && seen.height == size.height) ||
                    (seen.width == size.height && seen.height == size.width);
  if (seen.area() > 0 && !same) {
    finding.other = seen;
    return finding;
  }
  return BoardOnRoads(copies, size, 1, RoadCount());
}

}  // namespace zirt
