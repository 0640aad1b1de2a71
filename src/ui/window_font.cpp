#include "ui/window_font.h"

#include <QApplication>
#include <QFont>
#include <QStringList>

namespace korvel {

void useWindowFont() {
  const QString family = QString::fromLatin1(kWindowFontFamily);
  QFont::insertSubstitutions(family, {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial Narrow"),
                                      QStringLiteral("DejaVu Sans Condensed")});
  QFont f(family, kWindowFontPoints);
  f.setStyleHint(QFont::SansSerif);
  QApplication::setFont(f);
}

}  // namespace korvel
