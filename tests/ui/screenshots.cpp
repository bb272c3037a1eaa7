// Takes the documentation's pictures: the main window right after start-up and after loading
// examples/ and computing in step-by-step mode, the diagnostics window, the about box, the help
// window, and on the desktop's own dialogs the file dialog and the error of a load under a
// comma separator.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" zirt_screenshots docs/screenshots .
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <cstdio>

#include "app/about_box.h"
#include "app/diagnostics_window.h"
#include "app/mpkalibr.h"
#include "data/decimal_separator.h"
#include "platform/help_viewer.h"
#include "platform/qt_platform.h"
#include "platform/qt_translation.h"
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
  help.hide();

  // The point-separated examples loaded under Russian regional settings, through Qt's own
  // dialogs in Russian: each is pictured as it opens, then answered.
  zirt::InstallQtTranslation(application);
  zirt::SetDecimalSeparator(',');
  zirt::QtPlatform desktop;
  TMPForm russian(desktop);
  russian.SetDialogDirs(source.filePath(QStringLiteral("examples")));
  russian.show();
  Settle();
  bool shot = true;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || !modal->isVisible()) return;
    answer.stop();  // Picturing runs the event loop, which must not answer twice.
    if (auto* dialog = qobject_cast<QFileDialog*>(modal)) {
      if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        name->setText(QStringLiteral("zoom1.crd"));
      shot = shot && Save(*dialog, out.filePath(QStringLiteral("file-dialog.png")));
      static_cast<QDialog*>(dialog)->accept();
    } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      shot = shot && Save(*box, out.filePath(QStringLiteral("load-error.png")));
      box->accept();
    }
    answer.start();
  });
  answer.start(200);
  russian.Button2->click();
  answer.stop();
  return shot ? 0 : 1;
}
