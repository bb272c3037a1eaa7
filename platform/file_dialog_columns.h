// The file dialog's size and date columns written in the interface's language rather than in
// the process's regional settings, which Qt's file model follows.
#pragma once

#include <QIdentityProxyModel>

namespace zirt {

// Sits between Qt's file model and the dialog's views. Under LC_ALL=C Qt's model writes
// "22 bytes", "4.0 KiB" and "8 Dec 2026" inside an otherwise Russian dialog; this proxy
// writes them with the locale of the interface's language (the decimal separator of numbers
// the program reads and writes is not affected: it stays the regional settings' own).
class FileDialogColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override;
};

}  // namespace zirt
