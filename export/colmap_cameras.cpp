// COLMAP cameras.txt: cx, cy of one camera at its model's place, half a pixel on, since
// COLMAP puts the centre of the top-left pixel at (0.5, 0.5) where we and OpenCV have (0, 0).
#include <array>

#include "export/formats.h"

namespace zirt::exporting {
namespace {

struct Model {
  std::string_view name;
  std::size_t params;
  std::size_t cx;  // cy follows
};
constexpr std::array<Model, 16> kModels = {{
    {"SIMPLE_PINHOLE", 3, 1},
    {"PINHOLE", 4, 2},
    {"SIMPLE_RADIAL", 4, 1},
    {"RADIAL", 5, 1},
    {"OPENCV", 8, 2},
    {"OPENCV_FISHEYE", 8, 2},
    {"FULL_OPENCV", 12, 2},
    {"FOV", 5, 2},
    {"SIMPLE_RADIAL_FISHEYE", 4, 1},
    {"RADIAL_FISHEYE", 5, 1},
    {"THIN_PRISM_FISHEYE", 12, 2},
    {"RAD_TAN_THIN_PRISM_FISHEYE", 16, 2},
    {"SIMPLE_DIVISION", 4, 1},
    {"DIVISION", 5, 2},
    {"SIMPLE_FISHEYE", 3, 1},
    {"FISHEYE", 4, 2},
}};

constexpr double kHalfPixel = 0.5;

struct Camera {
  std::size_t line;
  std::vector<Span> fields;  // id, model, width, height, params…
};

std::vector<Camera> Cameras(std::string_view text, const std::vector<Line>& lines) {
  std::vector<Camera> cameras;
  for (std::size_t j = 0; j < lines.size(); ++j) {
    const Line& l = lines[j];
    Camera c{j, {}};
    for (std::size_t i = l.begin; i < l.end;) {
      while (i < l.end && (text[i] == ' ' || text[i] == '\t')) ++i;
      std::size_t k = i;
      while (k < l.end && text[k] != ' ' && text[k] != '\t') ++k;
      if (k > i) c.fields.push_back({i, k});
      i = k;
    }
    if (c.fields.empty() || text[c.fields[0].begin] == '#') continue;
    cameras.push_back(std::move(c));
  }
  return cameras;
}

bool Digits(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

bool LooksLikeColmap(std::string_view text) {
  const std::vector<Line> lines = SplitLines(text);
  const std::vector<Camera> cameras = Cameras(text, lines);
  if (cameras.empty()) return text.find("CAMERA_ID") != std::string_view::npos;
  for (const Camera& c : cameras) {
    if (c.fields.size() < 4 || !Digits(c.fields[0].In(text))) return false;
    const std::string_view model = c.fields[1].In(text);
    if (model.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ_") != std::string_view::npos)
      return false;
  }
  return true;
}

std::vector<std::string> ColmapCameras(std::string_view text) {
  std::vector<std::string> ids;
  for (const Camera& c : Cameras(text, SplitLines(text))) ids.emplace_back(c.fields[0].In(text));
  return ids;
}

std::string PutColmap(std::string_view text, const ExportedPoint& point,
                      const std::optional<std::string>& camera) {
  const std::vector<Line> lines = SplitLines(text);
  const std::vector<Camera> cameras = Cameras(text, lines);
  if (cameras.empty()) Refuse("В cameras.txt нет ни одной камеры.");
  std::string ids;
  for (const Camera& c : cameras)
    ids += (ids.empty() ? "" : ", ") + std::string(c.fields[0].In(text));
  const Camera* chosen = nullptr;
  if (!camera) {
    if (cameras.size() > 1)
      Refuse("В cameras.txt несколько камер (" + ids + "): укажите одну (--colmap-camera ID).");
    chosen = &cameras[0];
  } else {
    for (const Camera& c : cameras)
      if (c.fields[0].In(text) == *camera) chosen = &c;
    if (!chosen) Refuse("В cameras.txt нет камеры " + *camera + "; есть: " + ids + ".");
  }
  const std::string id(chosen->fields[0].In(text));
  const std::string_view model = chosen->fields[1].In(text);
  const Model* m = nullptr;
  for (const Model& k : kModels)
    if (k.name == model) m = &k;
  if (!m) Refuse("Модель камеры " + id + " «" + std::string(model) + "» не известна.");
  const std::size_t params = chosen->fields.size() - 4;
  if (params != m->params)
    Refuse("У камеры " + id + " (" + std::string(model) + ") " + std::to_string(params) +
           " параметров вместо " + std::to_string(m->params) + ".");
  const Span cx = chosen->fields[4 + m->cx], cy = chosen->fields[5 + m->cx];
  NumberAt(cx.In(text), "cx камеры " + id);
  NumberAt(cy.In(text), "cy камеры " + id);
  Edits edits;
  edits.Replace(cx, FormatLike(point.x + kHalfPixel, cx.In(text)));
  edits.Replace(cy, FormatLike(point.y + kHalfPixel, cy.In(text)));
  CommentBefore(
      edits, text, lines, chosen->line, "#",
      CommentText(point, "written as cx = x0 + 0.5, cy = y0 + 0.5 for COLMAP's pixel centres"));
  return edits.Apply(text);
}

}  // namespace zirt::exporting
