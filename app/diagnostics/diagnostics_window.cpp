#include "app/diagnostics/diagnostics_window.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QImageWriter>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QSvgGenerator>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <utility>

#include "app/diagnostics/overview_view.h"
#include "app/diagnostics/rows_model.h"
#include "report/overview_marks.h"

namespace zirt {

namespace {

constexpr int kWidth = 1100;
constexpr int kHeight = 680;
QString PictureFilter() {
  return QCoreApplication::translate("zirt::DiagnosticsWindow",
                                     "Рисунок PNG|*.png|Рисунок SVG|*.svg");
}
QString AdviceText() {
  return QCoreApplication::translate(
      "zirt::DiagnosticsWindow",
      "Какую точку сохранить: уточнённую — когда ошибки измерений случайны (строк, выделенных "
      "цветом, нет); она в 1,5–2 раза точнее точки отчёта. Устойчивую — когда есть выделенные "
      "строки: грубые измерения в ней отброшены. Точку отчёта сохраняет «Сохранить» главного "
      "окна.");
}

QTableView* MakeTable(RowsModel* model, const char* name) {
  auto* table = new QTableView;
  table->setObjectName(QString::fromLatin1(name));
  table->setModel(model);
  table->setSelectionBehavior(QAbstractItemView::SelectRows);
  table->setSelectionMode(QAbstractItemView::SingleSelection);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->hide();
  table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 4);
  table->horizontalHeader()->setStretchLastSection(true);
  // Arrows move between rows; Tab goes on to the next control.
  table->setTabKeyNavigation(false);
  return table;
}

QLabel* MakeLabel(const char* name) {
  auto* label = new QLabel;
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  return label;
}

QPushButton* MakeButton(const char* name) {
  auto* button = new QPushButton;
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

}  // namespace

DiagnosticsWindow::DiagnosticsWindow(Platform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), platform_(platform), export_folder_(platform.CurrentFolder()) {
  setObjectName(QStringLiteral("DiagnosticsForm"));
  point_rows_ = std::make_unique<RowsModel>(
      PointHeaders, -1, [this](int r, int c) { return PointCell(data_, r, c); },
      [this](int r) { return PointFlagged(data_, r); });
  image_rows_ = std::make_unique<RowsModel>(
      ImageHeaders, 1, [this](int r, int c) { return ImageCell(data_, r, c); },
      [this](int r) { return ImageFlagged(data_, r); });
  // Each image's colour in the picture beside its file: the legend for every image.
  image_rows_->SetDecoration(
      [](int r, int c) { return c == 1 ? QVariant(ImageColour(r)) : QVariant(); });
  shift_rows_ = std::make_unique<RowsModel>(
      ShiftHeaders, 1, [this](int r, int c) { return ShiftCell(data_, r, c); },
      [this](int r) { return ShiftFlagged(data_, r); });
  step_rows_ = std::make_unique<RowsModel>(
      StepHeaders, -1, [this](int r, int c) { return StepCell(data_, r, c); },
      [](int) { return false; });
  BuildControls();
  RetranslateUi();
  resize(kWidth, kHeight);
}

DiagnosticsWindow::~DiagnosticsWindow() = default;

void DiagnosticsWindow::BuildControls() {
  Estimates = new QTableWidget(0, kEstimateColumns);
  Estimates->setObjectName(QStringLiteral("Estimates"));
  Estimates->verticalHeader()->hide();
  Estimates->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Estimates->setSelectionMode(QAbstractItemView::ContiguousSelection);
  Estimates->setFocusPolicy(Qt::NoFocus);
  Notes = MakeLabel("Notes");
  Warning = MakeLabel("Warning");
  Warning->setStyleSheet(QStringLiteral("color: #c00000; font-weight: bold"));
  Advice = MakeLabel("Advice");
  BuildTabs();
  Overview = new OverviewView;
  Overview->setObjectName(QStringLiteral("Overview"));
  ExportButton = MakeButton("ExportButton");
  FitButton = MakeButton("FitButton");
  SaveRefinedButton = MakeButton("SaveRefinedButton");
  SaveRobustButton = MakeButton("SaveRobustButton");
  LayOut();
  Connect();
  EnableCommands();
}

void DiagnosticsWindow::BuildTabs() {
  Points = MakeTable(point_rows_.get(), "Points");
  Images = MakeTable(image_rows_.get(), "Images");
  Shifts = MakeTable(shift_rows_.get(), "Shifts");
  Steps = MakeTable(step_rows_.get(), "Steps");
  ShiftNotes = MakeLabel("ShiftNotes");
  auto* shift_page = new QWidget;
  auto* shift_layout = new QVBoxLayout(shift_page);
  shift_layout->setContentsMargins(0, 0, 0, 0);
  shift_layout->addWidget(Shifts, 1);
  shift_layout->addWidget(ShiftNotes);
  Tabs = new QTabWidget;
  Tabs->addTab(Points, QString());
  Tabs->addTab(Images, QString());
  Tabs->addTab(shift_page, QString());
  Tabs->addTab(Steps, QString());
}

void DiagnosticsWindow::LayOut() {
  auto* left = new QWidget;
  auto* left_layout = new QVBoxLayout(left);
  left_layout->setContentsMargins(0, 0, 0, 0);
  left_layout->addWidget(Estimates);
  left_layout->addWidget(Warning);
  left_layout->addWidget(Notes);
  left_layout->addWidget(Tabs, 1);
  left_layout->addWidget(Advice);
  auto* saves = new QHBoxLayout;
  saves->addWidget(SaveRefinedButton);
  saves->addWidget(SaveRobustButton);
  saves->addStretch(1);
  left_layout->addLayout(saves);
  auto* right = new QWidget;
  auto* right_layout = new QVBoxLayout(right);
  right_layout->setContentsMargins(0, 0, 0, 0);
  right_layout->addWidget(Overview, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(FitButton);
  buttons->addWidget(ExportButton);
  right_layout->addLayout(buttons);

  auto* splitter = new QSplitter(Qt::Horizontal);
  splitter->addWidget(left);
  splitter->addWidget(right);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  splitter->setSizes({kWidth * 9 / 20, kWidth * 11 / 20});
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(splitter);
}

void DiagnosticsWindow::Connect() {
  connect(
      Points->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
      [this](const QModelIndex& row) { Overview->HighlightPoint(row.isValid() ? row.row() : -1); });
  // The image table and the shift table both pick an image.
  for (QTableView* table : {Images, Shifts})
    connect(table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& row) {
              Overview->HighlightImage(row.isValid() ? row.row() : -1);
            });
  // A row clicked again after the other table's shows again.
  connect(Points, &QTableView::clicked, this,
          [this](const QModelIndex& row) { Overview->HighlightPoint(row.row()); });
  for (QTableView* table : {Images, Shifts})
    connect(table, &QTableView::clicked, this,
            [this](const QModelIndex& row) { Overview->HighlightImage(row.row()); });
  connect(ExportButton, &QPushButton::clicked, this, &DiagnosticsWindow::ExportPicture);
  connect(FitButton, &QPushButton::clicked, Overview, &OverviewView::FitAll);
  connect(SaveRefinedButton, &QPushButton::clicked, this, [this] {
    if (save_point && data_.result.refined)
      save_point(Position{data_.result.refined->x, data_.result.refined->y});
  });
  connect(SaveRobustButton, &QPushButton::clicked, this, [this] {
    if (save_point && data_.result.robust)
      save_point(Position{data_.result.robust->x, data_.result.robust->y});
  });
}

void DiagnosticsWindow::RetranslateUi() {
  setWindowTitle(tr("Диагностика"));
  Estimates->setHorizontalHeaderLabels(EstimateHeaders());
  Overview->setToolTip(tr("Колесо — масштаб, перетаскивание — сдвиг, двойной щелчок — всё"));
  Tabs->setTabText(0, tr("Точки"));
  Tabs->setTabText(1, tr("Снимки"));
  Tabs->setTabText(2, tr("Сдвиг снимков"));
  Tabs->setTabText(3, tr("Шаги зума"));
  ExportButton->setText(tr("Сохранить &рисунок…"));
  FitButton->setText(tr("&Показать всё"));
  SaveRefinedButton->setText(tr("Сохранить &уточнённую точку…"));
  SaveRobustButton->setText(tr("Сохранить у&стойчивую точку…"));
  Advice->setText(AdviceText());
}

void DiagnosticsWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() != QEvent::LanguageChange || Tabs == nullptr) return;
  RetranslateUi();
  // The figures' texts are made anew in the new language.
  if (stale_)
    MarkStale();
  else if (!data_.files.empty())
    ShowData(DiagnosticsData(data_));
}

