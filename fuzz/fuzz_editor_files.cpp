// The editor's loading of any bytes as any data kind, in memory: a coordinate or list file
// that loads saves again with every one of its lines, and a saved file loads back to the same
// grid.
#include "data/decimal_separator.h"
#include "data/file_layouts.h"
#include "editor/grid_file.h"
#include "fuzz/fuzz_input.h"

using namespace zirt;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const fuzz::Input input(data, size);
  SetDecimalSeparator(input.separator);
  const DataKind kind = size > 0 ? 1 + (data[0] >> 1) % 10 : 1;
  const TextLines file_lines = SplitLines(DecodeText(std::string(input.text)));
  Grid grid;
  try {
    grid = GridFromLines(kind, file_lines, "data.txt");
  } catch (const Exception&) {
    return 0;
  }
  const Layout layout = LayoutOf(kind);
  const bool fixed = layout == Layout::kCamera || layout == Layout::kOrientation;
  const BuiltLines built = BuildLines(kind, grid);
  if (!built.accepted) {
    // Only camera and orientation values are shown unchecked, so only they can be refused.
    if (!fixed) fuzz::Fail("a loaded grid was refused: " + built.rejection);
    return 0;
  }
  if (!fixed && built.lines.size() != file_lines.size()) fuzz::Fail("a line was lost");
  if (fixed && built.lines.size() != (layout == Layout::kCamera ? 8u : 21u))
    fuzz::Fail("a fixed file has the wrong number of lines");
  const TextLines saved = SplitLines(DecodeText(EncodeLines(built.lines)));
  const Grid again = GridFromLines(kind, saved, "saved.txt");
  const BuiltLines rebuilt = BuildLines(kind, again);
  if (!rebuilt.accepted || rebuilt.lines != built.lines)
    fuzz::Fail("a saved file does not save again the same");
  return 0;
}
