// The diagnostics window's figures as texts, without widgets: the estimates side by side, the
// rows of its tables (points, images, shifts, zoom steps) and the overview picture's legend.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "analysis/analysis.h"
#include "report/overview_marks.h"

namespace zirt {

// What the window shows: the loaded images, the report's own result and the diagnostics.
struct DiagnosticsData {
  std::vector<QString> files;                 // short names, one per image
  std::vector<std::vector<Position>> images;  // the measurements as loaded
  std::optional<Position> report_point;       // the report's principal point, if found
  QString report_failure;                     // its failure's message otherwise
  Diagnostics result;
  SequenceTest sequence;        // whether an image moved against the refined point
  std::vector<ZoomStep> steps;  // each zoom step's centre, from the widest image on
};

// Copies the measurements, names and the report's outcome, and diagnoses them.
DiagnosticsData CollectDiagnostics(std::vector<QString> files,
                                   std::vector<std::vector<Position>> images,
                                   std::optional<Position> report_point, QString report_failure);
// The same from what the analysis computed for its images.
DiagnosticsData CollectDiagnostics(std::vector<QString> files, const Analysis& analysis,
                                   std::optional<Position> report_point, QString report_failure);

// Where the report's point lies outside the refined point's 95% ellipse, how far; else empty.
QString ReportOutsideEllipse(const DiagnosticsData& data);

// The estimates table: a caption per row, then the report's, the refined and the robust
// column.
inline constexpr int kEstimateColumns = 4;
QStringList EstimateHeaders();
std::vector<QStringList> EstimateRows(const DiagnosticsData& data);
// One line under the table on what failed or was set aside; empty when all is well.
QString EstimateNotes(const DiagnosticsData& data);
// The warning, shown in red, when the refined fit's σ̂ shows measurements that do not meet in
// one point; empty otherwise.
QString ConsistencyWarning(const DiagnosticsData& data);

// The reference point table: number, measurements, RMS, flagged.
QStringList PointHeaders();
QString PointCell(const DiagnosticsData& data, int point, int column);
// The image table: number, file, measurements, RMS, measurements set aside.
QStringList ImageHeaders();
QString ImageCell(const DiagnosticsData& data, int image, int column);
// The zoom step table: from, to, scale, the centre x and y, their σ.
QStringList StepHeaders();
QString StepCell(const DiagnosticsData& data, int step, int column);
// The shift table: image, file, the shift dx and dy with their σ (pixels), F and whether it
// moved.
QStringList ShiftHeaders();
QString ShiftCell(const DiagnosticsData& data, int image, int column);
// A row is marked when the test found its image shifted.
bool ShiftFlagged(const DiagnosticsData& data, int image);
// Below the shift table: the test's bound and what it found.
QString ShiftSummary(const DiagnosticsData& data);
// A row is marked when one of its measurements was set aside.
bool PointFlagged(const DiagnosticsData& data, int point);
bool ImageFlagged(const DiagnosticsData& data, int image);

// The ellipse is drawn magnified when its major semi-axis would be shorter than this on the
// screen, by the least of 1, 2, 5, 10, 20, 50 … that brings it there.
inline constexpr double kEllipseMinPixels = 12;
double EllipseMagnification(double major_screen_px);
// The picture's legend: each mark drawn and what it is, then the images' colours beside their
// files; names the ellipse's magnification when it is above 1, and which share of the tracks
// is drawn when `track_stride` is above 1.
std::vector<LegendItem> LegendItems(const DiagnosticsData& data, double magnification,
                                    int track_stride);

// A number with the program's decimal separator; "нет" when not finite.
QString FormatNumber(double value, int decimals);

}  // namespace zirt
