// The application's display of errors that no command handler catches.
#pragma once

#include <QString>
#include <functional>
#include <string>

#include "platform/platform.h"

class QWidget;

namespace zirt {

// The caption of the error box: the application's title.
inline constexpr const char* kApplicationTitle = "ZIRT";

// Shows the error's message as DisplayText gives it, in an error box captioned with the
// application's title, with `informative` under it when there is any, and `detail` (such as
// the system's reason for a file error) on request.
void ShowException(Platform& platform, QWidget* owner, const std::string& message,
                   const QString& informative = QString(), const QString& detail = QString());

// Runs a command handler and shows whatever error escapes it. Qt must never see a C++
// exception leave a slot, so every button and menu item goes through here. Nothing is
// rolled back: the window keeps the state the handler left.
void RunGuarded(Platform& platform, QWidget* owner, const std::function<void()>& handler);

}  // namespace zirt
