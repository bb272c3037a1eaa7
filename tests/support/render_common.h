// What the chessboard and target renderers share: the face placed by a perspective, drawn as
// pixels sampled finer where an edge crosses them, then the camera's blur, noise and 8 bits.
#pragma once

#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

namespace zirt::test {

// The perspective that takes the face's rectangle (0, 0)–(face_width, face_height) to where
// `quad` puts its corners in a width × height image at zoom 1.
inline cv::Matx33d ReferenceFromFace(const cv::Point2d (&quad)[4], int width, int height,
                                     float face_width, float face_height) {
  const cv::Point2f face[4] = {
      {0, 0}, {face_width, 0}, {face_width, face_height}, {0, face_height}};
  cv::Point2f image[4];
  for (int k = 0; k < 4; ++k)
    image[k] = cv::Point2f(float(quad[k].x * width), float(quad[k].y * height));
  return cv::getPerspectiveTransform(face, image);
}

// Where an image position at `zoom` lies on the face: the zoom about the principal point maps
// it back to the reference view, the perspective from there on to the face.
struct FaceMapping {
  cv::Matx33d face_from_reference;
  cv::Point2d principal;
  double zoom;

  cv::Point2d At(double x, double y) const {
    const double rx = principal.x + (x - principal.x) / zoom;
    const double ry = principal.y + (y - principal.y) / zoom;
    const cv::Vec3d b = face_from_reference * cv::Vec3d(rx, ry, 1);
    return {b[0] / b[2], b[1] / b[2]};
  }
};

// A w × h picture of `map` (a float At(x, y) in pixel coordinates): a pixel whose four corners
// agree holds no edge and takes their colour, any other the mean of 8 × 8 samples inside it.
template <typename Map>
cv::Mat1f Supersampled(const Map& map, int w, int h) {
  constexpr int kSuper = 8;
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
  return picture;
}

// The picture as the camera gives it: blurred by `blur` (Gaussian sigma, pixels; none at 0),
// with sensor noise of that standard deviation drawn from `seed`, rounded and saturated to
// 8 bits.
inline cv::Mat CameraImage(cv::Mat1f& picture, double blur, double noise, unsigned seed) {
  if (blur > 0) cv::GaussianBlur(picture, picture, cv::Size(), blur);
  cv::Mat1f sensor(picture.rows, picture.cols);
  cv::RNG rng(seed);
  rng.fill(sensor, cv::RNG::NORMAL, 0.0, noise);
  picture += sensor;
  cv::Mat grey;
  picture.convertTo(grey, CV_8U);
  return grey;
}

}  // namespace zirt::test
