#include "editor/glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace zirt {
namespace {

// Everything is drawn on a 16 × 16 design square.
constexpr double kDesign = 16.0;

const QColor kInk(40, 40, 60);
const QColor kPaper(255, 255, 255);
const QColor kHighlight(255, 236, 150);
const QColor kGreen(0, 140, 0);
const QColor kRed(200, 0, 0);

// A small table of four rows; `marked` (0-3, or -1) is drawn highlighted.
void DrawTable(QPainter& p, int marked, int rows = 4) {
  const QRectF frame(1.5, 2.5, 10, 11);
  p.setPen(QPen(kInk, 1));
  p.setBrush(kPaper);
  p.drawRect(frame);
  const double height = frame.height() / 4;
  if (marked >= 0) {
    p.fillRect(QRectF(frame.left() + 0.5, frame.top() + marked * height + 0.5, frame.width() - 1,
                      height - 0.5),
               kHighlight);
  }
  for (int r = 1; r < rows; ++r) {
    const double y = frame.top() + r * height;
    p.drawLine(QPointF(frame.left(), y), QPointF(frame.right(), y));
  }
  p.drawLine(QPointF(4.5, frame.top()), QPointF(4.5, frame.top() + rows * height));
}

void DrawPlus(QPainter& p, QPointF centre) {
  p.setPen(QPen(kGreen, 2, Qt::SolidLine, Qt::FlatCap));
  p.drawLine(centre - QPointF(2.5, 0), centre + QPointF(2.5, 0));
  p.drawLine(centre - QPointF(0, 2.5), centre + QPointF(0, 2.5));
}

void DrawCross(QPainter& p, QPointF centre) {
  p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(centre - QPointF(2.2, 2.2), centre + QPointF(2.2, 2.2));
  p.drawLine(centre - QPointF(2.2, -2.2), centre + QPointF(2.2, -2.2));
}

void DrawSave(QPainter& p) {
  // A diskette: body, shutter and label.
  QPainterPath body;
  body.moveTo(1.5, 1.5);
  body.lineTo(12.5, 1.5);
  body.lineTo(14.5, 3.5);
  body.lineTo(14.5, 14.5);
  body.lineTo(1.5, 14.5);
  body.closeSubpath();
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(40, 80, 170));
  p.drawPath(body);
  p.setBrush(QColor(200, 200, 210));
  p.drawRect(QRectF(4.5, 1.5, 7, 4));
  p.fillRect(QRectF(9, 2.5, 1.5, 2.5), kInk);
  p.setBrush(kPaper);
  p.drawRect(QRectF(3.5, 8.5, 9, 6));
}

void DrawClear(QPainter& p) {
  // An empty table swept by an eraser.
  DrawTable(p, -1, 1);
  p.save();
  p.translate(11, 10.5);
  p.rotate(-40);
  p.setPen(QPen(kInk, 1));
  p.setBrush(QColor(240, 150, 170));
  p.drawRect(QRectF(-4, -2, 6, 4));
  p.setBrush(QColor(90, 130, 220));
  p.drawRect(QRectF(2, -2, 3, 4));
  p.restore();
}

QPixmap Draw(Glyph glyph, int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.scale(size / kDesign, size / kDesign);
  switch (glyph) {
    case Glyph::kSave:
      DrawSave(p);
      break;
    case Glyph::kInsertRow:
      DrawTable(p, 1);
      DrawPlus(p, QPointF(13, 6.5));
      break;
    case Glyph::kAppendRow:
      DrawTable(p, 3);
      DrawPlus(p, QPointF(13, 12));
      break;
    case Glyph::kDeleteRow:
      DrawTable(p, 1);
      DrawCross(p, QPointF(13, 6.5));
      break;
    case Glyph::kClearRows:
      DrawClear(p);
      break;
  }
  return pixmap;
}

}  // namespace

QIcon MakeGlyph(Glyph glyph) {
  QIcon icon;
  for (int size : {16, 20, 24, 32, 48}) icon.addPixmap(Draw(glyph, size));
  return icon;
}

}  // namespace zirt
