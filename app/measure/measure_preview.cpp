#include "app/measure/measure_preview.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "app/measure/unseen_marks.h"

namespace zirt {
namespace {

// Decoded no larger: enough to zoom in on a corner, little enough to decode at once.
constexpr int kPreviewSide = 4000;

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

// The text that says what to check on the marks.
QString CheckText(const std::vector<std::vector<QPointF>>& points, bool board,
                  const QString& found_size) {
  const bool tracks = !points.empty() && points[0].size() > kNumbered;
  QString check = tracks
                      ? QCoreApplication::translate(
                            "MeasurePreview",
                            "Точек сцены: %1, показана выборка; линия ведёт от места точки на "
                            "первом снимке. Линии должны быть направлены к одной общей точке, а "
                            "кружки — лежать на тех же деталях сцены на всех снимках.")
                            .arg(points[0].size())
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
  return check;
}

// Where the files go: one folder and the names, the middle of a long list left out.
QString OutputText(const QStringList& targets) {
  QStringList names, folders;
  for (const QString& target : targets) {
    if (target.isEmpty()) continue;
    const QFileInfo info(target);
    names << info.fileName();
    if (!folders.contains(info.absolutePath())) folders << info.absolutePath();
  }
  if (names.isEmpty()) return {};
  if (folders.size() > 1) {
    QStringList paths;
    for (const QString& target : targets)
      if (!target.isEmpty()) paths << QDir::toNativeSeparators(target);
    return QCoreApplication::translate("MeasurePreview", "Будут записаны файлы координат: %1.")
        .arg(paths.join(QStringLiteral(", ")));
  }
  const qsizetype count = names.size();
  if (count > 6) names = names.mid(0, 3) + QStringList{QStringLiteral("…")} + names.mid(count - 2);
  return QCoreApplication::translate("MeasurePreview",
                                     "Будут записаны файлы координат (%1) в папку %2: %3.")
      .arg(count)
      .arg(QDir::toNativeSeparators(folders[0]), names.join(QStringLiteral(", ")));
}

}  // namespace

MarkedImage::MarkedImage(QWidget* parent) : QWidget(parent) {
  setMinimumSize(480, 320);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setFocusPolicy(Qt::StrongFocus);
  setToolTip(QCoreApplication::translate(
      "MeasurePreview",
      "Колесо мыши, + и − — масштаб; перетаскивание — сдвиг; 0 или двойной щелчок — вписать."));
}

void MarkedImage::Show(const QImage& image, QSize stored, const std::vector<QPointF>& points,
                       const std::vector<QPointF>& first) {
  image_ = image;
  stored_ = stored.isValid() ? stored : image.size();
  points_ = points;
  first_ = first;
  update();
}

double MarkedImage::Scale() const {
  if (stored_.isEmpty()) return 1;
  return zoom_ * std::min(double(width()) / stored_.width(), double(height()) / stored_.height());
}

QPointF MarkedImage::Centre() const {
  const double scale = Scale();
  // Along each side the image either covers the widget, and stays covering it, or is centred.
  const auto keep = [](double wanted, double half_view, double side) {
    return side <= 2 * half_view ? side / 2 : std::clamp(wanted, half_view, side - half_view);
  };
  return {keep(centre_.x(), width() / 2.0 / scale, stored_.width()),
          keep(centre_.y(), height() / 2.0 / scale, stored_.height())};
}

QPointF MarkedImage::ToWidget(QPointF point) const {
  // A point's coordinates count from the centre of the top-left pixel.
  return QPointF(width() / 2.0, height() / 2.0) + (point + QPointF(0.5, 0.5) - Centre()) * Scale();
}

void MarkedImage::ZoomAt(double factor, QPointF at) {
  if (stored_.isEmpty() || !(factor > 0)) return;
  const double scale = Scale();
  const QPointF view_centre(width() / 2.0, height() / 2.0);
  const QPointF under = Centre() + (at - view_centre) / scale;
  zoom_ = std::clamp(zoom_ * factor, 1.0, kMaxZoom);
  centre_ = under - (at - view_centre) / Scale();
  centre_ = Centre();  // what is shown is what a drag starts from
  update();
}

void MarkedImage::Fit() {
  zoom_ = 1;
  update();
}

void MarkedImage::wheelEvent(QWheelEvent* event) {
  ZoomAt(std::pow(1.25, event->angleDelta().y() / 120.0), event->position());
}

void MarkedImage::keyPressEvent(QKeyEvent* event) {
  const QPointF middle(width() / 2.0, height() / 2.0);
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      return ZoomAt(1.25, middle);
    case Qt::Key_Minus:
      return ZoomAt(1 / 1.25, middle);
    case Qt::Key_0:
      return Fit();
    default:
      QWidget::keyPressEvent(event);
  }
}

void MarkedImage::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton || zoom_ <= 1) return QWidget::mousePressEvent(event);
  drag_from_ = event->position();
  drag_centre_ = Centre();
  setCursor(Qt::ClosedHandCursor);
}

void MarkedImage::mouseMoveEvent(QMouseEvent* event) {
  if (!drag_from_) return;
  centre_ = drag_centre_ - (event->position() - *drag_from_) / Scale();
  update();
}

void MarkedImage::mouseReleaseEvent(QMouseEvent*) {
  drag_from_.reset();
  centre_ = Centre();
  unsetCursor();
}

void MarkedImage::mouseDoubleClickEvent(QMouseEvent* event) {
  if (zoom_ > 1)
    Fit();
  else
    ZoomAt(4, event->position());
}

