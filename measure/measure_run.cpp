#include "measure/measure_run.h"

#include <algorithm>
#include <charconv>
#include <mutex>
#include <new>
#include <opencv2/core.hpp>
#include <optional>
#include <ostream>

#include "boards/board_run.h"
#include "data/coordinate_file.h"
#include "measure/image_grey.h"
#include "measure/measure_in_order.h"
#include "measure/measure_outputs.h"
#include "measure/measure_write.h"
#include "measure/point_order.h"
#include "measure/scene_features.h"
#include "measure/stop_signals.h"
#include "measure/zoom_check.h"

namespace zirt {
namespace {

constexpr const char* kUsage =
    "Usage: zirt-measure --chessboard COLSxROWS|auto | --circles COLSxROWS |\n"
    "                    --asymmetric-circles COLSxROWS | --features [--max-points N]\n"
    "                    [--out DIR] [--overwrite] [--progress] [--max-megapixels N] IMAGE...\n"
    "Finds the calibration pattern in every image (JPEG, PNG, TIFF) and writes its points, in\n"
    "the same order for every image, to STEM.crd beside the image or in DIR.\n"
    "COLS and ROWS count the inner corners of a chessboard or the circles of a grid; with\n"
    "--chessboard auto the count is found in the first image and printed as \"chessboard\n"
    "COLSxROWS\" on standard output.\n"
    "With --features there is no target: points of the scene itself are tracked through the\n"
    "images (a static scene, the camera on a tripod), at most N of them (2000 by default).\n"
    "  --out DIR     write the files into DIR (created when missing)\n"
    "  --overwrite   replace existing coordinate files (kept otherwise, and nothing written)\n"
    "  --progress    print \"K/N IMAGE\" on standard output after each image measured\n"
    "  --max-megapixels N  refuse images of more than N million pixels (default 100), told\n"
    "                by the image's header before it is decoded\n"
    "  --help        this text\n"
    "       zirt-measure --charuco COLSxROWS[:DICTIONARY] | --aprilgrid COLSxROWS\n"
    "                    [--tag-spacing R] [--out DIR] [--overwrite] [--progress] IMAGE...\n"
    "       zirt-measure --make-board charuco COLSxROWS[:DICTIONARY] | aprilgrid COLSxROWS\n"
    "                    --square-mm S --pdf FILE [--paper A4|A3|WIDTHxHEIGHT] [--tag-spacing R]\n"
    "                    [--overwrite]\n"
    "A ChArUco board (COLS x ROWS squares, markers of an OpenCV dictionary, DICT_5X5_100 by\n"
    "default) or an AprilGrid (COLS x ROWS tag36h11 tags, their gap R of a tag's size, 0.3 by\n"
    "default) may be seen in part: every corner found is numbered by the markers around it\n"
    "(ChArUco: OpenCV's corner numbers; AprilGrid: Kalibr's point numbers), a corner not seen\n"
    "in an image is written as \"- ; -\", a corner seen in one image only is left out, and an\n"
    "image with fewer than 4 corners is left out with a warning (no file written for it).\n"
    "--make-board draws the board to print as a vector PDF at exact scale, S millimetres a\n"
    "square (ChArUco) or a tag (AprilGrid), with its parameters and a 100 mm check ruler.\n"
    "Nothing is written unless the pattern is found in every image and every image's points\n"
    "are the first image's seen through a zoom; an output that is one of the images is\n"
    "refused before anything is measured. Numbers are written with\n"
    "the decimal separator of the regional settings (LC_ALL, LC_NUMERIC, LANG).\n";

struct Options {
  std::optional<Pattern> pattern;
  bool features = false;
  int max_points = kDefaultMaxTracks;
  std::string out_dir;
  bool overwrite = false;
  bool progress = false;
  bool help = false;
  double max_megapixels = kDefaultMaxMegapixels;
  std::vector<std::string> images;
};

bool ParseMaxPoints(const std::string& text, int& count) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, count);
  return error == std::errc() && stop == end && count >= kMinTracks && count <= 100000;
}

// Read with a point whatever the regional settings: Qt sets the C library's locale from them,
// and strtod would follow it.
bool ParseMegapixels(const std::string& text, double& limit) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, limit);
  return !text.empty() && error == std::errc() && stop == end && limit > 0 && limit <= 1e6;
}

