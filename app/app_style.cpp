#include "app/app_style.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QProxyStyle>

namespace zirt {
namespace {

// Two chevrons pointing right (horizontal) or down.
QPixmap DrawExtensionArrow(int size, bool horizontal, const QColor& colour) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(colour, size / 10.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const double s = size / 16.0;
  for (const double offset : {4.0, 9.0}) {
    const QPointF points[] = {{offset * s, 4 * s}, {(offset + 3) * s, 8 * s}, {offset * s, 12 * s}};
    if (horizontal) {
      painter.drawPolyline(points, 3);
    } else {
      const QPointF turned[] = {{points[0].y(), points[0].x()},
                                {points[1].y(), points[1].x()},
                                {points[2].y(), points[2].x()}};
      painter.drawPolyline(turned, 3);
    }
  }
  return pixmap;
}

class ApplicationStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  QIcon standardIcon(StandardPixmap which, const QStyleOption* option,
                     const QWidget* widget) const override {
    if (which != SP_ToolBarHorizontalExtensionButton && which != SP_ToolBarVerticalExtensionButton)
      return QProxyStyle::standardIcon(which, option, widget);
    const QColor colour = QApplication::palette().color(QPalette::ButtonText);
    QIcon icon;
    for (const int size : {16, 32})
      icon.addPixmap(
          DrawExtensionArrow(size, which == SP_ToolBarHorizontalExtensionButton, colour));
    return icon;
  }
};

}  // namespace

void InstallApplicationStyle() {
  // The style chosen so far (by -style, QT_STYLE_OVERRIDE or the platform) stays underneath.
  QApplication::setStyle(new ApplicationStyle(QApplication::style()->name()));
}

}  // namespace zirt
