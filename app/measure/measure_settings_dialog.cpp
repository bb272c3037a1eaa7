#include "app/measure/measure_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace zirt {

QStringList MarkerDictionaries() {
  QStringList names{QStringLiteral("DICT_5X5_100")};
  for (const char* bits : {"4X4", "5X5", "6X6", "7X7"})
    for (const char* count : {"50", "100", "250", "1000"})
      names << QStringLiteral("DICT_%1_%2").arg(QLatin1String(bits), QLatin1String(count));
  names.removeAt(names.indexOf(QStringLiteral("DICT_5X5_100"), 1));
  names << QStringLiteral("DICT_ARUCO_ORIGINAL") << QStringLiteral("DICT_APRILTAG_16h5")
        << QStringLiteral("DICT_APRILTAG_25h9") << QStringLiteral("DICT_APRILTAG_36h10")
        << QStringLiteral("DICT_APRILTAG_36h11");
  return names;
}

QStringList MeasureSettings::Arguments() const {
  if (kind == 3) return {QStringLiteral("--features")};
  const QString size = QStringLiteral("%1x%2").arg(cols).arg(rows);
  if (kind == 4) return {QStringLiteral("--charuco"), size + QLatin1Char(':') + dictionary};
  if (kind == 5)
    return {QStringLiteral("--aprilgrid"), size, QStringLiteral("--tag-spacing"),
            QString::number(tag_spacing, 'g', 6)};
  static const char* const kOptions[] = {"--chessboard", "--circles", "--asymmetric-circles"};
  if (kind == 0 && find_size) return {QStringLiteral("--chessboard"), QStringLiteral("auto")};
  return {QString::fromLatin1(kOptions[kind < 0 || kind > 2 ? 0 : kind]),
          QStringLiteral("%1x%2").arg(cols).arg(rows)};
}

MeasureSettingsDialog::MeasureSettingsDialog(const MeasureSettings& settings,
                                             const QStringList& images,
                                             const std::vector<ImageFailure>& failures,
                                             QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QCoreApplication::translate("MeasureSettings", "Измерить снимки"));
  QLayout* list = MakeImageList(images, failures);
  form_ = MakePatternForm(settings);
  hint_ = new QLabel(this);
  hint_->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  measure_ = buttons->button(QDialogButtonBox::Ok);
  measure_->setText(QCoreApplication::translate("MeasureSettings", "Измерить"));
  buttons->button(QDialogButtonBox::Cancel)
      ->setText(QCoreApplication::translate("MeasureSettings", "Отмена"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(list, 1);
  layout->addLayout(form_);
  layout->addWidget(hint_);
  layout->addWidget(buttons);
  connect(Kind, &QComboBox::currentIndexChanged, this, &MeasureSettingsDialog::Explain);
  connect(FindSize, &QCheckBox::toggled, this, &MeasureSettingsDialog::Explain);
  Explain();
  // A file at fault is ready to be dropped with one key.
  if (!Images->selectedItems().isEmpty()) Images->setFocus();
}

QLayout* MeasureSettingsDialog::MakeImageList(const QStringList& images,
                                              const std::vector<ImageFailure>& failures) {
  Images = new QListWidget(this);
  Images->setSelectionMode(QAbstractItemView::ExtendedSelection);
  QStringList faults;
  for (const QString& image : images) {
    auto* item = new QListWidgetItem(QFileInfo(image).fileName(), Images);
    item->setData(Qt::UserRole, image);
    item->setToolTip(image);
    const auto failure = std::find_if(failures.begin(), failures.end(),
                                      [&](const ImageFailure& f) { return f.image == image; });
    if (failure == failures.end()) continue;
    item->setText(item->text() + QStringLiteral(" — ") + failure->reason);
    item->setForeground(QColor(200, 0, 0));
    if (failure->file_fault) {
      item->setSelected(true);
      faults << item->text();
    }
  }
  Remove =
      new QPushButton(QCoreApplication::translate("MeasureSettings", "Убрать из списка"), this);
  Remove->setEnabled(!faults.isEmpty());
  connect(Remove, &QPushButton::clicked, this, &MeasureSettingsDialog::RemoveSelected);
  connect(Images, &QListWidget::itemSelectionChanged, this,
          [this] { Remove->setEnabled(!Images->selectedItems().isEmpty()); });
  Images->installEventFilter(this);
  Problem = new QLabel(this);
  Problem->setWordWrap(true);
  Problem->setStyleSheet(QStringLiteral("color: #c00000"));
  Problem->setText(
      !faults.isEmpty()
          ? QCoreApplication::translate(
                "MeasureSettings",
                "Снимки не измерить: %1. Они выделены: «Убрать из списка» (или Delete) "
                "уберёт их, остальные будут измерены.")
                .arg(faults.join(QStringLiteral("; ")))
      : !failures.empty()
          ? QCoreApplication::translate(
                "MeasureSettings",
                "Не измеренные снимки отмечены причиной: исправьте мишень или её размер, "
                "или уберите эти снимки из списка.")
          : QString());
  Problem->setVisible(!Problem->text().isEmpty());

  auto* side = new QVBoxLayout;
  side->addWidget(Remove);
  side->addStretch(1);
  auto* row = new QHBoxLayout;
  row->addWidget(Images, 1);
  row->addLayout(side);
  auto* column = new QVBoxLayout;
  column->addWidget(new QLabel(QCoreApplication::translate("MeasureSettings", "Снимки:"), this));
  column->addLayout(row, 1);
  column->addWidget(Problem);
  return column;
}

QFormLayout* MeasureSettingsDialog::MakePatternForm(const MeasureSettings& settings) {
  Kind = new QComboBox(this);
  Kind->addItems(
      {QCoreApplication::translate("MeasureSettings", "Шахматная доска"),
       QCoreApplication::translate("MeasureSettings", "Сетка кругов"),
       QCoreApplication::translate("MeasureSettings", "Шахматная сетка кругов (асимметричная)"),
       QCoreApplication::translate("MeasureSettings", "Без мишени — по деталям сцены"),
       QCoreApplication::translate("MeasureSettings", "Доска ChArUco (видна частично)"),
       QCoreApplication::translate("MeasureSettings", "Сетка AprilGrid (видна частично)")});
  Kind->setCurrentIndex(settings.kind);
  Cols = new QSpinBox(this);
  Rows = new QSpinBox(this);
  for (QSpinBox* box : {Cols, Rows}) box->setRange(2, 100);
  Cols->setValue(settings.cols);
  Rows->setValue(settings.rows);
  FindSize = new QCheckBox(
      QCoreApplication::translate("MeasureSettings", "Определить размер доски по первому снимку"),
      this);
  FindSize->setChecked(settings.find_size);
  Dictionary = new QComboBox(this);
  Dictionary->addItems(MarkerDictionaries());
  Dictionary->setCurrentText(settings.dictionary);
  TagSpacing = new QDoubleSpinBox(this);
  TagSpacing->setRange(0.05, 1);
  TagSpacing->setDecimals(2);
  TagSpacing->setSingleStep(0.05);
  TagSpacing->setValue(settings.tag_spacing);

  auto* form = new QFormLayout;
  form->addRow(QCoreApplication::translate("MeasureSettings", "Мишень:"), Kind);
  form->addRow(FindSize);
  form->addRow(QCoreApplication::translate("MeasureSettings", "В ряду:"), Cols);
  form->addRow(QCoreApplication::translate("MeasureSettings", "Рядов:"), Rows);
  form->addRow(QCoreApplication::translate("MeasureSettings", "Словарь маркеров:"), Dictionary);
  form->addRow(
      QCoreApplication::translate("MeasureSettings", "Промежуток между метками (доля метки):"),
      TagSpacing);
  return form;
}

bool MeasureSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
  // The list's own Delete, so it works wherever the focus came from.
  if (watched == Images && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->matches(QKeySequence::Delete)) {
    RemoveSelected();
    return true;
  }
  return QDialog::eventFilter(watched, event);
}

