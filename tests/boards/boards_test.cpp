#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "boards/board_points.h"
#include "boards/board_sequence.h"
#include "tests/support/target_render.h"

namespace zirt {
namespace {

constexpr double kZooms[] = {1.0, 1.6, 2.5, 4.0, 6.3, 10.0};

Board MakeBoard(bool aprilgrid, const std::string& size) {
  std::string error;
  std::optional<Board> board =
      aprilgrid ? ParseAprilGrid(size, 0.3, error) : ParseCharuco(size, error);
  EXPECT_TRUE(board) << error;
  return *board;
}

enum class View { kPlain, kUpsideDown, kMirrored, kCovered };

test::TargetScene Scene(const Board& board, View view) {
  test::TargetScene scene;
  scene.board = board;
  scene.width = 800, scene.height = 600;
  scene.principal = {403.4, 297.2};
  const test::TargetScene plain = scene;
  for (int k = 0; k < 4; ++k) {
    if (view == View::kUpsideDown) scene.quad[k] = plain.quad[(k + 2) % 4];
    if (view == View::kMirrored) scene.quad[k] = plain.quad[3 - k];  // turned over, top to left
  }
  if (view == View::kCovered) scene.cover = cv::Rect2d(0.42, 0.33, 0.18, 0.3);
  return scene;
}

// A zoom sequence (800 × 600) from the board at half the frame to ten times that, every corner
// found compared with its truth: none numbered wrongly whatever the view; in plain view nearly
// every corner in the frame measured, to the refinement's accuracy.
// The third board's markers fill 0.8 of their squares and OpenCV's drawing places some a
// pixel off centre: the refinement must not lean on them.
TEST(BoardZoomSequence, NumbersEveryCornerRightAndRefinesIt) {
  for (const int kind : {0, 1, 2})
    for (const View view : {View::kPlain, View::kUpsideDown, View::kMirrored, View::kCovered}) {
      if (kind == 2 && view != View::kPlain) continue;
      const bool aprilgrid = kind == 1;
      Board board = MakeBoard(aprilgrid, kind == 0   ? "11x8"
                                         : kind == 1 ? "6x5"
                                                     : "9x6:DICT_4X4_50");
      if (kind == 2) board.marker_share = 0.8;
      const test::TargetScene scene = Scene(board, view);
      SCOPED_TRACE(board.Describe() + " view " + std::to_string(int(view)));
      std::vector<double> errors;
      int in_frame = 0, found = 0;
      std::vector<BoardImage> images;
      for (int k = 0; k < 6; ++k) {
        std::vector<cv::Point2d> truth;
        const cv::Mat grey = test::RenderTarget(scene, kZooms[k], 11 + k, &truth);
        images.push_back(FindBoardPoints(grey, board));
        EXPECT_EQ(BoardMismatch(images.back(), board), "");
        for (std::size_t n = 0; n < truth.size(); ++n) {
          const ImagePoint p = images.back().points[n];
          const double margin = 0.02 * grey.cols;
          const bool inside = truth[n].x > margin && truth[n].y > margin &&
                              truth[n].x < grey.cols - margin && truth[n].y < grey.rows - margin;
          in_frame += inside;
          if (std::isnan(p.x)) continue;
          ++found;
          const double error = std::hypot(p.x - truth[n].x, p.y - truth[n].y);
          ASSERT_LT(error, 0.3) << "corner " << n << " at zoom " << kZooms[k];
          errors.push_back(error);
        }
      }
      ASSERT_GT(found, 100);
      if (view != View::kPlain) continue;
      std::sort(errors.begin(), errors.end());
      EXPECT_LE(errors[errors.size() / 2], 0.02);
      EXPECT_LE(errors[errors.size() * 95 / 100], 0.06);
      if (kind == 2) continue;  // few markers whole in view at the long end: fewer corners
      EXPECT_GE(found, 0.95 * in_frame);
      // The long end shows too little of the board and is left out; the rest is kept.
      const BoardSequence sequence = AssembleSequence(images);
      EXPECT_EQ(sequence.left_out, std::vector<int>{5});
      EXPECT_EQ(sequence.kept.size(), 5u);
    }
}

// A board of another dictionary shows no marker; one of another size shows markers that do not
// lie as the board asked lays them out, or numbers beyond it. Both are told, not measured.
TEST(BoardRefusal, AnotherDictionaryOrSizeIsTold) {
  struct Case {
    bool aprilgrid;
    const char* drawn;
    const char* asked;
    bool no_marker;
  };
  const Case cases[] = {
      {false, "11x8:DICT_4X4_50", "11x8", true},
      {false, "7x5", "11x8", false},
      {false, "11x8", "7x5", false},
      {true, "6x5", "4x3", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.drawn) + " asked as " + c.asked);
    const cv::Mat grey =
        test::RenderTarget(Scene(MakeBoard(c.aprilgrid, c.drawn), View::kPlain), 1.3, 5);
    const Board asked = MakeBoard(c.aprilgrid, c.asked);
    const BoardImage found = FindBoardPoints(grey, asked);
    if (c.no_marker) {
      EXPECT_EQ(found.markers, 0);
    } else {
      EXPECT_NE(BoardMismatch(found, asked).find("check the board's size"), std::string::npos);
    }
  }
}

BoardImage Seen(std::initializer_list<int> points, int count = 8) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  BoardImage image;
  image.points.assign(count, {nan, nan});
  for (const int n : points) image.points[n] = {10.0 * n, 1.0};
  image.seen = static_cast<int>(points.size());
  return image;
}

