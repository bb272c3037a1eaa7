#include "batch/batch_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <ostream>

#include "analysis/analysis.h"
#include "batch/fast_batch.h"
#include "batch/into_file.h"
#include "batch/json_report.h"
#include "calib/calibration.h"
#include "calib/camera_file.h"
#include "calib/track_survey.h"
#include "data/compute_hints.h"
#include "data/coordinate_file.h"
#include "data/load_hints.h"
#include "data/posix_file.h"
#include "data/text_file.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/refined_fit.h"

namespace zirt {
namespace {

// The warning when the refined fit shows measurements that do not meet in one point; the
// report itself is printed as always.
void WarnIfInconsistent(const std::optional<PointEstimate>& refined, std::ostream& err) {
  if (Consistent(refined)) return;
  char sigma[32];
  std::snprintf(sigma, sizeof sigma, "%.3f", refined->sigma0_px);
  err << "zirt-batch: warning: the measurements do not meet in one point (refined sigma " << sigma
      << " px, over 1 px): points measured by hand or numbered wrongly, or images that are not "
         "one zoom sequence\n";
}

// The refined point from the tracks' sums the fast computation took.
std::optional<PointEstimate> RefinedOf(const PlainImages& plain,
                                       const std::vector<diagnostics_detail::Track>& tracks) {
  static_assert(sizeof(PlainPoint) == 2 * sizeof(double));
  PositionArrays arrays;
  for (const PlainImages::Image& image : plain.images) {
    arrays.xy.push_back(reinterpret_cast<const double*>(image.points.get()));
    arrays.counts.push_back(static_cast<int>(image.count));
  }
  return diagnostics_detail::RefinedPointOf(tracks, arrays);
}

constexpr const char* kUsage =
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

// The report lines, printed as they come: a long step-by-step report is never held whole.
// The first failed write is remembered with its reason. For --json they are kept instead,
// to go into the object.
class ReportLines : public CalibrationView {
 public:
  // `record`: printed and kept as well, for the PDF.
  ReportLines(std::ostream& out, bool keep, bool record = false)
      : out_(out), keep_(keep), record_(record) {}
  void ClearReport() override { kept_.clear(); }
  void AppendReport(const std::string& line) override {
    if (keep_ || record_) kept_.push_back(line);
    if (keep_) return;
    out_ << line << '\n';
    Check();
  }
  const std::vector<std::string>& Kept() const { return kept_; }
  void LineFitted(const VT_Point&) override {}
  // True when every line reached the output.
  bool Finish() {
    out_.flush();
    Check();
    return error_ == 0;
  }
  int Error() const { return error_; }