void DiagnosticsWindow::EnableCommands() {
  ExportButton->setEnabled(!stale_);
  SaveRefinedButton->setEnabled(!stale_ && data_.result.refined.has_value());
  SaveRobustButton->setEnabled(!stale_ && data_.result.robust.has_value());
}

void DiagnosticsWindow::MarkStale() {
  stale_ = true;
  Overview->SetData(nullptr);
  data_ = DiagnosticsData();
  Estimates->setRowCount(0);
  point_rows_->Reset(0);
  image_rows_->Reset(0);
  shift_rows_->Reset(0);
  ShiftNotes->clear();
  step_rows_->Reset(0);
  Warning->setVisible(false);
  Notes->setText(QCoreApplication::translate("zirt::DiagnosticsWindow", "Устарело — нажмите Счёт"));
  Notes->setVisible(true);
  EnableCommands();
}

void DiagnosticsWindow::ShowData(DiagnosticsData data) {
  stale_ = false;
  Overview->SetData(nullptr);
  data_ = std::move(data);
  FillEstimates();
  point_rows_->Reset(static_cast<int>(data_.result.points.size()));
  image_rows_->Reset(static_cast<int>(data_.result.images.size()));
  shift_rows_->Reset(static_cast<int>(data_.sequence.images.size()));
  ShiftNotes->setText(ShiftSummary(data_));
  step_rows_->Reset(static_cast<int>(data_.steps.size()));
  Points->resizeColumnsToContents();
  Images->resizeColumnsToContents();
  Shifts->resizeColumnsToContents();
  Steps->resizeColumnsToContents();
  Overview->SetData(&data_);
  EnableCommands();
}

