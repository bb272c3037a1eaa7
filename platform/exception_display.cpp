#include "platform/exception_display.h"

#include <exception>

#include "data/exceptions.h"

namespace zirt {

void ShowException(Platform& platform, QWidget* owner, const std::string& message,
                   const QString& informative) {
  MessageRequest request;
  request.text = QString::fromStdString(DisplayText(message));
  request.caption = QString::fromLatin1(kApplicationTitle);
  request.buttons = Buttons::kOk;
  request.icon = Icon::kError;
  request.informative = informative;
  platform.ShowMessage(owner, request);
}

void RunGuarded(Platform& platform, QWidget* owner, const std::function<void()>& handler) {
  try {
    handler();
  } catch (const Exception& error) {
    ShowException(platform, owner, error.Message());
  } catch (const std::exception& error) {  // The library's own, such as bad_alloc.
    ShowException(platform, owner, error.what());
  } catch (...) {
    ShowException(platform, owner, "Unknown error");
  }
}

}  // namespace zirt
