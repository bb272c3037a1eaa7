#include "boards/board_points.h"

#include <cmath>
#include <limits>
#include <opencv2/imgproc.hpp>

#include "boards/marker_views.h"
#include "measure/corner_refine.h"

namespace zirt {
namespace {

// Two markers agree when each one's frame puts the other's centre within this of where the
// board has it, in board units, plus a share of their distance for the perspective that one
// marker's four corners extrapolate poorly.
constexpr double kAgreeBase = 0.15, kAgreeShare = 0.1;
// Markers further apart than this on the board are not compared.
constexpr double kCompareReach = 2.5;

struct Frame {
  cv::Matx33d to_image;  // board units to pixels
  cv::Matx33d to_board;
  BoardXY centre;
};

cv::Point2d Apply(const cv::Matx33d& h, double x, double y) {
  const cv::Vec3d v = h * cv::Vec3d(x, y, 1);
  return {v[0] / v[2], v[1] / v[2]};
}

Frame MakeFrame(const MarkerView& view) {
  std::vector<cv::Point2f> board, image;
  Frame frame;
  for (int k = 0; k < 4; ++k) {
    board.emplace_back(float(view.board[k].x), float(view.board[k].y));
    image.emplace_back(float(view.image[k].x), float(view.image[k].y));
    frame.centre.x += view.board[k].x / 4;
    frame.centre.y += view.board[k].y / 4;
  }
  frame.to_image = cv::getPerspectiveTransform(board, image);
  frame.to_board = frame.to_image.inv();
  return frame;
}

double Distance(BoardXY a, BoardXY b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}

// How far `a`'s frame puts `b`'s centre from where the board has it, in board units.
double Misfit(const Frame& a, const Frame& b) {
  const cv::Point2d centre = Apply(b.to_image, b.centre.x, b.centre.y);
  const cv::Point2d on_board = Apply(a.to_board, centre.x, centre.y);
  return std::hypot(on_board.x - b.centre.x, on_board.y - b.centre.y);
}

// The refinement window on the board: the disc about a point that holds only its own crossing,
// free of the marker bits and of the ends of an AprilGrid's corner squares.
// The refinement's windows on the board: `wide` holds the corner's crossing and no marker
// bits, `narrow` only the white margin between the squares' edges and the markers: a marker
// drawn a pixel off its square's centre (as rounding in a drawing program may place it)
// breaks the symmetry about the corner, bits and border alike. The wide window brings the
// seed near; the narrow one gives the position. An AprilGrid's crossing is a tag's corner
// and its corner square, one window for both.
struct Windows {
  double wide, narrow;
};

Windows WindowsOnBoard(const Board& board, double marker_share) {
  if (board.kind == BoardKind::kAprilGrid) {
    const double window = 0.9 * std::min(board.tag_spacing, std::sqrt(2.0) / 8);
    return {window, window};
  }
  // Tag families and their OpenCV counterparts: bits per side from the dictionary's name.
  const std::string name = DictionaryName(board.dictionary);
  int bits = 6;
  if (name.rfind("DICT_4X4", 0) == 0 || name == "DICT_APRILTAG_16h5") bits = 4;
  if (name.rfind("DICT_5X5", 0) == 0 || name == "DICT_APRILTAG_25h9") bits = 5;
  if (name.rfind("DICT_7X7", 0) == 0) bits = 7;
  // The share is measured from corners found on a reduced copy, a little short of the print's;
  // taken a little larger, the windows stay where they should.
  const double share = std::min(0.95, marker_share + 0.03);
  const double margin = (1 - share) / 2;
  return {std::min(0.6, 0.8 * std::sqrt(2.0) * (margin + share / (bits + 2))),
          std::min(0.6, 0.9 * std::sqrt(2.0) * margin)};
}

// Pixels per board unit at `at` in a frame, the smaller of the two directions.
double Scale(const Frame& frame, BoardXY at) {
  const cv::Point2d p = Apply(frame.to_image, at.x, at.y);
  const cv::Point2d px = Apply(frame.to_image, at.x + 0.01, at.y) - p;
  const cv::Point2d py = Apply(frame.to_image, at.x, at.y + 0.01) - p;
  return 100 * std::min(std::hypot(px.x, px.y), std::hypot(py.x, py.y));
}

}  // namespace

BoardImage FindBoardPoints(const cv::Mat& grey, const Board& board) {
  CV_Assert(grey.type() == CV_8UC1);
  MarkerCensus census;
  const std::vector<MarkerView> views = board.kind == BoardKind::kCharuco
                                            ? FindCharucoMarkers(grey, board, census)
                                            : FindAprilGridTags(grey, board, census);
  BoardImage result;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  result.points.assign(board.PointCount(), ImagePoint{nan, nan});
  result.markers = static_cast<int>(views.size());
  result.foreign = census.foreign;

  std::vector<Frame> frames;
  for (const MarkerView& view : views) frames.push_back(MakeFrame(view));
  // Each marker's word is taken when more of its neighbours agree with it than not; a marker
  // with no neighbour in view to check it speaks only together with another.
  std::vector<int> support(frames.size(), 0), conflict(frames.size(), 0);
  for (std::size_t a = 0; a < frames.size(); ++a)
    for (std::size_t b = a + 1; b < frames.size(); ++b) {
      const double apart = Distance(frames[a].centre, frames[b].centre);
      if (apart > kCompareReach) continue;
      const double limit = kAgreeBase + kAgreeShare * apart;
      const bool agree = apart > 0 && Misfit(frames[a], frames[b]) <= limit &&
                         Misfit(frames[b], frames[a]) <= limit;
      (agree ? support : conflict)[a]++;
      (agree ? support : conflict)[b]++;
      (agree ? result.agreeing : result.disagreeing)++;
    }

  const Windows windows = WindowsOnBoard(board, census.marker_share);
  const double reach = board.kind == BoardKind::kCharuco ? 1.6 : 1.25 + board.tag_spacing;
  for (int n = 0; n < board.PointCount(); ++n) {
    const BoardXY at = board.Point(n);
    int nearest = -1, voices = 0;
    bool backed = false, agree = true;
    for (std::size_t m = 0; m < frames.size(); ++m) {
      if (support[m] < conflict[m] || Distance(frames[m].centre, at) > reach) continue;
      if (nearest < 0 || Distance(frames[m].centre, at) < Distance(frames[nearest].centre, at))
        nearest = static_cast<int>(m);
      ++voices;
      backed = backed || support[m] > 0;
    }
    if (nearest < 0 || !(voices >= 2 || backed)) continue;
    const cv::Point2d seed = Apply(frames[nearest].to_image, at.x, at.y);
    for (std::size_t m = 0; m < frames.size() && agree; ++m) {
      if (support[m] < conflict[m] || Distance(frames[m].centre, at) > reach) continue;
      // Each marker's frame extrapolates to the corner with an error that grows with the
      // distance, as between two markers.
      const cv::Point2d other = Apply(frames[m].to_image, at.x, at.y);
      const cv::Point2d back = Apply(frames[nearest].to_board, other.x, other.y);
      agree = std::hypot(back.x - at.x, back.y - at.y) <=
              kAgreeBase + kAgreeShare * Distance(frames[m].centre, at);
    }
    if (!agree) continue;
    const double scale = Scale(frames[nearest], at);
    const double wide = windows.wide * scale, radius = windows.narrow * scale;
    if (!(radius >= 3)) continue;
    const RefinedCorner near = RefineCorner(grey, seed, wide);
    const RefinedCorner c = RefineCorner(grey, near.converged ? near.at : seed, radius);
    if (!IsSymmetricCorner(c) || std::hypot(c.at.x - seed.x, c.at.y - seed.y) > 0.5 * wide)
      continue;
    result.points[n] = {c.at.x, c.at.y};
    ++result.seen;
  }
  return result;
}

std::string BoardMismatch(const BoardImage& image, const Board& board) {
  if (image.foreign >= 2 && image.foreign > image.markers)
    return std::to_string(image.foreign) + " markers numbered beyond the " +
           std::to_string(board.MarkerCount()) + " of a " + board.Describe() +
           " board are in view: check the board's size";
  if (image.disagreeing >= 3 && image.disagreeing > image.agreeing)
    return "the markers in view do not lie as on a " + board.Describe() +
           " board: check the board's size";
  return {};
}

}  // namespace zirt
