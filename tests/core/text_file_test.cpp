#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "data/text_file.h"

namespace zirt {
namespace {

std::vector<std::string> Lines(std::string_view text) {
  std::vector<std::string> lines;
  ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
  return lines;
}

using V = std::vector<std::string>;

TEST(ForEachLine, SplitsAtEveryKindOfLineEnd) {
  EXPECT_EQ(Lines("a\r\nb\rc\nd"), (V{"a", "b", "c", "d"}));
  EXPECT_EQ(Lines("a\r\n"), (V{"a"}));
  EXPECT_EQ(Lines("a\n\n"), (V{"a", ""}));
  EXPECT_EQ(Lines("a\n\r"), (V{"a", ""}));  // LF then a lone CR: two ends.
  EXPECT_EQ(Lines("\r\n"), (V{""}));
  EXPECT_EQ(Lines(""), V{});
  EXPECT_EQ(Lines(std::string_view("a\nb\0c\nd", 7)), (V{"a", "b"}));
}

TEST(ShortName, TakesTheLastPathComponent) {
  EXPECT_EQ(ShortName("C:\\data\\cam 1\\img01.crd"), "img01.crd");
  EXPECT_EQ(ShortName("/tmp/a/b.crd"), "b.crd");
  EXPECT_EQ(ShortName("b.crd"), "b.crd");
}

class TextFileTest : public ::testing::Test {
 protected:
  std::string Path(const char* name) { return dir_.filePath(name).toStdString(); }
  QByteArray Bytes(const std::string& path) {
    QFile f(QString::fromStdString(path));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
  }
  QTemporaryDir dir_;
};

TEST_F(TextFileTest, WritesWindows1251WithCrLfAndReadsItBack) {
  const std::string path = Path("a.cam");
  WriteLines(path, {"512,3456 ; Координата X главной точки", "", "x"});
  const QByteArray bytes = Bytes(path);
  EXPECT_TRUE(bytes.endsWith("x\r\n"));
  EXPECT_TRUE(bytes.contains("\r\n\r\n"));
  // "К" is 0xCA in the code page.
  EXPECT_EQ(static_cast<unsigned char>(bytes.at(11)), 0xCA);
  EXPECT_EQ(ReadLines(path), (V{"512,3456 ; Координата X главной точки", "", "x"}));
  // What the code page lacks, and bytes that are not UTF-8, are written as '?'.
  EXPECT_EQ(EncodeLines({"\xff\xf5\x80 ü б…"}), "??? ? \xE1\x85\r\n");
}

TEST_F(TextFileTest, EveryByteSurvivesAReadAndAWrite) {
  const std::string path = Path("bytes.txt");
  QByteArray all;
  for (int b = 1; b < 256; ++b)
    if (b != '\r' && b != '\n') all.append(char(b));
  all.append("\r\n");
  {
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(all);
  }
  WriteLines(Path("copy.txt"), ReadLines(path));
  EXPECT_EQ(Bytes(Path("copy.txt")), all);
}

TEST_F(TextFileTest, AFailedWriteLeavesTheOldFileWhole) {
  const std::string path = Path("keep.cam");
  WriteLines(path, {"old"});
  EXPECT_THROW(WriteLines(Path("missing/x.cam"), {"new"}), EFileError);
  QDir(dir_.path()).mkdir("folder");
  EXPECT_THROW(WriteLines(Path("folder"), {"new"}), EFileError);
  EXPECT_EQ(Bytes(path), QByteArray("old\r\n"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"keep.cam"});

  // A pipe or a device is never replaced by a file; also not through a link. The device is
  // one of our own (the null device's numbers), made where only root can make one.
  ASSERT_EQ(mkfifo(Path("pipe.cam").c_str(), 0600), 0);
  ASSERT_EQ(symlink("pipe.cam", Path("to-pipe.cam").c_str()), 0);
  std::vector<std::pair<std::string, mode_t>> specials = {{Path("pipe.cam"), S_IFIFO},
                                                          {Path("to-pipe.cam"), S_IFIFO}};
  if (mknod(Path("null.cam").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0)
    specials.push_back({Path("null.cam"), S_IFCHR});
  for (const auto& [special, type] : specials) {
    EXPECT_THROW(WriteLines(special, {"new"}), EFileError) << special;
    struct stat info;
    ASSERT_EQ(stat(special.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & S_IFMT, type) << special;
  }
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Hidden | QDir::Files).filter(".tmp").size(), 0);
}

// A file the user may not write stays, although the folder would let it be replaced. Root
// may write anything, so the write is tried as an ordinary user where one can be had.
TEST_F(TextFileTest, AFileTheUserMayNotWriteStays) {
  const std::string path = Path("ro.cam");
  WriteLines(path, {"old"});
  ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  if (geteuid() != 0) {
    EXPECT_THROW(WriteLines(path, {"new"}), EFileError);
    EXPECT_EQ(Bytes(path), QByteArray("old\r\n"));
    return;
  }
  ASSERT_EQ(chmod(dir_.path().toStdString().c_str(), 0777), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // 65534 is "nobody" on Debian; the child reports through its exit code only.
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(3);
    try {
      WriteLines(path, {"new"});
      _exit(1);
    } catch (const EFileError&) {
      _exit(0);
    }
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 3) GTEST_SKIP() << "no unprivileged user to write as";
  EXPECT_EQ(WEXITSTATUS(status), 0) << "a read-only file was replaced";
  EXPECT_EQ(Bytes(path), QByteArray("old\r\n"));
}

// A commit that fails puts back a file replaced through links, and the links stay links; a
// chain of relative links writes its last target.
TEST_F(TextFileTest, TakingBackThroughLinks) {
  QDir(dir_.path()).mkdir("sub");
  WriteLines(Path("sub/target.crd"), {"old"});
  ASSERT_EQ(symlink("sub/middle.crd", Path("first.crd").c_str()), 0);
  ASSERT_EQ(symlink("target.crd", Path("sub/middle.crd").c_str()), 0);
  const auto links_stay = [&] {
    struct stat info;
    for (const char* link : {"first.crd", "sub/middle.crd"}) {
      ASSERT_EQ(lstat(Path(link).c_str(), &info), 0);
      EXPECT_TRUE(S_ISLNK(info.st_mode)) << link;
    }
  };
  {
    StagedFiles staged;
    staged.Stage(Path("first.crd"), "new\r\n");
    staged.Stage(Path("fresh.crd"), "fresh\r\n");
    staged.Stage(Path("late.crd"), "late\r\n");
    QDir(dir_.path()).mkpath("late.crd/inside");
    EXPECT_THROW(staged.Commit(), EFileError);
  }
  EXPECT_EQ(ReadLines(Path("sub/target.crd")), V{"old"});
  links_stay();
  EXPECT_FALSE(NameExists(Path("fresh.crd")));
  StagedFiles staged;
  staged.Stage(Path("first.crd"), "new\r\n");
  staged.Commit();
  EXPECT_EQ(ReadLines(Path("sub/target.crd")), V{"new"});
  links_stay();
}

// A rename that fails in the commit puts back the files renamed before it, old content and
// all, and leaves no temporary or second name behind; nothing is touched before the commit.
TEST_F(TextFileTest, StagedFilesAreCommittedAllOrNone) {
  WriteLines(Path("old.crd"), {"old"});
  StagedFiles staged;
  staged.Stage(Path("old.crd"), "new\r\n");
  staged.Stage(Path("new.crd"), "made\r\n");
  staged.Stage(Path("late.crd"), "late\r\n");
  EXPECT_EQ(Bytes(Path("old.crd")), QByteArray("old\r\n"));
  // A folder that takes the last name after it was staged: its rename fails.
  QDir(dir_.path()).mkpath("late.crd/inside");
  EXPECT_THROW(staged.Commit(), EFileError);
  EXPECT_EQ(Bytes(Path("old.crd")), QByteArray("old\r\n"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"old.crd"});

  QDir(dir_.filePath("late.crd")).removeRecursively();
  StagedFiles again;
  again.Stage(Path("old.crd"), "new\r\n");
  again.Stage(Path("new.crd"), "made\r\n");
  again.Commit();
  EXPECT_EQ(Bytes(Path("old.crd")), QByteArray("new\r\n"));
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden),
            (QStringList{"new.crd", "old.crd"}));
}

