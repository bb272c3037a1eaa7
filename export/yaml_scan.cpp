#include "export/yaml_scan.h"

#include <charconv>

namespace zirt::exporting {
namespace {

bool Blank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

Span Trim(std::string_view text, Span s) {
  while (s.begin < s.end && Blank(text[s.begin])) ++s.begin;
  while (s.end > s.begin && Blank(text[s.end - 1])) --s.end;
  return s;
}

// The end of a line's content before a comment: "#" starts one after a blank or at the start.
std::size_t CommentStart(std::string_view text, std::size_t begin, std::size_t end) {
  for (std::size_t i = begin; i < end; ++i)
    if (text[i] == '#' && (i == begin || Blank(text[i - 1]))) return i;
  return end;
}

}  // namespace

YamlScan::YamlScan(std::string_view text) : text_(text), lines_(SplitLines(text)) {}

bool YamlScan::Content(std::size_t line) const {
  const Line& l = lines_[line];
  std::size_t i = l.begin;
  while (i < l.end && Blank(text_[i])) ++i;
  if (i == l.end || text_[i] == '#' || text_[i] == '%') return false;
  const std::string_view rest = text_.substr(i, l.end - i);
  return rest != "---" && rest != "...";
}

std::optional<std::size_t> YamlScan::Key(std::string_view name, std::size_t indent,
                                         std::size_t from, std::size_t to) const {
  for (std::size_t j = from; j < to && j < lines_.size(); ++j) {
    const Line& l = lines_[j];
    if (!Content(j) || l.indent != indent) continue;
    const std::string_view rest = text_.substr(l.begin + l.indent, l.end - l.begin - l.indent);
    if (rest.size() > name.size() && rest.substr(0, name.size()) == name &&
        rest[name.size()] == ':' &&
        (rest.size() == name.size() + 1 || Blank(rest[name.size() + 1])))
      return j;
  }
  return std::nullopt;
}

std::size_t YamlScan::BlockEnd(std::size_t line) const {
  const std::size_t indent = lines_[line].indent;
  std::size_t j = line + 1;
  for (; j < lines_.size(); ++j) {
    if (!Content(j)) continue;
    const Line& l = lines_[j];
    if (l.indent > indent) continue;
    // A block sequence may sit at its key's own indentation.
    if (l.indent == indent && text_.substr(l.begin + l.indent, 2) == "- ") continue;
    break;
  }
  return j;
}

std::optional<std::size_t> YamlScan::ChildIndent(std::size_t line) const {
  for (std::size_t j = line + 1; j < BlockEnd(line); ++j)
    if (Content(j)) return lines_[j].indent;
  return std::nullopt;
}

Span YamlScan::Value(std::size_t line) const {
  const Line& l = lines_[line];
  const std::size_t colon = text_.find(':', l.begin + l.indent);
  Span s{colon + 1, CommentStart(text_, colon + 1, l.end)};
  return Trim(text_, s);
}

std::vector<std::string> YamlScan::TopKeys() const {
  std::vector<std::string> keys;
  for (std::size_t j = 0; j < lines_.size(); ++j) {
    const Line& l = lines_[j];
    if (!Content(j) || l.indent != 0) continue;
    const std::string_view rest = text_.substr(l.begin, l.end - l.begin);
    const std::size_t colon = rest.find(':');
    if (colon != std::string_view::npos && colon > 0) keys.emplace_back(rest.substr(0, colon));
  }
  return keys;
}

std::optional<std::size_t> YamlScan::Child(std::size_t line, std::string_view name) const {
  const std::optional<std::size_t> indent = ChildIndent(line);
  if (!indent) return std::nullopt;
  return Key(name, *indent, line + 1, BlockEnd(line));
}

std::optional<long> YamlScan::ChildInteger(std::size_t line, std::string_view name) const {
  const std::optional<std::size_t> child = Child(line, name);
  if (!child) return std::nullopt;
  const std::string_view v = Value(*child).In(text_);
  long value = 0;
  const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (error != std::errc() || end != v.data() + v.size()) return std::nullopt;
  return value;
}

std::vector<Span> YamlScan::Sequence(std::size_t line, const std::string& what) const {
  std::vector<Span> items;
  const Span value = Value(line);
  if (value.begin < value.end && text_[value.begin] == '[') {
    std::size_t start = value.begin + 1;
    // Where the item's text ends when a comment follows it on its line.
    std::optional<std::size_t> cut;
    std::size_t after_comment = start;
    for (std::size_t i = start; i < text_.size(); ++i) {
      const char c = text_[i];
      if (c == '#' && Blank(text_[i - 1])) {  // a comment inside the brackets
        const Span before = Trim(text_, {start, i});
        const bool item_before = before.begin < before.end;
        if (item_before && !cut) cut = i;
        while (i < text_.size() && text_[i] != '\n' && text_[i] != '\r') ++i;
        if (!item_before) start = i;  // The item begins after the comment.
        after_comment = i;
        continue;
      }
      if (c == '[' || c == '{') Refuse(what + ": вложенная последовательность не ожидалась.");
      if (c == ',' || c == ']') {
        if (cut) {  // Nothing but blanks may follow the comment before the item ends.
          const Span rest = Trim(text_, {after_comment, i});
          if (rest.begin < rest.end) Refuse(what + ": ожидалась последовательность чисел.");
        }
        const Span item = Trim(text_, {start, cut ? *cut : i});
        cut.reset();
        if (item.begin < item.end) {
          items.push_back(item);
        } else if (c == ',') {
          Refuse(what + ": пустой элемент последовательности.");
        }
        if (c == ']') return items;
        start = i + 1;
      }
    }
    Refuse(what + ": последовательность не закрыта «]».");
  }
  if (value.begin < value.end) Refuse(what + ": ожидалась последовательность чисел.");
  for (std::size_t j = line + 1; j < BlockEnd(line); ++j) {
    if (!Content(j)) continue;
    const Line& l = lines_[j];
    const std::size_t at = l.begin + l.indent;
    if (text_.substr(at, 2) != "- ") Refuse(what + ": ожидалась последовательность чисел.");
    const Span item = Trim(text_, {at + 2, CommentStart(text_, at + 2, l.end)});
    if (item.begin < item.end && (text_[item.begin] == '[' || text_[item.begin] == '{'))
      Refuse(what + ": вложенная последовательность не ожидалась.");
    items.push_back(item);
  }
  return items;
}

}  // namespace zirt::exporting
