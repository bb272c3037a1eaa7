// Writes a rendered zoom sequence of a 9 x 6 chessboard for the end-to-end scripts:
//   zirt_render_sequence [--size WxH] DIR ZOOM...   ->  DIR/zoom1.png, DIR/zoom2.png, ...
// The principal point of the sequence is printed on standard output as "X Y".
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/board_render.h"

int main(int argc, char** argv) {
  zirt::test::BoardScene scene;
  int first = 1;
  if (argc > 2 && std::strcmp(argv[1], "--size") == 0) {
    // A smaller frame keeps the principal point at the same place relative to the frame.
    if (std::sscanf(argv[2], "%dx%d", &scene.width, &scene.height) != 2) return 2;
    scene.principal = {scene.principal.x * scene.width / 960,
                       scene.principal.y * scene.height / 640};
    first = 3;
  }
  if (argc < first + 2) return 2;
  for (int k = first + 1; k < argc; ++k) {
    const cv::Mat grey = zirt::test::RenderBoard(scene, std::atof(argv[k]), 40 + k - first + 1);
    QImage image(grey.cols, grey.rows, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.rows; ++y) std::memcpy(image.scanLine(y), grey.ptr(y), grey.cols);
    if (!image.save(QStringLiteral("%1/zoom%2.png")
                        .arg(QString::fromLocal8Bit(argv[first]))
                        .arg(k - first)))
      return 1;
  }
  std::printf("%.17g %.17g\n", scene.principal.x, scene.principal.y);
  return 0;
}
