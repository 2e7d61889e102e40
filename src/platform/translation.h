// Qt's own dialogs and buttons speak the program's language.
#pragma once

class QCoreApplication;

namespace pf {

// Loads Qt's Japanese translation into the application, so file dialogs, message-box buttons and the
// font dialog read in Japanese like the rest of the program. Returns false when the translation is not
// installed; the program then runs with Qt's English texts.
bool InstallJapaneseTranslation(QCoreApplication& application);

}  // namespace pf
