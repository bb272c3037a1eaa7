#include "batch/batch_run.h"

#include <ostream>

#include "calib/calibration.h"
#include "data/coordinate_file.h"

namespace zirt {
namespace {

constexpr const char* kUsage =
    "Usage: zirt-batch [--step] FILE.crd FILE.crd ...\n"
    "Finds the principal point from the coordinate files of two or more images and prints\n"
    "the report that the main window's list would show.\n"
    "  --step   step-by-step mode: also the statistics of every fitted line\n"
    "  --help   this text\n"
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

}  // namespace

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  Calibration calibration;
  std::vector<std::string> files;
  bool options_end = false;
  for (const std::string& arg : args) {
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && arg == "--help") {
      out << kUsage;
      return kBatchOk;
    } else if (!options_end && arg == "--step") {
      calibration.StepMode = true;
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
  }
  for (const std::string& line : report.lines) out << line << "\n";
  if (!failure.empty()) {
    err << failure << "\n";
    code = kBatchFailed;
  }
  return code;
}

}  // namespace zirt
