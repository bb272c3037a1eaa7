// The interface's language for the session: Russian, the default, or English, with Qt's own
// texts (dialog titles, standard buttons) following it.
#pragma once

class QCoreApplication;

namespace zirt {

enum class InterfaceLanguage { kRussian, kEnglish };

// Installs Qt's Russian translation from Qt's translations folder on the application, and
// after it the program's own for what Qt's lacks, whatever the regional settings say; they
// choose only the decimal separator. Returns false
// when the translation is not installed, and the dialogs then stay in Qt's English.
bool InstallQtTranslation(QCoreApplication& application);

// Switches the interface's language for the rest of the session (nothing is stored). The
// Russian texts are the program's source texts; English comes from the translation built into
// the program. Qt then sends every widget a LanguageChange event, on which the open windows
// put up their texts again. Returns false, and changes nothing, when English's translation
// cannot be loaded; false also when Qt's Russian could not be installed again.
bool SetInterfaceLanguage(InterfaceLanguage language);
InterfaceLanguage CurrentInterfaceLanguage();

}  // namespace zirt
