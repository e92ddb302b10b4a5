#include "window_font.hpp"

#include <QFontDatabase>
#include <QString>
#include <QStringList>

namespace rinomina {
namespace {

// The face's family as Qt registered it, once per process.
QString BuiltInFamily() {
  static const QString family = [] {
    const int id =
        QFontDatabase::addApplicationFont(QStringLiteral(":/fonts/LiberationSans-Regular.ttf"));
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty()) qWarning("Carattere della finestra non disponibile.");
    return families.isEmpty() ? QStringLiteral("Liberation Sans") : families.front();
  }();
  return family;
}

}  // namespace

QFont WindowFont(double pointSize) {
  QFont font(BuiltInFamily());
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(pointSize);
  return font;
}

}  // namespace rinomina
