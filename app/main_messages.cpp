#include "app/main_messages.h"

#include <QFileInfo>
#include <QStringList>

#include "data/coordinate_file.h"
#include "data/load_hints.h"
#include "data/text_file.h"
#include "platform/exception_display.h"

namespace zirt {
namespace {

const QString kErrorCaption = QStringLiteral("Ошибка!");
// What a point set raises when the fit asks a short image for a point it does not have.
const std::string kIndexOutOfBounds = "Index out of bounds ListOfT::Get";

}  // namespace

void ShowLoadError(Platform& platform, QWidget* owner, const std::vector<std::string>& /*paths*/,
                   const ECoordinateFileError* error) {
  MessageRequest request;
  request.text = QStringLiteral("Ошибка загрузки файла координат!");
  request.caption = kErrorCaption;
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
    if (!error->Cause().empty())
      request.detail += QLatin1Char('\n') + QString::fromStdString(error->Cause());
  }
  platform.ShowMessage(owner, request);
}

bool AskOverwrite(Platform& platform, const QString& output) {
  MessageRequest question;
  question.text = QStringLiteral("Перезаписать существующий файл?");
  question.caption = QStringLiteral("Предупреждение");
  question.buttons = Buttons::kYesNo;
  question.informative = QFileInfo(output).absoluteFilePath();
  return platform.ShowMessage(nullptr, question) == Answer::kYes;
}

void ShowCameraWriteError(Platform& platform, QWidget* owner, const std::exception& error) {
  MessageRequest request;
  request.text = QStringLiteral("Ошибка записи cam-файла!");
  request.caption = kErrorCaption;
  // Which file and the system's reason, such as a full disk, for "Show Details".
  if (const auto* file = dynamic_cast<const EFileError*>(&error))
    request.detail = QString::fromStdString(file->Described());
  platform.ShowMessage(owner, request);
}

bool AskSaveResult(Platform& platform, QWidget* owner) {
  MessageRequest question;
  question.text = QStringLiteral("Сохранить результат?");
  question.caption = QStringLiteral("Сохранение");
  question.buttons = Buttons::kYesNo;
  return platform.ShowMessage(owner, question) == Answer::kYes;
}

void ShowRefusal(Platform& platform, QWidget* owner, const char* message) {
  MessageRequest request;
  request.text = QString::fromUtf8(message);
  request.caption = kErrorCaption;
  request.buttons = Buttons::kOk;
  request.icon = Icon::kNone;
  platform.ShowMessage(owner, request);
}

bool ShowShortImageError(Platform& platform, QWidget* owner, const Exception& error,
                         const std::vector<std::string>& names, const std::vector<int>& counts) {
  const std::string note = PointCountNote(names, counts);
  if (note.empty() || error.Message() != kIndexOutOfBounds) return false;
  ShowException(platform, owner, error.Message(), QString::fromStdString(note));
  return true;
}

}  // namespace zirt
