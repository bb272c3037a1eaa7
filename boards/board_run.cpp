#include "boards/board_run.h"

#include <charconv>
#include <cstdlib>
#include <optional>
#include <ostream>

#include "boards/board_print.h"
#include "boards/board_sequence.h"
#include "data/posix_file.h"
#include "measure/image_grey.h"
#include "measure/measure_in_order.h"
#include "measure/measure_outputs.h"
#include "measure/measure_run.h"
#include "measure/measure_write.h"
#include "measure/stop_signals.h"

namespace zirt {
namespace {

struct Options {
  std::optional<Board> board;
  std::string board_text;
  bool aprilgrid = false;
  double tag_spacing = 0.3;
  bool make = false;
  PrintOptions print;
  std::string out_dir;
  bool overwrite = false;
  bool progress = false;
  double max_megapixels = kDefaultMaxMegapixels;
  std::vector<std::string> images;
};

// Numbers are read with a point whatever the regional settings (Qt sets the C library's
// locale from them, and strtod would follow it).
bool ParseNumber(const std::string& text, double low, double high, double& value) {
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return !text.empty() && error == std::errc() && stop == end && value >= low && value <= high;
}

// Fills `options`; on a usage error returns its message.
std::string ParseOptions(const std::vector<std::string>& args, Options& o) {
  bool options_end = false, charuco = false;
  const auto next = [&](std::size_t& k) -> const std::string* {
    return k + 1 < args.size() ? &args[++k] : nullptr;
  };
  for (std::size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    const std::string* value = nullptr;
    if (options_end || arg.empty() || arg[0] != '-') {
      o.images.push_back(arg);
    } else if (arg == "--") {
      options_end = true;
    } else if (arg == "--overwrite") {
      o.overwrite = true;
    } else if (arg == "--progress") {
      o.progress = true;
    } else if (arg == "--out") {
      if (!(value = next(k)) || value->empty()) return "--out needs a folder";
      o.out_dir = *value;
    } else if (arg == "--max-megapixels") {
      if (!(value = next(k)) || !ParseNumber(*value, 1e-9, 1e6, o.max_megapixels))
        return "--max-megapixels needs a number of million pixels above 0";
    } else if (arg == "--charuco" || arg == "--aprilgrid") {
      if (charuco || o.aprilgrid || o.make) return "give one board only";
      if (!(value = next(k))) return arg + " needs COLSxROWS";
      (arg == "--charuco" ? charuco : o.aprilgrid) = true;
      o.board_text = *value;
    } else if (arg == "--make-board") {
      if (charuco || o.aprilgrid || o.make) return "give one board only";
      const std::string* kind = next(k);
      if (!kind || (*kind != "charuco" && *kind != "aprilgrid"))
        return "--make-board needs charuco or aprilgrid, then COLSxROWS";
      if (!(value = next(k))) return "--make-board " + *kind + " needs COLSxROWS";
      o.make = true;
      (*kind == "charuco" ? charuco : o.aprilgrid) = true;
      o.board_text = *value;
    } else if (arg == "--tag-spacing") {
      if (!(value = next(k)) || !ParseNumber(*value, 0.05, 1, o.tag_spacing))
        return "--tag-spacing needs a share of the tag's size from 0.05 to 1";
    } else if (arg == "--square-mm") {
      if (!(value = next(k)) || !ParseNumber(*value, 1, 1000, o.print.square_mm))
        return "--square-mm needs a size in millimetres from 1 to 1000";
    } else if (arg == "--pdf") {
      if (!(value = next(k)) || value->empty()) return "--pdf needs a file";
      o.print.pdf = *value;
    } else if (arg == "--paper") {
      if (!(value = next(k)) || !ParsePaper(*value, o.print))
        return "--paper needs A4, A3 or WIDTHxHEIGHT in millimetres";
    } else {
      return "unknown option " + arg;
    }
  }
  std::string error;
  if (charuco) o.board = ParseCharuco(o.board_text, error);
  if (o.aprilgrid) o.board = ParseAprilGrid(o.board_text, o.tag_spacing, error);
  if (!o.board) return error;
  if (o.make) {
    if (!o.images.empty()) return "--make-board takes no images";
    if (o.print.pdf.empty()) return "--make-board needs --pdf FILE";
    if (!(o.print.square_mm > 0)) return "--make-board needs --square-mm";
    return {};
  }
  if (!o.print.pdf.empty() || o.print.square_mm > 0)
    return "--pdf and --square-mm go with --make-board";
  if (o.images.empty()) return "give one or more images";
  return {};
}

struct Measured {
  bool done = false;
  BoardImage found;
  std::string error;
};

void MeasureOne(const std::string& image, const Options& options, Measured& result) {
  try {
    result.found = FindBoardPoints(LoadGreyImage(image, options.max_megapixels), *options.board);
    if (const std::string why = BoardMismatch(result.found, *options.board); !why.empty())
      result.error = image + ": " + why;
  } catch (const EImageError& e) {
    result.error = e.Message();
  } catch (const std::exception& e) {  // OpenCV's own failures, memory running out.
    result.error = image + ": cannot be measured: " + e.what();
  }
}

std::vector<Measured> MeasureAll(const Options& options, MadeFolders& made, std::ostream& out,
                                 std::ostream& err) {
  return MeasureInOrder<Measured>(
      options.images, options.progress,
      [&](const std::string& image, Measured& result) { MeasureOne(image, options, result); }, made,
      out, err);
}

int Failed(MadeFolders& made, std::ostream& err) {
  err << "zirt-measure: nothing written\n";
  made.RemoveEmpty();
  return kMeasureFailed;
}

int Measure(const Options& options, std::ostream& out, std::ostream& err) {
  std::vector<std::string> files;
  MadeFolders made;
  if (const int code =
          PrepareOutputs(options.images, options.out_dir, options.overwrite, files, made, err);
      code != kMeasureOk)
    return code;
  std::vector<Measured> results = MeasureAll(options, made, out, err);
  std::vector<BoardImage> found;
  bool failed = false, markers = false;
  for (Measured& result : results) {
    failed = failed || !result.error.empty();
    markers = markers || result.found.markers > 0;
    found.push_back(std::move(result.found));
  }
  if (failed) return Failed(made, err);
  const Board& board = *options.board;
  if (!markers) {
    err << "zirt-measure: no marker of the " << board.Describe()
        << " board is seen in any image: check the board's kind and dictionary\n";
    return Failed(made, err);
  }
  const BoardSequence sequence = AssembleSequence(found);
  for (const int k : sequence.left_out)
    err << "zirt-measure: warning: " << options.images[k] << ": " << found[k].seen
        << " corners of the board seen (" << kMinBoardPoints
        << " needed, each also in another image); left out, no file written\n";
  if (sequence.kept.size() < 2) {
    err << "zirt-measure: fewer than two images show the board well enough\n";
    return Failed(made, err);
  }
  std::vector<std::string> kept_files;
  for (const int k : sequence.kept) kept_files.push_back(files[k]);
  const int code = WriteCoordinateFiles(kept_files, sequence.points, options.overwrite, err);
  if (code != kMeasureOk) made.RemoveEmpty();
  return code;
}

}  // namespace

bool IsBoardRun(const std::vector<std::string>& args) {
  for (const std::string& arg : args) {
    if (arg == "--") return false;
    if (arg == "--charuco" || arg == "--aprilgrid" || arg == "--make-board") return true;
  }
  return false;
}

int RunBoards(const std::vector<std::string>& args, const char* usage, std::ostream& out,
              std::ostream& err) {
  Options options;
  if (const std::string problem = ParseOptions(args, options); !problem.empty()) {
    err << "zirt-measure: " << problem << "\n" << usage;
    return kMeasureUsage;
  }
  if (options.make) {
    // A file of the user's is not replaced unasked, as with the coordinate files.
    if (!options.overwrite && NameExists(options.print.pdf)) {
      err << "zirt-measure: " << options.print.pdf << " exists; give --overwrite to replace it\n";
      return kMeasureFailed;
    }
    if (const std::string problem = WriteBoardPdf(*options.board, options.print);
        !problem.empty()) {
      err << "zirt-measure: " << problem << "\n";
      return kMeasureFailed;
    }
    return kMeasureOk;
  }
  return Measure(options, out, err);
}

}  // namespace zirt