// Fills `options`; on a usage error returns its message.
std::string ParseOptions(const std::vector<std::string>& args, Options& options) {
  bool options_end = false;
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    std::optional<PatternKind> kind;
    if (options_end) {
      options.images.push_back(arg);
      continue;
    }
    if (arg == "--") {
      options_end = true;
    } else if (arg == "--help") {
      options.help = true;
    } else if (arg == "--overwrite") {
      options.overwrite = true;
    } else if (arg == "--progress") {
      options.progress = true;
    } else if (arg == "--out") {
      if (k + 1 == args.size() || args[k + 1].empty()) return "--out needs a folder";
      options.out_dir = args[++k];
    } else if (arg == "--max-megapixels") {
      if (k + 1 == args.size() || !ParseMegapixels(args[++k], options.max_megapixels))
        return "--max-megapixels needs a number of million pixels above 0";
    } else if (arg == "--features") {
      options.features = true;
    } else if (arg == "--max-points") {
      if (k + 1 == args.size() || !ParseMaxPoints(args[k + 1], options.max_points))
        return "--max-points needs a count from " + std::to_string(kMinTracks) + " to 100000";
      ++k;
    } else if (arg == "--chessboard") {
      kind = PatternKind::kChessboard;
    } else if (arg == "--circles") {
      kind = PatternKind::kCircles;
    } else if (arg == "--asymmetric-circles") {
      kind = PatternKind::kAsymmetricCircles;
    } else if (arg.size() > 1 && arg[0] == '-') {
      return "unknown option " + arg;
    } else {
      options.images.push_back(arg);
    }
    if (kind) {
      if (options.pattern) return "give one pattern only";
      if (k + 1 == args.size()) return arg + " needs COLSxROWS";
      options.pattern = ParsePatternSize(*kind, args[++k]);
      if (!options.pattern)
        return "bad pattern size " + args[k] + " (COLSxROWS, 2 to 100 each" +
               (*kind == PatternKind::kChessboard ? ", or auto)" : ")");
    }
  }
  if (options.help) return {};
  if (options.features && options.pattern) return "give a pattern or --features, not both";
  if (!options.pattern && !options.features)
    return "give the pattern: --chessboard, --circles or --asymmetric-circles (or --features)";
  if (options.images.empty()) return "give one or more images";
  return {};
}

std::string SizeText(int cols, int rows) {
  return std::to_string(cols) + "x" + std::to_string(rows);
}

// The chessboard another image of this run showed instead of the size asked. A run's images
// are one board's zoom sequence, so the next miss first tries that size: one finder call in
// place of the whole size search, which costs several times a found board.
class SeenBoard {
 public:
  Pattern Get() {
    std::lock_guard lock(mutex_);
    return seen_;
  }
  void Set(const Pattern& seen) {
    std::lock_guard lock(mutex_);
    seen_ = seen;
  }

 private:
  std::mutex mutex_;
  Pattern seen_{PatternKind::kChessboard, 0, 0};
};

bool SameSize(const Pattern& a, const Pattern& b) {
  return std::min(a.cols, a.rows) == std::min(b.cols, b.rows) &&
         std::max(a.cols, a.rows) == std::max(b.cols, b.rows);
}

// The chessboard in view: the one seen before when it is found whole here (the finder
// refuses a board that goes on past it), else the one the size search finds.
Pattern BoardInView(const cv::Mat& grey, SeenBoard& before) {
  const Pattern seen = before.Get();
  if (seen.Count() > 0 && FindPattern(grey, seen)) return seen;
  const Pattern found = FindChessboardPattern(grey);
  if (found.Count() > 0) before.Set(found);
  return found;
}

// Why the pattern was not found, with the size to give where a chessboard of another size is
// in view.
std::string NotFound(const cv::Mat& grey, const Pattern& pattern, const FindDetail& detail,
                     SeenBoard& before) {
  const std::string asked = SizeText(pattern.cols, pattern.rows);
  if (pattern.kind != PatternKind::kChessboard) return "the pattern is not found";
  if (detail.larger)
    return "the chessboard has more inner corners than " + asked +
           ": check the pattern size (or give --chessboard auto)";
  // The finder names a board it saw whole in a glance; else the board is looked for here.
  if (detail.other.Count() > 0) before.Set(detail.other);
  const Pattern seen = detail.other.Count() > 0 ? detail.other : BoardInView(grey, before);
  if (seen.Count() > 0 && !SameSize(seen, pattern))
    return "the pattern is not found; a chessboard of " + SizeText(seen.cols, seen.rows) +
           " inner corners is in view: check the pattern size";
  return "the pattern is not found";
}

// What failed, in this tool's words: OpenCV's own texts name its internals, not the image.
std::string Failure(const std::exception& e) {
  if (dynamic_cast<const std::bad_alloc*>(&e)) return "not enough memory";
  if (dynamic_cast<const cv::Exception*>(&e))
    return "the pattern finder failed on it (a damaged or unusual image)";
  return e.what();
}

// One image's outcome: its points in the finder's order, or the message naming it.
struct Measured {
  bool done = false;
  std::vector<ImagePoint> points;
  std::string error;
};

