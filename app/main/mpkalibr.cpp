#include "app/main/mpkalibr.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>
#include <vector>

#include "app/about_box.h"
#include "app/artwork.h"
#include "app/diagnostics/diagnostics_window.h"
#include "app/main/design_panel.h"
#include "app/main/main_messages.h"
#include "app/measure/measure_images.h"
#include "platform/design_scale.h"
#include "platform/exception_display.h"
#include "platform/qt_translation.h"

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
constexpr int kSaveButtonBottom = 361 + 25;  // In Panel4.
constexpr int kButtonMargin = 8;
constexpr int kPictureMinimumWidth = 120;
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

// Its caption and hint come from RetranslateUi.
QPushButton* MakeButton(const char* name) {
  auto* button = new QPushButton;
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

}  // namespace

TMPForm::TMPForm(zirt::Platform& platform, QWidget* parent)
    : QMainWindow(parent), platform_(platform) {
  setObjectName(QStringLiteral("MPForm"));
  scale_ = zirt::DesignScaleOf(*this);
  setWindowIcon(zirt::MakeWindowIcon());
  QFont font = this->font();
  font.setPixelSize(std::max(1, zirt::ScaleDesign(kFontPixels, scale_)));
  setFont(font);

  BuildControls();
  BuildMenu();
  RetranslateUi();
  ConnectCommands();
  const auto scaled = [this](int design) { return zirt::ScaleDesign(design, scale_); };
  const int buttons_bottom = kPanel3Height + kSaveButtonBottom + kButtonMargin;
  setMinimumSize(
      std::max(scaled(kMinimumWidth), scaled(kPanel1Width + kPictureMinimumWidth)),
      std::max(scaled(kMinimumHeight), menuBar()->sizeHint().height() + scaled(buttons_bottom)));

  SetDialogDirs(platform_.CurrentFolder());
  CreateBitmap();
  N15->setChecked(false);
  calibration_.StepMode = false;
  calibration_.ResultSaved = true;
  bitmap_.Fill(zirt::kBackground);
  Image1->SetSource(&bitmap_.Image());
  Image1->SetMarksBackground(zirt::ToQRgb(zirt::kBackground));
  Image1->on_wheel = [this](double notches, QPointF at) { ZoomPicture(notches, at); };
  Image1->on_drag = [this](QPointF by) { PanPicture(by); };
  // The window paints first and the picture comes right after: its decode is the larger part
  // of start-up beyond an empty window's, and the window is of use before it.
  PreviewImage->on_first_paint = [this] { QTimer::singleShot(0, this, [this] { ShowPreview(); }); };

  if (const QScreen* screen = this->screen()) {
    QRect frame = geometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

TMPForm::~TMPForm() {
  // The images first, in load order, then the fitted lines.
  analysis_.Clear();
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
  Button2 = MakeButton("Button2");
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

  Button1 = MakeButton("Button1");
  Panel4->Place(Button1, QRect(40, 325, 100, 25), DesignPanel::kTop);
  Button3 = MakeButton("Button3");
  Panel4->Place(Button3, QRect(40, 361, 100, 25), DesignPanel::kTop);
  Button3->setEnabled(false);

  Splitter1->setStretchFactor(0, 1);
  Splitter1->setStretchFactor(1, 0);
  Splitter1->setSizes({scaled(kWindowWidth - kPanel1Width - kSplitterWidth), scaled(kPanel1Width)});
  // Загрузить, Счет and Сохранить stay in view however small the window is made: the panel
  // keeps its width and the window the height down to the last button.
  Panel1->setMinimumWidth(scaled(kPanel1Width));
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
  lines_drawn_ = false;
  result_drawn_ = false;
  analysis_.Clear();
  image_names_.clear();
  ListBox1->ClearLines();
  EnableSaving(false);
  // The result and the diagnostics belonged to the data now replaced: nothing is left to save
  // on closing, and nothing old to export.
  calibration_.ResultSaved = true;
  compute_failure_.reset();
  N16->setEnabled(false);
  if (Diagnostics != nullptr) Diagnostics->MarkStale();
}

void TMPForm::DrawCross(zirt::Color colour, int h, int x, int y) {
  bitmap_.DrawCross(colour, h, x, y);
  Image1->update();
}

void TMPForm::DrawLine(zirt::Color colour, const zirt::VT_Point& line) {
  bitmap_.DrawLine(colour, line);
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
    outcome = analysis_.Compute(*this);
  } catch (const zirt::Exception& error) {
    // A refusal of the tracks in the window's language; any other error in its own words.
    ComputationRan(QCoreApplication::translate("TrackSurvey", error.what()));
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
  DrawResult();
  EnableSaving(true);
  ListBox1->ScrollToResult();
  ComputationRan(std::nullopt);
}

void TMPForm::N12Click() {
  const bool english = zirt::CurrentInterfaceLanguage() == zirt::InterfaceLanguage::kEnglish;
  platform_.ShowHelp(this,
                     english ? QStringLiteral("ZIRTHelp\\ZIRT_01_en.HLP")
                             : QStringLiteral("ZIRTHelp\\ZIRT_01.HLP"),
                     kHelpFinder, 0);
}

void TMPForm::N13Click() {
  if (ZIRTAboutBox == nullptr) ZIRTAboutBox = new TZIRTAboutBox(this);
  ZIRTAboutBox->exec();
}

void TMPForm::closeEvent(QCloseEvent* event) {
  FormClose(event);
}

void TMPForm::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() == QEvent::LanguageChange && N1 != nullptr) RetranslateUi();
}

void TMPForm::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  // A window grown past the picture decoded at start-up gets the whole stored picture.
  if (PreviewImage != nullptr && PreviewImage->isVisible() && !preview_.isNull() &&
      !preview_full_ &&
      (PreviewImage->width() > preview_.width() || PreviewImage->height() > preview_.height())) {
    preview_ = zirt::LoadPreviewPicture();
    preview_full_ = true;
    PreviewImage->SetSource(&preview_);
  }
}

void TMPForm::ShowPreview() {
  // Only as large as the window shows it; a load may have taken its place already.
  if (!preview_.isNull() || PreviewImage->isHidden()) return;
  preview_ = zirt::LoadPreviewPicture(Image1->size());
  PreviewImage->SetSource(&preview_);
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
  lines_drawn_ = true;
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
