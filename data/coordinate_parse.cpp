#include "data/coordinate_parse.h"

#include <string_view>

namespace zirt::coordinate_scan {

const char* ScanLineFully(const char* line, const char* end, const std::string& name, int number,
                          double& x, double& y, bool& has_point) {
  const char* e = line;
  while (e < end && *e != '\r' && *e != '\n' && *e != '\0') ++e;
  const bool stops = e < end && *e == '\0';
  has_point = !(stops && e == line);
  if (has_point) {
    try {
      const VT_Point point = ParseCoordinateLine(std::string_view(line, e - line));
      x = point.X;
      y = point.Y;
    } catch (const Exception& error) {
      throw ECoordinateFileError(name, number, error.Message());
    }
  }
  if (stops) return nullptr;
  if (e == end) return end;
  return e + (e[0] == '\r' && e + 1 < end && e[1] == '\n' ? 2 : 1);
}

}  // namespace zirt::coordinate_scan
