// zirt-batch: the calibration of the main window without a window, for scripts.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "batch/batch_options.h"

namespace zirt {

// Runs zirt-batch on its arguments (without the program name): loads the files as the load
// command does, computes as the computation command does, prints the report lines on `out`
// and on failure the window's message as the first line of `err`. Returns the exit code.
// Writes the PDF report of --pdf; the program sets it when it is built with Qt's painting,
// and --pdf is refused without it. Raises EFileError when the file cannot be written.
using PdfReportWriter = void (*)(const std::string& path, const std::vector<std::string>& report,
                                 const std::string& failure, const Analysis& analysis,
                                 const std::string& command);
void SetPdfReportWriter(PdfReportWriter writer);

int RunBatch(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace zirt
