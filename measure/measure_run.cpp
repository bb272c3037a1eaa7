#include "measure/measure_run.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <opencv2/core.hpp>
#include <optional>
#include <ostream>
#include <set>

#include "data/coordinate_file.h"
#include "data/text_file.h"
#include "measure/image_grey.h"
#include "measure/point_order.h"
#include "measure/scene_features.h"
#include "measure/zoom_check.h"

namespace zirt {
namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "Usage: zirt-measure --chessboard COLSxROWS|auto | --circles COLSxROWS |\n"
    "                    --asymmetric-circles COLSxROWS | --features [--max-points N]\n"
    "                    [--out DIR] [--overwrite] [--progress] IMAGE...\n"
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
    "  --help        this text\n"
    "Nothing is written unless the pattern is found in every image and every image's points\n"
    "are the first image's seen through a zoom. Numbers are written with\n"
    "the decimal separator of the regional settings (LC_ALL, LC_NUMERIC, LANG).\n";

struct Options {
  std::optional<Pattern> pattern;
  bool features = false;
  int max_points = kDefaultMaxTracks;
  std::string out_dir;
  bool overwrite = false;
  bool progress = false;
  bool help = false;
  std::vector<std::string> images;
};

bool ParseMaxPoints(const std::string& text, int& count) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, count);
  return error == std::errc() && stop == end && count >= kMinTracks && count <= 100000;
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

// The one file this run writes for each image, refusing two images that would share one.
std::string OutputFiles(const Options& options, std::vector<std::string>& files) {
  std::set<fs::path> seen;
  for (const std::string& image : options.images) {
    files.push_back(CoordinateFileFor(image, options.out_dir));
    std::error_code ignored;
    const fs::path key = fs::absolute(files.back(), ignored).lexically_normal();
    if (!seen.insert(key).second) return "two images would both write " + files.back();
  }
  return {};
}

std::string SizeText(int cols, int rows) {
  return std::to_string(cols) + "x" + std::to_string(rows);
}

// Why the pattern was not found, with the size to give where a chessboard of another size is
// in view.
std::string NotFound(const cv::Mat& grey, const Pattern& pattern, const FindDetail& detail) {
  const std::string asked = SizeText(pattern.cols, pattern.rows);
  if (pattern.kind != PatternKind::kChessboard) return "the pattern is not found";
  if (detail.larger)
    return "the chessboard has more inner corners than " + asked +
           ": check the pattern size (or give --chessboard auto)";
  const Pattern seen = FindChessboardPattern(grey);
  if (seen.Count() > 0 && !(std::min(seen.cols, seen.rows) == std::min(pattern.cols, pattern.rows) &&
                            std::max(seen.cols, seen.rows) == std::max(pattern.cols, pattern.rows)))
    return "the pattern is not found; a chessboard of " + SizeText(seen.cols, seen.rows) +
           " inner corners is in view: check the pattern size";
  return "the pattern is not found";
}

}  // namespace

std::vector<std::string> CoordinateLines(const std::vector<ImagePoint>& points) {
  std::vector<std::string> lines;
  lines.reserve(points.size());
  for (const ImagePoint& p : points) lines.push_back(FormatCoordinateLine(p.x, p.y));
  return lines;
}

std::string CoordinateFileFor(const std::string& image, const std::string& out_dir) {
  const fs::path path(image);
  std::string stem = path.filename().string();
  if (const auto dot = stem.rfind('.'); dot != std::string::npos && dot > 0) stem.resize(dot);
  const fs::path folder = out_dir.empty() ? path.parent_path() : fs::path(out_dir);
  return (folder / (stem + ".crd")).string();
}

