// The main window as the user drives it: start-up state, menus, loading coordinate files and
// computing the principal point, with dialogs and message boxes answered by script.
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

#include "app/artwork.h"
#include "app/diagnostics/diagnostics_window.h"
#include "app/main/mpkalibr.h"
#include "data/coordinate_file.h"
#include "data/number_parse.h"
#include "tests/core/separator_guard.h"
#include "tests/support/scripted_platform.h"

using zirt::Color;
using zirt::testing::ScriptedPlatform;

namespace {

constexpr Color kSilver = 0xC0C0C0;
constexpr Color kRed = 0x0000FF;
constexpr Color kGreen = 0x008000;
constexpr Color kBlack = 0x000000;

const QString kErrorCaption = QStringLiteral("Ошибка!");

// A window with its scripted desktop and a folder for coordinate files.
struct Session {
  Session() {
    platform.SetCurrentFolder(QStringLiteral("/start"));
    form = std::make_unique<TMPForm>(platform);
  }

  QString Write(const QString& name, const QByteArray& text) {
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(text);
    return path;
  }

  void Load(const QStringList& paths) {
    platform.ScriptOpenFiles(paths);
    form->Button2->click();
  }

  QStringList WorkedExample() {
    return {Write("img1.crd", "420;290\r\n270;340\r\n"),
            Write("img2.crd", "520;341\r\n221;440\r\n"),
            Write("img3.crd", "620;390\r\n170;540\r\n")};
  }

  QStringList Report() const {
    QStringList lines;
    for (int i = 0; i < form->ListBox1->count(); ++i) lines << form->ListBox1->item(i)->text();
    return lines;
  }

  Color Pixel(int x, int y) const { return form->Bitmap().Pixel(x, y); }

  ScriptedPlatform platform;
  QTemporaryDir folder;
  std::unique_ptr<TMPForm> form;
};

QStringList Texts(const QList<QAction*>& actions) {
  QStringList texts;
  for (const QAction* action : actions) texts << (action->isSeparator() ? "-" : action->text());
  return texts;
}

bool Uniform(const QImage& image, QRgb colour) {
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixel(x, y) != colour) return false;
  return true;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsEmptyWithSilverPictureUnderThePreview() {
    Session s;
    const TMPForm& form = *s.form;
    QVERIFY(!form.Bitmap().Image().isNull());
    QVERIFY(Uniform(form.Bitmap().Image(), qRgb(0xC0, 0xC0, 0xC0)));
    QVERIFY(!form.PreviewImage->isHidden());
    // The stored picture is 1018 × 717; start-up decodes it just large enough to cover the view,
    // once the window has painted.
    QCOMPARE(zirt::LoadPreviewPicture().size(), QSize(1018, 717));
    s.form->show();
    QTRY_VERIFY(form.PreviewImage->Source() != nullptr);
    const QSize shown = form.PreviewImage->Source()->size();
    QVERIFY(shown.width() >= form.Image1->width() && shown.height() >= form.Image1->height());
    QVERIFY(shown.width() <= 1018);
    QCOMPARE(form.ListBox1->count(), 0);
    QVERIFY(form.Button1->isEnabled());
    QVERIFY(form.Button2->isEnabled());
    QVERIFY(!form.Button3->isEnabled());
    QVERIFY(!form.N6->isEnabled());
    QVERIFY(form.State().Images.Empty());
    QCOMPARE(form.State().FittedLines.Count(), 0);
    QVERIFY(!form.State().StepMode);
    QVERIFY(form.State().ResultSaved);
    QCOMPARE(form.State().PrincipalX, 0.0);
    QCOMPARE(form.State().PrincipalY, 0.0);
    QCOMPARE(form.Palette, zirt::kPalette);
    QCOMPARE(form.OpenDialogFolder(), QStringLiteral("/start"));
    QCOMPARE(form.SaveDialogFolder(), QStringLiteral("/start"));
    QVERIFY(!form.windowIcon().isNull());
  }

