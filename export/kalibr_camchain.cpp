// Kalibr camchain YAML: pu, pv, the last two intrinsics of the named camera, whatever the
// projection puts before them.
#include <array>

#include "export/formats.h"

namespace zirt::exporting {
namespace {

struct Projection {
  std::string_view name;
  std::size_t intrinsics;  // pu, pv are the last two
};
constexpr std::array<Projection, 4> kProjections = {
    {{"pinhole", 4}, {"omni", 5}, {"ds", 6}, {"eucm", 6}}};

std::string Joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) s += (s.empty() ? "" : ", ") + n;
  return s;
}

}  // namespace

bool LooksLikeKalibr(const YamlScan& yaml) {
  for (const std::string& key : yaml.TopKeys()) {
    const auto line = yaml.Key(key, 0, 0, yaml.Lines().size());
    if (line && yaml.Child(*line, "intrinsics") && yaml.Child(*line, "camera_model")) return true;
  }
  return false;
}

std::vector<std::string> KalibrCameras(const YamlScan& yaml) {
  std::vector<std::string> cameras;
  for (const std::string& key : yaml.TopKeys()) {
    const auto l = yaml.Key(key, 0, 0, yaml.Lines().size());
    if (l && yaml.Child(*l, "intrinsics")) cameras.push_back(key);
  }
  return cameras;
}

std::string PutKalibr(const YamlScan& yaml, const ExportedPoint& point, const std::string& camera) {
  const std::string_view text = yaml.Text();
  const auto line = yaml.Key(camera, 0, 0, yaml.Lines().size());
  if (!line || !yaml.Child(*line, "intrinsics"))
    Refuse("В camchain нет камеры " + camera + "; есть: " + Joined(KalibrCameras(yaml)) + ".");
  const auto model_line = yaml.Child(*line, "camera_model");
  if (!model_line) Refuse("У камеры " + camera + " нет поля camera_model.");
  const std::string_view model = yaml.Value(*model_line).In(text);
  std::size_t count = 0;
  for (const Projection& p : kProjections)
    if (p.name == model) count = p.intrinsics;
  if (count == 0)
    Refuse("Проекция камеры " + camera + " «" + std::string(model) +
           "» не известна (известны pinhole, omni, ds, eucm).");
  const std::size_t intrinsics = *yaml.Child(*line, "intrinsics");
  const std::vector<Span> items = yaml.Sequence(intrinsics, camera + ".intrinsics");
  if (items.size() != count)
    Refuse("В " + camera + ".intrinsics " + std::to_string(items.size()) + " чисел вместо " +
           std::to_string(count) + " для проекции " + std::string(model) + ".");
  const Span pu = items[count - 2], pv = items[count - 1];
  NumberAt(pu.In(text), camera + ".intrinsics pu");
  NumberAt(pv.In(text), camera + ".intrinsics pv");
  Edits edits;
  edits.Replace(pu, FormatLike(point.x, pu.In(text)));
  edits.Replace(pv, FormatLike(point.y, pv.In(text)));
  CommentBefore(edits, text, yaml.Lines(), intrinsics, "#", CommentText(point));
  return edits.Apply(text);
}

}  // namespace zirt::exporting
