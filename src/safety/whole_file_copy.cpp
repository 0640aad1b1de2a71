#include "safety/whole_file_copy.h"

#include "db/crc32.h"
#include "db/file_io.h"
#include "db/folder_files.h"
#include "safety/backup_manifest.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>
#include <cerrno>
#include <vector>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvel::safety {

QString findEntry(const QDir& dir, const QString& name, QDir::Filters kinds) {
  const QStringList entries = dir.entryList(kinds | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  QString other;
  for (const QString& e : entries) {
    if (e == name) return e;
    if (other.isEmpty() && e.compare(name, Qt::CaseInsensitive) == 0) other = e;
  }
  return other;
}

QStringList listFiles(const QDir& dir, const QString& wildcard) {
  // Without QDir::Hidden and QDir::System: hidden and system files, folders and dangling links
  // are not listed.
  QStringList names = dir.entryList({wildcard}, QDir::Files, QDir::Name | QDir::IgnoreCase);
  names.removeIf([](const QString& n) {
    return db::isProgramFile(n) || n.compare(QLatin1String(kManifestName), Qt::CaseInsensitive) == 0;
  });
  return names;
}

Copied copyToTemporary(const QString& source, const QString& targetDir, bool noFollow) {
  Copied out;
  errno = 0;
  QFile in(source);
#if defined(Q_OS_UNIX) && defined(O_NOFOLLOW)
  if (noFollow) {
    const int fd = ::open(QFile::encodeName(source).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return {{}, errno ? errno : EIO, {}};
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
      ::close(fd);
      return {{}, EIO, {}};
    }
  }
#else
  if (noFollow && QFileInfo(source).isSymLink()) return {{}, ELOOP, {}};
#endif
  if (!in.isOpen() && !in.open(QIODevice::ReadOnly)) return {{}, db::io::openError(in, EIO), {}};
  QTemporaryFile temporary(QDir(targetDir).filePath(QLatin1String(db::kTemporaryPrefix) + QStringLiteral("XXXXXX") +
                                                    QLatin1String(db::kTemporarySuffix)));
  errno = 0;
  if (!temporary.open()) return {{}, db::io::openError(temporary, EIO), {}};  // removed again by its destructor on every failure below

  std::vector<char> buffer(size_t(4) << 20);
  uint32_t crc = 0;
  for (;;) {
    const qint64 n = in.read(buffer.data(), qint64(buffer.size()));
    if (n < 0) return {{}, EIO, {}};
    if (n == 0) break;
    if (const int err = db::io::writeAt(temporary.handle(), out.print.size, buffer.data(), size_t(n))) return {{}, err, {}};
    crc = db::crc32(crc, buffer.data(), size_t(n));
    out.print.size += n;
  }
  out.print.crc = crc;
  const QFileInfo info(source);
  temporary.setPermissions(info.permissions());
  temporary.setFileTime(info.lastModified(), QFileDevice::FileModificationTime);
  if (const int err = db::io::sync(temporary.handle())) return {{}, err, {}};
  temporary.close();
  temporary.setAutoRemove(false);
  out.path = temporary.fileName();
  return out;
}

Copied copyReplacing(const QString& source, const QString& target) {
  // A folder in the target's place would not be replaced by a file anywhere; refuse it alike.
  if (QFileInfo(target).isDir()) return {{}, EISDIR, {}};
  Copied c = copyToTemporary(source, QFileInfo(target).absolutePath());
  if (c.err) return c;
  if ((c.err = db::io::rename(c.path, target)) != 0) QFile::remove(c.path);
  return c;
}

}  // namespace korvel::safety