void MeasureSettingsDialog::RemoveSelected() {
  qDeleteAll(Images->selectedItems());
  Explain();
}

void MeasureSettingsDialog::Explain() {
  const int kind = Kind->currentIndex();
  const bool automatic = kind == 0 && FindSize->isChecked();
  FindSize->setVisible(kind == 0);
  Cols->setEnabled(!automatic && kind != 3);
  Rows->setEnabled(!automatic && kind != 3);
  form_->setRowVisible(Dictionary, kind == 4);
  form_->setRowVisible(TagSpacing, kind == 5);
  // A ChArUco board of fewer squares has no corner between two markers.
  for (QSpinBox* box : {Cols, Rows}) box->setMinimum(kind == 4 ? 3 : kind == 5 ? 1 : 2);
  hint_->setText(
      kind == 0
          ? QCoreApplication::translate("MeasureSettings",
                                        "Считаются внутренние углы доски: у доски 10 × 7 клеток "
                                        "их 9 в ряду и 6 рядов.")
      : kind == 3
          ? QCoreApplication::translate("MeasureSettings",
                                        "Точки берутся из самой сцены: камера на штативе, фокус и "
                                        "сцена неподвижны, меняется только зум.")
      : kind == 4
          ? QCoreApplication::translate("MeasureSettings",
                                        "Считаются клетки доски: в ряду и число рядов. Доска "
                                        "может выходить за кадр: углы нумеруются по маркерам.")
      : kind == 5 ? QCoreApplication::translate(
                        "MeasureSettings",
                        "Считаются метки AprilTag 36h11: в ряду и число рядов. Сетка "
                        "может выходить за кадр: углы нумеруются по меткам.")
                  : QCoreApplication::translate("MeasureSettings",
                                                "Считаются круги: в ряду и число рядов."));
  measure_->setEnabled(Images->count() > 0);
}

QStringList MeasureSettingsDialog::ImagePaths() const {
  QStringList paths;
  for (int k = 0; k < Images->count(); ++k) paths << Images->item(k)->data(Qt::UserRole).toString();
  return paths;
}

MeasureSettings MeasureSettingsDialog::Settings() const {
  return {Kind->currentIndex(),      Cols->value(),      Rows->value(), FindSize->isChecked(),
          Dictionary->currentText(), TagSpacing->value()};
}

}  // namespace zirt
