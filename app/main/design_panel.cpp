#include "app/main/design_panel.h"

#include <QResizeEvent>
#include <algorithm>
#include <cmath>

namespace zirt {

namespace {

// One direction: start and length of a control inside a parent of `size`, from its design
// start and length inside a parent of `design_size` (all already scaled).
void Fit(double start, double length, double design_size, double size, bool near_anchor,
         bool far_anchor, int& out_start, int& out_length) {
  double new_start = start;
  double new_length = length;
  if (near_anchor && far_anchor) {
    new_length = length + (size - design_size);
  } else if (far_anchor) {
    new_start = start + (size - design_size);
  } else if (!near_anchor && design_size > 0) {
    new_start = (start + length / 2) * size / design_size - length / 2;
  }
  out_start = static_cast<int>(std::lround(new_start));
  out_length = std::max(0, static_cast<int>(std::lround(new_length)));
}

}  // namespace

DesignPanel::DesignPanel(double scale, QSize design_size, QWidget* parent)
    : QFrame(parent), scale_(scale), design_size_(design_size) {}

void DesignPanel::Place(QWidget* child, QRect design, int anchors) {
  child->setParent(this);
  items_.push_back({child, design, anchors});
  Arrange();
}

void DesignPanel::Arrange() {
  const double design_width = design_size_.width() * scale_;
  const double design_height = design_size_.height() * scale_;
  for (const Item& item : items_) {
    int x, w, y, h;
    Fit(item.design.x() * scale_, item.design.width() * scale_, design_width, width(),
        item.anchors & kLeft, item.anchors & kRight, x, w);
    Fit(item.design.y() * scale_, item.design.height() * scale_, design_height, height(),
        item.anchors & kTop, item.anchors & kBottom, y, h);
    item.widget->setGeometry(x, y, w, h);
  }
}

void DesignPanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  Arrange();
}

}  // namespace zirt
