#include "batch/batch_run.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <optional>
#include <ostream>

#include "analysis/analysis.h"
#include "batch/batch_options.h"
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

// Refuses, before anything is read, an output that would overwrite a coordinate file, and --pdf
// in a build without it. Returns the exit code of the refusal, or kBatchOk.
int RefuseOutputs(const BatchOptions& options, std::ostream& err) {
  const std::vector<std::string>& files = options.files;
  // Paths stay the bytes they were given: a name that is not UTF-8 still names its file.
  if (!options.camera.empty() && IsOneOf(CameraOutputName(options.camera), files)) {
    err << "zirt-batch: " << CameraOutputName(options.camera)
        << " is one of the coordinate files; the camera file is not written\n";
    return kBatchFailed;
  }
  if (!options.pdf.empty() && !pdf_writer) {
    err << "zirt-batch: --pdf is not available in this build\n";
    return kBatchUsage;
  }
  if (!options.pdf.empty() && IsOneOf(options.pdf, files)) {
    err << "zirt-batch: " << options.pdf << " is one of the coordinate files; it is not written\n";
    return kBatchFailed;
  }
  if (!options.into.empty() && IsOneOf(CalibrationOutputName(options.into), files)) {
    err << "zirt-batch: " << CalibrationOutputName(options.into)
        << " is one of the coordinate files; it is not written\n";
    return kBatchFailed;
  }
  return kBatchOk;
}

// One run's state from loading to the files written. The window's way loads into the
// analysis, which computes each of the diagnostics, the sequence test and the steps at most
// once for the JSON, the PDF, --point and --into.
struct BatchRun {
  explicit BatchRun(const BatchOptions& o) : options(o) { analysis.State().StepMode = o.step; }
  const BatchOptions& options;
  Analysis analysis;
  PlainImages plain;
  bool plain_loaded = false;                      // the images went the fast way, into `plain`
  std::vector<diagnostics_detail::Track> tracks;  // The fast computation's, for the warning.
  std::string failure;      // the computation's message, empty when it succeeded
  bool failed_run = false;  // The computation raised, rather than refused the images.
};

// Plain files go both cores' way; anything else, and every failure, the window's way. False
// when the files could not be loaded, with the window's message on `err`.
bool LoadImages(BatchRun& run, std::ostream& err) {
  const BatchOptions& options = run.options;
  // --json, --into, --pdf and the diagnostics' points read the loaded point sets, which only
  // the window's way keeps.
  run.plain_loaded = !options.json && options.into.empty() && options.pdf.empty() &&
                     options.point == PointChoice::kReport &&
                     LoadPlainImages(options.files, run.plain);
  try {
    if (!run.plain_loaded) run.analysis.Load(options.files);
  } catch (const ECoordinateFileError& e) {
    err << "Ошибка загрузки файла координат!\n" << e.Message() << "\n";
    for (const std::string& hint : e.Hints()) err << hint << "\n";
    return false;
  } catch (const std::exception& e) {  // Files too large for memory, as the window has it.
    err << "Ошибка загрузки файла координат!\n" << e.what() << "\n";
    return false;
  }
  return true;
}

// Computes into the report, keeping the failure's message as the window would show it.
void ComputeReport(BatchRun& run, ReportLines& report) {
  Calibration& calibration = run.analysis.State();
  try {
    switch (run.plain_loaded ? ComputePlainImages(run.plain, calibration, report, &run.tracks)
                             : calibration.Compute(report)) {
      case ComputeOutcome::kDone:
        break;
      case ComputeOutcome::kNoImages:
        run.failure = kNoImagesMessage;
        break;
      case ComputeOutcome::kOneImage:
        run.failure = kOneImageMessage;
        break;
    }
  } catch (const EUndeterminedPoint& e) {  // A refusal says all there is in its own words.
    run.failure = DisplayText(e.Message());
  } catch (const Exception& e) {
    run.failure = DisplayText(e.Message());
    run.failed_run = true;
  } catch (const std::exception& e) {  // Such as memory running out, as the window shows it.
    run.failure = DisplayText(e.what());
  }
}

// The PDF report, which keeps an existing file unless --overwrite. False when it is not
// written, with the reason on `err`.
bool WritePdf(const BatchRun& run, const std::vector<std::string>& args, const ReportLines& report,
              std::ostream& err) {
  const std::string& pdf = run.options.pdf;
  if (!run.options.overwrite && NameExists(pdf)) {
    err << "zirt-batch: " << pdf << " exists; give --overwrite to replace it\n";
    return false;
  }
  try {
    pdf_writer(pdf, report.Kept(), run.failure, run.analysis, CommandLine(args));
    err << pdf << "\n";
    return true;
  } catch (const std::exception& e) {
    err << "zirt-batch: the PDF report could not be written: " << e.what() << "\n";
    return false;
  }
}

// The report's end: the JSON object, the failure with its hint, and the PDF. Returns the exit
// code so far.
int FinishReport(const BatchRun& run, const std::vector<std::string>& args, ReportLines& report,
                 std::ostream& out, std::ostream& err) {
  const BatchOptions& options = run.options;
  if (options.json) WriteBatchJson(out, report.Kept(), run.failure, run.analysis);
  const bool written = report.Finish();
  int code = kBatchOk;
  if (!run.failure.empty()) {
    err << run.failure << "\n";
    // Run with nothing at all, the refusal alone does not say how the program is used.
    if (args.empty()) err << kBatchUsageText;
    if (run.failed_run) PrintHint(options.files, err);
    code = kBatchFailed;
  }
  // A report that did not reach its reader is a failure, whatever the computation did.
  if (!written) {
    err << "zirt-batch: the report could not be written: " << SystemReason(report.Error()) << "\n";
    return kBatchFailed;
  }
  if (!options.pdf.empty() && !WritePdf(run, args, report, err)) code = kBatchFailed;
  return code;
}

// After a report without failure: the warning on the measurements, then the point written
// into the files asked for.
int WritePoint(BatchRun& run, std::ostream& err) {
  const BatchOptions& options = run.options;
  WarnIfInconsistent(run.plain_loaded ? RefinedOf(run.plain, run.tracks) : run.analysis.Refined(),
                     err);
  int code = kBatchOk;
  if (!options.camera.empty())
    code = WriteCamera(run.analysis, options.point, options.camera, options.overwrite, err);
  if (code == kBatchOk && !options.into.empty())
    code = WriteIntoFile(run.analysis, PointName(options.point), options.into, options.into_options,
                         options.overwrite, err);
  return code;
}

}  // namespace

void SetPdfReportWriter(PdfReportWriter writer) {
  pdf_writer = writer;
}

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  BatchOptions options;
  if (const std::optional<int> code = ParseBatchArgs(args, options, out, err)) return *code;
  if (const int code = RefuseOutputs(options, err); code != kBatchOk) return code;
  BatchRun run(options);
  if (!LoadImages(run, err)) return kBatchFailed;
  ReportLines report(out, options.json, !options.pdf.empty());
  errno = 0;
  ComputeReport(run, report);
  const int code = FinishReport(run, args, report, out, err);
  return code == kBatchOk ? WritePoint(run, err) : code;
}

}  // namespace zirt
