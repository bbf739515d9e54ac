#include "app/AppFont.h"

#include <QFontDatabase>

QFont AppFont() {
  // One family, chosen here, rather than a list of families: style sheets resolve fonts by
  // their first family only, and the system's substitute for a missing one is arbitrary.
  static const QString family = QFontDatabase::hasFamily(QStringLiteral("MS Sans Serif"))
                                    ? QStringLiteral("MS Sans Serif")
                                    : QStringLiteral("Liberation Sans");
  QFont font(family);
  font.setPointSize(8);
  return font;
}
