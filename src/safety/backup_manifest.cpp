#include "safety/backup_manifest.h"

#include "db/crc32.h"
#include "db/file_io.h"

#include <QFile>
#include <cerrno>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace korvel::safety {
namespace {

// A first line; a line with the time the backup was made (UTC); one line per file: its CRC-32
// in hex, its size and its name (percent-encoded UTF-8); a last line with the CRC-32 of all the
// lines above, so that a torn manifest is known. The first version had no time line.
const QByteArray kFirstLine = "korvel backup 2";
const QByteArray kFirstLineV1 = "korvel backup 1";

quint32 crcOf(const QByteArray& bytes) {
  return db::crc32(0, bytes.constData(), size_t(bytes.size()));
}

QByteArray hex(quint32 v) { return QByteArray::number(v, 16).rightJustified(8, '0'); }

// The manifest's bytes; a link is not followed to another file.
bool readBytes(const QString& path, QByteArray* bytes) {
  QFile f;
#if defined(Q_OS_UNIX) && defined(O_NOFOLLOW)
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0 || !f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    if (fd >= 0) ::close(fd);
    return false;
  }
#else
  f.setFileName(path);
  if (!f.open(QIODevice::ReadOnly)) return false;
#endif
  *bytes = f.readAll();
  return true;
}

}  // namespace

QString manifestName(const QDir& backup) {
  const QString name = findEntry(backup, QLatin1String(kManifestName), QDir::Files | QDir::System);
  return name.isEmpty() ? QLatin1String(kManifestName) : name;
}

Manifest readManifest(const QDir& backup) {
  const QString name = findEntry(backup, QLatin1String(kManifestName), QDir::Files | QDir::System);
  if (name.isEmpty()) return {};
  Manifest unfinished{Manifest::State::Unfinished, {}, {}};
  QByteArray bytes;
  if (!readBytes(backup.filePath(name), &bytes)) return unfinished;
  QList<QByteArray> lines = bytes.split('\n');
  if (lines.size() < 3 || !lines.last().isEmpty() || (lines.first() != kFirstLine && lines.first() != kFirstLineV1))
    return unfinished;
  lines.removeLast();
  const QByteArray last = lines.takeLast();
  if (last != "end " + hex(crcOf(lines.join('\n') + '\n'))) return unfinished;
  Manifest m{Manifest::State::Complete, {}, {}};
  qsizetype first = 1;
  if (lines.first() == kFirstLine) {
    if (lines.size() < 2 || !lines[1].startsWith("made ")) return unfinished;
    m.made = QDateTime::fromString(QString::fromLatin1(lines[1].mid(5)), Qt::ISODate);
    if (!m.made.isValid()) return unfinished;
    first = 2;
  }
  for (qsizetype i = first; i < lines.size(); ++i) {
    const QList<QByteArray> parts = lines[i].split(' ');
    bool crcOk = false, sizeOk = false;
    ManifestEntry e{QString::fromUtf8(QByteArray::fromPercentEncoding(parts.value(2))),
                    {parts.value(1).toLongLong(&sizeOk), parts.value(0).toUInt(&crcOk, 16)}};
    if (parts.size() != 3 || !crcOk || !sizeOk || e.name.isEmpty()) return unfinished;
    m.files.push_back(e);
  }
  // A manifest that lists nothing vouches for nothing: it marks a backup in progress.
  if (m.files.empty()) return unfinished;
  return m;
}

int writeManifestFile(const QString& path, const std::vector<ManifestEntry>& files, const QDateTime& made) {
  QByteArray text = kFirstLine + '\n' + "made " + made.toUTC().toString(Qt::ISODate).toLatin1() + '\n';
  for (const ManifestEntry& e : files)
    text += hex(e.print.crc) + ' ' + QByteArray::number(e.print.size) + ' ' + e.name.toUtf8().toPercentEncoding() + '\n';
  text += "end " + hex(crcOf(text)) + '\n';
  errno = 0;
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return db::io::openError(f, EACCES);
  int err = db::io::writeAt(f.handle(), 0, text.constData(), size_t(text.size()));
  if (!err) err = db::io::sync(f.handle());
  f.close();
  if (err) QFile::remove(path);
  return err;
}

}  // namespace korvel::safety
