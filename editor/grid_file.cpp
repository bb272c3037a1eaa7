#include "editor/grid_file.h"

#include <string_view>

#include "data/coordinate_file.h"
#include "data/exceptions.h"
#include "data/number_format.h"
#include "data/number_parse.h"

namespace zirt {
namespace {

constexpr int kCaptionRowHeight = 20;
constexpr int kFixedLineRowHeight = 24;

// Captions of the value columns of coordinate and list grids, from column 1 on.
std::vector<const char*> ColumnCaptions(Layout layout) {
  switch (layout) {
    case Layout::kSceneCoordinates:
      return {"x", "y", "z"};
    case Layout::kImageCoordinates:
      return {"x", "y"};
    case Layout::kList:
      return {"Номер"};
    default:
      return {};
  }
}

bool HasFixedLines(Layout layout) {
  return layout == Layout::kCamera || layout == Layout::kOrientation;
}

// The text before the first ';' (empty without one) and the text after it (the whole line
// without one), so that a line without ';' fails on its empty first field.
struct Split {
  std::string_view first;
  std::string_view rest;
};

Split SplitAtSemicolon(std::string_view line) {
  const auto semicolon = line.find(';');
  if (semicolon == std::string_view::npos) return {std::string_view(), line};
  return {line.substr(0, semicolon), line.substr(semicolon + 1)};
}

// The values of one coordinate or list line, re-formatted as the file would be written.
std::vector<std::string> RecordValues(Layout layout, std::string_view line) {
  switch (layout) {
    case Layout::kSceneCoordinates: {
      const Split xy = SplitAtSemicolon(line);
      const Split yz = SplitAtSemicolon(xy.rest);
      const double x = ParseReal(xy.first);
      const double y = ParseReal(yz.first);
      const double z = ParseReal(yz.rest);
      return {FormatGeneral(x), FormatGeneral(y), FormatGeneral(z)};
    }
    case Layout::kImageCoordinates: {
      if (IsNotSeenLine(line)) return {"-", "-"};
      const Split xy = SplitAtSemicolon(line);
      const double x = ParseReal(xy.first);
      const double y = ParseReal(xy.rest);
      return {FormatGeneral(x), FormatGeneral(y)};
    }
    default:
      return {FormatInteger(ParseInteger(line))};
  }
}

std::string RowRejection(Layout layout, int row) {
  const std::string n = FormatGeneral(row);
  switch (layout) {
    case Layout::kSceneCoordinates:
      return "Ошибка в " + n + "-й строке координат точек сцены!";
    case Layout::kImageCoordinates:
      return "Ошибка в " + n + "-й строке координат изображения!";
    default:
      return "Ошибка в " + n + "-й строке!";
  }
}

std::string FixedLinesRejection(Layout layout) {
  return layout == Layout::kCamera ? "Ошибка в калибровочных данных!"
                                   : "Ошибка в параметрах внешней геометрии!";
}

BuiltLines RecordLines(Layout layout, const Grid& grid) {
  BuiltLines built;
  const int columns = static_cast<int>(ColumnCaptions(layout).size());
  for (int row = 1; row < grid.RowCount(); ++row) {
    // The whole row is converted before its line is added.
    std::string line;
    if (layout == Layout::kImageCoordinates &&
        IsNotSeenLine(grid.Cell(1, row) + ";" + grid.Cell(2, row))) {
      built.lines.push_back(kNotSeenLine);
      continue;
    }
    try {
      for (int c = 1; c <= columns; ++c) {
        const std::string& cell = grid.Cell(c, row);
        const std::string value = layout == Layout::kList ? FormatInteger(ParseInteger(cell))
                                                          : FormatGeneral(ParseReal(cell));
        if (c > 1) line += " ; ";
        line += value;
      }
    } catch (const EConvertError&) {
      return {false, {}, RowRejection(layout, row)};
    }
    built.lines.push_back(std::move(line));
  }
  built.accepted = true;
  return built;
}

BuiltLines FixedLines(DataKind kind, const Grid& grid) {
  const LayoutInfo& info = InfoOf(kind);
  BuiltLines built;
  const int count = static_cast<int>(info.fixed_lines.size());
  for (int row = 0; row < count; ++row) {
    const std::string& cell = grid.Cell(1, row);
    std::string value;
    if (info.layout == Layout::kCamera && row == kCorrectionTableLine) {
      value = cell;  // Free text, never checked.
    } else {
      try {
        value = CheckCell(cell);
      } catch (const EConvertError&) {
        return {false, {}, FixedLinesRejection(info.layout)};
      }
    }
    built.lines.push_back(value + info.fixed_lines[static_cast<std::size_t>(row)].comment);
  }
  built.accepted = true;
  return built;
}

}  // namespace

GridSetup SetupOf(DataKind kind) {
  switch (LayoutOf(kind)) {
    case Layout::kSceneCoordinates:
      return {400, 500, {50, 100, 100, 100}, 1, kCaptionRowHeight, true};
    case Layout::kImageCoordinates:
      return {300, 500, {50, 100, 100}, 1, kCaptionRowHeight, true};
    case Layout::kList:
      return {200, 500, {50, 50}, 1, kCaptionRowHeight, true};
    case Layout::kCamera:
      return {520, 290, {290, 200}, 0, kFixedLineRowHeight, false};
    case Layout::kOrientation:
      return {410, 500, {260, 110}, 0, kFixedLineRowHeight, false};
  }
  throw Exception("Unknown data kind " + std::to_string(kind));
}

std::string WindowCaption(DataKind kind, const std::string& file_name) {
  const std::string short_name = file_name.empty() ? "Untitled" : ShortName(file_name);
  return short_name + InfoOf(kind).window_caption;
}

Grid EmptyGrid(DataKind kind) {
  const LayoutInfo& info = InfoOf(kind);
  const GridSetup setup = SetupOf(kind);
  const int columns = static_cast<int>(setup.column_widths.size());
  if (HasFixedLines(info.layout)) {
    const int rows = static_cast<int>(info.fixed_lines.size());
    Grid grid(columns, rows);
    grid.SetFixedColumns(1);
    for (int row = 0; row < rows; ++row)
      grid.SetCell(0, row, info.fixed_lines[static_cast<std::size_t>(row)].caption);
    return grid;
  }
  Grid grid(columns, 2);
  grid.SetFixedColumns(1);
  grid.SetFixedRows(setup.fixed_rows);
  const std::vector<const char*> captions = ColumnCaptions(info.layout);
  for (std::size_t c = 0; c < captions.size(); ++c)
    grid.SetCell(static_cast<int>(c) + 1, 0, captions[c]);
  grid.SetCell(0, 1, FormatInteger(1));
  return grid;
}

Grid LoadGrid(DataKind kind, const std::string& file_name) {
  if (file_name.empty()) return EmptyGrid(kind);
  return GridFromLines(kind, ReadLines(file_name), file_name);
}

Grid GridFromLines(DataKind kind, const TextLines& lines, const std::string& file_name) {
  Grid grid = EmptyGrid(kind);
  const LayoutInfo& info = InfoOf(kind);

  if (HasFixedLines(info.layout)) {
    const std::size_t count = info.fixed_lines.size();
    if (lines.size() < count)
      throw Exception("'" + file_name + "' has " + std::to_string(lines.size()) + " lines, " +
                      std::to_string(count) + " needed");
    for (std::size_t i = 0; i < count; ++i)
      grid.SetCell(1, static_cast<int>(i), FixedValueOf(lines[i]));
    return grid;
  }

  grid.SetRowCount(static_cast<int>(lines.size()) + 1);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int row = static_cast<int>(i) + 1;
    const std::vector<std::string> values = RecordValues(info.layout, lines[i]);
    grid.SetCell(0, row, FormatInteger(row));
    for (std::size_t c = 0; c < values.size(); ++c)
      grid.SetCell(static_cast<int>(c) + 1, row, values[c]);
  }
  return grid;
}

