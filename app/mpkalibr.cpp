#include "app/mpkalibr.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QVBoxLayout>
#include <exception>
#include <memory>
#include <vector>

#include "app/about_box.h"
#include "app/artwork.h"
#include "app/design_panel.h"
#include "app/diagnostics_window.h"
#include "app/main_messages.h"
#include "app/measure_images.h"
#include "calib/camera_file.h"
#include "data/coordinate_file.h"
#include "data/file_layouts.h"
#include "data/number_parse.h"
#include "data/text_file.h"
#include "editor/red_form.h"
#include "platform/design_scale.h"
#include "platform/exception_display.h"

using zirt::DesignPanel;

namespace {

// Design sizes, in pixels at 120 pixels per inch.
constexpr int kWindowWidth = 890;
constexpr int kWindowHeight = 616;
constexpr int kMinimumWidth = 300;
constexpr int kMinimumHeight = 200;
constexpr int kFontPixels = 13;
constexpr int kSplitterWidth = 3;
constexpr int kPanel1Width = 185;
constexpr int kPanel1InnerWidth = 181;  // Inside the panel's bevels.
constexpr int kPanel3Height = 64;
constexpr int kPanel4Height = 450;
constexpr int kPanel5Height = 280;
constexpr int kListItemHeight = 16;
constexpr int kMarkHalfLength = 10;
constexpr int kResultHalfLength = 30;
// One display frame: in step-by-step mode the picture is repainted at most this often.
constexpr qint64 kFrameMilliseconds = 16;

// The help viewer's command that opens the help on its contents.
constexpr int kHelpFinder = 11;

QFrame* MakePanel(QWidget* parent, const char* name) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
  return panel;
}

QPushButton* MakeButton(const QString& caption, const QString& hint, const char* name) {
  auto* button = new QPushButton(caption);
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(hint);
  return button;
}

}  // namespace

