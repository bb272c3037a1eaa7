// The PDF report's picture of the measurements and tracks, drawn with the diagnostics window's
// colours and marks, and the legend that names them and each image's file.
#pragma once

#include <QPainter>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "diagnostics/zoom_steps.h"
#include "report/overview_marks.h"

namespace zirt {

struct OverviewFigures {
  const std::vector<std::vector<Position>>& images;
  const Diagnostics& diagnosis;
  const std::vector<ZoomStep>& steps;
  std::optional<Position> report_point;  // none when the report's computation failed
};

// Paints the picture into `area`; `scale` is the device units of one of the window's pixels.
void PaintOverview(QPainter& painter, const QRectF& area, const OverviewFigures& figures,
                   double scale);
// What the picture draws, then each image's colour beside its file's short name.
std::vector<LegendItem> OverviewLegend(const OverviewFigures& figures,
                                       const std::vector<QString>& files);

}  // namespace zirt
