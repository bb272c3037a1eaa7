// The main window's result: a failed computation explained, the diagnostics window kept up to
// date, the save command for the report's or the diagnostics' point, and the close question.
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStringList>

#include <algorithm>

#include "app/diagnostics/diagnostics_window.h"
#include "app/main/main_messages.h"
#include "app/main/mpkalibr.h"
#include "calib/camera_file.h"
#include "calib/track_survey.h"
#include "data/compute_hints.h"
#include "data/coordinate_file.h"
#include "data/file_layouts.h"
#include "data/text_file.h"
#include "diagnostics/diagnostics.h"
#include "editor/red_form.h"
#include "platform/exception_display.h"

namespace {

// Puts `window` beside the main window where the screen has room for it, else over the
// picture (narrowed to it as far as the window allows), else under the last button: never
// over the main window's buttons where that can be helped, and always whole on the screen.
void PlaceBeside(QWidget* window, const QWidget* main, const QWidget* panel,
                 const QWidget* last_button) {
  const QScreen* screen = main->screen();
  if (screen == nullptr) return;
  const QRect room = screen->availableGeometry();
  const QRect frame = main->frameGeometry();
  // A window not yet shown has no frame; take the main window's as its measure.
  const QSize margins = frame.size() - main->size();
  const QSize least = window->minimumSizeHint() + margins;
  QSize size =
      (window->size().expandedTo(window->minimumSizeHint()) + margins).boundedTo(room.size());
  const int top = std::max(room.top(), frame.top());
  const int panel_left = panel->mapToGlobal(QPoint(0, 0)).x();
  QPoint at;
  if (frame.right() + 1 + size.width() <= room.right() + 1) {
    at = QPoint(frame.right() + 1, top);
  } else if (frame.left() - size.width() >= room.left()) {
    at = QPoint(frame.left() - size.width(), top);
  } else if (panel_left - room.left() >= least.width()) {
    size.setWidth(std::min(size.width(), panel_left - room.left()));
    at = QPoint(panel_left - size.width(), top);
  } else {
    at = QPoint(frame.left(), last_button->mapToGlobal(QPoint(0, last_button->height())).y() + 1);
  }
  // Moved in wherever it would reach past the screen's edge (the window manager's panels
  // left out), its buttons in view without dragging.
  at.setX(std::clamp(at.x(), room.left(), room.right() + 1 - size.width()));
  at.setY(std::clamp(at.y(), room.top(), room.bottom() + 1 - size.height()));
  window->resize(size - margins);
  window->move(at);
}

// Which files the refined point came from, and why any other gave it nothing or only part of
// its points: the report's computation failed on them, so the user must know what the offered
// point rests on.
QStringList RefinedFiles(const zirt::ImageSets& images, const std::vector<std::string>& names,
                         const zirt::PointEstimate& refined) {
  const std::vector<int> used = zirt::MeasurementsUsed(images, refined);
  const std::size_t n = std::min(used.size(), names.size());
  if (n == 0) return {};
  const auto name = [&](std::size_t k) { return QString::fromStdString(names[k]); };
  const auto count = [&](std::size_t k) { return images[std::ptrdiff_t(k)].Count(); };
  QStringList taken, notes;
  for (std::size_t k = 0; k < n; ++k) {
    const int points = count(k);
    if (used[k] > 0) {
      taken << name(k);
      if (points < count(0))
        notes << QCoreApplication::translate(
                     "MainResults",
                     "В файле %1 точек меньше, чем в %2 (%3 из %4): прямые остальных точек "
                     "построены без него.")
                     .arg(name(k), name(0), QString::number(points), QString::number(count(0)));
      else if (points > count(0))
        notes << QCoreApplication::translate(
                     "MainResults", "Из файла %1 взяты только первые точки: %2 из %3, как в %4.")
                     .arg(name(k), QString::number(count(0)), QString::number(points), name(0));
      continue;
    }
    bool seen = false;
    for (int i = 0; i < points && !seen; ++i)
      seen = !zirt::NotSeen(*images[std::ptrdiff_t(k)].Get(i));
    notes << (points == 0
                  ? QCoreApplication::translate("MainResults", "Не вошёл файл %1: в нём нет точек.")
              : !seen ? QCoreApplication::translate("MainResults",
                                                    "Не вошёл файл %1: ни одна его точка не видна.")
                      : QCoreApplication::translate(
                            "MainResults",
                            "Не вошёл файл %1: ни одна его точка не видна на других снимках."))
                 .arg(name(k));
  }
  const QString files =
      std::ptrdiff_t(taken.size()) == std::ptrdiff_t(n)
          ? QCoreApplication::translate("MainResults", "Она найдена по всем файлам (%1).")
                .arg(QString::number(n))
          : QCoreApplication::translate("MainResults", "Она найдена по файлам %1 (%2 из %3).")
                .arg(taken.join(QStringLiteral(", ")), QString::number(taken.size()),
                     QString::number(n));
  return QStringList{files} + notes;
}

}  // namespace

