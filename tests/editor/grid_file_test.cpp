// Files of every layout through the editor's grid and back, and the values it refuses.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "data/exceptions.h"
#include "editor/grid_file.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

using Texts = std::vector<std::string>;

// Lines as the tool set stores them: Windows-1251, CR LF after every line.
QByteArray FileBytes(const Texts& lines) {
  QStringEncoder encoder("windows-1251");
  QByteArray bytes;
  for (const std::string& line : lines) {
    bytes += encoder(QString::fromStdString(line));
    bytes += "\r\n";
  }
  return bytes;
}

class GridFileTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const QByteArray& bytes) {
    const QString path = dir_.filePath(QString::fromStdString(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
      ADD_FAILURE() << "cannot write " << name;
    return path.toStdString();
  }

  std::string Write(const std::string& name, const Texts& lines) {
    return Write(name, FileBytes(lines));
  }

  QByteArray Read(const std::string& path) {
    QFile file(QString::fromStdString(path));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    return file.readAll();
  }

  // File → grid → lines → file; the bytes written.
  QByteArray RoundTrip(DataKind kind, const QByteArray& bytes) {
    const Grid grid = LoadGrid(kind, Write("in", bytes));
    const BuiltLines built = BuildLines(kind, grid);
    EXPECT_TRUE(built.accepted) << built.rejection;
    const std::string out = dir_.filePath("out").toStdString();
    WriteLines(out, built.lines);
    return Read(out);
  }

  std::string Rejection(DataKind kind, const Grid& grid) {
    const BuiltLines built = BuildLines(kind, grid);
    EXPECT_FALSE(built.accepted);
    EXPECT_TRUE(built.lines.empty());
    return built.rejection;
  }

  QTemporaryDir dir_;
  SeparatorGuard point_{'.'};
};

const Texts kCamera = {
    " ; Координата X центра изображения",
    " ; Координата Y центра изображения",
    "table1 ; Таблица коррекции",
    "1234.5 ; Фокусное расстояние",
    "1024 ; Размер изображения по горизонтали",
    "768 ; Размер изображения по вертикали",
    "512.3456 ; Координата X главной точки",
    "384.25 ; Координата Y главной точки",
};

Texts Orientation() {
  Texts lines;
  const LayoutInfo& info = InfoOf(7);
  for (std::size_t i = 0; i < info.fixed_lines.size(); ++i)
    lines.push_back((i % 3 == 0 ? std::string() : std::to_string(i) + ".5") +
                    info.fixed_lines[i].comment);
  return lines;
}

TEST_F(GridFileTest, EveryLayoutComesBackByteForByte) {
  const QByteArray scene = FileBytes({"1 ; 2.5 ; -3", "1000000 ; 0.001 ; 1E-5"});
  EXPECT_EQ(RoundTrip(1, scene), scene);
  const QByteArray image = FileBytes({"512.25 ; 384", "- ; -", "-0.0625 ; 12"});
  for (DataKind kind : {2, 3, 9, 10}) EXPECT_EQ(RoundTrip(kind, image), image) << kind;
  // The not-seen line is an image coordinate's only; elsewhere a '-' is a bad number.
  EXPECT_THROW(LoadGrid(1, Write("gap.crd", Texts{"- ; - ; -"})), Exception);
  EXPECT_THROW(LoadGrid(4, Write("gap.lst", Texts{"-"})), Exception);
  const QByteArray list = FileBytes({"12", "-7", "3"});
  EXPECT_EQ(RoundTrip(4, list), list);

  const QByteArray camera = FileBytes(kCamera);
  ASSERT_TRUE(camera.contains("\xCA\xEE\xEE\xF0\xE4")) << "comments in Windows-1251";
  for (DataKind kind : {5, 6}) EXPECT_EQ(RoundTrip(kind, camera), camera) << kind;
  const QByteArray orientation = FileBytes(Orientation());
  for (DataKind kind : {7, 8}) EXPECT_EQ(RoundTrip(kind, orientation), orientation) << kind;
}

TEST_F(GridFileTest, CommaSeparatorFilesComeBackUnderTheCommaSetting) {
  SeparatorGuard comma(',');
  const QByteArray image = FileBytes({"512,25 ; 384"});
  EXPECT_EQ(RoundTrip(2, image), image);
  Texts lines = kCamera;
  lines[3] = "1234,5 ; Фокусное расстояние";
  lines[6] = "512,3456 ; Координата X главной точки";
  lines[7] = "384,25 ; Координата Y главной точки";
  const QByteArray camera = FileBytes(lines);
  EXPECT_EQ(RoundTrip(5, camera), camera);
}

TEST_F(GridFileTest, RepeatedSavesOfACameraFileDoNotGrowItsValues) {
  QByteArray bytes = FileBytes(kCamera);
  for (int i = 0; i < 3; ++i) bytes = RoundTrip(5, bytes);
  EXPECT_EQ(bytes, FileBytes(kCamera));
  const Grid grid = LoadGrid(5, Write("cam", bytes));
  EXPECT_EQ(grid.Cell(1, 0), "");
  EXPECT_EQ(grid.Cell(1, 2), "table1");
  EXPECT_EQ(grid.Cell(1, 6), "512.3456");
}

TEST_F(GridFileTest, CameraOutputOfTheMainWindowSavesNormalised) {
  Texts lines = kCamera;
  lines[6] = "512.3000 ; Координата X главной точки";
  lines[7] = "384.0000 ; Координата Y главной точки";
  lines.push_back("a ninth line");
  const Grid grid = LoadGrid(5, Write("abcP.cam", lines));
  ASSERT_EQ(grid.RowCount(), 8);
  EXPECT_EQ(grid.Cell(1, 6), "512.3000");
  const BuiltLines built = BuildLines(5, grid);
  ASSERT_EQ(built.lines.size(), 8u);
  EXPECT_EQ(built.lines[6], "512.3 ; Координата X главной точки");
  EXPECT_EQ(built.lines[7], "384 ; Координата Y главной точки");
  EXPECT_EQ(built.lines[0], " ; Координата X центра изображения");
}

TEST_F(GridFileTest, FixedLineValuesLoseOnlyTheWritersBlank) {
  EXPECT_EQ(FixedValueOf(" ; c"), "");
  EXPECT_EQ(FixedValueOf("table1 ; c"), "table1");
  EXPECT_EQ(FixedValueOf("table1; c"), "table1");
  EXPECT_EQ(FixedValueOf("  ; c"), " ");
  EXPECT_EQ(FixedValueOf("no semicolon"), "");
  EXPECT_EQ(FixedValueOf(" 5  ; c"), " 5 ");
}

TEST_F(GridFileTest, LoadingNormalisesNumbersAndNumbersRows) {
  const Grid image = LoadGrid(2, Write("a.crd", Texts{"  7.5 ;  8  ", "1.50 ; 2", "3;4"}));
  ASSERT_EQ(image.RowCount(), 4);
  EXPECT_EQ(image.FixedRows(), 1);
  EXPECT_EQ(image.Cell(1, 0), "x");
  EXPECT_EQ(image.Cell(2, 0), "y");
  EXPECT_EQ(image.Cell(0, 1), "1");
  EXPECT_EQ(image.Cell(1, 1), "7.5");
  EXPECT_EQ(image.Cell(2, 1), "8");
  EXPECT_EQ(image.Cell(1, 2), "1.5");
  EXPECT_EQ(image.Cell(0, 3), "3");

  const Grid list = LoadGrid(4, Write("a.lst", Texts{" 7", "$10"}));
  EXPECT_EQ(list.Cell(1, 0), "Номер");
  EXPECT_EQ(list.Cell(1, 1), "7");
  EXPECT_EQ(list.Cell(1, 2), "16");

  const Grid scene = LoadGrid(1, Write("s.crd", Texts{"1 ; 2 ; 3"}));
  EXPECT_EQ(scene.Cell(3, 0), "z");
  EXPECT_EQ(scene.Cell(3, 1), "3");

  // Line endings of any kind; the last terminator adds no line.
  const Grid mixed = LoadGrid(2, Write("m.crd", QByteArray("1;2\r3;4\n5;6\r\n")));
  EXPECT_EQ(mixed.RowCount(), 4);
}

TEST_F(GridFileTest, EmptyFilesAndNewFiles) {
  const Grid empty = LoadGrid(2, Write("e.crd", QByteArray()));
  EXPECT_EQ(empty.RowCount(), 1);
  EXPECT_EQ(empty.FixedRows(), 0);
  EXPECT_EQ(empty.Cell(1, 0), "x");

  const Grid list = LoadGrid(4, "");
  EXPECT_EQ(list.RowCount(), 2);
  EXPECT_EQ(list.Cell(0, 1), "1");
  EXPECT_EQ(list.Cell(1, 1), "");

  const Grid camera = LoadGrid(6, "");
  EXPECT_EQ(camera.RowCount(), 8);
  EXPECT_EQ(camera.FixedRows(), 0);
  EXPECT_EQ(camera.FixedColumns(), 1);
  EXPECT_EQ(camera.Cell(0, 0), "Координата X центра изображения (пикс.)");
  EXPECT_EQ(camera.Cell(0, 7), "Координата Y главной точки (пикс.)");

  const Grid orientation = LoadGrid(8, "");
  EXPECT_EQ(orientation.RowCount(), 21);
  EXPECT_EQ(orientation.Cell(0, 20), "azz");
}

TEST_F(GridFileTest, FilesThatDoNotFitTheKindFail) {
  const std::string scene = Write("s.crd", Texts{"1 ; 2 ; 3"});
  const std::string image = Write("i.crd", Texts{"1 ; 2"});
  EXPECT_THROW(LoadGrid(2, scene), Exception);
  EXPECT_THROW(LoadGrid(1, image), Exception);
  EXPECT_THROW(LoadGrid(2, Write("blank.crd", Texts{"1 ; 2", "", "3 ; 4"})), Exception);
  EXPECT_THROW(LoadGrid(2, Write("nosemi.crd", Texts{"1 2"})), Exception);
  EXPECT_THROW(LoadGrid(4, Write("l.lst", Texts{"12 "})), Exception);
  EXPECT_THROW(LoadGrid(4, Write("l2.lst", Texts{"1", ""})), Exception);
  EXPECT_THROW(LoadGrid(2, dir_.filePath("missing.crd").toStdString()), Exception);
  EXPECT_THROW(LoadGrid(5, Write("short.cam", Texts(kCamera.begin(), kCamera.end() - 1))),
               Exception);
  EXPECT_THROW(LoadGrid(7, Write("short.ort", Texts(20, " ; c"))), Exception);
  EXPECT_THROW(LoadGrid(0, ""), Exception);
  EXPECT_THROW(LoadGrid(11, image), Exception);
  // Camera values are not checked on loading.
  EXPECT_NO_THROW(LoadGrid(5, Write("text.cam", Texts(8, "abc ; c"))));
}

TEST_F(GridFileTest, RowRejectionsNameTheFirstBadRow) {
  Grid image = LoadGrid(2, Write("a.crd", Texts{"1 ; 2", "3 ; 4", "5 ; 6"}));
  AppendRow(image);
  EXPECT_EQ(Rejection(2, image), "Ошибка в 4-й строке координат изображения!");
  image.SetCell(2, 2, "4,0");
  EXPECT_EQ(Rejection(9, image), "Ошибка в 2-й строке координат изображения!");
  // A point not seen is both cells '-'; one '-' beside a number is a bad row.
  image.SetCell(1, 2, " - ");
  image.SetCell(2, 2, "-");
  image.SetCell(1, 4, "-");
  image.SetCell(2, 4, "8");
  EXPECT_EQ(Rejection(2, image), "Ошибка в 4-й строке координат изображения!");
  image.SetCell(2, 4, "-");
  EXPECT_EQ(BuildLines(2, image).lines, (Texts{"1 ; 2", "- ; -", "5 ; 6", "- ; -"}));

  Grid cleared = EmptyGrid(2);
  EXPECT_EQ(Rejection(2, cleared), "Ошибка в 1-й строке координат изображения!");
  EXPECT_EQ(Rejection(1, EmptyGrid(1)), "Ошибка в 1-й строке координат точек сцены!");
  EXPECT_EQ(Rejection(4, EmptyGrid(4)), "Ошибка в 1-й строке!");

  Grid scene = EmptyGrid(1);
  scene.SetCell(1, 1, "1");
  scene.SetCell(2, 1, "2");
  EXPECT_EQ(Rejection(1, scene), "Ошибка в 1-й строке координат точек сцены!");
  scene.SetCell(3, 1, " 3 ");
  EXPECT_EQ(BuildLines(1, scene).lines, (Texts{"1 ; 2 ; 3"}));

  Grid list = EmptyGrid(4);
  list.SetCell(1, 1, "7 ");
  EXPECT_EQ(Rejection(4, list), "Ошибка в 1-й строке!");
  list.SetCell(1, 1, " 7");
  EXPECT_EQ(BuildLines(4, list).lines, (Texts{"7"}));

  // A grid of only the caption row writes an empty file.
  const BuiltLines none = BuildLines(2, LoadGrid(2, Write("e.crd", QByteArray())));
  EXPECT_TRUE(none.accepted);
  EXPECT_TRUE(none.lines.empty());
}

TEST_F(GridFileTest, CameraAndOrientationValues) {
  Grid camera = EmptyGrid(5);
  camera.SetCell(1, 2, "abc");
  camera.SetCell(1, 0, " ");
  camera.SetCell(1, 6, "512.3000 ");
  BuiltLines built = BuildLines(5, camera);
  ASSERT_TRUE(built.accepted);
  EXPECT_EQ(built.lines[0], " ; Координата X центра изображения");
  EXPECT_EQ(built.lines[2], "abc ; Таблица коррекции");
  EXPECT_EQ(built.lines[6], "512.3 ; Координата X главной точки");

  camera.SetCell(1, 3, "abc");
  EXPECT_EQ(Rejection(5, camera), "Ошибка в калибровочных данных!");
  camera.SetCell(1, 3, "  ");
  EXPECT_EQ(Rejection(6, camera), "Ошибка в калибровочных данных!");

  built = BuildLines(7, EmptyGrid(7));
  ASSERT_TRUE(built.accepted);
  ASSERT_EQ(built.lines.size(), 21u);
  for (const std::string& line : built.lines) EXPECT_EQ(line.rfind(" ; ", 0), 0u) << line;
  Grid orientation = EmptyGrid(8);
  orientation.SetCell(1, 20, "x");
  EXPECT_EQ(Rejection(8, orientation), "Ошибка в параметрах внешней геометрии!");
  // Only the camera file's line 3 is free text.
  orientation.SetCell(1, 20, "");
  orientation.SetCell(1, 2, "abc");
  EXPECT_EQ(Rejection(7, orientation), "Ошибка в параметрах внешней геометрии!");
}

TEST_F(GridFileTest, CheckCell) {
  EXPECT_EQ(CheckCell(""), "");
  EXPECT_EQ(CheckCell(" "), "");
  EXPECT_EQ(CheckCell(" 12.50 "), "12.5");
  EXPECT_EQ(CheckCell("1e20"), "1E20");
  EXPECT_THROW(CheckCell("  "), EConvertError);
  EXPECT_THROW(CheckCell("1,5"), EConvertError);
  EXPECT_THROW(CheckCell("1..5"), EConvertError);
}

TEST(GridSetup, SizesAndCaptionsPerKind) {
  EXPECT_EQ(SetupOf(1).column_widths, (std::vector<int>{50, 100, 100, 100}));
  EXPECT_EQ(SetupOf(3).window_width, 300);
  EXPECT_EQ(SetupOf(10).window_height, 500);
  EXPECT_EQ(SetupOf(4).column_widths, (std::vector<int>{50, 50}));
  const GridSetup camera = SetupOf(6);
  EXPECT_EQ(camera.window_width, 520);
  EXPECT_EQ(camera.window_height, 290);
  EXPECT_EQ(camera.row_height, 24);
  EXPECT_FALSE(camera.row_commands);
  EXPECT_EQ(camera.fixed_rows, 0);
  EXPECT_EQ(SetupOf(8).column_widths, (std::vector<int>{260, 110}));
  EXPECT_TRUE(SetupOf(9).row_commands);
  EXPECT_THROW(SetupOf(0), Exception);

  EXPECT_EQ(WindowCaption(5, "C:\\data\\abcP.cam"), "abcP.cam Внутренняя геометрия");
  EXPECT_EQ(WindowCaption(4, ""), "Untitled Список реперных точек");
  EXPECT_EQ(WindowCaption(9, "/home/u/p.crd"), "p.crd Соответственные точки");
  EXPECT_EQ(WindowCaption(1, "s.crd"), "s.crd Реперные точки");
  EXPECT_EQ(WindowCaption(8, "a\\b/c.ort"), "c.ort Внешняя геометрия");
}

}  // namespace
}  // namespace zirt
