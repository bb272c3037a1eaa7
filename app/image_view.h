// The picture of the image plane: a bitmap of fixed size with the marks drawn on it, and a
// widget that shows a picture stretched to its own size.
#pragma once

#include <QImage>
#include <QWidget>

#include "data/data_structures.h"

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
};

// `source` at `size` for marks on a plain background: where the size is larger, pixels are
// repeated; where smaller, a shown pixel takes the colour of any pixel it covers that is not
// `background`, so one-pixel lines stay whole.
QImage ReduceKeepingMarks(const QImage& source, QSize size, QRgb background);

// Shows a picture it does not own, stretched to the widget without smoothing, so each
// bitmap pixel stays a sharp block when the window grows.
class StretchedImage : public QWidget {
  Q_OBJECT

 public:
  explicit StretchedImage(QWidget* parent = nullptr) : QWidget(parent) {}

  // The picture must outlive the widget or be replaced first; null shows nothing.
  void SetSource(const QImage* source);
  const QImage* Source() const { return source_; }
  // A picture of marks on this background colour keeps its marks when shown smaller.
  void SetMarksBackground(QRgb background);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QImage* source_ = nullptr;
  bool keep_marks_ = false;
  QRgb background_ = 0;
};

}  // namespace zirt
