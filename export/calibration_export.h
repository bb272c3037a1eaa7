// The principal point written into calibration files of other tools (OpenCV FileStorage,
// ROS camera_info, COLMAP cameras.txt, Kalibr camchain): only the numbers of the point change.
#pragma once

#include <QtGlobal>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "calib/calibration.h"
#include "data/exceptions.h"
#include "diagnostics/diagnostics.h"

namespace zirt {

enum class CalibrationFormat { kOpenCvYaml, kOpenCvXml, kRosCameraInfo, kColmapCameras, kKalibr };

// The point and what the comment says of it. σ is NaN when the estimate has none.
struct ExportedPoint {
  double x = 0;
  double y = 0;
  double sigma_x = 0;
  double sigma_y = 0;
  std::string estimate;    // "report", "refined" or "robust"
  std::string sigma_note;  // where σ comes from when not from the estimate itself
};

// The point of the estimate named "report", "refined" or "robust", with its σ (the report's
// point has none of its own: the note gives the refined point and its σ beside it), from the
// computation and the diagnostics of the same images. Nullopt when the diagnostics find no
// such point.
std::optional<ExportedPoint> PointToExport(const Calibration& calibration,
                                           const Diagnostics& diagnostics,
                                           std::string_view estimate);

struct ExportOptions {
  std::optional<std::string> colmap_camera;  // required when cameras.txt holds several
  std::string kalibr_camera = "cam0";
};

// A file left as it is, with the reason: its kind is not one of ours, or it lacks a field.
class ERefusedCalibration : public Exception {
 public:
  using Exception::Exception;
};

// The headline shown above a refusal or a failed write.
inline constexpr const char* kExportFailedMessage =
    QT_TRANSLATE_NOOP("ResultFiles", "Ошибка записи файла калибровки!");

struct ExportEdit {
  CalibrationFormat format;
  std::string bytes;  // the whole new file
};

// The picked file's bytes with the point put in; every other byte as it was, plus one comment
// line (replacing our own comment of an earlier export there). Raises ERefusedCalibration.
ExportEdit PutPointInto(std::string_view bytes, const ExportedPoint& point,
                        const ExportOptions& options);

// The cameras of a file that holds several, by the names ExportOptions take: a Kalibr
// camchain's or a COLMAP cameras.txt's; empty for the other formats, which hold one.
std::vector<std::string> CamerasIn(std::string_view bytes);

// Where the result goes: beside the picked file, "P" before the extension
// ("ost.yaml" → "ostP.yaml", "calib" → "calibP").
std::string CalibrationOutputName(std::string_view picked);

// A short English name of the format, for messages and the report.
const char* FormatName(CalibrationFormat format);

// The result of one export, ready to be written: nothing is on disk yet.
struct PreparedExport {
  std::string output;
  ExportEdit edit;
};

// Reads the picked file (EFileError when it cannot be read) and puts the point in.
PreparedExport PrepareExport(const std::string& picked, const ExportedPoint& point,
                             const ExportOptions& options);

// Writes the prepared file whole and atomically (EFileError on failure).
void WriteExport(const PreparedExport& prepared);

}  // namespace zirt
