// Runs zirt-measure as a child process behind a progress bar that can be cancelled, so the
// window neither loads the measuring libraries nor stops answering while images are measured.
#pragma once

#include <QProcess>
#include <QProgressDialog>
#include <QStringList>

namespace zirt {

// The zirt-measure beside this program, else the one on PATH; empty when there is none.
QString MeasureProgram();

class MeasureProgress : public QProgressDialog {
  Q_OBJECT

 public:
  // kInterrupted: zirt-measure was ended from outside (killed, or stopped by a signal).
  enum class Outcome { kMeasured, kFailed, kInterrupted, kCancelled };

  // Measures `images` with the pattern `arguments` into `out_dir`.
  MeasureProgress(const QStringList& images, const QStringList& arguments, const QString& out_dir,
                  QWidget* parent);
  ~MeasureProgress() override;

  // Shows the bar until zirt-measure ends or the user cancels it.
  Outcome Run();
  // What zirt-measure said on failure, the images named.
  const QString& Errors() const { return errors_; }
  // The chessboard's size zirt-measure found ("9 × 6"), when it was asked to find it.
  const QString& FoundSize() const { return found_size_; }

 private:
  void ReadProgress();
  void Finished(int code, QProcess::ExitStatus status);

  QProcess process_;
  QStringList arguments_;
  QByteArray pending_;
  QString errors_;
  QString found_size_;
  int count_;
  bool finished_ = false;  // zirt-measure ended by itself.
  Outcome outcome_ = Outcome::kFailed;
};

}  // namespace zirt
