// The diagnostics window's tables: read-only rows whose cells are made only when shown, with
// rows that hold a measurement set aside tinted.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <functional>
#include <utility>

namespace zirt {

// A read-only table whose cells are made when shown: a set of 200,000 reference points
// would take seconds as widget items. Rows with a measurement set aside are tinted.
class RowsModel : public QAbstractTableModel {
 public:
  using Cell = std::function<QString(int row, int column)>;
  using Flag = std::function<bool(int row)>;
  using Decoration = std::function<QVariant(int row, int column)>;

  // `text_column` is left-aligned, the figures right; -1 for none.
  // `headers` are asked for when shown, in the interface's language of the moment.
  RowsModel(std::function<QStringList()> headers, int text_column, Cell cell, Flag flagged)
      : headers_(std::move(headers)),
        text_column_(text_column),
        cell_(std::move(cell)),
        flagged_(std::move(flagged)) {}

  // A swatch or icon beside a cell's text; none unless set.
  void SetDecoration(Decoration decoration) { decoration_ = std::move(decoration); }

  void Reset(int rows) {
    beginResetModel();
    rows_ = rows;
    endResetModel();
  }

  int rowCount(const QModelIndex& parent) const override { return parent.isValid() ? 0 : rows_; }
  int columnCount(const QModelIndex& parent) const override {
    return parent.isValid() ? 0 : static_cast<int>(headers_().size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (!index.isValid()) return {};
    if (role == Qt::DisplayRole) return cell_(index.row(), index.column());
    if (role == Qt::BackgroundRole && flagged_(index.row())) return QColor(255, 200, 200);
    if (role == Qt::DecorationRole && decoration_) return decoration_(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() != text_column_)
      return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    return {};
  }
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal) return headers_().value(section);
    return {};
  }

 private:
  std::function<QStringList()> headers_;
  int text_column_;
  Cell cell_;
  Flag flagged_;
  Decoration decoration_;
  int rows_ = 0;
};

}  // namespace zirt