void TMPForm::ShowComputeError(const zirt::Exception& error) {
  // A refusal of tracks that meet in no point says all there is in its own words; the hints
  // below read the fitted lines, which a refusal comes before.
  if (dynamic_cast<const zirt::EUndeterminedPoint*>(&error) != nullptr) {
    zirt::ShowComputeFailure(
        platform_, this,
        QCoreApplication::translate("TrackSurvey", error.Message().c_str()).toStdString(), {},
        QString());
    return;
  }
  // The run stops at the reference point it was fitting.
  const zirt::ComputeHint hint =
      zirt::ComputeFailureHint(calibration_.Images, image_names_, calibration_.FittingPoint);
  QString offer;
  const auto& refined = analysis_.Refined();
  if (refined && hint.fault != zirt::ComputeFault::kNone) {
    offer = QCoreApplication::translate(
                "MainResults",
                "Уточнённая оценка окна «Диагностика» (прямые по перпендикулярным "
                "расстояниям) находит точку и здесь: x0 = %1, y0 = %2; её можно "
                "сохранить оттуда.")
                .arg(zirt::FormatNumber(refined->x, 4), zirt::FormatNumber(refined->y, 4));
    offer += QLatin1Char('\n') +
             RefinedFiles(calibration_.Images, image_names_, *refined).join(QLatin1Char('\n'));
  }
  if (zirt::ShowComputeFailure(platform_, this, error.Message(), hint.lines, offer)) N16Click();
}

void TMPForm::ComputationRan(std::optional<QString> failure) {
  compute_failure_ = std::move(failure);
  N16->setEnabled(true);
  // An open window follows the data, but comes to the front only if it was there.
  if (Diagnostics != nullptr && Diagnostics->isVisible())
    ShowDiagnostics(Diagnostics->isActiveWindow());
}

void TMPForm::N16Click() {
  ShowDiagnostics(true);
}

void TMPForm::ShowDiagnostics(bool bring_up) {
  if (!N16->isEnabled()) return;
  std::vector<QString> files;
  for (const std::string& name : image_names_) files.push_back(QString::fromStdString(name));
  std::optional<zirt::Position> point;
  if (!compute_failure_) point = zirt::Position{calibration_.PrincipalX, calibration_.PrincipalY};
  const bool first = Diagnostics == nullptr;
  if (first) {
    Diagnostics = new zirt::DiagnosticsWindow(platform_, this);
    Diagnostics->save_point = [this](zirt::Position p) {
      zirt::RunGuarded(platform_, Diagnostics, [&] { SavePoint(p.x, p.y, Diagnostics); });
    };
  }
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  struct RestoreCursor {
    ~RestoreCursor() { QGuiApplication::restoreOverrideCursor(); }
  } restore;
  Diagnostics->ShowData(zirt::CollectDiagnostics(std::move(files), analysis_, point,
                                                 compute_failure_.value_or(QString())));
  if (first) PlaceBeside(Diagnostics, this, Panel1, Button3);
  Diagnostics->show();
  if (!bring_up) return;
  Diagnostics->raise();
  Diagnostics->activateWindow();
}

void TMPForm::Button3Click() {
  SavePoint(calibration_.PrincipalX, calibration_.PrincipalY);
}

void TMPForm::SavePoint(double x, double y, QWidget* owner) {
  // The command's dialogs and the editor belong to the window it was given from, which the
  // window manager then keeps above the main window.
  if (owner == nullptr) owner = this;
  // Every error of the command ends in its one message; nothing names the file.
  try {
    zirt::FileDialogRequest dialog;
    dialog.filter = QString::fromUtf8(zirt::kCameraSaveFilter);
    dialog.default_extension = QString::fromUtf8(zirt::kCameraExtension);
    dialog.initial_folder = save_dialog_folder_;
    const std::optional<QString> picked = platform_.SaveFile(owner, dialog);
    if (!picked) return;
    SetDialogDirs(platform_.CurrentFolder());
    if (const QString fault = zirt::CameraNameFault(*picked); !fault.isEmpty()) {
      zirt::ShowCameraNameFault(platform_, owner, fault);
      return;
    }

    const zirt::TextLines lines =
        zirt::CameraFileLines(picked->toStdString(), platform_.FileExists(*picked), x, y);
    const QString output = QString::fromStdString(zirt::CameraOutputName(picked->toStdString()));
    if (!zirt::MayWrite(platform_, output)) return;
    analysis_.SaveCamera(output.toStdString(), lines);

    TRedForm editor(platform_, owner);
    if (editor.LoadFile(output, zirt::kCameraKind)) editor.exec();
  } catch (const std::exception& error) {
    zirt::ShowCameraWriteError(platform_, owner, error);
  }
}

void TMPForm::FormClose(QCloseEvent* event) {
  if (!calibration_.ResultSaved) {
    switch (zirt::AskSaveResult(platform_, this)) {
      case zirt::Answer::kYes:
        zirt::RunGuarded(platform_, this, [this] { Button3Click(); });
        // A result the user asked to keep and that was not written keeps the window open.
        if (!calibration_.ResultSaved) {
          event->ignore();
          return;
        }
        break;
      case zirt::Answer::kNo:
        break;
      default:  // Cancel, or Escape: the user changed their mind about closing.
        event->ignore();
        return;
    }
  }
  event->accept();
}
