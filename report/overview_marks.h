// The overview picture's colours, marks and legend, shared by the diagnostics window and the PDF
// report so that a colour or a cross means the same in both, and what it means in the main window.
#pragma once

#include <QColor>
#include <QPainter>
#include <QString>
#include <cstddef>
#include <utility>
#include <vector>

namespace zirt {

// Image k's colour: the main window's palette, in which it marks each image's points.
QColor ImageColour(std::size_t image);
// The main window's background too: the palette holds pale colours a white page would hide.
QColor PictureBackground();

enum class Mark {
  kNone,          // a legend line of text alone
  kImage,         // a measurement: a small cross in its image's colour
  kReportPoint,   // the report's point: the main window's red cross
  kRefinedPoint,  // the refined point
  kEllipse,       // the refined point's 95% ellipse
  kRobustPoint,   // the robust point
  kSetAside,      // a ring around a measurement set aside as a gross error
  kTrack,         // a track's line
  kStepPath,      // the path of the zoom steps' centres, its first step a dot
};
// The mark's colour; an image's is ImageColour.
QColor MarkColour(Mark mark);
// Draws `mark` centred on `at`, its sizes in screen pixels times `scale` (1 on the screen).
// kImage takes `colour`; kTrack and kStepPath draw a short sample of their line.
void DrawMark(QPainter& painter, Mark mark, QPointF at, double scale, QColor colour = {});

struct LegendItem {
  LegendItem(Mark m, QString t, QColor c = {}) : mark(m), text(std::move(t)), colour(c) {}
  Mark mark;
  QString text;
  QColor colour;  // an image's, for kImage
};
// What the legends call a mark: "Точка отчёта", "Уточнённая точка", "Устойчивая точка", the
// set-aside ring and the steps' path; empty for the others.
QString MarkName(Mark mark);
// One line per image: its colour's cross and "N. file", the first `limit` images, then how many
// more there are (the colours repeat every 17 images).
std::vector<LegendItem> ImageLegend(const std::vector<QString>& files, std::size_t limit);

// The legend's size at `width` (its lines wrap) in `columns`, with the painter's font.
QSizeF LegendSize(const QPainter& painter, const std::vector<LegendItem>& items, double width,
                  int columns, double scale);
// Draws the legend on a pale box at `top_left`.
void DrawLegend(QPainter& painter, QPointF top_left, const std::vector<LegendItem>& items,
                double width, int columns, double scale);

}  // namespace zirt
