// The 12-megapixel case of measuring's speed goal, for bench/measure_speed.sh:
//   zirt_measure_speed_image make FILE.jpg [WIDTH]   a photograph of a 9 × 6 board enlarged to
//                                                    WIDTH (4000) pixels, JPEG quality 90
//   zirt_measure_speed_image huge FILE.jpg           a small JPEG whose header claims
//                                                    20000 × 20000 pixels
//   zirt_measure_speed_image sb FILE.jpg             seconds of one sector-based detector call
//                                                    with its accuracy flags, on the decoded image
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <opencv2/calib3d.hpp>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>

#include "data/posix_file.h"
#include "tests/support/photo_zoom.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  if (std::strcmp(argv[1], "make") == 0) {
    const cv::Mat photo = zirt::test::ReadTestPhoto("left12");
    zirt::test::PhotoZoom zoom;
    zoom.enlarge = (argc > 3 ? std::atof(argv[3]) : 4000.0) / photo.cols;
    zoom.centre = {photo.cols * zoom.enlarge / 2, photo.rows * zoom.enlarge / 2};
    zoom.zooms = {1};
    std::vector<std::vector<unsigned char>> jpeg;
    zirt::test::MakePhotoZoom(photo, zoom, 1, &jpeg);
    zirt::WriteFileAtomic(argv[2], {reinterpret_cast<const char*>(jpeg[0].data()), jpeg[0].size()});
    return 0;
  }
  if (std::strcmp(argv[1], "huge") == 0) {
    std::vector<unsigned char> jpeg;
    cv::imencode(".jpg", cv::Mat(16, 16, CV_8UC1, cv::Scalar(128)), jpeg);
    for (std::size_t i = 0; i + 8 < jpeg.size(); ++i)
      if (jpeg[i] == 0xff && jpeg[i + 1] == 0xc0) {  // SOF0: length, precision, height, width
        jpeg[i + 5] = jpeg[i + 7] = 20000 >> 8;
        jpeg[i + 6] = jpeg[i + 8] = 20000 & 0xff;
        break;
      }
    zirt::WriteFileAtomic(argv[2], {reinterpret_cast<const char*>(jpeg.data()), jpeg.size()});
    return 0;
  }
  const cv::Mat grey = cv::imread(argv[2], cv::IMREAD_GRAYSCALE);
  std::vector<cv::Point2f> corners;
  const auto start = std::chrono::steady_clock::now();
  const bool found = cv::findChessboardCornersSB(
      grey, {9, 6}, corners,
      cv::CALIB_CB_ACCURACY | cv::CALIB_CB_NORMALIZE_IMAGE | cv::CALIB_CB_EXHAUSTIVE);
  std::printf("%.3f %s\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              found ? "found" : "not-found");
  return 0;
}
