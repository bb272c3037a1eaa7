// Takes the documentation's pictures: the main window right after start-up, after loading
// examples/ and computing in step-by-step mode, and with a 4000 × 3000 camera's points, the
// diagnostics window, the about box, the help window, and on the desktop's own dialogs the file
// dialog, the error of a load under a comma separator with the question that follows it, the
// close question and a computation's failure explained.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" zirt_screenshots docs/screenshots .
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
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
#include "app/diagnostics/diagnostics_window.h"
#include "app/main/mpkalibr.h"
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

// A zoom sequence of a 4000 × 3000 camera about (2030, 1480): five images of a 9 × 7 grid whose
// outer points come near the image's edges on the last one.
QStringList WriteLargeSet(const QDir& folder) {
  QStringList paths;
  for (int k = 0; k < 5; ++k) {
    const double zoom = 0.6 + 0.1 * k;
    QByteArray text;
    for (int j = 0; j < 7; ++j)
      for (int i = 0; i < 9; ++i) {
        // Off the grid's centre, so that no track is vertical.
        const double x = 2030 + zoom * ((i - 4) * 470 + 37), y = 1480 + zoom * ((j - 3) * 480 + 23);
        text += QByteArray::number(x, 'f', 2) + ";" + QByteArray::number(y, 'f', 2) + "\r\n";
      }
    paths << folder.filePath(QStringLiteral("large%1.crd").arg(k + 1));
    QFile file(paths.back());
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(text);
  }
  return paths;
}

// Point 2 keeps its x on every image: the report's line fit fails there.
QStringList WriteVerticalTrack(const QDir& folder) {
  const char* texts[] = {"420;290\r\n270;340\r\n100;100\r\n600;500\r\n",
                         "520;341\r\n270;440\r\n200;150\r\n700;600\r\n",
                         "620;390\r\n270;540\r\n300;200\r\n800;700\r\n"};
  QStringList paths;
  for (int k = 0; k < 3; ++k) {
    paths << folder.filePath(QStringLiteral("track%1.crd").arg(k + 1));
    QFile file(paths.back());
    if (!file.open(QIODevice::WriteOnly)) return {};
    file.write(texts[k]);
  }
  return paths;
}

// The main window right after start-up, after loading examples/ and computing in step-by-step
// mode, its diagnostics, the same result in English, and a 4000 × 3000 camera's points. False
// when a picture could not be written.
bool ShootMainWindow(TMPForm& form, zirt::testing::ScriptedPlatform& platform, const QDir& out,
                     const QStringList& examples, const QDir& folder) {
  form.show();
  if (!Save(form, out.filePath(QStringLiteral("main-window.png")))) return false;

  platform.ScriptOpenFiles(examples);
  form.Button2->click();
  form.N15->trigger();
  form.Button1->click();
  if (!Save(form, out.filePath(QStringLiteral("computed.png")))) return false;

  form.N16->trigger();
  form.Diagnostics->Points->selectRow(2);
  form.Diagnostics->Points->setFocus();
  if (!Save(*form.Diagnostics, out.filePath(QStringLiteral("diagnostics.png")))) return false;
  form.Diagnostics->hide();

  // The same result in the English interface; the rest is pictured in Russian again.
  zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kEnglish);
  if (!Save(form, out.filePath(QStringLiteral("english-interface.png")))) return false;
  zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kRussian);

  TMPForm large(platform);
  platform.ScriptOpenFiles(WriteLargeSet(folder));
  large.Button2->click();
  large.Button1->click();
  large.show();
  return Save(large, out.filePath(QStringLiteral("large-point-set.png")));
}

bool ShootAboutAndHelp(QWidget& owner, const QDir& out, const QDir& source) {
  TZIRTAboutBox about(&owner);
  about.show();
  if (!Save(about, out.filePath(QStringLiteral("about-box.png")))) return false;
  about.hide();

  zirt::HelpViewer help(&owner);
  help.Open(zirt::ResolveHelpFile(QStringLiteral("ZIRTHelp\\ZIRT_01.HLP"), {source.path()}));
  help.show();
  if (!Save(help, out.filePath(QStringLiteral("help.png")))) return false;
  help.hide();
  return true;
}

// The point-separated examples loaded under Russian regional settings, through Qt's own
// dialogs in Russian: each is pictured as it opens, then answered. Then the close question, and
// a computation's failure with what to do, on the desktop's boxes.
bool ShootDesktopDialogs(QApplication& application, const QDir& out, const QDir& source,
                         const QStringList& examples, const QDir& folder) {
  zirt::InstallQtTranslation(application);
  zirt::SetDecimalSeparator(',');
  zirt::QtPlatform desktop;
  TMPForm russian(desktop);
  russian.SetDialogDirs(source.filePath(QStringLiteral("examples")));
  russian.show();
  Settle();
  bool shot = true;
  QString box_shot = QStringLiteral("load-error.png");
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
      shot = shot && Save(*box, out.filePath(box_shot));
      // The refused load's box is followed by the question of the other separator.
      if (box_shot == QStringLiteral("load-error.png"))
        box_shot = QStringLiteral("separator-question.png");
      // Escape's answer: Cancel, No or OK.
      if (QAbstractButton* escape = box->escapeButton())
        escape->click();
      else
        box->accept();
    }
    answer.start();
  });
  answer.start(200);
  russian.Button2->click();
  answer.stop();

  zirt::SetDecimalSeparator('.');
  russian.LoadFiles(examples);
  russian.Button1->click();
  box_shot = QStringLiteral("close-question.png");
  answer.start(200);
  russian.close();
  answer.stop();
  russian.LoadFiles(WriteVerticalTrack(folder));
  box_shot = QStringLiteral("compute-failure.png");
  answer.start(200);
  russian.Button1->click();
  answer.stop();
  return shot;
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
  QStringList examples;
  for (int k = 1; k <= 4; ++k)
    examples << source.absoluteFilePath(QStringLiteral("examples/zoom%1.crd").arg(k));
  TMPForm form(platform);
  if (!ShootMainWindow(form, platform, out, examples, QDir(folder.path()))) return 1;
  if (!ShootAboutAndHelp(form, out, source)) return 1;
  return ShootDesktopDialogs(application, out, source, examples, QDir(folder.path())) ? 0 : 1;
}
