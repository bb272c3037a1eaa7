#include "tests/support/target_render.h"

#include <cmath>
#include <opencv2/aruco/charuco.hpp>
#include <opencv2/imgproc.hpp>

#include "boards/board_shapes.h"
#include "tests/support/render_common.h"

namespace zirt::test {
namespace {

constexpr float kBackground = 120, kBlack = 35, kWhite = 215;
constexpr int kTexel = 40;       // texture pixels per board unit: whole pixels for every edge
constexpr double kMargin = 0.5;  // white around the board face, board units

cv::Mat1b Texture(const zirt::Board& board) {
  const zirt::BoardXY extent = board.Extent();
  const int w = int(std::lround(extent.x * kTexel)), h = int(std::lround(extent.y * kTexel));
  cv::Mat1b face(h, w, uchar(255));
  if (board.kind == zirt::BoardKind::kCharuco) {
    const auto charuco =
        cv::aruco::CharucoBoard::create(board.cols, board.rows, 1.f, float(board.marker_share),
                                        cv::aruco::getPredefinedDictionary(board.dictionary));
    charuco->draw(cv::Size(w, h), face, 0, 1);
  } else {
    for (const zirt::BlackRect& r : zirt::BoardShapes(board))
      face(cv::Rect(int(std::lround(r.x * kTexel)), int(std::lround(r.y * kTexel)),
                    int(std::lround(r.width * kTexel)), int(std::lround(r.height * kTexel)))) = 0;
  }
  return face;
}

struct Mapper {
  FaceMapping to_face;
  const cv::Mat1b* face;
  double width, height;

  float At(double x, double y) const {
    const cv::Point2d on_face = to_face.At(x, y);
    const double u = on_face.x, v = on_face.y;
    if (u < -kMargin || v < -kMargin || u > width + kMargin || v > height + kMargin)
      return kBackground;
    const int tx = int(std::floor(u * kTexel)), ty = int(std::floor(v * kTexel));
    if (tx < 0 || ty < 0 || tx >= face->cols || ty >= face->rows) return kWhite;
    return (*face)(ty, tx) ? kWhite : kBlack;
  }
};

}  // namespace

cv::Mat RenderTarget(const TargetScene& scene, double zoom, unsigned seed,
                     std::vector<cv::Point2d>* truth) {
  const zirt::BoardXY extent = scene.board.Extent();
  const cv::Matx33d reference_from_board =
      ReferenceFromFace(scene.quad, scene.width, scene.height, float(extent.x), float(extent.y));
  const cv::Mat1b texture = Texture(scene.board);
  const Mapper map{
      {reference_from_board.inv(), scene.principal, zoom}, &texture, extent.x, extent.y};
  if (truth) {
    truth->clear();
    for (int n = 0; n < scene.board.PointCount(); ++n) {
      const zirt::BoardXY at = scene.board.Point(n);
      const cv::Vec3d p = reference_from_board * cv::Vec3d(at.x, at.y, 1);
      truth->push_back(scene.principal +
                       zoom * (cv::Point2d(p[0] / p[2], p[1] / p[2]) - scene.principal));
    }
  }
  const int w = scene.width, h = scene.height;
  cv::Mat1f picture = Supersampled(map, w, h);
  if (!scene.cover.empty())
    picture(cv::Rect(int(scene.cover.x * w), int(scene.cover.y * h), int(scene.cover.width * w),
                     int(scene.cover.height * h))) = kBackground;
  return CameraImage(picture, scene.blur, scene.noise, seed);
}

}  // namespace zirt::test
