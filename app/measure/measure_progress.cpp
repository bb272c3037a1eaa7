#include "app/measure/measure_progress.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QStandardPaths>

namespace zirt {

QString MeasureProgram() {
  const QString beside =
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("zirt-measure"));
  if (QFileInfo(beside).isExecutable()) return beside;
  return QStandardPaths::findExecutable(QStringLiteral("zirt-measure"));
}

MeasureProgress::MeasureProgress(const QStringList& images, const QStringList& arguments,
                                 const QString& out_dir, QWidget* parent)
    : QProgressDialog(parent), count_(static_cast<int>(images.size())) {
  setWindowTitle(QCoreApplication::translate("MeasureProgress", "Измерение снимков"));
  setLabelText(QCoreApplication::translate("MeasureProgress", "Поиск мишени на снимках…"));
  setCancelButtonText(QCoreApplication::translate("MeasureProgress", "Отмена"));
  setRange(0, count_);
  setValue(0);
  setMinimumDuration(0);
  setAutoClose(false);
  setAutoReset(false);
  setWindowModality(Qt::WindowModal);
  // The title whole beside the frame's buttons.
  setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) * 2 + 160);

  arguments_ = arguments;
  arguments_ << QStringLiteral("--progress") << QStringLiteral("--out") << out_dir
             << QStringLiteral("--");
  arguments_ << images;
  // The files pass through a folder of our own: a fixed point keeps them readable here
  // whatever the regional settings were when the child started.
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
  process_.setProcessEnvironment(environment);
  connect(&process_, &QProcess::readyReadStandardOutput, this, &MeasureProgress::ReadProgress);
  connect(&process_, &QProcess::finished, this, &MeasureProgress::Finished);
}

MeasureProgress::~MeasureProgress() {
  if (process_.state() != QProcess::NotRunning) {
    process_.kill();
    process_.waitForFinished(5000);
  }
}

MeasureProgress::Outcome MeasureProgress::Run() {
  const QString program = MeasureProgram();
  if (program.isEmpty()) {
    errors_ = QCoreApplication::translate("MeasureProgress", "Не найдена программа zirt-measure.");
    return Outcome::kFailed;
  }
  process_.start(program, arguments_);
  if (!process_.waitForStarted(10000)) {
    errors_ =
        QCoreApplication::translate("MeasureProgress", "Не удалось запустить zirt-measure: ") +
        process_.errorString();
    return Outcome::kFailed;
  }
  exec();
  // However the bar was closed before zirt-measure ended (Отмена, Esc, the window's close
  // button), the measuring is cancelled and its files go with the temporary folder.
  if (!finished_) {
    disconnect(&process_, nullptr, this, nullptr);
    process_.kill();
    process_.waitForFinished(5000);
    outcome_ = Outcome::kCancelled;
  }
  return outcome_;
}

void MeasureProgress::ReadProgress() {
  pending_ += process_.readAllStandardOutput();
  int end;
  while ((end = static_cast<int>(pending_.indexOf('\n'))) >= 0) {
    const QString line = QString::fromUtf8(pending_.left(end));
    pending_.remove(0, end + 1);
    // "chessboard COLSxROWS" with --chessboard auto, then "K/N IMAGE"
    if (line.startsWith(QLatin1String("chessboard "))) {
      found_size_ = line.mid(11).replace(QLatin1Char('x'), QStringLiteral(" × "));
      continue;
    }
    const int slash = static_cast<int>(line.indexOf(QLatin1Char('/')));
    const int blank = static_cast<int>(line.indexOf(QLatin1Char(' ')));
    bool ok = false;
    const int done_count = slash > 0 ? line.left(slash).toInt(&ok) : 0;
    if (!ok || blank < 0) continue;
    setValue(qMin(done_count, count_));
    setLabelText(QCoreApplication::translate("MeasureProgress", "Измерено %1 из %2: %3")
                     .arg(done_count)
                     .arg(count_)
                     .arg(QFileInfo(line.mid(blank + 1)).fileName()));
  }
}

void MeasureProgress::Finished(int code, QProcess::ExitStatus status) {
  finished_ = true;
  ReadProgress();
  // zirt-measure ends with 128 + the signal's number when a stop signal reaches it.
  const bool interrupted = status == QProcess::CrashExit || code > 128;
  outcome_ = interrupted ? Outcome::kInterrupted
             : code == 0 ? Outcome::kMeasured
                         : Outcome::kFailed;
  // A run that measured may have warned too: the images it left out, with no file.
  errors_ = QString::fromUtf8(process_.readAllStandardError()).trimmed();
  if (outcome_ != Outcome::kMeasured) {
    if (status == QProcess::CrashExit)
      errors_ += (errors_.isEmpty() ? QString() : QStringLiteral("\n")) + process_.errorString();
    if (errors_.isEmpty())
      errors_ =
          QCoreApplication::translate("MeasureProgress", "zirt-measure завершилась с ошибкой.");
  }
  done(outcome_ == Outcome::kMeasured ? QDialog::Accepted : QDialog::Rejected);
}

}  // namespace zirt