 private:
  void Check() {
    if (error_ == 0 && !out_) error_ = errno != 0 ? errno : EIO;
  }
  std::ostream& out_;
  bool keep_;
  bool record_;
  std::vector<std::string> kept_;
  int error_ = 0;
};

// Whether `output` is one of the files (the same file, whatever name or link leads there).
bool IsOneOf(const std::string& output, const std::vector<std::string>& files) {
  struct stat target;
  if (::stat(output.c_str(), &target) != 0) return false;
  for (const std::string& file : files) {
    struct stat info;
    if (::stat(file.c_str(), &info) == 0 && info.st_dev == target.st_dev &&
        info.st_ino == target.st_ino)
      return true;
  }
  return false;
}

enum class PointChoice { kReport, kRefined, kRobust };

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

const char* PointName(PointChoice choice) {
  return choice == PointChoice::kReport    ? "report"
         : choice == PointChoice::kRefined ? "refined"
                                           : "robust";
}

// The point --point chose, from the computation or the diagnostics of the loaded images;
// false when the diagnostics found none.
bool ChosenPoint(const Analysis& analysis, PointChoice choice, double& x, double& y) {
  if (choice == PointChoice::kReport) {
    x = analysis.State().PrincipalX;
    y = analysis.State().PrincipalY;
    return true;
  }
  const Diagnostics& diagnostics = analysis.Diagnosis();
  const std::optional<PointEstimate>& point =
      choice == PointChoice::kRefined ? diagnostics.refined : diagnostics.robust;
  if (!point) return false;
  x = point->x;
  y = point->y;
  return true;
}

// Writes the camera file as the save command does, without asking: an existing output (a
// dangling link counts) is replaced only with --overwrite.
int WriteCamera(Analysis& analysis, PointChoice choice, const std::string& picked, bool overwrite,
                std::ostream& err) {
  const std::string output = CameraOutputName(picked);
  double x = 0, y = 0;
  if (!ChosenPoint(analysis, choice, x, y)) {
    err << "zirt-batch: the diagnostics find no such point; the camera file is not written\n";
    return kBatchFailed;
  }
  try {
    const TextLines lines = CameraFileLines(picked, IsRegularFile(picked), x, y);
    if (!overwrite && NameExists(output)) {
      err << "zirt-batch: " << output << " exists; give --overwrite to replace it\n";
      return kBatchFailed;
    }
    analysis.SaveCamera(output, lines);
  } catch (const EFileError& e) {
    err << "Ошибка записи cam-файла!\n" << e.Described() << "\n";
    return kBatchFailed;
  } catch (const std::exception& e) {
    err << "Ошибка записи cam-файла!\n" << e.what() << "\n";
    return kBatchFailed;
  }
  err << output << "\n";
  return kBatchOk;
}

PdfReportWriter pdf_writer = nullptr;

// The command as a shell would take it back, for the report.
std::string CommandLine(const std::vector<std::string>& args) {
  std::string line = "zirt-batch";
  for (const std::string& arg : args) {
    const bool plain =
        !arg.empty() && arg.find_first_of(" \t'\"\\$`;&|<>()*?") == std::string::npos;
    if (plain) {
      line += " " + arg;
      continue;
    }
    line += " '";
    for (char c : arg) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += "'";
  }
  return line;
}

// Under a failed computation's message, what in the files made it fail and what to do, in the
// words the window uses. The files read already, so they read again.
void PrintHint(const std::vector<std::string>& files, std::ostream& err) {
  try {
    ImageSets images;
    for (auto& set : LoadCoordinateFiles(files)) images.Append(std::move(set));
    std::vector<std::string> names;
    for (const std::string& file : files) names.push_back(ShortName(file));
    for (const std::string& line : ComputeFailureHint(images, names, -1).lines) err << line << "\n";
  } catch (const std::exception&) {  // A hint is a courtesy; the failure is reported already.
  }
}

}  // namespace

void SetPdfReportWriter(PdfReportWriter writer) {
  pdf_writer = writer;
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  // The window's way loads into the analysis, which computes each of the diagnostics, the
  // sequence test and the steps at most once for the JSON, the PDF, --point and --into.
  Analysis analysis;
  Calibration& calibration = analysis.State();
  std::vector<std::string> files;
  std::string camera;
  bool overwrite = false;
  PointChoice point = PointChoice::kReport;
  std::string into;
  std::string pdf;
  ExportOptions into_options;
  bool json = false;
  bool options_end = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (!options_end && arg == "--") {
      options_end = true;
    } else if (!options_end && arg == "--help") {
      errno = 0;
      out << kUsage << std::flush;
      if (out) return kBatchOk;
      err << "zirt-batch: the usage could not be written: " << SystemReason(errno ? errno : EIO)
          << "\n";
      return kBatchFailed;
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
    } else if (!options_end && (arg == "--into" || arg == "--colmap-camera" ||
                                arg == "--kalibr-camera" || arg == "--pdf")) {
      if (k + 1 == args.size()) {
        err << "zirt-batch: " << arg << " needs a value\n" << kUsage;
        return kBatchUsage;
      }
      const std::string& value = args[++k];
      if (arg == "--into") {
        into = value;
      } else if (arg == "--pdf") {
        pdf = value;
      } else if (arg == "--colmap-camera") {
        into_options.colmap_camera = value;
      } else if (arg == "--kalibr-camera") {
        into_options.kalibr_camera = value;
      }
    } else if (!options_end && arg == "--point") {
      if (k + 1 == args.size() || !ParsePoint(args[k + 1], point)) {
        err << "zirt-batch: --point needs report, refined or robust\n" << kUsage;
        return kBatchUsage;
      }
      ++k;
    } else if (!options_end && arg.size() > 1 && arg[0] == '-') {
      err << "zirt-batch: unknown option " << arg << "\n" << kUsage;
      return kBatchUsage;
    } else {
      files.push_back(arg);
    }
  }

