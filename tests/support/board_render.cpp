#include "tests/support/board_render.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

#include "tests/support/render_common.h"

namespace zirt::test {
namespace {

constexpr float kBlack = 35, kWhite = 215, kBackground = 120;

struct Mapper {
  FaceMapping to_board;
  int squares_x, squares_y;

  // Grey value at image position (x, y): the square's parity where it lies on the board.
  float At(double x, double y) const {
    const cv::Point2d on_board = to_board.At(x, y);
    const double u = on_board.x, v = on_board.y;
    constexpr double kMargin = 0.6;
    if (u < -kMargin || v < -kMargin || u > squares_x + kMargin || v > squares_y + kMargin)
      return kBackground;
    if (u < 0 || v < 0 || u >= squares_x || v >= squares_y) return kWhite;
    return (static_cast<int>(std::floor(u)) + static_cast<int>(std::floor(v))) % 2 ? kWhite
                                                                                   : kBlack;
  }
};

}  // namespace

cv::Mat RenderBoard(const BoardScene& scene, double zoom, unsigned seed,
                    std::vector<cv::Point2d>* truth) {
  const int squares_x = scene.cols + 1, squares_y = scene.rows + 1;
  const cv::Matx33d reference_from_board =
      ReferenceFromFace(scene.quad, scene.width, scene.height, float(squares_x), float(squares_y));
  const Mapper map{{reference_from_board.inv(), scene.principal, zoom}, squares_x, squares_y};

  if (truth) {
    truth->clear();
    for (int r = 1; r <= scene.rows; ++r)
      for (int c = 1; c <= scene.cols; ++c) {
        const cv::Vec3d p = reference_from_board * cv::Vec3d(c, r, 1);
        const cv::Point2d reference(p[0] / p[2], p[1] / p[2]);
        truth->push_back(scene.principal + zoom * (reference - scene.principal));
      }
  }

  cv::Mat1f picture = Supersampled(map, scene.width, scene.height);
  return CameraImage(picture, scene.blur, scene.noise, seed);
}

}  // namespace zirt::test
