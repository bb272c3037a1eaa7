// zirt-batch's load and computation on every core: each file read whole into one buffer and
// parsed in place, a file per task in order; the points kept as one plain array per image;
// the tracks fitted in ranges across the cores. Reports, results and failures are those of
// LoadCoordinateFiles and Calibration::Compute.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "diagnostics/measurements.h"
#include "diagnostics/track_line.h"

namespace zirt {

// The points of each loaded image, in load order.
struct PlainImages {
  struct Image {
    std::unique_ptr<PlainPoint[]> points;
    std::size_t count = 0;
    std::size_t capacity = 0;
    bool not_seen = false;  // it holds a point not seen
  };
  std::vector<Image> images;
  bool not_seen = false;  // some image holds a point not seen
};

// A file's bytes followed by a NUL; kept from file to file so its storage is reused.
struct ByteBuffer {
  std::unique_ptr<char[]> data;
  std::size_t size = 0;
  std::size_t capacity = 0;
};

// Loads the files as LoadCoordinateFiles does, when there are at least two. Returns false,
// keeping nothing, when there are fewer, or a file is not a regular file, can't be read or
// holds a bad line: the caller then loads them with LoadCoordinateFiles, which finds the same
// failure and gives it its message. Files with points not seen are left to it as well when an
// image has fewer points than the first: its run ends in a failure that it names.
bool LoadPlainImages(const std::vector<std::string>& paths, PlainImages& loaded);

// Calibration::Compute on plain images, with the same outcome, report lines, failure (raised
// after the report lines before it) and result (PrincipalX, PrincipalY, ResultSaved). Reads
// StepMode; keeps no fitted lines and draws none. With `tracks`, each track's sums for the
// refined fit (diagnostics_detail::RefinedPointOf) are taken in the same pass, one per point
// of the first image.
ComputeOutcome ComputePlainImages(const PlainImages& loaded, Calibration& calibration,
                                  ReportSink& report,
                                  std::vector<diagnostics_detail::Track>* tracks = nullptr);

}  // namespace zirt
