#include "platform/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zirt {

bool InstallQtTranslation(QCoreApplication& application) {
  // One file by its exact name: a locale lookup would follow the regional settings and
  // probe several names at start-up.
  auto* translator = new QTranslator(&application);
  if (!translator->load(QStringLiteral("qtbase_ru.qm"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  // Sizes and dates in the file dialogs follow the language too; the regional settings keep
  // the decimal separator, which is read from the system's locale, not from this default.
  QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
  return QCoreApplication::installTranslator(translator);
}

}  // namespace zirt
