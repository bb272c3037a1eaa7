// The calibration as an A4 PDF a lab can file: the inputs with their SHA-256, the three
// estimates, the picture of the tracks, the tables per image and point, the gross errors and
// the sequence test, with the program's version, the date and the command.
#pragma once

#include <QByteArray>
#include <string>
#include <vector>

#include "analysis/analysis.h"

namespace zirt {

struct ReportInputs {
  std::vector<std::string> report;     // the report list's lines
  std::string failure;                 // the computation's message when it failed
  const Analysis* analysis = nullptr;  // the files, the report's point and what was computed
  std::string command;                 // what made the report
};

// The program version the report names.
inline constexpr const char* kReportVersion = "1.0.0";

// The PDF's bytes. Needs a QGuiApplication (fonts); reads the files again for their SHA-256.
QByteArray PdfReport(const ReportInputs& inputs);

// Writes PdfReport whole and atomically; EFileError when it cannot.
void WritePdfReport(const std::string& path, const ReportInputs& inputs);

}  // namespace zirt
