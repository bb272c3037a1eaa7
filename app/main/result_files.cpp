#include "app/main/result_files.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "app/main/export_dialog.h"
#include "app/main/main_messages.h"
#include "app/main/mpkalibr.h"
#include "data/posix_file.h"
#include "export/calibration_export.h"
#include "report/pdf_report.h"

namespace zirt {
namespace {

QString kErrorCaption() {
  return QCoreApplication::translate("ResultFiles", "Ошибка!");
}

void ShowFailure(Platform& platform, QWidget* owner, const char* text, const QString& reason) {
  MessageRequest request;
  // The texts are marked for translation where they are defined.
  request.text = QCoreApplication::translate("ResultFiles", text);
  request.caption = kErrorCaption();
  request.informative = reason;
  platform.ShowMessage(owner, request);
}

void ShowWritten(Platform& platform, QWidget* owner, const QString& output) {
  MessageRequest request;
  request.text = QCoreApplication::translate("ResultFiles", "Записан файл %1").arg(output);
  request.caption = QCoreApplication::translate("ResultFiles", "Сохранение");
  platform.ShowMessage(owner, request);
}

}  // namespace

void WriteCalibrationCommand(TMPForm& form, Platform& platform) {
  FileDialogRequest dialog;
  dialog.filter = QStringLiteral("Calibration Files|*.yaml;*.yml;*.xml;*.txt|All Files|*.*");
  dialog.initial_folder = form.SaveDialogFolder();
  const QStringList picked = platform.OpenFiles(&form, dialog);
  if (picked.isEmpty()) return;
  form.SetDialogDirs(platform.CurrentFolder());
  try {
    // The point and, in a file of several cameras, the camera: the window's way to what the
    // command line gives with --point, --colmap-camera and --kalibr-camera.
    const std::vector<std::string> cameras = CamerasIn(ReadFileBytes(picked[0].toStdString()));
    ExportDialog choice(form.Work(), picked[0], cameras, &form);
    if (choice.exec() != QDialog::Accepted) return;
    const PreparedExport prepared =
        PrepareExport(picked[0].toStdString(), choice.Point(), choice.Options());
    const QString output = QString::fromStdString(prepared.output);
    if (!MayWrite(platform, output)) return;
    WriteExport(prepared);
    ShowWritten(platform, &form, output);
  } catch (const EFileError& e) {
    ShowFailure(platform, &form, kExportFailedMessage, QString::fromStdString(e.Described()));
  } catch (const ERefusedCalibration& e) {
    ShowFailure(platform, &form, kExportFailedMessage, QString::fromStdString(e.Message()));
  }
}

void PdfReportCommand(TMPForm& form, Platform& platform) {
  FileDialogRequest dialog;
  dialog.filter = QStringLiteral("PDF Files|*.pdf|All Files|*.*");
  dialog.default_extension = QStringLiteral("*.pdf");
  dialog.initial_folder = form.SaveDialogFolder();
  const std::optional<QString> picked = platform.SaveFile(&form, dialog);
  if (!picked) return;
  form.SetDialogDirs(platform.CurrentFolder());
  if (!MayWrite(platform, *picked)) return;
  ReportInputs inputs;
  for (int i = 0; i < form.ListBox1->count(); ++i)
    inputs.report.push_back(form.ListBox1->item(i)->text().toStdString());
  inputs.analysis = &form.Work();
  inputs.command =
      QCoreApplication::translate("ResultFiles", "ZIRT: Файл → Отчёт PDF…").toStdString();
  try {
    WritePdfReport(picked->toStdString(), inputs);
    ShowWritten(platform, &form, *picked);
  } catch (const EFileError& e) {
    ShowFailure(platform, &form, QT_TRANSLATE_NOOP("ResultFiles", "Ошибка записи отчёта PDF!"),
                QString::fromStdString(e.Described()));
  }
}

}  // namespace zirt
