// The editor window as the user drives it: loading each data kind, keys and row buttons,
// saving from the menu, the toolbar and the close question, with dialogs answered by script.
#include <QAction>
#include <QCloseEvent>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <cmath>
#include <memory>

#include "editor/grid_view.h"
#include "editor/red_form.h"
#include "tests/core/separator_guard.h"
#include "tests/support/scripted_platform.h"

using zirt::Answer;
using zirt::testing::ScriptedPlatform;

namespace {

const QString kQuestion = QStringLiteral("Данные не сохранены. Сохранить?");

QByteArray Cp1251(const QStringList& lines) {
  QStringEncoder encoder("windows-1251");
  QByteArray bytes;
  for (const QString& line : lines) bytes += encoder(line) + "\r\n";
  return bytes;
}

const QStringList kCameraLines = {
    QStringLiteral(" ; Координата X центра изображения"),
    QStringLiteral(" ; Координата Y центра изображения"),
    QStringLiteral("table1 ; Таблица коррекции"),
    QStringLiteral("1234.5 ; Фокусное расстояние"),
    QStringLiteral("1024 ; Размер изображения по горизонтали"),
    QStringLiteral("768 ; Размер изображения по вертикали"),
    QStringLiteral("512.3456 ; Координата X главной точки"),
    QStringLiteral("384.25 ; Координата Y главной точки"),
};

// An editor with its scripted desktop and a folder for data files.
struct Session {
  Session() : form(std::make_unique<TRedForm>(platform)) {}

  QString Write(const QString& name, const QByteArray& bytes) {
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
    file.write(bytes);
    return path;
  }

  QByteArray Read(const QString& path) const {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  // A loaded image coordinate file of three points, shown.
  QString LoadImageFile() {
    const QString path = Write("img.crd", "1 ; 2\r\n3 ; 4\r\n5 ; 6\r\n");
    if (!form->LoadFile(path, 2)) qFatal("load failed");
    form->show();
    return path;
  }

  QString Cell(int column, int row) const {
    return QString::fromStdString(form->Cells().Cell(column, row));
  }
  void Type(int column, int row, const QString& text) {
    QAbstractItemModel* model = form->StringGrid1->model();
    model->setData(model->index(row, column), text);
  }
  int Scaled(int design) const { return static_cast<int>(std::lround(design * form->Scale())); }

  zirt::SeparatorGuard point{'.'};
  ScriptedPlatform platform;
  QTemporaryDir folder;
  std::unique_ptr<TRedForm> form;
};

struct KindCase {
  int kind;
  const char* file;
  QByteArray bytes;
  QString caption;
  QSize size;  // Design pixels, before the minimum size.
  QList<int> widths;
  int row_height;
  bool row_commands;
  int rows;
  QStringList row1;  // Cells of row 1, or of row 0 for files without a caption row.
};

}  // namespace

class RedFormTest : public QObject {
  Q_OBJECT

 private slots:
  void designBeforeLoading() {
    Session s;
    const TRedForm& form = *s.form;
    QCOMPARE(form.windowTitle(), QStringLiteral("Редактор"));
    QCOMPARE(form.Kind(), 0);
    QVERIFY(form.FileName().isEmpty());
    QVERIFY(!form.Modified());
    QCOMPARE(form.MainMenu1->actions().size(), 1);
    QCOMPARE(form.N1->title(), QStringLiteral("&Файл"));
    QCOMPARE(form.N1->actions(), (QList<QAction*>{form.N3, form.N16, form.N15, form.N6}));
    QCOMPARE(form.N3->text(), QStringLiteral("&Сохранить"));
    QCOMPARE(form.N16->text(), QStringLiteral("Сохранить &как…"));
    QVERIFY(form.N15->isSeparator());
    QCOMPARE(form.N6->text(), QStringLiteral("&Выход"));
    QCOMPARE(form.ToolButton10->toolTip(), QStringLiteral("Сохранить"));
    QCOMPARE(form.ToolButton3->toolTip(), QStringLiteral("Добавить"));
    QCOMPARE(form.ToolButton5->toolTip(), QStringLiteral("Добавить в конец"));
    QCOMPARE(form.ToolButton1->toolTip(), QStringLiteral("Удалить"));
    QCOMPARE(form.ToolButton8->toolTip(), QStringLiteral("Очистить"));
    for (QToolButton* b : {form.ToolButton10, form.ToolButton3, form.ToolButton5, form.ToolButton1,
                           form.ToolButton8})
      QVERIFY(!b->icon().isNull());
    QCOMPARE(form.Cells().RowCount(), 2);
    QCOMPARE(form.Cells().ColumnCount(), 5);
    QCOMPARE(form.minimumSize(), QSize(s.Scaled(300), s.Scaled(200)));
  }

