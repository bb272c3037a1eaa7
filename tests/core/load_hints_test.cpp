#include <gtest/gtest.h>

#include "data/coordinate_file.h"
#include "data/data_structures.h"
#include "data/decimal_separator.h"
#include "data/load_hints.h"
#include "tests/core/separator_guard.h"

namespace zirt {
namespace {

const std::string kPointHint =
    "В файле, по-видимому, десятичный разделитель «.», а в региональных настройках — «,».";
const std::string kPointAdvice =
    "Для точки запустите программу с LC_ALL=C или смените региональные настройки.";
const std::string kCommaHint =
    "В файле, по-видимому, десятичный разделитель «,», а в региональных настройках — «.».";
const std::string kCommaAdvice =
    "Для запятой запустите программу с LC_ALL=ru_RU.UTF-8 или смените региональные настройки.";
const std::string kSceneHint =
    "В строке три числа: по-видимому, это файл координат сцены (X ; Y ; Z), а не файл "
    "координат снимка (X ; Y).";
const std::string kEmptyLast = "В конце файла пустая строка.";

TEST(LoadFaultHints, NameTheLikelyCauseOnly) {
  struct Case {
    const char* text;
    int line;
    char separator;
    std::vector<std::string> hints;
  };
  const Case cases[] = {
      {"1.5;2.5\r\n", 1, ',', {kPointHint, kPointAdvice}},
      {"1,5;2\r\n3,5;4,25\r\n", 2, '.', {kCommaHint, kCommaAdvice}},
      {"1;2\r\n3;4\r\n\r\n", 3, '.', {kEmptyLast}},
      {"1;2\r\n  \r\n", 2, ',', {kEmptyLast}},
      // An empty line inside the file, a text that reads with neither separator.
      {"1;2\r\n\r\n3;4\r\n", 2, '.', {}},
      {"1.5;abc\r\n", 1, ',', {}},
      // Three numbers: a scene file, whichever separator it was written with.
      {"1;2;3\r\n", 1, '.', {kSceneHint}},
      {"10.0 ; 82.64 ; 12.5\r\n", 1, ',', {kSceneHint, kPointHint, kPointAdvice}},
      {"1;2;x\r\n", 1, '.', {}},
      {"1;2;3;4\r\n", 1, '.', {}},
      // A line number beyond the text, or none.
      {"1;2\r\n", 5, '.', {}},
      {"1;2\r\n", 0, '.', {}},
  };
  const char before = DecimalSeparator();
  for (const Case& c : cases) {
    EXPECT_EQ(LoadFaultHints(c.text, c.line, c.separator), c.hints) << c.text;
    EXPECT_EQ(DecimalSeparator(), before) << "the trial read changed the separator";
  }
}

TEST(LoadFaultPlace, FileAndLine) {
  EXPECT_EQ(LoadFaultPlace("a.crd", 3), "a.crd, строка 3");
  EXPECT_EQ(LoadFaultPlace("a.crd", 0), "a.crd");
  // A name is put in as its bytes: one that is not UTF-8 (zirt-batch takes such names), or
  // one that holds what looks like the text's next argument.
  EXPECT_EQ(LoadFaultPlace("k\xf1%2.crd", 3), "k\xf1%2.crd, строка 3");
}

TEST(PointCountNote, NamesTheFirstShortestImageAndTheFirst) {
  const std::vector<std::string> names = {"zoom1.crd", "zoom2.crd", "zoom3.crd", "zoom4.crd"};
  EXPECT_EQ(PointCountNote(names, {12, 12, 8, 8}),
            "Точек в файле zoom3.crd: 8, в файле zoom1.crd: 12.");
  EXPECT_EQ(PointCountNote(names, {12, 10, 8, 9}),
            "Точек в файле zoom3.crd: 8, в файле zoom1.crd: 12.");
  // Longer images than the first are not at fault.
  EXPECT_EQ(PointCountNote(names, {8, 12, 8, 9}), "");
  EXPECT_EQ(PointCountNote({"a"}, {3}), "");
}

// An empty file and one image under two names are named; a file with a gap or one point
// moved is another image.
TEST(LoadNotes, EmptyAndRepeatedFilesAreNamed) {
  SeparatorGuard point('.');
  const std::vector<std::pair<std::string, std::string>> files = {
      {"a.crd", "1 ; 2\r\n3 ; 4\r\n"},   {"b.crd", ""},
      {"c.crd", "1 ; 2\r\n3 ; 4.5\r\n"}, {"d.crd", "1 ; 2\r\n3 ; 4\r\n"},
      {"e.crd", "1 ; 2\r\n- ; -\r\n"},   {"f.crd", "1 ; 2\r\n- ; -\r\n"}};
  ImageSets images;
  std::vector<std::string> names;
  for (const auto& [name, text] : files) {
    images.Append(ParseCoordinateText(text, name));
    names.push_back(name);
  }
  EXPECT_EQ(LoadNotes(names, images),
            (std::vector<std::string>{
                "Файл b.crd пуст: в нём нет ни одной точки, и счёт по нему не пройдёт.",
                "В файлах a.crd и d.crd одни и те же точки: один снимок взят дважды?",
                "В файлах e.crd и f.crd одни и те же точки: один снимок взят дважды?"}));
}

}  // namespace
}  // namespace zirt
