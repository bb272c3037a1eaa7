// Start-up to the first painted window, for `hyperfine`: the main window as the program
// builds it, one empty Qt window for comparison, or one window with a line of Cyrillic text
// (what loading a font costs). Quits as soon as the window has painted.
//
//   startup_probe zirt|minimal|text
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <memory>
#include <string_view>

#include "app/about_box.h"
#include "app/app_style.h"
#include "app/main/mpkalibr.h"
#include "platform/qt_platform.h"
#include "platform/regional_settings.h"

namespace {

// Ends the event loop after the watched window's first paint has been delivered.
class FirstPaint : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && !seen_) {
      seen_ = true;
      QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  bool seen_ = false;
};

}  // namespace

int main(int argc, char* argv[]) {
  const std::string_view mode = argc == 2 ? argv[1] : "";
  if (mode != "zirt" && mode != "minimal" && mode != "text") {
    std::fprintf(stderr, "usage: startup_probe zirt|minimal|text\n");
    return 2;
  }
  QApplication application(argc, argv);
  FirstPaint first_paint;
  zirt::QtPlatform platform;
  std::unique_ptr<QWidget> window;
  std::unique_ptr<TZIRTAboutBox> about;
  if (mode == "zirt") {
    // As the program entry does it.
    QApplication::setApplicationName(QStringLiteral("ZIRT"));
    zirt::InstallApplicationStyle();
    zirt::ApplyRegionalSettings();
    auto form = std::make_unique<TMPForm>(platform);
    about = std::make_unique<TZIRTAboutBox>(form.get());
    form->ZIRTAboutBox = about.get();
    window = std::move(form);
  } else if (mode == "text") {
    window = std::make_unique<QLabel>(QStringLiteral("Калибровка главной точки"));
  } else {
    window = std::make_unique<QWidget>();
  }
  window->installEventFilter(&first_paint);
  window->show();
  return QApplication::exec();
}