  void loadsEveryKind() {
    const QByteArray scene = "1 ; 2 ; 3\r\n4.50 ; 5 ; 6\r\n";
    const QByteArray image = "  7.5 ;  8  \r\n1.50;2\r\n3;4\r\n";
    const QByteArray list = " 7\r\n8\r\n";
    const QByteArray camera = Cp1251(kCameraLines);
    QStringList orientation_lines;
    for (int i = 0; i < 21; ++i) orientation_lines << QString::number(i) + " ; c";
    const QByteArray orientation = Cp1251(orientation_lines);
    const QString reference = QStringLiteral(" Реперные точки");
    const QString corresponding = QStringLiteral(" Соответственные точки");
    const QString inner = QStringLiteral(" Внутренняя геометрия");
    const QString outer = QStringLiteral(" Внешняя геометрия");
    const QList<KindCase> cases = {
        {1,
         "s.crd",
         scene,
         "s.crd" + reference,
         {400, 500},
         {50, 100, 100, 100},
         20,
         true,
         3,
         {"1", "1", "2", "3"}},
        {2,
         "i.crd",
         image,
         "i.crd" + reference,
         {300, 500},
         {50, 100, 100},
         20,
         true,
         4,
         {"1", "7.5", "8"}},
        {3,
         "i.crd",
         image,
         "i.crd" + reference,
         {300, 500},
         {50, 100, 100},
         20,
         true,
         4,
         {"1", "7.5", "8"}},
        {9,
         "i.crd",
         image,
         "i.crd" + corresponding,
         {300, 500},
         {50, 100, 100},
         20,
         true,
         4,
         {"1", "7.5", "8"}},
        {10,
         "i.crd",
         image,
         "i.crd" + corresponding,
         {300, 500},
         {50, 100, 100},
         20,
         true,
         4,
         {"1", "7.5", "8"}},
        {4,
         "l.lst",
         list,
         QStringLiteral("l.lst Список реперных точек"),
         {200, 500},
         {50, 50},
         20,
         true,
         3,
         {"1", "7"}},
        {5,
         "abcP.cam",
         camera,
         "abcP.cam" + inner,
         {520, 290},
         {290, 200},
         24,
         false,
         8,
         {QStringLiteral("Координата X центра изображения (пикс.)"), ""}},
        {6,
         "abcP.cam",
         camera,
         "abcP.cam" + inner,
         {520, 290},
         {290, 200},
         24,
         false,
         8,
         {QStringLiteral("Координата X центра изображения (пикс.)"), ""}},
        {7,
         "o.ort",
         orientation,
         "o.ort" + outer,
         {410, 500},
         {260, 110},
         24,
         false,
         21,
         {QStringLiteral("Координата X центра проекции"), "0"}},
        {8,
         "o.ort",
         orientation,
         "o.ort" + outer,
         {410, 500},
         {260, 110},
         24,
         false,
         21,
         {QStringLiteral("Координата X центра проекции"), "0"}},
    };
    for (const KindCase& c : cases) {
      Session s;
      const QString path = s.Write(c.file, c.bytes);
      QVERIFY2(s.form->LoadFile(path, c.kind), c.file);
      const TRedForm& form = *s.form;
      QCOMPARE(form.Kind(), c.kind);
      QCOMPARE(form.FileName(), path);
      QVERIFY(!form.Modified());
      QCOMPARE(form.windowTitle(), c.caption);
      const QSize expected(std::max(s.Scaled(c.size.width()), s.Scaled(300)),
                           std::max(s.Scaled(c.size.height()), s.Scaled(200)));
      // A caption column of fixed lines grows to its widest caption, the window with it.
      const int grown = form.StringGrid1->columnWidth(0) - s.Scaled(c.widths[0]);
      QVERIFY(grown >= 0 && (grown == 0 || !c.row_commands));
      QCOMPARE(form.size(), expected + QSize(grown, 0));
      QCOMPARE(form.Cells().ColumnCount(), c.widths.size());
      for (int col = 1; col < c.widths.size(); ++col)
        QCOMPARE(form.StringGrid1->columnWidth(col), s.Scaled(c.widths[col]));
      // Whole: the text and the cell's margins either side, in fractions of a pixel.
      const QFontMetricsF metrics(form.StringGrid1->font());
      const int margins = 2 * (form.style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 1;
      for (int r = 0; r < form.Cells().RowCount(); ++r)
        QVERIFY2(
            metrics.horizontalAdvance(s.Cell(0, r)) + margins <= form.StringGrid1->columnWidth(0),
            qPrintable(s.Cell(0, r)));
      QCOMPARE(form.StringGrid1->rowHeight(0), s.Scaled(c.row_height));
      QCOMPARE(form.Cells().RowCount(), c.rows);
      for (QToolButton* b :
           {form.ToolButton3, form.ToolButton5, form.ToolButton1, form.ToolButton8})
        QCOMPARE(b->isEnabled(), c.row_commands);
      QVERIFY(form.ToolButton10->isEnabled());

      const int row = c.row_commands ? 1 : 0;
      for (int col = 0; col < c.row1.size(); ++col) QCOMPARE(s.Cell(col, row), c.row1[col]);
      // The fixed row and column can be neither selected nor edited.
      const QAbstractItemModel* model = form.StringGrid1->model();
      QCOMPARE(model->flags(model->index(0, 1)).testFlag(Qt::ItemIsEditable), !c.row_commands);
      QVERIFY(!model->flags(model->index(row, 0)).testFlag(Qt::ItemIsEditable));
      QVERIFY(model->flags(model->index(row, 1)).testFlag(Qt::ItemIsEditable));
      QCOMPARE(form.StringGrid1->Row(), row);
      QCOMPARE(form.StringGrid1->Col(), 1);
    }
  }

  void newFilesAndEmptyFiles() {
    Session s;
    QVERIFY(s.form->LoadFile(QString(), 4));
    QCOMPARE(s.form->windowTitle(), QStringLiteral("Untitled Список реперных точек"));
    QCOMPARE(s.form->Cells().RowCount(), 2);
    QCOMPARE(s.Cell(0, 1), QStringLiteral("1"));
    QCOMPARE(s.Cell(1, 0), QStringLiteral("Номер"));

    Session camera;
    QVERIFY(camera.form->LoadFile(QString(), 5));
    QCOMPARE(camera.form->Cells().RowCount(), 8);
    QCOMPARE(camera.Cell(1, 7), QString());

    // Only the caption row: it is no longer fixed.
    Session empty;
    QVERIFY(empty.form->LoadFile(empty.Write("e.crd", ""), 2));
    QCOMPARE(empty.form->Cells().RowCount(), 1);
    const QAbstractItemModel* model = empty.form->StringGrid1->model();
    QVERIFY(model->flags(model->index(0, 1)).testFlag(Qt::ItemIsEditable));
  }

  void loadFailureIsReportedAndClosesTheWindow() {
    Session s;
    const QString path = s.Write("scene.crd", "1 ; 2 ; 3\r\n");
    QVERIFY(!s.form->LoadFile(path, 2));
    QCOMPARE(s.form->Kind(), 2);
    QCOMPARE(s.form->FileName(), path);
    QVERIFY(!s.form->isVisible());
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    const auto& box = s.platform.Messages()[0];
    QCOMPARE(box.request.text, QStringLiteral("Внутренняя ошибка. Обратитесь к разработчику."));
    QCOMPARE(box.request.caption, QStringLiteral("Ошибка!"));
    QCOMPARE(box.request.buttons, zirt::Buttons::kOk);
    QCOMPARE(box.request.icon, zirt::Icon::kNone);
    QCOMPARE(box.owner, nullptr);

    Session camera;
    QVERIFY(!camera.form->LoadFile(camera.Write("short.cam", "1 ; a\r\n"), 5));
    Session missing;
    QVERIFY(!missing.form->LoadFile(missing.folder.filePath("none.crd"), 2));
    QCOMPARE(missing.platform.Messages().size(), std::size_t{1});
  }

  void anyKeyInTheGridCountsAsAChange() {
    Session s;
    s.LoadImageFile();
    QTest::keyClick(s.form->StringGrid1, Qt::Key_Down);
    QVERIFY(s.form->Modified());
    QCOMPARE(s.form->StringGrid1->Row(), 2);

    // Keys typed into an open in-place editor count as well.
    s.LoadImageFile();
    QVERIFY(!s.form->Modified());
    QTest::keyClick(s.form->StringGrid1, Qt::Key_F2);
    QVERIFY(s.form->Modified());
    s.LoadImageFile();
    const QModelIndex index = s.form->StringGrid1->model()->index(1, 1);
    s.form->StringGrid1->edit(index);
    auto* editor = qobject_cast<QLineEdit*>(s.form->StringGrid1->indexWidget(index));
    QVERIFY(editor);
    QVERIFY(!s.form->Modified());
    QTest::keyClick(editor, Qt::Key_Left);
    QVERIFY(s.form->Modified());
  }

  void rowButtonsChangeTheGridAndCountAsChanges() {
    Session s;
    s.LoadImageFile();
    TRedForm& form = *s.form;
    form.StringGrid1->Select(2, 2);
    form.ToolButton3->click();
    QVERIFY(form.Modified());
    QCOMPARE(form.Cells().RowCount(), 5);
    QCOMPARE(s.Cell(1, 2), QString());
    QCOMPARE(s.Cell(1, 3), QStringLiteral("3"));
    QCOMPARE(s.Cell(0, 4), QStringLiteral("4"));
    QCOMPARE(form.StringGrid1->Row(), 2);
    QCOMPARE(form.StringGrid1->Col(), 2);

    form.ToolButton5->click();
    QCOMPARE(form.Cells().RowCount(), 6);
    QCOMPARE(s.Cell(0, 5), QStringLiteral("5"));
    QCOMPARE(form.StringGrid1->Row(), 2);

    // Deleting the last row puts the selection on the new last row.
    form.StringGrid1->Select(1, 5);
    form.ToolButton1->click();
    QCOMPARE(form.Cells().RowCount(), 5);
    QCOMPARE(form.StringGrid1->Row(), 4);

    form.ToolButton8->click();
    QCOMPARE(form.Cells().RowCount(), 2);
    QCOMPARE(s.Cell(0, 1), QStringLiteral("1"));
    QCOMPARE(s.Cell(1, 0), QStringLiteral("x"));
    QCOMPARE(form.StringGrid1->Row(), 1);

    // Column widths the user set survive the row commands.
    form.StringGrid1->setColumnWidth(1, 77);
    form.ToolButton5->click();
    QCOMPARE(form.StringGrid1->columnWidth(1), 77);
  }

  void columnsAreResizedByDraggingTheirLine() {
    Session s;
    s.LoadImageFile();
    zirt::StringGridView* grid = s.form->StringGrid1;
    const int width = grid->columnWidth(1);
    const int y = grid->rowViewportPosition(0) + grid->rowHeight(0) / 2;
    const QPoint line(grid->columnViewportPosition(1) + width, y);
    QTest::mousePress(grid->viewport(), Qt::LeftButton, Qt::NoModifier, line);
    QTest::mouseMove(grid->viewport(), line + QPoint(30, 0));
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, Qt::NoModifier, line + QPoint(30, 0));
    QCOMPARE(grid->columnWidth(1), width + 30);
    QVERIFY(!s.form->Modified());
  }

