// Writes that cannot be done: the camera file and the editor's save into a read-only folder,
// a missing folder, over a folder and onto a full disk give their messages and leave every
// file as it was; a dangling link at the camera output asks before anything is written.
#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <cerrno>
#include <memory>

#include "app/main/mpkalibr.h"
#include "data/posix_file.h"
#include "editor/red_form.h"
#include "tests/support/scripted_platform.h"

using zirt::Answer;
using zirt::testing::ScriptedPlatform;

namespace {

// A folder whose files cannot be replaced. Permission bits do not stop root, so as root the
// folder is a small file system mounted read-only.
class ReadOnlyFolder {
 public:
  ReadOnlyFolder() : path_(base_.filePath("ro")) { QDir().mkpath(path_); }
  ~ReadOnlyFolder() {
    if (mounted_) QProcess::execute("umount", {path_});
    QFile::setPermissions(path_, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  }

  // Makes the folder read-only once its files are there; false with `why` when it can't.
  bool Seal(QString* why) {
    if (geteuid() != 0) {
      QFile::setPermissions(path_, QFile::ReadOwner | QFile::ExeOwner);
      return true;
    }
    QTemporaryDir keep;
    for (const QString& name : QDir(path_).entryList(QDir::Files))
      QFile::copy(QDir(path_).filePath(name), keep.filePath(name));
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=1m", "zirt-test", path_}) != 0) {
      *why = "running as root, and this machine does not let the test mount a read-only folder";
      return false;
    }
    mounted_ = true;
    for (const QString& name : QDir(keep.path()).entryList(QDir::Files))
      QFile::copy(keep.filePath(name), QDir(path_).filePath(name));
    if (QProcess::execute("mount", {"-o", "remount,ro", path_}) != 0) {
      *why = "running as root, and the test folder could not be made read-only";
      return false;
    }
    return true;
  }

  QString File(const QString& name) const { return QDir(path_).filePath(name); }
  const QString& Path() const { return path_; }

 private:
  QTemporaryDir base_;
  QString path_;
  bool mounted_ = false;
};

QByteArray Read(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) qFatal("cannot write %s", qPrintable(path));
  file.write(bytes);
}

// Every file under a folder with its bytes: what "untouched" is compared against.
QMap<QString, QByteArray> Snapshot(const QString& folder) {
  QMap<QString, QByteArray> files;
  for (QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
       it.hasNext();) {
    const QString path = it.next();
    files[path] = Read(path);
  }
  return files;
}

const QByteArray kCamera =
    "1 ; a\r\n2 ; b\r\nt ; c\r\n4 ; d\r\n5 ; e\r\n6 ; f\r\n7 ; g\r\n8 ; h\r\n";

// A main window that has computed a result.
struct Calibrated {
  Calibrated() {
    Write(data.filePath("1.crd"), "420;290\r\n270;340\r\n");
    Write(data.filePath("2.crd"), "520;341\r\n221;440\r\n");
    platform.ScriptOpenFiles({data.filePath("1.crd"), data.filePath("2.crd")});
    form->Button2->click();
    form->Button1->click();
  }
  // Saves onto `picked`, answering Yes to an overwrite question; returns the messages.
  QStringList SaveOnto(const QString& picked) {
    platform.ClearRecords();
    platform.ScriptSaveFile(picked);
    platform.ScriptAnswer(Answer::kYes);
    form->Button3->click();
    QStringList texts;
    for (const auto& m : platform.Messages()) texts << m.request.text;
    return texts;
  }
  QTemporaryDir data;
  ScriptedPlatform platform;
  std::unique_ptr<TMPForm> form = std::make_unique<TMPForm>(platform);
};

// An editor on a camera file, edited so that it has something to save.
struct Editing {
  explicit Editing(const QString& file) { form->LoadFile(file, 5); }
  // Runs Save As onto `target`; returns the messages shown.
  QStringList SaveOnto(const QString& target) {
    platform.ClearRecords();
    platform.ScriptSaveFile(target);
    form->N16->trigger();
    QStringList texts;
    for (const auto& m : platform.Messages()) texts << m.request.text;
    return texts;
  }
  ScriptedPlatform platform;
  std::unique_ptr<TRedForm> form = std::make_unique<TRedForm>(platform);
};

// Fills the file system of `path` to its last byte.
void Fill(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) qFatal("cannot fill");
  for (const qint64 block : {qint64{1024}, qint64{1}}) {
    const QByteArray zeros(block, '\0');
    while (file.write(zeros) == block) {
    }
  }
}

}  // namespace

class WriteFaultsTest : public QObject {
  Q_OBJECT

