// zirt-measure's board roads: --charuco and --aprilgrid measure photographs of a board seen
// whole or in part; --make-board draws a board to print.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace zirt {

// Whether the arguments ask for a board road (they name --charuco, --aprilgrid or
// --make-board before any "--").
bool IsBoardRun(const std::vector<std::string>& args);

// Runs the board road; `usage` is zirt-measure's help, printed on a usage error. Returns the
// exit code as RunMeasure does.
int RunBoards(const std::vector<std::string>& args, const char* usage, std::ostream& out,
              std::ostream& err);

}  // namespace zirt
