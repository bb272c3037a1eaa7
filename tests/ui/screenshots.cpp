// Takes the documentation's pictures of the main window: right after start-up, and after
// loading the three-image example and computing in step-by-step mode.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" zirt_screenshots docs/screenshots
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "app/mpkalibr.h"
#include "data/decimal_separator.h"
#include "tests/support/scripted_platform.h"

namespace {

void Settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(25);
  }
}

bool Save(QWidget& window, const QString& path) {
  Settle();
  if (window.grab().save(path)) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
  return false;
}

QString Write(const QTemporaryDir& folder, const QString& name, const QByteArray& text) {
  const QString path = folder.filePath(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(text);
  return path;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  QApplication::setApplicationName(QStringLiteral("ZIRT"));
  zirt::SetDecimalSeparator(',');  // As under Russian regional settings.

  zirt::testing::ScriptedPlatform platform;
  QTemporaryDir folder;
  platform.SetCurrentFolder(folder.path());
  TMPForm form(platform);
  form.show();
  if (!Save(form, out.filePath(QStringLiteral("main-window.png")))) return 1;

  platform.ScriptOpenFiles({Write(folder, "img1.crd", "420;290\r\n270;340\r\n"),
                            Write(folder, "img2.crd", "520;341\r\n221;440\r\n"),
                            Write(folder, "img3.crd", "620;390\r\n170;540\r\n")});
  form.Button2->click();
  form.N15->trigger();
  form.Button1->click();
  if (!Save(form, out.filePath(QStringLiteral("computed.png")))) return 1;
  return 0;
}