 private slots:
  void cameraFileIntoAReadOnlyFolder() {
    ReadOnlyFolder folder;
    Write(folder.File("a.cam"), kCamera);
    Write(folder.File("aP.cam"), "old result\r\n");
    QString why;
    if (!folder.Seal(&why)) QSKIP(qPrintable(why));
    const auto before = Snapshot(folder.Path());
    Calibrated c;
    QCOMPARE(c.SaveOnto(folder.File("a.cam")),
             (QStringList{"Перезаписать существующий файл?", "Ошибка записи cam-файла!"}));
    QCOMPARE(Snapshot(folder.Path()), before);
    QVERIFY(!c.form->State().ResultSaved);
  }

  void cameraFileIntoAMissingFolderOrOverAFolder() {
    Calibrated c;
    QTemporaryDir folder;
    QCOMPARE(c.SaveOnto(folder.filePath("none/a.cam")), QStringList{"Ошибка записи cam-файла!"});
    QDir(folder.path()).mkdir("bP.cam");
    Write(folder.filePath("bP.cam/inside.txt"), "kept");
    const auto before = Snapshot(folder.path());
    QCOMPARE(c.SaveOnto(folder.filePath("b.cam")),
             (QStringList{"Перезаписать существующий файл?", "Ошибка записи cam-файла!"}));
    QCOMPARE(Snapshot(folder.path()), before);
    QVERIFY(QFileInfo(folder.filePath("bP.cam")).isDir());
  }

  void ordinaryCameraFileOntoAFullDisk() {
    if (geteuid() != 0) QSKIP("mounting a small file system needs root");
    QTemporaryDir base;
    const QString disk = base.filePath("disk");
    QDir().mkpath(disk);
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "zirt-full", disk}) != 0)
      QSKIP("this machine does not let the test mount a file system");
    struct Unmount {
      QString path;
      ~Unmount() { QProcess::execute("umount", {path}); }
    } unmount{disk};
    Write(disk + "/a.cam", kCamera);
    Write(disk + "/aP.cam", "old result\r\n");
    Fill(disk + "/filler");
    const auto before = Snapshot(disk);
    Calibrated c;
    QCOMPARE(c.SaveOnto(disk + "/a.cam"),
             (QStringList{"Перезаписать существующий файл?", "Ошибка записи cam-файла!"}));
    QVERIFY(!c.form->State().ResultSaved);
    QVERIFY(c.platform.Messages().back().request.detail.endsWith(
        QString::fromStdString(": " + zirt::SystemReason(ENOSPC))));
    Editing e(disk + "/a.cam");
    QCOMPARE(e.SaveOnto(disk + "/a.cam"), QStringList{"Cannot create file " + disk + "/a.cam."});
    QCOMPARE(Snapshot(disk), before);
  }

  void danglingLinkAtTheCameraOutputAsksFirst() {
    Calibrated c;
    QTemporaryDir folder;
    QFile::link("there/made.cam", folder.filePath("dP.cam"));
    QDir(folder.path()).mkdir("there");
    c.platform.ClearRecords();
    c.platform.ScriptSaveFile(folder.filePath("d.cam"));
    c.platform.ScriptAnswer(Answer::kNo);
    c.form->Button3->click();
    QCOMPARE(c.platform.Messages().size(), std::size_t{1});
    QCOMPARE(c.platform.Messages().at(0).request.text, "Перезаписать существующий файл?");
    QVERIFY(!QFile::exists(folder.filePath("there/made.cam")));
  }

  void editorSaveIntoAReadOnlyFolder() {
    ReadOnlyFolder folder;
    Write(folder.File("c.cam"), kCamera);
    QString why;
    if (!folder.Seal(&why)) QSKIP(qPrintable(why));
    const auto before = Snapshot(folder.Path());
    Editing e(folder.File("c.cam"));
    const QString expected = "Cannot create file " + folder.File("c.cam") + ".";
    QCOMPARE(e.SaveOnto(folder.File("c.cam")), QStringList{expected});
    QCOMPARE(Snapshot(folder.Path()), before);
  }

  void editorSaveIntoAMissingFolderOrOverAFolder() {
    QTemporaryDir folder;
    Write(folder.filePath("d.cam"), kCamera);
    QDir(folder.path()).mkdir("dir.cam");
    const auto before = Snapshot(folder.path());
    Editing e(folder.filePath("d.cam"));
    QCOMPARE(e.SaveOnto(folder.filePath("none/d.cam")),
             QStringList{"Cannot create file " + folder.filePath("none/d.cam") + "."});
    QCOMPARE(e.platform.Messages().at(0).request.detail,
             QString::fromStdString(zirt::SystemReason(ENOENT)));
    QCOMPARE(e.SaveOnto(folder.filePath("dir.cam")),
             QStringList{"Cannot create file " + folder.filePath("dir.cam") + "."});
    QCOMPARE(Snapshot(folder.path()), before);
    QVERIFY(QFileInfo(folder.filePath("dir.cam")).isDir());
  }
};

QTEST_MAIN(WriteFaultsTest)
#include "write_faults_test.moc"