TEST_F(TextFileTest, ReplacesWhereALinkPointsAndKeepsThePermissions) {
  // A name that is not UTF-8 names its file as it stands.
  const std::string odd = Path("k") + "\xf1.cam";
  WriteLines(odd, {"old"});
  ASSERT_EQ(chmod(odd.c_str(), 0640), 0);
  ASSERT_EQ(symlink(odd.c_str(), Path("link.cam").c_str()), 0);
  ASSERT_EQ(symlink("made.cam", Path("dangling.cam").c_str()), 0);
  WriteLines(Path("link.cam"), {"new"});
  WriteLines(Path("dangling.cam"), {"made"});
  EXPECT_EQ(ReadLines(odd), V{"new"});
  EXPECT_EQ(ReadLines(Path("made.cam")), V{"made"});
  struct stat info;
  ASSERT_EQ(lstat(Path("link.cam").c_str(), &info), 0);
  EXPECT_TRUE(S_ISLNK(info.st_mode));
  ASSERT_EQ(stat(odd.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  const mode_t mask = umask(022);
  umask(mask);
  ASSERT_EQ(stat(Path("made.cam").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0666u & ~mask);
  EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST_F(TextFileTest, MissingFileRaisesAFileError) {
  EXPECT_THROW(ReadLines(Path("nothing.crd")), EFileError);
}

}  // namespace
}  // namespace zirt
