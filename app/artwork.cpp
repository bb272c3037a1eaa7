#include "app/artwork.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

#include "app/jpeg_image.h"

// The resources live in a static library; without this reference the linker drops them.
static void InitResources() {
  Q_INIT_RESOURCE(resources);
}

namespace zirt {

namespace {

QPixmap DrawIcon(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const double s = size / 32.0;
  // The image plane: a light frame.
  painter.setPen(QPen(QColor(40, 40, 60), 1.5 * s));
  painter.setBrush(QColor(192, 192, 192));
  painter.drawRoundedRect(QRectF(1.5 * s, 4.5 * s, 29 * s, 23 * s), 2 * s, 2 * s);
  // Lines of reference points running towards the principal point.
  const QPointF centre(17 * s, 15 * s);
  painter.setPen(QPen(QColor(0, 0, 0), 1.2 * s));
  const QPointF starts[] = {{3 * s, 6 * s}, {29 * s, 7 * s}, {4 * s, 26 * s}, {28 * s, 26 * s}};
  for (const QPointF& start : starts) painter.drawLine(start, centre);
  // Marks of three images along the lines.
  const QColor marks[] = {QColor(255, 0, 0), QColor(0, 128, 0), QColor(0, 0, 255)};
  for (int k = 0; k < 3; ++k) {
    painter.setPen(QPen(marks[k], 1.4 * s));
    for (const QPointF& start : starts) {
      const QPointF p = start + (centre - start) * (0.2 + 0.22 * k);
      painter.drawLine(p - QPointF(2 * s, 0), p + QPointF(2 * s, 0));
      painter.drawLine(p - QPointF(0, 2 * s), p + QPointF(0, 2 * s));
    }
  }
  painter.setPen(QPen(QColor(220, 0, 0), 2.4 * s));
  painter.drawLine(centre - QPointF(6 * s, 0), centre + QPointF(6 * s, 0));
  painter.drawLine(centre - QPointF(0, 6 * s), centre + QPointF(0, 6 * s));
  return pixmap;
}

}  // namespace

QIcon MakeWindowIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64}) icon.addPixmap(DrawIcon(size));
  return icon;
}

QImage LoadPreviewPicture(QSize at_least) {
  InitResources();
  QFile file(QStringLiteral(":/zirt/preview.jpg"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return DecodeJpeg(file.readAll(), at_least);
}

}  // namespace zirt
