// The editor's string grid without a window: cells addressed as (column, row), row 0 and
// column 0 possibly fixed, and the four row commands of the toolbar.
#pragma once

#include <string>
#include <vector>

namespace zirt {

class Grid {
 public:
  Grid() = default;
  Grid(int columns, int rows);

  int ColumnCount() const { return columns_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  int FixedRows() const { return fixed_rows_; }
  int FixedColumns() const { return fixed_columns_; }
  bool IsFixed(int column, int row) const { return column < fixed_columns_ || row < fixed_rows_; }

  // Outside the grid a cell reads as empty text.
  const std::string& Cell(int column, int row) const;
  // Raises std::out_of_range outside the grid.
  void SetCell(int column, int row, std::string text);

  // Rows cut off lose their cells; new rows are empty. A grid always keeps at least one
  // row, and its fixed rows are always fewer than its rows, so shrinking to one row also
  // frees the caption row for editing.
  void SetRowCount(int rows);
  void SetColumnCount(int columns);
  void SetFixedRows(int rows);
  void SetFixedColumns(int columns);

  friend bool operator==(const Grid&, const Grid&) = default;

 private:
  int columns_ = 0;
  int fixed_rows_ = 0;
  int fixed_columns_ = 0;
  std::vector<std::vector<std::string>> rows_;
};

// The row commands of coordinate and list grids: column 0 holds the row number, columns 1
// to 3 (as far as the grid has them) the data. `current` is the selected row.

// An empty row takes the place of the current one; the rows below move down and are
// renumbered. The current row's number cell is left as it was.
void InsertRow(Grid& grid, int current);

// A new last row, numbered and empty.
void AppendRow(Grid& grid);

// The rows below the current one move up; the last number goes with the last row. A grid
// with a single data row keeps it, emptied.
void DeleteRow(Grid& grid, int current);

// Back to one empty row numbered 1 under the caption row.
void ClearRows(Grid& grid);

}  // namespace zirt
