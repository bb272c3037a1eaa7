#include "report/overview_marks.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <algorithm>

#include "calib/calibration.h"

namespace zirt {
namespace {

// 0x00BBGGRR, as the main window keeps its colours.
QColor FromBgr(Color colour) {
  return QColor(int(colour & 0xFF), int((colour >> 8) & 0xFF), int((colour >> 16) & 0xFF));
}

constexpr double kSymbolWidth = 22;  // screen pixels before a legend line's text
constexpr double kPad = 4;

}  // namespace

QColor ImageColour(std::size_t image) {
  return FromBgr(kPalette[image % kPalette.size()]);
}

QColor PictureBackground() {
  return FromBgr(kBackground);
}

QColor MarkColour(Mark mark) {
  switch (mark) {
    case Mark::kReportPoint:
      return FromBgr(kResultColour);
    case Mark::kRefinedPoint:
    case Mark::kEllipse:
      return QColor(0, 0, 160);
    case Mark::kRobustPoint:
      return QColor(140, 0, 200);
    case Mark::kSetAside:
      return QColor(220, 0, 0);
    case Mark::kTrack:
      return QColor(0, 0, 0, 60);
    case Mark::kStepPath:
      return QColor(0, 140, 0);
    default:
      return Qt::black;
  }
}

void DrawMark(QPainter& painter, Mark mark, QPointF at, double scale, QColor colour) {
  const auto pen = [&](double width) {
    painter.setPen(QPen(mark == Mark::kImage ? colour : MarkColour(mark), width * scale));
    painter.setBrush(Qt::NoBrush);
  };
  const auto cross = [&](double h) {
    painter.drawLine(at - QPointF(h, 0), at + QPointF(h, 0));
    painter.drawLine(at - QPointF(0, h), at + QPointF(0, h));
  };
  const double s = scale;
  switch (mark) {
    case Mark::kImage:
      pen(1.2);
      cross(3 * s);
      break;
    case Mark::kReportPoint:
      pen(2);
      cross(8 * s);
      break;
    case Mark::kRefinedPoint:
      pen(2);
      painter.drawLine(at - QPointF(6 * s, 6 * s), at + QPointF(6 * s, 6 * s));
      painter.drawLine(at - QPointF(6 * s, -6 * s), at + QPointF(6 * s, -6 * s));
      break;
    case Mark::kRobustPoint:
      pen(2);
      painter.drawPolygon(QPolygonF({at - QPointF(7 * s, 0), at - QPointF(0, 7 * s),
                                     at + QPointF(7 * s, 0), at + QPointF(0, 7 * s)}));
      break;
    case Mark::kSetAside:
      pen(1.5);
      painter.drawEllipse(at, 7 * s, 7 * s);
      break;
    case Mark::kEllipse:
      pen(2);
      painter.drawEllipse(at, 9 * s, 5 * s);
      break;
    case Mark::kTrack:
      // Opaque: the picture's faint lines darken where they crowd, a lone sample would not show.
      painter.setPen(QPen(QColor(115, 115, 115), s));
      painter.drawLine(at - QPointF(9 * s, 0), at + QPointF(9 * s, 0));
      break;
    case Mark::kStepPath:
      pen(1.5);
      painter.drawLine(at - QPointF(9 * s, 0), at + QPointF(9 * s, 0));
      painter.setBrush(MarkColour(mark));
      painter.drawEllipse(at - QPointF(9 * s, 0), 3 * s, 3 * s);
      break;
    case Mark::kNone:
      break;
  }
}

QString MarkName(Mark mark) {
  switch (mark) {
    case Mark::kReportPoint:
      return QCoreApplication::translate("OverviewMarks", "Точка отчёта");
    case Mark::kRefinedPoint:
      return QCoreApplication::translate("OverviewMarks", "Уточнённая точка");
    case Mark::kRobustPoint:
      return QCoreApplication::translate("OverviewMarks", "Устойчивая точка");
    case Mark::kSetAside:
      return QCoreApplication::translate("OverviewMarks", "Измерение, отбракованное как грубое");
    case Mark::kStepPath:
      return QCoreApplication::translate("OverviewMarks", "Центры шагов зума; точка — первый шаг");
    default:
      return {};
  }
}

std::vector<LegendItem> ImageLegend(const std::vector<QString>& files, std::size_t limit) {
  std::vector<LegendItem> items;
  for (std::size_t k = 0; k < std::min(limit, files.size()); ++k)
    items.push_back(
        {Mark::kImage, QStringLiteral("%1. %2").arg(k + 1).arg(files[k]), ImageColour(k)});
  if (files.size() > limit)
    items.push_back(
        {Mark::kNone, QCoreApplication::translate("OverviewMarks",
                                                  "… и ещё снимков: %1 (цвета повторяются "
                                                  "через каждые %2)")
                          .arg(files.size() - limit)
                          .arg(kPalette.size())});
  return items;
}

namespace {

struct Layout {
  double column = 0;  // a column's width, symbol included
  std::vector<double> rows;
};

Layout Arrange(const QPainter& painter, const std::vector<LegendItem>& items, double width,
               int columns, double scale) {
  const QFontMetricsF metrics(painter.font(), painter.device());
  const double symbol = kSymbolWidth * scale, pad = kPad * scale;
  double widest = 0;
  for (const LegendItem& item : items)
    widest = std::max(widest, metrics.horizontalAdvance(item.text) + 1);
  Layout layout;
  layout.column = std::min((width - 2 * pad) / columns, symbol + widest + pad);
  const double text = std::max(1.0, layout.column - symbol - pad);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const double h = std::max(
        metrics.boundingRect(QRectF(0, 0, text, 1e9), Qt::TextWordWrap, items[i].text).height(),
        16 * scale);
    if (i % std::size_t(columns) == 0) layout.rows.push_back(0);
    layout.rows.back() = std::max(layout.rows.back(), h);
  }
  return layout;
}

}  // namespace

