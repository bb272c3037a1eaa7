// Draws the picture that covers the image view until the first load: an image plane with
// the tracks of reference points converging on the principal point. Writes a JPEG of
// 1018 × 717 pixels to the path given.
//
//   QT_QPA_PLATFORM=offscreen zirt_make_preview app/resources/preview.jpg
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace {

constexpr int kWidth = 1018;
constexpr int kHeight = 717;

void Cross(QPainter& painter, QPointF centre, double half, const QColor& colour, double width) {
  painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(centre - QPointF(half, 0), centre + QPointF(half, 0));
  painter.drawLine(centre - QPointF(0, half), centre + QPointF(0, half));
}

// The sensor: a silver plane with a fine measuring grid and corner marks.
void DrawSensor(QPainter& painter, const QRectF& plane) {
  QRadialGradient glow(plane.center(), 560);
  glow.setColorAt(0, QColor(214, 214, 210));
  glow.setColorAt(1, QColor(168, 170, 172));
  painter.setPen(Qt::NoPen);
  painter.setBrush(glow);
  painter.drawRoundedRect(plane, 6, 6);
  painter.setPen(QPen(QColor(150, 152, 156), 1));
  for (double x = plane.left() + 30; x < plane.right(); x += 30)
    painter.drawLine(QPointF(x, plane.top() + 1), QPointF(x, plane.bottom() - 1));
  for (double y = plane.top() + 30; y < plane.bottom(); y += 30)
    painter.drawLine(QPointF(plane.left() + 1, y), QPointF(plane.right() - 1, y));
  painter.setPen(QPen(QColor(40, 44, 56), 4));
  const double corner = 36;
  for (const QPointF& c :
       {plane.topLeft(), plane.topRight(), plane.bottomLeft(), plane.bottomRight()}) {
    const double sx = c.x() < plane.center().x() ? 1 : -1;
    const double sy = c.y() < plane.center().y() ? 1 : -1;
    const QPointF inner = c + QPointF(12 * sx, 12 * sy);
    painter.drawLine(inner, inner + QPointF(corner * sx, 0));
    painter.drawLine(inner, inner + QPointF(0, corner * sy));
  }
}

// Tracks of reference points across three images, all aimed at one point, and that point.
void DrawTracks(QPainter& painter, QPointF principal) {
  const QColor marks[] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255),
                          QColor(0, 160, 160)};
  const int kTracks = 14;
  for (int t = 0; t < kTracks; ++t) {
    const double angle = 2 * M_PI * (t + 0.35) / kTracks;
    const double reach = 250 + 70 * std::sin(3.1 * t);
    const QPointF far =
        principal + QPointF(std::cos(angle) * reach * 1.45, std::sin(angle) * reach);
    painter.setPen(QPen(QColor(20, 20, 24), 1.6));
    painter.drawLine(principal + (far - principal) * 0.12, far);
    for (int k = 0; k < 4; ++k) {
      const QPointF p = principal + (far - principal) * (0.34 + 0.2 * k + 0.03 * std::cos(t + k));
      Cross(painter, p, 8, marks[k], 2.2);
    }
  }
  Cross(painter, principal, 26, QColor(230, 0, 0), 4);
  painter.setPen(QPen(QColor(230, 0, 0), 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawEllipse(principal, 14, 14);
  QFont label_font(QStringLiteral("DejaVu Sans"));
  label_font.setPixelSize(20);
  label_font.setItalic(true);
  painter.setFont(label_font);
  painter.setPen(QColor(150, 0, 0));
  painter.drawText(principal + QPointF(22, -22), QStringLiteral("x0, y0"));
}

void DrawTitle(QPainter& painter, const QRectF& band) {
  QFont title(QStringLiteral("DejaVu Sans"));
  title.setPixelSize(32);
  title.setBold(true);
  painter.setFont(title);
  painter.setPen(QColor(236, 238, 242));
  painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("ZIRT"));
  QFont subtitle(QStringLiteral("DejaVu Sans"));
  subtitle.setPixelSize(20);
  painter.setFont(subtitle);
  painter.setPen(QColor(190, 200, 214));
  painter.drawText(band.adjusted(100, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Калибровка главной точки"));
  painter.drawText(band, Qt::AlignRight | Qt::AlignVCenter,
                   QStringLiteral("Загрузите файлы координат *.crd"));
}

QImage Draw() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, kHeight);
  sky.setColorAt(0, QColor(38, 52, 74));
  sky.setColorAt(1, QColor(14, 20, 32));
  painter.fillRect(image.rect(), sky);
  DrawSensor(painter, QRectF(60, 48, 898, 600));
  DrawTracks(painter, QPointF(541, 330));
  DrawTitle(painter, QRectF(60, 660, 898, 46));
  painter.end();
  return image;
}

bool WriteJpeg(const QImage& image, const char* path) {
  FILE* file = std::fopen(path, "wb");
  if (file == nullptr) return false;
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(image.width());
  info.image_height = static_cast<JDIMENSION>(image.height());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 88, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<std::size_t>(image.width()) * 3);
  while (info.next_scanline < info.image_height) {
    const QRgb* in =
        reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(info.next_scanline)));
    for (int x = 0; x < image.width(); ++x) {
      row[3 * x] = static_cast<unsigned char>(qRed(in[x]));
      row[3 * x + 1] = static_cast<unsigned char>(qGreen(in[x]));
      row[3 * x + 2] = static_cast<unsigned char>(qBlue(in[x]));
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return std::fclose(file) == 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
    return 2;
  }
  QGuiApplication application(argc, argv);
  if (!WriteJpeg(Draw(), argv[1])) {
    std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
