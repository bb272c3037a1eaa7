#include "batch/batch_options.h"

#include <cerrno>
#include <ostream>

#include "data/posix_file.h"

namespace zirt {

const char* const kBatchUsageText =
    "Usage: zirt-batch [--step] [--json] [--camera FILE.cam] [--into FILE [--colmap-camera ID]\n"
    "                  [--kalibr-camera NAME]] [--point report|refined|robust] [--overwrite]\n"
    "                  [--pdf FILE.pdf] FILE.crd ...\n"
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
    "  --into FILE        write the point into a copy of another tool's calibration file,\n"
    "                     beside it with P before the extension (ost.yaml -> ostP.yaml):\n"
    "                     OpenCV FileStorage YAML or XML (camera_matrix, cameraMatrix), ROS\n"
    "                     camera_info YAML, COLMAP cameras.txt (cx, cy + 0.5) or Kalibr\n"
    "                     camchain YAML; every other byte stays, a comment gives sigma\n"
    "  --colmap-camera ID the camera of cameras.txt (needed when it holds several)\n"
    "  --kalibr-camera NAME  the camera of the camchain (cam0 when not given)\n"
    "  --overwrite        replace an existing FILEP.cam, --into or --pdf result (kept\n"
    "                     otherwise)\n"
    "  --point WHICH      the point --camera and --into write: the report's (the default),\n"
    "                     the refined one (perpendicular least squares, 1.5-2 times more\n"
    "                     accurate where the measuring errors are random) or the robust one\n"
    "                     (the refined one without the gross errors found)\n"
    "  --pdf FILE.pdf     write the report as an A4 PDF: inputs with SHA-256, the three\n"
    "                     estimates, the picture, tables, gross errors, the sequence test\n"
    "  --help             this text\n"
    "Numbers are read and written with the decimal separator of the regional settings\n"
    "(LC_ALL, LC_NUMERIC, LANG).\n";

namespace {

bool ParsePoint(const std::string& text, PointChoice& choice) {
  if (text == "report")
    choice = PointChoice::kReport;
  else if (text == "refined")
    choice = PointChoice::kRefined;
  else if (text == "robust")
    choice = PointChoice::kRobust;
  else
    return false;
  return true;
}

int PrintUsage(std::ostream& out, std::ostream& err) {
  errno = 0;
  out << kBatchUsageText << std::flush;
  if (out) return kBatchOk;
  err << "zirt-batch: the usage could not be written: " << SystemReason(errno ? errno : EIO)
      << "\n";
  return kBatchFailed;
}

// Whether the option takes the argument after it as its value.
bool TakesValue(const std::string& arg) {
  return arg == "--camera" || arg == "--into" || arg == "--pdf" || arg == "--colmap-camera" ||
         arg == "--kalibr-camera";
}

void SetValue(const std::string& arg, const std::string& value, BatchOptions& options) {
  if (arg == "--camera")
    options.camera = value;
  else if (arg == "--into")
    options.into = value;
  else if (arg == "--pdf")
    options.pdf = value;
  else if (arg == "--colmap-camera")
    options.into_options.colmap_camera = value;
  else if (arg == "--kalibr-camera")
    options.into_options.kalibr_camera = value;
}

}  // namespace

const char* PointName(PointChoice choice) {
  return choice == PointChoice::kReport    ? "report"
         : choice == PointChoice::kRefined ? "refined"
                                           : "robust";
}

std::optional<int> ParseBatchArgs(const std::vector<std::string>& args, BatchOptions& options,
                                  std::ostream& out, std::ostream& err) {
  bool options_end = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (options_end || arg.size() <= 1 || arg[0] != '-') {
      options.files.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--help") {
      return PrintUsage(out, err);
    } else if (arg == "--step") {
      options.step = true;
    } else if (arg == "--json") {
      options.json = true;
    } else if (arg == "--overwrite") {
      options.overwrite = true;
    } else if (TakesValue(arg)) {
      if (k + 1 == args.size()) {
        // --camera names its value as it always has.
        err << "zirt-batch: " << arg
            << (arg == "--camera" ? " needs a file name\n" : " needs a value\n") << kBatchUsageText;
        return kBatchUsage;
      }
      SetValue(arg, args[++k], options);
    } else if (arg == "--point") {
      if (k + 1 == args.size() || !ParsePoint(args[k + 1], options.point)) {
        err << "zirt-batch: --point needs report, refined or robust\n" << kBatchUsageText;
        return kBatchUsage;
      }
      ++k;
    } else {
      err << "zirt-batch: unknown option " << arg << "\n" << kBatchUsageText;
      return kBatchUsage;
    }
  }
  return std::nullopt;
}

}  // namespace zirt
