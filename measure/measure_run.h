// zirt-measure: coordinate files measured from photographs of a calibration pattern, one
// file per image, in one point order, ready for the load command and zirt-batch.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "measure/pattern.h"

namespace zirt {

inline constexpr int kMeasureOk = 0;
inline constexpr int kMeasureFailed = 1;
inline constexpr int kMeasureUsage = 2;

// The coordinate file's lines for one image's points, as the editor writes numbers.
std::vector<std::string> CoordinateLines(const std::vector<ImagePoint>& points);

// Runs zirt-measure on its arguments (without the program name, names as bytes). With
// --progress a line "K/N IMAGE" goes to `out` after each image measured, in the images'
// order. Errors name the image or file on `err`, one line "zirt-measure: IMAGE: REASON" for
// each image not measured. Returns the exit code; a stop signal while images are measured
// ends the process with 128 + its number (see HoldStopSignals).
int RunMeasure(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zirt
