// zirt-batch --into: the point written into another tool's calibration file beside it.
#pragma once

#include <iosfwd>
#include <string>

#include "analysis/analysis.h"
#include "export/calibration_export.h"

namespace zirt {

// Writes the point of `estimate` ("report", "refined", "robust") into a copy of `picked`
// named by CalibrationOutputName; an existing copy is replaced only with `overwrite`. Prints
// the name written, or the refusal with its reason, on `err`; returns the exit code.
int WriteIntoFile(const Analysis& analysis, const std::string& estimate, const std::string& picked,
                  const ExportOptions& options, bool overwrite, std::ostream& err);

}  // namespace zirt