  void captionsAndHints() {
    Session s;
    const TMPForm& form = *s.form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Калибровка главной точки"));
    QCOMPARE(form.Button2->text(), QStringLiteral("Загрузить"));
    QCOMPARE(form.Button2->toolTip(), QStringLiteral("Реперные точки изображений"));
    QCOMPARE(form.Button1->text(), QStringLiteral("Счет"));
    QCOMPARE(form.Button1->toolTip(), QStringLiteral("Найти координаты главной точки"));
    QCOMPARE(form.Button3->text(), QStringLiteral("Сохранить"));
    QCOMPARE(form.Button3->toolTip(), QStringLiteral("Сохранить результаты"));
  }

  void menuCaptionsInOrder() {
    Session s;
    const TMPForm& form = *s.form;
    QCOMPARE(Texts(form.menuBar()->actions()),
             (QStringList{"&Файл", "&Настройки", "&Счёт", "&Помощь"}));
    QCOMPARE(Texts(form.N1->actions()),
             (QStringList{"&Загрузить", "&Измерить снимки…", "Мишень для &печати…", "&Сохранить",
                          "Записать в &файл калибровки…", "&Отчёт PDF…", "-", "&Выход"}));
    QCOMPARE(Texts(form.N3->actions()),
             (QStringList{"&Пошаговый режим работы", "&Язык / Language"}));
    QCOMPARE(Texts(form.LanguageMenu->actions()), (QStringList{"&Русский", "&English"}));
    QVERIFY(form.RussianLanguage->isChecked());
    QCOMPARE(Texts(form.N2->actions()), (QStringList{"&Главная точка", "&Диагностика…"}));
    QCOMPARE(Texts(form.N11->actions()), (QStringList{"&Справка", "&О программе"}));
    QCOMPARE(form.N4->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(form.N10->shortcut(), QKeySequence(Qt::Key_F9));
    QCOMPARE(form.N6->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    QCOMPARE(form.N16->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
    QCOMPARE(form.N12->shortcut(), QKeySequence(Qt::Key_F1));
    QVERIFY(form.N15->isCheckable());
    QVERIFY(!form.N15->isChecked());
  }

  void stepModeFollowsItsMenuItem() {
    Session s;
    s.form->N15->trigger();
    QVERIFY(s.form->N15->isChecked());
    QVERIFY(s.form->State().StepMode);
    s.form->N15->trigger();
    QVERIFY(!s.form->N15->isChecked());
    QVERIFY(!s.form->State().StepMode);
    s.form->N15Click();
    QVERIFY(s.form->N15->isChecked());
    QVERIFY(s.form->State().StepMode);
  }

  void bitmapKeepsItsSizeWhenTheWindowGrows() {
    Session s;
    const QSize bitmap = s.form->Bitmap().Image().size();
    s.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
    QCOMPARE(s.form->Image1->size(), bitmap);
    s.form->resize(s.form->size() + QSize(200, 100));
    QTRY_VERIFY(s.form->Image1->width() > bitmap.width());
    QCOMPARE(s.form->Bitmap().Image().size(), bitmap);
    QVERIFY(!s.form->grab().isNull());
  }

  void loadListsFilesAndMarksTheirPoints() {
    zirt::SeparatorGuard comma(',');
    Session s;
    // A point not seen is loaded but not marked: drawn, its NaN would land at (0, 0).
    const QStringList files = {s.Write("a.crd", "0;0\r\n100;200\r\n"),
                               s.Write("b.crd", "100,2;299,9\n"), s.Write("c.crd", ""),
                               s.Write("d.crd", "- ; -\r\n")};
    s.Load(files);
    // The empty file is loaded, and named before a computation fails on it.
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    QCOMPARE(s.platform.Messages()[0].request.text,
             QStringLiteral("Файл c.crd пуст: в нём нет ни одной точки, и счёт по нему не "
                            "пройдёт."));
    QCOMPARE(s.Report(), (QStringList{"a.crd", "b.crd", "c.crd", "d.crd"}));
    QCOMPARE(s.form->State().Images.Length(), std::size_t{4});
    QVERIFY(zirt::NotSeen(*s.form->State().Images[3].Get(0)));
    QCOMPARE(s.form->State().Images[0].Count(), 2);
    QCOMPARE(s.form->State().Images[1].Get(0)->X, 100.2);
    QCOMPARE(s.form->State().Images[2].Count(), 0);

    // Image (0, 0): only the arms inside the picture show.
    for (int i = 0; i <= 9; ++i) {
      QCOMPARE(s.Pixel(i, 0), kRed);
      QCOMPARE(s.Pixel(0, i), kRed);
    }
    QCOMPARE(s.Pixel(10, 0), kSilver);
    QCOMPARE(s.Pixel(0, 10), kSilver);
    // Image (100, 200) is view (66, 133), in the first image's colour.
    QCOMPARE(s.Pixel(66, 133), kRed);
    QCOMPARE(s.Pixel(56, 133), kRed);
    QCOMPARE(s.Pixel(76, 133), kSilver);
    QCOMPARE(s.Pixel(66, 143), kSilver);
    // Image (100.2, 299.9) is view (66, 199), in the second image's colour.
    QCOMPARE(s.Pixel(66, 199), kGreen);
    QCOMPARE(s.Pixel(75, 199), kGreen);
    QCOMPARE(s.Pixel(66, 189), kGreen);
    QCOMPARE(s.Pixel(66, 209), kSilver);

    QVERIFY(s.form->PreviewImage->isHidden());
    QVERIFY(!s.form->Button3->isEnabled());

    const zirt::FileDialogRequest& dialog = s.platform.OpenDialogs().at(0).request;
    QCOMPARE(dialog.filter, QStringLiteral("Coordinate Files (*.crd)|*.crd"));
    QCOMPARE(dialog.default_extension, QStringLiteral("*.crd"));
    QCOMPARE(dialog.initial_folder, QStringLiteral("/start"));
    QVERIFY(dialog.multi_select);
    QCOMPARE(s.form->OpenDialogFolder(), QFileInfo(files[0]).absolutePath());
    QCOMPARE(s.form->SaveDialogFolder(), QFileInfo(files[0]).absolutePath());
  }

  void coloursRepeatAfterSeventeenImages() {
    Session s;
    QStringList files;
    for (int k = 0; k < 18; ++k)
      files << s.Write(QStringLiteral("f%1.crd").arg(k), QByteArray::number(30 * k + 30) + ";30");
    s.Load(files);
    for (int k = 0; k < 18; ++k)
      QCOMPARE(s.Pixel(zirt::ToView(30 * k + 30), 20), s.form->Palette[k % 17]);
    QCOMPARE(s.Pixel(zirt::ToView(30 * 17 + 30), 20), kRed);
  }

  void cancelledLoadChangesNothing() {
    Session s;
    s.Load({s.Write("a.crd", "300;300\r\n")});
    const QImage before = s.form->Bitmap().Image();
    s.platform.SetCurrentFolder(QStringLiteral("/elsewhere"));
    s.Load({});
    QCOMPARE(s.Report(), QStringList{"a.crd"});
    QCOMPARE(s.form->State().Images.Length(), std::size_t{1});
    QCOMPARE(s.form->Bitmap().Image(), before);
    QCOMPARE(s.form->OpenDialogFolder(), s.folder.path());
  }

  void secondLoadReplacesTheFirst() {
    Session s;
    s.Load(s.WorkedExample());
    s.Load({s.Write("x.crd", "30;30\r\n"), s.Write("y.crd", "60;60\r\n")});
    QCOMPARE(s.Report(), (QStringList{"x.crd", "y.crd"}));
    QCOMPARE(s.form->State().Images.Length(), std::size_t{2});
    QCOMPARE(s.Pixel(zirt::ToView(420), zirt::ToView(290)), kSilver);
    QCOMPARE(s.Pixel(20, 20), kRed);
  }

  void badFileFailsTheLoadAndKeepsWhatWasThere() {
    Session s;
    const QString good = s.Write("good.crd", "10;10\r\n");
    const QString bad = s.Write("bad.crd", "1;2\r\n3;4\r\n5 6\r\n");

    // Before any load: the preview stays up over a silver picture.
    s.Load({good, bad});
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    QVERIFY(!s.form->PreviewImage->isHidden());
    QVERIFY(s.form->State().Images.Empty());
    QCOMPARE(s.form->ListBox1->count(), 0);
    QVERIFY(Uniform(s.form->Bitmap().Image(), qRgb(0xC0, 0xC0, 0xC0)));

    // After a load and a computation: images, report, picture and saving all stay.
    s.Load(s.WorkedExample());
    s.form->Button1->click();
    QVERIFY(s.form->Button3->isEnabled());
    const QStringList report = s.Report();
    const QImage picture = s.form->Bitmap().Image();
    s.platform.ClearRecords();
    s.Load({good, bad});

    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    const auto& box = s.platform.Messages()[0];
    QCOMPARE(box.request.text, QStringLiteral("Ошибка загрузки файла координат!"));
    QCOMPARE(box.request.caption, kErrorCaption);
    QCOMPARE(box.request.buttons, zirt::Buttons::kOk);
    QCOMPARE(box.request.icon, zirt::Icon::kNone);
    QCOMPARE(box.owner, s.form.get());
    QVERIFY2(box.request.detail.startsWith(QStringLiteral("bad.crd, строка 3\n")),
             qPrintable(box.request.detail));
    // The place is in view; the cause stays in the detail.
    QCOMPARE(box.request.informative, QStringLiteral("bad.crd, строка 3"));

    QCOMPARE(s.form->State().Images.Length(), std::size_t{3});
    QCOMPARE(s.form->State().FittedLines.Count(), 2);
    QCOMPARE(s.Report(), report);
    QCOMPARE(s.form->Bitmap().Image(), picture);
    QVERIFY(s.form->PreviewImage->isHidden());
    QVERIFY(s.form->Button3->isEnabled());
    QVERIFY(s.form->N6->isEnabled());
  }

  void loadErrorSaysWhatToDo() {
    zirt::SeparatorGuard comma(',');
    Session s;
    s.Load({s.Write("good.crd", "10;10\r\n"), s.Write("point.crd", "1;2\r\n1.5;2.5\r\n")});
    s.Load({s.Write("empty.crd", "1;2\r\n3;4\r\n\r\n")});
    // The point file's box and its question (unanswered: No); the empty line's box alone.
    QCOMPARE(s.platform.Messages().size(), std::size_t{3});
    QCOMPARE(s.platform.Messages()[0].request.informative,
             QStringLiteral("point.crd, строка 2\n"
                            "В файле, по-видимому, десятичный разделитель «.», а в региональных "
                            "настройках — «,».\n"
                            "Для точки запустите программу с LC_ALL=C или смените региональные "
                            "настройки."));
    QCOMPARE(s.platform.Messages()[2].request.informative,
             QStringLiteral("empty.crd, строка 3\nВ конце файла пустая строка."));
  }

  // Files written with the other decimal separator are refused as ever, and then offered to be
  // read with it, for that load alone: the program's separator stays.
  void filesOfTheOtherSeparatorLoadWhenTheUserAgrees_data() {
    computesTheWorkedExampleInStepMode_data();
  }
  void filesOfTheOtherSeparatorLoadWhenTheUserAgrees() {
    QFETCH(char, separator);
    zirt::SeparatorGuard guard(separator);
    const char other = separator == ',' ? '.' : ',';
    Session s;
    const QByteArray b = QByteArray("1;2\r\n1") + other + "5;2" + other + "25\r\n";
    const QStringList files{s.Write("a.crd", "10;10\r\n"), s.Write("b.crd", b)};
    s.Load(files);  // The question is answered No.
    QCOMPARE(s.platform.Messages().size(), std::size_t{2});
    QCOMPARE(s.platform.Messages()[0].request.text,
             QStringLiteral("Ошибка загрузки файла координат!"));
    const auto& question = s.platform.Messages()[1];
    QCOMPARE(question.request.buttons, zirt::Buttons::kYesNo);
    QCOMPARE(question.owner, s.form.get());
    QVERIFY2(
        question.request.text.endsWith(other == '.' ? QStringLiteral("Прочитать их с точкой?")
                                                    : QStringLiteral("Прочитать их с запятой?")),
        qPrintable(question.request.text));
    QVERIFY(s.form->State().Images.Empty());

    s.platform.ClearRecords();
    s.platform.ScriptAnswer(zirt::Answer::kYes);
    s.Load(files);
    QCOMPARE(s.platform.Messages().size(), std::size_t{2});
    QCOMPARE(s.Report(), QStringList({"a.crd", "b.crd"}));
    QCOMPARE(s.form->State().Images[1].Get(1)->X, 1.5);
    QCOMPARE(s.form->State().Images[1].Get(1)->Y, 2.25);
    QVERIFY(s.form->PreviewImage->isHidden());
    QCOMPARE(zirt::DecimalSeparator(), separator);
    QFile file(files[1]);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), b);

    // Files of both separators read with neither: the refusal alone, the load kept.
    s.platform.ClearRecords();
    s.Load({files[1], s.Write("c.crd", QByteArray("1") + separator + "5;2\r\n")});
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    QCOMPARE(s.form->State().Images.Length(), std::size_t{2});
  }

  void computesTheWorkedExampleInStepMode_data() {
    QTest::addColumn<char>("separator");
    QTest::newRow("comma") << ',';
    QTest::newRow("point") << '.';
  }
  void computesTheWorkedExampleInStepMode() {
    QFETCH(char, separator);
    zirt::SeparatorGuard guard(separator);
    Session s;
    s.Load(s.WorkedExample());
    s.form->N15->trigger();
    s.form->Button1->click();

    QStringList expected = {"",
                            "1,0000-ая прямая:",
                            "Среднее = 0,000",
                            "СКО = 0,516",
                            "",
                            "2,0000-ая прямая:",
                            "Среднее = 0,000",
                            "СКО = 0,516",
                            "",
                            "x0(пикс.) = 320,1440",
                            "y0(пикс.) = 240,4053",
                            "",
                            "Средняя ошибка = 0,0000",
                            "СКО = 0,0000"};
    for (QString& line : expected) line.replace(QLatin1Char(','), QLatin1Char(separator));
    QCOMPARE(s.Report(), expected);
    QVERIFY(s.platform.Messages().empty());

    const zirt::Calibration& state = s.form->State();
    QVERIFY(std::abs(state.PrincipalX - 320.1439783828) < 1e-9);
    QVERIFY(std::abs(state.PrincipalY - 240.4053225247) < 1e-9);
    QCOMPARE(state.FittedLines.Count(), 2);
    QVERIFY(!state.ResultSaved);
    QVERIFY(s.form->Button3->isEnabled());
    QVERIFY(s.form->N6->isEnabled());

    // The red cross of half-length 30 centred on (213, 160).
    for (int d = -30; d <= 29; ++d) {
      QCOMPARE(s.Pixel(213 + d, 160), kRed);
      QCOMPARE(s.Pixel(213, 160 + d), kRed);
    }
    QVERIFY(s.Pixel(243, 160) != kRed);
    QVERIFY(s.Pixel(213, 190) != kRed);
    // Edged in white on both sides, to be seen over marks and lines.
    for (int d = -29; d <= 29; ++d) {
      if (d == 0) continue;
      for (int side : {-1, 1}) {
        QCOMPARE(s.Pixel(213 + d, 160 + side), Color(0xFFFFFF));
        QCOMPARE(s.Pixel(213 + side, 160 + d), Color(0xFFFFFF));
      }
    }
    // The first fitted line starts at (0, 53).
    QCOMPARE(s.Pixel(0, 53), kBlack);

    // The widest line is shown whole, not cut short.
    const QListWidgetItem* widest = s.form->ListBox1->item(12);
    QVERIFY(s.form->ListBox1->visualItemRect(widest).width() >=
            s.form->ListBox1->fontMetrics().horizontalAdvance(widest->text()));

    // A second run gives the same report, not twice the lines.
    s.form->Button1->click();
    QCOMPARE(s.Report(), expected);
    QCOMPARE(s.form->State().FittedLines.Count(), 2);
  }

  void longReportOpensAtTheResult_data() { computesTheWorkedExampleInStepMode_data(); }
  void longReportOpensAtTheResult() {
    QFETCH(char, separator);
    zirt::SeparatorGuard guard(separator);
    Session s;
    // Thirty reference points moving away from (300, 200) from image to image.
    QStringList paths;
    for (int k = 0; k < 3; ++k) {
      QByteArray text;
      for (int i = 0; i < 30; ++i) {
        const double x = 20 + 17 * i, y = 30 + 11 * (i % 5);
        text += QByteArray::number(x + k * (x - 300) / 10) + ";" +
                QByteArray::number(y + k * (y - 200) / 10) + "\r\n";
      }
      text.replace('.', separator);
      paths << s.Write(QStringLiteral("r%1.crd").arg(k), text);
    }
    s.Load(paths);
    s.form->show();
    QVERIFY(QTest::qWaitForWindowExposed(s.form.get()));
    s.form->N15->trigger();
    s.form->Button1->click();
    const zirt::ReportList* list = s.form->ListBox1;
    QCOMPARE(list->count(), 30 * 4 + 6);
    // The result's lines, x0 to the last, whole in view and not under either scroll bar:
    // the list's vertical bar shows, yet no result line needs sideways scrolling.
    QVERIFY(list->verticalScrollBar()->isVisible());
    QCOMPARE(list->horizontalScrollBar()->value(), 0);
    const QRect view = list->viewport()->rect();
    const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1);
    for (int i = list->count() - 5; i < list->count(); ++i) {
      const QRect line = list->visualItemRect(list->item(i));
      QVERIFY(line.top() >= view.top() && line.bottom() <= view.bottom());
      const QString text = list->item(i)->text();
      QVERIFY2(list->fontMetrics().horizontalAdvance(text) + margins <= view.width(),
               qPrintable(text));
    }
  }

