// The calibration state and the computation of the principal point, shared by the main
// window and zirt-batch: the images loaded, the lines fitted, the result and its flags.
#pragma once

#include <QtGlobal>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "calib/least_squares.h"
#include "data/data_structures.h"

namespace zirt {

// Colours of the images' marks, 0x00BBGGRR; image k takes entry k mod 17.
inline constexpr std::array<Color, 17> kPalette = {
    0x0000FF, 0x008000, 0xFF0000, 0xFFFF00, 0x000000, 0xFF0000, 0xF0FBFF, 0xFF00FF, 0x808080,
    0x000080, 0x800000, 0x808080, 0x008080, 0x800080, 0xC0C0C0, 0xF0CAA6, 0x00FFFF};

inline constexpr Color kBackground = 0xC0C0C0;    // Silver, the picture's background.
inline constexpr Color kLineColour = 0x000000;    // Fitted lines in step-by-step mode.
inline constexpr Color kResultColour = 0x0000FF;  // The cross at the principal point.

// Receives the report lines (the window's list box).
class ReportSink {
 public:
  virtual ~ReportSink() = default;
  virtual void ClearReport() = 0;
  virtual void AppendReport(const std::string& line) = 0;
};

// Receives what the computation draws; the window paints it, zirt-batch ignores it.
class CalibrationView : public ReportSink {
 public:
  // Step-by-step mode: a line was appended to the fitted lines; draw it and repaint.
  virtual void LineFitted(const VT_Point& line) = 0;
};

// What a computation command ended with, when it raised nothing.
enum class ComputeOutcome { kDone, kNoImages, kOneImage };

// The user messages of the computation command for its refusals; the window shows them in
// the interface's language.
inline constexpr const char* kNoImagesMessage =
    QT_TRANSLATE_NOOP("Calibration", "Координаты не загружены!");
inline constexpr const char* kOneImageMessage =
    QT_TRANSLATE_NOOP("Calibration", "Невозможно работать по одному снимку!");

// Fits y = a·x + b through the positions; returns (a, b). In step mode appends the mean and
// standard deviation of the perpendicular distances to the report.
std::unique_ptr<VT_Point> FitLine(const VT_Points& positions, bool step_mode, ReportSink& report);

// The least-squares common point of the lines (X = slope, Y = intercept); appends the point
// and the error statistics (six lines) to the report.
std::unique_ptr<VT_Point> FindPrincipalPoint(const VT_Points& lines, ReportSink& report);
// The same for lines kept as plain pairs.
PlainPoint FindPrincipalPoint(const std::vector<PlainPoint>& lines, ReportSink& report);

// The main window's calibration state.
class Calibration {
 public:
  Calibration() : FittedLines(1) {}

  // Releases all image sets and empties the fitted lines.
  void ClearData();

  // Replaces the loaded images by these sets, in order.
  void TakeImages(std::vector<std::unique_ptr<VT_Points>> sets);

  // The computation command without its windows: regroups, fits, estimates, stores the
  // result and clears ResultSaved. Errors raised inside leave the state as it got.
  ComputeOutcome Compute(CalibrationView& view);

  ImageSets Images;
  VT_Points FittedLines;
  // The reference point (from 0) the last computation was fitting when it stopped, or the
  // count of points once every line was fitted; -1 before any. Points that do not move are
  // left out of the lines, so the count of lines does not tell it.
  int FittingPoint = -1;
  bool StepMode = false;
  bool ResultSaved = true;
  double PrincipalX = 0;
  double PrincipalY = 0;
};

}  // namespace zirt
