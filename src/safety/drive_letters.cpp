#include "safety/drive_letters.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>
#include <QtGlobal>

namespace korvel::safety {

std::optional<QChar> driveLetterOf(const QString& typed) {
  const QString t = typed.trimmed();
  if (t.isEmpty()) return std::nullopt;
  // Only Latin letters change case here: a Cyrillic letter stays what it is and is refused.
  char16_t c = t.front().unicode();
  if (c >= u'a' && c <= u'z') c = char16_t(c - u'a' + u'A');
  if (c < u'A' || c > u'Z') return std::nullopt;
  return QChar(c);
}

QString driveRoot(QChar letter) {
#ifdef Q_OS_WIN
  return QString(letter) + QStringLiteral(":/");
#else
  const QByteArray var = "KORVEL_DRIVE_" + QString(letter).toLatin1();
  const QString mapped = qEnvironmentVariable(var.constData());
  if (!mapped.isEmpty()) return QDir::cleanPath(mapped);
  return QStringLiteral("/mnt/") + QString(letter).toLower();
#endif
}

bool driveReady(QChar letter) {
  const QString root = driveRoot(letter);
  if (!QFileInfo(root).isDir()) return false;
  const QStorageInfo storage(root);
  return storage.isValid() && storage.isReady() && storage.bytesAvailable() >= 0;
}

}  // namespace korvel::safety
