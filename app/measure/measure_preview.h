// The measured images shown one at a time with their numbered marks, so the user can check
// that every image found the pattern and numbered it the same way before files are written.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPointF>
#include <QStringList>
#include <QWidget>
#include <optional>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace zirt {

// One image, each point marked with a cross and its line number in the file beside it; the
// tracks of a scene measured without a target, too many to number, as a sample of marks, each
// with its path from the first image. Scaled to fit, it zooms with the wheel, + and - (0 fits
// again) about the place pointed at, and pans when dragged.
class MarkedImage : public QWidget {
  Q_OBJECT

 public:
  explicit MarkedImage(QWidget* parent);
  // Zooms by `factor` keeping the image's place under `at` (widget pixels) where it is; the
  // zoom stays between fitting the widget and kMaxZoom times that.
  void ZoomAt(double factor, QPointF at);
  void Fit();
  double Zoom() const { return zoom_; }  // 1 when the image fits the widget
  // Where a stored pixel's centre-based coordinates land in the widget now.
  QPointF ToWidget(QPointF point) const;
  static constexpr double kMaxZoom = 40;
  // `image` may be decoded smaller than the `stored` size the points refer to; `first` holds
  // the first image's points, for the tracks' paths.
  void Show(const QImage& image, QSize stored, const std::vector<QPointF>& points,
            const std::vector<QPointF>& first = {});
  // A board's corners not seen in this image where the others put them (NaN: nowhere),
  // drawn grey and unnumbered; set before Show.
  void SetUnseen(std::vector<QPointF> unseen) { unseen_ = std::move(unseen); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  double Scale() const;    // widget pixels per stored pixel
  QPointF Centre() const;  // the stored image's point at the widget's centre, kept inside
  void DrawTracks(QPainter& painter) const;
  void DrawNumbered(QPainter& painter) const;

  double zoom_ = 1;
  QPointF centre_;  // wanted, before Centre keeps it inside
  std::optional<QPointF> drag_from_;
  QPointF drag_centre_;
  QImage image_;
  QSize stored_;
  std::vector<QPointF> points_;
  std::vector<QPointF> first_;
  std::vector<QPointF> unseen_;
};

class MeasurePreview : public QDialog {
  Q_OBJECT

 public:
  // points[k] are image k's points, (0, 0) at the centre of the top-left pixel.
  // `found_size`, when not empty, is the chessboard's size found in the first image.
  // targets[k] is the coordinate file image k will be written to, empty when none is.
  MeasurePreview(const QStringList& images, std::vector<std::vector<QPointF>> points,
                 const QString& found_size, const QStringList& targets, QWidget* parent);

  QListWidget* Images = nullptr;
  MarkedImage* Picture = nullptr;
  QPushButton* Accept = nullptr;
  QPushButton* FitButton = nullptr;
  QLabel* Note = nullptr;
  QLabel* Output = nullptr;  // the folder and the names of the files to be written

 private:
  void ShowImage(int row);

  QStringList paths_;
  std::vector<std::vector<QPointF>> points_;
};

}  // namespace zirt
