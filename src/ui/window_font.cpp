#include "ui/window_font.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>

namespace korvel {

void useWindowFont() {
#ifdef _WIN32
  // Windows has none of these families: the program carries them in its folder's fonts/.
  const QDir fonts(QCoreApplication::applicationDirPath() + QStringLiteral("/fonts"));
  for (const QString& name : fonts.entryList({QStringLiteral("*.ttf")}, QDir::Files))
    QFontDatabase::addApplicationFont(fonts.filePath(name));
#endif
  const QString family = QString::fromLatin1(kWindowFontFamily);
  QFont::insertSubstitutions(family, {QStringLiteral("Liberation Sans Narrow"), QStringLiteral("Arial Narrow"),
                                      QStringLiteral("DejaVu Sans Condensed")});
  QFont f(family, kWindowFontPoints);
  f.setStyleHint(QFont::SansSerif);
  QApplication::setFont(f);
}

}  // namespace korvel
