#include "editor/red_form.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "data/text_file.h"
#include "editor/glyphs.h"
#include "editor/grid_file.h"
#include "editor/grid_view.h"
#include "platform/design_scale.h"
#include "platform/exception_display.h"

using zirt::Grid;
using zirt::GridModel;

namespace {

// Design sizes, in pixels at 120 pixels per inch.
constexpr int kWindowLeft = 195;
constexpr int kWindowTop = 244;
constexpr int kWindowWidth = 710;
constexpr int kWindowHeight = 434;
constexpr int kMinimumWidth = 300;
constexpr int kMinimumHeight = 200;
constexpr int kFontPixels = 13;
constexpr int kBandHeight = 28;
constexpr int kButtonSize = 24;
constexpr int kGlyphSize = 16;
constexpr int kDesignColumns = 5;
constexpr int kDesignRows = 2;
constexpr int kDesignColumnWidth = 64;
constexpr int kDesignRowHeight = 20;

QString kLoadFailure() {
  return QCoreApplication::translate("RedForm", "Внутренняя ошибка. Обратитесь к разработчику.");
}
QString kLoadFailureCaption() {
  return QCoreApplication::translate("RedForm", "Ошибка!");
}

QToolButton* MakeToolButton(const QString& hint, zirt::Glyph glyph, const char* name, int size,
                            int glyph_size) {
  auto* button = new QToolButton;
  button->setObjectName(QString::fromLatin1(name));
  button->setToolTip(hint);
  button->setIcon(zirt::MakeGlyph(glyph));
  button->setIconSize(QSize(glyph_size, glyph_size));
  button->setFixedSize(size, size);
  button->setAutoRaise(true);
  return button;
}

QToolBar* MakeToolBar(QWidget* parent, const char* name) {
  auto* bar = new QToolBar(parent);
  bar->setObjectName(QString::fromLatin1(name));
  bar->setMovable(false);
  bar->setFloatable(false);
  bar->setContentsMargins(0, 0, 0, 0);
  return bar;
}

}  // namespace

TRedForm::TRedForm(zirt::Platform& platform, QWidget* owner) : QDialog(owner), platform_(platform) {
  setObjectName(QStringLiteral("RedForm"));
  setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
  scale_ = zirt::DesignScaleOf(*this);
  setWindowTitle(QCoreApplication::translate("RedForm", "Редактор"));
  QFont font = this->font();
  font.setPixelSize(std::max(1, Scaled(kFontPixels)));
  setFont(font);

  BuildControls();
  BuildMenu();
  ConnectCommands();

  setMinimumSize(Scaled(kMinimumWidth), Scaled(kMinimumHeight));
  resize(Scaled(kWindowWidth), Scaled(kWindowHeight));
  move(Scaled(kWindowLeft), Scaled(kWindowTop));
}

TRedForm::~TRedForm() = default;

int TRedForm::Scaled(int design) const {
  return zirt::ScaleDesign(design, scale_);
}

const Grid& TRedForm::Cells() const {
  return model_->Cells();
}

