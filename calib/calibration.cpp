#include "calib/calibration.h"

#include "data/number_format.h"

namespace zirt {

void Calibration::ClearData() {
  Images.ReleaseAll();
  FittedLines.Clear();
}

void Calibration::TakeImages(std::vector<std::unique_ptr<VT_Points>> sets) {
  Images.ReleaseAll();
  for (auto& set : sets) Images.Append(std::move(set));
}

ComputeOutcome Calibration::Compute(CalibrationView& view) {
  if (Images.Empty()) return ComputeOutcome::kNoImages;
  if (Images.Length() == 1) return ComputeOutcome::kOneImage;

  // The positions of one reference point over all images; it owns copies of the points.
  VT_Points positions(1);
  view.ClearReport();
  FittedLines.Clear();
  const auto images = static_cast<std::ptrdiff_t>(Images.Length());
  // The first image fixes the number of reference points; a shorter image fails in Get.
  for (int i = 0; i < Images[0].Count(); ++i) {
    positions.Clear();
    for (std::ptrdiff_t j = 0; j < images; ++j) {
      const VT_Point& p = *Images[j].Get(i);
      positions.Add(new VT_Point(p.X, p.Y));
    }
    if (StepMode) {
      view.AppendReport("");
      view.AppendReport(FormatFixed4(i + 1) + "-ая прямая:");
    }
    FittedLines.Add(FitLine(positions, StepMode, view).release());
    if (StepMode) view.LineFitted(*FittedLines.Get(FittedLines.Count() - 1));
  }
  const std::unique_ptr<VT_Point> result = FindPrincipalPoint(FittedLines, view);
  PrincipalX = result->X;
  PrincipalY = result->Y;
  ResultSaved = false;
  return ComputeOutcome::kDone;
}

}  // namespace zirt