  void withoutStepModeOnlyTheResultIsReportedAndNoLineDrawn() {
    zirt::SeparatorGuard comma(',');
    Session s;
    s.Load(s.WorkedExample());
    s.form->N10->trigger();
    QCOMPARE(s.Report(), (QStringList{"", "x0(пикс.) = 320,1440", "y0(пикс.) = 240,4053", "",
                                      "Средняя ошибка = 0,0000", "СКО = 0,0000"}));
    QCOMPARE(s.form->State().FittedLines.Count(), 2);
    QCOMPARE(s.Pixel(0, 53), kSilver);
    QCOMPARE(s.Pixel(213, 160), kRed);
  }

  void computeRefusesWithoutTwoImages() {
    Session s;
    s.form->Button1->click();
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    QCOMPARE(s.platform.Messages()[0].request.text, QStringLiteral("Координаты не загружены!"));
    QCOMPARE(s.platform.Messages()[0].request.caption, kErrorCaption);
    QCOMPARE(s.platform.Messages()[0].request.icon, zirt::Icon::kNone);
    QCOMPARE(s.platform.Messages()[0].owner, s.form.get());

    s.Load({s.Write("one.crd", "1;1\r\n2;2\r\n")});
    s.platform.ClearRecords();
    s.form->Button1->click();
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    QCOMPARE(s.platform.Messages()[0].request.text,
             QStringLiteral("Невозможно работать по одному снимку!"));
    QCOMPARE(s.platform.Messages()[0].request.caption, kErrorCaption);
    QCOMPARE(s.Report(), QStringList{"one.crd"});
    QVERIFY(!s.form->Button3->isEnabled());
    QVERIFY(s.form->State().ResultSaved);
  }

