// "Файл → Измерить снимки…" with the real zirt-measure: the pattern asked, the marks shown
// for checking, the files written beside the images and loaded; refusals that write nothing.
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>

#include "app/measure_preview.h"
#include "app/measure_settings_dialog.h"
#include "app/mpkalibr.h"
#include "data/text_file.h"
#include "tests/core/separator_guard.h"
#include "tests/support/board_render.h"
#include "tests/support/photo_zoom.h"
#include "tests/support/scripted_platform.h"

namespace {

// Answers the command's own dialogs as they come up: the pattern dialog with `settings`, the
// preview accepted or rejected (and pictured when ZIRT_PREVIEW_SHOT names a file).
struct DialogAnswers {
  void Start() {
    QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
    timer.start(50);
  }
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* ask = qobject_cast<zirt::MeasureSettingsDialog*>(modal)) {
      ask->Kind->setCurrentIndex(kind);
      ask->Cols->setValue(cols);
      ask->Rows->setValue(6);
      settings_shown++;
      ask->accept();
    } else if (auto* preview = qobject_cast<zirt::MeasurePreview*>(modal)) {
      preview_images = preview->Images->count();
      if (const QByteArray shot = qgetenv("ZIRT_PREVIEW_SHOT"); !shot.isEmpty()) {
        preview->Images->setCurrentRow(1);
        QApplication::processEvents();
        preview->grab().save(QString::fromLocal8Bit(shot));
      }
      accept_preview ? preview->accept() : preview->reject();
    } else if (auto* progress = qobject_cast<QProgressDialog*>(modal); progress && cancel) {
      progress->cancel();
    }
  }
  QTimer timer;  // Stops with the answers.
  int kind = 0;
  int cols = 9;
  bool accept_preview = true;
  bool cancel = false;  // The progress bar's Отмена.
  int settings_shown = 0;
  int preview_images = -1;
};

}  // namespace

class MeasureImagesTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    zirt::test::BoardScene scene;
    scene.width = 640, scene.height = 440, scene.principal = {321.3, 219.6};
    for (int k = 0; k < 3; ++k) {
      const cv::Mat grey = zirt::test::RenderBoard(scene, 0.85 + 0.2 * k, 7 + k);
      QImage image(grey.cols, grey.rows, QImage::Format_Grayscale8);
      for (int y = 0; y < grey.rows; ++y) std::memcpy(image.scanLine(y), grey.ptr(y), grey.cols);
      images << folder.filePath(QStringLiteral("снимок %1.png").arg(k + 1));
      QVERIFY(image.save(images.back()));
    }
  }

  void measuredFilesAreWrittenAndLoaded() {
    zirt::SeparatorGuard comma(',');
    zirt::testing::ScriptedPlatform platform;
    platform.SetCurrentFolder(folder.path());
    TMPForm form(platform);
    platform.ScriptOpenFiles(images);
    DialogAnswers answers;
    answers.Start();
    form.MeasureImages->trigger();
    QCOMPARE(answers.settings_shown, 1);
    QCOMPARE(answers.preview_images, 3);
    QVERIFY2(platform.Messages().empty(),
             qPrintable(platform.Messages().empty() ? QString()
                                                    : platform.Messages()[0].request.detail));
    QCOMPARE(form.ListBox1->count(), 3);
    QCOMPARE(form.ListBox1->item(0)->text(), QStringLiteral("снимок 1.crd"));
    QCOMPARE(form.State().Images.Length(), std::size_t(3));
    QCOMPARE(form.State().Images[2].Count(), 54);
    const auto lines =
        zirt::ReadLines(folder.filePath(QStringLiteral("снимок 2.crd")).toStdString());
    QCOMPARE(lines.size(), std::size_t(54));
    QVERIFY(QString::fromStdString(lines[0]).contains(QLatin1Char(',')));
    QCOMPARE(platform.UnscriptedCalls(), 0);
  }

  // "Без мишени": the scene's own points, the same count in every file, shown as tracks.
  void sceneMeasuredWithoutTarget() {
    const cv::Mat photo = zirt::test::ReadTestPhoto("home");
    zirt::test::PhotoZoom zoom;
    zoom.enlarge = 1.5;
    zoom.centre = {400.3, 270.8};
    zoom.zooms = {1, 0.88, 0.76};
    std::vector<std::vector<unsigned char>> jpeg;
    zirt::test::MakePhotoZoom(photo, zoom, 4, &jpeg);
    QStringList scene;
    for (std::size_t k = 0; k < jpeg.size(); ++k) {
      scene << folder.filePath(QStringLiteral("сцена %1.jpg").arg(k + 1));
      QFile file(scene.back());
      QVERIFY(file.open(QIODevice::WriteOnly));
      file.write(reinterpret_cast<const char*>(jpeg[k].data()), qint64(jpeg[k].size()));
    }
    zirt::testing::ScriptedPlatform platform;
    platform.SetCurrentFolder(folder.path());
    TMPForm form(platform);
    platform.ScriptOpenFiles(scene);
    DialogAnswers answers;
    answers.kind = 3;
    answers.Start();
    form.MeasureImages->trigger();
    QVERIFY2(platform.Messages().empty(),
             qPrintable(platform.Messages().empty() ? QString()
                                                    : platform.Messages()[0].request.detail));
    QCOMPARE(answers.preview_images, 3);
    QCOMPARE(form.State().Images.Length(), std::size_t(3));
    const int tracks = form.State().Images[0].Count();
    QVERIFY2(tracks > 200, qPrintable(QString::number(tracks)));
    QCOMPARE(form.State().Images[2].Count(), tracks);
  }

  // An existing file kept when the user says no; a cancelled measuring, a rejected preview or
  // a pattern not found writes nothing, the last naming the image.
  void refusalsWriteNothing() {
    zirt::testing::ScriptedPlatform platform;
    TMPForm form(platform);
    const QString kept = folder.filePath(QStringLiteral("снимок 1.crd"));
    QFile::remove(kept);
    QVERIFY(QFile(kept).open(QIODevice::WriteOnly));
    platform.ScriptOpenFiles(images);
    platform.ScriptAnswer(zirt::Answer::kNo);
    DialogAnswers keep;
    keep.Start();
    form.MeasureImages->trigger();
    QCOMPARE(QFileInfo(kept).size(), 0);
    QVERIFY(platform.Messages().back().request.text.contains(QStringLiteral("снимок 1.crd")));

    keep.timer.stop();
    QVERIFY(QFile::remove(kept));
    for (const QString& image : images) QFile::remove(QString(image).replace(".png", ".crd"));
    const std::size_t messages = platform.Messages().size();
    platform.ScriptOpenFiles(images);
    DialogAnswers cancelled;
    cancelled.cancel = true;
    cancelled.Start();
    form.MeasureImages->trigger();
    cancelled.timer.stop();
    QCOMPARE(cancelled.preview_images, -1);
    QCOMPARE(platform.Messages().size(), messages);
    QVERIFY(!QFile::exists(kept));

    for (const bool wrong_count : {false, true}) {
      platform.ScriptOpenFiles({images[0]});
      DialogAnswers answers;
      answers.accept_preview = false;
      answers.cols = wrong_count ? 8 : 9;
      answers.Start();
      form.MeasureImages->trigger();
      QCOMPARE(answers.settings_shown, 1);
      QVERIFY(!QFile::exists(kept));
      if (wrong_count)
        QVERIFY(platform.Messages().back().request.detail.contains(QStringLiteral("снимок 1.png")));
    }

    // Replacing agreed to, a write that fails part way gives the earlier file its old content.
    {
      QFile old(kept);
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write("1 ; 2\r\n");
    }
    const QString blocked = folder.filePath(QStringLiteral("снимок 3.crd"));
    QVERIFY(QDir().mkdir(blocked));
    platform.ScriptOpenFiles(images);
    platform.ScriptAnswer(zirt::Answer::kYes);
    DialogAnswers replace;
    replace.Start();
    form.MeasureImages->trigger();
    replace.timer.stop();
    QCOMPARE(platform.Messages().back().request.text,
             QStringLiteral("Ошибка записи файла координат!"));
    QFile old(kept);
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("1 ; 2\r\n"));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("снимок 2.crd"))));
    QVERIFY(QDir().rmdir(blocked));
  }

 private:
  QTemporaryDir folder;
  QStringList images;
};

QTEST_MAIN(MeasureImagesTest)
#include "measure_images_test.moc"
