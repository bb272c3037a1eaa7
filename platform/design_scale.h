// Window designs are given in pixels at 120 pixels per inch; these scale them to the screen.
#pragma once

#include <cmath>

#include <QWidget>

namespace zirt {

inline constexpr double kDesignDpi = 120.0;

// Screen pixels per design pixel for the screen the widget is on.
inline double DesignScaleOf(const QWidget& widget) {
  return widget.logicalDpiX() / kDesignDpi;
}

// A design length in screen pixels.
inline int ScaleDesign(int design, double scale) {
  return static_cast<int>(std::lround(design * scale));
}

}  // namespace zirt