  void shortImageEndsTheRunWithTheExceptionDisplay() {
    Session s;
    s.Load({s.Write("a.crd", "420;290\r\n270;340\r\n100;100\r\n"),
            s.Write("b.crd", "520;341\r\n221;440\r\n"),
            s.Write("c.crd", "620;390\r\n170;540\r\n300;300\r\n")});
    s.form->N15->trigger();
    s.form->Button1->click();
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    const auto& box = s.platform.Messages()[0].request;
    QCOMPARE(box.text, QStringLiteral("Index out of bounds ListOfT::Get."));
    QCOMPARE(box.caption, QStringLiteral("ZIRT"));
    QCOMPARE(box.icon, zirt::Icon::kError);
    const QStringList hint = box.informative.split('\n');
    QCOMPARE(hint.at(0), QStringLiteral("Точек в файле b.crd: 2, в файле a.crd: 3."));
    QVERIFY(
        hint.at(1).startsWith(QStringLiteral("Что делать: во всех файлах должно быть поровну")));
    // The diagnostics find a point from the tracks that have their measurements, and say so.
    QVERIFY(hint.at(2).startsWith(QStringLiteral("Уточнённая оценка окна «Диагностика»")));
    QCOMPARE(box.buttons, zirt::Buttons::kYesNo);
    QVERIFY(s.form->Diagnostics == nullptr);
    // What the run did before the error stays; the result and saving do not change.
    QCOMPARE(s.form->State().FittedLines.Count(), 2);
    QCOMPARE(s.Pixel(0, 53), kBlack);
    QVERIFY(!s.form->Button3->isEnabled());
    QVERIFY(s.form->State().ResultSaved);
  }

