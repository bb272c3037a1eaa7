#include "data/coordinate_file.h"

#include <limits>

#include "data/coordinate_parse.h"
#include "data/load_hints.h"
#include "data/number_format.h"
#include "data/number_parse.h"
#include "data/text_file.h"

namespace zirt {

std::string FormatCoordinateLine(double x, double y) {
  if (NotSeen(x, y)) return kNotSeenLine;
  return FormatGeneral(x) + " ; " + FormatGeneral(y);
}

bool IsNotSeenLine(std::string_view line) {
  const auto dash_alone = [](std::string_view field) {
    const std::size_t first = field.find_first_not_of(' ');
    return first != std::string_view::npos && field[first] == '-' &&
           field.find_first_not_of(' ', first + 1) == std::string_view::npos;
  };
  const std::size_t semicolon = line.find(';');
  return semicolon != std::string_view::npos && dash_alone(line.substr(0, semicolon)) &&
         dash_alone(line.substr(semicolon + 1));
}

ECoordinateFileError::ECoordinateFileError(std::string file, int line, std::string cause)
    : Exception(line > 0 ? file + ", строка " + std::to_string(line) + ": " + cause
                         : file + ": " + cause),
      file_(std::move(file)),
      line_(line),
      cause_(std::move(cause)) {}

VT_Point ParseCoordinateLine(std::string_view line) {
  // A short line is searched in place: a library call per line costs more than the search.
  std::size_t semicolon = 0;
  while (semicolon < line.size() && line[semicolon] != ';') ++semicolon;
  // Without a ';' the x text is empty and refused; a second ';' stays in the y text.
  const bool found = semicolon < line.size();
  const std::string_view x = found ? line.substr(0, semicolon) : std::string_view();
  const std::string_view y = found ? line.substr(semicolon + 1) : line;
  if (IsNotSeenLine(line)) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return VT_Point(nan, nan);
  }
  const double px = ParseReal(x);
  const double py = ParseReal(y);
  return VT_Point(px, py);
}

std::unique_ptr<VT_Points> ParseCoordinateText(const std::string& text, const std::string& name) {
  // Room for one point per LF, so a set takes exactly its storage; files ending lines with
  // a lone CR grow as they go.
  std::size_t count = 0;
  for (const char c : text) count += c == '\n';
  // A point set counts its points in an int.
  if (count >= static_cast<std::size_t>(std::numeric_limits<int>::max()))
    throw ECoordinateFileError(name, 0, "too many lines");
  auto set = std::make_unique<VT_Points>(1);
  set->Reserve(static_cast<int>(count + 1));
  try {
    ScanCoordinates(text.data(), text.size(), name,
                    [&](double x, double y) { set->Add(new VT_Point(x, y)); });
  } catch (ECoordinateFileError& error) {
    // A zero byte is damage, not a setting the user could change.
    if (error.Cause() != kNulByteCause)
      error.SetHints(LoadFaultHints(text, error.Line(), DecimalSeparator()));
    throw;
  }
  return set;
}

std::vector<std::unique_ptr<VT_Points>> LoadCoordinateFiles(const std::vector<std::string>& paths) {
  std::vector<std::unique_ptr<VT_Points>> sets;
  sets.reserve(paths.size());
  for (const std::string& path : paths) {
    const std::string name = ShortName(path);
    std::string text;
    try {
      text = ReadTextFile(path);
    } catch (const EFileError& e) {
      throw ECoordinateFileError(name, 0, e.Described());
    }
    sets.push_back(ParseCoordinateText(text, name));
  }
  return sets;
}

}  // namespace zirt
