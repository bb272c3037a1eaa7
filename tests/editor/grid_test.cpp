// The grid and its row commands on small coordinate, scene and list grids.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "editor/grid.h"
#include "editor/grid_file.h"

namespace zirt {
namespace {

// One row as "number|value|value..." for compact comparisons.
std::string RowText(const Grid& grid, int row) {
  std::string text = grid.Cell(0, row);
  for (int c = 1; c < grid.ColumnCount(); ++c) text += "|" + grid.Cell(c, row);
  return text;
}

std::vector<std::string> Rows(const Grid& grid) {
  std::vector<std::string> rows;
  for (int r = 0; r < grid.RowCount(); ++r) rows.push_back(RowText(grid, r));
  return rows;
}

// An image coordinate grid with rows numbered 1..n holding "xi" and "yi".
Grid ImageGrid(int n) {
  Grid grid = EmptyGrid(2);
  grid.SetRowCount(n + 1);
  for (int r = 1; r <= n; ++r) {
    grid.SetCell(0, r, std::to_string(r));
    grid.SetCell(1, r, "x" + std::to_string(r));
    grid.SetCell(2, r, "y" + std::to_string(r));
  }
  return grid;
}

using Texts = std::vector<std::string>;

TEST(Grid, CellsOutsideReadEmptyAndRefuseWrites) {
  Grid grid(3, 2);
  EXPECT_EQ(grid.Cell(5, 0), "");
  EXPECT_EQ(grid.Cell(0, 2), "");
  EXPECT_EQ(grid.Cell(-1, 0), "");
  EXPECT_THROW(grid.SetCell(0, 2, "a"), std::out_of_range);
  EXPECT_THROW(grid.SetCell(3, 0, "a"), std::out_of_range);
}

TEST(Grid, FixedRowsStayFewerThanRows) {
  Grid grid = EmptyGrid(2);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_TRUE(grid.IsFixed(1, 0));
  EXPECT_TRUE(grid.IsFixed(0, 1));
  EXPECT_FALSE(grid.IsFixed(1, 1));
  grid.SetRowCount(1);
  EXPECT_EQ(grid.FixedRows(), 0);
  EXPECT_FALSE(grid.IsFixed(1, 0));
  // Growing again does not bring the caption row back.
  grid.SetRowCount(3);
  EXPECT_EQ(grid.FixedRows(), 0);
  grid.SetRowCount(0);
  EXPECT_EQ(grid.RowCount(), 1);
}

TEST(Grid, ShrinkingDropsTheCellsOfRemovedRows) {
  Grid grid = ImageGrid(3);
  grid.SetRowCount(2);
  grid.SetRowCount(4);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y", "1|x1|y1", "||", "||"}));
}

TEST(InsertRow, OnTheLastRowMovesItDown) {
  Grid grid = ImageGrid(3);
  InsertRow(grid, 3);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y", "1|x1|y1", "2|x2|y2", "3||", "4|x3|y3"}));
}

TEST(InsertRow, OnTheFirstRowMovesEveryRowDownAndRenumbers) {
  Grid grid = ImageGrid(3);
  InsertRow(grid, 1);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y", "1||", "2|x1|y1", "3|x2|y2", "4|x3|y3"}));
  EXPECT_EQ(grid.FixedRows(), 1);
}

TEST(InsertRow, MovesAllThreeSceneValues) {
  Grid grid = EmptyGrid(1);
  grid.SetCell(1, 1, "a");
  grid.SetCell(2, 1, "b");
  grid.SetCell(3, 1, "c");
  InsertRow(grid, 1);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y|z", "1|||", "2|a|b|c"}));
}

TEST(AppendRow, AddsANumberedEmptyRowAtTheEnd) {
  Grid grid = ImageGrid(2);
  AppendRow(grid);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y", "1|x1|y1", "2|x2|y2", "3||"}));

  Grid list = EmptyGrid(4);
  AppendRow(list);
  EXPECT_EQ(Rows(list), (Texts{"|Номер", "1|", "2|"}));
}

TEST(DeleteRow, OnTheLastRowRemovesIt) {
  Grid grid = ImageGrid(3);
  DeleteRow(grid, 3);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y", "1|x1|y1", "2|x2|y2"}));
}

TEST(DeleteRow, OnTheFirstRowMovesTheOthersUpKeepingNumbers) {
  Grid grid = ImageGrid(3);
  DeleteRow(grid, 1);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y", "1|x2|y2", "2|x3|y3"}));
}

TEST(DeleteRow, WithOneDataRowEmptiesIt) {
  Grid grid = ImageGrid(1);
  DeleteRow(grid, 1);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y", "1||"}));

  // A grid of only the caption row has nothing to delete.
  Grid caption_only = EmptyGrid(2);
  caption_only.SetRowCount(1);
  DeleteRow(caption_only, 0);
  EXPECT_EQ(Rows(caption_only), (Texts{"|x|y"}));
}

TEST(ClearRows, LeavesOneEmptyRowNumberedOne) {
  Grid grid = ImageGrid(50);
  ClearRows(grid);
  EXPECT_EQ(Rows(grid), (Texts{"|x|y", "1||"}));
  EXPECT_EQ(grid.FixedRows(), 1);

  Grid caption_only = EmptyGrid(1);
  caption_only.SetRowCount(1);
  ClearRows(caption_only);
  EXPECT_EQ(Rows(caption_only), (Texts{"|x|y|z", "1|||"}));
}

}  // namespace
}  // namespace zirt