  // The refined point offered after a failure says which files it rests on, and why the
  // others gave it nothing or only part of their points.
  void refinedPointNamesTheFilesItUsed() {
    Session s;
    s.Load({s.Write("a.crd", "420;290\r\n270;340\r\n100;100\r\n"), s.Write("b.crd", ""),
            s.Write("c.crd", "620;390\r\n170;540\r\n300;300\r\n"),
            s.Write("d.crd", "- ; -\r\n- ; -\r\n- ; -\r\n"),
            s.Write("e.crd", "520;341\r\n221;440\r\n200;200\r\n7;7\r\n"),
            s.Write("f.crd", "570;365\r\n")});
    s.platform.ClearRecords();
    s.form->Button1->click();
    const QStringList hint = s.platform.Messages().at(0).request.informative.split('\n');
    qsizetype offer = 0;
    while (offer < hint.size() && !hint[offer].startsWith(QStringLiteral("Уточнённая оценка")))
      ++offer;
    QCOMPARE(hint.mid(offer + 1),
             QStringList({"Она найдена по файлам a.crd, c.crd, e.crd, f.crd (4 из 6).",
                          "Не вошёл файл b.crd: в нём нет точек.",
                          "Не вошёл файл d.crd: ни одна его точка не видна.",
                          "Из файла e.crd взяты только первые точки: 3 из 4, как в a.crd.",
                          "В файле f.crd точек меньше, чем в a.crd (1 из 3): прямые остальных "
                          "точек построены без него.",
                          "Открыть окно «Диагностика»?"}));
  }

