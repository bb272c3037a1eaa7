#include "platform/file_dialog_columns.h"

#include <QFileSystemModel>
#include <iterator>

#include "platform/qt_translation.h"

namespace zirt {

namespace {

// QFileSystemModel's columns.
constexpr int kSizeColumn = 1;
constexpr int kDateColumn = 3;

// Qt's Russian locale leaves the units in English ("2,44 KiB") and declines bytes wrongly
// ("22 байты"); a Russian file manager writes "22 Б" and "2,44 КБ", on the same base of 1024.
QString RussianSize(qint64 bytes, const QLocale& russian) {
  static const char* const kUnits[] = {"КБ", "МБ", "ГБ", "ТБ", "ПБ", "ЭБ"};
  if (bytes < 1024) return russian.toString(bytes) + QStringLiteral(" Б");
  double value = static_cast<double>(bytes) / 1024;
  int unit = 0;
  while (value >= 1024 && unit + 1 < static_cast<int>(std::size(kUnits))) {
    value /= 1024;
    ++unit;
  }
  return russian.toString(value, 'f', 2) + QLatin1Char(' ') + QString::fromUtf8(kUnits[unit]);
}

}  // namespace

QVariant FileDialogColumns::data(const QModelIndex& index, int role) const {
  const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
  const int column = index.column();
  if (role != Qt::DisplayRole || files == nullptr ||
      (column != kSizeColumn && column != kDateColumn))
    return QIdentityProxyModel::data(index, role);
  const QModelIndex source = mapToSource(index);
  if (column == kDateColumn)
    return LocaleOf(CurrentInterfaceLanguage())
        .toString(files->lastModified(source), QLocale::ShortFormat);
  // Folders have no size of their own; Qt leaves the cell empty too.
  if (files->isDir(source)) return QIdentityProxyModel::data(index, role);
  const QLocale locale = LocaleOf(CurrentInterfaceLanguage());
  if (locale.language() == QLocale::Russian) return RussianSize(files->size(source), locale);
  return locale.formattedDataSize(files->size(source));
}

}  // namespace zirt
