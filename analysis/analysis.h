// One load of coordinate files and what is computed from it, each once: the report's point,
// the diagnostics, the sequence test and the zoom steps. The windows, zirt-batch, the JSON,
// the PDF report and the exports read it; only loading and computing change it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "calib/calibration.h"
#include "data/text_file.h"
#include "diagnostics/diagnostics.h"
#include "diagnostics/sequence_test.h"
#include "diagnostics/zoom_steps.h"

namespace zirt {

class Analysis {
 public:
  // `search_work`: the budget of the search for gross errors (tests cut it short).
  explicit Analysis(double search_work = kOutlierSearchWork) : search_work_(search_work) {}
  Analysis(const Analysis&) = delete;
  Analysis& operator=(const Analysis&) = delete;

  // The files read and checked in order as the load command does, nothing replaced yet.
  // Raises the loading's errors (ECoordinateFileError and the like).
  struct Loaded {
    std::vector<std::string> paths;
    std::vector<std::unique_ptr<VT_Points>> sets;
  };
  static Loaded Read(const std::vector<std::string>& paths);
  // As Read, numbers read with `separator` (files written under other regional settings); the
  // program's own separator is back when it returns.
  static Loaded Read(const std::vector<std::string>& paths, char separator);
  // Read, then Take: on an error what was loaded before stays.
  void Load(const std::vector<std::string>& paths) { Take(Read(paths)); }
  // Replaces the images by files read, one set per file.
  void Take(Loaded loaded);
  // Drops the images and everything computed from them.
  void Clear();
  // The computation command (Calibration::Compute): the report's point into State().
  ComputeOutcome Compute(CalibrationView& view) { return calibration_.Compute(view); }
  // Writes a camera file's lines (CameraFileLines) to `output` whole and atomically, and the
  // result counts as saved. Raises EFileError.
  void SaveCamera(const std::string& output, const TextLines& lines);

  // The files as given, one per loaded image.
  const std::vector<std::string>& Files() const { return files_; }
  // The images, the report's point and the window's flags. The images change only through
  // Load, Take and Clear, which forget what was computed from the ones before.
  const Calibration& State() const { return calibration_; }
  Calibration& State() { return calibration_; }

  // Each computed at its first call after a load and read from then on.
  const Diagnostics& Diagnosis() const;
  const SequenceTest& Sequence() const;
  const std::vector<ZoomStep>& Steps() const;
  const std::vector<std::vector<Position>>& Positions() const;
  // The refined point: the diagnostics' when they are computed, else the refined fit alone
  // (the same point, for a fraction of the work).
  const std::optional<PointEstimate>& Refined() const;

 private:
  void Forget();

  double search_work_;
  std::vector<std::string> files_;
  Calibration calibration_;
  mutable std::optional<Diagnostics> diagnosis_;
  mutable std::optional<SequenceTest> sequence_;
  mutable std::optional<std::vector<ZoomStep>> steps_;
  mutable std::optional<std::vector<std::vector<Position>>> positions_;
  mutable std::optional<std::optional<PointEstimate>> refined_;
};

}  // namespace zirt
