#include "editor/grid.h"

#include <algorithm>
#include <stdexcept>

#include "data/number_format.h"

namespace zirt {
namespace {

const std::string kEmpty;

// Coordinate grids keep at most three values per row after the number column.
constexpr int kLastDataColumn = 3;

int LastDataColumn(const Grid& grid) {
  return std::min(kLastDataColumn, grid.ColumnCount() - 1);
}

void CopyDataCells(Grid& grid, int from_row, int to_row) {
  for (int c = 1; c <= LastDataColumn(grid); ++c) grid.SetCell(c, to_row, grid.Cell(c, from_row));
}

void EmptyDataCells(Grid& grid, int row) {
  for (int c = 1; c <= LastDataColumn(grid); ++c) grid.SetCell(c, row, std::string());
}

}  // namespace

Grid::Grid(int columns, int rows) {
  SetColumnCount(columns);
  SetRowCount(rows);
}

const std::string& Grid::Cell(int column, int row) const {
  if (row < 0 || row >= RowCount() || column < 0 || column >= columns_) return kEmpty;
  return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void Grid::SetCell(int column, int row, std::string text) {
  if (row < 0 || row >= RowCount() || column < 0 || column >= columns_)
    throw std::out_of_range("grid cell outside the grid");
  rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = std::move(text);
}

void Grid::SetRowCount(int rows) {
  rows = std::max(1, rows);
  rows_.resize(static_cast<std::size_t>(rows), std::vector<std::string>(columns_));
  fixed_rows_ = std::min(fixed_rows_, rows - 1);
}

void Grid::SetColumnCount(int columns) {
  columns_ = std::max(1, columns);
  for (auto& row : rows_) row.resize(static_cast<std::size_t>(columns_));
  fixed_columns_ = std::min(fixed_columns_, columns_ - 1);
}

void Grid::SetFixedRows(int rows) {
  fixed_rows_ = std::clamp(rows, 0, RowCount() - 1);
}

void Grid::SetFixedColumns(int columns) {
  fixed_columns_ = std::clamp(columns, 0, columns_ - 1);
}

void InsertRow(Grid& grid, int current) {
  const int last = grid.RowCount();
  grid.SetRowCount(last + 1);
  for (int r = last; r > current; --r) {
    CopyDataCells(grid, r - 1, r);
    grid.SetCell(0, r, FormatInteger(r));
  }
  EmptyDataCells(grid, current);
}

void AppendRow(Grid& grid) {
  const int last = grid.RowCount();
  grid.SetRowCount(last + 1);
  grid.SetCell(0, last, FormatInteger(last));
  EmptyDataCells(grid, last);
}

void DeleteRow(Grid& grid, int current) {
  const int rows = grid.RowCount();
  if (rows <= 2) {
    if (rows == 2) EmptyDataCells(grid, 1);
    return;
  }
  // The row past the end reads as empty, so the last row is emptied before it goes.
  for (int i = current; i < rows; ++i) CopyDataCells(grid, i + 1, i);
  grid.SetRowCount(rows - 1);
}

void ClearRows(Grid& grid) {
  grid.SetRowCount(2);
  EmptyDataCells(grid, 1);
  // A grid loaded from an empty file had lost row 1 and its number with it.
  grid.SetCell(0, 1, FormatInteger(1));
}

}  // namespace zirt
