// zirt-measure's write phase: every coordinate file written all or none, also when a stop
// signal comes while they are written.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "measure/pattern.h"

namespace zirt {

// Writes points[k] to files[k]: each to a temporary first, then all renamed in one short
// phase. A stop signal before that phase, an existing file (without `overwrite`) or a failed
// write removes every temporary and leaves every file as it was. Names the fault on `err`;
// returns the exit code (128 + the signal's number when stopped).
int WriteCoordinateFiles(const std::vector<std::string>& files,
                         const std::vector<std::vector<ImagePoint>>& points, bool overwrite,
                         std::ostream& err);

}  // namespace zirt