  // The report's line fit fails on a track that keeps its x; the box names the point, says
  // what to do, and opens the diagnostics, whose refined point is found, when asked.
  void verticalTrackNamesItsPointAndOffersTheRefinedPoint() {
    Session s;
    s.Load({s.Write("a.crd", "420;290\r\n270;340\r\n100;100\r\n"),
            s.Write("b.crd", "520;341\r\n270;440\r\n200;150\r\n"),
            s.Write("c.crd", "620;390\r\n270;540\r\n300;200\r\n")});
    s.platform.ScriptAnswer(zirt::Answer::kYes);
    s.form->Button1->click();
    const auto& box = s.platform.Messages().at(0).request;
    QCOMPARE(box.caption, QStringLiteral("ZIRT"));
    QVERIFY(!box.text.isEmpty() && box.text.at(0).unicode() < 128);  // The error's own text.
    const QStringList hint = box.informative.split('\n');
    QVERIFY(hint.at(0).startsWith(QStringLiteral("Реперная точка 2 движется строго по вертикали")));
    QVERIFY(hint.at(1).contains(QStringLiteral("точки 2")));
    QCOMPARE(hint.back(), QStringLiteral("Открыть окно «Диагностика»?"));
    QVERIFY(s.form->Diagnostics != nullptr && s.form->Diagnostics->isVisible());
    QVERIFY(s.form->Diagnostics->SaveRefinedButton->isEnabled());
    QVERIFY(s.form->State().ResultSaved);
  }

