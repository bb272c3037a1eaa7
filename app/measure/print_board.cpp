#include "app/measure/print_board.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "app/main/mpkalibr.h"
#include "app/measure/measure_progress.h"
#include "app/measure/measure_settings_dialog.h"
#include "platform/platform.h"

namespace zirt {
namespace {

QString kCaption() {
  return QCoreApplication::translate("PrintBoard", "Мишень для печати");
}

PrintBoardSettings& LastSettings() {
  static PrintBoardSettings settings;
  return settings;
}

void Tell(Platform& platform, QWidget* owner, Icon icon, const QString& text,
          const QString& detail = {}) {
  MessageRequest request;
  request.text = text;
  request.caption = kCaption();
  request.icon = icon;
  request.detail = detail;
  platform.ShowMessage(owner, request);
}

}  // namespace

QStringList PrintBoardSettings::Arguments() const {
  const QString size = QStringLiteral("%1x%2").arg(cols).arg(rows);
  QStringList arguments{QStringLiteral("--make-board")};
  if (kind == 0)
    arguments << QStringLiteral("charuco") << size + QLatin1Char(':') + dictionary;
  else
    arguments << QStringLiteral("aprilgrid") << size << QStringLiteral("--tag-spacing")
              << QString::number(tag_spacing, 'g', 6);
  arguments << QStringLiteral("--square-mm") << QString::number(square_mm, 'g', 8);
  if (paper == 1) arguments << QStringLiteral("--paper") << QStringLiteral("A4");
  if (paper == 2) arguments << QStringLiteral("--paper") << QStringLiteral("A3");
  return arguments;
}

QString PrintBoardSettings::FileName() const {
  return QStringLiteral("%1_%2x%3_%4mm.pdf")
      .arg(kind == 0 ? QStringLiteral("charuco") : QStringLiteral("aprilgrid"))
      .arg(cols)
      .arg(rows)
      .arg(square_mm, 0, 'g', 6);
}

PrintBoardDialog::PrintBoardDialog(const PrintBoardSettings& settings, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(kCaption());
  Kind = new QComboBox(this);
  Kind->addItems({QCoreApplication::translate("PrintBoard", "Доска ChArUco"),
                  QCoreApplication::translate("PrintBoard", "Сетка AprilGrid")});
  Kind->setCurrentIndex(settings.kind);
  Cols = new QSpinBox(this);
  Rows = new QSpinBox(this);
  Cols->setRange(1, 100);
  Rows->setRange(1, 100);
  Cols->setValue(settings.cols);
  Rows->setValue(settings.rows);
  Dictionary = new QComboBox(this);
  Dictionary->addItems(MarkerDictionaries());
  Dictionary->setCurrentText(settings.dictionary);
  TagSpacing = new QDoubleSpinBox(this);
  TagSpacing->setRange(0.05, 1);
  TagSpacing->setSingleStep(0.05);
  TagSpacing->setValue(settings.tag_spacing);
  SquareMm = new QDoubleSpinBox(this);
  SquareMm->setRange(1, 1000);
  SquareMm->setDecimals(1);
  SquareMm->setSuffix(QCoreApplication::translate("PrintBoard", " мм"));
  SquareMm->setValue(settings.square_mm);
  Paper = new QComboBox(this);
  Paper->addItems({QCoreApplication::translate("PrintBoard", "A4, если доска помещается, иначе A3"),
                   QStringLiteral("A4"), QStringLiteral("A3")});
  Paper->setCurrentIndex(settings.paper);

  auto* form = new QFormLayout;
  form->addRow(QCoreApplication::translate("PrintBoard", "Мишень:"), Kind);
  form->addRow(QCoreApplication::translate("PrintBoard", "В ряду:"), Cols);
  form->addRow(QCoreApplication::translate("PrintBoard", "Рядов:"), Rows);
  form->addRow(QCoreApplication::translate("PrintBoard", "Словарь маркеров:"), Dictionary);
  form->addRow(QCoreApplication::translate("PrintBoard", "Промежуток между метками (доля метки):"),
               TagSpacing);
  form->addRow(QCoreApplication::translate("PrintBoard", "Сторона клетки:"), SquareMm);
  form->addRow(QCoreApplication::translate("PrintBoard", "Бумага:"), Paper);
  auto* hint = new QLabel(QCoreApplication::translate(
                              "PrintBoard",
                              "Печатайте в масштабе 100 % (без подгонки под страницу) и проверьте "
                              "линейку 100 мм на полях."),
                          this);
  hint->setWordWrap(true);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  buttons->button(QDialogButtonBox::Ok)
      ->setText(QCoreApplication::translate("PrintBoard", "Записать PDF…"));
  buttons->button(QDialogButtonBox::Cancel)
      ->setText(QCoreApplication::translate("PrintBoard", "Отмена"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(hint);
  layout->addWidget(buttons);

  const auto explain = [this, form] {
    const bool charuco = Kind->currentIndex() == 0;
    form->setRowVisible(Dictionary, charuco);
    form->setRowVisible(TagSpacing, !charuco);
    // A ChArUco board counts squares (three at least), an AprilGrid tags.
    for (QSpinBox* box : {Cols, Rows}) box->setMinimum(charuco ? 3 : 1);
    form->labelForField(SquareMm)->setProperty(
        "text", charuco ? QCoreApplication::translate("PrintBoard", "Сторона клетки:")
                        : QCoreApplication::translate("PrintBoard", "Сторона метки:"));
  };
  connect(Kind, &QComboBox::currentIndexChanged, this, explain);
  explain();
}

PrintBoardSettings PrintBoardDialog::Settings() const {
  PrintBoardSettings settings;
  settings.kind = Kind->currentIndex();
  settings.cols = Cols->value();
  settings.rows = Rows->value();
  settings.dictionary = Dictionary->currentText();
  settings.tag_spacing = TagSpacing->value();
  settings.square_mm = SquareMm->value();
  settings.paper = Paper->currentIndex();
  return settings;
}

void PrintBoardCommand(TMPForm& form, Platform& platform) {
  PrintBoardDialog ask(LastSettings(), &form);
  if (ask.exec() != QDialog::Accepted) return;
  LastSettings() = ask.Settings();
  FileDialogRequest dialog;
  dialog.filter = QStringLiteral("PDF Files|*.pdf|All Files|*.*");
  dialog.default_extension = QStringLiteral("*.pdf");
  dialog.initial_folder = form.SaveDialogFolder();
  dialog.file_name = LastSettings().FileName();
  const std::optional<QString> picked = platform.SaveFile(&form, dialog);
  if (!picked) return;
  form.SetDialogDirs(platform.CurrentFolder());

  const QString program = MeasureProgram();
  if (program.isEmpty()) {
    Tell(platform, &form, Icon::kError,
         QCoreApplication::translate("PrintBoard", "Не найдена программа zirt-measure."));
    return;
  }
  QProcess process;
  // The save dialog has asked about replacing a file already there.
  process.start(program, LastSettings().Arguments() << QStringLiteral("--overwrite")
                                                    << QStringLiteral("--pdf") << *picked);
  const bool done = process.waitForFinished(60000);
  if (!done || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
    if (!done) process.kill();
    Tell(platform, &form, Icon::kError,
         QCoreApplication::translate("PrintBoard", "Мишень не записана."),
         QString::fromUtf8(process.readAllStandardError()));
    return;
  }
  Tell(platform, &form, Icon::kInformation,
       QCoreApplication::translate(
           "PrintBoard",
           "Мишень записана: %1. Печатайте в масштабе 100 % и проверьте линейку "
           "100 мм на полях.")
           .arg(*picked));
}

}  // namespace zirt
