#include "ui/window_font.h"

#include <QApplication>
#include <QStringList>

namespace korvel {

QFont windowFont() {
  const QString family = QString::fromLatin1(kWindowFontFamily);
  QFont::insertSubstitutions(family, {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial Narrow"),
                                      QStringLiteral("DejaVu Sans Condensed")});
  QFont f(family, kWindowFontPoints);
  f.setStyleHint(QFont::SansSerif);
  return f;
}

void useWindowFont() { QApplication::setFont(windowFont()); }

}  // namespace korvel
