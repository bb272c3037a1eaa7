#include "calib/calibration.h"

#include "calib/track_survey.h"
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
  FittingPoint = -1;
  if (Images.Empty()) return ComputeOutcome::kNoImages;
  if (Images.Length() == 1) return ComputeOutcome::kOneImage;

  const auto images = static_cast<std::ptrdiff_t>(Images.Length());
  // A refusal comes before the report is touched. With a short image the fit fails in Get
  // anyway, and that names the fault better.
  std::vector<char> left_out(static_cast<std::size_t>(Images[0].Count()), 0);
  std::vector<int> still;
  std::vector<int> sparse;
  bool complete = true;
  for (std::ptrdiff_t j = 1; j < images; ++j) complete &= Images[j].Count() >= Images[0].Count();
  if (complete && Images[0].Count() > 0) {
    std::vector<TrackMotion> motions;
    motions.reserve(left_out.size());
    for (int i = 0; i < Images[0].Count(); ++i)
      motions.push_back(MotionOf(static_cast<int>(images), [&](int j) -> const VT_Point& {
        return *Images[static_cast<std::ptrdiff_t>(j)].Get(i);
      }));
    still = StillTracks(motions);
    sparse = SparseTracks(motions);
    for (const int number : still) left_out[static_cast<std::size_t>(number - 1)] = 1;
    for (const int number : sparse) left_out[static_cast<std::size_t>(number - 1)] = 1;
  }

  // The positions of one reference point over the images where it is seen; it owns copies of
  // the points.
  VT_Points positions(1);
  view.ClearReport();
  FittedLines.Clear();
  if (!sparse.empty()) view.AppendReport(SparseTracksNote(sparse));
  if (!still.empty()) view.AppendReport(StillTracksNote(still));
  // The first image fixes the number of reference points; a shorter image fails in Get.
  for (int i = 0; i < Images[0].Count(); ++i) {
    if (left_out[static_cast<std::size_t>(i)]) continue;
    FittingPoint = i;
    positions.Clear();
    for (std::ptrdiff_t j = 0; j < images; ++j) {
      const VT_Point& p = *Images[j].Get(i);
      if (NotSeen(p)) continue;
      positions.Add(new VT_Point(p.X, p.Y));
    }
    // Unsurveyed (a short image ends the run in Get): a track seen once still has no line.
    if (positions.Count() < 2) continue;
    if (StepMode) {
      view.AppendReport("");
      view.AppendReport(FormatFixed4(i + 1) + "-ая прямая:");
    }
    FittedLines.Add(FitLine(positions, StepMode, view).release());
    if (StepMode) view.LineFitted(*FittedLines.Get(FittedLines.Count() - 1));
  }
  FittingPoint = Images[0].Count();
  const std::unique_ptr<VT_Point> result = FindPrincipalPoint(FittedLines, view);
  PrincipalX = result->X;
  PrincipalY = result->Y;
  ResultSaved = false;
  return ComputeOutcome::kDone;
}

}  // namespace zirt
