// Takes the documentation's pictures of the data editor: a camera file as the main window
// writes it, and an image coordinate file.
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" zirt_editor_screenshots docs/screenshots
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "data/decimal_separator.h"
#include "editor/grid_view.h"
#include "editor/red_form.h"
#include "tests/support/scripted_platform.h"

namespace {

void Settle() {
  for (int i = 0; i < 20; ++i) {
    QApplication::processEvents();
    QThread::msleep(25);
  }
}

QString Write(const QTemporaryDir& folder, const QString& name, const QStringList& lines) {
  QStringEncoder encoder("windows-1251");
  QByteArray bytes;
  for (const QString& line : lines) bytes += encoder(line) + "\r\n";
  const QString path = folder.filePath(name);
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  return path;
}

bool Shoot(zirt::Platform& platform, const QString& file, int kind, const QString& picture) {
  TRedForm form(platform);
  if (!form.LoadFile(file, kind)) return false;
  form.show();
  Settle();
  if (form.grab().save(picture)) return true;
  std::fprintf(stderr, "cannot write %s\n", qPrintable(picture));
  return false;
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
  const QString camera = Write(folder, QStringLiteral("cam1P.cam"),
                               {QStringLiteral("1024 ; Координата X центра изображения"),
                                QStringLiteral("768 ; Координата Y центра изображения"),
                                QStringLiteral("table1 ; Таблица коррекции"),
                                QStringLiteral("1530,25 ; Фокусное расстояние"),
                                QStringLiteral("2048 ; Размер изображения по горизонтали"),
                                QStringLiteral("1536 ; Размер изображения по вертикали"),
                                QStringLiteral("1021,3456 ; Координата X главной точки"),
                                QStringLiteral("770,0815 ; Координата Y главной точки")});
  const QString coordinates = Write(folder, QStringLiteral("img1.crd"),
                                    {"420 ; 290", "270 ; 340", "512,25 ; 384,5", "1001,75 ; 96",
                                     "77,125 ; 688", "640 ; 480", "803,5 ; 122,25"});
  if (!Shoot(platform, camera, 5, out.filePath(QStringLiteral("editor-camera.png")))) return 1;
  if (!Shoot(platform, coordinates, 2, out.filePath(QStringLiteral("editor-coordinates.png"))))
    return 1;
  return 0;
}
