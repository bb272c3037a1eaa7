// A panel that places its controls by design coordinates and anchors, the way the window
// was laid out: a control keeps its distance to each anchored side, stretches between two
// opposite anchored sides, and keeps its relative place along a direction without anchors.
#pragma once

#include <QFrame>
#include <vector>

namespace zirt {

class DesignPanel : public QFrame {
  Q_OBJECT

 public:
  enum Anchor { kLeft = 1, kTop = 2, kRight = 4, kBottom = 8 };

  // `design_size` is the panel's own size in the design, before scaling.
  DesignPanel(double scale, QSize design_size, QWidget* parent = nullptr);

  // Places `child` (made a child of this panel) at `design` (design pixels).
  void Place(QWidget* child, QRect design, int anchors);

  // Lays the controls out for the panel's current size; runs on every resize.
  void Arrange();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  struct Item {
    QWidget* widget;
    QRect design;
    int anchors;
  };

  double scale_;
  QSize design_size_;
  std::vector<Item> items_;
};

}  // namespace zirt