  // A 4000 × 3000 camera's marks are all in view; the examples' keep the 2/3 scale. The wheel
  // and a drag draw the marks anew, the same size at any scale.
  void pictureShowsEveryPointAndZooms() {
    Session s;
    s.Load({s.Write("a.crd", "100;100\r\n3990;2990\r\n"),
            s.Write("b.crd", "150;120\r\n3900;2900\r\n")});
    const zirt::ViewBitmap& bitmap = s.form->Bitmap();
    const zirt::Ext fitted = bitmap.Scale();
    QVERIFY(fitted < 2.0L / 3);
    const auto arm = [&](double x, double y, Color colour) {
      const int cx = bitmap.ToPixelX(x), cy = bitmap.ToPixelY(y);
      return cx + 10 < bitmap.Width() && cy < bitmap.Height() && s.Pixel(cx + 9, cy) == colour &&
             s.Pixel(cx + 10, cy) == kSilver;
    };
    QVERIFY(arm(3990, 2990, kRed));
    QVERIFY(arm(3900, 2900, kGreen));

    zirt::StretchedImage* view = s.form->Image1;
    // Over the far mark, which stays under the cursor.
    const QPointF at(bitmap.ToPixelX(3990) * double(view->width()) / bitmap.Width(),
                     bitmap.ToPixelY(2990) * double(view->height()) / bitmap.Height());
    QWheelEvent wheel(at, view->mapToGlobal(at), {}, {0, 240}, Qt::NoButton, {}, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(view, &wheel);
    QCOMPARE(double(bitmap.Scale() / fitted), 1.5625);
    QVERIFY(bitmap.OriginX() > 0);
    QVERIFY(arm(3990, 2990, kRed));  // Still in view, and the cross no larger.
    const zirt::Ext origin = bitmap.OriginX();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(60, 60));
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 60), view->mapToGlobal(QPointF(40, 60)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(view, &move);
    QVERIFY(bitmap.OriginX() > origin);

    s.Load(s.WorkedExample());
    QCOMPARE(bitmap.Scale(), 2.0L / 3);
    QCOMPARE(bitmap.OriginX(), 0.0L);
  }

