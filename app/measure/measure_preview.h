// The measured images shown one at a time with their numbered marks, so the user can check
// that every image found the pattern and numbered it the same way before files are written.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPointF>
#include <QStringList>
#include <QWidget>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;

namespace zirt {

// One image scaled to fit, each point marked with a cross and its line number in the file; the
// tracks of a scene measured without a target, too many to number, as a sample of marks, each
// with its path from the first image.
class MarkedImage : public QWidget {
  Q_OBJECT

 public:
  explicit MarkedImage(QWidget* parent);
  // `image` may be decoded smaller than the `stored` size the points refer to; `first` holds
  // the first image's points, for the tracks' paths.
  void Show(const QImage& image, QSize stored, const std::vector<QPointF>& points,
            const std::vector<QPointF>& first = {});
  // A board's corners not seen in this image where the others put them (NaN: nowhere),
  // drawn grey and unnumbered; set before Show.
  void SetUnseen(std::vector<QPointF> unseen) { unseen_ = std::move(unseen); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
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
  MeasurePreview(const QStringList& images, std::vector<std::vector<QPointF>> points,
                 const QString& found_size, QWidget* parent);

  QListWidget* Images = nullptr;
  MarkedImage* Picture = nullptr;
  QPushButton* Accept = nullptr;
  QLabel* Note = nullptr;

 private:
  void ShowImage(int row);

  QStringList paths_;
  std::vector<std::vector<QPointF>> points_;
};

}  // namespace zirt
