// Writes a rendered zoom sequence of a 9 x 6 chessboard for the end-to-end script:
//   zirt_render_sequence DIR ZOOM...   ->  DIR/zoom1.png, DIR/zoom2.png, ...
// The principal point of the sequence is printed on standard output as "X Y".
#include <QImage>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/board_render.h"

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const zirt::test::BoardScene scene;
  for (int k = 2; k < argc; ++k) {
    const cv::Mat grey = zirt::test::RenderBoard(scene, std::atof(argv[k]), 40 + k);
    QImage image(grey.cols, grey.rows, QImage::Format_Grayscale8);
    for (int y = 0; y < grey.rows; ++y) std::memcpy(image.scanLine(y), grey.ptr(y), grey.cols);
    if (!image.save(
            QStringLiteral("%1/zoom%2.png").arg(QString::fromLocal8Bit(argv[1])).arg(k - 1)))
      return 1;
  }
  std::printf("%.17g %.17g\n", scene.principal.x, scene.principal.y);
  return 0;
}
