#include "app/measure/measure_images.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>
#include <algorithm>
#include <optional>
#include <vector>

#include "app/main/mpkalibr.h"
#include "app/measure/measure_preview.h"
#include "app/measure/measure_progress.h"
#include "app/measure/measure_reasons.h"
#include "app/measure/measure_settings_dialog.h"
#include "data/coordinate_file.h"
#include "data/posix_file.h"
#include "data/text_file.h"
#include "platform/platform.h"

namespace zirt {
namespace {

// The pattern asked last, for the rest of the session.
MeasureSettings& LastSettings() {
  static MeasureSettings settings;
  return settings;
}

QString kCaption() {
  return QCoreApplication::translate("MeasureImages", "Измерить снимки");
}

void Tell(Platform& platform, QWidget* owner, const QString& text, const QString& detail = {},
          const QString& informative = {}) {
  MessageRequest request;
  request.text = text;
  request.caption = kCaption();
  request.icon = Icon::kWarning;
  request.detail = detail;
  request.informative = informative;
  platform.ShowMessage(owner, request);
}

std::string Bytes(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// zirt-measure's file, written with a point: one (x, y) per line.
bool ReadPoints(const QString& path, std::vector<QPointF>& points) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QLocale c = QLocale::c();
  for (const QByteArray& line : file.readAll().split('\n')) {
    const QString text = QString::fromLatin1(line).trimmed();
    if (text.isEmpty()) continue;
    if (IsNotSeenLine(text.toStdString())) {  // a point this image does not show
      points.emplace_back(qQNaN(), qQNaN());
      continue;
    }
    const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
    bool ok_x = false, ok_y = false;
    const double x = c.toDouble(text.left(semicolon).trimmed(), &ok_x);
    const double y = c.toDouble(text.mid(semicolon + 1).trimmed(), &ok_y);
    if (semicolon < 0 || !ok_x || !ok_y) return false;
    points.emplace_back(x, y);
  }
  return true;
}

// The images not measured with their reasons, and what to try when no board was in view.
QString FailureText(const QStringList& images, const QString& errors) {
  QString text =
      QCoreApplication::translate("MeasureImages", "Не измерены снимки:\n%1\nФайлы не записаны.")
          .arg(MeasureFailures(images, errors).join(QLatin1Char('\n')));
  const bool no_board = !LastSettings().Arguments().contains(QStringLiteral("--features")) &&
                        std::any_of(images.begin(), images.end(), [&](const QString& image) {
                          const QString prefix =
                              QStringLiteral("zirt-measure: ") + image + QStringLiteral(": ");
                          for (const QString& line : errors.split(QLatin1Char('\n')))
                            if (line.startsWith(prefix) && PatternNotFound(line.mid(prefix.size())))
                              return true;
                          return false;
                        });
  if (no_board)
    text += QCoreApplication::translate(
        "MeasureImages",
        "\nЕсли мишени в кадре нет, выберите «Без мишени — по деталям сцены»: точки найдутся по "
        "деталям самой сцены.");
  return text;
}

// STEM.crd for every image, beside it or in `folder`.
QStringList TargetsIn(const QStringList& images, const QString& folder) {
  QStringList targets;
  for (const QString& image : images) {
    targets << CoordinateFileBeside(image);
    if (!folder.isEmpty())
      targets.back() = QDir(folder).filePath(QFileInfo(targets.back()).fileName());
  }
  return targets;
}

// Why the files cannot go to `targets`: one would land on an image (through a link, or an
// image named *.crd) or two on one file; empty when they can.
QString Clash(const QStringList& images, const QStringList& targets) {
  std::vector<WritePlace> inputs(static_cast<std::size_t>(images.size()));
  for (qsizetype k = 0; k < images.size(); ++k)
    PlaceOf(Bytes(images[k]), &inputs[static_cast<std::size_t>(k)]);
  // Each output's place with the index of its image: an output whose folder cannot be
  // reached has no place and is left out, so the indexes are kept beside the places.
  std::vector<std::pair<WritePlace, qsizetype>> outputs;
  for (qsizetype k = 0; k < targets.size(); ++k) {
    WritePlace out;
    if (PlaceOf(Bytes(targets[k]), &out) != 0) continue;
    for (qsizetype i = 0; i < images.size(); ++i)
      if (out.Overwrites(inputs[static_cast<std::size_t>(i)]))
        return QCoreApplication::translate(
                   "MeasureImages",
                   "Файл координат %1 — это снимок %2: он был бы записан поверх снимка.")
            .arg(targets[k], images[i]);
    for (const auto& [place, i] : outputs)
      if (place == out)
        return QCoreApplication::translate("MeasureImages",
                                           "Снимки %1 и %2 дали бы один файл координат %3.")
            .arg(QFileInfo(images[i]).fileName(), QFileInfo(images[k]).fileName(), targets[k]);
    outputs.emplace_back(out, k);
  }
  return {};
}

// Existing files asked about: replaced (kYes), loaded as they are (kLoad), or nothing (kNo).
Answer AskReplace(Platform& platform, QWidget* owner, const QStringList& targets,
                  QStringList& existing) {
  existing.clear();
  QStringList names;
  for (const QString& target : targets) {
    if (!NameExists(Bytes(target))) continue;
    existing << target;
    names << QFileInfo(target).fileName();
  }
  if (existing.isEmpty()) return Answer::kYes;
  MessageRequest question;
  question.text =
      QCoreApplication::translate("MeasureImages", "Файлы координат уже есть: %1. Заменить их?")
          .arg(names.join(QStringLiteral(", ")));
  question.caption = kCaption();
  question.buttons = Buttons::kReplaceLoadCancel;
  question.icon = Icon::kQuestion;
  return platform.ShowMessage(owner, question);
}

// "Заменить их?" answered: true to go on and write; false when the files there were loaded
// instead (Загрузить имеющиеся) or the user cancelled.
bool GoOnReplacing(TMPForm& form, Platform& platform, const QStringList& targets) {
  QStringList existing;
  switch (AskReplace(platform, &form, targets, existing)) {
    case Answer::kYes:
      return true;
    case Answer::kLoad:
      form.LoadFiles(existing);
      return false;
    default:
      return false;
  }
}

// Every file written, or none; the reason when none was.
QString WriteAll(const QStringList& targets, const std::vector<std::vector<QPointF>>& points) {
  StagedFiles staged;
  try {
    for (qsizetype k = 0; k < targets.size(); ++k) {
      // Written as the editor writes numbers, with the separator of the regional settings now.
      TextLines lines;
      for (const QPointF& p : points[static_cast<std::size_t>(k)])
        lines.push_back(FormatCoordinateLine(p.x(), p.y()));
      staged.Stage(Bytes(targets[k]), EncodeLines(lines));
    }
    staged.Commit();
  } catch (const EFileError& error) {
    return QString::fromUtf8(error.Described());
  }
  return {};
}

enum class Step { kDone, kAgain };

// Writes the files and loads them; when a folder cannot take them, another folder is asked
// for and the measurements wait for it.
Step WriteAndLoad(TMPForm& form, Platform& platform, const QStringList& images, QStringList targets,
                  const std::vector<std::vector<QPointF>>& points) {
  while (true) {
    const QString failure = WriteAll(targets, points);
    if (failure.isEmpty()) {
      form.LoadFiles(targets);
      return Step::kDone;
    }
    Tell(platform, &form,
         QCoreApplication::translate("MeasureImages", "Ошибка записи файла координат!"), failure,
         QCoreApplication::translate("MeasureImages",
                                     "Выберите другую папку: измерения сохранены до записи."));
    while (true) {
      const std::optional<QString> folder = platform.PickFolder(
          &form, QCoreApplication::translate("MeasureImages", "Папка для файлов координат"),
          QFileInfo(targets[0]).absolutePath());
      if (!folder) return Step::kDone;
      targets = TargetsIn(images, *folder);
      const QString clash = Clash(images, targets);
      if (clash.isEmpty()) break;
      Tell(platform, &form, clash);
    }
    if (!GoOnReplacing(form, platform, targets)) return Step::kDone;
  }
}

// One measuring of `images` with the last settings: kAgain after a failure, so the pattern can
// be given anew for the same images, with the images that failed and why in `failures`.
Step MeasureOnce(TMPForm& form, Platform& platform, const QStringList& images,
                 std::vector<ImageFailure>& failures) {
  const QStringList targets = TargetsIn(images, {});
  if (const QString clash = Clash(images, targets); !clash.isEmpty()) {
    Tell(platform, &form, clash);
    return Step::kDone;
  }
  if (!GoOnReplacing(form, platform, targets)) return Step::kDone;

  // The measured files pass through one folder, named after the images.
  QTemporaryDir folder;
  if (!folder.isValid()) {
    Tell(platform, &form,
         QCoreApplication::translate("MeasureImages", "Не удалось создать временную папку."),
         folder.errorString());
    return Step::kDone;
  }
  MeasureProgress progress(images, LastSettings().Arguments(), folder.path(), &form);
  switch (progress.Run()) {
    case MeasureProgress::Outcome::kCancelled:
      return Step::kDone;
    case MeasureProgress::Outcome::kInterrupted:
      Tell(platform, &form,
           QCoreApplication::translate("MeasureImages",
                                       "Снимки %1: измерение прервано. Файлы не записаны.")
               .arg(QFileInfo(images.front()).fileName() +
                    (images.size() > 1 ? QCoreApplication::translate("MeasureImages", " и ещё %1")
                                             .arg(images.size() - 1)
                                       : QString())),
           progress.Errors());
      return Step::kAgain;
    case MeasureProgress::Outcome::kFailed:
      Tell(platform, &form, FailureText(images, progress.Errors()), progress.Errors());
      failures = FailedImages(images, progress.Errors());
      return Step::kAgain;
    case MeasureProgress::Outcome::kMeasured:
      break;
  }

  // A board seen in too small a part of an image leaves that image out: zirt-measure names it
  // in a warning and writes no file for it. It is shown without marks and not written.
  std::vector<std::vector<QPointF>> points(static_cast<std::size_t>(images.size()));
  QStringList kept_images, kept_targets, shown_targets;
  std::vector<std::vector<QPointF>> kept_points;
  for (qsizetype k = 0; k < images.size(); ++k) {
    const QString measured = folder.filePath(QFileInfo(targets[k]).fileName());
    const QString warning =
        QStringLiteral("zirt-measure: warning: ") + images[k] + QLatin1Char(':');
    shown_targets << QString();
    if (!QFileInfo::exists(measured) && progress.Errors().contains(warning)) continue;
    shown_targets.back() = targets[k];
    if (!ReadPoints(measured, points[static_cast<std::size_t>(k)])) {
      Tell(platform, &form,
           QCoreApplication::translate("MeasureImages", "Не удалось прочесть результат измерения."),
           measured);
      return Step::kDone;
    }
    kept_images << images[k];
    kept_targets << targets[k];
    kept_points.push_back(points[static_cast<std::size_t>(k)]);
  }
  MeasurePreview preview(images, points, progress.FoundSize(), shown_targets, &form);
  if (preview.exec() != QDialog::Accepted) return Step::kDone;
  return WriteAndLoad(form, platform, kept_images, kept_targets, kept_points);
}

}  // namespace

QString CoordinateFileBeside(const QString& image) {
  const QFileInfo info(image);
  QString stem = info.fileName();
  if (const qsizetype dot = stem.lastIndexOf(QLatin1Char('.')); dot > 0) stem.truncate(dot);
  return info.dir().filePath(stem + QStringLiteral(".crd"));
}

void MeasureImagesCommand(TMPForm& form, Platform& platform) {
  FileDialogRequest dialog;
  dialog.filter = QCoreApplication::translate("MeasureImages",
                                              "Снимки|*.jpg;*.jpeg;*.png;*.tif;*.tiff|Все файлы|*");
  dialog.initial_folder = form.OpenDialogFolder();
  dialog.multi_select = true;
  QStringList images = platform.OpenFiles(&form, dialog);
  if (images.isEmpty()) return;
  form.SetDialogDirs(platform.CurrentFolder());

  // After a failed measuring the pattern dialog comes back for the same images, those that
  // failed marked, so a damaged one can be dropped.
  std::vector<ImageFailure> failures;
  while (true) {
    MeasureSettingsDialog ask(LastSettings(), images, failures, &form);
    if (ask.exec() != QDialog::Accepted) return;
    LastSettings() = ask.Settings();
    images = ask.ImagePaths();
    failures.clear();
    if (MeasureOnce(form, platform, images, failures) == Step::kDone) return;
  }
}

}  // namespace zirt
