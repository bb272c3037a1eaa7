// Just enough of YAML's block style to find a mapping's keys and a sequence of numbers by
// their bytes, as OpenCV, ROS and Kalibr write them; the file is never re-emitted.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/edit_text.h"

namespace zirt::exporting {

class YamlScan {
 public:
  explicit YamlScan(std::string_view text);

  // The line index of key `name` at `indent` within lines [from, to); nullopt when absent.
  std::optional<std::size_t> Key(std::string_view name, std::size_t indent, std::size_t from,
                                 std::size_t to) const;
  // The lines below the key at `line` that belong to it: [line + 1, end).
  std::size_t BlockEnd(std::size_t line) const;
  // The indentation of the first content line of the block under `line`.
  std::optional<std::size_t> ChildIndent(std::size_t line) const;
  // What follows "key:" on the key's line, comment and blanks stripped.
  Span Value(std::size_t line) const;
  // The keys at indent 0.
  std::vector<std::string> TopKeys() const;
  // The elements of the sequence that is the value of the key at `line`: a flow sequence
  // "[a, b, ...]" (over several lines as well) or a block sequence of "- a" lines.
  std::vector<Span> Sequence(std::size_t line, const std::string& what) const;
  // The integer value of child key `name` of the block at `line`, or nullopt.
  std::optional<long> ChildInteger(std::size_t line, std::string_view name) const;
  std::optional<std::size_t> Child(std::size_t line, std::string_view name) const;

  std::string_view Text() const { return text_; }
  const std::vector<Line>& Lines() const { return lines_; }
  bool Content(std::size_t line) const;  // neither blank nor a comment

 private:
  std::string_view text_;
  std::vector<Line> lines_;
};

}  // namespace zirt::exporting
