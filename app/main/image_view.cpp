#include "app/main/image_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <utility>
#include <vector>

#include "data/number_parse.h"

namespace zirt {

QRgb ToQRgb(Color colour) {
  return qRgb(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
              static_cast<int>((colour >> 16) & 0xFF));
}

Color FromQRgb(QRgb rgb) {
  return static_cast<Color>(qRed(rgb)) | (static_cast<Color>(qGreen(rgb)) << 8) |
         (static_cast<Color>(qBlue(rgb)) << 16);
}

ViewBitmap::ViewBitmap(QSize size) : image_(size, QImage::Format_RGB32) {
  Fill(0);
}

Color ViewBitmap::Pixel(int x, int y) const {
  return FromQRgb(image_.pixel(x, y));
}

int ViewBitmap::ToPixelX(double value) const {
  return TruncToInt((static_cast<Ext>(value) - origin_x_) * scale_);
}

int ViewBitmap::ToPixelY(double value) const {
  return TruncToInt((static_cast<Ext>(value) - origin_y_) * scale_);
}

Ext ViewBitmap::FitScale(double max_x, double max_y, int margin) const {
  const Ext room_x = static_cast<Ext>(Width() - 1 - margin);
  const Ext room_y = static_cast<Ext>(Height() - 1 - margin);
  Ext scale = kTwoThirds;
  // Points at 2/3 past the bitmap's edge; NaN and negative extents leave the scale alone.
  if (max_x * kTwoThirds >= Width() && room_x > 0) scale = std::min(scale, room_x / max_x);
  if (max_y * kTwoThirds >= Height() && room_y > 0) scale = std::min(scale, room_y / max_y);
  return scale;
}

void ViewBitmap::Fill(Color colour) {
  if (!image_.isNull()) image_.fill(ToQRgb(colour));
}

namespace {

// The pixels a run from a0 toward a1 paints (a0 … a1−1 going up, a1+1 … a0 going down) within
// 0 … size−1; false when none.
bool ClipRun(long long a0, long long a1, long long size, long long& first, long long& last) {
  if (a0 == a1) return false;
  first = std::max(a0 < a1 ? a0 : a1 + 1, 0LL);
  last = std::min(a0 < a1 ? a1 - 1 : a0, size - 1);
  return first <= last;
}

}  // namespace

void ViewBitmap::HorizontalRun(QRgb rgb, long long x0, long long x1, long long y) {
  long long first, last;
  if (y < 0 || y >= image_.height() || !ClipRun(x0, x1, image_.width(), first, last)) return;
  QRgb* row = reinterpret_cast<QRgb*>(image_.scanLine(static_cast<int>(y)));
  std::fill(row + first, row + last + 1, rgb);
}

void ViewBitmap::VerticalRun(QRgb rgb, long long x, long long y0, long long y1) {
  long long first, last;
  if (x < 0 || x >= image_.width() || !ClipRun(y0, y1, image_.height(), first, last)) return;
  uchar* bits = image_.bits();
  const qsizetype stride = image_.bytesPerLine();
  for (long long y = first; y <= last; ++y) reinterpret_cast<QRgb*>(bits + y * stride)[x] = rgb;
}

void ViewBitmap::DrawCross(Color colour, int h, int x, int y) {
  if (image_.isNull()) return;
  const QRgb rgb = ToQRgb(colour);
  // 64-bit ends: a centre near the int range must not wrap around onto the picture.
  const long long cx = x, cy = y, ch = h;
  HorizontalRun(rgb, cx - ch, cx + ch, cy);
  VerticalRun(rgb, cx, cy - ch, cy + ch);
}

void ViewBitmap::DrawLine(Color colour, const VT_Point& line) {
  const double y0 = 0.0 * line.X + line.Y;
  const double y1 = 1000.0 * line.X + line.Y;
  DrawSegment(colour, ToPixelX(0.0), ToPixelY(y0), ToPixelX(1000.0), ToPixelY(y1));
}

void ViewBitmap::DrawSegment(Color colour, int x0, int y0, int x1, int y1) {
  if (image_.isNull()) return;
  const QRgb rgb = ToQRgb(colour);
  const long long dx = static_cast<long long>(x1) - x0;
  const long long dy = static_cast<long long>(y1) - y0;
  const long long adx = dx < 0 ? -dx : dx;
  const long long ady = dy < 0 ? -dy : dy;
  const long long steps = std::max(adx, ady);  // Pixels painted: the end point is left out.
  if (steps == 0) return;

  // Bresenham, entered part-way: along the major axis the position moves one pixel a step,
  // and the minor offset at step i is i·dminor/steps rounded half up. Computing it exactly
  // for the first step on the picture lets the loop start and stop at the picture's edges,
  // so a line whose ends lie millions of pixels away (a nearly vertical fit) costs no more
  // than one that just crosses the picture.
  const bool x_major = adx >= ady;
  const long long major0 = x_major ? x0 : y0;
  const long long minor0 = x_major ? y0 : x0;
  const long long major_sign = (x_major ? dx : dy) < 0 ? -1 : 1;
  const long long minor_sign = (x_major ? dy : dx) < 0 ? -1 : 1;
  const long long minor_delta = x_major ? ady : adx;
  const long long major_size = x_major ? image_.width() : image_.height();

  // Steps whose major coordinate lies on the picture: 0 <= major0 + sign·i < major_size.
  long long first, last;
  if (major_sign > 0) {
    first = -major0;
    last = major_size - 1 - major0;
  } else {
    first = major0 - (major_size - 1);
    last = major0;
  }
  first = std::max(first, 0LL);
  last = std::min(last, steps - 1);

  if (first > last) return;

  // The minor offset at the first step, exactly; then the error term carries it along.
  const long long denominator = 2 * steps;
  const __int128 start = static_cast<__int128>(2) * first * minor_delta + steps;
  long long offset = static_cast<long long>(start / denominator);
  long long remainder = static_cast<long long>(start % denominator);
  const long long increment = 2 * minor_delta;  // At most `denominator`: one carry a step.

  uchar* const bits = image_.bits();
  const qsizetype stride = image_.bytesPerLine();
  const long long width = image_.width();
  const long long height = image_.height();
  for (long long i = first; i <= last; ++i) {
    const long long major = major0 + major_sign * i;
    const long long minor = minor0 + minor_sign * offset;
    const long long x = x_major ? major : minor;
    const long long y = x_major ? minor : major;
    if (x >= 0 && y >= 0 && x < width && y < height)
      reinterpret_cast<QRgb*>(bits + y * stride)[x] = rgb;
    remainder += increment;
    if (remainder >= denominator) {
      remainder -= denominator;
      ++offset;
    }
  }
}

void StretchedImage::SetSource(const QImage* source) {
  source_ = source;
  update();
}

void StretchedImage::SetMarksBackground(QRgb background) {
  keep_marks_ = true;
  background_ = background;
  update();
}

void StretchedImage::paintEvent(QPaintEvent*) {
  if (on_first_paint) std::exchange(on_first_paint, nullptr)();
  if (source_ == nullptr || source_->isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  const qreal ratio = devicePixelRatioF();
  const QSize shown(qRound(width() * ratio), qRound(height() * ratio));
  if (keep_marks_ && (shown.width() < source_->width() || shown.height() < source_->height())) {
    QImage reduced = ReduceKeepingMarks(*source_, shown, background_);
    reduced.setDevicePixelRatio(ratio);
    painter.drawImage(QPoint(0, 0), reduced);
    return;
  }
  painter.drawImage(rect(), *source_);
}

QPointF StretchedImage::ToSource(QPointF widget) const {
  if (source_ == nullptr || width() == 0 || height() == 0) return widget;
  return {widget.x() * source_->width() / width(), widget.y() * source_->height() / height()};
}

void StretchedImage::wheelEvent(QWheelEvent* event) {
  if (!on_wheel || event->angleDelta().y() == 0) return QWidget::wheelEvent(event);
  on_wheel(event->angleDelta().y() / 120.0, ToSource(event->position()));
  event->accept();
}

void StretchedImage::mousePressEvent(QMouseEvent* event) {
  drag_from_ = event->position();
  QWidget::mousePressEvent(event);
}

void StretchedImage::mouseMoveEvent(QMouseEvent* event) {
  if (!on_drag || !(event->buttons() & Qt::LeftButton)) return QWidget::mouseMoveEvent(event);
  const QPointF by = ToSource(event->position()) - ToSource(drag_from_);
  drag_from_ = event->position();
  on_drag(by);
}

QImage ReduceKeepingMarks(const QImage& source, QSize size, QRgb background) {
  if (size.isEmpty() || source.isNull()) return {};
  const QImage image =
      source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32
          ? source
          : source.convertToFormat(QImage::Format_RGB32);
  const int sw = image.width(), sh = image.height();
  const int dw = size.width(), dh = size.height();
  // Shown pixel d covers source pixels [d·s/dsize, (d+1)·s/dsize), at least one.
  const auto span = [](int d, int s, int n) {
    const int first = static_cast<int>(static_cast<long long>(d) * s / n);
    const int end = static_cast<int>(static_cast<long long>(d + 1) * s / n);
    return std::pair<int, int>(first, std::max(end, first + 1));
  };
  std::vector<std::pair<int, int>> columns(static_cast<std::size_t>(dw));
  for (int x = 0; x < dw; ++x) columns[static_cast<std::size_t>(x)] = span(x, sw, dw);
  const QRgb plain = background | 0xFF000000u;
  QImage reduced(size, QImage::Format_RGB32);
  for (int y = 0; y < dh; ++y) {
    auto* out = reinterpret_cast<QRgb*>(reduced.scanLine(y));
    std::fill(out, out + dw, plain);
    const auto [top, bottom] = span(y, sh, dh);
    for (int sy = top; sy < bottom; ++sy) {
      const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(sy));
      for (int x = 0; x < dw; ++x) {
        if (out[x] != plain) continue;
        const auto [left, right] = columns[static_cast<std::size_t>(x)];
        for (int sx = left; sx < right; ++sx)
          if ((in[sx] | 0xFF000000u) != plain) {
            out[x] = in[sx] | 0xFF000000u;
            break;
          }
      }
    }
  }
  return reduced;
}

}  // namespace zirt