TMPForm::TMPForm(zirt::Platform& platform, QWidget* parent)
    : QMainWindow(parent), platform_(platform) {
  setObjectName(QStringLiteral("MPForm"));
  scale_ = zirt::DesignScaleOf(*this);
  setWindowTitle(QStringLiteral("Калибровка главной точки"));
  setWindowIcon(zirt::MakeWindowIcon());
  QFont font = this->font();
  font.setPixelSize(std::max(1, zirt::ScaleDesign(kFontPixels, scale_)));
  setFont(font);

  BuildControls();
  BuildMenu();
  ConnectCommands();

  SetDialogDirs(platform_.CurrentFolder());
  CreateBitmap();
  N15->setChecked(false);
  calibration_.StepMode = false;
  calibration_.ResultSaved = true;
  bitmap_.Fill(zirt::kBackground);
  Image1->SetSource(&bitmap_.Image());
  Image1->SetMarksBackground(zirt::ToQRgb(zirt::kBackground));
  // Start-up decodes the picture only as large as the window shows it.
  preview_ = zirt::LoadPreviewPicture(Image1->size());
  PreviewImage->SetSource(&preview_);

  if (const QScreen* screen = this->screen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

TMPForm::~TMPForm() {
  // The images first, in load order, then the fitted lines.
  calibration_.ClearData();
}

void TMPForm::BuildControls() {
  const auto scaled = [this](int design) { return zirt::ScaleDesign(design, scale_); };

  Splitter1 = new QSplitter(Qt::Horizontal, this);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->setHandleWidth(std::max(1, scaled(kSplitterWidth)));
  Splitter1->setChildrenCollapsible(false);
  setCentralWidget(Splitter1);

  // The picture on the left: the bitmap, and the stored picture over it until a load.
  Panel2 = MakePanel(Splitter1, "Panel2");
  auto* panel2_layout = new QVBoxLayout(Panel2);
  panel2_layout->setContentsMargins(0, 0, 0, 0);
  ScrollBox1 = new QFrame(Panel2);
  ScrollBox1->setObjectName(QStringLiteral("ScrollBox1"));
  ScrollBox1->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  panel2_layout->addWidget(ScrollBox1);
  auto* stack = new QGridLayout(ScrollBox1);
  stack->setContentsMargins(0, 0, 0, 0);
  Image1 = new zirt::StretchedImage(ScrollBox1);
  Image1->setObjectName(QStringLiteral("Image1"));
  PreviewImage = new zirt::StretchedImage(ScrollBox1);
  PreviewImage->setObjectName(QStringLiteral("PreviewImage"));
  stack->addWidget(Image1, 0, 0);
  stack->addWidget(PreviewImage, 0, 0);
  PreviewImage->raise();

  // The commands and the report on the right.
  Panel1 = MakePanel(Splitter1, "Panel1");
  auto* panel1_layout = new QVBoxLayout(Panel1);
  panel1_layout->setContentsMargins(0, 0, 0, 0);
  panel1_layout->setSpacing(0);

  Panel3 = new DesignPanel(scale_, QSize(kPanel1InnerWidth, kPanel3Height), Panel1);
  Panel3->setObjectName(QStringLiteral("Panel3"));
  Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Panel3->setFixedHeight(scaled(kPanel3Height));
  Button2 = MakeButton(QStringLiteral("Загрузить"), QStringLiteral("Реперные точки изображений"),
                       "Button2");
  Panel3->Place(Button2, QRect(40, 18, 100, 25), 0);
  panel1_layout->addWidget(Panel3);

  Panel4 = new DesignPanel(scale_, QSize(kPanel1InnerWidth, kPanel4Height), Panel1);
  Panel4->setObjectName(QStringLiteral("Panel4"));
  Panel4->setFrameStyle(QFrame::Panel | QFrame::Raised);
  panel1_layout->addWidget(Panel4, 1);

  Panel5 = MakePanel(nullptr, "Panel5");
  Panel4->Place(Panel5, QRect(0, 0, kPanel1InnerWidth, kPanel5Height),
                DesignPanel::kLeft | DesignPanel::kTop | DesignPanel::kRight);
  auto* panel5_layout = new QVBoxLayout(Panel5);
  panel5_layout->setContentsMargins(0, 0, 0, 0);
  ListBox1 = new zirt::ReportList(scaled(kListItemHeight), Panel5);
  ListBox1->setObjectName(QStringLiteral("ListBox1"));
  panel5_layout->addWidget(ListBox1);

  Button1 = MakeButton(QStringLiteral("Счет"), QStringLiteral("Найти координаты главной точки"),
                       "Button1");
  Panel4->Place(Button1, QRect(40, 325, 100, 25), DesignPanel::kTop);
  Button3 =
      MakeButton(QStringLiteral("Сохранить"), QStringLiteral("Сохранить результаты"), "Button3");
  Panel4->Place(Button3, QRect(40, 361, 100, 25), DesignPanel::kTop);
  Button3->setEnabled(false);

  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({scaled(kWindowWidth - kPanel1Width - kSplitterWidth), scaled(kPanel1Width)});
  setMinimumSize(scaled(kMinimumWidth), scaled(kMinimumHeight));
}

void TMPForm::CreateBitmap() {
  // The bitmap takes Image1's size once and keeps it, so lay the window out at its design
  // size before it is shown: hidden widgets get their geometry only from their layouts.
  const auto lay_out = [this](int width) {
    resize(width, zirt::ScaleDesign(kWindowHeight, scale_));
    layout()->activate();
    Splitter1->refresh();
    Panel2->layout()->activate();
    Panel1->layout()->activate();
    Panel4->Arrange();
    Panel5->layout()->activate();
    ScrollBox1->layout()->activate();
  };
  const int width = zirt::ScaleDesign(kWindowWidth, scale_);
  lay_out(width);
  // A long report brings up the list's vertical scroll bar, which must not cut the result's
  // lines: where the font leaves them too little room beside it, the window and the report's
  // panel grow by the difference and the picture keeps its width.
  if (const int extra = ListBox1->ResultWidthShortfall(); extra > 0) {
    const QList<int> sizes = Splitter1->sizes();
    lay_out(width + extra);
    Splitter1->setSizes({sizes[0], sizes[1] + extra});
    lay_out(width + extra);
  }
  bitmap_ = zirt::ViewBitmap(Image1->size());
}

void TMPForm::SetDialogDirs(const QString& folder) {
  open_dialog_folder_ = folder;
  save_dialog_folder_ = folder;
}

void TMPForm::EnableSaving(bool enabled) {
  Button3->setEnabled(enabled);
  N6->setEnabled(enabled);
}

void TMPForm::ClearAll() {
  bitmap_.Fill(zirt::kBackground);
  Image1->update();
  calibration_.ClearData();
  image_names_.clear();
  ListBox1->ClearLines();
  EnableSaving(false);
  N16->setEnabled(false);
}

void TMPForm::DrawCross(zirt::Color colour, int h, int x, int y) {
  bitmap_.DrawCross(colour, h, x, y);
  Image1->update();
}

void TMPForm::DrawLine(zirt::Color colour, const zirt::VT_Point& line) {
  bitmap_.DrawLine(colour, line);
  Image1->update();
}

void TMPForm::ShowComputeError(const zirt::Exception& error) {
  std::vector<int> counts;
  for (std::size_t k = 0; k < calibration_.Images.Length(); ++k)
    counts.push_back(calibration_.Images[static_cast<std::ptrdiff_t>(k)].Count());
  // Any error but a short image's goes on to the command guard as it is.
  if (!zirt::ShowShortImageError(platform_, this, error, image_names_, counts)) throw;
}

void TMPForm::Button2Click() {
  zirt::FileDialogRequest dialog;
  dialog.filter = QString::fromUtf8(zirt::kCoordinateOpenFilter);
  dialog.default_extension = QString::fromUtf8(zirt::kCoordinateExtension);
  dialog.initial_folder = open_dialog_folder_;
  dialog.multi_select = true;
  const QStringList chosen = platform_.OpenFiles(this, dialog);
  if (chosen.isEmpty()) return;
  SetDialogDirs(platform_.CurrentFolder());
  LoadFiles(chosen);
}

void TMPForm::LoadFiles(const QStringList& chosen) {
  std::vector<std::string> paths;
  paths.reserve(static_cast<std::size_t>(chosen.size()));
  for (const QString& path : chosen) paths.push_back(path.toStdString());

  // Every file is read and checked before anything is replaced: a bad file among several
  // must not leave the user with half a load and no way back to what was there.
  std::vector<std::unique_ptr<zirt::VT_Points>> sets;
  try {
    sets = zirt::LoadCoordinateFiles(paths);
  } catch (const zirt::ECoordinateFileError& error) {
    zirt::ShowLoadError(platform_, this, paths, &error);
    return;
  } catch (const std::exception&) {
    zirt::ShowLoadError(platform_, this, paths, nullptr);
    return;
  }

  ClearAll();
  calibration_.TakeImages(std::move(sets));
  image_names_.clear();
  for (const std::string& path : paths) image_names_.push_back(zirt::ShortName(path));
  image_paths_ = paths;
  for (std::size_t k = 0; k < paths.size(); ++k) {
    const zirt::Color colour = Palette[k % Palette.size()];
    const zirt::VT_Points& set = calibration_.Images[static_cast<std::ptrdiff_t>(k)];
    for (int i = 0; i < set.Count(); ++i) {
      const zirt::VT_Point* point = set.Get(i);
      bitmap_.DrawCross(colour, kMarkHalfLength, zirt::ToView(point->X), zirt::ToView(point->Y));
    }
    ListBox1->AddLine(QString::fromStdString(image_names_[k]));
  }
  PreviewImage->hide();
  Image1->update();
}

void TMPForm::Button1Click() {
  progress_clock_.invalidate();
  progress_pending_ = false;
  // The last fitted line must reach the screen also when an error ends the run.
  struct FlushOnExit {
    TMPForm* form;
    ~FlushOnExit() { form->FlushProgress(); }
  } flush{this};

  zirt::ComputeOutcome outcome;
  try {
    outcome = calibration_.Compute(*this);
  } catch (const zirt::Exception& error) {
    ComputationRan(QString::fromStdString(error.what()));
    ShowComputeError(error);
    return;
  }
  switch (outcome) {
    case zirt::ComputeOutcome::kNoImages:
      zirt::ShowRefusal(platform_, this, zirt::kNoImagesMessage);
      return;
    case zirt::ComputeOutcome::kOneImage:
      zirt::ShowRefusal(platform_, this, zirt::kOneImageMessage);
      return;
    case zirt::ComputeOutcome::kDone:
      break;
  }
  DrawCross(zirt::kResultColour, kResultHalfLength, zirt::ToView(calibration_.PrincipalX),
            zirt::ToView(calibration_.PrincipalY));
  EnableSaving(true);
  ListBox1->ScrollToResult();
  ComputationRan(std::nullopt);
}

void TMPForm::ComputationRan(std::optional<QString> failure) {
  compute_failure_ = std::move(failure);
  N16->setEnabled(true);
  if (Diagnostics != nullptr && Diagnostics->isVisible()) N16Click();
}

void TMPForm::N16Click() {
  if (!N16->isEnabled()) return;
  std::vector<QString> files;
  for (const std::string& name : image_names_) files.push_back(QString::fromStdString(name));
  std::optional<zirt::Position> point;
  if (!compute_failure_) point = zirt::Position{calibration_.PrincipalX, calibration_.PrincipalY};
  if (Diagnostics == nullptr) Diagnostics = new zirt::DiagnosticsWindow(platform_, this);
  QGuiApplication::setOverrideCursor(Qt::WaitCursor);
  struct RestoreCursor {
    ~RestoreCursor() { QGuiApplication::restoreOverrideCursor(); }
  } restore;
  Diagnostics->ShowData(zirt::CollectDiagnostics(std::move(files),
                                                 zirt::PositionsOf(calibration_.Images), point,
                                                 compute_failure_.value_or(QString())));
  Diagnostics->show();
  Diagnostics->raise();
  Diagnostics->activateWindow();
}

void TMPForm::Button3Click() {
  // Every error of the command ends in its one message; nothing names the file.
  try {
    zirt::FileDialogRequest dialog;
    dialog.filter = QString::fromUtf8(zirt::kCameraSaveFilter);
    dialog.default_extension = QString::fromUtf8(zirt::kCameraExtension);
    dialog.initial_folder = save_dialog_folder_;
    const std::optional<QString> picked = platform_.SaveFile(this, dialog);
    if (!picked) return;
    SetDialogDirs(platform_.CurrentFolder());

    const zirt::TextLines lines =
        zirt::CameraFileLines(picked->toStdString(), platform_.FileExists(*picked),
                              calibration_.PrincipalX, calibration_.PrincipalY);
    const QString output = QString::fromStdString(zirt::CameraOutputName(picked->toStdString()));
    // A link counts as an existing name even when it points nowhere: the write would land
    // at its target.
    if (platform_.FileExists(output) || QFileInfo(output).isDir() ||
        QFileInfo(output).isSymLink()) {
      if (!zirt::AskOverwrite(platform_, output)) return;
    }
    zirt::WriteLines(output.toStdString(), lines);
    calibration_.ResultSaved = true;

    TRedForm editor(platform_, this);
    if (editor.LoadFile(output, zirt::kCameraKind)) editor.exec();
  } catch (const std::exception& error) {
    zirt::ShowCameraWriteError(platform_, this, error);
  }
}

void TMPForm::N12Click() {
  platform_.ShowHelp(this, QStringLiteral("ZIRTHelp\\ZIRT_01.HLP"), kHelpFinder, 0);
}

void TMPForm::N13Click() {
  if (ZIRTAboutBox == nullptr) ZIRTAboutBox = new TZIRTAboutBox(this);
  ZIRTAboutBox->exec();
}

void TMPForm::FormClose(QCloseEvent* event) {
  if (!calibration_.ResultSaved) {
    if (zirt::AskSaveResult(platform_, this)) {
      zirt::RunGuarded(platform_, this, [this] { Button3Click(); });
      // A result the user asked to keep and that was not written keeps the window open.
      if (!calibration_.ResultSaved) {
        event->ignore();
        return;
      }
    }
  }
  event->accept();
}

void TMPForm::closeEvent(QCloseEvent* event) {
  FormClose(event);
}

void TMPForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // A window grown past the picture decoded at start-up gets the whole stored picture.
  if (PreviewImage != nullptr && PreviewImage->isVisible() && !preview_full_ &&
      (PreviewImage->width() > preview_.width() || PreviewImage->height() > preview_.height())) {
    preview_ = zirt::LoadPreviewPicture();
    preview_full_ = true;
    PreviewImage->SetSource(&preview_);
  }
}

void TMPForm::N15Click() {
  N15->setChecked(!N15->isChecked());
  calibration_.StepMode = N15->isChecked();
}

void TMPForm::CopyReport() {
  ListBox1->CopyLines();
}

void TMPForm::ClearReport() {
  ListBox1->ClearLines();
}

void TMPForm::AppendReport(const std::string& line) {
  ListBox1->AddLine(QString::fromStdString(line));
}

void TMPForm::LineFitted(const zirt::VT_Point& line) {
  bitmap_.DrawLine(zirt::kLineColour, line);
  RepaintForProgress();
}

void TMPForm::RepaintForProgress() {
  // Thousands of lines would otherwise cost one full repaint each.
  if (progress_clock_.isValid() && progress_clock_.elapsed() < kFrameMilliseconds) {
    progress_pending_ = true;
    return;
  }
  repaint();
  progress_clock_.start();
  progress_pending_ = false;
}

void TMPForm::FlushProgress() {
  if (!progress_pending_) return;
  repaint();
  progress_pending_ = false;
}
