// Zoom sequences made from real photographs: a photograph enlarged and zoomed digitally about
// a known centre, with sensor noise and JPEG compression. A digital zoom is exactly the model
// the principal point estimate assumes, so the centre is the truth.
#pragma once

#include <opencv2/core.hpp>
#include <string>
#include <vector>

namespace zirt::test {

struct PhotoZoom {
  double enlarge = 3;         // the photograph's scale before zooming
  cv::Point2d centre;         // the principal point, in the enlarged image's pixels
  std::vector<double> zooms;  // the scale of the photograph's content about the centre
  double noise = 1.0;         // grey levels, standard deviation, added before compression
  int quality = 90;           // JPEG quality
};

// The sequence's images as 8-bit grey, decoded from their JPEG bytes (`jpeg`, when given,
// receives the bytes themselves).
std::vector<cv::Mat> MakePhotoZoom(const cv::Mat& photo, const PhotoZoom& zoom, unsigned seed,
                                   std::vector<std::vector<unsigned char>>* jpeg = nullptr);

// The photographs of tests/data/photos, by name ("left05"), in colour.
cv::Mat ReadTestPhoto(const std::string& name);

// A random sequence as the accuracy runs use: 3–5 images, zooms from 0.65–0.8 up to 1, the
// centre within 5% of the image's middle at a random sub-pixel position.
PhotoZoom RandomPhotoZoom(const cv::Mat& photo, unsigned seed);

}  // namespace zirt::test
