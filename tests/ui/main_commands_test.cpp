// The main window's save, close, help and about commands: the camera file written beside the
// picked one, the overwrite and close questions, the editor opened on the result.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>
#include <QtTest>
#include <memory>

#include "app/about_box.h"
#include "app/main/export_dialog.h"
#include "app/main/mpkalibr.h"
#include "data/text_file.h"
#include "platform/help_viewer.h"
#include "tests/core/separator_guard.h"
#include "tests/support/scripted_platform.h"

using zirt::Answer;
using zirt::testing::ScriptedPlatform;

namespace {

// A window that has computed the worked example, with its scripted desktop.
struct Session {
  Session() {
    platform.SetCurrentFolder(folder.path());
    form = std::make_unique<TMPForm>(platform);
  }

  QString Path(const QString& name) const { return folder.filePath(name); }

  QString Write(const QString& name, const QByteArray& text) {
    QFile file(Path(name));
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(name));
    file.write(text);
    return Path(name);
  }

  void LoadAndCompute() {
    platform.ScriptOpenFiles({Write("img1.crd", "420;290\r\n270;340\r\n"),
                              Write("img2.crd", "520;341\r\n221;440\r\n"),
                              Write("img3.crd", "620;390\r\n170;540\r\n")});
    form->Button2->click();
    form->Button1->click();
  }

  // Saves onto `picked`; the editor that opens is closed at once and its caption kept.
  void Save(const QString& picked, QAbstractButton* button = nullptr) {
    platform.ScriptSaveFile(picked);
    CloseNextModal();
    if (button != nullptr)
      button->click();
    else
      form->Button3->click();
  }

  void CloseNextModal() {
    QTimer::singleShot(0, [this] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        modal_captions << modal->windowTitle();
        modal->close();
      }
    });
  }

  QStringList Lines(const QString& name) const {
    return [&] {
      QStringList lines;
      for (const std::string& line : zirt::ReadLines(Path(name).toStdString()))
        lines << QString::fromStdString(line);
      return lines;
    }();
  }

  // Answers the next export's choice: the point's row (report, refined, robust) and the camera.
  void AnswerExport(int point, const QString& camera = {}) {
    QTimer::singleShot(0, [this, point, camera] {
      auto* choice = qobject_cast<zirt::ExportDialog*>(QApplication::activeModalWidget());
      if (choice == nullptr) return;
      export_warning = choice->Warning->isVisible() ? choice->Warning->text() : QString();
      export_cameras.clear();
      for (int i = 0; i < choice->Cameras->count(); ++i)
        export_cameras << choice->Cameras->itemText(i);
      choice->Points->setCurrentIndex(point);
      if (!camera.isEmpty()) choice->Cameras->setCurrentText(camera);
      choice->accept();
    });
  }

  QStringList MessageTexts() const {
    QStringList texts;
    for (const auto& m : platform.Messages()) texts << m.request.text;
    return texts;
  }

  QTemporaryDir folder;
  ScriptedPlatform platform;
  std::unique_ptr<TMPForm> form;
  QStringList modal_captions;
  QString export_warning;
  QStringList export_cameras;
};

}  // namespace

class MainCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void newCameraFileGetsTheTemplateAndOpensInTheEditor() {
    zirt::SeparatorGuard comma(',');
    Session s;
    s.LoadAndCompute();
    QVERIFY(s.form->Button3->isEnabled());
    QVERIFY(!s.form->State().ResultSaved);
    s.Save(s.Path("new.cam"));
    const QStringList lines = s.Lines("newP.cam");
    QCOMPARE(lines.size(), 8);
    QCOMPARE(lines[0], QStringLiteral(" ; Координата X центра изображения"));
    QCOMPARE(lines[5], QStringLiteral(" ; Размер изображения по вертикали"));
    QCOMPARE(lines[6], QStringLiteral("320,1440 ; Координата X главной точки"));
    QCOMPARE(lines[7], QStringLiteral("240,4053 ; Координата Y главной точки"));
    QVERIFY(!QFile::exists(s.Path("new.cam")));
    QVERIFY(s.form->State().ResultSaved);
    QCOMPARE(s.modal_captions, QStringList{QStringLiteral("newP.cam Внутренняя геометрия")});
    QCOMPARE(s.platform.SaveDialogs().at(0).request.filter,
             QStringLiteral("Camera Files|*.cam|All Files|*.*"));
    QCOMPARE(s.platform.SaveDialogs().at(0).request.default_extension, QStringLiteral("*.cam"));
    QVERIFY(s.platform.Messages().empty());
  }

  void resultGoesIntoCalibrationFilesAndThePdfReport() {
    zirt::SeparatorGuard point('.');
    Session s;
    QVERIFY(!s.form->WriteCalibration->isEnabled() && !s.form->PdfReport->isEnabled());
    s.LoadAndCompute();
    QVERIFY(s.form->WriteCalibration->isEnabled() && s.form->PdfReport->isEnabled());
    s.platform.ScriptOpenFiles({s.Write("cameras.txt", "1 PINHOLE 640 480 500 500 320 240\n")});
    s.AnswerExport(0);
    s.form->WriteCalibration->trigger();
    const QStringList lines = s.Lines("camerasP.txt");
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[1].startsWith(QStringLiteral("1 PINHOLE 640 480 500 500 320.64397838")),
             qPrintable(lines[1]));
    QCOMPARE(s.export_cameras, QStringList{QStringLiteral("1")});
    qDebug() << lines[0] << s.export_warning;
    QCOMPARE(s.MessageTexts().last(), QStringLiteral("Записан файл ") + s.Path("camerasP.txt"));
    // Of two COLMAP cameras the one chosen, with the refined point and its own σ.
    s.platform.ScriptOpenFiles({s.Write(
        "two.txt", "1 PINHOLE 640 480 500 500 320 240\n2 PINHOLE 640 480 500 500 321 241\n")});
    s.AnswerExport(1, QStringLiteral("2"));
    s.form->WriteCalibration->trigger();
    QCOMPARE(s.export_cameras, (QStringList{QStringLiteral("1"), QStringLiteral("2")}));
    const QStringList two = s.Lines("twoP.txt");
    QCOMPARE(two.size(), 3);
    QCOMPARE(two[0], QStringLiteral("1 PINHOLE 640 480 500 500 320 240"));
    QVERIFY2(two[1].contains(QStringLiteral("(refined estimate), sigma x0 = ")),
             qPrintable(two[1]));
    QVERIFY(!two[2].endsWith(QStringLiteral(" 321 241")));
    // A camchain of cam1 alone.
    s.platform.ScriptOpenFiles({s.Write(
        "chain.yaml", "cam1:\n  camera_model: pinhole\n  intrinsics: [500, 500, 320, 240]\n")});
    s.AnswerExport(0, QStringLiteral("cam1"));
    s.form->WriteCalibration->trigger();
    QVERIFY2(s.Lines("chainP.yaml").join(QLatin1Char('\n')).contains(QStringLiteral("320.14")),
             qPrintable(s.MessageTexts().last()));
    // Asked before an existing result is replaced; No keeps it.
    s.platform.ScriptOpenFiles({s.Path("cameras.txt")});
    s.platform.ScriptAnswer(Answer::kNo);
    s.AnswerExport(0);
    s.form->WriteCalibration->trigger();
    QCOMPARE(s.MessageTexts().last(), QStringLiteral("Перезаписать существующий файл?"));
    s.platform.ScriptOpenFiles({s.Write("notes.txt", "hello\n")});
    s.AnswerExport(0);
    s.form->WriteCalibration->trigger();
    QCOMPARE(s.MessageTexts().last(), QStringLiteral("Ошибка записи файла калибровки!"));
    QVERIFY(s.platform.Messages().back().request.informative.startsWith(
        QStringLiteral("Вид файла не распознан")));
    QVERIFY(!QFile::exists(s.Path("notesP.txt")));

    s.platform.ScriptSaveFile(s.Path("report.pdf"));
    s.form->PdfReport->trigger();
    QFile pdf(s.Path("report.pdf"));
    QVERIFY(pdf.open(QIODevice::ReadOnly));
    QVERIFY(pdf.read(5) == "%PDF-");
    QCOMPARE(s.platform.UnscriptedCalls(), 0);
  }

  void existingFileKeepsItsOtherLines() {
    zirt::SeparatorGuard point('.');
    Session s;
    s.LoadAndCompute();
    QByteArray ten;
    for (int i = 1; i <= 10; ++i) ten += "v" + QByteArray::number(i) + " ; c\r\n";
    s.Write("a.cam", ten);
    s.Save(s.Path("a.cam"));
    const QStringList lines = s.Lines("aP.cam");
    QCOMPARE(lines.size(), 10);
    QCOMPARE(lines[5], QStringLiteral("v6 ; c"));
    QCOMPARE(lines[6], QStringLiteral("320.1440 ; Координата X главной точки"));
    QCOMPARE(lines[9], QStringLiteral("v10 ; c"));
    QCOMPARE(s.Lines("a.cam").at(6), QStringLiteral("v7 ; c"));
  }

  void upperCaseNameIsWrittenBesideThePickedFile() {
    Session s;
    s.LoadAndCompute();
    s.Save(s.Path("CAM1.CAM"));
    QVERIFY(QFile::exists(s.Path("CAM1P.cam")));
  }

  void shortCameraFileWritesNothing() {
    Session s;
    s.LoadAndCompute();
    s.Write("seven.cam", "1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n");
    s.platform.ScriptSaveFile(s.Path("seven.cam"));
    s.form->Button3->click();
    QCOMPARE(s.MessageTexts(), QStringList{QStringLiteral("Ошибка записи cam-файла!")});
    QCOMPARE(s.platform.Messages().at(0).request.caption, QStringLiteral("Ошибка!"));
    QCOMPARE(s.platform.Messages().at(0).request.icon, zirt::Icon::kNone);
    QVERIFY(!QFile::exists(s.Path("sevenP.cam")));
    QVERIFY(!s.form->State().ResultSaved);
  }

  void unwritableFolderShowsTheMessageAndKeepsTheResultUnsaved() {
    Session s;
    s.LoadAndCompute();
    s.platform.ScriptSaveFile(s.Path("missing/a.cam"));
    s.form->Button3->click();
    QCOMPARE(s.MessageTexts(), QStringList{QStringLiteral("Ошибка записи cam-файла!")});
    QVERIFY(!s.form->State().ResultSaved);
  }

  void overwriteQuestionGuardsAnExistingResult() {
    Session s;
    s.LoadAndCompute();
    s.Write("bP.cam", "old\r\n");
    s.platform.ScriptAnswer(Answer::kNo);
    s.platform.ScriptSaveFile(s.Path("b.cam"));
    s.form->Button3->click();
    QCOMPARE(s.MessageTexts(), QStringList{QStringLiteral("Перезаписать существующий файл?")});
    const auto& question = s.platform.Messages().at(0);
    QCOMPARE(question.request.caption, QStringLiteral("Предупреждение"));
    QCOMPARE(question.request.buttons, zirt::Buttons::kYesNo);
    QCOMPARE(question.request.informative, QFileInfo(s.Path("bP.cam")).absoluteFilePath());
    QVERIFY(question.owner == nullptr);
    QCOMPARE(s.Lines("bP.cam"), QStringList{"old"});
    QVERIFY(!s.form->State().ResultSaved);

    s.platform.ScriptAnswer(Answer::kYes);
    s.Save(s.Path("b.cam"));
    QCOMPARE(s.Lines("bP.cam").size(), 8);
    QVERIFY(s.form->State().ResultSaved);
  }

  // A name the dialog returns without ".cam" (a stray quote typed after the name) or with a
  // character file systems refuse writes nothing anywhere.
  void namesThatWouldWriteElsewhereAreRefused() {
    Session s;
    s.LoadAndCompute();
    for (const QString& name :
         {QStringLiteral("zoom2.crd\""), QStringLiteral("a\"b.cam"), QStringLiteral(".cam")}) {
      s.platform.ClearRecords();
      s.platform.ScriptSaveFile(s.Path(name));
      s.form->Button3->click();
      QCOMPARE(s.MessageTexts(), QStringList{QStringLiteral("Недопустимое имя cam-файла!")});
      QVERIFY(s.platform.Messages().at(0).request.informative.contains(name));
    }
    QCOMPARE(QDir(s.folder.path()).entryList({"*.cam"}), QStringList());
    QVERIFY(!QFile::exists(QStringLiteral("P.cam")));
    QVERIFY(!s.form->State().ResultSaved);
  }

  void cancelledDialogChangesNothing() {
    Session s;
    s.LoadAndCompute();
    const QString folder = s.form->SaveDialogFolder();
    s.platform.SetCurrentFolder(QStringLiteral("/elsewhere"));
    s.platform.ScriptSaveFile(std::nullopt);
    s.form->Button3->click();
    QCOMPARE(s.form->SaveDialogFolder(), folder);
    QVERIFY(!s.form->State().ResultSaved);
    QVERIFY(s.platform.Messages().empty());
  }

  void menuItemSavesLikeTheButton() {
    Session s;
    QVERIFY(!s.form->N6->isEnabled());
    s.LoadAndCompute();
    QVERIFY(s.form->N6->isEnabled());
    s.platform.ScriptSaveFile(s.Path("m.cam"));
    s.CloseNextModal();
    s.form->N6->trigger();
    QVERIFY(QFile::exists(s.Path("mP.cam")));
    QVERIFY(s.form->State().ResultSaved);
  }

  void closingAsksOnlyWhileTheResultIsUnsaved() {
    {  // Right after start-up.
      Session s;
      QVERIFY(s.form->close());
      QVERIFY(s.platform.Messages().empty());
    }
    {  // After a load without a computation.
      Session s;
      s.platform.ScriptOpenFiles({s.Write("x.crd", "1;2\r\n")});
      s.form->Button2->click();
      QVERIFY(s.form->close());
      QVERIFY(s.platform.Messages().empty());
    }
    {  // After a computation, No: nothing is written and the window closes.
      Session s;
      s.LoadAndCompute();
      s.platform.ScriptAnswer(Answer::kNo);
      QVERIFY(s.form->close());
      QCOMPARE(s.MessageTexts(), QStringList{QStringLiteral("Сохранить результат?")});
      QCOMPARE(s.platform.Messages().at(0).request.caption, QStringLiteral("Сохранение"));
      QCOMPARE(s.platform.Messages().at(0).request.buttons, zirt::Buttons::kYesNoCancel);
      QVERIFY(s.platform.SaveDialogs().empty());
    }
    {  // Cancel (Escape) keeps the window open with its result, unsaved.
      Session s;
      s.LoadAndCompute();
      s.platform.ScriptAnswer(Answer::kCancel);
      QVERIFY(!s.form->close());
      QVERIFY(!s.form->State().ResultSaved);
      QVERIFY(s.platform.SaveDialogs().empty());
    }
    {  // A load after the computation: that result is of data no longer loaded, and the
       // question would write it into a camera file as if it were the new data's.
      Session s;
      s.LoadAndCompute();
      s.platform.ScriptOpenFiles({s.Write("x.crd", "1;2\r\n"), s.Write("y.crd", "3;4\r\n")});
      s.form->Button2->click();
      QVERIFY(!s.form->Button3->isEnabled());
      QVERIFY(s.form->close());
      QVERIFY(s.platform.Messages().empty());
      QVERIFY(s.platform.SaveDialogs().empty());
    }
    {  // Yes runs the save command first; a later close asks nothing.
      Session s;
      s.LoadAndCompute();
      s.platform.ScriptAnswer(Answer::kYes);
      s.platform.ScriptSaveFile(s.Path("close.cam"));
      s.CloseNextModal();
      QVERIFY(s.form->close());
      QVERIFY(QFile::exists(s.Path("closeP.cam")));
      QVERIFY(s.form->State().ResultSaved);
    }
    {  // Yes, then nothing written (dialog cancelled, write failed): the window stays.
      Session s;
      s.LoadAndCompute();
      s.platform.ScriptAnswer(Answer::kYes);
      s.platform.ScriptSaveFile(std::nullopt);
      QVERIFY(!s.form->close());
      s.platform.ScriptAnswer(Answer::kYes);
      s.platform.ScriptSaveFile(s.Path("missing/a.cam"));
      QVERIFY(!s.form->close());
      QVERIFY(!s.form->State().ResultSaved);
      QCOMPARE(s.form->ListBox1->count(), 6);
      QCOMPARE(s.platform.UnscriptedCalls(), 0);
    }
    {  // After a successful save.
      Session s;
      s.LoadAndCompute();
      s.Save(s.Path("done.cam"));
      s.platform.ClearRecords();
      QVERIFY(s.form->close());
      QVERIFY(s.platform.Messages().empty());
    }
  }

  void reportCopiesToTheClipboard() {
    zirt::SeparatorGuard comma(',');
    Session s;
    s.LoadAndCompute();
    s.form->CopyReport();
    const QString all = QGuiApplication::clipboard()->text();
    QCOMPARE(all, QStringLiteral("\nx0(пикс.) = 320,1440\ny0(пикс.) = 240,4053\n\n"
                                 "Средняя ошибка = 0,0000\nСКО = 0,0000\n"));
    s.form->show();
    s.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.form.get()));
    s.form->ListBox1->item(1)->setSelected(true);
    s.form->ListBox1->item(2)->setSelected(true);
    s.form->ListBox1->setFocus();
    QTest::keySequence(s.form->ListBox1, QKeySequence::Copy);
    QCOMPARE(QGuiApplication::clipboard()->text(),
             QStringLiteral("x0(пикс.) = 320,1440\ny0(пикс.) = 240,4053\n"));
  }

  void helpOpensTheHelpFileOnItsContents() {
    Session s;
    s.form->N12->trigger();
    QCOMPARE(s.platform.HelpCalls().size(), std::size_t{1});
    QCOMPARE(s.platform.HelpCalls()[0].file, QStringLiteral("ZIRTHelp\\ZIRT_01.HLP"));
    QCOMPARE(s.platform.HelpCalls()[0].command, 11);
    QCOMPARE(s.platform.HelpCalls()[0].data, 0);
  }

  void helpFileIsFoundBesideTheProgramOrInTheCurrentFolder() {
    QTemporaryDir first, second;
    QDir(second.path()).mkdir("ZIRTHelp");
    QFile html(second.filePath("ZIRTHelp/ZIRT_01.html"));
    QVERIFY(html.open(QIODevice::WriteOnly));
    html.write("<h2 id=\"a\">Первая</h2><h2 id=\"b\">Вторая</h2>");
    html.close();
    const QString found = zirt::ResolveHelpFile(QStringLiteral("ZIRTHelp\\ZIRT_01.HLP"),
                                                {first.path(), second.path()});
    QCOMPARE(found, QDir::cleanPath(html.fileName()));
    QCOMPARE(zirt::ResolveHelpFile(QStringLiteral("ZIRTHelp/ZIRT_01.HLP"), {second.path()}), found);
    QVERIFY(
        zirt::ResolveHelpFile(QStringLiteral("ZIRTHelp\\ZIRT_02.HLP"), {second.path()}).isEmpty());

    zirt::HelpViewer viewer;
    viewer.Open(found);
    QCOMPARE(viewer.Contents()->count(), 2);
    QCOMPARE(viewer.Contents()->item(1)->text(), QStringLiteral("Вторая"));
  }

  void shippedHelpHasItsContents() {
    const QString html = zirt::ResolveHelpFile(QStringLiteral("ZIRTHelp\\ZIRT_01.HLP"),
                                               {QStringLiteral(ZIRT_SOURCE_DIR)});
    QVERIFY(!html.isEmpty());
    zirt::HelpViewer viewer;
    viewer.Open(html);
    QVERIFY(viewer.Contents()->count() >= 8);
    QVERIFY(viewer.Browser()->toPlainText().contains(QStringLiteral("Средняя ошибка")));
    // The camera check names no row, and the help says so.
    const QString text = viewer.Browser()->toPlainText().simplified();
    QVERIFY(
        text.contains(QStringLiteral("(«Ошибка в калибровочных данных!», «Ошибка в параметрах "
                                     "внешней геометрии!») строку не называет")));
  }

  void aboutBoxShowsModallyWithItsDesign() {
    Session s;
    TZIRTAboutBox about(s.form.get());
    s.form->ZIRTAboutBox = &about;
    s.CloseNextModal();
    s.form->N13->trigger();
    QCOMPARE(s.modal_captions, QStringList{QStringLiteral("О программе")});
    QCOMPARE(about.ProductName->text(), QStringLiteral("ZIRT"));
    QCOMPARE(about.Version->text(), QStringLiteral("Version 1.0.0"));
    QCOMPARE(about.OKButton->text(), QStringLiteral("OK"));
    QVERIFY(about.OKButton->isDefault());
  }
};

QTEST_MAIN(MainCommandsTest)
#include "main_commands_test.moc"
