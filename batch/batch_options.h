// zirt-batch's command line: the options it takes, their reading and the usage text.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "export/calibration_export.h"

namespace zirt {

// Exit codes of zirt-batch.
inline constexpr int kBatchOk = 0;
inline constexpr int kBatchFailed = 1;
inline constexpr int kBatchUsage = 2;

// How zirt-batch is used, as --help prints it.
extern const char* const kBatchUsageText;

// The point --camera and --into write.
enum class PointChoice { kReport, kRefined, kRobust };

// Its name as --point takes it.
const char* PointName(PointChoice choice);

struct BatchOptions {
  std::vector<std::string> files;  // the coordinate files, in order
  bool step = false;               // --step
  bool json = false;               // --json
  bool overwrite = false;          // --overwrite
  std::string camera;              // --camera, empty without it
  std::string into;                // --into, empty without it
  ExportOptions into_options;      // --colmap-camera, --kalibr-camera
  std::string pdf;                 // --pdf, empty without it
  PointChoice point = PointChoice::kReport;
};

// Reads the arguments (without the program name) into `options`. Returns the exit code when
// the run ends with them: --help printed on `out`, or a wrong option refused on `err` with the
// usage; nothing when the run goes on.
std::optional<int> ParseBatchArgs(const std::vector<std::string>& args, BatchOptions& options,
                                  std::ostream& out, std::ostream& err);

}  // namespace zirt
