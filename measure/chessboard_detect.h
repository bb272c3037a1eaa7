// OpenCV's chessboard detectors run on reduced copies of an image: the copies made once per
// image and shared by every road and by the size search, and the corners found mapped back
// onto the full image.
#pragma once

#include <opencv2/core.hpp>
#include <vector>

#include "measure/chessboard.h"

namespace zirt {

// The image and its reduced copies, each made when first asked for.
class DetectionCopies {
 public:
  explicit DetectionCopies(const cv::Mat& grey);

  const cv::Mat& Full() const { return grey_; }
  // The copy at `share` of the detection scale (1 or 0.5), and its scale against the image.
  const cv::Mat& Copy(double share);
  double Scale(double share) const { return base_ * share; }

 private:
  const cv::Mat& grey_;
  double base_;
  cv::Mat copies_[2];  // at the detection scale, at half of it
};

// The detection copy's points on the full image.
std::vector<cv::Point2d> OnFullImage(const std::vector<cv::Point2f>& found, double scale);

// The sector-based detector draws on OpenCV's random numbers: a fixed start makes every run
// on the same image find the same board.
void ResetRandom();

// The board of `size` tried on the roads [first, last) in turn (see ChessboardRoads), and on
// them alone.
ChessboardFinding BoardOnRoads(DetectionCopies& copies, cv::Size size, int first, int last);
int RoadCount();

// The size of a chessboard seen whole at a glance (counted as FindChessboardSize counts it),
// or 0×0: the sector-based detector's larger board on the half copy, filled in and grown on
// the full image, every corner a clean crossing and none beyond its outer lines (the detection
// copy when the half copy shows none).
cv::Size WholeBoardAtAGlance(DetectionCopies& copies);

}  // namespace zirt
