// The "Диагностика" window: the report's principal point beside the refined and the robust
// one with their uncertainty, the residuals per reference point and per image, each image's
// shift, the zoom steps, and the overview picture, which it exports as PNG or SVG.
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

#include "app/diagnostics/diagnostics_text.h"
#include "platform/platform.h"

class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class QTabWidget;

namespace zirt {

class OverviewView;
class RowsModel;

class DiagnosticsWindow : public QWidget {
  Q_OBJECT

 public:
  DiagnosticsWindow(Platform& platform, QWidget* parent);
  ~DiagnosticsWindow() override;

  // Shows these data in place of what was shown.
  void ShowData(DiagnosticsData data);
  const DiagnosticsData& Data() const { return data_; }
  // The data were replaced by a load: the figures are taken away, the window says to compute
  // again, and nothing can be exported or saved until then.
  void MarkStale();
  bool Stale() const { return stale_; }

  // Runs the main window's save command for a point ("Сохранить уточнённую точку…" and
  // "Сохранить устойчивую точку…"); set by the main window.
  std::function<void(Position)> save_point;

  // Asks for a file and writes the picture there, as SVG when it ends in ".svg", else as the
  // raster its extension names (PNG when none Qt writes); an existing file only when agreed.
  void ExportPicture();
  // Writes the picture as the path's extension says; false when it could not be written.
  bool WritePicture(const QString& path) const;

  QTableWidget* Estimates = nullptr;
  QLabel* Notes = nullptr;
  QLabel* Warning = nullptr;  // red: measurements that do not meet in one point
  QTableView* Points = nullptr;
  QTableView* Images = nullptr;
  QTableView* Shifts = nullptr;  // each image's shift against the common centre, and its test
  QLabel* ShiftNotes = nullptr;  // under it: the test's bound and findings
  QTableView* Steps = nullptr;   // each zoom step's centre
  OverviewView* Overview = nullptr;
  QPushButton* ExportButton = nullptr;
  QPushButton* FitButton = nullptr;
  QPushButton* SaveRefinedButton = nullptr;
  QPushButton* SaveRobustButton = nullptr;
  QLabel* Advice = nullptr;  // Which point to save when.
  QTabWidget* Tabs = nullptr;  // Точки, Снимки, Сдвиг снимков, Шаги зума

 protected:
  // A language switch puts up the texts and the figures again.
  void changeEvent(QEvent* event) override;

 private:
  void BuildControls();
  void BuildTabs();
  void LayOut();
  void Connect();
  void RetranslateUi();
  void FillEstimates();
  void EnableCommands();

  Platform& platform_;
  DiagnosticsData data_;
  std::unique_ptr<RowsModel> point_rows_;
  std::unique_ptr<RowsModel> image_rows_;
  std::unique_ptr<RowsModel> shift_rows_;
  std::unique_ptr<RowsModel> step_rows_;
  QString export_folder_;
  bool stale_ = false;
};

}  // namespace zirt
