// Reading image coordinate files into point sets: one point per line, "x ; y".
#pragma once

#include <QtGlobal>
#include <cmath>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "data/data_structures.h"

namespace zirt {

// The cause given for a coordinate file line that holds a zero byte; the windows show it in
// their language (context "LoadHints").
inline constexpr const char* kNulByteCause =
    QT_TRANSLATE_NOOP("LoadHints", "В файле нулевой байт: файл повреждён.");

// A coordinate file that could not be read or holds a bad line. Line is 1-based, 0 when the
// file itself could not be read.
class ECoordinateFileError : public Exception {
 public:
  ECoordinateFileError(std::string file, int line, std::string cause);
  const std::string& File() const { return file_; }
  int Line() const { return line_; }
  const std::string& Cause() const { return cause_; }
  // What to do about the refused line (LoadFaultHints), found while the text was at hand.
  const std::vector<std::string>& Hints() const { return hints_; }
  void SetHints(std::vector<std::string> hints) { hints_ = std::move(hints); }

 private:
  std::string file_;
  int line_;
  std::string cause_;
  std::vector<std::string> hints_;
};

// A reference point not seen in an image: this tool's own extension of the file layout, so that
// a track can live in part of a sequence. In memory both coordinates are a quiet NaN (a parsed
// number never is one); in a file it is this line.
inline constexpr const char* kNotSeenLine = "- ; -";

// Whether the point is one not seen in its image.
inline bool NotSeen(double x, double y) {
  return std::isnan(x) && std::isnan(y);
}
inline bool NotSeen(const VT_Point& p) {
  return NotSeen(p.X, p.Y);
}

// Whether the line is the not-seen line: each of its two fields, blanks around it removed, a
// single '-'. An empty line, "-;5" or "--;-" is not: those stay refused as bad numbers.
bool IsNotSeenLine(std::string_view line);

// A point as the editor and zirt-measure write it into a coordinate file: "x ; y", each in
// FormatGeneral, or kNotSeenLine for a point not seen.
std::string FormatCoordinateLine(double x, double y);

// Splits a line at its first ';' into x and y; raises EConvertError for a bad field. The
// not-seen line gives a point of two NaNs.
VT_Point ParseCoordinateLine(std::string_view line);

// One point set from the text of a coordinate file. `name` is used in errors, which carry the
// hints for their line.
std::unique_ptr<VT_Points> ParseCoordinateText(const std::string& text, const std::string& name);

// One point set per file, in the order given, or ECoordinateFileError for the first failing
// file. Nothing is kept from a failed call.
std::vector<std::unique_ptr<VT_Points>> LoadCoordinateFiles(const std::vector<std::string>& paths);

}  // namespace zirt
