// Takes the documentation's pictures: the main window right after start-up and after loading
// examples/ and computing in step-by-step mode, the diagnostics window, the about box and the help
// window.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" zirt_screenshots docs/screenshots .
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "app/about_box.h"
#include "app/diagnostics_window.h"
#include "app/mpkalibr.h"
#include "data/decimal_separator.h"
#include "platform/help_viewer.h"
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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER SOURCE_FOLDER\n", argv[0]);
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  const QDir source(QString::fromLocal8Bit(argv[2]));
  QApplication::setApplicationName(QStringLiteral("ZIRT"));
  zirt::SetDecimalSeparator('.');  // The examples are written with a point.

  zirt::testing::ScriptedPlatform platform;
  QTemporaryDir folder;
  platform.SetCurrentFolder(folder.path());
  TMPForm form(platform);
  form.show();
  if (!Save(form, out.filePath(QStringLiteral("main-window.png")))) return 1;

  QStringList examples;
  for (int k = 1; k <= 4; ++k)
    examples << source.filePath(QStringLiteral("examples/zoom%1.crd").arg(k));
  platform.ScriptOpenFiles(examples);
  form.Button2->click();
  form.N15->trigger();
  form.Button1->click();
  if (!Save(form, out.filePath(QStringLiteral("computed.png")))) return 1;

  form.N16->trigger();
  form.Diagnostics->Points->selectRow(2);
  if (!Save(*form.Diagnostics, out.filePath(QStringLiteral("diagnostics.png")))) return 1;
  form.Diagnostics->hide();

  TZIRTAboutBox about(&form);
  about.show();
  if (!Save(about, out.filePath(QStringLiteral("about-box.png")))) return 1;
  about.hide();

  zirt::HelpViewer help(&form);
  help.Open(zirt::ResolveHelpFile(QStringLiteral("ZIRTHelp\\ZIRT_01.HLP"), {source.path()}));
  help.show();
  if (!Save(help, out.filePath(QStringLiteral("help.png")))) return 1;
  return 0;
}
