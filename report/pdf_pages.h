// Text, tables and pictures laid out on A4 pages one after another: a table that does not fit
// goes on over the next page with its header again, and a long cell wraps instead of being cut.
#pragma once

#include <QFont>
#include <QPainter>
#include <QPdfWriter>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "report/overview_marks.h"

namespace zirt {

class PdfPages {
 public:
  explicit PdfPages(QPdfWriter& writer);
  ~PdfPages();

  void Title(const QString& text);
  void Heading(const QString& text);
  void Paragraph(const QString& text, bool mono = false);
  // How a column's cells wrap: at words, anywhere (names, paths), or anywhere in a fixed font.
  enum class Cells { kWords, kAnywhere, kMono };
  // `widths` are shares of the page's width; a cell's text wraps within its column.
  void Table(const QStringList& headers, const std::vector<QStringList>& rows,
             const std::vector<double>& widths, const std::vector<Cells>& cells = {});
  // A drawing of `height` points, painted by `paint` into the rectangle it is given.
  void Picture(double height, const std::function<void(QPainter&, const QRectF&)>& paint);
  // The legend's lines in `columns`, each mark drawn beside its text.
  void Legend(const std::vector<LegendItem>& items, int columns);
  double LegendHeight(const std::vector<LegendItem>& items, int columns);  // in points
  // What follows, `height` points, starts on a new page unless it fits on this one.
  void Keep(double height) { Need(height * unit_); }
  double Width() const { return width_; }
  // Device units per point.
  double Unit() const { return unit_; }

 private:
  // "Стр. N" on the line below the page's area.
  void PageNumber();
  // Room for `height` more units on this page, or a new page.
  void Need(double height);
  void NewPage();
  double TextHeight(const QString& text, const QFont& font, double width, int wrap) const;

  QPdfWriter& writer_;
  QPainter painter_;
  double unit_;   // device units per point
  double width_;  // of the text area, in device units
  double height_;
  double y_ = 0;
  int page_ = 1;
  QFont body_, bold_, mono_, small_;
};

}  // namespace zirt
