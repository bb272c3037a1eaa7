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
  double Width() const { return width_; }

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