  // Every command without a mouse: shortcuts, access keys from a Latin layout too, F10, a
  // lone Alt, and Tab into the report list.
  void keyboardReachesEveryCommand() {
    Session s;
    s.form->show();
    s.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.form.get()));
    QMenuBar* bar = s.form->menuBar();
    QTest::keyClick(s.form->Button2, Qt::Key_A, Qt::AltModifier);  // Ф on the Russian layout
    QCOMPARE(bar->activeAction(), s.form->N1->menuAction());
    QTRY_VERIFY(s.form->N1->isVisible());
    QTest::keyClick(s.form->N1, Qt::Key_P);  // З: Загрузить
    QTRY_COMPARE(s.platform.OpenDialogs().size(), std::size_t{1});

    QTest::keyClick(s.form->Button2, Qt::Key_F10);
    QTRY_VERIFY(s.form->N1->isVisible());
    QTest::keyClick(s.form->N1, Qt::Key_Escape);
    QTest::keyClick(s.form->N1, Qt::Key_Escape);
    QTRY_VERIFY(!s.form->N1->isVisible());
    QTest::keyPress(s.form->Button2, Qt::Key_Alt);
    QTest::keyRelease(s.form->Button2, Qt::Key_Alt, Qt::AltModifier);
    QTRY_VERIFY(s.form->N1->isVisible());
    QTest::keyClick(s.form->N1, Qt::Key_Escape);
    QTest::keyClick(s.form->N1, Qt::Key_Escape);

    s.platform.ScriptOpenFiles(s.WorkedExample());
    QTest::keySequence(s.form.get(), QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(s.form->ListBox1->count(), 3);
    QTest::keyClick(s.form.get(), Qt::Key_F9);
    QVERIFY(s.form->Button3->isEnabled());
    s.form->Button2->setFocus();
    QTest::keyClick(s.form->Button2, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), s.form->ListBox1);
  }

  // A window made as small as it goes keeps its three buttons in view.
  void smallestWindowShowsItsButtons() {
    Session s;
    s.form->show();
    s.form->resize(1, 1);
    QTRY_VERIFY(s.form->Button3->isVisible());
    for (QWidget* button : {s.form->Button2, s.form->Button1, s.form->Button3}) {
      const QRect inside(button->mapTo(s.form.get(), QPoint(0, 0)), button->size());
      QVERIFY(s.form->rect().contains(inside));
    }
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
