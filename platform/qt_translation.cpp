#include "platform/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScopeGuard>
#include <QTranslator>

namespace zirt {
namespace {

InterfaceLanguage current_language = InterfaceLanguage::kRussian;
QTranslator* qt_russian = nullptr;  // Qt's own texts, installed in Russian.
// What Qt's Russian lacks (translations/qt_extra_ru.ts), built into the program; null when the
// program was built without it.
QTranslator* qt_russian_extra = nullptr;
QTranslator* english = nullptr;  // The program's texts, installed in English.

// What Qt formats with the default locale follows the language too (the file dialog's sizes
// and dates do not: Qt takes the system's locale for them); the regional settings keep the
// decimal separator, which is read from the system's locale, not from this default.
void SetDefaultLocale(InterfaceLanguage language) {
  QLocale::setDefault(language == InterfaceLanguage::kRussian
                          ? QLocale(QLocale::Russian, QLocale::Russia)
                          : QLocale(QLocale::English, QLocale::UnitedStates));
}

// After Qt's own, which it completes, so that it is asked first.
void InstallRussianExtra() {
  if (qt_russian_extra == nullptr) return;
  QCoreApplication::removeTranslator(qt_russian_extra);
  QCoreApplication::installTranslator(qt_russian_extra);
}

}  // namespace

bool InstallQtTranslation(QCoreApplication& application) {
  // One file by its exact name: a locale lookup would follow the regional settings and
  // probe several names at start-up.
  auto* translator = new QTranslator(&application);
  if (!translator->load(QStringLiteral("qtbase_ru.qm"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  SetDefaultLocale(InterfaceLanguage::kRussian);
  if (!QCoreApplication::installTranslator(translator)) return false;
  if (qt_russian != nullptr) {
    QCoreApplication::removeTranslator(qt_russian);
    delete qt_russian;
  }
  qt_russian = translator;
  if (qt_russian_extra == nullptr) {
    auto* extra = new QTranslator(&application);
    if (extra->load(QStringLiteral(":/i18n/qt_extra_ru.qm")))
      qt_russian_extra = extra;
    else
      delete extra;
  }
  InstallRussianExtra();
  return true;
}

bool SetInterfaceLanguage(InterfaceLanguage language) {
  QCoreApplication* application = QCoreApplication::instance();
  if (application == nullptr || language == current_language) return application != nullptr;
  // Loaded before anything changes: without it the interface stays as it is, whole.
  if (language == InterfaceLanguage::kEnglish && english == nullptr) {
    auto* loaded = new QTranslator(application);
    if (!loaded->load(QStringLiteral(":/i18n/zirt_en.qm"))) {
      delete loaded;
      return false;
    }
    english = loaded;
  }
  current_language = language;
  SetDefaultLocale(language);
  // Qt posts the windows their LanguageChange; delivered before the return, every window
  // speaks the new language when the caller goes on.
  const auto deliver =
      qScopeGuard([] { QCoreApplication::sendPostedEvents(nullptr, QEvent::LanguageChange); });
  if (language == InterfaceLanguage::kEnglish) {
    if (qt_russian != nullptr) QCoreApplication::removeTranslator(qt_russian);
    if (qt_russian_extra != nullptr) QCoreApplication::removeTranslator(qt_russian_extra);
    return QCoreApplication::installTranslator(english);
  }
  QCoreApplication::removeTranslator(english);
  if (qt_russian == nullptr) return true;
  const bool installed = QCoreApplication::installTranslator(qt_russian);
  InstallRussianExtra();
  return installed;
}

InterfaceLanguage CurrentInterfaceLanguage() {
  return current_language;
}

}  // namespace zirt