  void saveFromTheMenuAndTheToolbar() {
    Session s;
    const QString path = s.LoadImageFile();
    TRedForm& form = *s.form;
    s.Type(2, 3, QStringLiteral(" 6.50 "));
    QVERIFY(form.Modified());
    QCOMPARE(form.windowTitle(), QStringLiteral("img.crd Реперные точки *"));
    const QString other = s.folder.filePath("other.crd");
    s.platform.ScriptSaveFile(other);
    form.N16->trigger();
    QVERIFY(!form.Modified());
    QCOMPARE(s.Read(other), QByteArray("1 ; 2\r\n3 ; 4\r\n5 ; 6.5\r\n"));
    QCOMPARE(s.platform.SaveDialogs().size(), std::size_t{1});
    const auto& dialog = s.platform.SaveDialogs()[0];
    QCOMPARE(dialog.owner, s.form.get());
    QCOMPARE(dialog.request.filter, QStringLiteral("Coordinate Files|*.crd|All Files|*.*"));
    QCOMPARE(dialog.request.default_extension, QStringLiteral("*.crd"));
    QCOMPARE(dialog.request.file_name, path);
    // Saving under another name changes neither the name nor the caption.
    QCOMPARE(form.FileName(), path);
    QCOMPARE(form.windowTitle(), QStringLiteral("img.crd Реперные точки"));

    // What is being typed into a cell is saved with the rest.
    const QModelIndex index = form.StringGrid1->model()->index(1, 1);
    form.StringGrid1->setCurrentIndex(index);
    form.StringGrid1->edit(index);
    auto* editor = qobject_cast<QLineEdit*>(form.StringGrid1->indexWidget(index));
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "42");
    // The toolbar's Сохранить, like the menu's, writes onto the file opened without asking.
    form.ToolButton10->click();
    QCOMPARE(s.Read(path), QByteArray("42 ; 2\r\n3 ; 4\r\n5 ; 6.5\r\n"));
    QVERIFY(!form.Modified());

