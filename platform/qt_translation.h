// Qt's own texts (dialog titles, standard buttons) in Russian, the interface's one language.
#pragma once

class QCoreApplication;

namespace zirt {

// Installs Qt's Russian translation from Qt's translations folder on the application,
// whatever the regional settings say; they choose only the decimal separator. Returns false
// when the translation is not installed, and the dialogs then stay in Qt's English.
bool InstallQtTranslation(QCoreApplication& application);

}  // namespace zirt
