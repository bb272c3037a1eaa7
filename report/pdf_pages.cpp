#include "report/pdf_pages.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <algorithm>

namespace zirt {
namespace {

constexpr double kGap = 6;        // points between blocks
constexpr double kCellPad = 2.5;  // points inside a table cell
constexpr int kWords = Qt::TextWordWrap;
constexpr int kAnywhere = Qt::TextWrapAnywhere;

QFont Font(const char* family, double points, bool bold = false) {
  QFont font(QString::fromLatin1(family));
  font.setPointSizeF(points);
  font.setBold(bold);
  // Vector outlines in the PDF, the same on every machine that has the font.
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

}  // namespace

PdfPages::PdfPages(QPdfWriter& writer)
    : writer_(writer),
      body_(Font("DejaVu Sans", 9)),
      bold_(Font("DejaVu Sans", 9, true)),
      mono_(Font("DejaVu Sans Mono", 7)),
      small_(Font("DejaVu Sans", 7)) {
  painter_.begin(&writer_);
  unit_ = writer_.resolution() / 72.0;
  const QRect area = writer_.pageLayout().paintRectPixels(writer_.resolution());
  width_ = area.width();
  height_ = area.height() - 14 * unit_;  // the page number's line below
}

PdfPages::~PdfPages() {
  PageNumber();
  painter_.end();
}

void PdfPages::PageNumber() {
  painter_.setFont(small_);
  painter_.drawText(QRectF(0, height_ + 4 * unit_, width_, 10 * unit_), Qt::AlignRight,
                    QCoreApplication::translate("PdfReport", "Стр. %1").arg(page_));
}

void PdfPages::NewPage() {
  PageNumber();
  writer_.newPage();
  ++page_;
  y_ = 0;
}

void PdfPages::Need(double height) {
  if (y_ > 0 && y_ + height > height_) NewPage();
}

double PdfPages::TextHeight(const QString& text, const QFont& font, double width, int wrap) const {
  const QFontMetricsF metrics(font, &writer_);
  return metrics.boundingRect(QRectF(0, 0, width, 1e9), wrap, text).height();
}

void PdfPages::Title(const QString& text) {
  QFont font = bold_;
  font.setPointSizeF(14);
  const double h = TextHeight(text, font, width_, kWords);
  Need(h);
  painter_.setFont(font);
  painter_.drawText(QRectF(0, y_, width_, h), kWords, text);
  y_ += h + kGap * unit_;
}

void PdfPages::Heading(const QString& text) {
  QFont font = bold_;
  font.setPointSizeF(11);
  const double h = TextHeight(text, font, width_, kWords);
  Need(h + 40 * unit_);  // never alone at a page's foot
  y_ += kGap * unit_;
  painter_.setFont(font);
  painter_.drawText(QRectF(0, y_, width_, h), kWords, text);
  y_ += h + kGap / 2 * unit_;
}

void PdfPages::Paragraph(const QString& text, bool mono) {
  const QFont& font = mono ? mono_ : body_;
  // Line by line, so a long text goes on over the next page.
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    const QString shown = line.isEmpty() ? QStringLiteral(" ") : line;
    const int wrap = mono ? kAnywhere : kWords;
    const double h = TextHeight(shown, font, width_, wrap);
    Need(h);
    painter_.setFont(font);
    painter_.drawText(QRectF(0, y_, width_, h), wrap, shown);
    y_ += h;
  }
  y_ += kGap / 2 * unit_;
}

void PdfPages::Table(const QStringList& headers, const std::vector<QStringList>& rows,
                     const std::vector<double>& widths, const std::vector<Cells>& cells) {
  std::vector<double> x(widths.size() + 1, 0);
  for (std::size_t c = 0; c < widths.size(); ++c) x[c + 1] = x[c] + widths[c] * width_;
  const double pad = kCellPad * unit_;
  const auto kind = [&](std::size_t c) { return c < cells.size() ? cells[c] : Cells::kWords; };
  const auto font_of = [&](std::size_t c, bool header) -> const QFont& {
    if (header) return bold_;
    return kind(c) == Cells::kMono ? mono_ : body_;
  };
  const auto wrap_of = [&](std::size_t c, bool header) {
    return header || kind(c) == Cells::kWords ? kWords : kAnywhere;
  };
  const auto height_of = [&](const QStringList& row, bool header) {
    double h = 0;
    for (std::size_t c = 0; c < widths.size(); ++c)
      h = std::max(h, TextHeight(row.value(int(c)), font_of(c, header), x[c + 1] - x[c] - 2 * pad,
                                 wrap_of(c, header)));
    return h + 2 * pad;
  };
  const auto draw = [&](const QStringList& row, bool header, double h) {
    painter_.setPen(QPen(QColor(160, 160, 160), 0.5 * unit_));
    if (header) painter_.fillRect(QRectF(0, y_, x.back(), h), QColor(235, 235, 235));
    painter_.drawLine(QPointF(0, y_ + h), QPointF(x.back(), y_ + h));
    painter_.setPen(Qt::black);
    for (std::size_t c = 0; c < widths.size(); ++c) {
      painter_.setFont(font_of(c, header));
      painter_.drawText(QRectF(x[c] + pad, y_ + pad, x[c + 1] - x[c] - 2 * pad, h - 2 * pad),
                        wrap_of(c, header), row.value(int(c)));
    }
    y_ += h;
  };
  const double header_height = height_of(headers, true);
  Need(header_height + (rows.empty() ? 0 : height_of(rows[0], false)));
  draw(headers, true, header_height);
  for (const QStringList& row : rows) {
    const double h = height_of(row, false);
    if (y_ + h > height_) {
      NewPage();
      draw(headers, true, header_height);
    }
    draw(row, false, h);
  }
  y_ += kGap * unit_;
}

void PdfPages::Picture(double height, const std::function<void(QPainter&, const QRectF&)>& paint) {
  const double h = height * unit_;
  Need(h);
  painter_.save();
  paint(painter_, QRectF(0, y_, width_, h));
  painter_.restore();
  y_ += h + kGap * unit_;
}

// A window's pixel as 0.6 points: the marks as large beside the text as on the screen.
constexpr double kLegendScale = 0.6;

double PdfPages::LegendHeight(const std::vector<LegendItem>& items, int columns) {
  if (items.empty()) return 0;
  painter_.save();
  painter_.setFont(body_);
  const double h = LegendSize(painter_, items, width_, columns, kLegendScale * unit_).height();
  painter_.restore();
  return h / unit_;
}

void PdfPages::Legend(const std::vector<LegendItem>& items, int columns) {
  if (items.empty()) return;
  const double h = LegendHeight(items, columns) * unit_;
  const double scale = kLegendScale * unit_;
  Need(h);
  painter_.save();
  painter_.setFont(body_);
  DrawLegend(painter_, QPointF(0, y_), items, width_, columns, scale);
  painter_.restore();
  y_ += h + kGap * unit_;
}

}  // namespace zirt