    // Ctrl+S saves onto the file, as the menu item shows, and the "*" goes.
    QCOMPARE(form.N3->shortcut(), QKeySequence(QKeySequence::Save));
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    s.Type(1, 2, QStringLiteral("9"));
    QVERIFY(form.windowTitle().endsWith(QStringLiteral(" *")));
    QTest::keyClick(form.StringGrid1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(s.Read(path), QByteArray("42 ; 2\r\n9 ; 4\r\n5 ; 6.5\r\n"));
    QCOMPARE(form.windowTitle(), QStringLiteral("img.crd Реперные точки"));
    QCOMPARE(s.platform.SaveDialogs().size(), std::size_t{1});
    QCOMPARE(s.platform.UnscriptedCalls(), 0);
  }

  void typingIntoTheSelectedCellChangesOnlyThatCell() {
    Session s;
    const QString path = s.Write("t.crd", "1 ; 2\r\n45 ; 4\r\n5 ; 6\r\n");
    QVERIFY(s.form->LoadFile(path, 2));
    s.form->show();
    s.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(s.form.get()));
    zirt::StringGridView* grid = s.form->StringGrid1;
    // The grid has the keyboard as the window opens: arrows and typing work at once.
    QCOMPARE(QApplication::focusWidget(), grid);
    const zirt::Grid before = s.form->Cells();
    // A click on the cell already selected, then keys at once: no search, no other row.
    const QPoint cell = grid->visualRect(grid->model()->index(3, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell);
    for (const char key : {'4', '2'}) QTest::keyClick(QApplication::focusWidget(), key);
    grid->CommitEdit();
    QCOMPARE(s.Cell(1, 3), QStringLiteral("42"));
    for (int r = 0; r < before.RowCount(); ++r)
      for (int c = 0; c < before.ColumnCount(); ++c)
        if (r != 3 || c != 1) QCOMPARE(s.Cell(c, r), QString::fromStdString(before.Cell(c, r)));
  }

