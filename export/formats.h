// One writer per format, each given the file's text and returning it with the point put in;
// CalibrationFormat is told from the text by the Looks… tests, in this order.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/calibration_export.h"
#include "export/yaml_scan.h"

namespace zirt::exporting {

bool LooksLikeOpenCvYaml(const YamlScan& yaml);
bool LooksLikeRos(const YamlScan& yaml);
bool LooksLikeKalibr(const YamlScan& yaml);
bool LooksLikeColmap(std::string_view text);

// The camera names --kalibr-camera and the ids --colmap-camera take, in the file's order.
std::vector<std::string> KalibrCameras(const YamlScan& yaml);
std::vector<std::string> ColmapCameras(std::string_view text);

std::string PutOpenCvYaml(const YamlScan& yaml, const ExportedPoint& point);
std::string PutOpenCvXml(std::string_view text, const ExportedPoint& point);
std::string PutRos(const YamlScan& yaml, const ExportedPoint& point);
std::string PutKalibr(const YamlScan& yaml, const ExportedPoint& point, const std::string& camera);
std::string PutColmap(std::string_view text, const ExportedPoint& point,
                      const std::optional<std::string>& camera);

}  // namespace zirt::exporting
