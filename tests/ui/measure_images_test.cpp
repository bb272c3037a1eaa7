// "Файл → Измерить снимки…" with the real zirt-measure: the pattern asked, the marks shown
// for checking, the files written beside the images and loaded; refusals that write nothing.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>

#include "app/main/mpkalibr.h"
#include "app/measure/measure_preview.h"
#include "app/measure/measure_settings_dialog.h"
#include "app/measure/print_board.h"
#include "data/text_file.h"
#include "tests/core/separator_guard.h"
#include "tests/support/board_render.h"
#include "tests/support/photo_zoom.h"
#include "tests/support/scripted_platform.h"
#include "tests/support/target_render.h"

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Answers the command's own dialogs as they come up: the pattern dialog with `cols` (accepted
// `accepts` times, then cancelled), the preview accepted or rejected (and pictured when
// ZIRT_PREVIEW_SHOT names a file, zoomed ZIRT_PREVIEW_ZOOM times; the dialog brought back
// after a failure, when ZIRT_ASK_SHOT does).
struct DialogAnswers {
  void Start() {
    QObject::connect(&timer, &QTimer::timeout, [this] { Poll(); });
    timer.start(50);
  }
  void Poll() {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* ask = qobject_cast<zirt::MeasureSettingsDialog*>(modal)) {
      ask->Kind->setCurrentIndex(kind);
      ask->FindSize->setChecked(find_size);
      ask->Cols->setValue(cols);
      ask->Rows->setValue(rows);
      settings_shown++;
      if (const QByteArray shot = qgetenv("ZIRT_ASK_SHOT"); !shot.isEmpty() && settings_shown > 1)
        ask->grab().save(QString::fromLocal8Bit(shot));
      if (on_ask) on_ask(*ask);
      settings_shown <= accepts ? ask->accept() : ask->reject();
    } else if (auto* print = qobject_cast<zirt::PrintBoardDialog*>(modal)) {
      print->Kind->setCurrentIndex(1);
      print->Cols->setValue(4);
      print->Rows->setValue(3);
      print->SquareMm->setValue(40);
      settings_shown++;
      print->accept();
    } else if (auto* preview = qobject_cast<zirt::MeasurePreview*>(modal)) {
      preview_images = preview->Images->count();
      preview_note = preview->Note->text();
      preview_output = preview->Output->text();
      for (int k = 0; k < preview->Images->count(); ++k)
        preview_items << preview->Images->item(k)->text();
      if (const QByteArray shot = qgetenv("ZIRT_PREVIEW_SHOT"); !shot.isEmpty()) {
        preview->Images->setCurrentRow(shot_row);
        if (const double zoom = qEnvironmentVariable("ZIRT_PREVIEW_ZOOM").toDouble(); zoom > 1)
          preview->Picture->ZoomAt(zoom, preview->Picture->rect().center());
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
  int rows = 6;
  int shot_row = 1;        // the image pictured
  bool find_size = false;  // the dialog's "find the size from the first image"
  int accepts = 1;
  std::function<void(zirt::MeasureSettingsDialog&)> on_ask;  // before the answer
  bool accept_preview = true;
  bool cancel = false;  // The progress bar's Отмена.
  int settings_shown = 0;
  int preview_images = -1;
  QString preview_note;
  QString preview_output;
  QStringList preview_items;
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

  // Each case starts with no coordinate file beside the images.
  void init() {
    for (const QString& name : QDir(folder.path()).entryList({QStringLiteral("*.crd")})) {
      QFile::remove(folder.filePath(name));
      QDir().rmdir(folder.filePath(name));
    }
  }

  void measuredFilesAreWrittenAndLoaded() {
    zirt::SeparatorGuard comma(',');
    zirt::testing::ScriptedPlatform platform;
    platform.SetCurrentFolder(folder.path());
    TMPForm form(platform);
    platform.ScriptOpenFiles(images);
    DialogAnswers answers;
    answers.find_size = true;
    answers.cols = 5;  // Not asked for: the board's size is found.
    answers.Start();
    form.MeasureImages->trigger();
    QCOMPARE(answers.settings_shown, 1);
    QCOMPARE(answers.preview_images, 3);
    QVERIFY2(answers.preview_note.contains(QStringLiteral("9 × 6")),
             qPrintable(answers.preview_note));
    QCOMPARE(answers.preview_output,
             QStringLiteral("Будут записаны файлы координат (3) в папку %1: снимок 1.crd, снимок "
                            "2.crd, снимок 3.crd.")
                 .arg(QDir::toNativeSeparators(QFileInfo(folder.path()).absoluteFilePath())));
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

  // A ChArUco board seen in part: the long end shows too few corners and is left out (named
  // in the preview, no file); the others have a line for every corner seen in two images.
  void boardSeenInPart() {
    zirt::test::TargetScene scene;
    std::string error;
    scene.board = *zirt::ParseCharuco("11x8", error);
    scene.width = 1200, scene.height = 900, scene.principal = {601.3, 448.6};
    QStringList shots;
    const double zooms[] = {1, 1.8, 3.2, 10};
    for (int k = 0; k < 4; ++k) {
      const cv::Mat grey = zirt::test::RenderTarget(scene, zooms[k], 3 + k);
      QImage image(grey.cols, grey.rows, QImage::Format_Grayscale8);
      for (int y = 0; y < grey.rows; ++y) std::memcpy(image.scanLine(y), grey.ptr(y), grey.cols);
      shots << folder.filePath(QStringLiteral("доска %1.png").arg(k + 1));
      QVERIFY(image.save(shots.back()));
    }
    zirt::testing::ScriptedPlatform platform;
    platform.SetCurrentFolder(folder.path());
    TMPForm form(platform);
    platform.ScriptOpenFiles(shots);
    DialogAnswers answers;
    answers.kind = 4;
    answers.cols = 11;
    answers.rows = 8;
    answers.shot_row = 2;
    answers.Start();
    form.MeasureImages->trigger();
    QVERIFY2(platform.Messages().empty(),
             qPrintable(platform.Messages().empty() ? QString()
                                                    : platform.Messages()[0].request.detail));
    QCOMPARE(answers.preview_items.size(), 4);
    QVERIFY2(answers.preview_items[0].endsWith(QStringLiteral("— 70 углов")),
             qPrintable(answers.preview_items[0]));
    QVERIFY2(answers.preview_items[3].endsWith(QStringLiteral("— пропущен")),
             qPrintable(answers.preview_items[3]));
    QCOMPARE(form.State().Images.Length(), std::size_t(3));
    QVERIFY2(answers.preview_output.contains(QStringLiteral("(3)")) &&
                 !answers.preview_output.contains(QStringLiteral("доска 4")),
             qPrintable(answers.preview_output));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("доска 4.crd"))));
    const QByteArray third = ReadFile(folder.filePath(QStringLiteral("доска 3.crd")));
    QVERIFY(third.contains("- ; -\r\n"));
    QCOMPARE(third.count('\n'),
             ReadFile(folder.filePath(QStringLiteral("доска 1.crd"))).count('\n'));
  }