int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
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
  if (const std::string usage = OutputFiles(options, files); !usage.empty()) {
    err << "zirt-measure: " << usage << "\n";
    return kMeasureUsage;
  }

  // Existing files are named before any time goes into measuring.
  if (!options.overwrite) {
    bool exists = false;
    for (const std::string& file : files) {
      std::error_code ignored;
      if (fs::exists(fs::symlink_status(file, ignored))) {
        err << "zirt-measure: " << file << " exists; give --overwrite to replace it\n";
        exists = true;
      }
    }
    if (exists) return kMeasureFailed;
  }

  Pattern scene;  // --features: no pattern
  Pattern& pattern = options.pattern ? *options.pattern : scene;
  if (!options.features && pattern.Count() == 0) {
    try {
      pattern = FindChessboardPattern(LoadGreyImage(options.images[0]));
    } catch (const EImageError& e) {
      err << "zirt-measure: " << e.Message() << "\n";
      return kMeasureFailed;
    }
    if (pattern.Count() == 0) {
      err << "zirt-measure: " << options.images[0]
          << ": no chessboard is found to count its corners\nzirt-measure: nothing written\n";
      return kMeasureFailed;
    }
    out << "chessboard " << pattern.cols << "x" << pattern.rows << std::endl;
  }

  // Every image is tried, so that one run names every image to retake.
  std::vector<std::vector<ImagePoint>> measured(options.images.size());
  std::vector<ImagePoint> first;
  bool failed = false;
  if (options.features)
    failed = !MeasureScene(options.images, options.max_points, options.progress ? &out : nullptr,
                           err, measured);
  for (std::size_t k = 0; !options.features && k < options.images.size(); ++k) {
    const std::string& image = options.images[k];
    try {
      const cv::Mat grey = LoadGreyImage(image);
      FindDetail detail;
      const std::optional<std::vector<ImagePoint>> points = FindPattern(grey, pattern, &detail);
      if (!points) {
        err << "zirt-measure: " << image << ": " << NotFound(grey, pattern, detail) << "\n";
        failed = true;
      } else if (first.empty()) {
        measured[k] = first = OrderFirst(*points, pattern);
      } else {
        measured[k] = OrderLike(first, *points, pattern);
      }
    } catch (const EImageError& e) {
      err << "zirt-measure: " << e.Message() << "\n";
      failed = true;
    } catch (const std::exception& e) {  // OpenCV's own failures, memory running out.
      err << "zirt-measure: " << image << ": " << e.what() << "\n";
      failed = true;
    }
    if (options.progress) out << k + 1 << "/" << options.images.size() << " " << image << std::endl;
  }
  if (!failed && !options.features) {
    if (const std::optional<ZoomRefusal> refusal = MatchToFirst(measured, pattern)) {
      err << "zirt-measure: " << options.images[refusal->image] << ": " << refusal->reason << "\n";
      failed = true;
    }
  }
  if (failed) {
    err << "zirt-measure: nothing written\n";
    return kMeasureFailed;
  }
  WrittenFiles written;
  bool made_folder = false;
  try {
    if (!options.out_dir.empty()) {
      std::error_code error;
      made_folder = fs::create_directories(options.out_dir, error);
      if (error) throw EFileError(options.out_dir + ": " + error.message());
    }
    for (std::size_t k = 0; k < files.size(); ++k) {
      // A file that appeared while the images were measured is kept all the same.
      std::error_code ignored;
      if (!options.overwrite && fs::exists(fs::symlink_status(files[k], ignored)))
        throw EFileError(files[k] + " exists; give --overwrite to replace it");
      written.Write(files[k], CoordinateLines(measured[k]));
    }
  } catch (const std::exception& e) {
    const bool any_written = !written.Empty();
    for (const std::string& failure : written.TakeBack())
      err << "zirt-measure: " << failure << "\n";
    std::error_code ignored;
    if (made_folder) fs::remove(options.out_dir, ignored);  // Only while it is empty.
    err << "zirt-measure: " << e.what() << "\n";
    if (any_written)
      err << "zirt-measure: the files written before it were removed or given back their old "
             "content\n";
    return kMeasureFailed;
  }
  return kMeasureOk;
}

}  // namespace zirt
