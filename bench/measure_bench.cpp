// Measuring one photograph (decoding with Qt, the chessboard finder, the point order) beside
// OpenCV's finder alone on the decoded image, for the image sizes of real cameras.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QTemporaryDir>
#include <cstring>
#include <opencv2/calib3d.hpp>

#include "measure/image_grey.h"
#include "measure/pattern.h"
#include "measure/point_order.h"
#include "tests/support/board_render.h"

namespace {

const cv::Size kSizes[] = {{1920, 1080}, {2048, 1366}, {2400, 1600}, {4000, 3000}};

zirt::test::BoardScene Scene(const cv::Size& size) {
  zirt::test::BoardScene scene;
  scene.width = size.width, scene.height = size.height;
  scene.principal = {size.width / 2.0 + 3.3, size.height / 2.0 - 2.1};
  scene.blur = 0.9;
  return scene;
}

// The photograph as a camera stores it, a JPEG at high quality, once per size.
const std::string& Photograph(int index) {
  static QTemporaryDir folder;
  static std::string paths[std::size(kSizes)];
  if (paths[index].empty()) {
    const cv::Mat grey = zirt::test::RenderBoard(Scene(kSizes[index]), 1.0, 5);
    QImage image(grey.cols, grey.rows, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.rows; ++y) std::memcpy(image.scanLine(y), grey.ptr(y), grey.cols);
    paths[index] = folder.filePath(QStringLiteral("board%1.jpg").arg(index)).toStdString();
    image.convertToFormat(QImage::Format_RGB888)
        .save(QString::fromStdString(paths[index]), nullptr, 95);
  }
  return paths[index];
}

void BM_MeasureImage(benchmark::State& state) {
  const std::string& path = Photograph(static_cast<int>(state.range(0)));
  const zirt::Pattern pattern{zirt::PatternKind::kChessboard, 9, 6};
  for (auto _ : state) {
    const auto points = zirt::FindPattern(zirt::LoadGreyImage(path), pattern);
    if (!points) state.SkipWithError("not found");
    benchmark::DoNotOptimize(zirt::OrderFirst(*points, pattern));
  }
  state.SetLabel(std::to_string(kSizes[state.range(0)].width) + "x" +
                 std::to_string(kSizes[state.range(0)].height));
}

void BM_FinderAlone(benchmark::State& state) {
  const cv::Mat grey = zirt::LoadGreyImage(Photograph(static_cast<int>(state.range(0))));
  std::vector<cv::Point2f> corners;
  for (auto _ : state)
    if (!cv::findChessboardCornersSB(grey, {9, 6}, corners,
                                     cv::CALIB_CB_ACCURACY | cv::CALIB_CB_EXHAUSTIVE))
      state.SkipWithError("not found");
  state.SetLabel(std::to_string(grey.cols) + "x" + std::to_string(grey.rows));
}

}  // namespace

BENCHMARK(BM_MeasureImage)
    ->DenseRange(0, 3)
    ->Iterations(3)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FinderAlone)
    ->DenseRange(0, 3)
    ->Iterations(3)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
