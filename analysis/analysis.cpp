#include "analysis/analysis.h"

#include "data/coordinate_file.h"
#include "data/decimal_separator.h"

namespace zirt {

Analysis::Loaded Analysis::Read(const std::vector<std::string>& paths) {
  return {paths, LoadCoordinateFiles(paths)};
}

Analysis::Loaded Analysis::Read(const std::vector<std::string>& paths, char separator) {
  const ScopedDecimalSeparator read_with(separator);
  return Read(paths);
}

void Analysis::Take(Loaded loaded) {
  calibration_.TakeImages(std::move(loaded.sets));
  files_ = std::move(loaded.paths);
  Forget();
}

void Analysis::SaveCamera(const std::string& output, const TextLines& lines) {
  WriteLines(output, lines);
  calibration_.ResultSaved = true;
}

void Analysis::Clear() {
  calibration_.ClearData();
  files_.clear();
  Forget();
}

void Analysis::Forget() {
  diagnosis_.reset();
  sequence_.reset();
  steps_.reset();
  positions_.reset();
  refined_.reset();
}

const Diagnostics& Analysis::Diagnosis() const {
  if (!diagnosis_) diagnosis_ = Diagnose(calibration_.Images, search_work_);
  return *diagnosis_;
}

const SequenceTest& Analysis::Sequence() const {
  if (!sequence_) sequence_ = TestSequence(calibration_.Images, Diagnosis());
  return *sequence_;
}

const std::vector<ZoomStep>& Analysis::Steps() const {
  if (!steps_) steps_ = ZoomSteps(Positions());
  return *steps_;
}

const std::vector<std::vector<Position>>& Analysis::Positions() const {
  if (!positions_) positions_ = PositionsOf(calibration_.Images);
  return *positions_;
}

const std::optional<PointEstimate>& Analysis::Refined() const {
  if (diagnosis_) return diagnosis_->refined;
  if (!refined_) refined_ = RefinedPoint(calibration_.Images);
  return *refined_;
}

}  // namespace zirt
