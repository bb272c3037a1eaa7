// The main window: the calibration's data, its picture of the image plane, its report list
// and its commands.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QMainWindow>
#include <QString>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "app/main/image_view.h"
#include "app/main/report_list.h"
#include "platform/platform.h"

class QAction;
class QCloseEvent;
class TZIRTAboutBox;
class QFrame;
class QMenu;
class QPushButton;
class QSplitter;

namespace zirt {
class DesignPanel;
class DiagnosticsWindow;
}  // namespace zirt

class TMPForm : public QMainWindow, public zirt::CalibrationView {
  Q_OBJECT

 public:
  explicit TMPForm(zirt::Platform& platform, QWidget* parent = nullptr);
  ~TMPForm() override;

  // Command handlers. They raise whatever their commands do not catch themselves; the
  // buttons and menu items run them through RunGuarded, which shows it.
  void Button1Click();  // Compute the principal point.
  void Button2Click();  // Load coordinate files.
  // The load command's work on files already chosen.
  void LoadFiles(const QStringList& chosen);
  void Button3Click();  // Save the result.
  // The save command for this point: the report's, or the diagnostics' refined or robust one,
  // its dialogs and editor owned by `owner` (the main window when null).
  void SavePoint(double x, double y, QWidget* owner = nullptr);
  void N12Click();  // Help.
  void N13Click();  // About box.
  void N15Click();  // Step-by-step switch.
  void N16Click();  // The diagnostics window, opened or brought up to date.
  // Fills the diagnostics window with the data now loaded; in front of the others when asked.
  void ShowDiagnostics(bool bring_up);
  // Copies the selected report lines, or the whole report, to the clipboard.
  void CopyReport();
  // Asks whether to save an unsaved result of the data now loaded. The window stays open on
  // Cancel, and when the user asked to save and nothing was written.
  void FormClose(QCloseEvent* event);

  // Both file dialogs start in this folder next time.
  void SetDialogDirs(const QString& folder);
  const QString& OpenDialogFolder() const { return open_dialog_folder_; }
  const QString& SaveDialogFolder() const { return save_dialog_folder_; }

  // Clears the picture, releases the images and fitted lines, empties the list and
  // disables saving.
  void ClearAll();
  // Marks on the picture (bitmap pixels); see ViewBitmap.
  void DrawCross(zirt::Color colour, int h, int x, int y);
  void DrawLine(zirt::Color colour, const zirt::VT_Point& line);

  // Decodes the start-up picture and shows it, once; the window's first paint asks for it.
  void ShowPreview();

  const zirt::Calibration& State() const { return calibration_; }
  // The loaded files and what is computed from them, each once per load.
  const zirt::Analysis& Work() const { return analysis_; }
  // The loaded files' full names, in load order.
  const std::vector<std::string>& ImagePaths() const { return analysis_.Files(); }
  const zirt::ViewBitmap& Bitmap() const { return bitmap_; }
  // Screen pixels per design pixel.
  double Scale() const { return scale_; }

  // Image k is marked in Palette[k mod 17].
  const std::array<zirt::Color, 17> Palette = zirt::kPalette;

  // Controls, named as in the window's design.
  QSplitter* Splitter1 = nullptr;
  QFrame* Panel1 = nullptr;
  QFrame* Panel2 = nullptr;
  zirt::DesignPanel* Panel3 = nullptr;
  zirt::DesignPanel* Panel4 = nullptr;
  QFrame* Panel5 = nullptr;
  QFrame* ScrollBox1 = nullptr;
  zirt::StretchedImage* Image1 = nullptr;
  zirt::StretchedImage* PreviewImage = nullptr;
  QPushButton* Button1 = nullptr;
  QPushButton* Button2 = nullptr;
  QPushButton* Button3 = nullptr;
  zirt::ReportList* ListBox1 = nullptr;

