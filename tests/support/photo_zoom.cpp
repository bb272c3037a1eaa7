#include "tests/support/photo_zoom.h"

#include <cmath>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <random>
#include <stdexcept>

#ifndef ZIRT_TEST_PHOTOS
#define ZIRT_TEST_PHOTOS "tests/data/photos"
#endif

namespace zirt::test {
namespace {

// The image as the camera stores it: sensor noise of that standard deviation, drawn by
// OpenCV's generator seeded from `random`, then a JPEG of that quality, whose bytes are kept
// in `bytes`. Returns the JPEG read back in grey.
cv::Mat StoredImage(cv::Mat& image, double noise, int quality, std::mt19937& random,
                    std::vector<unsigned char>& bytes) {
  cv::Mat noisy;
  image.convertTo(noisy, CV_32F);
  cv::Mat sensor(noisy.size(), noisy.type());
  cv::theRNG().state = random();
  cv::randn(sensor, 0.0, noise);
  noisy += sensor;
  noisy.convertTo(image, CV_8U);
  cv::imencode(".jpg", image, bytes, {cv::IMWRITE_JPEG_QUALITY, quality});
  return cv::imdecode(bytes, cv::IMREAD_GRAYSCALE);
}

}  // namespace

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
    std::vector<unsigned char> bytes;
    images.push_back(StoredImage(image, zoom.noise, zoom.quality, random, bytes));
    if (jpeg) jpeg->push_back(std::move(bytes));
  }
  return images;
}

namespace {

// Photograph `photo` shown at scene scale `shrink` about `centre` (1: filling the frame), seen
// at zoom `z`, over the part of the frame it covers; `out` keeps the rest.
void DrawLayer(const cv::Mat& photo, double shrink, const NestedZoom& zoom, double z,
               cv::Mat& out) {
  const cv::Point2d c = zoom.centre;
  // Frame pixel u shows layer position v = c + (u − c)·shrink⁻¹/z, photograph pixel
  // (v + ½)·photo/size − ½; below one photograph pixel per frame pixel it is averaged first.
  const double per = static_cast<double>(photo.cols) / zoom.size.width / (shrink * z);
  cv::Mat source = photo;
  double fx = static_cast<double>(photo.cols) / zoom.size.width;
  double fy = static_cast<double>(photo.rows) / zoom.size.height;
  if (per > 1.5) {
    cv::resize(
        photo, source,
        cv::Size(std::max(4, cvRound(photo.cols / per)), std::max(4, cvRound(photo.rows / per))), 0,
        0, cv::INTER_AREA);
    fx = static_cast<double>(source.cols) / zoom.size.width;
    fy = static_cast<double>(source.rows) / zoom.size.height;
  }
  const double k = shrink * z;  // frame pixels per layer pixel
  const cv::Rect covered =
      shrink == 1
          ? cv::Rect(cv::Point(0, 0), zoom.size)
          : cv::Rect(cv::Point(cvCeil(c.x + (-0.5 - c.x) * k), cvCeil(c.y + (-0.5 - c.y) * k)),
                     cv::Point(cvFloor(c.x + (zoom.size.width - 0.5 - c.x) * k) + 1,
                               cvFloor(c.y + (zoom.size.height - 0.5 - c.y) * k) + 1)) &
                cv::Rect(cv::Point(0, 0), zoom.size);
  if (covered.width < 2 || covered.height < 2) return;
  cv::Mat map_x(covered.size(), CV_32FC1), map_y(covered.size(), CV_32FC1);
  for (int v = 0; v < covered.height; ++v)
    for (int u = 0; u < covered.width; ++u) {
      map_x.at<float>(v, u) =
          static_cast<float>((c.x + (u + covered.x - c.x) / k + 0.5) * fx - 0.5);
      map_y.at<float>(v, u) =
          static_cast<float>((c.y + (v + covered.y - c.y) / k + 0.5) * fy - 0.5);
    }
  cv::Mat part;
  cv::remap(source, part, map_x, map_y, cv::INTER_CUBIC, cv::BORDER_REPLICATE);
  part.copyTo(out(covered));
}

}  // namespace

std::vector<cv::Mat> MakeNestedZoom(const std::vector<cv::Mat>& photos, const NestedZoom& zoom,
                                    unsigned seed) {
  std::mt19937 random(seed);
  std::vector<cv::Mat> images;
  int tick = 0;
  for (const double z : zoom.zooms) {
    cv::Mat image(zoom.size, photos[0].type());
    double shrink = 1;
    for (const cv::Mat& photo : photos) {
      DrawLayer(photo, shrink, zoom, z, image);
      shrink /= zoom.nest;
    }
    if (!zoom.overlay.empty()) {
      image(zoom.overlay).setTo(cv::Scalar::all(20));
      const std::string clock = "12:0" + std::to_string(tick++) + ":37";
      cv::putText(image(zoom.overlay), clock, {4, zoom.overlay.height - 6},
                  cv::FONT_HERSHEY_SIMPLEX, zoom.overlay.height / 30.0, cv::Scalar::all(235), 2);
    }
    std::vector<unsigned char> bytes;
    images.push_back(StoredImage(image, zoom.noise, zoom.quality, random, bytes));
  }
  return images;
}

void MovePatch(cv::Mat& image, cv::Point2d at, double radius, cv::Point2d by) {
  const cv::Rect box = cv::Rect(cv::Point(cvFloor(at.x - radius) - 3, cvFloor(at.y - radius) - 3),
                                cv::Point(cvCeil(at.x + radius) + 4, cvCeil(at.y + radius) + 4)) &
                       cv::Rect(0, 0, image.cols, image.rows);
  cv::Mat map_x(box.size(), CV_32FC1), map_y(box.size(), CV_32FC1);
  for (int v = 0; v < box.height; ++v)
    for (int u = 0; u < box.width; ++u) {
      const double x = box.x + u, y = box.y + v;
      const bool in = std::hypot(x - at.x, y - at.y) <= radius;
      map_x.at<float>(v, u) = static_cast<float>(in ? x - by.x : x);
      map_y.at<float>(v, u) = static_cast<float>(in ? y - by.y : y);
    }
  cv::Mat moved;
  cv::remap(image, moved, map_x, map_y, cv::INTER_CUBIC, cv::BORDER_REPLICATE);
  moved.copyTo(image(box));
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
