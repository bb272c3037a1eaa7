#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "data/coordinate_file.h"
#include "data/number_parse.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

TEST(ParseCoordinateLine, SplitsAtTheFirstSemicolon) {
  SeparatorGuard point('.');
  VT_Point p = ParseCoordinateLine("  7.5 ;  8  ");
  EXPECT_EQ(p.X, 7.5);
  EXPECT_EQ(p.Y, 8);
  p = ParseCoordinateLine("1e2;-3");
  EXPECT_EQ(p.X, 100);
  EXPECT_EQ(p.Y, -3);
  for (const char* bad : {"", "1", "1;2;3", "7,5 ; 8", ";2", "1;", "512,25;384,5"})
    EXPECT_THROW(ParseCoordinateLine(bad), EConvertError) << bad;
}

TEST(ParseCoordinateLine, CommaSeparator) {
  SeparatorGuard comma(',');
  const VT_Point p = ParseCoordinateLine("512,25;384,5");
  EXPECT_EQ(p.X, 512.25);
  EXPECT_EQ(p.Y, 384.5);
  EXPECT_THROW(ParseCoordinateLine("7.5 ; 8"), EConvertError);
}

TEST(ParseCoordinateText, OnePointPerLineInOrder) {
  SeparatorGuard point('.');
  auto set = ParseCoordinateText("1;2\r\n3;4\n5;6\r", "a.crd");
  ASSERT_EQ(set->Count(), 3);
  EXPECT_EQ(set->Get(2)->X, 5);
  EXPECT_EQ(set->Get(2)->Y, 6);
  EXPECT_EQ(ParseCoordinateText("", "empty.crd")->Count(), 0);
}

TEST(ParseCoordinateText, ABadLineNamesTheFileAndTheLine) {
  SeparatorGuard point('.');
  for (const char* text : {"1;2\n\n3;4\n", "1;2\n3;4\n1;2;3\n"}) {
    try {
      ParseCoordinateText(text, "b.crd");
      ADD_FAILURE() << text;
    } catch (const ECoordinateFileError& e) {
      EXPECT_EQ(e.File(), "b.crd");
      EXPECT_EQ(e.Line(), text[4] == '\n' ? 2 : 3);
    }
  }
}

TEST(LoadCoordinateFiles, LoadsEveryFileOrNone) {
  SeparatorGuard point('.');
  QTemporaryDir dir;
  auto write = [&](const char* name, const char* text) {
    QFile f(dir.filePath(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return dir.filePath(name).toStdString();
  };
  const std::string a = write("a.crd", "1;2\r\n3;4\r\n");
  const std::string b = write("b.crd", "5;6\r\n");
  const std::string bad = write("bad.crd", "5;6\r\nx;1\r\n");
  auto sets = LoadCoordinateFiles({a, b});
  ASSERT_EQ(sets.size(), 2u);
  EXPECT_EQ(sets[0]->Count(), 2);
  EXPECT_EQ(sets[1]->Count(), 1);
  try {
    LoadCoordinateFiles({a, bad, b});
    ADD_FAILURE();
  } catch (const ECoordinateFileError& e) {
    EXPECT_EQ(e.File(), "bad.crd");
    EXPECT_EQ(e.Line(), 2);
    EXPECT_EQ(e.Cause(), "'x' is not a valid floating point value");
  }
  try {
    LoadCoordinateFiles({dir.filePath("none.crd").toStdString()});
    ADD_FAILURE();
  } catch (const ECoordinateFileError& e) {
    EXPECT_EQ(e.File(), "none.crd");
    EXPECT_EQ(e.Line(), 0);
  }
}

}  // namespace
}  // namespace zirt
