// The editor's data files as grids: how each data kind lays out its grid and window, how a
// file fills the grid, and how the grid turns back into the file's lines.
#pragma once

#include <string>
#include <vector>

#include "data/file_layouts.h"
#include "data/text_file.h"
#include "editor/grid.h"

namespace zirt {

// The window and grid of a data kind. Sizes are design pixels at 120 pixels per inch.
struct GridSetup {
  int window_width = 0;
  int window_height = 0;
  std::vector<int> column_widths;  // One per column.
  int fixed_rows = 0;              // 1: row 0 holds column captions; 0: every row holds data.
  int row_height = 0;
  bool row_commands = false;  // Insert, append, delete and clear make sense for this kind.
};

// Raises Exception for a kind outside 1 .. 10.
GridSetup SetupOf(DataKind kind);

// The short name of the file ("Untitled" for none) followed by the kind's caption text.
std::string WindowCaption(DataKind kind, const std::string& file_name);

// The grid of a new file: the captions and one empty numbered row, or the camera or
// orientation rows with empty values.
Grid EmptyGrid(DataKind kind);

// The grid of the file, or EmptyGrid for an empty name. Raises Exception (EFileError,
// EConvertError or a short file) when the file cannot be read as that kind.
Grid LoadGrid(DataKind kind, const std::string& file_name);

// The grid of a file's lines; `file_name` names the file in errors.
Grid GridFromLines(DataKind kind, const TextLines& lines, const std::string& file_name);

// A camera or orientation value as the file has it before its ';'. Writers put one blank
// between value and ';'; it is not part of the value, or every load and save would add one.
std::string FixedValueOf(const std::string& line);

// A camera or orientation value as it is written: empty for nothing or one blank, else the
// number re-formatted. Raises EConvertError for anything else.
std::string CheckCell(const std::string& text);

// The lines of the file, or the kind's message naming the first rejected value.
struct BuiltLines {
  bool accepted = false;
  TextLines lines;
  std::string rejection;  // Empty when accepted.
};

// A ';' in a value cell is refused before anything else, naming its row: the file's reader
// would end the value there and take the rest for the comment.
BuiltLines BuildLines(DataKind kind, const Grid& grid);

// The first row (as its message names it, "3-й строке") with a value cell holding a letter
// that Windows-1251 lacks and that would be written as '?'; empty when there is none.
std::string RowOutsideCodePage(const Grid& grid);

}  // namespace zirt
