#include "app/main/main_messages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>

#include "calib/camera_file.h"
#include "data/coordinate_file.h"
#include "data/exceptions.h"
#include "data/load_hints.h"
#include "data/text_file.h"
#include "platform/exception_display.h"

namespace zirt {
namespace {

QString ErrorCaption() {
  return QCoreApplication::translate("MainMessages", "Ошибка!");
}

}  // namespace

void ShowLoadError(Platform& platform, QWidget* owner, const std::vector<std::string>& /*paths*/,
                   const ECoordinateFileError* error) {
  MessageRequest request;
  request.text = QCoreApplication::translate("MainMessages", "Ошибка загрузки файла координат!");
  request.caption = ErrorCaption();
  request.buttons = Buttons::kOk;
  request.icon = Icon::kNone;
  if (error != nullptr) {
    // The place and what to do are in view; the cause stays in the detail.
    const QString place =
        QString::fromStdString(LoadFaultPlace(ShortName(error->File()), error->Line()));
    QStringList informative{place};
    for (const std::string& hint : error->Hints()) informative << QString::fromStdString(hint);
    request.informative = informative.join(QLatin1Char('\n'));
    request.detail = place;
    // The one cause of this program's own words is the damaged file's.
    if (!error->Cause().empty())
      request.detail +=
          QLatin1Char('\n') + QCoreApplication::translate("LoadHints", error->Cause().c_str());
  }
  platform.ShowMessage(owner, request);
}

bool AskOtherSeparator(Platform& platform, QWidget* owner, char other) {
  MessageRequest question;
  const bool point = other == '.';
  question.text =
      point ? QCoreApplication::translate("MainMessages",
                                          "В этих файлах десятичный разделитель — точка. "
                                          "Прочитать их с точкой?")
            : QCoreApplication::translate("MainMessages",
                                          "В этих файлах десятичный разделитель — запятая. "
                                          "Прочитать их с запятой?");
  question.informative =
      point ? QCoreApplication::translate(
                  "MainMessages",
                  "Только для этой загрузки: разделитель программы (из региональных настроек) "
                  "остаётся запятой, файлы не меняются.")
            : QCoreApplication::translate(
                  "MainMessages",
                  "Только для этой загрузки: разделитель программы (из региональных настроек) "
                  "остаётся точкой, файлы не меняются.");
  question.caption = QCoreApplication::translate("MainMessages", "Предупреждение");
  question.buttons = Buttons::kYesNo;
  return platform.ShowMessage(owner, question) == Answer::kYes;
}

bool AskOverwrite(Platform& platform, const QString& output) {
  MessageRequest question;
  question.text = QCoreApplication::translate("MainMessages", "Перезаписать существующий файл?");
  question.caption = QCoreApplication::translate("MainMessages", "Предупреждение");
  question.buttons = Buttons::kYesNo;
  question.informative = QFileInfo(output).absoluteFilePath();
  return platform.ShowMessage(nullptr, question) == Answer::kYes;
}

bool MayWrite(Platform& platform, const QString& output) {
  const QFileInfo info(output);
  if (!platform.FileExists(output) && !info.isDir() && !info.isSymLink()) return true;
  return AskOverwrite(platform, output);
}

void ShowCameraWriteError(Platform& platform, QWidget* owner, const std::exception& error) {
  MessageRequest request;
  request.text = QCoreApplication::translate("MainMessages", "Ошибка записи cam-файла!");
  request.caption = ErrorCaption();
  // Which file and the system's reason, such as a full disk, for "Show Details".
  if (const auto* file = dynamic_cast<const EFileError*>(&error))
    request.detail = QString::fromStdString(file->Described());
  platform.ShowMessage(owner, request);
}

Answer AskSaveResult(Platform& platform, QWidget* owner) {
  MessageRequest question;
  question.text = QCoreApplication::translate("MainMessages", "Сохранить результат?");
  question.caption = QCoreApplication::translate("MainMessages", "Сохранение");
  question.buttons = Buttons::kYesNoCancel;
  return platform.ShowMessage(owner, question);
}

QString CameraNameFault(const QString& picked) {
  const QString name = QFileInfo(picked).fileName();
  // Refused by the file systems the camera files travel to, and never typed on purpose.
  for (const QChar c : name)
    if (c.unicode() < 0x20 || QStringLiteral("\"<>|?*:").contains(c))
      return QCoreApplication::translate(
                 "MainMessages",
                 "В имени «%1» есть знак «%2», недопустимый в имени файла. Уберите его.")
          .arg(name, c.unicode() < 0x20
                         ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                         : QString(c));
  // An empty stem ("…/.cam") leaves the result no name of its own.
  if (QFileInfo(QString::fromStdString(CameraOutputName(picked.toStdString()))).fileName() ==
      QLatin1String("P.cam"))
    return QCoreApplication::translate(
               "MainMessages",
               "В имени «%1» нет имени перед «.cam»: результат записался бы как «P.cam». "
               "Выберите или введите имя вида cam1.cam.")
        .arg(name);
  return {};
}

void ShowCameraNameFault(Platform& platform, QWidget* owner, const QString& fault) {
  MessageRequest request;
  request.text = QCoreApplication::translate("MainMessages", "Недопустимое имя cam-файла!");
  request.caption = ErrorCaption();
  request.informative = fault;
  platform.ShowMessage(owner, request);
}

void ShowRefusal(Platform& platform, QWidget* owner, const char* message) {
  MessageRequest request;
  request.text = QCoreApplication::translate("Calibration", message);
  request.caption = ErrorCaption();
  request.buttons = Buttons::kOk;
  request.icon = Icon::kNone;
  platform.ShowMessage(owner, request);
}

bool ShowComputeFailure(Platform& platform, QWidget* owner, const std::string& message,
                        const std::vector<std::string>& hints, const QString& offer) {
  QStringList lines;
  for (const std::string& hint : hints) lines << QString::fromStdString(hint);
  if (offer.isEmpty()) {
    ShowException(platform, owner, message, lines.join(QLatin1Char('\n')));
    return false;
  }
  // The error box with a question under it: Yes opens the diagnostics.
  MessageRequest request;
  request.text = QString::fromStdString(DisplayText(message));
  request.caption = QString::fromLatin1(kApplicationTitle);
  request.icon = Icon::kError;
  request.buttons = Buttons::kYesNo;
  lines << offer << QCoreApplication::translate("MainMessages", "Открыть окно «Диагностика»?");
  request.informative = lines.join(QLatin1Char('\n'));
  return platform.ShowMessage(owner, request) == Answer::kYes;
}

void ShowLoadNotes(Platform& platform, QWidget* owner, const std::vector<std::string>& notes) {
  if (notes.empty()) return;
  QStringList lines;
  for (const std::string& note : notes) lines << QString::fromStdString(note);
  MessageRequest request;
  request.text = lines.join(QLatin1Char('\n'));
  request.caption = QCoreApplication::translate("MainMessages", "Предупреждение");
  request.icon = Icon::kWarning;
  platform.ShowMessage(owner, request);
}

}  // namespace zirt
