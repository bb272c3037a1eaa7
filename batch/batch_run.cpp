#include "batch/batch_run.h"

#include <ostream>

#include <filesystem>

#include "batch/json_report.h"
#include "calib/calibration.h"
#include "calib/camera_file.h"
#include "data/coordinate_file.h"

namespace zirt {
namespace {

constexpr const char* kUsage =
    "Usage: zirt-batch [--step] [--json] [--camera FILE.cam [--overwrite]] FILE.crd ...\n"
    "Finds the principal point from the coordinate files of two or more images and prints\n"
    "the report that the main window's list would show.\n"
    "  --step             step-by-step mode: also the statistics of every fitted line\n"
    "  --json             print instead one JSON object: the report's lines, the principal\n"
    "                     point, the refined and the robust point with their uncertainty,\n"
    "                     the gross errors found and the residuals per image and point;\n"
    "                     the whole object is built in memory before it is printed\n"
    "  --camera FILE.cam  write the principal point into lines 7 and 8 of a camera file,\n"
    "                     taking FILE.cam's lines when it exists, as FILEP.cam beside it;\n"
    "                     the name written is printed on standard error\n"
    "  --overwrite        replace an existing FILEP.cam (kept otherwise)\n"
    "  --help             this text\n"
    "Numbers are read and written with the decimal separator of the regional settings\n"
    "(LC_ALL, LC_NUMERIC, LANG).\n";

// The report lines, kept to be printed whether the computation ends well or not.
class ReportLines : public CalibrationView {
 public:
  void ClearReport() override { lines.clear(); }
  void AppendReport(const std::string& line) override { lines.push_back(line); }
  void LineFitted(const VT_Point&) override {}
  std::vector<std::string> lines;
};

// Writes the camera file as the save command does, without asking: an existing output is
// replaced only with --overwrite.
int WriteCamera(Calibration& calibration, const std::string& picked, bool overwrite,
                std::ostream& err) {
  const std::string output = CameraOutputName(picked);
  try {
    const TextLines lines = CameraFileLines(picked, std::filesystem::is_regular_file(picked),
                                            calibration.PrincipalX, calibration.PrincipalY);
    if (!overwrite && std::filesystem::exists(output)) {
      err << "zirt-batch: " << output << " exists; give --overwrite to replace it\n";
      return kBatchFailed;
    }
    WriteLines(output, lines);
  } catch (const std::exception& e) {
    err << "Ошибка записи cam-файла!\n" << e.what() << "\n";
    return kBatchFailed;
  }
  calibration.ResultSaved = true;
  err << output << "\n";
  return kBatchOk;
}

}  // namespace

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Calibration calibration;
  std::vector<std::string> files;
  std::string camera;
  bool overwrite = false;
  bool json = false;
  bool options_end = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && arg == "--help") {
      out << kUsage;
      return kBatchOk;
    } else if (!options_end && arg == "--step") {
      calibration.StepMode = true;
    } else if (!options_end && arg == "--json") {
      json = true;
    } else if (!options_end && arg == "--overwrite") {
      overwrite = true;
    } else if (!options_end && arg == "--camera") {
      if (k + 1 == args.size()) {
        err << "zirt-batch: --camera needs a file name\n" << kUsage;
        return kBatchUsage;
      }
      camera = args[++k];
    } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
      err << "zirt-batch: unknown option " << arg << "\n" << kUsage;
      return kBatchUsage;
    } else {
      files.push_back(arg);
    }
  }

  try {
    calibration.TakeImages(LoadCoordinateFiles(files));
  } catch (const ECoordinateFileError& e) {
    err << "Ошибка загрузки файла координат!\n" << e.Message() << "\n";
    return kBatchFailed;
  } catch (const std::exception& e) {  // Files too large for memory, as the window has it.
    err << "Ошибка загрузки файла координат!\n" << e.what() << "\n";
    return kBatchFailed;
  }

  ReportLines report;
  int code = kBatchOk;
  std::string failure;
  try {
    switch (calibration.Compute(report)) {
      case ComputeOutcome::kDone:
        break;
      case ComputeOutcome::kNoImages:
        failure = kNoImagesMessage;
        break;
      case ComputeOutcome::kOneImage:
        failure = kOneImageMessage;
        break;
    }
  } catch (const Exception& e) {
    failure = DisplayText(e.Message());
  } catch (const std::exception& e) {  // Such as memory running out, as the window shows it.
    failure = DisplayText(e.what());
  }
  if (json) {
    WriteBatchJson(out, files, report.lines, failure, calibration);
  } else {
    for (const std::string& line : report.lines) out << line << "\n";
  }
  if (!failure.empty()) {
    err << failure << "\n";
    code = kBatchFailed;
  }
  if (code == kBatchOk && !camera.empty()) code = WriteCamera(calibration, camera, overwrite, err);
  return code;
}

}  // namespace zirt
