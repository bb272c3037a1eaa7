// The picture of the image plane: a bitmap of fixed size with the marks drawn on it, and a
// widget that shows a picture stretched to its own size.
#pragma once

#include <QImage>
#include <QWidget>
#include <functional>

#include "data/data_structures.h"
#include "data/extended.h"

namespace zirt {

// 0x00BBGGRR as Qt's 0xAARRGGBB, opaque.
QRgb ToQRgb(Color colour);
// An opaque Qt colour as 0x00BBGGRR.
Color FromQRgb(QRgb rgb);

// The bitmap the marks are drawn on. Pixels are written straight into the image: a load of
// a large set draws millions of crosses, far too many for QPainter.
class ViewBitmap {
 public:
  ViewBitmap() = default;
  explicit ViewBitmap(QSize size);

  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }
  const QImage& Image() const { return image_; }

  // The pixel as 0x00BBGGRR; the point must lie inside.
  Color Pixel(int x, int y) const;

  // Image pixels to bitmap pixels: TruncToInt((value − origin) × scale), in extended
  // precision. The scale is 2/3 unless points reach beyond the bitmap at 2/3 (FitScale); the
  // origin, the image point at the bitmap's corner, is (0, 0) unless the view is zoomed.
  Ext Scale() const { return scale_; }
  void SetScale(Ext scale) { scale_ = scale; }
  Ext OriginX() const { return origin_x_; }
  Ext OriginY() const { return origin_y_; }
  void SetOrigin(Ext x, Ext y) {
    origin_x_ = x;
    origin_y_ = y;
  }
  int ToPixelX(double value) const;
  int ToPixelY(double value) const;
  // 2/3 when image points up to (max_x, max_y) fit the bitmap with a cross of half-length
  // `margin` around them, else the largest scale at which they do.
  Ext FitScale(double max_x, double max_y, int margin) const;

  void Fill(Color colour);

  // An upright cross centred on (x, y): the bars run from centre − h to centre + h with the
  // end point left out, so they cover x−h … x+h−1 and y−h … y+h−1.
  void DrawCross(Color colour, int h, int x, int y);

  // A fitted line (X = slope, Y = intercept) from image x 0 to image x 1000, mapped to the
  // view.
  void DrawLine(Color colour, const VT_Point& line);

  // A straight segment that paints its start and not its end; what falls outside is clipped.
  void DrawSegment(Color colour, int x0, int y0, int x1, int y1);

 private:
  // Row y from x0 towards x1, x1 left out.
  void HorizontalRun(QRgb rgb, long long x0, long long x1, long long y);
  // Column x from y0 towards y1, y1 left out.
  void VerticalRun(QRgb rgb, long long x, long long y0, long long y1);

  QImage image_;
  Ext scale_ = kTwoThirds;
  Ext origin_x_ = 0;
  Ext origin_y_ = 0;
};

// `source` at `size` for marks on a plain background: where the size is larger, pixels are
// repeated; where smaller, a shown pixel takes the colour of any pixel it covers that is not
// `background`, so one-pixel lines stay whole.
QImage ReduceKeepingMarks(const QImage& source, QSize size, QRgb background);

// Shows a picture it does not own, stretched to the widget without smoothing, so each
// bitmap pixel stays a sharp block when the window grows. The wheel and a drag are passed on
// to whoever draws the picture, in the picture's pixels.
class StretchedImage : public QWidget {
  Q_OBJECT

 public:
  explicit StretchedImage(QWidget* parent = nullptr) : QWidget(parent) {}

  // The picture must outlive the widget or be replaced first; null shows nothing.
  void SetSource(const QImage* source);
  const QImage* Source() const { return source_; }
  // A picture of marks on this background colour keeps its marks when shown smaller.
  void SetMarksBackground(QRgb background);
  // Called once, after the widget's first paint.
  std::function<void()> on_first_paint;
  // The wheel turned by `notches` (positive away from the user) over picture pixel `at`.
  std::function<void(double notches, QPointF at)> on_wheel;
  // A drag with the left button moved by `by` picture pixels.
  std::function<void(QPointF by)> on_drag;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // Widget pixels to the picture's.
  QPointF ToSource(QPointF widget) const;

  const QImage* source_ = nullptr;
  QPointF drag_from_;
  bool keep_marks_ = false;
  QRgb background_ = 0;
};

}  // namespace zirt
