// ROS camera_info YAML: cx, cy of the camera matrix K and of the projection matrix P.
#include "export/formats.h"

namespace zirt::exporting {
namespace {

// The data of a rows × cols matrix under top-level `name`, checked to hold numbers there.
std::vector<Span> Matrix(const YamlScan& yaml, const std::string& name, long rows, long cols) {
  const auto line = yaml.Key(name, 0, 0, yaml.Lines().size());
  if (!line) Refuse("В camera_info нет поля " + name + ".");
  const long r = yaml.ChildInteger(*line, "rows").value_or(-1);
  const long c = yaml.ChildInteger(*line, "cols").value_or(-1);
  if (r != rows || c != cols)
    Refuse("Матрица " + name + " не " + std::to_string(rows) + " × " + std::to_string(cols) +
           " (rows: " + std::to_string(r) + ", cols: " + std::to_string(c) + ").");
  const auto data = yaml.Child(*line, "data");
  if (!data) Refuse("У матрицы " + name + " нет поля data.");
  std::vector<Span> items = yaml.Sequence(*data, name + ".data");
  if (long(items.size()) != rows * cols)
    Refuse("В " + name + ".data " + std::to_string(items.size()) + " чисел вместо " +
           std::to_string(rows * cols) + ".");
  return items;
}

}  // namespace

// OpenCV's tagged matrices are told apart first; an untagged camera_matrix is ROS's, so that
// a file without its projection_matrix is refused for that and not as unknown.
bool LooksLikeRos(const YamlScan& yaml) {
  return yaml.Key("camera_matrix", 0, 0, yaml.Lines().size()).has_value();
}

std::string PutRos(const YamlScan& yaml, const ExportedPoint& point) {
  const std::string_view text = yaml.Text();
  const std::vector<Span> k = Matrix(yaml, "camera_matrix", 3, 3);
  const std::vector<Span> p = Matrix(yaml, "projection_matrix", 3, 4);
  Edits edits;
  const auto put = [&](const std::vector<Span>& items, std::size_t i, double v,
                       const std::string& what) {
    NumberAt(items[i].In(text), what);
    edits.Replace(items[i], FormatLike(v, items[i].In(text)));
  };
  put(k, 2, point.x, "camera_matrix.data[2]");
  put(k, 5, point.y, "camera_matrix.data[5]");
  put(p, 2, point.x, "projection_matrix.data[2]");
  put(p, 6, point.y, "projection_matrix.data[6]");
  const auto line = yaml.Key("camera_matrix", 0, 0, yaml.Lines().size());
  CommentBefore(edits, text, yaml.Lines(), *line, "#", CommentText(point));
  return edits.Apply(text);
}

}  // namespace zirt::exporting
