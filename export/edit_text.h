// What the format writers share: numbers found in place with their byte spans, replacements
// that keep every other byte, numbers written in the style of the one they replace, and the
// comment line that tells which point was written.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/calibration_export.h"

namespace zirt::exporting {

// A piece of the file, [begin, end) in bytes.
struct Span {
  std::size_t begin = 0;
  std::size_t end = 0;
  std::string_view In(std::string_view text) const { return text.substr(begin, end - begin); }
};

// Replacements and insertions collected first and applied in one pass, so spans found in the
// original stay valid.
class Edits {
 public:
  void Replace(Span span, std::string text) { edits_.push_back({span, std::move(text)}); }
  void Insert(std::size_t at, std::string text) { edits_.push_back({{at, at}, std::move(text)}); }
  std::string Apply(std::string_view original) const;

 private:
  struct Edit {
    Span span;
    std::string text;
  };
  std::vector<Edit> edits_;
};

// The number text, or ERefusedCalibration naming `what` when it is not one.
double NumberAt(std::string_view text, const std::string& what);

// `value` written as `sample` is: scientific stays scientific with as many mantissa digits,
// fixed keeps at least its decimals; never fewer than 15 significant digits.
std::string FormatLike(double value, std::string_view sample);

// A line of the file: where its text starts and ends, and its line break.
struct Line {
  std::size_t begin = 0;
  std::size_t end = 0;   // before the line break
  std::size_t next = 0;  // after it
  std::size_t indent = 0;
};
std::vector<Line> SplitLines(std::string_view text);
// The line break the file uses after `line` (LF when it has none, at the end of the file).
std::string_view BreakOf(std::string_view text, const Line& line);

// The comment text: which point, its value and σ, and `extra` (such as the half pixel).
std::string CommentText(const ExportedPoint& point, const std::string& extra = {});

// Puts a comment line "<indent><open> text<close>" before `line`; a comment of ours there
// from an earlier export is replaced instead.
void CommentBefore(Edits& edits, std::string_view text, const std::vector<Line>& lines,
                   std::size_t line, std::string_view open, const std::string& body,
                   std::string_view close = {});

[[noreturn]] void Refuse(const std::string& reason);

}  // namespace zirt::exporting
