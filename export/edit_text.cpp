#include "export/edit_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace zirt::exporting {

constexpr std::string_view kOurMark = "ZIRT:";

std::string Edits::Apply(std::string_view original) const {
  std::vector<const Edit*> order;
  for (const Edit& e : edits_) order.push_back(&e);
  std::stable_sort(order.begin(), order.end(),
                   [](const Edit* a, const Edit* b) { return a->span.begin < b->span.begin; });
  std::string out;
  out.reserve(original.size() + 256);
  std::size_t at = 0;
  for (const Edit* e : order) {
    out.append(original.substr(at, e->span.begin - at));
    out.append(e->text);
    at = e->span.end;
  }
  out.append(original.substr(at));
  return out;
}

void Refuse(const std::string& reason) {
  throw ERefusedCalibration(reason);
}

double NumberAt(std::string_view text, const std::string& what) {
  double value = 0;
  std::string_view t = text;
  if (!t.empty() && t.front() == '+') t.remove_prefix(1);
  const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || error != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
    Refuse(what + ": «" + std::string(text.substr(0, 40)) + "» — не число.");
  return value;
}

namespace {

// Digits beyond a double's 17 say nothing; a source that has more keeps up to this many.
constexpr int kMostDecimals = 30;

std::string ToChars(double value, std::chars_format format, int precision) {
  // Room for a double's 309 whole digits and kMostDecimals decimals.
  char buffer[400];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, format,
                                    std::min(precision, kMostDecimals));
  if (result.ec != std::errc()) return ToChars(value, std::chars_format::general, 17);
  return std::string(buffer, result.ptr);
}

}  // namespace

std::string FormatLike(double value, std::string_view sample) {
  constexpr int kDigits = 15;
  const bool upper = sample.find('E') != std::string_view::npos;
  const std::size_t dot = sample.find('.');
  if (upper || sample.find('e') != std::string_view::npos) {
    const std::size_t e = sample.find_first_of("eE");
    const int decimals = dot != std::string_view::npos && dot < e ? int(e - dot - 1) : 0;
    std::string text =
        ToChars(value, std::chars_format::scientific, std::max(decimals, kDigits - 1));
    if (upper) std::replace(text.begin(), text.end(), 'e', 'E');
    return text;
  }
  const int decimals = dot == std::string_view::npos ? 0 : int(sample.size() - dot - 1);
  const double magnitude = std::fabs(value);
  const int whole = magnitude > 0 ? int(std::floor(std::log10(magnitude))) + 1 : 1;
  const int precision = std::clamp(std::max(decimals, kDigits - whole), 0, kMostDecimals);
  std::string text = ToChars(value, std::chars_format::fixed, precision);
  // Zeros beyond both the sample's decimals and the value's digits say nothing.
  const int keep = dot == std::string_view::npos ? 0 : std::max(decimals, 1);
  const std::size_t point = text.find('.');
  if (point != std::string::npos) {
    std::size_t end = text.size();
    while (end > point + 1 + std::size_t(keep) && text[end - 1] == '0') --end;
    if (end == point + 1) --end;  // no decimals kept: no point either
    text.resize(end);
  }
  return text;
}

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    Line l;
    l.begin = start;
    std::size_t end = start;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    l.end = end;
    if (end < text.size()) {
      end += text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1;
    }
    l.next = end;
    while (l.begin + l.indent < l.end && text[l.begin + l.indent] == ' ') ++l.indent;
    lines.push_back(l);
    start = end;
  }
  return lines;
}

std::string_view BreakOf(std::string_view text, const Line& line) {
  if (line.next > line.end) return text.substr(line.end, line.next - line.end);
  return "\n";
}

std::string CommentText(const ExportedPoint& point, const std::string& extra) {
  const auto num = [](double v) { return ToChars(v, std::chars_format::general, 15); };
  std::string text = std::string(kOurMark) + " principal point x0 = " + num(point.x) +
                     ", y0 = " + num(point.y) + " px (" + point.estimate + " estimate)";
  if (std::isfinite(point.sigma_x) && std::isfinite(point.sigma_y)) {
    text += ", sigma x0 = " + ToChars(point.sigma_x, std::chars_format::general, 3) +
            ", sigma y0 = " + ToChars(point.sigma_y, std::chars_format::general, 3) + " px";
  } else {
    text += ", sigma not known";
  }
  if (!point.sigma_note.empty()) text += " (" + point.sigma_note + ")";
  if (!extra.empty()) text += "; " + extra;
  return text;
}

void CommentBefore(Edits& edits, std::string_view text, const std::vector<Line>& lines,
                   std::size_t line, std::string_view open, const std::string& body,
                   std::string_view close) {
  const Line& at = lines[line];
  const std::string indent(at.indent, ' ');
  const std::string comment =
      indent + std::string(open) + " " + body + std::string(close) + std::string(BreakOf(text, at));
  if (line > 0) {
    const Line& before = lines[line - 1];
    const std::string_view content =
        text.substr(before.begin + before.indent, before.end - before.begin - before.indent);
    const std::string ours = std::string(open) + " " + std::string(kOurMark);
    if (content.substr(0, ours.size()) == ours) {
      edits.Replace({before.begin, before.next}, comment);
      return;
    }
  }
  edits.Insert(at.begin, comment);
}

}  // namespace zirt::exporting
