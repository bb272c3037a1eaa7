#include "platform/exception_display.h"

#include <exception>

#include "data/exceptions.h"
#include "data/posix_file.h"

namespace zirt {

void ShowException(Platform& platform, QWidget* owner, const std::string& message,
                   const QString& informative, const QString& detail) {
  MessageRequest request;
  request.text = QString::fromStdString(DisplayText(message));
  request.caption = QString::fromLatin1(kApplicationTitle);
  request.buttons = Buttons::kOk;
  request.icon = Icon::kError;
  request.informative = informative;
  request.detail = detail;
  platform.ShowMessage(owner, request);
}

void RunGuarded(Platform& platform, QWidget* owner, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const EFileError& error) {  // The fixed text, and why as the detail.
    ShowException(platform, owner, error.Message(), QString(),
                  QString::fromStdString(error.Reason()));
  } catch (const Exception& error) {
    ShowException(platform, owner, error.Message());
  } catch (const std::exception& error) {  // The library's own, such as bad_alloc.
    ShowException(platform, owner, error.what());
  } catch (...) {
    ShowException(platform, owner, "Unknown error");
  }
}

}  // namespace zirt