QSizeF LegendSize(const QPainter& painter, const std::vector<LegendItem>& items, double width,
                  int columns, double scale) {
  if (items.empty()) return {};
  const Layout layout = Arrange(painter, items, width, columns, scale);
  double height = 0;
  for (double h : layout.rows) height += h;
  const int used = int(std::min<std::size_t>(items.size(), std::size_t(columns)));
  return {layout.column * used + 2 * kPad * scale, height + 2 * kPad * scale};
}

void DrawLegend(QPainter& painter, QPointF top_left, const std::vector<LegendItem>& items,
                double width, int columns, double scale) {
  if (items.empty()) return;
  const Layout layout = Arrange(painter, items, width, columns, scale);
  const double symbol = kSymbolWidth * scale, pad = kPad * scale;
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.fillRect(QRectF(top_left, LegendSize(painter, items, width, columns, scale)),
                   QColor(255, 255, 255, 200));
  double y = top_left.y() + pad;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const std::size_t row = i / std::size_t(columns), column = i % std::size_t(columns);
    const double x = top_left.x() + pad + double(column) * layout.column;
    const double h = layout.rows[row];
    const QFontMetricsF metrics(painter.font(), painter.device());
    const QPointF at(x + symbol / 2, y + metrics.height() / 2);
    if (items[i].mark == Mark::kImage) {
      // A swatch reads better than a small cross; its edge shows the palette's pale colours.
      const double half = 5 * scale;
      painter.setPen(QPen(QColor(90, 90, 90), 0.8 * scale));
      painter.setBrush(items[i].colour);
      painter.drawRect(QRectF(at - QPointF(half, half), at + QPointF(half, half)));
    } else {
      DrawMark(painter, items[i].mark, at, scale * 0.8);
    }
    painter.setPen(Qt::black);
    painter.drawText(QRectF(x + symbol, y, layout.column - symbol - pad, h), Qt::TextWordWrap,
                     items[i].text);
    if (column + 1 == std::size_t(columns) || i + 1 == items.size()) y += h;
  }
  painter.restore();
}

}  // namespace zirt
