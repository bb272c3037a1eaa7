// The board finders on 12 MP photographs (4000 × 3000): CPU time of one image's points found
// and refined (Google Benchmark), and `make DIR` writing such photographs as JPEGs for
// bench/boards_speed.sh, which times zirt-measure on them with its peak memory.
#include <benchmark/benchmark.h>

#include <QImage>
#include <cstring>
#include <string>

#include "boards/board_points.h"
#include "tests/support/target_render.h"

namespace {

zirt::test::TargetScene Scene(bool aprilgrid) {
  zirt::test::TargetScene scene;
  std::string error;
  scene.board =
      aprilgrid ? *zirt::ParseAprilGrid("6x6", 0.3, error) : *zirt::ParseCharuco("11x8", error);
  scene.width = 4000, scene.height = 3000;
  scene.principal = {2003.3, 1497.9};
  scene.blur = 1.0;
  return scene;
}

const cv::Mat& Image(bool aprilgrid, double zoom) {
  static std::map<std::pair<bool, double>, cv::Mat> images;
  cv::Mat& image = images[{aprilgrid, zoom}];
  if (image.empty()) image = zirt::test::RenderTarget(Scene(aprilgrid), zoom, 3);
  return image;
}

void BM_FindBoard(benchmark::State& state) {
  const bool aprilgrid = state.range(0) != 0;
  const double zoom = state.range(1) / 10.0;
  const cv::Mat& grey = Image(aprilgrid, zoom);
  const zirt::Board board = Scene(aprilgrid).board;
  int seen = 0;
  for (auto _ : state) seen = zirt::FindBoardPoints(grey, board).seen;
  state.counters["points"] = seen;
}
BENCHMARK(BM_FindBoard)
    ->ArgNames({"aprilgrid", "zoom10"})
    ->Args({0, 10})
    ->Args({0, 30})
    ->Args({1, 10})
    ->Args({1, 30})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

void Write(const cv::Mat& grey, const std::string& path) {
  QImage image(grey.cols, grey.rows, QImage::Format_Grayscale8);
  for (int y = 0; y < grey.rows; ++y) std::memcpy(image.scanLine(y), grey.ptr(y), grey.cols);
  image.convertToFormat(QImage::Format_RGB888).save(QString::fromStdString(path), nullptr, 90);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "make") {
    for (const bool aprilgrid : {false, true})
      for (const double zoom : {1.0, 3.0})
        Write(Image(aprilgrid, zoom), std::string(argv[2]) + "/" +
                                          (aprilgrid ? "aprilgrid" : "charuco") +
                                          (zoom == 1.0 ? "_1.jpg" : "_3.jpg"));
    return 0;
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
