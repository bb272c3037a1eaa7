#include "tests/support/photo_zoom.h"

#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <stdexcept>

#ifndef ZIRT_TEST_PHOTOS
#define ZIRT_TEST_PHOTOS "tests/data/photos"
#endif

namespace zirt::test {

std::vector<cv::Mat> MakePhotoZoom(const cv::Mat& photo, const PhotoZoom& zoom, unsigned seed,
                                   std::vector<std::vector<unsigned char>>* jpeg) {
  const cv::Size size(cvRound(photo.cols * zoom.enlarge), cvRound(photo.rows * zoom.enlarge));
  std::mt19937 random(seed);
  std::vector<cv::Mat> images;
  for (const double z : zoom.zooms) {
    // Output pixel u shows the enlarged photograph at c + (u − c)/z, which is the photograph's
    // own pixel ((c + (u − c)/z) + ½)/enlarge − ½: one resampling for both steps. Below zoom 1
    // the photograph's edge rows and columns fill the margin.
    cv::Mat map_x(size, CV_32FC1), map_y(size, CV_32FC1);
    for (int v = 0; v < size.height; ++v)
      for (int u = 0; u < size.width; ++u) {
        map_x.at<float>(v, u) = static_cast<float>(
            (zoom.centre.x + (u - zoom.centre.x) / z + 0.5) / zoom.enlarge - 0.5);
        map_y.at<float>(v, u) = static_cast<float>(
            (zoom.centre.y + (v - zoom.centre.y) / z + 0.5) / zoom.enlarge - 0.5);
      }
    cv::Mat image;
    cv::remap(photo, image, map_x, map_y, cv::INTER_CUBIC, cv::BORDER_REPLICATE);
    cv::Mat noisy;
    image.convertTo(noisy, CV_32F);
    cv::Mat noise(noisy.size(), noisy.type());
    cv::theRNG().state = random();
    cv::randn(noise, 0.0, zoom.noise);
    noisy += noise;
    noisy.convertTo(image, CV_8U);
    std::vector<unsigned char> bytes;
    cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_QUALITY, zoom.quality});
    images.push_back(cv::imdecode(bytes, cv::IMREAD_GRAYSCALE));
    if (jpeg) jpeg->push_back(std::move(bytes));
  }
  return images;
}

cv::Mat ReadTestPhoto(const std::string& name) {
  cv::Mat photo = cv::imread(std::string(ZIRT_TEST_PHOTOS) + "/" + name + ".jpg", cv::IMREAD_COLOR);
  if (photo.empty()) throw std::runtime_error("test photograph " + name + " not found");
  return photo;
}

PhotoZoom RandomPhotoZoom(const cv::Mat& photo, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> unit(0, 1);
  PhotoZoom zoom;
  const double w = photo.cols * zoom.enlarge, h = photo.rows * zoom.enlarge;
  zoom.centre = {w / 2 - 0.5 + 0.1 * w * (unit(random) - 0.5),
                 h / 2 - 0.5 + 0.1 * h * (unit(random) - 0.5)};
  const int levels = 3 + static_cast<int>(random() % 3);
  const double low = 0.65 + 0.15 * unit(random);
  for (int k = 0; k < levels; ++k) zoom.zooms.push_back(1 - (1 - low) * k / (levels - 1));
  zoom.noise = 0.5 + unit(random);
  return zoom;
}

}  // namespace zirt::test
