// The interface in English for the session and back in Russian: the open windows' texts,
// their messages and Qt's own buttons follow the choice, and Russian is today's texts exactly.
#include <QAbstractButton>
#include <QAbstractFileIconProvider>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/diagnostics/diagnostics_window.h"
#include "app/main/export_dialog.h"
#include "app/main/mpkalibr.h"
#include "app/measure/measure_preview.h"
#include "app/measure/measure_reasons.h"
#include "app/measure/measure_settings_dialog.h"
#include "diagnostics/sequence_test.h"
#include "platform/qt_translation.h"
#include "tests/core/separator_guard.h"
#include "tests/support/scripted_platform.h"

using zirt::testing::ScriptedPlatform;

namespace {

struct Texts {
  QString title, load, compute, save, file_menu, load_item, refusal, refusal_caption;
};

// What the user reads: the window, its File menu, and the box of a computation with no data.
Texts Read(TMPForm& form, ScriptedPlatform& platform) {
  form.Button1->click();
  const auto& box = platform.Messages().back().request;
  return {form.windowTitle(),
          form.Button2->text(),
          form.Button1->text(),
          form.Button3->text(),
          form.N1->title(),
          form.N4->text(),
          box.text,
          box.caption};
}

QString QtYes() {
  QDialogButtonBox box(QDialogButtonBox::Yes);
  return box.button(QDialogButtonBox::Yes)->text();
}

// Three files of two points, loaded and computed.
void LoadAndCompute(TMPForm& form, const QTemporaryDir& folder) {
  QStringList files;
  const QByteArray texts[] = {"420;290\r\n270;340\r\n", "520;341\r\n221;440\r\n",
                              "620;390\r\n170;540\r\n"};
  for (int i = 0; i < 3; ++i) {
    files << folder.filePath(QStringLiteral("img%1.crd").arg(i + 1));
    QFile file(files.back());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(texts[i]) > 0);
  }
  form.LoadFiles(files);
  form.Button1->click();
}

// Every text a dialog shows (title, labels, buttons, lists, tool tips) that is still Russian.
QStringList RussianTexts(const QWidget& dialog) {
  static const QRegularExpression kCyrillic(QStringLiteral("[\\x{0400}-\\x{04FF}]"));
  QStringList texts{dialog.windowTitle()};
  for (const QWidget* w : dialog.findChildren<QWidget*>()) {
    texts << w->toolTip();
    if (const auto* label = qobject_cast<const QLabel*>(w)) texts << label->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(w)) texts << button->text();
    if (const auto* box = qobject_cast<const QComboBox*>(w))
      for (int k = 0; k < box->count(); ++k) texts << box->itemText(k);
    if (const auto* list = qobject_cast<const QListWidget*>(w))
      for (int k = 0; k < list->count(); ++k) texts << list->item(k)->text();
  }
  texts.removeIf([](const QString& text) { return !text.contains(kCyrillic); });
  return texts;
}

}  // namespace

class LanguageTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { qt_russian_ = zirt::InstallQtTranslation(*qApp); }

  void switchesTheOpenWindowToEnglishAndBack() {
    ScriptedPlatform platform;
    TMPForm form(platform);
    form.show();
    const Texts russian = Read(form, platform);
    QCOMPARE(russian.title, QStringLiteral("Калибровка главной точки"));
    QCOMPARE(russian.load, QStringLiteral("Загрузить"));
    QCOMPARE(russian.refusal, QStringLiteral("Координаты не загружены!"));
    QCOMPARE(russian.refusal_caption, QStringLiteral("Ошибка!"));

    form.EnglishLanguage->trigger();
    QCOMPARE(zirt::CurrentInterfaceLanguage(), zirt::InterfaceLanguage::kEnglish);
    QVERIFY(form.EnglishLanguage->isChecked() && !form.RussianLanguage->isChecked());
    const Texts english = Read(form, platform);
    QCOMPARE(english.title, QStringLiteral("Principal point calibration"));
    QCOMPARE(english.load, QStringLiteral("Load"));
    QCOMPARE(english.compute, QStringLiteral("Compute"));
    QCOMPARE(english.save, QStringLiteral("Save"));
    QCOMPARE(english.file_menu, QStringLiteral("&File"));
    QCOMPARE(english.load_item, QStringLiteral("&Load"));
    QCOMPARE(english.refusal, QStringLiteral("No coordinates are loaded!"));
    QCOMPARE(english.refusal_caption, QStringLiteral("Error!"));
    QCOMPARE(QtYes(), QStringLiteral("&Yes"));
    form.N12->trigger();
    QCOMPARE(platform.HelpCalls().back().file, QStringLiteral("ZIRTHelp\\ZIRT_01_en.HLP"));

    form.RussianLanguage->trigger();
    QVERIFY(form.RussianLanguage->isChecked());
    const Texts back = Read(form, platform);
    QCOMPARE(back.title, russian.title);
    QCOMPARE(back.load, russian.load);
    QCOMPARE(back.compute, russian.compute);
    QCOMPARE(back.save, russian.save);
    QCOMPARE(back.file_menu, russian.file_menu);
    QCOMPARE(back.load_item, russian.load_item);
    QCOMPARE(back.refusal, russian.refusal);
    QCOMPARE(back.refusal_caption, russian.refusal_caption);
    if (qt_russian_) QCOMPARE(QtYes(), QStringLiteral("&Да"));
    form.N12->trigger();
    QCOMPARE(platform.HelpCalls().back().file, QStringLiteral("ZIRTHelp\\ZIRT_01.HLP"));
  }

  // An open diagnostics window with its figures turns too, and its figures stay.
  void switchesTheDiagnosticsWindowWithItsFigures() {
    ScriptedPlatform platform;
    TMPForm form(platform);
    QTemporaryDir folder;
    LoadAndCompute(form, folder);
    form.N16->trigger();
    zirt::DiagnosticsWindow* window = form.Diagnostics;
    QVERIFY(window != nullptr);
    const auto header = [&] { return window->Images->model()->headerData(1, Qt::Horizontal); };
    const QString file_cell = window->Images->model()->index(0, 1).data().toString();
    QCOMPARE(window->windowTitle(), QStringLiteral("Диагностика"));
    QCOMPARE(header().toString(), QStringLiteral("Файл"));

    zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kEnglish);
    QCOMPARE(window->windowTitle(), QStringLiteral("Diagnostics"));
    QCOMPARE(window->SaveRefinedButton->text(), QStringLiteral("Save the &refined point…"));
    QCOMPARE(header().toString(), QStringLiteral("File"));
    QCOMPARE(window->Estimates->item(0, 0)->text(), QStringLiteral("x0, px"));
    QCOMPARE(window->Images->model()->index(0, 1).data().toString(), file_cell);
    QVERIFY(window->SaveRefinedButton->isEnabled());

    // The export at the end of the road: the PDF report is written in English.
    const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
    platform.ScriptSaveFile(pdf);
    form.PdfReport->trigger();
    QCOMPARE(platform.Messages().back().request.text, QStringLiteral("Written: %1").arg(pdf));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    if (text.waitForFinished(20000) && text.exitCode() == 0) {
      const QString words = QString::fromUtf8(text.readAllStandardOutput());
      QVERIFY2(words.contains(QStringLiteral("principal point calibration report")),
               qPrintable(words.left(300)));
      QVERIFY(!words.contains(QStringLiteral("Исходные данные")));
    }

    zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kRussian);
    QCOMPARE(window->windowTitle(), QStringLiteral("Диагностика"));
    QCOMPARE(window->Estimates->item(0, 0)->text(), QStringLiteral("x0, пикс."));
    QCOMPARE(window->SaveRefinedButton->text(), QStringLiteral("Сохранить &уточнённую точку…"));
  }

  // The measuring's dialog and preview, the export's dialog and zirt-measure's reasons retold
  // are English throughout in English: every reason zirt-measure gives is known, its figures
  // in place.
  void measuringAndExportSpeakEnglish() {
    zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kEnglish);
    const struct {
      const char* reason;
      const char* english;
    } kReasons[] = {
        {"the pattern is not found; a chessboard of 7x5 inner corners is in view: give "
         "--chessboard "
         "7x5",
         "target not found: a chessboard of 7×5 inner corners is in view; check the target size"},
        {"the chessboard has more inner corners than 9x6",
         "target not found: the chessboard in view has more inner corners than 9×6; check the "
         "target size"},
        {"the pattern is not found", "target not found"},
        {"damaged: Premature end of JPEG file", "damaged"},
        {"too large (25 MP, 6000 x 4000; the limit is 20 MP, --max-megapixels)",
         "too large (25 MP)"},
        {"too little texture: 12 scene features found, at least 40 needed",
         "too few scene details: 12 found, at least 40 needed"},
        {"turned 2.50° against its neighbours in the zoom: the camera moved or turned",
         "turned 2.50° against its neighbours in the zoom: the camera moved or turned"},
        {"the points are not zoomed about one common point (61% of the scene points fit): the "
         "camera moved or turned",
         "the points do not zoom about one common point (61% of the scene points fit): the camera "
         "moved or turned"},
        {"too few scene features in common with the next wider image",
         "too few scene details shared with the next, wider image of the zoom"},
        {"only 9 scene points are followed through the zoom, at least 20 needed",
         "only 9 scene points are followed through the zoom, at least 20 needed"},
        {"3 markers numbered beyond the 44 of a charuco 11x8 DICT_5X5_100 board are in view: "
         "check the board's size",
         "3 markers numbered beyond the 44 of the chosen board are in view: check the board's "
         "size"},
        {"cannot be measured: the pattern finder failed on it (a damaged or unusual image)",
         "not measured: the image's processing failed"},
    };
    for (const auto& r : kReasons)
      QCOMPARE(zirt::RussianReason(QString::fromUtf8(r.reason)), QString::fromUtf8(r.english));
    const QString errors = QStringLiteral(
        "zirt-measure: /a/1.jpg: damaged: Premature end of JPEG file\n"
        "zirt-measure: no marker of the charuco 11x8 DICT_5X5_100 board is seen in any image: "
        "check the board's kind and dictionary\nzirt-measure: nothing written\n");
    QCOMPARE(
        zirt::MeasureFailures({QStringLiteral("/a/1.jpg"), QStringLiteral("/a/2.jpg")}, errors),
        QStringList({QStringLiteral("1.jpg — damaged"),
                     QStringLiteral("no image shows a marker of the charuco 11x8 DICT_5X5_100 "
                                    "board: check the board's kind and dictionary")}));

    const QStringList images{QStringLiteral("/a/1.jpg"), QStringLiteral("/a/2.jpg")};
    zirt::MeasureSettingsDialog ask({}, images, zirt::FailedImages(images, errors), nullptr);
    for (int kind = 0; kind < ask.Kind->count(); ++kind) {
      ask.Kind->setCurrentIndex(kind);
      QCOMPARE(RussianTexts(ask), QStringList());
    }
    zirt::MeasurePreview preview(images, {{QPointF(1, 2)}, {}}, QStringLiteral("9 × 6"),
                                 {QStringLiteral("/a/1.crd"), QString()}, nullptr);
    QCOMPARE(RussianTexts(preview), QStringList());
    ScriptedPlatform platform;
    TMPForm form(platform);
    QTemporaryDir folder;
    LoadAndCompute(form, folder);
    zirt::ExportDialog choice(form.Work(), QStringLiteral("a.yaml"), {"cam0", "cam1"}, nullptr);
    QCOMPARE(RussianTexts(choice), QStringList());
    zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kRussian);
  }

  // What the windows share with zirt-batch follows the language too: a refused load's place
  // and hints, a failed computation's hints, the shift test's findings; and the file dialog's
  // words that Qt's own Russian lacks are Russian in Russian.
  void sharedTextsFollowTheLanguage() {
    zirt::SeparatorGuard comma(',');
    ScriptedPlatform platform;
    TMPForm form(platform);
    QTemporaryDir folder;
    const auto write = [&](const QString& name, const QByteArray& text) {
      QFile file(folder.filePath(name));
      if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) qFatal("no file");
      return file.fileName();
    };
    const QString point = write(QStringLiteral("point.crd"), "1;2\r\n1.5;2.5\r\n");
    const QStringList track{write(QStringLiteral("a.crd"), "420;290\r\n270;340\r\n100;100\r\n"),
                            write(QStringLiteral("b.crd"), "520;341\r\n270;440\r\n200;150\r\n"),
                            write(QStringLiteral("c.crd"), "620;390\r\n270;540\r\n300;200\r\n")};
    const auto read = [&] {
      platform.ClearRecords();
      form.LoadFiles({point});  // Refused, and the question of the point answered No.
      form.LoadFiles(track);
      form.Button1->click();  // Point 2 keeps its x.
      QStringList texts;
      for (const auto& shown : platform.Messages()) texts << shown.request.informative;
      texts << QString::fromStdString(zirt::SequenceFindings(zirt::SequenceTest{}, {}).at(0))
            << QAbstractFileIconProvider().type(QFileInfo(folder.path()));
      return texts;
    };
    const QStringList russian = read();
    QCOMPARE(russian.size(), 5);
    QCOMPARE(russian[0].section('\n', 0, 0), QStringLiteral("point.crd, строка 2"));
    if (qt_russian_) QCOMPARE(russian[4], QStringLiteral("Папка"));

    zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kEnglish);
    const QStringList english = read();
    zirt::SetInterfaceLanguage(zirt::InterfaceLanguage::kRussian);
    QCOMPARE(english[0], QStringLiteral("point.crd, line 2\n"
                                        "The file seems to use “.” as the decimal separator, and "
                                        "the regional settings “,”.\n"
                                        "For a point, start the program with LC_ALL=C or change "
                                        "the regional settings."));
    QVERIFY2(english[2].startsWith(QStringLiteral("Reference point 2 moves strictly vertically")),
             qPrintable(english[2]));
    QVERIFY(english[2].contains(QStringLiteral("It was found from all the files (3).")));
    QCOMPARE(
        english[3],
        QStringLiteral("The image shift test is not defined: it needs at least three images."));
    QCOMPARE(english[4], QStringLiteral("Folder"));
    QCOMPARE(read(), russian);
  }

  // The English help has every chapter of the Russian one, under the same anchors.
  void englishHelpHasEveryChapter() {
    const auto chapters = [](const QString& name) {
      QFile file(QStringLiteral(ZIRT_SOURCE_DIR "/ZIRTHelp/") + name);
      if (!file.open(QIODevice::ReadOnly)) return QStringList{QStringLiteral("unreadable")};
      const QString html = QString::fromUtf8(file.readAll());
      QStringList ids;
      static const QRegularExpression kHeading(QStringLiteral("<h2 id=\"([^\"]+)\">"));
      for (auto match = kHeading.globalMatch(html); match.hasNext();)
        ids << match.next().captured(1);
      return ids;
    };
    const QStringList russian = chapters(QStringLiteral("ZIRT_01.html"));
    QVERIFY(russian.size() > 5);
    QCOMPARE(chapters(QStringLiteral("ZIRT_01_en.html")), russian);
  }

 private:
  bool qt_russian_ = false;
};

QTEST_MAIN(LanguageTest)
#include "language_test.moc"
