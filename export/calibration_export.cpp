#include "export/calibration_export.h"

#include "data/posix_file.h"
#include "export/formats.h"

namespace zirt {

using namespace exporting;

const char* FormatName(CalibrationFormat format) {
  switch (format) {
    case CalibrationFormat::kOpenCvYaml:
      return "OpenCV FileStorage YAML";
    case CalibrationFormat::kOpenCvXml:
      return "OpenCV FileStorage XML";
    case CalibrationFormat::kRosCameraInfo:
      return "ROS camera_info YAML";
    case CalibrationFormat::kColmapCameras:
      return "COLMAP cameras.txt";
    case CalibrationFormat::kKalibr:
      return "Kalibr camchain YAML";
  }
  return "";
}

namespace {

// Past a byte-order mark and blank lines, an XML file starts with '<'.
bool LooksLikeXml(std::string_view bytes) {
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
  const std::size_t first = bytes.find_first_not_of(" \t\r\n");
  return first != std::string_view::npos && bytes[first] == '<';
}

}  // namespace

std::vector<std::string> CamerasIn(std::string_view bytes) {
  if (LooksLikeXml(bytes)) return {};
  const YamlScan yaml(bytes);
  if (LooksLikeOpenCvYaml(yaml) || LooksLikeRos(yaml)) return {};
  if (LooksLikeKalibr(yaml)) return KalibrCameras(yaml);
  if (LooksLikeColmap(bytes)) return ColmapCameras(bytes);
  return {};
}

ExportEdit PutPointInto(std::string_view bytes, const ExportedPoint& point,
                        const ExportOptions& options) {
  if (LooksLikeXml(bytes)) return {CalibrationFormat::kOpenCvXml, PutOpenCvXml(bytes, point)};
  const YamlScan yaml(bytes);
  if (LooksLikeOpenCvYaml(yaml))
    return {CalibrationFormat::kOpenCvYaml, PutOpenCvYaml(yaml, point)};
  if (LooksLikeRos(yaml)) return {CalibrationFormat::kRosCameraInfo, PutRos(yaml, point)};
  if (LooksLikeKalibr(yaml))
    return {CalibrationFormat::kKalibr, PutKalibr(yaml, point, options.kalibr_camera)};
  if (LooksLikeColmap(bytes))
    return {CalibrationFormat::kColmapCameras, PutColmap(bytes, point, options.colmap_camera)};
  Refuse(
      "Вид файла не распознан: это не хранилище OpenCV (YAML или XML с camera_matrix или "
      "cameraMatrix), не camera_info ROS (camera_matrix и projection_matrix), не cameras.txt "
      "COLMAP и не camchain Kalibr (камеры с intrinsics и camera_model).");
}

std::string CalibrationOutputName(std::string_view picked) {
  const std::size_t slash = picked.find_last_of("\\/");  // as ShortName splits names
  const std::size_t name = slash == std::string_view::npos ? 0 : slash + 1;
  const std::size_t dot = picked.find_last_of('.');
  if (dot == std::string_view::npos || dot <= name) return std::string(picked) + "P";
  return std::string(picked.substr(0, dot)) + "P" + std::string(picked.substr(dot));
}

PreparedExport PrepareExport(const std::string& picked, const ExportedPoint& point,
                             const ExportOptions& options) {
  const std::string bytes = ReadFileBytes(picked);
  return {CalibrationOutputName(picked), PutPointInto(bytes, point, options)};
}

void WriteExport(const PreparedExport& prepared) {
  WriteFileAtomic(prepared.output, prepared.edit.bytes);
}

}  // namespace zirt
