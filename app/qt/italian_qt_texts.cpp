#include "italian_qt_texts.hpp"

#include <QCoreApplication>
#include <QTranslator>

namespace rinomina {

bool InstallItalianQtTexts(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  return translator->load(QStringLiteral(":/translations/qtbase_it.qm")) &&
         QCoreApplication::installTranslator(translator);
}

}  // namespace rinomina
