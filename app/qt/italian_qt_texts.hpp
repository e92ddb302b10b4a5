// Qt's own texts (the text boxes' context menu, the error box's buttons) in
// Italian whatever the locale, as the window's own texts are.
#pragma once

class QCoreApplication;

namespace rinomina {

// Installs Qt's Italian translations, built into the program, on `app`.
// Returns false when they cannot be loaded: Qt's texts then stay English.
bool InstallItalianQtTexts(QCoreApplication& app);

}  // namespace rinomina