void MeasureOne(const std::string& image, const Options& options, SeenBoard& before,
                Measured& result) {
  try {
    const cv::Mat grey = LoadGreyImage(image, options.max_megapixels);
    FindDetail detail;
    const std::optional<std::vector<ImagePoint>> points =
        FindPattern(grey, *options.pattern, &detail);
    if (points) {
      result.points = *points;
    } else {
      result.error = image + ": " + NotFound(grey, *options.pattern, detail, before);
    }
  } catch (const EImageError& e) {
    result.error = e.Message();
  } catch (const std::exception& e) {  // OpenCV's own failures, memory running out.
    result.error = image + ": cannot be measured: " + Failure(e);
  }
}

std::vector<Measured> MeasureAll(const Options& options, MadeFolders& made, std::ostream& out,
                                 std::ostream& err) {
  SeenBoard before;
  return MeasureInOrder<Measured>(
      options.images, options.progress,
      [&](const std::string& image, Measured& result) {
        MeasureOne(image, options, before, result);
      },
      made, out, err);
}

}  // namespace

std::vector<std::string> CoordinateLines(const std::vector<ImagePoint>& points) {
  std::vector<std::string> lines;
  lines.reserve(points.size());
  for (const ImagePoint& p : points) lines.push_back(FormatCoordinateLine(p.x, p.y));
  return lines;
}

int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (IsBoardRun(args)) return RunBoards(args, kUsage, out, err);
  Options options;
  if (const std::string usage = ParseOptions(args, options); !usage.empty()) {
    err << "zirt-measure: " << usage << "\n" << kUsage;
    return kMeasureUsage;
  }
  if (options.help) {
    out << kUsage;
    return kMeasureOk;
  }
  std::vector<std::string> files;
  MadeFolders made;
  if (const int code =
          PrepareOutputs(options.images, options.out_dir, options.overwrite, files, made, err);
      code != kMeasureOk)
    return code;

  if (options.features) {
    const auto stop = [&] { ExitIfStopped(made, err); };
    std::vector<std::vector<ImagePoint>> measured;
    if (!MeasureScene(options.images, options.max_points, options.max_megapixels,
                      options.progress ? &out : nullptr, err, stop, measured)) {
      err << "zirt-measure: nothing written\n";
      made.RemoveEmpty();
      return kMeasureFailed;
    }
    const int code = WriteCoordinateFiles(files, measured, options.overwrite, err);
    if (code != kMeasureOk) made.RemoveEmpty();
    return code;
  }

  Pattern& pattern = *options.pattern;
  if (pattern.Count() == 0) {
    try {
      pattern = FindChessboardPattern(LoadGreyImage(options.images[0], options.max_megapixels));
    } catch (const EImageError& e) {
      err << "zirt-measure: " << e.Message() << "\nzirt-measure: nothing written\n";
      made.RemoveEmpty();
      return kMeasureFailed;
    } catch (const std::exception& e) {  // OpenCV's own failures, memory running out.
      err << "zirt-measure: " << options.images[0] << ": cannot be measured: " << Failure(e)
          << "\nzirt-measure: nothing written\n";
      made.RemoveEmpty();
      return kMeasureFailed;
    }
    if (pattern.Count() == 0) {
      err << "zirt-measure: " << options.images[0]
          << ": no chessboard is found to count its corners\nzirt-measure: nothing written\n";
      made.RemoveEmpty();
      return kMeasureFailed;
    }
    out << "chessboard " << pattern.cols << "x" << pattern.rows << std::endl;
  }

  // Every image is tried, so that one run names every image to retake.
  std::vector<Measured> results = MeasureAll(options, made, out, err);
  bool failed = false;
  for (const Measured& result : results) failed = failed || !result.error.empty();
  if (failed) {
    err << "zirt-measure: nothing written\n";
    made.RemoveEmpty();
    return kMeasureFailed;
  }
  // The first image fixes the order; the zoom check gives every other image the numbering
  // of the board's symmetries that fits it.
  std::vector<std::vector<ImagePoint>> measured(results.size());
  for (std::size_t k = 0; k < results.size(); ++k)
    measured[k] = k == 0 ? OrderFirst(results[0].points, pattern) : std::move(results[k].points);
  if (const std::optional<ZoomRefusal> refusal = MatchToFirst(measured, pattern)) {
    err << "zirt-measure: " << options.images[refusal->image] << ": " << refusal->reason
        << "\nzirt-measure: nothing written\n";
    made.RemoveEmpty();
    return kMeasureFailed;
  }

  const int code = WriteCoordinateFiles(files, measured, options.overwrite, err);
  if (code != kMeasureOk) made.RemoveEmpty();
  return code;
}

}  // namespace zirt
