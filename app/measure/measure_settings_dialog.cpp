#include "app/measure/measure_settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

namespace zirt {

QStringList MeasureSettings::Arguments() const {
  if (kind == 3) return {QStringLiteral("--features")};
  static const char* const kOptions[] = {"--chessboard", "--circles", "--asymmetric-circles"};
  if (kind == 0 && find_size) return {QStringLiteral("--chessboard"), QStringLiteral("auto")};
  return {QString::fromLatin1(kOptions[kind < 0 || kind > 2 ? 0 : kind]),
          QStringLiteral("%1x%2").arg(cols).arg(rows)};
}

MeasureSettingsDialog::MeasureSettingsDialog(const MeasureSettings& settings, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(QStringLiteral("Измерить снимки"));
  Kind = new QComboBox(this);
  Kind->addItems({QStringLiteral("Шахматная доска"), QStringLiteral("Сетка кругов"),
                  QStringLiteral("Шахматная сетка кругов (асимметричная)"),
                  QStringLiteral("Без мишени — по деталям сцены")});
  Kind->setCurrentIndex(settings.kind);
  Cols = new QSpinBox(this);
  Rows = new QSpinBox(this);
  for (QSpinBox* box : {Cols, Rows}) box->setRange(2, 100);
  Cols->setValue(settings.cols);
  Rows->setValue(settings.rows);
  FindSize = new QCheckBox(QStringLiteral("Определить размер доски по первому снимку"), this);
  FindSize->setChecked(settings.find_size);

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Мишень:"), Kind);
  form->addRow(FindSize);
  form->addRow(QStringLiteral("В ряду:"), Cols);
  form->addRow(QStringLiteral("Рядов:"), Rows);
  auto* hint = new QLabel(this);
  hint->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Измерить"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Отмена"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(hint);
  layout->addWidget(buttons);

  const auto explain = [this, hint] {
    const int kind = Kind->currentIndex();
    const bool automatic = kind == 0 && FindSize->isChecked();
    FindSize->setVisible(kind == 0);
    Cols->setEnabled(!automatic && kind != 3);
    Rows->setEnabled(!automatic && kind != 3);
    hint->setText(kind == 0   ? QStringLiteral("Считаются внутренние углы доски: у доски 10 × 7 "
                                                 "клеток их 9 в ряду и 6 рядов.")
                  : kind == 3 ? QStringLiteral("Точки берутся из самой сцены: камера на штативе, "
                                               "фокус и сцена неподвижны, меняется только зум.")
                              : QStringLiteral("Считаются круги: в ряду и число рядов."));
  };
  connect(Kind, &QComboBox::currentIndexChanged, this, explain);
  connect(FindSize, &QCheckBox::toggled, this, explain);
  explain();
}

MeasureSettings MeasureSettingsDialog::Settings() const {
  return {Kind->currentIndex(), Cols->value(), Rows->value(), FindSize->isChecked()};
}

}  // namespace zirt