  void refusedValuesAndCancelledDialogsKeepTheChange() {
    Session s;
    const QString path = s.LoadImageFile();
    TRedForm& form = *s.form;
    const QByteArray before = s.Read(path);
    form.ToolButton5->click();
    form.N3->trigger();
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    const auto& box = s.platform.Messages()[0];
    QCOMPARE(box.request.text, QStringLiteral("Ошибка в 4-й строке координат изображения!"));
    QCOMPARE(box.request.caption, QStringLiteral("ZIRT"));
    QCOMPARE(box.request.buttons, zirt::Buttons::kOk);
    QCOMPARE(box.request.icon, zirt::Icon::kNone);
    QVERIFY(s.platform.SaveDialogs().empty());
    QVERIFY(form.Modified());

    form.StringGrid1->Select(1, 4);
    form.ToolButton1->click();
    s.platform.ScriptSaveFile(std::nullopt);
    form.N16->trigger();
    QCOMPARE(s.platform.SaveDialogs().size(), std::size_t{1});
    QVERIFY(form.Modified());
    QCOMPARE(s.Read(path), before);
  }

  void fileThatCannotBeCreatedGoesToTheExceptionDisplay() {
    Session s;
    s.LoadImageFile();
    TRedForm& form = *s.form;
    s.Type(1, 1, QStringLiteral("9"));
    const QString bad = s.folder.filePath("missing/folder/x.crd");
    s.platform.ScriptSaveFile(bad);
    form.N16->trigger();
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    const auto& box = s.platform.Messages()[0];
    QCOMPARE(box.request.text, "Cannot create file " + bad + ".");
    QCOMPARE(box.request.caption, QStringLiteral("ZIRT"));
    QCOMPARE(box.request.icon, zirt::Icon::kError);
    QVERIFY(form.Modified());

    // From the close question the window stays open; a new file's name is asked for.
    QVERIFY(form.LoadFile(QString(), 2));
    s.Type(1, 1, QStringLiteral("9"));
    s.Type(2, 1, QStringLiteral("8"));
    s.platform.ClearRecords();
    s.platform.ScriptAnswer(Answer::kYes);
    s.platform.ScriptSaveFile(bad);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QCOMPARE(s.platform.Messages().size(), std::size_t{2});
    QCOMPARE(s.platform.Messages()[1].request.icon, zirt::Icon::kError);
  }

