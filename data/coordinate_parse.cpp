#include "data/coordinate_parse.h"

#include <string_view>

namespace zirt::coordinate_scan {

const char* ScanLineFully(const char* line, const char* end, const std::string& name, int number,
                          double& x, double& y) {
  const char* e = line;
  while (e < end && *e != '\r' && *e != '\n' && *e != '\0') ++e;
  // A zero byte is no text: a crash of the file system leaves such runs, and the lines after
  // it would be lost without a word.
  if (e < end && *e == '\0') throw ECoordinateFileError(name, number, kNulByteCause);
  try {
    const VT_Point point = ParseCoordinateLine(std::string_view(line, e - line));
    x = point.X;
    y = point.Y;
  } catch (const Exception& error) {
    throw ECoordinateFileError(name, number, error.Message());
  }
  if (e == end) return end;
  return e + (e[0] == '\r' && e + 1 < end && e[1] == '\n' ? 2 : 1);
}

}  // namespace zirt::coordinate_scan