void TRedForm::BuildControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  Panel1 = new QFrame(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  layout->addWidget(Panel1);
  auto* panel_layout = new QVBoxLayout(Panel1);
  panel_layout->setContentsMargins(0, 0, 0, 0);
  panel_layout->setSpacing(0);

  ControlBar1 = new QFrame(Panel1);
  ControlBar1->setObjectName(QStringLiteral("ControlBar1"));
  ControlBar1->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  ControlBar1->setFixedHeight(Scaled(kBandHeight) + 2 * ControlBar1->frameWidth());
  auto* bar_layout = new QHBoxLayout(ControlBar1);
  bar_layout->setContentsMargins(Scaled(2), 0, Scaled(2), 0);
  bar_layout->setSpacing(Scaled(8));
  panel_layout->addWidget(ControlBar1);

  const int button = Scaled(kButtonSize);
  const int glyph = Scaled(kGlyphSize);
  ToolBar2 = MakeToolBar(ControlBar1, "ToolBar2");
  ToolButton10 = MakeToolButton(QCoreApplication::translate("RedForm", "Сохранить"),
                                zirt::Glyph::kSave, "ToolButton10", button, glyph);
  ToolBar2->addWidget(ToolButton10);
  bar_layout->addWidget(ToolBar2);

  ToolBar3 = MakeToolBar(ControlBar1, "ToolBar3");
  ToolButton3 = MakeToolButton(QCoreApplication::translate("RedForm", "Добавить"),
                               zirt::Glyph::kInsertRow, "ToolButton3", button, glyph);
  ToolButton5 = MakeToolButton(QCoreApplication::translate("RedForm", "Добавить в конец"),
                               zirt::Glyph::kAppendRow, "ToolButton5", button, glyph);
  ToolButton1 = MakeToolButton(QCoreApplication::translate("RedForm", "Удалить"),
                               zirt::Glyph::kDeleteRow, "ToolButton1", button, glyph);
  ToolButton8 = MakeToolButton(QCoreApplication::translate("RedForm", "Очистить"),
                               zirt::Glyph::kClearRows, "ToolButton8", button, glyph);
  for (QToolButton* b : {ToolButton3, ToolButton5, ToolButton1, ToolButton8})
    ToolBar3->addWidget(b);
  bar_layout->addWidget(ToolBar3);
  bar_layout->addStretch();

  model_ = new GridModel(this);
  Grid design(kDesignColumns, kDesignRows);
  design.SetFixedColumns(1);
  design.SetFixedRows(1);
  model_->Reset(design);

  StringGrid1 = new zirt::StringGridView(Panel1);
  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  StringGrid1->horizontalHeader()->setDefaultSectionSize(Scaled(kDesignColumnWidth));
  StringGrid1->verticalHeader()->setDefaultSectionSize(Scaled(kDesignRowHeight));
  StringGrid1->setModel(model_);
  panel_layout->addWidget(StringGrid1);
  StringGrid1->Select(1, 1);
}

void TRedForm::BuildMenu() {
  MainMenu1 = new QMenuBar(this);
  MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
  layout()->setMenuBar(MainMenu1);
  N1 = MainMenu1->addMenu(QCoreApplication::translate("RedForm", "&Файл"));
  N1->setObjectName(QStringLiteral("N1"));
  N3 = N1->addAction(QCoreApplication::translate("RedForm", "&Сохранить"));
  N3->setObjectName(QStringLiteral("N3"));
  N3->setShortcut(QKeySequence::Save);
  N16 = N1->addAction(QCoreApplication::translate("RedForm", "Сохранить &как…"));
  N16->setObjectName(QStringLiteral("N16"));
  N16->setShortcut(QKeySequence::SaveAs);
  N15 = N1->addSeparator();
  N15->setObjectName(QStringLiteral("N15"));
  N6 = N1->addAction(QCoreApplication::translate("RedForm", "&Выход"));
  N6->setObjectName(QStringLiteral("N6"));
}

void TRedForm::ConnectCommands() {
  const auto guarded = [this](void (TRedForm::*handler)()) {
    return [this, handler] { zirt::RunGuarded(platform_, this, [&] { (this->*handler)(); }); };
  };
  connect(N3, &QAction::triggered, this, guarded(&TRedForm::N3Click));
  connect(N16, &QAction::triggered, this, guarded(&TRedForm::N16Click));
  connect(N6, &QAction::triggered, this, guarded(&TRedForm::N6Click));
  connect(ToolButton10, &QToolButton::clicked, this, guarded(&TRedForm::ToolButton10Click));
  connect(ToolButton3, &QToolButton::clicked, this, guarded(&TRedForm::ToolButton3Click));
  connect(ToolButton5, &QToolButton::clicked, this, guarded(&TRedForm::ToolButton5Click));
  connect(ToolButton1, &QToolButton::clicked, this, guarded(&TRedForm::ToolButton1Click));
  connect(ToolButton8, &QToolButton::clicked, this, guarded(&TRedForm::ToolButton8Click));

  // Keys are the usual way a cell changes; an edit without keys (a pasted text from the
  // editor's context menu) must not slip past the close question either.
  connect(model_, &GridModel::CellEdited, this, [this] { SetModified(true); });
  StringGrid1->installEventFilter(this);
  StringGrid1->on_editor_created = [this](QWidget* editor) { editor->installEventFilter(this); };
}