// A corner in one image only is left out, which may leave an image with too few corners; that
// image goes too, and with it corners only it shared with one other.
TEST(AssembleSequence, LeavesOutLoneCornersAndThinImagesUntilSettled) {
  const BoardSequence s = AssembleSequence(
      {Seen({0, 1, 2, 3, 4}), Seen({0, 1, 2, 3, 5, 6}), Seen({0, 1, 6, 7}), Seen({7})});
  EXPECT_EQ(s.kept, (std::vector<int>{0, 1}));
  EXPECT_EQ(s.left_out, (std::vector<int>{2, 3}));
  EXPECT_EQ(s.numbers, (std::vector<int>{0, 1, 2, 3}));
  ASSERT_EQ(s.points.size(), 2u);
  EXPECT_EQ(s.points[1][3].x, 30.0);
  const BoardSequence gaps =
      AssembleSequence({Seen({0, 1, 2, 3}), Seen({0, 1, 2, 3, 4}), Seen({1, 2, 3, 4})});
  EXPECT_EQ(gaps.numbers, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(std::isnan(gaps.points[0][4].y));
  EXPECT_TRUE(std::isnan(gaps.points[2][0].x));
}

// Kalibr numbers an AprilGrid's corners row by row from the bottom-left corner of tag 0, the
// grid's bottom-left tag, two rows and two columns of corners to a row and column of tags.
TEST(AprilGridNumbering, FollowsKalibr) {
  const Board grid = MakeBoard(true, "3x2");
  const int cols = 2 * grid.cols;
  for (int tag = 0; tag < grid.MarkerCount(); ++tag) {
    const int base = tag / grid.cols * cols * 2 + tag % grid.cols * 2;
    const BoardXY bl = grid.Point(base), br = grid.Point(base + 1),
                  tr = grid.Point(base + cols + 1), tl = grid.Point(base + cols);
    EXPECT_DOUBLE_EQ(br.x - bl.x, 1);
    EXPECT_DOUBLE_EQ(bl.y - tl.y, 1);  // down the print
    EXPECT_DOUBLE_EQ(tr.x, br.x);
    EXPECT_DOUBLE_EQ(tr.y, tl.y);
    EXPECT_NEAR(bl.x, 0.3 + tag % grid.cols * 1.3, 1e-12);
    EXPECT_NEAR(bl.y, grid.Extent().y - 0.3 - tag / grid.cols * 1.3, 1e-12);
  }
}

TEST(BoardParse, RefusesWhatNoBoardIs) {
  std::string error;
  EXPECT_EQ(ParseCharuco("11x8:DICT_4X4_50", error)->dictionary, 0);
  EXPECT_EQ(ParseCharuco("5x4:DICT_APRILTAG_36h11", error)->dictionary, 20);
  for (const char* bad : {"11x8:DICT_5X5_99", "2x8", "11x", "11x8:", "11x8:dict_5x5_100"}) {
    EXPECT_FALSE(ParseCharuco(bad, error)) << bad;
  }
  EXPECT_FALSE(ParseCharuco("11x11:DICT_4X4_50", error));  // 60 markers, 50 in the dictionary
  EXPECT_NE(error.find("60 markers"), std::string::npos);
  EXPECT_TRUE(ParseAprilGrid("29x20", 0.3, error));
  EXPECT_FALSE(ParseAprilGrid("30x20", 0.3, error));  // 600 tags, 587 in the family
}

}  // namespace
}  // namespace zirt
