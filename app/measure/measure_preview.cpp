#include "app/measure/measure_preview.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "app/measure/unseen_marks.h"

namespace zirt {
namespace {

constexpr int kPreviewSide = 2000;

// Not seen in its image: a track that lives in other images of the sequence.
bool Seen(QPointF p) {
  return std::isfinite(p.x()) && std::isfinite(p.y());
}

// Above this many points the marks are a sample, unnumbered: numbers would cover the image.
constexpr std::size_t kNumbered = 200;

// A board seen in part (some image has points not seen, or none): each image's name with the
// count of its corners found, an image left out greyed. False when every image shows all.
bool BoardCounts(QListWidget& list, const std::vector<std::vector<QPointF>>& points) {
  bool board = false;
  for (const auto& image : points) {
    if (image.size() > kNumbered) return false;  // scene tracks, not corners
    board = board || image.empty();
    for (const QPointF& p : image) board = board || !std::isfinite(p.x());
  }
  if (!board) return false;
  for (int k = 0; k < list.count() && k < int(points.size()); ++k) {
    QListWidgetItem* item = list.item(k);
    const auto& image = points[std::size_t(k)];
    const auto seen = std::count_if(image.begin(), image.end(),
                                    [](const QPointF& p) { return std::isfinite(p.x()); });
    if (image.empty()) {
      item->setText(item->text() + QCoreApplication::translate("MeasurePreview", " — пропущен"));
      item->setForeground(QColor(150, 150, 150));
    } else {
      item->setText(item->text() +
                    QCoreApplication::translate("MeasurePreview", " — %1 углов").arg(seen));
    }
  }
  return true;
}

}  // namespace

MarkedImage::MarkedImage(QWidget* parent) : QWidget(parent) {
  setMinimumSize(480, 320);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void MarkedImage::Show(const QImage& image, QSize stored, const std::vector<QPointF>& points,
                       const std::vector<QPointF>& first) {
  image_ = image;
  stored_ = stored.isValid() ? stored : image.size();
  points_ = points;
  first_ = first;
  update();
}

void MarkedImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Dark));
  if (image_.isNull()) return;
  const double scale =
      std::min(double(width()) / stored_.width(), double(height()) / stored_.height());
  const QSizeF size(stored_.width() * scale, stored_.height() * scale);
  const QPointF origin((width() - size.width()) / 2, (height() - size.height()) / 2);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(QRectF(origin, size), image_);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font = painter.font();
  font.setBold(true);
  painter.setFont(font);
  const double arm = 6;
  if (points_.size() > kNumbered) {
    // The same tracks in every image: every n-th, each with its own colour.
    for (std::size_t j = 0; j < kNumbered; ++j) {
      const std::size_t k = j * points_.size() / kNumbered;
      if (!Seen(points_[k])) continue;
      const QPointF at = origin + (points_[k] + QPointF(0.5, 0.5)) * scale;
      const QColor colour = QColor::fromHsv(static_cast<int>(j * 360 / kNumbered), 230, 255);
      if (k < first_.size() && Seen(first_[k])) {
        painter.setPen(QPen(colour, 1.5));
        painter.drawLine(origin + (first_[k] + QPointF(0.5, 0.5)) * scale, at);
      }
      painter.setPen(QPen(Qt::black, 1));
      painter.setBrush(colour);
      painter.drawEllipse(at, 3.5, 3.5);
    }
    return;
  }
  painter.setPen(QPen(QColor(150, 150, 150), 2));
  for (const QPointF& p : unseen_) {
    if (!Seen(p)) continue;
    const QPointF at = origin + (p + QPointF(0.5, 0.5)) * scale;
    painter.drawLine(at - QPointF(arm, arm), at + QPointF(arm, arm));
    painter.drawLine(at - QPointF(arm, -arm), at + QPointF(arm, -arm));
  }
  for (std::size_t k = 0; k < points_.size(); ++k) {
    if (!Seen(points_[k])) continue;
    // A point's coordinates count from the centre of the top-left pixel.
    const QPointF at = origin + (points_[k] + QPointF(0.5, 0.5)) * scale;
    const QColor colour = k == 0 ? QColor(230, 30, 30) : QColor(20, 200, 40);
    painter.setPen(QPen(colour, 2));
    painter.drawLine(at - QPointF(arm, 0), at + QPointF(arm, 0));
    painter.drawLine(at - QPointF(0, arm), at + QPointF(0, arm));
    const QString number = QString::number(k + 1);
    const QPointF text_at = at + QPointF(arm - 2, -arm + 2);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawText(text_at + QPointF(1, 1), number);
    painter.setPen(QPen(colour.lighter(150), 1));
    painter.drawText(text_at, number);
  }
}

