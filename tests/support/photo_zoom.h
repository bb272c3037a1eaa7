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

// A scene for large zoom ratios: photograph 0 fills the frame (`size`) at zoom 1, photograph
// L is nested at `centre`, nest^L times smaller, so that every zoom up to nest^(L+1) shows
// detail. Each image is rendered from every photograph at its own scale (averaged down first
// where it shows the photograph smaller than its pixels), as an optical zoom would see it.
struct NestedZoom {
  cv::Size size{960, 720};
  cv::Point2d centre;
  double nest = 4;
  std::vector<double> zooms;
  double noise = 1.0;
  int quality = 90;
  // A clock burned into every image at this rectangle (empty: none), which does not zoom.
  cv::Rect overlay;
};
std::vector<cv::Mat> MakeNestedZoom(const std::vector<cv::Mat>& photos, const NestedZoom& zoom,
                                    unsigned seed);

// `image` with its content within `radius` of `at` moved by `by` pixels (bicubic), the rest
// as it was: a patch of the scene that moved on its own in one image, where the zoom says it
// should not.
void MovePatch(cv::Mat& image, cv::Point2d at, double radius, cv::Point2d by);

// The photographs of tests/data/photos, by name ("left05"), in colour.
cv::Mat ReadTestPhoto(const std::string& name);

// A random sequence as the accuracy runs use: 3–5 images, zooms from 0.65–0.8 up to 1, the
// centre within 5% of the image's middle at a random sub-pixel position.
PhotoZoom RandomPhotoZoom(const cv::Mat& photo, unsigned seed);

}  // namespace zirt::test