  // Main menu.
  QMenu* N1 = nullptr;  // &Файл
  QAction* N4 = nullptr;
  QAction* MeasureImages = nullptr;  // Coordinate files measured from photographs.
  QAction* PrintBoard = nullptr;     // A ChArUco board or an AprilGrid drawn to print.
  QAction* N6 = nullptr;
  QAction* WriteCalibration = nullptr;  // The point into another tool's calibration file.
  QAction* PdfReport = nullptr;         // The report as a PDF.
  QAction* N7 = nullptr;
  QAction* N5 = nullptr;
  QMenu* N3 = nullptr;  // Настройки
  QAction* N15 = nullptr;
  QMenu* LanguageMenu = nullptr;  // Язык / Language: Russian or English for the session.
  QAction* RussianLanguage = nullptr;
  QAction* EnglishLanguage = nullptr;
  QMenu* N2 = nullptr;  // Счёт
  QAction* N10 = nullptr;
  QAction* N16 = nullptr;  // Диагностика…, once a computation ran
  QMenu* N11 = nullptr;    // Помощь
  QAction* N12 = nullptr;
  QAction* N13 = nullptr;

  // The about box, made hidden at start-up by the program entry (or on first use).
  TZIRTAboutBox* ZIRTAboutBox = nullptr;
  // The diagnostics window, made on first use.
  zirt::DiagnosticsWindow* Diagnostics = nullptr;

 protected:
  void closeEvent(QCloseEvent* event) override;
  // A language switch puts up the texts again.
  void changeEvent(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  // zirt::CalibrationView: the computation's report and drawing.
  void ClearReport() override;
  void AppendReport(const std::string& line) override;
  void LineFitted(const zirt::VT_Point& line) override;

  void BuildControls();
  void BuildMenu();
  void BuildLanguageMenu();
  // The window's own texts in the interface's language.
  void RetranslateUi();
  void ConnectCommands();
  // Gives the bitmap the size Image1 has in the design, scaled, once.
  void CreateBitmap();
  void EnableSaving(bool enabled);
  // Images whose points reach past the bitmap at 2/3 are drawn smaller, all of them in view;
  // the view comes back whole.
  void FitPictureToPoints();
  // Every loaded point's cross, in its image's colour.
  void DrawMarks();
  // The principal point's cross.
  void DrawResult();
  // The wheel and a drag on the picture: the marks are drawn anew at the new scale or place,
  // so they keep their size and none merges into a block.
  void ZoomPicture(double notches, QPointF at);
  void PanPicture(QPointF by);
  // Keeps the view within the fitted picture and draws everything shown again.
  void RedrawPicture();
  // A computation's error with what in the data caused it and what to do, and the refined
  // point's offer where the diagnostics find one.
  void ShowComputeError(const zirt::Exception& error);
  // Repaints now in step-by-step mode, but at most once per display frame.
  void RepaintForProgress();
  void FlushProgress();
  // A computation ran on the loaded images: with its point, or failing with a message.
  void ComputationRan(std::optional<QString> failure);

  zirt::Platform& platform_;
  double scale_ = 1.0;
  zirt::Analysis analysis_;
  zirt::Calibration& calibration_ = analysis_.State();
  zirt::ViewBitmap bitmap_;
  zirt::Ext fit_scale_ = zirt::kTwoThirds;  // The scale that shows every point.
  double zoom_ = 1;                         // The view's scale over fit_scale_, 1 to 32.
  bool lines_drawn_ = false;                // A step-by-step run drew fitted lines.
  bool result_drawn_ = false;               // A computation drew the principal point.
  QImage preview_;
  bool preview_full_ = false;  // Decoded at its stored size rather than the window's.
  QString open_dialog_folder_;
  QString save_dialog_folder_;
  QElapsedTimer progress_clock_;
  bool progress_pending_ = false;
  std::vector<std::string> image_names_;    // Short names of the loaded files, in load order.
  std::optional<QString> compute_failure_;  // Why the last computation found no point.
};
