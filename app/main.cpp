// Program entry: the application, the regional settings and the main window.
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <exception>

#include "app/about_box.h"
#include "app/app_style.h"
#include "app/main/mpkalibr.h"
#include "platform/exception_display.h"
#include "platform/locale_change_filter.h"
#include "platform/qt_platform.h"
#include "platform/qt_translation.h"
#include "platform/regional_settings.h"

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

int main(int argc, char* argv[]) {
  // Without a display Qt aborts with a long trace; one line says what to do instead.
  if (!Set("QT_QPA_PLATFORM") && !Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
    std::fputs("zirt: no display found; run it under a virtual one: xvfb-run -a build/zirt\n",
               stderr);
    return 1;
  }

  QApplication application(argc, argv);
  // Only the name: a display name would be appended to every window's caption.
  QApplication::setApplicationName(QString::fromLatin1(zirt::kApplicationTitle));
  zirt::InstallApplicationStyle();
  zirt::InstallQtTranslation(application);
  zirt::QtPlatform platform;
  try {
    zirt::ApplyRegionalSettings();
    zirt::LocaleChangeFilter locale_filter;
    application.installEventFilter(&locale_filter);
    TMPForm form(platform);
    TZIRTAboutBox about_box(&form);  // Hidden until "О программе".
    form.ZIRTAboutBox = &about_box;
    form.show();
    QApplication::exec();
  } catch (const zirt::Exception& error) {
    zirt::ShowException(platform, nullptr, error.Message());
  } catch (const std::exception& error) {
    zirt::ShowException(platform, nullptr, error.what());
  }
  return 0;
}
