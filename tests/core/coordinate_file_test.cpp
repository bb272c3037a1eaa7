#include <gtest/gtest.h>

#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <limits>
#include <tuple>
#include <vector>

#include "data/coordinate_file.h"
#include "data/number_parse.h"
#include "data/text_file.h"
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

// A point not seen is the one line "- ; -", however blanked; nothing else that fails to parse
// is taken for it, or a damaged file would load as a sequence with gaps.
TEST(ParseCoordinateLine, TheNotSeenLineAndNothingElse) {
  SeparatorGuard point('.');
  for (const char* gap : {"- ; -", "-;-", "   -;-   ", "- ;    -"}) {
    EXPECT_TRUE(NotSeen(ParseCoordinateLine(gap))) << gap;
    const auto set = ParseCoordinateText("1;2\r\n" + std::string(gap) + "\r\n3;4", "g.crd");
    ASSERT_EQ(set->Count(), 3) << gap;
    EXPECT_TRUE(NotSeen(*set->Get(1))) << gap;
    EXPECT_EQ(set->Get(2)->X, 3) << gap;
  }
  for (const char* hostile : {"",    " ",    ";",    " ; ",   "-",      "-;",    ";-",    "-;5",
                              "5;-", "--;-", "-;--", "- -;-", "-;-;-",  "\t-;-", "-;-\t", "-;+",
                              "+;-", "-.;-", "−;−",  "-0;-",  "- ; -x", "x- ; -"}) {
    EXPECT_FALSE(IsNotSeenLine(hostile)) << hostile;
    EXPECT_THROW(ParseCoordinateText(std::string("1;2\r\n") + hostile + "\r\n3;4", "h.crd"),
                 ECoordinateFileError)
        << hostile;
  }
  const double nan = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(FormatCoordinateLine(nan, nan), "- ; -");
  EXPECT_EQ(FormatCoordinateLine(1.5, -2), "1.5 ; -2");
}

TEST(ParseCoordinateText, OnePointPerLineInOrder) {
  SeparatorGuard point('.');
  auto set = ParseCoordinateText("1;2\r\n3;4\n5;6\r", "a.crd");
  ASSERT_EQ(set->Count(), 3);
  EXPECT_EQ(set->Get(2)->X, 5);
  EXPECT_EQ(set->Get(2)->Y, 6);
  EXPECT_EQ(ParseCoordinateText("", "empty.crd")->Count(), 0);
}

TEST(ParseCoordinateText, ABadLineNamesTheFileTheLineAndTheField) {
  using namespace std::string_literals;
  SeparatorGuard point('.');
  const std::string nul = kNulByteCause;
  const auto refused = [](const char* field) {
    return "'" + std::string(field) + "' is not a valid floating point value";
  };
  // With two ';' the second field is the y text, which is refused (a scene file's line, hinted). A
  // zero byte is refused at its line, also in a tail of zero bytes only, and no hint is given for
  // it. The hints for the refused line come with the error, so nothing reads the file again for
  // them.
  struct Case {
    std::string text;
    int line;
    std::string cause;
    std::size_t hints;
  } cases[] = {
      {"1;2\n\n3;4\n", 2, refused(""), 0},
      {"1;2\n3;4\n1;2;3\n", 3, refused("2;3"), 1},
      {"1;2\n3,5;4\n", 2, refused("3,5"), 2},
      {"1;2\r\n3;4\r\n\r\n", 3, refused(""), 1},
      {"1;2\r\n3;4\0\r\n5;6\r\n"s, 2, nul, 0},
      {"1;2\r\n3;4\r\n\0\0\0"s, 3, nul, 0},
      {"1.5;2\0"s, 1, nul, 0},
  };
  for (const Case& c : cases) {
    try {
      ParseCoordinateText(c.text, "b.crd");
      ADD_FAILURE() << c.text;
    } catch (const ECoordinateFileError& e) {
      EXPECT_EQ(e.File(), "b.crd");
      EXPECT_EQ(e.Line(), c.line) << c.text;
      EXPECT_EQ(e.Cause(), c.cause) << c.text;
      EXPECT_EQ(e.Hints().size(), c.hints) << c.text;
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
  const std::string bad = write("bad.crd", "5;6\r\n\xC0;1\r\n");
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
    EXPECT_EQ(e.Cause(), "'А' is not a valid floating point value");  // 0xC0 is "А".
  }
  // What cannot be read is named with the system's reason; what is not a regular file is not
  // read at all, so a pipe without a writer or an endless device cannot hold the load.
  QDir(dir.path()).mkdir("folder.crd");
  const std::string fifo = dir.filePath("fifo.crd").toStdString();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  for (const auto& [path, reason] : std::vector<std::pair<std::string, std::string>>{
           {dir.filePath("none.crd").toStdString(), SystemReason(ENOENT)},
           {dir.filePath("folder.crd").toStdString(), SystemReason(EISDIR)},
           {fifo, "not a regular file"},
           {"/dev/zero", "not a regular file"}}) {
    try {
      LoadCoordinateFiles({a, path});
      ADD_FAILURE() << path;
    } catch (const ECoordinateFileError& e) {
      EXPECT_EQ(e.File(), ShortName(path));
      EXPECT_EQ(e.Line(), 0);
      EXPECT_EQ(e.Cause(), "Cannot open file " + path + ": " + reason);
    }
  }
}

}  // namespace
}  // namespace zirt
