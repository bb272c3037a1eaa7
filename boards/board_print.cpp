#include "boards/board_print.h"

#include <QBuffer>
#include <QFont>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <algorithm>
#include <charconv>
#include <cstdio>

#include "boards/board_shapes.h"
#include "data/posix_file.h"

namespace zirt {
namespace {

// Device units per millimetre: the painter draws in millimetres scaled by this, so every
// edge lands on the PDF's own coordinates without rounding to a coarse grid.
constexpr double kResolution = 7200;  // dots per inch
constexpr double kUnitsPerMm = kResolution / 25.4;
constexpr double kMarginMm = 10;  // printers do not print the paper's edge
constexpr double kLegendMm = 22;  // the text and the ruler under the board

std::string Mm(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

std::string Parameters(const Board& board, double unit_mm) {
  if (board.kind == BoardKind::kCharuco)
    return "ZIRT ChArUco board " + std::to_string(board.cols) + "x" + std::to_string(board.rows) +
           " squares, " + DictionaryName(board.dictionary) + ", square " + Mm(unit_mm) +
           " mm, marker " + Mm(unit_mm * board.marker_share) + " mm";
  return "ZIRT AprilGrid " + std::to_string(board.cols) + "x" + std::to_string(board.rows) +
         " tags, tag36h11, tag " + Mm(unit_mm) + " mm, spacing " + Mm(board.tag_spacing) + " (" +
         Mm(unit_mm * board.tag_spacing) + " mm)";
}

// Text in the box (millimetres) at `points` size: drawn untransformed, where the font's points
// are the writer's own.
void DrawText(QPainter& painter, QRectF box_mm, double points, Qt::Alignment align,
              const QString& text) {
  painter.save();
  painter.resetTransform();
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(points);
  painter.setFont(font);
  painter.setPen(Qt::black);
  painter.drawText(QRectF(box_mm.x() * kUnitsPerMm, box_mm.y() * kUnitsPerMm,
                          box_mm.width() * kUnitsPerMm, box_mm.height() * kUnitsPerMm),
                   align, text);
  painter.restore();
}

// A 100 mm ruler with a tick each millimetre, longer ones each 5 and 10, from (x, y) mm.
void DrawRuler(QPainter& painter, double x, double y) {
  QPen pen(Qt::black, 0.15);
  pen.setCapStyle(Qt::FlatCap);
  painter.setPen(pen);
  painter.drawLine(QPointF(x, y), QPointF(x + 100, y));
  for (int mm = 0; mm <= 100; ++mm) {
    const double length = mm % 10 == 0 ? 4 : mm % 5 == 0 ? 2.5 : 1.5;
    painter.drawLine(QPointF(x + mm, y), QPointF(x + mm, y - length));
  }
  DrawText(painter, QRectF(x - 5, y + 0.5, 10, 4), 7, Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("0"));
  DrawText(painter, QRectF(x + 90, y + 0.5, 20, 4), 7, Qt::AlignHCenter | Qt::AlignTop,
           QStringLiteral("100 mm"));
}

}  // namespace

bool ParsePaper(const std::string& text, PrintOptions& options) {
  double width = 0, height = 0;
  if (text == "A4" || text == "a4") {
    width = 210, height = 297;
  } else if (text == "A3" || text == "a3") {
    width = 297, height = 420;
  } else {
    const auto x = text.find_first_of("xX");
    if (x == std::string::npos) return false;
    // With a point whatever the regional settings, as the other numbers of the command line.
    const auto number = [](const std::string& field, double& value) {
      const char* end = field.data() + field.size();
      const auto [stop, error] = std::from_chars(field.data(), end, value);
      return !field.empty() && error == std::errc() && stop == end;
    };
    if (!number(text.substr(0, x), width) || !number(text.substr(x + 1), height)) return false;
    if (!(width >= 50 && width <= 2000 && height >= 50 && height <= 2000)) return false;
  }
  options.paper = text;
  options.paper_width_mm = std::min(width, height);
  options.paper_height_mm = std::max(width, height);
  return true;
}

QByteArray BoardPdf(const Board& board, const PrintOptions& asked, std::string& error) {
  if (asked.paper.empty()) {
    PrintOptions a4 = asked;
    ParsePaper("A4", a4);
    std::string too_large;
    const QByteArray bytes = BoardPdf(board, a4, too_large);
    if (!bytes.isEmpty()) return bytes;
    PrintOptions a3 = asked;
    ParsePaper("A3", a3);
    return BoardPdf(board, a3, error);
  }
  const PrintOptions& options = asked;
  const BoardXY extent = board.Extent();
  const double face_w = extent.x * options.square_mm, face_h = extent.y * options.square_mm;
  // ChArUco's outer squares need white around them to be found; the AprilGrid's corner
  // squares already lie outside its tags.
  const double quiet = board.kind == BoardKind::kCharuco ? options.square_mm / 2 : 0;
  const double need_w = face_w + 2 * quiet + 2 * kMarginMm;
  const double need_h = face_h + 2 * quiet + 2 * kMarginMm + kLegendMm;
  const double short_side = options.paper_width_mm, long_side = options.paper_height_mm;
  const bool upright = need_w <= short_side && need_h <= long_side;
  const bool across = need_w <= long_side && need_h <= short_side;
  if (!upright && !across) {
    error = "the board is " + Mm(face_w) + " x " + Mm(face_h) + " mm and does not fit on " +
            options.paper + " (" + Mm(short_side) + " x " + Mm(long_side) +
            " mm) with its margins and legend: give a larger --paper or smaller --square-mm";
    return {};
  }
  // Upright when the board fits so and is not wider than tall; across otherwise.
  const bool portrait = upright && (!across || face_w <= face_h);
  const double page_w = portrait ? short_side : long_side;
  const double page_h = portrait ? long_side : short_side;

  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setPageLayout(QPageLayout(QPageSize(QSizeF(page_w, page_h), QPageSize::Millimeter),
                                     QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                                     QPageLayout::Millimeter));
    writer.setResolution(int(kResolution));
    writer.setTitle(QString::fromStdString(Parameters(board, options.square_mm)));
    writer.setCreator(QStringLiteral("zirt-measure"));
    QPainter painter(&writer);
    painter.scale(kUnitsPerMm, kUnitsPerMm);
    const double left = (page_w - face_w) / 2;
    const double top = kMarginMm + quiet + (page_h - need_h) / 2;
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    for (const BlackRect& r : BoardShapes(board))
      painter.drawRect(QRectF(left + r.x * options.square_mm, top + r.y * options.square_mm,
                              r.width * options.square_mm, r.height * options.square_mm));
    const double legend = top + face_h + quiet + 4;
    const double width = page_w - 2 * kMarginMm;
    DrawText(painter, QRectF(kMarginMm, legend, width, 5), 8, Qt::AlignLeft,
             QString::fromStdString(Parameters(board, options.square_mm)));
    DrawText(painter, QRectF(kMarginMm, legend + 4.5, width, 5), 8, Qt::AlignLeft,
             QStringLiteral("Print at 100% (no fitting to the page); the ruler must measure "
                            "100 mm."));
    DrawRuler(painter, kMarginMm, legend + 15);
  }
  return bytes;
}

std::string WriteBoardPdf(const Board& board, const PrintOptions& options) {
  std::string error;
  const QByteArray bytes = BoardPdf(board, options, error);
  if (bytes.isEmpty()) return error.empty() ? "the PDF cannot be drawn" : error;
  try {
    WriteFileAtomic(options.pdf, std::string_view(bytes.constData(), std::size_t(bytes.size())));
  } catch (const EFileError& e) {
    return e.Described();
  }
  return {};
}

}  // namespace zirt
