// The editor's grid on screen: a table model over zirt::Grid and the view that shows it with
// its fixed row and column as grey, unselectable cells.
#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <functional>

#include "editor/grid.h"

namespace zirt {

// Model rows and columns are the grid's own, so row 0 is the caption row wherever the grid
// has one. Fixed cells can be neither selected nor edited.
class GridModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  explicit GridModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

  const Grid& Cells() const { return grid_; }
  // A new grid: views forget their column widths, editors and selection.
  void Reset(Grid grid);
  // Changes rows and cells but not the columns.
  void Change(const std::function<void(Grid&)>& change);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // An in-place edit put a different text into a cell.
  void CellEdited(int column, int row);

 private:
  Grid grid_;
};

// A string grid: cells edited in place, one cell selected at a time, rows of one height,
// columns resized by dragging the line between them.
class StringGridView : public QTableView {
  Q_OBJECT

 public:
  explicit StringGridView(QWidget* parent = nullptr);

  // The selected cell as (column, row) of the grid; -1 when there is none.
  int Row() const;
  int Col() const;
  // Selects the cell, moved onto the nearest data cell inside the grid.
  void Select(int column, int row);

  // Puts the text of an open in-place editor into its cell and closes the editor, so that
  // commands see what the user typed.
  void CommitEdit();

  // Called with every editor the view opens, before the user can type into it.
  std::function<void(QWidget*)> on_editor_created;

  // Typing never jumps to another cell: there is no search by first letters.
  void keyboardSearch(const QString&) override {}

 protected:
  // A printable key starts editing the current cell with that character, as a spreadsheet
  // does, even just after a click on the selected cell.
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  // The column whose right edge is under x (viewport pixels), or -1.
  int SizingColumnAt(int x) const;

  int sizing_column_ = -1;
  int sizing_start_x_ = 0;
  int sizing_start_width_ = 0;
};

}  // namespace zirt
