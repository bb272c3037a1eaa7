// The end-to-end test's eyes: grabs the X screen into a PNG, and finds the principal point's
// red cross in such a picture.
//
//   e2e_probe shot OUT.png
//   e2e_probe cross SHOT.png X0 Y0           (the principal point, image pixels)
//   e2e_probe clipboard                      (prints the clipboard's text)
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

constexpr QRgb kSilver = 0xFFC0C0C0;
constexpr QRgb kRed = 0xFFFF0000;

int Shot(const char* out) {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr || !screen->grabWindow(0).save(QString::fromLocal8Bit(out))) {
    std::fprintf(stderr, "cannot grab the screen into %s\n", out);
    return 1;
  }
  return 0;
}

// The picture's top left is the first silver pixel of the largest silver area, found as the
// first row and column with a long silver run; the cross is the longest red run. The picture
// maps image pixels to its own by one scale, 2/3 or less, with no offset: the cross must lie
// where that scale puts (x0, y0).
int Cross(const char* shot, double x0, double y0) {
  const QImage image = QImage(QString::fromLocal8Bit(shot)).convertToFormat(QImage::Format_RGB32);
  if (image.isNull()) {
    std::fprintf(stderr, "cannot read %s\n", shot);
    return 1;
  }
  // Rows and columns of the picture hold many silver pixels, though lines cut their runs.
  std::vector<int> per_column(static_cast<std::size_t>(image.width()), 0);
  int top = -1, left = -1;
  int best_length = 0, best_x = -1, best_y = -1;
  for (int y = 0; y < image.height(); ++y) {
    int silver = 0, red = 0;
    for (int x = 0; x < image.width(); ++x) {
      const QRgb pixel = image.pixel(x, y);
      if (pixel == kSilver) {
        ++silver;
        ++per_column[static_cast<std::size_t>(x)];
      }
      red = pixel == kRed ? red + 1 : 0;
      if (red > best_length) {
        best_length = red;
        best_x = x - red + 1 + red / 2;
        best_y = y;
      }
    }
    if (top < 0 && silver >= 200) top = y;
  }
  for (int x = 0; x < image.width() && left < 0; ++x)
    if (per_column[static_cast<std::size_t>(x)] >= 200) left = x;
  // A bar of 2h pixels from x−h to x+h−1 has its middle at x; the cross's h is 30.
  const int found_x = best_x - left, found_y = best_y - top;
  const double scale = found_x / x0;
  const int view_y = static_cast<int>(y0 * scale);
  std::printf(
      "picture at (%d, %d); longest red bar %d pixels at view (%d, %d); scale %.4f puts y0 at "
      "%d\n",
      left, top, best_length, found_x, found_y, scale, view_y);
  const bool ok = best_length >= 60 && scale <= 2.0 / 3 + 0.01 && std::abs(found_y - view_y) <= 1;
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QGuiApplication application(argc, argv);
  if (argc == 3 && std::string_view(argv[1]) == "shot") return Shot(argv[2]);
  if (argc == 2 && std::string_view(argv[1]) == "clipboard") {
    std::fputs(QGuiApplication::clipboard()->text().toUtf8().constData(), stdout);
    return 0;
  }
  if (argc == 5 && std::string_view(argv[1]) == "cross")
    return Cross(argv[2], std::atof(argv[3]), std::atof(argv[4]));
  std::fprintf(stderr,
               "usage: e2e_probe shot OUT.png | cross SHOT.png X0 Y0 | clipboard\n");
  return 2;
}
