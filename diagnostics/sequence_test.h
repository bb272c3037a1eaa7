// Whether the camera moved during the sequence: each image's common shift against the model
// in which every track is a line through one centre, with its σ and a test over all images.
#pragma once

#include <string>
#include <vector>

#include "diagnostics/diagnostics.h"

namespace zirt {

// One image's shift: the (dx, dy) that, added to all its measurements, best explains their
// distances from the tracks' lines, with the tracks' directions and the centre refitted.
struct ImageShift {
  bool defined = false;  // false where the image's tracks leave the shift undetermined
  double dx = 0, dy = 0;
  double sigma_x = 0, sigma_y = 0;
  double statistic = 0;  // F with 2 and dof − 2 degrees of freedom
  bool flagged = false;
};

struct SequenceTest {
  bool defined = false;  // three images or more, and a refined point
  double bound = 0;      // the F each image's statistic is held against
  std::vector<ImageShift> images;
  // Per image, its reference points (from 0) whose measurements the diagnostics set aside as
  // gross errors, which the other images' tests leave out; empty without the diagnostics.
  std::vector<std::vector<int>> set_aside;
};

// The test's level over the whole sequence, shared among the images (Bonferroni).
inline constexpr double kShiftLevel = 0.01;

// `cx`, `cy` the refined point of the same images (Diagnose); reference points as Diagnose
// takes them.
SequenceTest TestSequence(const std::vector<std::vector<Position>>& images, double cx, double cy);
SequenceTest TestSequence(const ImageSets& images, double cx, double cy);
// At the point of `d` (Diagnose of the same images), each image tested without the other
// images' gross errors; not defined when `d` has no point.
SequenceTest TestSequence(const std::vector<std::vector<Position>>& images, const Diagnostics& d);
SequenceTest TestSequence(const ImageSets& images, const Diagnostics& d);

// What the test says, in the words the windows and the report show (in the window's language
// where it installed a translation): one line per flagged image ("снимок zoom3.crd сдвинут на
// (1,2; −0,4) пикс.: …"), why it is not defined, or that no image moved; then one line per
// image with gross errors set aside, naming their points. `names` are the images' file names
// (short names are taken).
std::vector<std::string> SequenceFindings(const SequenceTest& test,
                                          const std::vector<std::string>& names);

}  // namespace zirt