  // The preview zooms about the place pointed at, between fitting and its limit, pans when
  // dragged, and fits again with 0 or Вписать.
  void previewZoomsAndPans() {
    zirt::MeasurePreview preview(images, {{QPointF(100, 80)}, {QPointF(110, 90)}}, {}, {}, nullptr);
    preview.show();
    zirt::MarkedImage& view = *preview.Picture;
    QApplication::processEvents();
    const QPointF middle(view.width() / 2.0, view.height() / 2.0);
    const QPointF mark = view.ToWidget({100, 80});
    view.ZoomAt(3, mark);
    QCOMPARE(view.Zoom(), 3.0);
    QVERIFY(QLineF(view.ToWidget({100, 80}), mark).length() < 1e-6);
    view.ZoomAt(1e6, mark);
    QCOMPARE(view.Zoom(), zirt::MarkedImage::kMaxZoom);

    const QPointF before = view.ToWidget({100, 80});
    const auto mouse = [&](QEvent::Type type, QPointF at, Qt::MouseButtons held) {
      QMouseEvent event(type, at, view.mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
      QApplication::sendEvent(&view, &event);
    };
    mouse(QEvent::MouseButtonPress, middle, Qt::LeftButton);
    mouse(QEvent::MouseMove, middle + QPointF(30, -20), Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, middle + QPointF(30, -20), Qt::NoButton);
    QVERIFY(QLineF(view.ToWidget({100, 80}), before + QPointF(30, -20)).length() < 1e-6);

    QTest::keyClick(&view, Qt::Key_0);
    QCOMPARE(view.Zoom(), 1.0);
    // Fitted, the image's centre is the view's, whatever the pan was.
    QVERIFY(QLineF(view.ToWidget({319.5, 219.5}), middle).length() < 1e-6);
    view.ZoomAt(1 / 2.0, middle);
    QCOMPARE(view.Zoom(), 1.0);
    QTest::keyClick(&view, Qt::Key_Plus);
    QVERIFY(view.Zoom() > 1);
    preview.FitButton->click();
    QCOMPARE(view.Zoom(), 1.0);
  }

  // Delete in the pattern dialog's list drops the images selected, and only them; Измерить
  // waits for an image.
  void patternDialogDropsImagesWithDelete() {
    const QStringList three{QStringLiteral("/a/1.jpg"), QStringLiteral("/a/2.jpg"),
                            QStringLiteral("/a/3.jpg")};
    zirt::MeasureSettingsDialog ask({}, three, {{three[1], QStringLiteral("повреждён"), true}},
                                    nullptr);
    QTest::keyClick(ask.Images, Qt::Key_Delete);
    QCOMPARE(ask.ImagePaths(), QStringList({three[0], three[2]}));
    ask.Images->selectAll();
    ask.Remove->click();
    QVERIFY(ask.ImagePaths().isEmpty());
    const auto* buttons = ask.findChild<QDialogButtonBox*>();
    QVERIFY(!buttons->button(QDialogButtonBox::Ok)->isEnabled());
  }

  // "Мишень для печати…": the board asked is drawn by zirt-measure into the PDF named.
  void boardDrawnToPrint() {
    zirt::testing::ScriptedPlatform platform;
    platform.SetCurrentFolder(folder.path());
    TMPForm form(platform);
    const QString pdf = folder.filePath(QStringLiteral("сетка.pdf"));
    platform.ScriptSaveFile(pdf);
    DialogAnswers answers;
    answers.Start();
    form.PrintBoard->trigger();
    QCOMPARE(answers.settings_shown, 1);
    QCOMPARE(platform.Messages().size(), std::size_t(1));
    QCOMPARE(platform.Messages()[0].request.icon, zirt::Icon::kInformation);
    QVERIFY(ReadFile(pdf).startsWith("%PDF"));
  }

  // Files that exist: kept on Отмена, loaded as they are on "Загрузить имеющиеся"; a
  // cancelled measuring or a rejected preview writes nothing; an output that is an image is
  // refused before measuring.
  void existingFilesAndRefusals() {
    zirt::testing::ScriptedPlatform platform;
    TMPForm form(platform);
    const QString kept = folder.filePath(QStringLiteral("снимок 1.crd"));
    WriteFile(kept, "1 ; 2\r\n");
    for (const zirt::Answer answer : {zirt::Answer::kNo, zirt::Answer::kLoad}) {
      platform.ScriptOpenFiles(images);
      platform.ScriptAnswer(answer);
      DialogAnswers answers;
      answers.Start();
      form.MeasureImages->trigger();
      QCOMPARE(answers.preview_images, -1);
      QCOMPARE(platform.Messages().back().request.buttons, zirt::Buttons::kReplaceLoadCancel);
      QVERIFY(platform.Messages().back().request.text.contains(QStringLiteral("снимок 1.crd")));
      QCOMPARE(ReadFile(kept), QByteArray("1 ; 2\r\n"));
      QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("снимок 2.crd"))));
    }
    QCOMPARE(form.ListBox1->count(), 1);  // The one file there was, loaded.
    QVERIFY(QFile::remove(kept));

    platform.ScriptOpenFiles(images);
    DialogAnswers cancelled;
    cancelled.cancel = true;
    cancelled.Start();
    const std::size_t messages = platform.Messages().size();
    form.MeasureImages->trigger();
    cancelled.timer.stop();
    QCOMPARE(cancelled.preview_images, -1);
    QCOMPARE(platform.Messages().size(), messages);
    QVERIFY(!QFile::exists(kept));

    // A link named as the output that leads to the image: the image would be overwritten.
    QVERIFY(QFile::link(images[0], kept));
    platform.ScriptOpenFiles({images[0]});
    DialogAnswers linked;
    linked.Start();
    form.MeasureImages->trigger();
    QVERIFY(platform.Messages().back().request.text.contains(QStringLiteral("поверх снимка")));
    QCOMPARE(linked.preview_images, -1);
    QVERIFY(QFile::remove(kept));
    QCOMPARE(platform.UnscriptedCalls(), 0);
  }

  // Images that cannot be measured are named with their reasons, and the pattern dialog comes
  // back for the same images; so it does when the measuring process is killed.
  void failuresNameTheImagesAndAskAgain() {
    zirt::testing::ScriptedPlatform platform;
    TMPForm form(platform);
    QTemporaryDir bad;
    const QString cut = bad.filePath(QStringLiteral("обрезан.png"));
    WriteFile(cut, ReadFile(images[1]).left(3000));
    const QString folder_image = bad.filePath(QStringLiteral("папка.png"));
    QVERIFY(QDir().mkdir(folder_image));
    platform.ScriptOpenFiles({images[0], cut, folder_image});
    DialogAnswers wrong;
    wrong.cols = 8;
    wrong.Start();
    form.MeasureImages->trigger();
    QCOMPARE(wrong.settings_shown, 2);
    const zirt::MessageRequest& told = platform.Messages().back().request;
    // Every reason in the main text, in Russian; no hint to go without a board in view.
    QVERIFY2(told.text.contains(QStringLiteral(
                 "снимок 1.png — мишень не найдена: в кадре шахматная доска 9×6 внутренних углов "
                 "— проверьте размер мишени")) &&
                 told.text.contains(QStringLiteral("обрезан.png — повреждён")) &&
                 told.text.contains(QStringLiteral("папка.png — не обычный файл (папка)")) &&
                 !told.text.contains(QStringLiteral("Без мишени")),
             qPrintable(told.text));
    QVERIFY(told.detail.contains(QStringLiteral("not a regular file")));
    wrong.timer.stop();

    // A photograph with no board: the hint to measure by the scene.
    QImage blank(320, 240, QImage::Format_Grayscale8);
    blank.fill(200);
    const QString empty = bad.filePath(QStringLiteral("пусто.png"));
    QVERIFY(blank.save(empty));
    platform.ScriptOpenFiles({empty});
    DialogAnswers none;
    none.Start();
    form.MeasureImages->trigger();
    QCOMPARE(platform.Messages().back().request.text,
             QStringLiteral("Не измерены снимки:\nпусто.png — мишень не найдена\nФайлы не "
                            "записаны.\nЕсли мишени в кадре нет, выберите «Без мишени — по "
                            "деталям сцены»: точки найдутся по деталям самой сцены."));
    none.timer.stop();

    // A measuring process that dies.
    WriteFile(bad.filePath(QStringLiteral("zirt-measure")), "#!/bin/sh\nkill -KILL $$\n");
    QFile::setPermissions(bad.filePath(QStringLiteral("zirt-measure")),
                          QFile::ReadOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bad.path()) + ':' + path);
    platform.ScriptOpenFiles({images[0]});
    DialogAnswers killed;
    killed.accepts = 2;
    killed.Start();
    form.MeasureImages->trigger();
    qputenv("PATH", path);
    QCOMPARE(killed.settings_shown, 3);
    QVERIFY(platform.Messages().back().request.text.contains(QStringLiteral("измерение прервано")));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("снимок 1.crd"))));
  }

  // A truncated photograph fails the measuring; the dialog comes back with it marked and
  // selected, so one click drops it and the others are measured, written and loaded.
  void aDamagedPhotographIsDropped() {
    QTemporaryDir bad;
    const QString cut = bad.filePath(QStringLiteral("обрезан.jpg"));
    WriteFile(cut, ReadFile(QStringLiteral(ZIRT_TEST_PHOTOS "/left02.jpg")).left(20000));
    zirt::testing::ScriptedPlatform platform;
    TMPForm form(platform);
    platform.ScriptOpenFiles({images[0], cut, images[1], images[2]});
    DialogAnswers answers;
    answers.accepts = 2;
    QStringList listed, selected;
    QString problem;
    answers.on_ask = [&](zirt::MeasureSettingsDialog& ask) {
      if (answers.settings_shown != 2) return;
      for (int k = 0; k < ask.Images->count(); ++k) listed << ask.Images->item(k)->text();
      for (const QListWidgetItem* item : ask.Images->selectedItems()) selected << item->text();
      problem = ask.Problem->text();
      ask.Remove->click();
    };
    answers.Start();
    form.MeasureImages->trigger();
    answers.timer.stop();
    QCOMPARE(answers.settings_shown, 2);
    QCOMPARE(listed.size(), 4);
    QCOMPARE(selected, QStringList{QStringLiteral("обрезан.jpg — повреждён")});
    QVERIFY2(problem.contains(QStringLiteral("обрезан.jpg — повреждён")), qPrintable(problem));
    QVERIFY(platform.Messages()[0].request.text.contains(QStringLiteral("обрезан.jpg")));
    QCOMPARE(answers.preview_images, 3);
    QCOMPARE(form.ListBox1->count(), 3);
    QCOMPARE(form.ListBox1->item(2)->text(), QStringLiteral("снимок 3.crd"));
    QVERIFY(!QFile::exists(bad.filePath(QStringLiteral("обрезан.crd"))));
  }

  // Replacing agreed to, a folder that cannot take a file keeps the measurements and asks
  // for another folder: the old files stay as they were, the new ones go there and load.
  void anUnwritableFolderAsksForAnother() {
    zirt::testing::ScriptedPlatform platform;
    TMPForm form(platform);
    const QString kept = folder.filePath(QStringLiteral("снимок 1.crd"));
    WriteFile(kept, "1 ; 2\r\n");
    const QString blocked = folder.filePath(QStringLiteral("снимок 3.crd"));
    QVERIFY(QDir().mkdir(blocked));
    QTemporaryDir other;
    platform.ScriptOpenFiles(images);
    platform.ScriptAnswer(zirt::Answer::kYes);
    platform.ScriptPickFolder(other.path());
    DialogAnswers replace;
    replace.Start();
    form.MeasureImages->trigger();
    replace.timer.stop();
    QCOMPARE(platform.Messages().back().request.text,
             QStringLiteral("Ошибка записи файла координат!"));
    QCOMPARE(platform.FolderDialogs(), 1);
    QCOMPARE(ReadFile(kept), QByteArray("1 ; 2\r\n"));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("снимок 2.crd"))));
    QCOMPARE(zirt::ReadLines(other.filePath(QStringLiteral("снимок 3.crd")).toStdString()).size(),
             std::size_t(54));
    QCOMPARE(form.ListBox1->count(), 3);
    QCOMPARE(platform.UnscriptedCalls(), 0);
    QVERIFY(QDir().rmdir(blocked));
    QVERIFY(QFile::remove(kept));
  }

 private:
  QTemporaryDir folder;
  QStringList images;
};

QTEST_MAIN(MeasureImagesTest)
#include "measure_images_test.moc"
