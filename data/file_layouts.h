// The layouts of the tool set's five data files, in one place for the main window and the
// editor: data kinds, fields, the fixed comments and row captions, dialog filters.
#pragma once

#include <string>
#include <vector>

namespace zirt {

// The five file layouts.
enum class Layout { kSceneCoordinates, kImageCoordinates, kList, kCamera, kOrientation };

// The number 1 to 10 that tells the editor a file's layout; pairs behave identically.
using DataKind = int;
inline constexpr DataKind kCameraKind = 5;

// The layout of a data kind; raises Exception for a kind outside 1 .. 10.
Layout LayoutOf(DataKind kind);

// One line of a camera or orientation file: the comment written after the value (it begins
// with " ; ") and the row caption shown in the editor.
struct FixedLine {
  const char* comment;
  const char* caption;
};

// What the editor and the writers need to know about a layout.
struct LayoutInfo {
  Layout layout;
  const char* window_caption;  // Follows the short file name; begins with a blank.
  const char* filter;          // "Description|*.ext|All Files|*.*".
  const char* default_extension;
  std::vector<FixedLine> fixed_lines;  // Camera and orientation files only.
};

const LayoutInfo& InfoOf(DataKind kind);

// Camera files: the correction table is free text in line 3 (index 2); the principal point
// fills lines 7 and 8 (indexes 6 and 7).
inline constexpr int kCameraLines = 8;
inline constexpr int kCorrectionTableLine = 2;
inline constexpr int kPrincipalXLine = 6;
inline constexpr int kPrincipalYLine = 7;
inline constexpr int kOrientationLines = 21;

// The main window's own dialogs.
inline constexpr const char* kCoordinateOpenFilter = "Coordinate Files (*.crd)|*.crd";
inline constexpr const char* kCoordinateExtension = "*.crd";
inline constexpr const char* kCameraSaveFilter = "Camera Files|*.cam|All Files|*.*";
inline constexpr const char* kCameraExtension = "*.cam";

// The value of a camera or orientation line: the text before its first ';', blank included;
// empty without a ';'.
std::string FixedLineValue(const std::string& line);

}  // namespace zirt
