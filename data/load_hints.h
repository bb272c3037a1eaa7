// What the windows add to a refused load or a short image so that the user knows what to
// do: where the fault is, its likely cause, and the counts of points that differ.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zirt {

// "zoom1.crd, строка 3", or the file alone when the file itself could not be read.
std::string LoadFaultPlace(const std::string& file, int line);

// Lines that say what to do about refused line `line` (1-based) of a coordinate file's text,
// read with decimal separator `separator`: the text reads with the other separator, or the
// refused line is an empty last line. Empty when neither is the case.
std::vector<std::string> LoadFaultHints(std::string_view text, int line, char separator);

// Images fitted line by line need as many points as the first image. For the first image
// with fewer: "Точек в файле zoom3.crd: 8, в файле zoom1.crd: 12."; empty when none is
// shorter.
std::string PointCountNote(const std::vector<std::string>& names, const std::vector<int>& counts);

class ImageSets;

// What a load takes without fault but is worth a word, one line each: an empty file (the
// computation would fail on it later) and two files of the same points (one image taken
// twice under two names). `names` are the files' short names, in load order.
std::vector<std::string> LoadNotes(const std::vector<std::string>& names, const ImageSets& images);

}  // namespace zirt
