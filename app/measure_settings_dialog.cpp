#include "app/measure_settings_dialog.h"

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

  auto* form = new QFormLayout;
  form->addRow(QStringLiteral("Мишень:"), Kind);
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
    static const char* const kHints[] = {
        "Считаются внутренние углы доски: у доски 10 × 7 клеток их 9 в ряду и 6 рядов.",
        "Считаются круги: в ряду и число рядов.", "Считаются круги: в ряду и число рядов.",
        "Точки берутся из самой сцены: камера на штативе, фокус и сцена неподвижны, меняется "
        "только зум."};
    hint->setText(QString::fromUtf8(kHints[std::clamp(Kind->currentIndex(), 0, 3)]));
    Cols->setEnabled(Kind->currentIndex() != 3);
    Rows->setEnabled(Kind->currentIndex() != 3);
  };
  connect(Kind, &QComboBox::currentIndexChanged, this, explain);
  explain();
}

MeasureSettings MeasureSettingsDialog::Settings() const {
  return {Kind->currentIndex(), Cols->value(), Rows->value()};
}

}  // namespace zirt
