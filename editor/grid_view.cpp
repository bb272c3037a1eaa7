#include "editor/grid_view.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <QStyledItemDelegate>
#include <algorithm>

namespace zirt {
namespace {

// Pixels either side of a column line where a press starts resizing the column.
constexpr int kSizingMargin = 3;
constexpr int kMinimumColumnWidth = 4;

// Lets the view watch every editor it opens: keys typed into an editor count as changes.
class WatchedEditorDelegate : public QStyledItemDelegate {
 public:
  explicit WatchedEditorDelegate(StringGridView* view) : QStyledItemDelegate(view), view_(view) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (editor && view_->on_editor_created) view_->on_editor_created(editor);
    return editor;
  }

 private:
  StringGridView* view_;
};

}  // namespace

void GridModel::Reset(Grid grid) {
  beginResetModel();
  grid_ = std::move(grid);
  endResetModel();
}

void GridModel::Change(const std::function<void(Grid&)>& change) {
  // Rows come and go as rows rather than as a reset, so that views keep their column
  // widths. The change runs on a copy because the view must hear of removals beforehand.
  Grid changed = grid_;
  change(changed);
  const int before = grid_.RowCount();
  const int after = changed.RowCount();
  if (after > before) {
    beginInsertRows(QModelIndex(), before, after - 1);
    grid_ = std::move(changed);
    endInsertRows();
  } else if (after < before) {
    beginRemoveRows(QModelIndex(), after, before - 1);
    grid_ = std::move(changed);
    endRemoveRows();
  } else {
    grid_ = std::move(changed);
  }
  emit dataChanged(index(0, 0), index(after - 1, grid_.ColumnCount() - 1));
}

int GridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.RowCount();
}

int GridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : grid_.ColumnCount();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return QString::fromStdString(grid_.Cell(index.column(), index.row()));
    case Qt::BackgroundRole:
      if (grid_.IsFixed(index.column(), index.row()))
        return QGuiApplication::palette().brush(QPalette::Button);
      return {};
    case Qt::ForegroundRole:
      // Fixed cells are disabled items, which would otherwise be drawn greyed out.
      if (grid_.IsFixed(index.column(), index.row()))
        return QGuiApplication::palette().brush(QPalette::Active, QPalette::ButtonText);
      return {};
    default:
      return {};
  }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || role != Qt::EditRole) return false;
  const int column = index.column();
  const int row = index.row();
  if (grid_.IsFixed(column, row)) return false;
  std::string text = value.toString().toStdString();
  if (text == grid_.Cell(column, row)) return true;
  grid_.SetCell(column, row, std::move(text));
  emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
  emit CellEdited(column, row);
  return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  // Disabled, so that neither the keyboard nor the mouse can put the cursor on them.
  if (grid_.IsFixed(index.column(), index.row())) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

StringGridView::StringGridView(QWidget* parent) : QTableView(parent) {
  setItemDelegate(new WatchedEditorDelegate(this));
  horizontalHeader()->hide();
  verticalHeader()->hide();
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setMinimumSectionSize(1);
  horizontalHeader()->setMinimumSectionSize(kMinimumColumnWidth);
  horizontalHeader()->setSectionsMovable(false);
  setCornerButtonEnabled(false);
  setShowGrid(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                  QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
  setTabKeyNavigation(true);
  setWordWrap(false);
  viewport()->setMouseTracking(true);
}

int StringGridView::Row() const {
  return currentIndex().isValid() ? currentIndex().row() : -1;
}

int StringGridView::Col() const {
  return currentIndex().isValid() ? currentIndex().column() : -1;
}

void StringGridView::Select(int column, int row) {
  const auto* grid_model = qobject_cast<const GridModel*>(model());
  if (!grid_model) return;
  const Grid& grid = grid_model->Cells();
  row = std::clamp(row, grid.FixedRows(), grid.RowCount() - 1);
  column = std::clamp(column, grid.FixedColumns(), grid.ColumnCount() - 1);
  setCurrentIndex(model()->index(row, column));
}

void StringGridView::CommitEdit() {
  if (state() != QAbstractItemView::EditingState) return;
  if (QWidget* editor = indexWidget(currentIndex())) {
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
  }
}

void StringGridView::keyPressEvent(QKeyEvent* event) {
  const QModelIndex index = currentIndex();
  const bool plain = (event->modifiers() &
                      (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == Qt::NoModifier;
  const QString text = event->text();
  if (state() != QAbstractItemView::EditingState && plain && !text.isEmpty() &&
      text.at(0).isPrint() && index.isValid() && (model()->flags(index) & Qt::ItemIsEditable)) {
    // A click on the selected cell leaves Qt waiting for a possible double click, and until
    // then it refuses the key's own edit; the double-click trigger opens the editor now.
    if (edit(index, QAbstractItemView::DoubleClicked, nullptr)) {
      if (QWidget* editor = indexWidget(index)) {
        QCoreApplication::sendEvent(editor, event);
        return;
      }
    }
  }
  QTableView::keyPressEvent(event);
}

int StringGridView::SizingColumnAt(int x) const {
  for (int c = 0; c < model()->columnCount(); ++c) {
    const int edge = columnViewportPosition(c) + columnWidth(c);
    if (std::abs(x - edge) <= kSizingMargin) return c;
  }
  return -1;
}

void StringGridView::mousePressEvent(QMouseEvent* event) {
  if (model() && event->button() == Qt::LeftButton) {
    const int x = event->position().toPoint().x();
    const int column = SizingColumnAt(x);
    if (column >= 0) {
      sizing_column_ = column;
      sizing_start_x_ = x;
      sizing_start_width_ = columnWidth(column);
      return;
    }
  }
  QTableView::mousePressEvent(event);
}

void StringGridView::mouseMoveEvent(QMouseEvent* event) {
  const int x = event->position().toPoint().x();
  if (sizing_column_ >= 0) {
    const int width = std::max(kMinimumColumnWidth, sizing_start_width_ + x - sizing_start_x_);
    horizontalHeader()->resizeSection(sizing_column_, width);
    return;
  }
  if (model() && event->buttons() == Qt::NoButton && SizingColumnAt(x) >= 0)
    viewport()->setCursor(Qt::SplitHCursor);
  else
    viewport()->unsetCursor();
  QTableView::mouseMoveEvent(event);
}

void StringGridView::mouseReleaseEvent(QMouseEvent* event) {
  if (sizing_column_ >= 0 && event->button() == Qt::LeftButton) {
    sizing_column_ = -1;
    return;
  }
  QTableView::mouseReleaseEvent(event);
}

}  // namespace zirt
