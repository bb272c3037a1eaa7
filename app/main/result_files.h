// The result in files that other programs and people use: the principal point written into
// another tool's calibration file, and the report as a PDF.
#pragma once

class TMPForm;

namespace zirt {

class Platform;

// Файл → Записать в файл калибровки…: the report's point into a copy of an OpenCV, ROS,
// COLMAP or Kalibr file, beside it with "P" before the extension.
void WriteCalibrationCommand(TMPForm& form, Platform& platform);

// Файл → Отчёт PDF…
void PdfReportCommand(TMPForm& form, Platform& platform);

}  // namespace zirt
