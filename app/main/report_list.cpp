#include "app/main/report_list.h"

#include <QAction>
#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QScrollBar>
#include <QStyle>
#include <QStyledItemDelegate>

namespace zirt {
namespace {

// Every row of the report list has the design's fixed height, and all rows are as wide as
// the widest line. With uniform sizes the list asks only once, which keeps reports of
// hundreds of thousands of lines fast; measuring each row would not.
class ReportRowDelegate : public QStyledItemDelegate {
 public:
  ReportRowDelegate(int height, const int* width, QObject* parent)
      : QStyledItemDelegate(parent), height_(height), width_(width) {}
  QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
    return QSize(*width_, height_);
  }

 private:
  int height_;
  const int* width_;
};

// The result's block opens with this line; a step-by-step report has no other like it.
const QString kResultStart = QStringLiteral("x0(пикс.) = ");
// The result's block is a few lines from the end of the report.
constexpr int kResultSearchLines = 16;

// The result's lines as wide as they come for pictures up to 9999 pixels and errors under 10
// pixels, under either decimal separator. Wider ones scroll sideways.
QStringList ResultSamples() {
  QStringList samples;
  for (const QChar separator : {QLatin1Char('.'), QLatin1Char(',')}) {
    const QString point = QStringLiteral("0000") + separator + QStringLiteral("0000");
    const QString error = QStringLiteral("0") + separator + QStringLiteral("0000");
    samples << kResultStart + point << QStringLiteral("y0(пикс.) = ") + point
            << QStringLiteral("Средняя ошибка = ") + error << QStringLiteral("СКО = ") + error;
  }
  return samples;
}

}  // namespace

ReportList::ReportList(int row_height, QWidget* parent) : QListWidget(parent) {
  setUniformItemSizes(true);
  setItemDelegate(new ReportRowDelegate(row_height, &width_, this));
  // A tab stop, so that the report can be copied without a mouse.
  setFocusPolicy(Qt::StrongFocus);
  // The report is there to be taken elsewhere: Ctrl+C or the context menu copies it.
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  auto* copy = copy_ = new QAction(tr("Копировать"), this);
  copy->setShortcut(QKeySequence::Copy);
  copy->setShortcutContext(Qt::WidgetShortcut);
  addAction(copy);
  setContextMenuPolicy(Qt::ActionsContextMenu);
  connect(copy, &QAction::triggered, this, &ReportList::CopyLines);
  QPalette list_palette = palette();
  list_palette.setColor(QPalette::Base, list_palette.color(QPalette::Button));
  setPalette(list_palette);
}

void ReportList::ClearLines() {
  clear();
  width_ = 0;
  longest_ = -1;
}

void ReportList::AddLine(const QString& text) {
  // Only a line longer than any before can be much wider, so few lines are measured.
  if (text.size() > longest_) {
    longest_ = text.size();
    width_ = std::max(width_, fontMetrics().horizontalAdvance(text) + TextMargins());
  }
  addItem(text);
}

void ReportList::CopyLines() const {
  QStringList lines;
  const bool all = selectedItems().isEmpty();
  for (int i = 0; i < count(); ++i)
    if (all || item(i)->isSelected()) lines << item(i)->text();
  if (!lines.isEmpty()) QGuiApplication::clipboard()->setText(lines.join('\n') + '\n');
}

void ReportList::ScrollToResult() {
  int first = -1;
  for (int i = count() - 1; i >= std::max(0, count() - kResultSearchLines); --i)
    if (item(i)->text().startsWith(kResultStart)) first = i;
  if (first < 0) return;
  // Laid out now, the list knows whether its horizontal scroll bar shows and how much room
  // it leaves, so the last line is not left under it.
  doItemsLayout();
  updateGeometries();
  scrollToItem(item(count() - 1), QAbstractItemView::EnsureVisible);
  scrollToItem(item(first), QAbstractItemView::PositionAtTop);
}

int ReportList::ResultWidthShortfall() const {
  int needed = 0;
  for (const QString& line : ResultSamples())
    needed = std::max(needed, fontMetrics().horizontalAdvance(line));
  needed += TextMargins();
  // The viewport's width once a long report brings up the vertical scroll bar.
  int room = width() - 2 * frameWidth() - verticalScrollBar()->sizeHint().width();
  if (style()->styleHint(QStyle::SH_ScrollView_FrameOnlyAroundContents, nullptr, this))
    room -= style()->pixelMetric(QStyle::PM_ScrollView_ScrollBarSpacing, nullptr, this);
  return std::max(0, needed - room);
}

int ReportList::TextMargins() const {
  // The item view draws a row's text this far in from either side.
  return 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1);
}

void ReportList::changeEvent(QEvent* event) {
  QListWidget::changeEvent(event);
  if (event->type() == QEvent::LanguageChange && copy_ != nullptr) copy_->setText(tr("Копировать"));
}

}  // namespace zirt