void DiagnosticsWindow::FillEstimates() {
  const std::vector<QStringList> rows = EstimateRows(data_);
  Estimates->setRowCount(static_cast<int>(rows.size()));
  for (int r = 0; r < static_cast<int>(rows.size()); ++r)
    for (int c = 0; c < kEstimateColumns; ++c)
      Estimates->setItem(r, c, new QTableWidgetItem(rows[static_cast<std::size_t>(r)].value(c)));
  Estimates->resizeColumnsToContents();
  Estimates->resizeRowsToContents();
  // The whole table in view: it is short, and its figures are the point of the window.
  const int frame = 2 * Estimates->frameWidth();
  Estimates->setFixedHeight(Estimates->horizontalHeader()->height() +
                            Estimates->verticalHeader()->length() + frame);
  Estimates->setMinimumWidth(Estimates->horizontalHeader()->length() + frame);
  const QString notes = EstimateNotes(data_);
  Notes->setText(notes);
  Notes->setVisible(!notes.isEmpty());
  const QString warning = ConsistencyWarning(data_);
  Warning->setText(warning);
  Warning->setVisible(!warning.isEmpty());
  // Wrapped lines need their height at the narrowest the column gets, or the window's
  // smallest size would lay them over the table.
  const int narrowest = Estimates->minimumWidth();
  Notes->setMinimumHeight(std::max(0, Notes->heightForWidth(narrowest)));
  Advice->setMinimumHeight(std::max(0, Advice->heightForWidth(narrowest)));
  Warning->setMinimumHeight(std::max(0, Warning->heightForWidth(narrowest)));
}

void DiagnosticsWindow::ExportPicture() {
  if (stale_) return;
  FileDialogRequest dialog;
  dialog.filter = PictureFilter();
  dialog.default_extension = QStringLiteral("*.png");
  dialog.initial_folder = export_folder_;
  dialog.file_name = QStringLiteral("diagnostics.png");
  const std::optional<QString> picked = platform_.SaveFile(this, dialog);
  if (!picked) return;
  export_folder_ = QFileInfo(*picked).absolutePath();
  if (platform_.FileExists(*picked)) {
    MessageRequest question;
    question.text =
        QCoreApplication::translate("zirt::DiagnosticsWindow", "Перезаписать существующий файл?");
    question.caption = QCoreApplication::translate("zirt::DiagnosticsWindow", "Предупреждение");
    question.buttons = Buttons::kYesNo;
    question.informative = QFileInfo(*picked).absoluteFilePath();
    if (platform_.ShowMessage(this, question) != Answer::kYes) return;
  }
  if (WritePicture(*picked)) return;
  MessageRequest request;
  request.text =
      QCoreApplication::translate("zirt::DiagnosticsWindow", "Не удалось записать рисунок!");
  request.caption = QCoreApplication::translate("zirt::DiagnosticsWindow", "Ошибка!");
  request.icon = Icon::kError;
  request.informative = QFileInfo(*picked).absoluteFilePath();
  platform_.ShowMessage(this, request);
}

bool DiagnosticsWindow::WritePicture(const QString& path) const {
  // Written whole beside the target and renamed over it only once complete.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  // A window never shown has no size yet; such a picture takes the window's design size.
  const QSize size = Overview->size().isEmpty() ? QSize(kWidth / 2, kHeight) : Overview->size();
  if (path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive)) {
    QSvgGenerator svg;
    svg.setOutputDevice(&file);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(QCoreApplication::translate("zirt::DiagnosticsWindow", "Диагностика"));
    QPainter painter;
    if (!painter.begin(&svg)) return false;
    Overview->Render(painter, size);
    if (!painter.end()) return false;
  } else {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    Overview->Render(painter, size);
    painter.end();
    // Any raster format Qt writes goes by its extension; anything else is PNG.
    QByteArray format = QFileInfo(path).suffix().toLower().toLatin1();
    if (!QImageWriter::supportedImageFormats().contains(format)) format = "png";
    if (!image.save(&file, format.constData())) return false;
  }
  return file.commit();
}

}  // namespace zirt