  // Paths stay the bytes they were given: a name that is not UTF-8 still names its file.
  if (!camera.empty() && IsOneOf(CameraOutputName(camera), files)) {
    err << "zirt-batch: " << CameraOutputName(camera)
        << " is one of the coordinate files; the camera file is not written\n";
    return kBatchFailed;
  }

  if (!pdf.empty() && !pdf_writer) {
    err << "zirt-batch: --pdf is not available in this build\n";
    return kBatchUsage;
  }
  if (!pdf.empty() && IsOneOf(pdf, files)) {
    err << "zirt-batch: " << pdf << " is one of the coordinate files; it is not written\n";
    return kBatchFailed;
  }
  if (!into.empty() && IsOneOf(CalibrationOutputName(into), files)) {
    err << "zirt-batch: " << CalibrationOutputName(into)
        << " is one of the coordinate files; it is not written\n";
    return kBatchFailed;
  }

  // Plain files go both cores' way; anything else, and every failure, the window's way.
  PlainImages plain;
  // --json, --into, --pdf and the diagnostics' points read the loaded point sets, which only
  // the window's way keeps.
  const bool plain_loaded = !json && into.empty() && pdf.empty() && point == PointChoice::kReport &&
                            LoadPlainImages(files, plain);
  try {
    if (!plain_loaded) analysis.Load(files);
  } catch (const ECoordinateFileError& e) {
    err << "Ошибка загрузки файла координат!\n" << e.Message() << "\n";
    for (const std::string& hint : e.Hints()) err << hint << "\n";
    return kBatchFailed;
  } catch (const std::exception& e) {  // Files too large for memory, as the window has it.
    err << "Ошибка загрузки файла координат!\n" << e.what() << "\n";
    return kBatchFailed;
  }

  ReportLines report(out, json, !pdf.empty());
  std::vector<diagnostics_detail::Track> tracks;  // The fast computation's, for the warning.
  errno = 0;
  int code = kBatchOk;
  std::string failure;
  bool failed_run = false;  // The computation raised, rather than refused the images.
  try {
    switch (plain_loaded ? ComputePlainImages(plain, calibration, report, &tracks)
                         : calibration.Compute(report)) {
      case ComputeOutcome::kDone:
        break;
      case ComputeOutcome::kNoImages:
        failure = kNoImagesMessage;
        break;
      case ComputeOutcome::kOneImage:
        failure = kOneImageMessage;
        break;
    }
  } catch (const EUndeterminedPoint& e) {  // A refusal says all there is in its own words.
    failure = DisplayText(e.Message());
  } catch (const Exception& e) {
    failure = DisplayText(e.Message());
    failed_run = true;
  } catch (const std::exception& e) {  // Such as memory running out, as the window shows it.
    failure = DisplayText(e.what());
  }
  if (json) WriteBatchJson(out, report.Kept(), failure, analysis);
  const bool written = report.Finish();
  if (!failure.empty()) {
    err << failure << "\n";
    // Run with nothing at all, the refusal alone does not say how the program is used.
    if (args.empty()) err << kUsage;
    if (failed_run) PrintHint(files, err);
    code = kBatchFailed;
  }
  // A report that did not reach its reader is a failure, whatever the computation did.
  if (!written) {
    err << "zirt-batch: the report could not be written: " << SystemReason(report.Error()) << "\n";
    return kBatchFailed;
  }
  if (!pdf.empty() && !overwrite && NameExists(pdf)) {
    err << "zirt-batch: " << pdf << " exists; give --overwrite to replace it\n";
    code = kBatchFailed;
  } else if (!pdf.empty()) {
    try {
      pdf_writer(pdf, report.Kept(), failure, analysis, CommandLine(args));
      err << pdf << "\n";
    } catch (const std::exception& e) {
      err << "zirt-batch: the PDF report could not be written: " << e.what() << "\n";
      code = kBatchFailed;
    }
  }
  if (code == kBatchOk)
    WarnIfInconsistent(plain_loaded ? RefinedOf(plain, tracks) : analysis.Refined(), err);
  if (code == kBatchOk && !camera.empty())
    code = WriteCamera(analysis, point, camera, overwrite, err);
  if (code == kBatchOk && !into.empty())
    code = WriteIntoFile(analysis, PointName(point), into, into_options, overwrite, err);
  return code;
}

}  // namespace zirt
