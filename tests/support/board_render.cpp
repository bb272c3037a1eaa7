#include "tests/support/board_render.h"

#include <cmath>
#include <opencv2/imgproc.hpp>

namespace zirt::test {
namespace {

constexpr float kBlack = 35, kWhite = 215, kBackground = 120;
constexpr int kSuper = 8;  // Samples per pixel side where an edge crosses the pixel.

struct Mapper {
  cv::Matx33d board_from_reference;
  cv::Point2d principal;
  double zoom;
  int squares_x, squares_y;

  // Grey value at image position (x, y): the zoom maps it back to the reference view, the
  // homography to the board, where the square's parity gives the colour.
  float At(double x, double y) const {
    const double rx = principal.x + (x - principal.x) / zoom;
    const double ry = principal.y + (y - principal.y) / zoom;
    const cv::Vec3d b = board_from_reference * cv::Vec3d(rx, ry, 1);
    const double u = b[0] / b[2], v = b[1] / b[2];
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
  const cv::Point2f board[4] = {
      {0, 0}, {float(squares_x), 0}, {float(squares_x), float(squares_y)}, {0, float(squares_y)}};
  cv::Point2f image[4];
  for (int k = 0; k < 4; ++k)
    image[k] =
        cv::Point2f(float(scene.quad[k].x * scene.width), float(scene.quad[k].y * scene.height));
  const cv::Matx33d reference_from_board = cv::getPerspectiveTransform(board, image);
  const Mapper map{reference_from_board.inv(), scene.principal, zoom, squares_x, squares_y};

  if (truth) {
    truth->clear();
    for (int r = 1; r <= scene.rows; ++r)
      for (int c = 1; c <= scene.cols; ++c) {
        const cv::Vec3d p = reference_from_board * cv::Vec3d(c, r, 1);
        const cv::Point2d reference(p[0] / p[2], p[1] / p[2]);
        truth->push_back(scene.principal + zoom * (reference - scene.principal));
      }
  }

  // Colours at the pixel corners; a pixel whose four corners agree holds no edge.
  const int w = scene.width, h = scene.height;
  cv::Mat1f corners(h + 1, w + 1);
  for (int y = 0; y <= h; ++y)
    for (int x = 0; x <= w; ++x) corners(y, x) = map.At(x - 0.5, y - 0.5);
  cv::Mat1f picture(h, w);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const float a = corners(y, x);
      if (a == corners(y, x + 1) && a == corners(y + 1, x) && a == corners(y + 1, x + 1)) {
        picture(y, x) = a;
        continue;
      }
      double sum = 0;
      for (int j = 0; j < kSuper; ++j)
        for (int i = 0; i < kSuper; ++i)
          sum += map.At(x - 0.5 + (i + 0.5) / kSuper, y - 0.5 + (j + 0.5) / kSuper);
      picture(y, x) = float(sum / (kSuper * kSuper));
    }

  if (scene.blur > 0) cv::GaussianBlur(picture, picture, cv::Size(), scene.blur);
  cv::Mat1f noise(h, w);
  cv::RNG rng(seed);
  rng.fill(noise, cv::RNG::NORMAL, 0.0, scene.noise);
  picture += noise;
  cv::Mat grey;
  picture.convertTo(grey, CV_8U);  // Rounds and saturates.
  return grey;
}

}  // namespace zirt::test