  void closingUnchangedAsksNothing() {
    Session s;
    s.LoadImageFile();
    QVERIFY(s.form->close());
    QVERIFY(s.platform.Messages().empty());

    Session never_loaded;
    never_loaded.form->show();
    QVERIFY(never_loaded.form->close());
    QVERIFY(never_loaded.platform.Messages().empty());
  }

  void closeQuestionYesSaves() {
    Session s;
    const QString path = s.LoadImageFile();
    QTest::keyClick(s.form->StringGrid1, Qt::Key_Down);
    s.Type(1, 2, QStringLiteral("30"));
    s.platform.ScriptAnswer(Answer::kYes);
    QVERIFY(s.form->close());
    QVERIFY(!s.form->isVisible());
    QCOMPARE(s.Read(path), QByteArray("1 ; 2\r\n30 ; 4\r\n5 ; 6\r\n"));
    QVERIFY(!s.form->Modified());
    const auto& question = s.platform.Messages().at(0);
    QCOMPARE(question.request.text, kQuestion);
    QCOMPARE(question.request.caption, QStringLiteral("Предупреждение"));
    QCOMPARE(question.request.buttons, zirt::Buttons::kYesNoCancel);
    QCOMPARE(question.request.icon, zirt::Icon::kNone);
    QCOMPARE(question.owner, nullptr);
    QVERIFY(s.platform.SaveDialogs().empty());
    QCOMPARE(s.platform.UnscriptedCalls(), 0);
  }

  void closeQuestionNoDropsTheChanges() {
    Session s;
    const QString path = s.LoadImageFile();
    const QByteArray before = s.Read(path);
    QTest::keyClick(s.form->StringGrid1, Qt::Key_Right);
    s.platform.ScriptAnswer(Answer::kNo);
    s.form->N6->trigger();
    QVERIFY(!s.form->isVisible());
    QCOMPARE(s.platform.Messages().size(), std::size_t{1});
    QVERIFY(s.platform.SaveDialogs().empty());
    QCOMPARE(s.Read(path), before);
  }