std::string FixedValueOf(const std::string& line) {
  std::string value = FixedLineValue(line);
  if (!value.empty() && value.back() == ' ') value.pop_back();
  return value;
}

std::string CheckCell(const std::string& text) {
  if (text.empty() || text == " ") return std::string();
  return FormatGeneral(ParseReal(text));
}

namespace {

// "3-й строке" for a data row: the number in column 0 under a caption row, else the line's.
std::string RowName(const Grid& grid, int row) {
  if (grid.FixedRows() > 0) return grid.Cell(0, row) + "-й строке";
  return std::to_string(row + 1) + "-й строке («" + grid.Cell(0, row) + "»)";
}

}  // namespace

std::string RowOutsideCodePage(const Grid& grid) {
  for (int row = grid.FixedRows(); row < grid.RowCount(); ++row)
    for (int column = grid.FixedColumns(); column < grid.ColumnCount(); ++column) {
      const std::string& cell = grid.Cell(column, row);
      if (DecodeText(EncodeLines({cell})) != cell + "\r\n") return RowName(grid, row);
    }
  return {};
}

BuiltLines BuildLines(DataKind kind, const Grid& grid) {
  for (int row = grid.FixedRows(); row < grid.RowCount(); ++row)
    for (int column = grid.FixedColumns(); column < grid.ColumnCount(); ++column)
      if (grid.Cell(column, row).find(';') != std::string::npos) {
        BuiltLines refused;
        refused.rejection = "Знак «;» в " + RowName(grid, row) +
                            " недопустим: он отделяет значение от комментария. Уберите его.";
        return refused;
      }
  const Layout layout = LayoutOf(kind);
  return HasFixedLines(layout) ? FixedLines(kind, grid) : RecordLines(layout, grid);
}

}  // namespace zirt