MeasurePreview::MeasurePreview(const QStringList& images, std::vector<std::vector<QPointF>> points,
                               const QString& found_size, QWidget* parent)
    : QDialog(parent), paths_(images), points_(std::move(points)) {
  setWindowTitle(QCoreApplication::translate("MeasurePreview", "Измеренные снимки"));
  Images = new QListWidget(this);
  for (const QString& path : images) Images->addItem(QFileInfo(path).fileName());
  const bool board = BoardCounts(*Images, points_);
  Images->setMaximumWidth(220);
  Picture = new MarkedImage(this);
  const bool tracks = !points_.empty() && points_[0].size() > kNumbered;
  QString check = tracks
                      ? QCoreApplication::translate(
                            "MeasurePreview",
                            "Точек сцены: %1, показана выборка; линия ведёт от места точки на "
                            "первом снимке. Линии должны быть направлены к одной общей точке, а "
                            "кружки — лежать на тех же деталях сцены на всех снимках.")
                            .arg(points_[0].size())
                      : QCoreApplication::translate(
                            "MeasurePreview",
                            "Проверьте, что на каждом снимке точка 1 (красная) и нумерация рядов "
                            "одни и те же: строка файла с тем же номером должна указывать на ту "
                            "же точку мишени на всех снимках.");
  if (board)
    check += QCoreApplication::translate(
        "MeasurePreview",
        " Доска видна частично: у имени снимка — число найденных углов; серые крестики — углы, "
        "не найденные на снимке (их строки в файле — «- ; -»); серые снимки пропущены: на них "
        "меньше 4 углов, файл для них не записывается.");
  if (!found_size.isEmpty())
    check = QCoreApplication::translate("MeasurePreview", "Найдена доска %1 внутренних углов. ")
                .arg(found_size) +
            check;
  Note = new QLabel(check, this);
  Note->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(this);
  Accept = buttons->addButton(QCoreApplication::translate("MeasurePreview", "Записать и загрузить"),
                              QDialogButtonBox::AcceptRole);
  buttons->addButton(QCoreApplication::translate("MeasurePreview", "Отмена"),
                     QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* row = new QHBoxLayout;
  row->addWidget(Images);
  row->addWidget(Picture, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row, 1);
  layout->addWidget(Note);
  layout->addWidget(buttons);
  resize(1000, 680);

  connect(Images, &QListWidget::currentRowChanged, this, &MeasurePreview::ShowImage);
  Images->setCurrentRow(0);
}

void MeasurePreview::ShowImage(int row) {
  if (row < 0 || row >= paths_.size()) return;
  QImageReader reader(paths_[row]);
  reader.setAutoTransform(false);  // The marks belong to the stored pixels.
  // Decoded no larger than a screen shows it; the marks keep the stored size's scale.
  const QSize stored = reader.size();
  if (stored.width() > kPreviewSide || stored.height() > kPreviewSide)
    reader.setScaledSize(stored.scaled(kPreviewSide, kPreviewSide, Qt::KeepAspectRatio));
  Picture->SetUnseen(UnseenPositions(points_, static_cast<std::size_t>(row)));
  Picture->Show(reader.read(), stored, points_[static_cast<std::size_t>(row)], points_[0]);
}

}  // namespace zirt
