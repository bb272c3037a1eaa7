#include "app/measure_images.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>
#include <QTemporaryDir>
#include <exception>
#include <vector>

#include "app/measure_preview.h"
#include "app/measure_progress.h"
#include "app/measure_settings_dialog.h"
#include "app/mpkalibr.h"
#include "data/coordinate_file.h"
#include "data/text_file.h"
#include "platform/platform.h"

namespace zirt {
namespace {

// The pattern asked last, for the rest of the session.
MeasureSettings& LastSettings() {
  static MeasureSettings settings;
  return settings;
}

const QString kCaption = QStringLiteral("Измерить снимки");

void Tell(Platform& platform, QWidget* owner, const QString& text, const QString& detail = {}) {
  MessageRequest request;
  request.text = text;
  request.caption = kCaption;
  request.icon = Icon::kWarning;
  request.detail = detail;
  platform.ShowMessage(owner, request);
}

// zirt-measure's file, written with a point: one (x, y) per line.
bool ReadPoints(const QString& path, std::vector<QPointF>& points) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QLocale c = QLocale::c();
  for (const QByteArray& line : file.readAll().split('\n')) {
    const QString text = QString::fromLatin1(line).trimmed();
    if (text.isEmpty()) continue;
    const qsizetype semicolon = text.indexOf(QLatin1Char(';'));
    bool ok_x = false, ok_y = false;
    const double x = c.toDouble(text.left(semicolon).trimmed(), &ok_x);
    const double y = c.toDouble(text.mid(semicolon + 1).trimmed(), &ok_y);
    if (semicolon < 0 || !ok_x || !ok_y) return false;
    points.emplace_back(x, y);
  }
  return true;
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
  dialog.filter = QStringLiteral("Снимки|*.jpg;*.jpeg;*.png;*.tif;*.tiff|Все файлы|*");
  dialog.initial_folder = form.OpenDialogFolder();
  dialog.multi_select = true;
  const QStringList images = platform.OpenFiles(&form, dialog);
  if (images.isEmpty()) return;
  form.SetDialogDirs(platform.CurrentFolder());

  MeasureSettingsDialog ask(LastSettings(), &form);
  if (ask.exec() != QDialog::Accepted) return;
  LastSettings() = ask.Settings();

  // The measured files pass through one folder, named after the images.
  QStringList targets, existing;
  QSet<QString> stems;
  for (const QString& image : images) {
    targets << CoordinateFileBeside(image);
    const QString stem = QFileInfo(targets.back()).fileName();
    if (stems.contains(stem)) {
      Tell(platform, &form,
           QStringLiteral("Два снимка дали бы файлы координат с одним именем: %1.").arg(stem));
      return;
    }
    stems.insert(stem);
    if (platform.FileExists(targets.back())) existing << QFileInfo(targets.back()).fileName();
  }
  if (!existing.isEmpty()) {
    MessageRequest question;
    question.text = QStringLiteral("Файлы координат уже есть: %1. Заменить их?")
                        .arg(existing.join(QStringLiteral(", ")));
    question.caption = kCaption;
    question.buttons = Buttons::kYesNo;
    question.icon = Icon::kQuestion;
    if (platform.ShowMessage(&form, question) != Answer::kYes) return;
  }

  QTemporaryDir folder;
  if (!folder.isValid()) {
    Tell(platform, &form, QStringLiteral("Не удалось создать временную папку."),
         folder.errorString());
    return;
  }
  MeasureProgress progress(images, LastSettings().Arguments(), folder.path(), &form);
  switch (progress.Run()) {
    case MeasureProgress::Outcome::kCancelled:
      return;
    case MeasureProgress::Outcome::kFailed:
      Tell(platform, &form,
           LastSettings().kind == 3
               ? QStringLiteral("Снимки не удалось измерить по деталям сцены. Файлы не записаны.")
               : QStringLiteral("Мишень найдена не на всех снимках или снимок не читается. Файлы "
                                "не записаны."),
           progress.Errors());
      return;
    case MeasureProgress::Outcome::kMeasured:
      break;
  }

  std::vector<std::vector<QPointF>> points(static_cast<std::size_t>(images.size()));
  for (qsizetype k = 0; k < images.size(); ++k) {
    const QString measured = folder.filePath(QFileInfo(targets[k]).fileName());
    if (!ReadPoints(measured, points[static_cast<std::size_t>(k)])) {
      Tell(platform, &form, QStringLiteral("Не удалось прочесть результат измерения."), measured);
      return;
    }
  }

  MeasurePreview preview(images, points, &form);
  if (preview.exec() != QDialog::Accepted) return;

  // Written as the editor writes numbers, with the separator of the regional settings now.
  WrittenFiles written;
  try {
    for (qsizetype k = 0; k < targets.size(); ++k) {
      TextLines lines;
      for (const QPointF& p : points[static_cast<std::size_t>(k)])
        lines.push_back(FormatCoordinateLine(p.x(), p.y()));
      written.Write(targets[k].toStdString(), lines);
    }
  } catch (const std::exception& error) {
    written.TakeBack();  // The first failure is the one reported.
    Tell(platform, &form, QStringLiteral("Ошибка записи файла координат!"),
         QString::fromUtf8(error.what()));
    return;
  }
  form.LoadFiles(targets);
}

}  // namespace zirt
