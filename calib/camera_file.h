// Writing the principal point into a camera file: the lines taken from the picked file or a
// blank template, lines 7 and 8 replaced, and the name of the file written.
#pragma once

#include <string>
#include <string_view>

#include "data/text_file.h"

namespace zirt {

// The camera file of a camera not yet described: six empty values with their comments, and
// two empty lines for the principal point.
TextLines BlankCameraTemplate();

// Replaces lines 7 and 8 (indexes 6 and 7) by the principal point written by FormatFixed4
// with their comments; every other line stays. Raises Exception with fewer than 8 lines.
void PutPrincipalPoint(TextLines& lines, double x, double y);

// The name the result is written under, beside the picked file: its last component without a
// ".cam" ending (any letter case), followed by "P.cam". "D:\calib\cam1.cam" gives
// "D:\calib\cam1P.cam"; "cam1" gives "cam1P.cam".
std::string CameraOutputName(std::string_view picked);

// The lines to write for a picked camera file name: the picked file's lines when it exists
// (EFileError when it can't be read), else the blank template; then the principal point.
TextLines CameraFileLines(const std::string& picked, bool picked_exists, double x, double y);

}  // namespace zirt
