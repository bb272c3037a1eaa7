#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "calib/camera_file.h"
#include "data/file_layouts.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

TEST(CameraOutputName, StaysBesideThePickedFile) {
  EXPECT_EQ(CameraOutputName("D:\\calib\\cam1.cam"), "D:\\calib\\cam1P.cam");
  EXPECT_EQ(CameraOutputName("D:\\calib\\CAM1.CAM"), "D:\\calib\\CAM1P.cam");
  EXPECT_EQ(CameraOutputName("D:\\a.cam\\b.cam"), "D:\\a.cam\\bP.cam");
  EXPECT_EQ(CameraOutputName("cam1"), "cam1P.cam");
  EXPECT_EQ(CameraOutputName("/home/u/a.cam/x.Cam"), "/home/u/a.cam/xP.cam");
  EXPECT_EQ(CameraOutputName("/home/u/.cam"), "/home/u/P.cam");
  EXPECT_EQ(CameraOutputName("/home/u/cam"), "/home/u/camP.cam");
}

TEST(CameraFileLines, NewCameraGetsTheBlankTemplate) {
  SeparatorGuard comma(',');
  const TextLines lines = CameraFileLines("/nowhere/new.cam", false, 512.34561, 384);
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0], " ; Координата X центра изображения");
  EXPECT_EQ(lines[2], " ; Таблица коррекции");
  EXPECT_EQ(lines[5], " ; Размер изображения по вертикали");
  EXPECT_EQ(lines[6], "512,3456 ; Координата X главной точки");
  EXPECT_EQ(lines[7], "384,0000 ; Координата Y главной точки");
}

TEST(CameraFileLines, ExistingFileKeepsEveryOtherLine) {
  SeparatorGuard point('.');
  QTemporaryDir dir;
  const std::string path = dir.filePath("a.cam").toStdString();
  TextLines ten;
  for (int i = 0; i < 10; ++i) ten.push_back("line " + std::to_string(i));
  WriteLines(path, ten);
  const TextLines lines = CameraFileLines(path, true, 320.1439783828, 240.4053225247);
  ASSERT_EQ(lines.size(), 10u);
  EXPECT_EQ(lines[5], "line 5");
  EXPECT_EQ(lines[6], "320.1440 ; Координата X главной точки");
  EXPECT_EQ(lines[7], "240.4053 ; Координата Y главной точки");
  EXPECT_EQ(lines[9], "line 9");

  WriteLines(path, TextLines(7, "x"));
  EXPECT_THROW(CameraFileLines(path, true, 1, 2), Exception);
}

TEST(FileLayouts, KindsShareTheirPairsLayouts) {
  EXPECT_EQ(LayoutOf(2), LayoutOf(3));
  EXPECT_EQ(LayoutOf(9), Layout::kImageCoordinates);
  EXPECT_STREQ(InfoOf(9).window_caption, " Соответственные точки");
  EXPECT_STREQ(InfoOf(6).filter, "Cam Files|*.cam|All Files|*.*");
  EXPECT_EQ(InfoOf(7).fixed_lines.size(), 21u);
  EXPECT_EQ(InfoOf(5).fixed_lines.size(), 8u);
  EXPECT_THROW(InfoOf(11), Exception);
  EXPECT_EQ(FixedLineValue("table1 ; Таблица коррекции"), "table1 ");
  EXPECT_EQ(FixedLineValue("no value"), "");
}

}  // namespace
}  // namespace zirt
