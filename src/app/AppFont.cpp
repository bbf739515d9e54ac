#include "app/AppFont.h"

#include <QStringList>

QFont AppFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans")});
  font.setPointSize(8);
  return font;
}
