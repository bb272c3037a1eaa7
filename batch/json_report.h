// The object that zirt-batch --json prints: the report, the principal point and the
// diagnostics (refined and robust point, gross errors, residuals per image and point).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "analysis/analysis.h"

namespace zirt {

// Writes the object on `out`: the analysis's files as given, `report` the report's lines,
// `failure` the computation's message or empty when it succeeded (the principal point is then
// read from the analysis), and what the analysis computed. Ends with a newline.
void WriteBatchJson(std::ostream& out, const std::vector<std::string>& report,
                    const std::string& failure, const Analysis& analysis);

}  // namespace zirt
