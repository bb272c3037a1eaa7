// OpenCV FileStorage, YAML and XML: elements (0,2) and (1,2) of the camera matrix, under the
// name OpenCV's calibration writes (camera_matrix) or its samples do (cameraMatrix).
#include <array>

#include "export/formats.h"

namespace zirt::exporting {
namespace {

constexpr std::array<std::string_view, 2> kNames = {"camera_matrix", "cameraMatrix"};

bool Tagged(const YamlScan& yaml, std::size_t line) {
  return yaml.Value(line).In(yaml.Text()).find("!!opencv-matrix") != std::string_view::npos;
}

// A matrix of integers would take the point rounded, and OpenCV would read it back so.
void CheckShape(const std::string& name, long rows, long cols, std::string_view dt) {
  if (rows != 3 || cols != 3)
    Refuse("Матрица " + name + " не 3 × 3 (rows: " + std::to_string(rows) +
           ", cols: " + std::to_string(cols) + ").");
  if (dt != "d" && dt != "f")
    Refuse("Матрица " + name + " хранит не дробные числа (dt: " + std::string(dt) +
           "); точка в неё не записывается.");
}

// The 3 × 3 camera matrix's items, row by row: x0 and y0 are the third and the sixth, written
// in the style of the numbers they replace.
void PutIntoMatrix(Edits& edits, std::string_view text, const std::vector<Span>& items,
                   const std::string& name, const ExportedPoint& point) {
  if (items.size() != 9)
    Refuse("В " + name + ".data " + std::to_string(items.size()) + " чисел вместо 9.");
  NumberAt(items[2].In(text), name + ".data[2]");
  NumberAt(items[5].In(text), name + ".data[5]");
  edits.Replace(items[2], FormatLike(point.x, items[2].In(text)));
  edits.Replace(items[5], FormatLike(point.y, items[5].In(text)));
}

}  // namespace

bool LooksLikeOpenCvYaml(const YamlScan& yaml) {
  const std::size_t n = yaml.Lines().size();
  for (std::string_view name : kNames)
    if (const auto line = yaml.Key(name, 0, 0, n); line && Tagged(yaml, *line)) return true;
  return false;
}

std::string PutOpenCvYaml(const YamlScan& yaml, const ExportedPoint& point) {
  const std::string_view text = yaml.Text();
  Edits edits;
  for (std::string_view key : kNames) {
    const auto line = yaml.Key(key, 0, 0, yaml.Lines().size());
    if (!line || !Tagged(yaml, *line)) continue;
    const std::string name(key);
    const auto dt = yaml.Child(*line, "dt");
    const auto data = yaml.Child(*line, "data");
    if (!data || !dt) Refuse("У матрицы " + name + " нет поля " + (dt ? "data." : "dt."));
    CheckShape(name, yaml.ChildInteger(*line, "rows").value_or(-1),
               yaml.ChildInteger(*line, "cols").value_or(-1), yaml.Value(*dt).In(text));
    const std::vector<Span> items = yaml.Sequence(*data, name + ".data");
    PutIntoMatrix(edits, text, items, name, point);
    CommentBefore(edits, text, yaml.Lines(), *line, "#", CommentText(point));
  }
  return edits.Apply(text);
}

namespace {

// The text between <tag> and </tag> inside [from, to), or nullopt.
std::optional<Span> Element(std::string_view text, std::string_view tag, std::size_t from,
                            std::size_t to) {
  const std::string open = "<" + std::string(tag) + ">";
  const std::string close = "</" + std::string(tag) + ">";
  const std::size_t a = text.find(open, from);
  if (a == std::string_view::npos || a >= to) return std::nullopt;
  const std::size_t b = text.find(close, a);
  if (b == std::string_view::npos || b > to) return std::nullopt;
  return Span{a + open.size(), b};
}

std::string_view Stripped(std::string_view s) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

}  // namespace

std::string PutOpenCvXml(std::string_view text, const ExportedPoint& point) {
  const std::size_t root = text.find("<opencv_storage>");
  if (root == std::string_view::npos)
    Refuse("XML-файл, но не хранилище OpenCV: нет элемента <opencv_storage>.");
  const std::vector<Line> lines = SplitLines(text);
  Edits edits;
  bool found = false;
  for (std::string_view key : kNames) {
    const std::string name(key);
    std::size_t start = text.find("<" + name, root);
    while (start != std::string_view::npos) {
      const char after = start + 1 + name.size() < text.size() ? text[start + 1 + name.size()] : 0;
      if (after == ' ' || after == '>' || after == '\t' || after == '\n' || after == '\r') break;
      start = text.find("<" + name, start + 1);
    }
    if (start == std::string_view::npos) continue;
    const std::size_t head_end = text.find('>', start);
    const std::size_t end = text.find("</" + name + ">", start);
    if (head_end == std::string_view::npos || end == std::string_view::npos)
      Refuse("Элемент <" + name + "> не закрыт.");
    if (text.substr(start, head_end - start).find("opencv-matrix") == std::string_view::npos)
      Refuse("Элемент <" + name + "> — не матрица OpenCV (нет type_id=\"opencv-matrix\").");
    found = true;
    const auto rows = Element(text, "rows", head_end, end);
    const auto cols = Element(text, "cols", head_end, end);
    const auto dt = Element(text, "dt", head_end, end);
    const auto data = Element(text, "data", head_end, end);
    if (!rows || !cols || !dt || !data)
      Refuse("У матрицы " + name + " нет одного из полей rows, cols, dt, data.");
    const auto integer = [&](Span s) {
      const std::string_view v = Stripped(s.In(text));
      return v == "3" ? 3L : -1L;
    };
    CheckShape(name, integer(*rows), integer(*cols), Stripped(dt->In(text)));
    std::vector<Span> items;
    for (std::size_t i = data->begin; i < data->end;) {
      while (i < data->end && std::string_view(" \t\r\n").find(text[i]) != std::string_view::npos)
        ++i;
      std::size_t j = i;
      while (j < data->end && std::string_view(" \t\r\n").find(text[j]) == std::string_view::npos)
        ++j;
      if (j > i) items.push_back({i, j});
      i = j;
    }
    PutIntoMatrix(edits, text, items, name, point);
    std::size_t line = 0;
    while (line + 1 < lines.size() && lines[line].next <= start) ++line;
    // "--" may not stand inside an XML comment; our text has none.
    if (lines[line].begin + lines[line].indent == start) {
      CommentBefore(edits, text, lines, line, "<!--", CommentText(point), " -->");
    } else {
      // On a line shared with other elements the comment goes just before the matrix, and
      // ours from an earlier export there is replaced.
      const std::string comment = "<!-- " + CommentText(point) + " -->";
      const std::size_t ours = text.rfind("<!-- ZIRT:", start);
      const std::size_t ours_end = ours == std::string_view::npos ? ours : text.find("-->", ours);
      if (ours != std::string_view::npos && ours >= lines[line].begin &&
          ours_end != std::string_view::npos && ours_end + 3 == start)
        edits.Replace({ours, start}, comment);
      else
        edits.Insert(start, comment);
    }
  }
  if (!found) Refuse("В хранилище OpenCV нет матрицы camera_matrix или cameraMatrix.");
  return edits.Apply(text);
}

}  // namespace zirt::exporting
