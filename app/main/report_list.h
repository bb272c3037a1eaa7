// The main window's report list: one line of the computation's report a row, copied to the
// clipboard on request, and scrolled to the result when a computation ends.
#pragma once

#include <QListWidget>

namespace zirt {

class ReportList : public QListWidget {
  Q_OBJECT

 public:
  // Rows of `row_height` pixels; "Копировать" (Ctrl+C and the context menu) copies lines.
  ReportList(int row_height, QWidget* parent = nullptr);

  void ClearLines();
  void AddLine(const QString& text);
  // The selected lines in list order, or the whole report when none is selected.
  void CopyLines() const;
  // Shows the result's first line at the top, or as near it as the end of the list allows,
  // with every line after it in full view.
  void ScrollToResult();
  // Pixels the list, as laid out now, lacks to show a computation's result lines whole beside
  // its vertical scroll bar; 0 when it is wide enough.
  int ResultWidthShortfall() const;

 protected:
  void changeEvent(QEvent* event) override;

 private:
  QAction* copy_ = nullptr;
  int width_ = 0;           // Of the widest line, pixels.
  qsizetype longest_ = -1;  // Characters of the longest line measured.

  int TextMargins() const;
};

}  // namespace zirt
