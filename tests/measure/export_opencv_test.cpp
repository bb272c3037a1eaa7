// OpenCV's own reader on the files the export wrote: our comment line must not upset it, and
// the matrix must come back with the point to the last bit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <opencv2/core.hpp>
#include <sstream>

#include "export/calibration_export.h"

namespace zirt {
namespace {

TEST(ExportReadByOpenCv, CameraMatrixComesBackExact) {
  const ExportedPoint point{512.3456789012345, 384.0625, 0.12, 0.05, "robust", ""};
  const std::filesystem::path dir = std::filesystem::path(testing::TempDir()) / "zirt-export";
  std::filesystem::create_directories(dir);
  for (const auto& [file, key] : {std::pair{"opencv_calibration.yml", "camera_matrix"},
                                  std::pair{"opencv_sample.xml", "cameraMatrix"}}) {
    std::ifstream in(std::string(ZIRT_TEST_DATA) + "/export/" + file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    const std::string out = (dir / file).string();
    std::ofstream(out, std::ios::binary) << PutPointInto(text.str(), point, {}).bytes;
    cv::FileStorage fs(out, cv::FileStorage::READ);
    ASSERT_TRUE(fs.isOpened()) << file;
    cv::Mat k;
    fs[key] >> k;
    ASSERT_EQ(k.rows, 3) << file;
    const bool sci = std::string(file).ends_with(".yml");
    // 17 significant digits give the double back; 15 are the point's own digits.
    EXPECT_NEAR(k.at<double>(0, 2), point.x, sci ? 0 : 1e-12) << file;
    EXPECT_EQ(k.at<double>(1, 2), point.y) << file;
    EXPECT_EQ(k.at<double>(2, 2), 1.0) << file;
  }
}

}  // namespace
}  // namespace zirt
