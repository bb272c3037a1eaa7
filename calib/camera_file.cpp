#include "calib/camera_file.h"

#include <cctype>

#include "data/file_layouts.h"
#include "data/number_format.h"

namespace zirt {

TextLines BlankCameraTemplate() {
  const auto& fixed = InfoOf(kCameraKind).fixed_lines;
  TextLines lines;
  for (int i = 0; i < kPrincipalXLine; ++i)
    lines.emplace_back(fixed[static_cast<std::size_t>(i)].comment);
  lines.emplace_back();
  lines.emplace_back();
  return lines;
}

void PutPrincipalPoint(TextLines& lines, double x, double y) {
  if (lines.size() < kCameraLines)
    throw Exception("List index out of bounds (" + std::to_string(lines.size()) + ")");
  const auto& fixed = InfoOf(kCameraKind).fixed_lines;
  lines[kPrincipalXLine] = FormatFixed4(x) + fixed[kPrincipalXLine].comment;
  lines[kPrincipalYLine] = FormatFixed4(y) + fixed[kPrincipalYLine].comment;
}

std::string CameraOutputName(std::string_view picked) {
  const auto slash = picked.find_last_of("\\/");
  const std::size_t name_start = slash == std::string_view::npos ? 0 : slash + 1;
  std::string_view stem = picked;
  constexpr std::string_view kEnding = ".cam";
  if (picked.size() - name_start >= kEnding.size()) {
    const std::string_view tail = picked.substr(picked.size() - kEnding.size());
    bool same = true;
    for (std::size_t i = 0; i < kEnding.size(); ++i)
      same = same && std::tolower(static_cast<unsigned char>(tail[i])) == kEnding[i];
    if (same) stem = picked.substr(0, picked.size() - kEnding.size());
  }
  return std::string(stem) + "P.cam";
}

TextLines CameraFileLines(const std::string& picked, bool picked_exists, double x, double y) {
  TextLines lines = picked_exists ? ReadLines(picked) : BlankCameraTemplate();
  PutPrincipalPoint(lines, x, y);
  return lines;
}

}  // namespace zirt
