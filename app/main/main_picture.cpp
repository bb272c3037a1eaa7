// The main window's picture of the image plane: its scale fitted to the points loaded, the
// marks, and the zoom and pan that draw them anew.
#include <algorithm>
#include <cmath>
#include <utility>

#include "app/main/mpkalibr.h"
#include "data/coordinate_file.h"

namespace {

constexpr int kMarkHalfLength = 10;
constexpr int kResultHalfLength = 30;
constexpr zirt::Color kResultEdge = 0xFFFFFF;
constexpr double kMaxZoom = 32;
constexpr double kZoomPerNotch = 1.25;

}  // namespace

void TMPForm::FitPictureToPoints() {
  double max_x = 0, max_y = 0;
  for (std::size_t k = 0; k < calibration_.Images.Length(); ++k) {
    const zirt::VT_Points& set = calibration_.Images[static_cast<std::ptrdiff_t>(k)];
    for (int i = 0; i < set.Count(); ++i) {
      // std::max keeps the extent when a coordinate is NaN.
      max_x = std::max(max_x, set.Get(i)->X);
      max_y = std::max(max_y, set.Get(i)->Y);
    }
  }
  fit_scale_ = bitmap_.FitScale(max_x, max_y, kMarkHalfLength);
  zoom_ = 1;
  bitmap_.SetScale(fit_scale_);
  bitmap_.SetOrigin(0, 0);
}

void TMPForm::DrawMarks() {
  for (std::size_t k = 0; k < calibration_.Images.Length(); ++k) {
    const zirt::Color colour = Palette[k % Palette.size()];
    const zirt::VT_Points& set = calibration_.Images[static_cast<std::ptrdiff_t>(k)];
    for (int i = 0; i < set.Count(); ++i) {
      const zirt::VT_Point* point = set.Get(i);
      if (zirt::NotSeen(*point)) continue;
      bitmap_.DrawCross(colour, kMarkHalfLength, bitmap_.ToPixelX(point->X),
                        bitmap_.ToPixelY(point->Y));
    }
  }
}

void TMPForm::DrawResult() {
  const int x = bitmap_.ToPixelX(calibration_.PrincipalX);
  const int y = bitmap_.ToPixelY(calibration_.PrincipalY);
  // A white edge on each side, so that the cross stands out over marks of any colour however
  // many lie under it (a red image's crosses hid it).
  for (const auto& [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
    bitmap_.DrawCross(kResultEdge, kResultHalfLength + 1, x + dx, y + dy);
  DrawCross(zirt::kResultColour, kResultHalfLength, x, y);
  result_drawn_ = true;
}

void TMPForm::ZoomPicture(double notches, QPointF at) {
  if (calibration_.Images.Empty()) return;
  const double zoom = std::clamp(zoom_ * std::pow(kZoomPerNotch, notches), 1.0, kMaxZoom);
  if (zoom == zoom_) return;
  // The image point under the cursor stays there.
  const zirt::Ext x = bitmap_.OriginX() + at.x() / bitmap_.Scale();
  const zirt::Ext y = bitmap_.OriginY() + at.y() / bitmap_.Scale();
  zoom_ = zoom;
  bitmap_.SetScale(fit_scale_ * zoom_);
  bitmap_.SetOrigin(x - at.x() / bitmap_.Scale(), y - at.y() / bitmap_.Scale());
  RedrawPicture();
}

void TMPForm::PanPicture(QPointF by) {
  if (calibration_.Images.Empty() || zoom_ == 1) return;
  bitmap_.SetOrigin(bitmap_.OriginX() - by.x() / bitmap_.Scale(),
                    bitmap_.OriginY() - by.y() / bitmap_.Scale());
  RedrawPicture();
}

void TMPForm::RedrawPicture() {
  if (zoom_ == 1) {
    // Whole again: exactly the fitted mapping, with no origin left over from rounding.
    bitmap_.SetScale(fit_scale_);
    bitmap_.SetOrigin(0, 0);
  } else {
    const zirt::Ext whole_x = bitmap_.Width() / fit_scale_, whole_y = bitmap_.Height() / fit_scale_;
    const zirt::Ext shown_x = bitmap_.Width() / bitmap_.Scale();
    const zirt::Ext shown_y = bitmap_.Height() / bitmap_.Scale();
    bitmap_.SetOrigin(std::clamp(bitmap_.OriginX(), zirt::Ext(0), whole_x - shown_x),
                      std::clamp(bitmap_.OriginY(), zirt::Ext(0), whole_y - shown_y));
  }
  bitmap_.Fill(zirt::kBackground);
  DrawMarks();
  if (lines_drawn_)
    for (int i = 0; i < calibration_.FittedLines.Count(); ++i)
      bitmap_.DrawLine(zirt::kLineColour, *calibration_.FittedLines.Get(i));
  if (result_drawn_) DrawResult();
  Image1->update();
}
