// The object that zirt-batch --json prints: the report, the principal point and the
// diagnostics (refined and robust point, gross errors, residuals per image and point).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "diagnostics/diagnostics.h"

namespace zirt {

// Writes the object on `out`: `files` as given, `report` the report's lines, `failure` the
// computation's message or empty when it succeeded (the principal point is then read from
// `calibration`), the diagnostics with `search_work` for the search for gross errors. Ends
// with a newline.
void WriteBatchJson(std::ostream& out, const std::vector<std::string>& files,
                    const std::vector<std::string>& report, const std::string& failure,
                    const Calibration& calibration, double search_work = kOutlierSearchWork);

}  // namespace zirt