void MarkedImage::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().color(QPalette::Dark));
  if (image_.isNull() || stored_.isEmpty()) return;
  // Only the part in view is drawn: zoomed in, the whole image would be a huge one.
  const double scale = Scale();
  const QPointF origin = ToWidget(QPointF(-0.5, -0.5));
  const QRectF shown = QRectF(rect()).intersected(
      QRectF(origin, QSizeF(stored_.width() * scale, stored_.height() * scale)));
  const double decoded = double(image_.width()) / stored_.width();  // decoded per stored pixel
  const QRectF source((shown.topLeft() - origin) / scale * decoded, shown.size() / scale * decoded);
  // Enlarged pixels stay sharp, so a corner can be seen against its mark.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, scale / decoded < 3);
  painter.drawImage(shown, image_, source);
  painter.setRenderHint(QPainter::Antialiasing);
  if (points_.size() > kNumbered)
    DrawTracks(painter);
  else
    DrawNumbered(painter);
}

void MarkedImage::DrawTracks(QPainter& painter) const {
  // The same tracks in every image: every n-th, each with its own colour.
  for (std::size_t j = 0; j < kNumbered; ++j) {
    const std::size_t k = j * points_.size() / kNumbered;
    if (!Seen(points_[k])) continue;
    const QPointF at = ToWidget(points_[k]);
    const QColor colour = QColor::fromHsv(static_cast<int>(j * 360 / kNumbered), 230, 255);
    if (k < first_.size() && Seen(first_[k])) {
      painter.setPen(QPen(colour, 1.5));
      painter.drawLine(ToWidget(first_[k]), at);
    }
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(colour);
    painter.drawEllipse(at, 3.5, 3.5);
  }
}

void MarkedImage::DrawNumbered(QPainter& painter) const {
  const double arm = 6;
  painter.setPen(QPen(QColor(150, 150, 150), 2));
  for (const QPointF& p : unseen_) {
    if (!Seen(p)) continue;
    const QPointF at = ToWidget(p);
    painter.drawLine(at - QPointF(arm, arm), at + QPointF(arm, arm));
    painter.drawLine(at - QPointF(arm, -arm), at + QPointF(arm, -arm));
  }
  QFont font = painter.font();
  font.setBold(true);
  painter.setFont(font);
  const QFontMetricsF metrics(font);
  for (std::size_t k = 0; k < points_.size(); ++k) {
    if (!Seen(points_[k])) continue;
    const QPointF at = ToWidget(points_[k]);
    const QColor colour = k == 0 ? QColor(230, 30, 30) : QColor(20, 200, 40);
    painter.setPen(QPen(colour, 2));
    painter.drawLine(at - QPointF(arm, 0), at + QPointF(arm, 0));
    painter.drawLine(at - QPointF(0, arm), at + QPointF(0, arm));
    // The number below and right of the cross, clear of the corner it marks, on a dark plate
    // that reads on light and dark images alike.
    const QString number = QString::number(k + 1);
    const QRectF plate(at + QPointF(arm + 2, arm + 2),
                       QSizeF(metrics.horizontalAdvance(number) + 4, metrics.height()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 170));
    painter.drawRoundedRect(plate, 2, 2);
    painter.setPen(colour.lighter(150));
    painter.drawText(plate, Qt::AlignCenter, number);
  }
}

MeasurePreview::MeasurePreview(const QStringList& images, std::vector<std::vector<QPointF>> points,
                               const QString& found_size, const QStringList& targets,
                               QWidget* parent)
    : QDialog(parent), paths_(images), points_(std::move(points)) {
  setWindowTitle(QCoreApplication::translate("MeasurePreview", "Измеренные снимки"));
  Images = new QListWidget(this);
  for (qsizetype k = 0; k < images.size(); ++k) {
    auto* item = new QListWidgetItem(QFileInfo(images[k]).fileName(), Images);
    if (k < targets.size() && !targets[k].isEmpty())
      item->setToolTip(QDir::toNativeSeparators(targets[k]));
  }
  const bool board = BoardCounts(*Images, points_);
  Images->setMaximumWidth(220);
  Picture = new MarkedImage(this);
  Note = new QLabel(CheckText(points_, board, found_size), this);
  Note->setWordWrap(true);
  Output = new QLabel(OutputText(targets), this);
  Output->setWordWrap(true);
  Output->setTextInteractionFlags(Qt::TextSelectableByMouse);
  auto* buttons = new QDialogButtonBox(this);
  Accept = buttons->addButton(QCoreApplication::translate("MeasurePreview", "Записать и загрузить"),
                              QDialogButtonBox::AcceptRole);
  buttons->addButton(QCoreApplication::translate("MeasurePreview", "Отмена"),
                     QDialogButtonBox::RejectRole);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* zoom = new QHBoxLayout;
  const auto add_zoom = [&](const QString& text, auto act) {
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, act);
    zoom->addWidget(button);
    return button;
  };
  const auto middle = [this] { return QPointF(Picture->width() / 2.0, Picture->height() / 2.0); };
  add_zoom(QStringLiteral("+"), [this, middle] { Picture->ZoomAt(1.5, middle()); });
  add_zoom(QStringLiteral("−"), [this, middle] { Picture->ZoomAt(1 / 1.5, middle()); });
  FitButton = add_zoom(QCoreApplication::translate("MeasurePreview", "Вписать"),
                       [this] { Picture->Fit(); });
  zoom->addWidget(new QLabel(Picture->toolTip(), this), 1);
  auto* right = new QVBoxLayout;
  right->addLayout(zoom);
  right->addWidget(Picture, 1);
  auto* row = new QHBoxLayout;
  row->addWidget(Images);
  row->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(row, 1);
  layout->addWidget(Note);
  layout->addWidget(Output);
  layout->addWidget(buttons);
  resize(1000, 700);

  connect(Images, &QListWidget::currentRowChanged, this, &MeasurePreview::ShowImage);
  Images->setCurrentRow(0);
  Picture->setFocus();
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