  void closeQuestionKeepsTheWindowWhenNothingWasWritten() {
    Session s;
    s.LoadImageFile();
    TRedForm& form = *s.form;
    s.Type(2, 2, QStringLiteral("abc"));
    s.platform.ScriptAnswer(Answer::kYes);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QVERIFY(form.Modified());
    QCOMPARE(s.Cell(2, 2), QStringLiteral("abc"));
    QCOMPARE(s.platform.Messages().size(), std::size_t{2});
    QCOMPARE(s.platform.Messages()[1].request.text,
             QStringLiteral("Ошибка в 2-й строке координат изображения!"));
    QVERIFY(s.platform.SaveDialogs().empty());

    // Cancel (and Escape, which means it) keeps the window and the data, writing nothing.
    s.platform.ScriptAnswer(Answer::kCancel);
    QVERIFY(!form.close());
    QVERIFY(form.Modified());
    QCOMPARE(s.Cell(2, 2), QStringLiteral("abc"));

    QVERIFY(form.LoadFile(QString(), 2));
    s.Type(2, 1, QStringLiteral("7"));
    s.platform.ScriptAnswer(Answer::kYes);
    s.platform.ScriptSaveFile(std::nullopt);
    QVERIFY(!form.close());
    QVERIFY(form.isVisible());
    QVERIFY(form.Modified());
    QCOMPARE(s.Cell(2, 1), QStringLiteral("7"));

    // The question comes back until the user gives the data up.
    s.platform.ScriptAnswer(Answer::kNo);
    QVERIFY(form.close());
    QCOMPARE(s.platform.UnscriptedCalls(), 0);
  }

  void escapeDoesNotCloseTheWindow() {
    Session s;
    s.LoadImageFile();
    QTest::keyClick(s.form.get(), Qt::Key_Escape);
    QVERIFY(s.form->isVisible());
    QVERIFY(s.platform.Messages().empty());
  }

  void unchangedCameraFileSavesTheSameBytes() {
    Session s;
    const QString path = s.Write("abcP.cam", Cp1251(kCameraLines));
    QVERIFY(s.form->LoadFile(path, 5));
    QCOMPARE(s.Cell(1, 0), QString());
    QCOMPARE(s.Cell(1, 2), QStringLiteral("table1"));
    const QString copy = s.folder.filePath("copy.cam");
    s.platform.ScriptSaveFile(copy);
    s.form->N16->trigger();
    QCOMPARE(s.platform.SaveDialogs()[0].request.filter,
             QStringLiteral("Cam Files|*.cam|All Files|*.*"));
    QCOMPARE(s.platform.SaveDialogs()[0].request.default_extension, QStringLiteral("*.cam"));
    QCOMPARE(s.Read(copy), s.Read(path));

    s.Type(1, 3, QStringLiteral("abc"));
    s.form->N3->trigger();
    QCOMPARE(s.platform.Messages().back().request.text,
             QStringLiteral("Ошибка в калибровочных данных!"));
  }

  // A ';' would end the value at the next reading, and a letter Windows-1251 lacks would come
  // back as '?': the first is refused naming the row, the second asked about.
  void valuesTheFileCannotHoldAreNotWrittenSilently() {
    Session s;
    const QString path = s.Write("kP.cam", Cp1251(kCameraLines));
    QVERIFY(s.form->LoadFile(path, 5));
    const QByteArray before = s.Read(path);
    s.Type(1, 2, QStringLiteral("k1 ; k2"));
    s.form->N3->trigger();
    QCOMPARE(s.platform.Messages().back().request.text,
             QStringLiteral("Знак «;» в 3-й строке («Таблица коррекции») недопустим: он отделяет "
                            "значение от комментария. Уберите его."));
    QCOMPARE(s.Read(path), before);

    s.Type(1, 2, QStringLiteral("Jäger"));
    s.platform.ScriptAnswer(Answer::kNo);
    s.form->N3->trigger();
    QVERIFY(s.platform.Messages().back().request.text.startsWith(
        QStringLiteral("В 3-й строке («Таблица коррекции») есть знаки, которых нет в кодировке "
                       "Windows-1251")));
    QCOMPARE(s.Read(path), before);
    QVERIFY(s.form->Modified());
    s.platform.ScriptAnswer(Answer::kYes);
    s.form->N3->trigger();
    QVERIFY(s.Read(path).contains("J?ger ; "));

    const QString crd = s.LoadImageFile();
    s.Type(2, 2, QStringLiteral("4;5"));
    s.form->N3->trigger();
    QVERIFY(s.platform.Messages().back().request.text.startsWith(
        QStringLiteral("Знак «;» в 2-й строке недопустим")));
    QCOMPARE(s.Read(crd), QByteArray("1 ; 2\r\n3 ; 4\r\n5 ; 6\r\n"));
    QCOMPARE(s.platform.UnscriptedCalls(), 0);
  }
};

QTEST_MAIN(RedFormTest)
#include "red_form_test.moc"
