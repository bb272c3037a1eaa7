// ArUco markers of a ChArUco board, with the marker's size on its square measured from the
// markers themselves: the command line gives squares and a dictionary, not the print's ratio.
#include <algorithm>
#include <cmath>
#include <opencv2/aruco.hpp>
#include <opencv2/imgproc.hpp>

#include "boards/marker_views.h"

namespace zirt {
namespace {

// The search runs on a copy whose longer side is at most this: marker finding costs grow with
// the pixel count, and a marker a person can read from the photograph is many pixels there.
constexpr int kSearchSide = 2000;

// Fewer markers than this and the mirrored image is tried as well.
constexpr int kFewMarkers = 4;

struct Found {
  std::vector<std::vector<cv::Point2f>> corners;
  std::vector<int> ids;
};

Found Detect(const cv::Mat& image, const cv::Ptr<cv::aruco::Dictionary>& dictionary) {
  const cv::Ptr<cv::aruco::DetectorParameters> params = cv::aruco::DetectorParameters::create();
  params->cornerRefinementMethod = cv::aruco::CORNER_REFINE_NONE;  // the corners are refined later
  Found found;
  cv::aruco::detectMarkers(image, dictionary, found.corners, found.ids, params);
  return found;
}

int Valid(const Found& found, int count) {
  return static_cast<int>(std::count_if(found.ids.begin(), found.ids.end(),
                                        [&](int id) { return id >= 0 && id < count; }));
}

// A white square's centre on the board for marker `id`: OpenCV lays the markers row by row in
// the white squares, the top-left square being black.
BoardXY SquareCentre(const Board& board, int id) {
  int k = 0;
  for (int y = 0; y < board.rows; ++y)
    for (int x = 0; x < board.cols; ++x) {
      if ((x + y) % 2 == 0) continue;
      if (k++ == id) return {x + 0.5, y + 0.5};
    }
  return {};
}

// The marker's corners in its own frame: OpenCV gives them clockwise from the top-left.
constexpr double kUnit[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};

cv::Matx33d UnitToImage(const std::array<cv::Point2d, 4>& image) {
  std::vector<cv::Point2f> from, to;
  for (int k = 0; k < 4; ++k) {
    from.emplace_back(float(kUnit[k][0]), float(kUnit[k][1]));
    to.emplace_back(float(image[k].x), float(image[k].y));
  }
  return cv::getPerspectiveTransform(from, to);
}

// A marker's side over its square's: between two markers a few squares apart, the distance of
// their centres on the board against the same in one marker's half-sides.
double MarkerShare(const std::vector<MarkerView>& views, const std::vector<BoardXY>& centres) {
  std::vector<double> shares;
  for (std::size_t i = 0; i < views.size(); ++i) {
    const cv::Matx33d to_unit = UnitToImage(views[i].image).inv();
    for (std::size_t k = 0; k < views.size(); ++k) {
      const double dx = centres[k].x - centres[i].x, dy = centres[k].y - centres[i].y;
      const double board = std::hypot(dx, dy);
      if (k == i || board > 3) continue;
      cv::Point2d centre(0, 0);
      for (const cv::Point2d& p : views[k].image) centre += p * 0.25;
      const cv::Vec3d u = to_unit * cv::Vec3d(centre.x, centre.y, 1);
      const double unit = std::hypot(u[0] / u[2], u[1] / u[2]);
      if (unit > 0) shares.push_back(2 * board / unit);
    }
  }
  if (shares.empty()) return 0;
  std::nth_element(shares.begin(), shares.begin() + shares.size() / 2, shares.end());
  return shares[shares.size() / 2];
}

}  // namespace

std::vector<MarkerView> FindCharucoMarkers(const cv::Mat& grey, const Board& board,
                                           MarkerCensus& census) {
  const cv::Ptr<cv::aruco::Dictionary> dictionary =
      cv::aruco::getPredefinedDictionary(board.dictionary);
  const double scale = std::max(1.0, double(std::max(grey.cols, grey.rows)) / kSearchSide);
  cv::Mat small = grey;
  if (scale > 1)
    cv::resize(grey, small,
               cv::Size(int(std::lround(grey.cols / scale)), int(std::lround(grey.rows / scale))),
               0, 0, cv::INTER_AREA);
  const double fx = double(grey.cols) / small.cols, fy = double(grey.rows) / small.rows;
  Found found = Detect(small, dictionary);
  bool mirrored = false;
  if (Valid(found, board.MarkerCount()) < kFewMarkers) {
    cv::Mat flipped;
    cv::flip(small, flipped, 1);
    Found other = Detect(flipped, dictionary);
    if (Valid(other, board.MarkerCount()) > Valid(found, board.MarkerCount())) {
      found = std::move(other);
      mirrored = true;
    }
  }

  census.seen = static_cast<int>(found.ids.size());
  census.foreign = census.seen - Valid(found, board.MarkerCount());
  std::vector<MarkerView> views;
  std::vector<BoardXY> centres;
  for (std::size_t m = 0; m < found.ids.size(); ++m) {
    if (found.ids[m] < 0 || found.ids[m] >= board.MarkerCount()) continue;
    MarkerView view;
    view.id = found.ids[m];
    for (int k = 0; k < 4; ++k) {
      double x = found.corners[m][k].x;
      if (mirrored) x = small.cols - 1 - x;
      // From the copy's pixel centres to the full image's.
      view.image[k] = {(x + 0.5) * fx - 0.5, (found.corners[m][k].y + 0.5) * fy - 0.5};
    }
    views.push_back(view);
    centres.push_back(SquareCentre(board, view.id));
  }
  double share = MarkerShare(views, centres);
  if (!(share > 0.2 && share < 1)) share = board.marker_share;
  census.marker_share = share;
  for (std::size_t m = 0; m < views.size(); ++m)
    for (int k = 0; k < 4; ++k)
      views[m].board[k] = {centres[m].x + kUnit[k][0] * share / 2,
                           centres[m].y + kUnit[k][1] * share / 2};
  return views;
}

}  // namespace zirt
