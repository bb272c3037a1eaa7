#include "analysis/analysis.h"

#include "data/coordinate_file.h"

namespace zirt {

void Analysis::Load(const std::vector<std::string>& paths) {
  Take(paths, LoadCoordinateFiles(paths));
}

void Analysis::Take(std::vector<std::string> paths, std::vector<std::unique_ptr<VT_Points>> sets) {
  calibration_.TakeImages(std::move(sets));
  files_ = std::move(paths);
  Forget();
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