bool TRedForm::LoadFile(const QString& file_name, int kind) {
  kind_ = kind;
  file_name_ = file_name;
  modified_ = false;
  caption_.clear();
  try {
    ApplySetup(kind);
    const zirt::GridSetup setup = zirt::SetupOf(kind);
    // Nothing of a file that fails half way is shown.
    model_->Reset(zirt::LoadGrid(kind, file_name.toStdString()));
    for (std::size_t c = 0; c < setup.column_widths.size(); ++c)
      StringGrid1->setColumnWidth(static_cast<int>(c), Scaled(setup.column_widths[c]));
    // Files of fixed lines show their captions whole: the caption column grows past its
    // design width to the widest caption in the font in use, and the window with it.
    if (!setup.row_commands) {
      const int extra = CaptionColumnWidth() - StringGrid1->columnWidth(0);
      if (extra > 0) {
        StringGrid1->setColumnWidth(0, StringGrid1->columnWidth(0) + extra);
        resize(width() + extra, height());
      }
    }
    StringGrid1->Select(1, setup.fixed_rows);
    // The keyboard goes to the grid, not to the first tool button, as the window opens.
    StringGrid1->setFocus();
    return true;
  } catch (...) {
    zirt::MessageRequest request;
    request.text = kLoadFailure();
    request.caption = kLoadFailureCaption();
    request.buttons = zirt::Buttons::kOk;
    request.icon = zirt::Icon::kNone;
    platform_.ShowMessage(nullptr, request);
    close();
    return false;
  }
}

int TRedForm::CaptionColumnWidth() const {
  // Text is laid out in fractions of a pixel and elided when it is any wider than its cell.
  const QFontMetricsF metrics(StringGrid1->font());
  qreal widest = 0;
  for (int row = 0; row < Cells().RowCount(); ++row)
    widest =
        std::max(widest, metrics.horizontalAdvance(QString::fromStdString(Cells().Cell(0, row))));
  // The cell's text margins either side, the grid line, and a pixel to spare.
  const int margins = 2 * (StringGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 2;
  return static_cast<int>(std::ceil(widest)) + margins;
}

void TRedForm::ApplySetup(int kind) {
  const zirt::GridSetup setup = zirt::SetupOf(kind);
  resize(Scaled(setup.window_width), Scaled(setup.window_height));
  caption_ = QString::fromStdString(zirt::WindowCaption(kind, file_name_.toStdString()));
  SetModified(modified_);
  StringGrid1->verticalHeader()->setDefaultSectionSize(Scaled(setup.row_height));
  for (QToolButton* button : {ToolButton3, ToolButton5, ToolButton1, ToolButton8})
    button->setEnabled(setup.row_commands);
}

void TRedForm::ChangeRows(const std::function<void(Grid&, int)>& command) {
  StringGrid1->CommitEdit();
  const int column = StringGrid1->Col();
  const int row = std::max(StringGrid1->Row(), Cells().FixedRows());
  model_->Change([&](Grid& grid) { command(grid, row); });
  StringGrid1->Select(column, row);
  SetModified(true);
}

void TRedForm::SetModified(bool modified) {
  modified_ = modified;
  if (caption_.isEmpty()) return;
  const QString title = modified ? caption_ + QStringLiteral(" *") : caption_;
  if (windowTitle() != title) setWindowTitle(title);
}

void TRedForm::N6Click() {
  close();
}

void TRedForm::ToolButton3Click() {
  ChangeRows([](Grid& grid, int row) { zirt::InsertRow(grid, row); });
}

void TRedForm::ToolButton1Click() {
  ChangeRows([](Grid& grid, int row) { zirt::DeleteRow(grid, row); });
}

void TRedForm::ToolButton5Click() {
  ChangeRows([](Grid& grid, int) { zirt::AppendRow(grid); });
}

void TRedForm::ToolButton8Click() {
  ChangeRows([](Grid& grid, int) { zirt::ClearRows(grid); });
}

void TRedForm::StringGrid1KeyDown(QObject*, int key, Qt::KeyboardModifiers shift) {
  // Ctrl+S itself changes nothing: it is the save that clears the flag.
  if (QKeySequence(key | shift.toInt()) == QKeySequence(QKeySequence::Save)) return;
  SetModified(true);
}

void TRedForm::closeEvent(QCloseEvent* event) {
  FormClose(event);
}

void TRedForm::reject() {
  close();
}

void TRedForm::keyPressEvent(QKeyEvent* event) {
  // Escape cancels an edit in the grid but never closes the window.
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

bool TRedForm::eventFilter(QObject* watched, QEvent* event) {
  // Installed on the grid and on each of its editors only.
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    StringGrid1KeyDown(watched, key->key(), key->modifiers());
  }
  return QDialog::eventFilter(watched, event);
}
